#pragma once

#include <array>
#include <cstdint>
#include <string>

class EventSystem;

// One frame of player input, filled once per frame by PollInput from the
// keyboard snapshot, joypad 1 and the mouse ("pressed": held now and not at
// the previous poll). Every consumer of input reads gInput.
struct InputState {
  uint8_t previousMouseLeft = 0, previousMouseRight = 0, previousMouseMiddle = 0;
  uint8_t up = 0, down = 0, left = 0, right = 0;
  uint8_t ctrlHeld = 0, shiftHeld = 0;
  uint8_t ctrlPressed = 0, shiftPressed = 0;
  uint8_t upPressed = 0, downPressed = 0, leftPressed = 0, rightPressed = 0;
  // The effective direction per axis: the more recently pressed of two keys.
  uint8_t verticalUp = 0, verticalDown = 0, horizontalLeft = 0, horizontalRight = 0;
  uint8_t mouseLeftHeld = 0, mouseRightHeld = 0, mouseMiddleHeld = 0;
  uint8_t mouseLeftPressed = 0, mouseRightPressed = 0, mouseMiddlePressed = 0;
  // Game-screen coordinates: x 0..640, y -10..480.
  int mouseX = 0;
  int mouseY = 0;
  // Keypad direction 1-9 of the effective directions, 0 none.
  int direction8 = 0;
  // 8, 2, 4, 6 or 0: the vertical direction wins.
  int direction4 = 0;
  // 8, 2, 4 or 6 of a direction key pressed this poll (right over left over
  // down over up), else 0.
  int pressedDirection = 0;
  // The pressed direction, replaced by direction4 on a repeat pulse.
  int repeatDirection4 = 0;
  // direction8 when it changed since the previous poll, else 0.
  int changedDirection8 = 0;
  int repeatDirection8 = 0;
  int wheel = 0;
  int mouseDx = 0;
  int mouseDy = 0;
  // Confirm, cancel, sub and pad button 11: live from the devices, and the
  // effective ones (live, or from the replay).
  std::array<uint8_t, 4> liveActionHeld{};
  std::array<uint8_t, 4> liveActionPressed{};
  std::array<uint8_t, 4> actionHeld{};
  std::array<uint8_t, 4> actionPressed{};
  uint8_t f4Held = 0, f4Pressed = 0, f5Held = 0, f5Pressed = 0, f9Held = 0, f9Pressed = 0;
  uint8_t f8Held = 0, f8Pressed = 0, f12Held = 0, f12Pressed = 0;
  uint8_t printScreenHeld = 0, printScreenPressed = 0;
  int lastMouseX = 0;
  int lastMouseY = 0;
  // 0 or 1 per scan code.
  std::array<uint8_t, 256> keySnapshot{};
  // 1 on a repeat pulse of the held confirm or cancel key.
  int confirmRepeat = 0;
  int cancelRepeat = 0;
  // Consecutive polls the effective key has been held (1 on the first).
  int confirmHoldFrames = 0;
  int cancelHoldFrames = 0;
};
extern InputState gInput;

void InitInputState(InputState& state);
// Clears the wheel, mouse movement and last position, the repeat flags and
// hold counters, the effective directions, the key snapshot and PrintScreen.
void ResetInputState(InputState& state);
// Once per frame: reads the devices (or, in replay playback, the replay log
// for directions and actions) into the state.
void PollInput(InputState& state);

// Key configuration of the confirm (0), cancel (1) and sub (2) actions:
// keyboard codes (100 + scan code), or pad buttons 301-315 kept as bit masks
// 0x10 << (n - 1).
int GetActionKey(int slot, bool keyboard, const EventSystem* eventSystem = nullptr);
// Stores the code into the slot; another slot of the same kind holding the
// code gets the slot's old value, so no two actions share a key.
void AssignActionKey(int value, int slot, bool keyboard, EventSystem* eventSystem = nullptr);
// The key's name, or "ボタン1" to "ボタン15" for pad buttons.
std::string GetActionKeyName(int slot, bool keyboard);
// The name of a keyboard key by scan code; "" for keys without one.
std::string GetKeyName(int scanCode);
