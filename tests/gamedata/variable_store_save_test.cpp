#include <gtest/gtest.h>

#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/Database.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/VariableStore.h"
#include "support/ByteBuilder.h"

namespace {

class VariableStoreSaveTest : public testing::Test {
 protected:
  void SetUp() override {
    gCommonEventList.events.clear();
    gSaveBuffer.BeginWrite();
    gSaveBuffer.formatNumber = 120;
  }
  void TearDown() override { gCommonEventList.events.clear(); }
  static void ReadBack() {
    std::vector<uint8_t> bytes = gSaveBuffer.data;
    int format = gSaveBuffer.formatNumber;
    gSaveBuffer.BeginRead(bytes);
    gSaveBuffer.formatNumber = format;
  }
};

TEST_F(VariableStoreSaveTest, BlockBytesAndRoundTrip) {
  VariableStore store(2);
  store.variableSets = {{1, 2}, {}};
  store.mapSelfVariables.resize(4);
  store.mapSelfVariables[3] = {{}, std::vector<int32_t>(10, 7)};
  store.stringVariables = {"ab", "", std::string(40000, 'q')};
  store.commonSelfVariables[1][99] = -4;
  store.commonSelfStrings[0][4] = "cell9";
  SharedRandom(2, 0xABCD);
  ASSERT_TRUE(store.SaveVariableStore());

  ByteBuilder expectedStart;
  expectedStart.Int32(0xABCD).Int32(4).Int32(0).Int32(0).Int32(0).Int32(2).Uint8(0).Uint8(10);
  ASSERT_GE(gSaveBuffer.data.size(), expectedStart.Size());
  EXPECT_EQ(std::vector<uint8_t>(gSaveBuffer.data.begin(),
                                 gSaveBuffer.data.begin() + static_cast<long>(expectedStart.Size())),
            expectedStart.Data());

  SharedRandom(2, 1);
  ReadBack();
  VariableStore loaded;
  ASSERT_TRUE(loaded.LoadVariableStore(true));
  EXPECT_EQ(SharedRandom(1, 0), 0xABCDu);
  EXPECT_EQ(loaded.mapSelfVariables, store.mapSelfVariables);
  EXPECT_EQ(loaded.variableSets, store.variableSets);
  EXPECT_EQ(loaded.stringVariables, store.stringVariables);
  EXPECT_EQ(loaded.commonSelfVariables, store.commonSelfVariables);
  EXPECT_EQ(loaded.commonSelfStrings, store.commonSelfStrings);
  EXPECT_EQ(gSaveBuffer.position, gSaveBuffer.data.size());
  EXPECT_FALSE(gSaveBuffer.shortData);
}

TEST_F(VariableStoreSaveTest, CommonEventsAddedSinceTheSaveGetFreshCells) {
  VariableStore store(3);
  store.commonSelfVariables[2][0] = 5;
  store.commonSelfStrings[2][0] = "s";
  store.SaveVariableStore();
  gCommonEventList.events.resize(5);
  ReadBack();
  VariableStore loaded;
  SharedRandom(2, 77);
  ASSERT_TRUE(loaded.LoadVariableStore(false));
  EXPECT_EQ(SharedRandom(1, 0), 77u);
  ASSERT_EQ(loaded.commonSelfVariables.size(), 5u);
  EXPECT_EQ(loaded.commonSelfVariables[2][0], 5);
  EXPECT_EQ(loaded.commonSelfVariables[4], std::vector<int32_t>(100, 0));
  ASSERT_EQ(loaded.commonSelfStrings.size(), 5u);
  EXPECT_EQ(loaded.commonSelfStrings[2][0], "s");
  EXPECT_EQ(loaded.commonSelfStrings[3], std::vector<std::string>(5));
  loaded.ResetVariableStore();
  EXPECT_EQ(loaded.commonSelfVariables.size(), 5u);
}

TEST_F(VariableStoreSaveTest, OlderSavesHaveSixteenBitStringLengths) {
  ByteBuilder block;
  block.Int32(0).Int32(0).Int32(0).Int32(2).Text16("old").Text16("").Int32(0).Int32(0);
  gSaveBuffer.BeginRead(block.Take());
  gSaveBuffer.formatNumber = 110;
  VariableStore loaded;
  ASSERT_TRUE(loaded.LoadVariableStore(false));
  EXPECT_EQ(loaded.stringVariables, (std::vector<std::string>{"old", ""}));
}

TEST_F(VariableStoreSaveTest, ShortOrNegativeFieldsFail) {
  struct Case {
    const char* what;
    ByteBuilder block;
    bool shortData;
  };
  std::vector<Case> cases;
  cases.push_back(
      {"string shorter than its length", ByteBuilder().Int32(0).Int32(0).Int32(0).Int32(1).RawText(10, "abc"), true});
  cases.push_back({"negative map count", ByteBuilder().Int32(0).Int32(-1), false});
  cases.push_back({"negative set size", ByteBuilder().Int32(0).Int32(0).Int32(1).Int32(-2), false});
  cases.push_back({"map count beyond the data", ByteBuilder().Int32(0).Int32(0x7FFFFFFF), true});
  cases.push_back({"random state cut", ByteBuilder().Int16(0), true});
  cases.push_back({"cells cut", ByteBuilder().Int32(0).Int32(1).Int32(1).Uint8(3).Int32(1), true});
  for (Case& c : cases) {
    gSaveBuffer.BeginRead(c.block.Take());
    gSaveBuffer.formatNumber = 120;
    VariableStore loaded;
    EXPECT_FALSE(loaded.LoadVariableStore(false)) << c.what;
    EXPECT_EQ(gSaveBuffer.shortData, c.shortData) << c.what;
  }
}

}  // namespace
