#include "shell/PlayerInput.h"

#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"

// Stand-in for the player input of the shell's input Part: live devices only,
// no key repeat and no replay.
namespace {

void Edge(uint8_t held, uint8_t& previous, uint8_t& pressed) {
  pressed = held && !previous;
  previous = held;
}

struct PreviousPoll {
  uint8_t f4 = 0, f5 = 0, f8 = 0, f9 = 0, f12 = 0, printScreen = 0, ctrl = 0, shift = 0;
  uint8_t up = 0, down = 0, left = 0, right = 0;
  std::array<uint8_t, 4> action{};
};
PreviousPoll gPrevious;

}  // namespace

void ResetInputState(InputState& input) {
  input.wheel = input.mouseDx = input.mouseDy = 0;
  input.lastMouseX = input.lastMouseY = 0;
  input.confirmRepeat = input.cancelRepeat = input.confirmHoldFrames = input.cancelHoldFrames = 0;
  input.verticalUp = input.verticalDown = input.horizontalLeft = input.horizontalRight = 0;
  input.keySnapshot.fill(0);
  input.printScreenHeld = input.printScreenPressed = 0;
}

void PollInput(InputState& input) {
  char keys[256] = {};
  GetKeyboardSnapshot(keys);
  for (int i = 0; i < 256; ++i) input.keySnapshot[static_cast<size_t>(i)] = keys[i] ? 1 : 0;
  auto key = [&](int scan) -> uint8_t { return scan >= 0 && scan < 256 && keys[scan] ? 1 : 0; };
  const bool active = IsMainWindowActive() != 0;
  const int directions = active ? GetPadButtons(0x1001) : 0;
  input.up = (directions & 0x8) != 0;
  input.down = (directions & 0x1) != 0;
  input.left = (directions & 0x2) != 0;
  input.right = (directions & 0x4) != 0;
  Edge(input.up, gPrevious.up, input.upPressed);
  Edge(input.down, gPrevious.down, input.downPressed);
  Edge(input.left, gPrevious.left, input.leftPressed);
  Edge(input.right, gPrevious.right, input.rightPressed);
  input.verticalUp = input.up && !input.down;
  input.verticalDown = input.down && !input.up;
  input.horizontalLeft = input.left && !input.right;
  input.horizontalRight = input.right && !input.left;
  const int dy = input.verticalUp ? 0 : input.verticalDown ? 2 : 1;
  const int dx = input.horizontalLeft ? 0 : input.horizontalRight ? 2 : 1;
  static const int kKeypad[3][3] = {{7, 8, 9}, {4, 0, 6}, {1, 2, 3}};
  input.direction8 = kKeypad[dy][dx];
  input.direction4 = input.verticalUp ? 8 : input.verticalDown ? 2 : input.horizontalLeft ? 4 : input.horizontalRight ? 6 : 0;
  input.pressedDirection = input.rightPressed ? 6 : input.leftPressed ? 4 : input.downPressed ? 2 : input.upPressed ? 8 : 0;
  input.repeatDirection4 = input.pressedDirection;

  int x = 0, y = 0;
  GetMousePosition(&x, &y);
  input.mouseDx = x - input.lastMouseX;
  input.mouseDy = y - input.lastMouseY;
  input.lastMouseX = input.mouseX = x;
  input.lastMouseY = input.mouseY = y;
  const int buttons = active ? GetMouseButtons() : 0;
  input.mouseLeftHeld = (buttons & 1) != 0;
  input.mouseRightHeld = (buttons & 2) != 0;
  input.mouseMiddleHeld = (buttons & 4) != 0;
  Edge(input.mouseLeftHeld, input.previousMouseLeft, input.mouseLeftPressed);
  Edge(input.mouseRightHeld, input.previousMouseRight, input.mouseRightPressed);
  Edge(input.mouseMiddleHeld, input.previousMouseMiddle, input.mouseMiddlePressed);
  input.wheel = active ? TakeMouseWheelCount() : 0;

  input.ctrlHeld = active && (key(157) || key(29));
  input.shiftHeld = active && (key(42) || key(54));
  Edge(input.ctrlHeld, gPrevious.ctrl, input.ctrlPressed);
  Edge(input.shiftHeld, gPrevious.shift, input.shiftPressed);
  input.printScreenHeld = active && key(183);
  Edge(input.printScreenHeld, gPrevious.printScreen, input.printScreenPressed);
  input.f4Held = key(62);
  input.f5Held = key(63);
  input.f8Held = key(66);
  input.f9Held = key(67);
  input.f12Held = key(88);
  Edge(input.f4Held, gPrevious.f4, input.f4Pressed);
  Edge(input.f5Held, gPrevious.f5, input.f5Pressed);
  Edge(input.f8Held, gPrevious.f8, input.f8Pressed);
  Edge(input.f9Held, gPrevious.f9, input.f9Pressed);
  Edge(input.f12Held, gPrevious.f12, input.f12Pressed);

  const int pad = active ? GetPadButtons(1) : 0;
  const auto& codes = gEventSystem.keyCodes;
  auto actionKey = [&](int slot) { return key(codes[static_cast<size_t>(slot)] - 100) || (pad & codes[static_cast<size_t>(slot + 3)]); };
  std::array<uint8_t, 4> held{};
  if (active) {
    held[0] = actionKey(0) || key(28) || key(57);
    held[1] = actionKey(1) || key(82) || key(210) || key(1) || key(14);
    held[2] = actionKey(2) || key(42) || key(54);
    held[3] = (pad & 0x4000) != 0;
  }
  for (size_t i = 0; i < 4; ++i) {
    input.liveActionPressed[i] = held[i] && !input.liveActionHeld[i];
    input.liveActionHeld[i] = held[i];
    input.actionHeld[i] = held[i];
    input.actionPressed[i] = held[i] && !gPrevious.action[i];
    gPrevious.action[i] = held[i];
  }
  input.confirmHoldFrames = input.actionHeld[0] ? input.confirmHoldFrames + 1 : 0;
  input.cancelHoldFrames = input.actionHeld[1] ? input.cancelHoldFrames + 1 : 0;
}
