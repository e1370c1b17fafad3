#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"

// Random, well-formed event scripts for the differential tests: nested
// numeric and string branches with their case lines (mostly in the linked
// shape, some not), counted and endless loops with breaks and continues,
// labels and jumps, variable operations. Every script ends: endless loops
// carry a guard that breaks them after a few passes, and every jump spends
// one unit of a shared budget. No operation that a link makes wrap
// overflows, so the general and linked forms of a script agree.
struct RandomScriptOptions {
  bool strings = false;  // string operations and string branches
  bool real = false;     // variable operations in real mode too
};

EventCommandList RandomScript(uint32_t seed, const RandomScriptOptions& options);

// The variables that only wrapping operations write, and the bound that
// every script keeps them within: normal variables 0-7 and the running
// common event's number cells 0-4.
inline constexpr int kSmallVariables = 8;
inline constexpr int kSmallSelfCells = 5;
inline constexpr int kSmallBound = 999;

// The same script with normal variables 0-79 moved to the running common
// event's number cells 20-99: those go through the variable store where the
// normal variables are read and written in place.
EventCommandList WithSelfCells(const EventCommandList& list);
inline constexpr int kMovedVariables = 80;
inline constexpr int kFirstMovedCell = 20;

// What a script leaves behind, compared between forms.
struct ScriptOutcome {
  std::vector<int32_t> variables;
  std::vector<int32_t> selfCells;
  std::vector<std::string> strings;
  int frames = 0;
  size_t notices = 0;
  bool busy = false;

  bool operator==(const ScriptOutcome&) const = default;
};

// Runs the list as common event 0 of a fresh script world, linked or not.
ScriptOutcome RunScript(const EventCommandList& list, bool link);
