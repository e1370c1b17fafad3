#pragma once

#include <cstdint>

// Public entries of the media layer's lifecycle, window and system family.
// Start, end and the message pass run under the library lock.

int StartMediaLibrary();
int EndMediaLibrary();
int RunMessageLoopRound();
int EnableLibraryLog(int on);

int IsMainWindowActive();
int IsMouseCursorShown();
double GetWindowScale();
int ChangeWindowMode(int windowMode);
int SetMainWindowTitle(const char* text);
int SetRunWhileInactive(int on);
int SetMainWindowIcon(int resourceId);
int SetWindowScale(double scale);
int ShowMouseCursor(int show);
int GetMousePosition(int* x, int* y);
int SetMousePosition(int x, int y);
int TakeMouseWheelCount();
int MillisecondClock();
int WaitMillisecondsPumping(int ms);
int WaitForKeyPress();
