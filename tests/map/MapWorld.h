#pragma once

#include <string>
#include <vector>

#include "gamedata/Database.h"
#include "gamedata/PlainOrPackedGame.h"
#include "map/CurrentMap.h"
#include "shell/SoundChannels.h"
#include "support/ScriptWorld.h"

// A game folder with two tile sets and two maps, and a System database whose
// map type holds these entries (int contents 1-4: BGM, BGS, loop, panorama;
// string contents 5-7: BGM, BGS and panorama file texts):
//   0 Town:   BGM 4, BGS keep, loop x, panorama 7
//   1 Field:  BGM keep, BGS stop, loop y, panorama keep
//   2 Town:   BGM and BGS by file, both loops, panorama by file "Sky.png"
//   3 Town:   BGM stop, BGS keep, no loop, panorama by an empty file text
//   4 a map file that is not there, 5 no file name
struct MapEntry {
  std::string file;
  int bgm, bgs, loop, panorama;
  std::string bgmFile, bgsFile, panoramaFile;
};

inline const char* kTownFile = "MapData\\Town.mps";
inline const char* kFieldFile = "MapData\\Field.mps";

inline MapData TownMap() {
  MapData map;
  map.header.name = "Town";
  map.header.tilesetNumber = 1;
  map.header.width = 21;
  map.header.height = 16;
  map.ResizeMapLayers(true, 0, 0);
  map.layers[0][2][1] = 3;
  map.layers[2][20][15] = 700000;
  for (int id : {7, 2}) {
    MapEvent event(id);
    event.name = "event " + std::to_string(id);
    event.x = id;
    event.y = id + 1;
    map.events.push_back(event);
  }
  return map;
}

inline MapData FieldMap() {
  MapData map;
  map.header.name = "Field";
  map.header.tilesetNumber = 9;  // no such tile set
  map.header.width = 2;
  map.header.height = 2;
  map.ResizeMapLayers(true, 0, 0);
  return map;
}

inline std::vector<Tileset> MapTilesets() {
  std::vector<Tileset> tilesets(2);
  tilesets[0].name = "Plain";
  tilesets[1].name = "Town";
  for (size_t i = 0; i < 8; ++i) tilesets[1].imageNames[i] = "Image" + std::to_string(i) + ".png";
  tilesets[1].tileTags = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  tilesets[1].tileFlags = {0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0xF, 0x10, 0x20};
  return tilesets;
}

// Fills type 0 of the System database with the entries, keeping the first
// contentCount contents of each.
inline void SetMapEntries(const std::vector<MapEntry>& entries, int contentCount = 8) {
  DatabaseTypeData type;
  const std::vector<int32_t> codes{2000, 1000, 1001, 1002, 1003, 2001, 2002, 2003};
  type.contentCodes.assign(codes.begin(), codes.begin() + contentCount);
  type.rows.clear();
  for (const MapEntry& entry : entries) {
    DatabaseRow row;
    row.ints = {entry.bgm, entry.bgs, entry.loop, entry.panorama};
    row.strings = {entry.file, entry.bgmFile, entry.bgsFile, entry.panoramaFile};
    type.rows.push_back(row);
  }
  gSystemDatabase.types.assign(1, type);
}

inline std::vector<MapEntry> StandardMapEntries() {
  return {
      {kTownFile, 4, -2, 1, 7, "", "", ""},
      {kFieldFile, -2, -1, 2, -2, "", "", ""},
      {kTownFile, -3, -3, 3, -3, "Town.ogg", "Rain.ogg", "Sky.png"},
      {kTownFile, -1, -2, 0, -3, "", "", ""},
      {"MapData\\Missing.mps", -2, -2, 0, -2, "", "", ""},
      {"", -2, -2, 0, -2, "", "", ""},
  };
}

// The world of the script tests, the game folder above written and the map
// record reset (so its tile-set list is the game's).
class MapWorldTest : public PlainOrPackedGameTest {
 protected:
  void SetUp() override {
    PlainOrPackedGameTest::SetUp();
    ResetScriptWorld(0);
    gCommonEventList = CommonEventList();
    gCommonEventList.events = GameFolderBuilder::DefaultCommonEvents();
    game.Tilesets(MapTilesets()).Map(kTownFile, TownMap()).Map(kFieldFile, FieldMap());
    game.Write(folder.Root());
    SetMapEntries(StandardMapEntries());
    gCurrentMap.ResetCurrentMap();
    gCurrentMap.mapId = -1;
    gCurrentBgm = -1;
    gCurrentBgs = -1;
    gGameSystem.soundListSizes = {20, 30, 40, 0, 0, 0};
    // The map names what plays; with sound off the channels only record it.
    gSoundSetting = 0;
    gSystemDatabase.types.resize(4);
    for (size_t kind = 0; kind < 3; ++kind)
      gSystemDatabase.types[kind + 1].rows.resize(static_cast<size_t>(gGameSystem.soundListSizes[kind] + 10));
  }
  void TearDown() override {
    gSoundSetting = 3;
    PlainOrPackedGameTest::TearDown();
  }
};
