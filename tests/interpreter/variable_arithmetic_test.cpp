#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "interpreter/VariableArithmetic.h"

namespace {

uint32_t FixedDraw() { return 7u; }
uint32_t MaxDraw() { return 0xFFFFFFFFu; }

TEST(VariableArithmetic, ClampsToTwoBillionAndMillion) {
  EXPECT_EQ(ClampToTwoBillion(3000000000LL), 2000000000);
  EXPECT_EQ(ClampToTwoBillion(-3000000000LL), -2000000000);
  EXPECT_EQ(ClampToTwoBillion(1999999999), 1999999999);
  EXPECT_EQ(ClampToMillion(true, 1234567), 999999);
  EXPECT_EQ(ClampToMillion(true, -1234567), -999999);
  EXPECT_EQ(ClampToMillion(false, 1234567), 1234567);
}

struct IntCase {
  int op, asg, current, left, right, expected;
};

// The clamp table of integer mode: where the sums and products are limited to
// two billion, and where values are stored as computed.
TEST(VariableArithmetic, IntegerModeTable) {
  const IntCase cases[] = {
      {0, 0, 0, 1500000000, 1500000000, 2000000000},    // + clamps
      {1, 0, 0, -1500000000, 1500000000, -2000000000},  // - clamps
      {2, 0, 0, 100000, 100000, 2000000000},            // x clamps
      {0, 1, 1500000000, 1500000000, 0, 2000000000},    // += clamps
      {0, 2, -1500000000, 1500000000, 0, -2000000000},  // -= clamps
      {0, 3, -100000, 100000, 0, -2000000000},          // *= clamps
      {3, 0, 0, 7, 0, 7},                               // / by 0 counts as 1
      {4, 0, 0, 7, 0, 0},                               // mod by 0 counts as 1
      {4, 0, 0, -7, 3, -1},                             // sign of left
      {5, 0, 0, 12, 10, 8},
      {0, 4, 9, 0, 0, 9},  // /= 0 counts as 1
      {0, 5, 9, 0, 0, 0},  // %= 0: remainder by 1
      {0, 6, 5, 3, 0, 5},
      {0, 7, 5, 3, 0, 3},
      {0, 8, 5, -3, 0, 3},
      {3, 0, 0, INT_MIN, -1, INT_MAX},  // saturates, no trap
      {4, 0, 0, INT_MIN, -1, 0},
      {0, 4, INT_MIN, -1, 0, INT_MAX},
      {0, 5, INT_MIN, -1, 0, 0},
      {3, 8, 0, INT_MIN, 1, INT_MAX},  // abs(INT_MIN) saturates
      {9, 0, 0, 5, 5, 0},              // undefined operators give 0
  };
  for (const IntCase& c : cases) {
    int stored = 12345;
    const int v = IntegerOperatorStage(c.op, c.left, c.right, &FixedDraw);
    ASSERT_TRUE(IntegerAssignmentStage(c.asg, c.current, v, &stored));
    EXPECT_EQ(stored, c.expected) << "op " << c.op << " asg " << c.asg << " left " << c.left;
  }
  int stored = 12345;
  EXPECT_FALSE(IntegerAssignmentStage(9, 1, 2, &stored));
  EXPECT_EQ(stored, 12345);
}

TEST(VariableArithmetic, RandomSpansWithoutOverflow) {
  EXPECT_EQ(RandomBetween(5, 3, 7u), 3 + 7 % 3);
  EXPECT_EQ(RandomBetween(4, 4, 12345u), 4);
  // A span of 2^32 keeps the draw whole.
  EXPECT_EQ(RandomBetween(INT_MIN, INT_MAX, 0xFFFFFFFFu), INT_MAX);
  EXPECT_EQ(RandomBetween(INT_MAX, INT_MIN, 0u), INT_MIN);
  EXPECT_EQ(IntegerOperatorStage(6, INT_MIN, INT_MAX, &MaxDraw), INT_MAX);
}

struct RealCase {
  int op, asg, current, left, right, expected;
};

TEST(VariableArithmetic, RealModeTable) {
  const RealCase cases[] = {
      {3, 0, 0, 7, 2, 3},                                      // 3.5 truncated
      {3, 1, 10, 7, 2, 13},                                    // 10 + 3.5 truncated
      {3, 2, 10, 7, 2, 6},                                     // 10 - 3.5 = 6.5
      {3, 0, 0, -7, 2, -3},                                    // toward zero
      {0, 1, 2000000000, 2000000000, 2000000000, 2000000000},  // += clamps
      {0, 2, -2000000000, 2000000000, 2000000000, -2000000000},
      {2, 0, 0, 100000, 100000, 2000000000},  // product clamped first
      {3, 3, 3, 1, 2, 1},                     // *= 0.5: trunc(3 x 0.5)
      {0, 3, 100000, 100000, 0, 2000000000},  // *= clamps at the bound
      {0, 4, 9, 0, 0, 9},                     // /= 0.0 counts as 1.0
      {3, 4, 9, 1, 2, 18},                    // 9 / 0.5
      {3, 5, 9, 1, 2, 0},                     // divisor truncating to 0 counts as 1
      {0, 5, 9, 4, 0, 1},
      {3, 6, 3, 7, 2, 3},                    // cur >= 3.5? no -> 3
      {3, 7, 3, 7, 2, 3},                    // cur <= 3.5 -> cur
      {3, 8, 0, -7, 2, 3},                   // trunc(|-3.5|)
      {6, 0, 5, 1, 2, 0},                    // no random in real mode
      {0, 0, 0, INT_MAX, INT_MAX, INT_MAX},  // beyond the int range saturates
      {0, 0, 0, INT_MIN, INT_MIN, INT_MIN},
      {3, 4, INT_MIN, 1, 2, INT_MIN},  // INT_MIN / 0.5 saturates
      {4, 0, 0, INT_MIN, -1, 0},
      {0, 3, INT_MIN, INT_MIN, INT_MIN, 2000000000},  // huge product saturates
  };
  for (const RealCase& c : cases) {
    int stored = 12345;
    ASSERT_TRUE(RealAssignmentStage(c.asg, c.current, RealOperatorStage(c.op, c.left, c.right), &stored));
    EXPECT_EQ(stored, c.expected) << "op " << c.op << " asg " << c.asg << " left " << c.left;
  }
  EXPECT_EQ(TruncateRealToInt(1e300), INT_MAX);
  EXPECT_EQ(TruncateRealToInt(-1e300), INT_MIN);
}

}  // namespace
