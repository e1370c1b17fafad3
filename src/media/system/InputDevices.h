#pragma once

// Keyboard, mouse and pads. The input subsystem fills these in; until then the
// start takes the fallback path with no pads and nothing reads as held.

int StartInputDevices();
int EndInputDevices();
int CheckAnyInput(int flags);
int ResetInputCooperation();
int UpdatePadVibration();
int UpdateVibrationTimers();
