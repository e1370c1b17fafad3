#pragma once

#include <cstdint>
#include <vector>

#include "map/MapCharacter.h"

// The map being played. Only the fields the game data needs so far; the map
// subsystem brings the map data, tiles, scrolling and the rest.
struct CurrentMap {
  int mapId = -1;  // -1: no map loaded
  // One character per map event, in the order of the map's event list.
  std::vector<MapEventCharacter> eventCharacters;
  // Set before every command; event pages are selected again while it is set.
  uint8_t pageRefresh = 0;
  int width = 0;  // in cells
  int height = 0;
  uint8_t loopX = 0;
  uint8_t loopY = 0;
  int scrollX = 0;  // quarter pixels
  int scrollY = 0;
  // Distance a started scroll still has to go (quarter pixels).
  int scrollRemaining = 0;

  // The map event with that id, or null.
  MapEventCharacter* FindMapEvent(int eventId);
};

// Page selection for every map event, then the common events' run entries;
// clears the page-refresh byte.
void RefreshEventPages();
// True while a started scroll still has distance to go.
bool IsMapScrolling();

extern CurrentMap gCurrentMap;
