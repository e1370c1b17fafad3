// Random single-pixel draws checked against a direct 64-bit evaluation of
// the kernel formulas (no tables, no packed tricks except where the result
// is defined by them).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/MemImgDraw.h"
#include "media/softrender/PackedOps.h"
#include "support/ImageFixtures.h"

using namespace fixtures;

namespace {

int64_t Fl(int64_t num, int64_t den) {  // floor division
  int64_t q = num / den;
  if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
  return q;
}
int64_t Tr(int64_t num, int64_t den) { return num / den; }  // toward zero
int Sc(int a, int x) { return a * x / 255; }

struct Draw {
  int fmt;   // 32 or 16
  int kind;  // 0 plain, 1 palette, 2 alpha
  int mode, p;
  int tint[3];   // blue, green, red
  int coverage;  // -1 none
  int trans;
  bool stretched;
  uint32_t src;  // colour word (32: alpha in the top byte for alpha sources; 16: 565)
  int alpha;     // 16-bit alpha sources
  uint32_t dst;
};

const int kModes[] = {0, 1, 2, 3, 4, 10, 11};

uint32_t Reference32(const Draw& d) {
  int mode = d.mode;
  if (mode == 1 && d.p == 255) mode = 0;
  if ((mode == 1 || mode == 2 || mode == 3) && d.p == 0) return d.dst;
  const bool white = d.tint[0] == 255 && d.tint[1] == 255 && d.tint[2] == 255;
  const bool blend = d.coverage >= 0;
  const int k = blend ? d.coverage : 0;
  const uint32_t S = d.src;
  const int a = static_cast<int>(S >> 24);
  bool hasA = false;
  if (d.kind == 2) {
    if (d.trans) {
      if (a == 0) return d.dst;
      hasA = a != 255;
    } else {
      if (!d.stretched && mode == 0 && !blend && white) return S;
      hasA = true;
    }
  }
  if (!d.stretched && d.kind != 2 && !blend && white) {
    if (mode == 1 && d.p == 128) return ((S >> 1) & 0x7F7F7F) + ((d.dst >> 1) & 0x7F7F7F);
  }
  const bool usesP = mode == 1 || mode == 2 || mode == 3 || mode == 10 || mode == 11;
  const int n = blend + hasA + usesP;
  int64_t W = 1;
  if (blend) W *= k;
  if (hasA) W *= a;
  if (usesP) W *= d.p;
  const int64_t den = int64_t{1} << (8 * n);
  if (mode == 0 && n == 0) {
    if (white) return S;
    uint32_t out = d.dst & 0xFF000000u;
    for (int c = 0; c < 3; ++c) out |= static_cast<uint32_t>(Sc(d.tint[c], (S >> (8 * c)) & 255)) << (8 * c);
    return out;
  }
  if (mode == 2 || mode == 3) {
    uint32_t amount = 0;
    for (int c = 0; c < 3; ++c) {
      int sp = Sc(d.tint[c], (S >> (8 * c)) & 255);
      int64_t t = n == 1 ? Sc(d.p, sp) : Fl(sp * W, den);
      amount |= static_cast<uint32_t>(t) << (8 * c);
    }
    return mode == 2 ? MemImgPackedAdd(d.dst, amount, 1) : MemImgPackedSubtract(d.dst, amount);
  }
  uint32_t out = d.dst & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const int s = (S >> (8 * c)) & 255;
    const int dd = (d.dst >> (8 * c)) & 255;
    const int sp = Sc(d.tint[c], s);
    int64_t v;
    if (mode == 4) v = Fl(int64_t{dd} * sp * W, den * 256);
    else if (mode == 10) v = dd + Fl((Sc(d.tint[c], 255 - s) - dd) * W, den);
    else if (mode == 11) v = dd + Fl((Fl(int64_t{sp} * dd, 256) - dd) * W, den);
    else v = dd + Fl((sp - dd) * W, den);
    out |= static_cast<uint32_t>(v) << (8 * c);
  }
  return out;
}

uint32_t Reference16(const Draw& d) {
  int mode = d.mode;
  if (mode == 1 && d.p == 255) mode = 0;
  if ((mode == 1 || mode == 2 || mode == 3) && d.p == 0) return d.dst;
  const bool white = d.tint[0] == 255 && d.tint[1] == 255 && d.tint[2] == 255;
  const bool blend = d.coverage >= 0;
  const int k = blend ? d.coverage : 0;
  const uint32_t S = d.src;
  const int a = d.alpha;
  bool hasA = false;
  if (d.kind == 2) {
    if (d.trans) {
      if (a == 0) return d.dst;
      hasA = a != 255;
    } else {
      if (!d.stretched && mode == 0 && !blend && white) return S;
      hasA = true;
    }
  }
  const int pos[3] = {0, 5, 11}, width[3] = {5, 6, 5};
  if (!d.stretched && d.kind != 2 && !blend && white) {
    if (mode == 1 && d.p == 128) return ((S >> 1) & 0x7BEF) + ((d.dst >> 1) & 0x7BEF);
    if (mode == 1) {
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const int a6 = d.p / 4;
        const int s = (S >> pos[c]) & ((1 << width[c]) - 1), dd = (d.dst >> pos[c]) & ((1 << width[c]) - 1);
        out |= static_cast<uint32_t>((s * a6 + dd * (63 - a6)) / 63) << pos[c];
      }
      return out;
    }
    if (mode == 2 && d.p == 255) return MemImgPackedAdd16(d.dst, S, 0);
  }
  const bool usesP = mode == 1 || mode == 2 || mode == 3 || mode == 10 || mode == 11;
  const int n = blend + hasA + usesP;
  const bool pAlone = usesP && n == 1;
  int64_t W = 1;
  if (blend) W *= k;
  if (hasA) W *= a;
  if (usesP) W *= d.p;
  const int64_t den = int64_t{1} << (8 * n);
  if (mode == 0 && n == 0) {
    if (white) return S;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c)
      out |= static_cast<uint32_t>(Sc(d.tint[c], (S >> pos[c]) & ((1 << width[c]) - 1))) << pos[c];
    return out;
  }
  uint32_t amount = 0, out = 0;
  for (int c = 0; c < 3; ++c) {
    const int M = (1 << width[c]) - 1;
    const int s = (S >> pos[c]) & M, dd = (d.dst >> pos[c]) & M;
    const int sp = Sc(d.tint[c], s);
    if (mode == 2 || mode == 3) {
      int64_t t;
      if (pAlone) t = Sc(d.p, sp);
      else if (blend && !hasA) t = Sc(d.p, static_cast<int>(Fl(int64_t{sp} * k, 256)));
      else if (hasA && !blend) t = Sc(d.p, Sc(d.tint[c], static_cast<int>(Fl(int64_t{s} * a, 256))));
      else t = Sc(d.p, static_cast<int>(Fl(int64_t{sp} * a * k, 65536)));
      amount |= static_cast<uint32_t>(t) << pos[c];
      continue;
    }
    int64_t v;
    if (mode == 4) {
      v = Fl(int64_t{dd} * sp * W, den << width[c]);
    } else {
      int64_t target =
          mode == 10 ? Sc(d.tint[c], M - s) : (mode == 11 ? Fl(int64_t{sp} * dd, int64_t{1} << width[c]) : sp);
      if (pAlone && mode != 0) v = dd + Tr(d.p * (target - dd), 255);
      else if (mode == 11 && hasA && !blend && white && c == 1)
        v = dd + Fl((Fl(int64_t{s} * dd, 2) - 32 * dd) * a * d.p, int64_t{1} << 21);
      else v = dd + Fl((target - dd) * W, den);
    }
    out |= static_cast<uint32_t>(v) << pos[c];
  }
  if (mode == 2) return MemImgPackedAdd16(d.dst, amount, 1);
  if (mode == 3) return MemImgPackedSubtract16(d.dst, amount);
  return out;
}

uint32_t Run(const Draw& d) {
  ResetSoftDrawState();
  SetBlend(d.mode, d.p);
  SetTint(d.tint[0], d.tint[1], d.tint[2]);
  const int format = d.fmt == 32 ? kMemImgRgb32 : kMemImgRgb565;
  TestImage dst(1, 1, format);
  TestImage src(1, 1, format, d.kind == 1, d.kind == 2, 0x7FFF0000u);
  TestImage blend(1, 1, kMemImgChannel8);
  if (d.fmt == 32) dst.Set32(0, 0, d.dst);
  else dst.Set16(0, 0, d.dst);
  if (d.kind == 1) {
    src.SetIndex(0, 0, 9);
    if (d.fmt == 32) src.SetPalette32(9, d.src);
    else src.SetPalette16(9, static_cast<uint16_t>(d.src));
  } else if (d.kind == 2 && d.fmt == 16) {
    src.Set16Alpha(0, 0, d.src, d.alpha);
  } else if (d.fmt == 32) {
    src.Set32(0, 0, d.src);
  } else {
    src.Set16(0, 0, d.src);
  }
  // Coverage k straight from the blend byte: the border table maps i to i here.
  MemImgBorderTableBuild(128, 255);
  gBlendBorder[0] = 0;
  gBlendBorder[255] = 255;
  blend.Fill8(static_cast<uint8_t>(d.coverage < 0 ? 0 : d.coverage));
  const MEMIMG* b = d.coverage < 0 ? nullptr : blend.get();
  if (d.stretched) {
    int rect[4] = {1, 0, 0, 1};
    MemImgDrawStretched(dst.get(), src.get(), rect, d.trans, b);
  } else {
    MemImgDrawPlain(dst.get(), src.get(), 0, 0, d.trans, b);
  }
  return d.fmt == 32 ? dst.Get32(0, 0) : dst.Get16(0, 0);
}

Draw RandomDraw(std::mt19937& rng, int fmt, bool stretched) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto level = [&]() {
    int r = pick(0, 9);
    return r == 0 ? 0 : (r == 1 ? 255 : (r == 2 ? 128 : pick(0, 255)));
  };
  Draw d{};
  d.fmt = fmt;
  d.kind = pick(0, 2);
  d.mode = kModes[pick(0, 6)];
  d.p = level();
  const bool white = pick(0, 1) == 0;
  for (int c = 0; c < 3; ++c) d.tint[c] = white ? 255 : level();
  d.coverage = pick(0, 1) ? -1 : level();
  d.trans = pick(0, 1);
  d.stretched = stretched;
  if (fmt == 32) {
    d.src = static_cast<uint32_t>(rng());
    d.dst = static_cast<uint32_t>(rng());
    if (d.kind == 2) d.src = (d.src & 0xFFFFFF) | (static_cast<uint32_t>(level()) << 24);
  } else {
    d.src = rng() & 0xFFFF;
    d.dst = rng() & 0xFFFF;
    d.alpha = level();
  }
  // Keep the special four-byte forms out of the 32-bit comparison.
  if (fmt == 32 && (d.mode == 2 || d.mode == 3) && d.p == 255 && d.kind != 2 && d.coverage < 0 && white) d.p = 254;
  // The 16-bit plain subtract at 255 runs the same formula as the general one.
  return d;
}

void Compare(int fmt, bool stretched, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < 4000; ++i) {
    const Draw d = RandomDraw(rng, fmt, stretched);
    const uint32_t expected = fmt == 32 ? Reference32(d) : Reference16(d);
    ASSERT_EQ(Run(d), expected) << "fmt " << fmt << " stretched " << stretched << " kind " << d.kind << " mode "
                                << d.mode << " p " << d.p << " tint " << d.tint[0] << "," << d.tint[1] << ","
                                << d.tint[2] << " k " << d.coverage << " trans " << d.trans << std::hex << " src "
                                << d.src << " a " << std::dec << d.alpha << std::hex << " dst " << d.dst;
  }
}

TEST(Differential, Plain32) { Compare(32, false, 1); }
TEST(Differential, Stretched32) { Compare(32, true, 2); }
TEST(Differential, Plain16) { Compare(16, false, 3); }
TEST(Differential, Stretched16) { Compare(16, true, 4); }

}  // namespace
