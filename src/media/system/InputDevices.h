#pragma once

#include "media/system/PublicInput.h"

#include "platform/input/Input.h"

// Keyboard, mouse and up to 16 pads, read on demand. The keyboard is a
// 256-byte state by DirectInput scan code and each pad a joystick record with
// axes in -1000..1000, whichever path reads them: the platform's devices, or
// (when they cannot be opened) the virtual-key state and the raw joystick
// readings.

constexpr int kInputMaxPads = 16;
constexpr int kPadKeyBits = 32;
constexpr int kPadKeySlots = 4;

struct PadDeviceRecord {
  int device;          // 1 while the platform pad of this index is in use
  int constantEffect;  // 1 once the effect exists
  int periodicEffect;
  uint32_t eventStamp;  // the pad's change stamp at the last read
  platform::PadState state;
  int hasZAndR;  // fallback: the joystick has both a Z and an R axis
  int lastPollTime;
  int vibrationOn;
  int vibrationStrength;  // 0..10000
  int vibrationDuration;  // ms, negative = endless
  int vibrationElapsed;
  int vibrationLastTime;
  int constantPlaying;
  int periodicPlaying;
  char instanceName[260];
  char productName[260];
};

struct InputDeviceState {
  int noDirectInput;  // kept across the start's clear: a restart goes straight to the fallback
  int directInput8;
  int directInput;  // 0 not started, -1 fallback path, 1 the platform's devices
  int mouseDevice;
  int keyboardDevice;
  uint32_t keyboardEventStamp;
  int lastKeyboardPoll;
  unsigned char keyState[256];
  int padKeyMap[kInputMaxPads][kPadKeyBits][kPadKeySlots];
  int padCount;
  PadDeviceRecord pads[kInputMaxPads];
};
extern InputDeviceState gInputDevices;

struct VirtualKeyToDik {
  int virtualKey;
  int scanCode;
};
// Section 1: copied over the scan-code state on every poll. Section 2: only on
// the fallback path. Both end with {0, 0}.
extern const VirtualKeyToDik kVirtualKeyToDikSection1[];
extern const VirtualKeyToDik kVirtualKeyToDikSection2[];

int StartInputDevices();
int EndInputDevices();
int PollKeyboard();
int PollPad(int index);
int CheckKey(int scanCode);
// GetKeyboardSnapshot, GetPadButtons, CheckAnyInput, GetMouseButtons: PublicInput.h.
int ResetInputCooperation();
int UpdatePadVibration();
int UpdateVibrationTimers();
int StopPadVibration(int pad);

// The raw joystick axis (0..0xFFFF) as the fallback path scales it.
int FallbackPadAxis(uint32_t raw);
