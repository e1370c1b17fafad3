#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The scrambler every game data file and save file goes through, the game's
// shared random generator and a few small runtime utilities.

// The generator of the scrambler. Files written with one generator read right
// only with the same one, so it is part of the file format.
class ScrambleGenerator {
 public:
  // The step state -> state * kMultiplier + kIncrement.
  static constexpr uint32_t kMultiplier = 214013u;
  static constexpr uint32_t kIncrement = 2531011u;

  void Seed(uint32_t seed) { state_ = seed; }
  // 0..32767.
  int Draw() {
    state_ = state_ * kMultiplier + kIncrement;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_ = 1;
};

// Unscrambles (mode 0), scrambles with the plain sum stored into check[0]
// (mode < 0) or verifies the sum of [start, end) against check[0] (mode > 0).
// With seedCount >= 1 and every seed zero nothing happens at all. A failed
// check shows the damaged-file notice and ends the process with exit code 1.
void ScrambleDataBody(const std::string& fileName, uint8_t* buffer, size_t start, size_t end, int seedCount,
                      const uint8_t* seeds, int mode, uint8_t* check);

// The game's own random generator. Mode 0 advances and returns the new state,
// mode 2 sets the state to value, any other mode returns it unchanged. The
// first call ever seeds it from the millisecond clock.
uint32_t SharedRandom(int mode, uint32_t value);

// The value in decimal in one of ten rotating buffers; valid for ten more calls.
const char* IntToTempString(int value);

// The folder of the running executable, ending with the path separator.
std::string GetExecutableFolder();
