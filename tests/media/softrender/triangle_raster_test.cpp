#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/TriangleDraw.h"
#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::Kind;
using geometry_test::ResetDrawState;
using geometry_test::TestImage;

constexpr uint32_t kMark = 0x00FFFFFF;

uint32_t Texel(int x, int y) { return 0x80000000u | (uint32_t(y) << 12) | uint32_t(x + 1); }

void FillSource(TestImage& source) {
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) source.Set(x, y, Texel(x, y));
  }
}

// The drawn pixels of a 32-bit destination as a set of rows of booleans.
std::vector<std::vector<bool>> Coverage(const TestImage& dest) {
  std::vector<std::vector<bool>> rows(dest.height(), std::vector<bool>(dest.width()));
  for (int y = 0; y < dest.height(); ++y) {
    for (int x = 0; x < dest.width(); ++x) rows[y][x] = dest.Get(x, y) != 0;
  }
  return rows;
}

std::vector<std::vector<bool>> FillTriangle(const std::array<MemImgVertex, 3>& v) {
  TestImage dest(24, 24, 1);
  MemImgDrawTriangle(dest.view(), nullptr, v.data(), 0, nullptr, kMark);
  return Coverage(dest);
}

class TriangleRaster : public testing::Test {
 protected:
  void SetUp() override { ResetDrawState(); }
};

TEST_F(TriangleRaster, SmallRightTriangleCoversRowsZeroToThree) {
  const auto rows = FillTriangle({{{0, 0, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}}});
  const int lastColumn[4] = {4, 3, 2, 1};
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool inside = y < 4 && x <= lastColumn[y];
      EXPECT_EQ(rows[y][x], inside) << x << "," << y;
    }
  }
}

TEST_F(TriangleRaster, VertexOrderDoesNotChangeThePixels) {
  const std::array<std::array<MemImgVertex, 3>, 3> triangles = {{
      {{{1, 1, 0, 0}, {9, 3, 0, 0}, {4, 10, 0, 0}}},   // middle vertex on the right
      {{{6, 1, 0, 0}, {1, 6, 0, 0}, {10, 12, 0, 0}}},  // middle vertex on the left
      {{{2, 8, 0, 0}, {12, 2, 0, 0}, {15, 8, 0, 0}}},  // flat bottom
  }};
  for (const auto& t : triangles) {
    const auto reference = FillTriangle(t);
    std::array<int, 3> order = {0, 1, 2};
    while (std::next_permutation(order.begin(), order.end())) {
      EXPECT_EQ(FillTriangle({t[order[0]], t[order[1]], t[order[2]]}), reference);
    }
  }
}

TEST_F(TriangleRaster, TexturedOrdersAgreeWhenTheLeftmostVertexIsUnique) {
  TestImage source(16, 16, 1);
  FillSource(source);
  const std::array<MemImgVertex, 3> t = {{{1, 2, 0, 0}, {13, 4, 15, 3}, {5, 14, 4, 15}}};
  auto draw = [&](const std::array<MemImgVertex, 3>& v) {
    TestImage dest(20, 20, 1);
    MemImgDrawTriangle(dest.view(), source.view(), v.data(), 0, nullptr, 0);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) pixels.push_back(dest.Get(x, y));
    }
    return pixels;
  };
  const auto reference = draw(t);
  EXPECT_NE(std::count(reference.begin(), reference.end(), 0u), 400);
  std::array<int, 3> order = {0, 1, 2};
  while (std::next_permutation(order.begin(), order.end())) {
    EXPECT_EQ(draw({t[order[0]], t[order[1]], t[order[2]]}), reference);
  }
}

TEST_F(TriangleRaster, DegenerateTrianglesDrawNothing) {
  TestImage source(8, 8, 1);
  FillSource(source);
  const std::array<std::array<MemImgVertex, 3>, 3> cases = {{
      {{{0, 0, 0, 0}, {4, 4, 4, 4}, {8, 8, 8, 8}}},
      {{{2, 2, 0, 0}, {2, 2, 4, 0}, {6, 9, 0, 4}}},
      {{{3, 3, 0, 0}, {3, 3, 0, 0}, {3, 3, 0, 0}}},
  }};
  for (const auto& v : cases) {
    TestImage dest(16, 16, 1);
    MemImgDrawTriangle(dest.view(), nullptr, v.data(), 0, nullptr, kMark);
    MemImgDrawTriangle(dest.view(), source.view(), v.data(), 0, nullptr, 0);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) EXPECT_EQ(dest.Get(x, y), 0u);
    }
  }
}

TEST_F(TriangleRaster, ClippedSpansTakeTheTexelOfTheirFirstPixel) {
  TestImage source(16, 16, 1);
  FillSource(source);
  TestImage dest(16, 16, 1);
  gDrawState.drawArea = Rect{3, 2, 10, 8};
  const MemImgVertex v[3] = {{0, 0, 0, 0}, {12, 0, 12, 0}, {0, 12, 0, 12}};
  MemImgDrawTriangle(dest.view(), source.view(), v, 0, nullptr, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool drawn = x >= 3 && x < 10 && y >= 2 && y < 8 && x <= 12 - y;
      EXPECT_EQ(dest.Get(x, y), drawn ? Texel(x, y) : 0u) << x << "," << y;
    }
  }
}

TEST_F(TriangleRaster, TexelsBeyondTheSourceAreSkipped) {
  TestImage source(4, 4, 1);
  FillSource(source);
  TestImage dest(12, 12, 1);
  dest.Fill(0x11111111);
  // Texture coordinates from -2 to 6 along both axes: only 0..3 exist.
  const MemImgVertex v[3] = {{0, 0, -2, -2}, {10, 0, 8, -2}, {0, 10, -2, 8}};
  MemImgDrawTriangle(dest.view(), source.view(), v, 0, nullptr, 0);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
      EXPECT_EQ(dest.Get(x, y), inside ? Texel(x - 2, y - 2) : 0x11111111u) << x << "," << y;
    }
  }
}

TEST_F(TriangleRaster, NegativeTopVertexStartsOneRowLower) {
  // Row -3 truncates to -2: every row of the triangle moves down by one and
  // the bottom vertex's own row 5 is drawn.
  const auto rows = FillTriangle({{{0, -3, 0, 0}, {8, -3, 0, 0}, {0, 5, 0, 0}}});
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool inside = y <= 5 && x <= 6 - y;
      EXPECT_EQ(rows[y][x], inside) << x << "," << y;
    }
  }
}

TEST_F(TriangleRaster, UnsupportedCombinationsDrawNothing) {
  TestImage source(8, 8, 1);
  FillSource(source);
  const MemImgVertex v[3] = {{0, 0, 0, 0}, {8, 0, 8, 0}, {0, 8, 0, 8}};
  for (int mode : {5, 7, 9, 12, -1}) {
    gDrawState.blendMode = mode;
    TestImage dest(8, 8, 1);
    MemImgDrawTriangle(dest.view(), source.view(), v, 0, nullptr, 0);
    MemImgDrawTriangle(dest.view(), nullptr, v, 0, nullptr, kMark);
    EXPECT_EQ(dest.Get(0, 0), 0u) << mode;
  }
  gDrawState.blendMode = 0;
  {
    TestImage dest16(8, 8, 0);
    MemImgDrawTriangle(dest16.view(), source.view(), v, 0, nullptr, 0);
    EXPECT_EQ(dest16.Get(0, 0), 0u);
  }
  for (Kind kind : {Kind::Palette, Kind::Alpha}) {
    TestImage dest(8, 8, 1, kind);
    MemImgDrawTriangle(dest.view(), source.view(), v, 0, nullptr, 0);
    MemImgDrawTriangle(dest.view(), nullptr, v, 0, nullptr, kMark);
    EXPECT_EQ(dest.Get(0, 0), 0u);
  }
  TestImage channel(8, 8, 2);
  MemImgDrawTriangle(channel.view(), nullptr, v, 0, nullptr, 0xFF);
  EXPECT_EQ(channel.Get(0, 0), 0u);
}

TEST_F(TriangleRaster, CoordinatesFarOutsideStayInsideTheDestination) {
  TestImage source(8, 8, 1);
  FillSource(source);
  // The destination is the middle of a larger image whose guard band must
  // keep its value.
  constexpr uint32_t kGuard = 0x5A5A5A5A;
  TestImage guarded(48, 48, 1);
  guarded.Fill(kGuard);
  MEMIMG dest = guarded.Part(16, 16, 16, 16);
  gDrawState.drawArea = Rect{-100, -100, 5000, 5000};  // wider than the destination
  const std::array<std::array<MemImgVertex, 3>, 3> cases = {{
      {{{-2000000000, 3, 0, 0}, {2000000000, 5, 8, 0}, {7, 2000000000, 0, 8}}},
      {{{0, 0, 0, 0}, {20000, 0, 8, 0}, {0, 20000, 0, 8}}},
      {{{-9000, -9000, 0, 0}, {9000, -8000, 8, 0}, {100, 9000, 0, 8}}},
  }};
  for (const auto& v : cases) {
    MemImgDrawTriangle(&dest, source.view(), v.data(), 0, nullptr, 0);
    MemImgDrawTriangle(&dest, nullptr, v.data(), 0, nullptr, kMark);
  }
  EXPECT_EQ(guarded.Get(16 + 8, 16 + 8), kMark);  // the large triangles cover the middle
  EXPECT_EQ(guarded.ChangedOutside(16, 16, 16, 16, kGuard), 0);
}

}  // namespace
