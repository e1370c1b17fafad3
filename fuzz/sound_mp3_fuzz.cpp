// MPEG audio images: the frame scanner (ID3 tags, the TAG trailer, sync
// search) and the decode through the codecs.
#include "SoundFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAndPlay(data, size);
  return 0;
}
