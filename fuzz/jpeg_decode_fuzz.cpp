// The JPEG decoder over arbitrary bytes on a memory stream.
#include "ImageFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz::DecodeImage(ReadJpegStream, data, size);
}
