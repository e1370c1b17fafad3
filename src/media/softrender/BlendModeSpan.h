#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "media/softrender/BlendModePixel.h"

// One row of a textured draw: pixels stepped by fixed (u, v) increments, each
// range-tested against the source and handed to the pixel operation.
namespace memimg_pixel {

// Row addressing by multiplication (triangle) or by table (rotated draw);
// both reach the same bytes.
struct PitchRows {
  const uint8_t* base;
  ptrdiff_t pitch;
  const uint8_t* operator()(size_t line) const { return base + static_cast<ptrdiff_t>(line) * pitch; }
};
struct TableRows {
  const uint8_t* const* rows;
  const uint8_t* operator()(size_t line) const { return rows[line]; }
};

inline int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}
inline int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }  // b > 0

// The pixels x in [0, count) whose coordinate start + x * step, read as an
// unsigned 32-bit number, lies below limit (at most 2^31), as [first, end).
// False when the coordinate would wrap within the row; the caller then tests
// each pixel instead.
inline bool InRangeSpan(uint32_t start, uint32_t step, uint32_t limit, int32_t count, int32_t* first, int32_t* end) {
  const int64_t s = static_cast<int32_t>(start);
  const int64_t d = static_cast<int32_t>(step);
  const int64_t last = s + d * (count - 1);
  if (last < INT32_MIN || last > INT32_MAX) return false;
  const int64_t l = limit;
  int64_t lo = 0;
  int64_t hi = count;
  if (d == 0) {
    if (s < 0 || s >= l) hi = 0;
  } else if (d > 0) {
    lo = std::max(lo, CeilDiv(-s, d));
    hi = std::min(hi, CeilDiv(l - s, d));
  } else {
    hi = std::min(hi, FloorDiv(s, -d) + 1);
    lo = std::max(lo, FloorDiv(s - l, -d) + 1);
  }
  if (hi < lo) hi = lo;
  *first = static_cast<int32_t>(lo);
  *end = static_cast<int32_t>(hi);
  return true;
}

struct SpanSource {
  uint32_t width18;   // source width x 262144
  uint32_t height18;  // source height x 262144
};

// Draws count pixels from out, the first at (u, v). Pixels whose position
// falls outside the source keep their value; the rest go through Op.
template <class Op, class Rows>
inline void DrawSpan(const PixelContext& context, const SpanSource& size, Rows sourceRows, Rows blendRows, uint8_t* out,
                     uint32_t u, uint32_t v, uint32_t dudx, uint32_t dvdx, int32_t count) {
  // Local copies: the stores through out may alias anything reached by reference.
  const PixelContext c = context;
  const uint32_t width18 = size.width18;
  const uint32_t height18 = size.height18;
  auto apply = [&](uint8_t* p, uint32_t pu, uint32_t pv) {
    const ptrdiff_t column = pu >> 18;
    const size_t line = pv >> 18;
    const uint8_t* coverage = nullptr;
    if constexpr (Op::kCover) coverage = blendRows(line) + column;
    Op::Apply(c, p, sourceRows(line) + column * Op::kUnit, coverage);
  };
  int32_t firstU, endU, firstV, endV;
  if (InRangeSpan(u, dudx, width18, count, &firstU, &endU) && InRangeSpan(v, dvdx, height18, count, &firstV, &endV)) {
    const int32_t first = std::max(firstU, firstV);
    const int32_t end = std::min(endU, endV);
    u += static_cast<uint32_t>(first) * dudx;
    v += static_cast<uint32_t>(first) * dvdx;
    out += static_cast<ptrdiff_t>(first) * Op::kDstBytes;
    for (int32_t x = first; x < end; ++x, out += Op::kDstBytes, u += dudx, v += dvdx) {
      apply(out, u, v);
    }
    return;
  }
  for (int32_t x = 0; x < count; ++x, out += Op::kDstBytes, u += dudx, v += dvdx) {
    if (u < width18 && v < height18) apply(out, u, v);
  }
}

}  // namespace memimg_pixel
