#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/RandomSeedLog.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"

// The save format number every file is written with.
inline constexpr int kSaveFormatVersion = 111;

// On while a recorded input log plays back (no save file is written then),
// and set once its end has been reached.
extern uint8_t gReplayPlaying;
extern uint8_t gReplayFinished;

// Own copies of the savable objects of one save file. The variable store's
// context is this snapshot's own event system, re-pointed after every
// construction, copy and read.
struct SaveStateSnapshot {
  SaveStateSnapshot();
  SaveStateSnapshot(const SaveStateSnapshot& other);
  SaveStateSnapshot& operator=(const SaveStateSnapshot& other);

  // Everything but the replay log back to a fresh game.
  void ResetSnapshotState();
  // Copies the live objects in (not the replay log).
  void CaptureLiveState();

  // Appends the blocks to gSaveBuffer (the live replay log's last) and marks
  // the snapshot saved.
  bool WriteSnapshotBlocks();
  // Reads the blocks from gSaveBuffer: into this snapshot, or with applyLive
  // into the live objects, which are reset first (see SaveSnapshot.cpp).
  bool RestoreSnapshot(bool applyLive, bool replay);

  CurrentMap currentMap;
  EventSystem eventSystem;
  VariableStore variableStore;
  Hero hero;
  PictureList pictureList;
  Database variableDatabase;
  RandomSeedLog replayLog;
};

// The save files and their snapshots, by full file path. A slot's snapshot
// is read from its file once and answered from memory while it is cached.
class SaveManager {
 public:
  // Slot n of the prefix: the executable folder, the prefix, and for n != 0
  // the number in at least two digits and ".sav".
  static std::string SaveFilePath(int slot, const std::string& prefix);

  // Writes the slot (captureLive: the live state first). False when nothing
  // was written; the file on disk is then as it was.
  bool WriteSaveFile(int slot, bool captureLive, const std::string& prefix);
  // Neither flag: peek (the snapshot only); applyLive: load into the live
  // game; replay: start the replay of the file. A damaged or foreign file
  // changes nothing of the live game.
  bool ReadSaveFile(int slot, bool applyLive, bool replay, const std::string& prefix);
  void ClearSaveManager();

  // One variable of a slot, read or written without loading it.
  int ReadSaveSlotVariable(int slot, int id, const std::string& prefix);
  std::string ReadSaveSlotString(int slot, int id, const std::string& prefix);
  void WriteSaveSlotVariables(int slot, int id, int value, const std::string& prefix);
  void WriteSaveSlotStrings(int slot, int id, const std::string& value, const std::string& prefix);

  std::map<std::string, SaveStateSnapshot> snapshots;
  std::map<std::string, uint8_t> cachedFlags;
  std::map<std::string, uint8_t> missingFlags;

 private:
  bool IsCached(const std::string& path) const;
  // Reads the file's blocks into the snapshot and checks them; false after
  // the damage has been reported.
  bool ReadAndCheck(int slot, SaveStateSnapshot& snapshot, bool replay);
  void ReportDamaged(int slot, SaveStateSnapshot& snapshot);

  // Depth of the damaged-file notice: the read behind its seconds value
  // reports nothing itself.
  int damagedNoticeDepth_ = 0;
};

extern SaveManager gSaveManager;

// The title block: the game title and the format number; the check reads
// them back and refuses another game's file with a notice.
void WriteSaveTitleBlock();
bool CheckSaveTitleBlock();
