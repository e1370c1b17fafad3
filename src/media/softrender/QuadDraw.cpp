#include "media/softrender/QuadDraw.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendModeContext.h"
#include "media/softrender/TriangleDraw.h"

namespace {

int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

void MemImgDrawQuad(MEMIMG* dest, const MEMIMG* source, const MemImgQuadCorners* corners, int transparent,
                    const MEMIMG* blendImage) {
  if (corners == nullptr || !memimg_pixel::ViewUsable(source) || !memimg_pixel::DestinationDrawable(dest)) {
    return;
  }
  const MemImgQuadPoint points[4] = {corners->topLeft, corners->topRight, corners->bottomLeft, corners->bottomRight};
  int32_t minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
  for (const MemImgQuadPoint& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  // The widened box only decides whether the triangles run at all; they
  // clip themselves.
  Rect box{Saturate(int64_t{minX} - 2), Saturate(int64_t{minY} - 2), Saturate(int64_t{maxX} + 4),
           Saturate(int64_t{maxY} + 4)};
  const Rect area = MemImgDrawableArea(dest);
  ClipRectangle(&box, &area);
  if (box.left == box.right || box.top == box.bottom) return;

  const int32_t w = source->width;
  const int32_t h = source->height;
  const MemImgVertex vertices[4] = {
      {points[0].x, points[0].y, 0, 0},
      {points[1].x, points[1].y, w, 0},
      {points[2].x, points[2].y, 0, h},
      {points[3].x, points[3].y, w, h},
  };
  MemImgDrawTriangle(dest, source, &vertices[0], transparent, blendImage, 0);
  MemImgDrawTriangle(dest, source, &vertices[1], transparent, blendImage, 0);
}
