#include "gamedata/EventCommand.h"

#include <algorithm>

#include "gamedata/DataFileCursor.h"

void InsertDefaultCommand(EventCommandList& list, size_t k) {
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(k, list.size())), EventCommand{});
}

void TerminateCommandList(EventCommandList& list) {
  if (list.empty()) list.emplace_back();
  list.back().SetCode(kEndCommandCode);
}

bool ReadEventCommand(DataFileCursor& cursor, EventCommand& command) {
  int8_t intCount = cursor.ReadInt8();
  if (cursor.Damaged()) return true;
  if (intCount < 0) {
    cursor.MarkDamaged();
    return true;
  }
  // A command always keeps its code slot, so a stored count of 0 reads as
  // code 0.
  command.ints.assign(std::max<int>(intCount, 1), 0);
  for (int i = 0; i < intCount; ++i) command.ints[static_cast<size_t>(i)] = cursor.ReadInt32();
  command.indent = cursor.ReadUint8();
  int8_t stringCount = cursor.ReadInt8();
  if (cursor.Damaged()) return true;
  if (stringCount < 0) {
    cursor.MarkDamaged();
    return true;
  }
  command.strings.resize(static_cast<size_t>(stringCount));
  for (std::string& text : command.strings) text = cursor.ReadString();
  int8_t routeFlag = cursor.ReadInt8();
  if (cursor.Damaged()) return true;
  if (routeFlag >= 1) {
    command.routes.resize(1);
    ReadMoveSettings(cursor, command.routes[0]);
  }
  return true;
}

void ReadEventCommandList(DataFileCursor& cursor, EventCommandList& list, int32_t count) {
  list.clear();
  if (cursor.FitsCount(count, kMinStoredEventCommand)) {
    list.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count && !cursor.Damaged(); ++i) {
      list.emplace_back();
      ReadEventCommand(cursor, list.back());
    }
  }
  TerminateCommandList(list);
}
