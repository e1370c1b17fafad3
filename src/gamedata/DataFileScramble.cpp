#include "gamedata/DataFileScramble.h"

#include <cstdio>

#include "platform/process/ExecutableFolder.h"
#include "platform/process/Process.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"
#include "shell/NoticeBox.h"

namespace {

uint8_t ByteSum(const uint8_t* buffer, size_t start, size_t end) {
  uint8_t sum = 0;
  for (size_t i = start; i < end; ++i) sum = static_cast<uint8_t>(sum + buffer[i]);
  return sum;
}

const std::string& TamperedFileText() {
  static const std::string text = platform::Utf8ToCp932(
      "ファイル %s が改竄されたか、破損している可能性があります。\nロードを中止します。");
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

  static constexpr size_t kStrides[3] = {1, 2, 5};
  for (int k = 0; k < seedCount; ++k) {
    ScrambleGenerator generator;
    generator.Seed(seeds[k]);
    for (size_t i = start; i < end; i += kStrides[k])
      buffer[i] ^= static_cast<uint8_t>((generator.Draw() >> 12) & 0xFF);
  }

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
  std::snprintf(gTempStrings[gTempStringIndex], sizeof gTempStrings[0], "%d", value);
  return gTempStrings[gTempStringIndex];
}

std::string GetExecutableFolder() { return platform::ExecutableFolder(); }
