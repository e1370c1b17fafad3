#include "gamedata/SaveBuffer.h"

#include <cstring>

SaveBuffer gSaveBuffer;

void SaveBuffer::BeginRead(std::vector<uint8_t> bytes) {
  data = std::move(bytes);
  size = data.size();
  position = 0;
  fieldLength = 0;
  shortData = false;
}

void SaveBuffer::BeginWrite() {
  data.clear();
  size = 0;
  position = 0;
  fieldLength = 0;
  shortData = false;
  writeFailed = false;
}

bool SaveBuffer::Fits(size_t n) {
  fieldLength = n;
  size_t end = size < data.size() ? size : data.size();
  if (position > end || n > end - position) {
    shortData = true;
    return false;
  }
  return true;
}

bool SaveBuffer::ReadUint8(uint8_t& value) { return ReadBytes(&value, 1); }

bool SaveBuffer::ReadInt32(int32_t& value) {
  uint8_t bytes[4];
  if (!ReadBytes(bytes, 4)) return false;
  value = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                               static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
  return true;
}

bool SaveBuffer::ReadBytes(void* out, size_t n) {
  if (!Fits(n)) return false;
  if (n > 0) std::memcpy(out, data.data() + position, n);
  position += n;
  return true;
}

void SaveBuffer::WriteUint8(uint8_t value) { WriteBytes(&value, 1); }

void SaveBuffer::WriteInt32(int32_t value) {
  uint32_t bits = static_cast<uint32_t>(value);
  uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
                      static_cast<uint8_t>(bits >> 24)};
  WriteBytes(bytes, 4);
}

void SaveBuffer::WriteBytes(const void* bytes, size_t n) {
  if (data.size() < position + n) data.resize(position + n);
  if (n > 0) std::memcpy(data.data() + position, bytes, n);
  position += n;
}

bool SaveBuffer::ReadInt8(int8_t& value) {
  uint8_t byte = 0;
  if (!ReadUint8(byte)) return false;
  value = static_cast<int8_t>(byte);
  return true;
}

bool SaveBuffer::ReadFloat(float& value) {
  int32_t bits = 0;
  if (!ReadInt32(bits)) return false;
  std::memcpy(&value, &bits, 4);
  return true;
}

void SaveBuffer::WriteFloat(float value) {
  int32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  WriteInt32(bits);
}

namespace {

// Reads n stored bytes as a text, up to its first zero when toZero.
bool ReadTextBytes(SaveBuffer& buffer, int64_t n, std::string& text, bool toZero) {
  if (n < 0 || !FitsCount(buffer, n, 1)) {
    buffer.shortData = true;
    return false;
  }
  const char* start = reinterpret_cast<const char*>(buffer.data.data() + buffer.position);
  const size_t length = static_cast<size_t>(n);
  const void* zero = toZero ? std::memchr(start, 0, length) : nullptr;
  text.assign(start, zero ? static_cast<size_t>(static_cast<const char*>(zero) - start) : length);
  buffer.position += length;
  return true;
}

}  // namespace

void SaveBuffer::WriteStr16Z(const std::string& text) {
  if (text.size() > kMaxStr16ZBytes) {
    writeFailed = true;
    WriteInt16(*this, 1);
    WriteUint8(0);
    return;
  }
  WriteInt16(*this, static_cast<int16_t>(text.size() + 1));
  WriteBytes(text.data(), text.size());
  WriteUint8(0);
}

void SaveBuffer::WriteStr32(const std::string& text) {
  if (text.size() > 0x7FFFFFFEu) writeFailed = true;
  WriteInt32(static_cast<int32_t>(text.size()));
  WriteBytes(text.data(), text.size());
}

void SaveBuffer::WriteStr32Z(const std::string& text) {
  if (text.size() > 0x7FFFFFFEu) writeFailed = true;
  WriteInt32(static_cast<int32_t>(text.size() + 1));
  WriteBytes(text.data(), text.size());
  WriteUint8(0);
}

bool SaveBuffer::ReadStr16Z(std::string& text) {
  int16_t n = 0;
  return ReadInt16(*this, n) && ReadTextBytes(*this, n, text, true);
}

bool SaveBuffer::ReadStr32(std::string& text) {
  int32_t n = 0;
  return ReadInt32(n) && ReadTextBytes(*this, n, text, false);
}

bool SaveBuffer::ReadStr32Z(std::string& text) {
  int32_t n = 0;
  return ReadInt32(n) && ReadTextBytes(*this, n, text, true);
}
