#include <string>
#include <vector>

#include "RunnerFixture.h"
#include "media/PublicFunctions.h"
#include "platform/text/Text.h"
#include "platform/window/Window.h"
#include "support/StartedLibrary.h"

namespace runner_test {
namespace {

using RunLoop = RunnerTest;

TEST_F(RunLoop, ComputingScriptRunsToItsEndInOneFrame) {
  std::vector<EventCommand> commands;
  for (int i = 0; i < 1000; ++i) commands.push_back(AddVar(1, 1));
  EventRunner& runner = Start(commands);
  runner.RunEventRunner();
  EXPECT_EQ(Variable(1), 1000);
  EXPECT_FALSE(runner.IsEventRunnerBusy());
}

TEST_F(RunLoop, WaitOfFiveAtFrameStepTwoLastsThreeFrames) {
  gFrameStep = 2;
  EventRunner& runner = Start({Command(180, {5}), SetVar(1, 7)});
  runner.RunEventRunner();  // the wait starts and counts this frame
  int framesWaited = 1;
  while (Variable(1) != 7 && framesWaited < 20) {
    runner.RunEventRunner();
    if (Variable(1) != 7) ++framesWaited;
  }
  EXPECT_EQ(framesWaited, 3);
}

TEST_F(RunLoop, WaitFramesCountByFrameStep) {
  struct Case {
    int step, wait, frames;
  } cases[] = {{1, 1, 1}, {1, 5, 5}, {2, 5, 3}, {3, 6, 2}, {1, 0, 0}};
  for (const Case& c : cases) {
    gFrameStep = c.step;
    EventRunner& runner = Start({Command(180, {c.wait}), AddVar(1, 1)});
    SetVariable(1, 0);
    int frames = 0;
    runner.RunEventRunner();
    while (Variable(1) == 0 && frames < 50) {
      ++frames;
      runner.RunEventRunner();
    }
    EXPECT_EQ(frames, c.frames) << "step " << c.step << " wait " << c.wait;
  }
}

TEST_F(RunLoop, EndlessLoopShowsTheLimitNoticeAndRunsAgainLater) {
  // Line 0: loop; line 1: add; line 2: loop end.
  EventRunner& runner = Start({Command(170), AddVar(1, 1, 1), Command(498)});
  runner.mapEventId = 4;
  runner.RunEventRunner();
  const auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 1u);
  const std::string expected = platform::Utf8ToCp932(
      "1フレームあたりの処理が500000個を越えました！ イベント4 (コモン-1) " + std::to_string(runner.line) + "行");
  EXPECT_EQ(notices[0][0], expected);
  EXPECT_EQ(notices[0][1], "");
  EXPECT_EQ(notices[0][2], "");
  EXPECT_EQ(runner.waitFrames, 4);  // five frames of pause, the first one this frame
  const int afterFirstFrame = Variable(1);
  EXPECT_GT(afterFirstFrame, 0);

  for (int frame = 0; frame < 4; ++frame) {
    runner.RunEventRunner();
    EXPECT_EQ(Variable(1), afterFirstFrame) << "frame " << frame;
  }
  runner.RunEventRunner();
  EXPECT_GT(Variable(1), afterFirstFrame);
  EXPECT_EQ(RecordedNotices().size(), 2u);
}

TEST_F(RunLoop, LineOutsideTheListActsAsTheEndCommand) {
  EventRunner& runner = Start({SetVar(1, 3)});
  runner.line = 57;
  runner.RunEventRunner();
  EXPECT_FALSE(runner.IsEventRunnerBusy());
  EXPECT_EQ(Variable(1), 0);
  Start({SetVar(1, 3)}).line = -9;
  runner_.RunEventRunner();
  EXPECT_FALSE(runner_.IsEventRunnerBusy());
}

TEST_F(RunLoop, RunStateAndAbortStopTheRunner) {
  EventRunner& runner = Start({SetVar(1, 1), Command(175), SetVar(1, 2)});
  runner.RunEventRunner();
  EXPECT_EQ(gGameSystem.runState, -1);
  EXPECT_EQ(Variable(1), 1);
  EXPECT_FALSE(runner.IsEventRunnerBusy());

  gGameSystem.runState = 1;
  gEventAbortFlag = 1;
  Start({SetVar(1, 5)}).RunEventRunner();
  EXPECT_EQ(Variable(1), 1);
}

TEST_F(RunLoop, PassiveCodesEachCountOnce) {
  EventRunner& runner = Start({Command(0), Command(103), Command(212, {}, 0, {"x"}), Command(180, {1})});
  runner.RunEventRunner();
  // The loop counts the first command and the pass after the wait, the
  // dispatch each of the three passive codes once.
  EXPECT_EQ(runner.commandsThisFrame, 5);
}

TEST_F(RunLoop, DispatchMovesTheErrorLocationWithEveryCommand) {
  EventRunner& runner = Start({SetVar(1, 1), SetVar(2, 2), Command(180, {3})});
  runner.commonId = 9;
  runner.RunEventRunner();
  EXPECT_EQ(gErrorLocation.line, 2);
  EXPECT_EQ(gErrorLocation.commonEventId, 9);
}

TEST_F(RunLoop, StringEntryStoresPrefixAndDoubledBackslashes) {
  StartedLibrary library;
  ASSERT_TRUE(library.Started());
  auto openEntry = [](EventRunner& runner, int target, const char* prefix) {
    runner.keyInputHandle = CreateTextEntry(10, 1, 0, 0);
    runner.keyInputMaxLength = 10;
    ActivateTextEntry(runner.keyInputHandle);
    runner.keyInputTargetId = target;
    runner.keyInputPrefix = prefix;
    gGameSystem.textEntryBusy = 1;
    return runner.keyInputHandle;
  };

  EventRunner& runner = Start({Command(180, {0})});
  const int handle = openEntry(runner, 3000001, "P:");
  StartedLibrary::Type("a\\b\u30BD");  // "a\b" and a katakana whose trail byte is a backslash
  runner.RunEventRunner();
  EXPECT_EQ(runner.keyInputHandle, handle);  // still typing
  StartedLibrary::PressVirtualKey(platform::kVkReturn);
  runner.RunEventRunner();
  EXPECT_EQ(runner.keyInputHandle, 0);
  EXPECT_EQ(GetTextEntryState(handle), -1);  // deleted
  EXPECT_EQ(gGameSystem.textEntryBusy, 0);
  EXPECT_EQ(gEventSystem.keyInputState, 0);
  EXPECT_EQ(gVariableStore.ReadStringVariable(3000001), std::string("P:a\\\\b\x83\x5C"));

  Start({Command(180, {0})});
  openEntry(runner_, 3000002, "only");
  StartedLibrary::Type("typed");
  StartedLibrary::PressVirtualKey(platform::kVkEscape);
  runner_.RunEventRunner();
  EXPECT_EQ(gEventSystem.keyInputState, -1);
  EXPECT_EQ(gVariableStore.ReadStringVariable(3000002), "only");
}

TEST_F(RunLoop, CopiedRunnerRunsItsOwnList) {
  EventRunner& runner = Start({SetVar(1, 1), Command(180, {1}), SetVar(1, 2)});
  runner.RunEventRunner();
  EventRunner copy = runner;
  runner.ownCommandList.clear();  // the source's list goes away
  ASSERT_EQ(copy.commandList, &copy.ownCommandList);
  EventRunner moved = std::move(copy);
  ASSERT_EQ(moved.commandList, &moved.ownCommandList);
  moved.RunEventRunner();
  moved.RunEventRunner();
  EXPECT_EQ(Variable(1), 2);
  EXPECT_FALSE(moved.IsEventRunnerBusy());
}

TEST_F(RunLoop, ChildRunsBeforeItsCallerAndIsRemovedWhenIdle) {
  EventRunner& runner = Start({AddVar(1, 10)});
  EventRunner child;
  child.SetupOwnEventCall({AddVar(1, 1), Command(-1)}, -1, -1);
  runner.children.push_back(child);
  runner.RunEventRunner();
  EXPECT_TRUE(runner.children.empty());
  EXPECT_EQ(Variable(1), 11);
}

TEST(StartupSettings, FrameStepIsAtLeastOne) {
  EXPECT_EQ(FrameStepFromDivisor(0), 1);
  EXPECT_EQ(FrameStepFromDivisor(61), 1);
  EXPECT_EQ(FrameStepFromDivisor(-3), 1);
  EXPECT_EQ(FrameStepFromDivisor(30), 2);
  EXPECT_EQ(FrameStepFromDivisor(60), 1);
}

}  // namespace
}  // namespace runner_test
