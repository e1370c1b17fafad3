#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/midi/Midi.h"

namespace platform {

namespace {

struct TempoChange {
  int64_t tick;
  int64_t microsPerQuarter;
};

uint32_t Be(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

// A variable-length quantity; false when it runs past the end or is longer
// than four bytes.
bool ReadVarLen(const uint8_t* data, size_t end, size_t& at, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (at >= end) return false;
    const uint8_t b = data[at++];
    value = (value << 7) | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

// Walks one track; collects its tempo changes and its last tick. A damaged
// track ends where the damage starts.
void ScanTrack(const uint8_t* data, size_t begin, size_t end, std::vector<TempoChange>& tempos, int64_t& lastTick) {
  size_t at = begin;
  int64_t tick = 0;
  uint8_t running = 0;
  while (at < end) {
    uint32_t delta;
    if (!ReadVarLen(data, end, at, delta)) return;
    tick += delta;
    if (tick > INT32_MAX) return;
    lastTick = std::max(lastTick, tick);
    if (at >= end) return;
    uint8_t status = data[at];
    if (status & 0x80) {
      ++at;
    } else if (running) {
      status = running;
    } else {
      return;
    }
    if (status == 0xFF) {
      if (at >= end) return;
      const uint8_t type = data[at++];
      uint32_t length;
      if (!ReadVarLen(data, end, at, length) || length > end - at) return;
      if (type == 0x51 && length == 3) tempos.push_back({tick, Be(data + at, 3)});
      if (type == 0x2F) return;
      at += length;
      running = 0;
    } else if (status == 0xF0 || status == 0xF7) {
      uint32_t length;
      if (!ReadVarLen(data, end, at, length) || length > end - at) return;
      at += length;
      running = 0;
    } else if (status >= 0xF0) {
      return;
    } else {
      running = status;
      const int kind = status >> 4;
      at += (kind == 0xC || kind == 0xD) ? 1 : 2;
    }
  }
}

}  // namespace

int MidiTickAtMs(const uint8_t* data, size_t size, int64_t ms) {
  if (!data || size < 14 || std::memcmp(data, "MThd", 4) != 0 || ms <= 0) return 0;
  const uint32_t headerLength = Be(data + 4, 4);
  const int tracks = static_cast<int>(Be(data + 10, 2));
  const int division = static_cast<int>(Be(data + 12, 2));
  // SMPTE time: ticks per second are fixed.
  std::vector<TempoChange> tempos;
  int64_t lastTick = 0;
  if (headerLength > size - 8) return 0;
  size_t at = 8 + static_cast<size_t>(headerLength);
  for (int t = 0; t < tracks && size - at >= 8; ++t) {
    const uint32_t length = Be(data + at + 4, 4);
    const size_t begin = at + 8;
    const size_t end = begin + std::min<size_t>(length, size - begin);
    if (std::memcmp(data + at, "MTrk", 4) == 0) ScanTrack(data, begin, end, tempos, lastTick);
    at = end;
  }
  if (division & 0x8000) {
    const int64_t fps = 256 - ((division >> 8) & 0xFF);
    const int64_t perFrame = division & 0xFF;
    return static_cast<int>(std::min(lastTick, ms * fps * perFrame / 1000));
  }
  if (division == 0) return 0;
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  // Microseconds elapsed, per tempo segment, until `ms` is reached.
  const double target = static_cast<double>(ms) * 1000.0;
  double micros = 0;
  int64_t tick = 0;
  int64_t perQuarter = 500000;
  for (const TempoChange& change : tempos) {
    const double span = static_cast<double>(change.tick - tick) * static_cast<double>(perQuarter) / division;
    if (micros + span >= target) break;
    micros += span;
    tick = change.tick;
    perQuarter = std::max<int64_t>(change.microsPerQuarter, 1);
  }
  const double rest = (target - micros) * division / static_cast<double>(perQuarter);
  return static_cast<int>(std::min<double>(static_cast<double>(lastTick), static_cast<double>(tick) + rest));
}

}  // namespace platform
