#include <algorithm>
#include <cstdint>

#include "map/CurrentMap.h"
#include "presentation/Picture.h"
#include "shell/ShellServices.h"

Picture::Picture(int pictureNumber) {
  ResetPicture();
  number = pictureNumber;
}

void Picture::ResetPicture() {
  const int keptNumber = number;
  *this = Picture();
  number = keptNumber;
}

int InterpolatePictureValue(int target, int from, int remaining, int total) {
  const int64_t shown =
      static_cast<int64_t>(target) + (static_cast<int64_t>(from) - target) * remaining / std::max(total, 1);
  return static_cast<int>(std::clamp<int64_t>(shown, INT32_MIN, INT32_MAX));
}

int Picture::GetPictureProperty(int code) const {
  const int total = std::max(totalFrames, 1);
  const int remaining = std::max(remainingFrames, 0);
  const int scrollX = isMapBound ? gCurrentMap.scrollX / 4 : 0;
  const int scrollY = isMapBound ? gCurrentMap.scrollY / 4 : 0;
  switch (code) {
    case 0: return InterpolatePictureValue(targetX, fromX, remaining, total) + offsetX - scrollX;
    case 1: return InterpolatePictureValue(targetY, fromY, remaining, total) + offsetY - scrollY;
    case 2: return isWindowFrame ? static_cast<int>(static_cast<int64_t>(xDivision) * targetZoomX / 100) : cellWidth;
    case 3: return isWindowFrame ? static_cast<int>(static_cast<int64_t>(yDivision) * targetZoomY / 100) : cellHeight;
    case 4: return targetPattern;
    case 5: return InterpolatePictureValue(targetOpacity, fromOpacity, remaining, total);
    case 6: return InterpolatePictureValue(targetAngle, fromAngle, remaining, total);
    case 7: {
      const int zoomX = InterpolatePictureValue(targetZoomX, fromZoomX, remaining, total);
      return zoomX == 100 ? InterpolatePictureValue(targetZoomY, fromZoomY, remaining, total) : zoomX;
    }
    case 8: {
      const bool inside =
          gInput.mouseX > hitLeft && gInput.mouseX < hitRight && gInput.mouseY > hitTop && gInput.mouseY < hitBottom;
      return inside ? 1 : 0;
    }
    case 9: return isErased ? 0 : 1;
    default: return -1;
  }
}
