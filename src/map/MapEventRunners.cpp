#include "map/MapEventRunners.h"

#include <algorithm>

#include "interpreter/CommonEventTriggers.h"
#include "map/CurrentMap.h"
#include "shell/StartupGlobals.h"

MapData gCurrentMapData;
std::vector<MapEventParallelRunner> gMapEventParallelRunners;

const MapEvent* FindCurrentMapEventData(int eventId) {
  const int index = gCurrentMapData.FindMapEventIndex(eventId);
  return index < 0 ? nullptr : &gCurrentMapData.events[static_cast<size_t>(index)];
}

void UpdateCurrentMap() {
  if (gCurrentMap.pageRefresh) RefreshEventPages();
  for (MapEventParallelRunner& parallel : gMapEventParallelRunners) {
    MapEventCharacter* event = gCurrentMap.FindMapEvent(parallel.eventId);
    if (!event || event->eraseState != -1) continue;
    if (parallel.runners.empty()) {
      parallel.runners.emplace_back();
      parallel.runners.back().StartEventRunner(0, 0);
    }
    EventRunner& runner = parallel.runners.front();
    if (!runner.IsEventRunnerBusy()) runner.SetupEventCall(&event->pageCommands, event->id, -1);
    runner.RunEventRunner();
  }
  for (CommonEventRunEntry& entry : gCommonEventRunEntries) RunCommonEventParallel(entry);
}

void ReserveEventStart(MapEventCharacter& event, int page) {
  if (page != -1 || event.eraseState != -1 || event.pageIndex < 0) return;
  const bool hasCommands = std::any_of(event.pageCommands.begin(), event.pageCommands.end(),
                                       [](const EventCommand& command) { return command.Code() != kEndCommandCode; });
  if (hasCommands) event.startRequest = 1;
}

int GetMapWidth() { return gCurrentMap.width; }
int GetMapHeight() { return gCurrentMap.height; }

namespace {

// Wraps a half-cell coordinate on a looping axis; -1 outside otherwise.
int PlaceOnAxis(int value, int cells, bool loop) {
  const int halfCells = cells * 2;
  if (halfCells <= 0) return -1;
  if (loop) return ((value % halfCells) + halfCells) % halfCells;
  return value >= 0 && value < halfCells ? value : -1;
}

}  // namespace

int GetMapTile(int x, int y, int layer) {
  if (layer < 0 || layer > 2) return -1;
  const int px = PlaceOnAxis(x, GetMapWidth(), gCurrentMap.loopX != 0);
  const int py = PlaceOnAxis(y, GetMapHeight(), gCurrentMap.loopY != 0);
  if (px < 0 || py < 0) return -1;
  const int tile = gCurrentMapData.TileAt(layer, px / 2, py / 2);
  return tile == kEmptyTile ? 0 : tile;
}

// The tileset's tags come with the map subsystem; no place has one yet.
int GetCellTileTag(int, int) { return 0; }

int TilePassable(int x, int y, int, int, int) {
  const int px = PlaceOnAxis(x, GetMapWidth(), gCurrentMap.loopX != 0);
  const int py = PlaceOnAxis(y, GetMapHeight(), gCurrentMap.loopY != 0);
  return px >= 0 && py >= 0 ? 1 : 0;
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
