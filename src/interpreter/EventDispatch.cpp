#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/LinkPass.h"
#include "interpreter/VariableArithmetic.h"
#include "interpreter/VariableOperationLane.h"

namespace {

// A stage's exact result as the operation stores it: as it is within the
// two billions, where wrapping and clamping agree; beyond them wrapped to 32
// bits, or clamped for an operation that keeps the general form's clamps.
// Its flags are read only then, off the common path.
inline int32_t SettleFastFormValue(int64_t value, const EventCommand& command) {
  constexpr int64_t kTwoBillion = 2000000000;
  if (value >= -kTwoBillion && value <= kTwoBillion) return static_cast<int32_t>(value);
  if (LinkedOperationWraps(EventRunner::ParamOf(command, 4))) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
  }
  return ClampToTwoBillion(value);
}

// Inline fast form kFastFormBase + 10 x assignment + operator (=, +=, -=,
// *= over +, -, x) on three bound cells; each stage is exact in 64 bits and
// then settled. The operands are read before the store, so the target may
// be one of them. False for a form outside them.
inline bool StoreFastForm(int code, const EventCommand& command, int32_t* targetCell, const int32_t* leftCell,
                          const int32_t* rightCell) {
  const int form = code - kFastFormBase;
  const int asg = form / 10;
  const int op = form - 10 * asg;
  if (op > 2) return false;
  const int64_t left = *leftCell;
  const int64_t right = *rightCell;
  int64_t value;
  switch (op) {
    case 0: value = left + right; break;
    case 1: value = left - right; break;
    default: value = left * right; break;
  }
  value = SettleFastFormValue(value, command);
  int32_t& target = *targetCell;
  switch (asg) {
    case 0: target = static_cast<int32_t>(value); break;
    case 1: target = SettleFastFormValue(target + value, command); break;
    case 2: target = SettleFastFormValue(target - value, command); break;
    default: target = SettleFastFormValue(target * value, command); break;
  }
  return true;
}

// The list's pool of inline-operation cells, when its last command holds one
// made for this list and no command's cells changed since.
const LinkedOperands* ListPool(const EventCommand* commands, int size) {
  if (size <= 0) return nullptr;
  const EventCommandExtra* extra = commands[size - 1].extra.get();
  if (!extra || !extra->listPool) return nullptr;
  const CommandListPool& pool = *extra->listPool;
  if (pool.lines.size() != static_cast<size_t>(size) || pool.generation != CommandLinkGeneration()) return nullptr;
  return pool.lines.data();
}

// Out-of-line blocks (links, texts) are separate heap blocks: the one a few
// lines ahead is asked for, so a straight run does not wait on each.
constexpr int kPrefetchDistance = 3;

}  // namespace

// The fast form from the command's own cells. False for a command without
// them: the caller runs the general form from its parameters.
bool EventRunner::RunFastForm(int code, const EventCommand& command) {
  const EventCommandExtra* extra = command.extra.get();
  if (!extra) return false;
  const auto& list = extra->resolvedCells;
  if (list.size() < 3) return false;
  const ResolvedCell* cells = list.data();
  if (!cells[0].cell || !cells[1].cell || !cells[2].cell) return false;
  return StoreFastForm(code, command, cells[0].cell, cells[1].cell, cells[2].cell);
}

bool EventRunner::DispatchEventCommand() {
  // The line and the frame's count live in registers while the loop runs
  // commands inline (a store through a bound cell could alias them); they
  // are written back before any handler that reads them runs.
  int at = line - 1;
  int count = commandsThisFrame;
  const EventCommand* commands = commandList ? commandList->data() : nullptr;
  int size = CommandCount();
  const LinkedOperands* pool = ListPool(commands, size);
  uint64_t poolGeneration = CommandLinkGeneration();
  for (;;) {
    if (count >= kCommandLimit) {
      line = at;
      commandsThisFrame = count;
      return true;
    }
    ++at;
    SetErrorLocationLine(at);
    // A line outside the list acts as the end command.
    if (static_cast<unsigned>(at) >= static_cast<unsigned>(size)) {
      line = at;
      commandsThisFrame = count;
      EndEventRun();
      return true;
    }
    const EventCommand* command = commands + at;
    // A pooled operation's block is never read: ask only for the others.
    if (at + kPrefetchDistance < size && !(pool && pool[at + kPrefetchDistance].target)) {
      if (const EventCommandExtra* extra = command[kPrefetchDistance].extra.get()) {
        __builtin_prefetch(&extra->resolvedCells);
        __builtin_prefetch(&extra->resolvedInts);
      }
    }
    const int code = command->Code();
    // An inline operation of a pooled list reads its cells from the pool.
    if (static_cast<unsigned>(code - kFastFormBase) <= 32u) {
      if (pool) {
        const LinkedOperands& cells = pool[at];
        if (cells.target && StoreFastForm(code, *command, cells.target, cells.left, cells.right)) {
          ++count;
          continue;
        }
      }
      if (RunFastForm(code, *command)) {
        ++count;
        continue;
      }
    }
    // An unlinked plain variable operation reads and writes only variable
    // cells: it runs here without leaving the loop.
    if (code == 121 && !command->extra && RunPlainVariableOperation(*command, commonId)) {
      ++count;
      continue;
    }
    line = at;
    commandsThisFrame = count;
    switch (code) {
      // Return kind: the handler decides whether the frame goes on.
      case -1: EndEventRun(); return true;
      case 101: return CmdMessage();
      case 102: return CmdChoice();
      case 104: return CmdCloseChoice();
      case 105: return CmdCloseMessage();
      case 122: return CmdStringOperation();
      case 123: return CmdKeyInput();
      case 130: return CmdTransfer();
      case 151: return CmdScreenColor();
      case 160: return CmdTransitionType();
      case 161: return CmdPrepareTransition();
      case 162: return CmdExecuteTransition();
      case 172: return CmdEndEvent();
      case 173: return CmdEraseEvent();
      case 174: return CmdReturnToTitle();
      case 175: return CmdQuitGame();
      case 177: return CmdFreezeScreen();
      case 178: return CmdUnfreezeScreen();
      case 180: return CmdWait();
      case 201: return CmdMoveRoute();
      case 202: return CmdWaitForMoves();
      case 210: return CmdCallEvent();
      case 211: return CmdReserveEvent();
      case 220: return CmdSaveLoad();
      case 221: return CmdReadSaveValue();
      case 222: return CmdWriteSaveValue();
      case 230: return CmdAllowMoveDuringEvents();
      case 231: return CmdStopMoveDuringEvents();
      case 240: return CmdSetTileFlags();
      case 241: return CmdChangeTileset();
      case 242: return CmdEditMapTiles();
      case 260: return CmdInternet();
      case 270: return CmdPartyOperation();
      case 280: return CmdShakeScreen();
      case 281: return CmdScrollScreen();
      case 290: return CmdEffect();
      case 300: return CmdCallEventByName();

      // Continue kind: cheap commands run on inside this call.
      case 111: CmdBranchByValue(); break;
      case 112: CmdBranchByString(); break;
      case 121: CmdVariableOperation(); break;
      case 124: CmdVariableQuery(); break;
      case 140: CmdSound(); break;
      case 141: CmdSpeech(); break;
      case 150: CmdPicture(); break;
      case 170: CmdLoopStart(); break;
      case 171: CmdBreakLoop(); break;
      case 176: CmdContinueLoop(); break;
      case 179: CmdCountedLoop(); break;
      case 213: CmdJumpToLabel(); break;
      case 250: CmdDatabase(); break;
      case 401: CmdBranchCase(); break;
      case 402: CmdBranchOtherCase(); break;
      case 420: CmdBranchCase2(); break;
      case 421: CmdBranchOtherCase2(); break;
      case 498: CmdLoopEnd(); break;
      case 499: CmdBranchEnd(); break;

      // A fast form without its cells: the general form.
      case 210000:
      case 210001:
      case 210002:
      case 210010:
      case 210011:
      case 210012:
      case 210020:
      case 210021:
      case 210022:
      case 210030:
      case 210031:
      case 210032: CmdVariableOperation(); break;

      default: break;  // 0, 103, 212 and unknown codes: no effect
    }
    // A continue-kind handler never ends the run, but stay safe if one does.
    if (!commandList) return true;
    at = line;
    count = ++commandsThisFrame;
    // A handler may have changed the list or some command's cells.
    if (commandList->data() != commands || CommandCount() != size || CommandLinkGeneration() != poolGeneration) {
      commands = commandList->data();
      size = CommandCount();
      pool = ListPool(commands, size);
      poolGeneration = CommandLinkGeneration();
    }
  }
}
