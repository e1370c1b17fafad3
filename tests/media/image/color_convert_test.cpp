#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foundation/TrackedHeap.h"
#include "media/image/ColorConvert.h"
#include "support/ImageFixtures.h"

using fixtures::FormatFromMasks;
using fixtures::TestGraphImage;

namespace {

// Converts one row of pixels of `srcBytes` each into `dst` and returns the result.
int Convert(const ColorFormat& df, void* dst, int dstPitch, const ColorFormat& sf, const void* src, int srcPitch,
            int width, int height = 1, int mirror = 0, int key = 0, uint32_t keyValue = 0, int remap = 0,
            int skip = 0) {
  Rect r{0, 0, width, height};
  return ConvertColorFormatBlt(static_cast<uint8_t*>(dst), dstPitch, &df, static_cast<const uint8_t*>(src), srcPitch,
                               &sf, nullptr, 0, nullptr, 0, 0, &r, mirror, key, keyValue, 0, 0, 0, skip, remap);
}

TEST(ConvertBlt, EmptyRectangleWritesNothing) {
  ColorFormat xrgb{};
  SetXRGB8ColorFormat(&xrgb);
  uint32_t src = 1, dst = 7;
  for (Rect r : {Rect{0, 0, 0, 1}, Rect{0, 0, 1, 0}, Rect{2, 0, 1, 1}, Rect{0, 3, 1, 1}}) {
    EXPECT_EQ(ConvertColorFormatBlt(reinterpret_cast<uint8_t*>(&dst), 4, &xrgb, reinterpret_cast<uint8_t*>(&src), 4,
                                    &xrgb, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, 0, 0, 0, 0, 0),
              -1);
    EXPECT_EQ(dst, 7u);
  }
}

TEST(ConvertBlt, PalettePaths) {
  ColorFormat a{}, b{};
  SetGray8ColorFormat(&a);
  SetGray8ColorFormat(&b);
  uint8_t src[4] = {3, 37, 9, 0};
  uint8_t dst[4] = {};
  EXPECT_EQ(Convert(b, dst, 4, a, src, 4, 4), 37);
  EXPECT_EQ(0, std::memcmp(src, dst, 4));
  // Different palettes with remap: each pixel re-encoded, result 0.
  for (int i = 0; i < 256; ++i) b.palette[i] = a.palette[255 - i];
  EXPECT_EQ(Convert(b, dst, 4, a, src, 4, 4, 1, 0, 0, 0, 1), 0);
  EXPECT_EQ(dst[0], 252);
  EXPECT_EQ(dst[1], 218);
}

TEST(ConvertBlt, DisplayFormatPairsAndGeneralRule) {
  ColorFormat f565 = FormatFromMasks(16, 0xF800, 0x7E0, 0x1F, 0);
  ColorFormat xrgb{}, argb{}, full{};
  SetXRGB8ColorFormat(&xrgb);
  SetARGB8ColorFormat(&argb);
  SetFullColorFormat(&full);
  uint16_t white = 0xFFFF;
  uint32_t out = 0;
  Convert(xrgb, &out, 4, f565, &white, 2, 1);
  EXPECT_EQ(out, 0x00F8FCF8u);  // fixed pair: no widening
  Convert(argb, &out, 4, f565, &white, 2, 1);
  EXPECT_EQ(out, 0xFFFFFFFFu);  // general rule: widened, opaque
  uint8_t rgb[3] = {0x12, 0x34, 0x56};
  Convert(xrgb, &out, 4, full, rgb, 3, 1);
  EXPECT_EQ(out, 0xFF563412u);
  uint32_t px = 0x00FFFFFF;
  uint16_t o16 = 0;
  Convert(f565, &o16, 2, xrgb, &px, 4, 1);
  EXPECT_EQ(o16, 0xFFFF);
}

TEST(ConvertBlt, KeyToAlphaFromPalette) {
  ColorFormat pal{}, argb{};
  SetPaletteColorFormat(&pal);
  SetARGB8ColorFormat(&argb);
  pal.palette[1] = PaletteEntry{0xFF, 0x00, 0xFF, 0};
  pal.palette[2] = PaletteEntry{0x10, 0x20, 0x30, 0};
  uint8_t src[2] = {1, 2};
  uint32_t dst[2] = {};
  Convert(argb, dst, 8, pal, src, 2, 2, 1, 0, 1, 0x00FF00FF);
  EXPECT_EQ(dst[0], 0x00FF00FFu);
  EXPECT_EQ(dst[1], 0xFF302010u);
}

TEST(ConvertBlt, MirrorAndSkipTransparent) {
  ColorFormat xrgb{};
  SetXRGB8ColorFormat(&xrgb);
  uint32_t src[3] = {1, 2, 3}, dst[3] = {};
  Convert(xrgb, dst, 12, xrgb, src, 12, 3, 1, 1);
  EXPECT_EQ(dst[0], 3u);
  EXPECT_EQ(dst[2], 1u);
  uint32_t keep[3] = {9, 9, 9};
  Convert(xrgb, keep, 12, xrgb, src, 12, 3, 1, 0, 0, 2, 0, 1);
  EXPECT_EQ(keep[0], 1u);
  EXPECT_EQ(keep[1], 9u);
  EXPECT_EQ(keep[2], 3u);
}

TEST(DibLayout, RowsPaddedOnlyWhenNeeded) {
  TestGraphImage img;
  ASSERT_EQ(AllocRGB24GraphImage(5, 2, &img.image), 0);
  platform::BitmapInfo info{};
  uint8_t* pixels = nullptr;
  EXPECT_EQ(ConvertToDibLayout(&img.image, &info, &pixels, 0, 0), 0);  // pitch 16 already
  EXPECT_EQ(pixels, img.image.pixels);
  EXPECT_EQ(info.header.bitCount, 24);
  EXPECT_EQ(info.header.height, -2);
  img.image.pitch = 15;
  EXPECT_EQ(ConvertToDibLayout(&img.image, &info, &pixels, 0, 0), 1);
  EXPECT_NE(pixels, img.image.pixels);
  TrackedFree(pixels);
}

TEST(DibGraph, HoldsThePixelsAndCleansUpOnFailure) {
  TestGraphImage img;
  ASSERT_EQ(AllocXRGB8GraphImage(3, 2, &img.image), 0);
  for (int x = 0; x < 3; ++x) {
    WriteGraphImagePixel(&img.image, x, 0, 10 * x, 1, 2, 0);
    WriteGraphImagePixel(&img.image, x, 1, 100, 3, 4, 0);
  }
  platform::BitmapInfo info{};
  uint8_t* pixels = nullptr;
  ASSERT_EQ(ConvertToDibLayout(&img.image, &info, &pixels, 1, 0), 1);
  const int before = platform::LiveDisplayObjects();
  for (int mirror = 0; mirror < 2; ++mirror) {
    platform::DibHandle dib = CreateDIBGraph(&info, pixels, mirror, nullptr);
    ASSERT_NE(dib, 0);
    platform::DibDescription desc{};
    ASSERT_EQ(platform::DescribeDib(dib, &desc), 1);
    EXPECT_EQ(desc.bitCount, 24);
    EXPECT_EQ(desc.height, 2);
    const int col = mirror ? 2 : 0;
    EXPECT_EQ(desc.bits[col * 3 + 2], 0);  // red of source column 0
    EXPECT_EQ(desc.bits[(2 - col) * 3 + 2], 20);
    EXPECT_EQ(desc.bits[desc.pitch + 2], 100);
    platform::DeleteDib(dib);
  }
  EXPECT_EQ(platform::LiveDisplayObjects(), before);
  for (int fault : {1, 2}) {
    platform::SetDibSectionFault(fault);
    EXPECT_EQ(CreateDIBGraph(&info, pixels, 0, nullptr), 0);
    EXPECT_EQ(platform::LiveDisplayObjects(), before);
  }
  TrackedFree(pixels);  // still the caller's after the failures
}

}  // namespace
