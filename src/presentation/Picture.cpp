#include "presentation/Picture.h"

PictureFileCache gPictureFileCache;

void ReleasePictureFileCache() {
  // The cell images go with the graph handles once pictures are drawn.
  gPictureFileCache.fileNames.clear();
  gPictureFileCache.divisions.clear();
  gPictureFileCache.cellHandles.clear();
}
