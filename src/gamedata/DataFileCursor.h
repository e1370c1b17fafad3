#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where the seed and check bytes sit in the unscrambled header of each kind of
// data file, and whether the body's byte sum is compared after parsing.
struct DataFileLayout {
  size_t headerLength;                 // the body starts here
  std::array<size_t, 3> seedOffsets;   // passes 1, 2, 3
  std::array<size_t, 3> checkOffsets;  // only the first is ever compared
  bool verified;
};

inline constexpr DataFileLayout kGameDatLayout{10, {0, 8, 6}, {2, 3, 4}, false};
inline constexpr DataFileLayout kDatabaseFileLayout{10, {0, 3, 9}, {2, 6, 8}, true};
inline constexpr DataFileLayout kCommonEventFileLayout{10, {0, 3, 9}, {2, 6, 8}, true};
inline constexpr DataFileLayout kTilesetFileLayout{10, {0, 3, 9}, {2, 6, 8}, true};
inline constexpr DataFileLayout kMapFileLayout{20, {0, 3, 9}, {2, 6, 8}, true};
inline constexpr DataFileLayout kSaveFileLayout{20, {0, 3, 9}, {2, 6, 8}, true};

// The whole-file buffer and read position of a data-file reader.
//
// Every read is bounded: a field that does not fit in what remains marks the
// file damaged, reads as 0 (or an empty text) and leaves the position where it
// was. Readers check Damaged() and take their damaged-file path, so a short or
// hostile file never leads to a read out of bounds. Counts from the file go
// through FitsCount before a list is sized by them.
class DataFileCursor {
 public:
  DataFileCursor() = default;
  explicit DataFileCursor(std::vector<uint8_t> bytes) : buffer_(std::move(bytes)) {}

  // Reads the whole file through the public file functions (folder or packed
  // archive alike). False when it does not open or cannot be read whole; the
  // cursor is then empty.
  bool LoadFile(const std::string& path);

  // Reading protocol: copies the seed and check bytes out of the header,
  // unscrambles [headerLength, size) and puts the position at the body start.
  // A file shorter than its header is marked damaged.
  void Unscramble(const std::string& fileName, const DataFileLayout& layout);
  bool HasNonzeroSeed() const { return seeds_[0] != 0 || seeds_[1] != 0 || seeds_[2] != 0; }
  // Compares the byte sum of [headerLength, position) with the first check
  // byte when a seed is nonzero; a mismatch ends the process (see
  // ScrambleDataBody).
  void VerifyCheck(const std::string& fileName);

  size_t Size() const { return buffer_.size(); }
  size_t Position() const { return position_; }
  void SetPosition(size_t position);
  size_t Remaining() const { return position_ < buffer_.size() ? buffer_.size() - position_ : 0; }

  bool Damaged() const { return damaged_; }
  void MarkDamaged() { damaged_ = true; }

  uint8_t ReadUint8();
  int8_t ReadInt8() { return static_cast<int8_t>(ReadUint8()); }
  uint16_t ReadUint16();
  int16_t ReadInt16() { return static_cast<int16_t>(ReadUint16()); }
  int32_t ReadInt32();
  uint32_t ReadUint32() { return static_cast<uint32_t>(ReadInt32()); }
  float ReadFloat();
  // Copies n bytes; false (and damaged, nothing copied) when they do not fit.
  bool ReadBytes(void* out, size_t n);
  // An int32 length L, then L bytes; the text is the bytes up to the first 0.
  // A negative L, or one beyond what remains, marks the file damaged.
  std::string ReadString();
  // The same with a 16-bit length (older save files).
  std::string ReadString16();

  // True when `count` items of at least `minItemBytes` bytes each can still be
  // in the file; else the file is marked damaged. Call it before sizing a list
  // by a count read from the file.
  bool FitsCount(int64_t count, size_t minItemBytes);

  // The byte at an absolute offset, 0 outside the buffer.
  uint8_t ByteAt(size_t offset) const { return offset < buffer_.size() ? buffer_[offset] : 0; }

  std::vector<uint8_t>& Buffer() { return buffer_; }
  const std::vector<uint8_t>& Buffer() const { return buffer_; }
  // Frees the buffer once the file is parsed.
  void Release();

 private:
  bool Take(size_t n);
  std::string TakeText(int64_t length);

  std::vector<uint8_t> buffer_;
  size_t position_ = 0;
  bool damaged_ = false;
  size_t headerLength_ = 0;
  std::array<uint8_t, 3> seeds_{};
  std::array<uint8_t, 3> checks_{};
};
