#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/VariableId.h"
#include "gamedata/VariableStore.h"

struct MapCharacter;

// Set when a save has been loaded in the middle of a frame: every runner
// returns at its next check until the frame's reload handling clears it.
extern uint8_t gEventAbortFlag;

// The cell of a variable of the ten variable sets (2,000,000-2,999,999), or
// null for any other id and for a cell the sets do not hold. Reading and
// writing such a cell directly is what the variable store does for it.
inline int32_t* VariableSetCell(int id) {
  const uint32_t offset = static_cast<uint32_t>(id) - static_cast<uint32_t>(VariableIdRange::kVariableSets);
  if (offset >= static_cast<uint32_t>(VariableIdRange::kStringVariables - VariableIdRange::kVariableSets))
    return nullptr;
  auto& sets = gVariableStore.variableSets;
  const size_t set = offset / 100000;
  const size_t index = offset % 100000;
  if (set >= sets.size() || index >= sets[set].size()) return nullptr;
  return &sets[set][index];
}

// The number cell of a common event's self variables (15,000,000 +
// event x 100 + cell), or null for a text cell (5-9), any other id and a cell
// the store does not hold. Reading and writing it directly is what the store
// does for it.
inline int32_t* CommonSelfCell(int id) {
  const uint32_t offset = static_cast<uint32_t>(id) - static_cast<uint32_t>(VariableIdRange::kCommonSelf);
  if (offset >= 1000000u) return nullptr;
  const uint32_t cell = offset % 100;
  if (cell >= 5 && cell <= 9) return nullptr;
  auto& events = gVariableStore.commonSelfVariables;
  const size_t event = offset / 100;
  if (event >= events.size() || cell >= events[event].size()) return nullptr;
  return &events[event][cell];
}

// A cell that the variable operation's plain lane works in place: a variable
// of the sets, or a number cell of common-event self variables, by its own
// id or relative to the running common event `commonId`.
inline int32_t* PlainOperationCell(int id, int commonId) {
  if (int32_t* cell = VariableSetCell(id)) return cell;
  const uint32_t relative = static_cast<uint32_t>(id) - static_cast<uint32_t>(VariableIdRange::kRelativeCommonSelf);
  if (relative < 100000u) {
    if (commonId < 0 || commonId >= 10000) return nullptr;
    return CommonSelfCell(static_cast<int>(VariableIdRange::kCommonSelf) + commonId * 100 +
                          static_cast<int>(relative % 100));
  }
  return CommonSelfCell(id);
}

// Executes one command list line by line and keeps what its commands need
// between frames. Every script of the game runs in one.
class EventRunner {
 public:
  static constexpr int kCommandLimit = 500000;
  static constexpr int kLocalAreaSize = 256;  // one slot per indent (a byte)
  static constexpr int kEndlessLoopCount = 2000000000;
  static constexpr int kMaxDepth = 100;
  static constexpr int kLimitPauseFrames = 5;

  EventRunner();
  // Copies are deep (children by value). A runner that runs its own command
  // list is bound, in the copy, to the copy's own list.
  EventRunner(const EventRunner& other);
  EventRunner& operator=(const EventRunner& other);
  EventRunner(EventRunner&& other) noexcept;
  EventRunner& operator=(EventRunner&& other) noexcept;
  ~EventRunner();

  void StartEventRunner(int depth, uint8_t mainRunner);
  void ResetEventRunner();
  void SetupEventCall(const EventCommandList* list, int mapEventId, int commonId);
  // Copies the list into the runner's own list and runs that copy.
  void SetupOwnEventCall(const EventCommandList& list, int mapEventId, int commonId);
  // A freshly constructed runner starting a called list one level deeper:
  // StartEventRunner(depth, 0) and SetupEventCall, without clearing again
  // what construction has just cleared.
  void StartCalledList(int depth, const EventCommandList* list, int mapEventId, int commonId);
  bool IsEventRunnerBusy() const { return commandList != nullptr; }

  // Operand access with the running event's relative ids rebased. A
  // variable-set or common-event self number cell is read and written in
  // place (the store's map context is used up as the store would use it).
  int RunnerReadValue(int operand) {
    if (operand < 1000000) return operand;
    if (int32_t* cell = PlainOperationCell(operand, commonId)) {
      gVariableStore.ContextMapId = -1;
      return *cell;
    }
    return ReadValueThroughStore(operand);
  }
  void RunnerWriteVariable(int id, int value) {
    if (int32_t* cell = PlainOperationCell(id, commonId)) {
      gVariableStore.ContextMapId = -1;
      *cell = value;
      return;
    }
    WriteVariableThroughStore(id, value);
  }
  std::string RunnerReadString(int id);
  void RunnerWriteString(int id, const std::string& text);
  int RebaseId(int id) const;

  void CheckEventStart();
  void RunEventRunner();
  void EndEventRun();
  bool SkipToBlockEnd();
  MapCharacter* GetCharacterById(int operand);

  // Runs the command at the line and, for the cheap kinds, the ones after it.
  bool DispatchEventCommand();

  // The command at the line; a line outside the list reads as the end command.
  const EventCommand& CurrentCommand() const {
    const EventCommand* command = CommandAt(line);
    return command ? *command : EndCommand();
  }
  const EventCommand* CommandAt(int index) const {
    if (!commandList || index < 0 || static_cast<size_t>(index) >= commandList->size()) return nullptr;
    return &(*commandList)[static_cast<size_t>(index)];
  }
  int CommandCount() const { return commandList ? static_cast<int>(commandList->size()) : 0; }
  // Parameters past the stored count read as 0 or "".
  static int ParamOf(const EventCommand& command, int k) {
    return k >= 0 && static_cast<size_t>(k) < command.ints.size() ? command.ints[static_cast<size_t>(k)] : 0;
  }
  int Param(int k) const { return ParamOf(CurrentCommand(), k); }
  const std::string& StringParam(int k) const;
  static const EventCommand& EndCommand();

  // Flow control (branches, cases, loops, labels, run control).
  bool CmdBranchByValue();
  bool CmdBranchByString();
  bool CmdBranchCase();
  bool CmdBranchOtherCase();
  bool CmdBranchCase2() { return CmdBranchCase(); }
  bool CmdBranchOtherCase2() { return CmdBranchOtherCase(); }
  bool CmdBranchEnd();
  bool CmdLoopStart();
  bool CmdCountedLoop();
  bool CmdBreakLoop();
  bool CmdContinueLoop();
  bool CmdLoopEnd();
  bool CmdJumpToLabel();
  bool CmdEndEvent();
  bool CmdEraseEvent();
  bool CmdReturnToTitle();
  bool CmdQuitGame();
  bool CmdWait();
  bool CmdWaitForMoves();
  void LeaveLoop();
  void JumpToLoopStart();

  // Variable operation (command 121).
  bool CmdVariableOperation();

  // Handlers of other command families, built with their own subsystems.
  bool CmdMessage();
  bool CmdChoice();
  bool CmdCloseChoice();
  bool CmdCloseMessage();
  bool CmdStringOperation();
  bool CmdKeyInput();
  bool CmdVariableQuery();
  bool CmdTransfer();
  bool CmdSound();
  bool CmdSpeech();
  bool CmdPicture();
  bool CmdScreenColor();
  bool CmdTransitionType();
  bool CmdPrepareTransition();
  bool CmdExecuteTransition();
  bool CmdFreezeScreen();
  bool CmdUnfreezeScreen();
  bool CmdMoveRoute();
  bool CmdCallEvent();
  bool CmdReserveEvent();
  bool CmdSaveLoad();
  bool CmdReadSaveValue();
  bool CmdWriteSaveValue();
  bool CmdAllowMoveDuringEvents();
  bool CmdStopMoveDuringEvents();
  bool CmdSetTileFlags();
  bool CmdChangeTileset();
  bool CmdEditMapTiles();
  bool CmdDatabase();
  bool CmdInternet();
  bool CmdPartyOperation();
  bool CmdShakeScreen();
  bool CmdScrollScreen();
  bool CmdEffect();
  bool CmdCallEventByName();
  void PollKeyInputWait();
  void DrawKeyInputField();
  // Message and choice set-up for the windows (gGameSystem).
  void ShowMessageText(const std::string& text);
  bool SetupChoice(const EventCommand& command);

  // Fields, in the record's order.
  uint8_t mainRunner = 0;
  int depth = 0;
  int line = 0;
  uint8_t windowWait = 0;
  uint8_t movesWait = 0;
  uint8_t keyWait = 0;
  int mapId = 0;
  int mapEventId = -1;
  int commonId = -1;
  int waitFrames = 0;
  std::vector<EventRunner> children;
  std::array<int, kLocalAreaSize> localArea{};
  const EventCommandList* commandList = nullptr;
  EventCommandList ownCommandList;
  // Numbers of the auto-start common events (indexes stay valid when the
  // common-event list grows, references would not).
  std::vector<int> autoStartList;
  std::vector<int> loopIndents;
  std::vector<int> loopCounts;
  // Set for a loop that started endless (170 or a jump into one): only those
  // keep their count; a counted loop whose count reaches the endless mark
  // still counts down.
  std::vector<uint8_t> loopEndless;
  int lastKeyboardKey = 0;
  int lastPadButton = 0;
  int keyInputHandle = 0;
  // The maximum length in bytes of the open text entry.
  int keyInputMaxLength = 0;
  int keyInputTargetId = 0;
  std::string keyInputPrefix;
  int commandsThisFrame = 0;
  int keyCodeToTest = 0;

 private:
  int ReadValueThroughStore(int operand);
  void WriteVariableThroughStore(int id, int value);
  template <typename Source>
  void AssignFrom(Source&& other);
  // Sets the line so that the dispatch steps onto `target` next.
  void StepOntoNext(int64_t target);
  int FindLoopStartBackward(int fromLine, int indent) const;
  void PushLoop(int indent, int count, bool endless);
  void PopLoop();
  void CountDownLoop();
  std::string ExpandLabelName(const std::string& name);
  void RunStringEntryStep();
  void ShowCommandLimitNotice();
  bool RunFastForm(int code, const EventCommand& command);
};

// Doubles every backslash that is a single-byte character (a 0x5C trail
// byte of a double-byte character stays).
std::string DoubleSingleByteBackslashes(const std::string& text);

// Numeric comparison of branches and common-event conditions:
// 0 >, 1 >=, 2 =, 3 <=, 4 <, 5 !=, 6 (left AND right) = right; 7-15 never.
inline bool CompareByOperator(int op, int left, int right) {
  switch (op) {
    case 0: return left > right;
    case 1: return left >= right;
    case 2: return left == right;
    case 3: return left <= right;
    case 4: return left < right;
    case 5: return left != right;
    case 6: return (left & right) == right;
    default: return false;
  }
}
