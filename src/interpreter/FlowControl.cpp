#include <string>
#include <vector>

#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/LabelScan.h"
#include "interpreter/VariableArithmetic.h"

namespace {

constexpr int kCaseTaken = -100;

bool IsLoopEndCode(int code) { return code == 498 || code / 1000 == 498; }

}  // namespace

void EventRunner::PushLoop(int indent, int count, bool endless) {
  loopIndents.push_back(indent);
  loopCounts.push_back(count);
  loopEndless.push_back(endless ? 1 : 0);
}

void EventRunner::PopLoop() {
  if (!loopIndents.empty()) loopIndents.pop_back();
  if (!loopCounts.empty()) loopCounts.pop_back();
  if (!loopEndless.empty()) loopEndless.pop_back();
}

void EventRunner::CountDownLoop() {
  if (loopCounts.empty()) return;
  // An endless loop keeps its mark; only 171, a jump or the end leave it.
  if (!loopEndless.empty() && loopEndless.back()) return;
  --loopCounts.back();
}

int EventRunner::FindLoopStartBackward(int fromLine, int indent) const {
  const int count = CommandCount();
  if (count == 0) return -1;
  const EventCommand* commands = commandList->data();
  for (int i = (fromLine > count ? count : fromLine) - 1; i >= 0; --i) {
    if (commands[i].indent == indent) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Branches

bool EventRunner::CmdBranchByValue() {
  const EventCommand& command = CurrentCommand();
  const int indent = command.indent;
  const int n = ParamOf(command, 1) & 0x0F;

  // Linked: the conditions' cells and the lines to go on at, read once.
  if (const EventCommandExtra* extra = command.extra.get();
      extra && extra->resolvedInts.size() >= 9 && n <= 3 && extra->resolvedCells.size() >= 2 * static_cast<size_t>(n)) {
    const int32_t* resolved = extra->resolvedInts.data();
    const ResolvedCell* cells = extra->resolvedCells.data();
    localArea[indent] = kCaseTaken;
    for (int k = 0; k < n; ++k) {
      const int* left = cells[static_cast<ptrdiff_t>(2) * k].cell;
      const int* right = cells[static_cast<ptrdiff_t>(2) * k + 1].cell;
      if (left && right && CompareByOperator(resolved[k + 2], *left, *right)) {
        StepOntoNext(int64_t{resolved[k + 5]} + 1);
        return true;
      }
    }
    StepOntoNext(int64_t{resolved[8]} + 1);
    return true;
  }

  int result = 0;
  for (int k = 0; k < n; ++k) {
    const int left = RunnerReadValue(ParamOf(command, 3 * k + 2));
    const int opWord = ParamOf(command, 3 * k + 4);
    const int right = (opWord & 0x10) ? ParamOf(command, 3 * k + 3) : RunnerReadValue(ParamOf(command, 3 * k + 3));
    if (CompareByOperator(opWord & 0x0F, left, right)) {
      result = k + 1;
      break;
    }
  }
  localArea[indent] = result;
  return true;
}

bool EventRunner::CmdBranchByString() {
  const EventCommand& command = CurrentCommand();
  const int indent = command.indent;
  const int n = ParamOf(command, 1) & 0x0F;
  int result = 0;
  for (int k = 0; k < n; ++k) {
    const uint32_t word = static_cast<uint32_t>(ParamOf(command, k + 2));
    const std::string left = RunnerReadString(static_cast<int>(word & 0xFFFFFF));
    // A literal is compared where it stands.
    std::string variable;
    if ((word >> 24) & 0x0F) variable = RunnerReadString(ParamOf(command, n + k + 2));
    const std::string& right = (word >> 24) & 0x0F ? variable : StringParam(k);
    bool holds = false;
    switch (word >> 28) {
      case 0: holds = left == right; break;
      case 1: holds = left != right; break;
      case 2: holds = left.find(right) != std::string::npos; break;
      default: break;
    }
    if (holds) {
      result = k + 1;
      break;
    }
  }
  localArea[indent] = result;
  return true;
}

bool EventRunner::CmdBranchCase() {
  const EventCommand& command = CurrentCommand();
  const int indent = command.indent;
  const EventCommandExtra* extra = command.extra.get();
  const int32_t* resolved = extra && extra->resolvedInts.size() >= 2 ? extra->resolvedInts.data() : nullptr;
  // A case line of a linked branch reached after a case was taken goes
  // straight to the block's end (the general form would skip case by case).
  // Reached any other way (a label jump into a case body) it compares as the
  // general form does.
  if (resolved && resolved[0] == 2 && localArea[indent] == kCaseTaken) {
    StepOntoNext(resolved[1]);
    return true;
  }
  if (localArea[indent] == ParamOf(command, 1)) {
    localArea[indent] = kCaseTaken;
    return true;
  }
  if (resolved && resolved[0] == 1) {
    StepOntoNext(resolved[1]);
  } else {
    SkipToBlockEnd();
  }
  return true;
}

bool EventRunner::CmdBranchOtherCase() {
  const int indent = CurrentCommand().indent;
  if (localArea[indent] == Param(1)) {
    localArea[indent] = kCaseTaken;
  } else {
    SkipToBlockEnd();
  }
  return true;
}

bool EventRunner::CmdBranchEnd() {
  localArea[CurrentCommand().indent] = kCaseTaken;
  return true;
}

// ---------------------------------------------------------------------------
// Loops

bool EventRunner::CmdLoopStart() {
  PushLoop(CurrentCommand().indent, kEndlessLoopCount, true);
  return true;
}

bool EventRunner::CmdCountedLoop() {
  PushLoop(CurrentCommand().indent, SaturateToInt(int64_t{RunnerReadValue(Param(1))} - 1), false);
  // The count is read a second time (a random id draws again).
  if (RunnerReadValue(Param(1)) <= 0) LeaveLoop();
  return true;
}

bool EventRunner::CmdBreakLoop() {
  LeaveLoop();
  return true;
}

bool EventRunner::CmdContinueLoop() {
  if (loopIndents.empty()) return true;
  if (loopCounts.empty() || loopCounts.back() <= 0) {
    LeaveLoop();
  } else {
    JumpToLoopStart();
  }
  return true;
}

bool EventRunner::CmdLoopEnd() {
  if (loopIndents.empty() || loopCounts.empty()) return true;
  if (loopCounts.back() <= 0) {
    PopLoop();
    return true;
  }
  const EventCommand& command = CurrentCommand();
  const EventCommandExtra* extra = command.extra.get();
  const int32_t* resolved = extra && extra->resolvedInts.size() >= 2 ? extra->resolvedInts.data() : nullptr;
  const int start = resolved && resolved[0] == 1 ? resolved[1] : FindLoopStartBackward(line, command.indent);
  if (start < 0) {
    // No loop start above this end: the loop cannot repeat.
    PopLoop();
    return true;
  }
  CountDownLoop();
  line = start;
  return true;
}

void EventRunner::LeaveLoop() {
  if (loopIndents.empty()) return;
  const int indent = loopIndents.back();
  const int last = CommandCount() - 1;
  for (int i = line + 1; i < last; ++i) {
    const EventCommand* command = CommandAt(i);
    const int code = command->ints.empty() ? 0 : command->ints[0];
    if (command->indent == indent && IsLoopEndCode(code)) {
      line = i;
      PopLoop();
      return;
    }
  }
}

void EventRunner::JumpToLoopStart() {
  if (loopIndents.empty() || loopCounts.empty()) return;
  const int start = FindLoopStartBackward(line, loopIndents.back());
  if (start < 0) return;
  CountDownLoop();
  line = start;
}

// ---------------------------------------------------------------------------
// Labels

std::string EventRunner::ExpandLabelName(const std::string& name) {
  return ExpandEscapesForRunner(name, mapEventId, commonId, mapId);
}

bool EventRunner::CmdJumpToLabel() {
  const EventCommand& command = CurrentCommand();
  const auto& resolved = command.ResolvedInts;
  if (!resolved.empty()) {
    if (resolved.size() < 3 || resolved[0] != 1) return true;
    const int64_t pairs = resolved[2];
    for (int64_t p = 0; p < pairs && static_cast<size_t>(4 + 2 * p) < resolved.size(); ++p) {
      const int indent = resolved[static_cast<size_t>(3 + 2 * p)];
      const int endless = resolved[static_cast<size_t>(4 + 2 * p)];
      if (indent == -1 && endless == -1) {
        PopLoop();
      } else {
        PushLoop(indent, endless ? kEndlessLoopCount : 0, endless != 0);
      }
    }
    StepOntoNext(int64_t{resolved[1]} + 1);
    return true;
  }

  if (!commandList) return true;
  const std::string name = ExpandLabelName(StringParam(0));
  const LabelJumpPlan jump = PlanLabelJump(*commandList, line, [&](const EventCommand& c) {
    return ExpandLabelName(c.strings.empty() ? std::string() : c.strings[0]) == name;
  });
  if (jump.target < 0) return true;
  for (int entry : jump.plan) {
    if (entry == -1) {
      PopLoop();
    } else {
      const bool endless = entry % 10 == 1;
      PushLoop(entry / 10, endless ? kEndlessLoopCount : 0, endless);
    }
  }
  StepOntoNext(int64_t{jump.target} + 1);
  return true;
}

// ---------------------------------------------------------------------------
// Run control

bool EventRunner::CmdEndEvent() {
  EndEventRun();
  return true;
}

bool EventRunner::CmdReturnToTitle() {
  SetRunState(0);
  EndEventRun();
  return true;
}

bool EventRunner::CmdQuitGame() {
  SetRunState(-1);
  EndEventRun();
  return true;
}

bool EventRunner::CmdWait() {
  const int frames = RunnerReadValue(Param(1));
  waitFrames = frames < 0 ? 0 : frames;
  return true;
}

bool EventRunner::CmdWaitForMoves() {
  movesWait = 1;
  return true;
}

bool EventRunner::CmdEraseEvent() {
  const int target = Param(1);
  const int fadeFrames = Param(2);
  if (target <= -1) {
    // The running event erases itself; a runner of no map event just ends.
    if (mapId == CurrentMapId() && mapEventId >= 0) EraseMapEvent(mapEventId, fadeFrames);
    EndEventRun();
    return false;
  }
  const int v = RunnerReadValue(target);
  if (v >= 0) EraseMapEvent(v, fadeFrames);
  ++line;
  return false;
}
