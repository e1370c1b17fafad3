#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "media/PublicFunctions.h"
#include "platform/time/Time.h"
#include "platform/window/Window.h"
#include "shell/NoticeBox.h"
#include "shell/PlayerInput.h"
#include "shell/SoundManager.h"
#include "shell/StartupGlobals.h"
#include "support/CommandListBuilder.h"
#include "support/SoundFixtures.h"
#include "support/StartedGame.h"

// After the real start-up, the system values and the script commands that
// reach the media layer do so through its public entries: nothing is left
// for a test to fill in first.
namespace {

constexpr int kSystem = 9000000;
constexpr int kString = 3000000;

class MediaWiring : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(game_.Started()); }
  void TearDown() override {
    gTileSize = 32;
    SetWindowScale(1.0);
  }

  static int Read(int index) { return gVariableStore.ReadVariable(kSystem + index); }
  static void Write(int index, int value) { gVariableStore.WriteVariable(kSystem + index, value); }

  // Runs the commands on the game's own event runner, frame by frame as the
  // game does, until it is idle again (at most `frames`).
  bool RunScript(std::vector<EventCommand> commands, int frames = 10) {
    if (gEventSystem.IsEventRunnerBusy()) return false;
    commands.push_back(MakeCommand(kEndCommandCode));
    gEventSystem.SetupOwnEventCall(commands, -1, 0);
    return Frames(frames);
  }
  bool Frames(int frames) {
    for (int i = 0; i < frames && gEventSystem.IsEventRunnerBusy(); ++i)
      if (!game_.Pass()) return false;
    return !gEventSystem.IsEventRunnerBusy();
  }

  StartedGame game_;
};

TEST_F(MediaWiring, MousePositionValuesMoveTheCursor) {
  struct Case {
    int tileSize;
    double windowScale;
    int x, y, cursorX, cursorY;
  } cases[] = {{32, 1.0, 100, 50, 100, 50}, {16, 1.0, 100, 50, 200, 100}, {32, 2.0, 30, 40, 30, 40}};
  for (const Case& c : cases) {
    gTileSize = c.tileSize;
    SetWindowScale(c.windowScale);
    Write(71, c.x);
    Write(72, c.y);
    EXPECT_EQ(Read(71), c.x);
    EXPECT_EQ(Read(72), c.y);
    EXPECT_EQ(gInput.lastMouseY, c.y);
    int x = -1, y = -1;
    GetMousePosition(&x, &y);
    // The position is in screen pixels; the window scale is undone again by
    // the reading.
    EXPECT_EQ(x, c.cursorX) << c.tileSize << " " << c.windowScale;
    EXPECT_EQ(y, c.cursorY) << c.tileSize << " " << c.windowScale;
  }
}

TEST_F(MediaWiring, CursorAndRendererValuesReadTheLibrary) {
  EXPECT_EQ(Read(74), IsMouseCursorShown());
  Write(74, 0);
  EXPECT_EQ(IsMouseCursorShown(), 0);
  EXPECT_EQ(Read(74), 0);
  Write(74, 5);
  EXPECT_EQ(IsMouseCursorShown(), 1);
  EXPECT_EQ(Read(74), 1);
  // The headless screen is drawn by the software renderer.
  EXPECT_EQ(IsHardware3DActive(), 0);
  EXPECT_EQ(Read(85), 1);
}

// A script plays a BGM and a BGS by file name; 96 and 98 then change the
// rate the playing sound runs at.
TEST_F(MediaWiring, MusicFrequencyValuesChangeThePlayingSound) {
  // One second of silence at 8000 Hz, mono 8-bit.
  const soundtest::Bytes wave = soundtest::PcmWave(1, 8000, 8, soundtest::Bytes(8000, 0x80));
  game_.Folder().Write("Data/Sound/Tone.wav", std::string(wave.begin(), wave.end()));
  for (int kind : {0, 1}) {
    SCOPED_TRACE(kind);
    const int index = kind == 0 ? 96 : 98;
    // Play by file name (naming 2): fade 0, volume 100, frequency 100.
    ASSERT_TRUE(RunScript({MakeCommand(140, {0x2000000 | kind << 4, 0, 0, 0, 100, 100, 0}, {"Sound\\Tone.wav"})}));
    const int handle = gSoundManager.channels[kind].handle;
    ASSERT_GT(handle, 0);
    ASSERT_EQ(IsSoundHandlePlaying(handle), 1);
    EXPECT_EQ(Read(index), 100);
    Write(index, 50);
    EXPECT_EQ(Read(index), 50);
    const int before = GetSoundHandlePlayTimeMs(handle);
    platform::AdvanceVirtualClock(400);
    // At half the rate, 400 ms of play cover 200 ms of the sound.
    EXPECT_NEAR(GetSoundHandlePlayTimeMs(handle) - before, 200, 20);
  }
}

// A script's string entry (source kind 3) takes the keys typed into the
// window and stores them when Enter ends it.
TEST_F(MediaWiring, ScriptTextEntryTakesTypedKeys) {
  gVariableStore.WriteStringVariable(kString + 1, "");
  // Into string variable 1, at most 8 bytes.
  EXPECT_FALSE(RunScript({MakeCommand(122, {kString + 1, 3, 8})}, 3));
  EXPECT_EQ(gEventSystem.keyInputState, 1);
  platform::InjectText("hero");
  ASSERT_TRUE(game_.Pass());
  platform::KeyEvent enter;
  enter.virtualKey = platform::kVkReturn;
  platform::InjectKeyDown(enter);
  platform::InjectKeyUp(enter);
  EXPECT_TRUE(Frames(3));
  EXPECT_EQ(gVariableStore.ReadStringVariable(kString + 1), "hero");
  EXPECT_EQ(gEventSystem.keyInputState, 0);
  EXPECT_TRUE(RecordedNotices().empty());
}

}  // namespace
