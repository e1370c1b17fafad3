#include <gtest/gtest.h>

#include "gamedata/Database.h"
#include "gamedata/GameFolder.h"
#include "gamedata/GameInfo.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "support/ArchiveWriter.h"
#include "support/GameDataWriters.h"

namespace {

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The Data folder packed into Data.vorn beside where it would be; no folder on disk.
class ArchiveReadTest : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    platform::ClearRecordedMessageBoxes();
    ArchiveUseSet(1);
    ArchiveExtensionSet("vorn");
    ArchiveKeyStringSet("gamekey");
    writer.SetVersion(GetParam());
    writer.SetKeyString("gamekey");
  }
  void TearDown() override { ArchiveUseSet(0); }
  GameFolder folder;
  ArchiveWriter writer;
};

TEST_P(ArchiveReadTest, DatabaseAndGameDatReadFromTheArchive) {
  DatabaseFileSpec spec;
  DatTypeRecord type;
  type.codes = {1000, 2000};
  type.rowInts = {{41}, {42}};
  type.rowStrings = {{"first"}, {std::string(3000, 'z')}};
  spec.types = {type};
  ProjectTypeRecord definition;
  definition.typeName = "packed";
  definition.contentNames = {"i", "s"};
  definition.dataNames = {"a", "b"};
  definition.defaults = {5, 0};
  spec.definitions = {definition};
  writer.AddFile("BasicData\\DataBase.dat", AsString(WriteDatabaseDat(spec)));
  writer.AddFile("BasicData\\DataBase.project", AsString(WriteDatabaseProject(spec)));
  GameDatSpec game;
  game.archiveKey = "abcdef";
  writer.AddFile("Game.dat", AsString(WriteGameDat(game)));
  ASSERT_TRUE(writer.Write(folder.Root() / "Data.vorn"));

  Database db;
  ASSERT_TRUE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  EXPECT_EQ(db.GetDatabaseTypeName(0), "packed");
  EXPECT_EQ(db.ReadDatabaseInt(0, 1, 0), 42);
  EXPECT_EQ(db.ReadDatabaseString(0, 1, 1), std::string(3000, 'z'));
  EXPECT_EQ(db.definitions[0].defaultValues, (std::vector<int32_t>{5, 0}));

  GameInfo info;
  ASSERT_TRUE(info.LoadGameInfoFile("Data\\Game.dat"));
  EXPECT_EQ(info.strings[2], "abcdef");
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, ArchiveReadTest, testing::Values(1, 3));

}  // namespace
