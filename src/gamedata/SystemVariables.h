#pragma once

// The media-layer calls behind a few system values (mouse cursor, window
// scale). The public window and sound entries fill
// these in; until then a value that needs one reads as if nothing were there.
struct SystemValueMediaCalls {
  int (*isMouseCursorShown)() = nullptr;
  int (*showMouseCursor)(int show) = nullptr;
  int (*setMousePosition)(int x, int y) = nullptr;
  double (*getWindowScale)() = nullptr;
};
extern SystemValueMediaCalls gSystemValueMediaCalls;
