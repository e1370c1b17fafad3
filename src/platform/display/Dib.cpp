#include "platform/display/Dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/HandleTable.h"
#include "platform/ZeroedBuffer.h"

namespace platform {
namespace {

struct Dib {
  bool live = false;
  int width = 0;
  int height = 0;
  int bitCount = 0;
  int pitch = 0;
  uint32_t masks[3] = {};
  uint32_t palette[256] = {};
  ZeroedBuffer bits;
};

struct Context {
  bool live = false;
  DibHandle selected = 0;
};

std::vector<Dib>& Dibs() {
  static std::vector<Dib> dibs(1);  // slot 0 names nothing
  return dibs;
}
std::vector<Context>& Contexts() {
  static std::vector<Context> contexts(1);
  return contexts;
}
int gFault = 0;

Dib* FindDib(DibHandle h) {
  auto& t = Dibs();
  if (h <= 0 || static_cast<size_t>(h) >= t.size() || !t[h].live) return nullptr;
  return &t[h];
}
Context* FindContext(DisplayContext h) {
  auto& t = Contexts();
  if (h <= 0 || static_cast<size_t>(h) >= t.size() || !t[h].live) return nullptr;
  return &t[h];
}

int Shift(uint32_t mask) {
  if (mask == 0) return 0;
  int s = 0;
  while (((mask >> s) & 1u) == 0) ++s;
  return s;
}
int Width(uint32_t mask) {
  int s = Shift(mask), w = 0;
  while (s + w < 32 && ((mask >> (s + w)) & 1u)) ++w;
  return w;
}

// One colour channel of a 16 or 32-bit layout, measured once per call rather
// than once per pixel.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int width = 0;
  uint32_t widen[256] = {};  // field values below 256 widened, for fields up to 8 bits wide

  explicit Channel(uint32_t m = 0) : mask(m), shift(Shift(m)), width(Width(m)) {
    if (width == 0 || width > 8) return;
    for (uint32_t f = 0; f < 256; ++f) widen[f] = Compute(f);
  }
  // A mask with gaps gives fields wider than its lowest run of bits.
  uint32_t Compute(uint32_t f) const { return width >= 8 ? f >> (width - 8) : f * 255u / ((1u << width) - 1); }
  uint32_t Widen(uint32_t v) const {
    const uint32_t f = (v & mask) >> shift;
    return width <= 8 && f < 256 ? widen[f] : Compute(f);
  }
  uint32_t Narrow(uint32_t e) const {
    const uint32_t f = width >= 8 ? e << (width - 8) : e >> (8 - width);
    return (f << shift) & mask;
  }
};

struct Channels {
  Channel c[3];
  explicit Channels(const uint32_t* masks) : c{Channel(masks[0]), Channel(masks[1]), Channel(masks[2])} {}
  uint32_t Rgb(uint32_t v) const { return c[0].Widen(v) << 16 | c[1].Widen(v) << 8 | c[2].Widen(v); }
  uint32_t Pack(uint32_t rgb) const {
    return c[0].Narrow((rgb >> 16) & 0xFF) | c[1].Narrow((rgb >> 8) & 0xFF) | c[2].Narrow(rgb & 0xFF);
  }
};

// Source-side pixel reader of a BitmapInfo layout, giving 0x00RRGGBB.
struct Reader {
  const uint8_t* bits;
  int bitCount;
  int pitch;
  bool topDown;
  int rows;
  uint32_t masks[3];
  const uint32_t* palette;
  Channels channels;

  const uint8_t* RowBits(int y) const {
    const int row = topDown ? y : rows - 1 - y;
    return bits + static_cast<size_t>(row) * pitch;
  }

  uint32_t Rgb(int x, int y) const {
    uint32_t v = 0;
    Row(x, y, 1, &v);
    return v;
  }

  // `count` pixels from column x of row y; the caller keeps them inside the row.
  void Row(int x, int y, int count, uint32_t* out) const {
    const uint8_t* p = RowBits(y);
    switch (bitCount) {
      case 1:
        for (int i = 0, c = x; i < count; ++i, ++c) out[i] = palette[(p[c >> 3] >> (7 - (c & 7))) & 1] & 0xFFFFFF;
        break;
      case 4:
        for (int i = 0, c = x; i < count; ++i, ++c)
          out[i] = palette[(c & 1) ? (p[c >> 1] & 0xF) : (p[c >> 1] >> 4)] & 0xFFFFFF;
        break;
      case 8:
        for (int i = 0; i < count; ++i) out[i] = palette[p[x + i]] & 0xFFFFFF;
        break;
      case 24:
        for (int i = 0; i < count; ++i) {
          const uint8_t* q = p + 3 * (static_cast<size_t>(x) + i);
          out[i] = static_cast<uint32_t>(q[0] | (q[1] << 8) | (q[2] << 16));
        }
        break;
      case 16:
        for (int i = 0; i < count; ++i) {
          uint16_t v;
          std::memcpy(&v, p + 2 * (static_cast<size_t>(x) + i), 2);
          out[i] = channels.Rgb(v);
        }
        break;
      case 32:
        for (int i = 0; i < count; ++i) {
          uint32_t v;
          std::memcpy(&v, p + 4 * (static_cast<size_t>(x) + i), 4);
          out[i] = channels.Rgb(v);
        }
        break;
      default: std::fill(out, out + count, 0u); break;
    }
  }
};

void StandardMasks(int bitCount, uint32_t* masks) {
  if (bitCount == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x3E0;
    masks[2] = 0x1F;
  } else {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
}

Reader MakeReader(const void* bits, const BitmapInfo* info) {
  uint32_t masks[3];
  const int bitCount = info->header.bitCount;
  if (info->header.compression == kBitmapBitFields) {
    std::memcpy(masks, info->colors, sizeof masks);
  } else {
    StandardMasks(bitCount, masks);
  }
  return Reader{static_cast<const uint8_t*>(bits),
                bitCount,
                static_cast<int>((static_cast<int64_t>(std::abs(info->header.width)) * bitCount + 31) / 32 * 4),
                info->header.height < 0,
                std::abs(info->header.height),
                {masks[0], masks[1], masks[2]},
                info->colors,
                Channels(masks)};
}

// Destination side: a pixel block in one of the DIB layouts.
struct Writer {
  uint8_t* bits;
  int width, height, bitCount, pitch;
  uint32_t masks[3];
  const uint32_t* palette;
  Channels channels;

  void Store(int x, int y, uint32_t rgb) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    StoreRow(x, y, &rgb, 1);
  }

  // `count` pixels from column x of row y; the caller keeps them inside the block.
  void StoreRow(int x, int y, const uint32_t* rgb, int count) const {
    uint8_t* p = bits + static_cast<size_t>(y) * pitch;
    switch (bitCount) {
      case 8:
        for (int i = 0; i < count; ++i) p[x + i] = NearestPaletteEntry(rgb[i]);
        break;
      case 24:
        for (int i = 0; i < count; ++i) {
          uint8_t* q = p + 3 * (static_cast<size_t>(x) + i);
          q[0] = static_cast<uint8_t>(rgb[i]);
          q[1] = static_cast<uint8_t>(rgb[i] >> 8);
          q[2] = static_cast<uint8_t>(rgb[i] >> 16);
        }
        break;
      case 16:
        for (int i = 0; i < count; ++i) {
          const auto v = static_cast<uint16_t>(channels.Pack(rgb[i]));
          std::memcpy(p + 2 * (static_cast<size_t>(x) + i), &v, 2);
        }
        break;
      case 32:
        for (int i = 0; i < count; ++i) {
          const uint32_t v = channels.Pack(rgb[i]);
          std::memcpy(p + 4 * (static_cast<size_t>(x) + i), &v, 4);
        }
        break;
      default: break;
    }
  }

  uint8_t NearestPaletteEntry(uint32_t rgb) const {
    int best = 0;
    int64_t bestDist = -1;
    for (int i = 0; i < 256; ++i) {
      int64_t dr = static_cast<int64_t>((palette[i] >> 16) & 0xFF) - ((rgb >> 16) & 0xFF);
      int64_t dg = static_cast<int64_t>((palette[i] >> 8) & 0xFF) - ((rgb >> 8) & 0xFF);
      int64_t db = static_cast<int64_t>(palette[i] & 0xFF) - (rgb & 0xFF);
      int64_t d = dr * dr + dg * dg + db * db;
      if (bestDist < 0 || d < bestDist) {
        bestDist = d;
        best = i;
      }
    }
    return static_cast<uint8_t>(best);
  }
};

Writer WriterOf(Dib& dib) {
  return Writer{dib.bits.data(), dib.width,          dib.height,
                dib.bitCount,    dib.pitch,          {dib.masks[0], dib.masks[1], dib.masks[2]},
                dib.palette,     Channels(dib.masks)};
}

bool IsXrgb(const uint32_t* masks) { return masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF; }
bool Is565(const uint32_t* masks) { return masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F; }

// The common presentation case: top-down 565 or XRGB rows into a 32-bit XRGB
// image, nearest-pixel stretched. False when the layouts are other ones.
bool CopyRowsFast(const Writer& d, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const Reader& r, int sourceColumns) {
  if (d.bitCount != 32 || !IsXrgb(d.masks) || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0)
    return false;
  const bool xrgb = r.bitCount == 32 && IsXrgb(r.masks);
  const bool rgb565 = r.bitCount == 16 && Is565(r.masks);
  if (!xrgb && !rgb565) return false;
  std::vector<int> columns(static_cast<size_t>(width));
  for (int i = 0; i < width; ++i)
    columns[i] = sourceX + static_cast<int>(static_cast<int64_t>(i) * sourceWidth / width);
  for (int j = 0; j < height; ++j) {
    const int dy = y + j;
    if (dy < 0 || dy >= d.height) continue;
    const int64_t sy = sourceY + static_cast<int64_t>(j) * sourceHeight / height;
    if (sy < 0 || sy >= r.rows) continue;
    const int row = r.topDown ? static_cast<int>(sy) : r.rows - 1 - static_cast<int>(sy);
    const uint8_t* src = r.bits + static_cast<size_t>(row) * r.pitch;
    uint32_t* out = reinterpret_cast<uint32_t*>(d.bits + static_cast<size_t>(dy) * d.pitch);
    const bool straight = xrgb && width == sourceWidth && x >= 0 && x + width <= d.width && sourceX >= 0 &&
                          sourceX + width <= sourceColumns;
    if (straight) {
      for (int i = 0; i < width; ++i) {
        uint32_t v;
        std::memcpy(&v, src + static_cast<size_t>(sourceX + i) * 4, 4);
        out[x + i] = v & 0xFFFFFF;
      }
      continue;
    }
    for (int i = 0; i < width; ++i) {
      const int dx = x + i, sx = columns[i];
      if (dx < 0 || dx >= d.width || sx < 0 || sx >= sourceColumns) continue;
      if (xrgb) {
        uint32_t v;
        std::memcpy(&v, src + static_cast<size_t>(sx) * 4, 4);
        out[dx] = v & 0xFFFFFF;
      } else {
        uint16_t v;
        std::memcpy(&v, src + static_cast<size_t>(sx) * 2, 2);
        const uint32_t r5 = (v >> 11) & 0x1F, g6 = (v >> 5) & 0x3F, b5 = v & 0x1F;
        out[dx] = ((r5 * 255 / 31) << 16) | ((g6 * 255 / 63) << 8) | (b5 * 255 / 31);
      }
    }
  }
  return true;
}

}  // namespace

DisplayContext CreateMemoryContext() {
  auto& t = Contexts();
  int h = ClaimTableEntry(t);
  t[h] = Context{};
  t[h].live = true;
  return h;
}

int DeleteMemoryContext(DisplayContext context) {
  Context* c = FindContext(context);
  if (c == nullptr) return 0;
  c->live = false;
  c->selected = 0;
  return 1;
}

DibHandle CreateDibSection(const BitmapInfo* info, void** bits) {
  *bits = nullptr;
  int fault = gFault;
  gFault = 0;
  const BitmapInfoHeader& hd = info->header;
  if (fault == 1 || hd.width <= 0 || hd.height == 0) return 0;
  if (hd.bitCount != 8 && hd.bitCount != 16 && hd.bitCount != 24 && hd.bitCount != 32) return 0;
  const int64_t pitch = (static_cast<int64_t>(hd.width) * hd.bitCount / 8 + 3) / 4 * 4;
  const int64_t rows = std::abs(static_cast<int64_t>(hd.height));
  if (pitch * rows > (int64_t{1} << 31)) return 0;
  auto& t = Dibs();
  int h = ClaimTableEntry(t);
  Dib& d = t[h];
  d = Dib{};
  d.live = true;
  d.width = hd.width;
  d.height = static_cast<int>(rows);
  d.bitCount = hd.bitCount;
  d.pitch = static_cast<int>(pitch);
  if (hd.compression == kBitmapBitFields) {
    std::memcpy(d.masks, info->colors, sizeof(d.masks));
  } else if (hd.bitCount == 16) {
    d.masks[0] = 0x7C00;
    d.masks[1] = 0x3E0;
    d.masks[2] = 0x1F;
  } else {
    d.masks[0] = 0xFF0000;
    d.masks[1] = 0xFF00;
    d.masks[2] = 0xFF;
  }
  if (hd.bitCount == 8) std::memcpy(d.palette, info->colors, sizeof(d.palette));
  d.bits = ZeroedBuffer(static_cast<size_t>(pitch * rows));
  if (fault != 2) *bits = d.bits.data();
  return h;
}

int DeleteDib(DibHandle dib) {
  Dib* d = FindDib(dib);
  if (d == nullptr) return 0;
  d->live = false;
  d->bits = ZeroedBuffer();
  return 1;
}

DibHandle SelectDib(DisplayContext context, DibHandle dib) {
  Context* c = FindContext(context);
  if (c == nullptr) return 0;
  DibHandle previous = c->selected;
  c->selected = dib;
  return previous;
}

int SetDibBitsToDevice(DisplayContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                       int firstLine, int lineCount, const void* bits, const BitmapInfo* info) {
  Context* c = FindContext(context);
  if (c == nullptr || bits == nullptr) return 0;
  Dib* d = FindDib(c->selected);
  if (d == nullptr) return 0;
  Reader r = MakeReader(bits, info);
  const int srcW = std::abs(info->header.width);
  const Writer out = WriterOf(*d);
  if (firstLine == 0 && lineCount >= height &&
      CopyRowsFast(out, x, y, width, height, sourceX, sourceY, width, height, r, srcW))
    return height;
  // Whole rows: the columns both sides hold are found once, then each row is
  // converted in one pass.
  const int64_t first = std::max<int64_t>({0, -int64_t{x}, -int64_t{sourceX}});
  const int64_t last = std::min<int64_t>({int64_t{width}, int64_t{out.width} - x, int64_t{srcW} - sourceX});
  const int count = static_cast<int>(std::max<int64_t>(0, last - first));
  std::vector<uint32_t> row(static_cast<size_t>(count));
  int drawn = 0;
  for (int j = 0; j < height && j < lineCount; ++j) {
    const int64_t sy = int64_t{sourceY} + j - firstLine;
    if (sy < 0 || sy >= r.rows) continue;
    const int64_t dy = int64_t{y} + j;
    if (count > 0 && dy >= 0 && dy < out.height) {
      r.Row(static_cast<int>(sourceX + first), static_cast<int>(sy), count, row.data());
      out.StoreRow(static_cast<int>(x + first), static_cast<int>(dy), row.data(), count);
    }
    ++drawn;
  }
  return drawn;
}

int StretchDibBits(DisplayContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, const void* bits, const BitmapInfo* info) {
  Context* c = FindContext(context);
  if (c == nullptr || bits == nullptr || width == 0 || height == 0) return 0;
  Dib* d = FindDib(c->selected);
  if (d == nullptr) return 0;
  Reader r = MakeReader(bits, info);
  const int srcW = std::abs(info->header.width);
  const int w = std::abs(width);
  const int h = std::abs(height);
  const Writer out = WriterOf(*d);
  if (width > 0 && height > 0 && CopyRowsFast(out, x, y, w, h, sourceX, sourceY, sourceWidth, sourceHeight, r, srcW))
    return h;
  for (int j = 0; j < h; ++j) {
    int64_t sy = sourceY + static_cast<int64_t>(j) * sourceHeight / h;
    if (sy < 0 || sy >= r.rows) continue;
    for (int i = 0; i < w; ++i) {
      int64_t num = static_cast<int64_t>(i) * sourceWidth;
      int64_t sx = sourceX + (num >= 0 ? num / w : -((-num + w - 1) / w));
      if (sx < 0 || sx >= srcW) continue;
      out.Store(x + i, y + j, r.Rgb(static_cast<int>(sx), static_cast<int>(sy)));
    }
  }
  return h;
}

int DescribeDib(DibHandle dib, DibDescription* out) {
  Dib* d = FindDib(dib);
  if (d == nullptr) return 0;
  out->width = d->width;
  out->height = d->height;
  out->bitCount = d->bitCount;
  out->pitch = d->pitch;
  std::memcpy(out->masks, d->masks, sizeof(out->masks));
  out->bits = d->bits.data();
  return 1;
}

int GetDibBits(DibHandle dib, int width, int height, void* bits, const BitmapInfo* info) {
  Dib* d = FindDib(dib);
  if (d == nullptr || bits == nullptr) return 0;
  BitmapInfo own{};
  own.header.size = 40;
  own.header.width = d->width;
  own.header.height = -d->height;
  own.header.bitCount = static_cast<uint16_t>(d->bitCount);
  own.header.compression = kBitmapBitFields;
  std::memcpy(own.colors, d->masks, sizeof d->masks);
  if (d->bitCount == 8) std::memcpy(own.colors, d->palette, sizeof d->palette);
  const Reader r = MakeReader(d->bits.data(), &own);
  uint32_t masks[3];
  if (info->header.compression == kBitmapBitFields) {
    std::memcpy(masks, info->colors, sizeof masks);
  } else {
    StandardMasks(info->header.bitCount, masks);
  }
  const Writer w{static_cast<uint8_t*>(bits),
                 std::abs(info->header.width),
                 std::abs(info->header.height),
                 info->header.bitCount,
                 (std::abs(info->header.width) * info->header.bitCount / 8 + 3) / 4 * 4,
                 {masks[0], masks[1], masks[2]},
                 info->colors,
                 Channels(masks)};
  const bool bottomUp = info->header.height > 0;
  int rows = 0;
  for (int j = 0; j < height && j < w.height; ++j) {
    const int outRow = bottomUp ? w.height - 1 - j : j;
    for (int i = 0; i < width && i < w.width; ++i)
      w.Store(i, outRow, (i < d->width && j < d->height) ? r.Rgb(i, j) : 0);
    ++rows;
  }
  return rows;
}

void SetDibSectionFault(int fault) { gFault = fault; }

int LiveDisplayObjects() {
  int n = 0;
  for (auto& d : Dibs()) n += d.live ? 1 : 0;
  for (auto& c : Contexts()) n += c.live ? 1 : 0;
  return n;
}

}  // namespace platform
