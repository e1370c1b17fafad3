#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds little-endian byte images of game files field by field.
//
//   ByteBuilder b;
//   b.Int32(2).Text("name").IntList({1, 2, 3});
//
// Texts are written as the game files store them: an int32 length that counts
// the terminating zero, the bytes, and the zero.
class ByteBuilder {
 public:
  ByteBuilder& Int8(int value) { return Uint8(static_cast<uint8_t>(value)); }
  ByteBuilder& Uint8(uint8_t value);
  ByteBuilder& Int16(int value) { return Uint16(static_cast<uint16_t>(value)); }
  ByteBuilder& Uint16(uint16_t value);
  ByteBuilder& Int32(int32_t value) { return Uint32(static_cast<uint32_t>(value)); }
  ByteBuilder& Uint32(uint32_t value);
  ByteBuilder& Float(float value);
  ByteBuilder& Bytes(std::string_view bytes);
  ByteBuilder& Bytes(const std::vector<uint8_t>& bytes);
  ByteBuilder& Append(const ByteBuilder& other) { return Bytes(other.data_); }
  // n copies of one byte.
  ByteBuilder& Fill(size_t n, uint8_t value = 0);

  // int32 length + 1, the text, a zero byte.
  ByteBuilder& Text(std::string_view text);
  // The same with a 16-bit length (older save files).
  ByteBuilder& Text16(std::string_view text);
  // A length field that need not match the bytes that follow (damaged files).
  ByteBuilder& RawText(int32_t storedLength, std::string_view bytes);

  // int32 count, then the items.
  ByteBuilder& IntList(const std::vector<int32_t>& values);
  ByteBuilder& ByteList(const std::vector<uint8_t>& values);
  ByteBuilder& TextList(const std::vector<std::string>& texts);

  // Overwrites bytes already written (offsets, counts and checks known only later).
  ByteBuilder& PatchUint8(size_t offset, uint8_t value);
  ByteBuilder& PatchInt32(size_t offset, int32_t value);

  size_t Size() const { return data_.size(); }
  const std::vector<uint8_t>& Data() const { return data_; }
  std::vector<uint8_t> Take() { return std::move(data_); }

 private:
  std::vector<uint8_t> data_;
};
