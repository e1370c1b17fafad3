#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "foundation/TrackedHeap.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/MemImg.h"
#include "support/ImageFixtures.h"

using namespace fixtures;

namespace {

struct PitchCase {
  int width, format, palette, alpha;
  int unit, pitch, exponent;
};

TEST(MemImgCreate, UnitsPitchesAndExponents) {
  const PitchCase cases[] = {
      {640, 0, 0, 0, 2, 1280, -1}, {640, 1, 0, 0, 4, 2560, -1}, {512, 1, 0, 0, 4, 2048, 11}, {4, 0, 0, 0, 2, 16, -1},
      {100, 0, 0, 1, 4, 400, -1},  {100, 0, 1, 1, 1, 112, -1},  {7, 2, 1, 1, 1, 16, -1},     {7, 3, 1, 1, 2, 16, 4},
  };
  for (const auto& c : cases) {
    TestImage img(c.width, 2, c.format, c.palette, c.alpha);
    ASSERT_TRUE(MemImgIsValid(img.get()));
    EXPECT_EQ(MemImgUnit(img.get()), c.unit) << c.width << " " << c.format;
    EXPECT_EQ(img.base()->pitch, c.pitch) << c.width << " " << c.format;
    EXPECT_EQ(img.base()->pitchExponent, c.exponent) << c.width << " " << c.format;
    if (c.format >= 2) {
      EXPECT_EQ(img.base()->paletteFlag, 0);
      EXPECT_EQ(img.base()->alphaFlag, 0);
    }
  }
  MEMIMG given{};
  std::vector<uint8_t> memory(4096 * 2);
  ASSERT_EQ(MemImgCreate(&given, 100, 2, 4096, 0, 1, 0, 0, 0, memory.data()), 0);
  EXPECT_EQ(given.base->pitchExponent, 12);
  EXPECT_EQ(given.pixels, memory.data());
  MemImgRelease(&given);  // the caller's memory stays the caller's
  EXPECT_FALSE(MemImgIsValid(&given));
}

TEST(MemImgCreate, RefusesValidViewsAndBadSizes) {
  TestImage img(4, 4, 1);
  uint8_t* pixels = img.get()->pixels;
  EXPECT_EQ(MemImgCreate(img.get(), 8, 8, -1, 0, 1, 0, 0, 0, nullptr), -1);
  EXPECT_TRUE(MemImgIsValid(img.get()));
  EXPECT_EQ(img.get()->pixels, pixels);
  const int blocks = TrackedBlockCount();
  for (auto [w, h, pitch, fmt] :
       {std::array<int, 4>{-1, 4, -1, 1}, {4, -1, -1, 1}, {4, 4, 8, 1}, {4, 4, -1, 9}, {100000, 100000, -1, 1}}) {
    MEMIMG bad{};
    EXPECT_EQ(MemImgCreate(&bad, w, h, pitch, 0, fmt, 0, 0, 1, nullptr), -1);
    EXPECT_FALSE(MemImgIsValid(&bad));
  }
  EXPECT_EQ(TrackedBlockCount(), blocks);  // partial allocations freed
}

TEST(MemImgSubView, SharesTheBaseAndOutlivesTheCreator) {
  MEMIMG outer{};
  ASSERT_EQ(MemImgCreate(&outer, 8, 8, -1, 0, 1, 0, 0, 0, nullptr), 0);
  for (int i = 0; i < 64; ++i) reinterpret_cast<uint32_t*>(outer.pixels)[i] = static_cast<uint32_t>(i);
  MEMIMG mid{}, inner{}, refused{};
  MemImgSubView(&mid, &outer, 2, 2, 5, 5);
  MemImgSubView(&inner, &mid, 1, 1, 3, 3);
  MemImgSubView(&refused, &mid, 3, 3, 3, 3);   // beyond the middle view
  MemImgSubView(&refused, &mid, 1, 1, -1, 2);  // negative size
  EXPECT_FALSE(MemImgIsValid(&refused));
  EXPECT_EQ(outer.base->referenceCount, 3);
  uint32_t first;
  std::memcpy(&first, inner.pixels, 4);
  EXPECT_EQ(first, 3u * 8 + 3);
  MemImgRelease(&outer);
  MemImgRelease(&mid);
  std::memcpy(&first, inner.pixels, 4);
  EXPECT_EQ(first, 27u);
  MemImgRelease(&inner);
}

TEST(MemImgFillRaw, ClipsToTheViewAndIgnoresTheDrawArea) {
  ResetSoftDrawState(1, 1);
  TestImage img(4, 3, 0);
  Rect r{-2, 1, 2, 10};
  MemImgFillRaw(img.get(), &r, 0xABCD);
  EXPECT_EQ(img.Get16(0, 1), 0xABCDu);
  EXPECT_EQ(img.Get16(1, 2), 0xABCDu);
  EXPECT_EQ(img.Get16(2, 1), 0u);
  EXPECT_EQ(img.Get16(0, 0), 0u);
  MemImgFillRaw(img.get(), nullptr, 7);
  for (uint32_t v : Pixels(img.get())) EXPECT_EQ(v, 7u);
}

TEST(MemImgDescriptors, StableRecordsAndMasks) {
  const ColorFormat* a = MemImgPixelDescriptor(1, 1, 0);
  EXPECT_EQ(a, MemImgPixelDescriptor(1, 5, 0));
  EXPECT_EQ(a->alphaMask, 0xFF000000u);
  EXPECT_EQ(MemImgPixelDescriptor(0, 1, 0)->bytesPerPixel, 4);
  EXPECT_EQ(MemImgPixelDescriptor(0, 0, 1)->bytesPerPixel, 1);
  EXPECT_EQ(MemImgPixelDescriptor(2, 1, 1)->redMask, 0xFFu);
  EXPECT_EQ(MemImgPixelDescriptor(3, 0, 0)->bytesPerPixel, 2);
  EXPECT_EQ(MemImgPixelDescriptor(4, 0, 0), nullptr);
  const SurfacePixelFormat* s = MemImgSurfacePixelFormat(0, 0, 0);
  EXPECT_EQ(s->size, 32u);
  EXPECT_EQ(s->flags, 0x40u);
  EXPECT_EQ(s->redMask, 0xF800u);
  EXPECT_EQ(MemImgSurfacePixelFormat(3, 0, 0)->bitCount, 16u);
  EXPECT_EQ(MemImgSurfacePixelFormat(-1, 0, 0), nullptr);
}

TEST(BlendTables, EntriesAndSignedLayout) {
  MemImgBlendTablesBuild();
  EXPECT_TRUE(MemImgBlendTablesReady());
  EXPECT_EQ(gBlendScale[254][255], 254);
  EXPECT_EQ(gBlendScale[1][254], 0);
  EXPECT_EQ(gBlendScale[128][255], 128);
  const int32_t* half = BlendSignedScaleZero(128);
  EXPECT_EQ(half[-1], 0);
  EXPECT_EQ(half[-255], -128);
  EXPECT_EQ(half[255], 128);
  EXPECT_EQ(BlendSignedScaleZero(1)[-128], 0);
  EXPECT_EQ(BlendSignedScaleZero(3)[-100], -1);
  EXPECT_EQ(gBlendSignedScale[200][0], 0);  // column 0 stays empty
  for (int a = 0; a < 256; ++a)
    for (int v = -255; v <= 255; ++v) ASSERT_EQ(BlendSignedScaleZero(a)[v], a * v / 255);
  EXPECT_EQ(gBlendLerp6[32][63][0], 32);
  EXPECT_EQ(gBlendLerp6[32][0][63], 31);
}

TEST(BlendTables, BorderCoverage) {
  struct Case {
    int border, range;
    int at[4];  // entries 0, 128, 129, 255
  };
  const Case cases[] = {
      {0, 0, {255, 255, 255, 255}}, {0, 255, {255, 255, 255, 255}}, {255, 255, {0, 0, 0, 1}},
      {255, 0, {0, 0, 0, 1}},       {128, 0, {0, 128, 255, 255}},   {128, 255, {0, 128, 129, 255}},
  };
  for (const auto& c : cases) {
    MemImgBorderTableBuild(c.border, c.range);
    EXPECT_EQ(gBlendBorder[0], c.at[0]) << c.border << "/" << c.range;
    EXPECT_EQ(gBlendBorder[128], c.at[1]) << c.border << "/" << c.range;
    EXPECT_EQ(gBlendBorder[129], c.at[2]) << c.border << "/" << c.range;
    EXPECT_EQ(gBlendBorder[255], c.at[3]) << c.border << "/" << c.range;
  }
  MemImgBorderTableBuild(255, 255);
  for (int i = 0; i < 255; ++i) EXPECT_EQ(gBlendBorder[i], 0);
  MemImgBorderTableBuild(128, 0);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(gBlendBorder[i], 0);
}

// Transfer of a base image into a software image with work planes.
struct RunRow {
  std::vector<int> alphas;  // -1 opaque plain pixel, -2 keyed pixel, else alpha
  std::vector<uint8_t> codes;
};

TEST(Transfer, RunTableCodes) {
  const RunRow rows[] = {
      {std::vector<int>(130, -1), {0x7F, 0x7F, 0x41, 0xC0}},
      {{-1}, {0x40, 0xC0}},
      {{-2, -1, -2, -1}, {0x00, 0x40, 0x00, 0x40, 0xC0}},
      {{0, 0, 128, 255, 255, 1}, {0x01, 0x80, 0x41, 0x80, 0xC0}},
  };
  for (const auto& row : rows) {
    const int n = static_cast<int>(row.alphas.size());
    const bool alpha = row.alphas[0] >= 0;
    TestGraphImage base;
    ASSERT_EQ(AllocARGB8GraphImage(n, 1, &base.image), 0);
    if (!alpha) SetXRGB8ColorFormat(&base.image.format);
    const uint32_t key = 0x00112233;
    for (int i = 0; i < n; ++i) {
      const int a = row.alphas[static_cast<size_t>(i)];
      uint32_t v = a == -2 ? key : (a < 0 ? 0x00445566u : (0x00445566u | (static_cast<uint32_t>(a) << 24)));
      std::memcpy(base.image.pixels + 4 * i, &v, 4);
    }
    TestImage img(n, 1, 1, 0, alpha, alpha ? 0 : key, 1);
    ASSERT_EQ(MemImgTransferFromBase(&base.image, nullptr, img.get(), 0, 0, n, 1, 0, 0, 0), 0);
    EXPECT_EQ(img.base()->runTableValid, 1);
    std::vector<uint8_t> codes(img.base()->runTable, img.base()->runTable + row.codes.size());
    EXPECT_EQ(codes, row.codes);
  }
}

TEST(Transfer, PaletteEntriesUsedAndPartialTransfers) {
  TestGraphImage base;
  base.image.format.bitDepth = 8;
  SetPaletteColorFormat(&base.image.format);
  base.image.format.palette[37] = PaletteEntry{0x10, 0x20, 0x30, 0};
  base.image.width = 20;
  base.image.height = 20;
  base.image.pitch = 20;
  base.image.pixels = static_cast<uint8_t*>(TrackedAllocZeroed(400, __FILE__, __LINE__));
  base.image.pixels[5] = 37;
  TestImage img(20, 20, 1, 1, 0, 0xFFFF, 1);
  ASSERT_EQ(MemImgTransferFromBase(&base.image, nullptr, img.get(), 0, 0, 20, 20, 0, 0, 0), 0);
  EXPECT_EQ(img.base()->paletteEntriesUsed, 38);
  EXPECT_EQ(static_cast<uint32_t*>(img.base()->palette)[37], 0x00302010u);
  EXPECT_EQ(static_cast<uint32_t*>(img.base()->paletteCopy)[37], 0x00302010u);
  EXPECT_EQ(img.base()->runTableValid, 1);
  EXPECT_EQ(img.base()->runTable[0], 0x53);  // palette key 0xFFFF: one opaque run of 20
  ASSERT_EQ(MemImgTransferFromBase(&base.image, nullptr, img.get(), 0, 0, 10, 10, 0, 0, 0), 0);
  EXPECT_EQ(img.base()->runTableValid, 0);
  // Rectangles outside either image are refused.
  EXPECT_EQ(MemImgTransferFromBase(&base.image, nullptr, img.get(), 15, 0, 10, 10, 0, 0, 0), -1);
  EXPECT_EQ(MemImgTransferFromBase(&base.image, nullptr, img.get(), 0, 0, 0, 10, 0, 0, 0), -1);
}

TEST(Transfer, RoundTripAnd565Palette) {
  TestGraphImage base, back;
  ASSERT_EQ(AllocXRGB8GraphImage(3, 2, &base.image), 0);
  ASSERT_EQ(AllocXRGB8GraphImage(3, 2, &back.image), 0);
  for (int i = 0; i < 6; ++i) {
    uint32_t v = 0xFF000000u | static_cast<uint32_t>(i * 0x102030);
    std::memcpy(base.image.pixels + 4 * (i % 3) + base.image.pitch * (i / 3), &v, 4);
  }
  TestImage img(3, 2, 1);
  ASSERT_EQ(MemImgTransferFromBase(&base.image, nullptr, img.get(), 0, 0, 3, 2, 0, 0, 0), 0);
  MemImgTransferToBase(&back.image, img.get(), 0, 0, 3, 2, 0, 0, 0, 0);
  for (int y = 0; y < 2; ++y)
    EXPECT_EQ(0, std::memcmp(base.image.pixels + y * base.image.pitch, back.image.pixels + y * back.image.pitch, 12));

  TestGraphImage pal;
  SetPaletteColorFormat(&pal.image.format);
  pal.image.format.palette[1] = PaletteEntry{0xFF, 0x80, 0x08, 0};
  pal.image.width = pal.image.height = 1;
  pal.image.pitch = 4;
  pal.image.pixels = static_cast<uint8_t*>(TrackedAllocZeroed(4, __FILE__, __LINE__));
  pal.image.pixels[0] = 1;
  TestImage p16(1, 1, 0, 1);
  ASSERT_EQ(MemImgTransferFromBase(&pal.image, nullptr, p16.get(), 0, 0, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(static_cast<uint16_t*>(p16.base()->palette)[1], (0x08 << 8) | (0x80 << 3) | (0xFF >> 3));
}

// A single-channel image (blend image) receives the source's red channel,
// scaled to its width, whatever the source's layout.
TEST(Transfer, SingleChannelTakesRed) {
  struct Source {
    const char* name;
    int depth;
    uint32_t red, green, blue, alpha;  // all 0: an 8-bit palette image
    uint32_t pixel;                    // the pixel, or palette entry 1 as 0x00RRGGBB (pixel index 1)
    uint32_t channel8, channel16;
  };
  const Source sources[] = {
      {"xrgb8", 32, 0xFF0000, 0xFF00, 0xFF, 0, 0x00C01020, 0xC0, 0xC0C0},
      {"argb8", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 0x40801020, 0x80, 0x8080},
      {"rgb24", 24, 0xFF0000, 0xFF00, 0xFF, 0, 0x00FF0000, 0xFF, 0xFFFF},
      {"rgb565", 16, 0xF800, 0x07E0, 0x001F, 0, 0x87FF, 0x83, 0x8420},
      {"palette", 8, 0, 0, 0, 0, 0x00331122, 0x33, 0x3333},
  };
  for (const Source& s : sources) {
    SCOPED_TRACE(s.name);
    TestGraphImage base;
    if (s.depth == 8) {
      SetPaletteColorFormat(&base.image.format);
      base.image.format.palette[1] = PaletteEntry{static_cast<uint8_t>(s.pixel), static_cast<uint8_t>(s.pixel >> 8),
                                                  static_cast<uint8_t>(s.pixel >> 16), 0};
    } else {
      base.image.format = FormatFromMasks(s.depth, s.red, s.green, s.blue, s.alpha);
    }
    const int unit = s.depth / 8;
    base.image.width = 3;
    base.image.height = 2;
    base.image.pitch = 3 * unit + 1;
    base.image.pixels =
        static_cast<uint8_t*>(TrackedAllocZeroed(static_cast<size_t>(base.image.pitch) * 2, __FILE__, __LINE__));
    const uint32_t value = s.depth == 8 ? 1 : s.pixel;
    std::memcpy(base.image.pixels + base.image.pitch + unit, &value, static_cast<size_t>(unit));
    for (int format : {kMemImgChannel8, kMemImgChannel16}) {
      TestImage img(3, 2, format);
      if (format == kMemImgChannel8) img.Fill8(0x5A);
      else img.Fill16(0x5A5A);
      MemImgTransferFromBase(&base.image, nullptr, img.get(), 0, 0, 3, 2, 0, 0, 0);
      const uint32_t expected = format == kMemImgChannel8 ? s.channel8 : s.channel16;
      EXPECT_EQ(Pixels(img.get()), (std::vector<uint32_t>{0, 0, 0, 0, expected, 0})) << "format " << format;
    }
  }
}

}  // namespace
