#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/GameInfo.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/Frame.h"
#include "shell/ShellServices.h"
#include "support/ScriptWorld.h"

// Tile numbers of the fixture map's tile set: 0 open floor, 1 a wall, 2 a
// counter.
inline constexpr int kWallTile = 1;
inline constexpr int kCounterTile = 2;

// A running game on a W x H map of open floor at tile size 32, four-way
// movement, the three-pattern cycle, speed factors 4, frame step 1, and a
// freshly built hero at half cell (0, 0).
class CharacterWorld : public ::testing::Test {
 public:
  void SetUp() override { MakeWorld(10, 8); }

  void MakeWorld(int width, int height) {
    ResetScriptWorld(0);
    gTileSize = 32;
    gInput = InputState();
    gGameInfo.settings.assign(18, 0);
    gGameInfo.settings[0] = 32;
    gGameInfo.settings[2] = 4;
    gGameInfo.settings[7] = 3;
    gGameInfo.settings[15] = 4;
    gGameInfo.settings[16] = 4;
    MapData& map = gCurrentMap.mapData;
    map = MapData();
    map.header.width = width;
    map.header.height = height;
    map.ResizeMapLayers(true, 0, 0);
    for (auto& column : map.layers[0]) column.assign(static_cast<size_t>(height), 0);
    // Index 8 + n is tile-set cell n.
    gCurrentMap.tileFlags.assign(16, 0);
    gCurrentMap.tileFlags[8 + kWallTile] = 0xF;
    gCurrentMap.tileFlags[8 + kCounterTile] = 0x80;
    gCurrentMap.eventCharacters.reserve(16);
    gHero.ConstructHero();
    gHero.PlaceHeroAndCenterView(0, 0, 1);
    gHero.GatherPartyAtHero();
  }

  static void SetCell(int cx, int cy, int tile) {
    gCurrentMap.mapData.layers[0][static_cast<size_t>(cx)][static_cast<size_t>(cy)] = tile;
  }

  // A one-page event at cell (cx, cy) running `commands` (one variable add
  // when empty).
  static MapEventCharacter& AddEvent(int id, int cx, int cy, int startType, const std::string& graphic = "",
                                     std::vector<EventCommand> commands = {}) {
    MapEvent record(id);
    record.x = cx;
    record.y = cy;
    record.pages.assign(1, EventPage());
    EventPage& page = record.pages[0];
    page.graphicName = graphic;
    page.conditions.conditionHeader = static_cast<uint8_t>(startType);
    if (commands.empty()) commands = {MakeCommand(121, {NormalVar(id), 1, 0, 0x100})};
    page.commands = Terminated(std::move(commands));
    return PlaceEvent(record);
  }

  // The event of the record, added to the map's records and placed.
  static MapEventCharacter& PlaceEvent(const MapEvent& record) {
    gCurrentMap.mapData.events.push_back(record);
    gCurrentMap.eventCharacters.emplace_back(gCurrentMap.mapId, record);
    return gCurrentMap.eventCharacters.back();
  }

  // Runs n frames in the frame's order: map, main runner, hero.
  static void Frames(int n) {
    for (int i = 0; i < n; ++i) RunFrameLogic();
  }
};
