// Ogg Vorbis images read by vorbisfile through the sound layer's stream
// callbacks.
#include "SoundFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAndPlay(data, size);
  return 0;
}
