#include <gtest/gtest.h>

#include <vector>

#include "interpreter/CommonEventTriggers.h"
#include "map/MapEventRunners.h"
#include "shell/Frame.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int V = 2000000;

// v1 x= 10: with an addition after it, the digits of v1 show the order in
// which runners ran.
EventCommand Shift() { return MakeCommand(121, {V + 1, 10, 0, 3 << 8}); }
EventCommand AddTo(int target, int value) { return MakeCommand(121, {target, value, 0, 1 << 8}); }
EventCommand SetTo(int target, int value) { return MakeCommand(121, {target, value, 0, 0}); }

class CommonEventTriggers : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(4);
    gCurrentMap.mapData = MapData();
    gCurrentMap.commonEventRunEntries.clear();
  }
  void SetCommon(int number, std::vector<EventCommand> commands, uint8_t flags, int conditionId = V,
                 int conditionValue = 0) {
    CommonEvent& event = gCommonEventList.events[static_cast<size_t>(number)];
    event.commands = Terminated(std::move(commands));
    event.triggerFlags = flags;
    event.conditionId = conditionId;
    event.conditionValue = conditionValue;
  }
  int Var(int n) { return gVariableStore.variableSets[0][static_cast<size_t>(n)]; }
};

TEST_F(CommonEventTriggers, ConditionOperators) {
  struct Case {
    uint8_t flags;
    int left, right;
    bool holds;
  } cases[] = {
      {0x02, 5, 4, true},  {0x02, 4, 4, false}, {0x12, 4, 4, true},   {0x22, 4, 4, true},  {0x32, 5, 4, false},
      {0x42, 3, 4, true},  {0x52, 4, 4, false}, {0x62, 7, 5, true},   {0x62, 4, 5, false}, {0x62, -9, 0, true},
      {0x72, 4, 4, false}, {0xF2, 0, 0, false}, {0x02, -1, -2, true},
  };
  for (const Case& c : cases) {
    SetCommon(1, {}, c.flags, V + 9, c.right);
    gVariableStore.variableSets[0][9] = c.left;
    CommonEventRunEntry entry;
    entry.number = 1;
    EXPECT_EQ(CommonEventRunConditionHolds(entry), c.holds) << int(c.flags) << " " << c.left << " " << c.right;
  }
}

TEST_F(CommonEventTriggers, EntriesAreBuiltForParallelKindsInListOrder) {
  SetCommon(0, {}, 0x03);
  SetCommon(1, {}, 0x01);
  SetCommon(2, {}, 0x72);  // kind 2 with operator 7: never runs
  SetCommon(3, {}, 0x00);
  BuildCommonEventRunEntries(gCurrentMap.commonEventRunEntries);
  ASSERT_EQ(gCurrentMap.commonEventRunEntries.size(), 2u);
  EXPECT_EQ(gCurrentMap.commonEventRunEntries[0].number, 0);
  EXPECT_EQ(gCurrentMap.commonEventRunEntries[0].runners.size(), 1u);
  EXPECT_FALSE(gCurrentMap.commonEventRunEntries[0].runners[0].IsEventRunnerBusy());
  EXPECT_EQ(gCurrentMap.commonEventRunEntries[1].number, 2);
  EXPECT_TRUE(gCurrentMap.commonEventRunEntries[1].runners.empty());
}

// Per frame: parallel map events, then parallel common events, then the
// main runner.
TEST_F(CommonEventTriggers, FrameOrderIsMapEventsCommonEventsMainRunner) {
  SetCommon(0, {Shift(), AddTo(V + 1, 2), MakeCommand(180, {100})}, 0x03);
  SetCommon(1, {Shift(), AddTo(V + 1, 3), SetTo(V + 3, 1)}, 0x21, V + 3, 0);
  MapEventCharacter event;
  event.id = 4;
  event.pageIndex = 0;
  event.commands = Terminated({Shift(), AddTo(V + 1, 1), MakeCommand(180, {100})});
  event.parallelRunners.emplace_back();
  event.parallelRunners.back().StartEventRunner(0, 0);
  gCurrentMap.eventCharacters.push_back(event);
  BuildCommonEventRunEntries(gCurrentMap.commonEventRunEntries);
  gEventSystem.StartEventRunner(0, 1);
  RunFrameLogic();
  EXPECT_EQ(Var(1), 123);
}

TEST_F(CommonEventTriggers, ParallelEventsRestartAndRunForMapEventZero) {
  SetCommon(0, {AddTo(V + 1, 1)}, 0x03);
  BuildCommonEventRunEntries(gCurrentMap.commonEventRunEntries);
  for (int frame = 0; frame < 3; ++frame) RunCommonEventParallel(gCurrentMap.commonEventRunEntries[0]);
  EXPECT_EQ(Var(1), 3);  // from its first line again in every frame
  const EventRunner& runner = gCurrentMap.commonEventRunEntries[0].runners[0];
  EXPECT_EQ(runner.mapEventId, 0);
  EXPECT_EQ(runner.commonId, 0);
}

TEST_F(CommonEventTriggers, AKindTwoEventIsCutOffWhenItsConditionFails) {
  // Runs while v5 = 1: counts, waits, counts again.
  SetCommon(0, {AddTo(V + 1, 1), MakeCommand(180, {3}), AddTo(V + 1, 100)}, 0x22, V + 5, 1);
  BuildCommonEventRunEntries(gCurrentMap.commonEventRunEntries);
  CommonEventRunEntry& entry = gCurrentMap.commonEventRunEntries[0];
  EXPECT_TRUE(entry.runners.empty());
  gVariableStore.variableSets[0][5] = 1;
  RefreshCommonEventRunEntry(entry);
  RunCommonEventParallel(entry);
  EXPECT_EQ(Var(1), 1);
  // The condition fails while it waits: cut off in the middle.
  gVariableStore.variableSets[0][5] = 0;
  RefreshCommonEventRunEntry(entry);
  for (int frame = 0; frame < 5; ++frame) RunCommonEventParallel(entry);
  EXPECT_EQ(Var(1), 1);
  // Back on: from the first line again.
  gVariableStore.variableSets[0][5] = 1;
  RefreshCommonEventRunEntry(entry);
  RunCommonEventParallel(entry);
  EXPECT_EQ(Var(1), 2);
  // A refresh never restarts a running event.
  RefreshCommonEventRunEntry(entry);
  EXPECT_TRUE(entry.runners[0].IsEventRunnerBusy());
}

TEST_F(CommonEventTriggers, TheMapUpdateRefreshesEntriesWhenFlagged) {
  SetCommon(0, {AddTo(V + 1, 1)}, 0x22, V + 5, 1);
  BuildCommonEventRunEntries(gCurrentMap.commonEventRunEntries);
  gVariableStore.variableSets[0][5] = 1;
  UpdateCurrentMap();  // no refresh requested: still idle
  EXPECT_EQ(Var(1), 0);
  gCurrentMap.pageRefresh = 1;
  UpdateCurrentMap();
  EXPECT_EQ(Var(1), 1);
  EXPECT_EQ(gCurrentMap.pageRefresh, 1);  // its own commands asked for the next refresh
}

TEST_F(CommonEventTriggers, TheStartChecksPageRefreshRefreshesEntriesToo) {
  SetCommon(0, {AddTo(V + 1, 1)}, 0x22, V + 5, 1);
  BuildCommonEventRunEntries(gCurrentMap.commonEventRunEntries);
  ASSERT_TRUE(gCurrentMap.commonEventRunEntries[0].runners.empty());
  gVariableStore.variableSets[0][5] = 1;
  EventRunner main;
  main.StartEventRunner(0, 1);
  gCurrentMap.pageRefresh = 1;
  main.CheckEventStart();
  EXPECT_EQ(gCurrentMap.pageRefresh, 0);
  EXPECT_EQ(gCurrentMap.commonEventRunEntries[0].runners.size(), 1u);
}

}  // namespace
