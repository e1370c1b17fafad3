#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"

class DataFileCursor;

// A game-wide event script with its trigger and start condition.
struct CommonEvent {
  CommonEvent();

  int32_t id = 0;
  // Low nibble: trigger kind (0 call, 1 auto start, 2 parallel on condition,
  // 3 parallel always); high nibble: the start condition's operator.
  uint8_t triggerFlags = 32;
  int32_t conditionId = 2000000;
  int32_t conditionValue = 0;
  uint8_t carriedByte1 = 0;
  uint8_t carriedByte2 = 0;
  std::string name;
  EventCommandList commands;
  // Carried with the record for whole round trips; nothing reads them.
  std::vector<uint8_t> carriedBytes{0};
  std::string carriedText;
  std::vector<std::string> carriedTexts = std::vector<std::string>(10);
  std::vector<uint8_t> carriedFlags = std::vector<uint8_t>(10);
  std::vector<std::vector<std::string>> carriedTextLists = std::vector<std::vector<std::string>>(10);
  std::vector<std::vector<int32_t>> carriedIntLists = std::vector<std::vector<int32_t>>(10);
  std::vector<int32_t> carriedInts = std::vector<int32_t>(5);

  int TriggerKind() const { return triggerFlags & 0x0F; }
  int ConditionOperator() const { return triggerFlags >> 4; }

  bool operator==(const CommonEvent&) const = default;
};

inline constexpr uint8_t kCommonEventFileTag = 0x8F;
inline constexpr uint8_t kCommonEventRecordOld = 0x8E;
inline constexpr uint8_t kCommonEventRecordExtended = 0x8F;
inline constexpr int32_t kCommonFileMagic = 51132524;  // bytes 6C 38 0C 03

struct CommonEventList {
  CommonEventList();  // ten constructed entries numbered 0-9

  std::vector<CommonEvent> events;

  int Count() const { return static_cast<int>(events.size()); }

  // Appends constructed entries or cuts the list to n, then numbers every
  // entry by its index.
  void ResizeCommonEventList(int n);

  // Reads "Data\\" + fileName (through the data folder path) into the list.
  // False when the file does not open or is damaged.
  bool LoadCommonEventData(const std::string& fileName);

  // Reads a single-event file; -1 when it does not open, lacks the magic value
  // or is damaged, else its event count K. The list grows to first + K; with
  // load the records fill entries first .. first + K - 1.
  int ReadCommonEventFile(const std::string& fileName, int first, bool load);

  // The same two readers on a file image held by the cursor (CommonEvent.dat
  // still scrambled); fileName only names the file in messages.
  bool ParseCommonEventData(DataFileCursor& cursor, const std::string& fileName);
  int ParseCommonEventFile(DataFileCursor& cursor, int first, bool load);
};

// Reads one stored record at the data-file cursor. Damaged counts and texts
// mark the cursor damaged.
void ReadCommonEvent(DataFileCursor& cursor, CommonEvent& event);

// Smallest stored record, for bounding counts read from a file.
inline constexpr size_t kMinStoredCommonEvent = 29;

extern CommonEventList gCommonEventList;
// Name -> list index for non-empty names; the lowest index wins.
extern std::map<std::string, int> gCommonEventNameIndex;
// Single-event file name -> number of the first event it added.
extern std::map<std::string, int> gCommonFileIndex;

// Rebuilds the name index from the list (last entry down to the first).
void BuildCommonEventNameIndex();

// The whole rebuild of the common events from "BasicData\\CommonEvent.dat":
// a fresh list, the file read into it, the single-file index emptied and the
// name index rebuilt, so no index points at an entry of the old list.
bool RebuildCommonEvents();
