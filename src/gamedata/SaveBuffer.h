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
  // Set by a writer whose field cannot be stored (a count or text too long
  // for its field): the save is refused instead of written wrong.
  bool writeFailed = false;

  // Starts reading the bytes at position 0.
  void BeginRead(std::vector<uint8_t> bytes);
  // Starts an empty write at position 0 (the data keeps its capacity).
  void BeginWrite();

  // Whether a field of n bytes fits; sets the short-data flag when not.
  bool Fits(size_t n);
  bool ReadUint8(uint8_t& value);
  bool ReadInt32(int32_t& value);
  bool ReadInt8(int8_t& value);
  bool ReadFloat(float& value);
  bool ReadBytes(void* out, size_t n);

  void WriteUint8(uint8_t value);
  void WriteInt8(int8_t value) { WriteUint8(static_cast<uint8_t>(value)); }
  void WriteInt32(int32_t value);
  void WriteFloat(float value);
  void WriteBytes(const void* bytes, size_t n);

  // Texts: Str16Z (int16 length + 1, the bytes, a zero), Str32 (int32
  // length, the bytes) and Str32Z (int32 length + 1, the bytes, a zero). A
  // reader takes the stored bytes up to the first zero; a negative length is
  // short data.
  void WriteStr16Z(const std::string& text);
  void WriteStr32(const std::string& text);
  void WriteStr32Z(const std::string& text);
  bool ReadStr16Z(std::string& text);
  bool ReadStr32(std::string& text);
  bool ReadStr32Z(std::string& text);
};

// The longest text a Str16Z field holds (its length counts the zero).
inline constexpr size_t kMaxStr16ZBytes = 32766;

inline size_t SaveBytesLeft(const SaveBuffer& buffer) {
  const size_t end = buffer.size < buffer.data.size() ? buffer.size : buffer.data.size();
  return buffer.position < end ? end - buffer.position : 0;
}

// Whether count items of itemBytes each fit in what is left, tested before
// anything is sized by the count; a negative count is short data too.
inline bool FitsCount(SaveBuffer& buffer, int64_t count, size_t itemBytes) {
  const bool fits = count >= 0 && (itemBytes == 0 || static_cast<uint64_t>(count) <= SaveBytesLeft(buffer) / itemBytes);
  if (!fits) buffer.shortData = true;
  return fits;
}

inline void WriteInt16(SaveBuffer& buffer, int16_t value) {
  const uint16_t bits = static_cast<uint16_t>(value);
  const uint8_t bytes[2] = {static_cast<uint8_t>(bits & 0xFF), static_cast<uint8_t>(bits >> 8)};
  buffer.WriteBytes(bytes, 2);
}

inline bool ReadInt16(SaveBuffer& buffer, int16_t& value) {
  uint8_t bytes[2] = {0, 0};
  if (!buffer.ReadBytes(bytes, 2)) return false;
  value = static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
  return true;
}

extern SaveBuffer gSaveBuffer;
