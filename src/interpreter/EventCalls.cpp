#include "interpreter/EventCalls.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/GameText.h"
#include "gamedata/VariableStore.h"
#include "interpreter/CommonEventTriggers.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "map/MapEventRunners.h"
#include "presentation/MessageEscapes.h"

namespace {

constexpr int kCommonBase = 500000;
constexpr int kRelativeBase = 600000;
constexpr int kRelativeSelf = 600100;
constexpr int kCommonSelfBase = 15000000;

void TestPlayNotice(const std::string& line2) {
  if (!gTestPlay) return;
  ShowNoticeBox(Cp932Text("【テストプレイ専用エラー】"), line2, "");
}

// Runners of a list element remember its address; growing the list moves
// its elements. Each runner bound to an element is found before and bound
// again after.
struct Binding {
  EventRunner* runner;
  size_t event;
};

void CollectBindings(EventRunner& runner, std::vector<Binding>& out) {
  const auto& events = gCommonEventList.events;
  if (runner.commandList) {
    for (size_t i = 0; i < events.size(); ++i) {
      if (runner.commandList == &events[i].commands) {
        out.push_back({&runner, i});
        break;
      }
    }
  }
  for (EventRunner& child : runner.children) CollectBindings(child, out);
}

// Map-event page calls on the path from a root runner down to `target`,
// `target` included; -1 when the runner is under no root.
int MapPageCallsAbove(EventRunner& root, const EventRunner* target, int above) {
  if (&root == target) return above;
  for (EventRunner& child : root.children) {
    const int here = above + (child.commonId < 0 ? 1 : 0);
    const int found = MapPageCallsAbove(child, target, here);
    if (found >= 0) return found;
  }
  return -1;
}

int MapPageCallNesting(const EventRunner* runner) {
  int nesting = 0;
  bool done = false;
  ForEachRootRunner([&](EventRunner& root) {
    if (done) return;
    const int found = MapPageCallsAbove(root, runner, 0);
    if (found >= 0) {
      nesting = found;
      done = true;
    }
  });
  return nesting;
}

}  // namespace

CallTarget ResolveCallTarget(int value, int runningCommonId) {
  CallTarget target;
  if (value >= kRelativeBase) {
    const int64_t count = static_cast<int64_t>(gCommonEventList.events.size());
    int64_t number = int64_t{runningCommonId} + value - kRelativeSelf;
    if (number > count - 1) number = count - 1;
    if (number < 0) number = count > 0 ? 0 : -1;
    target.common = true;
    target.number = static_cast<int>(number);
  } else if (value >= kCommonBase) {
    target.common = true;
    target.number = value - kCommonBase;
  } else {
    target.number = value;
  }
  return target;
}

int LoadCommonEventFileOnce(const std::string& name) {
  const auto known = gCommonFileIndex.find(name);
  if (known != gCommonFileIndex.end()) return known->second;

  std::vector<Binding> bindings;
  ForEachRootRunner([&](EventRunner& root) { CollectBindings(root, bindings); });
  const int before = gCommonEventList.Count();
  const int added = gCommonEventList.ReadCommonEventFile(name, before, true);
  for (const Binding& binding : bindings)
    binding.runner->commandList = &gCommonEventList.events[binding.event].commands;
  if (added < 0) return -1;

  const size_t count = gCommonEventList.events.size();
  gVariableStore.commonSelfVariables.resize(count, std::vector<int32_t>(100, 0));
  gVariableStore.commonSelfStrings.resize(count, std::vector<std::string>(5));
  gCommonFileIndex[name] = before;
  for (int k = before; k < before + added && static_cast<size_t>(k) < count; ++k) {
    gCommonEventNameIndex[gCommonEventList.events[static_cast<size_t>(k)].name] = k;
  }
  return before;
}

namespace {

// Arguments into the callee's self cells, then one child runner that runs
// the common event's own list one level deeper.
void CallCommonEvent(EventRunner& caller, const EventCommand& command, int number) {
  const uint32_t word = static_cast<uint32_t>(EventRunner::ParamOf(command, 2));
  const int numbers = static_cast<int>(word & 0x0F);
  const int texts = static_cast<int>((word >> 4) & 0x0F);
  const int64_t base = kCommonSelfBase + int64_t{number % 100000} * 100;
  for (int i = 0; i < numbers; ++i) {
    const int value = caller.RunnerReadValue(EventRunner::ParamOf(command, 3 + i));
    // The store's write of a held number cell, done in place.
    if (int32_t* cell = CommonSelfCell(static_cast<int>(base + i))) {
      gVariableStore.ContextMapId = -1;
      *cell = value;
    } else {
      gVariableStore.WriteVariable(static_cast<int>(base + i), value);
    }
  }
  for (int j = 0; j < texts; ++j) {
    const std::string text = caller.RunnerReadString(EventRunner::ParamOf(command, 3 + numbers + j));
    gVariableStore.WriteStringVariable(static_cast<int>(base + 5 + j), text);
  }
  caller.children.clear();
  caller.children.emplace_back();
  EventRunner& child = caller.children.back();
  // Beyond the depth limit the program ends here.
  child.StartCalledList(caller.depth + 1, &gCommonEventList.events[static_cast<size_t>(number)].commands,
                        caller.mapEventId, number);
}

void MissingCommonEventNotice(int number) {
  TestPlayNotice(NoticeText("存在しないコモンEv%dを呼び出そうとしました", {Decimal(number)}));
}

}  // namespace

bool EventRunner::CmdCallEvent() {
  const EventCommand& command = CurrentCommand();
  const int operand = RunnerReadValue(Param(1));
  const CallTarget target = ResolveCallTarget(operand, commonId);
  if (target.common) {
    if (target.number >= 0 && target.number < gCommonEventList.Count()) {
      CallCommonEvent(*this, command, target.number);
    } else {
      MissingCommonEventNotice(target.number);
    }
    return true;
  }

  const int eventId = target.number == -1 ? mapEventId : target.number;
  const int page = RunnerReadValue(Param(2));
  MapEventCharacter* event = gCurrentMap.FindMapEvent(eventId);
  const MapEvent* data = FindCurrentMapEventData(eventId);
  const int64_t pageCount = data ? static_cast<int64_t>(data->pages.size()) : 0;
  if (!event || page >= pageCount) {
    TestPlayNotice(NoticeText("存在しないマップEv%d,ページ%dを呼び出そうとしました",
                              {Decimal(operand), Decimal(int64_t{page} + 1)}));
    return true;
  }
  // Page calls nest inside their callers in the same frame: bound the chain.
  if (MapPageCallNesting(this) + 1 > kMaxMapPageCallNesting) {
    TestPlayNotice(NoticeText("マップEv%d,ページ%dの呼び出しが%d段を越えました",
                              {Decimal(eventId), Decimal(int64_t{page} + 1), Decimal(kMaxMapPageCallNesting)}));
    return true;
  }
  const EventCommandList& list = page < 0 ? event->commands : data->pages[static_cast<size_t>(page)].commands;
  EventCommandList copy = list;
  children.clear();
  children.emplace_back();
  EventRunner& child = children.back();
  child.ownCommandList = std::move(copy);
  child.SetupEventCall(&child.ownCommandList, eventId, -1);
  return true;
}

bool EventRunner::CmdCallEventByName() {
  std::string name = StringParam(0);
  if (static_cast<uint32_t>(Param(2)) & 0x100) {
    name = ExpandMessageEscapes(name, mapEventId, commonId, CurrentMapId(), 1, 0, "", "", 0);
  }
  int number;
  if (name.find(".common") != std::string::npos) {
    number = LoadCommonEventFileOnce(name);
    if (number < 0) return true;
  } else {
    const auto found = gCommonEventNameIndex.find(name);
    if (found == gCommonEventNameIndex.end()) return true;
    number = found->second;
  }
  // Read the command again: a file load may have moved the list it is in.
  const EventCommand& current = CurrentCommand();
  if (number >= 0 && number < gCommonEventList.Count()) {
    CallCommonEvent(*this, current, number);
  } else {
    MissingCommonEventNotice(number);
  }
  return true;
}

bool EventRunner::CmdReserveEvent() {
  const int operand = RunnerReadValue(Param(1));
  if (operand >= kCommonBase) {
    // Stored as it is; the start check drops a number past the list's end.
    gGameSystem.pendingCommonStart = ResolveCallTarget(operand, commonId).number;
    return true;
  }
  MapEventCharacter* event = gCurrentMap.FindMapEvent(operand);
  if (!event) return true;
  const MapEvent* data = FindCurrentMapEventData(operand);
  const int64_t pageCount = data ? static_cast<int64_t>(data->pages.size()) : 0;
  if (RunnerReadValue(Param(2)) < pageCount) event->ReserveEventStart();
  return true;
}
