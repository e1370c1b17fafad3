#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Image files written straight from their formats, for decoder tests and
// fuzz seeds. Pixel values are given top-down, left to right; each writer
// stores them in the layout its options name.
namespace fixtures {

struct BmpOptions {
  int bitCount = 24;              // 1, 4, 8, 16, 24, 32
  int compression = 0;            // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
  bool topDown = false;           // negative height
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries (bit counts 1, 4, 8)
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue for bit fields
  // 40, or 108 and 124 for the longer headers, which hold the masks (and an
  // alpha mask and colour space) themselves; a palette follows the header.
  int headerSize = 40;
};
// `values`: palette indices for bit counts up to 8, else the stored pixel
// value (low bytes first).
std::string BmpFile(const BmpOptions& options, int width, int height, const std::vector<uint32_t>& values);
// A BMP holding the given RLE bytes as its pixel data (bit count 8 or 4).
std::string BmpRleFile(int bitCount, int width, int height, const std::vector<uint8_t>& rle,
                       const std::vector<uint32_t>& palette);

struct TgaOptions {
  int type = 2;              // 1, 2, 9, 10
  int depth = 24;            // 16, 24, 32: pixel or colour-map entry size
  bool topDown = false;      // descriptor bit 5
  bool rightToLeft = false;  // descriptor bit 4
  bool footer = false;
  std::string id;                  // image id bytes
  int mapFirst = 0;                // first colour-map index
  std::vector<uint32_t> colorMap;  // entry values (written for types 1 and 9 only)
};
// `values`: colour-map indices (types 1, 9) or pixel values (2, 10).
std::string TgaFile(const TgaOptions& options, int width, int height, const std::vector<uint32_t>& values);

// The raw "BGRA" format: 0xAARRGGBB pixels, 8 or 16 bits per channel (a
// 16-bit channel stores the value as its high byte, `low` as its low byte).
std::string BgraFile(int width, int height, const std::vector<uint32_t>& argb, bool sixteen, uint8_t low = 0x5A);

struct DdsOptions {
  uint32_t flags = 0x1007;  // caps, height, width, pixel format
  uint32_t pitch = 0;
  uint32_t mipCount = 0;
  uint32_t formatFlags = 0x4;   // pixel-format flags
  std::string fourCC = "DXT1";  // or a number as four bytes
  uint32_t rgbBits = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  uint32_t caps = 0x1000;
};
std::string DdsFile(const DdsOptions& options, int width, int height, const std::string& data);
// A DDS format number as FourCC bytes.
std::string DdsFormatNumber(uint32_t number);

// A baseline JPEG from libjpeg's encoder: `samples` holds width x components
// bytes per row, top-down (components 1 grey, 3 RGB); arithmetic-coded
// instead of Huffman-coded when asked.
std::string JpegFile(int width, int height, int components, const std::vector<uint8_t>& samples, int quality,
                     bool arithmetic = false);

// Little-endian byte helpers for hand-built blocks.
std::string Le16(uint32_t v);
std::string Le32(uint32_t v);

}  // namespace fixtures
