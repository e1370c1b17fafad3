#pragma once

#include <cstdint>
#include <vector>

#include "media/image/GraphImage.h"
#include "media/softrender/MemImg.h"

namespace fixtures {

// Puts gDrawState in a known state for software draws: draw area
// (0, 0, width, height), mode 0, parameter 0, white brightness; builds the
// blend tables and a border table with coverage equal to the byte value.
void ResetSoftDrawState(int width = 640, int height = 480);
void SetBlend(int mode, int parameter);
void SetTint(int blue, int green, int red);

// A software image released on destruction.
class TestImage {
 public:
  TestImage(int width, int height, int pixelFormat, int paletteFlag = 0, int alphaFlag = 0, uint32_t transparent = 0,
            int workPlanes = 0);
  ~TestImage();
  TestImage(const TestImage&) = delete;
  TestImage& operator=(const TestImage&) = delete;

  MEMIMG* get() { return &image_; }
  const MEMIMG* get() const { return &image_; }
  MemImgBase* base() { return image_.base; }

  uint8_t* At(int x, int y);
  uint32_t Get32(int x, int y);
  void Set32(int x, int y, uint32_t v);
  uint32_t Get16(int x, int y);
  void Set16(int x, int y, uint32_t v);
  // 16-bit with alpha: the 565 word and the alpha byte of a 4-byte unit.
  void Set16Alpha(int x, int y, uint32_t color, int alpha);
  void SetIndex(int x, int y, uint8_t index);
  void SetPalette32(int index, uint32_t value);
  void SetPalette16(int index, uint16_t value);
  void Fill32(uint32_t v);
  void Fill16(uint32_t v);
  void Fill8(uint8_t v);

 private:
  MEMIMG image_{};
};

// 32-bit word from blue, green, red and fourth byte.
constexpr uint32_t Bgr(int blue, int green, int red, int fourth = 0) {
  return static_cast<uint32_t>(blue) | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(red) << 16) |
         (static_cast<uint32_t>(fourth) << 24);
}
// 565 word from red, green, blue fields.
constexpr uint32_t Rgb565(int red, int green, int blue) {
  return (static_cast<uint32_t>(red) << 11) | (static_cast<uint32_t>(green) << 5) | static_cast<uint32_t>(blue);
}

// One source pixel drawn over one destination pixel, from a reset draw
// state, by the plain draw or (stretched) by the stretched draw proper
// through a mirrored 1x1 rectangle. Leaves gMemImgUseMmxForms alone.
enum class OneSource { Plain, Palette, Alpha };
struct OnePixelDraw {
  int pixelFormat;  // kMemImgRgb32 or kMemImgRgb565
  int mode, p;
  OneSource kind;
  int trans;
  uint32_t src;  // the pixel, or palette entry 255 (32-bit alpha: fourth byte)
  int alpha;     // 16-bit alpha sources
  uint32_t dst;
  uint32_t tint;  // 0x00RRGGBB
  int coverage;   // blend-image byte, or -1 for no blend image
  uint32_t key;   // transparent colour of plain and alpha sources (palette: 0xFFFF)
};
uint32_t DrawOnePixel(const OnePixelDraw& draw, bool stretched);

// A colour format from its depth and channel masks.
ColorFormat FormatFromMasks(int depth, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);

// A base image released on destruction.
class TestGraphImage {
 public:
  TestGraphImage() = default;
  ~TestGraphImage() { FreeGraphImage(&image); }
  TestGraphImage(const TestGraphImage&) = delete;
  TestGraphImage& operator=(const TestGraphImage&) = delete;
  GraphImage image{};
};

// Every pixel of an image as 32-bit values (1, 2, 3 or 4 bytes each), row by row.
std::vector<uint32_t> Pixels(const MEMIMG* image);

}  // namespace fixtures
