#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "interpreter/EventCalls.h"
#include "map/MapEventRunners.h"
#include "support/MapFileWriters.h"
#include "support/ScratchFolder.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int V = 2000000;

EventCommand AddTo(int target, int value) { return MakeCommand(121, {target, value, 0, 1 << 8}); }
EventCommand SetTo(int target, int value) { return MakeCommand(121, {target, value, 0, 0}); }
EventCommand Copy(int target, int source) { return MakeCommand(121, {target, source, 0, 0}); }
// Call of common event `number` (500,000 + number, or a relative form).
EventCommand Call(int operand, std::vector<int32_t> arguments = {}, int word = 0) {
  std::vector<int32_t> params{operand, word};
  params.insert(params.end(), arguments.begin(), arguments.end());
  EventCommand command = MakeCommand(210);
  command.ints.insert(command.ints.end(), params.begin(), params.end());
  return command;
}

class EventCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(12);
    gCurrentMap.mapData = MapData();
  }
  void SetCommon(int number, std::vector<EventCommand> commands, uint8_t flags = 0) {
    gCommonEventList.events[static_cast<size_t>(number)].commands = Terminated(std::move(commands));
    gCommonEventList.events[static_cast<size_t>(number)].triggerFlags = flags;
  }
  // Runs the list in the main runner, as a map event would.
  void RunMain(std::vector<EventCommand> commands, int frames = 1) {
    gEventSystem.StartEventRunner(0, 1);
    gEventSystem.SetupOwnEventCall(Terminated(std::move(commands)), -1, -1);
    for (int i = 0; i < frames; ++i) gEventSystem.RunEventRunner();
  }
  MapEventCharacter& AddMapEvent(int id, std::vector<std::vector<EventCommand>> pages, int current = 0) {
    MapEvent data(id);
    data.pages.clear();
    for (auto& page : pages) {
      data.pages.emplace_back();
      data.pages.back().commands = Terminated(page);
    }
    gCurrentMap.mapData.events.push_back(data);
    MapEventCharacter character;
    character.id = id;
    character.pageIndex = current;
    character.commands = gCurrentMap.mapData.events.back().pages[static_cast<size_t>(current)].commands;
    gCurrentMap.eventCharacters.push_back(character);
    return gCurrentMap.eventCharacters.back();
  }
  int Var(int n) { return gVariableStore.variableSets[0][static_cast<size_t>(n)]; }
};

TEST_F(EventCalls, ArgumentsLandInTheCalleesSelfCells) {
  gVariableStore.WriteStringVariable(3000000, "hi");
  gVariableStore.variableSets[0][3] = 42;
  SetCommon(1, {Copy(V + 10, OwnSelf(0)), Copy(V + 11, OwnSelf(1))});
  // Two numbers (7 and variable 3), two texts (string variable 0 twice).
  RunMain({Call(500001, {7, V + 3, 3000000, 3000000}, 0x22), AddTo(V + 12, 1)});
  EXPECT_EQ(gVariableStore.ReadVariable(CommonSelf(1, 0)), 7);
  EXPECT_EQ(gVariableStore.ReadVariable(CommonSelf(1, 1)), 42);
  EXPECT_EQ(gVariableStore.ReadStringVariable(CommonSelf(1, 5)), "hi");
  EXPECT_EQ(gVariableStore.ReadStringVariable(CommonSelf(1, 6)), "hi");
  // Callee and caller finished in the same frame.
  EXPECT_EQ(Var(10), 7);
  EXPECT_EQ(Var(11), 42);
  EXPECT_EQ(Var(12), 1);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
}

TEST_F(EventCalls, RelativeNumbersAreClampedToTheList) {
  struct Case {
    int value, running;
    CallTarget expected;
  } cases[] = {
      {600100, 4, {true, 4}},  {600105, 10, {true, 11}}, {600000, 3, {true, 0}},
      {600100, -1, {true, 0}}, {500007, 0, {true, 7}},   {-1, 0, {false, -1}},
  };
  for (const Case& c : cases) {
    const CallTarget target = ResolveCallTarget(c.value, c.running);
    EXPECT_EQ(target.common, c.expected.common) << c.value;
    EXPECT_EQ(target.number, c.expected.number) << c.value;
  }
  gCommonEventList.ResizeCommonEventList(0);
  EXPECT_EQ(ResolveCallTarget(600100, 3).number, -1);  // an empty list: a missing event
}

TEST_F(EventCalls, MissingEventsShowTestPlayNoticesOnly) {
  RunMain({Call(500050), MakeCommand(210, {7, 0})});
  EXPECT_TRUE(RecordedNotices().empty());
  gTestPlay = 1;
  AddMapEvent(7, {{}});
  RunMain({Call(500050), MakeCommand(210, {7, 1})});
  const auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 2u);
  // "存在しないコモンEv50を呼び出そうとしました"
  EXPECT_EQ(notices[0][1], "\x91\xB6\x8D\xDD\x82\xB5\x82\xC8\x82\xA2\x83R\x83\x82\x83\x93"
                           "Ev50\x82\xF0\x8C\xC4\x82\xD1"
                           "\x8Fo\x82\xBB\x82\xA4\x82\xC6\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
  EXPECT_NE(notices[1][1].find(",\x83y\x81[\x83W"
                               "2"),
            std::string::npos);  // page operand + 1
}

TEST_F(EventCalls, MapEventPagesRunAsCopies) {
  AddMapEvent(3, {{AddTo(V + 1, 1)}, {AddTo(V + 1, 10)}});
  RunMain({MakeCommand(210, {3, -1}), MakeCommand(210, {3, 1})});
  EXPECT_EQ(Var(1), 11);
}

TEST_F(EventCalls, ACommonFileLoadsOnce) {
  ScratchFolder folder(true);
  CommonEvent loaded;
  loaded.name = "extra";
  loaded.commands = Terminated({AddTo(V + 1, 1), Copy(V + 2, OwnSelf(0))});
  const auto image = CommonFileImage({loaded});
  folder.Write("Extra.common", std::string(image.begin(), image.end()));
  EventCommand byFile = MakeCommand(300, {0, 1, 5}, {"Extra.common"});
  // A runner that runs a common event of the list keeps running it when the
  // file's events are appended.
  SetCommon(0, {byFile, AddTo(V + 3, 1)});
  RunMain({Call(500000)});
  ASSERT_EQ(gCommonEventList.Count(), 13);
  EXPECT_EQ(Var(1), 1);
  EXPECT_EQ(Var(2), 5);
  EXPECT_EQ(Var(3), 1);
  EXPECT_EQ(gCommonFileIndex.at("Extra.common"), 12);
  EXPECT_EQ(gCommonEventNameIndex.at("extra"), 12);
  ASSERT_EQ(gVariableStore.commonSelfVariables.size(), 13u);

  std::filesystem::remove(folder.Path() / "Extra.common");
  RunMain({byFile, MakeCommand(300, {0, 0}, {"extra"})});
  EXPECT_EQ(gCommonEventList.Count(), 13);
  EXPECT_EQ(Var(1), 3);
  // An unreadable file and an unknown name skip the command silently.
  RunMain({MakeCommand(300, {0, 0}, {"Missing.common"}), MakeCommand(300, {0, 0}, {"nobody"})});
  EXPECT_EQ(gCommonEventList.Count(), 13);
  EXPECT_TRUE(RecordedNotices().empty());
}

using EventCallsDeathTest = EventCalls;

TEST_F(EventCallsDeathTest, CommonEventRecursionPastTheDepthLimitEndsWithCode1) {
  SetCommon(2, {AddTo(V + 1, 1), Call(600100)});
  EXPECT_EXIT(RunMain({Call(500002)}), ::testing::ExitedWithCode(1), "");
}

TEST_F(EventCalls, CommonEventRecursionWithinTheLimitRuns) {
  // Calls itself while its argument is below 100: depth 100 at the deepest.
  SetCommon(2, {AddTo(V + 1, 1), MakeCommand(111, {1, OwnSelf(0), 100, 0x14}), MakeCommand(401, {1}),
                MakeCommand(121, {V + 9, OwnSelf(0), 1, 0}), Call(600100, {V + 9}, 1), MakeCommand(499)});
  gCommonEventList.events[2].commands[3].indent = 1;
  gCommonEventList.events[2].commands[4].indent = 1;
  RunMain({Call(500002, {1}, 1)});
  EXPECT_EQ(Var(1), 100);
}

TEST_F(EventCalls, MapPageCallsNestAtMostAHundredDeep) {
  gTestPlay = 1;
  AddMapEvent(4, {{AddTo(V + 1, 1), MakeCommand(210, {4, 0})}});
  RunMain({MakeCommand(210, {4, 0})});
  EXPECT_EQ(Var(1), kMaxMapPageCallNesting);
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
}

TEST_F(EventCalls, AReservationBeatsAnAutoStart) {
  SetCommon(0, {SetTo(V, 1), AddTo(V + 5, 1)}, 0x01 | (2 << 4));  // auto start while v0 = 0
  SetCommon(2, {SetTo(V + 2, 1), Copy(V + 3, V + 5)});
  RunMain({MakeCommand(211, {500002, 0})});
  // The reserved event ran first: the auto-start one had not counted yet.
  EXPECT_EQ(Var(2), 1);
  EXPECT_EQ(Var(3), 0);
  EXPECT_EQ(Var(5), 1);
}

TEST_F(EventCalls, AReservationPastTheListIsDropped) {
  // Stored unchecked; the start check of the same frame drops it.
  RunMain({MakeCommand(211, {500111, 0}), SetTo(V + 1, 1)});
  EXPECT_EQ(Var(1), 1);
  EXPECT_EQ(gGameSystem.pendingCommonStart, -1);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
}

TEST_F(EventCalls, MapEventReservationsAndStartTypeOne) {
  MapEventCharacter& waiting = AddMapEvent(6, {{AddTo(V + 1, 1)}, {}});
  (void)waiting;
  RunMain({MakeCommand(211, {6, 2}), MakeCommand(211, {-1, 0})});
  EXPECT_EQ(gCurrentMap.FindMapEvent(6)->startRequest, 0);  // page 2 of 2 does not exist
  RunMain({MakeCommand(211, {6, 1})});
  EXPECT_EQ(Var(1), 1);  // started by the start check in the same frame
  EXPECT_EQ(gCurrentMap.FindMapEvent(6)->startRequest, 0);

  // Start type 1 keeps its request and starts again whenever the runner is idle.
  MapEventCharacter& automatic = *gCurrentMap.FindMapEvent(6);
  automatic.commands = Terminated({AddTo(V + 2, 1), MakeCommand(180, {1})});
  automatic.StartType = 1;
  automatic.startRequest = 1;
  gEventSystem.StartEventRunner(0, 1);
  for (int frame = 0; frame < 6; ++frame) gEventSystem.RunEventRunner();
  EXPECT_GE(Var(2), 3);
  EXPECT_EQ(automatic.startRequest, 1);
}

}  // namespace
