#pragma once

// The media layer's rectangle: left and top inclusive, right and bottom
// exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
