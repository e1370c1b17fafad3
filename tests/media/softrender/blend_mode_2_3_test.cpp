#include <gtest/gtest.h>

#include "media/softrender/PackedOps.h"
#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::ExpectBlendCases;
using K = geometry_test::Kind;
constexpr uint32_t kWhite = 0xFFFFFF;

TEST(BlendMode2, AdditiveCaseList) {
  ExpectBlendCases({
      {"parameter 0 draws nothing", 1, K::Opaque, 2, 0, kWhite, false, -1, 0x11223344, 0x00FFFFFF, 0, 0x11223344},
      {"16-bit parameter 0 draws nothing", 0, K::Alpha, 2, 0, kWhite, false, 100, 0x1234, 0xFFFF, 200, 0x1234},
      {"0x80 onto 0x80 saturates, fourth byte 1", 1, K::Opaque, 2, 255, kWhite, false, -1, 0x00808080, 0x00808080, 0,
       0x01FFFFFF},
      {"green 0x41 onto 0x41 gives 0x81", 1, K::Opaque, 2, 255, kWhite, false, -1, 0x00004100, 0x00004100, 0,
       0x00008100},
      {"1 onto 1", 1, K::Opaque, 2, 255, kWhite, false, -1, 0x00010101, 0x00010101, 0, 0x00010102},
      {"1 onto 0x7F", 1, K::Opaque, 2, 255, kWhite, false, -1, 0x007F7F7F, 0x00010101, 0, 0x007F7F80},
      {"blue carry sets green's low bit", 1, K::Opaque, 2, 255, kWhite, false, -1, 0x000010F0, 0x00001020, 0,
       0x000021FF},
      {"green carry sets red's low bit", 1, K::Opaque, 2, 255, kWhite, false, -1, 0x00008000, 0x00008000, 0,
       0x0001FF00},
      {"a black source clears the fourth byte", 1, K::Opaque, 2, 255, kWhite, false, -1, 0xFF123456, 0, 0, 0x00123456},
      {"alpha 0 without the flag still rewrites", 1, K::Alpha, 2, 255, kWhite, false, -1, 0xFF123456, 0x00FFFFFF, 0,
       0x00123456},
      {"alpha 0 with the flag is skipped", 1, K::Alpha, 2, 255, kWhite, true, -1, 0xFF123456, 0x00FFFFFF, 0,
       0xFF123456},
      {"parameter 128 halves the weight", 1, K::Opaque, 2, 128, kWhite, false, -1, 0, 0x00FFFFFF, 0, 0x00808080},
      {"16-bit white onto white", 0, K::Opaque, 2, 255, kWhite, false, -1, 0xFFFF, 0xFFFF, 0, 0xFFFF},
      {"16-bit green 32 onto 32", 0, K::Opaque, 2, 255, kWhite, false, -1, 0x0400, 0x0400, 0, 0x0FC0},
      {"16-bit blue 1 onto 31", 0, K::Opaque, 2, 255, kWhite, false, -1, 0x001F, 0x0001, 0, 0x003F},
      {"16-bit green 1 onto 1", 0, K::Opaque, 2, 255, kWhite, false, -1, 0x0020, 0x0020, 0, 0x0020},
      {"16-bit blue 1 onto 1", 0, K::Opaque, 2, 255, kWhite, false, -1, 0x0001, 0x0001, 0, 0x0002},
      {"16-bit weight 0", 0, K::Opaque, 2, 255, kWhite, false, -1, 0xABCD, 0, 0, 0xABCD},
      {"16-bit coverage 255: red weight 30", 0, K::Opaque, 2, 255, kWhite, false, 255, 0, 0xF800, 0, 0xF000},
      {"coverage 255, opaque: weight 253", 1, K::Opaque, 2, 255, kWhite, false, 255, 0, 0x00FFFFFF, 0, 0x00FDFDFD},
      {"coverage 255, alpha 255 with the flag: 253", 1, K::Alpha, 2, 255, kWhite, true, 255, 0, 0xFFFFFFFF, 0,
       0x00FDFDFD},
      {"coverage 255, alpha 255 without the flag: 252", 1, K::Alpha, 2, 255, kWhite, false, 255, 0, 0xFFFFFFFF, 0,
       0x00FCFCFC},
      {"alpha 255 with the flag: weight 200", 1, K::Alpha, 2, 255, kWhite, true, -1, 0, 0xFFC8C8C8, 0, 0x00C8C8C8},
      {"alpha 255 without the flag: weight 198", 1, K::Alpha, 2, 255, kWhite, false, -1, 0, 0xFFC8C8C8, 0, 0x00C6C6C6},
      {"16-bit tinted alpha: alpha before tint", 0, K::Alpha, 2, 255, 0xC8FFFF, false, -1, 0, 0xF800, 128, 0x5800},
      {"keyed pixel untouched, fourth byte too", 1, K::Opaque, 2, 255, kWhite, true, -1, 0xFF000000, 0x00102030, 0,
       0xFF000000, 0x00102030},
      {"palette keyed by index", 1, K::Palette, 2, 255, kWhite, true, -1, 0xFF000000, 0x00102030, 0, 0xFF000000, 7},
  });
}

TEST(BlendMode3, SubtractiveCaseList) {
  ExpectBlendCases({
      {"parameter 0 draws nothing", 1, K::Opaque, 3, 0, kWhite, false, -1, 0x11223344, 0x00FFFFFF, 0, 0x11223344},
      {"0x40 from 0x80, fourth byte cleared", 1, K::Opaque, 3, 255, kWhite, false, -1, 0xFF808080, 0x00404040, 0,
       0x00414140},
      {"white from white leaves green and red 1", 1, K::Opaque, 3, 255, kWhite, false, -1, 0x00FFFFFF, 0x00FFFFFF, 0,
       0x00010100},
      {"weight 0 sets the low bits", 1, K::Opaque, 3, 255, kWhite, false, -1, 0xFF345612, 0, 0, 0x00355712},
      {"weight 0 on black", 1, K::Opaque, 3, 255, kWhite, false, -1, 0, 0, 0, 0x00010100},
      {"alpha 0 without the flag still rewrites", 1, K::Alpha, 3, 255, kWhite, false, -1, 0, 0x00FFFFFF, 0, 0x00010100},
      {"1 from 2", 1, K::Opaque, 3, 255, kWhite, false, -1, 0x00020202, 0x00010101, 0, 0x00030301},
      {"coverage 255 weight 253 from white", 1, K::Opaque, 3, 255, kWhite, false, 255, 0x00FFFFFF, 0x00FFFFFF, 0,
       0x00030302},
      {"coverage 255, alpha without the flag: weight 252", 1, K::Alpha, 3, 255, kWhite, false, 255, 0x00FFFFFF,
       0xFFFFFFFF, 0, 0x00030303},
      {"16-bit weight 0 on white", 0, K::Opaque, 3, 255, kWhite, false, -1, 0xFFFF, 0, 0, 0xFFDF},
      {"16-bit weight 0 on black", 0, K::Opaque, 3, 255, kWhite, false, -1, 0, 0, 0, 0x0800},
      {"16-bit white from white", 0, K::Opaque, 3, 255, kWhite, false, -1, 0xFFFF, 0xFFFF, 0, 0x0800},
      {"16-bit tinted alpha weight 11 from red 31", 0, K::Alpha, 3, 255, 0xC8FFFF, false, -1, 0xF800, 0xF800, 128,
       0xA800},
      {"keyed pixel untouched", 1, K::Opaque, 3, 255, kWhite, true, -1, 0xFF808080, 0x00102030, 0, 0xFF808080,
       0x00102030},
      {"palette keyed by index", 0, K::Palette, 3, 255, kWhite, true, -1, 0xFFFF, 0x1234, 0, 0xFFFF, 7},
  });
}

TEST(BlendPacked, WordOperations) {
  EXPECT_EQ(MemImgAddPacked32(0x00808080u, 0x00808080u), 0x01FFFFFFu);
  EXPECT_EQ(MemImgSubtractPacked32(0xFF808080u, 0x00404040u), 0x00414140u);
  EXPECT_EQ(MemImgAddPacked16(0x0400u, 0x0400u), 0x0FC0u);
  EXPECT_EQ(MemImgSubtractPacked16(0xFFFFu, 0u), 0xFFDFu);
}

}  // namespace
