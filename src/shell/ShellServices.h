#pragma once

#include <array>
#include <cstdint>
#include <string>

class EventSystem;

// What the system values read and write of the game shell: the mouse of the
// input state, the key configuration, the sound manager's channels (shell/SoundManager.h), the
// internet-connection record and the proxy settings of Game.ini.

// One frame of player input, filled once per frame ("pressed": held now and
// not at the previous poll).
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
  int mouseX = 0;
  int mouseY = 0;
  // Keypad direction 1-9 of the effective directions, 0 none.
  int direction8 = 0;
  // 8, 2, 4, 6 or 0: the vertical direction wins.
  int direction4 = 0;
  int pressedDirection = 0;
  int repeatDirection4 = 0;
  int changedDirection8 = 0;
  int repeatDirection8 = 0;
  int wheel = 0;
  int mouseDx = 0;
  int mouseDy = 0;
  // Confirm, cancel, sub and pad button 11.
  std::array<uint8_t, 4> liveActionHeld{};
  std::array<uint8_t, 4> liveActionPressed{};
  std::array<uint8_t, 4> actionHeld{};
  std::array<uint8_t, 4> actionPressed{};
  uint8_t f4Held = 0, f4Pressed = 0, f5Held = 0, f5Pressed = 0, f9Held = 0, f9Pressed = 0;
  uint8_t f8Held = 0, f8Pressed = 0, f12Held = 0, f12Pressed = 0;
  uint8_t printScreenHeld = 0, printScreenPressed = 0;
  int lastMouseX = 0;
  int lastMouseY = 0;
  std::array<uint8_t, 256> keySnapshot{};
  int confirmRepeat = 0;
  int cancelRepeat = 0;
  int confirmHoldFrames = 0;
  int cancelHoldFrames = 0;
};
extern InputState gInput;

#include "shell/SoundManager.h"

// The network is inert: a connection request makes no transfer and only
// reports itself finished.
struct InternetConnection {
  // Takes the request; the status becomes 0 (finished). Always true.
  bool BeginInternetConnection(const std::string& address, const std::string& secondText, int flag, int number);

  int status = -1;  // -1 idle
  std::array<int, 5> counters{};
};
extern InternetConnection gInternetConnection;

// The Proxy and ProxyPort settings of Game.ini.
extern std::string gProxy;
extern std::string gProxyPort;

// Key configuration of the confirm (0), cancel (1) and sub (2) actions:
// keyboard codes, or pad buttons 301-315 kept as bit masks 0x10 << (n - 1).
int GetActionKey(int slot, bool keyboard, const EventSystem* eventSystem = nullptr);
void AssignActionKey(int value, int slot, bool keyboard, EventSystem* eventSystem = nullptr);
// "ボタン1" to "ボタン15" for pad buttons; key names come with the key table.
std::string GetActionKeyName(int slot, bool keyboard);

// The mask image (System DB type 11, data `number`; negative: the plain
// fade), frames and wait flag of the next screen transition.
void SetTransitionImage(int number, int frames, int waitFlag);

// Clamps the mode to 0-2 and makes it the mode in effect: its draw factor
// (1, 0.5, 0.25) and the mode go to the event system (saved with it), and to
// gFrameSkipMode and Game.ini's setting. Returns the mode.
int SetFrameSkipMode(int mode);
