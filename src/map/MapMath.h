#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "gamedata/SaveBuffer.h"

// Arithmetic of script-set values on the map: computed in 64 bits and
// saturated, so no value a script writes can overflow.

inline int32_t SaturateInt(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
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

// value modulo span, in [0, span); a span of 0 or less leaves the value as it
// is. Most places already lie inside, which spares the divisions.
inline int64_t WrapIntoSpan(int64_t value, int64_t span) {
  if (span <= 0 || (value >= 0 && value < span)) return value;
  const int64_t r = value % span;
  return r < 0 ? r + span : r;
}

// trunc(2^e): 0 below 2^0, and the exponent bounded so the value stays far
// inside 64 bits.
inline int64_t PowerOfTwo64(int64_t e) {
  if (e < 0) return 0;
  return int64_t{1} << std::min<int64_t>(e, 40);
}
