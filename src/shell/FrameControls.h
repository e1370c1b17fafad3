#pragma once

#include <string>

// The player's controls of the frame machinery: the frame-rate meter, the
// frame-skip modes, the function keys and screenshots.

// The mode in effect (0-2); its factor is gEventSystem.drawFactor.
extern int gFrameSkipMode;

// Milliseconds from `start` to `now`, both of MillisecondClock, which wraps
// at 2^31 (after 24.8 days); a clock that went back reads as long past.
int ClockElapsed(int start, int now);

// Counts a pass when `count` is set and returns the logic frame rate last
// measured (passes in half-second windows, doubled); also keeps the event
// system's seconds counter, milliseconds into the second and rate.
int MeasureFps(int count);

// Once per pass after the frame: F4 window size, F5 frame skip, F8
// information line, F9 variable window (test play), F12 back to the title,
// PrintScreen screenshot.
void HandleFunctionKeys(int unused);

// F4's scale: the index's scale for a usable desktop of width x height.
double WindowScaleForIndex(int index, int usableWidth, int usableHeight);

// "ScreenShot_%d_%02d%02d_%02d_%02d_%02d.png" for the local time.
std::string ScreenshotFileName(int year, int month, int day, int hour, int minute, int second);
// Saves the screen into the current folder and shows the confirmation until
// a key is pressed.
void TakeScreenshot();

// Restarts the meter as on the first call (for a fresh run).
void ResetFrameControls();
