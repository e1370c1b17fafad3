#include <gtest/gtest.h>

#include "media/graphics/DrawState.h"
#include "media/softrender/QuadDraw.h"
#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::Kind;
using geometry_test::ResetDrawState;
using geometry_test::TestImage;

class QuadDraw : public testing::Test {
 protected:
  void SetUp() override { ResetDrawState(); }
};

uint32_t Texel(int format, int x, int y) {
  return format == 1 ? (0x80000000u | (uint32_t(y) << 12) | uint32_t(x + 1)) : ((uint32_t(y) << 6) | uint32_t(x + 1));
}

TEST_F(QuadDraw, OwnSizeReproducesTheSource) {
  struct Case {
    int format;
    Kind kind;
  };
  for (const Case& c : {Case{1, Kind::Opaque}, Case{0, Kind::Opaque}, Case{1, Kind::Palette}, Case{0, Kind::Palette},
                        Case{1, Kind::Alpha}}) {
    const int w = 7;
    const int h = 5;
    TestImage source(w, h, c.format, c.kind);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int index = y * w + x;
        if (c.kind == Kind::Palette) {
          source.Set(x, y, uint32_t(index));
          source.palette32()[index] = Texel(1, x, y);
          source.palette16()[index] = uint16_t(Texel(0, x, y));
        } else {
          // An opaque alpha texel under the transparency flag is copied whole.
          source.Set(x, y, Texel(c.format, x, y) | (c.kind == Kind::Alpha ? 0xFF000000u : 0u));
        }
      }
    }
    TestImage dest(w + 3, h + 3, c.format);
    const MemImgQuadCorners corners{{0, 0}, {w, 0}, {0, h}, {w, h}};
    MemImgDrawQuad(dest.view(), source.view(), &corners, 1, nullptr);
    for (int y = 0; y < h + 3; ++y) {
      for (int x = 0; x < w + 3; ++x) {
        const uint32_t alpha = c.kind == Kind::Alpha ? 0xFF000000u : 0u;
        const uint32_t expected = (x < w && y < h) ? (Texel(c.format, x, y) | alpha) : 0u;
        EXPECT_EQ(dest.Get(x, y), expected) << c.format << " " << int(c.kind) << " " << x << "," << y;
      }
    }
  }
}

TEST_F(QuadDraw, SharedDiagonalIsBlendedTwice) {
  gDrawState.blendMode = 1;
  gDrawState.blendParameter = 128;
  TestImage source(12, 10, 1);
  source.Fill(0x00FFFFFF);
  TestImage dest(16, 14, 1);
  const MemImgQuadCorners corners{{0, 0}, {12, 0}, {0, 10}, {12, 10}};
  MemImgDrawQuad(dest.view(), source.view(), &corners, 0, nullptr);
  int once = 0;
  int twice = 0;
  for (int y = 0; y < 14; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t p = dest.Get(x, y);
      if (p == 0x007F7F7F) ++once;
      if (p == 0x00BFBFBF) ++twice;
    }
  }
  EXPECT_EQ(twice, 9);
  EXPECT_EQ(once + twice, 120);
}

TEST_F(QuadDraw, MirroredCornersMirrorTheSource) {
  TestImage source(4, 3, 1);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) source.Set(x, y, Texel(1, x, y));
  }
  TestImage dest(8, 6, 1);
  const MemImgQuadCorners corners{{4, 0}, {0, 0}, {4, 3}, {0, 3}};
  MemImgDrawQuad(dest.view(), source.view(), &corners, 0, nullptr);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 1 && x <= 4 && y < 3;
      EXPECT_EQ(dest.Get(x, y), inside ? Texel(1, 4 - x, y) : 0u) << x << "," << y;
    }
  }
}

TEST_F(QuadDraw, NothingForACollapsedQuadOrAnAreaOutOfReach) {
  TestImage source(4, 4, 1);
  source.Fill(0x00FFFFFF);
  TestImage dest(16, 16, 1);
  const MemImgQuadCorners point{{5, 5}, {5, 5}, {5, 5}, {5, 5}};
  MemImgDrawQuad(dest.view(), source.view(), &point, 0, nullptr);
  // The box widened by 4 on the right only touches the area's left edge.
  gDrawState.drawArea = Rect{12, 0, 16, 16};
  const MemImgQuadCorners quad{{4, 0}, {8, 0}, {4, 4}, {8, 4}};
  MemImgDrawQuad(dest.view(), source.view(), &quad, 0, nullptr);
  MemImgDrawQuad(dest.view(), nullptr, &quad, 0, nullptr);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(dest.Get(x, y), 0u);
  }
}

}  // namespace
