#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/LinkPass.h"
#include "interpreter/VariableArithmetic.h"

// Inline fast form kFastFormBase + 10 x assignment + operator (=, +=, -=,
// *= over +, -, x) on the three cells the link pass bound: the general
// form's arithmetic, clamped to two billion at both stages. The operands are
// read before the store, so the target may be one of them. A command without
// its cells runs the general form from its parameters.
void EventRunner::RunFastForm(int code, const EventCommand& command) {
  const EventCommandExtra* extra = command.extra.get();
  const ResolvedCell* cells = extra ? extra->resolvedCells.data() : nullptr;
  if (!cells || extra->resolvedCells.size() < 3 || !cells[0].cell || !cells[1].cell || !cells[2].cell) {
    CmdVariableOperation();
    return;
  }
  const int64_t left = *cells[1].cell;
  const int64_t right = *cells[2].cell;
  int64_t value;
  switch ((code - kFastFormBase) % 10) {
    case 0: value = left + right; break;
    case 1: value = left - right; break;
    default: value = left * right; break;
  }
  value = ClampToTwoBillion(value);
  int& target = *cells[0].cell;
  switch ((code - kFastFormBase) / 10) {
    case 0: target = static_cast<int>(value); break;
    case 1: target = ClampToTwoBillion(target + value); break;
    case 2: target = ClampToTwoBillion(target - value); break;
    default: target = ClampToTwoBillion(target * value); break;
  }
}

namespace {
constexpr int kPrefetchDistance = 3;
}  // namespace

bool EventRunner::DispatchEventCommand() {
  --line;
  for (;;) {
    if (commandsThisFrame >= kCommandLimit) return true;
    ++line;
    SetErrorLocationLine(line);
    const EventCommand* command = CommandAt(line);
    // A line outside the list acts as the end command.
    if (!command) {
      EndEventRun();
      return true;
    }
    // Out-of-line blocks (links, texts) are separate heap blocks: ask for
    // the one a few lines ahead, so a straight run does not wait on each.
    if (const EventCommand* ahead = CommandAt(line + kPrefetchDistance)) {
      if (const EventCommandExtra* extra = ahead->extra.get()) {
        __builtin_prefetch(&extra->resolvedInts);
        __builtin_prefetch(&extra->resolvedCells);
      }
    }
    const int code = command->Code();
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

      // Inline fast forms.
      case 210000: case 210001: case 210002:
      case 210010: case 210011: case 210012:
      case 210020: case 210021: case 210022:
      case 210030: case 210031: case 210032:
        RunFastForm(code, *command);
        break;

      default: break;  // 0, 103, 212 and unknown codes: no effect
    }
    // A continue-kind handler never ends the run, but stay safe if one does.
    if (!commandList) return true;
    ++commandsThisFrame;
  }
}
