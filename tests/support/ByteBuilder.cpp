#include "support/ByteBuilder.h"

#include <cstring>
#include <stdexcept>

ByteBuilder& ByteBuilder::Uint8(uint8_t value) {
  data_.push_back(value);
  return *this;
}

ByteBuilder& ByteBuilder::Uint16(uint16_t value) {
  data_.push_back(static_cast<uint8_t>(value));
  data_.push_back(static_cast<uint8_t>(value >> 8));
  return *this;
}

ByteBuilder& ByteBuilder::Uint32(uint32_t value) {
  for (int i = 0; i < 4; ++i) data_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return *this;
}

ByteBuilder& ByteBuilder::Float(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Uint32(bits);
}

ByteBuilder& ByteBuilder::Bytes(std::string_view bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

ByteBuilder& ByteBuilder::Bytes(const std::vector<uint8_t>& bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

ByteBuilder& ByteBuilder::Fill(size_t n, uint8_t value) {
  data_.insert(data_.end(), n, value);
  return *this;
}

ByteBuilder& ByteBuilder::Text(std::string_view text) {
  Int32(static_cast<int32_t>(text.size() + 1));
  Bytes(text);
  return Uint8(0);
}

ByteBuilder& ByteBuilder::Text16(std::string_view text) {
  Int16(static_cast<int>(text.size() + 1));
  Bytes(text);
  return Uint8(0);
}

ByteBuilder& ByteBuilder::RawText(int32_t storedLength, std::string_view bytes) {
  Int32(storedLength);
  return Bytes(bytes);
}

ByteBuilder& ByteBuilder::IntList(const std::vector<int32_t>& values) {
  Int32(static_cast<int32_t>(values.size()));
  for (int32_t v : values) Int32(v);
  return *this;
}

ByteBuilder& ByteBuilder::ByteList(const std::vector<uint8_t>& values) {
  Int32(static_cast<int32_t>(values.size()));
  return Bytes(values);
}

ByteBuilder& ByteBuilder::TextList(const std::vector<std::string>& texts) {
  Int32(static_cast<int32_t>(texts.size()));
  for (const std::string& t : texts) Text(t);
  return *this;
}

ByteBuilder& ByteBuilder::PatchUint8(size_t offset, uint8_t value) {
  if (offset >= data_.size()) throw std::out_of_range("ByteBuilder::PatchUint8");
  data_[offset] = value;
  return *this;
}

ByteBuilder& ByteBuilder::PatchInt32(size_t offset, int32_t value) {
  if (offset + 4 > data_.size()) throw std::out_of_range("ByteBuilder::PatchInt32");
  for (size_t i = 0; i < 4; ++i) data_[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  return *this;
}
