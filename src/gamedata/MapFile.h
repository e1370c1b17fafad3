#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/MapData.h"

class DataFileCursor;

// Loads the map file gDataFolderPath + fileName into the map data. A file
// that does not open, is not a map file or is damaged is reported in a
// message box and gives false (the map data is then reset).
bool LoadMapFile(MapData& map, const std::string& fileName);

// Parses a map file image (still scrambled) held by the cursor. False when it
// is not a map file or is damaged; fileName only names it in messages.
bool ParseMapFile(MapData& map, DataFileCursor& cursor, const std::string& fileName);

// Writes the map file gDataFolderPath + fileName (created or truncated) in
// the form LoadMapFile reads, scrambled with fresh random seeds. The stored
// width, height and event count are those of the layers and the event list.
// False when the file cannot be written whole.
bool WriteMapFile(const MapData& map, const std::string& fileName);

// Puts the events read from a map file in id order, equal ids in file order:
// what inserting each event in turn gives, but in one sort, so a file stored
// in falling id order does not move the whole list once per event. Any
// record with an `id` member sorts the same way.
template <typename Event>
void SortEventsById(std::vector<Event>& events) {
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.id < b.id; });
}

inline constexpr uint8_t kMapFileTag = 101;
inline constexpr int32_t kMapFormatValue = 100;
