// The variable store's block in save files.
#include <cstring>

#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/VariableStore.h"

namespace {

// Save files before this format number store string lengths in 16 bits.
constexpr int kFirstFormatWithLongStrings = 111;
constexpr size_t kCommonSelfCells = 100;
constexpr size_t kCommonSelfStrings = 5;

bool ReadText(SaveBuffer& buffer, std::string& text) {
  int32_t length = 0;
  if (buffer.formatNumber < kFirstFormatWithLongStrings) {
    uint8_t bytes[2];
    if (!buffer.ReadBytes(bytes, 2)) return false;
    length = static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
  } else if (!buffer.ReadInt32(length)) {
    return false;
  }
  if (length < 0) return false;
  if (!buffer.Fits(static_cast<size_t>(length))) return false;
  std::string bytes(static_cast<size_t>(length), '\0');
  if (!buffer.ReadBytes(bytes.data(), bytes.size())) return false;
  text.assign(bytes, 0, bytes.find('\0'));  // up to the first zero byte
  return true;
}

// A count read from the buffer: false for a negative one, and (with the
// short-data flag) for one whose items cannot all be in what remains.
bool ReadCount(SaveBuffer& buffer, int32_t& count, size_t minItemBytes) {
  if (!buffer.ReadInt32(count)) return false;
  if (count < 0) return false;
  // Fits raises the short-data flag when the items cannot be there.
  return buffer.Fits(static_cast<size_t>(count) * minItemBytes);
}

bool ReadInts(SaveBuffer& buffer, std::vector<int32_t>& cells) {
  for (int32_t& cell : cells)
    if (!buffer.ReadInt32(cell)) return false;
  return true;
}

}  // namespace

void VariableStore::ResetVariableStore() { ResetVariableStore(gCommonEventList.Count()); }

bool VariableStore::SaveVariableStore() {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.WriteInt32(static_cast<int32_t>(SharedRandom(1, 0)));
  buffer.WriteInt32(static_cast<int32_t>(mapSelfVariables.size()));
  for (const auto& events : mapSelfVariables) {
    buffer.WriteInt32(static_cast<int32_t>(events.size()));
    for (const auto& cells : events) {
      buffer.WriteUint8(static_cast<uint8_t>(cells.size()));
      for (size_t i = 0; i < cells.size() && i < 255; ++i) buffer.WriteInt32(cells[i]);
    }
  }
  buffer.WriteInt32(static_cast<int32_t>(variableSets.size()));
  for (const auto& set : variableSets) {
    buffer.WriteInt32(static_cast<int32_t>(set.size()));
    for (int32_t value : set) buffer.WriteInt32(value);
  }
  buffer.WriteInt32(static_cast<int32_t>(stringVariables.size()));
  for (const std::string& text : stringVariables) buffer.WriteStr32Z(text);
  buffer.WriteInt32(static_cast<int32_t>(commonSelfVariables.size()));
  for (const auto& cells : commonSelfVariables) {
    buffer.WriteUint8(static_cast<uint8_t>(cells.size()));
    for (size_t i = 0; i < cells.size() && i < 255; ++i) buffer.WriteInt32(cells[i]);
  }
  buffer.WriteInt32(static_cast<int32_t>(commonSelfStrings.size()));
  for (const auto& strings : commonSelfStrings) {
    buffer.WriteUint8(static_cast<uint8_t>(strings.size()));
    for (size_t i = 0; i < strings.size() && i < 255; ++i) buffer.WriteStr32Z(strings[i]);
  }
  return true;
}

bool VariableStore::LoadVariableStore(bool restoreRandom) {
  SaveBuffer& buffer = gSaveBuffer;
  int32_t random = 0;
  if (!buffer.ReadInt32(random)) return false;
  if (restoreRandom) SharedRandom(2, static_cast<uint32_t>(random));

  int32_t mapCount = 0;
  if (!ReadCount(buffer, mapCount, 4)) return false;
  mapSelfVariables.assign(static_cast<size_t>(mapCount), {});
  for (auto& events : mapSelfVariables) {
    int32_t eventCount = 0;
    if (!ReadCount(buffer, eventCount, 1)) return false;
    events.assign(static_cast<size_t>(eventCount), {});
    for (auto& cells : events) {
      uint8_t cellCount = 0;
      if (!buffer.ReadUint8(cellCount)) return false;
      cells.assign(cellCount, 0);
      if (!ReadInts(buffer, cells)) return false;
    }
  }

  int32_t setCount = 0;
  if (!ReadCount(buffer, setCount, 4)) return false;
  variableSets.assign(static_cast<size_t>(setCount), {});
  for (auto& set : variableSets) {
    int32_t size = 0;
    if (!ReadCount(buffer, size, 4)) return false;
    set.assign(static_cast<size_t>(size), 0);
    if (!ReadInts(buffer, set)) return false;
  }

  int32_t stringCount = 0;
  if (!ReadCount(buffer, stringCount, 2)) return false;
  stringVariables.assign(static_cast<size_t>(stringCount), {});
  for (std::string& text : stringVariables)
    if (!ReadText(buffer, text)) return false;

  // Common events added to the game since the save get fresh cells.
  const size_t loadedEvents = static_cast<size_t>(gCommonEventList.Count());
  int32_t selfCount = 0;
  if (!ReadCount(buffer, selfCount, 1)) return false;
  const size_t storedSelf = static_cast<size_t>(selfCount);
  if (storedSelf < loadedEvents) {
    commonSelfVariables.resize(loadedEvents);
    for (size_t i = storedSelf; i < loadedEvents; ++i) commonSelfVariables[i].assign(kCommonSelfCells, 0);
  } else {
    commonSelfVariables.resize(storedSelf);
  }
  for (size_t i = 0; i < storedSelf; ++i) {
    uint8_t cellCount = 0;
    if (!buffer.ReadUint8(cellCount)) return false;
    commonSelfVariables[i].assign(cellCount, 0);
    if (!ReadInts(buffer, commonSelfVariables[i])) return false;
  }

  int32_t stringSelfCount = 0;
  if (!ReadCount(buffer, stringSelfCount, 1)) return false;
  const size_t storedStrings = static_cast<size_t>(stringSelfCount);
  if (storedStrings < loadedEvents) {
    commonSelfStrings.resize(loadedEvents);
    for (size_t i = storedStrings; i < loadedEvents; ++i) commonSelfStrings[i].assign(kCommonSelfStrings, {});
  } else {
    commonSelfStrings.resize(storedStrings);
  }
  for (size_t i = 0; i < storedStrings; ++i) {
    uint8_t count = 0;
    if (!buffer.ReadUint8(count)) return false;
    commonSelfStrings[i].assign(count, {});
    for (std::string& text : commonSelfStrings[i])
      if (!ReadText(buffer, text)) return false;
  }
  return true;
}
