#pragma once

#include <vector>

#include "gamedata/MapData.h"
#include "interpreter/EventRunner.h"
#include "map/MapCharacter.h"

// What the event interpreter needs of the current map beyond the fields the
// map record has so far: the map's data (its events with their pages and
// the tile layers) and the parallel runners of its map events. The map
// subsystem takes these over with its own records.

// The current map's data as loaded: header, layers and events with pages.
extern MapData gCurrentMapData;

// The parallel process of one map event: zero runners or one.
struct MapEventParallelRunner {
  int eventId = -1;
  std::vector<EventRunner> runners;
};
// One entry per map event whose current page runs in parallel.
extern std::vector<MapEventParallelRunner> gMapEventParallelRunners;

// The map event's data with its pages, or null.
const MapEvent* FindCurrentMapEventData(int eventId);

// Once per frame: page refresh when flagged (map events, then the common
// events' run entries), each map event's parallel runner, then each parallel
// common event in run-entry order.
void UpdateCurrentMap();

// Sets the start request of the event when its current page has commands and
// it is not being erased (page must be -1).
void ReserveEventStart(MapEventCharacter& event, int page);

// Map queries in half cells.
int GetMapWidth();
int GetMapHeight();
// The tile value with map looping: 0 for no tile, -1 outside the map.
int GetMapTile(int x, int y, int layer);
// First nonzero tile tag under the place; 0 when none.
int GetCellTileTag(int x, int y);
// 1 when a character may pass the place in the direction.
int TilePassable(int x, int y, int direction, int, int mode);
bool CanCharacterMove(const MapCharacter& character, int x, int y, int direction);
int GetCharacterScreenX(const MapCharacter& character, int wrap);
int GetCharacterScreenY(const MapCharacter& character, int wrap);
int GetCharacterScreenBaseY(const MapCharacter& character, int wrap);
int GetCharacterTileTag(const MapCharacter& character);
