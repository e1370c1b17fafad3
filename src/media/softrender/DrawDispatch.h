#pragma once

// Turns the runtime drawing settings into a pixel-operation type, in the
// order the draws test them; each leaf instantiates one walk.

#include <cstring>
#include <type_traits>

#include "media/graphics/DrawState.h"
#include "media/softrender/MemImg.h"
#include "media/softrender/PixelKernels.h"

namespace softrender {

template <int V>
using Int = std::integral_constant<int, V>;

template <class F>
inline void SelectBool(bool value, F&& f) {
  if (value) f(std::true_type{});
  else f(std::false_type{});
}

// Modes that draw; false for every other value.
template <class F>
inline bool SelectMode(int mode, F&& f) {
  switch (mode) {
    case 0: f(Int<0>{}); return true;
    case 1: f(Int<1>{}); return true;
    case 2: f(Int<2>{}); return true;
    case 3: f(Int<3>{}); return true;
    case 4: f(Int<4>{}); return true;
    case 10: f(Int<10>{}); return true;
    case 11: f(Int<11>{}); return true;
    default: return false;
  }
}

template <class F>
inline void SelectKind(Kind kind, F&& f) {
  switch (kind) {
    case Kind::Plain: f(std::integral_constant<Kind, Kind::Plain>{}); break;
    case Kind::Palette: f(std::integral_constant<Kind, Kind::Palette>{}); break;
    case Kind::Alpha: f(std::integral_constant<Kind, Kind::Alpha>{}); break;
  }
}

inline Kind SourceKind(const MemImgBase* base) {
  if (base->paletteFlag == 1) return Kind::Palette;
  if (base->alphaFlag == 1) return Kind::Alpha;
  return Kind::Plain;
}

inline bool TintIsWhite(uint32_t tint) { return (tint & 0xFFFFFF) == 0xFFFFFF; }

// Mode and parameter as the draw applies them: mode 1 at 255 is mode 0;
// -1 when nothing is drawn.
inline int EffectiveMode(int mode, int p) {
  if (!(mode >= 0 && mode <= 4) && mode != 10 && mode != 11) return -1;
  if (mode == 1 && p == 255) return 0;
  if ((mode == 1 || mode == 2 || mode == 3) && p == 0) return -1;
  return mode;
}

// Fills the per-draw inputs from gDrawState and the source.
inline void PrepareInputs(DrawInputs* in, const MemImgBase* source, int p, const uint32_t* fastPalette) {
  in->p = p;
  const uint32_t tint = gDrawState.tint;
  in->tint[0] = gBlendScale[tint & 0xFF];
  in->tint[1] = gBlendScale[(tint >> 8) & 0xFF];
  in->tint[2] = gBlendScale[(tint >> 16) & 0xFF];
  in->sc = gBlendScale[p & 0xFF];
  in->ss = BlendSignedScaleZero(p & 0xFF);
  in->lerp = gBlendLerp6[(p & 0xFF) / 4];
  in->transparent = source->transparentColor;
  in->pal32 = static_cast<const uint32_t*>(source->palette);
  in->pal16 = static_cast<const uint16_t*>(source->palette);
  in->fastPal = fastPalette;
}

// Copies a palette source's entries into a draw's palette copy. Every
// entry is copied, so an index beyond the entries in use reads the same
// colour in every kernel.
inline void CopyPalette(const MemImgBase* source, uint32_t* copy) {
  if (source->pixelFormat == kMemImgRgb32) {
    std::memcpy(copy, source->palette, 1024);
  } else {
    const auto* entries = static_cast<const uint16_t*>(source->palette);
    for (int i = 0; i < 256; ++i) copy[i] = entries[i];
  }
}

// The area a draw may touch: the draw area cut to the destination.
inline Rect DrawableArea(const MEMIMG* dest) {
  Rect area = gDrawState.drawArea;
  const Rect bounds{0, 0, dest->width, dest->height};
  ClipRectangle(&area, &bounds);
  return area;
}

}  // namespace softrender
