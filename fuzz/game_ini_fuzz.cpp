// Reads arbitrary bytes as Game.ini and checks the settings read stay in the
// ranges the reader gives (one-character values 0-9) and that what the writer
// makes of them reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/GameIni.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GameIniValues values;
  ParseGameIniText(std::string_view(reinterpret_cast<const char*>(data), size), values);
  for (int v : {values.softMode, values.windowMode, values.sound, values.frameSkip, gScreenShotFlag})
    if (v < 0 || v > 9) std::abort();
  // A value with a line feed is cut there by the reader: only single-line
  // values go round.
  if (gProxy.find('\n') != std::string::npos || gProxyPort.find('\n') != std::string::npos) return 0;
  gWindowModeFlag = values.windowMode;
  gSoundSetting = values.sound;
  const std::string text = GameIniText(values.start, values.softMode, values.frameSkip);
  GameIniValues again;
  ParseGameIniText(text, again);
  if (again.start != values.start || again.softMode != values.softMode || again.windowMode != values.windowMode ||
      again.sound != values.sound || again.frameSkip != values.frameSkip)
    std::abort();
  return 0;
}
