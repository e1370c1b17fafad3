#include <algorithm>
#include <string>

#include "gamedata/SaveBuffer.h"
#include "map/CurrentMap.h"
#include "map/MapMath.h"

namespace {

// First save format that stores the tile layers, and the first that stores
// tile flags as int32 (older ones keep one byte per flag).
constexpr int kVersionWithTiles = 105;
constexpr int kVersionWithIntFlags = 100;

}  // namespace

bool CurrentMap::SaveMapState() const {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.WriteInt32(mapId);
  buffer.WriteInt32(scrollX);
  buffer.WriteInt32(scrollY);
  const int32_t width = std::max(GetMapWidth(), 0);
  const int32_t height = std::max(GetMapHeight(), 0);
  buffer.WriteInt32(width);
  buffer.WriteInt32(height);
  for (int layer = 0; layer < 3; ++layer) {
    const TileLayer& tiles = mapData.layers[static_cast<size_t>(layer)];
    for (int32_t x = 0; x < width; ++x) {
      // Cells a short layer lacks are written as the empty tile.
      const bool whole =
          static_cast<size_t>(x) < tiles.size() && tiles[static_cast<size_t>(x)].size() >= static_cast<size_t>(height);
      for (int32_t y = 0; y < height; ++y)
        buffer.WriteInt32(whole ? tiles[static_cast<size_t>(x)][static_cast<size_t>(y)] : mapData.TileAt(layer, x, y));
    }
  }
  buffer.WriteStr32Z(tilesetImageName);
  for (const std::string& name : autotileImageNames) buffer.WriteStr32Z(name);
  buffer.WriteInt32(static_cast<int32_t>(tileFlags.size()));
  for (int32_t flags : tileFlags) buffer.WriteInt32(flags);
  buffer.WriteInt32(static_cast<int32_t>(eventCharacters.size()));
  for (const MapEventCharacter& event : eventCharacters) event.SaveCharacterState();
  // The reserved list is always stored empty.
  buffer.WriteInt32(0);
  return true;
}

bool CurrentMap::LoadMapState(bool reload) {
  SaveBuffer& buffer = gSaveBuffer;
  const int version = buffer.formatNumber;
  int32_t value = 0;

  if (!buffer.ReadInt32(value)) return false;
  mapId = value;
  if (reload) ChangeMap(mapId);
  if (!buffer.ReadInt32(value)) return false;
  scrollX = value;
  if (!buffer.ReadInt32(value)) return false;
  scrollY = value;

  if (version >= kVersionWithTiles) {
    int32_t width = 0;
    int32_t height = 0;
    if (!buffer.ReadInt32(width) || !buffer.ReadInt32(height)) return false;
    if (width < 0 || height < 0 || width > kMaxMapSide || height > kMaxMapSide ||
        !FitsCount(buffer, int64_t{width} * height, 12)) {
      buffer.shortData = true;
      return false;
    }
    mapData.header.width = width;
    mapData.header.height = height;
    mapData.ResizeMapLayers(true, 0, 0);
    for (TileLayer& layer : mapData.layers) {
      for (std::vector<int32_t>& column : layer) {
        for (int32_t& tile : column) buffer.ReadInt32(tile);
      }
    }
  }

  if (!buffer.ReadStr32Z(tilesetImageName)) return false;
  for (std::string& name : autotileImageNames) {
    if (!buffer.ReadStr32Z(name)) return false;
  }

  const bool intFlags = version >= kVersionWithIntFlags;
  int32_t flagCount = 0;
  if (!buffer.ReadInt32(flagCount) || !FitsCount(buffer, flagCount, intFlags ? 4 : 1)) return false;
  tileFlags.resize(static_cast<size_t>(flagCount), 0);
  for (int32_t& flags : tileFlags) {
    if (intFlags) {
      buffer.ReadInt32(flags);
    } else {
      // The stored byte replaces only the lowest byte of the entry.
      uint8_t low = 0;
      buffer.ReadUint8(low);
      flags = static_cast<int32_t>((static_cast<uint32_t>(flags) & ~0xFFu) | low);
    }
  }

  int32_t eventCount = 0;
  if (!buffer.ReadInt32(eventCount) || !FitsCount(buffer, eventCount, kMinCharacterStateBytes)) return false;
  // Entries beyond the count keep their state.
  if (eventCharacters.size() < static_cast<size_t>(eventCount)) eventCharacters.resize(static_cast<size_t>(eventCount));
  for (int32_t i = 0; i < eventCount; ++i) {
    if (!eventCharacters[static_cast<size_t>(i)].LoadCharacterState()) return false;
  }

  // The reserved list has no use: its values are passed over.
  int32_t reservedCount = 0;
  if (!buffer.ReadInt32(reservedCount) || !FitsCount(buffer, reservedCount, 4)) return false;
  buffer.position += 4 * static_cast<size_t>(reservedCount);
  return true;
}
