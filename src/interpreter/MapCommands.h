#pragma once

#include <array>

// The four quarter digits of an autotile cell from its 3 x 3 neighbourhood
// (rows from the top; true where the neighbour is the same autotile): top-left
// x 1000 + top-right x 100 + bottom-left x 10 + bottom-right.
int AutotileQuadrantCodes(const std::array<bool, 9>& same);
