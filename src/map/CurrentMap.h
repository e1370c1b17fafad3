#pragma once

#include <vector>

#include "map/MapCharacter.h"

// The map being played. Only the fields the game data needs so far; the map
// subsystem brings the map data, tiles, scrolling and the rest.
struct CurrentMap {
  int mapId = -1;  // -1: no map loaded
  // One character per map event, in the order of the map's event list.
  std::vector<MapEventCharacter> eventCharacters;
};

extern CurrentMap gCurrentMap;
