#include "media/image/GraphImage.h"

#include <cstddef>
#include <cstring>

#include "foundation/TrackedHeap.h"
#include "media/image/PixelBytes.h"

SoftImageTable gSoftImages;

namespace {

// Lowest set bit and the run of set bits from there.
void MaskShiftWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
  if (mask == 0) {
    *shift = 0;
    *width = 0;
    return;
  }
  int s = 0;
  while (((mask >> s) & 1u) == 0) ++s;
  int w = 0;
  while (s + w < 32 && ((mask >> (s + w)) & 1u) != 0) ++w;
  *shift = static_cast<uint8_t>(s);
  *width = static_cast<uint8_t>(w);
}

uint32_t DepthOnes(int depth) {
  if (depth >= 32) return 0xFFFFFFFFu;
  if (depth <= 0) return 0;
  return (1u << depth) - 1u;
}

// Channel value of 8 bits placed into a field of `width` bits at `shift`.
uint32_t EncodeChannel(int value, int width, int shift) {
  uint32_t v = static_cast<uint32_t>(value) & 0xFFu;
  if (width <= 0) return 0;
  if (width <= 8) {
    v >>= (8 - width);
  } else {
    v <<= (width - 8);
  }
  return shift < 32 ? v << shift : 0;
}

// ((pixel & mask) >> shift) scaled to 0..255.
int DecodeChannel(uint32_t pixel, uint32_t mask, int shift, int width) {
  if (width <= 0 || mask == 0) return 0;
  uint64_t v = (pixel & mask) >> shift;
  uint64_t max = (width >= 32) ? 0xFFFFFFFFull : ((1ull << width) - 1);
  return static_cast<int>(v * 255u / max);
}

bool Inside(const GraphImage* image, int x, int y) {
  return static_cast<unsigned>(x) < static_cast<unsigned>(image->width) &&
         static_cast<unsigned>(y) < static_cast<unsigned>(image->height);
}

int AllocBlank(int width, int height, GraphImage* image) {
  image->width = width;
  image->height = height;
  image->mipMapCount = 0;
  image->pixels = nullptr;
  if (width < 0 || height < 0) {
    image->pitch = 0;
    return -1;
  }
  int64_t pitch = ((static_cast<int64_t>(width) * image->format.bytesPerPixel + 3) / 4) * 4;
  int64_t size = pitch * height;
  if (pitch > 0x7FFFFFFF || size > 0x7FFFFFFF) {
    image->pitch = 0;
    return -1;
  }
  image->pitch = static_cast<int>(pitch);
  image->pixels = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(size), __FILE__, __LINE__));
  return image->pixels != nullptr || size == 0 ? 0 : -1;
}

void SetRgbFields(ColorFormat* f, int depth, int bytes) {
  f->bitDepth = static_cast<uint16_t>(depth);
  f->bytesPerPixel = static_cast<uint16_t>(bytes);
  f->redWidth = 8;
  f->greenWidth = 8;
  f->blueWidth = 8;
  f->alphaWidth = 0;
  f->redShift = 16;
  f->greenShift = 8;
  f->blueShift = 0;
  f->alphaShift = 0;
  f->redMask = 0xFF0000;
  f->greenMask = 0xFF00;
  f->blueMask = 0xFF;
  f->alphaMask = 0;
  f->compressionKind = 0;
}

}  // namespace

int FreeGraphImage(GraphImage* image) {
  if (image->pixels != nullptr) TrackedFree(image->pixels);
  std::memset(image, 0, sizeof(*image));
  return 0;
}

int SetPaletteColorFormat(ColorFormat* format) {
  SetRgbFields(format, 8, 1);
  format->unusedMask = 0xFF000000u;
  return 0;
}

int SetGray8ColorFormat(ColorFormat* format) {
  SetPaletteColorFormat(format);
  for (int i = 0; i < 256; ++i) {
    auto v = static_cast<uint8_t>(i);
    format->palette[i] = PaletteEntry{v, v, v, 0};
  }
  return 0;
}

int SetXRGB8ColorFormat(ColorFormat* format) {
  SetRgbFields(format, 32, 4);
  format->unusedMask = 0xFF000000u;
  format->unusedShift = 24;
  format->unusedWidth = 8;
  return 0;
}

int SetARGB8ColorFormat(ColorFormat* format) {
  SetRgbFields(format, 32, 4);
  format->alphaWidth = 8;
  format->alphaShift = 24;
  format->alphaMask = 0xFF000000u;
  format->unusedMask = 0;
  return 0;
}

int SetFullColorFormat(ColorFormat* format) {
  SetRgbFields(format, 24, 3);
  format->unusedMask = 0;
  return 0;
}

int SetColorFormatFromMasks(ColorFormat* format, int bitDepth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                            uint32_t alphaMask) {
  format->bitDepth = static_cast<uint16_t>(bitDepth);
  format->bytesPerPixel = static_cast<uint16_t>(bitDepth / 8);
  format->compressionKind = 0;
  format->redMask = redMask;
  format->greenMask = greenMask;
  format->blueMask = blueMask;
  format->alphaMask = alphaMask;
  format->unusedMask = DepthOnes(bitDepth) & ~(redMask | greenMask | blueMask | alphaMask);
  MaskShiftWidth(redMask, &format->redShift, &format->redWidth);
  MaskShiftWidth(greenMask, &format->greenShift, &format->greenWidth);
  MaskShiftWidth(blueMask, &format->blueShift, &format->blueWidth);
  MaskShiftWidth(alphaMask, &format->alphaShift, &format->alphaWidth);
  MaskShiftWidth(format->unusedMask, &format->unusedShift, &format->unusedWidth);
  return 0;
}

ColorFormat* UpdateUnusedBitMask(ColorFormat* format) {
  int widths = format->redWidth + format->greenWidth + format->blueWidth + format->alphaWidth;
  if (widths == format->bitDepth) {
    format->unusedMask = 0;
  } else {
    format->unusedMask =
        DepthOnes(format->bitDepth) & ~(format->redMask | format->greenMask | format->blueMask | format->alphaMask);
  }
  return format;
}

int EqualColorFormats(const ColorFormat* a, const ColorFormat* b) {
  if (a->bitDepth != b->bitDepth) return 0;
  if (a->redMask != b->redMask || a->greenMask != b->greenMask || a->blueMask != b->blueMask ||
      a->alphaMask != b->alphaMask)
    return 0;
  if (a->bitDepth == 0 && a->compressionKind != b->compressionKind) return 0;
  return 1;
}

uint32_t EncodePixel(const ColorFormat* format, int red, int green, int blue, int alpha) {
  if (format->bytesPerPixel == 1) {
    int64_t best = -1;
    uint32_t bestIndex = 0;
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = format->palette[i];
      int64_t db = static_cast<int64_t>(e.blue) - blue;
      int64_t dg = static_cast<int64_t>(e.green) - green;
      int64_t dr = static_cast<int64_t>(e.red) - red;
      int64_t dist = db * db + dg * dg + dr * dr;
      if (best < 0 || dist < best) {
        best = dist;
        bestIndex = static_cast<uint32_t>(i);
      }
    }
    return bestIndex;
  }
  uint32_t v = EncodeChannel(red, format->redWidth, format->redShift) |
               EncodeChannel(green, format->greenWidth, format->greenShift) |
               EncodeChannel(blue, format->blueWidth, format->blueShift) | format->unusedMask;
  if (format->alphaWidth != 0) v |= EncodeChannel(alpha, format->alphaWidth, format->alphaShift);
  return v;
}

int DecodePixel(const ColorFormat* format, uint32_t pixel, int* red, int* green, int* blue, int* alpha) {
  if (red) *red = DecodeChannel(pixel, format->redMask, format->redShift, format->redWidth);
  if (green) *green = DecodeChannel(pixel, format->greenMask, format->greenShift, format->greenWidth);
  if (blue) *blue = DecodeChannel(pixel, format->blueMask, format->blueShift, format->blueWidth);
  if (alpha) *alpha = DecodeChannel(pixel, format->alphaMask, format->alphaShift, format->alphaWidth);
  return 0;
}

uint32_t TranslatePixel(const ColorFormat* t, const ColorFormat* s, uint32_t pixel) {
  auto channel = [pixel](uint32_t sMask, int sShift, int sWidth, int tWidth, int tShift) -> uint32_t {
    if (sWidth == 0 || tWidth == 0) return 0;
    uint32_t v = (pixel & sMask) >> sShift;
    if (sWidth > tWidth) v >>= (sWidth - tWidth);
    else if (sWidth < tWidth) v = (tWidth - sWidth) >= 32 ? 0 : v << (tWidth - sWidth);
    return tShift < 32 ? v << tShift : 0;
  };
  uint32_t result = channel(s->redMask, s->redShift, s->redWidth, t->redWidth, t->redShift) |
                    channel(s->greenMask, s->greenShift, s->greenWidth, t->greenWidth, t->greenShift) |
                    channel(s->blueMask, s->blueShift, s->blueWidth, t->blueWidth, t->blueShift);
  if (s->alphaWidth == 0) {
    result |= t->alphaMask;
  } else {
    result |= channel(s->alphaMask, s->alphaShift, s->alphaWidth, t->alphaWidth, t->alphaShift);
  }
  return result | t->unusedMask;
}

uint32_t ReadPixelAsARGB(const GraphImage* image, int x, int y) {
  if (image->pixels == nullptr || !Inside(image, x, y)) return 0;
  const ColorFormat& f = image->format;
  int bytes = f.bytesPerPixel;
  if (bytes < 1 || bytes > 4) return 0;
  const uint8_t* p = image->pixels + static_cast<size_t>(y) * image->pitch + static_cast<size_t>(x) * bytes;
  uint32_t pixel = ReadPixelBytes(p, bytes);
  if (bytes == 1) {
    const PaletteEntry& e = f.palette[pixel];
    pixel = static_cast<uint32_t>(e.blue | (e.green << 8) | (e.red << 16)) | (static_cast<uint32_t>(e.fourth) << 24);
  }
  auto place = [pixel](uint32_t mask, int shift, int width, int k) -> uint32_t {
    if (width == 0 || mask == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    int to = 8 * k - width;
    if (to >= 0) return to >= 32 ? 0 : v << to;
    return v >> -to;
  };
  uint32_t result = place(f.blueMask, f.blueShift, f.blueWidth, 1) | place(f.greenMask, f.greenShift, f.greenWidth, 2) |
                    place(f.redMask, f.redShift, f.redWidth, 3);
  if (f.alphaWidth != 0) result |= place(f.alphaMask, f.alphaShift, f.alphaWidth, 4);
  return result;
}

int ReadGraphImagePixel(GraphImage* image, int x, int y, int* red, int* green, int* blue, int* alpha) {
  if (image->format.compressionKind != 0 && DecompressDxtGraphImage(image) != 0) return -1;
  if (!Inside(image, x, y) || image->pixels == nullptr) return -1;
  int bytes = image->format.bytesPerPixel;
  if (bytes < 1 || bytes > 4) return -1;
  const uint8_t* p = image->pixels + static_cast<size_t>(y) * image->pitch + static_cast<size_t>(x) * bytes;
  uint32_t v = ReadPixelBytes(p, bytes);
  if (bytes == 1) {
    const PaletteEntry& e = image->format.palette[v];
    if (red) *red = e.red;
    if (green) *green = e.green;
    if (blue) *blue = e.blue;
    if (alpha) *alpha = e.fourth;
    return 0;
  }
  return DecodePixel(&image->format, v, red, green, blue, alpha);
}

int WriteGraphImagePixel(GraphImage* image, int x, int y, int red, int green, int blue, int alpha) {
  if (image->format.compressionKind != 0 && DecompressDxtGraphImage(image) != 0) return -1;
  if (!Inside(image, x, y) || image->pixels == nullptr) return -1;
  int bytes = image->format.bytesPerPixel;
  if (bytes < 1 || bytes > 4) return -1;
  uint8_t* p = image->pixels + static_cast<size_t>(y) * image->pitch + static_cast<size_t>(x) * bytes;
  WritePixelBytes(p, bytes, EncodePixel(&image->format, red, green, blue, alpha));
  return 0;
}

int FillGraphImage(GraphImage* image, int red, int green, int blue, int alpha) {
  if (image->format.compressionKind != 0 && DecompressDxtGraphImage(image) != 0) return -1;
  int bytes = image->format.bytesPerPixel;
  if (bytes < 2 || bytes > 4 || image->pixels == nullptr) return 0;
  uint32_t v = EncodePixel(&image->format, red, green, blue, alpha);
  for (int y = 0; y < image->height; ++y) {
    uint8_t* p = image->pixels + static_cast<size_t>(y) * image->pitch;
    for (int x = 0; x < image->width; ++x, p += bytes) WritePixelBytes(p, bytes, v);
  }
  return 0;
}

int MirrorGraphImage(GraphImage* image) {
  if (image->format.compressionKind != 0 && DecompressDxtGraphImage(image) != 0) return -1;
  if (image->width == 0 || image->height == 0) return -1;
  int bytes = image->format.bytesPerPixel;
  if (bytes < 1 || bytes > 4 || image->pixels == nullptr || image->width < 0 || image->height < 0) return 0;
  const size_t rowBytes = static_cast<size_t>(image->width) * bytes;
  for (int y = 0; y < image->height; ++y) {
    uint8_t* row = image->pixels + static_cast<size_t>(y) * image->pitch;
    // A row of one colour is its own mirror. Comparing costs far less than
    // swapping, and the rows of a run-length picture that no run reached
    // stay untouched zero pages.
    if (std::memcmp(row, row + bytes, rowBytes - static_cast<size_t>(bytes)) == 0) continue;
    for (int i = 0; i < image->width / 2; ++i) {
      uint8_t* a = row + static_cast<size_t>(i) * bytes;
      uint8_t* b = row + static_cast<size_t>(image->width - 1 - i) * bytes;
      for (int k = 0; k < bytes; ++k) {
        uint8_t t = a[k];
        a[k] = b[k];
        b[k] = t;
      }
    }
  }
  return 0;
}

int AllocARGB8GraphImage(int width, int height, GraphImage* image) {
  SetARGB8ColorFormat(&image->format);
  return AllocBlank(width, height, image);
}

int AllocXRGB8GraphImage(int width, int height, GraphImage* image) {
  SetXRGB8ColorFormat(&image->format);
  return AllocBlank(width, height, image);
}

int AllocRGB24GraphImage(int width, int height, GraphImage* image) {
  SetFullColorFormat(&image->format);
  return AllocBlank(width, height, image);
}

int FreeSoftImageHandle(int handle) {
  if (handle < 0) return -1;
  if (((handle >> 27) & 0xF) != kSoftImageHandleType) return -1;
  int slot = handle & 0xFFFF;
  if (slot >= kSoftImageSlots) return -1;
  SoftImage* record = gSoftImages.slots[slot];
  if (record == nullptr) return -1;
  if (((handle >> 16) & 0x7FF) != record->checkNumber) return -1;
  FreeGraphImage(&record->image);
  --gSoftImages.count;
  if (slot == gSoftImages.bound - 1) {
    int bound = 0;
    if (gSoftImages.count > 0) {
      for (int i = slot - 1; i >= 0; --i) {
        if (gSoftImages.slots[i] != nullptr) {
          bound = i + 1;
          break;
        }
      }
    }
    gSoftImages.bound = bound;
  }
  TrackedFree(record);
  gSoftImages.slots[slot] = nullptr;
  return 0;
}

int FreeAllSoftImageHandles() {
  for (int i = 0; i < gSoftImages.bound; ++i) {
    SoftImage* record = gSoftImages.slots[i];
    if (record == nullptr) continue;
    int handle = (((record->checkNumber & 0x7FF) | (kSoftImageHandleType << 11)) << 16) | i;
    FreeSoftImageHandle(handle);
  }
  return 0;
}

int GetImageConvertFlag() { return 0; }
