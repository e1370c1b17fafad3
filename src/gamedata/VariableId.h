#pragma once

#include <string>

// Every number and text an event script reads or writes is named by one int,
// the variable id; its range of millions decides what it names. The
// operations on ids are methods of VariableStore (gamedata/VariableStore.h).
namespace VariableIdRange {
inline constexpr int kMapSelf = 1000000;              // .. 1,499,999
inline constexpr int kOldCommonSelf = 1500000;        // .. 1,599,999, refused
inline constexpr int kRelativeCommonSelf = 1600000;   // .. 1,699,999
inline constexpr int kVariableSets = 2000000;         // .. 2,999,999
inline constexpr int kStringVariables = 3000000;      // .. 3,999,999
inline constexpr int kRandom = 8000000;               // .. 8,999,999
inline constexpr int kSystemVariables = 9000000;      // .. 9,099,999
inline constexpr int kMapEventPosition = 9100000;     // .. 9,179,999
inline constexpr int kPartyPosition = 9180000;        // .. 9,189,999
inline constexpr int kSystemStrings = 9900000;        // .. 9,999,999
inline constexpr int kCommonSelf = 15000000;          // .. 15,999,999
inline constexpr int kUserDatabase = 1000000000;      // .. 1,099,999,999
inline constexpr int kVariableDatabase = 1100000000;  // .. 1,199,999,999
inline constexpr int kSystemDatabase = 1300000000;    // .. 1,399,999,999
}  // namespace VariableIdRange

// Where the running command is, copied by the event runner before each
// command: the map its runner was started on, its common event (-1 none) and
// its line.
struct ErrorLocation {
  int mapId = 0;
  int commonEventId = -1;
  int line = 0;
};
extern ErrorLocation gErrorLocation;

// The location line that every script error notice carries.
std::string ErrorLocationText();
