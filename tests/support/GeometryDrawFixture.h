#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/softrender/MemImg.h"

// Software images built directly over test-owned memory, for the triangle,
// quadrilateral and rotated draws, and a runner for one-pixel blend cases.
namespace geometry_test {

enum class Kind { Opaque, Alpha, Palette, PaletteWithAlphaFlag };

// A MEMIMG view over its own base and pixels. Rows carry a few spare bytes
// so that a draw that confuses width and pitch shows up.
class TestImage {
 public:
  // format 0 (RGB565) or 1 (32-bit), 2 for a blend image.
  TestImage(int width, int height, int format, Kind kind = Kind::Opaque, uint32_t transparentColor = 0xDEADBEEF);
  TestImage(const TestImage&) = delete;
  TestImage& operator=(const TestImage&) = delete;

  MEMIMG* view() { return &view_; }
  const MEMIMG* view() const { return &view_; }
  MemImgBase& base() { return base_; }
  int width() const { return view_.width; }
  int height() const { return view_.height; }
  int unit() const { return unit_; }

  // The pixel word: 32-bit value, 565 word (16-bit images, alpha sources
  // too), index (palette) or byte (blend image).
  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t value);
  // Alpha byte of a 16-bit alpha source.
  void SetAlpha16(int x, int y, uint8_t alpha);
  void Fill(uint32_t value);
  // A view of the rectangle (x, y, width, height) sharing this image's
  // pixels and pitch: a draw into it must leave the rest of the image alone.
  MEMIMG Part(int x, int y, int width, int height);
  // Pixels outside that rectangle that no longer hold value.
  int ChangedOutside(int x, int y, int width, int height, uint32_t value) const;
  uint32_t* palette32() { return palette32_.data(); }
  uint16_t* palette16() { return palette16_.data(); }

 private:
  uint8_t* At(int x, int y) { return memory_.data() + y * base_.pitch + x * unit_; }
  const uint8_t* At(int x, int y) const { return memory_.data() + y * base_.pitch + x * unit_; }

  MemImgBase base_{};
  MEMIMG view_{};
  int unit_ = 4;
  std::vector<uint8_t> memory_;
  std::vector<uint32_t> palette32_;
  std::vector<uint16_t> palette16_;
};

// Builds the blend tables once, makes coverage equal the blend-image byte,
// and puts the drawing state at its neutral values: the draw area covering
// a 1024 x 1024 target, blend mode 0, parameter 255, white brightness.
void ResetDrawState();

// One pixel through a blend operation. For a 16-bit source, src is the 565
// word and alpha its alpha byte; for a 32-bit source, src is the whole word;
// for palette sources src is the colour of index 7.
struct BlendCase {
  std::string name;
  int format;
  Kind kind;
  int mode;
  int parameter;
  uint32_t tint;  // 0xFFFFFF untinted
  bool flag;      // transparency flag
  int coverage;   // -1: no blend image
  uint32_t dst;
  uint32_t src;
  int alpha;  // 16-bit alpha sources only
  uint32_t expected;
  uint32_t key = 0xDEADBEEF;  // transparent colour (an index for palettes)
};

enum class Path { Triangle, Rotated };
const char* PathName(Path path);

// The destination pixel after drawing the case, and whether every other
// pixel kept its value.
struct BlendResult {
  uint32_t pixel;
  bool othersUnchanged;
};
BlendResult RunBlendCase(const BlendCase& c, Path path);

// Runs every case through the triangle and the rotated draw and expects its
// result on the drawn pixel and no change elsewhere.
void ExpectBlendCases(const std::vector<BlendCase>& cases);

}  // namespace geometry_test
