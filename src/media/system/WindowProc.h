#pragma once

#include "platform/window/Window.h"

// The main window's procedure: turns window messages into library state.
platform::LResult MainWindowProc(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Set and cleared by the private messages 0x46F and 0x470.
extern int gF10Flag;
extern int gSecondInputFlag;

constexpr uint32_t kWmF10Flag = 0x46F;
constexpr uint32_t kWmSecondInputFlag = 0x470;
constexpr uint32_t kWmSocketEvent = 0x505;
