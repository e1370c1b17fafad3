// DDS files, block-compressed (DXT1 to DXT5) or with bit masks, and the
// decoding of the compressed blocks.
#include <algorithm>
#include <cstring>

#include "foundation/TrackedHeap.h"
#include "media/image/ImageLoader.h"

namespace {

struct DdsFormatRow {
  int number;
  int depth;
  uint32_t red, green, blue, alpha;
};

const DdsFormatRow gDdsFormatTable[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x7E0, 0x1F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {-1, 0, 0, 0, 0, 0},
};

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint32_t FourCC(const char* s) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}

struct Bgra {
  int b, g, r, a;
};

Bgra Expand565(uint32_t c) {
  return Bgra{static_cast<int>((c & 31) * 255 / 31), static_cast<int>(((c >> 5) & 63) * 255 / 63),
              static_cast<int>((c >> 11) * 255 / 31), 255};
}

// The four colours of a colour part; three plus a transparent one when the
// end points do not say otherwise and the block allows it.
void ColorPalette(const uint8_t* part, bool allowTransparent, Bgra out[4]) {
  const uint32_t c0 = static_cast<uint32_t>(part[0] | (part[1] << 8));
  const uint32_t c1 = static_cast<uint32_t>(part[2] | (part[3] << 8));
  const Bgra e0 = Expand565(c0), e1 = Expand565(c1);
  out[0] = e0;
  out[1] = e1;
  if (c0 > c1 || !allowTransparent) {
    out[2] = Bgra{(2 * e0.b + e1.b) / 3, (2 * e0.g + e1.g) / 3, (2 * e0.r + e1.r) / 3, 255};
    out[3] = Bgra{(e0.b + 2 * e1.b) / 3, (e0.g + 2 * e1.g) / 3, (e0.r + 2 * e1.r) / 3, 255};
  } else {
    out[2] = Bgra{(e0.b + e1.b) / 2, (e0.g + e1.g) / 2, (e0.r + e1.r) / 2, 255};
    out[3] = out[2];
    out[3].a = 0;
  }
}

void DecodeBlock(const uint8_t* block, uint32_t kind, Bgra pixels[16]) {
  const uint8_t* colorPart = kind == 1 ? block : block + 8;
  Bgra colors[4];
  ColorPalette(colorPart, kind == 1, colors);
  const uint32_t indices = U32(colorPart + 4);
  for (int i = 0; i < 16; ++i) pixels[i] = colors[(indices >> (2 * i)) & 3];
  if (kind == 2 || kind == 3) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(block[i]) << (8 * i);
    for (int i = 0; i < 16; ++i) pixels[i].a = static_cast<int>((bits >> (4 * i)) & 0xF) * 17;
  } else if (kind == 4 || kind == 5) {
    const int a0 = block[0], a1 = block[1];
    int alphas[8] = {a0, a1, 0, 0, 0, 0, 0, 255};
    if (a0 > a1) {
      for (int k = 1; k <= 6; ++k) alphas[k + 1] = ((7 - k) * a0 + k * a1) / 7;
    } else {
      for (int k = 1; k <= 4; ++k) alphas[k + 1] = ((5 - k) * a0 + k * a1) / 5;
    }
    for (int group = 0; group < 2; ++group) {
      const uint8_t* g = block + 2 + ptrdiff_t{group} * 3;
      const uint32_t bits = static_cast<uint32_t>(g[0] | (g[1] << 8) | (g[2] << 16));
      for (int k = 0; k < 8; ++k) pixels[group * 8 + k].a = alphas[(bits >> (3 * k)) & 7];
    }
  }
  if (kind == 2 || kind == 4) {
    // Premultiplied colours; a pixel of alpha 0 keeps its colour.
    for (int i = 0; i < 16; ++i) {
      Bgra& p = pixels[i];
      if (p.a == 0) continue;
      p.b = std::min(255, p.b * 255 / p.a);
      p.g = std::min(255, p.g * 255 / p.a);
      p.r = std::min(255, p.r * 255 / p.a);
    }
  }
}

}  // namespace

int DecompressDxtGraphImage(GraphImage* image) {
  const uint32_t kind = image->format.compressionKind;
  if (kind == 0) return 0;
  if (kind > 5 || image->pixels == nullptr || !ImageSizeAllowed(image->width, image->height)) return -1;
  const int width = image->width, height = image->height;
  auto* out = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(width) * 4 * height, __FILE__, __LINE__));
  if (out == nullptr) return -1;
  const int blockBytes = kind == 1 ? 8 : 16;
  const int blocksX = (width + 3) / 4, blocksY = (height + 3) / 4;
  const uint8_t* block = image->pixels;
  for (int by = 0; by < blocksY; ++by) {
    for (int bx = 0; bx < blocksX; ++bx, block += blockBytes) {
      Bgra pixels[16];
      DecodeBlock(block, kind, pixels);
      for (int j = 0; j < 4 && by * 4 + j < height; ++j) {
        for (int i = 0; i < 4 && bx * 4 + i < width; ++i) {
          const Bgra& p = pixels[j * 4 + i];
          uint8_t* o = out + (static_cast<size_t>(by * 4 + j) * width + static_cast<size_t>(bx) * 4 + i) * 4;
          o[0] = static_cast<uint8_t>(p.b);
          o[1] = static_cast<uint8_t>(p.g);
          o[2] = static_cast<uint8_t>(p.r);
          o[3] = static_cast<uint8_t>(p.a);
        }
      }
    }
  }
  TrackedFree(image->pixels);
  image->pixels = out;
  SetARGB8ColorFormat(&image->format);
  image->pitch = width * 4;
  return 0;
}

DdsMipChain DdsMipChainSize(int64_t firstLevel, bool compressed, uint32_t count, int64_t limit) {
  // An uncompressed level shrinks to 0 bytes and adds nothing after that,
  // and a compressed one adds at least 8, so stopping at an empty level or
  // past the limit bounds the walk by the file, whatever the count claims.
  DdsMipChain chain{firstLevel, 1};
  int64_t level = firstLevel;
  for (uint32_t i = 1; i < count && chain.bytes <= limit; ++i) {
    level /= 4;
    if (compressed) level = std::max<int64_t>(level, 8);
    if (level == 0) break;
    chain.bytes += level;
    ++chain.levels;
  }
  return chain;
}

int ReadDdsStream(MediaStream* stream, GraphImage* image) {
  uint8_t magic[4];
  uint8_t h[124];
  if (MediaStreamRead(stream, magic, 4) != 4 || std::memcmp(magic, "DDS ", 4) != 0) return -1;
  if (MediaStreamRead(stream, h, 124) != 124) return -1;
  const uint32_t flags = U32(h + 4);
  const uint32_t rawHeight = U32(h + 8), rawWidth = U32(h + 12);
  const uint32_t pitchField = U32(h + 16);
  const uint32_t mipField = U32(h + 24);
  const uint32_t pfFlags = U32(h + 76);
  const uint32_t fourCC = U32(h + 80);
  const uint32_t rgbBits = U32(h + 84);
  const uint32_t caps = U32(h + 104);
  if (rawWidth > 0x7FFFFFFF || rawHeight > 0x7FFFFFFF || !ImageSizeAllowed(rawWidth, rawHeight)) return -1;
  const int width = static_cast<int>(rawWidth), height = static_cast<int>(rawHeight);
  ColorFormat& f = image->format;
  bool tableFormat = false;
  if (pfFlags == 0x4) {
    for (const DdsFormatRow* row = gDdsFormatTable; row->number != -1; ++row) {
      if (static_cast<uint32_t>(row->number) == fourCC) {
        SetColorFormatFromMasks(&f, row->depth, row->red, row->green, row->blue, row->alpha);
        tableFormat = true;
        break;
      }
    }
  }
  uint32_t kind = 0;
  if (pfFlags & 0x4) {
    if (fourCC == FourCC("DXT1")) kind = 1;
    else if (fourCC == FourCC("DXT2")) kind = 2;
    else if (fourCC == FourCC("DXT3")) kind = 3;
    else if (fourCC == FourCC("DXT4")) kind = 4;
    else if (fourCC == FourCC("DXT5")) kind = 5;
    else if (!tableFormat) return -1;
  } else {
    if ((pfFlags & 0x40) != 0 && (pfFlags & 0x1) == 0) return -1;
    if (rgbBits != 8 && rgbBits != 16 && rgbBits != 24 && rgbBits != 32) return -1;
    SetColorFormatFromMasks(&f, static_cast<int>(rgbBits), U32(h + 88), U32(h + 92), U32(h + 96), U32(h + 100));
  }
  const bool mipValid = (flags & 0x20000) != 0 && (caps & 0x400000) != 0 && (caps & 0x8) != 0;
  const uint32_t mipCount = mipValid ? mipField : 0;
  const int64_t available = MediaStreamRemaining(stream);
  int64_t size = 0;
  int64_t rowSize = 0;
  int64_t level = 0;
  if (kind != 0) {
    SetColorFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    level = static_cast<int64_t>((width + 3) / 4) * ((height + 3) / 4) * (kind == 1 ? 8 : 16);
  } else {
    const int64_t least = static_cast<int64_t>(width) * f.bytesPerPixel;
    rowSize = (flags & 0x8) != 0 ? pitchField : least;
    if (rowSize < least) return -1;
    level = rowSize * height;
  }
  size = DdsMipChainSize(level, kind != 0, mipCount, available).bytes;
  if (size > available || size > 0x7FFFFFFF) return -1;
  auto* pixels = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(size == 0 ? 1 : size), __FILE__, __LINE__));
  if (pixels == nullptr) return -1;
  if (MediaStreamRead(stream, pixels, static_cast<int>(size)) != size) {
    TrackedFree(pixels);
    return -1;
  }
  if (kind != 0) {
    f.bitDepth = static_cast<uint16_t>(kind == 1 ? 4 : 8);
    f.compressionKind = kind;
    image->pitch = 0;
  } else {
    image->pitch = static_cast<int>(rowSize);
  }
  image->width = width;
  image->height = height;
  image->pixels = pixels;
  image->mipMapCount = static_cast<int>(std::min<uint32_t>(mipCount, 0x7FFFFFFF));
  DecompressDxtGraphImage(image);
  return 0;
}
