#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "media/PublicFunctions.h"
#include "platform/time/Time.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"
#include "shell/StartupGlobals.h"
#include "support/SoundFixtures.h"
#include "support/StartedLibrary.h"

// The system values that reach the media layer do so through its public
// entries, with nothing to fill in first.
namespace {

constexpr int kSystem = 9000000;

class MediaWiring : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Started());
    gTileSize = 32;
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gVariableStore = VariableStore();
    gVariableStore.context = &gEventSystem;
    gSoundManager = SoundManager();
    gInput = InputState();
  }
  void TearDown() override {
    gSoundManager = SoundManager();
    gTileSize = 32;
  }

  static int Read(int index) { return gVariableStore.ReadVariable(kSystem + index); }
  static void Write(int index, int value) { gVariableStore.WriteVariable(kSystem + index, value); }

  StartedLibrary library_;
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
    EXPECT_EQ(gInput.mouseX, c.x);
    EXPECT_EQ(gInput.lastMouseY, c.y);
    int x = -1, y = -1;
    GetMousePosition(&x, &y);
    // The position is in screen pixels; the window scale is undone again by
    // the reading.
    EXPECT_EQ(x, c.cursorX) << c.tileSize << " " << c.windowScale;
    EXPECT_EQ(y, c.cursorY) << c.tileSize << " " << c.windowScale;
  }
  SetWindowScale(1.0);
}

TEST_F(MediaWiring, CursorAndRendererValuesReadTheLibrary) {
  EXPECT_EQ(Read(74), 1);
  Write(74, 0);
  EXPECT_EQ(IsMouseCursorShown(), 0);
  EXPECT_EQ(Read(74), 0);
  Write(74, 5);
  EXPECT_EQ(IsMouseCursorShown(), 1);
  // The headless screen is drawn by the software renderer.
  EXPECT_EQ(IsHardware3DActive(), 0);
  EXPECT_EQ(Read(85), 1);
}

TEST_F(MediaWiring, MusicFrequencyValuesChangeThePlayingSound) {
  // One second of silence at 8000 Hz, mono 8-bit.
  const soundtest::Bytes wave = soundtest::PcmWave(1, 8000, 8, soundtest::Bytes(8000, 0x80));
  for (int index : {96, 98}) {
    const int handle = LoadSoundFromImage(wave.data(), static_cast<int>(wave.size()), 1, -1);
    ASSERT_GE(handle, 0);
    gSoundManager.channels[index == 96 ? 0 : 1].handle = handle;
    ASSERT_EQ(PlaySoundHandle(handle, 3, 1), 0);
    Write(index, 50);
    EXPECT_EQ(Read(index), 50);
    platform::AdvanceVirtualClock(400);
    // At half the rate, 400 ms of play cover 200 ms of the sound.
    const int played = GetSoundHandlePlayTimeMs(handle);
    EXPECT_NEAR(played, 200, 20) << index;
    DeleteSoundHandle(handle);
  }
}

}  // namespace
