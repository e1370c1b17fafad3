#include "gamedata/SaveBuffer.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "map/MapEventRunners.h"

void MapCharacter::TurnToHeroOnStart() {
  directionBeforeEvent = direction;
  if (fixedDirection) return;
  const int dx = gHero.x - x;
  const int dy = gHero.y - y;
  if (dx == 0 && dy == 0) return;
  const int ax = dx < 0 ? -dx : dx;
  const int ay = dy < 0 ? -dy : dy;
  if (ax > ay) {
    direction = dx < 0 ? 4 : 6;
  } else {
    direction = dy < 0 ? 8 : 2;
  }
}

void MapCharacter::RestoreFacingAfterEvent() {
  if (directionBeforeEvent < 0) return;
  if (!fixedDirection) direction = directionBeforeEvent;
  directionBeforeEvent = -1;
}

// The character block starts with id, position and height; the character
// subsystem brings the rest of it (graphics, movement, routes).
void MapCharacter::SaveCharacterState() const {
  gSaveBuffer.WriteInt32(id);
  gSaveBuffer.WriteInt32(x);
  gSaveBuffer.WriteInt32(y);
  gSaveBuffer.WriteInt32(height);
}

bool MapCharacter::LoadCharacterState() {
  int32_t value = 0;
  if (!gSaveBuffer.ReadInt32(value)) return false;
  id = value;
  if (!gSaveBuffer.ReadInt32(value)) return false;
  x = value;
  if (!gSaveBuffer.ReadInt32(value)) return false;
  y = value;
  if (!gSaveBuffer.ReadInt32(value)) return false;
  height = value;
  return true;
}

// Page selection, movement and the erase fade come with the map events'
// own subsystem; until then an event keeps the page it was given.
MapEventCharacter::MapEventCharacter(int mapIdOfEvent, const MapEvent& eventRecord)
    : mapId(mapIdOfEvent), record(eventRecord) {
  id = record.id;
  x = record.x * 2;
  y = record.y * 2;
  SelectEventPage();
}

void MapEventCharacter::SelectEventPage() {}

void MapEventCharacter::UpdateMapEvent() {
  if (eraseState != -1) return;
  for (MapEventParallelRunner& parallel : gMapEventParallelRunners) {
    if (parallel.eventId != id) continue;
    if (parallel.runners.empty()) {
      parallel.runners.emplace_back();
      parallel.runners.back().StartEventRunner(0, 0);
    }
    EventRunner& runner = parallel.runners.front();
    if (!runner.IsEventRunnerBusy()) runner.SetupEventCall(&pageCommands, id, -1);
    runner.RunEventRunner();
    return;
  }
}
