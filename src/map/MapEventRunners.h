#pragma once

#include "gamedata/MapData.h"

// The current map's record of the map event with its pages, or null.
const MapEvent* FindCurrentMapEventData(int eventId);
