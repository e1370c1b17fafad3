#include "gamedata/DataFileCursor.h"

#include <cstring>

#include "gamedata/DataFileScramble.h"

void DataFileCursor::Unscramble(const std::string& fileName, const DataFileLayout& layout) {
  headerLength_ = layout.headerLength;
  seeds_ = {};
  checks_ = {};
  if (buffer_.size() < layout.headerLength) {
    damaged_ = true;
    position_ = buffer_.size();
    return;
  }
  for (size_t k = 0; k < 3; ++k) {
    seeds_[k] = buffer_[layout.seedOffsets[k]];
    checks_[k] = buffer_[layout.checkOffsets[k]];
  }
  ScrambleDataBody(fileName, buffer_.data(), layout.headerLength, buffer_.size(), 3, seeds_.data(), 0, nullptr);
  position_ = layout.headerLength;
}

void DataFileCursor::VerifyCheck(const std::string& fileName) {
  if (!HasNonzeroSeed()) return;
  size_t end = position_ < buffer_.size() ? position_ : buffer_.size();
  ScrambleDataBody(fileName, buffer_.data(), headerLength_, end, 0, nullptr, 3, checks_.data());
}

void DataFileCursor::SetPosition(size_t position) {
  if (position > buffer_.size()) {
    damaged_ = true;
    position_ = buffer_.size();
    return;
  }
  position_ = position;
}

bool DataFileCursor::Take(size_t n) {
  if (n > Remaining()) {
    damaged_ = true;
    return false;
  }
  return true;
}

uint8_t DataFileCursor::ReadUint8() {
  if (!Take(1)) return 0;
  return buffer_[position_++];
}

uint16_t DataFileCursor::ReadUint16() {
  if (!Take(2)) return 0;
  uint16_t value = static_cast<uint16_t>(buffer_[position_] | (buffer_[position_ + 1] << 8));
  position_ += 2;
  return value;
}

int32_t DataFileCursor::ReadInt32() {
  if (!Take(4)) return 0;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | buffer_[position_ + static_cast<size_t>(i)];
  position_ += 4;
  return static_cast<int32_t>(value);
}

float DataFileCursor::ReadFloat() {
  uint32_t bits = ReadUint32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool DataFileCursor::ReadBytes(void* out, size_t n) {
  if (!Take(n)) return false;
  if (n > 0) std::memcpy(out, buffer_.data() + position_, n);
  position_ += n;
  return true;
}

std::string DataFileCursor::TakeText(int64_t length) {
  if (length < 0 || static_cast<uint64_t>(length) > Remaining()) {
    damaged_ = true;
    return {};
  }
  const char* start = reinterpret_cast<const char*>(buffer_.data() + position_);
  size_t n = static_cast<size_t>(length);
  const void* zero = n > 0 ? std::memchr(start, 0, n) : nullptr;
  size_t textLength = zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - start) : n;
  position_ += n;
  return std::string(start, textLength);
}

std::string DataFileCursor::ReadString() {
  size_t before = position_;
  int32_t length = ReadInt32();
  if (damaged_) return {};
  std::string text = TakeText(length);
  if (damaged_) position_ = before;
  return text;
}

std::string DataFileCursor::ReadString16() {
  size_t before = position_;
  int16_t length = ReadInt16();
  if (damaged_) return {};
  std::string text = TakeText(length);
  if (damaged_) position_ = before;
  return text;
}

bool DataFileCursor::FitsCount(int64_t count, size_t minItemBytes) {
  if (count < 0) {
    damaged_ = true;
    return false;
  }
  if (minItemBytes > 0 && static_cast<uint64_t>(count) > Remaining() / minItemBytes) {
    damaged_ = true;
    return false;
  }
  return true;
}

void DataFileCursor::Release() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  position_ = 0;
}
