// A 640 x 480 PNG and JPEG (the JPEG from the test fixtures' encoder),
// decoded from memory through the image loader chain (ReadImageWithAlphaFile)
// beside libpng's simplified read and libjpeg's plain scanline read of the
// same bytes; and 4000 x 3000 BMPs at each plain bit count.

#include <benchmark/benchmark.h>

#include <jpeglib.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/image/ImageLoader.h"
#include "support/ImageFileWriters.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Gradients with some texture, as a game's picture might be.
std::vector<uint8_t> PictureRgb() {
  std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245u + 12345u;
      uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / kWidth + ((noise >> 16) & 7));
      p[1] = static_cast<uint8_t>(y * 255 / kHeight + ((noise >> 20) & 7));
      p[2] = static_cast<uint8_t>(((x / 40 + y / 40) & 1) * 120 + ((noise >> 24) & 15));
    }
  return rgb;
}

const std::string& PngFile() {
  static const std::string file = [] {
    const std::vector<uint8_t> rgb = PictureRgb();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::string out(size, '\0');
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    out.resize(size);
    return out;
  }();
  return file;
}

const std::string& JpegFile() {
  static const std::string file = fixtures::JpegFile(kWidth, kHeight, 3, PictureRgb(), 90);
  return file;
}

void DecodeThroughLoader(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    GraphImage image{}, alpha{};
    const int result = ReadImageWithAlphaFile(nullptr, file.data(), static_cast<int>(file.size()), 1, nullptr, 0, 1,
                                              &image, &alpha, 0);
    if (result < 0) state.SkipWithError("not decoded");
    benchmark::DoNotOptimize(image.pixels);
    FreeGraphImage(&image);
  }
}

void BM_PngThroughLoader(benchmark::State& state) { DecodeThroughLoader(state, PngFile()); }

void BM_PngSimplifiedRead(benchmark::State& state) {
  const std::string& file = PngFile();
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 3);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, file.data(), file.size());
    image.format = PNG_FORMAT_BGR;
    if (png_image_finish_read(&image, nullptr, out.data(), 0, nullptr) == 0) state.SkipWithError("not decoded");
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_JpegThroughLoader(benchmark::State& state) { DecodeThroughLoader(state, JpegFile()); }

void BM_JpegScanlineRead(benchmark::State& state) {
  const std::string& file = JpegFile();
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 3);
  for (auto _ : state) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr error{};
    d.err = jpeg_std_error(&error);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = &out[static_cast<size_t>(d.output_scanline) * kWidth * 3];
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    benchmark::DoNotOptimize(out.data());
  }
}

// A 4000 x 3000 BMP of the given bit count, its rows filled with a pattern.
std::string BmpPicture(int bitCount) {
  constexpr int kBmpWidth = 4000, kBmpHeight = 3000;
  fixtures::BmpOptions options;
  options.bitCount = bitCount;
  if (bitCount <= 8) {
    for (int i = 0; i < (1 << bitCount); ++i) options.palette.push_back(static_cast<uint32_t>(i) * 0x010203u);
  }
  std::string file = fixtures::BmpFile(options, 1, 1, {0});
  const auto offset = static_cast<uint8_t>(file[10]) | static_cast<uint8_t>(file[11]) << 8;
  file.resize(static_cast<size_t>(offset));
  file.replace(18, 4, fixtures::Le32(kBmpWidth));
  file.replace(22, 4, fixtures::Le32(kBmpHeight));
  const size_t rowSize = (static_cast<size_t>(bitCount) * kBmpWidth + 31) / 32 * 4;
  uint32_t noise = 12345;
  for (size_t i = 0; i < rowSize * kBmpHeight; ++i) {
    noise = noise * 1103515245u + 12345u;
    file += static_cast<char>(noise >> 24);
  }
  return file;
}

void BM_BmpThroughLoader(benchmark::State& state) {
  DecodeThroughLoader(state, BmpPicture(static_cast<int>(state.range(0))));
}

// 1, 16 and 32 bits go through the DIB; 4, 8 and 24 are copied by the decoder.
BENCHMARK(BM_BmpThroughLoader)->Arg(1)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngThroughLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngSimplifiedRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegThroughLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegScanlineRead)->Unit(benchmark::kMillisecond);

}  // namespace
