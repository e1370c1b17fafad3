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

// A stored list (int32 n, then n items, each at least minItemBytes long and
// read by readItem) read into a list that grows to n when shorter and never
// shrinks. Returns n. A count that cannot be right marks the file damaged
// and reads nothing (result 0); reading stops at the first damaged item.
template <typename List, typename ReadItem>
int32_t ReadGrowingList(DataFileCursor& cursor, List& list, size_t minItemBytes, ReadItem readItem) {
  int32_t count = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(count, minItemBytes)) return 0;
  if (list.size() < static_cast<size_t>(count)) list.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count && !cursor.Damaged(); ++i) readItem(list[static_cast<size_t>(i)]);
  return count;
}

// A stored byte list (int32 n, n bytes), growing as above.
template <typename ByteList>
int32_t ReadGrowingByteList(DataFileCursor& cursor, ByteList& list) {
  return ReadGrowingList(cursor, list, 1, [&](auto& item) { item = cursor.ReadUint8(); });
}
