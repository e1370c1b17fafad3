#pragma once

#include <cstdint>

#include "media/softrender/MemImg.h"

struct MemImgQuadPoint {
  int32_t x;
  int32_t y;
};

// Where the source's corners land, in whole destination pixels.
struct MemImgQuadCorners {
  MemImgQuadPoint topLeft;
  MemImgQuadPoint topRight;
  MemImgQuadPoint bottomLeft;
  MemImgQuadPoint bottomRight;
};

// Maps the whole source onto the four corners as two textured triangles
// (top-left, top-right, bottom-left; then top-right, bottom-left,
// bottom-right), with the current drawing state. A null source draws nothing.
void MemImgDrawQuad(MEMIMG* dest, const MEMIMG* source, const MemImgQuadCorners* corners, int transparent,
                    const MEMIMG* blendImage);
