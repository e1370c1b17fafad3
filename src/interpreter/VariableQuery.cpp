#include <cstdint>
#include <vector>

#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/VariableArithmetic.h"
#include "map/MapEventRunners.h"
#include "presentation/PictureValues.h"
#include "shell/ShellServices.h"
#include "shell/SoundChannels.h"

namespace {

enum : int { kKindCharacter = 1, kKindMapPlace = 2, kKindSystem = 3, kKindPicture = 4 };

// Option byte k of the map event's current page, or 0 when it has no page or
// the page has fewer than `needed` option bytes.
int PageOptionByte(const MapEventCharacter& event, size_t k, size_t needed) {
  const MapEvent* data = FindCurrentMapEventData(event.id);
  if (!data || event.pageIndex < 0 || static_cast<size_t>(event.pageIndex) >= data->pages.size()) return 0;
  const auto& options = data->pages[static_cast<size_t>(event.pageIndex)].pageOptions;
  return options.size() >= needed && k < options.size() ? options[k] : 0;
}

int CharacterField(const MapCharacter& character, int field) {
  MapEventCharacter* event = character.id >= 0 ? gCurrentMap.FindMapEvent(character.id) : nullptr;
  switch (field) {
    case 0: return character.x / 2;
    case 1: return character.y / 2;
    case 2: return character.x;
    case 3: return character.y;
    case 4: return character.heightOffset;
    case 5: return character.direction;
    case 6: return character.GetCharacterScreenX(false);
    case 7: return character.GetCharacterScreenBaseY(false);
    case 8: return event ? PageOptionByte(*event, 0, 1) : gEventSystem.heroOpacity & 0xFF;
    case 9: return character.GetCharacterTileTag();
    case 10: return character.id;
    case 11: {
      const int64_t tile = gTileSize;
      const int64_t x = character.GetCharacterScreenX(true);
      const int64_t y = character.GetCharacterScreenY(true);
      return -tile < x && x < 21 * tile && -tile < y && y < 17 * tile ? 1 : 0;
    }
    case 12: return event ? event->pageIndex + 1 : 0;
    case 13: return event ? event->StartType : 0;
    case 14: return event ? PageOptionByte(*event, 1, 3) : 0;
    case 15: return event ? PageOptionByte(*event, 2, 3) : 0;
    default: return 0;
  }
}

int MapPlaceValue(int x, int y, bool halfCells, int what) {
  const int64_t hx = halfCells ? int64_t{x} : int64_t{x} * 2;
  const int64_t hy = halfCells ? int64_t{y} : int64_t{y} * 2;
  const int px = SaturateToInt(hx);
  const int py = SaturateToInt(hy);
  switch (what) {
    case 0: return GetCellTileTag(px, py) & 0xFF;
    case 1:
      for (const MapEventCharacter& event : gCurrentMap.eventCharacters) {
        const bool here = halfCells ? event.x == x && event.y == y : event.x / 2 == x && event.y / 2 == y;
        if (here) return event.id;
      }
      return -1;
    case 2: return TilePassable(px, py, 0, -1, 0) == 1 ? 0 : 1;
    case 3: return gHero.CanCharacterMove(px, py, 0) ? 0 : 1;
    case 4:
      for (int layer = 2; layer >= 0; --layer) {
        const int tile = GetMapTile(px, py, layer);
        if (tile != 0) return tile;
      }
      return 0;
    default: return 0;
  }
}

// The map event under the mouse cursor; the smallest id wins.
int EventUnderMouse() {
  const int64_t tile = gTileSize;
  const int64_t width = int64_t{GetMapWidth()} * tile;
  const int64_t height = int64_t{GetMapHeight()} * tile;
  // A map without cells has no place under the cursor.
  if (width <= 0 || height <= 0) return -1;
  const int64_t mouseX = ((gCurrentMap.scrollX / 4 + int64_t{gInput.mouseX} + width) % width);
  const int64_t mouseY = ((gCurrentMap.scrollY / 4 + int64_t{gInput.mouseY} + height) % height);
  int found = -1;
  for (const MapEventCharacter& event : gCurrentMap.eventCharacters) {
    const int64_t dx = mouseX - event.fineX / 4;
    const int64_t dy = mouseY - event.fineY / 4;
    // A tall event reaches half a tile higher.
    const int64_t rise = event.tall ? tile / 2 : 0;
    if (!(0 < dx && dx < tile)) continue;
    if (!(tile / 2 - rise <= dy && dy <= tile)) continue;
    if (found < 0 || event.id < found) found = event.id;
  }
  return found;
}

int MouseButton(int button) {
  const uint8_t pressed[3] = {gInput.mouseLeftPressed, gInput.mouseRightPressed, gInput.mouseMiddlePressed};
  const uint8_t held[3] = {gInput.mouseLeftHeld, gInput.mouseRightHeld, gInput.mouseMiddleHeld};
  if (pressed[button]) return 2;
  return held[button] ? 1 : 0;
}

int SystemValue(const EventRunner& runner, int code) {
  switch (code) {
    case 0: return gGameSystem.transferPending ? gGameSystem.transferMapId : gCurrentMap.mapId;
    case 1: return gEventSystem.currentBgm < SoundChannelEntryCount(0) ? gEventSystem.currentBgm : -1;
    case 2: return gEventSystem.currentBgs < SoundChannelEntryCount(1) ? gEventSystem.currentBgs : -1;
    case 3: return SoundChannelPlayTimeMs(0);
    case 4: return SoundChannelPlayTimeMs(1);
    case 5: return SoundChannelEndValue(0);
    case 6: return SoundChannelEndValue(1);
    case 7: return MouseButton(0);
    case 8: return MouseButton(1);
    case 9: return MouseButton(2);
    case 10: return gInput.wheel;
    case 11: return gInput.mouseDx;
    case 12: return gInput.mouseDy;
    case 13: return EventUnderMouse();
    case 14: return runner.mapEventId;
    case 15: return GetMapWidth();
    case 16: return GetMapHeight();
    default: return 0;
  }
}

}  // namespace

bool EventRunner::CmdVariableQuery() {
  const int flags = Param(2);
  const int kind = (flags >> 12) & 0x0F;
  int current = RunnerReadValue(Param(1));
  int storeId = Param(1);
  if (flags & 0x10) {
    storeId = current < 1000000 ? current + 2000000 : current;
    current = RunnerReadValue(storeId);
  }

  int value = 0;
  switch (kind) {
    case kKindCharacter: {
      const MapCharacter* character = GetCharacterById(Param(3));
      value = character ? CharacterField(*character, Param(4)) : -1;
      break;
    }
    case kKindMapPlace:
      value = MapPlaceValue(RunnerReadValue(Param(3)), RunnerReadValue(Param(4)), (flags & 0x20) != 0,
                            (flags >> 16) & 0x0F);
      break;
    case kKindSystem: value = SystemValue(*this, Param(3)); break;
    case kKindPicture: value = GetPictureValue(RunnerReadValue(Param(3)), Param(4)); break;
    default: return true;  // no query: nothing stored, no refresh
  }

  RequestPageRefresh();
  int stored = 0;
  if (!IntegerAssignmentStage((flags >> 8) & 0x0F, current, value, &stored)) return true;
  RunnerWriteVariable(storeId, ClampToMillion(flags & 0x1, stored));
  return true;
}
