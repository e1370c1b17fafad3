#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/TriangleDraw.h"
#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::ResetDrawState;
using geometry_test::TestImage;

struct FlatCase {
  std::string name;
  int format;
  int mode;
  int parameter;
  uint32_t tint;
  uint32_t dst;
  uint32_t colour;
  uint32_t expected;
};

// Fills a triangle covering pixel (1, 1) with the colour and returns it.
uint32_t DrawFlat(const FlatCase& c, int transparent = 0, const MEMIMG* blend = nullptr) {
  ResetDrawState();
  gDrawState.blendMode = c.mode;
  gDrawState.blendParameter = c.parameter;
  gDrawState.tint = c.tint;
  TestImage dest(4, 4, c.format);
  dest.Fill(c.dst);
  const MemImgVertex v[3] = {{0, 0, 0, 0}, {3, 0, 0, 0}, {0, 3, 0, 0}};
  MemImgDrawTriangle(dest.view(), nullptr, v, transparent, blend, static_cast<int>(c.colour));
  return dest.Get(1, 1);
}

TEST(TriangleFlat, ModesAndBrightness) {
  constexpr uint32_t kWhite = 0xFFFFFF;
  const std::vector<FlatCase> cases = {
      {"mode 0 writes all four bytes", 1, 0, 255, kWhite, 0, 0x7F102030, 0x7F102030},
      {"mode 0, 16-bit", 0, 0, 255, kWhite, 0, 0x8421, 0x8421},
      {"brightness keeps only red", 1, 0, 255, 0xFF0000, 0, 0x00FFFFFF, 0x00FF0000},
      {"brightness keeps only red, 16-bit", 0, 0, 255, 0xFF0000, 0, 0xFFFF, 0xF800},
      {"16-bit upper bits are not part of the colour", 0, 0, 255, 0x808080, 0, 0xFFFF0000u, 0},
      {"mode 1 at 128 keeps byte 3", 1, 1, 128, kWhite, 0xAA000000, 0x00FFFFFF, 0xAA7F7F7F},
      {"mode 1 at 128, 16-bit", 0, 1, 128, kWhite, 0xFFFF, 0, 0x8410},
      {"mode 1 at 255 is mode 0", 1, 1, 255, kWhite, 0, 0x7F102030, 0x7F102030},
      {"mode 1 at 0 draws nothing", 1, 1, 0, kWhite, 0x11223344, 0, 0x11223344},
      {"mode 2 carry from blue", 1, 2, 255, kWhite, 0x00000080, 0x00000080, 0x000001FF},
      {"mode 2 at 0 draws nothing", 1, 2, 0, kWhite, 0x11223344, 0x00FFFFFF, 0x11223344},
      {"mode 2, 16-bit", 0, 2, 255, kWhite, 0x0400, 0x0400, 0x0FC0},
      {"mode 3 clears green's low bit, 16-bit", 0, 3, 255, kWhite, 0xFFFF, 0, 0xFFDF},
      {"mode 3 with the parameter", 1, 3, 128, kWhite, 0xFF808080, 0x00FFFFFF, 0x00010100},
      {"mode 4 ignores parameter 0", 1, 4, 0, kWhite, 0x99FFFFFF, 0x00808080, 0x997F7F7F},
      {"mode 4, 16-bit", 0, 4, 0, kWhite, 0xFFFF, 0xFFFF, 0xF7DE},
      {"mode 10 at 0 keeps the pixel", 1, 10, 0, kWhite, 0x00123456, 0, 0x00123456},
      {"mode 10 black brightness moves toward white", 1, 10, 128, 0, 0, 0x00FFFFFF, 0x007F7F7F},
      {"mode 10 black brightness, 16-bit", 0, 10, 128, 0, 0, 0xFFFF, 0x7BEF},
      {"mode 11 at 0 keeps the pixel", 0, 11, 0, kWhite, 0x1234, 0, 0x1234},
      {"mode 11 at 255", 1, 11, 255, kWhite, 0x55FFFFFF, 0x00808080, 0x557F7F7F},
      {"mode 11, 16-bit", 0, 11, 255, kWhite, 0xFFFF, 0xFFFF, 0xF7DE},
      {"mode 7 draws nothing", 1, 7, 255, kWhite, 0x11223344, 0, 0x11223344},
  };
  for (const FlatCase& c : cases) {
    EXPECT_EQ(DrawFlat(c), c.expected) << c.name << ": 0x" << std::hex << DrawFlat(c);
  }
}

TEST(TriangleFlat, TransparencyFlagAndBlendImageAreIgnored) {
  TestImage blend(4, 4, 2);  // coverage 0 everywhere
  const FlatCase c{"", 1, 0, 255, 0xFFFFFF, 0, 0x00FF00FF, 0x00FF00FF};
  EXPECT_EQ(DrawFlat(c, 1, blend.view()), 0x00FF00FFu);
}

}  // namespace
