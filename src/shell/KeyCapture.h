#pragma once

// Key capture of the key-input command. `last` is the runner's memory of the
// key held when the wait began: with remember or newOnly a key equal to it
// gives 0, so only a new press counts.

// Keyboard codes 100 + scan code from the frame's key snapshot; right Ctrl
// alone gives 257. With wanted 100-355 only that key is tested.
int CaptureKeyboardKey(bool remember, bool newOnly, int& last, int wanted);
// Pad-1 buttons 301-315; with wanted 300-320 only that button is tested.
int CapturePadButton(bool remember, bool newOnly, int& last, int wanted);
