#include "interpreter/CommonEventTriggers.h"

#include "gamedata/GlobalObjects.h"
#include "interpreter/InterpreterServices.h"
#include "map/CurrentMap.h"

namespace {

const CommonEvent* EventOf(const CommonEventRunEntry& entry) {
  const auto& events = CommonEvents();
  if (entry.number < 0 || static_cast<size_t>(entry.number) >= events.size()) return nullptr;
  return &events[static_cast<size_t>(entry.number)];
}

}  // namespace

bool CommonEventRunConditionHolds(const CommonEventRunEntry& entry) {
  const CommonEvent* event = EventOf(entry);
  return event && CommonEventConditionHolds(*event);
}

int GetCommonEventTriggerKind(const CommonEventRunEntry& entry) {
  const CommonEvent* event = EventOf(entry);
  return event ? event->TriggerKind() : -1;
}

const EventCommandList* GetCommonEventCommands(const CommonEventRunEntry& entry) {
  const CommonEvent* event = EventOf(entry);
  return event ? &event->commands : nullptr;
}

CommonEventRunEntry ConstructCommonEventRunEntry(int number) {
  CommonEventRunEntry entry;
  entry.number = number;
  RefreshCommonEventRunEntry(entry);
  return entry;
}

void RefreshCommonEventRunEntry(CommonEventRunEntry& entry) {
  const int kind = GetCommonEventTriggerKind(entry);
  if (kind == 3 || (kind == 2 && CommonEventRunConditionHolds(entry))) {
    if (entry.runners.empty()) {
      entry.runners.emplace_back();
      entry.runners.back().StartEventRunner(0, 0);  // idle until the frame starts it
    }
    return;
  }
  entry.runners.clear();
}

void RunCommonEventParallel(CommonEventRunEntry& entry) {
  if (entry.runners.empty()) return;
  EventRunner& runner = entry.runners.front();
  if (!runner.IsEventRunnerBusy()) {
    const EventCommandList* commands = GetCommonEventCommands(entry);
    if (!commands) return;
    runner.SetupEventCall(commands, 0, entry.number);
  }
  runner.RunEventRunner();
}

void BuildCommonEventRunEntries(std::vector<CommonEventRunEntry>& entries) {
  entries.clear();
  const auto& events = CommonEvents();
  for (size_t i = 0; i < events.size(); ++i) {
    const int kind = events[i].TriggerKind();
    if (kind == 2 || kind == 3) entries.push_back(ConstructCommonEventRunEntry(static_cast<int>(i)));
  }
}

void RefreshCommonEventRunEntries(std::vector<CommonEventRunEntry>& entries) {
  for (CommonEventRunEntry& entry : entries) RefreshCommonEventRunEntry(entry);
}

void ForEachRootRunner(const std::function<void(EventRunner&)>& visit) {
  visit(gEventSystem);
  for (CommonEventRunEntry& entry : gCurrentMap.commonEventRunEntries) {
    for (EventRunner& runner : entry.runners) visit(runner);
  }
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) {
    for (EventRunner& runner : event.parallelRunners) visit(runner);
  }
}
