#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MapWorld.h"
#include "gamedata/SaveBuffer.h"
#include "support/ByteBuilder.h"
#include "support/MapStateWriter.h"

namespace {

MapCharacter Character(int id, int x, int y, int height) {
  MapCharacter character;
  character.id = id;
  character.x = x;
  character.y = y;
  character.heightOffset = height;
  return character;
}

// A block of a 2 x 1 map with two events.
MapStateBlock SmallBlock() {
  MapStateBlock block;
  block.mapId = 0;
  block.scrollX = 12;
  block.scrollY = -8;
  block.width = 2;
  block.height = 1;
  block.layers = {TileLayer{{1}, {2}}, TileLayer{{100000}, {300000}}, TileLayer{{5}, {6}}};
  for (size_t i = 0; i < block.names.size(); ++i) block.names[i] = "name" + std::to_string(i);
  block.tileFlags = {0x1234, 0x0F, 0x7FFFFF40};
  block.events = {Character(2, 4, 6, 0), Character(7, 14, 16, -3)};
  return block;
}

void BeginRead(const std::vector<uint8_t>& bytes, int version) {
  gSaveBuffer.BeginRead(bytes);
  gSaveBuffer.formatNumber = version;
}

using MapStateTest = MapWorldTest;

TEST_P(MapStateTest, BlockRoundTripRestoresTilesButNotTags) {
  CurrentMap& map = gCurrentMap;
  map.ChangeMap(0);
  map.scrollX = 640;
  map.scrollY = 32;
  map.mapData.layers[1][20][15] = 12;  // changed during play
  map.tileFlags[9] = 0;
  map.eventCharacters[1].x = 30;
  map.eventCharacters[1].heightOffset = 5;
  gSaveBuffer.BeginWrite();
  ASSERT_TRUE(map.SaveMapState());
  const std::vector<uint8_t> bytes = gSaveBuffer.data;

  map = CurrentMap();
  map.ResetCurrentMap();
  BeginRead(bytes, 111);
  ASSERT_TRUE(map.LoadMapState(true));
  EXPECT_FALSE(gSaveBuffer.shortData);
  EXPECT_EQ(gSaveBuffer.position, bytes.size());
  EXPECT_EQ(map.mapId, 0);
  EXPECT_EQ(map.scrollX, 640);
  EXPECT_EQ(map.scrollY, 32);
  EXPECT_EQ(map.mapData.layers[1][20][15], 12);
  EXPECT_EQ(map.mapData.layers[0][2][1], 3);
  EXPECT_EQ(map.tileFlags[9], 0);
  EXPECT_EQ(map.tileTags, MapTilesets()[1].tileTags);
  EXPECT_EQ(map.tilesetImageName, "Image0.png");
  ASSERT_EQ(map.eventCharacters.size(), 2u);
  EXPECT_EQ(map.eventCharacters[1].x, 30);
  EXPECT_EQ(map.eventCharacters[1].heightOffset, 5);
  EXPECT_EQ(map.eventCharacters[1].record.name, "event 7");  // rebuilt by the map change

  // Into a snapshot: nothing is loaded, the block alone is laid down.
  CurrentMap snapshot;
  BeginRead(bytes, 111);
  ASSERT_TRUE(snapshot.LoadMapState(false));
  EXPECT_EQ(snapshot.mapId, 0);
  EXPECT_EQ(snapshot.GetMapWidth(), 21);
  EXPECT_EQ(snapshot.mapData.layers[1][20][15], 12);
  EXPECT_EQ(snapshot.autotileImageNames[6], "Image7.png");
  EXPECT_TRUE(snapshot.tileTags.empty());
  ASSERT_EQ(snapshot.eventCharacters.size(), 2u);
  EXPECT_EQ(snapshot.eventCharacters[0].id, 2);
}

TEST_P(MapStateTest, OlderVersionsKeepTheirTilesAndMayStoreFlagBytes) {
  for (int version : {99, 104, 111}) {
    const MapStateBlock block = SmallBlock();
    CurrentMap map;
    map.mapData.header.width = 3;
    map.mapData.header.height = 3;
    map.mapData.ResizeMapLayers(true, 0, 0);
    map.tileFlags = {0x5600, 0x7700};
    BeginRead(MapStateBlockBytes(block, version), version);
    ASSERT_TRUE(map.LoadMapState(false)) << version;
    EXPECT_EQ(gSaveBuffer.position, gSaveBuffer.data.size()) << version;
    EXPECT_EQ(map.scrollY, -8);
    EXPECT_EQ(map.autotileImageNames[6], "name7");
    if (version >= 105) {
      EXPECT_EQ(map.GetMapWidth(), 2);
      EXPECT_EQ(map.mapData.layers, block.layers);
    } else {
      EXPECT_EQ(map.GetMapWidth(), 3);
      EXPECT_EQ(map.mapData.layers[0][2][2], kEmptyTile);
    }
    if (version >= 100) {
      EXPECT_EQ(map.tileFlags, block.tileFlags);
    } else {
      // Each byte replaces only the lowest byte of its entry.
      EXPECT_EQ(map.tileFlags, (std::vector<int32_t>{0x5634, 0x770F, 0x40})) << version;
    }
    ASSERT_EQ(map.eventCharacters.size(), 2u);
    EXPECT_EQ(map.eventCharacters[1].y, 16);
    EXPECT_EQ(map.eventCharacters[1].heightOffset, -3);
  }
}

TEST_P(MapStateTest, ExtraEventsKeepTheirStateAndReservedValuesAreReadPast) {
  MapStateBlock block = SmallBlock();
  block.reservedValues = {5, -6};
  CurrentMap map;
  map.eventCharacters.resize(3);
  map.eventCharacters[2].id = 44;
  std::vector<uint8_t> bytes = MapStateBlockBytes(block, 111);
  bytes.push_back(0xEE);  // the next block of the save
  BeginRead(bytes, 111);
  ASSERT_TRUE(map.LoadMapState(false));
  EXPECT_EQ(gSaveBuffer.position, bytes.size() - 1);
  ASSERT_EQ(map.eventCharacters.size(), 3u);
  EXPECT_EQ(map.eventCharacters[1].id, 7);
  EXPECT_EQ(map.eventCharacters[2].id, 44);
}

TEST_P(MapStateTest, ReservedValuesAreDroppedAndSavedAsAnEmptyList) {
  const std::vector<uint8_t> withoutReserved = MapStateBlockBytes(SmallBlock(), 111);
  MapStateBlock block = SmallBlock();
  block.reservedValues = {5, -6, 7};
  CurrentMap map;
  BeginRead(MapStateBlockBytes(block, 111), 111);
  ASSERT_TRUE(map.LoadMapState(false));
  EXPECT_EQ(gSaveBuffer.position, gSaveBuffer.data.size());
  gSaveBuffer.BeginWrite();
  ASSERT_TRUE(map.SaveMapState());
  EXPECT_EQ(gSaveBuffer.data, withoutReserved);
}

TEST_P(MapStateTest, NamesAreTakenAtTheirStoredLengthUpToTheirZero) {
  MapStateBlock block = SmallBlock();
  block.names[0] = std::string(1000, 'a');
  block.names[1] = std::string("ab\0cd", 5);
  CurrentMap map;
  BeginRead(MapStateBlockBytes(block, 111), 111);
  ASSERT_TRUE(map.LoadMapState(false));
  EXPECT_EQ(map.tilesetImageName, std::string(1000, 'a'));
  EXPECT_EQ(map.autotileImageNames[0], "ab");
  EXPECT_EQ(map.autotileImageNames[1], "name2");
}

TEST_P(MapStateTest, BlockCutAtAnyFieldIsRefused) {
  for (int version : {99, 104, 111}) {
    const std::vector<uint8_t> bytes = MapStateBlockBytes(SmallBlock(), version);
    for (size_t length = 0; length < bytes.size(); ++length) {
      CurrentMap map;
      BeginRead(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)), version);
      EXPECT_FALSE(map.LoadMapState(false)) << version << " cut at " << length;
      EXPECT_TRUE(gSaveBuffer.shortData) << version << " cut at " << length;
    }
  }
}

TEST_P(MapStateTest, CountsAndSizesBeyondTheBlockAreRefusedBeforeAnythingIsSized) {
  struct Case {
    std::string name;
    std::vector<int32_t> ints;  // map id, scroll, then the field under test
  };
  const std::vector<Case> cases = {
      {"huge map", {0, 0, 0, 100000, 100000}},
      {"negative width", {0, 0, 0, -1, 4}},
      {"width times height wraps", {0, 0, 0, 65536, 65536}},
      {"huge width, no height", {0, 0, 0, 0x7FFFFFFF, 0}},
      {"huge height, no width", {0, 0, 0, 0, 200000}},
  };
  for (const Case& c : cases) {
    ByteBuilder out;
    for (int32_t value : c.ints) out.Int32(value);
    out.Fill(64, 0);
    CurrentMap map;
    BeginRead(out.Take(), 111);
    EXPECT_FALSE(map.LoadMapState(false)) << c.name;
    EXPECT_TRUE(gSaveBuffer.shortData) << c.name;
    EXPECT_EQ(map.GetMapWidth(), 20) << c.name;  // untouched
  }
  // Negative or oversized counts after the names.
  const std::vector<std::vector<int32_t>> tails = {
      {-1},             // flag count
      {1 << 30},        // flag count
      {0, -2},          // event count
      {0, 1 << 29},     // event count
      {0, 0, -3},       // reserved count
      {0, 0, 1 << 28},  // reserved count
  };
  for (const std::vector<int32_t>& tail : tails) {
    ByteBuilder out;
    out.Int32(0).Int32(0).Int32(0).Int32(0).Int32(0);
    for (int i = 0; i < 8; ++i) out.Text("n");
    for (int32_t value : tail) out.Int32(value);
    CurrentMap map;
    BeginRead(out.Take(), 111);
    EXPECT_FALSE(map.LoadMapState(false)) << tail.back();
    EXPECT_TRUE(gSaveBuffer.shortData);
    EXPECT_LE(map.tileFlags.size(), 1u);
    EXPECT_TRUE(map.eventCharacters.empty());
  }
  // A negative name length.
  ByteBuilder out;
  out.Int32(0).Int32(0).Int32(0).Int32(0).Int32(0).Int32(-5).Fill(32, 0);
  CurrentMap map;
  BeginRead(out.Take(), 111);
  EXPECT_FALSE(map.LoadMapState(false));
  EXPECT_TRUE(gSaveBuffer.shortData);
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, MapStateTest, testing::Values(false), PlainOrPackedName);

}  // namespace
