// Runs arbitrary script text through the escape expansion and both passes of
// the text renderer, drawing headless.
//
// Input: byte 0 the flags (bit 0 values only, bit 1 the choice block, bit 2
// 16-pixel tiles, bit 3 a scaled draw), the rest the script text.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "../bench/BenchLibrary.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "presentation/MessageEscapes.h"
#include "presentation/TextBlock.h"
#include "presentation/TextResources.h"
#include "shell/GamePaths.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

namespace {

void StartOnce() {
  static bool once = false;
  if (once) return;
  once = true;
  // libFuzzer writes its corpus relative to the directory it started in.
  const auto started = std::filesystem::current_path();
  StartHeadlessBenchLibrary("message-text-fuzz-");
  gExeFolderPath = std::filesystem::current_path().string() + "/";
  std::filesystem::current_path(started);
  gDataFolderPath = gExeFolderPath + "Data/";
  gVariableStore = VariableStore(1);
  gVariableStore.variableSets[0].assign(100, 3);
  gVariableStore.stringVariables.assign(10, "\\c[2]s");
  gVariableStore.context = &gEventSystem;
  gTextResources.SetUpFonts();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  StartOnce();
  const uint8_t flags = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  gTileSize = (flags & 4) ? 16 : 32;
  gScreenScale = (flags & 4) ? 2 : 1;
  const std::string expanded = ExpandMessageEscapes(text, 0, 0, 1, flags & 1, 1, "<", ">", 1);
  TextBlock block;
  block.choiceMode = (flags & 2) ? 1 : 0;
  block.pendingText = expanded;
  block.RenderTextBlock(false, 1.0, 1.0);
  for (int frame = 0; frame < 3; ++frame) {
    block.AdvanceReveal();
    block.keyWait = 0;
    block.RenderTextBlock(true, (flags & 8) ? 2.0 : 1.0, 1.0);
  }
  block.revealed = 1e6;
  block.pauseFrames = 0;
  block.RenderTextBlock(true, 1.0, 1.0);
  int width = 0, height = 0;
  block.MeasureTextBlock(width, height);
  ClearRecordedNotices();
  platform::ClearRecordedMessageBoxes();
  return 0;
}
