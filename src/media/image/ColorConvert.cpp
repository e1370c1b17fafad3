#include "media/image/ColorConvert.h"

#include <cstddef>
#include <cstring>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/image/PixelBytes.h"
#include "platform/text/Cp932Literal.h"

int gImageDibSetting = 0;

namespace {

inline uint32_t EntryValue(const ColorFormat& f, uint32_t index) {
  const PaletteEntry& e = f.palette[index & 0xFF];
  return static_cast<uint32_t>(e.blue) | (static_cast<uint32_t>(e.green) << 8) | (static_cast<uint32_t>(e.red) << 16) |
         (static_cast<uint32_t>(e.fourth) << 24);
}

// Resizes a channel value from `from` bits to `to` bits; the widening maps
// the source maximum to the destination maximum, and a 0-bit field gives 0.
inline uint32_t Resize(uint32_t v, int from, int to) {
  int d = from - to;
  if (d > 0) return d >= 32 ? 0 : v >> d;
  if (d < 0) {
    if (from <= 0) return 0;
    uint64_t max = (from >= 32) ? 0xFFFFFFFFull : ((1ull << from) - 1);
    uint64_t grow = (-d >= 32) ? 0xFFFFFFFFull : ((1ull << -d) - 1);
    uint64_t r = (static_cast<uint64_t>(v) << -d) + static_cast<uint64_t>(v) * grow / max;
    return static_cast<uint32_t>(r);
  }
  return v;
}

inline uint32_t Field(uint32_t v, uint32_t mask, int shift) { return (v & mask) >> shift; }

inline uint32_t Place(uint32_t v, int shift, uint32_t mask) { return shift >= 32 ? 0 : (v << shift) & mask; }

bool IsStd(const ColorFormat& f) { return f.redMask == 0xFF0000 && f.greenMask == 0xFF00 && f.blueMask == 0xFF; }
bool Is565(const ColorFormat& f) { return f.redMask == 0xF800 && f.greenMask == 0x7E0 && f.blueMask == 0x1F; }
bool Is555(const ColorFormat& f) { return f.redMask == 0x7C00 && f.greenMask == 0x3E0 && f.blueMask == 0x1F; }

struct Blit {
  uint8_t* dst;
  int dstPitch;
  const ColorFormat* df;
  const uint8_t* src;
  int srcPitch;
  const ColorFormat* sf;
  int x, y, left, top, w, h;
  int mirror;

  uint8_t* DstRow(int row) const {
    return dst + static_cast<ptrdiff_t>(y + row) * dstPitch + static_cast<ptrdiff_t>(x) * df->bytesPerPixel;
  }
  const uint8_t* SrcRow(int row) const {
    return src + static_cast<ptrdiff_t>(top + row) * srcPitch + static_cast<ptrdiff_t>(left) * sf->bytesPerPixel;
  }
  // Destination column of source column i of a row.
  int DstCol(int i) const { return mirror ? w - 1 - i : i; }

  template <class F>
  void Each(F f) const {
    const int sb = sf->bytesPerPixel;
    const int db = df->bytesPerPixel;
    for (int row = 0; row < h; ++row) {
      const uint8_t* s = SrcRow(row);
      uint8_t* d = DstRow(row);
      for (int i = 0; i < w; ++i) f(s + static_cast<ptrdiff_t>(i) * sb, d + static_cast<ptrdiff_t>(DstCol(i)) * db);
    }
  }
};

// The fixed fast pairs; false when no row applies.
bool FixedPair(const Blit& b, int keyToAlpha, bool alphaFromSource, uint32_t key) {
  const ColorFormat& s = *b.sf;
  const ColorFormat& d = *b.df;
  const bool pal = s.bytesPerPixel == 1;
  const bool s24 = s.bitDepth == 24 && IsStd(s);
  const bool s32 = s.bitDepth == 32 && s.alphaMask == 0 && IsStd(s) && !alphaFromSource;
  const bool s565 = s.bitDepth == 16 && s.alphaMask == 0 && Is565(s) && !alphaFromSource;
  const bool s555 = s.bitDepth == 16 && s.alphaMask == 0 && Is555(s) && !alphaFromSource;
  const bool d565 = d.bitDepth == 16 && d.alphaMask == 0 && Is565(d);
  const bool d555 = d.bitDepth == 16 && d.alphaMask == 0 && Is555(d);
  const bool d32x = d.bitDepth == 32 && d.alphaMask == 0 && IsStd(d);
  const bool d32any = d.bitDepth == 32 && IsStd(d);
  const bool d24x = d.bitDepth == 24 && d.alphaMask == 0 && IsStd(d);
  const bool d1555 = d.bitDepth == 16 && d.alphaMask == 0x8000 && Is555(d);
  const bool d8888 = d.bitDepth == 32 && d.alphaMask == 0xFF000000u && IsStd(d);
  const uint32_t key15 = (((key >> 19) & 0x1F) << 10) | (((key >> 11) & 0x1F) << 5) | ((key >> 3) & 0x1F);
  const int sb = s.bytesPerPixel;
  const int db = d.bytesPerPixel;

  auto run = [&](auto conv) {
    b.Each([&](const uint8_t* sp, uint8_t* dp) {
      uint32_t p = ReadPixelBytes(sp, sb);
      if (pal) p = EntryValue(s, p);
      WritePixelBytes(dp, db, conv(p));
    });
    return true;
  };

  if (!keyToAlpha) {
    if (pal && d565)
      return run([](uint32_t p) { return ((p >> 8) & 0xF800) | ((p >> 5) & 0x7E0) | ((p >> 3) & 0x1F); });
    if (pal && d555)
      return run([](uint32_t p) { return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x3E0) | ((p >> 3) & 0x1F) | 0x8000; });
    if (pal && d32x) return run([](uint32_t p) { return p | 0xFF000000u; });
    if (s24 && d565)
      return run([](uint32_t p) { return (((p >> 19) & 0x1F) << 11) | (((p >> 10) & 0x3F) << 5) | ((p >> 3) & 0x1F); });
    if (s24 && d555)
      return run([](uint32_t p) {
        return (((p >> 19) & 0x1F) << 10) | (((p >> 11) & 0x1F) << 5) | ((p >> 3) & 0x1F) | 0x8000;
      });
    if (s24 && d32any) return run([](uint32_t p) { return (p & 0xFFFFFF) | 0xFF000000u; });
    if (s32 && d565)
      return run([](uint32_t p) { return ((p & 0xF8) >> 3) | ((p & 0xFC00) >> 5) | ((p >> 8) & 0xF800); });
    if (s565 && d24x)
      return run([](uint32_t p) { return (((p & 0xF800) << 8) | ((p & 0x7E0) << 5) | ((p & 0x1F) << 3)) & 0xFFFFFF; });
    if (s565 && d32x)
      return run([](uint32_t p) { return ((p & 0xF800) << 8) | ((p & 0x7E0) << 5) | ((p & 0x1F) << 3); });
    if (s565 && d555) return run([](uint32_t p) { return ((p & 0xFFC0) >> 1) | (p & 0x1F); });
    if (s555 && d565) return run([](uint32_t p) { return ((p & 0x7FE0) << 1) | (p & 0x3F); });
    return false;
  }
  if (pal && d1555)
    return run([key](uint32_t p) {
      uint32_t q = p + (p != key ? 0x1000000u : 0u);
      return ((q >> 9) & 0xFC00) | ((q >> 6) & 0x3E0) | ((q >> 3) & 0x1F);
    });
  if (pal && d8888) return run([key](uint32_t p) { return p != key ? (p | 0xFF000000u) : p; });
  if (s24 && d1555)
    return run([key15](uint32_t p) {
      uint32_t v = (((p >> 19) & 0x1F) << 10) | (((p >> 11) & 0x1F) << 5) | ((p >> 3) & 0x1F);
      return v != key15 ? (v | 0x8000) : v;
    });
  if (s24 && d8888)
    return run([key](uint32_t p) {
      p &= 0xFFFFFF;
      return p != key ? (p | 0xFF000000u) : p;
    });
  if (s.bitDepth == 16 && s.alphaMask == 0 && Is565(s) && d1555)
    return run([key15](uint32_t p) {
      uint32_t v = ((p & 0xFFC0) >> 1) | (p & 0x1F);
      return v != key15 ? (v | 0x8000) : v;
    });
  return false;
}

}  // namespace

int ConvertColorFormatBlt(uint8_t* destPixels, int destPitch, const ColorFormat* destFormat, const uint8_t* srcPixels,
                          int srcPitch, const ColorFormat* srcFormat, const uint8_t* alphaPixels, int alphaPitch,
                          const ColorFormat* alphaFormat, int destX, int destY, const Rect* srcRect, int mirror,
                          int keyToAlpha, uint32_t keyOrTransparent, int ditherMode, int clearColor, int alphaFromRed,
                          int skipTransparent, int paletteRemap) {
  ColorFormat df = *destFormat;
  ColorFormat sf = *srcFormat;
  ColorFormat af{};
  if (alphaFormat != nullptr) af = *alphaFormat;
  const bool alphaImageGiven = alphaPixels != nullptr && alphaFormat != nullptr;

  const bool destAlpha = df.alphaWidth != 0;
  const bool alphaFromSource = destAlpha && (alphaImageGiven || sf.alphaWidth != 0);
  const bool useAlphaImage = destAlpha && alphaImageGiven && sf.alphaWidth == 0;
  if (alphaFromSource || !destAlpha || alphaFromRed) keyToAlpha = 0;
  if (alphaFromSource || mirror) skipTransparent = 0;

  const int w = srcRect->right - srcRect->left;
  const int h = srcRect->bottom - srcRect->top;
  if (w <= 0 || h <= 0) return -1;

  Blit b{destPixels, destPitch, &df, srcPixels, srcPitch, &sf, destX, destY, srcRect->left, srcRect->top, w, h, mirror};
  const int sb = sf.bytesPerPixel;
  const int db = df.bytesPerPixel;

  // 1. Palette to palette with different palettes: re-encode each index.
  if (paletteRemap && sb == 1 && db == 1 && std::memcmp(sf.palette, df.palette, sizeof(sf.palette)) != 0) {
    b.Each([&](const uint8_t* sp, uint8_t* dp) {
      const PaletteEntry& e = sf.palette[*sp];
      *dp = static_cast<uint8_t>(EncodePixel(&df, e.red, e.green, e.blue, 0));
    });
    return 0;
  }

  // 2. Into an 8-bit palette destination. A single 8-bit channel filled from
  // red has channel masks, not a palette to search: it takes the general rule.
  const bool channelFromRed = alphaFromRed && db == 1 && df.alphaMask != 0;
  if (df.bitDepth == 8 && !channelFromRed) {
    if (sf.bitDepth == 16 || sf.bitDepth == 24 || sf.bitDepth == 32) {
      // Channels are widened to 0..255 before the nearest-colour search.
      b.Each([&](const uint8_t* sp, uint8_t* dp) {
        int r, g, bl, a;
        DecodePixel(&sf, ReadPixelBytes(sp, sb), &r, &g, &bl, &a);
        *dp = static_cast<uint8_t>(EncodePixel(&df, r, g, bl, a));
      });
      return 0;
    }
    if (sf.bitDepth == 8) {
      if (!clearColor && !skipTransparent) {
        uint8_t highest = 0;
        for (int row = 0; row < h; ++row) {
          const uint8_t* s = b.SrcRow(row);
          uint8_t* d = b.DstRow(row);
          for (int i = 0; i < w; ++i) {
            uint8_t v = s[i];
            if (v > highest) highest = v;
            d[b.DstCol(i)] = v;
          }
        }
        return highest;
      }
    } else {
      return 0;
    }
  }

  // 3. Same layout: raw copy.
  if (!keyToAlpha && !useAlphaImage && !clearColor && !alphaFromRed && sf.bitDepth == df.bitDepth &&
      sf.redMask == df.redMask && sf.greenMask == df.greenMask && sf.blueMask == df.blueMask &&
      sf.alphaMask == df.alphaMask) {
    if (mirror) {
      b.Each([&](const uint8_t* sp, uint8_t* dp) { std::memcpy(dp, sp, static_cast<size_t>(sb)); });
    } else if (skipTransparent) {
      uint32_t t = keyOrTransparent;
      if (sb == 3) t &= 0xFFFFFF;
      else if (sb == 2) t &= 0xFFFF;
      else if (sb == 1) t &= 0xFF;
      b.Each([&](const uint8_t* sp, uint8_t* dp) {
        if (ReadPixelBytes(sp, sb) != t) std::memcpy(dp, sp, static_cast<size_t>(sb));
      });
    } else {
      for (int row = 0; row < h; ++row) std::memcpy(b.DstRow(row), b.SrcRow(row), static_cast<size_t>(w) * sb);
    }
    return 0;
  }

  if (!skipTransparent) {
    // 5. Colour key into alpha on the same colour layout.
    if (destAlpha && keyToAlpha && !clearColor && !alphaFromRed && sf.bitDepth == df.bitDepth &&
        sf.redMask == df.redMask && sf.greenMask == df.greenMask && sf.blueMask == df.blueMask) {
      const uint32_t keyPixel = EncodePixel(&df, (keyOrTransparent >> 16) & 0xFF, (keyOrTransparent >> 8) & 0xFF,
                                            keyOrTransparent & 0xFF, 255);
      const uint32_t outside = ~(sf.redMask | sf.greenMask | sf.blueMask);
      b.Each([&](const uint8_t* sp, uint8_t* dp) {
        uint32_t v = ReadPixelBytes(sp, sb);
        uint32_t test = sb == 4 ? (v | outside) : v;
        uint32_t out = test == keyPixel ? (v & ~df.alphaMask) : (v | df.alphaMask);
        WritePixelBytes(dp, db, out);
      });
      return 0;
    }
    // 6. Fixed pairs of the display formats.
    if (ditherMode == 0 && !clearColor && !alphaFromRed && !mirror && !alphaImageGiven &&
        FixedPair(b, keyToAlpha, alphaFromSource, keyOrTransparent & 0xFFFFFF))
      return 0;
  }

  // 7. General rule, pixel by pixel.
  const bool convert =
      sf.redWidth != df.redWidth || sf.greenWidth != df.greenWidth || (useAlphaImage && af.redWidth != df.alphaWidth);
  uint32_t transparent = keyOrTransparent;
  if (!keyToAlpha) {
    if (sf.bitDepth == 16) transparent &= 0xFFFF;
    else if (sf.bitDepth == 24) transparent &= 0xFFFFFF;
    else if (sb == 1) transparent &= 0xFF;
  }
  uint32_t keyPixel = 0;
  const uint32_t rgbMask = df.redMask | df.greenMask | df.blueMask;
  if (keyToAlpha && destAlpha)
    keyPixel = EncodePixel(&df, (keyOrTransparent >> 16) & 0xFF, (keyOrTransparent >> 8) & 0xFF,
                           keyOrTransparent & 0xFF, 255) &
               rgbMask;
  const int ab = af.bytesPerPixel;
  const uint32_t fullAlpha = df.alphaWidth ? (df.alphaMask >> df.alphaShift) : 0;

  for (int row = 0; row < h; ++row) {
    const uint8_t* s = b.SrcRow(row);
    uint8_t* d = b.DstRow(row);
    const uint8_t* ar = useAlphaImage ? alphaPixels + static_cast<ptrdiff_t>(srcRect->top + row) * alphaPitch +
                                            static_cast<ptrdiff_t>(srcRect->left) * ab
                                      : nullptr;
    for (int i = 0; i < w; ++i) {
      uint32_t raw = ReadPixelBytes(s + static_cast<ptrdiff_t>(i) * sb, sb);
      // A palette source is keyed by its index.
      if (skipTransparent && raw == transparent) continue;
      uint32_t v = sb == 1 ? EntryValue(sf, raw) : raw;
      uint32_t r = Field(v, sf.redMask, sf.redShift);
      uint32_t g = Field(v, sf.greenMask, sf.greenShift);
      uint32_t bl = Field(v, sf.blueMask, sf.blueShift);
      if (sf.redWidth == 0) r = 0;
      if (sf.greenWidth == 0) g = 0;
      if (sf.blueWidth == 0) bl = 0;
      uint32_t a;
      if (convert) {
        r = Resize(r, sf.redWidth, df.redWidth);
        g = Resize(g, sf.greenWidth, df.greenWidth);
        bl = Resize(bl, sf.blueWidth, df.blueWidth);
      }
      if (useAlphaImage) {
        uint32_t av = ReadPixelBytes(ar + static_cast<ptrdiff_t>(i) * ab, ab);
        if (ab == 1 && af.bitDepth == 8 && af.redMask == 0) av = EntryValue(af, av);
        a = Field(av, af.redMask, af.redShift);
        if (convert) a = Resize(a, af.redWidth, df.alphaWidth);
      } else if (sf.alphaWidth == 0) {
        a = fullAlpha;
      } else if (!destAlpha) {
        a = 0;
      } else {
        a = Field(v, sf.alphaMask, sf.alphaShift);
        if (convert) a = Resize(a, sf.alphaWidth, df.alphaWidth);
      }
      if (alphaFromRed) a = r;
      if (clearColor) r = g = bl = 0;
      uint32_t out = Place(r, df.redShift, df.redMask) | Place(g, df.greenShift, df.greenMask) |
                     Place(bl, df.blueShift, df.blueMask);
      if (destAlpha) {
        if (keyToAlpha) {
          out |= (out & rgbMask) == keyPixel ? 0 : df.alphaMask;
        } else {
          out |= Place(a, df.alphaShift, df.alphaMask);
        }
      }
      if (db == 2 || db == 4) out |= df.unusedMask;
      WritePixelBytes(d + static_cast<ptrdiff_t>(b.DstCol(i)) * db, db, out);
    }
  }
  return 0;
}

int ConvertToDibLayout(const GraphImage* image, platform::BitmapInfo* info, uint8_t** pixels, int copyFlag,
                       int force24) {
  std::memset(&info->header, 0, sizeof(info->header));
  info->header.size = 40;
  info->header.width = image->width;
  info->header.height = -image->height;
  info->header.planes = 1;
  const int w = image->width;
  const int h = image->height;
  if (image->format.bytesPerPixel == 1 && image->format.bitDepth == 8 && !force24) {
    info->header.bitCount = 8;
    std::memcpy(info->colors, image->format.palette, 1024);
    const int rowSize = (w + 3) / 4 * 4;
    if (copyFlag == 1 || rowSize != image->pitch) {
      auto* block = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(rowSize) * h, __FILE__, __LINE__));
      if (block == nullptr) return -1;
      for (int y = 0; y < h; ++y)
        std::memcpy(block + static_cast<size_t>(y) * rowSize, image->pixels + static_cast<size_t>(y) * image->pitch,
                    static_cast<size_t>(w));
      *pixels = block;
      return 1;
    }
    *pixels = image->pixels;
    return copyFlag;
  }
  info->header.bitCount = 24;
  const int rowSize = (w * 3 + 3) / 4 * 4;
  const bool std24 = image->format.bitDepth == 24 && IsStd(image->format);
  if (!std24 || copyFlag == 1) {
    auto* block = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(rowSize) * h, __FILE__, __LINE__));
    if (block == nullptr) return -1;
    ColorFormat full{};
    SetFullColorFormat(&full);
    Rect r{0, 0, w, h};
    ConvertColorFormatBlt(block, rowSize, &full, image->pixels, image->pitch, &image->format, nullptr, 0, nullptr, 0, 0,
                          &r, 0, 0, 0, 0, 0, 0, 0, 0);
    *pixels = block;
    return 1;
  }
  if (rowSize != image->pitch) {
    auto* block = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(rowSize) * h, __FILE__, __LINE__));
    if (block == nullptr) return -1;
    for (int y = 0; y < h; ++y)
      std::memcpy(block + static_cast<size_t>(y) * rowSize, image->pixels + static_cast<size_t>(y) * image->pitch,
                  static_cast<size_t>(w) * 3);
    *pixels = block;
    return 1;
  }
  *pixels = image->pixels;
  return copyFlag;
}

platform::DibHandle CreateDIBGraph(platform::BitmapInfo* info, uint8_t* pixels, int mirror, ColorFormat* format) {
  platform::DisplayContext context = platform::CreateMemoryContext();
  if (context == 0) return 0;
  auto* made = static_cast<platform::BitmapInfo*>(TrackedAllocZeroed(sizeof(platform::BitmapInfo), __FILE__, __LINE__));
  if (made == nullptr) {
    LogWrite(Cp932<"メモリの確保に失敗しました in CreateDIBGraph \n">);
    platform::DeleteMemoryContext(context);
    return 0;
  }
  const int height = info->header.height < 0 ? -info->header.height : info->header.height;
  made->header = info->header;
  made->header.size = 40;
  made->header.height = -height;
  made->header.planes = 1;
  made->header.compression = platform::kBitmapPlain;
  made->header.clrUsed = 0;
  if (format != nullptr) {
    if (format->bitDepth == 16) {
      made->header.bitCount = 16;
      made->header.compression = platform::kBitmapBitFields;
      made->colors[0] = format->redMask;
      made->colors[1] = format->greenMask;
      made->colors[2] = format->blueMask;
    } else if (format->bitDepth > 24 && info->header.bitCount != 24) {
      made->header.bitCount = format->bitDepth;
      made->header.compression = platform::kBitmapBitFields;
      made->colors[0] = format->redMask;
      made->colors[1] = format->greenMask;
      made->colors[2] = format->blueMask;
    } else {
      made->header.bitCount = format->bitDepth;
      if (format->bitDepth == 32) {
        made->header.bitCount = 24;
        SetFullColorFormat(format);
      }
    }
  } else if (info->header.bitCount == 8) {
    made->header.bitCount = 8;
    made->header.clrUsed = info->header.clrUsed;
    std::memcpy(made->colors, info->colors, 1024);
  } else {
    made->header.bitCount = 24;
  }

  void* bits = nullptr;
  platform::DibHandle dib = platform::CreateDibSection(made, &bits);
  TrackedFree(made);
  if (dib == 0) {
    LogWrite(Cp932<"ＤＩＢの作成に失敗しました3\n">);
    platform::DeleteMemoryContext(context);
    return 0;
  }
  if (bits == nullptr) {
    LogWrite(Cp932<"ＤＩＢの作成に失敗しました2\n">);
    platform::DeleteDib(dib);
    platform::DeleteMemoryContext(context);
    return 0;
  }
  platform::DibHandle previous = platform::SelectDib(context, dib);
  const int width = info->header.width;
  if (mirror) {
    platform::StretchDibBits(context, 0, 0, width, info->header.height, width - 1, 0, -width, height, pixels, info);
  } else {
    platform::SetDibBitsToDevice(context, 0, 0, width, height, 0, 0, 0, height, pixels, info);
  }
  platform::SelectDib(context, previous);
  platform::DeleteMemoryContext(context);
  return dib;
}
