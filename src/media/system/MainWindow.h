#pragma once

#include "platform/window/Window.h"

// The media layer's one top-level window: creation and end, styles and
// geometry, window mode and scale, the cursor, the title and the icon.

int StartMainWindow();
int EndMainWindow();
int ChangeWindowMode(int windowMode);
int StoreWindowModeFlag(int windowMode);
int ApplyWindowModeStyle();
int SetWindowScale(double scale);
int UpdateWindowEachRound();
int FitWindowToScreen();
int OnWindowMoved(intptr_t packedClientOrigin);
int ForceForegroundWindow(platform::WindowHandle window, int makeTopmost);
int ShowMouseCursor(int show);
int IsMouseCursorShown();
int GetMousePosition(int* x, int* y);
int SetMousePosition(int x, int y);
int TakeMouseWheelCount();
int GetClientScreenRect(platform::WindowRect* rect);
int IsMenuInUse();
int SetMainWindowTitle(const char* text);
int SetMainWindowIcon(int resourceId);
int DrawInactivePicture();

// How long a mode change waits for the display-change message before going on.
constexpr int kDisplayChangeWaitMs = 3000;
