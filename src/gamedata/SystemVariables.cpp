// System variables (ids 9,000,000 on) and system strings (9,900,000 on): each
// index is wired to a field or query of another object, often with a clamp or
// a side effect on writing.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "platform/time/Time.h"
#include "shell/GameSystem.h"
#include "shell/MidiLibrary.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

namespace {

int16_t Low16(int value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); }
int8_t Low8(int value) { return static_cast<int8_t>(static_cast<uint8_t>(value)); }

int Clamp(int64_t value, int64_t low, int64_t high) {
  // Bounds may cross on maps smaller than the screen: the upper one wins.
  const int64_t v = std::min(std::max(value, low), high);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int>(v);
}

int SaturatedTimesFour(int value) {
  const int64_t v = int64_t{value} * 4;
  return static_cast<int>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

MapCharacter* HeroOrMember(int index) {
  if (index == 0) return &gHero;
  if (index < 1 || static_cast<size_t>(index) > gHero.party.size()) return nullptr;
  return &gHero.party[static_cast<size_t>(index - 1)];
}

}  // namespace

int VariableStore::ReadSystemVariable(int index) {
  const EventSystem* es = context;
  if (!es) return 0;
  const platform::LocalTime now = (index >= 77 && index <= 82) ? platform::GetLocalTime() : platform::LocalTime{};
  switch (index) {
    case 0: return es->scriptValue0;
    case 1: return es->messageWindowX;
    case 2: return es->messageWindowY;
    case 3: return es->choiceWindowX;
    case 4: return es->choiceWindowY;
    case 5: return es->messageTextOffsetX;
    case 6: return es->messageTextOffsetY;
    case 7: return es->nextChoiceCursor;
    case 8: return es->fontSize;
    case 9: return es->messageRevealSpeed;
    case 10: return es->messageOpenWait;
    case 11: return es->fallbackRevealSpeed;
    case 12: return gGameSystem.windowOpen ? 1 : 0;
    case 13: return gEventSystem.IsEventRunnerBusy() ? 1 : 0;
    case 14: return es->choiceWindowMode;
    case 15: return es->keyRepeatDelay;
    case 16: return es->keyRepeatInterval;
    case 17: return es->choiceConfirmSe;
    case 18: return es->choiceMoveSe;
    case 19: return es->choiceCancelSe;
    case 20: return gGameSystem.lastChoiceResult;
    case 21: return gEventSystem.textRendererSwitch;
    case 22: return gEventSystem.choiceCursorMode;
    case 23: return gGameSystem.transferPending ? gGameSystem.transferMapId : gCurrentMap.mapId;
    case 24: return es->savedStateFlag;
    case 25: return es->lastSlotNumber;
    case 28: return es->frameCounter;
    case 29: return es->playTimeSeconds;
    case 30: return es->msInSecond;
    case 31: return es->framesPerSecond;
    case 32: return es->debugTimeValue;
    case 33: return es->frameSkipMode;
    case 35: return gHero.UpdateMovingFlag() ? 1 : 0;
    case 36: return es->heroOpacity;
    case 37: return es->partyTrailDistance;
    case 39: return es->keyInputState;
    case 40: return es->keyInputFieldX;
    case 41: return es->keyInputFieldY;
    case 43:
    case 44:
    case 45:
    case 46:
    case 47: return gInternetConnection.counters[static_cast<size_t>(index - 43)];
    case 48: return gInternetConnection.status;
    case 52:
    case 53:
    case 54: return GetActionKey(index - 52, true, es);
    case 55:
    case 56:
    case 57: return GetActionKey(index - 55, false, es);
    case 59: return es->keyInputOption1;
    case 60: return es->keyInputOption2;
    case 61:
    case 62:
    case 63:
    case 64:
    case 65: return es->fogValues[static_cast<size_t>(index - 61)];
    case 66:
    case 67:
    case 68: return es->panoramaValues[static_cast<size_t>(index - 66)];
    case 71: return gInput.mouseX;
    case 72: return gInput.mouseY;
    case 73: return es->windowsFollowMouse;
    case 74: return IsMouseCursorShown();
    case 77: return now.year;
    case 78: return now.month;
    case 79: return now.day;
    case 80: return now.hour;
    case 81: return now.minute;
    case 82: return now.second;
    case 84: return gTileSize != 16 ? 1 : 0;
    case 85: {
      return IsHardware3DActive() != 1 ? 1 : 0;
    }
    case 87:
    case 88:
    case 89:
    case 90:
    case 91: {
      const size_t member = static_cast<size_t>(index - 87);
      return member < es->partyOpacities.size() ? es->partyOpacities[member] : -1;
    }
    case 95: return gSoundManager.channels[0].volume;
    case 96: return gSoundManager.channels[0].frequency;
    case 97: return gSoundManager.channels[1].volume;
    case 98: return gSoundManager.channels[1].frequency;
    case 100: return es->bgmMasterVolume;
    case 101: return es->bgsMasterVolume;
    case 102: return es->seVolume;
    case 104: return gCurrentMap.scrollX / 4;
    case 105: return gCurrentMap.scrollY / 4;
    default: return -1;
  }
}

void VariableStore::WriteSystemVariable(int index, int value) {
  EventSystem* es = context;
  const bool live = this == &gVariableStore;
  switch (index) {
    // Fields of the game system, the input, the sound manager and the map:
    // they do not depend on the store's context.
    case 21: gEventSystem.textRendererSwitch = value; return;
    case 22: gEventSystem.choiceCursorMode = std::min(std::max(value, 0), 3); return;
    case 71:
    case 72: {
      if (index == 71) {
        gInput.mouseX = gInput.lastMouseX = value;
      } else {
        gInput.mouseY = gInput.lastMouseY = value;
      }
      {
        const double factor = GetWindowScale() * (gTileSize > 0 ? 32 / gTileSize : 1);
        SetMousePosition(static_cast<int>(gInput.mouseX * factor), static_cast<int>(gInput.mouseY * factor));
      }
      return;
    }
    case 95:
    case 97: {
      SoundFade& channel = gSoundManager.channels[index == 95 ? 0 : 1];
      const int master = es ? (index == 95 ? es->bgmMasterVolume : es->bgsMasterVolume) : 100;
      channel.fadeLeft = channel.fadeTotal = 2;
      channel.fadeOutVolume = channel.fadeInStart = channel.volume;
      channel.volume = static_cast<int>(int64_t{value} * master / 100);
      return;
    }
    case 96:
    case 98: {
      SoundFade& channel = gSoundManager.channels[index == 96 ? 0 : 1];
      channel.frequency = value;
      if (index == 96 && gSoundManager.bgmIsMidi) {
        gSoundManager.tempoCountdown = -1;
        GGSTempoDepth(MidiTempoOfFrequency(value));
      } else {
        const int64_t rate = GetSoundHandleSampleRate(channel.handle);
        SetSoundHandleFrequency(static_cast<int>(rate * value / 100), channel.handle);
      }
      return;
    }
    case 104: {
      if (!live) return;
      const int64_t t = gTileSize;
      const int64_t w = GetMapWidth();
      const int result = gCurrentMap.loopX ? Clamp(value, 1 - 10 * t, (w - 10) * t) : Clamp(value, 0, (w - 20) * t);
      gCurrentMap.scrollX = SaturatedTimesFour(result);
      return;
    }
    case 105: {
      if (!live) return;
      const double t = gTileSize;
      const int64_t h = GetMapHeight();
      const int result = gCurrentMap.loopY
                             ? Clamp(value, static_cast<int64_t>(std::trunc(-7.5 * t)) - 1,
                                     static_cast<int64_t>(std::trunc((static_cast<double>(h) - 7.5) * t + 1.0)))
                             : Clamp(value, 0, (h - 15) * gTileSize + 1);
      gCurrentMap.scrollY = SaturatedTimesFour(result);
      return;
    }
    default: break;
  }
  if (!es) return;
  switch (index) {
    case 0: es->scriptValue0 = value; break;
    case 1: es->messageWindowX = value; break;
    case 2: es->messageWindowY = value; break;
    case 3: es->choiceWindowX = value; break;
    case 4: es->choiceWindowY = value; break;
    case 5: es->messageTextOffsetX = Low16(value); break;
    case 6: es->messageTextOffsetY = Low16(value); break;
    case 7: es->nextChoiceCursor = value; break;
    case 8: es->fontSize = value; break;
    case 9: es->messageRevealSpeed = value; break;
    case 10: es->messageOpenWait = value; break;
    case 11: es->fallbackRevealSpeed = value; break;
    case 14: es->choiceWindowMode = Low8(value); break;
    case 15: es->keyRepeatDelay = std::max(value, 1); break;
    case 16: es->keyRepeatInterval = std::max(value, 1); break;
    case 17: es->choiceConfirmSe = value; break;
    case 18: es->choiceMoveSe = value; break;
    case 19: es->choiceCancelSe = value; break;
    case 25: es->lastSlotNumber = value; break;
    case 28: es->frameCounter = value; break;
    case 29: es->playTimeSeconds = value; break;
    case 30: es->msInSecond = value; break;
    case 33:
      es->frameSkipMode = value;
      SetFrameSkipMode(value);
      break;
    case 36: es->heroOpacity = Low16(value); break;
    case 37: es->partyTrailDistance = Low16(value); break;
    case 40: es->keyInputFieldX = Low16(value); break;
    case 41: es->keyInputFieldY = Low16(value); break;
    case 52:
    case 53:
    case 54: AssignActionKey(value, index - 52, true, es); break;
    case 55:
    case 56:
    case 57: AssignActionKey(value, index - 55, false, es); break;
    case 59: es->keyInputOption1 = value; break;
    case 60: es->keyInputOption2 = value; break;
    case 61:
    case 62:
    case 63:
    case 64:
    case 65: es->fogValues[static_cast<size_t>(index - 61)] = value; break;
    case 66:
    case 67:
    case 68: es->panoramaValues[static_cast<size_t>(index - 66)] = value; break;
    case 73: es->windowsFollowMouse = value; break;
    case 74:
      es->mouseCursorShown = value != 0 ? 1 : 0;
      ShowMouseCursor(gEventSystem.mouseCursorShown);
      break;
    case 87:
    case 88:
    case 89:
    case 90:
    case 91: {
      const size_t member = static_cast<size_t>(index - 87);
      if (member < es->partyOpacities.size()) es->partyOpacities[member] = value < -1 ? 255 : value;
      break;
    }
    case 100:
    case 101: {
      SoundFade& channel = gSoundManager.channels[index == 100 ? 0 : 1];
      if (live) {
        channel.fadeLeft = channel.fadeTotal = 2;
        const int32_t content = (index == 100 ? gEventSystem.bgmFileValues : gEventSystem.bgsFileValues)[0];
        const int64_t v = content == 0 ? 100 : content;  // a volume content of 0 means full volume
        channel.volume = static_cast<int>(int64_t{value} * v / std::max<int64_t>(v, 1));
      }
      (index == 100 ? es->bgmMasterVolume : es->bgsMasterVolume) = std::max(value, 0);
      break;
    }
    case 102: es->seVolume = value; break;
    default: break;  // read-only and unlisted indexes
  }
}

std::string VariableStore::ReadSystemString(int index) {
  const EventSystem* es = context ? context : &gEventSystem;
  switch (index) {
    case 1:
    case 2:
    case 3: return GetActionKeyName(index - 1, true);
    case 4:
    case 5:
    case 6: return GetActionKeyName(index - 4, false);
    case 10: return gHero.graphicName;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15: {
      const MapCharacter* member = HeroOrMember(index - 10);
      return member ? member->graphicName : std::string();
    }
    case 20: return gProxy;
    case 21: return gProxyPort;
    case 25: return gGameSystem.systemText;
    case 26: return es->messagePrefix;
    case 27: return es->messageSuffix;
    case 30: return es->panoramaFile;
    case 31: return es->fogFile;
    case 33: return es->bgmFileText;
    case 34: return es->bgsFileText;
    default:
      if (index >= 40 && index <= 49) return gGameSystem.choiceTexts[static_cast<size_t>(index - 40)];
      return std::string();
  }
}

void VariableStore::WriteSystemString(int index, const std::string& text) {
  EventSystem* es = context ? context : &gEventSystem;
  switch (index) {
    case 10: gHero.graphicName = text; break;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
      if (MapCharacter* member = HeroOrMember(index - 10)) member->graphicName = text;
      break;
    case 20: gProxy = text; break;
    case 21: gProxyPort = text; break;
    case 26: es->messagePrefix = text; break;
    case 27: es->messageSuffix = text; break;
    case 30:
      es->panoramaFile = text;
      gGameSystem.panoramaByFile = 1;
      break;
    case 31:
      es->fogFile = text;
      gGameSystem.fogByFile = 1;
      break;
    default: break;  // read-only and unlisted indexes
  }
}
