#pragma once

#include <vector>

#include "gamedata/MapData.h"
#include "interpreter/EventRunner.h"
#include "map/CurrentMap.h"
#include "map/MapCharacter.h"

// What the event interpreter needs of the map events beyond the fields their
// record has so far: the parallel runners of the map events and a few
// character queries. The map events' own subsystem takes these over.

// The parallel process of one map event: zero runners or one.
struct MapEventParallelRunner {
  int eventId = -1;
  std::vector<EventRunner> runners;
};
// One entry per map event whose current page runs in parallel.
extern std::vector<MapEventParallelRunner> gMapEventParallelRunners;

// The current map's record of the map event with its pages, or null.
const MapEvent* FindCurrentMapEventData(int eventId);

// Sets the start request of the event when its current page has commands and
// it is not being erased (page must be -1).
void ReserveEventStart(MapEventCharacter& event, int page);

bool CanCharacterMove(const MapCharacter& character, int x, int y, int direction);
int GetCharacterScreenX(const MapCharacter& character, int wrap);
int GetCharacterScreenY(const MapCharacter& character, int wrap);
int GetCharacterScreenBaseY(const MapCharacter& character, int wrap);
int GetCharacterTileTag(const MapCharacter& character);
