#pragma once

#include <algorithm>
#include <cstdint>

#include "media/image/Rect.h"
#include "media/softrender/TriangleDraw.h"

// Set-up and scan conversion of the triangle rasteriser. Positions are 14.18
// fixed point (value x 262144) in 32-bit integers; every conversion to whole
// pixels truncates toward zero. Arithmetic that could leave the 32-bit range
// wraps through unsigned numbers.
namespace memimg_triangle {

constexpr int32_t kOne = 262144;
constexpr int32_t kHalf = 131072;

inline int32_t Wrap(uint32_t value) { return static_cast<int32_t>(value); }
inline int32_t AddWrap(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t SubWrap(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t MulWrap(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }
inline int32_t ToFixed(int32_t whole) { return Wrap(static_cast<uint32_t>(whole) << 18); }
inline int32_t ToWhole(int32_t fixed) { return fixed / kOne; }

struct Segment {
  int32_t x = 0;     // start x, 14.18
  int32_t step = 0;  // x per row, 14.18
  int32_t rows = 0;
  int32_t row = 0;  // start row of a second segment
};

struct Edge {
  Segment segments[2];
  int count = 0;
};

struct TriangleSetup {
  int32_t xr = 0, yr = 0;  // reference vertex, whole pixels
  int32_t ur = 0, vr = 0;  // its texture coordinate, 14.18
  int32_t dudx = 0, dudy = 0, dvdx = 0, dvdy = 0;
  Edge left, right;
  int32_t firstRow = 0;
};

// False for a triangle that draws nothing (collinear or coinciding vertices).
bool SetUpTriangle(const MemImgVertex* v, TriangleSetup* t);

// Texture coordinate of destination pixel (x, y), wrapping.
inline void TexelAt(const TriangleSetup& t, int32_t x, int32_t y, uint32_t* u, uint32_t* v) {
  const uint32_t dx = static_cast<uint32_t>(x) - static_cast<uint32_t>(t.xr);
  const uint32_t dy = static_cast<uint32_t>(y) - static_cast<uint32_t>(t.yr);
  *u = static_cast<uint32_t>(t.ur) + dx * static_cast<uint32_t>(t.dudx) + dy * static_cast<uint32_t>(t.dudy);
  *v = static_cast<uint32_t>(t.vr) + dx * static_cast<uint32_t>(t.dvdx) + dy * static_cast<uint32_t>(t.dvdy);
}

// Walks the rows of the triangle top to bottom and calls
// drawRow(row, left pixel, pixel count) for each non-empty span inside the
// area. Spans include both ends; rows outside the area are stepped through.
template <class DrawRow>
void ScanTriangle(const TriangleSetup& t, const Rect& area, DrawRow&& drawRow) {
  int li = 0;
  int ri = 0;
  int32_t leftX = t.left.segments[0].x;
  int32_t leftStep = t.left.segments[0].step;
  int32_t leftRows = t.left.segments[0].rows;
  int32_t rightX = t.right.segments[0].x;
  int32_t rightStep = t.right.segments[0].step;
  int32_t rightRows = t.right.segments[0].rows;
  int32_t row = t.firstRow;
  for (;;) {
    int32_t leftPixel = ToWhole(leftX);
    int32_t count = ToWhole(rightX) - leftPixel;
    if (leftPixel < area.left) {
      count -= area.left - leftPixel;
      leftPixel = area.left;
    }
    count += 1;
    if (row >= area.top && row < area.bottom && leftPixel < area.right && count > 0) {
      drawRow(row, leftPixel, std::min(count, area.right - leftPixel));
    }
    leftX = AddWrap(leftX, leftStep);
    rightX = AddWrap(rightX, rightStep);
    ++row;
    --leftRows;
    --rightRows;
    if (leftRows == 0) {
      if (++li == t.left.count) return;
      const Segment& s = t.left.segments[li];
      leftX = s.x;
      leftStep = s.step;
      leftRows = s.rows;
      row = s.row;
    }
    if (rightRows == 0) {
      if (++ri == t.right.count) return;
      const Segment& s = t.right.segments[ri];
      rightX = s.x;
      rightStep = s.step;
      rightRows = s.rows;
    }
  }
}

}  // namespace memimg_triangle
