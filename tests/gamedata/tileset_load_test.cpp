#include <gtest/gtest.h>

#include "gamedata/GameFolder.h"
#include "gamedata/Tileset.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "support/GameFolderBuilder.h"

namespace {

class TilesetLoadTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    platform::ClearRecordedMessageBoxes();
    if (GetParam()) {
      ArchiveUseSet(1);
      ArchiveExtensionSet("vorn");
      ArchiveKeyStringSet("tiles");
      game.PackData("tiles", 1);
    }
  }
  void TearDown() override { ArchiveUseSet(0); }

  GameFolder folder;
  GameFolderBuilder game;
};

TEST_P(TilesetLoadTest, ReadsBothVersionsFromTheDataFolder) {
  TilesetFileOptions byteFlags;
  byteFlags.version = kTilesetVersionByteFlags;
  game.Tilesets(GameFolderBuilder::DefaultTilesets(), byteFlags);
  game.DataFile("BasicData\\TileSetData2.dat", TilesetFileImage(GameFolderBuilder::DefaultTilesets()));
  game.Write(folder.Root());
  for (const char* name : {"BasicData\\TileSetData.dat", "BasicData\\TileSetData2.dat"}) {
    SCOPED_TRACE(name);
    TilesetList list;
    ASSERT_TRUE(list.ReadTilesetDataFile(name));
    EXPECT_EQ(list.tilesets, GameFolderBuilder::DefaultTilesets());
  }
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_P(TilesetLoadTest, MissingFileFailsWithoutMessageAndKeepsTheList) {
  game.Without("BasicData\\TileSetData.dat");
  game.Write(folder.Root());
  TilesetList list;
  list.tilesets = GameFolderBuilder::DefaultTilesets();
  EXPECT_FALSE(list.ReadTilesetDataFile("BasicData\\TileSetData.dat"));
  EXPECT_EQ(list.tilesets, GameFolderBuilder::DefaultTilesets());
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, TilesetLoadTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Packed" : "Plain"; });

}  // namespace
