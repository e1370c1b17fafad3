#include <climits>
#include <string>
#include <vector>

#include "RunnerFixture.h"
#include "gamedata/VariableStore.h"
#include "platform/text/Text.h"

namespace runner_test {
namespace {

using VariableOperation = RunnerTest;

constexpr int kLeftPlain = 0x4;
constexpr int kRightPlain = 0x8;
constexpr int kReal = 0x2;

int Flags(int asg, int op, int extra = kLeftPlain | kRightPlain) { return extra | (asg << 8) | (op << 12); }

struct Case {
  const char* name;
  int flags;
  int current, left, right, expected;
};

// The clamp table: the normal path limits sums, differences and products to
// two billion, keeps the other results as computed, and the million flag
// clamps what is stored.
TEST_F(VariableOperation, ClampTableIntegerMode) {
  const Case cases[] = {
      {"+= clamps", Flags(1, 0), 1500000000, 1500000000, 0, 2000000000},
      {"*= clamps", Flags(3, 0), -100000, 100000, 0, -2000000000},
      {"+ clamps", Flags(0, 0), 0, 2000000000, 2000000000, 2000000000},
      {"- clamps", Flags(0, 1), 0, -2000000000, 2000000000, -2000000000},
      {"x clamps", Flags(0, 2), 0, 60000, 60000, 2000000000},
      {"-= clamps", Flags(2, 0), -1999999999, 5, 0, -2000000000},
      {"/ by 0 is the left value", Flags(0, 3), 0, 17, 0, 17},
      {"%= by 0 stores 0", Flags(5, 0), 17, 0, 0, 0},
      {"million flag high", Flags(0, 0) | 0x1, 0, 1234567, 0, 999999},
      {"million flag low", Flags(0, 0) | 0x1, 0, -1234567, 0, -999999},
      {"abs", Flags(8, 0), 77, -9, 0, 9},
      {"max", Flags(6, 0), 4, 9, 0, 9},
      {"min", Flags(7, 0), 4, 9, 0, 4},
      {"and", Flags(0, 5), 0, 12, 10, 8},
      {"no store for 9", Flags(9, 0), 4, 9, 0, 4},
      {"INT_MIN / -1 saturates", Flags(0, 3), 0, -2147483647 - 1, -1, 2147483647},
  };
  for (const Case& c : cases) {
    SetVariable(1, c.current);
    Start({Command(121, {Var(1), c.left, c.right, c.flags})});
    runner_.RunEventRunner();
    EXPECT_EQ(Variable(1), c.expected) << c.name;
  }
}

TEST_F(VariableOperation, ClampTableRealMode) {
  const Case cases[] = {
      {"7 / 2 = 3", Flags(0, 3, kLeftPlain | kRightPlain | kReal), 0, 7, 2, 3},
      {"10 + 3.5 = 13", Flags(1, 3, kLeftPlain | kRightPlain | kReal), 10, 7, 2, 13},
      {"+= clamps", Flags(1, 0, kLeftPlain | kRightPlain | kReal), 1500000000, 1500000000, 0, 2000000000},
      {"*= 0.5", Flags(3, 3, kLeftPlain | kRightPlain | kReal), 9, 1, 2, 4},
      {"*= clamps", Flags(3, 0, kLeftPlain | kRightPlain | kReal), 100000, 100000, 0, 2000000000},
      {"product clamped first", Flags(0, 2, kLeftPlain | kRightPlain | kReal), 0, 100000, 100000, 2000000000},
      {"/= 0.0 counts as 1", Flags(4, 0, kLeftPlain | kRightPlain | kReal), 9, 0, 0, 9},
      {"%= 0.5 counts as 1", Flags(5, 3, kLeftPlain | kRightPlain | kReal), 9, 1, 2, 0},
      {"= beyond int saturates", Flags(0, 0, kLeftPlain | kRightPlain | kReal), 0, 2147483647, 2147483647, 2147483647},
      {"abs", Flags(8, 3, kLeftPlain | kRightPlain | kReal), 0, -7, 2, 3},
      {"million flag", Flags(0, 0, kLeftPlain | kRightPlain | kReal | 0x1), 0, 1234567, 0, 999999},
  };
  for (const Case& c : cases) {
    SetVariable(1, c.current);
    Start({Command(121, {Var(1), c.left, c.right, c.flags})});
    runner_.RunEventRunner();
    EXPECT_EQ(Variable(1), c.expected) << c.name;
  }
}

TEST_F(VariableOperation, OperandsReadFromVariables) {
  SetVariable(2, 30);
  SetVariable(3, 12);
  Start({Command(121, {Var(1), Var(2), Var(3), Flags(0, 1, 0)})});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(1), 18);
}

// Self number cells of common events, by their own ids and relative to the
// running common event, are read and written in place as the store would:
// a cell the store does not hold reads 0 and takes nothing, a text cell
// refuses a number with the store's notice.
TEST_F(VariableOperation, CommonSelfCellsByOwnAndRelativeIds) {
  constexpr int kOwn = 15000000;
  constexpr int kRelative = 1600000;
  struct Case {
    const char* name;
    EventCommand command;
    int event, cell, expected;  // the cell checked; event -1: normal variable `cell`
    size_t notices;
  };
  const Case cases[] = {
      {"own id", Command(121, {kOwn + 102, 7, 0, Flags(0, 0)}), 1, 2, 7, 0},
      {"relative id", Command(121, {kRelative + 3, kOwn + 101, 5, Flags(1, 2, kRightPlain)}), 1, 3, 45, 0},
      {"relative operands", Command(121, {Var(1), kRelative + 1, kRelative + 4, Flags(0, 0, 0)}), -1, 1, 13, 0},
      {"event past the list", Command(121, {Var(2), kOwn + 5001, 1, Flags(0, 0, kRightPlain)}), -1, 2, 1, 0},
      {"write past the list", Command(121, {kOwn + 5001, 9, 0, Flags(0, 0)}), 1, 1, 9, 0},
      {"text cell", Command(121, {kRelative + 5, 3, 0, Flags(0, 0)}), 1, 5, 0, 1},
  };
  for (const Case& c : cases) {
    ClearRecordedNotices();
    gVariableStore.commonSelfVariables.assign(3, std::vector<int32_t>(100, 0));
    gVariableStore.commonSelfVariables[1][1] = 9;
    gVariableStore.commonSelfVariables[1][4] = 4;
    runner_ = EventRunner();
    runner_.StartEventRunner(0, 0);
    runner_.SetupOwnEventCall({c.command, Command(-1)}, -1, 1);
    runner_.RunEventRunner();
    const int value =
        c.event < 0 ? Variable(c.cell)
                    : gVariableStore.commonSelfVariables[static_cast<size_t>(c.event)][static_cast<size_t>(c.cell)];
    EXPECT_EQ(value, c.expected) << c.name;
    EXPECT_EQ(RecordedNotices().size(), c.notices) << c.name;
  }
}

TEST_F(VariableOperation, RunWritesConsecutiveTargets) {
  Start({Command(121, {Var(1), 7, 0, Flags(0, 0) | 0x10000, 2})});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(1), 7);
  EXPECT_EQ(Variable(2), 7);
  EXPECT_EQ(Variable(3), 7);
  EXPECT_EQ(Variable(4), 0);
  Start({Command(121, {Var(5), 8, 0, Flags(0, 0) | 0x10000, -3})});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(5), 8);
  EXPECT_EQ(Variable(6), 0);
}

TEST_F(VariableOperation, IndirectTargetBelowAMillionNamesANormalVariable) {
  SetVariable(1, 12);
  Start({Command(121, {Var(1), 5, 0, Flags(0, 0) | 0x10})});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(12), 5);
  EXPECT_EQ(Variable(1), 12);
}

TEST_F(VariableOperation, IndirectOperands) {
  SetVariable(1, 0);
  SetVariable(4, 40);
  SetVariable(5, 4);  // left: variable 5 holds 4, so read normal variable 4
  Start({Command(121, {Var(1), Var(5), 2, Flags(0, 0, kRightPlain | 0x20)})});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(1), 42);
}

TEST_F(VariableOperation, StringTargetAppendsOrReplaces) {
  gVariableStore.WriteStringVariable(3000001, "abc");
  gVariableStore.WriteStringVariable(3000002, "xyz");
  Start({Command(121, {3000001, 0, 3000002, Flags(1, 0, 0)})});
  runner_.RunEventRunner();
  EXPECT_EQ(gVariableStore.ReadStringVariable(3000001), "abcxyz");
  Start({Command(121, {3000001, 0, 3000002, Flags(0, 0, 0)})});
  runner_.RunEventRunner();
  EXPECT_EQ(gVariableStore.ReadStringVariable(3000001), "xyz");
  Start({Command(121, {3000001, 0, 3000002, Flags(1, 1, 0)})});
  runner_.RunEventRunner();
  EXPECT_EQ(gVariableStore.ReadStringVariable(3000001), "xyz");
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_F(VariableOperation, NumberIntoStringTargetShowsItsNotice) {
  Start({Command(121, {3000001, 5, 0, Flags(0, 0)}), AddVar(1, 1)});
  runner_.RunEventRunner();
  const auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0][0], platform::Utf8ToCp932("エラー：[変数操作] 格納先の内容が文字列なのに"));
  EXPECT_EQ(notices[0][1], platform::Utf8ToCp932("　　数値を格納しようとしました"));
  gErrorLocation = ErrorLocation{1, -1, 0};  // where the failing command stood
  EXPECT_EQ(notices[0][2], ErrorLocationText());
  EXPECT_EQ(Variable(1), 1);  // the script goes on
}

TEST_F(VariableOperation, RandomBetweenOperands) {
  for (int i = 0; i < 50; ++i) {
    Start({Command(121, {Var(1), 5, 3, Flags(0, 6)})});
    runner_.RunEventRunner();
    EXPECT_GE(Variable(1), 3);
    EXPECT_LE(Variable(1), 5);
  }
}

// The pre-resolved path and the fast codes store what the general form
// stores, at the clamps and with divisors of 0 too.
// Bound forms (from the cells, and inline for the fast codes) of operations
// flagged plain store what the general form stores, clamps included; the
// same operations without the flags compute in 32-bit arithmetic that wraps.
TEST_F(VariableOperation, BoundFormsClampWhenFlaggedPlainAndWrapOtherwise) {
  struct BoundCase {
    int op, asg, target, left, right, wrapped;
  } cases[] = {
      {0, 0, 0, 2000000000, 2000000000, -294967296},
      {1, 0, 0, INT_MIN, 1, INT_MAX},
      {2, 0, 0, 65536, 65536, 0},
      {3, 0, 0, 7, 0, 7},
      {4, 0, 0, 7, 0, 0},
      {3, 0, 0, INT_MIN, -1, INT_MAX},
      {4, 0, 0, INT_MIN, -1, 0},
      {0, 1, INT_MAX, 1, 0, INT_MIN},
      {0, 1, 2000000000, 2000000000, 2000000000, 1705032704},
      {0, 2, -2000000000, 5, 0, -2000000005},
      {1, 3, -100000, 0, 100000, 1410065408},
      {2, 3, 3, 70000, 70000, 1815098112},
      {0, 4, 9, 0, 0, 9},
      {0, 5, 9, 0, 0, 0},
      {0, 4, INT_MIN, -1, 0, INT_MAX},
      {0, 8, 0, INT_MIN, 0, INT_MIN},
      {0, 6, 3, 5, 0, 5},
      {0, 7, 3, 5, 0, 3},
      {5, 0, 0, 12, 10, 8},
      {0, 12, 4, 9, 0, 4},
  };
  for (const BoundCase& c : cases) {
    SetVariable(1, c.target);
    Start({Command(121, {Var(1), c.left, c.right, Flags(c.asg, c.op)})});
    runner_.RunEventRunner();
    const int general = Variable(1);

    for (const bool plain : {true, false}) {
      const int flags = plain ? Flags(c.asg, c.op) : Flags(c.asg, c.op, 0);
      const int expected = plain ? general : c.wrapped;
      int target = c.target, left = c.left, right = c.right;
      EventCommand linked = Command(121, {Var(1), c.left, c.right, flags});
      linked.ResolvedInts = {c.op <= 1 && c.right == 0 ? 2 : 1, c.asg, c.op, 0, 0, 0, 0, 0};
      linked.ResolvedCells = {{&target, nullptr}, {&left, nullptr}, {&right, nullptr}};
      Start({linked});
      runner_.RunEventRunner();
      EXPECT_EQ(target, expected) << "pre-resolved op " << c.op << " asg " << c.asg << " left " << c.left << " plain "
                                  << plain;

      if (c.asg < 4 && c.op < 3) {
        int fastTarget = c.target;
        EventCommand fast = linked;
        fast.SetCode(210000 + 10 * c.asg + c.op);
        fast.ResolvedCells[0].cell = &fastTarget;
        Start({fast});
        runner_.RunEventRunner();
        EXPECT_EQ(fastTarget, expected) << "fast op " << c.op << " asg " << c.asg << " left " << c.left << " plain "
                                        << plain;
      }
    }
  }
  EXPECT_TRUE(RecordedNotices().empty());
}

// A fast code whose cells are gone (read from a file, never linked) runs the
// general form from its parameters.
TEST_F(VariableOperation, FastCodeWithoutCellsRunsTheGeneralForm) {
  SetVariable(1, 5);
  Start({Command(210010, {Var(1), 2000000000, 2000000000, Flags(1, 0)})});
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(1), 2000000000);
}

TEST_F(VariableOperation, FastFormTable) {
  struct FastCase {
    int code, target, left, right, expected;
  } cases[] = {{210000, 9, 3, 4, 7},  {210001, 9, 3, 4, -1}, {210002, 9, 3, 4, 12}, {210010, 9, 3, 4, 16},
               {210011, 9, 3, 4, 8},  {210012, 9, 3, 4, 21}, {210020, 9, 3, 4, 2},  {210021, 9, 3, 4, 10},
               {210022, 9, 3, 4, -3}, {210030, 9, 3, 4, 63}, {210031, 9, 3, 4, -9}, {210032, 9, 3, 4, 108}};
  for (const FastCase& c : cases) {
    int target = c.target, left = c.left, right = c.right;
    EventCommand fast = Command(c.code);
    fast.ResolvedCells = {{&target, nullptr}, {&left, nullptr}, {&right, nullptr}};
    Start({fast});
    runner_.RunEventRunner();
    EXPECT_EQ(target, c.expected) << c.code;
  }
  // The target may be an operand: operands are read before the store.
  int t = 5;
  EventCommand fast = Command(210010);
  fast.ResolvedCells = {{&t, nullptr}, {&t, nullptr}, {&t, nullptr}};
  Start({fast});
  runner_.RunEventRunner();
  EXPECT_EQ(t, 15);
}

TEST_F(VariableOperation, OperationRequestsPageRefresh) {
  Start({SetVar(1, 1)});
  gCurrentMap.pageRefresh = 0;
  runner_.DispatchEventCommand();
  EXPECT_EQ(gCurrentMap.pageRefresh, 1);
}

}  // namespace
}  // namespace runner_test
