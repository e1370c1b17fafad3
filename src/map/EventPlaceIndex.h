#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

struct MapCharacter;
struct MapEventCharacter;

// Which map events stand in which map cell, so that a step check looks only
// at the events near its target instead of at every event of the map.
//
// Places are filed modulo the map's spans (2W and 2H half cells), the way the
// step checks compare them, so an event standing off a looping map is found
// where it counts. Events are filed by their slot in the list; the index
// never reads an event's flags, so only places need to be kept current.
class EventPlaceIndex {
 public:
  // Whether the index was filed for this very list and map size.
  bool FiledFor(const std::vector<MapEventCharacter>& events, int64_t spanX, int64_t spanY) const;
  // Files every event afresh.
  void Rebuild(const std::vector<MapEventCharacter>& events, int64_t spanX, int64_t spanY);
  // Brings the index up to the events' places: filed afresh for another list
  // or map size, else only the events whose place changed are refiled.
  void Sync(const std::vector<MapEventCharacter>& events, int64_t spanX, int64_t spanY);
  // Refiles `character` when it is an event of the filed list, filed at
  // (oldX, oldY); anything else is no event of the index and is left alone.
  void NoteMoved(const std::vector<MapEventCharacter>& events, const MapCharacter& character, int32_t oldX,
                 int32_t oldY);
  // Forgets the filed list: the next use files it afresh.
  void Clear();

  // Calls blocks(slot) for the events filed in the map cells that hold half
  // columns tx - 1 to tx + 1 of half rows ty and ty + 1 (so for every event
  // whose place is congruent to one of these), until one returns true;
  // whether one did.
  template <class Blocks>
  bool AnyNear(int64_t tx, int64_t ty, Blocks blocks) const {
    // The spans are even, so half columns tx - 1 to tx + 1 lie in the cell
    // columns of tx - 1 and tx + 1, and half rows ty and ty + 1 in theirs.
    const std::array<uint64_t, 2> columns{CellColumn(tx - 1), CellColumn(tx + 1)};
    const std::array<uint64_t, 2> rows{CellRow(ty), CellRow(ty + 1)};
    const size_t columnCount = columns[0] == columns[1] ? 1 : 2;
    const size_t rowCount = rows[0] == rows[1] ? 1 : 2;
    for (size_t r = 0; r < rowCount; ++r) {
      for (size_t c = 0; c < columnCount; ++c) {
        const auto found = heads_.find(columns[c] << 32 | rows[r]);
        if (found == heads_.end()) continue;
        for (size_t slot = found->second; slot != kNone; slot = slots_[slot].next) {
          if (blocks(slot)) return true;
        }
      }
    }
    return false;
  }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  struct Slot {
    int32_t x = 0;
    int32_t y = 0;
    size_t previous = kNone;
    size_t next = kNone;
  };

  uint64_t CellColumn(int64_t x) const;
  uint64_t CellRow(int64_t y) const;
  uint64_t Key(int64_t x, int64_t y) const { return CellColumn(x) << 32 | CellRow(y); }
  void Link(size_t slot);
  void Unlink(size_t slot);
  void Refile(size_t slot, int32_t x, int32_t y);

  // Kept only to recognise the list the index was filed for; never read
  // through.
  const MapEventCharacter* filedList_ = nullptr;
  size_t filedCount_ = 0;
  int64_t spanX_ = 0;
  int64_t spanY_ = 0;
  std::vector<Slot> slots_;
  // The first slot filed in each occupied map cell (two by two half cells),
  // keyed by cell column and row; the rest follow by Slot::next.
  std::unordered_map<uint64_t, size_t> heads_;
};
