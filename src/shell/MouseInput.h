#pragma once

#include <cstdint>

// The mouse buttons, wheel and movement that the frame's input poll takes,
// beside the position kept in gInput (shell/ShellServices.h). The shell's
// input poll fills it.
struct MouseFrameInput {
  // Buttons 0 left, 1 right, 2 middle.
  uint8_t buttonHeld[3] = {0, 0, 0};
  uint8_t buttonPressed[3] = {0, 0, 0};
  int wheel = 0;  // taken this poll
  int moveX = 0;  // since the previous poll
  int moveY = 0;
};

extern MouseFrameInput gMouseFrameInput;
