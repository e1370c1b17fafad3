#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "platform/input/Input.h"
#include "platform/window/Window.h"
#include "shell/PlayerInput.h"
#include "shell/Replay.h"
#include "shell/StartupGlobals.h"
#include "support/StartedLibrary.h"

namespace {

using namespace platform;

// The library started with nothing held; the poll's own memory of the
// previous frame settled by two polls with nothing held.
class PlayerInput : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Started());
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gTileSize = 32;
    gScreenScale = 1;
    gFrameStep = 1;
    gReplayPlaying = 0;
    gReplayFinished = 0;
    InitInputState(gInput);
    Poll();
    Poll();
  }
  void TearDown() override {
    ClearScriptedInput();
    Poll();
    Poll();
    gFrameStep = 1;
  }

  static void Poll() { PollInput(gInput); }
  static void Hold(int scan, bool down) { ASSERT_TRUE(SetScriptedKey(scan, down)) << scan; }

  StartedLibrary library_;
};

TEST_F(PlayerInput, TheMoreRecentlyPressedOfTwoOppositeKeysWins) {
  struct Step {
    std::vector<int> down, up;  // keys pressed and released before the poll
    int direction8, direction4, pressedDirection, changedDirection8;
  } steps[] = {
      {{kDikLeft}, {}, 4, 4, 4, 4},
      {{kDikRight}, {}, 6, 6, 6, 6},            // left still held: right is newer
      {{}, {kDikRight}, 4, 4, 0, 4},            // back to the left that is still held
      {{kDikUp}, {}, 7, 8, 8, 7},               // vertical wins direction4
      {{kDikDown, kDikRight}, {}, 3, 2, 6, 3},  // both new: right over down
      {{}, {kDikDown}, 9, 8, 0, 9},
      {{}, {kDikUp, kDikLeft, kDikRight}, 0, 0, 0, 0},
  };
  int index = 0;
  for (const Step& step : steps) {
    for (int key : step.down) Hold(key, true);
    for (int key : step.up) Hold(key, false);
    Poll();
    EXPECT_EQ(gInput.direction8, step.direction8) << "step " << index;
    EXPECT_EQ(gInput.direction4, step.direction4) << "step " << index;
    EXPECT_EQ(gInput.pressedDirection, step.pressedDirection) << "step " << index;
    EXPECT_EQ(gInput.changedDirection8, step.changedDirection8) << "step " << index;
    ++index;
  }
}

TEST_F(PlayerInput, HeldKeysRepeatAfterTheDelayThenEveryInterval) {
  struct Case {
    int frameStep;
    std::vector<int> confirmPulses, directionPulses;
  } cases[] = {
      // The direction also pulses on its first poll: the newly pressed key.
      {1, {16, 21, 26}, {1, 16, 21, 26}},
      {2, {8, 10, 12, 14, 16, 18, 20, 22, 24, 26}, {1, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26}},
  };
  for (const Case& c : cases) {
    gFrameStep = c.frameStep;
    Hold(kDikZ, true);
    Hold(kDikRight, true);
    std::vector<int> confirm, direction;
    for (int poll = 1; poll <= 27; ++poll) {
      Poll();
      if (gInput.confirmRepeat) confirm.push_back(poll);
      if (gInput.repeatDirection4 == 6) direction.push_back(poll);
      EXPECT_EQ(gInput.confirmHoldFrames, poll);
    }
    EXPECT_EQ(confirm, c.confirmPulses) << "frame step " << c.frameStep;
    EXPECT_EQ(direction, c.directionPulses) << "frame step " << c.frameStep;
    Hold(kDikZ, false);
    Hold(kDikRight, false);
    Poll();
    EXPECT_EQ(gInput.confirmHoldFrames, 0);
  }
}

TEST_F(PlayerInput, ActionKeysFromConfiguredAndFixedKeys) {
  struct Case {
    int scan;
    int action;  // 0 confirm, 1 cancel, 2 sub
  } cases[] = {{kDikZ, 0},      {kDikReturn, 0},  {kDikSpace, 0}, {kDikX, 1},      {kDikEscape, 1}, {kDikBack, 1},
               {kDikInsert, 1}, {kDikNumpad0, 1}, {kDikC, 2},     {kDikLShift, 2}, {kDikRShift, 2}};
  for (const Case& c : cases) {
    Hold(c.scan, true);
    Poll();
    for (int action = 0; action < 3; ++action) {
      EXPECT_EQ(gInput.actionHeld[static_cast<size_t>(action)], action == c.action ? 1 : 0) << c.scan;
      EXPECT_EQ(gInput.actionPressed[static_cast<size_t>(action)], action == c.action ? 1 : 0) << c.scan;
    }
    Poll();
    EXPECT_EQ(gInput.actionPressed[static_cast<size_t>(c.action)], 0) << c.scan;
    Hold(c.scan, false);
    Poll();
  }
}

TEST_F(PlayerInput, ConfiguredCodesOutsideTheKeyboardTestNoKey) {
  // Codes that would name scan codes below 0 or past the snapshot.
  for (int code : {0, 99, 356, -100000, 2147483647}) {
    gEventSystem.keyCodes[0] = code;
    Hold(kDikA, true);
    Poll();
    EXPECT_EQ(gInput.actionHeld[0], 0) << code;
    Hold(kDikReturn, true);  // the fixed keys still count
    Poll();
    EXPECT_EQ(gInput.actionHeld[0], 1) << code;
    Hold(kDikA, false);
    Hold(kDikReturn, false);
    Poll();
  }
}

TEST_F(PlayerInput, AnInactiveWindowGivesNoKeysButTheMousePosition) {
  Hold(kDikLeft, true);
  Hold(kDikZ, true);
  Hold(kDikLControl, true);
  InjectActivation(false);
  RunMessageLoopRound();
  ASSERT_EQ(IsMainWindowActive(), 0);
  SetMousePosition(123, 45);
  Poll();
  EXPECT_EQ(gInput.direction8, 0);
  EXPECT_EQ(gInput.actionHeld[0], 0);
  EXPECT_EQ(gInput.ctrlHeld, 0);
  EXPECT_EQ(gInput.mouseX, 123);
  EXPECT_EQ(gInput.mouseY, 45);
  InjectActivation(true);
  RunMessageLoopRound();
  Poll();
  EXPECT_EQ(gInput.direction8, 4);
  EXPECT_EQ(gInput.actionPressed[0], 1);
  EXPECT_EQ(gInput.ctrlPressed, 1);
}

TEST_F(PlayerInput, MousePositionInGameScreenCoordinates) {
  struct Case {
    int tileSize, screenScale, x, y, expectedX, expectedY;
  } cases[] = {{32, 1, 100, 200, 100, 200}, {16, 2, 100, 201, 50, 101}, {16, 2, 640, 480, 320, 240}};
  for (const Case& c : cases) {
    gTileSize = c.tileSize;
    gScreenScale = c.screenScale;
    SetMousePosition(c.x, c.y);
    Poll();
    EXPECT_EQ(gInput.mouseX, c.expectedX) << c.x;
    EXPECT_EQ(gInput.mouseY, c.expectedY) << c.y;
  }
  gTileSize = 32;
  gScreenScale = 1;
  SetMousePosition(10, 10);
  Poll();
  SetMousePosition(15, 7);
  Poll();
  EXPECT_EQ(gInput.mouseDx, 5);
  EXPECT_EQ(gInput.mouseDy, -3);
}

TEST_F(PlayerInput, FunctionKeysAndModifiers) {
  Hold(kDikF5, true);
  Hold(kDikRControl, true);
  Poll();
  EXPECT_EQ(gInput.f5Held, 1);
  EXPECT_EQ(gInput.f5Pressed, 1);
  EXPECT_EQ(gInput.ctrlPressed, 1);
  Poll();
  EXPECT_EQ(gInput.f5Held, 1);
  EXPECT_EQ(gInput.f5Pressed, 0);
  EXPECT_EQ(gInput.ctrlHeld, 1);
  EXPECT_EQ(gInput.ctrlPressed, 0);
}

TEST(KeyConfiguration, AssigningAKeyInUseSwapsTheTwo) {
  EventSystem events(EventSystem::StaticInit{});
  AssignActionKey(145, 0, true, &events);  // cancel's X onto confirm
  EXPECT_EQ(events.keyCodes[0], 145);
  EXPECT_EQ(events.keyCodes[1], 144);
  AssignActionKey(303, 0, false, &events);  // sub's button 3 onto confirm
  EXPECT_EQ(GetActionKey(0, false, &events), 303);
  EXPECT_EQ(GetActionKey(2, false, &events), 301);
  AssignActionKey(999, 1, false, &events);  // not a button: stored as it is
  EXPECT_EQ(events.keyCodes[4], 999);
  EXPECT_EQ(GetActionKey(1, false, &events), 0);
  AssignActionKey(150, 3, true, &events);  // no such slot
  EXPECT_EQ(events.keyCodes[0], 145);
  EXPECT_EQ(GetActionKey(3, true, &events), 0);
}

TEST(KeyConfiguration, KeyNames) {
  struct Case {
    int scan;
    std::string name;
  } cases[] = {{2, "1"},
               {10, "9"},
               {11, "0"},
               {28, "Enter"},
               {29, "\x8D\xB6"
                    "Ctrl"},
               {44, "Z"},
               {88, "F12"},
               {157, "\x89\x45"
                     "Ctrl"},
               {200, "\x81\xAA"},
               {211, "DEL"},
               {0, ""},
               {13, ""},
               {255, ""},
               {256, ""},
               {-1, ""},
               {-2147483647, ""}};
  for (const Case& c : cases) EXPECT_EQ(GetKeyName(c.scan), c.name) << c.scan;
  gEventSystem = EventSystem(EventSystem::StaticInit{});
  EXPECT_EQ(GetActionKeyName(0, true), "Z");
  EXPECT_EQ(GetActionKeyName(1, false), "\x83{\x83^\x83\x93"
                                        "2");
  gEventSystem.keyCodes[2] = 5;  // outside the table: no name, no crash
  EXPECT_EQ(GetActionKeyName(2, true), "");
}

}  // namespace
