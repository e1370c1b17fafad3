#include "shell/PlayerInput.h"

#include <cstdio>
#include <cstring>

#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "platform/text/Cp932Literal.h"
#include "shell/Replay.h"
#include "shell/StartupGlobals.h"

InputState gInput;

namespace {

// Scan codes the poll reads beside the configured keys.
enum : int {
  kScanEscape = 1,
  kScanBackspace = 14,
  kScanEnter = 28,
  kScanLeftCtrl = 29,
  kScanLeftShift = 42,
  kScanRightShift = 54,
  kScanSpace = 57,
  kScanF4 = 62,
  kScanF5 = 63,
  kScanF8 = 66,
  kScanF9 = 67,
  kScanNumpad0 = 82,
  kScanF12 = 88,
  kScanKanji = 148,
  kScanRightCtrl = 157,
  kScanPrintScreen = 183,
  kScanInsert = 210,
};

constexpr int kPadButton11 = 0x4000;

// What the poll remembers of its previous call; it lives for the whole run.
struct PreviousPoll {
  std::array<uint8_t, 4> liveActionHeld{};
  std::array<uint8_t, 4> actionHeld{};
  uint8_t up = 0, down = 0, left = 0, right = 0;
  int direction8 = 0;
  int directionHoldCounter = 0;
  uint8_t ctrl = 0, shift = 0, printScreen = 0;
  uint8_t f4 = 0, f5 = 0, f8 = 0, f9 = 0, f12 = 0;
};
PreviousPoll gPrevious;

bool KeyDown(const InputState& state, int scan) {
  return scan >= 0 && scan < 256 && state.keySnapshot[static_cast<size_t>(scan)] != 0;
}

// A configured keyboard code outside 100-355 names no key.
bool ConfiguredKeyDown(const InputState& state, int code) {
  return code >= 100 && code <= 355 && KeyDown(state, code - 100);
}

// Fills the live action flags from the devices; `extraCancel` is one more
// scan code that counts as cancel (-1 none).
void ReadLiveActions(InputState& state, int extraCancel) {
  const std::array<int32_t, 6>& keys = gEventSystem.keyCodes;
  const int pad = GetPadButtons(1);
  std::array<uint8_t, 4> held{};
  held[0] =
      (pad & keys[3]) || ConfiguredKeyDown(state, keys[0]) || KeyDown(state, kScanEnter) || KeyDown(state, kScanSpace);
  held[1] = (pad & keys[4]) || ConfiguredKeyDown(state, keys[1]) || KeyDown(state, kScanNumpad0) ||
            KeyDown(state, kScanInsert) || KeyDown(state, kScanEscape) || KeyDown(state, kScanBackspace) ||
            KeyDown(state, extraCancel);
  held[2] = (pad & keys[5]) || KeyDown(state, kScanLeftShift) || KeyDown(state, kScanRightShift) ||
            ConfiguredKeyDown(state, keys[2]);
  held[3] = (pad & kPadButton11) != 0;
  for (size_t i = 0; i < 4; ++i) {
    state.liveActionHeld[i] = held[i];
    state.liveActionPressed[i] = held[i] && !gPrevious.liveActionHeld[i];
  }
  gPrevious.liveActionHeld = held;
}

void ReadMouse(InputState& state, bool active) {
  state.mouseLeftHeld = state.mouseRightHeld = state.mouseMiddleHeld = 0;
  int x = 0, y = 0;
  GetMousePosition(&x, &y);
  if (!(gTileSize == 32 && GetWindowScale() == 1.0)) {
    ++x;
    ++y;
  }
  x = x < 0 ? 0 : x > 640 ? 640 : x;
  y = y < -10 ? -10 : y > 480 ? 480 : y;
  if (gTileSize == 16 && gScreenScale == 2) {
    x /= 2;
    y /= 2;
  }
  state.mouseX = x;
  state.mouseY = y;
  state.mouseDx = x - state.lastMouseX;
  state.mouseDy = y - state.lastMouseY;
  state.lastMouseX = x;
  state.lastMouseY = y;
  if (active) {
    const int buttons = GetMouseButtons();
    state.mouseLeftHeld = (buttons & 1) != 0;
    state.mouseRightHeld = (buttons & 2) != 0;
    state.mouseMiddleHeld = (buttons & 4) != 0;
  }
  state.mouseLeftPressed = state.mouseLeftHeld && !state.previousMouseLeft;
  state.mouseRightPressed = state.mouseRightHeld && !state.previousMouseRight;
  state.mouseMiddlePressed = state.mouseMiddleHeld && !state.previousMouseMiddle;
  state.previousMouseLeft = state.mouseLeftHeld;
  state.previousMouseRight = state.mouseRightHeld;
  state.previousMouseMiddle = state.mouseMiddleHeld;
  state.wheel = active ? TakeMouseWheelCount() : 0;
}

// held now, pressed when it was not held at the previous poll.
void Edge(uint8_t held, uint8_t& previous, uint8_t& heldOut, uint8_t& pressedOut) {
  heldOut = held;
  pressedOut = held && !previous;
  previous = held;
}

// The more recently pressed of two opposite keys is the effective one.
void ResolveAxis(uint8_t first, uint8_t firstBefore, uint8_t second, uint8_t secondBefore, uint8_t& firstOut,
                 uint8_t& secondOut) {
  if (first && !firstBefore) {
    firstOut = 1;
    secondOut = 0;
  } else if (!first) {
    firstOut = 0;
    secondOut = second;
  }
  if (second && !secondBefore) {
    firstOut = 0;
    secondOut = 1;
  } else if (!second) {
    secondOut = 0;
    firstOut = first;
  }
}

bool IsRepeatPulse(int held, int delay, int interval) {
  return held == delay || (held > delay && (held - delay) % interval == 0);
}

}  // namespace

void InitInputState(InputState& state) { state = InputState{}; }

void ResetInputState(InputState& state) {
  state.wheel = 0;
  state.mouseDx = state.mouseDy = 0;
  state.lastMouseX = state.lastMouseY = 0;
  state.confirmRepeat = state.cancelRepeat = 0;
  state.repeatDirection4 = state.repeatDirection8 = 0;
  state.confirmHoldFrames = state.cancelHoldFrames = 0;
  state.verticalUp = state.verticalDown = state.horizontalLeft = state.horizontalRight = 0;
  state.keySnapshot.fill(0);
  state.printScreenHeld = state.printScreenPressed = 0;
}

void PollInput(InputState& state) {
  // A notice of the replay is answered with the live devices.
  const bool replaying = gReplayPlaying && !IsReplayNoticeOpen();
  if (replaying && gReplayFinished) return;
  state.up = state.down = state.left = state.right = 0;
  state.ctrlHeld = state.shiftHeld = 0;
  const bool active = IsMainWindowActive() != 0;
  char keys[256];
  GetKeyboardSnapshot(keys);
  for (size_t i = 0; i < 256; ++i) state.keySnapshot[i] = keys[i] != 0 ? 1 : 0;
  state.direction8 = state.direction4 = 0;

  if (!replaying) {
    if (active) {
      const int pad = GetPadButtons(0x1001);
      state.up = (pad & 0x8) != 0;
      state.down = (pad & 0x1) != 0;
      state.left = (pad & 0x2) != 0;
      state.right = (pad & 0x4) != 0;
    }
    ReadMouse(state, active);
    Edge(active && (KeyDown(state, kScanRightCtrl) || KeyDown(state, kScanLeftCtrl)), gPrevious.ctrl, state.ctrlHeld,
         state.ctrlPressed);
    Edge(active && (KeyDown(state, kScanLeftShift) || KeyDown(state, kScanRightShift)), gPrevious.shift,
         state.shiftHeld, state.shiftPressed);
    Edge(active && KeyDown(state, kScanPrintScreen), gPrevious.printScreen, state.printScreenHeld,
         state.printScreenPressed);
    if (active) {
      ReadLiveActions(state, -1);
    } else {
      state.liveActionHeld.fill(0);
      state.liveActionPressed.fill(0);
      gPrevious.liveActionHeld.fill(0);
    }
    state.actionHeld = state.liveActionHeld;
    if (!gReplayPlaying) {
      RecordReplayFrame(gRandomSeedLog, state.up, state.down, state.left, state.right, state.actionHeld[0],
                        state.actionHeld[1], state.actionHeld[2], state.actionHeld[3]);
    }
  } else {
    // The live cancel key stays readable so that the player can end the
    // replay.
    ReadLiveActions(state, kScanKanji);
    PlayReplayFrame(gRandomSeedLog, state.up, state.down, state.left, state.right, state.actionHeld[0],
                    state.actionHeld[1], state.actionHeld[2], state.actionHeld[3]);
  }

  for (size_t i = 0; i < 4; ++i) {
    state.actionPressed[i] = state.actionHeld[i] && !gPrevious.actionHeld[i];
    gPrevious.actionHeld[i] = state.actionHeld[i];
  }
  state.confirmHoldFrames = state.actionHeld[0] ? state.confirmHoldFrames + 1 : 0;
  state.cancelHoldFrames = state.actionHeld[1] ? state.cancelHoldFrames + 1 : 0;

  ++gPrevious.directionHoldCounter;
  ResolveAxis(state.up, gPrevious.up, state.down, gPrevious.down, state.verticalUp, state.verticalDown);
  ResolveAxis(state.left, gPrevious.left, state.right, gPrevious.right, state.horizontalLeft, state.horizontalRight);
  if (state.verticalUp) {
    state.direction4 = 8;
    state.direction8 = state.horizontalLeft ? 7 : state.horizontalRight ? 9 : 8;
  } else if (state.verticalDown) {
    state.direction4 = 2;
    state.direction8 = state.horizontalLeft ? 1 : state.horizontalRight ? 3 : 2;
  } else if (state.horizontalLeft) {
    state.direction4 = state.direction8 = 4;
  } else if (state.horizontalRight) {
    state.direction4 = state.direction8 = 6;
  } else {
    gPrevious.directionHoldCounter = 0;
  }

  state.upPressed = state.up && !gPrevious.up;
  state.downPressed = state.down && !gPrevious.down;
  state.leftPressed = state.left && !gPrevious.left;
  state.rightPressed = state.right && !gPrevious.right;
  state.pressedDirection = 0;
  if (state.upPressed) state.pressedDirection = 8;
  if (state.downPressed) state.pressedDirection = 2;
  if (state.leftPressed) state.pressedDirection = 4;
  if (state.rightPressed) state.pressedDirection = 6;
  state.changedDirection8 = state.direction8 != gPrevious.direction8 ? state.direction8 : 0;
  state.repeatDirection4 = state.pressedDirection;
  state.repeatDirection8 = state.changedDirection8;

  const int step = gFrameStep > 0 ? gFrameStep : 1;
  int delay = gEventSystem.keyRepeatDelay / step;
  int interval = gEventSystem.keyRepeatInterval / step;
  if (delay < 1) delay = 1;
  if (interval < 1) interval = 1;
  state.confirmRepeat = IsRepeatPulse(state.confirmHoldFrames, delay, interval) ? 1 : 0;
  state.cancelRepeat = IsRepeatPulse(state.cancelHoldFrames, delay, interval) ? 1 : 0;
  if (IsRepeatPulse(gPrevious.directionHoldCounter, delay, interval)) {
    state.repeatDirection4 = state.direction4;
    state.repeatDirection8 = state.direction8;
  }

  gPrevious.direction8 = state.direction8;
  gPrevious.up = state.up;
  gPrevious.down = state.down;
  gPrevious.left = state.left;
  gPrevious.right = state.right;

  Edge(KeyDown(state, kScanF4), gPrevious.f4, state.f4Held, state.f4Pressed);
  Edge(KeyDown(state, kScanF5), gPrevious.f5, state.f5Held, state.f5Pressed);
  Edge(KeyDown(state, kScanF8), gPrevious.f8, state.f8Held, state.f8Pressed);
  Edge(KeyDown(state, kScanF9), gPrevious.f9, state.f9Held, state.f9Pressed);
  Edge(KeyDown(state, kScanF12), gPrevious.f12, state.f12Held, state.f12Pressed);
}

// --- key configuration --------------------------------------------------------

namespace {

int PadButtonOfMask(int mask) {
  for (int n = 1; n <= 15; ++n) {
    if (mask == (0x10 << (n - 1))) return n;
  }
  return 0;
}

struct KeyNameEntry {
  int scan;
  const char* name;
};

// Names by scan code (Shift-JIS); the digits 1-9 are computed.
constexpr KeyNameEntry kKeyNames[] = {
    {1, "ESC"},
    {11, "0"},
    {12, "-"},
    {14, "BS"},
    {15, "TAB"},
    {16, "Q"},
    {17, "W"},
    {18, "E"},
    {19, "R"},
    {20, "T"},
    {21, "Y"},
    {22, "U"},
    {23, "I"},
    {24, "O"},
    {25, "P"},
    {26, "["},
    {27, "]"},
    {28, "Enter"},
    {29, Cp932<"左Ctrl">},
    {30, "A"},
    {31, "S"},
    {32, "D"},
    {33, "F"},
    {34, "G"},
    {35, "H"},
    {36, "J"},
    {37, "K"},
    {38, "L"},
    {39, Cp932<"；">},
    {42, Cp932<"左Shift">},
    {43, "\\"},
    {44, "Z"},
    {45, "X"},
    {46, "C"},
    {47, "V"},
    {48, "B"},
    {49, "N"},
    {50, "M"},
    {51, Cp932<"，">},
    {52, "."},
    {53, "/"},
    {54, Cp932<"右Shift">},
    {56, Cp932<"左Alt">},
    {57, "SPACE"},
    {58, "Caps"},
    {59, "F1"},
    {60, "F2"},
    {61, "F3"},
    {62, "F4"},
    {63, "F5"},
    {64, "F6"},
    {65, "F7"},
    {66, "F8"},
    {67, "F9"},
    {68, "F10"},
    {70, "Scroll"},
    {87, "F11"},
    {88, "F12"},
    {125, "\\"},
    {144, "^"},
    {145, "@"},
    {146, Cp932<"：">},
    {157, Cp932<"右Ctrl">},
    {184, Cp932<"右Alt">},
    {197, "Pause"},
    {199, "HOME"},
    {200, Cp932<"↑">},
    {201, "PageUp"},
    {203, Cp932<"←">},
    {205, Cp932<"→">},
    {207, "END"},
    {208, Cp932<"↓">},
    {209, "PageDown"},
    {211, "DEL"},
};

}  // namespace

std::string GetKeyName(int scanCode) {
  if (scanCode >= 2 && scanCode <= 10) return std::string(1, static_cast<char>(scanCode + 47));
  for (const KeyNameEntry& entry : kKeyNames) {
    if (entry.scan == scanCode) return entry.name;
  }
  return std::string();
}

int GetActionKey(int slot, bool keyboard, const EventSystem* eventSystem) {
  if (slot < 0 || slot > 2) return 0;
  const EventSystem& events = eventSystem ? *eventSystem : gEventSystem;
  if (keyboard) return events.keyCodes[static_cast<size_t>(slot)];
  const int button = PadButtonOfMask(events.keyCodes[static_cast<size_t>(slot) + 3]);
  return button ? 300 + button : 0;
}

void AssignActionKey(int value, int slot, bool keyboard, EventSystem* eventSystem) {
  EventSystem& events = eventSystem ? *eventSystem : gEventSystem;
  if (!keyboard && value >= 301 && value <= 315) value = 0x10 << (value - 301);
  const size_t base = keyboard ? 0 : 3;
  // A slot outside 0-2 has no old value to hand over and stores nothing.
  if (slot < 0 || slot > 2) return;
  const int32_t old = events.keyCodes[base + static_cast<size_t>(slot)];
  for (size_t other = 0; other < 3; ++other) {
    if (static_cast<int>(other) != slot && events.keyCodes[base + other] == value) events.keyCodes[base + other] = old;
  }
  events.keyCodes[base + static_cast<size_t>(slot)] = value;
}

std::string GetActionKeyName(int slot, bool keyboard) {
  if (slot < 0 || slot > 2) return std::string();
  if (keyboard) return GetKeyName(gEventSystem.keyCodes[static_cast<size_t>(slot)] - 100);
  const int button = PadButtonOfMask(gEventSystem.keyCodes[static_cast<size_t>(slot) + 3]);
  if (!button) return std::string();
  char text[16];
  (void)std::snprintf(text, sizeof text, Cp932<"ボタン%d">, button);
  return text;
}
