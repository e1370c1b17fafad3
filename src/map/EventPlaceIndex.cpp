#include "map/EventPlaceIndex.h"

#include "map/MapCharacter.h"
#include "map/MapMath.h"

bool EventPlaceIndex::FiledFor(const std::vector<MapEventCharacter>& events, int64_t spanX, int64_t spanY) const {
  return filedList_ != nullptr && filedList_ == events.data() && filedCount_ == events.size() && spanX_ == spanX &&
         spanY_ == spanY;
}

void EventPlaceIndex::Clear() {
  filedList_ = nullptr;
  filedCount_ = 0;
  slots_.clear();
  heads_.clear();
}

void EventPlaceIndex::Rebuild(const std::vector<MapEventCharacter>& events, int64_t spanX, int64_t spanY) {
  Clear();
  // No half cell to file a place under.
  if (spanX <= 0 || spanY <= 0 || events.empty()) return;
  filedList_ = events.data();
  filedCount_ = events.size();
  spanX_ = spanX;
  spanY_ = spanY;
  slots_.resize(events.size());
  heads_.reserve(events.size());
  for (size_t i = 0; i < events.size(); ++i) {
    slots_[i].x = events[i].x;
    slots_[i].y = events[i].y;
    Link(i);
  }
}

void EventPlaceIndex::Sync(const std::vector<MapEventCharacter>& events, int64_t spanX, int64_t spanY) {
  if (!FiledFor(events, spanX, spanY)) {
    Rebuild(events, spanX, spanY);
    return;
  }
  for (size_t i = 0; i < events.size(); ++i) {
    if (slots_[i].x != events[i].x || slots_[i].y != events[i].y) Refile(i, events[i].x, events[i].y);
  }
}

void EventPlaceIndex::NoteMoved(const std::vector<MapEventCharacter>& events, const MapCharacter& character,
                                int32_t oldX, int32_t oldY) {
  if (!FiledFor(events, spanX_, spanY_)) return;
  const auto found = heads_.find(Key(oldX, oldY));
  if (found == heads_.end()) return;
  for (size_t slot = found->second; slot != kNone; slot = slots_[slot].next) {
    if (static_cast<const MapCharacter*>(&events[slot]) == &character) {
      Refile(slot, character.x, character.y);
      return;
    }
  }
}

// A span is at most twice an int32 side, so a cell index fits in 32 bits.
uint64_t EventPlaceIndex::CellColumn(int64_t x) const { return static_cast<uint64_t>(WrapIntoSpan(x, spanX_)) >> 1; }
uint64_t EventPlaceIndex::CellRow(int64_t y) const { return static_cast<uint64_t>(WrapIntoSpan(y, spanY_)) >> 1; }

void EventPlaceIndex::Link(size_t slot) {
  Slot& entry = slots_[slot];
  const auto [head, added] = heads_.try_emplace(Key(entry.x, entry.y), slot);
  entry.previous = kNone;
  entry.next = kNone;
  if (added) return;
  entry.next = head->second;
  slots_[head->second].previous = slot;
  head->second = slot;
}

void EventPlaceIndex::Unlink(size_t slot) {
  const Slot& entry = slots_[slot];
  if (entry.next != kNone) slots_[entry.next].previous = entry.previous;
  if (entry.previous != kNone) {
    slots_[entry.previous].next = entry.next;
    return;
  }
  const uint64_t key = Key(entry.x, entry.y);
  if (entry.next == kNone) {
    heads_.erase(key);
  } else {
    heads_[key] = entry.next;
  }
}

void EventPlaceIndex::Refile(size_t slot, int32_t x, int32_t y) {
  Slot& entry = slots_[slot];
  if (Key(entry.x, entry.y) == Key(x, y)) {
    entry.x = x;
    entry.y = y;
    return;
  }
  Unlink(slot);
  entry.x = x;
  entry.y = y;
  Link(slot);
}
