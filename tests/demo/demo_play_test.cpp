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
#include "platform/audio/Audio.h"
#include "platform/gpu/Gpu.h"
#include "platform/input/Input.h"
#include "platform/modules/Modules.h"
#include "platform/window/Window.h"
#include "presentation/PictureFileCache.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/Startup.h"
#include "support/DemoGame.h"
#include "support/PngReader.h"
#include "support/ScratchFolder.h"

namespace {

const DemoInput& kTour = DemoTour();
// Frames at which the tour is looked at: the message is open; the reward's
// message is open; the cave's effects are done; the cave's entry event has
// ended; the wanderer was touched in the field.
constexpr int kAtMessage = 200;
constexpr int kAtReward = 240;
constexpr int kAtCave = 396;
constexpr int kAtEnd = 472;
constexpr int kAtField = 700;

// The frame-value bits as keyboard keys: the arrows, Z, X and C.
constexpr std::array<std::pair<int, int>, 7> kKeys{{{kDemoUp, 200},
                                                    {kDemoDown, 208},
                                                    {kDemoLeft, 203},
                                                    {kDemoRight, 205},
                                                    {kDemoConfirm, 44},
                                                    {kDemoCancel, 45},
                                                    {kDemoSub, 46}}};

int V(int n) { return gVariableStore.ReadVariable(2000000 + n); }

// The bounding box of a set of pixels and their number.
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, count = 0;
  void Add(int x, int y) {
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x + 1);
    y1 = std::max(y1, y + 1);
    ++count;
  }
  int Width() const { return x1 - x0; }
  int Height() const { return y1 - y0; }
};

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
  // The pixels of one colour in the rows [from, to).
  Box Bounds(uint32_t colour, int from = 0, int to = 1 << 30) const {
    Box box;
    for (int y = std::max(from, 0); y < std::min(to, height); ++y)
      for (int x = 0; x < width; ++x)
        if (At(x, y) == colour) box.Add(x, y);
    return box;
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
  // Runs before each frame's pass: events of the headless backend.
  std::function<void(int)> before;
};

RunSetup MakeSetup(bool live, DemoForm form = DemoForm::Plain, bool withSpeech = true,
                   const ScratchFolder* folder = nullptr) {
  RunSetup setup;
  setup.live = live;
  setup.form = form;
  setup.withSpeech = withSpeech;
  setup.folder = folder;
  return setup;
}

// The pixels of rows [from, to) of a town screenshot (not scrolled) that
// differ from the town's bare tiles: walls round the edge, the path on the
// hero's row, grass elsewhere.
Box TownInk(const Screen& screen, int from, int to) {
  Box box;
  for (int y = std::max(from, 0); y < std::min(to, screen.height); ++y)
    for (int x = 0; x < screen.width; ++x) {
      const bool edge = x < 32 || y < 32 || x >= 19 * 32 || y >= 14 * 32;
      const int cell = edge ? kDemoWallCell : y / 32 == kDemoHeroY ? kDemoPathCell : kDemoGrassCell;
      if (screen.At(x, y) != DemoTileColor(cell, x % 32, y % 32)) box.Add(x, y);
    }
  return box;
}

// The pixels of rows [from, to) inside the message window's border that
// differ from its fill: the message's text and icons.
Box MessageInk(const Screen& screen, int from, int to) {
  constexpr int kBorder = 3;
  Box box;
  for (int y = std::max(from, kDemoMessageY + kBorder); y < std::min(to, kDemoMessageY + kDemoMessageHeight - kBorder);
       ++y)
    for (int x = kDemoMessageX + kBorder; x < kDemoMessageX + kDemoMessageWidth - kBorder; ++x)
      if (screen.At(x, y) != kDemoFrameFill) box.Add(x, y);
  return box;
}

// Text in colour 0 (white) as drawn over the window fill: light in every channel.
bool Light(uint32_t c) { return (c >> 16 & 0xFF) >= 0xE0 && (c >> 8 & 0xFF) >= 0xE0 && (c & 0xFF) >= 0xE0; }

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
    // Every fourth pass drawn (frames 4, 8, ...): the game runs every pass
    // all the same, and the checked frames are drawn ones.
    folder.Write("game/Game.ini", "FrameSkip=2\r\n");
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
    platform::ResetHeadlessAudio();
    // The picture file cache outlives a run (one run is a whole program);
    // an earlier run's images must not stand for this run's.
    ReleasePictureFileCache();
    std::map<int, Look> looks;
    GameSession session;
    if (StartGame(options, session) != 1) {
      ADD_FAILURE() << "the demo did not start";
      return looks;
    }
    // The sound from the first pass on: how long the start-up itself takes
    // (a first run falls back from the 3D path where there is none) is no
    // part of the game.
    platform::SetHeadlessAudioCapture(true);
    for (int frame = 1; frame <= frames.back(); ++frame) {
      if (run.live) {
        const int value =
            frame <= static_cast<int>(keysByFrame.size()) ? keysByFrame[static_cast<size_t>(frame - 1)] : 0;
        for (const auto& [bit, scanCode] : kKeys) platform::SetScriptedKey(scanCode, (value & bit) != 0);
      }
      if (run.before) run.before(frame);
      if (!RunHeadlessPass(session)) break;
      if (std::find(frames.begin(), frames.end(), frame) == frames.end()) continue;
      if (check) check(frame);
      const std::string shot = (folder.Path() / "frame.png").string();
      SaveScreenAreaPng(0, 0, 640, 480, shot.c_str(), 9);
      Look& look = looks[frame];
      look.png = ScratchFolder::Read(shot);
      look.state = {gCurrentMap.mapId,       gHero.x,          gHero.y,         gHero.direction,
                    gEventSystem.currentBgm, gHero.party[0].x, gHero.party[0].y};
      for (int n = 0; n <= kDemoVarStartX; ++n) look.state.push_back(V(n));
      for (int number = 2; number <= 4; ++number)
        for (int code : {0, 1, 5, 6, 7, 9}) look.state.push_back(gPictureList.GetPictureValue(number, code));
      for (int16_t tone : gEventSystem.toneState) look.state.push_back(tone);
    }
    sound_ = platform::TakeHeadlessAudio();
    platform::SetHeadlessAudioCapture(false);
    ShutDownGame(session);
    platform::ClearScriptedInput();
    return looks;
  }

  // The mixed sound of the last run, from its first frame to its last.
  std::vector<int16_t> sound_;

  static Screen Decode(const std::string& png, const ScratchFolder& folder) {
    const auto file = folder.Write("decode.png", png);
    Screen screen;
    screen.pixels = ReadPngFile(file.string(), &screen.width, &screen.height);
    return screen;
  }
};

TEST_F(DemoPlayTest, TheTourPlaysTheScriptFromTitleToField) {
  int rockX = 0, rockY = 0;  // the field's rock, screen pixels before the zoom
  const auto looks = Play(kTour, {kAtMessage, kAtReward, kAtCave, kAtEnd, kAtField}, [&](int frame) {
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
      EXPECT_EQ(gPictureList.GetPictureValue(kDemoMessagePicture, 9), 1);
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
      EXPECT_EQ(gPictureList.GetPictureValue(kDemoMessagePicture, 9), 1);
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
      // The message window went with the sign's last message.
      EXPECT_EQ(gPictureList.GetPictureValue(kDemoMessagePicture, 9), 0);
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
    if (frame == kAtField) {
      // The field loops both ways with panorama 0 and fog 1; the route
      // walked the hero a cell down and set V[11]; the step down touched
      // the wanderer, whose second page now runs; the spring bubbles.
      EXPECT_EQ(gCurrentMap.mapId, 2);
      EXPECT_EQ(gCurrentMap.loopX, 1);
      EXPECT_EQ(gCurrentMap.loopY, 1);
      EXPECT_EQ(gEventSystem.panoramaValues[0], 0);
      EXPECT_EQ(gEventSystem.fogValues[0], 1);
      EXPECT_EQ(gEventSystem.fogValues[4], kDemoFogOpacity);
      EXPECT_EQ(gHero.x, 2 * kDemoFieldX);
      EXPECT_EQ(gHero.y, 2 * (kDemoFieldY + 1));
      EXPECT_EQ(gHero.direction, 2);
      EXPECT_EQ(V(kDemoVarArrived), 1);
      EXPECT_EQ(V(kDemoVarRouted), 1);
      EXPECT_EQ(V(kDemoVarTouches), 1);
      ASSERT_EQ(gCurrentMap.eventCharacters.size(), 3u);
      EXPECT_EQ(gCurrentMap.eventCharacters[0].pageIndex, -1);
      EXPECT_EQ(gCurrentMap.eventCharacters[1].pageIndex, 1);
      EXPECT_EQ(gCurrentMap.eventCharacters[2].pageIndex, 0);
      // The friend who joined at the sign followed the route's step onto
      // the arrival cell.
      EXPECT_EQ(gHero.party[0].graphicName, "CharaChip\\Friend.bmp");
      EXPECT_EQ(gHero.party[0].x, 2 * kDemoFieldX);
      EXPECT_EQ(gHero.party[0].y, 2 * kDemoFieldY);
      EXPECT_GT(V(kDemoVarBubbles), 5);
      EXPECT_LT(V(kDemoVarBubbles), 12);
      // The arrival's zoom is complete, about the screen's centre.
      EXPECT_EQ(gCurrentMap.zoom.currentZoom, kDemoZoom);
      EXPECT_EQ(gCurrentMap.zoom.currentX, 320);
      EXPECT_EQ(gCurrentMap.zoom.currentY, 240);
      rockX = (kDemoFieldX + 1) * 32 - gCurrentMap.scrollX / 4;
      rockY = (kDemoFieldY + 1) * 32 - gCurrentMap.scrollY / 4;
    }
  });
  ASSERT_EQ(looks.size(), 5u);
  EXPECT_TRUE(RecordedNotices().empty());

  ScratchFolder scratch;
  const Screen town = Decode(looks.at(kAtMessage).png, scratch);
  ASSERT_EQ(town.width, 640);
  ASSERT_EQ(town.height, 480);
  // In the cave the screen tone does not reach the pictures: the sun's
  // centre (its top left at (kDemoSunX, kDemoSunY), 64 pixels zoomed to
  // 96) shows its colour tinted by red 150 %, green 100 %, blue 50 %; the
  // window-frame picture has its border at its corners and its fill inside.
  const Screen cave = Decode(looks.at(kAtCave).png, scratch);
  const int half = 32 * kDemoSunZoom / 100;
  const uint32_t tinted = std::min(0xFFu, (kDemoSunColour >> 16) * 150 / 100) << 16 |
                          ((kDemoSunColour >> 8) & 0xFF) << 8 | (kDemoSunColour & 0xFF) * 50 / 100;
  EXPECT_EQ(cave.At(kDemoSunX + half, kDemoSunY + half), tinted);
  EXPECT_EQ(cave.At(kDemoFrameX, kDemoFrameY), kDemoFrameBorder);
  EXPECT_EQ(cave.At(kDemoFrameX + kDemoFrameWidth - 1, kDemoFrameY + kDemoFrameHeight - 1), kDemoFrameBorder);
  EXPECT_EQ(cave.At(kDemoFrameX + kDemoFrameWidth / 2, kDemoFrameY + kDemoFrameHeight / 2), kDemoFrameFill);
  // The start cell is the bare path tile, pixel for pixel.
  for (int v = 0; v < 32; ++v)
    for (int u = 0; u < 32; ++u)
      ASSERT_EQ(town.At(kDemoHeroX * 32 + u, kDemoHeroY * 32 + v), DemoTileColor(kDemoPathCell, u, v));
  // The pond: each quarter of a cell shows the autotile pattern its code
  // names (corner 0214, edge 2244, centre 4444 ...).
  const int pondCodes[3][3] = {{214, 2244, 2041}, {1414, 4444, 4141}, {1402, 4422, 4120}};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column) {
      const int code = pondCodes[row][column];
      const int quarters[4] = {code / 1000, code / 100 % 10, code / 10 % 10, code % 10};
      for (int q = 0; q < 4; ++q) {
        const int x = (kDemoPondX + column) * 32 + (q % 2) * 16, y = (kDemoPondY + row) * 32 + (q / 2) * 16;
        EXPECT_EQ(town.Count(x, y, x + 16, y + 16, DemoWaterColor(quarters[q])), 256) << row << column << q;
      }
    }
  // The hero's body fills its cell beside the sign.
  const int heroX = (kDemoHeroX + kDemoSignSteps - 1) * 32;
  EXPECT_GT(town.Count(heroX, kDemoHeroY * 32 - 16, heroX + 32, kDemoHeroY * 32 + 32, kDemoHeroBody), 150);
  // The choice window above the message window is drawn with the skin's
  // fill; the message window is the skin's frame picture at its place, its
  // inside the fill but for the text.
  EXPECT_GT(town.Count(0, 0, 640, kDemoMessageY, kDemoFrameFill), 4000);
  EXPECT_EQ(town.At(kDemoMessageX, kDemoMessageY), kDemoFrameBorder);
  EXPECT_EQ(town.At(kDemoMessageX + kDemoMessageWidth - 1, kDemoMessageY + kDemoMessageHeight - 1), kDemoFrameBorder);
  EXPECT_NE(town.At(kDemoMessageX - 1, kDemoMessageY - 1), kDemoFrameBorder);
  // Between the hero's row and the message window the town is bare.
  EXPECT_EQ(TownInk(town, (kDemoHeroY + 1) * 32, kDemoMessageY).count, 0);
  const Box ink = MessageInk(town, 0, 480);
  EXPECT_EQ(town.Count(kDemoMessageX + 3, kDemoMessageY + 3, kDemoMessageX + kDemoMessageWidth - 3,
                       kDemoMessageY + kDemoMessageHeight - 3, kDemoFrameFill) +
                ink.count,
            (kDemoMessageWidth - 6) * (kDemoMessageHeight - 6));

  // Icon 1 on the message's second line: its two halves whole, once, at the
  // text's left edge below the first line.
  const Box top = town.Bounds(kDemoIconTop), bottom = town.Bounds(kDemoIconBottom);
  constexpr int kHalf = kDemoIconSize * kDemoIconSize / 2;
  ASSERT_EQ(top.count, kHalf);
  ASSERT_EQ(bottom.count, kHalf);
  EXPECT_EQ(top.Width(), kDemoIconSize);
  EXPECT_EQ(top.Height(), kDemoIconSize / 2);
  EXPECT_EQ(bottom.x0, top.x0);
  EXPECT_EQ(bottom.y0, top.y1);
  EXPECT_EQ(bottom.Width(), kDemoIconSize);
  EXPECT_EQ(bottom.Height(), kDemoIconSize / 2);
  const Box firstLine = MessageInk(town, top.y0 - 40, top.y0);
  ASSERT_GT(firstLine.count, 0);
  EXPECT_LE(std::abs(firstLine.x0 - top.x0), 4);
  // The text is drawn light on the window, and the choices too.
  const auto lightIn = [](const Screen& screen, const Box& box) {
    int n = 0;
    for (int y = box.y0; y < box.y1; ++y)
      for (int x = box.x0; x < box.x1; ++x) n += Light(screen.At(x, y)) ? 1 : 0;
    return n;
  };
  EXPECT_GT(lightIn(town, firstLine), firstLine.count / 3);
  const Box choice = town.Bounds(kDemoFrameBorder, 0, kDemoMessageY);
  EXPECT_GT(lightIn(town, Box{choice.x0 + 3, choice.y0 + 3, choice.x1 - 3, choice.y1 - 3}), 200);

  // The reward's line is where the first message's first line was, and
  // its ruby is drawn in the rows above it, over the second half of the
  // base text, where the first message left the window bare.
  const Screen reward = Decode(looks.at(kAtReward).png, scratch);
  const Box baseLine = MessageInk(reward, firstLine.y0, firstLine.y1);
  ASSERT_GT(baseLine.count, 0);
  EXPECT_EQ(MessageInk(town, firstLine.y0 - 16, firstLine.y0).count, 0);
  // The base text's own top comes from its first half, where no ruby is:
  // its glyphs may reach higher than the first message's.
  const int secondHalf = baseLine.x0 + baseLine.Width() / 2;
  Box plain;
  for (int y = firstLine.y0 - 16; y < firstLine.y1; ++y)
    for (int x = baseLine.x0; x < secondHalf; ++x)
      if (reward.At(x, y) != kDemoFrameFill) plain.Add(x, y);
  ASSERT_GT(plain.count, 0);
  const Box ruby = MessageInk(reward, plain.y0 - 16, plain.y0);
  EXPECT_GT(ruby.count, 10);
  EXPECT_GE(ruby.x0, secondHalf);
  EXPECT_LE(ruby.x1, baseLine.x1);

  // The field at twice the scale about the screen's centre: down a column
  // of the rock's wall tile clear of the sun, the tile's dark rows (every
  // 8th) are two pixels thick every 16 and the tile ends 64 pixels below
  // its top. A column keeps one fog stripe, so the wall shows in two
  // colours.
  const Screen field = Decode(looks.at(kAtField).png, scratch);
  const auto zoomed = [](int q, int centre) { return q + (q - centre) * (kDemoZoom - 100) / 100; };
  const int x0 = zoomed(rockX, 320), y0 = zoomed(rockY, 240), y1 = zoomed(rockY + 32, 240);
  const int column = x0 + 2 * 30;
  ASSERT_TRUE(column >= 0 && column < 640 && y0 >= 0 && y1 + 4 <= 480) << column << " " << y0;
  const uint32_t dark = field.At(column, y0 + 16), light = field.At(column, y0 + 18);
  EXPECT_NE(dark, light);
  int off = 0;
  for (int y = y0 + 12; y < y1; ++y) off += field.At(column, y) != (((y - y0) / 2) % 8 == 0 ? dark : light) ? 1 : 0;
  EXPECT_EQ(off, 0);
  // Grass below the rock.
  for (int y = y1; y < y1 + 4; ++y) EXPECT_TRUE(field.At(column, y) != dark && field.At(column, y) != light) << y;
}

// Without the speech library's file the cave's spoken line gives the
// missing-library notice, once, and the game goes on to the same state.
TEST_F(DemoPlayTest, WithoutTheSpeechFileTheSpokenLineGivesTheNotice) {
  const auto with = Play(kTour, {kAtEnd});
  ASSERT_TRUE(RecordedNotices().empty());
  const auto without = Play(kTour, {kAtEnd}, {}, MakeSetup(false, DemoForm::Plain, false));
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
  Play(
      kTour, {kAtEnd},
      [](int) {
        EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(1, 2000000 + kDemoVarVisited, "Save\\SaveData"), 1);
        EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(1, 2000000 + kDemoVarGold, "Save\\SaveData"),
                  kDemoRewardBase * kDemoRewardTimes);
        EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(2, 2000000 + kDemoVarVisited, "Save\\SaveData"), 0);
      },
      MakeSetup(true, DemoForm::Plain, true, &place));
  EXPECT_TRUE(std::filesystem::exists(place.Path() / "game" / "Save"));
  const DemoInput load = {{30, 0}, {3, kDemoDown}, {10, 0}, {3, kDemoConfirm}, {60, 0}};
  const auto looks = Play(
      load, {100},
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
        // The label erased before the save stays erased.
        EXPECT_EQ(gPictureList.GetPictureValue(4, 9), 0);
        EXPECT_EQ(gEventSystem.currentBgm, 2);
      },
      MakeSetup(true, DemoForm::Plain, true, &place));
  EXPECT_EQ(looks.size(), 1u);
  EXPECT_TRUE(RecordedNotices().empty());
}

// The title's third choice replays the save the generator wrote with the
// tour's log: the game restarts and the tour plays by itself to the field.
TEST_F(DemoPlayTest, TheTitleReplaysTheGeneratedSave) {
  // Down twice and confirm: the choice closes in frame 47, the restart
  // comes with the next pass, so the tour's frame f is frame f + 48.
  const DemoInput choose = {{30, 0}, {3, kDemoDown}, {5, 0}, {3, kDemoDown}, {5, 0}, {3, kDemoConfirm}};
  constexpr int kRestart = 48;
  const auto replayed = Play(
      choose, {kRestart + kAtField},
      [](int) {
        EXPECT_EQ(gReplayPlaying, 1);
        EXPECT_EQ(gCurrentMap.mapId, 2);
        EXPECT_EQ(gHero.x, 2 * kDemoFieldX);
        EXPECT_EQ(gHero.y, 2 * (kDemoFieldY + 1));
        EXPECT_EQ(V(kDemoVarAnswer), 1);
        EXPECT_EQ(V(kDemoVarGold), kDemoRewardBase * kDemoRewardTimes);
        EXPECT_EQ(V(kDemoVarVisited), 1);
        EXPECT_EQ(V(kDemoVarRouted), 1);
        EXPECT_EQ(V(kDemoVarTouches), 1);
      },
      MakeSetup(true));
  EXPECT_EQ(replayed.size(), 1u);
  EXPECT_TRUE(RecordedNotices().empty());
}

// Played live, the wanderer's entries take typed text and digits, its key
// wait the A key, and the mouse position is read; F12 then goes back to
// the title.
TEST_F(DemoPlayTest, TypedTextKeysMouseAndF12ReachTheField) {
  constexpr int kAsked = 728, kAnswered = 800, kBackAtTitle = 830;
  RunSetup setup = MakeSetup(true);
  setup.before = [](int frame) {
    auto press = [](int virtualKey) {
      platform::KeyEvent key;
      key.virtualKey = virtualKey;
      platform::InjectKeyDown(key);
      platform::InjectKeyUp(key);
    };
    switch (frame) {
      case 730: platform::InjectMouseMove(123, 234); break;
      case 735:
        platform::InjectText("勇者");
        press(platform::kVkReturn);
        break;
      case 750:
        platform::InjectText("42");
        press(platform::kVkReturn);
        break;
      case 765: platform::SetScriptedKey(platform::kDikA, true); break;
      case 768: platform::SetScriptedKey(platform::kDikA, false); break;
      case 810: platform::SetScriptedKey(88, true); break;  // F12
      case 812: platform::SetScriptedKey(88, false); break;
      default: break;
    }
  };
  const auto looks = Play(
      kTour, {kAsked, kAnswered, kBackAtTitle},
      [](int frame) {
        if (frame == kAnswered) {
          EXPECT_EQ(gVariableStore.ReadStringVariable(3000000 + kDemoStringName), Cp932Text("勇者"));
          EXPECT_EQ(V(kDemoVarAge), 42);
          EXPECT_EQ(V(kDemoVarKey), 100 + platform::kDikA);
          EXPECT_EQ(V(kDemoVarMouseX), 123);
          EXPECT_EQ(V(kDemoVarMouseY), 234);
          EXPECT_EQ(gGameSystem.messageText, "");
        }
        if (frame == kBackAtTitle) {
          EXPECT_EQ(V(kDemoVarScene), 0);
          EXPECT_EQ(gCurrentMap.mapId, 0);
          EXPECT_FALSE(gGameSystem.choiceText.empty());
        }
      },
      setup);
  EXPECT_EQ(looks.size(), 3u);
  EXPECT_TRUE(RecordedNotices().empty());
  // The name entry waits in the frame picture, its cursor at the frame's
  // left, so a typed name has the frame's width.
  ASSERT_TRUE(looks.count(kAsked));
  ScratchFolder scratch;
  const Screen asked = Decode(looks.at(kAsked).png, scratch);
  Box cursor;
  for (int y = kDemoFrameY + 3; y < kDemoFrameY + kDemoFrameHeight - 3; ++y)
    for (int x = kDemoFrameX + 3; x < kDemoFrameX + kDemoFrameWidth - 3; ++x)
      if (asked.At(x, y) != kDemoFrameFill) cursor.Add(x, y);
  EXPECT_GT(cursor.count, 0);
  EXPECT_GE(cursor.x0, kDemoEntryX);
  EXPECT_LE(cursor.x1, kDemoEntryX + 4);
}

// Two runs of one replay, and the plain and the packed demo, leave the same
// state and byte-identical screenshots.
TEST_F(DemoPlayTest, RunsRepeatExactlyAndBothFormsAgree) {
  const std::vector<int> frames = {kAtMessage, kAtReward, kAtCave};
  const auto first = Play(kTour, frames);
  const std::vector<int16_t> firstSound = sound_;
  const auto again = Play(kTour, frames);
  const std::vector<int16_t> againSound = sound_;
  const auto packed = Play(kTour, frames, {}, MakeSetup(false, DemoForm::Packed));
  // The music, the sound effects and the speech were mixed, the same to the
  // sample each time and from either form.
  ASSERT_GT(firstSound.size(), 44100u);
  EXPECT_NE(std::count(firstSound.begin(), firstSound.end(), int16_t{0}), static_cast<long>(firstSound.size()));
  EXPECT_TRUE(againSound == firstSound) << againSound.size() << " " << firstSound.size();
  EXPECT_TRUE(sound_ == firstSound) << sound_.size() << " " << firstSound.size();
  for (int frame : frames) {
    SCOPED_TRACE(frame);
    ASSERT_TRUE(first.count(frame) && again.count(frame) && packed.count(frame));
    EXPECT_EQ(first.at(frame).state, again.at(frame).state);
    EXPECT_TRUE(first.at(frame).png == again.at(frame).png);
    EXPECT_EQ(first.at(frame).state, packed.at(frame).state);
    EXPECT_TRUE(first.at(frame).png == packed.at(frame).png);
  }
}

// The OpenGL path (Mesa) draws the town, the cave and the fogged field within
// the drawing tolerance of the software path.
TEST_F(DemoPlayTest, OpenGLPathMatchesTheSoftwarePath) {
  ForceHardwareRendering(1);
  if (!platform::gpu::HasDirect3D()) GTEST_SKIP() << "no OpenGL 3.3 context";
  const std::vector<int> frames = {kAtMessage, kAtCave, kAtField};
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
    // Rectangles of text: glyphs on the 3D path keep 4-bit coverage with
    // full coverage at 255 where the software path stops at 240, so text
    // may differ by up to 15 levels. The message window's (the cave's label
    // lies in it too), the choice window's (within its frame's border) and
    // the replay clock's.
    const Box choice = b.Bounds(kDemoFrameBorder, 0, kDemoMessageY);
    const std::array<Box, 3> text = {
        Box{kDemoMessageX, kDemoMessageY, kDemoMessageX + kDemoMessageWidth, kDemoMessageY + kDemoMessageHeight},
        choice, Box{530, 460, 640, 480}};
    // The turned sun's edge: the two paths sample the rotated sprite
    // differently, so a pixel there may be in one and not the other.
    const int half = 32 * kDemoSunZoom / 100, radius = kDemoSunRadius * kDemoSunZoom / 100;
    const int centreX = kDemoSunX + half, centreY = kDemoSunY + half;
    int differing = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const auto inside = [x, y](const Box& box) { return x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1; };
        const int dx = 2 * (x - centreX) + 1, dy = 2 * (y - centreY) + 1;
        const int distance2 = dx * dx + dy * dy;  // of the pixel's centre, doubled
        const bool edge = frame != kAtMessage && distance2 >= 4 * (radius - 3) * (radius - 3) &&
                          distance2 <= 4 * (radius + 3) * (radius + 3);
        if (edge) continue;
        const int tolerance = std::any_of(text.begin(), text.end(), inside) ? 16 : 2;
        const uint32_t p = a.At(x, y), q = b.At(x, y);
        for (int shift : {16, 8, 0}) {
          if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) > tolerance) {
            ++differing;
            break;
          }
        }
      }
    // Next to nothing elsewhere: far fewer pixels than one glyph has.
    EXPECT_LE(differing, 8);
  }
}

}  // namespace
