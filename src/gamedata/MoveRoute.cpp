#include "gamedata/MoveRoute.h"

#include <algorithm>

#include "gamedata/DataFileCursor.h"
#include "gamedata/SaveBuffer.h"

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
    command.text.assign(bytes, 0, bytes.find('\0'));  // up to the first zero byte
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

bool ReadRouteCommand(SaveBuffer& buffer, RouteCommand& command) {
  uint8_t argCount = 0;
  if (!buffer.ReadUint8(command.code) || !buffer.ReadUint8(argCount)) return false;
  command.args.resize(argCount);
  for (int32_t& arg : command.args) {
    if (!buffer.ReadInt32(arg)) return false;
  }
  uint8_t length = 0;
  if (!buffer.ReadUint8(length)) return false;
  std::string bytes(length, '\0');
  if (!buffer.ReadBytes(bytes.data(), length)) return false;
  command.text.assign(bytes, 0, bytes.find('\0'));  // up to the first zero byte
  return true;
}

bool ReadMoveSettings(SaveBuffer& buffer, MoveSettings& settings) {
  int32_t count = 0;
  if (!buffer.ReadUint8(settings.animationSpeed) || !buffer.ReadUint8(settings.moveSpeed) ||
      !buffer.ReadUint8(settings.moveFrequency) || !buffer.ReadUint8(settings.moveType) ||
      !buffer.ReadUint8(settings.optionBits) || !buffer.ReadUint8(settings.routeFlags) || !buffer.ReadInt32(count)) {
    return false;
  }
  if (count > kMaxRouteCommands) return false;
  // Each stored command takes at least three bytes; a count the rest cannot
  // hold is short data (a negative count reads as an empty route).
  if (count > 0 && !buffer.Fits(static_cast<size_t>(count) * kMinStoredRouteCommand)) return false;
  settings.route.resize(static_cast<size_t>(std::max(count, 0)));
  for (RouteCommand& command : settings.route) {
    if (!ReadRouteCommand(buffer, command)) return false;
  }
  return true;
}

void WriteRouteCommand(SaveBuffer& buffer, const RouteCommand& command) {
  buffer.WriteUint8(command.code);
  size_t argCount = std::min<size_t>(command.args.size(), 255);
  buffer.WriteUint8(static_cast<uint8_t>(argCount));
  for (size_t i = 0; i < argCount; ++i) buffer.WriteInt32(command.args[i]);
  size_t length = std::min<size_t>(command.text.size(), 254);
  buffer.WriteUint8(static_cast<uint8_t>(length + 1));
  buffer.WriteBytes(command.text.data(), length);
  buffer.WriteUint8(0);
}

void WriteMoveSettings(SaveBuffer& buffer, const MoveSettings& settings) {
  buffer.WriteUint8(settings.animationSpeed);
  buffer.WriteUint8(settings.moveSpeed);
  buffer.WriteUint8(settings.moveFrequency);
  buffer.WriteUint8(settings.moveType);
  buffer.WriteUint8(settings.optionBits);
  buffer.WriteUint8(settings.routeFlags);
  buffer.WriteInt32(static_cast<int32_t>(settings.route.size()));
  for (const RouteCommand& command : settings.route) WriteRouteCommand(buffer, command);
}
