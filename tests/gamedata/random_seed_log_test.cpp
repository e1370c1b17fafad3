#include <gtest/gtest.h>

#include "gamedata/DataFileScramble.h"
#include "gamedata/RandomSeedLog.h"
#include "gamedata/SaveBuffer.h"
#include "support/ByteBuilder.h"

namespace {

void ReadFrom(const std::vector<uint8_t>& bytes) {
  gSaveBuffer.BeginRead(bytes);
  gSaveBuffer.formatNumber = 111;
}

TEST(RandomSeedLogTest, NewLogHoldsOneSeedEntryWithTheUnadvancedSharedState) {
  SharedRandom(2, 0x12345);
  RandomSeedLog log;
  EXPECT_EQ(log.codes, std::vector<uint8_t>{250});
  EXPECT_EQ(log.values, std::vector<int32_t>{0x12345});
  EXPECT_EQ(SharedRandom(1, 0), 0x12345u);
  EXPECT_EQ(log.runLength, 0);
  EXPECT_EQ(log.recorderCounter, 0);
  EXPECT_EQ(log.playerCounter, 0);
}

TEST(RandomSeedLogTest, RunsAreFlushedBeforeSeedAndCompareEntries) {
  SharedRandom(2, 7);
  RandomSeedLog log;
  log.FlushReplayRun();  // an empty run adds nothing
  log.runValue = 0x0C;
  log.runLength = 40;
  log.LogCompareSeed(-5);
  log.runValue = 3;
  log.runLength = 0;  // a run of no frames is dropped even with key bits
  log.LogRandomSeed(99);
  EXPECT_EQ(log.codes, (std::vector<uint8_t>{250, 40, 251, 250}));
  EXPECT_EQ(log.values, (std::vector<int32_t>{7, 0x0C, -5, 99}));
  EXPECT_EQ(log.runValue, 0);
  EXPECT_EQ(log.runLength, 0);
}

TEST(RandomSeedLogTest, WriterStoresOnlyTheFlagByte) {
  RandomSeedLog log;
  log.LogRandomSeed(5);
  gSaveBuffer.BeginWrite();
  log.SaveRandomSeedLog();
  EXPECT_EQ(gSaveBuffer.data, std::vector<uint8_t>{0});
}

TEST(RandomSeedLogTest, ReaderTakesAStoredLogWithShortAndWideValues) {
  ByteBuilder block;
  block.Uint8(1).Int32(3).Uint8(250).Int32(-2).Uint8(12).Uint8(0xFF).Uint8(251).Int32(70000);
  ReadFrom(block.Data());
  RandomSeedLog log;
  ASSERT_TRUE(log.LoadRandomSeedLog());
  EXPECT_EQ(log.codes, (std::vector<uint8_t>{250, 12, 251}));
  EXPECT_EQ(log.values, (std::vector<int32_t>{-2, 255, 70000}));
  EXPECT_EQ(gSaveBuffer.position, block.Size());
}

TEST(RandomSeedLogTest, OtherFlagsLeaveTheLogAndBadCountsAreShortData) {
  struct Case {
    const char* name;
    ByteBuilder block;
    bool result;
    bool shortData;
  };
  std::vector<Case> cases;
  cases.push_back({"flag 0", ByteBuilder().Uint8(0), true, false});
  cases.push_back({"flag 2", ByteBuilder().Uint8(2).Int32(1), true, false});
  cases.push_back({"no flag", ByteBuilder(), false, true});
  cases.push_back({"negative count", ByteBuilder().Uint8(1).Int32(-1), false, true});
  cases.push_back({"count beyond the data", ByteBuilder().Uint8(1).Int32(1 << 30).Uint8(1).Uint8(1), false, true});
  cases.push_back({"wide value cut short", ByteBuilder().Uint8(1).Int32(1).Uint8(250).Uint8(1).Uint8(2), false, true});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    SharedRandom(2, 44);
    RandomSeedLog log;
    ReadFrom(c.block.Data());
    EXPECT_EQ(log.LoadRandomSeedLog(), c.result);
    EXPECT_EQ(gSaveBuffer.shortData, c.shortData);
    EXPECT_EQ(log.codes, std::vector<uint8_t>{250});
    EXPECT_EQ(log.values, std::vector<int32_t>{44});
  }
}

}  // namespace
