#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/TextFunctions.h"
#include "media/softrender/DrawDispatch.h"
#include "media/softrender/MemImgDraw.h"
#include "media/softrender/PixelSimd.h"

using namespace softrender;

namespace {

// One colour over a pixel, per mode; the colour is already brightened.
struct ColorInputs {
  uint32_t color;   // prepared colour (16-bit: the 565 word; mode 10: inverted)
  uint32_t amount;  // modes 2 and 3: the scaled amount word
  int p;
  const int32_t* ss;
};

template <int Fmt, int Mode>
struct ColorOp {
  static constexpr int kUnit = Fmt == 32 ? 4 : 2;
  static inline void Apply(const ColorInputs& in, uint8_t* d) {
    if constexpr (Fmt == 32) {
      if constexpr (Mode == 0) {
        Store32(d, in.color);
      } else if constexpr (Mode == 2) {
        Store32(d, MemImgPackedAdd(Load32(d), in.amount, 1));
      } else if constexpr (Mode == 3) {
        Store32(d, MemImgPackedSubtract(Load32(d), in.amount));
      } else {
        for (int c = 0; c < 3; ++c) {
          const int cc = static_cast<int>((in.color >> (8 * c)) & 255);
          const int dd = d[c];
          int out;
          if constexpr (Mode == 1) out = dd + (((cc - dd) * in.p) >> 8);
          else if constexpr (Mode == 4) out = (dd * cc) >> 8;
          else if constexpr (Mode == 10) out = dd + (((255 - cc - dd) * in.p) >> 8);
          else out = dd + (((((dd * cc) >> 8) - dd) * in.p) >> 8);
          d[c] = static_cast<uint8_t>(out);
        }
      }
    } else {
      if constexpr (Mode == 0) {
        Store16(d, in.color);
      } else if constexpr (Mode == 2) {
        Store16(d, MemImgPackedAdd16(Load16(d), in.amount, 1));
      } else if constexpr (Mode == 3) {
        Store16(d, MemImgPackedSubtract16(Load16(d), in.amount));
      } else {
        constexpr int kPos[3] = {0, 5, 11};
        constexpr int kWidth[3] = {5, 6, 5};
        const uint32_t D = Load16(d);
        uint32_t result = 0;
        for (int c = 0; c < 3; ++c) {
          const int mask = (1 << kWidth[c]) - 1;
          const int cc = static_cast<int>((in.color >> kPos[c]) & static_cast<uint32_t>(mask));
          const int dd = static_cast<int>((D >> kPos[c]) & static_cast<uint32_t>(mask));
          int out;
          if constexpr (Mode == 4) out = (dd * cc) >> kWidth[c];
          else if constexpr (Mode == 11) out = dd + in.ss[((dd * cc) >> kWidth[c]) - dd];
          else out = dd + in.ss[cc - dd];  // modes 1 and 10 (colour inverted beforehand)
          result |= static_cast<uint32_t>(out) << kPos[c];
        }
        Store16(d, result);
      }
    }
  }
};

// Brightens the colour and builds the per-mode inputs; false when the mode
// draws nothing.
bool PrepareColor(int fmt, uint32_t color, ColorInputs* in, int* modeOut) {
  const int mode = EffectiveMode(gDrawState.blendMode, gDrawState.blendParameter);
  if (mode < 0) return false;
  const int p = gDrawState.blendParameter & 0xFF;
  const uint32_t tint = gDrawState.tint;
  if (fmt == 16) color &= 0xFFFF;
  if (!TintIsWhite(tint)) {
    const uint32_t tb = tint & 0xFF, tg = (tint >> 8) & 0xFF, tr = (tint >> 16) & 0xFF;
    if (fmt == 32) {
      const uint32_t b = ((color & 0xFF) * tb) >> 8;
      const uint32_t g = (((color >> 8) & 0xFF) * tg) >> 8;
      const uint32_t r = (((color >> 16) & 0xFF) * tr) >> 8;
      color = (color & 0xFF000000u) | (r << 16) | (g << 8) | b;
    } else {
      const uint32_t r = (((color >> 11) & 31) * tr) >> 8;
      const uint32_t g = (((color >> 5) & 63) * tg) >> 8;
      const uint32_t b = ((color & 31) * tb) >> 8;
      color = (r << 11) | (g << 5) | b;
    }
  }
  in->p = p;
  in->ss = BlendSignedScaleZero(p);
  const int32_t* sc = gBlendScale[p];
  if (fmt == 32) {
    in->amount = static_cast<uint32_t>(sc[color & 0xFF]) | (static_cast<uint32_t>(sc[(color >> 8) & 0xFF]) << 8) |
                 (static_cast<uint32_t>(sc[(color >> 16) & 0xFF]) << 16);
  } else {
    in->amount = (static_cast<uint32_t>(sc[(color >> 11) & 31]) << 11) |
                 (static_cast<uint32_t>(sc[(color >> 5) & 63]) << 5) | static_cast<uint32_t>(sc[color & 31]);
    if (mode == 10) color ^= 0xFFFF;
  }
  in->color = color;
  *modeOut = mode;
  return true;
}

template <class F>
void WithColorOp(int fmt, int mode, F&& f) {
  if (fmt == 32) {
    SelectMode(mode, [&](auto m) { f(ColorOp<32, decltype(m)::value>{}); });
  } else {
    SelectMode(mode, [&](auto m) { f(ColorOp<16, decltype(m)::value>{}); });
  }
}

int PathFormat(const MEMIMG* image) {
  const int format = image->base->pixelFormat;
  return format == kMemImgRgb32 ? 32 : (format == kMemImgRgb565 ? 16 : 0);
}

}  // namespace

void MemImgFillBox(MEMIMG* dest, const int* rect, uint32_t color) {
  if (!MemImgIsValid(dest)) return;
  const MemImgBase* base = dest->base;
  if (base->paletteFlag == 1 || base->alphaFlag == 1) return;
  Rect r{0, 0, dest->width, dest->height};
  if (rect != nullptr) {
    r.left = rect[0] < rect[2] ? rect[0] : rect[2];
    r.right = rect[0] < rect[2] ? rect[2] : rect[0];
    r.top = rect[1] < rect[3] ? rect[1] : rect[3];
    r.bottom = rect[1] < rect[3] ? rect[3] : rect[1];
  }
  const Rect area = MemImgDrawableArea(dest);
  ClipRectangle(&r, &area);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const int fmt = PathFormat(dest);
  if (fmt == 0) return;
  ColorInputs in{};
  int mode = 0;
  if (!PrepareColor(fmt, color, &in, &mode)) return;
  const int unit = MemImgUnit(dest);
  uint8_t* row = dest->pixels + static_cast<ptrdiff_t>(r.top) * base->pitch + static_cast<ptrdiff_t>(r.left) * unit;
  const ptrdiff_t pitch = base->pitch;
  if (mode == 0) {
    // Plain fills store whole rows of the colour; rows that follow each other
    // without a gap are filled as one, which saves a loop exit a row.
#if SOFTRENDER_SIMD
    const __m128i pattern =
        fmt == 32 ? _mm_set1_epi32(static_cast<int>(in.color)) : _mm_set1_epi16(static_cast<int16_t>(in.color));
    const size_t rowBytes = static_cast<size_t>(w) * static_cast<size_t>(unit);
    const FillRowFn fill = FillRow();
    if (static_cast<ptrdiff_t>(rowBytes) == pitch) {
      fill(row, rowBytes * static_cast<size_t>(h), pattern, unit);
      return;
    }
    for (int y = 0; y < h; ++y, row += pitch) fill(row, rowBytes, pattern, unit);
#else
    for (int y = 0; y < h; ++y, row += pitch) {
      if (fmt == 32) {
        for (int x = 0; x < w; ++x) Store32(row + 4 * x, in.color);
      } else {
        for (int x = 0; x < w; ++x) Store16(row + 2 * x, in.color);
      }
    }
#endif
    return;
  }
#if SOFTRENDER_SIMD
  if (fmt == 32 && mode == 1) {
    const ColorLerpRowFn blendRow = ColorLerpRow();
    for (int y = 0; y < h; ++y, row += pitch) {
      int x = blendRow(row, w, in.color, in.p);
      for (; x < w; ++x) ColorOp<32, 1>::Apply(in, row + ptrdiff_t{4} * x);
    }
    return;
  }
#endif
  WithColorOp(fmt, mode, [&](auto op) {
    using Op = decltype(op);
    for (int y = 0; y < h; ++y, row += pitch) {
      uint8_t* d = row;
      for (int x = 0; x < w; ++x, d += Op::kUnit) Op::Apply(in, d);
    }
  });
}

void MemImgDrawLine(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t color) {
  if (!MemImgIsValid(dest)) return;
  const MemImgBase* base = dest->base;
  if (base->paletteFlag == 1) return;  // one byte per pixel: no colour to blend into
  const Rect area = MemImgDrawableArea(dest);
  const int L = area.left, T = area.top, R = area.right, B = area.bottom;
  if (R <= L || B <= T) return;
  if ((y1 < y2 ? y1 : y2) >= B || (x1 < x2 ? x1 : x2) >= R || (y1 > y2 ? y1 : y2) < T || (x1 > x2 ? x1 : x2) < L)
    return;

  // Differences taken in double: end points far apart must not overflow an int.
  const double ddx = static_cast<double>(x2) - static_cast<double>(x1);
  const double ddy = static_cast<double>(y2) - static_cast<double>(y1);
  const double kx = y1 == y2 ? 0.0 : ddx / ddy;
  const double ky = x1 == x2 ? 0.0 : ddy / ddx;
  const double bx = x1 - kx * y1;
  const double by = y1 - ky * x1;
  auto X = [&](int v) { return DoubleToIntTrunc(bx + kx * v); };
  auto Y = [&](int v) { return DoubleToIntTrunc(by + ky * v); };

  if (x1 < L) {
    x1 = L;
    y1 = Y(L);
  } else if (x1 >= R) {
    x1 = R - 1;
    y1 = Y(R - 1);
  }
  if (x2 < L) {
    x2 = L - 1;
    y2 = Y(L - 1);
  } else if (x2 >= R) {
    x2 = R;
    y2 = Y(R);
  }
  if (y1 < T) {
    y1 = T;
    x1 = X(T);
  } else if (y1 >= B) {
    y1 = B - 1;
    x1 = X(B - 1);
  }
  if (y2 < T) {
    y2 = T - 1;
    x2 = X(T - 1);
  } else if (y2 >= B) {
    y2 = B;
    x2 = X(B);
  }
  auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  x1 = clamp(x1, L, R - 1);
  y1 = clamp(y1, T, B - 1);
  x2 = clamp(x2, L - 1, R);
  y2 = clamp(y2, T - 1, B);

  const int dx = x2 - x1;
  const int dy = y2 - y1;
  if (dx == 0 && dy == 0) return;
  const int fmt = PathFormat(dest);
  if (fmt == 0) return;
  ColorInputs in{};
  int mode = 0;
  if (!PrepareColor(fmt, color, &in, &mode)) return;

  const int unit = MemImgUnit(dest);
  const ptrdiff_t stepX = dx >= 0 ? unit : -unit;
  const ptrdiff_t stepY = dy >= 0 ? base->pitch : -static_cast<ptrdiff_t>(base->pitch);
  const int adx = std::abs(dx);
  const int ady = std::abs(dy);
  uint8_t* p = dest->pixels + static_cast<ptrdiff_t>(y1) * base->pitch + static_cast<ptrdiff_t>(x1) * unit;
  WithColorOp(fmt, mode, [&](auto op) {
    using Op = decltype(op);
    int e = 0;
    if (adx >= ady) {
      for (int i = 0; i < adx; ++i) {
        Op::Apply(in, p);
        p += stepX;
        e += ady;
        if (e >= adx) {
          p += stepY;
          e -= adx;
        }
      }
    } else {
      for (int i = 0; i < ady; ++i) {
        Op::Apply(in, p);
        p += stepY;
        e += adx;
        if (e >= ady) {
          p += stepX;
          e -= ady;
        }
      }
    }
  });
}

void MemImgDrawLineList(MEMIMG* dest, const MemImgLineRecord* lines, int count) {
  if (lines == nullptr) return;
  for (int i = 0; i < count; ++i)
    MemImgDrawLine(dest, lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2, static_cast<uint32_t>(lines[i].color));
}
