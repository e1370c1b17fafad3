#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class DataFileCursor;

// The images a map draws its tiles from and the per-tile tag and flag lists.
// Tile index 0-7 are the autotiles (0 the empty tile), 8 + n cell n of the
// tileset image.
struct Tileset {
  std::string name;
  std::array<std::string, 8> imageNames;
  std::vector<uint8_t> tileTags{0, 1, 2, 3, 4, 5, 6, 7};
  std::vector<int32_t> tileFlags{0, 0, 0, 0, 0, 0, 0, 0};

  // Tag and flag word of a tile index; 0 for an index the lists lack.
  uint8_t TagAt(int64_t tileIndex) const;
  int32_t FlagsAt(int64_t tileIndex) const;

  bool operator==(const Tileset&) const = default;
};

// Entry tileIndex of a per-tile list (tags or flags); 0 for an index the list
// lacks.
template <typename List>
typename List::value_type TileListEntry(const List& list, int64_t tileIndex) {
  if (tileIndex < 0 || static_cast<uint64_t>(tileIndex) >= list.size()) return 0;
  return list[static_cast<size_t>(tileIndex)];
}

// Per-tile list index of a map tile number: a tileset cell n gives n + 8, an
// autotile number gives number / 100000 - 1; -1 for a negative number.
int64_t TileIndexOfTileNumber(int32_t tileNumber);

struct TilesetList {
  std::vector<Tileset> tilesets{Tileset{}};

  // The tileset of that number, or null when the list has none.
  const Tileset* Find(int64_t number) const;

  // The tileset of that number, or a constructed one when the list has none,
  // so a bad number in a map never reads outside the list.
  Tileset CopyTileset(int64_t number) const;

  // Reads gDataFolderPath + fileName. True when the whole file was read; the
  // list keeps what was read before a failure.
  bool ReadTilesetDataFile(const std::string& fileName);
  // The same on a file image (still scrambled) held by the cursor; fileName
  // only names it in messages.
  bool ParseTilesetDataFile(DataFileCursor& cursor, const std::string& fileName);
};

inline constexpr uint8_t kTilesetVersionByteFlags = 0xCF;  // flags as bytes
inline constexpr uint8_t kTilesetVersionIntFlags = 0xD0;   // flags as int32
inline constexpr uint8_t kTilesetEndByte = 0xCF;
