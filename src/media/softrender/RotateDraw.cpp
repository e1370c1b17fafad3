#include "media/softrender/RotateDraw.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "foundation/TextFunctions.h"
#include "media/graphics/DrawState.h"
#include "media/softrender/BlendModeContext.h"
#include "media/softrender/BlendModeSpan.h"
#include "media/softrender/QuadDraw.h"
#include "media/softrender/TriangleRaster.h"

namespace {

using memimg_triangle::AddWrap;
using memimg_triangle::kOne;
using memimg_triangle::MulWrap;
using memimg_triangle::SubWrap;
using memimg_triangle::ToFixed;
using memimg_triangle::ToWhole;

struct Point18 {
  int32_t x;
  int32_t y;
};

// value x R rounded once to single precision (the product is exact in the
// wider type), then truncated.
int32_t ScaledTrunc(int32_t value, float r) {
  return FloatToIntTrunc(static_cast<float>(static_cast<long double>(value) * r));
}

struct InverseMap {
  int32_t u = 0, v = 0;        // at the box's top-left pixel
  int32_t dudx = 0, dvdx = 0;  // per column
  int32_t dudy = 0, dvdy = 0;  // per row
};

}  // namespace

void MemImgDrawRotated(MEMIMG* dest, const MEMIMG* source, int centerX, int centerY, float angle, float scale,
                       int transparent, int turn, const MEMIMG* blendImage) {
  if (!memimg_pixel::DestinationDrawable(dest) || !memimg_pixel::ViewUsable(source)) return;
  if (source->base->pixelFormat != dest->base->pixelFormat) return;
  if (!std::isfinite(angle) || !std::isfinite(scale) || scale == 0.0f) return;

  float sinNeg, cosNeg, sinPos, cosPos;
  AngleSinCos(-angle, &sinNeg, &cosNeg);
  AngleSinCos(angle, &sinPos, &cosPos);
  const int32_t cn = FloatToIntTrunc(cosNeg * 262144.0f);
  const int32_t sn = FloatToIntTrunc(sinNeg * 262144.0f);
  const int32_t ca = FloatToIntTrunc(cosPos * 262144.0f);
  const int32_t sa = FloatToIntTrunc(sinPos * 262144.0f);

  // Corners: the half extents turned by the angle, in 14.18.
  const double hw = static_cast<double>(static_cast<uint32_t>(source->width)) * scale * 0.5;
  const double hh = static_cast<double>(static_cast<uint32_t>(source->height)) * scale * 0.5;
  const float cw = static_cast<float>(ca * hw);
  const float sw = static_cast<float>(sa * hw);
  const float ch = static_cast<float>(ca * hh);
  const float sh = static_cast<float>(sa * hh);
  const int32_t cx18 = ToFixed(centerX);
  const int32_t cy18 = ToFixed(centerY);
  auto corner = [&](float x, float y) {
    return Point18{AddWrap(FloatToIntTrunc(x), cx18), AddWrap(FloatToIntTrunc(y), cy18)};
  };
  const Point18 p[4] = {
      corner(-cw + sh, -ch - sw),  // top-left
      corner(-cw - sh, ch - sw),   // bottom-left
      corner(cw - sh, ch + sw),    // bottom-right
      corner(cw + sh, -ch + sw),   // top-right
  };

  if (turn != 0) {
    // Mirrored: the source's left column lands on the turned right side.
    const MemImgQuadCorners corners{{ToWhole(p[3].x), ToWhole(p[3].y)},
                                    {ToWhole(p[0].x), ToWhole(p[0].y)},
                                    {ToWhole(p[2].x), ToWhole(p[2].y)},
                                    {ToWhole(p[1].x), ToWhole(p[1].y)}};
    MemImgDrawQuad(dest, source, &corners, transparent, blendImage);
    return;
  }

  int32_t minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
  for (const Point18& q : p) {
    minX = std::min(minX, q.x);
    maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y);
    maxY = std::max(maxY, q.y);
  }
  // A margin around the turned image; pixels outside it fail the range test.
  Rect box{ToWhole(minX) - 2, ToWhole(minY) - 2, ToWhole(maxX) + 4, ToWhole(maxY) + 4};
  const Rect area = MemImgDrawableArea(dest);
  ClipRectangle(&box, &area);
  if (box.left == box.right || box.top == box.bottom) return;

  memimg_pixel::TexturedDraw draw;
  if (!memimg_pixel::PrepareTexturedDraw(dest, source, transparent, blendImage, &draw)) return;

  // Inverse mapping from destination pixel corners to source texels.
  const double reciprocal = 1.0 / static_cast<double>(scale);
  const float r = static_cast<float>(reciprocal);
  InverseMap m;
  m.dudx = FloatToIntTrunc(static_cast<float>(ca * reciprocal));
  m.dvdx = FloatToIntTrunc(static_cast<float>(static_cast<double>(sn) * r));
  const int32_t halfW18 = ToFixed(source->width >> 1);
  const int32_t halfH18 = ToFixed(source->height >> 1);
  const int32_t dx = SubWrap(box.left, centerX);
  auto uAt = [&](int32_t dy) { return AddWrap(ScaledTrunc(SubWrap(MulWrap(dx, cn), MulWrap(dy, sn)), r), halfW18); };
  auto vAt = [&](int32_t dy) { return AddWrap(ScaledTrunc(AddWrap(MulWrap(dy, cn), MulWrap(dx, sn)), r), halfH18); };
  const int32_t dyTop = SubWrap(box.top, centerY);
  const int32_t dyBottom = SubWrap(box.bottom, centerY);
  const int32_t rows = box.bottom - box.top;
  m.u = uAt(dyTop);
  m.v = vAt(dyTop);
  m.dudy = SubWrap(uAt(dyBottom), m.u) / rows;
  m.dvdy = SubWrap(vAt(dyBottom), m.v) / rows;

  // Row tables, per draw and as tall as the source.
  const int32_t sourceHeight = draw.sourceHeight;
  std::vector<const uint8_t*> sourceRows(static_cast<size_t>(sourceHeight));
  for (int32_t i = 0; i < sourceHeight; ++i) {
    sourceRows[static_cast<size_t>(i)] = draw.sourcePixels + static_cast<ptrdiff_t>(i) * draw.sourcePitch;
  }
  std::vector<const uint8_t*> blendRows;
  if (draw.selection.cover) {
    blendRows.resize(static_cast<size_t>(sourceHeight));
    for (int32_t i = 0; i < sourceHeight; ++i) {
      blendRows[static_cast<size_t>(i)] = draw.blend.pixels + static_cast<ptrdiff_t>(i) * draw.blend.pitch;
    }
  }

  const int32_t columns = box.right - box.left;
  const memimg_pixel::SpanSource size{static_cast<uint32_t>(draw.sourceWidth) << 18,
                                      static_cast<uint32_t>(draw.sourceHeight) << 18};
  const ptrdiff_t pitch = dest->base->pitch;
  uint8_t* const topLeft = dest->pixels + static_cast<ptrdiff_t>(box.top) * pitch;
  const memimg_pixel::TableRows srcRows{sourceRows.data()};
  const memimg_pixel::TableRows covRows{blendRows.data()};
  memimg_pixel::SelectTextured(draw.selection, [&]<class Op>(std::type_identity<Op>) {
    uint32_t rowU = static_cast<uint32_t>(m.u);
    uint32_t rowV = static_cast<uint32_t>(m.v);
    uint8_t* row = topLeft + static_cast<ptrdiff_t>(box.left) * Op::kDstBytes;
    for (int32_t y = 0; y < rows; ++y, row += pitch) {
      memimg_pixel::DrawSpan<Op>(draw.context, size, srcRows, covRows, row, rowU, rowV, static_cast<uint32_t>(m.dudx),
                                 static_cast<uint32_t>(m.dvdx), columns);
      rowU += static_cast<uint32_t>(m.dudy);
      rowV += static_cast<uint32_t>(m.dvdy);
    }
  });
}
