#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/DatabaseFixture.h"
#include "interpreter/LinkPass.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int V = 2000000;
constexpr int S0 = 3000000;

int DbFlags(int kind, int asg, int selector, int direction) {
  return kind | (asg << 4) | (selector << 8) | (direction << 12);
}
EventCommand Db(int type, int data, int content, int flags, int variable, std::vector<std::string> texts = {}) {
  EventCommand command = MakeCommand(250, {type, data, content, flags, variable});
  command.strings = texts;
  return command;
}

// Three small databases: Variable "stats" (hp, name), System "sys"
// (volume), User "items" (price, label) with named rows.
class DatabaseCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gVariableStore.stringVariables.assign(10, "");
    AddType(gVariableDatabase, "stats", {1000, 2000}, 2, {50, 0}, {"hp", "name"}, {"hero", "foe"});
    gVariableDatabase.types[0].rows[0].ints = {10};
    gVariableDatabase.types[0].rows[0].strings = {"Al"};
    AddType(gSystemDatabase, "sys", {1000}, 3, {}, {"volume"});
    gSystemDatabase.types[0].rows[2].ints = {80};
    AddType(gUserDatabase, "pad", {1000}, 1);
    AddType(gUserDatabase, "items", {1000, 2000}, 2, {}, {"price", "label"}, {"herb", "sword"});
    gUserDatabase.types[1].rows[1].ints = {300};
    gUserDatabase.types[1].rows[1].strings = {"Sword"};
    BuildDatabaseNameIndexes();
  }
  // Runs the commands as common event 0, linked or not.
  void Run(std::vector<EventCommand> commands, bool link = false) {
    gCommonEventList.events[0].commands = Terminated(std::move(commands));
    if (link) LinkCommonEventCommands();
    EventRunner runner;
    runner.StartEventRunner(0, 0);
    runner.SetupEventCall(&gCommonEventList.events[0].commands, -1, 0);
    RunUntilIdle(runner);
  }
  int Var(int n) { return gVariableStore.variableSets[0][static_cast<size_t>(n)]; }
  std::string Str(int n) { return gVariableStore.ReadStringVariable(S0 + n); }
};

TEST_F(DatabaseCommand, ReadsFromEachDatabase) {
  for (bool link : {false, true}) {
    SetUp();
    gVariableStore.variableSets[0][4] = 5;
    Run({Db(0, 0, 0, DbFlags(0, 0, 0, 1), V + 1), Db(0, 2, 0, DbFlags(0, 0, 1, 1), V + 2),
         Db(1, 1, 0, DbFlags(0, 0, 2, 1), V + 3), Db(1, 1, 0, DbFlags(0, 1, 2, 1), V + 4),
         Db(1, 1, 1, DbFlags(0, 0, 2, 1), S0 + 1), Db(0, 0, 1, DbFlags(0, 0, 0, 1), S0 + 2)},
        link);
    EXPECT_EQ(Var(1), 10) << link;
    EXPECT_EQ(Var(2), 80) << link;
    EXPECT_EQ(Var(3), 300) << link;
    EXPECT_EQ(Var(4), 305) << link;
    EXPECT_EQ(Str(1), "Sword") << link;
    EXPECT_EQ(Str(2), "Al") << link;
    EXPECT_TRUE(RecordedNotices().empty());
  }
}

TEST_F(DatabaseCommand, WritesGoToTheVariableDatabase) {
  for (bool link : {false, true}) {
    SetUp();
    gVariableStore.variableSets[0][1] = 7;
    gVariableStore.WriteStringVariable(S0, "Bo");
    Run({Db(0, 0, 0, DbFlags(0, 1, 2, 0), V + 1),       // += 7, selector User: still the Variable database
         Db(0, 1, 0, DbFlags(0, 5, 0, 0), 0),           // %= 0: remainder by 1
         Db(0, 0, 1, DbFlags(0, 1, 0, 0), S0),          // append a string variable
         Db(0, 1, 1, DbFlags(2, 0, 0, 0), 0, {"lit"}),  // literal text
         Db(0, 5, 0, DbFlags(0, 0, 0, 0), 99)},         // a new row grows the type
        link);
    EXPECT_EQ(gVariableDatabase.types[0].rows[0].ints[0], 17) << link;
    EXPECT_EQ(gVariableDatabase.types[0].rows[1].ints[0], 0) << link;
    EXPECT_EQ(gVariableDatabase.types[0].rows[0].strings[0], "AlBo") << link;
    EXPECT_EQ(gVariableDatabase.types[0].rows[1].strings[0], "lit") << link;
    ASSERT_EQ(gVariableDatabase.GetDatabaseDataCount(0), 6) << link;
    EXPECT_EQ(gVariableDatabase.types[0].rows[5].ints[0], 99) << link;
    EXPECT_EQ(gVariableDatabase.types[0].rows[4].ints[0], 50) << link;  // new rows take the defaults
    EXPECT_EQ(gUserDatabase.types[0].rows[0].ints[0], 0) << link;
  }
  // Plain 32-bit arithmetic, no clamp.
  gVariableStore.variableSets[0][1] = 2000000000;
  gVariableDatabase.types[0].rows[0].ints[0] = 2000000000;
  Run({Db(0, 0, 0, DbFlags(0, 1, 0, 0), V + 1)}, true);
  EXPECT_FALSE(gCommonEventList.events[0].commands[0].ResolvedInts.empty());  // the bound form ran
  EXPECT_EQ(gVariableDatabase.types[0].rows[0].ints[0], -294967296);
}

TEST_F(DatabaseCommand, CountsNamesAndResets) {
  Run({Db(1, -1, 0, DbFlags(0, 0, 2, 1), V + 1), Db(1, -1, -1, DbFlags(0, 0, 2, 1), V + 2),
       Db(0, -1, 0, DbFlags(0, 0, 1, 1), V + 3), Db(1, 1, -3, DbFlags(0, 0, 2, 1), S0 + 1),
       Db(1, 1, -3, DbFlags(0, 1, 2, 1), S0 + 1), Db(1, -3, 1, DbFlags(0, 0, 2, 1), S0 + 2)});
  EXPECT_EQ(Var(1), 2);
  EXPECT_EQ(Var(2), 2);  // content count wins
  EXPECT_EQ(Var(3), 3);
  EXPECT_EQ(Str(1), "swordsword");
  EXPECT_EQ(Str(2), "label");
  gVariableDatabase.types[0].rows[1].ints[0] = 3;
  Run({Db(0, 1, -2, DbFlags(0, 0, 2, 0), 0)});                // reset one row, whatever the selector
  EXPECT_EQ(gVariableDatabase.types[0].rows[1].ints[0], 50);  // the default
  EXPECT_EQ(gVariableDatabase.types[0].rows[0].ints[0], 10);
  Run({Db(0, -2, 0, DbFlags(0, 0, 0, 0), 0)});
  EXPECT_EQ(gVariableDatabase.types[0].rows[0].ints[0], 50);
  EXPECT_EQ(gVariableDatabase.types[0].rows[0].strings[0], "");
}

TEST_F(DatabaseCommand, NamesBecomeNumbers) {
  const std::vector<std::string> names{"", "items", "sword", "price"};
  for (bool link : {false, true}) {
    SetUp();
    Run({Db(0, 0, 0, DbFlags(0, 0, 2, 1) | 0x70000, V + 1, names)}, link);
    EXPECT_EQ(Var(1), 300) << link;
  }
  EXPECT_EQ(gCommonEventList.events[0].commands[0].ints[1], 1);
  EXPECT_EQ(gCommonEventList.events[0].commands[0].ints[4] & 0x70000, 0);
  // A missing name: its notice, nothing changed; its text stays for the run.
  Run({Db(0, 0, 0, DbFlags(0, 0, 2, 1) | 0x10000, V + 2, {"", "nothing", "", ""}),
       Db(1, 0, 0, DbFlags(0, 0, 2, 1) | 0x20000, V + 2, {"", "", "axe", ""})},
      true);
  EXPECT_EQ(gCommonEventList.events[0].commands[0].strings[1], "nothing");
  const auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 2u);
  // "【DB操作】 以下のタイプ名は存在しません"
  EXPECT_EQ(notices[0][0], "\x81y"
                           "DB\x91\x80\x8D\xEC\x81z \x88\xC8\x89\xBA\x82\xCC\x83^\x83"
                           "C\x83v\x96\xBC\x82\xCD"
                           "\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1");
  EXPECT_EQ(notices[0][1], "nothing");
  EXPECT_EQ(notices[1][1], "axe");
  EXPECT_EQ(Var(2), 0);
}

TEST_F(DatabaseCommand, RefusalsShowTheirNotices) {
  gVariableStore.variableSets[0][1] = -1;
  Run({Db(-1, -1 + 0, 0, DbFlags(0, 0, 0, 0), V + 1),  // data -1 is no special value when writing
       Db(0, V + 1, 0, DbFlags(0, 0, 0, 0), V + 1),    // negative data operand
       Db(0, 0, 0, DbFlags(0, 0, 0, 0), S0),           // text into an int cell
       Db(0, 0, 1, DbFlags(0, 0, 0, 0), V + 1),        // number into a text cell
       Db(0, 0, 0, DbFlags(0, 0, 0, 1), S0 + 1),       // int cell into a string variable
       Db(0, 0, 1, DbFlags(0, 0, 0, 1), V + 1)});      // text cell into a number
  const auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 7u);
  EXPECT_NE(notices[0][0].find("DB"), std::string::npos);
  EXPECT_EQ(notices[3][0].substr(0, 13), "DB\x8F\x91\x8D\x9E ERROR1");
  EXPECT_EQ(notices[4][0].substr(0, 13), "DB\x8F\x91\x8D\x9E ERROR2");
  EXPECT_EQ(notices[5][0].substr(0, 13), "DB\x93\xC7\x8D\x9E ERROR6");
  EXPECT_EQ(notices[6][0].substr(0, 13), "DB\x93\xC7\x8D\x9E ERROR7");
  EXPECT_EQ(gVariableDatabase.types[0].rows[0].ints[0], 10);
}

}  // namespace
