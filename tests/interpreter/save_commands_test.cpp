#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/GameText.h"
#include "gamedata/SaveWorld.h"
#include "interpreter/EventRunner.h"
#include "interpreter/StringOperation.h"
#include "shell/ShellServices.h"
#include "support/CommandListBuilder.h"

namespace {

constexpr int kStringVar = 3000000;

class SaveCommandsTest : public SaveWorldTest {
 protected:
  // Runs the commands in a fresh runner for one frame; false when the frame
  // was cut short by a load.
  void Run(std::vector<EventCommand> commands) {
    commands.push_back(MakeCommand(-1));
    runner_ = EventRunner();
    runner_.StartEventRunner(0, 0);
    runner_.SetupOwnEventCall(commands, -1, -1);
    gEventAbortFlag = 0;
    runner_.RunEventRunner();
  }
  static int Var(int n) { return gVariableStore.variableSets[0][static_cast<size_t>(n)]; }
  static void SetVar(int n, int value) { gVariableStore.variableSets[0][static_cast<size_t>(n)] = value; }
  static EventCommand SetVarCommand(int n, int value) { return MakeCommand(121, {2000000 + n, value, 0, 0x4 | 0x8}); }

  EventRunner runner_;
};
INSTANTIATE_TEST_SUITE_P(Plain, SaveCommandsTest, testing::Values(false));

TEST_P(SaveCommandsTest, SaveLoadAndReadOrWriteOneValue) {
  FillLiveState();
  SetVar(5, 55);
  Run({MakeCommand(220, {0, 3})});
  ASSERT_TRUE(std::filesystem::exists("Save/SaveData03.sav"));

  // 221: slot 3, variable 5 -> variable 6; then through an operand: variable
  // 7 holds the id 2,000,005.
  SetVar(5, 1);
  SetVar(7, 2000005);
  Run({MakeCommand(221, {2000006, 3, 2000005, 0}), MakeCommand(221, {2000008, 3, 2000007, 1})});
  EXPECT_EQ(Var(6), 55);
  EXPECT_EQ(Var(8), 55);
  // Into a string variable; a negative slot gives the error text.
  Run({MakeCommand(221, {kStringVar + 1, 3, kStringVar + 0, 0}), MakeCommand(221, {kStringVar + 0, -1, 0, 0})});
  EXPECT_EQ(gVariableStore.stringVariables[1], "one");
  EXPECT_EQ(gVariableStore.stringVariables[0], Cp932Text("ERROR -1番目以下のデータを読みに行っています"));

  // 222: variable 9's value into variable 5 of slot 3; the live game keeps its own.
  SetVar(9, 77);
  Run({MakeCommand(222, {2000009, 3, 2000005, 0})});
  EXPECT_EQ(Var(5), 1);
  gSaveManager = SaveManager();
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(3, 2000005, "Save\\SaveData"), 77);

  // A failed load goes on with the next line; a load ends the frame and the
  // loaded game starts idle.
  Run({MakeCommand(220, {1, 4}), SetVarCommand(20, 1)});
  EXPECT_EQ(Var(20), 1);
  EXPECT_EQ(gEventAbortFlag, 0);
  Run({MakeCommand(220, {1, 3}), SetVarCommand(21, 1)});
  EXPECT_EQ(gEventAbortFlag, 1);
  EXPECT_EQ(Var(5), 77);
  EXPECT_EQ(Var(21), 0);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
}

TEST_P(SaveCommandsTest, TheMainRunnerLoadingTheGameOutlivesTheLoad) {
  FillLiveState();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(2, true, "Save\\SaveData"));
  // A called event of the main runner loads: the runner that runs the
  // command is replaced under it.
  EventCommandList list{MakeCommand(220, {1, 2}), SetVarCommand(30, 1), MakeCommand(-1)};
  gEventSystem.SetupOwnEventCall(list, -1, -1);
  gEventAbortFlag = 0;
  gEventSystem.RunEventRunner();
  EXPECT_EQ(gEventAbortFlag, 1);
  EXPECT_EQ(Var(30), 0);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
}

TEST_P(SaveCommandsTest, StemsOutsideTheGameFolderAreRefused) {
  FillLiveState();
  std::filesystem::create_directories("MySaves");
  const std::filesystem::path outside = std::filesystem::current_path().parent_path() / "x";
  const bool outsideBefore = std::filesystem::exists(outside);
  struct Case {
    std::string stem;
    bool accepted;
    const char* file;  // written inside the game folder when accepted
  };
  const std::vector<Case> cases{
      {"..\\x", false, nullptr},
      {"C:\\x", false, nullptr},
      {"/x", false, nullptr},
      {"\\\\host\\x", false, nullptr},
      {"Save\\..\\..\\x", false, nullptr},
      {"x", true, "x"},
      {"MySaves\\A", true, "MySaves/A"},
      // The second byte of this two-byte character is 0x5C, no separator.
      {"\x95\x5C", true, "\xE8\xA1\xA8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stem);
    gSaveManager = SaveManager();
    gVariableStore.stringVariables[0] = c.stem;
    EXPECT_EQ(IsWritableFileName(c.stem), c.accepted);
    Run({MakeCommand(220, {0, kStringVar}), MakeCommand(221, {2000040, kStringVar, 2000005, 0})});
    EXPECT_EQ(gSaveManager.snapshots.empty(), !c.accepted);
    if (c.accepted) {
      EXPECT_TRUE(std::filesystem::exists(c.file));
      EXPECT_EQ(Var(40), 55);
    }
  }
  EXPECT_EQ(std::filesystem::exists(outside), outsideBefore);
}

TEST_P(SaveCommandsTest, InternetCommandFinishesAtOnce) {
  gInternetConnection = InternetConnection();
  EXPECT_EQ(gVariableStore.ReadVariable(9000048), -1);
  Run({MakeCommand(260, {0, 1, 5}, {"http://example.invalid/\\v[1]", "x"})});
  EXPECT_EQ(gVariableStore.ReadVariable(9000048), 0);
}

class PartyCommandTest : public SaveCommandsTest {
 protected:
  void SetUp() override {
    SaveCommandsTest::SetUp();
    gHero.party.resize(2);  // P = 2
  }
  static std::vector<std::string> Names() {
    std::vector<std::string> names{gHero.graphicName};
    for (const MapCharacter& member : gHero.party) names.push_back(member.graphicName);
    return names;
  }
  static void SetNames(const std::vector<std::string>& names) {
    gHero.graphicName = names[0];
    for (size_t k = 1; k < names.size(); ++k) gHero.party[k - 1].graphicName = names[k];
  }
  static EventCommand Party(int word, int position = 0, const std::string& name = "") {
    return MakeCommand(270, {word, position, 0}, {name});
  }
};
INSTANTIATE_TEST_SUITE_P(Plain, PartyCommandTest, testing::Values(false));

TEST_P(PartyCommandTest, SlotOperations) {
  using Names3 = std::vector<std::string>;
  struct Case {
    const char* what;
    Names3 before;
    EventCommand command;
    Names3 after;
  };
  const std::vector<Case> cases{
      {"compact", {"A", "", "B"}, Party(4 | (0 << 4)), {"A", "B", ""}},
      {"compact of an empty party", {"", "", ""}, Party(4 | (0 << 4)), {"", "", ""}},
      {"empty every slot", {"A", "B", "C"}, Party(4 | (1 << 4)), {"", "", ""}},
      {"replace at position 1 is the hero", {"A", "B", "C"}, Party(2, 1, "H"), {"H", "B", "C"}},
      {"insert shifts and drops the last", {"A", "B", "C"}, Party(1, 1, "N"), {"N", "A", "B"}},
      {"remove at position 3", {"A", "B", "C"}, Party(0, 3), {"A", "B", ""}},
      {"position past the party names nothing", {"A", "B", "C"}, Party(1, 5, "N"), {"A", "B", "C"}},
      {"remove by a name no slot has", {"A", "B", "A"}, Party(3, 0, "Z"), {"A", "B", "A"}},
      {"remove by name", {"A", "B", "A"}, Party(3, 0, "A"), {"", "B", ""}},
      {"restore before any remember", {"A", "B", "C"}, Party(4 | (8 << 4)), {"", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gEventSystem.savedPartyNames.clear();
    SetNames(c.before);
    Run({c.command});
    EXPECT_EQ(Names(), c.after);
  }
  // Remember, change, restore.
  SetNames({"A", "B", "C"});
  Run({Party(4 | (7 << 4)), Party(4 | (1 << 4))});
  EXPECT_EQ(gEventSystem.savedPartyNames, (Names3{"A", "B", "C"}));
  Run({Party(4 | (8 << 4))});
  EXPECT_EQ(Names(), (Names3{"A", "B", "C"}));
  // The name from a string variable.
  gVariableStore.stringVariables = {"", "FromVar"};
  Run({MakeCommand(270, {2 | 0x100, 2, kStringVar + 1}, {"unused"})});
  EXPECT_EQ(Names()[1], "FromVar");
}

TEST_P(PartyCommandTest, PositionsOutsideOneToSixShowTheirNoticeAndChangeNothing) {
  SetNames({"A", "B", "C"});
  for (int position : {0, 7}) {
    ClearRecordedNotices();
    Run({Party(2, position, "X")});
    ASSERT_EQ(RecordedNotices().size(), 1u);
    EXPECT_EQ(RecordedNotices()[0][0],
              Cp932Text(position == 0 ? "キャラ操作エラー：「0」人目以下の値が指定されました"
                                      : "キャラ操作エラー：「7」人目以上の値が指定されました"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
  }
}

TEST_P(PartyCommandTest, PartyWideSwitches) {
  gEventSystem.heroOpacity = 3;
  gHero.party[0].loadedExtraGraphic = 5;
  Run({Party(4 | (5 << 4))});
  EXPECT_EQ(gHero.opacity, 0);
  EXPECT_EQ(gHero.party[1].opacity, 0);
  EXPECT_EQ(gHero.party[0].loadedExtraGraphic, -1);
  EXPECT_EQ(gHero.party[0].ContactRangeBytes[0], 3);
  Run({Party(4 | (6 << 4)), Party(4 | (10 << 4))});
  EXPECT_EQ(gHero.party[1].opacity, 255);
  EXPECT_EQ(gEventSystem.partyFollowing, 0);
  gHero.formationDirection = 6;
  Run({Party(4 | (3 << 4)), Party(4 | (9 << 4))});
  EXPECT_EQ(gHero.formationMode, 1);
  EXPECT_EQ(gHero.formationDirection, 0);
  EXPECT_EQ(gEventSystem.partyFollowing, 1);
  Run({Party(4 | (4 << 4))});
  EXPECT_EQ(gHero.formationMode, 0);
  gHero.x = 9;
  Run({Party(4 | (2 << 4))});
  EXPECT_EQ(gHero.party[1].x, 9);
}

}  // namespace
