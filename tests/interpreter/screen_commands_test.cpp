#include <climits>
#include <vector>

#include "RunnerFixture.h"
#include "media/PublicFunctions.h"
#include "support/StartedLibrary.h"

namespace runner_test {
namespace {

class ScreenCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gVariableStore.context = &gEventSystem;
    gTileSize = 32;
    gScreenScale = 1;
  }
  void TearDown() override { gTileSize = 32; }

  // Runs one frame of a one-command list; true when the command was done
  // (false: it waits to be tried again).
  bool RunOnce(std::vector<EventCommand> commands) {
    EventRunner& runner = Start(std::move(commands));
    runner.RunEventRunner();
    return runner.line != 0 || !runner.IsEventRunnerBusy();
  }
};

TEST_F(ScreenCommands, ColourWordsGiveToneAndFlash) {
  struct Case {
    int word, frames;
    int red, green, blue;
    bool flash;
  } cases[] = {
      {200 | 200 << 8 | 200 << 16, 10, 255, 255, 255, false},
      {0, 0, -255, -255, -255, false},
      {255 | 100 << 8 | 50 << 16, 3, 395, 0, -127, false},  // no clamp here
      {150 | 100 << 8 | 101 << 16 | 1 << 24, 7, 127, 0, 2, true},
  };
  for (const Case& c : cases) {
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    EXPECT_TRUE(RunOnce({Command(151, {c.word, c.frames})}));
    if (c.flash) {
      EXPECT_EQ(gEventSystem.flashColor[0], c.red) << c.word;
      EXPECT_EQ(gEventSystem.flashColor[1], c.green) << c.word;
      EXPECT_EQ(gEventSystem.flashColor[2], c.blue) << c.word;
      EXPECT_EQ(gEventSystem.flashFrames, c.frames + 1);
      EXPECT_EQ(gEventSystem.toneFrames, -1);
    } else {
      EXPECT_EQ(gEventSystem.toneState[6], c.red) << c.word;
      EXPECT_EQ(gEventSystem.toneState[7], c.green) << c.word;
      EXPECT_EQ(gEventSystem.toneState[8], c.blue) << c.word;
      EXPECT_EQ(gEventSystem.toneFramesTotal, c.frames + 1);
      EXPECT_EQ(gEventSystem.flashFrames, -1);
    }
  }
}

TEST_F(ScreenCommands, TransitionTypePrepareAndExecute) {
  StartedLibrary library;
  ASSERT_TRUE(library.Started());
  gGameSystem.RecreateScreenBuffers();
  EXPECT_TRUE(RunOnce({Command(160, {-1, 25 | 1 << 16})}));
  EXPECT_EQ(gEventSystem.transitionNumber, -1);
  EXPECT_EQ(gEventSystem.transitionFrames, 25);
  EXPECT_EQ(gEventSystem.transitionFlag, 1);
  EXPECT_EQ(gGameSystem.plainFade, 1);
  EXPECT_EQ(gGameSystem.transitionTotal, 25);
  EXPECT_EQ(gGameSystem.transitionWaits, 1);

  // Prepare waits while a window is open.
  gGameSystem.windowOpen = 1;
  EXPECT_FALSE(RunOnce({Command(161)}));
  EXPECT_EQ(gGameSystem.screenFrozen, 0);
  gGameSystem.windowOpen = 0;
  SetDrawCallLogEnabled(1);
  ClearDrawCallLog();
  EXPECT_TRUE(RunOnce({Command(161)}));
  EXPECT_EQ(gGameSystem.screenFrozen, 1);
  EXPECT_NE(std::string(GetDrawCallLog()).find("CaptureScreenToGraph(0,0,640,480,"), std::string::npos)
      << GetDrawCallLog();
  EXPECT_TRUE(RunOnce({Command(162)}));
  EXPECT_EQ(gGameSystem.screenFrozen, 0);
  EXPECT_EQ(gGameSystem.transitionRunning, 1);
  EXPECT_EQ(gGameSystem.transitionRemaining, 25);

  // Execute while one runs waits; without prepare it captures and starts in
  // the same command once the first has ended.
  EXPECT_FALSE(RunOnce({Command(162)}));
  gGameSystem.transitionRunning = 0;
  ClearDrawCallLog();
  EXPECT_TRUE(RunOnce({Command(162)}));
  EXPECT_EQ(gGameSystem.transitionRunning, 1);
  EXPECT_NE(std::string(GetDrawCallLog()).find("CaptureScreenToGraph"), std::string::npos);
  SetDrawCallLogEnabled(0);
  ClearDrawCallLog();
}

TEST_F(ScreenCommands, FreezeKeepsTheMapPictureUntilUnfrozen) {
  EXPECT_TRUE(RunOnce({Command(177)}));
  EXPECT_EQ(gEventSystem.mapDrawn, 0);
  EXPECT_TRUE(RunOnce({Command(178)}));
  EXPECT_EQ(gEventSystem.mapDrawn, 1);
}

TEST_F(ScreenCommands, ShakeWords) {
  EXPECT_TRUE(RunOnce({Command(280, {0x000, 9})}));
  EXPECT_EQ(gCurrentMap.shakeY.amplitude, 1);
  EXPECT_EQ(gCurrentMap.shakeY.speed, 1);
  EXPECT_EQ(gCurrentMap.shakeY.frames, 10);
  EXPECT_TRUE(RunOnce({Command(280, {0x132, 4})}));  // horizontal, amplitude 4, speed 8
  EXPECT_EQ(gCurrentMap.shakeX.amplitude, 4);
  EXPECT_EQ(gCurrentMap.shakeX.speed, 8);
  EXPECT_TRUE(RunOnce({Command(280, {0x300, 4})}));  // type 3: nothing
  EXPECT_EQ(gCurrentMap.shakeX.frames, 5);
  EXPECT_TRUE(RunOnce({Command(280, {0x200, 0})}));
  EXPECT_EQ(gCurrentMap.shakeX.frames, 0);
  EXPECT_EQ(gCurrentMap.shakeY.frames, 0);
}

TEST_F(ScreenCommands, ScrollDistancesInQuarterPixels) {
  gCurrentMap.mapData.header.width = 40;
  gCurrentMap.mapData.header.height = 30;
  // Operands past the plain values read variables: 1 holds INT_MAX, 2 INT_MIN.
  SetVariable(1, INT_MAX);
  SetVariable(2, INT_MIN);
  struct Case {
    int tileSize, word, dx, dy;
    int remainingX, remainingY, directionX, directionY;
  } cases[] = {
      {32, 0x000, 2, -1, 256, 128, 6, 8},  // cells
      {16, 0x000, 2, -1, 128, 64, 6, 8},
      {32, 0x200, 10, 3, 40, 12, 6, 2},  // pixels
      {16, 0x200, -10, 3, 40, 12, 4, 2},
      // Distances past the int range saturate instead of wrapping.
      {32, 0x000, Var(1), Var(2), INT_MAX, INT_MAX, 6, 8},
  };
  for (const Case& c : cases) {
    gTileSize = c.tileSize;
    gCurrentMap.scrollRemainingX = gCurrentMap.scrollRemainingY = 0;
    EXPECT_TRUE(RunOnce({Command(281, {c.word | 0x100, c.dx, c.dy})}));
    EXPECT_EQ(gCurrentMap.scrollRemainingX, c.remainingX) << c.dx;
    EXPECT_EQ(gCurrentMap.scrollRemainingY, c.remainingY) << c.dy;
    EXPECT_EQ(gCurrentMap.scrollDirectionX, c.directionX) << c.dx;
    EXPECT_EQ(gCurrentMap.scrollDirectionY, c.directionY) << c.dy;
    EXPECT_EQ(gGameSystem.scrollWait, 1);
  }
}

TEST_F(ScreenCommands, ScrollBackToTheHero) {
  gTileSize = 32;
  struct Case {
    int width, height, heroX, heroY, scrollX, scrollY;
    int remainingX, remainingY;
  } cases[] = {
      {20, 15, 30, 20, 0, 0, 0, 0},  // nothing to scroll on a screen-sized map
      {40, 30, 40, 30, 0, 0, 40 * 64 - 38 * 32, 30 * 64 - 28 * 32},
      {40, 30, 78, 58, 100, 0, 20 * 128 - 100, 15 * 128},  // clamped to the far edge
      {40, 30, 0, 0, 300, 200, 300, 200},                  // clamped to 0
  };
  for (const Case& c : cases) {
    gCurrentMap.mapData.header.width = c.width;
    gCurrentMap.mapData.header.height = c.height;
    gHero.x = c.heroX;
    gHero.y = c.heroY;
    gCurrentMap.scrollX = c.scrollX;
    gCurrentMap.scrollY = c.scrollY;
    EXPECT_TRUE(RunOnce({Command(281, {0x1 | 8 << 4})}));
    EXPECT_EQ(gCurrentMap.scrollRemainingX, c.remainingX) << c.heroX;
    EXPECT_EQ(gCurrentMap.scrollRemainingY, c.remainingY) << c.heroY;
    EXPECT_EQ(gGameSystem.scrollWait, 0);
  }
  EXPECT_TRUE(RunOnce({Command(281, {0x2})}));
  EXPECT_EQ(gEventSystem.scrollLock, 1);
  EXPECT_TRUE(RunOnce({Command(281, {0x3})}));
  EXPECT_EQ(gEventSystem.scrollLock, 0);
}

TEST_F(ScreenCommands, CharacterAndMapEffects) {
  gHero = Hero();
  EXPECT_TRUE(RunOnce({Command(290, {0x01, 12, -2, 0, 150, -150, 0})}));
  EXPECT_EQ(gHero.colorEffect, 200 * 65536 + 0 * 256 + 100);
  EXPECT_EQ(gHero.colorEffectTicks, 12);
  EXPECT_TRUE(RunOnce({Command(290, {0x11, 6, -2, 0, 3, -4, 2})}));
  EXPECT_EQ(gHero.shiftX, 3);
  EXPECT_EQ(gHero.shiftY, -4);
  EXPECT_EQ(gHero.shiftRepeats, 2);
  // A missing character is skipped.
  EXPECT_TRUE(RunOnce({Command(290, {0x01, 12, 55, 0, 0, 0, 0})}));
  EXPECT_TRUE(RunOnce({Command(290, {0x02, 30, 0, 0, 320, 240, 200})}));
  EXPECT_EQ(gCurrentMap.zoom.targetZoom, 200);
}

}  // namespace
}  // namespace runner_test
