#include "gamedata/DataFileScramble.h"

#include <cstdio>
#include <cstring>

#include "platform/process/ExecutableFolder.h"
#include "platform/process/Process.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"
#include "shell/NoticeBox.h"

namespace {

uint8_t ByteSum(const uint8_t* buffer, size_t start, size_t end) {
  // Eight bytes at a time: the even and the odd bytes of each word add up in
  // four 16-bit lanes each, folded before a lane could carry into the next.
  constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
  constexpr size_t kWordsPerFold = 256;  // 256 x 255 stays below 2^16
  uint32_t sum = 0;
  size_t i = start;
  while (end > i && end - i >= 8) {
    uint64_t even = 0;
    uint64_t odd = 0;
    for (size_t w = 0; w < kWordsPerFold && end - i >= 8; ++w, i += 8) {
      uint64_t word;
      std::memcpy(&word, buffer + i, 8);
      even += word & kEvenBytes;
      odd += (word >> 8) & kEvenBytes;
    }
    for (int lane = 0; lane < 4; ++lane)
      sum +=
          static_cast<uint32_t>((even >> (16 * lane)) & 0xFFFF) + static_cast<uint32_t>((odd >> (16 * lane)) & 0xFFFF);
  }
  for (; i < end; ++i) sum += buffer[i];
  return static_cast<uint8_t>(sum);
}

// The scrambler's generator step, x -> x * kMultiplier + kIncrement.
constexpr uint32_t kMultiplier = ScrambleGenerator::kMultiplier;
constexpr uint32_t kIncrement = ScrambleGenerator::kIncrement;
constexpr size_t kLanes = 16;

// kLanes generator states side by side (the compiler maps the arithmetic on
// the vector registers at hand).
using LaneStates = uint32_t __attribute__((vector_size(kLanes * sizeof(uint32_t))));

// One scrambling pass: every Stride-th byte from start is XORed with bits
// 12-14 of the generator's next draw. The draws of kLanes consecutive bytes
// come from kLanes states that each jump kLanes steps at once, so the lanes
// do not wait on one another.
template <size_t Stride>
void ScramblePass(uint8_t* buffer, size_t start, size_t end, uint8_t seed) {
  if (start >= end) return;
  const size_t count = (end - start + Stride - 1) / Stride;
  LaneStates lanes;
  uint32_t state = seed;
  for (size_t k = 0; k < kLanes; ++k) {
    state = state * kMultiplier + kIncrement;
    lanes[k] = state;
  }
  // The step of kLanes draws: x -> x * jumpMultiplier + jumpIncrement.
  uint32_t jumpMultiplier = 1;
  uint32_t jumpIncrement = 0;
  for (size_t k = 0; k < kLanes; ++k) {
    jumpMultiplier *= kMultiplier;
    jumpIncrement = jumpIncrement * kMultiplier + kIncrement;
  }
  uint8_t* at = buffer + start;
  size_t done = 0;
  for (; done + kLanes <= count; done += kLanes) {
    const LaneStates key = (lanes >> 28) & 0x7;
    for (size_t k = 0; k < kLanes; ++k) at[k * Stride] ^= static_cast<uint8_t>(key[k]);
    lanes = lanes * jumpMultiplier + jumpIncrement;
    at += kLanes * Stride;
  }
  for (size_t k = 0; done < count; ++k, ++done, at += Stride) {
    *at ^= static_cast<uint8_t>((lanes[k] >> 28) & 0x7);
  }
}

const std::string& TamperedFileText() {
  static const std::string text =
      platform::Utf8ToCp932("ファイル %s が改竄されたか、破損している可能性があります。\nロードを中止します。");
  return text;
}

// The notice line holds the name whole unless it is absurdly long; then the
// name is cut on a character boundary so the line stays readable.
std::string ShortenFileName(const std::string& name) {
  constexpr size_t kLimit = 200;
  if (name.size() <= kLimit) return name;
  size_t i = 0;
  while (i < name.size()) {
    size_t width = platform::IsCp932Lead(static_cast<unsigned char>(name[i])) ? 2 : 1;
    if (i + width > kLimit) break;
    i += width;
  }
  return name.substr(0, i) + "...";
}

uint32_t gSharedRandomState = 0;
bool gSharedRandomSeeded = false;

char gTempStrings[10][256];
int gTempStringIndex = 0;

}  // namespace

void ScrambleDataBody(const std::string& fileName, uint8_t* buffer, size_t start, size_t end, int seedCount,
                      const uint8_t* seeds, int mode, uint8_t* check) {
  if (seedCount > 3) seedCount = 3;
  if (seedCount >= 1) {
    bool allZero = true;
    for (int k = 0; k < seedCount; ++k) allZero = allZero && seeds[k] == 0;
    if (allZero) return;
  }
  if (mode < 0 && check != nullptr) check[0] = start < end ? ByteSum(buffer, start, end) : 0;

  // Pass 1 takes every byte, pass 2 every second, pass 3 every fifth.
  if (seedCount >= 1) ScramblePass<1>(buffer, start, end, seeds[0]);
  if (seedCount >= 2) ScramblePass<2>(buffer, start, end, seeds[1]);
  if (seedCount >= 3) ScramblePass<5>(buffer, start, end, seeds[2]);

  if (mode > 0) {
    uint8_t sum = start < end ? ByteSum(buffer, start, end) : 0;
    if (check == nullptr || sum != check[0]) {
      std::string name = ShortenFileName(fileName);
      const std::string& format = TamperedFileText();
      std::string line;
      size_t at = format.find("%s");
      line = format.substr(0, at) + name + format.substr(at + 2);
      ShowNoticeBox(line, "", "");
      platform::ExitProcess(1);
    }
  }
}

uint32_t SharedRandom(int mode, uint32_t value) {
  if (!gSharedRandomSeeded) {
    gSharedRandomState = platform::Milliseconds();
    gSharedRandomSeeded = true;
  }
  if (mode == 0) {
    gSharedRandomState = (gSharedRandomState * 1103515245u + 94123u) >> 4;
  } else if (mode == 2) {
    gSharedRandomState = value;
  }
  return gSharedRandomState;
}

const char* IntToTempString(int value) {
  gTempStringIndex = (gTempStringIndex + 1) % 10;
  (void)std::snprintf(gTempStrings[gTempStringIndex], sizeof gTempStrings[0], "%d", value);
  return gTempStrings[gTempStringIndex];
}

std::string GetExecutableFolder() { return platform::ExecutableFolder(); }
