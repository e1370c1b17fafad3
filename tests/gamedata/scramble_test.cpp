#include <gtest/gtest.h>

#include <numeric>

#include "gamedata/DataFileCursor.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/TestText.h"
#include "shell/NoticeBox.h"
#include "support/ScrambledFileWriter.h"

namespace {

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  return bytes;
}

TEST(ScrambleDataBody, FirstPassFollowsTheGeneratorOfTheFileFormat) {
  // Seed 1 draws 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464.
  std::vector<uint8_t> bytes(10, 0);
  const uint8_t seed = 1;
  ScrambleDataBody("x", bytes.data(), 0, bytes.size(), 1, &seed, 0, nullptr);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 4, 1, 6, 4, 3, 2, 7, 6, 5}));
}

TEST(ScrambleDataBody, UnscramblesWhatTheWriterScrambled) {
  for (DataFileKind kind : {DataFileKind::GameDat, DataFileKind::Database, DataFileKind::Map, DataFileKind::Save}) {
    std::vector<uint8_t> plain = Pattern(1000);
    std::vector<uint8_t> file = WriteScrambledFile(kind, plain);
    size_t header = DataFileHeaderLength(kind);
    auto seedAt = DataFileSeedOffsets(kind);
    uint8_t seeds[3] = {file[seedAt[0]], file[seedAt[1]], file[seedAt[2]]};
    ASSERT_NE(std::vector<uint8_t>(file.begin() + static_cast<long>(header), file.end()), plain);
    ScrambleDataBody("x", file.data(), header, file.size(), 3, seeds, 0, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + static_cast<long>(header), file.end()), plain);
  }
}

TEST(ScrambleDataBody, ScrambleStoresThePlainSumThatVerificationAccepts) {
  std::vector<uint8_t> plain = Pattern(300);
  std::vector<uint8_t> bytes = plain;
  uint8_t seeds[3] = {9, 200, 33};
  uint8_t check[3] = {0, 0, 0};
  ScrambleDataBody("x", bytes.data(), 0, bytes.size(), 3, seeds, -3, check);
  EXPECT_EQ(check[0], static_cast<uint8_t>(std::accumulate(plain.begin(), plain.end(), 0u)));
  for (size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(bytes[i] & ~7, plain[i] & ~7) << i;
  ScrambleDataBody("x", bytes.data(), 0, bytes.size(), 3, seeds, 0, nullptr);
  EXPECT_EQ(bytes, plain);
  ScrambleDataBody("x", bytes.data(), 0, bytes.size(), 0, nullptr, 3, check);  // returns: sum matches
}

TEST(ScrambleDataBody, AllZeroSeedsLeaveTheBodyAndSkipTheCheck) {
  std::vector<uint8_t> bytes = Pattern(50);
  const std::vector<uint8_t> plain = bytes;
  uint8_t seeds[3] = {0, 0, 0};
  uint8_t check[1] = {0x77};
  ScrambleDataBody("x", bytes.data(), 0, bytes.size(), 3, seeds, 3, check);
  EXPECT_EQ(bytes, plain);
}

TEST(ScrambleDataBody, ZeroSeedIsValidOnceAnotherSeedIsNot) {
  std::vector<uint8_t> plain = Pattern(64);
  ScrambleOptions options;
  options.seeds = {1, 0, 0};
  std::vector<uint8_t> file = WriteScrambledFile(DataFileKind::Database, plain, options);
  std::vector<uint8_t> firstPassOnly = plain;
  const uint8_t one = 1;
  ScrambleDataBody("x", firstPassOnly.data(), 0, firstPassOnly.size(), 1, &one, 0, nullptr);
  EXPECT_NE(std::vector<uint8_t>(file.begin() + 10, file.end()), firstPassOnly);
  uint8_t seeds[3] = {1, 0, 0};
  ScrambleDataBody("x", file.data(), 10, file.size(), 3, seeds, 0, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 10, file.end()), plain);
}

TEST(ScrambleDataBody, EmptyRangesChangeNothingAndSumToZero) {
  std::vector<uint8_t> bytes = Pattern(20);
  const std::vector<uint8_t> plain = bytes;
  uint8_t seeds[3] = {4, 5, 6};
  ScrambleDataBody("x", bytes.data(), 10, 10, 3, seeds, 0, nullptr);
  ScrambleDataBody("x", bytes.data(), 12, 5, 3, seeds, 0, nullptr);
  EXPECT_EQ(bytes, plain);
  uint8_t zero = 0;
  ScrambleDataBody("x", bytes.data(), 10, 10, 0, nullptr, 3, &zero);
}

using ScrambleDataBodyDeathTest = testing::Test;

TEST_F(ScrambleDataBodyDeathTest, FailedCheckShowsTheNoticeAndEndsWithCode1) {
  std::vector<uint8_t> bytes = Pattern(20);
  uint8_t check = 1;
  EXPECT_EXIT(ScrambleDataBody("BasicData\\X.dat", bytes.data(), 10, 10, 0, nullptr, 3, &check),
              testing::ExitedWithCode(1), TamperedFileNotice("BasicData\\X.dat"));
}

TEST(SharedRandom, SetThenAdvance) {
  SharedRandom(2, 12345);
  EXPECT_EQ(SharedRandom(1, 0), 12345u);
  EXPECT_EQ(SharedRandom(0, 0), (12345u * 1103515245u + 94123u) >> 4);
  SharedRandom(2, 0xFFFFFFFFu);
  EXPECT_LT(SharedRandom(0, 0), 1u << 28);
}

TEST(IntToTempString, TenRotatingBuffers) {
  const char* first = IntToTempString(-42);
  EXPECT_STREQ(first, "-42");
  for (int i = 0; i < 9; ++i) EXPECT_NE(IntToTempString(i), first);
  const char* eleventh = IntToTempString(7);
  EXPECT_EQ(eleventh, first);
  EXPECT_STREQ(first, "7");
}

TEST(GetExecutableFolder, EndsWithSeparator) {
  std::string folder = GetExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

TEST(DataFileCursor, ReadsLittleEndianFields) {
  DataFileCursor cursor({0x01, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x03, 0, 0, 0, 'a', 'b', 0, 0x00, 0x00, 0x80, 0x3F});
  EXPECT_EQ(cursor.ReadUint8(), 1);
  EXPECT_EQ(cursor.ReadInt16(), -2);
  EXPECT_EQ(cursor.ReadInt32(), 0x12345678);
  EXPECT_EQ(cursor.ReadString(), "ab");
  EXPECT_EQ(cursor.ReadFloat(), 1.0f);
  EXPECT_FALSE(cursor.Damaged());
  EXPECT_EQ(cursor.Remaining(), 0u);
}

TEST(DataFileCursor, ReadingPastTheEndMarksDamagedAndReadsZero) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"int32 in 3 bytes", {1, 2, 3}},
      {"text longer than the file", {10, 0, 0, 0, 'a'}},
      {"negative text length", {0xFF, 0xFF, 0xFF, 0xFF, 'a'}},
  };
  for (const Case& c : cases) {
    DataFileCursor cursor(c.bytes);
    if (c.bytes.size() == 3) {
      EXPECT_EQ(cursor.ReadInt32(), 0) << c.name;
    } else {
      EXPECT_EQ(cursor.ReadString(), "") << c.name;
    }
    EXPECT_TRUE(cursor.Damaged()) << c.name;
    EXPECT_EQ(cursor.Position(), 0u) << c.name;
  }
}

TEST(DataFileCursor, CountsAreCheckedAgainstTheBytesThatRemain) {
  DataFileCursor cursor(std::vector<uint8_t>(16));
  EXPECT_TRUE(cursor.FitsCount(4, 4));
  EXPECT_FALSE(cursor.Damaged());
  EXPECT_FALSE(cursor.FitsCount(5, 4));
  EXPECT_TRUE(cursor.Damaged());
  DataFileCursor other(std::vector<uint8_t>(16));
  EXPECT_FALSE(other.FitsCount(-1, 1));
  EXPECT_FALSE(other.FitsCount(0x7FFFFFFF, 4));
}

TEST(DataFileCursor, UnscramblesAndVerifiesOverTheParsedPart) {
  std::vector<uint8_t> body = {1, 2, 3, 4, 5, 6, 7, 8};
  ScrambleOptions options;
  options.checkedLength = 4;  // trailing bytes are not covered
  DataFileCursor cursor(WriteScrambledFile(DataFileKind::Database, body, options));
  cursor.Unscramble("x", kDatabaseFileLayout);
  EXPECT_EQ(cursor.Position(), 10u);
  EXPECT_EQ(cursor.ReadInt32(), 0x04030201);
  cursor.VerifyCheck("x");
  EXPECT_EQ(cursor.ReadInt32(), 0x08070605);
}

TEST(DataFileCursor, HeaderShorterThanItsKindIsDamaged) {
  DataFileCursor cursor(std::vector<uint8_t>(5, 1));
  cursor.Unscramble("x", kMapFileLayout);
  EXPECT_TRUE(cursor.Damaged());
  EXPECT_EQ(cursor.ReadUint8(), 0);
}

}  // namespace
