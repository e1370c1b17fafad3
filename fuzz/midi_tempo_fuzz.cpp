// Feeds MIDI file images to the tempo-map reader that finds a song's start
// tick. Input: the first four bytes are the position in ms, the rest the file
// (a missing "MThd" is put in front half the time, so the walk gets deep).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/midi/Midi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  int32_t ms;
  std::memcpy(&ms, data, 4);
  std::vector<uint8_t> file(data + 5, data + size);
  if ((data[4] & 1) && (file.size() < 4 || std::memcmp(file.data(), "MThd", 4) != 0)) {
    static const uint8_t kHead[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 1, 0xE0, 'M', 'T', 'r', 'k'};
    file.insert(file.begin(), kHead, kHead + sizeof kHead);
  }
  const int tick = platform::MidiTickAtMs(file.data(), file.size(), ms);
  if (tick < 0) __builtin_trap();
  return 0;
}
