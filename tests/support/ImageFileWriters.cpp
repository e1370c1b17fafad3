#include "ImageFileWriters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

using namespace std::string_literals;

namespace fixtures {

std::string Le16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

namespace {

std::string Bytes(uint32_t v, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// One row of RLE8 or RLE4: runs of equal values, literals of three or more
// differing ones, each row ended by 0 0.
std::string EncodeRleRow(const std::vector<uint32_t>& row, bool fourBit) {
  std::string out;
  size_t i = 0;
  while (i < row.size()) {
    size_t run = 1;
    while (i + run < row.size() && row[i + run] == row[i] && run < 255) ++run;
    if (run >= 2 || row.size() - i < 3) {
      out += static_cast<char>(run);
      out += static_cast<char>(fourBit ? (row[i] << 4) | row[i] : row[i]);
      i += run;
      continue;
    }
    size_t lit = 1;
    while (i + lit < row.size() && lit < 255 && (i + lit + 1 >= row.size() || row[i + lit] != row[i + lit + 1])) ++lit;
    if (lit < 3) {
      out += static_cast<char>(1);
      out += static_cast<char>(fourBit ? (row[i] << 4) | row[i] : row[i]);
      ++i;
      continue;
    }
    out += '\0';
    out += static_cast<char>(lit);
    std::string bytes;
    for (size_t k = 0; k < lit; ++k) {
      if (!fourBit) {
        bytes += static_cast<char>(row[i + k]);
      } else if (k % 2 == 0) {
        bytes += static_cast<char>(row[i + k] << 4);
      } else {
        bytes.back() = static_cast<char>(bytes.back() | row[i + k]);
      }
    }
    if (bytes.size() % 2) bytes += '\0';
    out += bytes;
    i += lit;
  }
  out += std::string("\0\0", 2);
  return out;
}

std::string BmpWithPixels(int bitCount, int compression, int width, int height, const std::vector<uint32_t>& palette,
                          const uint32_t* masks, const std::string& pixels, int headerSize = 40) {
  std::string header = Le32(static_cast<uint32_t>(headerSize)) + Le32(static_cast<uint32_t>(width)) +
                       Le32(static_cast<uint32_t>(height)) + Le16(1) + Le16(static_cast<uint32_t>(bitCount)) +
                       Le32(static_cast<uint32_t>(compression)) + Le32(static_cast<uint32_t>(pixels.size())) +
                       Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
  const std::string maskBytes = Le32(masks[0]) + Le32(masks[1]) + Le32(masks[2]);
  std::string extra;
  if (headerSize > 40) {
    // Masks, alpha mask, colour space "sRGB"; end points, gammas and the
    // longer header's profile fields stay zero.
    header += (compression == 3 ? maskBytes : std::string(12, '\0')) + Le32(0) + "BGRs";
    header.resize(static_cast<size_t>(headerSize), '\0');
  } else if (compression == 3) {
    extra = maskBytes;
  }
  if (bitCount <= 8) {
    for (size_t i = 0; i < (size_t{1} << bitCount); ++i) extra += Le32(i < palette.size() ? palette[i] : 0);
  }
  const uint32_t offset = 14 + static_cast<uint32_t>(header.size() + extra.size());
  const std::string out = "BM" + Le32(offset + static_cast<uint32_t>(pixels.size())) + Le32(0) + Le32(offset);
  return out + header + extra + pixels;
}

}  // namespace

std::string BmpFile(const BmpOptions& o, int width, int height, const std::vector<uint32_t>& values) {
  std::string pixels;
  for (int r = 0; r < height; ++r) {
    const int y = o.topDown ? r : height - 1 - r;
    std::vector<uint32_t> row(values.begin() + static_cast<long>(y) * width,
                              values.begin() + static_cast<long>(y + 1) * width);
    if (o.compression == 1 || o.compression == 2) {
      pixels += EncodeRleRow(row, o.compression == 2);
      continue;
    }
    std::string bytes;
    if (o.bitCount < 8) {
      const int perByte = 8 / o.bitCount;
      bytes.assign(static_cast<size_t>((width + perByte - 1) / perByte), '\0');
      for (int x = 0; x < width; ++x) {
        const int shift = 8 - o.bitCount * (x % perByte + 1);
        bytes[x / perByte] = static_cast<char>(bytes[x / perByte] | (row[x] << shift));
      }
    } else {
      for (int x = 0; x < width; ++x) bytes += Bytes(row[x], o.bitCount / 8);
    }
    while (bytes.size() % 4) bytes += '\0';
    pixels += bytes;
  }
  if (o.compression == 1 || o.compression == 2) pixels += std::string("\0\1", 2);
  return BmpWithPixels(o.bitCount, o.compression, width, o.topDown ? -height : height, o.palette, o.masks, pixels,
                       o.headerSize);
}

std::string BmpRleFile(int bitCount, int width, int height, const std::vector<uint8_t>& rle,
                       const std::vector<uint32_t>& palette) {
  const uint32_t none[3] = {0, 0, 0};
  return BmpWithPixels(bitCount, bitCount == 8 ? 1 : 2, width, height, palette, none,
                       std::string(rle.begin(), rle.end()));
}

std::string TgaFile(const TgaOptions& o, int width, int height, const std::vector<uint32_t>& values) {
  const bool mapped = o.type == 1 || o.type == 9;
  const int entryBytes = o.depth / 8;
  const int sample = mapped ? 1 : entryBytes;
  std::string out;
  out += static_cast<char>(o.id.size());
  out += static_cast<char>(mapped ? 1 : 0);
  out += static_cast<char>(o.type);
  const std::vector<uint32_t> map = mapped ? o.colorMap : std::vector<uint32_t>{};
  out += Le16(static_cast<uint32_t>(o.mapFirst)) + Le16(static_cast<uint32_t>(map.size()));
  out += static_cast<char>(mapped ? o.depth : 0);
  out += Le16(0) + Le16(0) + Le16(static_cast<uint32_t>(width)) + Le16(static_cast<uint32_t>(height));
  out += static_cast<char>(mapped ? 8 : o.depth);
  out += static_cast<char>((o.topDown ? 0x20 : 0) | (o.rightToLeft ? 0x10 : 0) | (o.depth == 32 ? 8 : 0));
  out += o.id;
  for (uint32_t e : map) out += Bytes(e, entryBytes);
  // Stored order: rows as the descriptor says, each row in its direction.
  std::vector<uint32_t> stored;
  for (int r = 0; r < height; ++r) {
    const int y = o.topDown ? r : height - 1 - r;
    for (int c = 0; c < width; ++c) {
      const int x = o.rightToLeft ? width - 1 - c : c;
      stored.push_back(values[static_cast<size_t>(y) * width + x]);
    }
  }
  if (o.type == 1 || o.type == 2) {
    for (uint32_t v : stored) out += Bytes(v, sample);
  } else {
    // Repeat packets for runs of two or more, raw packets otherwise.
    size_t i = 0;
    while (i < stored.size()) {
      size_t run = 1;
      while (i + run < stored.size() && stored[i + run] == stored[i] && run < 128) ++run;
      if (run >= 2) {
        out += static_cast<char>(0x80 | (run - 1));
        out += Bytes(stored[i], sample);
        i += run;
        continue;
      }
      size_t raw = 1;
      while (i + raw < stored.size() && raw < 128 &&
             (i + raw + 1 >= stored.size() || stored[i + raw] != stored[i + raw + 1]))
        ++raw;
      out += static_cast<char>(raw - 1);
      for (size_t k = 0; k < raw; ++k) out += Bytes(stored[i + k], sample);
      i += raw;
    }
  }
  if (o.footer) out += Le32(0) + Le32(0) + "TRUEVISION-XFILE" + ".\0"s;
  return out;
}

std::string BgraFile(int width, int height, const std::vector<uint32_t>& argb, bool sixteen, uint8_t low) {
  std::string out = "BGRA" + Le32(sixteen ? 0x10101010u : 0x08080808u) + Le32(static_cast<uint32_t>(width)) +
                    Le32(static_cast<uint32_t>(height));
  for (uint32_t v : argb) {
    for (int shift : {0, 8, 16, 24}) {
      if (sixteen) out += static_cast<char>(low);
      out += static_cast<char>((v >> shift) & 0xFF);
    }
  }
  return out;
}

std::string DdsFormatNumber(uint32_t number) { return Le32(number); }

std::string DdsFile(const DdsOptions& o, int width, int height, const std::string& data) {
  std::string h = Le32(124) + Le32(o.flags) + Le32(static_cast<uint32_t>(height)) + Le32(static_cast<uint32_t>(width)) +
                  Le32(o.pitch) + Le32(0) + Le32(o.mipCount);
  h += std::string(44, '\0');  // reserved
  std::string fourCC = o.fourCC;
  fourCC.resize(4, '\0');
  h += Le32(32) + Le32(o.formatFlags) + fourCC + Le32(o.rgbBits) + Le32(o.masks[0]) + Le32(o.masks[1]) +
       Le32(o.masks[2]) + Le32(o.masks[3]);
  h += Le32(o.caps) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
  return "DDS " + h + data;
}

std::string JpegFile(int width, int height, int components, const std::vector<uint8_t>& samples, int quality,
                     bool arithmetic) {
  jpeg_compress_struct c{};
  jpeg_error_mgr error{};
  c.err = jpeg_std_error(&error);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  c.arith_code = arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&c, TRUE);
  const size_t rowSize = static_cast<size_t>(width) * components;
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(&samples[c.next_scanline * rowSize]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::string bytes(reinterpret_cast<char*>(out), size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

}  // namespace fixtures
