#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/VariableId.h"

class Database;
class EventSystem;

// The script-visible variables that belong to no other object, and the access
// by variable id to every number and text of the game. Bad ids never stop the
// program: each range answers with a fixed value, a notice, or nothing.
class VariableStore {
 public:
  // An empty store with ten empty sets. It reads no database, so it can be
  // built before anything is loaded (static initialisation).
  VariableStore() : variableSets(10) {}
  // A store reset for the loaded game (the restart point builds the live store
  // this way once databases and common events are loaded): commonEventCount is the number of common
  // events now loaded; each gets its self variables.
  explicit VariableStore(int commonEventCount) { ResetVariableStore(commonEventCount); }

  // Empties the store and sizes it for the loaded game: the sets from the
  // System database, self variables for each common event of gCommonEventList.
  void ResetVariableStore();
  void ResetVariableStore(int commonEventCount);

  // Appends the store's block to gSaveBuffer.
  bool SaveVariableStore();
  // Reads the block back from gSaveBuffer at its position; false on short data
  // (the buffer's short-data flag is then set) or a negative count.
  bool LoadVariableStore(bool restoreRandom);

  // Access by id. The Variable database is gVariableDatabase unless one is passed.
  int ReadVariable(int id, Database* variableDatabase = nullptr);
  void WriteVariable(int id, int value, Database* variableDatabase = nullptr);
  std::string ReadStringVariable(int id, Database* variableDatabase = nullptr);
  void WriteStringVariable(int id, const std::string& text, Database* variableDatabase = nullptr);
  bool IsNumericVariableId(int id) const;
  // The int cell behind an id, for operands resolved ahead of time; valid while
  // no list of the store or the database is resized.
  int32_t* ResolveVariableCell(int id, int commonEventIndex);

  // System values (ids 9,000,000 and 9,900,000 on).
  int ReadSystemVariable(int index);
  void WriteSystemVariable(int index, int value);
  std::string ReadSystemString(int index);
  void WriteSystemString(int index, const std::string& text);

  // The event system the system values address.
  EventSystem* context = nullptr;
  // Map of the map-event self variables of the next access; -1: the current map.
  int ContextMapId = -1;
  // [map id][event id][cell]
  std::vector<std::vector<std::vector<int32_t>>> mapSelfVariables;
  // Set 0: the normal variables; 1-9: the spare sets. Sizes fixed at reset.
  std::vector<std::vector<int32_t>> variableSets;
  std::vector<std::string> stringVariables;
  // [common event][cell 0-99]; cells 5-9 hold strings, in commonSelfStrings.
  std::vector<std::vector<int32_t>> commonSelfVariables;
  // [common event][cell - 5]
  std::vector<std::vector<std::string>> commonSelfStrings;

 private:
  int TakeContextMap();
};

extern VariableStore gVariableStore;
