#include <gtest/gtest.h>

#include "gamedata/PlainOrPackedGame.h"
#include "gamedata/Tileset.h"
#include "platform/dialogs/MessageBox.h"

namespace {

// Archive version 1 here; the other readers use version 3.
class TilesetLoadTest : public PlainOrPackedGameTest {
 protected:
  TilesetLoadTest() : PlainOrPackedGameTest(1) {}
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

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, TilesetLoadTest, testing::Values(false, true), PlainOrPackedName);

}  // namespace
