#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gamedata/EventCommand.h"
#include "gamedata/MapData.h"

// A character on the map: the hero, a party member or a map event.
//
// Only the fields the game data needs so far; the map subsystem brings the
// rest (graphics, movement, routes, effects).
struct MapCharacter {
  int id = 0;      // map events: their event id; the hero -2; party member i: -3 - i
  int x = 0;       // position in half cells
  int y = 0;
  int height = 0;
  // Keypad code, 2 = down.
  int direction = 2;
  uint8_t fixedDirection = 0;
  // Empty: no character shown.
  std::string graphicName;
  // 1 while the character follows a move route.
  uint8_t routeRunning = 0;
  // Whether the fine position differs from the cell position.
  uint8_t moving = 0;
  // Direction remembered while an event the character started runs; -1 none.
  int directionBeforeEvent = -1;

  bool UpdateMovingFlag() const { return moving != 0; }
  // The character's block of a save, through gSaveBuffer. Load: false when
  // the buffer ends early (its short-data flag is then set).
  void SaveCharacterState() const;
  bool LoadCharacterState();
  // Remembers the direction and turns toward the hero.
  void TurnToHeroOnStart();
  // Restores the remembered direction unless the direction is fixed.
  void RestoreFacingAfterEvent();
};

// Smallest stored character block, for bounding a count of blocks read from
// a save before anything is sized by it.
inline constexpr size_t kMinCharacterStateBytes = 16;

// A map event placed on the current map.
struct MapEventCharacter : MapCharacter {
  MapEventCharacter() = default;
  // The event of the record on map mapId, placed at the record's cell.
  MapEventCharacter(int mapIdOfEvent, const MapEvent& eventRecord);

  // Chooses the page whose start conditions hold.
  void SelectEventPage();
  // The event's step of the frame: its parallel page runs here.
  void UpdateMapEvent();

  int mapId = -1;
  MapEvent record;
  // Set when the event is to start by a trigger or a reservation.
  uint8_t startRequest = 0;
  int pageIndex = -1;  // -1 none
  // 1: automatic start; the request stays set when the event starts.
  int pageStartType = 0;
  EventCommandList pageCommands;
  int eraseState = -1;  // -1: not being erased, else the fade frames

  void ClearEventStartRequest() { startRequest = 0; }
  void StartEventErase(int frames) { eraseState = frames < 0 ? 0 : frames; }
};
