// Save and load commands (220-222) and the internet command (260).
#include <string>

#include "gamedata/SaveManager.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/StringOperation.h"
#include "presentation/MessageEscapes.h"
#include "shell/ShellServices.h"

namespace {

constexpr const char* kDefaultStem = "Save\\SaveData";
constexpr const char* kErrorText = "<<ERROR>>";

// The file a command names: a stem with slot 0, or the default stem with a
// slot. A stem from a script names a file inside the game folder or nothing.
struct SaveFileChoice {
  std::string stem = kDefaultStem;
  int slot = 0;
  bool refused = false;
};

SaveFileChoice Refuse(SaveFileChoice choice) {
  choice.refused = !IsWritableFileName(choice.stem);
  return choice;
}

}  // namespace

bool EventRunner::CmdSaveLoad() {
  SaveFileChoice file;
  const std::string named = RunnerReadString(Param(2));
  if (named == kErrorText) {
    file.slot = RunnerReadValue(Param(2));
  } else {
    file.stem = named;
  }
  file = Refuse(file);
  if (file.refused) return true;
  switch (Param(1)) {
    case 0: gSaveManager.WriteSaveFile(file.slot, true, file.stem); break;
    case 1:
      if (gSaveManager.ReadSaveFile(file.slot, true, false, file.stem)) {
        CmdExecuteTransition();
        gEventAbortFlag = 1;
        // The loaded game starts with an idle main runner.
        gEventSystem.ResetEventRunner();
      }
      break;
    case 2:
      if (gSaveManager.ReadSaveFile(file.slot, false, true, file.stem)) gEventAbortFlag = 1;
      break;
    default: break;
  }
  return true;
}

namespace {

// Commands 221 and 222 name the file by a number or by a string id.
SaveFileChoice SlotFileChoice(EventRunner& runner) {
  SaveFileChoice file;
  const int raw = runner.Param(2);
  if (gVariableStore.IsNumericVariableId(raw)) {
    file.slot = runner.RunnerReadValue(raw);
  } else {
    file.stem = runner.RunnerReadString(raw);
  }
  return Refuse(file);
}

// The variable id inside the save: raw, or an operand when parameter 4 says so.
int SlotVariableId(EventRunner& runner) {
  const bool indirect = runner.CurrentCommand().ints.size() >= 5 && (runner.Param(4) & 1);
  return indirect ? runner.RunnerReadValue(runner.Param(3)) : runner.Param(3);
}

}  // namespace

bool EventRunner::CmdReadSaveValue() {
  const SaveFileChoice file = SlotFileChoice(*this);
  const int source = SlotVariableId(*this);
  const int target = Param(1);
  if (gVariableStore.IsNumericVariableId(target)) {
    RunnerWriteVariable(target, file.refused ? 0 : gSaveManager.ReadSaveSlotVariable(file.slot, source, file.stem));
  } else {
    RunnerWriteString(target,
                      file.refused ? std::string() : gSaveManager.ReadSaveSlotString(file.slot, source, file.stem));
  }
  return true;
}

bool EventRunner::CmdWriteSaveValue() {
  const SaveFileChoice file = SlotFileChoice(*this);
  const int target = SlotVariableId(*this);
  if (file.refused) return true;
  const int source = Param(1);
  if (gVariableStore.IsNumericVariableId(source)) {
    gSaveManager.WriteSaveSlotVariables(file.slot, target, RunnerReadValue(source), file.stem);
  } else {
    gSaveManager.WriteSaveSlotStrings(file.slot, target, RunnerReadString(source), file.stem);
  }
  return true;
}

bool EventRunner::CmdInternet() {
  const std::string address = ExpandMessageEscapes(StringParam(0), mapEventId, commonId, mapId, 1, 0, "", "", 0);
  const std::string second = ExpandMessageEscapes(StringParam(1), mapEventId, commonId, mapId, 1, 0, "", "", 0);
  gInternetConnection.BeginInternetConnection(address, second, Param(1) & 1, Param(2));
  return true;
}
