#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One picture of the picture list: what the list and the save code keep of it.
struct Picture {
  int32_t number = 0;
  uint8_t erased = 0;
  uint8_t textPicture = 0;
  uint8_t frameMode = 0;
  // Source text of a text picture, or the file name.
  std::string source;
  int32_t x = 0;
  int32_t y = 0;
  int32_t divisionsX = 1;
  int32_t divisionsY = 1;
  int32_t pattern = 0;
  int32_t opacity = 255;
  int32_t angle = 0;
  int32_t zoomX = 100;
  int32_t zoomY = 100;
  int32_t framesLeft = 0;
  int32_t framesTotal = 0;
  uint8_t mapBound = 0;
  // A picture with it set is not drawn; erasing sets it.
  uint8_t notReady = 0;
  // The graphs the picture-file cache gave it: the whole image and its cells.
  int32_t imageHandle = -1;
  std::vector<int32_t> cells;
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
};
