#include <gtest/gtest.h>

#include "gamedata/GameFolder.h"
#include "gamedata/MapFile.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/GamePaths.h"
#include "support/GameFolderBuilder.h"

namespace {

const char kReadErrorTitle[] = "\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x83G\x83\x89\x81[";

// Plain Data folder (false) or Data packed into Data.vorn (true).
class MapLoadTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    platform::ClearRecordedMessageBoxes();
    if (GetParam()) {
      ArchiveUseSet(1);
      ArchiveExtensionSet("vorn");
      ArchiveKeyStringSet("mapkey");
      game.PackData("mapkey");
    }
  }
  void TearDown() override { ArchiveUseSet(0); }

  GameFolder folder;
  GameFolderBuilder game;
};

TEST_P(MapLoadTest, ReadsTheMapFromTheDataFolder) {
  game.Write(folder.Root());
  MapData map;
  ASSERT_TRUE(LoadMapFile(map, GameFolderBuilder::kDefaultMapName));
  MapData expected = GameFolderBuilder::DefaultMap();
  expected.events[0].pages[0].commands.back().SetCode(kEndCommandCode);
  expected.events[0].pages[0].commandCount = 2;
  EXPECT_EQ(map.header, expected.header);
  EXPECT_EQ(map.layers, expected.layers);
  EXPECT_EQ(map.events, expected.events);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_P(MapLoadTest, MissingMapsAreReported) {
  game.Write(folder.Root());
  MapData map = GameFolderBuilder::DefaultMap();
  EXPECT_FALSE(LoadMapFile(map, "MapData\\Nowhere.mps"));
  EXPECT_TRUE(map.events.empty());
  EXPECT_FALSE(LoadMapFile(map, ""));
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "\x83}\x83\x62\x83v\x83t\x83@\x83\x43\x83\x8B " + gDataFolderPath +
                               "MapData\\Nowhere.mps \x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
  EXPECT_EQ(boxes[1].text,
            "\x83}\x83\x62\x83v\x83t\x83@\x83\x43\x83\x8B\x96\xBC\x82\xAA\x90\xDD\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82"
            "\xA2\x82\xC8\x82\xA2\x83}\x83\x62\x83v\x82\xC9\x88\xDA\x93\xAE\x82\xB5\x82\xE6\x82\xA4\x82\xC6\x82\xB5\x82"
            "\xDC\x82\xB5\x82\xBD\x81\x42");
  for (const auto& box : boxes) {
    EXPECT_EQ(box.caption, kReadErrorTitle);
    EXPECT_EQ(box.flags, platform::kMbOkCancel);
  }
}

TEST_P(MapLoadTest, DamagedMapIsRefused) {
  std::vector<uint8_t> image = MapFileImage(GameFolderBuilder::DefaultMap());
  image.resize(image.size() - 5);
  game.DataFile("MapData\\Cut.mps", image);
  game.Write(folder.Root());
  MapData map;
  EXPECT_FALSE(LoadMapFile(map, "MapData\\Cut.mps"));
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "\x83}\x83\x62\x83v\x88\xDA\x93\xAE\x83G\x83\x89\x81[");
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, MapLoadTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Packed" : "Plain"; });

}  // namespace
