#include "presentation/PictureValues.h"

#include "gamedata/GlobalObjects.h"

int GetPictureValue(int number, int property) { return gPictureList.GetPictureValue(number, property); }
