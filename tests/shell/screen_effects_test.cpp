#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/ScreenEffects.h"
#include "shell/StartupGlobals.h"
#include "support/ImageFileWriters.h"
#include "support/StartedLibrary.h"

namespace {

// The lines of the drawing call log that start with `entry`.
std::vector<std::string> LoggedCalls(const std::string& entry) {
  std::vector<std::string> lines;
  std::istringstream log(GetDrawCallLog());
  for (std::string line; std::getline(log, line);) {
    if (line.rfind(entry + "(", 0) == 0) lines.push_back(line);
  }
  return lines;
}

// The blend parameter of a logged call ("... blend=1,127 tint=...").
int BlendParameter(const std::string& line) {
  const size_t at = line.find("blend=");
  return std::stoi(line.substr(line.find(',', at) + 1));
}

class ScreenEffects : public testing::Test {
 protected:
  void SetUp() override {
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gGameSystem = GameSystem();
    gFrameStep = 1;
  }
  void TearDown() override {
    gFrameStep = 1;
    SetDrawCallLogEnabled(0);
    ClearDrawCallLog();
  }
};

TEST_F(ScreenEffects, ToneMovesFromStartToTargetOverItsFrames) {
  struct Case {
    int frames, frameStep;
    std::vector<int> reds;  // the current red after each step until idle
  } cases[] = {
      {0, 1, {0, 255}},  // the command's own frame still shows the start
      {4, 1, {0, 51, 102, 153, 204, 255}},
      {4, 2, {0, 102, 204, 255}},
      // Lengths whose total wraps to 0 or below take the target at once.
      {65535, 1, {255}},
      {-1, 1, {255}},
      {32767, 1, {255}},
      {2147483647, 1, {255}},
  };
  for (const Case& c : cases) {
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gFrameStep = c.frameStep;
    SetScreenToneTarget(gEventSystem, 255, -255, 0, c.frames);
    std::vector<int> reds;
    for (int i = 0; i < 20 && gEventSystem.toneFrames != -1; ++i) {
      StepScreenTone(gEventSystem);
      reds.push_back(gEventSystem.toneState[0]);
    }
    EXPECT_EQ(reds, c.reds) << c.frames << " frames, step " << c.frameStep;
    EXPECT_EQ(gEventSystem.toneState[1], -255) << c.frames;
    StepScreenTone(gEventSystem);  // idle: nothing moves
    EXPECT_EQ(gEventSystem.toneState[0], 255);
  }
  // A new change starts from the tone in effect.
  gFrameStep = 1;
  SetScreenToneTarget(gEventSystem, 0, 0, 0, 1);
  StepScreenTone(gEventSystem);
  EXPECT_EQ(gEventSystem.toneState[0], 255);
  StepScreenTone(gEventSystem);
  EXPECT_EQ(gEventSystem.toneState[0], 127);
}

TEST_F(ScreenEffects, FlashIsDrawnForItsFramesFadingOut) {
  StartedLibrary library;
  ASSERT_TRUE(library.Started());
  struct Case {
    int frames;
    std::vector<int> strengths;
  } cases[] = {
      {3, {191, 127, 63}},
      {1, {127}},
      {0, {}},
      // A wrapped length is never drawn and never divides by zero.
      {65535, {}},
      {-1, {}},
      {2147483647, {}},
  };
  for (const Case& c : cases) {
    SetScreenFlash(gEventSystem, 10, 20, 30, c.frames);
    SetDrawCallLogEnabled(1);
    ClearDrawCallLog();
    for (int frame = 0; frame < 6; ++frame) {
      StepScreenTone(gEventSystem);  // the update phase of the frame
      DrawFlash(gEventSystem);
    }
    std::vector<int> strengths;
    for (const std::string& line : LoggedCalls("PutBox")) {
      EXPECT_NE(line.find("PutBox(0,0,640,480,"), std::string::npos) << line;
      EXPECT_NE(line.find("tint=FFFFFF"), std::string::npos) << line;
      strengths.push_back(BlendParameter(line));
    }
    EXPECT_EQ(strengths, c.strengths) << c.frames;
  }
  // A save may hold a count above a total that wrapped negative.
  gEventSystem.flashFrames = 5;
  gEventSystem.flashFramesTotal = -3;
  ClearDrawCallLog();
  DrawFlash(gEventSystem);
  EXPECT_TRUE(LoggedCalls("PutBox").empty());
}

TEST_F(ScreenEffects, TransitionImagesAndPlainFading) {
  StartedLibrary library;
  ASSERT_TRUE(library.Started());
  std::vector<uint32_t> levels(64 * 48);
  for (size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<uint32_t>(i % 64) * 4 * 0x010101;
  library.Folder().Write("Data/mask.bmp", fixtures::BmpFile(fixtures::BmpOptions{}, 64, 48, levels));
  gDataFolderPath = "Data\\";
  gSystemDatabase = Database();
  gSystemDatabase.types.assign(12, DatabaseTypeData());
  gSystemDatabase.ResizeDatabaseType(11, 2);
  ASSERT_TRUE(gSystemDatabase.WriteDatabaseString(11, 1, 0, "mask.bmp"));

  SetTransitionImage(1, 30, 1);
  EXPECT_EQ(gGameSystem.transitionImagePath, "Data\\mask.bmp");
  const int mask = gGameSystem.transitionMaskGraph;
  int width = 0, height = 0;
  ASSERT_EQ(QueryGraphSize(mask, &width, &height), 0);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(gGameSystem.plainFade, 0);
  EXPECT_EQ(gGameSystem.transitionTotal, 30);
  EXPECT_EQ(gGameSystem.transitionWaits, 1);

  SetTransitionImage(-1, 4, 0);
  EXPECT_EQ(gGameSystem.plainFade, 1);
  EXPECT_EQ(gGameSystem.transitionImagePath, "");
  EXPECT_EQ(QueryGraphSize(mask, &width, &height), -1);  // the old mask is released
  EXPECT_EQ(gGameSystem.transitionWaits, 0);

  // A plain fade of 4 frames: the captured screen fades out over the new
  // frames, then the transition ends.
  gGameSystem.RecreateScreenBuffers();
  gGameSystem.transitionRunning = 1;
  gGameSystem.transitionWaits = 1;
  gGameSystem.transitionRemaining = gGameSystem.transitionTotal;
  SetDrawCallLogEnabled(1);
  ClearDrawCallLog();
  int frames = 0;
  while (gGameSystem.transitionRunning && frames < 10) {
    StepTransition(gGameSystem);
    DrawTransition(gGameSystem);
    ++frames;
  }
  std::vector<int> strengths;
  for (const std::string& line : LoggedCalls("PutGraph")) strengths.push_back(BlendParameter(line));
  EXPECT_EQ(strengths, (std::vector<int>{191, 127, 63, 0}));
  EXPECT_EQ(frames, 5);
  EXPECT_EQ(gGameSystem.transitionWaits, 0);

  // A transition of 0 frames ends without drawing once below 0.
  gGameSystem.transitionTotal = 0;
  gGameSystem.transitionRunning = 1;
  gGameSystem.transitionRemaining = 0;
  ClearDrawCallLog();
  StepTransition(gGameSystem);
  DrawTransition(gGameSystem);
  EXPECT_EQ(gGameSystem.transitionRunning, 0);
  EXPECT_TRUE(LoggedCalls("PutGraph").empty());
  // The counter runs on every frame and stops at -10.
  for (int i = 0; i < 20; ++i) StepTransition(gGameSystem);
  EXPECT_EQ(gGameSystem.transitionRemaining, -10);
}

}  // namespace
