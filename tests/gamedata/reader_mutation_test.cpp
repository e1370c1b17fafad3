// A bounded run of mutated files through each reader (the libFuzzer targets
// in fuzz/ run the same entry points without bound). Under the sanitizer
// build any read or write out of bounds fails the test.
#include <gtest/gtest.h>

#include <random>

#include "gamedata/DataFileCursor.h"
#include "gamedata/Database.h"
#include "gamedata/DatabaseFiles.h"
#include "gamedata/GameInfo.h"
#include "shell/NoticeBox.h"
#include "support/GameDataWriters.h"

namespace {

constexpr int kRuns = 1500;

// Flips, overwrites with extreme int32 values, cuts and grows the image.
std::vector<uint8_t> Mutate(std::vector<uint8_t> bytes, std::mt19937& random, size_t protectedPrefix) {
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int e = 0; e < edits && bytes.size() > protectedPrefix; ++e) {
    size_t span = bytes.size() - protectedPrefix;
    size_t at = protectedPrefix + random() % span;
    switch (random() % 5) {
      case 0: bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
      case 1: bytes[at] = static_cast<uint8_t>(random()); break;
      case 2: {
        static const uint32_t values[] = {0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000, 516, 517, 0};
        uint32_t v = values[random() % 7];
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
        break;
      }
      case 3: bytes.resize(at); break;
      default: bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(random())); break;
    }
  }
  return bytes;
}

DatabaseFileSpec SampleDatabase() {
  DatabaseFileSpec spec;
  DatTypeRecord a;
  a.codes = {1000, 2000, 1001};
  a.rowInts = {{1, 2}, {3, 4}};
  a.rowStrings = {{"x"}, {"y"}};
  DatTypeRecord b;
  b.form = 1;
  b.codes = {2000};
  b.rowInts = {{}};
  b.rowStrings = {{"z"}};
  spec.types = {a, b};
  ProjectTypeRecord p;
  p.typeName = "t";
  p.contentNames = {"a", "b", "c"};
  p.dataNames = {"d0", "d1"};
  p.optionTextLists = {{"q"}, {}, {}};
  p.defaults = {1, 2, 3};
  spec.definitions = {p, p};
  return spec;
}

TEST(ReaderMutation, GameDat) {
  GameDatSpec spec;
  spec.archiveKey = "key";
  spec.scramble.zeroSeeds = true;  // mutations then land on the plain fields
  const std::vector<uint8_t> file = WriteGameDat(spec);
  std::mt19937 random(1);
  for (int run = 0; run < kRuns; ++run) {
    DataFileCursor cursor(Mutate(file, random, 10));
    cursor.Unscramble("Game.dat", kGameDatLayout);
    GameInfo info;
    if (!cursor.Damaged()) info.ReadGameInfo(cursor);
    EXPECT_GE(info.settings.size(), 18u);
    ClearRecordedNotices();
  }
}

TEST(ReaderMutation, DatabaseDatAndProject) {
  DatabaseFileSpec spec = SampleDatabase();
  spec.scramble.zeroSeeds = true;
  const std::vector<uint8_t> dat = WriteDatabaseDat(spec);
  const std::vector<uint8_t> project = WriteDatabaseProject(spec);
  std::mt19937 random(2);
  for (int run = 0; run < kRuns; ++run) {
    DataFileCursor cursor(Mutate(dat, random, 10));
    cursor.Unscramble("x.dat", kDatabaseFileLayout);
    Database database;
    database.systemLink = database.userLink = database.variableLink = &database;
    ReadDatabaseDat(cursor, database);
    DataFileCursor projectCursor(Mutate(project, random, 0));
    ReadDatabaseProject(projectCursor, database);
    for (int type = 0; type < database.GetDatabaseTypeCount() && type < 4; ++type) {
      for (int row = 0; row < 3; ++row) {
        for (int content = 0; content < 4; ++content) {
          database.ReadDatabaseInt(type, row, content);
          database.ReadDatabaseString(type, row, content);
        }
        database.GetDatabaseDataName(type, row);
      }
      database.ResizeDatabaseType(type, 4);
    }
    ClearRecordedNotices();
  }
}

}  // namespace
