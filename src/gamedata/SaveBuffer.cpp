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
