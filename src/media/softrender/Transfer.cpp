#include <cstddef>
#include <cstring>

#include "media/image/ColorConvert.h"
#include "media/softrender/MemImg.h"

namespace {

void ConvertPalette(const GraphImage* source, MemImgBase* base) {
  const PaletteEntry* entries = source->format.palette;
  if (base->pixelFormat == kMemImgRgb565) {
    auto* out = static_cast<uint16_t*>(base->palette);
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = entries[i];
      out[i] = static_cast<uint16_t>(((e.red & 0xF8) << 8) | ((e.green & 0xFC) << 3) | (e.blue >> 3));
    }
    std::memcpy(base->paletteCopy, base->palette, 512);
  } else {
    auto* out = static_cast<uint32_t*>(base->palette);
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = entries[i];
      out[i] =
          static_cast<uint32_t>(e.blue) | (static_cast<uint32_t>(e.green) << 8) | (static_cast<uint32_t>(e.red) << 16);
    }
    std::memcpy(base->paletteCopy, base->palette, 1024);
  }
}

void BuildPremultiplied(const MEMIMG* image) {
  MemImgBase* base = image->base;
  for (int y = 0; y < image->height; ++y) {
    const uint8_t* s = image->pixels + static_cast<ptrdiff_t>(y) * base->pitch;
    uint8_t* d = image->alphaPlane + static_cast<ptrdiff_t>(y) * base->pitch;
    for (int x = 0; x < image->width; ++x, s += 4, d += 4) {
      if (base->pixelFormat == kMemImgRgb565) {
        const uint32_t c = static_cast<uint32_t>(s[0] | (s[1] << 8));
        const uint32_t a = s[2];
        const uint32_t r = (((c >> 11) & 0x1F) * a) >> 8;
        const uint32_t g = (((c >> 5) & 0x3F) * a) >> 8;
        const uint32_t b = ((c & 0x1F) * a) >> 8;
        const uint32_t v = (r << 11) | (g << 5) | b;
        d[0] = static_cast<uint8_t>(v);
        d[1] = static_cast<uint8_t>(v >> 8);
        d[2] = static_cast<uint8_t>(a);
        d[3] = 0;
      } else {
        const uint32_t a = s[3];
        d[0] = static_cast<uint8_t>((s[0] * a) >> 8);
        d[1] = static_cast<uint8_t>((s[1] * a) >> 8);
        d[2] = static_cast<uint8_t>((s[2] * a) >> 8);
        d[3] = static_cast<uint8_t>(a);
      }
    }
  }
}

// Kind of each pixel: 0 transparent, 1 opaque, 2 partial.
int PixelKind(const MemImgBase* base, const uint8_t* p) {
  if (base->paletteFlag) return static_cast<int64_t>(p[0]) == static_cast<int64_t>(base->transparentColor) ? 0 : 1;
  if (base->alphaFlag) {
    const uint8_t a = base->pixelFormat == kMemImgRgb565 ? p[2] : p[3];
    return a == 0 ? 0 : (a == 255 ? 1 : 2);
  }
  uint32_t v;
  if (base->pixelFormat == kMemImgRgb565) {
    v = static_cast<uint32_t>(p[0] | (p[1] << 8));
  } else {
    std::memcpy(&v, p, 4);
  }
  return v == base->transparentColor ? 0 : 1;
}

void BuildRunTable(const MEMIMG* image) {
  MemImgBase* base = image->base;
  const int unit = base->descriptor->bytesPerPixel;
  uint8_t* out = base->runTable;
  for (int y = 0; y < image->height; ++y) {
    const uint8_t* row = image->pixels + static_cast<ptrdiff_t>(y) * base->pitch;
    int x = 0;
    while (x < image->width) {
      const int kind = PixelKind(base, row + static_cast<ptrdiff_t>(x) * unit);
      int length = 1;
      while (x + length < image->width && length < 64 &&
             PixelKind(base, row + static_cast<ptrdiff_t>(x + length) * unit) == kind)
        ++length;
      *out++ = static_cast<uint8_t>((kind << 6) | (length - 1));
      x += length;
    }
    *out++ = kRunRowEnd;
  }
}

// The rectangle must lie inside the image; an empty one is left to the
// conversion blit, which refuses it.
bool RectInside(int x, int y, int w, int h, int width, int height) {
  if (w <= 0 || h <= 0) return true;
  return x >= 0 && y >= 0 && static_cast<int64_t>(x) + w <= width && static_cast<int64_t>(y) + h <= height;
}

}  // namespace

int MemImgTransferFromBase(const GraphImage* source, const GraphImage* alphaImage, MEMIMG* dest, int sourceX,
                           int sourceY, int width, int height, int destX, int destY, int colorKeyAlpha) {
  if (!MemImgIsValid(dest) || source == nullptr || source->pixels == nullptr) return -1;
  if (!RectInside(sourceX, sourceY, width, height, source->width, source->height) ||
      !RectInside(destX, destY, width, height, dest->width, dest->height) ||
      (alphaImage != nullptr && (alphaImage->pixels == nullptr ||
                                 !RectInside(sourceX, sourceY, width, height, alphaImage->width, alphaImage->height))))
    return -1;
  MemImgBase* base = dest->base;
  const Rect rect{sourceX, sourceY, sourceX + width, sourceY + height};
  if (base->pixelFormat == kMemImgChannel8 || base->pixelFormat == kMemImgChannel16) {
    ConvertColorFormatBlt(dest->pixels, base->pitch, base->descriptor, source->pixels, source->pitch, &source->format,
                          nullptr, 0, nullptr, destX, destY, &rect, 0, 0, 0, 0, 1, 1, 0, 0);
  } else {
    const int result =
        ConvertColorFormatBlt(dest->pixels, base->pitch, base->descriptor, source->pixels, source->pitch,
                              &source->format, alphaImage ? alphaImage->pixels : nullptr,
                              alphaImage ? alphaImage->pitch : 0, alphaImage ? &alphaImage->format : nullptr, destX,
                              destY, &rect, 0, colorKeyAlpha, base->transparentColor, 0, 0, 0, 0, 0);
    if (result < 0) return result;
    if (alphaImage == nullptr && base->paletteFlag) base->paletteEntriesUsed = result + 1;
  }
  if (base->paletteFlag) ConvertPalette(source, base);
  base->premultipliedValid = 0;
  base->runTableValid = 0;
  if (width != dest->width || height != dest->height) return 0;
  if ((base->pixelFormat != kMemImgRgb565 && base->pixelFormat != kMemImgRgb32) || base->runTable == nullptr) return 0;
  base->runTableValid = 1;
  if (base->alphaFlag && base->premultipliedAlpha != nullptr && dest->alphaPlane != nullptr) {
    base->premultipliedValid = 1;
    BuildPremultiplied(dest);
  }
  BuildRunTable(dest);
  return 0;
}

void MemImgTransferToBase(GraphImage* dest, const MEMIMG* source, int sourceX, int sourceY, int width, int height,
                          int destX, int destY, uint32_t transparentColor, int transparentCopy) {
  if (!MemImgIsValid(source) || dest == nullptr || dest->pixels == nullptr) return;
  if (!RectInside(sourceX, sourceY, width, height, source->width, source->height) ||
      !RectInside(destX, destY, width, height, dest->width, dest->height))
    return;
  const MemImgBase* base = source->base;
  if (base->pixelFormat == kMemImgChannel8 || base->pixelFormat == kMemImgChannel16 || base->paletteFlag ||
      base->alphaFlag)
    return;
  const Rect rect{sourceX, sourceY, sourceX + width, sourceY + height};
  ConvertColorFormatBlt(dest->pixels, dest->pitch, &dest->format, source->pixels, base->pitch, base->descriptor,
                        nullptr, 0, nullptr, destX, destY, &rect, 0, 0, transparentColor, 0, 0, 0, transparentCopy, 0);
}
