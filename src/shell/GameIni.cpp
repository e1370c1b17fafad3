#include "shell/GameIni.h"

#include <cctype>
#include <climits>
#include <string>

#include "gamedata/GameText.h"
#include "platform/files/Files.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"

int gWindowModeFlag = 0;
int gSoftModeFlag = 0;
int gFrameSkipSetting = 0;
int gScreenShotFlag = 1;

namespace {

// Where the value of `key` (with its "=") starts, or npos.
size_t ValueStart(std::string_view text, std::string_view key) {
  const size_t at = text.find(key);
  return at == std::string_view::npos ? at : at + key.size();
}

// Decimal integer with an optional sign, stopping at the first other byte;
// saturated instead of overflowing.
int ReadInteger(std::string_view text, size_t at) {
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  long long value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at++] - '0');
    if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

// A one-character setting: a digit gives its value, anything else 0.
int ReadDigit(std::string_view text, std::string_view key, int fallback) {
  const size_t at = ValueStart(text, key);
  if (at == std::string_view::npos) return fallback;
  if (at < text.size() && text[at] >= '0' && text[at] <= '9') return text[at] - '0';
  return 0;
}

// The rest of the line; only a CR before the line end is dropped, so a value
// on the last line keeps all its bytes.
std::string ReadLineText(std::string_view text, std::string_view key) {
  const size_t at = ValueStart(text, key);
  if (at == std::string_view::npos) return std::string();
  size_t end = text.find('\n', at);
  if (end == std::string_view::npos) end = text.size();
  std::string value(text.substr(at, end - at));
  if (!value.empty() && value.back() == '\r') value.pop_back();
  return value;
}

}  // namespace

void ParseGameIniText(std::string_view bytes, GameIniValues& values) {
  values = GameIniValues{};
  std::string text(bytes.substr(0, bytes.find('\0')));
  std::erase(text, ' ');
  if (const size_t at = ValueStart(text, "Start="); at != std::string::npos) values.start = ReadInteger(text, at);
  values.softMode = ReadDigit(text, "SoftModeFlag=", 0);
  values.windowMode = ReadDigit(text, "WindowModeFlag=", 1);
  values.sound = ReadDigit(text, "SEandBGM=", 3);
  values.frameSkip = ReadDigit(text, "FrameSkip=", 0);
  gScreenShotFlag = ReadDigit(text, "ScreenShotFlag=", 1);
  gProxy = ReadLineText(text, "Proxy=");
  gProxyPort = ReadLineText(text, "ProxyPort=");
}

int ReadGameIni(GameIniValues& values) {
  values = GameIniValues{};
  // A real Game.ini is a few hundred bytes; anything that is no regular file
  // or far larger than that is taken as no file at all.
  constexpr int64_t kMaxGameIniBytes = int64_t{64} << 10;
  std::string bytes;
  if (platform::ReadSmallRegularFile("Game.ini", kMaxGameIniBytes, &bytes) != platform::SmallFileRead::Ok) {
    values.start = -1;
    return -1;
  }
  ParseGameIniText(bytes, values);
  return 1;
}

std::string GameIniText(int start, int softMode, int frameSkip) {
  std::string text;
  text += "Start=" + std::to_string(start) + "\n";
  text += "SoftModeFlag=" + std::to_string(softMode) + "\n";
  text += "WindowModeFlag=" + std::to_string(gWindowModeFlag) + "\n";
  text += "SEandBGM=" + std::to_string(gSoundSetting) + Cp932Text("  # 0:SE･BGMなし 1:SEのみ 2:BGMのみ 3:SE+BGMあり") +
          "\n";
  text += "FrameSkip=" + std::to_string(frameSkip) + "\n";
  text += "Proxy=" + gProxy + "\n";
  text += "ProxyPort=" + gProxyPort + "\n";
  text += "ScreenShotFlag=" + std::to_string(gScreenShotFlag);
  return text;
}

bool WriteGameIni(int start, int softMode, int frameSkip) {
  // A Game.ini the player made read-only keeps what it says.
  if (platform::FileReadOnly("Game.ini")) return false;
  std::string text;
  for (const char c : GameIniText(start, softMode, frameSkip)) {
    if (c == '\n') text += '\r';
    text += c;
  }
  // Replaced whole, so a kill or a full disk mid-write leaves the old file.
  switch (platform::FileReplaceAtomic("Game.ini", text.data(), static_cast<int64_t>(text.size()))) {
    case platform::ReplaceResult::Ok: return true;
    case platform::ReplaceResult::NoTemporary: break;  // a read-only folder: the file itself may be writable
    case platform::ReplaceResult::NoSpace:
    case platform::ReplaceResult::Failed: return false;
  }
  const int file = platform::FileOpen("Game.ini", platform::FileAccess::Write);
  if (!file) return false;
  const bool written =
      platform::FileWrite(file, text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size());
  platform::FileClose(file);
  return written;
}
