#include "interpreter/MapCommands.h"

#include <algorithm>
#include <cstdint>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "map/MapMath.h"

// Map, tile and character commands: transfers, move routes, movement during
// events, tile flags, the tile set and painting tiles.

namespace {

constexpr int kRegisteredPositionType = 7;
constexpr int kRestoreAllFlags = -1000000;

int AutotileQuadrantCode(bool vertical, bool horizontal, bool diagonal) {
  if (vertical && horizontal) return diagonal ? 4 : 3;
  if (vertical) return 1;
  if (horizontal) return 2;
  return 0;
}

// The one cell of the layer as written in a map: (a + 1) * 100,000 + code
// for autotile a, value - 8 for a tileset cell.
bool SameAutotile(const MapData& map, int layer, int64_t cx, int64_t cy, int64_t kind) {
  const int64_t width = map.header.width;
  const int64_t height = map.header.height;
  if (cx < 0 || cy < 0 || cx >= width || cy >= height) return true;
  const int64_t value = map.layers[static_cast<size_t>(layer)][static_cast<size_t>(cx)][static_cast<size_t>(cy)];
  return value >= kind * 100000 && value < (kind + 1) * 100000;
}

}  // namespace

int AutotileQuadrantCodes(const std::array<bool, 9>& same) {
  const int topLeft = AutotileQuadrantCode(same[1], same[3], same[0]);
  const int topRight = AutotileQuadrantCode(same[1], same[5], same[2]);
  const int bottomLeft = AutotileQuadrantCode(same[7], same[3], same[6]);
  const int bottomRight = AutotileQuadrantCode(same[7], same[5], same[8]);
  return topLeft * 1000 + topRight * 100 + bottomLeft * 10 + bottomRight;
}

bool EventRunner::CmdTransfer() {
  const EventCommand& command = CurrentCommand();
  const int raw = Param(1);
  const int options = command.ints.size() >= 6 ? Param(5) : 0;
  enum class Target { kHero, kRegistered, kCharacter } target = Target::kCharacter;
  int characterOperand = raw;
  if (raw == -1) {
    target = Target::kHero;
  } else if (raw == -2) {
    target = Target::kCharacter;
    characterOperand = -1;  // the running map event
  } else if (raw == -10001) {
    target = Target::kRegistered;
  } else {
    const int t = RunnerReadValue(raw);
    if (t <= -1000) return true;
    if (t == -2) target = Target::kHero;
    if (t == -10001) target = Target::kRegistered;
    characterOperand = t;
  }

  if (target == Target::kCharacter) {
    // The operand is already read: resolve the number as it stands.
    MapCharacter* character = characterOperand <= -3   ? PartyMemberCharacter(-(int64_t{characterOperand} + 3))
                              : characterOperand == -1 ? MapEventCharacterById(mapEventId)
                                                       : MapEventCharacterById(characterOperand);
    if (!character) return true;
    character->PlaceCharacter(RunnerReadValue(Param(2)), RunnerReadValue(Param(3)), options & 1);
    waitFrames = 1;
    return true;
  }

  if (gGameSystem.transferPending || gGameSystem.windowOpen || gGameSystem.transitionRunning) return false;
  gGameSystem.transferPending = 1;
  if (target == Target::kHero) {
    const int64_t scale = (options & 1) ? 1 : 2;
    gGameSystem.transferMapId = Param(4) == -1 ? gCurrentMap.mapId : RunnerReadValue(Param(4));
    gGameSystem.transferX = SaturateInt(scale * RunnerReadValue(Param(2)));
    gGameSystem.transferY = SaturateInt(scale * RunnerReadValue(Param(3)));
  } else {
    const int row = RunnerReadValue(Param(2));
    gGameSystem.transferMapId = RunnerReadValue(gSystemDatabase.ReadDatabaseInt(kRegisteredPositionType, row, 0));
    gGameSystem.transferX =
        SaturateInt(2 * int64_t{RunnerReadValue(gSystemDatabase.ReadDatabaseInt(kRegisteredPositionType, row, 1))});
    gGameSystem.transferY =
        SaturateInt(2 * int64_t{RunnerReadValue(gSystemDatabase.ReadDatabaseInt(kRegisteredPositionType, row, 2))});
  }
  waitFrames = 1;
  return true;
}

bool EventRunner::CmdMoveRoute() {
  const EventCommand& command = CurrentCommand();
  // A command without a stored route has nothing to start.
  if (command.routes.empty()) return true;
  MapCharacter* character = GetCharacterById(Param(1));
  if (character) character->StartMoveRoute(command.routes.front());
  return true;
}

bool EventRunner::CmdAllowMoveDuringEvents() {
  gEventSystem.moveDuringEvents = 1;
  return true;
}

bool EventRunner::CmdStopMoveDuringEvents() {
  gEventSystem.moveDuringEvents = 0;
  return true;
}

bool EventRunner::CmdSetTileFlags() {
  CurrentMap& map = gCurrentMap;
  if (Param(1) == kRestoreAllFlags) {
    map.tileFlags = map.savedTileFlags;
    gGameSystem.tileFlagsChanged = 1;
    return true;
  }
  const int n = RunnerReadValue(Param(1));
  if (n < 0 || static_cast<size_t>(n) >= map.tileFlags.size()) return true;
  map.tileFlags[static_cast<size_t>(n)] = Param(2);
  gGameSystem.tileFlagsChanged = 1;
  return true;
}

bool EventRunner::CmdChangeTileset() {
  CurrentMap& map = gCurrentMap;
  const int n = RunnerReadValue(Param(1));
  if (n < 0 || static_cast<size_t>(n) >= map.tilesetList.tilesets.size()) return true;
  map.tileset = map.tilesetList.CopyTileset(n);
  map.tilesetImageName = map.tileset.imageNames[0];
  for (size_t i = 0; i < map.autotileImageNames.size(); ++i) map.autotileImageNames[i] = map.tileset.imageNames[i + 1];
  map.tileFlags = map.tileset.tileFlags;
  map.savedTileFlags = map.tileFlags;
  map.tileTags = map.tileset.tileTags;
  gGameSystem.tilesetChanged = 1;
  return true;
}

bool EventRunner::CmdEditMapTiles() {
  MapData& data = gCurrentMap.mapData;
  const int layer = RunnerReadValue(Param(1)) - 1;
  const int64_t x = RunnerReadValue(Param(2));
  const int64_t y = RunnerReadValue(Param(3));
  int64_t width = RunnerReadValue(Param(4));
  int64_t height = RunnerReadValue(Param(5));
  const int64_t tile = RunnerReadValue(Param(6));
  const int64_t mapWidth = data.header.width;
  const int64_t mapHeight = data.header.height;
  if (layer < 0 || layer > 2) return true;
  if (tile < 0 || static_cast<uint64_t>(tile) >= gCurrentMap.tileFlags.size()) return true;
  if (x < 0 || x >= mapWidth || y < 0 || y >= mapHeight) return true;
  // The layers may be smaller than the header says on a damaged map.
  const TileLayer& cells = data.layers[static_cast<size_t>(layer)];
  if (static_cast<int64_t>(cells.size()) < mapWidth ||
      (mapWidth > 0 && static_cast<int64_t>(cells[0].size()) < mapHeight)) {
    return true;
  }
  width = std::min(width, mapWidth - x);
  height = std::min(height, mapHeight - y);
  const int32_t value = tile < 8 ? static_cast<int32_t>((tile + 1) * 100000 + 4444) : static_cast<int32_t>(tile - 8);
  TileLayer& target = data.layers[static_cast<size_t>(layer)];
  for (int64_t cx = x; cx < x + width; ++cx) {
    for (int64_t cy = y; cy < y + height; ++cy) target[static_cast<size_t>(cx)][static_cast<size_t>(cy)] = value;
  }
  // Autotile edges around and along the rectangle follow their neighbours.
  const int64_t left = std::max<int64_t>(x - 1, 0);
  const int64_t top = std::max<int64_t>(y - 1, 0);
  const int64_t right = std::min<int64_t>(x + std::max<int64_t>(width, 0), mapWidth - 1);
  const int64_t bottom = std::min<int64_t>(y + std::max<int64_t>(height, 0), mapHeight - 1);
  for (int64_t cx = left; cx <= right; ++cx) {
    for (int64_t cy = top; cy <= bottom; ++cy) {
      const bool inner = cx > x && cx < x + width - 1 && cy > y && cy < y + height - 1;
      if (inner) continue;
      int32_t& cell = target[static_cast<size_t>(cx)][static_cast<size_t>(cy)];
      const int64_t kind = cell / 100000;
      if (kind < 2) continue;
      std::array<bool, 9> same{};
      for (int k = 0; k < 9; ++k)
        same[static_cast<size_t>(k)] = SameAutotile(data, layer, cx + k % 3 - 1, cy + k / 3 - 1, kind);
      same[4] = true;
      cell = static_cast<int32_t>(kind * 100000 + AutotileQuadrantCodes(same));
    }
  }
  return true;
}
