#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/TrackedHeap.h"
#include "media/image/GraphImage.h"
#include "support/ImageFixtures.h"

using fixtures::FormatFromMasks;
using fixtures::TestGraphImage;

namespace {

TEST(ColorFormat, EncodeDecodeTable) {
  ColorFormat xrgb{}, argb{};
  SetXRGB8ColorFormat(&xrgb);
  SetARGB8ColorFormat(&argb);
  ColorFormat f565 = FormatFromMasks(16, 0xF800, 0x7E0, 0x1F, 0);
  EXPECT_EQ(EncodePixel(&xrgb, 1, 2, 3, 0), 0xFF010203u);
  EXPECT_EQ(EncodePixel(&argb, 1, 2, 3, 0), 0x00010203u);
  EXPECT_EQ(EncodePixel(&f565, 255, 255, 255, 0), 0xFFFFu);
  int r, g, b, a;
  DecodePixel(&f565, 0x001F, &r, &g, &b, &a);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 255);
  EXPECT_EQ(a, 0);
  DecodePixel(&f565, 16u << 11, &r, nullptr, nullptr, nullptr);
  EXPECT_EQ(r, 131);
  EXPECT_EQ(TranslatePixel(&argb, &f565, 0xFFFF), 0xFFF8FCF8u);
}

TEST(ColorFormat, PaletteNearestPrefersLowestIndex) {
  ColorFormat pal{};
  SetPaletteColorFormat(&pal);
  std::memset(pal.palette, 200, sizeof(pal.palette));
  pal.palette[3] = PaletteEntry{30, 20, 10, 0};
  pal.palette[7] = PaletteEntry{30, 20, 10, 0};
  EXPECT_EQ(EncodePixel(&pal, 10, 20, 30, 0), 3u);
}

TEST(ColorFormat, FromMasksAndUnusedBits) {
  ColorFormat f = FormatFromMasks(16, 0x7C00, 0x3E0, 0x1F, 0);
  EXPECT_EQ(f.redWidth, 5);
  EXPECT_EQ(f.greenWidth, 5);
  EXPECT_EQ(f.blueWidth, 5);
  EXPECT_EQ(f.alphaWidth, 0);
  EXPECT_EQ(f.redShift, 10);
  EXPECT_EQ(f.greenShift, 5);
  EXPECT_EQ(f.unusedMask, 0x8000u);
  EXPECT_EQ(f.unusedShift, 15);
  EXPECT_EQ(f.unusedWidth, 1);
  EXPECT_EQ(f.bytesPerPixel, 2);
}

TEST(ColorFormat, EqualityIgnoresCompressionUnlessDepthZero) {
  ColorFormat a{}, b{};
  a.compressionKind = 1;
  b.compressionKind = 3;
  EXPECT_EQ(EqualColorFormats(&a, &b), 0);
  a.bitDepth = b.bitDepth = 32;
  EXPECT_EQ(EqualColorFormats(&a, &b), 1);
}

TEST(ColorFormat, ZeroWidthChannelsDecodeToZero) {
  ColorFormat f = FormatFromMasks(32, 0xFF0000, 0xFF00, 0xFF, 0);
  int a = -1;
  DecodePixel(&f, 0xFFFFFFFF, nullptr, nullptr, nullptr, &a);
  EXPECT_EQ(a, 0);
  ColorFormat none = FormatFromMasks(16, 0, 0x7E0, 0x1F, 0);  // no red
  ColorFormat xrgb{};
  SetXRGB8ColorFormat(&xrgb);
  EXPECT_EQ(TranslatePixel(&xrgb, &none, 0xFFFF) & 0xFF0000u, 0u);
}

TEST(GraphImage, PixelAccessChecksBounds) {
  TestGraphImage img;
  ASSERT_EQ(AllocXRGB8GraphImage(4, 3, &img.image), 0);
  FillGraphImage(&img.image, 1, 2, 3, 0);
  int r = 0, g = 0, b = 0, a = 0;
  EXPECT_EQ(ReadGraphImagePixel(&img.image, 3, 2, &r, &g, &b, &a), 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(ReadGraphImagePixel(&img.image, 4, 0, &r, &g, &b, &a), -1);
  EXPECT_EQ(ReadGraphImagePixel(&img.image, -1, 0, &r, &g, &b, &a), -1);
  EXPECT_EQ(WriteGraphImagePixel(&img.image, 0, 3, 1, 1, 1, 1), -1);
  EXPECT_EQ(ReadPixelAsARGB(&img.image, 0, 3), 0u);
  EXPECT_EQ(ReadPixelAsARGB(&img.image, 1, 1), 0x00010203u);
}

TEST(GraphImage, ThreeBytePixelsReadAsThreeBytes) {
  TestGraphImage img;
  ASSERT_EQ(AllocRGB24GraphImage(5, 1, &img.image), 0);
  EXPECT_EQ(img.image.pitch, 16);
  std::memset(img.image.pixels, 0xEE, 16);
  WriteGraphImagePixel(&img.image, 4, 0, 0x56, 0x34, 0x12, 0);
  EXPECT_EQ(ReadPixelAsARGB(&img.image, 4, 0), 0x00563412u);
  EXPECT_EQ(img.image.pixels[15], 0xEE);  // the padding is not touched
}

TEST(GraphImage, MirrorAndFill) {
  TestGraphImage img;
  ASSERT_EQ(AllocRGB24GraphImage(3, 1, &img.image), 0);
  for (int x = 0; x < 3; ++x) WriteGraphImagePixel(&img.image, x, 0, x + 1, 0, 0, 0);
  EXPECT_EQ(MirrorGraphImage(&img.image), 0);
  int r;
  for (int x = 0; x < 3; ++x) {
    ReadGraphImagePixel(&img.image, x, 0, &r, nullptr, nullptr, nullptr);
    EXPECT_EQ(r, 3 - x);
  }
  GraphImage empty{};
  EXPECT_EQ(MirrorGraphImage(&empty), -1);
}

// Rows of one colour are left as they are (they are their own mirror); a row
// whose bytes repeat with a period other than its pixel size, or whose
// pixels differ only in their last byte, is still reversed.
TEST(GraphImage, MirrorReversesEveryRowOfEachPixelSize) {
  const std::vector<std::vector<uint8_t>> rows = {
      {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4},
      {1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2}, {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6},
      {6, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
  };
  for (int bytes = 1; bytes <= 4; ++bytes) {
    const int width = 12 / bytes, pitch = 16;
    std::vector<uint8_t> block(static_cast<size_t>(pitch) * rows.size(), 0xEE);
    for (size_t y = 0; y < rows.size(); ++y) std::copy(rows[y].begin(), rows[y].end(), block.begin() + y * pitch);
    GraphImage image{};
    if (bytes == 1) SetGray8ColorFormat(&image.format);
    if (bytes == 2) SetColorFormatFromMasks(&image.format, 16, 0xF800, 0x7E0, 0x1F, 0);
    if (bytes == 3) SetFullColorFormat(&image.format);
    if (bytes == 4) SetARGB8ColorFormat(&image.format);
    ASSERT_EQ(image.format.bytesPerPixel, bytes);
    image.width = width;
    image.height = static_cast<int>(rows.size());
    image.pitch = pitch;
    image.pixels = block.data();
    ASSERT_EQ(MirrorGraphImage(&image), 0);
    for (size_t y = 0; y < rows.size(); ++y) {
      for (int x = 0; x < width; ++x)
        for (int k = 0; k < bytes; ++k)
          ASSERT_EQ(block[y * pitch + x * bytes + k], rows[y][(width - 1 - x) * bytes + k])
              << bytes << " bytes, row " << y << " x " << x;
      for (int i = 12; i < pitch; ++i) EXPECT_EQ(block[y * pitch + i], 0xEE);  // the padding is not touched
    }
  }
}

TEST(GraphImage, FreeClearsRecord) {
  GraphImage img{};
  ASSERT_EQ(AllocARGB8GraphImage(2, 2, &img), 0);
  EXPECT_EQ(FreeGraphImage(&img), 0);
  EXPECT_EQ(img.pixels, nullptr);
  EXPECT_EQ(img.width, 0);
  EXPECT_EQ(img.format.bitDepth, 0);
}

TEST(GraphImage, CompressedImageIsDecodedBeforeAPixelRead) {
  TestGraphImage img;
  ASSERT_EQ(AllocARGB8GraphImage(2, 2, &img.image), 0);
  std::memset(img.image.pixels, 0, 16);
  img.image.format.compressionKind = 1;
  int r = -1;
  EXPECT_EQ(ReadGraphImagePixel(&img.image, 0, 0, &r, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(img.image.format.compressionKind, 0u);
  EXPECT_EQ(r, 0);
}

int AddSoftImage(int slot, int check) {
  auto* rec = static_cast<SoftImage*>(TrackedAllocZeroed(sizeof(SoftImage), __FILE__, __LINE__));
  rec->checkNumber = check;
  gSoftImages.slots[slot] = rec;
  ++gSoftImages.count;
  if (slot + 1 > gSoftImages.bound) gSoftImages.bound = slot + 1;
  return ((check | (kSoftImageHandleType << 11)) << 16) | slot;
}

TEST(SoftImages, DeletionChecksHandlesAndMovesTheBound) {
  int only = AddSoftImage(10, 5);
  EXPECT_EQ(FreeSoftImageHandle(only ^ (1 << 16)), -1);                   // wrong check number
  EXPECT_EQ(FreeSoftImageHandle((only & ~(0xF << 27)) | (1 << 27)), -1);  // wrong type
  EXPECT_EQ(FreeSoftImageHandle(-1), -1);
  EXPECT_EQ(FreeSoftImageHandle(only), 0);
  EXPECT_EQ(gSoftImages.bound, 0);
  EXPECT_EQ(FreeSoftImageHandle(only), -1);  // slot now empty

  AddSoftImage(4, 1);
  int ten = AddSoftImage(10, 2);
  EXPECT_EQ(FreeSoftImageHandle(ten), 0);
  EXPECT_EQ(gSoftImages.bound, 5);
  EXPECT_EQ(FreeAllSoftImageHandles(), 0);
  EXPECT_EQ(gSoftImages.count, 0);
  EXPECT_EQ(gSoftImages.bound, 0);
}

}  // namespace
