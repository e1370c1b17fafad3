#include "media/image/ImageWriters.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "foundation/Log.h"
#include "platform/files/Files.h"
#include "platform/text/Cp932Literal.h"

namespace {

// Writes the whole block, or deletes what was written: 0, -1 for a failed
// write or close, -2 when the file cannot be created.
int WriteWholeFile(const char* fileName, const std::vector<uint8_t>& bytes) {
  const std::string path = platform::NativePath(fileName);
  platform::FileDelete(path);
  const int file = platform::FileOpen(path, platform::FileAccess::Write);
  if (file == 0) return -2;
  const bool written =
      platform::FileWrite(file, bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size());
  const bool closed = platform::FileClose(file);
  if (!written || !closed) {
    platform::FileDelete(path);
    return -1;
  }
  return 0;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// Red, green, blue rows of the image.
bool RgbRows(GraphImage* image, std::vector<uint8_t>* rows) {
  if (image->width <= 0 || image->height <= 0) return false;
  rows->assign(static_cast<size_t>(image->width) * 3 * image->height, 0);
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      int r = 0, g = 0, b = 0, a = 0;
      if (ReadGraphImagePixel(image, x, y, &r, &g, &b, &a) < 0) return false;
      uint8_t* p = rows->data() + (static_cast<size_t>(y) * image->width + x) * 3;
      p[0] = static_cast<uint8_t>(r);
      p[1] = static_cast<uint8_t>(g);
      p[2] = static_cast<uint8_t>(b);
    }
  return true;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};
void JpegErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

}  // namespace

int WriteGraphImageBmp(const char* fileName, GraphImage* image) {
  // Block-compressed data is unpacked first, as every pixel operation does;
  // depths with no BMP layout are refused before any file is touched.
  if (image->format.compressionKind != 0 && DecompressDxtGraphImage(image) != 0) return -1;
  const int depth = image->format.bitDepth;
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return -1;
  const int w = image->width, h = image->height;
  const bool palette = depth == 8;
  const uint32_t rowSize =
      palette ? (static_cast<uint32_t>(w) + 3) / 4 * 4 : (static_cast<uint32_t>(w) * 3 + 3) / 4 * 4;
  const uint32_t offset = palette ? 1078 : 54;
  std::vector<uint8_t> out;
  out.reserve(offset + static_cast<size_t>(rowSize) * h);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, offset + rowSize * static_cast<uint32_t>(h));
  PutU32(out, 0);
  PutU32(out, offset);
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(w));
  PutU32(out, static_cast<uint32_t>(h));
  PutU16(out, 1);
  PutU16(out, palette ? 8 : 24);
  for (int i = 0; i < 6; ++i) PutU32(out, 0);
  if (palette) {
    for (int i = 0; i < 256; ++i) {
      const PaletteEntry& e = image->format.palette[i];
      out.push_back(e.blue);
      out.push_back(e.green);
      out.push_back(e.red);
      out.push_back(0);
    }
  }
  const ColorFormat& f = image->format;
  for (int y = h - 1; y >= 0; --y) {
    const uint8_t* row = image->pixels + static_cast<size_t>(y) * image->pitch;
    const size_t start = out.size();
    if (palette) {
      out.insert(out.end(), row, row + w);
    } else {
      for (int x = 0; x < w; ++x) {
        if (depth == 32) {
          out.push_back(row[ptrdiff_t{x} * 4]);
          out.push_back(row[x * 4 + 1]);
          out.push_back(row[x * 4 + 2]);
        } else {
          // 16 and 24-bit pixels go through their masks, so any channel order comes out blue, green, red.
          const int bytes = depth / 8;
          uint32_t v = 0;
          for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(row[x * bytes + i]) << (8 * i);
          auto channel = [&](uint32_t mask, int shift, int width) {
            const uint32_t value = (v & mask) >> shift;
            return static_cast<uint8_t>(width > 8 ? value >> (width - 8) : value << (8 - width));
          };
          out.push_back(channel(f.blueMask, f.blueShift, f.blueWidth));
          out.push_back(channel(f.greenMask, f.greenShift, f.greenWidth));
          out.push_back(channel(f.redMask, f.redShift, f.redWidth));
        }
      }
    }
    out.resize(start + rowSize, 0);
  }
  const int result = WriteWholeFile(fileName, out);
  if (result == -2) LogWrite(Cp932<"ＢＭＰセーブ用ファイルのオープンに失敗しました\n">);
  return result < 0 ? -1 : 0;
}

int WritePngFile(const char* fileName, GraphImage* image, int compressionLevel) {
  std::vector<uint8_t> rows;
  if (!RgbRows(image, &rows)) return -1;
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return -1;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return -1;
  }
  std::vector<png_bytep> pointers(static_cast<size_t>(image->height));
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return -1;
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_filter(png, 0, 0xF8);
  png_set_compression_level(png, compressionLevel);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image->width), static_cast<png_uint_32>(image->height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image->height; ++y) pointers[y] = rows.data() + static_cast<size_t>(y) * image->width * 3;
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return WriteWholeFile(fileName, out) == 0 ? 0 : -1;
}

int WriteJpegFile(const char* fileName, GraphImage* image, int quality, int) {
  std::vector<uint8_t> rows;
  if (!RgbRows(image, &rows)) return -1;
  jpeg_compress_struct info{};
  JpegError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegErrorExit;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return -1;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image->width);
  info.image_height = static_cast<JDIMENSION>(image->height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPROW> pointers(static_cast<size_t>(image->height));
  for (int y = 0; y < image->height; ++y) pointers[y] = rows.data() + static_cast<size_t>(y) * image->width * 3;
  jpeg_write_scanlines(&info, pointers.data(), static_cast<JDIMENSION>(image->height));
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return WriteWholeFile(fileName, out) == 0 ? 0 : -1;
}
