#pragma once

#include <functional>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "interpreter/EventRunner.h"

// One parallel common event of the current map: its number and a runner
// list of zero runners (not running) or one.
struct CommonEventRunEntry {
  int number = -1;
  std::vector<EventRunner> runners;
};

// The start condition of a common event (operator in the high nibble of its
// flag byte) on the live variables. CommonEventConditionHolds (the record
// form) is shared with the start check.
bool CommonEventRunConditionHolds(const CommonEventRunEntry& entry);
// Low nibble of the flag byte of the entry's common event; -1 when its number
// names no common event.
int GetCommonEventTriggerKind(const CommonEventRunEntry& entry);
// The entry's common event's own list (not a copy); null when its number
// names no common event.
const EventCommandList* GetCommonEventCommands(const CommonEventRunEntry& entry);

CommonEventRunEntry ConstructCommonEventRunEntry(int number);
// Kind 3, or kind 2 with its condition: keeps (or adds) an idle runner; any
// other case empties the runner list, which ends a running event at once.
void RefreshCommonEventRunEntry(CommonEventRunEntry& entry);
// Once per frame: an idle runner starts the event from its first line, then
// the runner runs for one frame.
void RunCommonEventParallel(CommonEventRunEntry& entry);

// Empties the entry list and builds an entry for every common event of kind
// 2 or 3, in list order (on every map change).
void BuildCommonEventRunEntries(std::vector<CommonEventRunEntry>& entries);
// Refreshes every entry in list order (after the map events' page selection).
void RefreshCommonEventRunEntries(std::vector<CommonEventRunEntry>& entries);

// Every runner that is not inside another: the main runner, the current
// map's run entries' runners and the map events' parallel runners.
void ForEachRootRunner(const std::function<void(EventRunner&)>& visit);
