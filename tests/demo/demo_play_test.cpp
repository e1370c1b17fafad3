// The demo game played headless through the runtime's start-up, driven by
// replay logs built here from key sequences. Every value checked follows
// from the demo's own script and data.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gamedata/Database.h"
#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveManager.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "platform/gpu/Gpu.h"
#include "platform/input/Input.h"
#include "platform/modules/Modules.h"
#include "platform/window/Window.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/Startup.h"
#include "support/DemoGame.h"
#include "support/PngReader.h"
#include "support/ScratchFolder.h"

namespace {

// Title: New game; walk right to the sign and talk; answer yes; one step
// down and right into the door; the cave's entry runs.
const DemoInput kTour = {{30, 0},           {3, kDemoConfirm}, {30, 0},           {80, kDemoRight}, {5, 0},
                         {3, kDemoConfirm}, {60, 0},           {3, kDemoConfirm}, {40, 0},          {3, kDemoConfirm},
                         {20, 0},           {4, kDemoDown},    {100, kDemoRight}, {300, 0}};
// Frames at which the tour is looked at: the message is open; the reward's
// message is open; the cave's
// effects are done; the entry event has ended.
constexpr int kAtMessage = 200;
constexpr int kAtReward = 240;
constexpr int kAtCave = 395;
constexpr int kAtEnd = 470;

// The frame-value bits as keyboard keys: the arrows, Z, X and C.
constexpr std::array<std::pair<int, int>, 7> kKeys{{{kDemoUp, 200},
                                                    {kDemoDown, 208},
                                                    {kDemoLeft, 203},
                                                    {kDemoRight, 205},
                                                    {kDemoConfirm, 44},
                                                    {kDemoCancel, 45},
                                                    {kDemoSub, 46}}};

int V(int n) { return gVariableStore.ReadVariable(2000000 + n); }

struct Screen {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
  int Count(int x0, int y0, int x1, int y1, uint32_t colour) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += At(x, y) == colour ? 1 : 0;
    return n;
  }
};

// What a run leaves at one frame: the values the script sets and the screen.
struct Look {
  std::vector<int> state;
  std::string png;
};

// How a run is set up: the demo's form; the input from a replay log or,
// live, as keys of the headless keyboard (a live run saves, a replay does
// not); without the speech library's file; in a folder kept by the test
// (else a fresh one).
struct RunSetup {
  DemoForm form = DemoForm::Plain;
  bool live = false;
  bool withSpeech = true;
  const ScratchFolder* folder = nullptr;
};

class DemoPlayTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ForceHardwareRendering(0);
    platform::ResetHeadlessWindowing();
  }

  // Plays the demo with the input; at each frame asked for, `check` runs and
  // the state and a screenshot are kept.
  std::map<int, Look> Play(const DemoInput& input, const std::vector<int>& frames,
                           const std::function<void(int)>& check = {}, const RunSetup& run = {}) {
    std::optional<ScratchFolder> own;
    if (!run.folder) own.emplace(true);
    const ScratchFolder& folder = run.folder ? *run.folder : *own;
    std::filesystem::current_path(folder.Path());
    platform::ResetHeadlessWindowing();
    platform::SetInstanceLockFolder(folder.Path().string());
    WriteDemoGame(folder.Path() / "game", run.form);
    if (!run.withSpeech) std::filesystem::remove(folder.Path() / "game" / platform::kSpeechModuleName);
    std::vector<std::string> arguments = {"--headless", std::to_string(frames.back())};
    if (!run.live) {
      const std::vector<uint8_t> log = DemoReplayLog(input);
      folder.Write("tour.replay", std::string(log.begin(), log.end()));
      arguments.insert(arguments.end(), {"--replay", (folder.Path() / "tour.replay").string()});
    }
    arguments.push_back((folder.Path() / "game").string());
    GameOptions options;
    std::string error;
    EXPECT_TRUE(ParseGameArguments(arguments, options, error)) << error;
    // A replay an earlier run of this process left unfinished plays no more.
    gReplayPlaying = 0;
    gReplayFinished = 0;
    // Live input: the frame values as held keys.
    std::vector<int> keysByFrame;
    for (const auto& [count, value] : input) keysByFrame.insert(keysByFrame.end(), static_cast<size_t>(count), value);
    ClearRecordedNotices();
    std::map<int, Look> looks;
    GameSession session;
    if (StartGame(options, session) != 1) {
      ADD_FAILURE() << "the demo did not start";
      return looks;
    }
    for (int frame = 1; frame <= frames.back(); ++frame) {
      if (run.live) {
        const int value =
            frame <= static_cast<int>(keysByFrame.size()) ? keysByFrame[static_cast<size_t>(frame - 1)] : 0;
        for (const auto& [bit, scanCode] : kKeys) platform::SetScriptedKey(scanCode, (value & bit) != 0);
      }
      if (!RunHeadlessPass(session)) break;
      if (std::find(frames.begin(), frames.end(), frame) == frames.end()) continue;
      if (check) check(frame);
      const std::string shot = (folder.Path() / "frame.png").string();
      SaveScreenAreaPng(0, 0, 640, 480, shot.c_str(), 9);
      Look& look = looks[frame];
      look.png = ScratchFolder::Read(shot);
      look.state = {gCurrentMap.mapId, gHero.x, gHero.y, gHero.direction, gEventSystem.currentBgm};
      for (int n = 0; n <= kDemoVarStartX; ++n) look.state.push_back(V(n));
      for (int number = 2; number <= 4; ++number)
        for (int code : {0, 1, 5, 6, 7, 9}) look.state.push_back(gPictureList.GetPictureValue(number, code));
      for (int16_t tone : gEventSystem.toneState) look.state.push_back(tone);
    }
    ShutDownGame(session);
    platform::ClearScriptedInput();
    return looks;
  }

  static Screen Decode(const std::string& png, const ScratchFolder& folder) {
    const auto file = folder.Write("decode.png", png);
    Screen screen;
    screen.pixels = ReadPngFile(file.string(), &screen.width, &screen.height);
    return screen;
  }
};

TEST_F(DemoPlayTest, TheTourPlaysTheScriptFromTitleToCave) {
  const auto looks = Play(kTour, {kAtMessage, kAtReward, kAtCave, kAtEnd}, [](int frame) {
    if (frame == kAtMessage) {
      // Beside the sign, facing it, its first page running: one talk, the
      // count in the message through its escape, the choice open.
      EXPECT_EQ(gCurrentMap.mapId, 0);
      EXPECT_EQ(gHero.x, 2 * (kDemoHeroX + kDemoSignSteps - 1));
      EXPECT_EQ(gHero.y, 2 * kDemoHeroY);
      EXPECT_EQ(gHero.direction, 6);
      EXPECT_EQ(V(kDemoVarScene), 1);
      EXPECT_EQ(V(kDemoVarTalks), 1);
      EXPECT_EQ(V(kDemoVarAnswer), 0);
      EXPECT_NE(gGameSystem.messageText.find(Cp932Text("話した回数：1")), std::string::npos);
      EXPECT_FALSE(gGameSystem.choiceText.empty());
      EXPECT_EQ(gEventSystem.currentBgm, 1);
    }
    if (frame == kAtReward) {
      // "Yes" called the reward with 30, 20 and the item's name.
      EXPECT_EQ(V(kDemoVarAnswer), 1);
      EXPECT_EQ(V(kDemoVarGold), kDemoRewardBase * kDemoRewardTimes);
      EXPECT_EQ(V(kDemoVarPrice), kDemoPotionPrice);
      EXPECT_EQ(V(kDemoVarStoredGold), kDemoRewardBase * kDemoRewardTimes);
      EXPECT_EQ(V(kDemoVarStartX), kDemoHeroX);
      EXPECT_EQ(gVariableDatabase.ReadDatabaseInt(0, 0, 0), kDemoRewardBase * kDemoRewardTimes);
      EXPECT_EQ(gVariableStore.ReadStringVariable(3000000 + kDemoStringItem), Cp932Text("ポーション"));
      EXPECT_EQ(gVariableStore.ReadStringVariable(3000000 + kDemoStringTitle), Cp932Text("勇者600!"));
      EXPECT_NE(gGameSystem.messageText.find(Cp932Text("ポーション")), std::string::npos);
      EXPECT_NE(gGameSystem.messageText.find("600"), std::string::npos);
    }
    if (frame == kAtCave) {
      // In the cave at the door's destination; "yes" was answered; the
      // sun has arrived zoomed, turned and tinted; the tone is reached.
      EXPECT_EQ(gCurrentMap.mapId, 1);
      EXPECT_EQ(gHero.x, 2 * kDemoCaveX);
      EXPECT_EQ(gHero.y, 2 * kDemoCaveY);
      EXPECT_EQ(V(kDemoVarAnswer), 1);
      EXPECT_EQ(V(kDemoVarVisited), 1);
      EXPECT_EQ(gEventSystem.currentBgm, 2);
      EXPECT_EQ(gPictureList.GetPictureValue(2, 0), kDemoSunX);
      EXPECT_EQ(gPictureList.GetPictureValue(2, 1), kDemoSunY);
      EXPECT_EQ(gPictureList.GetPictureValue(2, 7), kDemoSunZoom);
      EXPECT_EQ(gPictureList.GetPictureValue(2, 6), kDemoSunAngle);
      EXPECT_EQ(gPictureList.GetPictureValue(3, 9), 1);
      EXPECT_EQ(gPictureList.GetPictureValue(4, 9), 1);
      // The transition took the movie's first frame as its mask and is over.
      EXPECT_NE(gGameSystem.transitionImagePath.find("Fade.ogv"), std::string::npos);
      int width = 0, height = 0;
      ASSERT_GE(gGameSystem.transitionMaskGraph, 0);
      EXPECT_EQ(QueryGraphSize(gGameSystem.transitionMaskGraph, &width, &height), 0);
      EXPECT_EQ(width, 64);
      EXPECT_EQ(height, 48);
      EXPECT_EQ(gGameSystem.transitionRunning, 0);
      // Tone word red 80 %, green 100 %, blue 120 %: (-51, 0, 51).
      EXPECT_EQ(gEventSystem.toneState[0], -51);
      EXPECT_EQ(gEventSystem.toneState[1], 0);
      EXPECT_EQ(gEventSystem.toneState[2], 51);
    }
    if (frame == kAtEnd) {
      // The text picture is erased; the frame clock counted every frame
      // since the title's choice.
      EXPECT_EQ(gPictureList.GetPictureValue(4, 9), 0);
      EXPECT_EQ(gPictureList.GetPictureValue(2, 9), 1);
      EXPECT_GT(V(kDemoVarFrames), kAtEnd - 60);
      EXPECT_LT(V(kDemoVarFrames), kAtEnd - 20);
    }
  });
  ASSERT_EQ(looks.size(), 4u);
  EXPECT_TRUE(RecordedNotices().empty());

  ScratchFolder scratch;
  const Screen town = Decode(looks.at(kAtMessage).png, scratch);
  ASSERT_EQ(town.width, 640);
  ASSERT_EQ(town.height, 480);
  // The start cell is the bare path tile, pixel for pixel.
  for (int v = 0; v < 32; ++v)
    for (int u = 0; u < 32; ++u)
      ASSERT_EQ(town.At(kDemoHeroX * 32 + u, kDemoHeroY * 32 + v), DemoTileColor(kDemoPathCell, u, v));
  // The hero's body fills its cell beside the sign.
  const int heroX = (kDemoHeroX + kDemoSignSteps - 1) * 32;
  EXPECT_GT(town.Count(heroX, kDemoHeroY * 32 - 16, heroX + 32, kDemoHeroY * 32 + 32, kDemoHeroBody), 150);
  // The message and choice windows' frames are drawn with the skin's fill.
  EXPECT_GT(town.Count(0, 0, 640, 480, 0x183060), 4000);
}

// Without the speech library's file the cave's spoken line gives the
// missing-library notice, once, and the game goes on to the same state.
TEST_F(DemoPlayTest, WithoutTheSpeechFileTheSpokenLineGivesTheNotice) {
  const auto with = Play(kTour, {kAtEnd});
  ASSERT_TRUE(RecordedNotices().empty());
  const auto without = Play(kTour, {kAtEnd}, {}, {.withSpeech = false});
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][1], Cp932Text("AquesTalk.dllがないため実行できませんでした。"));
  ASSERT_TRUE(with.count(kAtEnd) && without.count(kAtEnd));
  EXPECT_EQ(with.at(kAtEnd).state, without.at(kAtEnd).state);
}

// Played live (a replay saves nothing), the cave saves in slot 1; a new
// run's title loads it: the cave, the hero, the variables and the pictures
// come back.
TEST_F(DemoPlayTest, TheCaveSavesAndTheTitleLoadsTheSave) {
  ScratchFolder place(true);
  Play(kTour, {kAtEnd},
       [](int) {
         EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(1, 2000000 + kDemoVarVisited, "Save\\SaveData"), 1);
         EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(1, 2000000 + kDemoVarGold, "Save\\SaveData"),
                   kDemoRewardBase * kDemoRewardTimes);
         EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(2, 2000000 + kDemoVarVisited, "Save\\SaveData"), 0);
       },
       {.live = true, .folder = &place});
  EXPECT_TRUE(std::filesystem::exists(place.Path() / "game" / "Save"));
  const DemoInput load = {{30, 0}, {3, kDemoDown}, {10, 0}, {3, kDemoConfirm}, {60, 0}};
  const auto looks =
      Play(load, {100},
           [](int) {
             EXPECT_EQ(gCurrentMap.mapId, 1);
             EXPECT_EQ(gHero.x, 2 * kDemoCaveX);
             EXPECT_EQ(gHero.y, 2 * kDemoCaveY);
             EXPECT_EQ(V(kDemoVarScene), 1);
             EXPECT_EQ(V(kDemoVarVisited), 1);
             EXPECT_EQ(V(kDemoVarGold), kDemoRewardBase * kDemoRewardTimes);
             EXPECT_EQ(gVariableStore.ReadStringVariable(3000000 + kDemoStringTitle), Cp932Text("勇者600!"));
             EXPECT_EQ(gPictureList.GetPictureValue(2, 0), kDemoSunX);
             EXPECT_EQ(gPictureList.GetPictureValue(2, 6), kDemoSunAngle);
             EXPECT_EQ(gPictureList.GetPictureValue(3, 9), 1);
             EXPECT_EQ(gEventSystem.currentBgm, 2);
           },
           {.live = true, .folder = &place});
  EXPECT_EQ(looks.size(), 1u);
  EXPECT_TRUE(RecordedNotices().empty());
}

// Two runs of one replay, and the plain and the packed demo, leave the same
// state and byte-identical screenshots.
TEST_F(DemoPlayTest, RunsRepeatExactlyAndBothFormsAgree) {
  const std::vector<int> frames = {kAtMessage, kAtCave, kAtEnd};
  const auto first = Play(kTour, frames);
  const auto again = Play(kTour, frames);
  const auto packed = Play(kTour, frames, {}, {.form = DemoForm::Packed});
  for (int frame : frames) {
    SCOPED_TRACE(frame);
    ASSERT_TRUE(first.count(frame) && again.count(frame) && packed.count(frame));
    EXPECT_EQ(first.at(frame).state, again.at(frame).state);
    EXPECT_TRUE(first.at(frame).png == again.at(frame).png);
    EXPECT_EQ(first.at(frame).state, packed.at(frame).state);
    EXPECT_TRUE(first.at(frame).png == packed.at(frame).png);
  }
}

// The OpenGL path (Mesa) draws the town and the cave within the drawing
// tolerance of the software path.
TEST_F(DemoPlayTest, OpenGLPathMatchesTheSoftwarePath) {
  ForceHardwareRendering(1);
  if (!platform::gpu::HasDirect3D()) GTEST_SKIP() << "no OpenGL 3.3 context";
  const std::vector<int> frames = {kAtMessage, kAtEnd};
  const auto hardware = Play(kTour, frames);
  ForceHardwareRendering(0);
  const auto software = Play(kTour, frames);
  ScratchFolder scratch;
  for (int frame : frames) {
    SCOPED_TRACE(frame);
    ASSERT_TRUE(hardware.count(frame) && software.count(frame));
    EXPECT_EQ(hardware.at(frame).state, software.at(frame).state);
    const Screen a = Decode(hardware.at(frame).png, scratch);
    const Screen b = Decode(software.at(frame).png, scratch);
    ASSERT_EQ(a.pixels.size(), b.pixels.size());
    int differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
      for (int shift : {16, 8, 0}) {
        const int delta =
            std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) - static_cast<int>((b.pixels[i] >> shift) & 0xFF));
        if (delta > 6) {
          ++differing;
          break;
        }
      }
    // The turned sun's edge may differ by a few hundred pixels.
    EXPECT_LE(differing, 400);
  }
}

}  // namespace
