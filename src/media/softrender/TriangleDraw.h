#pragma once

#include <cstdint>

#include "media/softrender/MemImg.h"

// One destination vertex of the triangle rasteriser: whole pixels x, y and
// whole source texels u, v.
struct MemImgVertex {
  int32_t x;
  int32_t y;
  int32_t u;
  int32_t v;
};

// Draws the triangle of vertices[0..2] into dest: the source mapped affinely
// by the vertices' texture coordinates, or, with a null source, a fill in
// color (the destination's pixel format). Honours the draw area, blend mode,
// blend parameter and draw brightness of gDrawState; transparent switches on
// the colour key and alpha skipping, blendImage gives per-texel coverage
// (both ignored by the fill). Draws nothing for an unsupported combination.
void MemImgDrawTriangle(MEMIMG* dest, const MEMIMG* source, const MemImgVertex* vertices, int transparent,
                        const MEMIMG* blendImage, int color);
