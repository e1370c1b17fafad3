#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/MemImgDraw.h"
#include "support/ImageFixtures.h"

using namespace fixtures;

namespace {

// A 32-bit source whose texel (x, y) holds the word y * 256 + x + 1.
void EncodeCoordinates(TestImage& img) {
  for (int y = 0; y < img.get()->height; ++y)
    for (int x = 0; x < img.get()->width; ++x) img.Set32(x, y, static_cast<uint32_t>(y * 256 + x + 1));
}
// Source column and row shown at a destination pixel; (-1, -1) when untouched.
std::pair<int, int> Shown(TestImage& dst, int x, int y) {
  uint32_t v = dst.Get32(x, y);
  if (v == 0) return {-1, -1};
  return {static_cast<int>((v - 1) % 256), static_cast<int>((v - 1) / 256)};
}

TEST(PlainDraw, ClipsToDrawAreaAndDestination) {
  ResetSoftDrawState();
  TestImage src(5, 4, 1);
  EncodeCoordinates(src);
  TestImage dst(8, 8, 1);
  MemImgDrawPlain(dst.get(), src.get(), -2, -1, 0, nullptr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Shown(dst, x, y), std::make_pair(x + 2, y + 1));
  EXPECT_EQ(Shown(dst, 3, 0).first, -1);
  // A draw area larger than the destination is cut to it.
  gDrawState.drawArea = Rect{0, 0, 640, 480};
  TestImage small(2, 2, 1);
  MemImgDrawPlain(small.get(), src.get(), 1, 1, 0, nullptr);
  EXPECT_EQ(Shown(small, 1, 1), std::make_pair(0, 0));
}

TEST(PlainDraw, PositionsAtTheEndsOfTheIntRangeDrawNothing) {
  ResetSoftDrawState();
  TestImage src(5, 4, 1), dst(8, 8, 1);
  src.Fill32(7);
  for (int x : {2147483647, 2147483647 - 3, -2147483647 - 1})
    for (int y : {0, 2147483647, -2147483647 - 1}) {
      MemImgDrawPlain(dst.get(), src.get(), x, y, 0, nullptr);
      int rect[4] = {x, y, x > 0 ? x - 5 : x + 5, y == 0 ? 4 : (y > 0 ? y - 4 : y + 4)};
      MemImgDrawStretched(dst.get(), src.get(), rect, 0, nullptr);
    }
  for (uint32_t v : Pixels(dst.get())) EXPECT_EQ(v, 0u);
}

TEST(PlainDraw, RefusesWhatItCannotDraw) {
  ResetSoftDrawState();
  TestImage src(4, 4, 1), src16(4, 4, 0), empty(0, 3, 1);
  src.Fill32(0x11223344);
  TestImage dst(4, 4, 1), dstAlpha(4, 4, 1, 0, 1), dstPal(4, 4, 1, 1);
  TestImage smallBlend(3, 4, kMemImgChannel8), bigBlend(5, 5, kMemImgChannel8);
  MemImgDrawPlain(dst.get(), src16.get(), 0, 0, 0, nullptr);         // format mismatch
  MemImgDrawPlain(dst.get(), empty.get(), 0, 0, 0, nullptr);         // empty source
  MemImgDrawPlain(dst.get(), src.get(), 0, 0, 0, smallBlend.get());  // blend image too small
  MemImgDrawPlain(dst.get(), src.get(), 4, 0, 0, nullptr);           // outside
  MemImgDrawPlain(dstAlpha.get(), src.get(), 0, 0, 0, nullptr);
  for (uint32_t v : Pixels(dst.get())) EXPECT_EQ(v, 0u);
  for (uint32_t v : Pixels(dstAlpha.get())) EXPECT_EQ(v, 0u);
  bigBlend.Fill8(255);
  MemImgDrawPlain(dst.get(), src.get(), 0, 0, 0, bigBlend.get());
  EXPECT_NE(dst.Get32(3, 3), 0u);
  int rect[4] = {0, 0, 8, 8};
  TestImage dst2(4, 4, 1);
  MemImgDrawStretched(dst2.get(), empty.get(), rect, 0, nullptr);
  MemImgDrawStretched(dst2.get(), src.get(), rect, 0, smallBlend.get());
  for (uint32_t v : Pixels(dst2.get())) EXPECT_EQ(v, 0u);
}

TEST(PlainDraw, RunTableWalkMatchesPerPixelWalk) {
  // An alpha source with a run table, drawn whole (run walk) and shifted
  // across the area edge (per-pixel walk): the visible pixels agree.
  for (int mode : {0, 1, 2, 3, 4, 10, 11}) {
    for (int fmt : {1, 0}) {
      ResetSoftDrawState(16, 4);
      SetBlend(mode, 200);
      TestGraphImage base;
      ASSERT_EQ(AllocARGB8GraphImage(6, 2, &base.image), 0);
      const uint8_t alphas[6] = {0, 255, 128, 255, 1, 0};
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
          WriteGraphImagePixel(&base.image, x, y, 40 * x, 30 * y + 20, 200 - 20 * x, alphas[x]);
      TestImage src(6, 2, fmt, 0, 1, 0, 1);
      ASSERT_EQ(MemImgTransferFromBase(&base.image, nullptr, src.get(), 0, 0, 6, 2, 0, 0, 0), 0);
      ASSERT_EQ(src.base()->runTableValid, 1);
      TestImage whole(16, 4, fmt), shifted(16, 4, fmt);
      for (TestImage* d : {&whole, &shifted}) {
        if (fmt == 1) d->Fill32(Bgr(90, 100, 110, 7));
        else d->Fill16(Rgb565(10, 20, 30));
      }
      MemImgDrawPlain(whole.get(), src.get(), 11, 1, 1, nullptr);
      MemImgDrawPlain(shifted.get(), src.get(), 11, 1, 2, nullptr);  // flag 2: per-pixel walk
      EXPECT_EQ(Pixels(whole.get()), Pixels(shifted.get())) << "mode " << mode << " format " << fmt;
    }
  }
}

struct MapCase {
  int sw, sh;
  int rect[4];
  Rect area;
  std::vector<int> columns;  // source column shown at destination columns area.left.. (row of first drawn row)
  std::vector<int> rows;     // source row shown at destination rows, in the first drawn column
};

TEST(StretchedDraw, MapsTexelsExactly) {
  const MapCase cases[] = {
      {8, 1, {0, 0, 4, 1}, {0, 0, 640, 480}, {0, 2, 4, 6}, {0}},
      {4, 1, {0, 0, 8, 1}, {0, 0, 640, 480}, {0, 0, 1, 1, 2, 2, 3, 3}, {0}},
      {3, 1, {0, 0, 7, 1}, {0, 0, 640, 480}, {0, 0, 0, 1, 1, 2, 2}, {0}},
      {5, 1, {0, 0, 3, 1}, {0, 0, 640, 480}, {0, 1, 3}, {0}},
      {5, 1, {5, 0, 0, 1}, {0, 0, 640, 480}, {4, 3, 2, 1, 0}, {0}},
      {3, 2, {6, 4, 0, 0}, {0, 0, 640, 480}, {2, 2, 1, 1, 0, 0}, {1, 1, 0, 0}},
      {3, 3, {-1, -1, 4, 2}, {0, 0, 640, 480}, {0, 1, 1, 2}, {1, 2}},
      {8, 1, {0, 0, 4, 1}, {1, 0, 640, 480}, {2, 4, 6}, {0}},
      {3, 2, {0, 4, 6, 0}, {1, 1, 640, 480}, {0, 1, 1, 2, 2}, {1, 0, 0}},
  };
  for (const auto& c : cases) {
    ResetSoftDrawState();
    gDrawState.drawArea = c.area;
    TestImage src(c.sw, c.sh, 1);
    EncodeCoordinates(src);
    TestImage dst(16, 8, 1);
    MemImgDrawStretched(dst.get(), src.get(), c.rect, 0, nullptr);
    const int x0 = std::max(std::min(c.rect[0], c.rect[2]), c.area.left);
    const int y0 = std::max(std::min(c.rect[1], c.rect[3]), c.area.top);
    for (size_t i = 0; i < c.columns.size(); ++i)
      EXPECT_EQ(Shown(dst, x0 + static_cast<int>(i), y0).first, c.columns[i]) << "column " << i;
    EXPECT_EQ(Shown(dst, x0 + static_cast<int>(c.columns.size()), y0).first, -1);
    for (size_t j = 0; j < c.rows.size(); ++j)
      EXPECT_EQ(Shown(dst, x0, y0 + static_cast<int>(j)).second, c.rows[j]) << "row " << j;
  }
}

TEST(StretchedDraw, BlendImageReadAtTheSourcePosition) {
  ResetSoftDrawState();
  SetBlend(0, 0);
  TestImage src(4, 2, 1);
  src.Fill32(Bgr(255, 255, 255));
  TestImage blend(6, 3, kMemImgChannel8);
  for (int x = 0; x < 6; ++x)
    for (int y = 0; y < 3; ++y) blend.SetIndex(x, y, x == 3 ? 255 : 0);
  TestImage dst(8, 4, 1);
  int rect[4] = {8, 0, 0, 4};
  MemImgDrawStretched(dst.get(), src.get(), rect, 0, blend.get());
  EXPECT_EQ(dst.Get32(0, 0), Bgr(254, 254, 254));
  EXPECT_EQ(dst.Get32(1, 3), Bgr(254, 254, 254));
  EXPECT_EQ(dst.Get32(2, 0), 0u);
}

TEST(StretchedDraw, WideRatiosComputedIn64Bits) {
  ResetSoftDrawState(40000, 1);
  TestImage src(2, 1, 1);
  src.Set32(0, 0, 1);
  src.Set32(1, 0, 2);
  TestImage dst(40000, 1, 1);
  int rect[4] = {0, 0, 40000, 1};
  MemImgDrawStretched(dst.get(), src.get(), rect, 0, nullptr);
  EXPECT_EQ(dst.Get32(0, 0), 1u);
  EXPECT_EQ(dst.Get32(19999, 0), 1u);
  EXPECT_EQ(dst.Get32(20000, 0), 2u);
  EXPECT_EQ(dst.Get32(39999, 0), 2u);
}

TEST(StretchedDraw, SameSizeHandsOverToPlainDraw) {
  ResetSoftDrawState();
  SetBlend(0, 0);
  TestImage src(2, 1, 1, 0, 1);
  src.Set32(0, 0, Bgr(0, 0, 255, 128));
  src.Set32(1, 0, Bgr(0, 0, 255, 128));
  TestImage a(3, 1, 1), b(3, 1, 1);
  int same[4] = {0, 0, 2, 1}, wider[4] = {0, 0, 3, 1};
  MemImgDrawStretched(a.get(), src.get(), same, 0, nullptr);
  MemImgDrawStretched(b.get(), src.get(), wider, 0, nullptr);
  EXPECT_EQ(a.Get32(0, 0), Bgr(0, 0, 255, 128));  // plain draw: whole-word copy
  EXPECT_EQ(b.Get32(0, 0), Bgr(0, 0, 127, 0));    // stretched: weighted by alpha
}

// ---- Box fill and lines -------------------------------------------------

struct BoxCase {
  const char* name;
  int fmt, mode, p;
  uint32_t tint;
  uint32_t color, dst, expect;
};

TEST(FillBox, ColourOperations) {
  const BoxCase cases[] = {
      {"TintedCopy", 1, 0, 0, 0x808080, 0x12345678, 0, 0x121A2B3C},
      {"WhiteCopy", 1, 0, 0, 0xFFFFFF, 0x12345678, 0, 0x12345678},
      {"InvertedTinted", 1, 10, 255, 0x808080, 0, 0, Bgr(254, 254, 254)},
      {"Half", 1, 1, 128, 0xFFFFFF, Bgr(1, 1, 1), Bgr(1, 1, 1), Bgr(1, 1, 1)},
      {"Add", 1, 2, 255, 0xFFFFFF, Bgr(100, 100, 100, 16), Bgr(200, 200, 200, 32), Bgr(255, 255, 255, 1)},
      {"AddOnes", 1, 2, 255, 0xFFFFFF, Bgr(1, 1, 1), Bgr(1, 1, 1), Bgr(2, 1, 1)},
      {"Sub", 1, 3, 255, 0xFFFFFF, Bgr(100, 100, 100), Bgr(200, 200, 200, 32), Bgr(100, 101, 101, 0)},
      {"Tint16", 0, 0, 0, 0x808080, Rgb565(31, 63, 31), 0, Rgb565(15, 31, 15)},
      {"Add16", 0, 2, 255, 0xFFFFFF, Rgb565(20, 40, 20), Rgb565(20, 40, 20), Rgb565(31, 63, 31)},
      {"Add16Ones", 0, 2, 255, 0xFFFFFF, Rgb565(1, 1, 1), Rgb565(1, 1, 1), Rgb565(1, 1, 2)},
      {"Sub16", 0, 3, 255, 0xFFFFFF, Rgb565(3, 3, 3), Rgb565(10, 10, 10), Rgb565(9, 8, 7)},
      {"Sub16Zero", 0, 3, 255, 0xFFFFFF, 0, Rgb565(10, 11, 10), Rgb565(11, 10, 10)},
      {"Half16", 0, 1, 128, 0xFFFFFF, Rgb565(31, 63, 31), 0, Rgb565(15, 31, 15)},
      {"Alpha16P1", 0, 1, 1, 0xFFFFFF, 0, Rgb565(31, 63, 31), Rgb565(31, 63, 31)},
      {"Multiply16", 0, 4, 0, 0xFFFFFF, Rgb565(31, 63, 31), Rgb565(31, 63, 31), Rgb565(30, 62, 30)},
      {"Inverted16", 0, 10, 255, 0xFFFFFF, 0, 0, Rgb565(31, 63, 31)},
      {"MultiplyBlend16", 0, 11, 255, 0xFFFFFF, Rgb565(16, 32, 16), Rgb565(31, 63, 31), Rgb565(15, 31, 15)},
      {"HighBitsMasked16", 0, 0, 0, 0xFFFFFF, 0xABCD0000u | Rgb565(1, 2, 3), 0, Rgb565(1, 2, 3)},
      {"Mode7", 1, 7, 255, 0xFFFFFF, 1, 5, 5},
      {"AlphaZero", 1, 1, 0, 0xFFFFFF, 1, 5, 5},
  };
  for (const auto& c : cases) {
    ResetSoftDrawState(10, 10);
    SetBlend(c.mode, c.p);
    gDrawState.tint = c.tint;
    TestImage img(2, 2, c.fmt);
    if (c.fmt == 1) img.Fill32(c.dst);
    else img.Fill16(c.dst);
    MemImgFillBox(img.get(), nullptr, c.color);
    EXPECT_EQ(c.fmt == 1 ? img.Get32(1, 1) : img.Get16(1, 1), c.expect) << c.name;
  }
}

TEST(FillBox, RectanglesAndRefusals) {
  ResetSoftDrawState(10, 10);
  TestImage a(10, 10, 1), b(10, 10, 1);
  int r1[4] = {5, 5, 2, 2}, r2[4] = {2, 2, 5, 5}, flat[4] = {3, 1, 3, 9};
  MemImgFillBox(a.get(), r1, 1);
  MemImgFillBox(b.get(), r2, 1);
  EXPECT_EQ(Pixels(a.get()), Pixels(b.get()));
  int filled = 0;
  for (uint32_t v : Pixels(a.get())) filled += v == 1;
  EXPECT_EQ(filled, 9);
  MemImgFillBox(a.get(), flat, 2);
  EXPECT_EQ(Pixels(a.get()), Pixels(b.get()));
  TestImage alpha(2, 2, 1, 0, 1), pal(2, 2, 1, 1);
  MemImgFillBox(alpha.get(), nullptr, 7);
  MemImgFillBox(pal.get(), nullptr, 7);
  for (uint32_t v : Pixels(alpha.get())) EXPECT_EQ(v, 0u);
  for (uint32_t v : Pixels(pal.get())) EXPECT_EQ(v, 0u);
  // The draw area limits a null rectangle, and the destination a large area.
  gDrawState.drawArea = Rect{1, 1, 50, 50};
  TestImage c(3, 3, 0);
  MemImgFillBox(c.get(), nullptr, 9);
  EXPECT_EQ(c.Get16(0, 0), 0u);
  EXPECT_EQ(c.Get16(2, 2), 9u);
}

std::set<std::pair<int, int>> LinePixels(int x1, int y1, int x2, int y2, int fmt = 1) {
  ResetSoftDrawState(10, 10);
  TestImage img(10, 10, fmt);
  MemImgDrawLine(img.get(), x1, y1, x2, y2, 1);
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if ((fmt == 1 ? img.Get32(x, y) : img.Get16(x, y)) != 0) out.insert({x, y});
  return out;
}

using Pts = std::set<std::pair<int, int>>;

TEST(Lines, HalfOpenWalkAndClipping) {
  EXPECT_EQ(LinePixels(0, 0, 4, 1), (Pts{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_EQ(LinePixels(0, 0, 3, 9), (Pts{{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 6}, {2, 7}, {2, 8}}));
  EXPECT_TRUE(LinePixels(0, 0, 0, 0).empty());
  Pts diag;
  for (int i = 1; i <= 9; ++i) diag.insert({i, i});
  EXPECT_EQ(LinePixels(9, 9, 0, 0), diag);
  Pts row5, row2, col3;
  for (int x = 0; x < 10; ++x) row5.insert({x, 5}), row2.insert({x, 2}), col3.insert({3, x});
  EXPECT_EQ(LinePixels(12, 5, -3, 5), row5);
  EXPECT_EQ(LinePixels(-5, 2, 14, 2), row2);
  EXPECT_EQ(LinePixels(2, 3, 2, -7), (Pts{{2, 3}, {2, 2}, {2, 1}, {2, 0}}));
  EXPECT_EQ(LinePixels(3, -4, 5, 12), col3);
  EXPECT_EQ(LinePixels(-10, -10, 20, 5), (Pts{{9, 0}}));
  EXPECT_EQ(LinePixels(-1, -1, 1, 0), (Pts{{0, 0}}));
  EXPECT_EQ(LinePixels(0, 0, 4, 1, 0), (Pts{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  // End points at the ends of the int range: the slope must not overflow.
  EXPECT_EQ(LinePixels(-2147483647 - 1, 5, 2147483647, 5), row5);
  EXPECT_EQ(LinePixels(3, 2147483647, 3, -2147483647 - 1), col3);
}

TEST(Lines, BoxOutlineDrawsEachPixelOnceAndListsSkipNothing) {
  ResetSoftDrawState(10, 10);
  SetBlend(2, 255);  // adding twice would show
  TestImage img(10, 10, 1);
  const int x1 = 1, y1 = 1, x2 = 5, y2 = 4;
  MemImgLineRecord lines[4] = {{x1, y1, x2 - 1, y1, 1, 99},
                               {x2 - 1, y1, x2 - 1, y2 - 1, 1, 99},
                               {x2 - 1, y2 - 1, x1, y2 - 1, 1, 99},
                               {x1, y2 - 1, x1, y1, 1, 99}};
  MemImgDrawLineList(img.get(), lines, 4);
  int border = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const uint32_t v = img.Get32(x, y);
      const bool edge = x >= x1 && x < x2 && y >= y1 && y < y2 && (x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1);
      EXPECT_EQ(v, edge ? 1u : 0u) << x << "," << y;
      border += edge;
    }
  EXPECT_EQ(border, 10);
  TestImage untouched(4, 4, 1);
  MemImgDrawLineList(untouched.get(), lines, 0);
  MemImgDrawLineList(untouched.get(), lines, -3);
  for (uint32_t v : Pixels(untouched.get())) EXPECT_EQ(v, 0u);
}

TEST(Lines, PaletteImagesAreLeftAlone) {
  ResetSoftDrawState(10, 10);
  TestImage pal(10, 10, 1, 1);
  MemImgDrawLine(pal.get(), 0, 0, 9, 9, 0x12345678);
  for (uint32_t v : Pixels(pal.get())) EXPECT_EQ(v, 0u);
  TestImage alpha16(4, 1, 0, 0, 1);  // 4-byte units: only the 565 word is written
  MemImgDrawLine(alpha16.get(), 0, 0, 4, 0, 0xFFFF);
  EXPECT_EQ(alpha16.Get32(3, 0), 0xFFFFu);
}

}  // namespace

namespace {

// Rows long enough for the four-pixel forms, checked pixel by pixel.
TEST(WideRows, AlphaSpriteAndAlphaFillMatchTheFormula) {
  ResetSoftDrawState();
  TestImage src(11, 1, 1, 0, 1), dst(11, 1, 1);
  const int alphas[11] = {0, 255, 1, 128, 254, 255, 0, 77, 200, 3, 255};
  for (int x = 0; x < 11; ++x) {
    src.Set32(x, 0, Bgr(20 * x, 255 - 9 * x, 7 * x, alphas[x]));
    dst.Set32(x, 0, Bgr(255 - 13 * x, 11 * x, 100, 40 + x));
  }
  std::vector<uint32_t> before = Pixels(dst.get());
  MemImgDrawPlain(dst.get(), src.get(), 0, 0, 1, nullptr);
  for (int x = 0; x < 11; ++x) {
    const uint32_t s = src.Get32(x, 0), d = before[static_cast<size_t>(x)];
    const int a = alphas[x];
    uint32_t expect = d;
    if (a == 255) {
      expect = s;
    } else if (a != 0) {
      expect = d & 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        const int sc = (s >> (8 * c)) & 255, dc = (d >> (8 * c)) & 255;
        expect |= static_cast<uint32_t>(dc + (((sc - dc) * a) >> 8)) << (8 * c);
      }
    }
    EXPECT_EQ(dst.Get32(x, 0), expect) << x;
  }
  for (int p : {1, 77, 128, 254}) {
    SetBlend(1, p);
    TestImage box(7, 1, 1);
    for (int x = 0; x < 7; ++x) box.Set32(x, 0, Bgr(37 * x, 255 - x, 3 * x, x));
    std::vector<uint32_t> old = Pixels(box.get());
    const uint32_t color = Bgr(200, 10, 99, 5);
    MemImgFillBox(box.get(), nullptr, color);
    for (int x = 0; x < 7; ++x) {
      const uint32_t d = old[static_cast<size_t>(x)];
      uint32_t expect = d & 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        const int cc = (color >> (8 * c)) & 255, dc = (d >> (8 * c)) & 255;
        expect |= static_cast<uint32_t>(dc + (((cc - dc) * p) >> 8)) << (8 * c);
      }
      EXPECT_EQ(box.Get32(x, 0), expect) << "p " << p << " x " << x;
    }
  }
}

// The bytes of an image's block, row padding included.
std::vector<uint8_t> Bytes(const MEMIMG* image) {
  const uint8_t* p = image->pixels;
  return {p, p + static_cast<ptrdiff_t>(image->base->pitch) * image->height};
}

// Box fills of whole rows: rows without padding between them are filled as
// one, rows with padding leave it alone; rows outside the box keep theirs.
TEST(WideRows, FullWidthFillsCoverEveryRowAndNoPadding) {
  constexpr int kH = 5;
  for (int fmt : {1, 0}) {
    const int unit = fmt == 1 ? 4 : 2;
    const uint32_t color = fmt == 1 ? 0x12345678u : Rgb565(3, 40, 17);
    for (int width : {1, 3, 4, 8, 9, 40, 41}) {
      for (const auto& [top, bottom] : {std::pair{0, kH}, std::pair{1, kH - 1}, std::pair{2, 3}}) {
        ResetSoftDrawState(width, kH);
        TestImage img(width, kH, fmt);
        std::vector<uint8_t> expected(static_cast<size_t>(img.base()->pitch) * kH, 0xA5);
        std::copy(expected.begin(), expected.end(), img.get()->pixels);
        for (int y = top; y < bottom; ++y)
          for (int x = 0; x < width; ++x)
            for (int b = 0; b < unit; ++b)
              expected[static_cast<size_t>(y * img.base()->pitch + x * unit + b)] =
                  static_cast<uint8_t>(color >> (8 * b));
        int rect[4] = {0, top, width, bottom};
        MemImgFillBox(img.get(), rect, color);
        EXPECT_EQ(Bytes(img.get()), expected)
            << "fmt " << fmt << " width " << width << " rows " << top << ".." << bottom;
      }
    }
  }
}

// Plain copies of whole rows, into another image (as one block, larger than
// one piece of the block copy) and into the same image shifted by a row,
// where the result is the row-by-row copy's: shifted down, the first row
// runs down the image.
TEST(WideRows, WholeRowCopiesMatchTheRowByRowCopy) {
  struct Case {
    const char* name;
    int fmt, width, height, dy;
    bool self;
  };
  const Case cases[] = {
      {"large 32-bit", 1, 300, 240, 1, false}, {"large 16-bit", 0, 512, 300, -2, false},
      {"padded 16-bit", 0, 7, 6, 1, false},    {"self down 32-bit", 1, 8, 6, 1, true},
      {"self up 32-bit", 1, 8, 6, -1, true},   {"self down 16-bit", 0, 16, 6, 2, true},
  };
  for (const Case& c : cases) {
    const int unit = c.fmt == 1 ? 4 : 2;
    ResetSoftDrawState(c.width, c.height);
    TestImage src(c.width, c.height, c.fmt), dst(c.width, c.height, c.fmt);
    TestImage& from = c.self ? dst : src;
    const ptrdiff_t pitch = dst.base()->pitch;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < pitch; ++x) {
        from.get()->pixels[y * pitch + x] = static_cast<uint8_t>(x * 7 + y * 13 + 1);
        if (!c.self) dst.get()->pixels[y * pitch + x] = 0xA5;
      }
    std::vector<uint8_t> expected = Bytes(dst.get());
    const std::vector<uint8_t> source = Bytes(from.get());
    for (int y = std::max(0, c.dy); y < std::min(c.height, c.height + c.dy); ++y) {
      const std::vector<uint8_t>& read = c.self ? expected : source;
      std::copy_n(read.begin() + (y - c.dy) * pitch, c.width * unit, expected.begin() + y * pitch);
    }
    MemImgDrawPlain(dst.get(), from.get(), 0, c.dy, 0, nullptr);
    EXPECT_EQ(Bytes(dst.get()), expected) << c.name;
  }
}

// Copy fills store rows in wide steps: every width and start column, in both
// formats, fills exactly its box and leaves the pixels around it alone.
TEST(WideRows, CopyFillsCoverExactlyTheirBox) {
  for (int fmt : {1, 0}) {
    const uint32_t color = fmt == 1 ? 0x12345678u : Rgb565(3, 40, 17);
    for (int left = 0; left < 5; ++left)
      for (int width = 0; width <= 41; ++width) {
        ResetSoftDrawState(48, 3);
        TestImage img(48, 3, fmt);
        int rect[4] = {left, 1, left + width, 2};
        MemImgFillBox(img.get(), rect, color);
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < 48; ++x) {
            const bool inside = y == 1 && x >= left && x < left + width;
            EXPECT_EQ(fmt == 1 ? img.Get32(x, y) : img.Get16(x, y), inside ? color : 0u)
                << "fmt " << fmt << " left " << left << " width " << width << " at " << x << "," << y;
          }
      }
  }
}

}  // namespace
