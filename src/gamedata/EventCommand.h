#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/MoveRoute.h"

class Database;

// One entry of a command's pre-resolved operand list: a reference to an int
// cell, or (for the database command) the database it selected. Filled only
// by the common-event link pass.
struct ResolvedCell {
  int32_t* cell = nullptr;
  Database* database = nullptr;

  bool operator==(const ResolvedCell&) const = default;
};

// Code of the last command of every command list: the runner stops there.
inline constexpr int32_t kEndCommandCode = -1;

// One command of an event script. ints[0] is the command code, the rest its
// integer parameters; indent is the nesting depth inside its list.
struct EventCommand {
  std::vector<int32_t> ints{0};
  uint8_t indent = 0;
  std::vector<std::string> strings;
  std::vector<MoveSettings> routes;
  // Filled by the link pass; empty after construction and reading.
  std::vector<int32_t> ResolvedInts;
  std::vector<ResolvedCell> ResolvedCells;

  int32_t Code() const { return ints.empty() ? 0 : ints[0]; }
  void SetCode(int32_t code) {
    if (ints.empty()) ints.resize(1);
    ints[0] = code;
  }

  bool operator==(const EventCommand&) const = default;
};

using EventCommandList = std::vector<EventCommand>;

// Inserts one constructed command (code 0) at min(k, size).
void InsertDefaultCommand(EventCommandList& list, size_t k);

// Makes the list end with the end code: the last command's code becomes -1,
// and an empty list gets one end command, so a runner always finds an end.
void TerminateCommandList(EventCommandList& list);

class DataFileCursor;

// Reads one stored command at the data-file cursor into an existing command.
// Damaged counts mark the cursor damaged (the file reader then refuses the
// file); the result is always true.
bool ReadEventCommand(DataFileCursor& cursor, EventCommand& command);

// Empties the list, reads count stored commands into it and terminates it.
void ReadEventCommandList(DataFileCursor& cursor, EventCommandList& list, int32_t count);

// Smallest stored size of a command, for bounding counts read from a file.
inline constexpr size_t kMinStoredEventCommand = 4;
