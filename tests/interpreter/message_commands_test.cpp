#include <gtest/gtest.h>

#include <functional>

#include "shell/KeyCapture.h"
#include "shell/ShellServices.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int kTarget = 2000000 + 5;

class MessageCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gVariableStore.stringVariables.assign(10, "");
    gInput = InputState();
  }
  void TearDown() override { gInput = InputState(); }

  void Start(std::vector<EventCommand> commands) { StartScript(runner_, std::move(commands)); }
  int Target() { return gVariableStore.ReadVariable(kTarget); }

  EventRunner runner_;
};

TEST_F(MessageCommands, KeyInputReadsTheKeysItsModeNames) {
  struct Case {
    const char* what;
    int mode;
    std::function<void(InputState&)> keys;
    int expected;
  };
  const std::vector<Case> cases = {
      {"four directions and confirm, nothing held", 0x13, [](InputState&) {}, 0},
      {"confirm held", 0x13, [](InputState& in) { in.actionHeld[0] = 1; }, 10},
      {"cancel held, cancel not asked", 0x10, [](InputState& in) { in.actionHeld[1] = 1; }, 0},
      {"cancel held", 0x20, [](InputState& in) { in.actionHeld[1] = 1; }, 11},
      {"sub held", 0x40, [](InputState& in) { in.actionHeld[2] = 1; }, 12},
      {"confirm wins over a direction", 0x11,
       [](InputState& in) {
         in.actionHeld[0] = 1;
         in.direction4 = 6;
       },
       10},
      {"four directions", 0x01, [](InputState& in) { in.direction4 = 4; }, 4},
      {"eight directions", 0x02, [](InputState& in) { in.direction8 = 9; }, 9},
      {"up only, down held", 0x03, [](InputState& in) { in.down = 1; }, 0},
      {"down only", 0x04, [](InputState& in) { in.down = 1; }, 2},
      {"up or down", 0x07, [](InputState& in) { in.up = 1; }, 8},
      {"left or right, both", 0x08,
       [](InputState& in) {
         in.left = 1;
         in.right = 1;
       },
       6},
      {"keyboard", 0x100, [](InputState& in) { in.keySnapshot[30] = 1; }, 130},
      {"keyboard passes over Enter and Space", 0x100,
       [](InputState& in) {
         in.keySnapshot[28] = 1;
         in.keySnapshot[57] = 1;
       },
       0},
      {"keyboard, right Ctrl alone", 0x100, [](InputState& in) { in.keySnapshot[157] = 1; }, 257},
      {"device 3 reads nothing", 0x310, [](InputState& in) { in.actionHeld[0] = 1; }, 0},
  };
  for (const Case& c : cases) {
    gInput = InputState();
    c.keys(gInput);
    gVariableStore.WriteVariable(kTarget, -7);
    Start({MakeCommand(123, {kTarget, c.mode})});
    RunUntilIdle(runner_, 3);
    EXPECT_EQ(Target(), c.expected) << c.what;
  }
}

TEST_F(MessageCommands, AKeyboardWaitCountsOnlyANewPressOfTheKeyToTest) {
  gInput.keySnapshot[30] = 1;
  Start({MakeCommand(123, {kTarget, 0x180})});
  runner_.RunEventRunner();
  EXPECT_TRUE(runner_.keyWait);
  for (int i = 0; i < 3; ++i) runner_.RunEventRunner();
  EXPECT_TRUE(runner_.keyWait);  // still the key held at the start
  gInput.keySnapshot[30] = 0;
  runner_.RunEventRunner();
  gInput.keySnapshot[31] = 1;
  runner_.RunEventRunner();
  EXPECT_FALSE(runner_.keyWait);
  EXPECT_EQ(Target(), 131);

  // Only the key code given is tested.
  gInput = InputState();
  gInput.keySnapshot[31] = 1;
  Start({MakeCommand(123, {kTarget, 0x1100, 132})});
  RunUntilIdle(runner_, 2);
  EXPECT_EQ(Target(), 0);
  gInput.keySnapshot[32] = 1;
  Start({MakeCommand(123, {kTarget, 0x1100, 132})});
  RunUntilIdle(runner_, 2);
  EXPECT_EQ(Target(), 132);
}

TEST_F(MessageCommands, AWaitForConfirmHeldEndsAtItsRepeatOnlyWithTheSwitch) {
  for (int repeatSwitch : {0, 1}) {
    gVariableStore.WriteVariable(9000059, repeatSwitch);
    gInput = InputState();
    gInput.actionHeld[0] = 1;
    Start({MakeCommand(123, {kTarget, 0x90})});
    gVariableStore.WriteVariable(kTarget, 0);
    runner_.RunEventRunner();
    runner_.RunEventRunner();
    EXPECT_TRUE(runner_.keyWait);
    gInput.confirmRepeat = 1;
    runner_.RunEventRunner();
    EXPECT_EQ(runner_.keyWait, repeatSwitch == 0) << repeatSwitch;
    EXPECT_EQ(Target(), repeatSwitch == 1 ? 10 : 0);
  }
}

TEST_F(MessageCommands, AWaitOnADeviceThatReadsNothingEndsAtOnce) {
  Start({MakeCommand(123, {kTarget, 0x580}), MakeCommand(121, {})});
  gVariableStore.WriteVariable(kTarget, 9);
  runner_.RunEventRunner();
  runner_.RunEventRunner();
  EXPECT_FALSE(runner_.keyWait);
  EXPECT_EQ(Target(), 0);
}

TEST_F(MessageCommands, MessagesAndChoicesFillTheGameSystem) {
  // An empty message shows one space; the last message text is the empty text.
  Start({MakeCommand(101, {}, {""})});
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.messageText, " ");
  EXPECT_EQ(gGameSystem.systemText, "");
  EXPECT_EQ(gGameSystem.messageOwner, &runner_);
  EXPECT_TRUE(runner_.windowWait);
  // A second message waits while the first is shown.
  EventRunner other;
  other.StartEventRunner(0, 0);
  other.SetupOwnEventCall(Terminated({MakeCommand(101, {}, {"x"})}), -1, 0);
  other.RunEventRunner();
  EXPECT_EQ(gGameSystem.messageText, " ");
  EXPECT_EQ(gGameSystem.messageOwner, &runner_);

  // A message followed by a choice whose texts are all empty: the result
  // comes at once and the runner goes on while the message is shown.
  ResetScriptWorld(1);
  Start({MakeCommand(101, {}, {"m"}), MakeCommand(102, {2 | (4 << 4)}, {"", ""}, 3), MakeCommand(121, {})});
  runner_.RunEventRunner();
  EXPECT_EQ(runner_.localArea[3], 4);
  EXPECT_FALSE(runner_.windowWait);
  EXPECT_EQ(gGameSystem.messageText, "m");
  EXPECT_FALSE(gGameSystem.choiceFollows);
  EXPECT_TRUE(gGameSystem.choiceText.empty());

  // Twelve texts: the count stays 1-10 and ten texts are filled.
  ResetScriptWorld(1);
  Start({MakeCommand(102, {0x0C | (1 << 8) | (5 << 4)}, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"})});
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.choiceCount, 10);
  EXPECT_EQ(gGameSystem.choiceTexts[9], "j");
  EXPECT_EQ(gGameSystem.choiceText, "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n");
  EXPECT_EQ(gGameSystem.cancelResult, 3);
  EXPECT_EQ(gGameSystem.choiceExits, 1);
  // The close commands raise their requests.
  Start({MakeCommand(104), MakeCommand(105)});
  runner_.RunEventRunner();
  EXPECT_TRUE(gGameSystem.closeChoiceRequest);
  EXPECT_TRUE(gGameSystem.closeMessageRequest);
}

}  // namespace
