#include <vector>

#include "RunnerFixture.h"

namespace runner_test {
namespace {

class StartCheck : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    gCommonEventList.ResizeCommonEventList(3);
    main_ = EventRunner();
  }

  MapEventCharacter& AddMapEvent(int id, std::vector<EventCommand> commands, int startType) {
    MapEventCharacter event;
    event.id = id;
    commands.push_back(Command(-1));
    event.commands = commands;
    event.StartType = startType;
    // Its record has that one page, chosen, so a page refresh keeps it.
    event.record = MapEvent(id);
    event.record.pages.assign(1, EventPage());
    event.record.pages[0].commands = commands;
    event.record.pages[0].conditions.conditionHeader = static_cast<uint8_t>(startType);
    event.pageIndex = 0;
    event.page = event.record.pages[0];
    event.startRequest = 1;
    gCurrentMap.eventCharacters.push_back(event);
    return gCurrentMap.eventCharacters.back();
  }

  void SetCommon(int number, std::vector<EventCommand> commands, uint8_t triggerFlags) {
    commands.push_back(Command(-1));
    gCommonEventList.events[static_cast<size_t>(number)].commands = commands;
    gCommonEventList.events[static_cast<size_t>(number)].triggerFlags = triggerFlags;
  }

  EventRunner main_;
};

TEST_F(StartCheck, ReservationComesFirstAndKeepsTheLastMapEvent) {
  SetCommon(2, {AddVar(1, 1)}, 0x20);
  AddMapEvent(5, {AddVar(2, 1)}, 0);
  main_.StartEventRunner(0, 1);
  main_.mapEventId = 5;
  gGameSystem.pendingCommonStart = 2;
  main_.CheckEventStart();
  EXPECT_EQ(gGameSystem.pendingCommonStart, -1);
  EXPECT_EQ(main_.commonId, 2);
  EXPECT_EQ(main_.mapEventId, 5);
  EXPECT_EQ(main_.commandList, &main_.ownCommandList);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].startRequest, 1);
}

TEST_F(StartCheck, ReservationPastTheListIsDropped) {
  main_.StartEventRunner(0, 1);
  gGameSystem.pendingCommonStart = 99;
  main_.CheckEventStart();
  EXPECT_EQ(gGameSystem.pendingCommonStart, -1);
  EXPECT_FALSE(main_.IsEventRunnerBusy());
}

TEST_F(StartCheck, MapEventStartsAndTurnsTowardTheHero) {
  MapEventCharacter& event = AddMapEvent(7, {AddVar(2, 1)}, 0);
  event.x = 4;
  event.direction = 2;
  gHero.x = 8;
  main_.StartEventRunner(0, 1);
  main_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].startRequest, 0);
  // The run has ended: the facing is restored.
  EXPECT_EQ(gCurrentMap.eventCharacters[0].direction, 2);
}

TEST_F(StartCheck, AutomaticPageStartsAgainWheneverTheRunnerIsIdle) {
  AddMapEvent(7, {AddVar(2, 1), Command(180, {1})}, 1);
  main_.StartEventRunner(0, 1);
  // Each frame the run ends and, in the same frame, starts again.
  for (int frame = 0; frame < 4; ++frame) main_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.eventCharacters[0].startRequest, 1);
  EXPECT_EQ(Variable(2), 4);
}

TEST_F(StartCheck, AutoStartCommonEventRunsWhileItsConditionHolds) {
  // Trigger kind 1, operator 2 (=): variable 3 = 0.
  gCommonEventList.events[1].conditionId = Var(3);
  SetCommon(1, {AddVar(4, 1), Command(180, {1})}, 0x21);
  main_.StartEventRunner(0, 1);
  ASSERT_EQ(main_.autoStartList, std::vector<int>{1});
  main_.RunEventRunner();
  EXPECT_EQ(Variable(4), 1);
  EXPECT_EQ(main_.commonId, 1);
  main_.RunEventRunner();  // ends and starts again: the condition still holds
  EXPECT_EQ(Variable(4), 2);
  SetVariable(3, 1);
  for (int frame = 0; frame < 4; ++frame) main_.RunEventRunner();
  EXPECT_EQ(Variable(4), 2);
  EXPECT_FALSE(main_.IsEventRunnerBusy());
}

TEST_F(StartCheck, AutoStartEventWithoutAWaitMeetsTheFrameLimit) {
  // Its condition (v3 = 0) stays true and it never waits: every end starts
  // it again in the same frame, until the frame's command limit stops it.
  gCommonEventList.events[1].conditionId = Var(3);
  SetCommon(1, {AddVar(4, 1)}, 0x21);
  main_.StartEventRunner(0, 1);
  main_.RunEventRunner();
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(main_.waitFrames, EventRunner::kLimitPauseFrames - 1);
  const int firstFrame = Variable(4);
  EXPECT_GT(firstFrame, 0);
  EXPECT_LT(firstFrame, EventRunner::kCommandLimit);
  // The pause holds, then the next frame runs it again.
  for (int frame = 0; frame < 4; ++frame) main_.RunEventRunner();
  EXPECT_EQ(Variable(4), firstFrame);
  main_.RunEventRunner();
  EXPECT_GT(Variable(4), firstFrame);
}

TEST_F(StartCheck, ParallelRunnersNeverStartEvents) {
  AddMapEvent(7, {AddVar(2, 1)}, 0);
  EventRunner parallel;
  parallel.StartEventRunner(0, 0);
  parallel.RunEventRunner();
  EXPECT_EQ(Variable(2), 0);
}

TEST_F(StartCheck, DepthAboveTheLimitEndsTheProgram) {
  EXPECT_EXIT(EventRunner().StartEventRunner(101, 0), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace runner_test
