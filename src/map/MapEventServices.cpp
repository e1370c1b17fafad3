#include "interpreter/CommonEventTriggers.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"

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

MapEventCharacter* CurrentMap::FindMapEvent(int eventId) {
  for (MapEventCharacter& event : eventCharacters) {
    if (event.id == eventId) return &event;
  }
  return nullptr;
}

// Page selection comes with the map's events; until then a refresh clears
// its request and, after the (future) page selection, refreshes the common
// events' run entries, which follow the same variables.
void RefreshEventPages() {
  gCurrentMap.pageRefresh = 0;
  RefreshCommonEventRunEntries();
}

bool IsMapScrolling() { return gCurrentMap.scrollRemaining != 0; }
