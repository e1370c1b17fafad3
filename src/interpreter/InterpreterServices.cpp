#include "interpreter/InterpreterServices.h"

#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "presentation/MessageEscapes.h"

bool AnyCharacterRunsRoute() {
  if (gHero.routeRunning) return true;
  for (const MapCharacter& member : gHero.party) {
    if (member.routeRunning) return true;
  }
  for (const MapEventCharacter& event : gCurrentMap.eventCharacters) {
    if (event.routeRunning) return true;
  }
  return false;
}

void RestoreEventFacing(int mapEventId) {
  if (MapEventCharacter* event = gCurrentMap.FindMapEvent(mapEventId)) event->RestoreFacingAfterEvent();
}

void EraseMapEvent(int mapEventId, int fadeFrames) {
  if (MapEventCharacter* event = gCurrentMap.FindMapEvent(mapEventId)) event->StartEventErase(fadeFrames);
}

MapCharacter* HeroCharacter() { return &gHero; }

MapCharacter* PartyMemberCharacter(int64_t member) {
  if (member < 0 || static_cast<uint64_t>(member) >= gHero.party.size()) return nullptr;
  return &gHero.party[static_cast<size_t>(member)];
}

MapCharacter* MapEventCharacterById(int eventId) { return gCurrentMap.FindMapEvent(eventId); }

int TakeRequestedMapEvent(const EventCommandList** list) {
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) {
    if (!event.startRequest) continue;
    if (event.StartType != 1) {
      event.ClearEventStartRequest();
      event.TurnToHeroOnStart();
    }
    *list = &event.commands;
    return event.id;
  }
  return -1;
}

void SetKeyInputState(int state) { gEventSystem.keyInputState = state; }

bool CommonEventConditionHolds(const CommonEvent& event) {
  const int left = gVariableStore.ReadVariable(event.conditionId);
  return CompareByOperator((event.triggerFlags >> 4) & 0x0F, left, event.conditionValue);
}

bool IsNumericId(int id) {
  // The string variables, the common case of text commands, without the store's walk.
  if (id >= 3000000 && id <= 3999999) return false;
  return gVariableStore.IsNumericVariableId(id);
}

uint32_t DrawSharedRandom() { return SharedRandom(0, 0); }

void SetErrorLocation(int mapId, int commonId, int line) {
  gErrorLocation.mapId = mapId;
  gErrorLocation.commonEventId = commonId;
  gErrorLocation.line = line;
}

std::string CurrentErrorLocationText() { return ErrorLocationText(); }

bool TakeDatabaseError() {
  if (gDatabaseErrorFlag < 1) return false;
  gDatabaseErrorFlag = 0;
  return true;
}

bool ExpandsToItself(const std::string& text, bool leadingLine) {
  constexpr size_t kExpansionSizeBound = size_t{1} << 20;
  if (text.size() > kExpansionSizeBound) return false;
  if (leadingLine && !text.empty() && text[0] == '@') return false;
  for (const char c : text) {
    if (c == '\\' || c == '<' || c == '\r') return false;
  }
  return true;
}

std::string ExpandEscapesForRunner(const std::string& text, int mapEventId, int commonId, int mapId) {
  if (ExpandsToItself(text, true)) return text;
  return ExpandMessageEscapes(text, mapEventId, commonId, mapId, 0, 0, "", "", 1);
}

std::string ExpandTextForRunner(const std::string& text, int mapEventId, int commonId, int mapId) {
  if (ExpandsToItself(text, false)) return text;
  return ExpandMessageEscapes(text, mapEventId, commonId, mapId, 0, 0, "", "", 0);
}
