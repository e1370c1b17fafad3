// Message, choice and key-input commands, and the bindings through which the
// windows hand their results back to the waiting runner.
#include <algorithm>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "media/PublicFunctions.h"
#include "presentation/MessageEscapes.h"
#include "shell/GameSystem.h"
#include "shell/KeyCapture.h"
#include "shell/ShellServices.h"

namespace {

constexpr int kChoiceCommand = 102;
constexpr int kMaxChoices = 10;

int SystemValue(int n) { return gVariableStore.ReadVariable(9000000 + n); }

}  // namespace

void GameSystem::SetMessageOwner(int state, EventRunner* runner) {
  messageOwnerState = state;
  messageOwner = runner;
}

void GameSystem::SetChoiceResultTarget(int slot, EventRunner* runner) {
  choiceResultSlot = slot;
  choiceTarget = runner;
}

void GameSystem::DeliverChoiceResult(int value) {
  if (choiceTarget == nullptr) return;
  if (choiceResultSlot >= 0 && choiceResultSlot < EventRunner::kLocalAreaSize)
    choiceTarget->localArea[static_cast<size_t>(choiceResultSlot)] = value;
  choiceTarget->windowWait = 0;
}

void GameSystem::ForgetRunner(const EventRunner* runner) {
  if (runner == nullptr) return;
  if (messageOwner == runner) SetMessageOwner(-1, nullptr);
  if (choiceTarget == runner) SetChoiceResultTarget(-1, nullptr);
}

void GameSystem::MoveRunnerBindings(const EventRunner* from, EventRunner* to) {
  if (from == nullptr) return;
  if (messageOwner == from) messageOwner = to;
  if (choiceTarget == from) choiceTarget = to;
}

void EventRunner::ShowMessageText(const std::string& text) {
  windowWait = 1;
  gGameSystem.SetMessageOwner(1, this);
  gGameSystem.messageText = text;
}

bool EventRunner::CmdMessage() {
  GameSystem& gs = gGameSystem;
  if (!gs.messageText.empty() || !gs.choiceText.empty()) return false;
  const std::string text =
      ExpandMessageEscapes(StringParam(0), mapEventId, commonId, mapId, 0, 1,
                           gVariableStore.ReadStringVariable(9900026), gVariableStore.ReadStringVariable(9900027), 1);
  ShowMessageText(text.empty() ? " " : text);
  gs.systemText = text;
  gs.closeMessageRequest = 0;
  const EventCommand* next = CommandAt(line + 1);
  if (next != nullptr && ParamOf(*next, 0) == kChoiceCommand) {
    ++line;
    gs.choicePosition = 0;
    gs.choiceFollows = 1;
    gs.choiceClosed = 0;
    const EventCommand choice = *next;
    if (!SetupChoice(choice)) gs.choiceFollows = 0;
  }
  return true;
}

bool EventRunner::CmdChoice() {
  GameSystem& gs = gGameSystem;
  if (!gs.messageText.empty() || !gs.choiceText.empty()) return false;
  gs.choicePosition = 0;
  gs.choiceFollows = 0;
  gs.choiceClosed = 0;
  const EventCommand choice = CurrentCommand();
  SetupChoice(choice);
  return true;
}

bool EventRunner::SetupChoice(const EventCommand& command) {
  GameSystem& gs = gGameSystem;
  const int flags = ParamOf(command, 1);
  gs.choiceCount = std::clamp(flags & 0x0F, 1, kMaxChoices);
  gs.closeChoiceRequest = 0;
  for (auto& t : gs.choiceTexts) t.clear();
  std::string lines;
  bool anyText = false;
  // At most ten texts; any further string parameters are passed over.
  const size_t count = std::min(command.strings.size(), static_cast<size_t>(kMaxChoices));
  for (size_t i = 0; i < count; ++i) {
    const std::string t = ExpandMessageEscapes(command.strings[i], mapEventId, commonId, mapId, 0, 0, "", "", 1);
    lines += t;
    gs.choiceTexts[i] = t;
    lines += "\n";
    anyText = anyText || !t.empty();
  }
  windowWait = 1;
  gs.cancelResult = ((flags >> 4) & 0x0F) - 2;
  gs.choiceExits = (flags >> 8) & 0x0F;
  if (!anyText) {
    gs.closeChoiceRequest = 1;
    gs.closeMessageRequest = 0;
    gs.choiceText.clear();
    gs.SetChoiceResultTarget(command.indent, this);
    gs.DeliverChoiceResult(gs.cancelResult + 2);
    return false;
  }
  gs.choiceText = lines;
  gs.SetChoiceResultTarget(command.indent, this);
  return true;
}

bool EventRunner::CmdCloseChoice() {
  gGameSystem.closeChoiceRequest = 1;
  return true;
}

bool EventRunner::CmdCloseMessage() {
  gGameSystem.closeMessageRequest = 1;
  return true;
}

bool EventRunner::CmdKeyInput() {
  const EventCommand& command = CurrentCommand();
  const int mode = Param(2);
  keyCodeToTest = 0;
  if ((mode & 0x1000) != 0 && command.ints.size() >= 4) keyCodeToTest = RunnerReadValue(Param(3));
  if ((mode & 0x80) != 0) {
    keyWait = 1;
    const int device = (mode >> 8) & 0x0F;
    if (device == 1) CaptureKeyboardKey(true, false, lastKeyboardKey, -1);
    if (device == 2) CapturePadButton(true, false, lastPadButton, -1);
  } else {
    PollKeyInputWait();
  }
  return true;
}

void EventRunner::PollKeyInputWait() {
  if (gEventAbortFlag || gEventSystem.keyInputState == 1) return;
  const bool w = keyWait != 0;
  const EventCommand* command = CommandAt(w ? line - 1 : line);
  if (command == nullptr) {
    keyWait = 0;
    return;
  }
  const int target = ParamOf(*command, 1);
  const int mode = ParamOf(*command, 2);
  const int device = (mode >> 8) & 0x0F;
  int v = 0;
  if (device == 1) {
    v = CaptureKeyboardKey(false, w, lastKeyboardKey, keyCodeToTest);
  } else if (device == 2) {
    v = CapturePadButton(false, w, lastPadButton, keyCodeToTest);
  } else if (device == 0) {
    const InputState& in = gInput;
    auto action = [&](int k, int repeatSwitch) {
      if (!w) return static_cast<int>(in.actionHeld[static_cast<size_t>(k)]);
      int value = in.actionPressed[static_cast<size_t>(k)];
      if (repeatSwitch > 0 && SystemValue(repeatSwitch) == 1)
        value = std::max(value, k == 0 ? in.confirmRepeat : in.cancelRepeat);
      return value;
    };
    if ((mode & 0x10) != 0 && v == 0) v = action(0, 59) * 10;
    if ((mode & 0x20) != 0 && v == 0) v = action(1, 60) * 11;
    if ((mode & 0x40) != 0 && v == 0) v = action(2, 0) * 12;
    if (v == 0) {
      auto counts = [&](uint8_t held, uint8_t pressed) {
        return w ? (held && in.repeatDirection4 != 0) || pressed : held != 0;
      };
      const bool up = counts(in.up, in.upPressed), down = counts(in.down, in.downPressed);
      const bool left = counts(in.left, in.leftPressed), right = counts(in.right, in.rightPressed);
      switch (mode & 0x0F) {
        case 1: v = w ? in.repeatDirection4 : in.direction4; break;
        case 2: v = w ? in.repeatDirection8 : in.direction8; break;
        case 3: v = up ? 8 : 0; break;
        case 4: v = down ? 2 : 0; break;
        case 5: v = left ? 4 : 0; break;
        case 6: v = right ? 6 : 0; break;
        case 7: v = std::max(up ? 8 : 0, down ? 2 : 0); break;
        case 8: v = std::max(left ? 4 : 0, right ? 6 : 0); break;
        default: break;
      }
    }
  }
  // Devices 3-15 read nothing; a wait on them ends at once with 0.
  const bool deadDevice = device >= 3;
  if (w) {
    if (v != 0 || deadDevice) {
      RunnerWriteVariable(target, v);
      keyWait = 0;
    }
  } else {
    RunnerWriteVariable(target, v);
  }
}

void EventRunner::DrawKeyInputField() {
  if (!children.empty()) {
    children.front().DrawKeyInputField();
    return;
  }
  if (keyInputHandle == 0) return;
  auto colour = [](int row) {
    int rgb[3];
    for (int c = 0; c < 3; ++c) rgb[c] = std::max(gSystemDatabase.ReadDatabaseInt(12, row, c), 0);
    return static_cast<int64_t>(PackColor(rgb[0], rgb[1], rgb[2]));
  };
  const int64_t c10 = colour(10), c11 = colour(11), c12 = colour(12);
  SetTextEntryColors(c10, c10, c11, c10, c12, c10, c12, 0, 0, 0, -1, -1, -1, -1, -1);
  const int scale = gScreenScale < 1 ? 1 : gScreenScale;
  DrawTextEntry(SystemValue(40) * scale, SystemValue(41) * scale, keyInputHandle);
}
