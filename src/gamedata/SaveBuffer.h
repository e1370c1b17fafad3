#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The one buffer of the save writer and of every state-block writer and
// reader (saves and loads never overlap). Writers put each field at the
// position, growing the data as needed; readers test that each field fits in
// what was read before they take it, and on a field that does not fit set the
// short-data flag and take nothing.
struct SaveBuffer {
  std::vector<uint8_t> data;
  size_t position = 0;
  // Bytes read from the file (readers only).
  size_t size = 0;
  // Length of the field in hand.
  size_t fieldLength = 0;
  bool shortData = false;
  // Set while the Variable database block is written, so the shared database
  // row writers write here.
  bool saveBufferSwitch = false;
  // Save format number of the file being read.
  int formatNumber = 0;

  // Starts reading the bytes at position 0.
  void BeginRead(std::vector<uint8_t> bytes);
  // Starts an empty write at position 0.
  void BeginWrite();

  // Whether a field of n bytes fits; sets the short-data flag when not.
  bool Fits(size_t n);
  bool ReadUint8(uint8_t& value);
  bool ReadInt32(int32_t& value);
  bool ReadBytes(void* out, size_t n);

  void WriteUint8(uint8_t value);
  void WriteInt32(int32_t value);
  void WriteBytes(const void* bytes, size_t n);
};

extern SaveBuffer gSaveBuffer;
