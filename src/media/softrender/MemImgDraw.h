#pragma once

#include <cstdint>

#include "media/softrender/MemImg.h"

// Draws of the software renderer. Each reads the draw area, blend mode,
// blend parameter and draw brightness of gDrawState when it starts, draws
// nothing for a combination it does not support and reports nothing.

// Whether the four-byte saturating forms of the 32-bit special cases are
// used (1, the default: every x86 processor offers them) or the packed
// word forms (0). The graphics start may set it from the processor check.
extern int gMemImgUseMmxForms;

// Palette copies the plain and stretched draws make of a palette source.
extern uint32_t gPlainDrawPalette[256];
extern uint32_t gStretchDrawPalette[256];

void MemImgDrawPlain(MEMIMG* dest, const MEMIMG* source, int x, int y, int transparent, const MEMIMG* blendImage);
// rect = x1, y1, x2, y2; reversed corners mirror.
void MemImgDrawStretched(MEMIMG* dest, const MEMIMG* source, const int* rect, int transparent,
                         const MEMIMG* blendImage);

// rect = x1, y1, x2, y2 in either order, or null for the whole image.
void MemImgFillBox(MEMIMG* dest, const int* rect, uint32_t color);

struct MemImgLineRecord {
  int x1, y1, x2, y2;
  int color;
  int blendParameter;  // not read: every line uses gDrawState's parameter
};
void MemImgDrawLine(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t color);
void MemImgDrawLineList(MEMIMG* dest, const MemImgLineRecord* lines, int count);
