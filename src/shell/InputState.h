#pragma once

#include <cstdint>

// What the frame's input poll leaves for the scripts: the mouse part that
// the variable query reads. The shell's input poll fills it.
struct InputState {
  int mouseX = 0;  // 0..640
  int mouseY = 0;  // -10..480
  // Buttons 0 left, 1 right, 2 middle.
  uint8_t buttonHeld[3] = {0, 0, 0};
  uint8_t buttonPressed[3] = {0, 0, 0};
  int wheel = 0;  // taken this poll
  int mouseMoveX = 0;
  int mouseMoveY = 0;
};

extern InputState gInput;
