#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/VariableId.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

#include "gamedata/CommonEvent.h"

// What the event runner needs of the objects around it, in one place.

// Game system.
inline int RunState() { return gGameSystem.runState; }
inline void SetRunState(int state) { gGameSystem.runState = state; }
inline int PendingCommonStart() { return gGameSystem.pendingCommonStart; }
inline void ClearPendingCommonStart() { gGameSystem.pendingCommonStart = -1; }
inline void ClearTextEntryBusy() { gGameSystem.textEntryBusy = 0; }
inline bool TransitionHoldsRunners() { return gGameSystem.transitionRunning && gGameSystem.transitionWaits; }
inline bool ScrollWaitPending() { return gGameSystem.scrollWait != 0; }
inline void ClearScrollWait() { gGameSystem.scrollWait = 0; }
inline bool StateReloadPending() { return gGameSystem.restoreReset != 0; }
inline int FrameStep() { return gFrameStep < 1 ? 1 : gFrameStep; }

// Current map and characters.
inline int CurrentMapId() { return gCurrentMap.mapId; }
inline bool PageRefreshPending() { return gCurrentMap.pageRefresh != 0; }
inline void RequestPageRefresh() { gCurrentMap.pageRefresh = 1; }
inline void RefreshMapEventPages() { RefreshEventPages(); }
inline bool MapIsScrolling() { return IsMapScrolling(); }
bool AnyCharacterRunsRoute();
void RestoreEventFacing(int mapEventId);
void EraseMapEvent(int mapEventId, int fadeFrames);
MapCharacter* HeroCharacter();
MapCharacter* PartyMemberCharacter(int64_t member);
MapCharacter* MapEventCharacterById(int eventId);
// The first map event whose start is requested: clears its request (unless
// its page starts automatically), turns it toward the hero and hands out its
// command list. Returns its id, or -1 when none is waiting.
int TakeRequestedMapEvent(const EventCommandList** list);

// Event system.
void SetKeyInputState(int state);

// Common events.
inline const std::vector<CommonEvent>& CommonEvents() { return gCommonEventList.events; }
bool CommonEventConditionHolds(const CommonEvent& event);

// Variables and error reporting.
bool IsNumericId(int id);
uint32_t DrawSharedRandom();
void SetErrorLocation(int mapId, int commonId, int line);
inline void SetErrorLocationLine(int line) { gErrorLocation.line = line; }
std::string CurrentErrorLocationText();
// True once after a database read of a missing part.
bool TakeDatabaseError();

// Text: value escapes of a name, as the jump and variable commands expand them.
std::string ExpandEscapesForRunner(const std::string& text, int mapEventId, int commonId, int mapId);
// Whether escape expansion hands the text back as it is: nothing in it starts
// an escape (a backslash, the "<" of an alignment code), there is no carriage
// return to drop and, with the leading-line option, no "@" line. Texts past
// the expansion's size bound go through it (it has a notice for them).
bool ExpandsToItself(const std::string& text, bool leadingLine);
// The message expansion without display codes (values 0, no wrap), skipped
// for a text that it would hand back as it is.
std::string ExpandTextForRunner(const std::string& text, int mapEventId, int commonId, int mapId);
