#include <gtest/gtest.h>

#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/MemImgDraw.h"
#include "media/softrender/PackedOps.h"
#include "support/ImageFixtures.h"

using namespace fixtures;

namespace {

using enum OneSource;
constexpr int kNoBlend = -1;
constexpr uint32_t kWhite = 0xFFFFFF;

struct Case {
  const char* name;
  int mode, p;
  OneSource kind;
  int trans;
  uint32_t src;  // 565
  int alpha;     // alpha sources
  uint32_t dst;
  uint32_t tint;
  int coverage;
  uint32_t plain;
  uint32_t stretch;
};

class Kernels16 : public ::testing::TestWithParam<Case> {};

uint32_t DrawOne(const Case& c, bool stretched) {
  return DrawOnePixel({kMemImgRgb565, c.mode, c.p, c.kind, c.trans, c.src, c.alpha, c.dst, c.tint, c.coverage, 0x1234},
                      stretched);
}

TEST_P(Kernels16, PlainDraw) { EXPECT_EQ(DrawOne(GetParam(), false), GetParam().plain) << std::hex; }
TEST_P(Kernels16, StretchedDraw) { EXPECT_EQ(DrawOne(GetParam(), true), GetParam().stretch) << std::hex; }

constexpr uint32_t kFull = Rgb565(31, 63, 31);
constexpr uint32_t kTintBlue254 = 0xFFFFFE;

const Case kCases[] = {
    {"Half128Over", 1, 128, Plain, 0, kFull, 0, 0, kWhite, kNoBlend, Rgb565(15, 31, 15), Rgb565(15, 31, 15)},
    {"Half128Under", 1, 128, Plain, 0, 0, 0, kFull, kWhite, kNoBlend, Rgb565(15, 31, 15), Rgb565(16, 32, 16)},
    {"Half128Ones", 1, 128, Plain, 0, Rgb565(1, 1, 1), 0, Rgb565(1, 1, 1), kWhite, kNoBlend, 0, Rgb565(1, 1, 1)},
    {"Lerp127", 1, 127, Plain, 0, Rgb565(31, 0, 0), 0, 0, kWhite, kNoBlend, Rgb565(15, 0, 0), Rgb565(15, 0, 0)},
    {"Signed127Tinted", 1, 127, Plain, 0, Rgb565(31, 0, 0), 0, 0, kTintBlue254, kNoBlend, Rgb565(15, 0, 0),
     Rgb565(15, 0, 0)},
    {"Signed128TintedTruncates", 1, 128, Plain, 0, 0, 0, Rgb565(31, 0, 0), kTintBlue254, kNoBlend, Rgb565(16, 0, 0),
     Rgb565(16, 0, 0)},
    {"Alpha1BlackUnchanged", 1, 1, Plain, 0, 0, 0, kFull, kWhite, kNoBlend, kFull, kFull},
    {"Add255Single", 2, 255, Plain, 0, Rgb565(1, 1, 1), 0, Rgb565(1, 1, 1), kWhite, kNoBlend, Rgb565(0, 0, 2),
     Rgb565(1, 1, 2)},
    {"Sub255", 3, 255, Plain, 0, Rgb565(3, 3, 3), 0, Rgb565(10, 10, 10), kWhite, kNoBlend, Rgb565(9, 8, 7),
     Rgb565(9, 8, 7)},
    {"Sub255Zero", 3, 255, Plain, 0, 0, 0, Rgb565(10, 11, 10), kWhite, kNoBlend, Rgb565(11, 10, 10),
     Rgb565(11, 10, 10)},
    {"Multiply", 4, 0, Plain, 0, kFull, 0, kFull, kWhite, kNoBlend, Rgb565(30, 62, 30), Rgb565(30, 62, 30)},
    {"CoverageFull", 0, 0, Plain, 0, Rgb565(31, 0, 0), 0, 0, kWhite, 255, Rgb565(30, 0, 0), Rgb565(30, 0, 0)},
    {"Inverted", 10, 255, Plain, 0, 0, 0, 0, kWhite, kNoBlend, kFull, kFull},
    {"MultiplyBlend", 11, 255, Plain, 0, Rgb565(16, 0, 0), 0, Rgb565(31, 0, 0), kWhite, kNoBlend, Rgb565(15, 0, 0),
     Rgb565(15, 0, 0)},
    {"AlphaTrans", 0, 0, Alpha, 1, Rgb565(31, 0, 0), 128, 0, kWhite, kNoBlend, Rgb565(15, 0, 0), Rgb565(15, 0, 0)},
    {"AlphaNoTrans128", 0, 0, Alpha, 0, Rgb565(31, 0, 0), 128, 0, kWhite, kNoBlend, Rgb565(31, 0, 0), Rgb565(15, 0, 0)},
    {"AlphaNoTrans255", 0, 0, Alpha, 0, Rgb565(31, 0, 0), 255, 0, kWhite, kNoBlend, Rgb565(31, 0, 0), Rgb565(30, 0, 0)},
    {"AlphaTrans255", 0, 0, Alpha, 1, Rgb565(31, 0, 0), 255, 0, kWhite, kNoBlend, Rgb565(31, 0, 0), Rgb565(31, 0, 0)},
    {"AlphaZeroMultiplyTrans", 4, 0, Alpha, 1, kFull, 0, Rgb565(9, 9, 9), kWhite, kNoBlend, Rgb565(9, 9, 9),
     Rgb565(9, 9, 9)},
    {"AlphaZeroMultiply", 4, 0, Alpha, 0, kFull, 0, Rgb565(9, 9, 9), kWhite, kNoBlend, 0, 0},
    {"PaletteKey0xFFFF", 0, 0, Palette, 1, Rgb565(1, 2, 3), 0, 0, kWhite, kNoBlend, Rgb565(1, 2, 3), Rgb565(1, 2, 3)},
    {"PaletteAddZero", 2, 0, Palette, 1, Rgb565(1, 2, 3), 0, Rgb565(4, 4, 4), kWhite, kNoBlend, Rgb565(4, 4, 4),
     Rgb565(4, 4, 4)},
    {"PaletteAlphaZero", 1, 0, Palette, 0, Rgb565(1, 2, 3), 0, Rgb565(4, 4, 4), kWhite, kNoBlend, Rgb565(4, 4, 4),
     Rgb565(4, 4, 4)},
    {"PlainSubZero", 3, 0, Plain, 0, Rgb565(1, 2, 3), 0, Rgb565(4, 4, 4), kWhite, kNoBlend, Rgb565(4, 4, 4),
     Rgb565(4, 4, 4)},
};

INSTANTIATE_TEST_SUITE_P(Cases, Kernels16, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(PackedOps16, AddWithFixAndSubtract) {
  EXPECT_EQ(MemImgPackedAdd16(Rgb565(1, 1, 1), Rgb565(1, 1, 1), 1), Rgb565(1, 1, 2));
  EXPECT_EQ(MemImgPackedAdd16(Rgb565(31, 0, 31), Rgb565(1, 0, 1), 1), Rgb565(31, 1, 31));
  EXPECT_EQ(MemImgPackedSubtract16(Rgb565(10, 10, 10), Rgb565(3, 3, 3)), Rgb565(9, 8, 7));
  EXPECT_EQ(MemImgPackedSubtract16(Rgb565(10, 11, 10), 0), Rgb565(11, 10, 10));
  EXPECT_EQ(MemImgPackedSubtract16(Rgb565(10, 10, 10), Rgb565(20, 40, 20)), 0u);
}

// The pair forms of the plain draw: the second pixel of a pair takes the
// first pixel's red carry in its blue.
std::vector<uint32_t> DrawRow(int mode, std::vector<uint32_t> src, std::vector<uint32_t> dst, int trans = 0,
                              uint32_t key = 0x1234, bool stretched = false) {
  ResetSoftDrawState();
  SetBlend(mode, 255);
  const int n = static_cast<int>(src.size());
  TestImage s(n, 1, kMemImgRgb565, 0, 0, key);
  TestImage d(n, 1, kMemImgRgb565);
  for (int i = 0; i < n; ++i) {
    s.Set16(i, 0, src[static_cast<size_t>(i)]);
    d.Set16(i, 0, dst[static_cast<size_t>(i)]);
  }
  if (stretched) {
    // Mirrored stretch of a reversed copy: same mapping, stretched path.
    TestImage r(n, 1, kMemImgRgb565, 0, 0, key);
    for (int i = 0; i < n; ++i) r.Set16(n - 1 - i, 0, src[static_cast<size_t>(i)]);
    int rect[4] = {n, 0, 0, 1};
    MemImgDrawStretched(d.get(), r.get(), rect, trans, nullptr);
  } else {
    MemImgDrawPlain(d.get(), s.get(), 0, 0, trans, nullptr);
  }
  return Pixels(d.get());
}

TEST(PairForms16, AddCarriesIntoSecondPixel) {
  auto out = DrawRow(2, {Rgb565(1, 1, 1), Rgb565(1, 1, 1)}, {Rgb565(1, 1, 1), Rgb565(1, 1, 1)});
  EXPECT_EQ(out, (std::vector<uint32_t>{Rgb565(0, 0, 2), Rgb565(0, 0, 0)}));
}

TEST(PairForms16, SubtractPairsAndOddTail) {
  const uint32_t s = Rgb565(3, 3, 3), d = Rgb565(10, 10, 10);
  EXPECT_EQ(DrawRow(3, {s, s}, {d, d}), (std::vector<uint32_t>{Rgb565(9, 8, 7), Rgb565(9, 8, 9)}));
  EXPECT_EQ(DrawRow(3, {s, s, s}, {d, d, d}),
            (std::vector<uint32_t>{Rgb565(9, 8, 7), Rgb565(9, 8, 9), Rgb565(9, 8, 7)}));
  EXPECT_EQ(DrawRow(3, {s, s, s}, {d, d, d}, 0, 0x1234, true),
            (std::vector<uint32_t>{Rgb565(9, 8, 7), Rgb565(9, 8, 7), Rgb565(9, 8, 7)}));
}

TEST(PairForms16, PairWithOneKeyedPixelUsesSingleForms) {
  const uint32_t key = Rgb565(5, 5, 5);
  const uint32_t s = Rgb565(3, 3, 3), d = Rgb565(10, 10, 10);
  // Keyed first pixel: the second is computed alone (no carry quirk).
  EXPECT_EQ(DrawRow(3, {key, s}, {d, d}, 1, key), (std::vector<uint32_t>{d, Rgb565(9, 8, 7)}));
  EXPECT_EQ(DrawRow(3, {key, key}, {d, d}, 1, key), (std::vector<uint32_t>{d, d}));
}

}  // namespace
