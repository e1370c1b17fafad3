#include <gtest/gtest.h>

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/TrackedHeap.h"
#include "media/image/ImageLoader.h"
#include "media/image/ImageWriters.h"
#include "platform/display/Dib.h"
#include "support/ImageFileWriters.h"
#include "support/ImageFixtures.h"
#include "support/ScratchFolder.h"

namespace {

using fixtures::TestGraphImage;

// Decodes bytes through the whole chain; -1 when no decoder accepts them.
int Decode(const std::string& bytes, GraphImage* image) {
  return ReadImageFile(nullptr, bytes.data(), static_cast<int>(bytes.size()), 1, 0, image);
}

// Tracked blocks allocated while `work` runs, freed again or not: every
// allocation takes the next running number.
template <typename Work>
int TrackedAllocationsDuring(Work work) {
  auto number = [] {
    void* probe = TrackedAlloc(1, __FILE__, __LINE__);
    const int id = TrackedHeaderOf(probe)->id;
    TrackedFree(probe);
    return id;
  };
  const int before = number();
  work();
  return (number() - before - 1 + 65536) % 65536;
}

uint32_t Rgb(const GraphImage& image, int x, int y) { return ReadPixelAsARGB(&image, x, y) & 0xFFFFFF; }

// 5, 6 or 8-bit field widened to 8 bits as the decoders widen it.
uint32_t Widen(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0, width = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  while (shift + width < 32 && ((mask >> (shift + width)) & 1)) ++width;
  const uint32_t f = (value & mask) >> shift;
  return width >= 8 ? f >> (width - 8) : f * 255 / ((1u << width) - 1);
}
uint32_t FromMasks(uint32_t v, const uint32_t* m) {
  return Widen(v, m[0]) << 16 | Widen(v, m[1]) << 8 | Widen(v, m[2]);
}

std::vector<uint32_t> Palette(int entries) {
  std::vector<uint32_t> p;
  for (int i = 0; i < entries; ++i)
    p.push_back(static_cast<uint32_t>((i * 37) & 0xFF) << 16 | ((i * 91 + 7) & 0xFF) << 8 | ((255 - i) & 0xFF));
  return p;
}

struct BmpCase {
  int bitCount, compression;
  uint32_t masks[3];
};

TEST(BmpDecoder, EveryBitCountCompressionAndOrientationGivesThePixelsWritten) {
  const BmpCase cases[] = {
      {1, 0, {}},
      {4, 0, {}},
      {8, 0, {}},
      {16, 0, {}},
      {24, 0, {}},
      {32, 0, {}},
      {8, 1, {}},
      {4, 2, {}},
      {16, 3, {0xF800, 0x7E0, 0x1F}},
      {32, 3, {0xFF, 0xFF00, 0xFF0000}},
      {16, 3, {0xF00, 0xF0, 0xF}},
  };
  const int width = 11, height = 5;
  for (const BmpCase& c : cases) {
    for (bool topDown : {false, true}) {
      fixtures::BmpOptions o;
      o.bitCount = c.bitCount;
      o.compression = c.compression;
      o.topDown = topDown;
      std::memcpy(o.masks, c.masks, sizeof o.masks);
      if (c.bitCount <= 8) o.palette = Palette(1 << c.bitCount);
      std::vector<uint32_t> values;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          // Runs and literals alike for the RLE cases.
          const uint32_t v = static_cast<uint32_t>((x / 3) * 53 + y * 29 + (x % 3 == 2 ? x : 0)) * 2654435761u;
          values.push_back(c.bitCount <= 8 ? (v >> 8) % (1u << c.bitCount)
                                           : (c.bitCount == 32 ? v : v & ((1u << c.bitCount) - 1)));
        }
      TestGraphImage image;
      ASSERT_EQ(Decode(fixtures::BmpFile(o, width, height, values), &image.image), 0)
          << c.bitCount << "/" << c.compression << " " << topDown;
      ASSERT_EQ(image.image.width, width);
      ASSERT_EQ(image.image.height, height);
      const uint32_t x1r5g5b5[3] = {0x7C00, 0x3E0, 0x1F};
      const uint32_t xrgb[3] = {0xFF0000, 0xFF00, 0xFF};
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const uint32_t v = values[y * width + x];
          uint32_t want = 0;
          if (c.bitCount <= 8) want = o.palette[v];
          else if (c.compression == 3) want = FromMasks(v, c.masks);
          else if (c.bitCount == 16) want = FromMasks(v, x1r5g5b5);
          else want = FromMasks(v, xrgb);
          ASSERT_EQ(Rgb(image.image, x, y), want)
              << c.bitCount << "/" << c.compression << " " << topDown << " at " << x << "," << y;
        }
    }
  }
}

// The longer information headers keep their masks where the 40-byte header's
// follow it, and their palette after the whole header: each file decodes as
// its 40-byte twin does.
TEST(BmpDecoder, LongerInformationHeadersDecodeAsTheirFortyByteTwins) {
  struct Case {
    int bitCount, compression, headerSize;
    uint32_t masks[3];
  };
  const Case cases[] = {
      {8, 0, 124, {}},
      {8, 0, 108, {}},
      {4, 0, 108, {}},
      {1, 0, 108, {}},
      {8, 1, 124, {}},
      {4, 2, 108, {}},
      {24, 0, 124, {}},
      {16, 3, 124, {0xF800, 0x7E0, 0x1F}},
      {32, 3, 108, {0xFF, 0xFF00, 0xFF0000}},
  };
  const int width = 9, height = 4;
  for (const Case& c : cases) {
    fixtures::BmpOptions o;
    o.bitCount = c.bitCount;
    o.compression = c.compression;
    std::memcpy(o.masks, c.masks, sizeof o.masks);
    if (c.bitCount <= 8) o.palette = Palette(1 << c.bitCount);
    std::vector<uint32_t> values;
    for (int i = 0; i < width * height; ++i) {
      const uint32_t v = static_cast<uint32_t>(i / 2 * 7 + 3) * 2654435761u;
      values.push_back(c.bitCount <= 8 ? (v >> 8) % (1u << c.bitCount) : v & 0xFFFFFF);
    }
    TestGraphImage twin, longer;
    ASSERT_EQ(Decode(fixtures::BmpFile(o, width, height, values), &twin.image), 0) << c.headerSize;
    o.headerSize = c.headerSize;
    ASSERT_EQ(Decode(fixtures::BmpFile(o, width, height, values), &longer.image), 0)
        << c.bitCount << "/" << c.compression << " " << c.headerSize;
    ASSERT_EQ(longer.image.width, width);
    ASSERT_EQ(longer.image.height, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(Rgb(longer.image, x, y), Rgb(twin.image, x, y))
            << c.bitCount << "/" << c.compression << " " << c.headerSize << " at " << x << "," << y;
        if (c.bitCount <= 8) {
          ASSERT_EQ(Rgb(longer.image, x, y), o.palette[values[y * width + x]]);
        }
      }
  }
  // A header size reaching past the end of the file is refused.
  fixtures::BmpOptions o;
  o.bitCount = 8;
  o.palette = Palette(256);
  std::string file = fixtures::BmpFile(o, 2, 2, {1, 2, 3, 4});
  for (const uint32_t size : {static_cast<uint32_t>(file.size()) - 13, 0x7FFFFFF0u, 0xFFFFFFF0u}) {
    file.replace(14, 4, fixtures::Le32(size));
    TestGraphImage image;
    EXPECT_EQ(Decode(file, &image.image), -1) << size;
  }
}

TEST(BmpDecoder, RunLengthDataFollowsItsCodes) {
  struct RleCase {
    int bitCount, width, height;
    std::vector<uint8_t> rle;
    std::vector<uint8_t> fileRows;  // indices, rows in file order
  };
  const RleCase cases[] = {
      // A run, end of line, a run, end of bitmap.
      {8, 4, 2, {0x03, 0x05, 0x00, 0x00, 0x02, 0x07, 0x00, 0x01}, {5, 5, 5, 0, 7, 7, 0, 0}},
      // RLE4 alternates the nibbles, high first.
      {4, 5, 1, {0x05, 0x12, 0x00, 0x01}, {1, 2, 1, 2, 1}},
      // A delta moves right and onward in file order; a literal is padded to even.
      {8, 4, 3, {0x00, 0x02, 0x01, 0x01, 0x00, 0x03, 9, 8, 7, 0x00, 0x00, 0x01}, {0, 0, 0, 0, 0, 9, 8, 7, 0, 0, 0, 0}},
      // Runs, literals and deltas past the image are clipped.
      {8,
       3,
       2,
       {0x09, 0x04, 0x00, 0x02, 0x7F, 0x7F, 0x02, 0x05, 0x00, 0x04, 1, 2, 3, 4, 0x00, 0x01},
       {4, 4, 4, 0, 0, 0}},
      // Data that ends early leaves zeros.
      {8, 4, 2, {0x02, 0x06, 0x00}, {6, 6, 0, 0, 0, 0, 0, 0}},
  };
  for (const RleCase& c : cases) {
    TestGraphImage image;
    ASSERT_EQ(Decode(fixtures::BmpRleFile(c.bitCount, c.width, c.height, c.rle, Palette(256)), &image.image), 0);
    ASSERT_EQ(image.image.format.bytesPerPixel, 1);
    for (int row = 0; row < c.height; ++row)
      for (int x = 0; x < c.width; ++x) {
        const int y = c.height - 1 - row;  // positive heights store the bottom row first
        EXPECT_EQ(image.image.pixels[y * image.image.pitch + x], c.fileRows[row * c.width + x])
            << c.bitCount << " row " << row << " x " << x;
      }
  }
}

TEST(BmpDecoder, BadHeadersAreRefusedAndShortDataIsZeroPadded) {
  fixtures::BmpOptions o;
  const std::string good = fixtures::BmpFile(o, 2, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC});
  auto with = [&](int offset, uint32_t value) {
    std::string s = good;
    std::memcpy(&s[offset], fixtures::Le32(value).data(), 4);
    return s;
  };
  const std::string refused[] = {
      with(18, 0),                          // width 0
      with(18, static_cast<uint32_t>(-3)),  // negative width
      with(22, 0),                          // height 0
      with(22, 0x80000000u),                // INT_MIN height
      with(22, static_cast<uint32_t>(-(kMaxImageSide + 1))),
      with(18, kMaxImageSide + 1),
      with(30, 4),  // JPEG and PNG inside a BMP
      with(30, 5),
      with(30, 77),
      with(30, 1),                                       // RLE8 on 24-bit data
      with(10, static_cast<uint32_t>(good.size()) + 1),  // pixels past the end
      good.substr(0, 30),
  };
  for (size_t i = 0; i < std::size(refused); ++i) {
    TestGraphImage image;
    GraphImage probe{};
    BufferStream* buffer = BufferStreamOpen(refused[i].data(), static_cast<int>(refused[i].size()));
    MediaStream stream{gBufferStreamFunctions, buffer};
    EXPECT_EQ(ReadBmpStream(&stream, &probe), -1) << i;
    BufferStreamClose(buffer);
    FreeGraphImage(&probe);
  }
  // A negative height stays top-down; rows missing at the end read black.
  std::string topDown = with(22, static_cast<uint32_t>(-2));
  topDown.resize(topDown.size() - 8);
  TestGraphImage image;
  ASSERT_EQ(Decode(topDown, &image.image), 0);
  // The bottom row written first is now the top row.
  EXPECT_EQ(Rgb(image.image, 0, 0), 0x778899u);
  EXPECT_EQ(Rgb(image.image, 1, 0), 0xAABBCCu);
  EXPECT_EQ(Rgb(image.image, 0, 1), 0u);
}

// A header claiming a large picture over a few bytes of pixel data: the
// data must hold at least half of its rows, so the decoder never fills a
// picture that large from a file that small.
TEST(BmpDecoder, PixelDataHoldingLessThanHalfItsRowsIsRefused) {
  struct Case {
    int bitCount, width, height;
    int64_t keptBytes;  // pixel data left in the file
    int result;
  };
  // Exactly half of the rows are kept (two of four 8-byte rows, one of two
  // 12-byte rows) or a byte less.
  const Case cases[] = {
      {1, 8199, 6145, 0, -1},   {1, 4000, 3000, 0, -1},  {4, 4000, 3000, 0, -1},   {8, 4000, 3000, 0, -1},
      {16, 4000, 3000, 12, -1}, {24, 4000, 3000, 0, -1}, {32, 4000, 3000, 12, -1}, {24, 2, 4, 16, 0},
      {24, 2, 4, 15, -1},       {32, 3, 2, 12, 0},       {32, 3, 2, 11, -1},
  };
  for (const Case& c : cases) {
    fixtures::BmpOptions o;
    o.bitCount = c.bitCount;
    if (c.bitCount <= 8) o.palette = Palette(1 << c.bitCount);
    std::string file = fixtures::BmpFile(o, 1, 1, {1});
    const size_t offset = static_cast<uint8_t>(file[10]) | static_cast<size_t>(static_cast<uint8_t>(file[11])) << 8;
    file.resize(offset);
    file.replace(18, 4, fixtures::Le32(static_cast<uint32_t>(c.width)));
    file.replace(22, 4, fixtures::Le32(static_cast<uint32_t>(c.height)));
    file += std::string(static_cast<size_t>(c.keptBytes), '\x7F');
    if (c.width == 8199) {
      EXPECT_EQ(file.size(), 62u);
    }
    TestGraphImage image;
    EXPECT_EQ(Decode(file, &image.image), c.result) << c.bitCount << " bits, " << c.keptBytes << " bytes";
    if (c.result == 0) {
      // Bottom-up: the rows present are the bottom ones; the rest read black.
      EXPECT_NE(Rgb(image.image, 0, c.height - 1), 0u) << c.bitCount;
      EXPECT_EQ(Rgb(image.image, 0, 0), 0u) << c.bitCount;
    }
  }
}

TEST(BmpDecoder, AFailedDibLeavesNothingBehind) {
  fixtures::BmpOptions o;
  o.bitCount = 1;
  o.palette = {0x000000, 0xFFFFFF};
  const std::string file = fixtures::BmpFile(o, 9, 3, std::vector<uint32_t>(27, 1));
  const int live = platform::LiveDisplayObjects();
  for (int fault : {1, 2}) {
    platform::SetDibSectionFault(fault);
    TestGraphImage image;
    GraphImage probe{};
    BufferStream* buffer = BufferStreamOpen(file.data(), static_cast<int>(file.size()));
    MediaStream stream{gBufferStreamFunctions, buffer};
    EXPECT_EQ(ReadBmpStream(&stream, &probe), -1) << fault;
    BufferStreamClose(buffer);
    EXPECT_EQ(platform::LiveDisplayObjects(), live) << fault;
  }
  TestGraphImage image;
  ASSERT_EQ(Decode(file, &image.image), 0);
  EXPECT_EQ(Rgb(image.image, 8, 2), 0xFFFFFFu);
  EXPECT_EQ(platform::LiveDisplayObjects(), live);
}

TEST(BgraDecoder, ReadsEightAndSixteenBitChannels) {
  const std::vector<uint32_t> argb = {0x80102030, 0xFF405060, 0x00708090, 0x7FA0B0C0, 0x01D0E0F0, 0xFEFFFFFF};
  for (bool sixteen : {false, true}) {
    TestGraphImage image;
    ASSERT_EQ(Decode(fixtures::BgraFile(3, 2, argb, sixteen), &image.image), 0);
    EXPECT_EQ(image.image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(image.image.pitch, 12);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ReadPixelAsARGB(&image.image, i % 3, i / 3), argb[i]) << sixteen << i;
  }
  // 16-bit channels keep their high byte: 00 11 00 22 00 33 00 44.
  std::string file = "BGRA" + fixtures::Le32(0x10101010) + fixtures::Le32(1) + fixtures::Le32(1) +
                     std::string("\x00\x11\x00\x22\x00\x33\x00\x44", 8);
  TestGraphImage one;
  ASSERT_EQ(Decode(file, &one.image), 0);
  EXPECT_EQ(ReadPixelAsARGB(&one.image, 0, 0), 0x44332211u);
  // Bad depth words, sizes and data too short for its size are refused.
  std::string badDepth = fixtures::BgraFile(1, 1, {0}, false);
  badDepth[4] = 0x09;
  const std::string refused[] = {
      badDepth, fixtures::BgraFile(3, 2, argb, false).substr(0, 30),
      "BGRA" + fixtures::Le32(0x08080808) + fixtures::Le32(0) + fixtures::Le32(1),
      "BGRA" + fixtures::Le32(0x08080808) + fixtures::Le32(0x40000000) + fixtures::Le32(0x40000000)};
  for (const std::string& bytes : refused) {
    TestGraphImage image;
    EXPECT_EQ(Decode(bytes, &image.image), -1);
  }
}

TEST(TgaDecoder, TypesDepthsOrientationsAndFootersGiveThePixelsWritten) {
  const int width = 6, height = 4;
  for (int type : {1, 2, 9, 10}) {
    for (int depth : {16, 24, 32}) {
      for (int orientation = 0; orientation < 4; ++orientation) {
        for (bool footer : {false, true}) {
          fixtures::TgaOptions o;
          o.type = type;
          o.depth = depth;
          o.topDown = orientation & 1;
          o.rightToLeft = orientation & 2;
          o.footer = footer;
          o.id = "id!";
          const bool mapped = type == 1 || type == 9;
          const uint32_t mask = depth == 16 ? 0xFFFF : depth == 24 ? 0xFFFFFF : 0xFFFFFFFF;
          for (int i = 0; i < 12; ++i) o.colorMap.push_back((0x9E3779B9u * (i + 1)) & mask);
          o.mapFirst = 3;
          std::vector<uint32_t> values, expected;
          for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
              const int index = 3 + (x / 2 + y) % 12;  // runs of two for the RLE types
              values.push_back(mapped ? static_cast<uint32_t>(index) : ((0x01000193u * (x / 2 + y * 7 + 1)) & mask));
              expected.push_back(mapped ? o.colorMap[index - 3] : values.back());
            }
          TestGraphImage image;
          ASSERT_EQ(Decode(fixtures::TgaFile(o, width, height, values), &image.image), 0)
              << type << " " << depth << " " << orientation << " " << footer;
          ASSERT_EQ(image.image.format.bitDepth, depth);
          ASSERT_EQ(image.image.pitch, width * depth / 8);
          for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
              uint32_t stored = 0;
              std::memcpy(&stored, image.image.pixels + y * image.image.pitch + x * depth / 8, depth / 8);
              ASSERT_EQ(stored, expected[y * width + x])
                  << type << " " << depth << " " << orientation << " " << footer << " at " << x << "," << y;
            }
        }
      }
    }
  }
}

TEST(TgaDecoder, EdgeCases) {
  fixtures::TgaOptions o;
  // Width 8192 is accepted, 8193 refused.
  {
    TestGraphImage image;
    EXPECT_EQ(Decode(fixtures::TgaFile(o, 8192, 1, std::vector<uint32_t>(8192, 0x123456)), &image.image), 0);
    TestGraphImage refused;
    EXPECT_EQ(Decode(fixtures::TgaFile(o, 8193, 1, std::vector<uint32_t>(8193, 0x123456)), &refused.image), -1);
  }
  // Bottom-up and right to left: the file's last row, reversed, is row 0.
  {
    o.rightToLeft = true;
    const std::string file = fixtures::TgaFile(o, 3, 2, {1, 2, 3, 4, 5, 6});
    TestGraphImage image;
    ASSERT_EQ(Decode(file, &image.image), 0);
    EXPECT_EQ(Rgb(image.image, 0, 0), 1u);
    EXPECT_EQ(Rgb(image.image, 2, 1), 6u);
    o.rightToLeft = false;
  }
  // A colour map reaching past entry 255 is cut there.
  {
    fixtures::TgaOptions m;
    m.type = 1;
    m.mapFirst = 250;
    for (int i = 0; i < 20; ++i) m.colorMap.push_back(0x010101u * (i + 1));
    TestGraphImage image;
    ASSERT_EQ(Decode(fixtures::TgaFile(m, 2, 1, {255, 0}), &image.image), 0);
    EXPECT_EQ(Rgb(image.image, 0, 0), 0x060606u);
    EXPECT_EQ(Rgb(image.image, 1, 0), 0u);
  }
  // RLE data that ends early stops there; refused origins, types and depths.
  {
    fixtures::TgaOptions r;
    r.type = 10;
    std::string file = fixtures::TgaFile(r, 4, 4, std::vector<uint32_t>(16, 0xABCDEF));
    file.resize(file.size() - 2);
    TestGraphImage image;
    EXPECT_EQ(Decode(file, &image.image), 0);
    std::string origin = fixtures::TgaFile(o, 2, 2, {1, 2, 3, 4});
    origin[8] = 1;
    std::string type3 = fixtures::TgaFile(o, 2, 2, {1, 2, 3, 4});
    type3[2] = 3;
    std::string depth8 = fixtures::TgaFile(o, 2, 2, {1, 2, 3, 4});
    depth8[16] = 8;
    for (const std::string& bad : {origin, type3, depth8}) {
      TestGraphImage refused;
      EXPECT_EQ(Decode(bad, &refused.image), -1);
    }
  }
}

// --- PNG and JPEG against the libraries' own reads ------------------------------------

std::string PngBytes(int width, int height, uint32_t format, const std::vector<uint8_t>& pixels,
                     const std::vector<uint8_t>& colormap = {}, int entries = 0) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(entries);
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, entries ? colormap.data() : nullptr);
  std::string out(size, '\0');
  EXPECT_NE(
      png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, entries ? colormap.data() : nullptr),
      0);
  out.resize(size);
  return out;
}

std::vector<uint8_t> SimplifiedRead(const std::string& bytes, uint32_t format) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
  image.format = format;
  std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
  return out;
}

TEST(PngDecoder, EightBitPngsEqualTheLibrarysSimplifiedRead) {
  const int w = 13, h = 7;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < w * h * 4; ++i) bytes.push_back(static_cast<uint8_t>(i * 7 + (i / 5) * 3));
  struct Case {
    uint32_t writeFormat;
    int bytesPerPixel;
    uint32_t compareFormat;  // the decoded layout as a simplified format
  };
  const Case cases[] = {
      {PNG_FORMAT_RGB, 3, PNG_FORMAT_BGR},
      {PNG_FORMAT_RGBA, 4, PNG_FORMAT_BGRA},
      {PNG_FORMAT_GRAY, 1, PNG_FORMAT_GRAY},
  };
  for (const Case& c : cases) {
    const std::string file = PngBytes(w, h, c.writeFormat, bytes);
    TestGraphImage image;
    ASSERT_EQ(Decode(file, &image.image), 0);
    ASSERT_EQ(image.image.format.bytesPerPixel, c.bytesPerPixel);
    const std::vector<uint8_t> want = SimplifiedRead(file, c.compareFormat);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(std::memcmp(image.image.pixels + y * image.image.pitch, want.data() + y * w * c.bytesPerPixel,
                            static_cast<size_t>(w * c.bytesPerPixel)),
                0)
          << c.writeFormat << " row " << y;
  }
  // Grey with alpha: the 16-bit grey layout, the alpha ignored.
  {
    const std::string file = PngBytes(w, h, PNG_FORMAT_GA, bytes);
    TestGraphImage image;
    ASSERT_EQ(Decode(file, &image.image), 0);
    EXPECT_EQ(image.image.format.bitDepth, 16);
    EXPECT_EQ(image.image.format.alphaMask, 0u);
    EXPECT_EQ(image.image.format.unusedMask, 0xFF00u);
    const std::vector<uint8_t> want = SimplifiedRead(file, PNG_FORMAT_GA);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t g = want[(y * w + x) * 2];
        ASSERT_EQ(Rgb(image.image, x, y), static_cast<uint32_t>(g << 16 | g << 8 | g));
      }
  }
  // A palette without transparency keeps its indices; with it, ARGB8.
  for (bool transparent : {false, true}) {
    std::vector<uint8_t> map;
    for (int i = 0; i < 16; ++i) {
      map.insert(map.end(),
                 {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9), static_cast<uint8_t>(i * 5)});
      if (transparent) map.push_back(static_cast<uint8_t>(i * 17));
    }
    std::vector<uint8_t> indices;
    for (int i = 0; i < w * h; ++i) indices.push_back(static_cast<uint8_t>((i * 5) % 16));
    const std::string file =
        PngBytes(w, h, transparent ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGB_COLORMAP, indices, map, 16);
    TestGraphImage image;
    ASSERT_EQ(Decode(file, &image.image), 0);
    EXPECT_EQ(image.image.format.bytesPerPixel, transparent ? 4 : 1);
    const std::vector<uint8_t> want = SimplifiedRead(file, PNG_FORMAT_BGRA);
    for (int i = 0; i < w * h; ++i) {
      const uint8_t* p = &want[i * 4];
      const uint32_t argb = static_cast<uint32_t>(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0];
      ASSERT_EQ(ReadPixelAsARGB(&image.image, i % w, i / w) | (transparent ? 0 : 0xFF000000u), argb) << i;
    }
  }
}

std::string JpegBytes(int width, int height, int components) {
  const size_t rowSize = static_cast<size_t>(width) * components;
  std::vector<uint8_t> samples(rowSize * height);
  for (int y = 0; y < height; ++y)
    for (size_t i = 0; i < rowSize; ++i) samples[y * rowSize + i] = static_cast<uint8_t>((i * 3 + y * 5) ^ (i / 7));
  return fixtures::JpegFile(width, height, components, samples, 85);
}

// libjpeg's own decode: rows of RGB or grey.
std::vector<uint8_t> LibraryDecode(const std::string& bytes, int* components) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr error{};
  d.err = jpeg_std_error(&error);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  *components = d.output_components;
  std::vector<uint8_t> out(static_cast<size_t>(d.output_width) * d.output_height * d.output_components);
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = out.data() + static_cast<size_t>(d.output_scanline) * d.output_width * d.output_components;
    jpeg_read_scanlines(&d, &r, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return out;
}

TEST(JpegDecoder, ColourAndGreyEqualTheLibrarysDecodeAndTruncatedFilesEnd) {
  const int w = 37, h = 21;
  for (int components : {1, 3}) {
    const std::string file = JpegBytes(w, h, components);
    int got = 0;
    const std::vector<uint8_t> want = LibraryDecode(file, &got);
    ASSERT_EQ(got, components);
    TestGraphImage image;
    ASSERT_EQ(Decode(file, &image.image), 0);
    ASSERT_EQ(image.image.format.bytesPerPixel, components);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &want[(y * w + x) * components];
        const uint32_t rgb =
            components == 1 ? (p[0] * 0x010101u) : static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        ASSERT_EQ(Rgb(image.image, x, y), rgb) << components << " at " << x << "," << y;
      }
  }
  // A truncated file decodes to the end of its data; an empty one is refused.
  const std::string file = JpegBytes(64, 64, 3);
  TestGraphImage cut;
  EXPECT_EQ(Decode(file.substr(0, file.size() / 2), &cut.image), 0);
  EXPECT_EQ(cut.image.height, 64);
  TestGraphImage none;
  GraphImage probe{};
  BufferStream* empty = BufferStreamOpen("", 0);
  MediaStream stream{gBufferStreamFunctions, empty};
  EXPECT_EQ(ReadJpegStream(&stream, &probe), -1);
  BufferStreamClose(empty);
}

// Past the end of its data every row still costs a real row's work, so a
// file claiming far more pixels than its bytes could hold is refused when its
// data runs out; a flat picture, the best any encoder compresses, missing
// only its end marker still decodes.
TEST(JpegDecoder, DataEndingFarShortOfTheClaimedSizeIsRefused) {
  // Huffman-coded files are refused at their header, arithmetic-coded ones
  // (which may compress further) where their data ends.
  for (const bool arithmetic : {false, true}) {
    const std::string file = fixtures::JpegFile(64, 64, 3, std::vector<uint8_t>(64 * 64 * 3, 0x40), 85, arithmetic);
    const size_t frame = file.find(arithmetic ? "\xFF\xC9" : "\xFF\xC0");
    const size_t scan = file.find("\xFF\xDA");
    ASSERT_NE(frame, std::string::npos) << arithmetic;
    ASSERT_NE(scan, std::string::npos) << arithmetic;
    TestGraphImage whole;
    ASSERT_EQ(Decode(file, &whole.image), 0) << arithmetic;
    std::string huge =
        file.substr(0, scan + 2 + (static_cast<uint8_t>(file[scan + 2]) << 8 | static_cast<uint8_t>(file[scan + 3])));
    huge[frame + 5] = 0x10;  // 4096 rows
    huge[frame + 6] = 0x00;
    huge[frame + 7] = 0x40;  // of 16384 pixels
    huge[frame + 8] = 0x00;
    TestGraphImage refused;
    EXPECT_EQ(Decode(huge, &refused.image), -1) << arithmetic;
    EXPECT_EQ(refused.image.pixels, nullptr);
    // The Huffman-coded file is refused before its picture block is
    // allocated: the decoder makes no tracked allocation at all.
    if (!arithmetic) {
      BufferStream* buffer = BufferStreamOpen(huge.data(), static_cast<int>(huge.size()));
      MediaStream stream{gBufferStreamFunctions, buffer};
      GraphImage probe{};
      EXPECT_EQ(TrackedAllocationsDuring([&] { EXPECT_EQ(ReadJpegStream(&stream, &probe), -1); }), 0);
      EXPECT_EQ(probe.pixels, nullptr);
      BufferStreamClose(buffer);
    }
  }

  const int side = 1024;
  const std::string flat =
      fixtures::JpegFile(side, side, 3, std::vector<uint8_t>(static_cast<size_t>(side) * side * 3, 0x80), 10);
  TestGraphImage image;
  ASSERT_EQ(Decode(flat.substr(0, flat.size() - 2), &image.image), 0) << flat.size() << " bytes";
  EXPECT_EQ(image.image.height, side);
  EXPECT_EQ(Rgb(image.image, side - 1, side - 1), Rgb(image.image, 0, 0));
}

// A file missing only its end marker decodes as the whole file does, however
// far its coding compressed it: the flat pictures compress to well over a
// thousand pixels a byte when arithmetic-coded.
TEST(JpegDecoder, AFileMissingOnlyItsEndMarkerDecodesWhateverItsCoding) {
  struct Case {
    int side;
    bool flat, arithmetic;
  };
  const Case cases[] = {
      {1024, true, false}, {1024, true, true}, {256, true, true}, {96, false, false}, {96, false, true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> samples(static_cast<size_t>(c.side) * c.side * 3, 0x80);
    if (!c.flat)
      for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>((i / 3 % c.side) * 2 + i % 3 * 40);
    const std::string file = fixtures::JpegFile(c.side, c.side, 3, samples, 10, c.arithmetic);
    ASSERT_EQ(file.substr(file.size() - 2), "\xFF\xD9");
    TestGraphImage whole, cut;
    ASSERT_EQ(Decode(file, &whole.image), 0);
    ASSERT_EQ(Decode(file.substr(0, file.size() - 2), &cut.image), 0)
        << c.side << (c.arithmetic ? " arithmetic, " : " Huffman, ") << file.size() << " bytes";
    ASSERT_EQ(cut.image.height, c.side);
    for (int y = 0; y < c.side; ++y)
      ASSERT_EQ(std::memcmp(cut.image.pixels + static_cast<ptrdiff_t>(y) * cut.image.pitch,
                            whole.image.pixels + static_cast<ptrdiff_t>(y) * whole.image.pitch,
                            static_cast<size_t>(c.side) * 3),
                0)
          << c.side << " " << c.arithmetic << " row " << y;
  }
}

// Files longer than one read of the stream: application segments ahead of the
// image, skipped across reads, push the picture's data over the end of the
// first read or leave the skip itself straddling it.
TEST(JpegDecoder, LongFilesEqualTheLibrarysDecode) {
  const int w = 96, h = 64;
  std::vector<uint8_t> samples(static_cast<size_t>(w) * h * 3);
  uint32_t noise = 7;
  for (uint8_t& s : samples) {
    noise = noise * 1103515245u + 12345u;
    s = static_cast<uint8_t>(noise >> 24);
  }
  const std::string picture = fixtures::JpegFile(w, h, 3, samples, 95);
  for (int padding : {0, 250000, 262000, 600000}) {
    std::string file = picture.substr(0, 2);
    for (int left = padding; left > 0;) {
      const int payload = std::min(left, 65533);
      file +=
          std::string("\xFF\xEF", 2) + static_cast<char>((payload + 2) >> 8) + static_cast<char>((payload + 2) & 0xFF);
      file += std::string(static_cast<size_t>(payload), '\x5A');
      left -= payload;
    }
    file += picture.substr(2);
    int components = 0;
    const std::vector<uint8_t> want = LibraryDecode(file, &components);
    ASSERT_EQ(components, 3);
    TestGraphImage image;
    ASSERT_EQ(Decode(file, &image.image), 0) << padding;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &want[(y * w + x) * 3];
        ASSERT_EQ(Rgb(image.image, x, y), static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]))
            << padding << " at " << x << "," << y;
      }
  }
}

// --- DDS --------------------------------------------------------------------------------

std::string Dxt1Block(uint16_t c0, uint16_t c1, uint32_t indices) {
  return fixtures::Le16(c0) + fixtures::Le16(c1) + fixtures::Le32(indices);
}

TEST(DdsDecoder, BlockEdgeCases) {
  using fixtures::DdsFile;
  using fixtures::DdsOptions;
  struct Case {
    const char* name;
    std::string fourCC;
    std::string block;
    std::vector<uint32_t> argb;  // the first pixels of the block
  };
  const std::string red565 = Dxt1Block(0xF800, 0x001F, 0xE4);
  const Case cases[] = {
      {"DXT1 four colours", "DXT1", red565, {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}},
      {"DXT1 three colours", "DXT1", Dxt1Block(0x07E0, 0x07E0, 0xE4), {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0x0000FF00}},
      {"DXT3 nibbles", "DXT3", fixtures::Le32(0x1F) + fixtures::Le32(0) + red565, {0xFFFF0000, 0x110000FF, 0x00AA0055}},
      {"DXT5 falling",
       "DXT5",
       std::string("\xFF\x00", 2) + std::string("\x88\xC6\xFA\0\0\0", 6) + red565,
       // indices 0..7 at pixels 0..7: a0, a1, a2 = 218, ..., a7 = 36
       {0xFFFF0000, 0x000000FF, 0xDAAA0055, 0xB65500AA}},
      {"DXT5 rising",
       "DXT5",
       std::string("\x00\xFF", 2) + std::string("\x88\xC6\xFA\0\0\0", 6) + Dxt1Block(0xFFFF, 0xFFFF, 0),
       {0x00FFFFFF, 0xFFFFFFFF, 0x33FFFFFF, 0x66FFFFFF, 0x99FFFFFF, 0xCCFFFFFF, 0x00FFFFFF, 0xFFFFFFFF}},
      // Premultiplied: alpha 0 keeps its colour; colours above their alpha clamp.
      {"DXT2 premultiplied",
       "DXT2",
       fixtures::Le32(0x180) + fixtures::Le32(0) + Dxt1Block(0x8410, 0x8410, 0),
       {0x00838183, 0x88F5F1F5, 0x11FFFFFF, 0x00838183}},
  };
  for (const Case& c : cases) {
    DdsOptions o;
    o.fourCC = c.fourCC;
    TestGraphImage image;
    ASSERT_EQ(Decode(DdsFile(o, 4, 4, c.block), &image.image), 0) << c.name;
    EXPECT_EQ(image.image.format.compressionKind, 0u);
    for (size_t i = 0; i < c.argb.size(); ++i)
      EXPECT_EQ(ReadPixelAsARGB(&image.image, static_cast<int>(i % 4), static_cast<int>(i / 4)), c.argb[i])
          << c.name << " pixel " << i;
  }
}

TEST(DdsDecoder, HeaderCasesAndSizes) {
  using fixtures::DdsFile;
  using fixtures::DdsOptions;
  // RGB without the alpha-pixels flag is refused; with it the masks hold.
  DdsOptions rgb;
  rgb.formatFlags = 0x40;
  rgb.rgbBits = 16;
  rgb.masks[0] = 0xF800;
  rgb.masks[1] = 0x7E0;
  rgb.masks[2] = 0x1F;
  const std::string pixels565 = fixtures::Le16(0xF800) + fixtures::Le16(0x07E0);
  TestGraphImage refused;
  EXPECT_EQ(Decode(DdsFile(rgb, 2, 1, pixels565), &refused.image), -1);
  rgb.formatFlags = 0x41;
  {
    TestGraphImage image;
    ASSERT_EQ(Decode(DdsFile(rgb, 2, 1, pixels565), &image.image), 0);
    EXPECT_EQ(image.image.format.bitDepth, 16);
    EXPECT_EQ(Rgb(image.image, 0, 0), 0xF80000u);
    EXPECT_EQ(Rgb(image.image, 1, 0), 0x00FC00u);
  }
  // A pitch below the row and RGB bit counts other than 8, 16, 24, 32 are refused.
  DdsOptions pitched = rgb;
  pitched.flags |= 0x8;
  pitched.pitch = 3;
  DdsOptions odd = rgb;
  odd.rgbBits = 12;
  // A format number from the table is read as uncompressed data.
  DdsOptions table;
  table.fourCC = fixtures::DdsFormatNumber(23);
  {
    TestGraphImage a, b, t;
    EXPECT_EQ(Decode(DdsFile(pitched, 2, 1, pixels565), &a.image), -1);
    EXPECT_EQ(Decode(DdsFile(odd, 2, 1, pixels565), &b.image), -1);
    ASSERT_EQ(Decode(DdsFile(table, 2, 1, pixels565), &t.image), 0);
    EXPECT_EQ(Rgb(t.image, 1, 0), 0x00FC00u);
    DdsOptions unknown;
    unknown.fourCC = "ABCD";
    TestGraphImage u;
    EXPECT_EQ(Decode(DdsFile(unknown, 4, 4, std::string(8, '\0')), &u.image), -1);
  }
  // Mip levels: 8 + 8 + 8 bytes for DXT1, 16 + 8 + 8 for DXT5; a byte less is refused.
  for (const auto& [fourCC, bytes] : {std::pair<std::string, int>{"DXT1", 24}, {"DXT5", 32}}) {
    DdsOptions mip;
    mip.fourCC = fourCC;
    mip.flags |= 0x20000;
    mip.caps = 0x400008;
    mip.mipCount = 3;
    TestGraphImage whole, shorter;
    EXPECT_EQ(Decode(DdsFile(mip, 4, 4, std::string(bytes, '\0')), &whole.image), 0) << fourCC;
    EXPECT_EQ(whole.image.mipMapCount, 3);
    EXPECT_EQ(Decode(DdsFile(mip, 4, 4, std::string(bytes - 1, '\0')), &shorter.image), -1) << fourCC;
  }
  // 5 x 3 reads two blocks a row and writes every pixel, edge blocks clipped.
  {
    DdsOptions o;
    std::string blocks;
    blocks += Dxt1Block(0xF800, 0xF800, 0);  // red
    blocks += Dxt1Block(0x001F, 0x001F, 0);  // blue
    TestGraphImage image;
    ASSERT_EQ(Decode(DdsFile(o, 5, 3, blocks), &image.image), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(Rgb(image.image, x, y), x < 4 ? 0xFF0000u : 0x0000FFu) << x << "," << y;
  }
}

// A mip count far beyond the levels the picture has: uncompressed levels
// shrink to nothing, so the data needed stays that of the real levels;
// compressed levels never shrink below a block, so the data runs out.
TEST(DdsDecoder, AMipCountBeyondTheRealLevelsNeedsOnlyTheirData) {
  using fixtures::DdsFile;
  using fixtures::DdsOptions;
  struct Case {
    const char* name;
    int width, height, rgbBits;
    std::string fourCC;  // empty: uncompressed with masks
    uint32_t mipCount;
    int bytes;  // the data the levels need
    int result;
  };
  const Case cases[] = {
      // 64 + 16 + 4 + 1 bytes, then empty levels.
      {"4x4 ARGB", 4, 4, 32, "", 0xFFFE0003u, 85, 0},
      // 105 + 26 + 6 + 1 bytes.
      {"7x5 RGB", 7, 5, 24, "", 0xFFFFFFFFu, 138, 0},
      {"4x4 DXT1", 4, 4, 0, "DXT1", 0xFFFFFFFFu, 4096, -1},
  };
  // The walk over the levels visits only those that hold data: four, the
  // first included, then it stops; compressed levels of 8 bytes go on until
  // the data is passed.
  struct Walk {
    int64_t first;
    bool compressed;
    uint32_t count;
    int64_t limit, bytes;
    uint32_t levels;
  };
  const Walk walks[] = {
      {64, false, 1000, 1 << 20, 85, 4},   {64, false, 0xFFFFFFFFu, 1 << 20, 85, 4},
      {105, false, 1000, 1 << 20, 138, 4}, {64, false, 3, 1 << 20, 84, 3},
      {8, true, 1000, 4096, 4104, 513},    {8, true, 0xFFFFFFFFu, 4096, 4104, 513},
  };
  for (const Walk& w : walks) {
    const DdsMipChain chain = DdsMipChainSize(w.first, w.compressed, w.count, w.limit);
    EXPECT_EQ(chain.levels, w.levels) << w.first << " x" << w.count;
    EXPECT_EQ(chain.bytes, w.bytes) << w.first << " x" << w.count;
  }
  for (const Case& c : cases) {
    DdsOptions o;
    o.flags |= 0x20000;
    o.caps = 0x400008;
    o.mipCount = c.mipCount;
    if (c.fourCC.empty()) {
      o.formatFlags = 0x41;
      o.rgbBits = static_cast<uint32_t>(c.rgbBits);
      o.masks[0] = 0xFF0000;
      o.masks[1] = 0xFF00;
      o.masks[2] = 0xFF;
    } else {
      o.fourCC = c.fourCC;
    }
    TestGraphImage whole, shorter;
    EXPECT_EQ(Decode(DdsFile(o, c.width, c.height, std::string(static_cast<size_t>(c.bytes), '\x40')), &whole.image),
              c.result)
        << c.name;
    if (c.result == 0) {
      EXPECT_EQ(Rgb(whole.image, c.width - 1, c.height - 1), 0x404040u) << c.name;
      EXPECT_EQ(
          Decode(DdsFile(o, c.width, c.height, std::string(static_cast<size_t>(c.bytes) - 1, '\x40')), &shorter.image),
          -1)
          << c.name;
    }
  }
}

TEST(ImageChain, APngPassesTheEarlierDecodersAndAlphaNamesAreBuilt) {
  std::vector<uint8_t> px(4 * 3, 0x40);
  const std::string png = PngBytes(2, 2, PNG_FORMAT_RGB, px);
  BufferStream* buffer = BufferStreamOpen(png.data(), static_cast<int>(png.size()));
  MediaStream stream{gBufferStreamFunctions, buffer};
  GraphImage probe{};
  EXPECT_EQ(ReadBmpStream(&stream, &probe), -1);
  MediaStreamSeek(&stream, 0, 0);
  EXPECT_EQ(ReadJpegStream(&stream, &probe), -1);
  TestGraphImage image;
  EXPECT_EQ(RunImageLoaders(&stream, &image.image), 0);
  EXPECT_EQ(Rgb(image.image, 1, 1), 0x404040u);
  BufferStreamClose(buffer);

  EXPECT_EQ(MakeAlphaFileName("Data\\chara.png"), "Data\\chara_a.png");
  EXPECT_EQ(MakeAlphaFileName("a.b\\pic"), "a_a.b\\pic");
  EXPECT_EQ(MakeAlphaFileName("pic"), "pic_a");
  const std::string longName(300, 'x');
  EXPECT_EQ(MakeAlphaFileName((longName + ".bmp").c_str()), longName + "_a.bmp");
}

TEST(ImageChain, AnImageThatStaysCompressedRefusesPixelCalls) {
  GraphImage image{};
  SetARGB8ColorFormat(&image.format);
  image.format.compressionKind = 9;
  image.width = image.height = 4;
  EXPECT_EQ(MirrorGraphImage(&image), -1);
  EXPECT_EQ(FillGraphImage(&image, 1, 2, 3, 4), -1);
  EXPECT_EQ(WriteGraphImagePixel(&image, 0, 0, 1, 2, 3, 4), -1);
  EXPECT_EQ(ReadGraphImagePixel(&image, 0, 0, nullptr, nullptr, nullptr, nullptr), -1);
}

TEST(ImageChain, TheWritersRoundTripThroughTheFilesAndTheAlphaCompanion) {
  ScratchFolder folder(true);
  // 32-bit and 24-bit sources; 9 pixels wide so the 24-bit BMP rows need padding.
  GraphImage full{};
  AllocRGB24GraphImage(9, 6, &full);
  GraphImage source{};
  AllocXRGB8GraphImage(9, 6, &source);
  for (GraphImage* from : {&source, &full})
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 9; ++x) WriteGraphImagePixel(from, x, y, x * 28, y * 40, (x ^ y) * 15, 255);
  const std::string bmp = "pic.bmp", png = "pic.png", alpha = "pic_a.png";
  for (GraphImage* from : {&source, &full}) {
    const int depth = from->format.bitDepth;
    ASSERT_EQ(WriteGraphImageBmp(bmp.c_str(), from), 0) << depth;
    ASSERT_EQ(WritePngFile(png.c_str(), from, 6), 0) << depth;
    for (const std::string& name : {bmp, png}) {
      TestGraphImage image, companion;
      ASSERT_EQ(ReadImageWithAlphaFile(name.c_str(), nullptr, 0, 0, nullptr, 0, 0, &image.image, &companion.image, 1),
                1);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(Rgb(image.image, 8 - x, y), Rgb(source, x, y)) << name << " " << depth;
    }
  }
  FreeGraphImage(&full);
  ASSERT_EQ(WritePngFile(alpha.c_str(), &source, 6), 0);
  TestGraphImage image, companion;
  EXPECT_EQ(ReadImageWithAlphaFile(png.c_str(), nullptr, 0, 0, nullptr, 0, 0, &image.image, &companion.image, 0), 0);
  EXPECT_EQ(Rgb(companion.image, 3, 2), Rgb(source, 3, 2));
  FreeGraphImage(&source);
}

}  // namespace
