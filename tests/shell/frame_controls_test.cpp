#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "gamedata/GlobalObjects.h"
#include "platform/time/Time.h"
#include "platform/window/Window.h"
#include "shell/Frame.h"
#include "shell/FrameControls.h"
#include "shell/GameIni.h"
#include "shell/GameSystem.h"
#include "shell/PlayerInput.h"
#include "shell/ShellServices.h"
#include "support/StartedGame.h"

namespace {

TEST(PacingTest, WaitsWhatIsLeftOfSixteenMillisecondsAcrossTheWrap) {
  struct Case {
    int start, now, wait;
  };
  const Case cases[] = {
      {0, 0, 16},   {0, 5, 11}, {0, 16, 0}, {0, 40, 0}, {0x7FFFFFF8, 4, 4},  // the 31-bit clock wrapped: 12 ms passed
      {100, 90, 0},  // a clock that went back counts as long past
  };
  for (const Case& c : cases) EXPECT_EQ(PacingWait(c.start, c.now), c.wait) << c.start << " " << c.now;
}

// Sixty passes a second: the rate of each half second, doubled, is about 60
// and even; the play time counts whole seconds and the milliseconds into the
// current one. The same from a clock just before its 31-bit wrap, where plain
// differences would stop all three.
TEST(FrameRateTest, MeasuresPassesAndCountsSecondsAcrossTheWrap) {
  for (const uint64_t origin : {uint64_t{5000}, uint64_t{0x80000000u - 700}}) {
    SCOPED_TRACE(origin);
    ResetFrameControls();
    gEventSystem.playTimeSeconds = 10;
    int rate = 0;
    for (int pass = 0; pass <= 150; ++pass) {  // 2.5 s
      platform::SetVirtualClock(origin + static_cast<uint64_t>(pass) * 1000 / 60);
      rate = MeasureFps(1);
      if (pass > 30) {
        EXPECT_GE(rate, 58) << pass;
        EXPECT_LE(rate, 62) << pass;
        EXPECT_EQ(rate % 2, 0) << pass;
      }
    }
    EXPECT_EQ(rate, 60);
    EXPECT_EQ(gEventSystem.framesPerSecond, 60);
    EXPECT_EQ(gEventSystem.playTimeSeconds, 12);
    EXPECT_EQ(gEventSystem.msInSecond, 500);
    // Asked without counting (the information line), the rate stays.
    platform::SetVirtualClock(origin + 3000);
    EXPECT_EQ(MeasureFps(0), 60);
    EXPECT_EQ(gEventSystem.playTimeSeconds, 13);
    EXPECT_EQ(gEventSystem.msInSecond, 0);
  }
  ResetFrameControls();
}

TEST(FrameSkipTest, ModesAreClampedAndStoredWithTheirFactor) {
  struct Case {
    int asked, mode;
    float factor;
  };
  const Case cases[] = {{-3, 0, 1.0f}, {0, 0, 1.0f}, {1, 1, 0.5f}, {2, 2, 0.25f}, {7, 2, 0.25f}};
  for (const Case& c : cases) {
    EXPECT_EQ(SetFrameSkipMode(c.asked), c.mode);
    EXPECT_EQ(gEventSystem.frameSkipMode, c.mode);
    EXPECT_EQ(gEventSystem.drawFactor, c.factor);
    EXPECT_EQ(gFrameSkipMode, c.mode);
    EXPECT_EQ(gFrameSkipSetting, c.mode);
  }
}

TEST(FunctionKeyTest, F5CyclesAndF8FallsBackToTheModeChosenWithF5) {
  ResetFrameControls();
  gInput = InputState{};
  SetFrameSkipMode(2);  // as Game.ini gave it
  gGameSystem.infoMode = 0;
  gInput.f8Pressed = 1;
  HandleFunctionKeys(0);
  EXPECT_EQ(gFrameSkipMode, 0);
  EXPECT_EQ(gGameSystem.infoMode, 1);
  gInput = InputState{};
  gInput.f5Pressed = 1;
  const int cycle[] = {1, 2, 0, 1};
  for (int mode : cycle) {
    HandleFunctionKeys(0);
    EXPECT_EQ(gFrameSkipMode, mode);
  }
  gInput = InputState{};
  gInput.f8Pressed = 1;
  HandleFunctionKeys(0);
  EXPECT_EQ(gFrameSkipMode, 1);
  EXPECT_EQ(gGameSystem.infoMode, 0);
  gInput = InputState{};
  gGameSystem.runState = 1;
  gInput.f12Pressed = 1;
  HandleFunctionKeys(0);
  EXPECT_EQ(gGameSystem.runState, 0);
  gGameSystem.runState = 1;
  gInput = InputState{};
  SetFrameSkipMode(0);
}

TEST(FunctionKeyTest, WindowScalesFitTheUsableDesktop) {
  EXPECT_DOUBLE_EQ(WindowScaleForIndex(0, 1920, 1050), 1.0);
  EXPECT_DOUBLE_EQ(WindowScaleForIndex(2, 1920, 1050), 0.5);
  EXPECT_DOUBLE_EQ(WindowScaleForIndex(1, 1920, 1050), 2.1875 - 0.04);
  // Width the tighter side: the width's ratio.
  EXPECT_DOUBLE_EQ(WindowScaleForIndex(1, 1280, 1000), 2.0 - 0.04);
}

// Print Screen saves the screen into the game folder only with
// ScreenShotFlag set.
TEST(ScreenshotTest, PrintScreenFollowsTheScreenShotFlag) {
  StartedGame game;
  ASSERT_TRUE(game.Started());
  platform::SetVirtualLocalTime({2026, 3, 4, 5, 6, 7, 0, 3});
  const std::filesystem::path shot = game.Folder().Path() / "ScreenShot_2026_0304_05_06_07.png";
  // The confirmation waits for a key; a closed window ends the wait.
  platform::InjectCloseRequest();
  for (const int flag : {0, 1}) {
    SCOPED_TRACE(flag);
    gScreenShotFlag = flag;
    gInput = InputState{};
    gInput.printScreenPressed = 1;
    HandleFunctionKeys(0);
    EXPECT_EQ(std::filesystem::exists(shot), flag == 1);
  }
  gInput = InputState{};
  gScreenShotFlag = 1;
}

TEST(ScreenshotTest, FileNameCarriesTheLocalTime) {
  EXPECT_EQ(ScreenshotFileName(2026, 3, 4, 5, 6, 7), "ScreenShot_2026_0304_05_06_07.png");
  EXPECT_EQ(ScreenshotFileName(1999, 12, 31, 23, 59, 59), "ScreenShot_1999_1231_23_59_59.png");
}

}  // namespace
