#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/MapData.h"
#include "map/MapCharacter.h"

// The current map's block of a save file, written from the format alone in
// the form of any save version: 105 and later store the map size and the
// tiles, 100 and later store tile flags as int32 (older ones as one byte).
// The characters' own blocks come from the characters' writer.
struct MapStateBlock {
  int32_t mapId = 0;
  int32_t scrollX = 0;
  int32_t scrollY = 0;
  // Version 105 and later: the size and the three layers [layer][x][y].
  int32_t width = 0;
  int32_t height = 0;
  std::array<TileLayer, 3> layers;
  // Tile-set image, then autotiles 1-7.
  std::array<std::string, 8> names;
  std::vector<int32_t> tileFlags;
  std::vector<MapCharacter> events;
  std::vector<int32_t> reservedValues;
};

// The block's bytes for that save version. Uses gSaveBuffer to write the
// character blocks (its contents are replaced).
std::vector<uint8_t> MapStateBlockBytes(const MapStateBlock& block, int version);
