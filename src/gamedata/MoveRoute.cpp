#include "gamedata/MoveRoute.h"

#include "gamedata/DataFileCursor.h"

bool ReadRouteCommand(DataFileCursor& cursor, RouteCommand& command) {
  command.code = cursor.ReadUint8();
  uint8_t argCount = cursor.ReadUint8();
  if (cursor.Damaged() || !cursor.FitsCount(argCount, 4)) return false;
  command.args.resize(argCount);
  for (int32_t& arg : command.args) arg = cursor.ReadInt32();
  uint8_t length = cursor.ReadUint8();
  if (cursor.Damaged()) return false;
  command.text.clear();
  if (length > 0) {
    std::string bytes(length, '\0');
    if (!cursor.ReadBytes(bytes.data(), length)) return false;
    command.text.assign(bytes.c_str());
  }
  return true;
}

bool ReadMoveSettings(DataFileCursor& cursor, MoveSettings& settings) {
  settings.animationSpeed = cursor.ReadUint8();
  settings.moveSpeed = cursor.ReadUint8();
  settings.moveFrequency = cursor.ReadUint8();
  settings.moveType = cursor.ReadUint8();
  settings.optionBits = cursor.ReadUint8();
  settings.routeFlags = cursor.ReadUint8();
  int32_t count = cursor.ReadInt32();
  if (cursor.Damaged()) return false;
  if (count > kMaxRouteCommands) {
    cursor.MarkDamaged();
    return false;
  }
  if (!cursor.FitsCount(count, kMinStoredRouteCommand)) return false;
  settings.route.resize(static_cast<size_t>(count));
  for (RouteCommand& command : settings.route) {
    if (!ReadRouteCommand(cursor, command)) return false;
  }
  return true;
}
