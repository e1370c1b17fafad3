#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gamedata/DataFileCursor.h"

// A stored text (int32 length counting its zero, then the bytes) whose length
// may not exceed limit; a longer one marks the file damaged and reads empty.
inline std::string ReadStoredText(DataFileCursor& cursor, int32_t limit) {
  size_t start = cursor.Position();
  int32_t length = cursor.ReadInt32();
  if (cursor.Damaged()) return {};
  if (length > limit) {
    cursor.MarkDamaged();
    return {};
  }
  cursor.SetPosition(start);
  return cursor.ReadString();
}

// A stored byte list (int32 n, n bytes) read into a list that grows to n when
// shorter and never shrinks.
template <typename ByteList>
void ReadGrowingByteList(DataFileCursor& cursor, ByteList& list) {
  int32_t count = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(count, 1)) return;
  if (list.size() < static_cast<size_t>(count)) list.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) list[static_cast<size_t>(i)] = cursor.ReadUint8();
}
