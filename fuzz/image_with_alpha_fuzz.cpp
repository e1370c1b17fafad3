// The whole loader chain from memory, colour and alpha blocks: the first two
// bytes give the colour block's share of the rest (and, in the top bit, the
// mirror flag).
#include <cstddef>
#include <cstdint>

#include "ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int split = data[0] | ((data[1] & 0x7F) << 8);
  const int mirror = data[1] >> 7;
  const uint8_t* rest = data + 2;
  const int restSize = static_cast<int>(size - 2);
  const int colorSize = split < restSize ? split : restSize;
  GraphImage image{}, alpha{};
  const int result = ReadImageWithAlphaFile(nullptr, rest, colorSize, 1, rest + colorSize, restSize - colorSize, 1,
                                            &image, &alpha, mirror);
  if (result >= 0) fuzz::TouchRows(image);
  if (result == 0) fuzz::TouchRows(alpha);
  FreeGraphImage(&image);
  FreeGraphImage(&alpha);
  return 0;
}
