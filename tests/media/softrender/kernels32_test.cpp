#include <gtest/gtest.h>

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
  uint32_t src;  // 32-bit word (alpha sources: fourth byte is alpha)
  uint32_t dst;
  uint32_t tint;  // 0x00RRGGBB
  int coverage;   // blend-image byte, or kNoBlend
  int mmx;
  uint32_t plain;    // expected after the plain draw
  uint32_t stretch;  // expected after the stretched draw
};

class Kernels32 : public ::testing::TestWithParam<Case> {};

// Draws one pixel with the plain draw, and with the stretched draw through a
// mirrored 1x1 rectangle (same size, so the stretched path proper).
uint32_t DrawOne(const Case& c, bool stretched) {
  gMemImgUseMmxForms = c.mmx;
  const uint32_t out = DrawOnePixel(
      {kMemImgRgb32, c.mode, c.p, c.kind, c.trans, c.src, 0, c.dst, c.tint, c.coverage, 0x00ABCDEF}, stretched);
  gMemImgUseMmxForms = 1;
  return out;
}

TEST_P(Kernels32, PlainDraw) { EXPECT_EQ(DrawOne(GetParam(), false), GetParam().plain) << std::hex; }
TEST_P(Kernels32, StretchedDraw) { EXPECT_EQ(DrawOne(GetParam(), true), GetParam().stretch) << std::hex; }

const Case kCases[] = {
    {"Half128", 1, 128, Plain, 0, Bgr(1, 3, 255), Bgr(1, 1, 1, 0x55), kWhite, kNoBlend, 1, Bgr(0, 1, 127, 0),
     Bgr(1, 2, 128, 0x55)},
    {"Alpha127", 1, 127, Plain, 0, Bgr(255, 255, 255), Bgr(0, 0, 0), kWhite, kNoBlend, 1, Bgr(126, 126, 126),
     Bgr(126, 126, 126)},
    {"Alpha1Up", 1, 1, Plain, 0, Bgr(255, 255, 255), Bgr(0, 0, 0), kWhite, kNoBlend, 1, Bgr(0, 0, 0), Bgr(0, 0, 0)},
    {"Alpha1Down", 1, 1, Plain, 0, Bgr(0, 0, 0), Bgr(255, 255, 255), kWhite, kNoBlend, 1, Bgr(254, 254, 254),
     Bgr(254, 254, 254)},
    {"CoverageFull", 0, 0, Plain, 0, Bgr(255, 255, 255), Bgr(0, 0, 0), kWhite, 255, 1, Bgr(254, 254, 254),
     Bgr(254, 254, 254)},
    {"AddCarryToGreen", 2, 254, Plain, 0, Bgr(255, 0, 0), Bgr(200, 0, 0), kWhite, kNoBlend, 1, Bgr(255, 1, 0),
     Bgr(255, 1, 0)},
    {"Add255Mmx", 2, 255, Plain, 0, Bgr(100, 100, 100, 16), Bgr(200, 200, 200, 32), kWhite, kNoBlend, 1,
     Bgr(255, 255, 255, 48), Bgr(255, 255, 255, 1)},
    {"Add255Word", 2, 255, Plain, 0, Bgr(100, 100, 100, 16), Bgr(200, 200, 200, 32), kWhite, kNoBlend, 0,
     Bgr(255, 255, 255, 1), Bgr(255, 255, 255, 1)},
    {"Add255OnesMmx", 2, 255, Plain, 0, Bgr(1, 1, 1), Bgr(1, 1, 1), kWhite, kNoBlend, 1, Bgr(2, 2, 2), Bgr(2, 1, 1)},
    {"Add255OnesWord", 2, 255, Plain, 0, Bgr(1, 1, 1), Bgr(1, 1, 1), kWhite, kNoBlend, 0, Bgr(2, 0, 0), Bgr(2, 1, 1)},
    {"Sub200", 3, 200, Plain, 0, Bgr(100, 100, 100), Bgr(150, 150, 150), kWhite, kNoBlend, 1, Bgr(72, 73, 73),
     Bgr(72, 73, 73)},
    {"Sub200Floor", 3, 200, Plain, 0, Bgr(150, 150, 150), Bgr(100, 100, 100), kWhite, kNoBlend, 1, Bgr(0, 0, 0),
     Bgr(0, 0, 0)},
    {"Sub255Mmx", 3, 255, Plain, 0, Bgr(100, 100, 100, 16), Bgr(200, 200, 200, 32), kWhite, kNoBlend, 1,
     Bgr(100, 100, 100, 16), Bgr(100, 100, 100, 16)},
    {"Sub255Word", 3, 255, Plain, 0, Bgr(100, 100, 100, 16), Bgr(200, 200, 200, 32), kWhite, kNoBlend, 0,
     Bgr(100, 101, 101, 0), Bgr(100, 101, 101, 0)},
    {"Multiply", 4, 0, Plain, 0, Bgr(128, 128, 128), Bgr(255, 255, 255), kWhite, kNoBlend, 1, Bgr(127, 127, 127),
     Bgr(127, 127, 127)},
    {"MultiplyCoverage", 4, 0, Plain, 0, Bgr(255, 255, 255), Bgr(255, 255, 255), kWhite, 128, 1, Bgr(127, 127, 127),
     Bgr(127, 127, 127)},
    {"Inverted", 10, 255, Plain, 0, Bgr(0, 0, 0), Bgr(0, 0, 0), kWhite, kNoBlend, 1, Bgr(254, 254, 254),
     Bgr(254, 254, 254)},
    {"InvertedTinted", 10, 255, Plain, 0, Bgr(0, 0, 0), Bgr(0, 0, 0), 0x808080, kNoBlend, 1, Bgr(127, 127, 127),
     Bgr(127, 127, 127)},
    {"MultiplyBlend", 11, 255, Plain, 0, Bgr(128, 128, 128), Bgr(200, 200, 200), kWhite, kNoBlend, 1,
     Bgr(100, 100, 100), Bgr(100, 100, 100)},
    {"TintedCopyKeepsFourth", 0, 0, Plain, 0, Bgr(255, 255, 255, 17), Bgr(0, 0, 0, 34), 0xFF4080, kNoBlend, 1,
     Bgr(128, 64, 255, 34), Bgr(128, 64, 255, 34)},
    {"WhiteCopyWholeWord", 0, 0, Plain, 0, Bgr(255, 255, 255, 17), Bgr(0, 0, 0, 34), kWhite, kNoBlend, 1,
     Bgr(255, 255, 255, 17), Bgr(255, 255, 255, 17)},
    {"AlphaTrans", 0, 0, Alpha, 1, Bgr(0, 0, 255, 128), Bgr(255, 0, 0, 9), kWhite, kNoBlend, 1, Bgr(127, 0, 127, 9),
     Bgr(127, 0, 127, 9)},
    {"AlphaNoTransCopies", 0, 0, Alpha, 0, Bgr(0, 0, 255, 128), Bgr(255, 0, 0, 9), kWhite, kNoBlend, 1,
     Bgr(0, 0, 255, 128), Bgr(127, 0, 127, 9)},
    {"AlphaZeroMultiplyTrans", 4, 0, Alpha, 1, Bgr(50, 50, 50, 0), Bgr(200, 200, 200, 18), kWhite, kNoBlend, 1,
     Bgr(200, 200, 200, 18), Bgr(200, 200, 200, 18)},
    {"AlphaZeroMultiply", 4, 0, Alpha, 0, Bgr(50, 50, 50, 0), Bgr(200, 200, 200, 18), kWhite, kNoBlend, 1,
     Bgr(0, 0, 0, 18), Bgr(0, 0, 0, 18)},
    {"AlphaAddNoTrans", 2, 255, Alpha, 0, Bgr(100, 0, 0, 255), Bgr(0, 0, 0), kWhite, kNoBlend, 1, Bgr(99, 0, 0),
     Bgr(99, 0, 0)},
    {"AlphaAddTrans", 2, 255, Alpha, 1, Bgr(100, 0, 0, 255), Bgr(0, 0, 0), kWhite, kNoBlend, 1, Bgr(100, 0, 0),
     Bgr(100, 0, 0)},
    {"ProductBeyond31Bits", 1, 254, Alpha, 1, Bgr(255, 0, 0, 254), Bgr(0, 0, 0), kWhite, 255, 1, Bgr(250, 0, 0),
     Bgr(250, 0, 0)},
    {"AlphaWordEqualToKey", 0, 0, Alpha, 1, 0x00ABCDEFu | 0xFF000000u, Bgr(0, 0, 0), kWhite, kNoBlend, 1, 0xFFABCDEFu,
     0xFFABCDEFu},
    {"PaletteKey0xFFFF", 0, 0, Palette, 1, Bgr(1, 2, 3), Bgr(9, 9, 9), kWhite, kNoBlend, 1, Bgr(1, 2, 3), Bgr(1, 2, 3)},
    {"PaletteKey0xFFFFSub", 3, 255, Palette, 1, Bgr(1, 2, 3), Bgr(9, 9, 9), kWhite, kNoBlend, 1, Bgr(8, 7, 6),
     Bgr(8, 7, 6)},
    {"SubtractZeroParameter", 3, 0, Palette, 1, Bgr(1, 2, 3), Bgr(9, 9, 9), kWhite, kNoBlend, 1, Bgr(9, 9, 9),
     Bgr(9, 9, 9)},
    {"Mode7", 7, 255, Plain, 0, Bgr(1, 2, 3), Bgr(9, 9, 9), kWhite, kNoBlend, 1, Bgr(9, 9, 9), Bgr(9, 9, 9)},
    {"Mode12", 12, 255, Plain, 0, Bgr(1, 2, 3), Bgr(9, 9, 9), kWhite, kNoBlend, 1, Bgr(9, 9, 9), Bgr(9, 9, 9)},
    {"Alpha255IsCopy", 1, 255, Plain, 0, Bgr(1, 2, 3, 4), Bgr(9, 9, 9), kWhite, kNoBlend, 1, Bgr(1, 2, 3, 4),
     Bgr(1, 2, 3, 4)},
};

INSTANTIATE_TEST_SUITE_P(Cases, Kernels32, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(PackedOps, AddAndSubtract32) {
  EXPECT_EQ(MemImgPackedAdd(Bgr(200, 0, 0), Bgr(255, 0, 0), 1), Bgr(255, 1, 0));
  EXPECT_EQ(MemImgPackedSubtract(Bgr(200, 200, 200, 32), Bgr(100, 100, 100, 16)), Bgr(100, 101, 101, 0));
  // The triangle draws' names are the same operations.
  EXPECT_EQ(MemImgAddPacked32(0x12345678, 0x0A0B0C0D), MemImgPackedAdd(0x12345678, 0x0A0B0C0D, 1));
  EXPECT_EQ(MemImgSubtractPacked32(0x12345678, 0x0A0B0C0D), MemImgPackedSubtract(0x12345678, 0x0A0B0C0D));
}

}  // namespace
