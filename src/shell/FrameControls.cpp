#include "shell/FrameControls.h"

#include <cstdint>
#include <cstdio>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "platform/display/Desktop.h"
#include "platform/time/Time.h"
#include "shell/DebugInfo.h"
#include "shell/GameIni.h"
#include "shell/GameSystem.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

int gFrameSkipMode = 0;

namespace {

struct FpsMeter {
  bool started = false;
  int passes = 0;
  int windowStart = 0;
  int secondStart = 0;
  int rate = 0;
};
FpsMeter gFps;

int gWindowSizeIndex = 0;
int gChosenSkipMode = 0;

}  // namespace

void ResetFrameControls() {
  gFps = FpsMeter{};
  gWindowSizeIndex = 0;
  gChosenSkipMode = 0;
}

int ClockElapsed(int start, int now) {
  return static_cast<int>((static_cast<uint32_t>(now) - static_cast<uint32_t>(start)) & 0x7FFFFFFFu);
}

int MeasureFps(int count) {
  const int now = MillisecondClock();
  if (!gFps.started) {
    gFps.started = true;
    gFps.windowStart = now;
    gFps.secondStart = now;
  }
  if (count) {
    ++gFps.passes;
    if (ClockElapsed(gFps.windowStart, now) >= 500) {
      gFps.rate = gFps.passes * 2;
      gFps.passes = 0;
      gFps.windowStart = now;
    }
  }
  if (ClockElapsed(gFps.secondStart, now) >= 1000) {
    // On the clock's 31 bits, as it wraps.
    gFps.secondStart = static_cast<int>((static_cast<uint32_t>(gFps.secondStart) + 1000u) & 0x7FFFFFFFu);
    ++gEventSystem.playTimeSeconds;
  }
  gEventSystem.msInSecond = ClockElapsed(gFps.secondStart, now);
  gEventSystem.framesPerSecond = gFps.rate;
  return gFps.rate;
}

int SetFrameSkipMode(int mode) {
  if (mode < 0) mode = 0;
  if (mode > 2) mode = 2;
  gEventSystem.drawFactor = mode == 0 ? 1.0f : mode == 1 ? 0.5f : 0.25f;
  gEventSystem.frameSkipMode = mode;
  gFrameSkipMode = gFrameSkipSetting = mode;
  return mode;
}

double WindowScaleForIndex(int index, int usableWidth, int usableHeight) {
  if (index == 2) return 0.5;
  if (index == 0) return 1.0;
  const double rx = usableWidth / 640.0;
  const double ry = usableHeight / 480.0;
  const double scale = ry + 0.1 <= rx ? ry : rx;
  return scale - 0.04;
}

std::string ScreenshotFileName(int year, int month, int day, int hour, int minute, int second) {
  char name[80];
  (void)std::snprintf(name, sizeof name, "ScreenShot_%d_%02d%02d_%02d_%02d_%02d.png", year, month, day, hour, minute,
                      second);
  return name;
}

void TakeScreenshot() {
  PresentFrame();
  PresentBackScreen();
  const platform::LocalTime t = platform::GetLocalTime();
  const std::string name = ScreenshotFileName(t.year, t.month, t.day, t.hour, t.minute, t.second);
  SaveScreenAreaPng(0, 0, 640, 480, name.c_str(), 9);
  SetDefaultFontSize(gTileSize * gScreenScale / 2);
  SetBlendState(1, 180);
  PutBox(0, 192, 640, 288, PackColor(0, 90, 0), 1);
  SetBlendState(0, 255);
  const std::string title = Cp932Text("スクリーンショットを撮影しました");
  const int lift = gTileSize == 16 ? 20 : 0;
  const int white = PackColor(255, 255, 255);
  DrawTextDefaultFont(320 - MeasureTextDefaultFont(title.c_str(), static_cast<int>(title.size()), 0) / 2, 224 - lift,
                      title.c_str(), white, 0);
  DrawTextDefaultFont(320 - MeasureTextDefaultFont(name.c_str(), static_cast<int>(name.size()), 0) / 2,
                      static_cast<int>(gTileSize * 7.7) * gScreenScale - lift, name.c_str(), white, 0);
  PresentFrame();
  WaitForKeyPress();
  SetDefaultFontSize(gEventSystem.fontSize);
}

void HandleFunctionKeys(int) {
  if (gInput.f4Pressed) {
    gWindowSizeIndex = (gWindowSizeIndex + 1) % 3;
    if (gWindowSizeIndex == 2 && gSoftModeFlag) gWindowSizeIndex = 0;
    int width = 0, height = 0;
    platform::GetUsableDesktopArea(&width, &height);
    SetWindowScale(WindowScaleForIndex(gWindowSizeIndex, width, height));
    ShowMouseCursor(gEventSystem.mouseCursorShown);
  }
  if (gInput.f5Pressed) {
    gChosenSkipMode = (gFrameSkipMode + 1) % 3;
    SetFrameSkipMode(gChosenSkipMode);
  }
  if (gInput.f8Pressed) {
    gGameSystem.infoMode = gGameSystem.infoMode ? 0 : 1;
    SetFrameSkipMode(gChosenSkipMode);
  }
  if (gTestPlay && gInput.f9Pressed) DrawVariableWindow(true);
  if (gInput.f12Pressed) gGameSystem.runState = 0;
  if (gScreenShotFlag && gInput.printScreenPressed) TakeScreenshot();
}
