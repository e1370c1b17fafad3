#pragma once

#include <cstdint>

#include "media/graphics/DrawState.h"
#include "media/image/GraphImage.h"
#include "media/image/Rect.h"

// Software images: a view record (MEMIMG) over a shared, reference-counted
// base (MemImgBase) that owns the pixels, palette and work planes.

constexpr uint32_t kMemImgMagic = 0x12345678;

enum MemImgPixelFormat : int {
  kMemImgRgb565 = 0,     // 16-bit RGB565 (4-byte units with alpha: 565, alpha, unused)
  kMemImgRgb32 = 1,      // 32-bit blue, green, red, fourth byte (alpha with the alpha flag)
  kMemImgChannel8 = 2,   // one 8-bit channel (blend images)
  kMemImgChannel16 = 3,  // one 16-bit channel (depth buffer)
};

struct MemImgBase {
  int32_t referenceCount;
  int32_t width;
  int32_t height;
  int32_t pitch;
  int32_t pitchExponent;          // log2 of the pitch, or -1
  const ColorFormat* descriptor;  // its bytesPerPixel is the unit size
  uint32_t transparentColor;      // a pixel value (an index for palette images)
  int32_t pixelFormat;            // MemImgPixelFormat
  int32_t paletteFlag;
  int32_t paletteEntriesUsed;
  int32_t alphaFlag;
  int32_t premultipliedValid;
  int32_t runTableValid;
  int32_t callerOwnedPixels;
  void* palette;                // 256 entries: uint16_t RGB565 (format 0) or uint32_t 0x00RRGGBB (format 1)
  void* paletteCopy;            // second half of the same 2048-byte block
  uint8_t* pixelMemory;         // pitch x height bytes
  uint8_t* premultipliedAlpha;  // pitch x height bytes, or null
  uint8_t* runTable;            // (width + 5) x height MemImgRunCode bytes, or null
};

struct MEMIMG {
  uint32_t magic;
  int32_t width;
  int32_t height;
  uint8_t* pixels;      // the view's top-left pixel
  uint8_t* alphaPlane;  // the view's top-left unit of the premultiplied plane, or null
  MemImgBase* base;
};

// Run-table codes: kind in bits 6-7, run length - 1 in bits 0-5.
using MemImgRunCode = uint8_t;
constexpr uint8_t kRunTransparent = 0x00;
constexpr uint8_t kRunOpaque = 0x40;
constexpr uint8_t kRunPartial = 0x80;
constexpr uint8_t kRunRowEnd = 0xC0;

int MemImgCreate(MEMIMG* image, int width, int height, int pitch, uint32_t transparentColor, int pixelFormat,
                 int paletteFlag, int alphaFlag, int workPlaneFlag, void* pixelMemory);
int MemImgCreateScreenFormat(MEMIMG* image, int width, int height, int pixelFormat);
int MemImgCreateDepth(MEMIMG* image, int width, int height);
int MemImgIsValid(const MEMIMG* image);
void MemImgRelease(MEMIMG* image);
void MemImgSubView(MEMIMG* view, const MEMIMG* source, int x, int y, int width, int height);
void MemImgFillRaw(MEMIMG* image, const Rect* rect, uint32_t value);
int MemImgConvertBlit(MEMIMG* dest, const MEMIMG* source, const Rect* rect, int x, int y);
const ColorFormat* MemImgPixelDescriptor(int pixelFormat, int alphaFlag, int paletteFlag);
const SurfacePixelFormat* MemImgSurfacePixelFormat(int pixelFormat, int alphaFlag, int paletteFlag);

// Unit size of an image's pixels in bytes (1 for palette images).
inline int MemImgUnit(const MEMIMG* image) { return image->base->descriptor->bytesPerPixel; }

// The area a draw may touch: the draw area cut to the image, so that no
// write leaves it; an empty result lies on the image's edges.
inline Rect MemImgDrawableArea(const MEMIMG* image) {
  Rect area = gDrawState.drawArea;
  const Rect bounds{0, 0, image->width, image->height};
  ClipRectangle(&area, &bounds);
  return area;
}

// Transfers between base images and software images.
int MemImgTransferFromBase(const GraphImage* source, const GraphImage* alphaImage, MEMIMG* dest, int sourceX,
                           int sourceY, int width, int height, int destX, int destY, int colorKeyAlpha);
void MemImgTransferToBase(GraphImage* dest, const MEMIMG* source, int sourceX, int sourceY, int width, int height,
                          int destX, int destY, uint32_t transparentColor, int transparentCopy);
