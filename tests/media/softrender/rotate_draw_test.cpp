#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "media/graphics/DrawState.h"
#include "media/softrender/QuadDraw.h"
#include "media/softrender/RotateDraw.h"
#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::ResetDrawState;
using geometry_test::TestImage;

uint32_t Texel(int x, int y) { return 0x80000000u | (uint32_t(y) << 12) | uint32_t(x + 1); }

void FillSource(TestImage& source) {
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) source.Set(x, y, Texel(x, y));
  }
}

class RotateDraw : public testing::Test {
 protected:
  void SetUp() override { ResetDrawState(); }

  // Expects every destination pixel to hold the texel that map gives it,
  // or 0 where map returns false.
  static void ExpectMapping(const TestImage& dest, const TestImage& source,
                            const std::function<bool(int, int, int*, int*)>& map) {
    for (int y = 0; y < dest.height(); ++y) {
      for (int x = 0; x < dest.width(); ++x) {
        int u = 0;
        int v = 0;
        const bool inside = map(x, y, &u, &v) && u >= 0 && v >= 0 && u < source.width() && v < source.height();
        EXPECT_EQ(dest.Get(x, y), inside ? Texel(u, v) : 0u) << x << "," << y;
      }
    }
  }
};

TEST_F(RotateDraw, NoTurnAtOwnSizeReproducesTheSource) {
  for (int width : {4, 5}) {
    TestImage source(width, 3, 1);
    FillSource(source);
    TestImage dest(24, 24, 1);
    MemImgDrawRotated(dest.view(), source.view(), 10, 12, 0.0f, 1.0f, 0, 0, nullptr);
    ExpectMapping(dest, source, [&](int x, int y, int* u, int* v) {
      *u = x - 10 + (width >> 1);
      *v = y - 12 + 1;
      return true;
    });
    // Width 4 covers columns 8 to 11, width 5 columns 8 to 12.
    EXPECT_NE(dest.Get(8, 12), 0u);
    EXPECT_EQ(dest.Get(7, 12), 0u);
    EXPECT_NE(dest.Get(7 + width, 12), 0u);
    EXPECT_EQ(dest.Get(8 + width, 12), 0u);
  }
}

TEST_F(RotateDraw, DoubleScaleCoversTwoByTwoBlocks) {
  TestImage source(4, 3, 1);
  FillSource(source);
  TestImage dest(32, 32, 1);
  MemImgDrawRotated(dest.view(), source.view(), 20, 20, 0.0f, 2.0f, 0, 0, nullptr);
  ExpectMapping(dest, source, [](int x, int y, int* u, int* v) {
    if (x < 16 || y < 18) return false;
    *u = (x - 16) / 2;
    *v = (y - 18) / 2;
    return true;
  });
}

TEST_F(RotateDraw, NegativeScaleTurnsByHalfATurn) {
  TestImage source(4, 3, 1);
  FillSource(source);
  TestImage dest(32, 32, 1);
  MemImgDrawRotated(dest.view(), source.view(), 20, 20, 0.0f, -1.0f, 0, 0, nullptr);
  ExpectMapping(dest, source, [](int x, int y, int* u, int* v) {
    *u = 22 - x;
    *v = 21 - y;
    return true;
  });
  EXPECT_EQ(dest.Get(22, 21), Texel(0, 0));
}

TEST_F(RotateDraw, QuarterTurnClockwise) {
  TestImage source(4, 4, 1);
  FillSource(source);
  TestImage dest(32, 32, 1);
  MemImgDrawRotated(dest.view(), source.view(), 20, 20, static_cast<float>(M_PI / 2), 1.0f, 0, 0, nullptr);
  ExpectMapping(dest, source, [](int x, int y, int* u, int* v) {
    *u = y - 18;
    *v = 22 - x;
    return true;
  });
  // The source's top row runs down column 22.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dest.Get(22, 18 + i), Texel(i, 0));
}

TEST_F(RotateDraw, TurnFlagMirrorsThroughTheQuadrilateral) {
  TestImage source(4, 3, 1);
  FillSource(source);
  TestImage dest(24, 24, 1);
  MemImgDrawRotated(dest.view(), source.view(), 10, 10, 0.0f, 1.0f, 0, 1, nullptr);
  ExpectMapping(dest, source, [](int x, int y, int* u, int* v) {
    if (x < 9) return false;
    *u = 12 - x;
    *v = y - 8;
    return true;
  });
  TestImage viaQuad(24, 24, 1);
  const MemImgQuadCorners corners{{12, 8}, {8, 8}, {12, 11}, {8, 11}};
  MemImgDrawQuad(viaQuad.view(), source.view(), &corners, 0, nullptr);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) EXPECT_EQ(dest.Get(x, y), viaQuad.Get(x, y));
  }
}

TEST_F(RotateDraw, BlendImageTurnsWithTheSource) {
  TestImage source(4, 4, 1);
  source.Fill(0x00FFFFFF);
  TestImage blend(4, 4, 2);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) blend.Set(x, y, uint32_t(40 * x + 10 * y + 5));
  }
  TestImage dest(32, 32, 1);
  MemImgDrawRotated(dest.view(), source.view(), 20, 20, static_cast<float>(M_PI / 2), 1.0f, 0, 0, blend.view());
  for (int y = 18; y < 22; ++y) {
    for (int x = 19; x < 23; ++x) {
      const uint32_t level = (255 * blend.Get(y - 18, 22 - x)) >> 8;
      EXPECT_EQ(dest.Get(x, y), level * 0x010101u) << x << "," << y;
    }
  }
}

TEST_F(RotateDraw, PixelsOutsideTheTurnedImageKeepTheirValue) {
  gDrawState.blendMode = 3;  // a black source still rewrites the pixels it reaches
  TestImage source(6, 4, 1);
  TestImage dest(20, 20, 1);
  dest.Fill(0xFF000000);
  MemImgDrawRotated(dest.view(), source.view(), 10, 10, 0.0f, 1.0f, 0, 0, nullptr);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 7 && x < 13 && y >= 8 && y < 12;
      EXPECT_EQ(dest.Get(x, y), inside ? 0x00010100u : 0xFF000000u) << x << "," << y;
    }
  }
}

TEST_F(RotateDraw, TurnedAndZoomedPixelsAllComeFromTheSource) {
  TestImage source(32, 32, 1);
  FillSource(source);
  TestImage dest(100, 100, 1);
  MemImgDrawRotated(dest.view(), source.view(), 50, 50, 0.5235988f, 1.5f, 0, 0, nullptr);
  int drawn = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      const uint32_t p = dest.Get(x, y);
      if (p == 0) continue;
      ++drawn;
      const int u = int(p & 0xFFF) - 1;
      const int v = int((p >> 12) & 0xFFF);
      ASSERT_TRUE(u >= 0 && u < 32 && v >= 0 && v < 32);
      // Inverse of a 30-degree clockwise turn and a zoom of 1.5 about the centre.
      const double fx = (x - 50) * std::cos(0.5235988) + (y - 50) * std::sin(0.5235988);
      const double fy = (y - 50) * std::cos(0.5235988) - (x - 50) * std::sin(0.5235988);
      EXPECT_NEAR(fx / 1.5 + 16, u + 0.5, 1.0) << x << "," << y;
      EXPECT_NEAR(fy / 1.5 + 16, v + 0.5, 1.0) << x << "," << y;
    }
  }
  EXPECT_NEAR(drawn, 32 * 32 * 2.25, 120);
}

TEST_F(RotateDraw, DrawsNothingWhenItCannot) {
  TestImage source(4, 4, 1);
  FillSource(source);
  TestImage dest(16, 16, 1);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  MemImgDrawRotated(dest.view(), nullptr, 8, 8, 0.0f, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), 8, 8, 0.0f, 0.0f, 0, 0, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), 8, 8, nan, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), 8, 8, 0.3f, inf, 0, 1, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), 8, 8, inf, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), 5000, 5000, 0.0f, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), -2000000000, 2000000000, 1.0f, 3.0f, 0, 0, nullptr);
  MemImgDrawRotated(dest.view(), source.view(), 2000000000, 8, 1.0f, 3.0f, 0, 1, nullptr);
  gDrawState.blendMode = 7;
  MemImgDrawRotated(dest.view(), source.view(), 8, 8, 0.0f, 1.0f, 0, 0, nullptr);
  gDrawState.blendMode = 0;
  TestImage other(4, 4, 0);
  MemImgDrawRotated(dest.view(), other.view(), 8, 8, 0.0f, 1.0f, 0, 0, nullptr);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(dest.Get(x, y), 0u);
  }
}

TEST_F(RotateDraw, HugeScaleAndWideDrawAreaStayInsideTheDestination) {
  TestImage source(4, 4, 1);
  FillSource(source);
  // The destination is the middle of a larger image whose guard band must
  // keep its value.
  constexpr uint32_t kGuard = 0x5A5A5A5A;
  TestImage guarded(48, 48, 1);
  guarded.Fill(kGuard);
  MEMIMG dest = guarded.Part(16, 16, 16, 16);
  gDrawState.drawArea = Rect{-50, -50, 5000, 5000};
  MemImgDrawRotated(&dest, source.view(), 8, 8, 0.7f, 100000.0f, 0, 0, nullptr);
  MemImgDrawRotated(&dest, source.view(), 8, 8, 0.7f, 100000.0f, 0, 1, nullptr);
  MemImgDrawRotated(&dest, source.view(), 8, 8, 0.7f, 1e-20f, 0, 0, nullptr);
  EXPECT_EQ(guarded.ChangedOutside(16, 16, 16, 16, kGuard), 0);
  // Scale 20 covers the whole destination and more, plain and turned.
  for (int turn : {0, 1}) {
    guarded.Fill(kGuard);
    MemImgDrawRotated(&dest, source.view(), 8, 8, 0.7f, 20.0f, 0, turn, nullptr);
    EXPECT_EQ(guarded.ChangedOutside(16, 16, 16, 16, kGuard), 0) << turn;
    EXPECT_EQ(guarded.ChangedOutside(0, 0, 0, 0, kGuard), 16 * 16) << turn;
  }
}

TEST_F(RotateDraw, SourcesTallerThan4096RowsDraw) {
  TestImage source(2, 5000, 1);
  FillSource(source);
  TestImage dest(8, 8, 1);
  MemImgDrawRotated(dest.view(), source.view(), 4, -2000, 0.0f, 1.0f, 0, 0, nullptr);
  ExpectMapping(dest, source, [](int x, int y, int* u, int* v) {
    *u = x - 4 + 1;
    *v = y + 2000 + 2500;
    return true;
  });
}

TEST_F(RotateDraw, BlendImageSmallerThanTheSourceReadsAsZero) {
  TestImage source(8, 8, 1);
  source.Fill(0x00FFFFFF);
  TestImage blend(4, 4, 2);
  blend.Fill(255);
  TestImage dest(16, 16, 1);
  MemImgDrawRotated(dest.view(), source.view(), 8, 8, 0.0f, 1.0f, 0, 0, blend.view());
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool covered = x >= 4 && x < 8 && y >= 4 && y < 8;
      EXPECT_EQ(dest.Get(x, y), covered ? 0x00FEFEFEu : 0u) << x << "," << y;
    }
  }
}

}  // namespace
