#include "map/MapEventRunners.h"

#include <algorithm>

#include "map/CurrentMap.h"
#include "shell/StartupGlobals.h"

std::vector<MapEventParallelRunner> gMapEventParallelRunners;

const MapEvent* FindCurrentMapEventData(int eventId) {
  const int index = gCurrentMap.mapData.FindMapEventIndex(eventId);
  return index < 0 ? nullptr : &gCurrentMap.mapData.events[static_cast<size_t>(index)];
}

void ReserveEventStart(MapEventCharacter& event, int page) {
  if (page != -1 || event.eraseState != -1 || event.pageIndex < 0) return;
  const bool hasCommands = std::any_of(event.pageCommands.begin(), event.pageCommands.end(),
                                       [](const EventCommand& command) { return command.Code() != kEndCommandCode; });
  if (hasCommands) event.startRequest = 1;
}

bool CanCharacterMove(const MapCharacter&, int x, int y, int direction) {
  return TilePassable(x, y, direction, -1, 0) == 1;
}

int GetCharacterScreenX(const MapCharacter& character, int) {
  return character.x * gTileSize / 2 - gCurrentMap.scrollX / 4;
}

int GetCharacterScreenY(const MapCharacter& character, int) {
  return character.y * gTileSize / 2 - gCurrentMap.scrollY / 4;
}

int GetCharacterScreenBaseY(const MapCharacter& character, int wrap) { return GetCharacterScreenY(character, wrap); }

int GetCharacterTileTag(const MapCharacter& character) { return GetCellTileTag(character.x, character.y); }
