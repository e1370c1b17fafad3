#include "map/MapEventRunners.h"

#include "map/CurrentMap.h"

const MapEvent* FindCurrentMapEventData(int eventId) {
  const int index = gCurrentMap.mapData.FindMapEventIndex(eventId);
  return index < 0 ? nullptr : &gCurrentMap.mapData.events[static_cast<size_t>(index)];
}
