#include <cstddef>
#include <cstring>
#include <vector>

#include "media/softrender/DrawDispatch.h"
#include "media/softrender/MemImgDraw.h"

using namespace softrender;

uint32_t gStretchDrawPalette[256];

namespace {

struct StretchWalk {
  uint8_t* dst;
  ptrdiff_t dstPitch;
  int w, h;
  const uint8_t* src;  // source pixels (view origin)
  ptrdiff_t srcPitch;
  const uint8_t* blend;  // blend image pixels (origin), or null
  ptrdiff_t blendPitch;
  const int* columns;  // source column of each destination column
  const int* rows;     // source row of each destination row
};

// Source columns of consecutive destination pixels repeat; a source pixel
// is fetched and tested once for the run of destination pixels it covers.
template <class Op>
void Walk(const DrawInputs& in, const StretchWalk& walk) {
  uint8_t* dRow = walk.dst;
  for (int j = 0; j < walk.h; ++j, dRow += walk.dstPitch) {
    const int row = walk.rows[j];
    if constexpr (Op::kRowCopy) {
      // A copy depends on the source alone: a repeated source row repeats
      // the destination row above it.
      if (j > 0 && walk.rows[j - 1] == row) {
        std::memcpy(dRow, dRow - walk.dstPitch, static_cast<size_t>(walk.w) * Op::kDstUnit);
        continue;
      }
    }
    const uint8_t* sRow = walk.src + static_cast<ptrdiff_t>(row) * walk.srcPitch;
    const uint8_t* bRow = Op::kBlend ? walk.blend + static_cast<ptrdiff_t>(row) * walk.blendPitch : nullptr;
    uint8_t* d = dRow;
    for (int i = 0; i < walk.w; ++i, d += Op::kDstUnit) {
      const int col = walk.columns[i];
      Op::Apply(in, d, sRow + static_cast<ptrdiff_t>(col) * Op::kSrcUnit, Op::kBlend ? bRow + col : nullptr);
    }
  }
}

template <int Fmt>
void DispatchStretch(const DrawInputs& in, const StretchWalk& walk, Kind kind, int mode, bool blend, bool white,
                     bool transparent) {
  const int p = in.p;
  SelectDrawChoices(kind, mode, blend, white, transparent, [&](auto k, auto m, auto b, auto wh, auto t) {
    constexpr Kind K = decltype(k)::value;
    constexpr int M = decltype(m)::value;
    constexpr bool B = decltype(b)::value;
    constexpr bool Wh = decltype(wh)::value;
    constexpr bool T = decltype(t)::value;
    // Only the 32-bit subtract at 255 has a special form here; the 16-bit
    // one gives the general result.
    if constexpr (Fmt == 32 && M == 3 && K != Kind::Alpha && !B && Wh) {
      if (p == 255) {
        if (gMemImgUseMmxForms) return Walk<PixelOp<32, K, 3, false, true, T, false, kSubSat>>(in, walk);
        return Walk<PixelOp<32, K, 3, false, true, T, false, kSubWord>>(in, walk);
      }
    }
    Walk<PixelOp<Fmt, K, M, B, Wh, T, false, kGeneral>>(in, walk);
  });
}

// Source index of each drawn destination index along one axis:
// floor((skip + i) * 65536 / ratio), counted from the far edge when mirrored.
void AxisTable(std::vector<int>& out, int count, int64_t skip, uint64_t ratio, int sourceSize, bool mirrored) {
  out.resize(static_cast<size_t>(count));
  // Stepping the quotient and remainder gives the divisions' results.
  const uint64_t start = static_cast<uint64_t>(skip) * 65536u;
  uint64_t q = start / ratio;
  uint64_t r = start % ratio;
  for (int i = 0; i < count; ++i) {
    const int index = q >= static_cast<uint64_t>(sourceSize) ? sourceSize - 1 : static_cast<int>(q);
    out[static_cast<size_t>(i)] = mirrored ? sourceSize - 1 - index : index;
    r += 65536u;
    while (r >= ratio) {
      r -= ratio;
      ++q;
    }
  }
}

}  // namespace

void MemImgDrawStretched(MEMIMG* dest, const MEMIMG* source, const int* rect, int transparent,
                         const MEMIMG* blendImage) {
  if (!MemImgIsValid(dest) || !MemImgIsValid(source) || rect == nullptr) return;
  const int x1 = rect[0], y1 = rect[1], x2 = rect[2], y2 = rect[3];
  const int64_t left = x1 < x2 ? x1 : x2;
  const int64_t right = x1 < x2 ? x2 : x1;
  const int64_t top = y1 < y2 ? y1 : y2;
  const int64_t bottom = y1 < y2 ? y2 : y1;
  const bool mirrorX = x1 > x2;
  const bool mirrorY = y1 > y2;
  const int64_t W = right - left;
  const int64_t H = bottom - top;
  if (W == 0 || H == 0) return;
  if (!BlitImagesUsable(dest, source, blendImage)) return;
  if (W == source->width && H == source->height && !mirrorX && !mirrorY) {
    MemImgDrawPlain(dest, source, static_cast<int>(left), static_cast<int>(top), transparent, blendImage);
    return;
  }
  const MemImgBase* db = dest->base;
  const MemImgBase* sb = source->base;

  const uint64_t rx = static_cast<uint64_t>(W) * 65536u / static_cast<uint64_t>(source->width);
  const uint64_t ry = static_cast<uint64_t>(H) * 65536u / static_cast<uint64_t>(source->height);
  if (rx == 0 || ry == 0) return;

  const Rect area = MemImgDrawableArea(dest);
  const int64_t l = left < area.left ? area.left : (left > area.right ? area.right : left);
  const int64_t rr = right < area.left ? area.left : (right > area.right ? area.right : right);
  const int64_t t = top < area.top ? area.top : (top > area.bottom ? area.bottom : top);
  const int64_t bb = bottom < area.top ? area.top : (bottom > area.bottom ? area.bottom : bottom);
  const int w = static_cast<int>(rr - l);
  const int h = static_cast<int>(bb - t);
  if (w <= 0 || h <= 0) return;

  const Kind kind = SourceKind(sb);
  if (kind == Kind::Palette) CopyPalette(sb, gStretchDrawPalette);

  const int mode = EffectiveMode(gDrawState.blendMode, gDrawState.blendParameter);
  if (mode < 0) return;
  const int p = gDrawState.blendParameter & 0xFF;

  static std::vector<int> columns;
  static std::vector<int> rows;
  AxisTable(columns, w, l - left, rx, source->width, mirrorX);
  AxisTable(rows, h, t - top, ry, source->height, mirrorY);

  StretchWalk walk{};
  walk.dst = dest->pixels + static_cast<ptrdiff_t>(t) * db->pitch + static_cast<ptrdiff_t>(l) * MemImgUnit(dest);
  walk.dstPitch = db->pitch;
  walk.w = w;
  walk.h = h;
  walk.src = source->pixels;
  walk.srcPitch = sb->pitch;
  if (blendImage != nullptr) {
    walk.blend = blendImage->pixels;
    walk.blendPitch = blendImage->base->pitch;
  }
  walk.columns = columns.data();
  walk.rows = rows.data();

  DrawInputs in;
  PrepareInputs(&in, sb, p, gStretchDrawPalette);
  const bool blend = blendImage != nullptr;
  const bool white = TintIsWhite(gDrawState.tint);
  if (sb->pixelFormat == kMemImgRgb32) DispatchStretch<32>(in, walk, kind, mode, blend, white, transparent != 0);
  else DispatchStretch<16>(in, walk, kind, mode, blend, white, transparent != 0);
}
