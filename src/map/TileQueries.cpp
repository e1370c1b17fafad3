#include <algorithm>

#include "gamedata/GameInfo.h"
#include "map/CurrentMap.h"
#include "map/MapMath.h"

namespace {

// Tile flag bits.
constexpr int32_t kClosedBottom = 0x1;  // quarter mode: bottom-right quarter
constexpr int32_t kClosedLeft = 0x2;    // bottom-left quarter
constexpr int32_t kClosedRight = 0x4;   // top-right quarter
constexpr int32_t kClosedTop = 0x8;     // top-left quarter
constexpr int32_t kClosedAll = 0xF;
constexpr int32_t kPriorityTwo = 0x10;
constexpr int32_t kQuarterMode = 0x20;
constexpr int32_t kHalfHidden = 0x40;
constexpr int32_t kCounter = 0x80;
constexpr int32_t kPriorityOne = 0x100;

// Settings byte 8 of the game information: 1 when characters move by whole
// cells.
bool MovesByWholeCells() { return gGameInfo.settings.size() > 8 && gGameInfo.settings[8] == 1; }

// Whether the flags of one tile close the way of a character at (x, y) with
// its feet row r, looked at through column `column` (0 left, 1 right) at half
// column h.
bool TileBlocks(int32_t flags, int x, int y, int64_t h, int64_t r, int column, int side, int stepSize) {
  if (flags & kQuarterMode) {
    if (stepSize == 2 && (flags & kClosedAll)) return true;
    const int64_t px = h % 2;
    const int64_t py = r % 2;
    return (px == 0 && py == 1 && (flags & kClosedLeft)) || (px == 1 && py == 0 && (flags & kClosedRight)) ||
           (px == 0 && py == 0 && (flags & kClosedTop)) || (px == 1 && py == 1 && (flags & kClosedBottom));
  }
  const bool oddX = x % 2 != 0;
  const bool evenX = !oddX;
  const bool evenY = y % 2 == 0;
  if (side == 6 && column == 0 && (flags & kClosedRight) && oddX) return true;
  if (side == 4 && column == 1 && (flags & kClosedLeft) && oddX) return true;
  if (!MovesByWholeCells()) {
    if (side == 6 && column == 0 && (flags & kClosedRight) && evenX) return true;
    if (side == 4 && column == 0 && (flags & kClosedLeft) && evenX) return true;
    if (side == 2 && (flags & kClosedBottom) && evenY) return true;
    if (side == 8 && (flags & kClosedTop) && !evenY) return true;
  } else {
    if ((side == 2 && (flags & kClosedBottom)) || (side == 8 && (flags & kClosedTop)) ||
        (side == 4 && (flags & kClosedLeft)) || (side == 6 && (flags & kClosedRight)))
      return true;
  }
  return (flags & kClosedAll) == kClosedAll;
}

// GetMapTile on positions that may lie one step past the int range.
int TileIndexAt(const CurrentMap& map, int64_t x, int64_t y, int layer) {
  const int64_t columns = int64_t{map.GetMapWidth()} * 2;
  const int64_t rows = int64_t{map.GetMapHeight()} * 2;
  // A map without cells has nothing to wrap into.
  if (columns <= 0 || rows <= 0 || layer < 0 || layer > 2) return -1;
  // Every coordinate wraps into the map, looping or not.
  const int64_t px = WrapIntoSpan(x, columns);
  const int64_t py = WrapIntoSpan(y, rows);
  const int32_t value = map.mapData.TileAt(layer, static_cast<int32_t>(px / 2), static_cast<int32_t>(py / 2));
  return static_cast<int>(TileIndexOfTileNumber(value));
}

}  // namespace

int32_t CurrentMap::TileFlags(int tileIndex) const { return TileListEntry(tileFlags, tileIndex); }

uint8_t CurrentMap::TileTag(int tileIndex) const { return TileListEntry(tileTags, tileIndex); }

int CurrentMap::GetMapTile(int x, int y, int layer) const { return TileIndexAt(*this, x, y, layer); }

bool CurrentMap::IsInsideMap(int x, int y) const { return IsInsideMap64(x, y); }

bool CurrentMap::IsInsideMap64(int64_t x, int64_t y) const {
  const int64_t columns = int64_t{GetMapWidth()} * 2;
  const int64_t rows = int64_t{GetMapHeight()} * 2;
  if (columns <= 0 || rows <= 0) return false;
  return (loopX || (x >= 0 && x <= columns - 2)) && (loopY || (y >= 0 && y <= rows - 1));
}

bool CurrentMap::TilePassable(int x, int y, int side, int, int stepSize) const {
  const int64_t r = int64_t{y} + 1;
  if (!IsInsideMap64(x, r)) return false;
  for (int column = 0; column < 2; ++column) {
    const int64_t h = int64_t{x} + column;
    for (int layer = 2; layer >= 0; --layer) {
      int tile = TileIndexAt(*this, h, r, layer);
      while (tile == 0 && layer > 0) tile = TileIndexAt(*this, h, r, --layer);
      if (tile == -1) return false;
      const int32_t flags = TileFlags(tile);
      if (TileBlocks(flags, x, y, h, r, column, side, stepSize)) return false;
      if (!(flags & (kPriorityTwo | kPriorityOne))) break;
    }
  }
  return true;
}

bool CurrentMap::IsHalfHiddenCell(int x, int y) const {
  if (mapId == -1) return false;
  for (int layer = 2; layer >= 0; --layer) {
    if ((TileFlags(TileIndexAt(*this, x, int64_t{y} + 1, layer)) & kHalfHidden) &&
        (TileFlags(TileIndexAt(*this, int64_t{x} + 1, int64_t{y} + 1, layer)) & kHalfHidden))
      return true;
  }
  return false;
}

bool CurrentMap::IsCounterCell(int x, int y) const {
  if (mapId == -1) return false;
  static constexpr int kAround[6][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, 1}, {-1, 1}, {1, 1}};
  for (int layer = 2; layer >= 0; --layer) {
    int tiles[6];
    for (int i = 0; i < 6; ++i)
      tiles[i] = TileIndexAt(*this, int64_t{x} + kAround[i][0], int64_t{y} + kAround[i][1], layer);
    if (std::find(std::begin(tiles), std::end(tiles), -1) != std::end(tiles)) return false;
    for (int tile : tiles) {
      if (TileFlags(tile) & kCounter) return true;
    }
  }
  return false;
}

uint8_t CurrentMap::GetCellTileTag(int x, int y) const {
  if (mapId == -1) return 0;
  for (int layer = 2; layer >= 0; --layer) {
    const uint8_t a = TileTag(TileIndexAt(*this, x, int64_t{y} + 1, layer));
    const uint8_t b = TileTag(TileIndexAt(*this, int64_t{x} + 1, int64_t{y} + 1, layer));
    if (a != 0 || b != 0) return std::max(a, b);
  }
  return 0;
}

int CurrentMap::FindMapEventAt(int x, int y) const {
  for (const MapEventCharacter& event : eventCharacters) {
    if (event.x == x && event.y == y) return event.id;
  }
  return -1;
}
