#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "map/MapCharacter.h"
#include "support/GameDataWriters.h"
#include "support/MapStateWriter.h"
#include "support/ScrambledFileWriter.h"

// Save files of any save format version, written from the format alone (the
// characters' blocks come from the characters' writer). Fields a version
// lacks are left out; values not given are the start values of a new game.

struct EventSystemBlock {
  int32_t playTimeSeconds = 0;
  int32_t currentBgm = -1;
  int32_t currentBgs = -1;
  int16_t heroOpacity = 0;
  int32_t scrollLock = 0;
  int32_t textRendererSwitch = 0;
  int32_t transitionNumber = -1;
  std::vector<std::string> savedPartyNames;
  std::vector<int32_t> partyOpacities = std::vector<int32_t>(5, -1);
  // Stored order: confirm key, confirm pad, cancel key, cancel pad, sub key, sub pad.
  std::array<int32_t, 6> storedKeyCodes{144, 16, 145, 32, 146, 64};
  int16_t partyTrailDistance = 2;
  std::string messagePrefix;
  int32_t frameCounter = 0;
  int32_t bgmMasterVolume = 100;
  std::string panoramaFile;
  int8_t mouseCursorShown = 1;
  int8_t partyFollowing = 1;
};

struct PictureRecord {
  int32_t number = 0;
  uint8_t erased = 0;
  uint8_t textPicture = 0;
  std::string source;
  int32_t x = 0, y = 0;
  int32_t divisionsX = 1, divisionsY = 1;
  int32_t pattern = 1;
  int32_t zoomX = 100, zoomY = 100;
  // Format 105 on: the packed tone colours and the tone-change state.
  std::array<int32_t, 18> toneChange{0x646464, 0x646464, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 100};
  uint8_t mapBound = 0;
};

struct SaveFileSpec {
  int version = 111;
  std::string title = "Title";
  MapStateBlock map;
  EventSystemBlock eventSystem;
  // The variable store: normal variables and string variables.
  int32_t randomState = 1;
  std::vector<int32_t> variables;
  std::vector<std::string> strings;
  MapCharacter hero;
  std::vector<MapCharacter> party;
  std::vector<int32_t> trail;
  std::vector<PictureRecord> pictures;
  std::vector<DatTypeRecord> variableDatabase{DatTypeRecord{}};
  // The replay-log block the save ends with (flag byte 1, count, entries);
  // empty: no log (flag byte 0), as the runtime's own saves.
  std::vector<uint8_t> replayLog;
  // Bytes after the end marker.
  size_t trailingBytes = 0;
  ScrambleOptions scramble;
};

// The plain body (from the start marker on) and the whole file.
std::vector<uint8_t> SaveFileBody(const SaveFileSpec& spec);
std::vector<uint8_t> WriteSaveFileImage(const SaveFileSpec& spec);
