#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RandomScript.h"
#include "gamedata/DatabaseFixture.h"
#include "interpreter/LinkPass.h"
#include "support/CommandListBuilder.h"
#include "support/ScriptWorld.h"

namespace {

int Flags(int asg, int op) { return (asg << 8) | (op << 12); }
EventCommand Op(int target, int left, int right, int asg, int op) {
  return MakeCommand(121, {target, left, right, Flags(asg, op)});
}
EventCommand Set(int target, int value) { return Op(target, value, 0, 0, 0); }
int DbFlags(int kind, int asg, int selector, int direction) {
  return kind | (asg << 4) | (selector << 8) | (direction << 12);
}

constexpr int V = 2000000;  // normal variable 0

// Fixture common events that touch every linked form: arithmetic past the
// clamps, division and remainder by 0, self cells, branches with case lines,
// loops, label jumps and database transfers.
std::vector<EventCommandList> FixtureEvents() {
  std::vector<EventCommandList> events;
  // 0: arithmetic at and past the clamps.
  events.push_back(CommandListBuilder()
                       .Add(Op(V + 1, 999999, 2001, 0, 2))  // 2,000,997,999 clamps to 2e9
                       .Add(Op(V + 2, V + 1, 0, 0, 0))      // right literal 0
                       .Add(Op(V + 3, V + 1, V + 2, 0, 0))  // 4e9 clamps
                       .Add(Op(V + 4, V + 1, 0, 1, 0))      // += past the clamp
                       .Add(Op(V + 4, V + 1, 0, 1, 0))
                       .Add(Op(V + 5, 7, 0, 2, 0))      // -= 7
                       .Add(Op(V + 5, V + 1, 3, 3, 2))  // *= 6e9
                       .Add(Set(V + 6, 17))
                       .Add(Op(V + 6, 0, 0, 5, 0))  // %= 0: remainder by 1
                       .Add(Set(V + 7, 17))
                       .Add(Op(V + 7, 0, 0, 4, 0))            // /= 0: divide by 1
                       .Add(Op(V + 8, 9, 0, 0, 3))            // 9 / 0
                       .Add(Op(V + 9, 9, 0, 0, 4))            // 9 mod 0
                       .Add(Op(V + 10, 12, 10, 0, 5))         // AND
                       .Add(Op(V + 11, -5, 0, 8, 0))          // abs
                       .Add(Op(V + 12, V + 11, 3, 6, 0))      // max
                       .Add(Op(V + 12, V + 7, 0, 7, 0))       // min
                       .Add(Op(OwnSelf(0), V + 10, 1, 0, 0))  // own self cell
                       .Add(Op(V + 13, OwnSelf(0), OwnSelf(0), 0, 2))
                       .Add(Set(1000000000 + 100, 5))  // User database cell: not written
                       .Add(Op(V + 14, 1000000000 + 100, 0, 1, 0))
                       .Add(MakeCommand(121, {V + 16, 2000000000, 0, 0x4}))  // 2e9, flagged plain
                       .Add(Op(V + 15, V + 16, V + 16, 0, 0))                // 2e9 + 2e9
                       .Add(MakeCommand(121, {V + 17, 2000000000, 2000000000, 0x4 | 0x8}))
                       .Add(Op(V + 18, V + 16, V + 16, 8, 0))  // abs(2e9 + 2e9)
                       .Add(Op(V + 19, V + 16, 0, 0, 0))
                       .Add(Op(V + 19, V + 16, 1, 1, 3))  // += 2e9 / 1
                       .Build());
  // 1: branches (first true case wins, an "other" line, no true case), a
  // counted loop and label jumps back and forward.
  events.push_back(CommandListBuilder()
                       .Add(Set(V + 20, 10))
                       .Add(111, {3, V + 20, 5, 0x10, V + 20, 3, 0x10, V + 20, 10, 0x12})
                       .Add(401, {1})
                       .Add(Op(V + 21, 0, 1, 1, 0))
                       .WithIndent(1)
                       .Add(401, {2})
                       .Add(Op(V + 21, 0, 10, 1, 0))
                       .WithIndent(1)
                       .Add(401, {3})
                       .Add(Op(V + 21, 0, 100, 1, 0))
                       .WithIndent(1)
                       .Add(420, {0})
                       .Add(Op(V + 21, 0, 1000, 1, 0))
                       .WithIndent(1)
                       .Add(499)
                       .Add(111, {1, V + 20, V + 21, 4})
                       .Add(401, {1})
                       .Add(Op(V + 22, 0, 1, 1, 0))
                       .WithIndent(1)
                       .Add(420, {0})
                       .Add(Op(V + 22, 0, 50, 1, 0))
                       .WithIndent(1)
                       .Add(499)
                       .Add(111, {1, V + 20, 99, 2})
                       .Add(401, {1})
                       .Add(Op(V + 23, 0, 1, 1, 0))
                       .WithIndent(1)
                       .Add(499)
                       .Add(179, {4})
                       .Add(Op(V + 24, 0, 3, 1, 0))
                       .WithIndent(1)
                       .Add(498)
                       .Add(212, {}, {"top"})
                       .Add(Op(V + 25, 0, 1, 1, 0))
                       .Add(111, {1, V + 25, 3, 0x14})
                       .Add(401, {1})
                       .In()
                       .Add(213, {}, {"top"})
                       .Out()
                       .Add(499)
                       .Add(213, {}, {"skip"})
                       .Add(Set(V + 26, 1))
                       .Add(212, {}, {"skip"})
                       .Add(Op(V + 27, V + 25, V + 24, 0, 0))
                       .Build());
  // 2: database transfers: a read from the User database, writes that go to
  // the Variable database whatever the selector, %= 0 into a cell.
  events.push_back(CommandListBuilder()
                       .Add(250, {0, 1, 0, DbFlags(0, 0, 2, 1), V + 30})  // read User 0/1/0
                       .Add(250, {0, 0, 1, DbFlags(0, 1, 2, 1), V + 30})  // += User 0/0/1
                       .Add(250, {0, 1, 0, DbFlags(0, 0, 2, 0), V + 30})  // write, selector User
                       .Add(250, {0, 1, 1, DbFlags(0, 5, 0, 0), 0})       // %= 0
                       .Add(250, {0, 1, 0, DbFlags(0, 0, 0, 1), V + 31})  // read it back
                       .Add(250, {0, 1, 1, DbFlags(0, 0, 0, 1), V + 32})
                       .Add(250, {0, 0, 0, DbFlags(0, 3, 0, 0), V + 30})  // *= into a cell
                       .Build());
  return events;
}

// Variable database type 0 (two int contents) and a User database type 0.
void AddDatabases() {
  AddType(gVariableDatabase, "v", {1000, 1001}, 2, {0, 0});
  gVariableDatabase.types[0].rows[1].ints = {4, 9};
  AddType(gUserDatabase, "u", {1000, 1001}, 2);
  gUserDatabase.types[0].rows[0].ints = {1, 2};
  gUserDatabase.types[0].rows[1].ints = {300, 4};
  BuildDatabaseNameIndexes();
}

struct Outcome {
  std::vector<int32_t> variables;
  std::vector<std::vector<int32_t>> selfCells;
  std::vector<int32_t> variableDatabase;
  std::vector<int32_t> userDatabase;
  size_t notices = 0;
};

Outcome RunFixtures(bool link) {
  const auto events = FixtureEvents();
  ResetScriptWorld(static_cast<int>(events.size()));
  AddDatabases();
  for (size_t e = 0; e < events.size(); ++e) gCommonEventList.events[e].commands = events[e];
  if (link) LinkCommonEventCommands();
  for (size_t e = 0; e < events.size(); ++e) {
    EventRunner runner;
    runner.StartEventRunner(0, 0);
    runner.SetupEventCall(&gCommonEventList.events[e].commands, -1, static_cast<int>(e));
    RunUntilIdle(runner);
  }
  Outcome outcome;
  outcome.variables = gVariableStore.variableSets[0];
  outcome.selfCells = gVariableStore.commonSelfVariables;
  for (const auto& row : gVariableDatabase.types[0].rows) {
    outcome.variableDatabase.insert(outcome.variableDatabase.end(), row.ints.begin(), row.ints.end());
  }
  for (const auto& row : gUserDatabase.types[0].rows) {
    outcome.userDatabase.insert(outcome.userDatabase.end(), row.ints.begin(), row.ints.end());
  }
  outcome.notices = RecordedNotices().size();
  return outcome;
}

// Linked operations compute in 32-bit arithmetic that wraps where the
// general form clamps to two billion; those flagged plain keep the clamps.
// Everything else the two forms store alike.
TEST(LinkPass, LinkedFormsWrapWhereTheGeneralFormClampsAndAgreeOtherwise) {
  const Outcome general = RunFixtures(false);
  const Outcome linked = RunFixtures(true);
  std::vector<int32_t> wrapped = general.variables;
  wrapped[1] = 2000997999;  // 999,999 x 2,001 passes the clamp, not the int range
  wrapped[2] = 2000997999;
  wrapped[3] = -292971298;  // twice that, wrapped
  wrapped[4] = -292971298;
  wrapped[5] = 928714981;    // -7 x (3 x 2,000,997,999), wrapped at both stages
  wrapped[15] = -294967296;  // the inline 2e9 + 2e9
  wrapped[18] = 294967296;   // abs of the wrapped sum, run from the cells
  wrapped[19] = -294967296;  // += of the quotient, run from the cells
  EXPECT_EQ(linked.variables, wrapped);
  EXPECT_EQ(linked.selfCells, general.selfCells);
  EXPECT_EQ(linked.variableDatabase, general.variableDatabase);
  EXPECT_EQ(linked.userDatabase, general.userDatabase);
  EXPECT_EQ(linked.notices, general.notices);

  // The general form's values, so neither form drifts unnoticed.
  const auto& v = general.variables;
  EXPECT_EQ(v[1], 2000000000);
  EXPECT_EQ(v[3], 2000000000);
  EXPECT_EQ(v[4], 2000000000);
  EXPECT_EQ(v[5], -2000000000);
  EXPECT_EQ(v[6], 0);   // %= 0 is the remainder by 1
  EXPECT_EQ(v[7], 17);  // /= 0 divides by 1
  EXPECT_EQ(v[8], 9);
  EXPECT_EQ(v[9], 0);
  EXPECT_EQ(v[10], 8);
  EXPECT_EQ(v[11], 5);
  EXPECT_EQ(v[12], 8);
  EXPECT_EQ(v[13], 81);
  EXPECT_EQ(v[14], 300);
  EXPECT_EQ(v[15], 2000000000);
  EXPECT_EQ(v[17], 2000000000);  // flagged plain: clamped in both forms
  EXPECT_EQ(v[18], 2000000000);
  EXPECT_EQ(v[19], 2000000000);
  EXPECT_EQ(v[21], 1);   // case 1 although case 2 holds too
  EXPECT_EQ(v[22], 50);  // no condition: the other line
  EXPECT_EQ(v[23], 0);   // no condition, no other line
  EXPECT_EQ(v[24], 12);  // four passes of += 3
  EXPECT_EQ(v[25], 3);   // the backward jump ran the label's code three times
  EXPECT_EQ(v[26], 0);   // the forward jump skipped it
  EXPECT_EQ(v[27], 15);
  EXPECT_EQ(v[30], 302);
  EXPECT_EQ(v[31], 302);  // the write went to the Variable database
  EXPECT_EQ(v[32], 0);    // %= 0 in a cell is the remainder by 1
  EXPECT_EQ(general.userDatabase, (std::vector<int32_t>{1, 2, 300, 4}));
}

// A jump into a case body meets the next case line with no case taken: the
// linked line compares its number as the general form does.
TEST(LinkPass, CaseLineAfterAJumpIntoItsBodyComparesItsNumber) {
  const EventCommandList list = CommandListBuilder()
                                    .Add(213, {}, {"in"})
                                    .Add(111, {1, V + 1, 1, 0x12})
                                    .Add(401, {1})
                                    .In()
                                    .Add(212, {}, {"in"})
                                    .Out()
                                    .Add(420, {0})
                                    .Add(Set(V + 2, 1))
                                    .WithIndent(1)
                                    .Add(499)
                                    .Build();
  const ScriptOutcome general = RunScript(list, false);
  EXPECT_EQ(general.variables[2], 1);
  EXPECT_EQ(RunScript(list, true), general);
}

// Random scripts of nested branches, cases, loops and label jumps.
TEST(LinkPass, RandomScriptsGiveTheSameResultsLinkedAndGeneral) {
  for (uint32_t seed = 1; seed <= 1000; ++seed) {
    const EventCommandList list = RandomScript(seed, RandomScriptOptions{});
    const ScriptOutcome general = RunScript(list, false);
    ASSERT_FALSE(general.busy) << "seed " << seed;
    ASSERT_EQ(RunScript(list, true), general) << "seed " << seed;
  }
}

TEST(LinkPass, LinksTheFormsItPromises) {
  const auto events = FixtureEvents();
  ResetScriptWorld(static_cast<int>(events.size()));
  AddDatabases();
  for (size_t e = 0; e < events.size(); ++e) gCommonEventList.events[e].commands = events[e];
  LinkCommonEventCommands();
  const auto& arithmetic = gCommonEventList.events[0].commands;
  EXPECT_EQ(arithmetic[0].Code(), 210002);  // = left x right: the fast form
  EXPECT_EQ(arithmetic[6].Code(), 210032);
  EXPECT_EQ(arithmetic[8].Code(), 121);  // %= keeps its code and runs from its cells
  EXPECT_EQ(arithmetic[8].ResolvedInts[0], 2);
  EXPECT_EQ(arithmetic[1].ResolvedInts[0], 2);  // right operand the literal 0
  EXPECT_EQ(arithmetic[17].ResolvedCells[0].cell, &gVariableStore.commonSelfVariables[0][0]);
  EXPECT_EQ(arithmetic[22].Code(), 210000);
  EXPECT_EQ(arithmetic[23].Code(), 210000);  // flagged plain: inline too, with the clamps
  EXPECT_EQ(arithmetic[24].Code(), 121);
  const auto& flow = gCommonEventList.events[1].commands;
  EXPECT_EQ(flow[1].ResolvedInts, (std::vector<int32_t>{1, 3, 0, 0, 2, 2, 4, 6, 8}));
  EXPECT_EQ(flow[2].ResolvedInts, (std::vector<int32_t>{2, 10}));
  EXPECT_EQ(flow[8].ResolvedInts, (std::vector<int32_t>{2, 10}));
  const auto& database = gCommonEventList.events[2].commands;
  EXPECT_FALSE(database[0].ResolvedInts.empty());
  EXPECT_EQ(database[2].ResolvedCells[0].database, &gVariableDatabase);
}

// Commands whose general form the links could not reproduce stay general.
TEST(LinkPass, LeavesCommandsItCannotReproduce) {
  ResetScriptWorld(1);
  AddDatabases();
  gCommonEventList.events[0].commands = CommandListBuilder()
                                            .Add(Op(3000000, 1, 0, 0, 0))                     // 0: string target
                                            .Add(MakeCommand(121, {V + 1, 1, 0, 0x4 | 0x1}))  // 1: the million clamp
                                            .Add(111, {1, 1100000000, 0, 0x12})  // 2: Variable database operand
                                            .Add(401, {1})
                                            .Add(499)
                                            .Add(111, {1, V + 1, 0, 0x12})  // 5: two case lines for one condition
                                            .Add(401, {1})
                                            .Add(401, {1})
                                            .Add(499)
                                            .Add(212, {}, {"a"})               // 9
                                            .Add(213, {}, {"\\v[1]"})          // 10: escape in the name
                                            .Add(213, {}, {"missing"})         // 11: no such label
                                            .Add(Op(V + 1, 8000000, 0, 0, 0))  // 12: random id operand
                                            .Build();
  LinkCommonEventCommands();
  const auto& list = gCommonEventList.events[0].commands;
  EXPECT_EQ(list[0].Code(), 121);
  EXPECT_TRUE(list[0].ResolvedInts.empty());
  EXPECT_EQ(list[1].Code(), 121);
  EXPECT_TRUE(list[2].ResolvedInts.empty());
  EXPECT_TRUE(list[5].ResolvedInts.empty());
  EXPECT_EQ(list[6].ResolvedInts, (std::vector<int32_t>{1, 7}));  // plain case-line form
  EXPECT_TRUE(list[10].ResolvedInts.empty());
  EXPECT_TRUE(list[11].ResolvedInts.empty());
  EXPECT_EQ(list[12].Code(), 121);
}

// Operands flagged plain are their own parameters, whatever their value:
// such an operation links to the fast form; real mode runs from its cells.
TEST(LinkPass, PlainOperandsLinkToTheirOwnParameters) {
  const EventCommandList list = CommandListBuilder()
                                    .Add(MakeCommand(121, {V + 1, 5, 7, 0x4 | 0x8 | (1 << 8)}))
                                    .Add(MakeCommand(121, {V + 2, 2500000, V + 1, 0x4 | (2 << 12)}))
                                    .Add(MakeCommand(121, {V + 3, V + 1, 3, 0x8 | 0x2 | (3 << 12)}))
                                    .Build();
  ResetScriptWorld(1);
  gCommonEventList.events[0].commands = list;
  LinkCommonEventCommands();
  const auto& linked = gCommonEventList.events[0].commands;
  EXPECT_EQ(linked[0].Code(), 210010);
  EXPECT_EQ(linked[0].ResolvedCells[1].cell, &linked[0].ints[2]);
  EXPECT_EQ(linked[0].ResolvedCells[2].cell, &linked[0].ints[3]);
  EXPECT_EQ(linked[1].Code(), 210002);
  EXPECT_EQ(linked[1].ResolvedCells[1].cell, &linked[1].ints[2]);
  EXPECT_EQ(linked[2].Code(), 121);
  EXPECT_EQ(linked[2].ResolvedInts[3], 1);
  EXPECT_EQ(linked[2].ResolvedCells[2].cell, &linked[2].ints[3]);
  EXPECT_EQ(RunScript(list, true), RunScript(list, false));
}

TEST(LinkPass, AnEscapedLabelKeepsEveryJumpOfItsListGeneral) {
  ResetScriptWorld(1);
  gCommonEventList.events[0].commands =
      CommandListBuilder().Add(212, {}, {"\\v[1]"}).Add(212, {}, {"a"}).Add(213, {}, {"a"}).Build();
  LinkCommonEventCommands();
  EXPECT_TRUE(gCommonEventList.events[0].commands[2].ResolvedInts.empty());
}

// Bound cells stay valid while the Variable database grows on access, and a
// second pass starts from the general forms.
TEST(LinkPass, BoundCellsSurviveGrowthAndRelinking) {
  ResetScriptWorld(1);
  AddDatabases();
  const int cell = 1100000000 + 1 * 100 + 1;  // Variable database 0/1/1
  gCommonEventList.events[0].commands =
      CommandListBuilder().Add(Op(cell, V + 5, 5, 1, 0)).Add(Op(V + 1, cell, 0, 0, 0)).Build();
  LinkCommonEventCommands();
  LinkCommonEventCommands();
  ASSERT_EQ(gCommonEventList.events[0].commands[0].Code(), 210010);
  // Reading row 500 grows the type: the rows move, their cells do not.
  EXPECT_EQ(gVariableStore.ReadVariable(1100000000 + 500 * 100), 0);
  ASSERT_GE(gVariableDatabase.GetDatabaseDataCount(0), 501);
  EventRunner runner;
  runner.StartEventRunner(0, 0);
  runner.SetupEventCall(&gCommonEventList.events[0].commands, -1, 0);
  RunUntilIdle(runner);
  EXPECT_EQ(gVariableDatabase.types[0].rows[1].ints[1], 14);
  EXPECT_EQ(gVariableStore.variableSets[0][1], 14);
}

// The main runner runs copies of linked lists: their links still work.
TEST(LinkPass, CopiesKeepTheirLinks) {
  ResetScriptWorld(1);
  gCommonEventList.events[0].commands =
      CommandListBuilder().Add(Op(V + 1, 999999, 2001, 0, 2)).Add(Op(V + 2, V + 1, 2, 1, 1)).Add(Set(V, 1)).Build();
  gCommonEventList.events[0].triggerFlags = 0x01 | (2 << 4);  // auto start while v0 = 0
  LinkCommonEventCommands();
  gEventSystem.StartEventRunner(0, 1);
  gEventSystem.RunEventRunner();
  // The linked product is not clamped, as the general form's would be.
  EXPECT_EQ(gVariableStore.variableSets[0][1], 2000997999);
  EXPECT_EQ(gVariableStore.variableSets[0][2], 2000997997);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
}

// The list's pool holds the inline operations' cells; a change of any
// command's cells after the pass and a list cut short run what the
// commands' own cells say; a copy of the list shares the pool.
TEST(LinkPass, PoolOfCellsYieldsToTheCommandsOwnCells) {
  auto& sets = gVariableStore.variableSets;
  using Change = EventCommandList* (*)(EventCommandList & list, EventCommandList & spare);
  struct Case {
    const char* name;
    Change change;
    std::vector<int32_t> expected;  // v1, v2, v3
  };
  const std::vector<Case> cases = {
      {"as linked", [](EventCommandList& list, EventCommandList&) { return &list; }, {5, 8, 0}},
      {"target cell changed",
       [](EventCommandList& list, EventCommandList&) {
         list[1].ResolvedCells[0].cell = &gVariableStore.variableSets[0][3];
         return &list;
       },
       {5, 0, 8}},
      {"cells dropped",
       [](EventCommandList& list, EventCommandList&) {
         list[1].ResolvedCells.clear();
         list[1].ints[1] = V + 3;  // the general form runs from the parameters
         return &list;
       },
       {5, 0, 8}},
      {"command replaced",
       [](EventCommandList& list, EventCommandList&) {
         list[1] = Op(V + 3, V + 1, 4, 1, 0);
         return &list;
       },
       {5, 0, 9}},
      {"cut short",
       [](EventCommandList& list, EventCommandList&) {
         list.pop_back();
         return &list;
       },
       {5, 8, 0}},
      {"copied",
       [](EventCommandList& list, EventCommandList& spare) {
         spare = list;
         return &spare;
       },
       {5, 8, 0}},
  };
  for (const Case& c : cases) {
    ResetScriptWorld(1);
    gCommonEventList.events[0].commands =
        CommandListBuilder().Add(Op(V + 1, 5, 0, 0, 0)).Add(Op(V + 2, V + 1, 3, 1, 0)).Build();
    LinkCommonEventCommands();
    EventCommandList& list = gCommonEventList.events[0].commands;
    ASSERT_EQ(list[1].Code(), 210010) << c.name;
    const EventCommandExtra* last = list.back().extra.get();
    ASSERT_TRUE(last && last->listPool) << c.name;
    EXPECT_EQ(last->listPool->lines[1].target, &sets[0][2]) << c.name;
    EventCommandList spare;
    const EventCommandList* run = c.change(list, spare);
    EventRunner runner;
    runner.StartEventRunner(0, 0);
    runner.SetupEventCall(run, -1, 0);
    RunUntilIdle(runner);
    EXPECT_EQ((std::vector<int32_t>{sets[0][1], sets[0][2], sets[0][3]}), c.expected) << c.name;
  }
}

}  // namespace
