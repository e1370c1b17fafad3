// WAVE images, PCM and compressed (the codecs behind the ACM path). The first
// byte picks the coding so that every decoder is reached; the rest is the fmt
// chunk's fields and extra bytes, then the data.
#include <cstring>
#include <vector>

#include "SoundFuzzSupport.h"

namespace {

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  static const uint16_t kTags[] = {1, 2, 6, 7, 0x11, 0x55};
  const uint16_t tag = kTags[data[0] % 6];
  const uint8_t extraBytes = data[1] % 40;
  const size_t fmtFromInput = 14 + extraBytes;
  if (size < 2 + fmtFromInput) {
    fuzz::LoadAndPlay(data, size);  // raw images too
    return 0;
  }
  std::vector<uint8_t> fmt;
  Put(fmt, tag, 2);
  fmt.insert(fmt.end(), data + 2, data + 2 + fmtFromInput);
  std::vector<uint8_t> image;
  image.insert(image.end(), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(image, static_cast<uint32_t>(fmt.size()), 4);
  image.insert(image.end(), fmt.begin(), fmt.end());
  if (fmt.size() & 1) image.push_back(0);
  const size_t body = size - 2 - fmtFromInput;
  image.insert(image.end(), {'d', 'a', 't', 'a'});
  Put(image, static_cast<uint32_t>(body), 4);
  image.insert(image.end(), data + 2 + fmtFromInput, data + size);
  fuzz::LoadAndPlay(image.data(), image.size());
  return 0;
}
