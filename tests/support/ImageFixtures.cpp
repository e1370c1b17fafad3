#include "support/ImageFixtures.h"

#include <cstddef>
#include <cstring>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/MemImgDraw.h"

namespace fixtures {

void ResetSoftDrawState(int width, int height) {
  MemImgBlendTablesBuild();
  MemImgBorderTableBuild(128, 255);
  gBlendBorder[0] = 0;
  gBlendBorder[255] = 255;
  gDrawState.drawArea = Rect{0, 0, width, height};
  gDrawState.blendMode = 0;
  gDrawState.blendParameter = 0;
  gDrawState.tint = 0xFFFFFF;
}

void SetBlend(int mode, int parameter) {
  gDrawState.blendMode = mode;
  gDrawState.blendParameter = parameter;
}

void SetTint(int blue, int green, int red) {
  gDrawState.tint =
      static_cast<uint32_t>(blue) | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(red) << 16);
}

TestImage::TestImage(int width, int height, int pixelFormat, int paletteFlag, int alphaFlag, uint32_t transparent,
                     int workPlanes) {
  MemImgCreate(&image_, width, height, -1, transparent, pixelFormat, paletteFlag, alphaFlag, workPlanes, nullptr);
  if (MemImgIsValid(&image_)) {
    std::memset(image_.pixels, 0, static_cast<size_t>(image_.base->pitch) * static_cast<size_t>(height));
  }
}

TestImage::~TestImage() { MemImgRelease(&image_); }

uint8_t* TestImage::At(int x, int y) {
  return image_.pixels + static_cast<ptrdiff_t>(y) * image_.base->pitch +
         static_cast<ptrdiff_t>(x) * image_.base->descriptor->bytesPerPixel;
}
uint32_t TestImage::Get32(int x, int y) {
  uint32_t v;
  std::memcpy(&v, At(x, y), 4);
  return v;
}
void TestImage::Set32(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, 4); }
uint32_t TestImage::Get16(int x, int y) {
  uint16_t v;
  std::memcpy(&v, At(x, y), 2);
  return v;
}
void TestImage::Set16(int x, int y, uint32_t v) {
  auto w = static_cast<uint16_t>(v);
  std::memcpy(At(x, y), &w, 2);
}
void TestImage::Set16Alpha(int x, int y, uint32_t color, int alpha) {
  Set16(x, y, color);
  At(x, y)[2] = static_cast<uint8_t>(alpha);
  At(x, y)[3] = 0;
}
void TestImage::SetIndex(int x, int y, uint8_t index) { *At(x, y) = index; }
void TestImage::SetPalette32(int index, uint32_t value) { static_cast<uint32_t*>(image_.base->palette)[index] = value; }
void TestImage::SetPalette16(int index, uint16_t value) { static_cast<uint16_t*>(image_.base->palette)[index] = value; }
void TestImage::Fill32(uint32_t v) {
  for (int y = 0; y < image_.height; ++y)
    for (int x = 0; x < image_.width; ++x) Set32(x, y, v);
}
void TestImage::Fill16(uint32_t v) {
  for (int y = 0; y < image_.height; ++y)
    for (int x = 0; x < image_.width; ++x) Set16(x, y, v);
}
void TestImage::Fill8(uint8_t v) {
  for (int y = 0; y < image_.height; ++y)
    for (int x = 0; x < image_.width; ++x) *At(x, y) = v;
}

std::vector<uint32_t> Pixels(const MEMIMG* image) {
  std::vector<uint32_t> out;
  const int unit = image->base->descriptor->bytesPerPixel;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const uint8_t* p =
          image->pixels + static_cast<ptrdiff_t>(y) * image->base->pitch + static_cast<ptrdiff_t>(x) * unit;
      uint32_t v = 0;
      std::memcpy(&v, p, static_cast<size_t>(unit));
      out.push_back(v);
    }
  }
  return out;
}

uint32_t DrawOnePixel(const OnePixelDraw& c, bool stretched) {
  ResetSoftDrawState();
  SetBlend(c.mode, c.p);
  gDrawState.tint = c.tint;
  const bool wide = c.pixelFormat == kMemImgRgb32;
  TestImage dst(1, 1, c.pixelFormat);
  if (wide) dst.Set32(0, 0, c.dst);
  else dst.Set16(0, 0, c.dst);
  const bool palette = c.kind == OneSource::Palette;
  TestImage src(1, 1, c.pixelFormat, palette, c.kind == OneSource::Alpha, palette ? 0xFFFF : c.key);
  if (palette) {
    src.SetIndex(0, 0, 255);
    if (wide) src.SetPalette32(255, c.src);
    else src.SetPalette16(255, static_cast<uint16_t>(c.src));
    src.base()->paletteEntriesUsed = 256;
  } else if (wide) {
    src.Set32(0, 0, c.src);
  } else if (c.kind == OneSource::Alpha) {
    src.Set16Alpha(0, 0, c.src, c.alpha);
  } else {
    src.Set16(0, 0, c.src);
  }
  TestImage blend(1, 1, kMemImgChannel8);
  blend.Fill8(static_cast<uint8_t>(c.coverage < 0 ? 0 : c.coverage));
  const MEMIMG* b = c.coverage < 0 ? nullptr : blend.get();
  if (stretched) {
    int rect[4] = {1, 0, 0, 1};
    MemImgDrawStretched(dst.get(), src.get(), rect, c.trans, b);
  } else {
    MemImgDrawPlain(dst.get(), src.get(), 0, 0, c.trans, b);
  }
  return wide ? dst.Get32(0, 0) : dst.Get16(0, 0);
}

ColorFormat FormatFromMasks(int depth, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  ColorFormat f{};
  SetColorFormatFromMasks(&f, depth, red, green, blue, alpha);
  return f;
}

}  // namespace fixtures
