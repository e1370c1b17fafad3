#include "shell/NoticeBox.h"

#include <cstdio>

#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "platform/Backend.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/text/Text.h"
#include "shell/GameSystem.h"
#include "shell/PlayerInput.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

namespace {

std::vector<std::array<std::string, 3>> gRecordedNotices;
NoticeOutput gOutput = NoticeOutput::Report;

// Without a screen to wait on, the notice goes to stderr (so one right before
// the process ends is not lost) and to the record tests read.
bool ReportWithoutScreen(const std::string& line1, const std::string& line2, const std::string& line3) {
  if (gOutput == NoticeOutput::Screen) return false;
  if (gOutput == NoticeOutput::Stderr || platform::IsHeadless()) {
    (void)std::fprintf(stderr, "[notice] %s | %s | %s\n", platform::Cp932ToUtf8(line1).c_str(),
                       platform::Cp932ToUtf8(line2).c_str(), platform::Cp932ToUtf8(line3).c_str());
    (void)std::fflush(stderr);
    gRecordedNotices.push_back({line1, line2, line3});
    return true;
  }
  std::string text = line1;
  for (const std::string* line : {&line2, &line3}) {
    if (line->empty()) continue;
    text += "\n";
    text += *line;
  }
  platform::ShowMessageBox(text, "", platform::kMbOk);
  return true;
}

}  // namespace

void WaitForNoticeConfirm(int holdLimit) {
  int heldPolls = 0;
  for (;;) {
    if (RunMessageLoopRound() != 0) {
      gGameSystem.runState = -1;
      break;
    }
    PollInput(gInput);
    if (gInput.actionPressed[0] || gInput.mouseLeftPressed) break;
    if (gInput.actionHeld[0] || gInput.mouseLeftHeld) {
      if (++heldPolls > holdLimit) break;
    } else {
      heldPolls = 0;
    }
    WaitMillisecondsPumping(16);
  }
  SetDefaultFontSize(gEventSystem.fontSize);
}

void SetNoticeOutput(NoticeOutput output) { gOutput = output; }

void ShowNoticeBox(const std::string& line1, const std::string& line2, const std::string& line3) {
  if (ReportWithoutScreen(line1, line2, line3)) return;
  SetDefaultFontType(0);
  SetDefaultFontSize(12);
  SetBlendState(1, 240);
  const int cell = gTileSize * gScreenScale;
  PutBox(0, 6 * cell, 20 * cell, 9 * cell, PackColor(0, 50, 0), 1);
  SetBlendState(0, 255);
  SetDrawTint(255, 255, 255);
  const int white = PackColor(255, 255, 255);
  DrawTextDefaultFont(10, 200, line1.c_str(), white, 0);
  DrawTextDefaultFont(10, 234, line2.c_str(), white, 0);
  DrawTextDefaultFont(10, 260, line3.c_str(), white, 0);
  PresentFrame();
  WaitForNoticeConfirm(10);
}

void ShowNumberNotice(int a, int b, int c) {
  char text[64];
  (void)std::snprintf(text, sizeof text, "%d   %d   %d", a, b, c);
  if (ReportWithoutScreen(text, "", "")) return;
  SetDefaultFontType(0);
  SetDefaultFontSize(gTileSize * gScreenScale / 2);
  SetBlendState(4, 255);
  PutBox(0, 192, 640, 256, PackColor(100, 100, 100), 1);
  SetBlendState(0, 255);
  SetDrawTint(255, 255, 255);
  const int width = MeasureTextDefaultFont(text, static_cast<int>(std::char_traits<char>::length(text)), 0);
  DrawTextDefaultFont(320 - width / 2, 224, text, PackColor(255, 255, 255), 0);
  PresentFrame();
  WaitForNoticeConfirm(10);
}

std::vector<std::array<std::string, 3>> RecordedNotices() { return gRecordedNotices; }

void ClearRecordedNotices() { gRecordedNotices.clear(); }
