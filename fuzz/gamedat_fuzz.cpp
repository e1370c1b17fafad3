// Game.dat reader over arbitrary file images.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gamedata/DataFileCursor.h"
#include "gamedata/GameInfo.h"
#include "platform/Backend.h"
#include "shell/NoticeBox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool headless = (platform::SetBackend(platform::Backend::Headless), true);
  (void)headless;
  DataFileCursor cursor(std::vector<uint8_t>(data, data + size));
  cursor.Unscramble("Game.dat", kGameDatLayout);
  GameInfo info;
  if (!cursor.Damaged()) info.ReadGameInfo(cursor);
  ClearRecordedNotices();
  return 0;
}
