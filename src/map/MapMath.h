#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "gamedata/SaveBuffer.h"

// Arithmetic of script-set values on the map: computed in 64 bits and
// saturated, so no value a script writes can overflow.

inline int32_t SaturateInt(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// a * b, saturated to the int64 range.
inline int64_t SaturatedProduct(int64_t a, int64_t b) {
  int64_t product = 0;
  if (!__builtin_mul_overflow(a, b, &product)) return product;
  return (a < 0) != (b < 0) ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

inline int64_t SaturatedSum(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

// trunc(2^e): 0 below 2^0, and the exponent bounded so the value stays far
// inside 64 bits.
inline int64_t PowerOfTwo64(int64_t e) {
  if (e < 0) return 0;
  return int64_t{1} << std::min<int64_t>(e, 40);
}

inline size_t SaveBytesLeft(const SaveBuffer& buffer) {
  const size_t end = std::min(buffer.size, buffer.data.size());
  return buffer.position < end ? end - buffer.position : 0;
}

// Whether count items of itemBytes each fit in what is left, tested before
// anything is sized by the count; a negative count is short data too.
inline bool FitsCount(SaveBuffer& buffer, int64_t count, size_t itemBytes) {
  const bool fits =
      count >= 0 && (itemBytes == 0 || static_cast<uint64_t>(count) <= SaveBytesLeft(buffer) / itemBytes);
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
