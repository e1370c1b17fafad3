#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "media/softrender/DrawDispatch.h"
#include "media/softrender/MemImgDraw.h"
#include "media/softrender/PixelSimd.h"

using namespace softrender;

int gMemImgUseMmxForms = 1;
uint32_t gPlainDrawPalette[256];

namespace {

struct Walk {
  uint8_t* dst;
  const uint8_t* src;
  const uint8_t* blend;
  ptrdiff_t dstPitch, srcPitch, blendPitch;
  int w, h;
  const uint8_t* runs;  // run table (run walk only)
};

// Blocks are copied in pieces no larger than this. The C library copies
// blocks up to about the size of the second-level cache with the processor's
// string copy, which need not read the destination lines first, and larger
// ones with a vector loop, which does and is about a tenth slower over a
// whole screen.
constexpr size_t kCopyPieceBytes = size_t{256} * 1024;

// Rows that follow each other without a gap, in both images, are one block;
// when the blocks do not overlap, copying it whole is the same as copying it
// row by row, and leaves out a call and a loop exit a row.
bool CopyAsBlock(const Walk& walk, size_t rowBytes) {
  if (walk.dstPitch != static_cast<ptrdiff_t>(rowBytes) || walk.srcPitch != static_cast<ptrdiff_t>(rowBytes))
    return false;
  const size_t bytes = rowBytes * static_cast<size_t>(walk.h);
  const auto d = reinterpret_cast<uintptr_t>(walk.dst);
  const auto s = reinterpret_cast<uintptr_t>(walk.src);
  if (d < s + bytes && s < d + bytes) return false;
  for (size_t at = 0; at < bytes; at += kCopyPieceBytes)
    std::memcpy(walk.dst + at, walk.src + at, std::min(kCopyPieceBytes, bytes - at));
  return true;
}

template <class Op>
void PerPixelWalk(const DrawInputs& in, const Walk& walk) {
  if constexpr (Op::kRowCopy) {
    if (CopyAsBlock(walk, static_cast<size_t>(walk.w) * Op::kDstUnit)) return;
  }
  uint8_t* dRow = walk.dst;
  const uint8_t* sRow = walk.src;
  const uint8_t* bRow = walk.blend;
#if SOFTRENDER_SIMD
  [[maybe_unused]] AlphaOverRowFn overRow = nullptr;
  if constexpr (Op::kAlphaOver4) overRow = AlphaOverRow();
#endif
  for (int y = 0; y < walk.h; ++y) {
    uint8_t* d = dRow;
    const uint8_t* s = sRow;
    const uint8_t* b = bRow;
    int x = 0;
    if constexpr (Op::kRowCopy) {
      std::memmove(d, s, static_cast<size_t>(walk.w) * Op::kDstUnit);
      x = walk.w;
    }
#if SOFTRENDER_SIMD
    if constexpr (Op::kAlphaOver4) {
      x = overRow(d, s, walk.w);
      d += static_cast<ptrdiff_t>(x) * 4;
      s += static_cast<ptrdiff_t>(x) * 4;
    }
#endif
    for (; x < walk.w; ++x) {
      Op::Apply(in, d, s, b);
      d += Op::kDstUnit;
      s += Op::kSrcUnit;
      if constexpr (Op::kBlend) ++b;
    }
    dRow += walk.dstPitch;
    sRow += walk.srcPitch;
    if constexpr (Op::kBlend) bRow += walk.blendPitch;
  }
}

template <class Op>
void RunTableWalk(const DrawInputs& in, const Walk& walk) {
  uint8_t* dRow = walk.dst;
  const uint8_t* sRow = walk.src;
  const uint8_t* bRow = walk.blend;
  const uint8_t* code = walk.runs;
  for (int y = 0; y < walk.h; ++y) {
    uint8_t* d = dRow;
    const uint8_t* s = sRow;
    const uint8_t* b = bRow;
    for (;;) {
      const uint8_t c = *code++;
      const int kind = c >> 6;
      if (kind == 3) break;
      const int run = (c & 0x3F) + 1;
      if (kind == 1) {
        for (int i = 0; i < run; ++i) Op::template Apply<1>(in, d + i * Op::kDstUnit, s + i * Op::kSrcUnit, b + i);
      } else if (kind == 2) {
        for (int i = 0; i < run; ++i) Op::template Apply<2>(in, d + i * Op::kDstUnit, s + i * Op::kSrcUnit, b + i);
      }
      d += run * Op::kDstUnit;
      s += run * Op::kSrcUnit;
      b += run;
    }
    dRow += walk.dstPitch;
    sRow += walk.srcPitch;
    bRow += walk.blendPitch;
  }
}

// Two 16-bit pixels at a time as one word, the first in the low half.
inline uint32_t PairAdd(uint32_t s2, uint32_t d2) {
  const uint64_t wide = static_cast<uint64_t>(s2 & 0xF7DEF7DFu) + (d2 & 0xF7DEF7DFu);
  const uint32_t sum = static_cast<uint32_t>(wide);
  const uint32_t cy = static_cast<uint32_t>(wide >> 32);
  const uint32_t carries = sum & 0x8210820u;
  return (carries - ((carries >> 5) | (cy << 27))) | sum;
}
inline uint32_t PairSubtract(uint32_t s2, uint32_t d2) {
  const uint32_t a = d2 | 0x8210820u;
  const uint32_t b = s2 & 0xF7DEF7DFu;
  const uint32_t diff = a - b;
  const uint32_t borrow = a < b ? 1u : 0u;
  const uint32_t guards = diff & 0x8210820u;
  return diff & ((guards - (guards >> 5)) | (borrow == 0 ? 0xF8000000u : 0u));
}

// The 16-bit add and subtract at p = 255 of the plain draw, in pixel pairs.
template <Kind K, bool Trans, bool Add>
void PairWalk16(const DrawInputs& in, const Walk& walk) {
  using One = PixelOp<16, K, Add ? 2 : 3, false, true, Trans, true, Add ? kAddWord : kSubWord>;
  constexpr int kSrcUnit = One::kSrcUnit;
  uint8_t* dRow = walk.dst;
  const uint8_t* sRow = walk.src;
  for (int y = 0; y < walk.h; ++y) {
    uint8_t* d = dRow;
    const uint8_t* s = sRow;
    int x = 0;
    for (; x + 1 < walk.w; x += 2, d += 4, s += ptrdiff_t{2} * kSrcUnit) {
      uint32_t s0, s1;
      bool t0 = false, t1 = false;
      if constexpr (K == Kind::Palette) {
        t0 = Trans && s[0] == in.transparent;
        t1 = Trans && s[1] == in.transparent;
        s0 = in.fastPal[s[0]];
        s1 = in.fastPal[s[1]];
      } else {
        s0 = Load16(s);
        s1 = Load16(s + 2);
        t0 = Trans && s0 == in.transparent;
        t1 = Trans && s1 == in.transparent;
      }
      if (t0 && t1) continue;
      if (t0 || t1) {
        One::Apply(in, d, s, nullptr);
        One::Apply(in, d + 2, s + kSrcUnit, nullptr);
        continue;
      }
      const uint32_t s2 = s0 | (s1 << 16);
      const uint32_t d2 = Load32(d);
      Store32(d, Add ? PairAdd(s2, d2) : PairSubtract(s2, d2));
    }
    if (x < walk.w) One::Apply(in, d, s, nullptr);
    dRow += walk.dstPitch;
    sRow += walk.srcPitch;
  }
}

template <int Fmt>
void DispatchPlain(const DrawInputs& in, const Walk& walk, Kind kind, int mode, bool blend, bool white,
                   bool transparent, bool runWalk) {
  const int p = in.p;
  // The run-table walk implies transparency on, and has no special cases.
  SelectDrawChoices(kind, mode, blend, white, transparent || runWalk, [&](auto k, auto m, auto b, auto wh, auto t) {
    constexpr Kind K = decltype(k)::value;
    constexpr int M = decltype(m)::value;
    constexpr bool B = decltype(b)::value;
    constexpr bool Wh = decltype(wh)::value;
    constexpr bool T = decltype(t)::value;
    if constexpr (T) {
      if (runWalk) return RunTableWalk<PixelOp<Fmt, K, M, B, Wh, true, true, kGeneral>>(in, walk);
    }
    if constexpr (K != Kind::Alpha && !B && Wh) {
      if constexpr (Fmt == 32) {
        const bool mmx = gMemImgUseMmxForms != 0;
        if (M == 1 && p == 128) return PerPixelWalk<PixelOp<32, K, M, false, true, T, true, kHalf>>(in, walk);
        if (M == 2 && p == 255)
          return mmx ? PerPixelWalk<PixelOp<32, K, M, false, true, T, true, kAddSat>>(in, walk)
                     : PerPixelWalk<PixelOp<32, K, M, false, true, T, true, kAddWord>>(in, walk);
        if (M == 3 && p == 255)
          return mmx ? PerPixelWalk<PixelOp<32, K, M, false, true, T, true, kSubSat>>(in, walk)
                     : PerPixelWalk<PixelOp<32, K, M, false, true, T, true, kSubWord>>(in, walk);
      } else {
        if (M == 1 && p == 128) return PerPixelWalk<PixelOp<16, K, M, false, true, T, true, kHalf>>(in, walk);
        if (M == 1) return PerPixelWalk<PixelOp<16, K, M, false, true, T, true, kLerp6>>(in, walk);
        if (M == 2 && p == 255) return PairWalk16<K, T, true>(in, walk);
        if (M == 3 && p == 255) return PairWalk16<K, T, false>(in, walk);
      }
    }
    PerPixelWalk<PixelOp<Fmt, K, M, B, Wh, T, true, kGeneral>>(in, walk);
  });
}

}  // namespace

void MemImgDrawPlain(MEMIMG* dest, const MEMIMG* source, int x, int y, int transparent, const MEMIMG* blendImage) {
  if (!MemImgIsValid(dest) || !MemImgIsValid(source)) return;
  if (!BlitImagesUsable(dest, source, blendImage)) return;
  const MemImgBase* db = dest->base;
  const MemImgBase* sb = source->base;

  // Far edges saturate: a position near the end of the int range must not
  // overflow; such a draw is clipped away anyway.
  auto farEdge = [](int start, int extent) {
    const int64_t edge = static_cast<int64_t>(start) + extent;
    return edge > INT32_MAX ? INT32_MAX : static_cast<int>(edge);
  };
  Rect r{x, y, farEdge(x, source->width), farEdge(y, source->height)};
  const Rect area = MemImgDrawableArea(dest);
  ClipRectangle(&r, &area);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;

  const int mode = EffectiveMode(gDrawState.blendMode, gDrawState.blendParameter);
  if (mode < 0) return;
  const int p = gDrawState.blendParameter & 0xFF;

  const int sx = r.left - x;
  const int sy = r.top - y;
  const int su = MemImgUnit(source);
  const int du = MemImgUnit(dest);
  Walk walk{};
  walk.src = source->pixels + static_cast<ptrdiff_t>(sy) * sb->pitch + static_cast<ptrdiff_t>(sx) * su;
  walk.srcPitch = sb->pitch;
  walk.dst = dest->pixels + static_cast<ptrdiff_t>(r.top) * db->pitch + static_cast<ptrdiff_t>(r.left) * du;
  walk.dstPitch = db->pitch;
  if (blendImage != nullptr) {
    walk.blend = blendImage->pixels + static_cast<ptrdiff_t>(sy) * blendImage->base->pitch + sx;
    walk.blendPitch = blendImage->base->pitch;
  }
  walk.w = w;
  walk.h = h;
  const bool runWalk = transparent == 1 && sb->runTableValid == 1 && sb->runTable != nullptr && w == source->width &&
                       h == source->height && source->width == sb->width && source->height == sb->height;
  walk.runs = sb->runTable;

  const Kind kind = SourceKind(sb);
  if (kind == Kind::Palette) CopyPalette(sb, gPlainDrawPalette);
  DrawInputs in;
  PrepareInputs(&in, sb, p, gPlainDrawPalette);

  const bool blend = blendImage != nullptr;
  const bool white = TintIsWhite(gDrawState.tint);
  if (sb->pixelFormat == kMemImgRgb32) DispatchPlain<32>(in, walk, kind, mode, blend, white, transparent != 0, runWalk);
  else DispatchPlain<16>(in, walk, kind, mode, blend, white, transparent != 0, runWalk);
}
