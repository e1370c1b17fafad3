#pragma once

// A picture's final x (0) and y (1), size (2, 3), pattern (4), properties 5
// and 6, point-inside test (8) or not-erased state (9); -1 when the picture
// does not exist (0 for property 9).
int GetPictureValue(int number, int property);
