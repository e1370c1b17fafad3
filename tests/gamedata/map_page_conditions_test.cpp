#include <gtest/gtest.h>

#include "gamedata/MapData.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"

namespace {

class PageConditionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gVariableStore = VariableStore(0);
    gVariableStore.variableSets[0].assign(10, 0);
    gCurrentMap = CurrentMap{};
    gCurrentMap.mapId = 0;
    MapEventCharacter seven;
    seven.id = 7;
    seven.x = 13;
    seven.y = 21;
    gCurrentMap.eventCharacters.push_back(seven);
    MapEventCharacter zero;
    zero.id = 0;
    zero.x = 40;
    gCurrentMap.eventCharacters.push_back(zero);
  }
  void TearDown() override {
    gVariableStore = VariableStore();
    gCurrentMap = CurrentMap{};
  }
};

// One condition in use: flag = operator << 4 | 1.
PageConditions One(int op, int32_t left, int32_t right) {
  PageConditions conditions;
  conditions.conditionFlags[0] = static_cast<uint8_t>(op << 4 | 1);
  conditions.conditionLeft[0] = left;
  conditions.conditionRight[0] = right;
  return conditions;
}

TEST_F(PageConditionsTest, ConstructedAndUnusedConditionsHold) {
  EXPECT_TRUE(CheckPageConditions(PageConditions{}, 7));
  // The first flag lacks bit 0: later flags are not looked at.
  PageConditions conditions;
  conditions.conditionFlags = {0x20, 0x71, 0x71, 0x71};
  EXPECT_TRUE(CheckPageConditions(conditions, 7));
}

TEST_F(PageConditionsTest, OperatorTable) {
  gVariableStore.WriteVariable(2000001, 5);
  struct Case {
    int op;
    int32_t right;
    bool holds;
  };
  const Case cases[] = {
      {0, 4, true},  {0, 5, false},   // a > b
      {1, 5, true},  {1, 6, false},   // a >= b
      {2, 5, true},  {2, 4, false},   // a == b
      {3, 5, true},  {3, 4, false},   // a <= b
      {4, 6, true},  {4, 5, false},   // a < b
      {5, 4, true},  {5, 5, false},   // a != b
      {6, 5, true},  {6, 4, true},    // (a & b) == stored right: 5 & 4 = 4
      {6, 2, false},                  // 5 & 2 = 0
      {7, 5, false}, {15, 0, false},  // 7-15 never hold
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " right " << c.right);
    EXPECT_EQ(CheckPageConditions(One(c.op, 2000001, c.right), 7), c.holds);
  }
}

TEST_F(PageConditionsTest, BitOperatorComparesWithStoredRight) {
  gVariableStore.WriteVariable(2000002, 6);
  EXPECT_FALSE(CheckPageConditions(One(6, 2000002, 3), 7));  // 6 & 3 = 2
  gVariableStore.WriteVariable(2000002, 7);
  EXPECT_TRUE(CheckPageConditions(One(6, 2000002, 3), 7));  // 7 & 3 = 3
}

TEST_F(PageConditionsTest, AllFourConditionsMustHold) {
  gVariableStore.WriteVariable(2000001, 1);
  gVariableStore.WriteVariable(2000002, 2);
  PageConditions conditions;
  conditions.conditionFlags = {0x21, 0x21, 0x21, 0x21};
  conditions.conditionLeft = {2000001, 2000002, 2000001, 2000002};
  conditions.conditionRight = {1, 2, 1, 2};
  EXPECT_TRUE(CheckPageConditions(conditions, 7));
  conditions.conditionRight[3] = 3;
  EXPECT_FALSE(CheckPageConditions(conditions, 7));
  conditions.conditionFlags[3] = 0x20;  // the fourth is not in use
  EXPECT_TRUE(CheckPageConditions(conditions, 7));
}

TEST_F(PageConditionsTest, IdRebasingIsAsymmetric) {
  gVariableStore.WriteVariable(1000075, 11);  // self variable 5 of event 7
  gVariableStore.WriteVariable(1000005, 22);  // self variable 5 of event 0
  gVariableStore.WriteVariable(1000073, 33);  // self variable 3 of event 7
  struct Case {
    const char* name;
    int32_t left;
    int32_t right;
    bool holds;
  };
  const Case cases[] = {
      // The left side rebases the whole range 1,000,000-1,199,999 onto event 7.
      {"left absolute form", 1000005, 11, true},
      {"left relative form", 1100005, 11, true},
      {"left other event's id", 1000995, 11, true},
      // The right side rebases only 1,100,000-1,199,999; 1,000,005 stays event 0's.
      {"right absolute form", 1000075, 1000005, false},
      {"right absolute form reads event 0", 1000005, 1000005, false},
      {"right relative form", 1000005, 1100005, true},
      {"right relative cell 3", 1100003, 1100003, true},
      {"right literal", 1000003, 33, true},
      // Position forms 9,190,000-9,199,999 name this event's position fields.
      {"left position x", 9190002, 13, true},
      {"left position y", 9190003, 21, true},
      {"right position", 9100072, 9190002, true},
      {"absolute position of event 0", 9100002, 40, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckPageConditions(One(2, c.left, c.right), 7), c.holds);
  }
}

}  // namespace
