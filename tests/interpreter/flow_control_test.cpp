#include <string>
#include <vector>

#include "RunnerFixture.h"

namespace runner_test {
namespace {

using FlowControl = RunnerTest;

// Branch on variable 1: condition list of (operator, right value) pairs.
EventCommand Branch(std::initializer_list<std::pair<int, int>> conditions, int indent = 0) {
  EventCommand command = Command(111, {static_cast<int>(conditions.size())}, indent);
  for (const auto& [op, right] : conditions) {
    command.ints.push_back(Var(1));
    command.ints.push_back(right);
    command.ints.push_back(op | 0x10);
  }
  return command;
}

TEST_F(FlowControl, CountedLoopRunsItsCountAndZeroSkips) {
  struct Case {
    int count, expected;
  } cases[] = {{3, 3}, {1, 1}, {0, 0}, {-4, 0}};
  for (const Case& c : cases) {
    SetVariable(2, 0);
    Start({Command(179, {c.count}), AddVar(2, 1, 1), Command(498), AddVar(3, 0)});
    runner_.RunEventRunner();
    EXPECT_EQ(Variable(2), c.expected) << "count " << c.count;
    EXPECT_TRUE(runner_.loopIndents.empty());
  }
}

// A count of 2,000,000,001 leaves the endless mark after the first pass: the
// loop still counts down. Only a loop that started endless keeps its count.
TEST_F(FlowControl, OnlyALoopThatStartsEndlessKeepsItsCount) {
  struct Case {
    EventCommand start;
    bool endless;
  } cases[] = {{Command(179, {Var(5)}), false}, {Command(170), true}};
  for (const Case& c : cases) {
    SetVariable(2, 0);
    SetVariable(5, 2000000001);
    Start({c.start, AddVar(2, 1, 1), Command(498)});
    runner_.RunEventRunner();  // stops at the frame's command limit
    ASSERT_EQ(runner_.loopCounts.size(), 1u);
    ASSERT_GT(Variable(2), 2);
    if (c.endless) {
      EXPECT_EQ(runner_.loopCounts.back(), EventRunner::kEndlessLoopCount);
    } else {
      // One less per pass made (the frame may stop between body and end).
      const int64_t passes = 2000000000 - int64_t{runner_.loopCounts.back()};
      EXPECT_TRUE(passes == Variable(2) || passes == Variable(2) - 1) << passes;
    }
  }
}

TEST_F(FlowControl, CountedLoopCountReadFromVariable) {
  SetVariable(5, 4);
  Start({Command(179, {Var(5)}), AddVar(2, 1, 1), Command(498)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 4);
}

TEST_F(FlowControl, BreakAndContinue) {
  // Endless loop: add 1; if var2 >= 5 break; continue; (never reached)
  Start({Command(170), AddVar(2, 1, 1), Command(111, {1, Var(2), 5, 1 | 0x10}, 1), Command(401, {1}, 1),
         Command(171, {}, 2), Command(499, {}, 1), Command(176, {}, 1), AddVar(3, 1, 1), Command(498), AddVar(4, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 5);
  EXPECT_EQ(Variable(3), 0);
  EXPECT_EQ(Variable(4), 1);
}

TEST_F(FlowControl, ContinueInTheLastPassLeavesTheLoop) {
  Start({Command(179, {2}), AddVar(2, 1, 1), Command(176, {}, 1), AddVar(3, 1, 1), Command(498), AddVar(4, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 2);
  EXPECT_EQ(Variable(3), 0);
  EXPECT_EQ(Variable(4), 1);
  EXPECT_TRUE(runner_.loopIndents.empty());
}

TEST_F(FlowControl, BackwardJumpLeavesTheLoopItJumpsOutOf) {
  // 0 label "top"; 1 add var2; 2 loop; 3 add var3; 4 if var2 < 3: jump top; 6 break; 8 loop end
  Start({Command(212, {}, 0, {"top"}), AddVar(2, 1), Command(170), AddVar(3, 1, 1),
         Command(111, {1, Var(2), 3, 4 | 0x10}, 1), Command(401, {1}, 1), Command(213, {}, 2, {"top"}),
         Command(499, {}, 1), Command(171, {}, 1), Command(498)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 3);
  EXPECT_EQ(Variable(3), 3);
  EXPECT_TRUE(runner_.loopIndents.empty());
  EXPECT_FALSE(runner_.IsEventRunnerBusy());
}

TEST_F(FlowControl, ForwardJumpIntoACountedLoopRunsTheRestOnce) {
  Start({Command(213, {}, 0, {"in"}), Command(179, {5}), AddVar(2, 1, 1), Command(212, {}, 1, {"in"}), AddVar(3, 1, 1),
         Command(498), AddVar(4, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 0);
  EXPECT_EQ(Variable(3), 1);
  EXPECT_EQ(Variable(4), 1);
  EXPECT_TRUE(runner_.loopIndents.empty());
}

TEST_F(FlowControl, FirstLabelOfANameWinsAndMissingLabelGoesOn) {
  Start({Command(213, {}, 0, {"L"}), Command(212, {}, 0, {"L"}), AddVar(2, 1), Command(172), Command(212, {}, 0, {"L"}),
         AddVar(2, 100)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
  Start({Command(213, {}, 0, {"nowhere"}), AddVar(3, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(3), 1);
}

TEST_F(FlowControl, FirstHoldingConditionWins) {
  SetVariable(1, 10);
  Start({Branch({{0, 5}, {0, 3}, {2, 10}}), Command(401, {1}), AddVar(2, 1, 1), Command(401, {2}), AddVar(2, 10, 1),
         Command(401, {3}), AddVar(2, 100, 1), Command(499), AddVar(3, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
  EXPECT_EQ(Variable(3), 1);
}

TEST_F(FlowControl, ElseCaseRunsWhenNothingHolds) {
  SetVariable(1, 1);
  Start({Branch({{0, 5}}), Command(401, {1}), AddVar(2, 1, 1), Command(420, {0}), AddVar(2, 10, 1), Command(499)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 10);
}

TEST_F(FlowControl, NumericOperatorTable) {
  struct Case {
    int op, left, right;
    bool holds;
  } cases[] = {{0, 5, 3, true}, {0, 3, 3, false}, {1, 3, 3, true},  {2, 3, 3, true},  {3, 4, 3, false}, {4, 2, 3, true},
               {5, 2, 3, true}, {6, 7, 5, true},  {6, 2, 6, false}, {7, 1, 1, false}, {15, 1, 1, false}};
  for (const Case& c : cases) EXPECT_EQ(CompareByOperator(c.op, c.left, c.right), c.holds) << c.op;
}

TEST_F(FlowControl, StringBranchOperators) {
  gVariableStore.WriteStringVariable(3000001, "hello world");
  struct Case {
    int op;
    std::string right;
    int expected;
  } cases[] = {{0, "hello world", 1}, {0, "hello", 0}, {1, "hello", 1}, {2, "lo w", 1}, {2, "", 1}, {3, "", 0}};
  for (const Case& c : cases) {
    EventCommand branch =
        Command(112, {1, static_cast<int>((static_cast<uint32_t>(c.op) << 28) | 3000001u)}, 0, {c.right});
    Start({branch, Command(180, {1})});
    runner_.RunEventRunner();
    EXPECT_EQ(runner_.localArea[0], c.expected) << "op " << c.op << " right " << c.right;
  }
}

TEST_F(FlowControl, LinkedBranchJumpsToItsCaseLine) {
  int left = 10, five = 5;
  EventCommand branch = Branch({{0, 5}});
  branch.ResolvedInts = {1, 1, 0, 0, 0, 1, 0, 0, 3};
  branch.ResolvedCells = {{&left, nullptr}, {&five, nullptr}};
  Start({branch, Command(401, {1}), AddVar(2, 1, 1), Command(420, {0}), AddVar(2, 10, 1), Command(499)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
  left = 1;
  runner_.ownCommandList[0].ResolvedCells = {{&left, nullptr}, {&five, nullptr}};
  runner_.SetupEventCall(&runner_.ownCommandList, -1, -1);
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 11);
}

TEST_F(FlowControl, DeepIndentsHaveTheirOwnSlot) {
  SetVariable(1, 1);
  Start({Branch({{2, 1}}, 200), Command(401, {1}, 200), AddVar(2, 1, 201), Command(499, {}, 200)});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
  EXPECT_EQ(runner_.localArea[200], -100);
}

TEST_F(FlowControl, EraseOtherEventEndsTheFrame) {
  MapEventCharacter event;
  event.id = 3;
  gCurrentMap.eventCharacters.push_back(event);
  Start({Command(173, {3, 12}), AddVar(2, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.eventCharacters[0].eraseTotal, 12);
  EXPECT_EQ(Variable(2), 0);
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
}

TEST_F(FlowControl, EraseRunningEventEndsTheRun) {
  MapEventCharacter event;
  event.id = 3;
  gCurrentMap.eventCharacters.push_back(event);
  Start({Command(173, {-1, 4}), AddVar(2, 1)});
  runner_.mapEventId = 3;
  runner_.mapId = gCurrentMap.mapId;
  runner_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.eventCharacters[0].eraseTotal, 4);
  EXPECT_FALSE(runner_.IsEventRunnerBusy());
  EXPECT_EQ(Variable(2), 0);
}

TEST_F(FlowControl, ReturnToTitleStopsTheLoop) {
  Start({Command(174), AddVar(2, 1)});
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.runState, 0);
  EXPECT_FALSE(runner_.IsEventRunnerBusy());
  EXPECT_EQ(Variable(2), 0);
}

TEST_F(FlowControl, WaitForMovesHoldsWhileARouteRuns) {
  gHero.routeRunning = 1;
  Start({Command(202), AddVar(2, 1)});
  runner_.RunEventRunner();
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 0);
  gHero.routeRunning = 0;
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(2), 1);
}

}  // namespace
}  // namespace runner_test
