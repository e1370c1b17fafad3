#include "presentation/PictureValues.h"

#include "gamedata/GlobalObjects.h"

// Sizes and the point test need the pictures' images, which the picture
// subsystem brings; until then they read 0.
int GetPictureValue(int number, int property) {
  for (const Picture& picture : gPictureList.pictures) {
    if (picture.number != number) continue;
    switch (property) {
      case 0: return picture.x;
      case 1: return picture.y;
      case 4: return picture.pattern;
      case 9: return picture.erased ? 0 : 1;
      default: return 0;
    }
  }
  return property == 9 ? 0 : -1;
}
