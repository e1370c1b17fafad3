#include "media/softrender/MemImg.h"

#include <cstddef>
#include <cstring>

#include "foundation/TrackedHeap.h"
#include "media/image/ColorConvert.h"

namespace {

// Frees what a base owns and the base itself.
void FreeBase(MemImgBase* base) {
  if (base->pixelMemory != nullptr && !base->callerOwnedPixels) TrackedFree(base->pixelMemory);
  base->pixelMemory = nullptr;
  if (base->premultipliedAlpha != nullptr) TrackedFree(base->premultipliedAlpha);
  base->premultipliedAlpha = nullptr;
  if (base->runTable != nullptr) TrackedFree(base->runTable);
  base->runTable = nullptr;
  if (base->palette != nullptr) TrackedFree(base->palette);
  base->palette = nullptr;
  base->paletteCopy = nullptr;
  TrackedFree(base);
}

int Fail(MEMIMG* image) {
  if (image->base != nullptr) FreeBase(image->base);
  image->base = nullptr;
  image->magic = 0;
  return -1;
}

// Largest block a base may own (rows x pitch must fit an int).
constexpr int64_t kMaxBlock = 0x7FFFFFFF;

}  // namespace

int MemImgCreate(MEMIMG* image, int width, int height, int pitch, uint32_t transparentColor, int pixelFormat,
                 int paletteFlag, int alphaFlag, int workPlaneFlag, void* pixelMemory) {
  if (image->magic == kMemImgMagic) return -1;
  image->base = nullptr;
  if (width < 0 || height < 0 || pixelFormat < 0 || pixelFormat > 3 || (pitch != -1 && pitch < 0)) return Fail(image);
  auto* base = static_cast<MemImgBase*>(TrackedAllocZeroed(sizeof(MemImgBase), __FILE__, __LINE__));
  image->base = base;
  if (base == nullptr) return Fail(image);

  paletteFlag = paletteFlag ? 1 : 0;
  alphaFlag = alphaFlag ? 1 : 0;
  if (pixelFormat == kMemImgChannel8 || pixelFormat == kMemImgChannel16) paletteFlag = alphaFlag = 0;
  if (paletteFlag) alphaFlag = 0;

  base->width = width;
  base->height = height;
  base->referenceCount = 1;
  base->transparentColor = transparentColor;
  base->pixelFormat = pixelFormat;
  base->paletteFlag = paletteFlag;
  base->alphaFlag = alphaFlag;

  if (paletteFlag) {
    auto* block = static_cast<uint8_t*>(TrackedAllocZeroed(2048, __FILE__, __LINE__));
    if (block == nullptr) return Fail(image);
    base->palette = block;
    base->paletteCopy = block + 1024;
  }

  int unit;
  if (paletteFlag) unit = 1;  // NOLINT(bugprone-branch-clone): one case per format, in the order they are tested
  else if (pixelFormat == kMemImgRgb565) unit = alphaFlag ? 4 : 2;
  else if (pixelFormat == kMemImgRgb32) unit = 4;
  else if (pixelFormat == kMemImgChannel8) unit = 1;
  else unit = 2;

  const int64_t rowBytes = static_cast<int64_t>(width) * unit;
  int64_t finalPitch = pitch != -1 ? pitch : (rowBytes + 15) / 16 * 16;
  if (finalPitch < rowBytes || finalPitch * height > kMaxBlock || static_cast<int64_t>(width + 5) * height > kMaxBlock)
    return Fail(image);
  base->pitch = static_cast<int32_t>(finalPitch);

  const int64_t search = pitch != -1 ? pitch : rowBytes;
  int64_t power = 1;
  int exponent = 0;
  while (power < search) {
    power <<= 1;
    ++exponent;
  }
  base->pitchExponent = power == finalPitch ? exponent : -1;

  base->descriptor = MemImgPixelDescriptor(pixelFormat, alphaFlag, paletteFlag);

  const size_t blockBytes = static_cast<size_t>(finalPitch) * static_cast<size_t>(height);
  if (pixelMemory != nullptr) {
    base->pixelMemory = static_cast<uint8_t*>(pixelMemory);
    base->callerOwnedPixels = 1;
  } else {
    base->pixelMemory = static_cast<uint8_t*>(TrackedAlloc(blockBytes, __FILE__, __LINE__));
    if (base->pixelMemory == nullptr) return Fail(image);
  }

  if (workPlaneFlag) {
    if (alphaFlag) {
      base->premultipliedAlpha = static_cast<uint8_t*>(TrackedAlloc(blockBytes, __FILE__, __LINE__));
      if (base->premultipliedAlpha == nullptr) return Fail(image);
    }
    if (pixelFormat != kMemImgChannel8) {
      const size_t runBytes = static_cast<size_t>(width + 5) * static_cast<size_t>(height);
      base->runTable = static_cast<uint8_t*>(TrackedAlloc(runBytes, __FILE__, __LINE__));
      if (base->runTable == nullptr) return Fail(image);
    }
  }

  image->magic = kMemImgMagic;
  image->width = width;
  image->height = height;
  image->pixels = base->pixelMemory;
  image->alphaPlane = base->premultipliedAlpha;
  return 0;
}

int MemImgCreateScreenFormat(MEMIMG* image, int width, int height, int pixelFormat) {
  std::memset(image, 0, sizeof(*image));
  if (pixelFormat == -1) pixelFormat = GetScreenColorDepth() == 16 ? kMemImgRgb565 : kMemImgRgb32;
  return MemImgCreate(image, width, height, -1, 0, pixelFormat, 0, 0, 0, nullptr);
}

int MemImgCreateDepth(MEMIMG* image, int width, int height) {
  std::memset(image, 0, sizeof(*image));
  return MemImgCreate(image, width, height, -1, 0, kMemImgChannel16, 0, 0, 0, nullptr);
}

int MemImgIsValid(const MEMIMG* image) {
  return image != nullptr && image->magic == kMemImgMagic && image->base != nullptr ? 1 : 0;
}

void MemImgRelease(MEMIMG* image) {
  if (image->magic != kMemImgMagic) return;
  MemImgBase* base = image->base;
  if (base != nullptr && --base->referenceCount == 0) FreeBase(base);
  image->base = nullptr;
  image->magic = 0;
}

void MemImgSubView(MEMIMG* view, const MEMIMG* source, int x, int y, int width, int height) {
  if (!MemImgIsValid(source)) return;
  if (x < 0 || y < 0 || width < 0 || height < 0) return;
  if (static_cast<int64_t>(x) + width > source->width || static_cast<int64_t>(y) + height > source->height) return;
  MemImgBase* base = source->base;
  const ptrdiff_t offset =
      static_cast<ptrdiff_t>(x) * base->descriptor->bytesPerPixel + static_cast<ptrdiff_t>(y) * base->pitch;
  view->magic = kMemImgMagic;
  view->width = width;
  view->height = height;
  view->pixels = source->pixels + offset;
  view->alphaPlane =
      base->premultipliedAlpha != nullptr && source->alphaPlane != nullptr ? source->alphaPlane + offset : nullptr;
  view->base = base;
  ++base->referenceCount;
}

void MemImgFillRaw(MEMIMG* image, const Rect* rect, uint32_t value) {
  if (!MemImgIsValid(image)) return;
  Rect whole{0, 0, image->width, image->height};
  Rect r = whole;
  if (rect != nullptr) {
    r = *rect;
    ClipRectangle(&r, &whole);
  }
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const int unit = MemImgUnit(image);
  const int pitch = image->base->pitch;
  uint8_t* row = image->pixels + static_cast<ptrdiff_t>(r.top) * pitch + static_cast<ptrdiff_t>(r.left) * unit;
  for (int y = 0; y < h; ++y, row += pitch) {
    switch (unit) {
      case 1: std::memset(row, static_cast<int>(value & 0xFF), static_cast<size_t>(w)); break;
      case 2: {
        auto v = static_cast<uint16_t>(value);
        for (int x = 0; x < w; ++x) std::memcpy(row + ptrdiff_t{2} * x, &v, 2);
        break;
      }
      case 4:
        for (int x = 0; x < w; ++x) std::memcpy(row + ptrdiff_t{4} * x, &value, 4);
        break;
      default: return;
    }
  }
}

int MemImgConvertBlit(MEMIMG* dest, const MEMIMG* source, const Rect* rect, int x, int y) {
  Rect whole{0, 0, source->width, source->height};
  if (rect == nullptr) rect = &whole;
  return ConvertColorFormatBlt(dest->pixels, dest->base->pitch, dest->base->descriptor, source->pixels,
                               source->base->pitch, source->base->descriptor, nullptr, 0, nullptr, x, y, rect, 0, 0, 0,
                               0, 0, 0, 0, 0);
}

namespace {

struct DescriptorSlot {
  bool built = false;
  ColorFormat format{};
  SurfacePixelFormat surface{};
  bool surfaceBuilt = false;
};
DescriptorSlot gDescriptors[10];

struct MaskRow {
  int depth;
  uint32_t red, green, blue, alpha;
};
constexpr MaskRow kMasks[8] = {
    {16, 0xF800, 0x07E0, 0x001F, 0}, {32, 0xF800, 0x07E0, 0x001F, 0xFF0000},
    {8, 0xF800, 0x07E0, 0x001F, 0},  {8, 0xF800, 0x07E0, 0x001F, 0xFF0000},
    {32, 0xFF0000, 0xFF00, 0xFF, 0}, {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
    {8, 0xFF0000, 0xFF00, 0xFF, 0},  {8, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
};

int DescriptorIndex(int pixelFormat, int alphaFlag, int paletteFlag) {
  if (pixelFormat == 0 || pixelFormat == 1) return pixelFormat * 4 + (paletteFlag ? 2 : 0) + (alphaFlag ? 1 : 0);
  if (pixelFormat == 2) return 8;
  if (pixelFormat == 3) return 9;
  return -1;
}

void FillChannelFormat(ColorFormat* f, int depth, uint32_t mask) {
  std::memset(f, 0, sizeof(*f));
  f->bitDepth = static_cast<uint16_t>(depth);
  f->bytesPerPixel = static_cast<uint16_t>(depth / 8);
  f->redWidth = f->greenWidth = f->blueWidth = f->alphaWidth = static_cast<uint8_t>(depth);
  f->redMask = f->greenMask = f->blueMask = f->alphaMask = mask;
}

}  // namespace

const ColorFormat* MemImgPixelDescriptor(int pixelFormat, int alphaFlag, int paletteFlag) {
  int index = DescriptorIndex(pixelFormat, alphaFlag, paletteFlag);
  if (index < 0) return nullptr;
  DescriptorSlot& slot = gDescriptors[index];
  if (!slot.built) {
    if (index < 8) {
      const MaskRow& m = kMasks[index];
      SetColorFormatFromMasks(&slot.format, m.depth, m.red, m.green, m.blue, m.alpha);
    } else if (index == 8) {
      FillChannelFormat(&slot.format, 8, 0xFF);
    } else {
      FillChannelFormat(&slot.format, 16, 0xFFFF);
    }
    slot.built = true;
  }
  return &slot.format;
}

const SurfacePixelFormat* MemImgSurfacePixelFormat(int pixelFormat, int alphaFlag, int paletteFlag) {
  int index = DescriptorIndex(pixelFormat, alphaFlag, paletteFlag);
  if (index < 0) return nullptr;
  DescriptorSlot& slot = gDescriptors[index];
  if (!slot.surfaceBuilt) {
    if (index < 8) {
      const MaskRow& m = kMasks[index];
      MakePixelFormatRecord(&slot.surface, m.depth, m.red, m.green, m.blue, m.alpha);
    } else {
      std::memset(&slot.surface, 0, sizeof(slot.surface));
      uint32_t mask = index == 8 ? 0xFF : 0xFFFF;
      slot.surface.bitCount = index == 8 ? 8 : 16;
      slot.surface.redMask = slot.surface.greenMask = slot.surface.blueMask = slot.surface.alphaMask = mask;
    }
    slot.surfaceBuilt = true;
  }
  return &slot.surface;
}
