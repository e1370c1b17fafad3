#include "interpreter/EventRunner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <utility>

#include "gamedata/CommonEvent.h"
#include "gamedata/VariableStore.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/VariableArithmetic.h"
#include "media/PublicFunctions.h"
#include "platform/process/Process.h"
#include "platform/text/Cp932Literal.h"

uint8_t gEventAbortFlag = 0;

namespace {

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

EventRunner::EventRunner() = default;

EventRunner::EventRunner(const EventRunner& other) { AssignFrom(other); }

EventRunner& EventRunner::operator=(const EventRunner& other) {
  if (this != &other) AssignFrom(other);
  return *this;
}

EventRunner::EventRunner(EventRunner&& other) noexcept { AssignFrom(std::move(other)); }

EventRunner& EventRunner::operator=(EventRunner&& other) noexcept {
  if (this != &other) AssignFrom(std::move(other));
  return *this;
}

// The windows never keep a runner that is gone.
EventRunner::~EventRunner() { gGameSystem.ForgetRunner(this); }

// Member-wise copy or move (by the value category of `other`); a runner
// running its own list is bound to the new own list.
template <typename Source>
void EventRunner::AssignFrom(Source&& other) {
  gGameSystem.ForgetRunner(this);
  if constexpr (!std::is_lvalue_reference_v<Source>) gGameSystem.MoveRunnerBindings(&other, this);
  const bool ownList = other.commandList == &other.ownCommandList;
  mainRunner = other.mainRunner;
  depth = other.depth;
  line = other.line;
  windowWait = other.windowWait;
  movesWait = other.movesWait;
  keyWait = other.keyWait;
  mapId = other.mapId;
  mapEventId = other.mapEventId;
  commonId = other.commonId;
  waitFrames = other.waitFrames;
  children = std::forward<Source>(other).children;
  localArea = other.localArea;
  ownCommandList = std::forward<Source>(other).ownCommandList;
  commandList = ownList ? &ownCommandList : other.commandList;
  autoStartList = std::forward<Source>(other).autoStartList;
  loopIndents = std::forward<Source>(other).loopIndents;
  loopCounts = std::forward<Source>(other).loopCounts;
  loopEndless = std::forward<Source>(other).loopEndless;
  lastKeyboardKey = other.lastKeyboardKey;
  lastPadButton = other.lastPadButton;
  keyInputHandle = other.keyInputHandle;
  keyInputMaxLength = other.keyInputMaxLength;
  keyInputTargetId = other.keyInputTargetId;
  keyInputPrefix = std::forward<Source>(other).keyInputPrefix;
  commandsThisFrame = other.commandsThisFrame;
  keyCodeToTest = other.keyCodeToTest;
  if constexpr (!std::is_lvalue_reference_v<Source>) other.commandList = nullptr;
}

// ---------------------------------------------------------------------------
// Start and set-up

void EventRunner::StartEventRunner(int newDepth, uint8_t newMainRunner) {
  // A deeper chain means a script calls itself without end: stop at once.
  if (newDepth > kMaxDepth) platform::ExitProcess(1);
  depth = newDepth;
  mainRunner = newMainRunner;
  if (mainRunner) {
    autoStartList.clear();
    const auto& events = CommonEvents();
    for (size_t i = 0; i < events.size(); ++i) {
      if ((events[i].triggerFlags & 0x0F) == 1) autoStartList.push_back(static_cast<int>(i));
    }
  }
  ResetEventRunner();
}

void EventRunner::ResetEventRunner() {
  gGameSystem.ForgetRunner(this);
  mapId = 0;
  mapEventId = -1;
  commonId = -1;
  windowWait = 0;
  movesWait = 0;
  keyWait = 0;
  waitFrames = 0;
  commandList = nullptr;
  // The count stays: it belongs to the frame, and a runner that ends and
  // starts again inside one frame (an auto-start event whose condition stays
  // true) must still meet the frame's command limit.
  children.clear();
  localArea.fill(0);
  loopIndents.clear();
  loopCounts.clear();
  loopEndless.clear();
  lastKeyboardKey = 0;
  lastPadButton = 0;
}

void EventRunner::SetupEventCall(const EventCommandList* list, int newMapEventId, int newCommonId) {
  ResetEventRunner();
  mapId = CurrentMapId();
  mapEventId = newMapEventId;
  commonId = newCommonId;
  commandList = list;
  line = 0;
}

void EventRunner::StartCalledList(int newDepth, const EventCommandList* list, int newMapEventId, int newCommonId) {
  if (newDepth > kMaxDepth) platform::ExitProcess(1);
  depth = newDepth;
  mainRunner = 0;
  mapId = CurrentMapId();
  mapEventId = newMapEventId;
  commonId = newCommonId;
  commandList = list;
  line = 0;
}

void EventRunner::SetupOwnEventCall(const EventCommandList& list, int newMapEventId, int newCommonId) {
  // The source may be our own list (a caller handing it back): copy first.
  EventCommandList copy = list;
  ownCommandList = std::move(copy);
  SetupEventCall(&ownCommandList, newMapEventId, newCommonId);
}

// ---------------------------------------------------------------------------
// Command access

// What a line outside the list reads as: the end command.
const EventCommand& EventRunner::EndCommand() {
  static const EventCommand end = [] {
    EventCommand command;
    command.ints.assign(1, -1);
    return command;
  }();
  return end;
}

const std::string& EventRunner::StringParam(int k) const {
  const auto& strings = CurrentCommand().strings;
  return k >= 0 && static_cast<size_t>(k) < strings.size() ? strings[static_cast<size_t>(k)] : EmptyText();
}

void EventRunner::StepOntoNext(int64_t target) {
  const int count = CommandCount();
  if (target < 0) target = 0;
  if (target > count) target = count;  // one past the end reads as the end command
  line = static_cast<int>(target) - 1;
}

// ---------------------------------------------------------------------------
// Operands

int EventRunner::RebaseId(int id) const {
  int64_t value = id;
  if (value >= 1100000 && value <= 1199999) value = 1000000 + int64_t{mapEventId} * 10 + value % 10;
  if (value >= 1600000 && value <= 1699999) value = 15000000 + int64_t{commonId} * 100 + value % 100;
  if (value >= 9190000 && value <= 9199999) value = 9100000 + int64_t{mapEventId} * 10 + value % 10;
  return SaturateToInt(value);
}

int EventRunner::ReadValueThroughStore(int operand) {
  gVariableStore.ContextMapId = mapId;
  return gVariableStore.ReadVariable(RebaseId(operand));
}

void EventRunner::WriteVariableThroughStore(int id, int value) {
  gVariableStore.ContextMapId = mapId;
  gVariableStore.WriteVariable(RebaseId(id), value);
}

namespace {

// A string variable (3,000,000-3,999,999) that the store holds, or null.
std::string* StringVariableCell(int id) {
  const uint32_t index = static_cast<uint32_t>(id) - static_cast<uint32_t>(VariableIdRange::kStringVariables);
  auto& strings = gVariableStore.stringVariables;
  return index < 1000000u && index < strings.size() ? &strings[index] : nullptr;
}

}  // namespace

std::string EventRunner::RunnerReadString(int id) {
  // A held string variable is read in place, as the store reads it (which
  // leaves the map context set).
  if (const std::string* text = StringVariableCell(id)) {
    gVariableStore.ContextMapId = mapId;
    return *text;
  }
  if (id >= 1600000 && id <= 1699999) id = SaturateToInt(15000000 + int64_t{commonId} * 100 + id % 100);
  gVariableStore.ContextMapId = mapId;
  return gVariableStore.ReadStringVariable(id);
}

void EventRunner::RunnerWriteString(int id, const std::string& text) {
  // A held string variable is written in place; the store's map context is
  // used up as the store would use it.
  if (std::string* cell = StringVariableCell(id)) {
    gVariableStore.ContextMapId = -1;
    *cell = text;
    return;
  }
  if (id >= 1600000 && id <= 1699999) id = SaturateToInt(15000000 + int64_t{commonId} * 100 + id % 100);
  gVariableStore.ContextMapId = mapId;
  gVariableStore.WriteStringVariable(id, text);
}

MapCharacter* EventRunner::GetCharacterById(int operand) {
  const int v = RunnerReadValue(operand);
  if (v <= -3) return PartyMemberCharacter(-(int64_t{v} + 3));
  if (v == -2) return HeroCharacter();
  if (v == -1) return MapEventCharacterById(mapEventId);
  return MapEventCharacterById(v);
}

// ---------------------------------------------------------------------------
// End of a run and block scans

void EventRunner::EndEventRun() {
  commandList = nullptr;
  loopIndents.clear();
  loopCounts.clear();
  loopEndless.clear();
  if (!StateReloadPending() && mainRunner && mapEventId >= 0) RestoreEventFacing(mapEventId);
}

bool EventRunner::SkipToBlockEnd() {
  const int count = CommandCount();
  if (line < 0) line = 0;
  const int indent = CurrentCommand().indent;
  if (line + 1 >= count) return true;
  // Straight over the list: the lines in between are only skipped.
  const EventCommand* commands = commandList->data();
  int next = line + 1;
  while (next < count && commands[next].indent != indent) ++next;
  line = next - 1;
  return true;
}

// ---------------------------------------------------------------------------
// Start check of the idle main runner

void EventRunner::CheckEventStart() {
  if (PageRefreshPending()) RefreshMapEventPages();

  const int pending = PendingCommonStart();
  const auto& events = CommonEvents();
  if (pending >= 0) {
    ClearPendingCommonStart();
    // A reservation past the list's end names no event: drop it.
    if (static_cast<size_t>(pending) < events.size()) {
      SetupOwnEventCall(events[static_cast<size_t>(pending)].commands, mapEventId, pending);
      return;
    }
  }

  const EventCommandList* list = nullptr;
  const int eventId = TakeRequestedMapEvent(&list);
  if (eventId >= 0 && list) {
    SetupOwnEventCall(*list, eventId, -1);
    return;
  }

  for (int number : autoStartList) {
    if (number < 0 || static_cast<size_t>(number) >= events.size()) continue;
    const CommonEvent& event = events[static_cast<size_t>(number)];
    if (CommonEventConditionHolds(event)) {
      SetupOwnEventCall(event.commands, -1, number);
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// The per-frame run loop

void EventRunner::ShowCommandLimitNotice() {
  char text[256];
  (void)std::snprintf(text, sizeof text,
                      Cp932<"1フレームあたりの処理が500000個を越えました！ イベント%d (コモン%d) %d行">, mapEventId,
                      commonId, line);
  ShowNoticeBox(text, "", "");
}

void EventRunner::RunStringEntryStep() {
  const int handle = keyInputHandle;
  const int state = GetTextEntryState(handle);
  if (state == 0) return;
  ClearTextEntryBusy();
  if (state == 2) {
    DeleteTextEntry(handle);
    SetKeyInputState(-1);
    RunnerWriteString(keyInputTargetId, keyInputPrefix);
  } else {
    SetKeyInputState(0);
    std::string typed(static_cast<size_t>(std::max(keyInputMaxLength, 0)) + 1, '\0');
    if (GetTextEntryString(typed.data(), handle) != 0) typed[0] = '\0';
    typed.resize(std::strlen(typed.c_str()));
    DeleteTextEntry(handle);
    keyInputPrefix += DoubleSingleByteBackslashes(typed);
    RunnerWriteString(keyInputTargetId, keyInputPrefix);
  }
  keyInputHandle = 0;
}

void EventRunner::RunEventRunner() {
  if (gEventAbortFlag) return;
  commandsThisFrame = 0;
  for (;;) {
    if (++commandsThisFrame > kCommandLimit) {
      commandsThisFrame = 0;
      ShowCommandLimitNotice();
      waitFrames = kLimitPauseFrames;
    }

    if (!children.empty()) {
      children.front().RunEventRunner();
      if (gEventAbortFlag) return;
      if (!children.front().IsEventRunnerBusy()) children.erase(children.begin());
      if (!children.empty()) return;
    }

    if (keyInputHandle != 0) {
      RunStringEntryStep();
      if (keyInputHandle != 0) return;
    }

    if (windowWait) return;
    if (TransitionHoldsRunners()) return;
    if (movesWait) {
      if (AnyCharacterRunsRoute()) return;
      movesWait = 0;
    }
    if (ScrollWaitPending()) {
      if (MapIsScrolling()) return;
      ClearScrollWait();
    }
    if (keyWait) {
      PollKeyInputWait();
      return;
    }
    if (waitFrames > 0) {
      waitFrames -= FrameStep();
      return;
    }
    if (RunState() == 0) return;

    if (!IsEventRunnerBusy()) {
      if (mainRunner && depth == 0) CheckEventStart();
      if (!IsEventRunnerBusy()) return;
    }

    SetErrorLocation(mapId, commonId, line);
    RequestPageRefresh();

    if (!DispatchEventCommand()) return;
    if (RunState() <= 0) return;
    if (TakeDatabaseError()) {
      char text[256];
      (void)std::snprintf(text, sizeof text, Cp932<"Ev%d Common%d Line%d DBの存在しない部分を読みに行こうとしました">,
                          mapEventId, commonId, line);
      ShowNoticeBox(text, "", "");
    }
    if (gEventAbortFlag) return;
    ++line;
  }
}

// ---------------------------------------------------------------------------

std::string DoubleSingleByteBackslashes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 < text.size()) {
      out += text[i];
      out += text[++i];
      continue;
    }
    out += text[i];
    if (c == '\\') out += '\\';
  }
  return out;
}
