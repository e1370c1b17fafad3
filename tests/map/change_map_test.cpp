#include <gtest/gtest.h>

#include "MapWorld.h"
#include "gamedata/GlobalObjects.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"

namespace {

using ChangeMapTest = MapWorldTest;

TEST_P(ChangeMapTest, EntersTheMapWithItsTileSetEventsAndRunEntries) {
  CurrentMap& map = gCurrentMap;
  map.scrollX = 99;
  map.StartMapScroll(100, 100, 1);
  map.shakeX.value = 7;
  map.frameCounter = 5;
  map.pageRefresh = 1;
  map.ChangeMap(0);
  EXPECT_EQ(gGameSystem.runState, 1);
  EXPECT_EQ(map.mapId, 0);
  EXPECT_EQ(map.mapData.header.name, "Town");
  EXPECT_EQ(GetMapWidth(), 21);
  EXPECT_EQ(GetMapHeight(), 16);
  EXPECT_EQ(map.tileset.name, "Town");
  EXPECT_EQ(map.tilesetImageName, "Image0.png");
  EXPECT_EQ(map.autotileImageNames[6], "Image7.png");
  EXPECT_EQ(map.tileFlags, MapTilesets()[1].tileFlags);
  EXPECT_EQ(map.savedTileFlags, map.tileFlags);
  EXPECT_EQ(map.tileTags, MapTilesets()[1].tileTags);
  EXPECT_EQ(map.GetMapTile(4, 2, 0), 11);
  EXPECT_EQ(map.GetMapTile(-1, -1, 2), 6);
  // Scroll position and movement start over; shake and frame counter go on.
  EXPECT_EQ(map.scrollX, 0);
  EXPECT_FALSE(map.IsMapScrolling());
  EXPECT_EQ(map.scrollStepX, 4);
  EXPECT_EQ(map.scrollDirectionX, 0);
  EXPECT_EQ(map.shakeX.value, 7);
  EXPECT_EQ(map.frameCounter, 5);
  EXPECT_EQ(map.pageRefresh, 0);
  // Events in id order, placed at their cells.
  ASSERT_EQ(map.eventCharacters.size(), 2u);
  EXPECT_EQ(map.eventCharacters[0].id, 2);
  EXPECT_EQ(map.eventCharacters[0].x, 4);
  EXPECT_EQ(map.eventCharacters[0].y, 6);
  EXPECT_EQ(map.eventCharacters[0].mapId, 0);
  EXPECT_EQ(map.eventCharacters[1].record.name, "event 7");
  // The parallel common event "Step" (kind 3) gets the only run entry.
  ASSERT_EQ(map.commonEventRunEntries.size(), 1u);
  EXPECT_EQ(map.commonEventRunEntries[0].number, 1);
  EXPECT_EQ(map.commonEventRunEntries[0].runners.size(), 1u);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());

  // A tile-set number the list lacks gives an empty tile set.
  map.ChangeMap(1);
  EXPECT_EQ(map.tileset, Tileset{});
  EXPECT_EQ(map.tilesetImageName, "");
  EXPECT_TRUE(map.eventCharacters.empty());
  EXPECT_EQ(gGameSystem.runState, 1);
}

TEST_P(ChangeMapTest, PanoramaLoopsAndMusicFollowTheMapEntry) {
  struct Step {
    int mapId;
    int panorama;
    std::string panoramaFile;
    int byFile;
    int loopX, loopY;
    int bgm, bgs;
  };
  const Step steps[] = {
      {0, 7, "", 0, 1, 0, 4, 12},                                        // BGS kept
      {1, 7, "", 0, 0, 1, 4, -1},                                        // keeps panorama and BGM; BGS stops
      {0, 7, "", 0, 1, 0, 4, -1},   {2, 7, "Sky.png", 1, 1, 1, 20, 30},  // by file: first spare entries
      {3, -1, "", 0, 0, 0, -1, 30},                                      // empty panorama text removes it
  };
  gCurrentBgs = 12;
  for (const Step& step : steps) {
    gCurrentMap.ChangeMap(step.mapId);
    gCurrentMap.PlayMapSound();
    const std::string at = "map " + std::to_string(step.mapId);
    EXPECT_EQ(gEventSystem.panoramaValues[0], step.panorama) << at;
    EXPECT_EQ(gEventSystem.panoramaFile, step.panoramaFile) << at;
    EXPECT_EQ(gGameSystem.panoramaByFile, step.byFile) << at;
    EXPECT_EQ(gCurrentMap.loopX, step.loopX) << at;
    EXPECT_EQ(gCurrentMap.loopY, step.loopY) << at;
    EXPECT_EQ(gCurrentBgm, step.bgm) << at;
    EXPECT_EQ(gCurrentBgs, step.bgs) << at;
  }
}

TEST_P(ChangeMapTest, ShortMapEntriesLeaveThePanoramaAndFileMusic) {
  std::vector<MapEntry> entries = StandardMapEntries();
  entries[0].panorama = 3;
  // Four contents: no panorama content at all.
  SetMapEntries(entries, 4);
  gEventSystem.panoramaValues[0] = 5;
  gCurrentMap.ChangeMap(0);
  EXPECT_EQ(gEventSystem.panoramaValues[0], 5);
  EXPECT_EQ(gCurrentMap.loopX, 1);
  // Seven contents: a panorama by file needs the eighth.
  SetMapEntries(entries, 7);
  gCurrentMap.ChangeMap(2);
  EXPECT_EQ(gEventSystem.panoramaValues[0], 5);
  EXPECT_EQ(gGameSystem.panoramaByFile, 0);
  // Five contents: BGM by file needs the sixth, so it keeps playing.
  SetMapEntries(entries, 5);
  gCurrentBgm = 8;
  gCurrentMap.ChangeMap(2);
  gCurrentMap.PlayMapSound();
  EXPECT_EQ(gCurrentBgm, 8);
}

TEST_P(ChangeMapTest, MissingMapEndsTheGame) {
  for (int mapId : {4, 5}) {
    gGameSystem.runState = 1;
    platform::ClearRecordedMessageBoxes();
    gCurrentMap.ChangeMap(mapId);
    EXPECT_EQ(gGameSystem.runState, -1);
    EXPECT_EQ(gCurrentMap.mapId, mapId);
    EXPECT_EQ(platform::RecordedMessageBoxes().size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, ChangeMapTest, testing::Values(false, true), PlainOrPackedName);

}  // namespace
