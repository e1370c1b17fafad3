#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One step of a move route: a route command code with its int arguments and
// one text argument.
struct RouteCommand {
  uint8_t code = 0;
  std::vector<int32_t> args;
  std::string text;

  bool operator==(const RouteCommand&) const = default;
};

// How a character moves on its own: move type, speeds, option bits, route
// flags and the route itself. Every map-event page and every route command
// carries one.
struct MoveSettings {
  uint8_t moveType = 0;
  uint8_t animationSpeed = 3;
  uint8_t moveSpeed = 3;
  uint8_t moveFrequency = 3;
  uint8_t optionBits = 3;
  uint8_t routeFlags = 2;
  std::vector<RouteCommand> route;

  int GetMoveOptionBit0() const { return optionBits & 1; }
  int GetMoveOptionBit1() const { return (optionBits >> 1) & 1; }
  int GetMoveOptionBit2() const { return (optionBits >> 2) & 1; }
  int GetMoveOptionBit3() const { return (optionBits >> 3) & 1; }
  int GetMoveOptionBit4() const { return (optionBits >> 4) & 1; }
  int GetMoveOptionBit5() const { return (optionBits >> 5) & 1; }
  int GetMoveOptionBit6() const { return (optionBits >> 6) & 1; }

  bool operator==(const MoveSettings&) const = default;
};

// Largest route a stored move setting may hold; a larger count fails the read
// before the route is touched.
inline constexpr int32_t kMaxRouteCommands = 65536;

class DataFileCursor;

// Readers of the stored forms at the data-file cursor (map and common-event
// files). A route count above the limit fails the read before the route is
// touched; the rest of the file is then out of step, so the cursor is marked
// damaged as well and the file reader refuses the file.
bool ReadMoveSettings(DataFileCursor& cursor, MoveSettings& settings);
bool ReadRouteCommand(DataFileCursor& cursor, RouteCommand& command);

struct SaveBuffer;

// The same forms in a save: every field is tested against the loaded data
// first; a field that does not fit sets the short-data flag and the read
// returns false at once. A route count above the limit gives false without
// the flag.
bool ReadMoveSettings(SaveBuffer& buffer, MoveSettings& settings);
bool ReadRouteCommand(SaveBuffer& buffer, RouteCommand& command);
void WriteMoveSettings(SaveBuffer& buffer, const MoveSettings& settings);
// A text argument is stored with a one-byte length, so it is cut to 254
// bytes; more than 255 int arguments are cut to 255.
void WriteRouteCommand(SaveBuffer& buffer, const RouteCommand& command);

// Smallest stored sizes, for bounding counts read from a file.
inline constexpr size_t kMinStoredMoveSettings = 10;
inline constexpr size_t kMinStoredRouteCommand = 3;
