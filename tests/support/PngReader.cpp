#include "support/PngReader.h"

#include <png.h>

std::vector<uint32_t> ReadPngFile(const std::string& path, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return {};
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  std::vector<uint32_t> out(static_cast<size_t>(*width) * *height);
  for (size_t i = 0; i < out.size(); ++i) out[i] = rgb[i * 3] << 16 | rgb[i * 3 + 1] << 8 | rgb[i * 3 + 2];
  return out;
}
