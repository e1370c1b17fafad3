#include "gamedata/GlobalObjects.h"
#include "presentation/PictureFileCache.h"

#include "shell/StartupGlobals.h"

EventSystem gEventSystem{EventSystem::StaticInit{}};
PictureList gPictureList;

EventSystem::EventSystem() {
  StartEventRunner(0, 1);
  ApplyTileSizeLayout();
}

EventSystem::EventSystem(StaticInit) {
  // Depth 0, main runner; the auto-start list is gathered by the restart point.
  depth = 0;
  mainRunner = 1;
  ResetEventRunner();
  ApplyTileSizeLayout();
}

void EventSystem::ApplyTileSizeLayout() {
  const int tile = gTileSize;
  fontSize = tile == 32 ? 22 : 12;
  messageTextOffsetX = static_cast<int16_t>(tile * 10);
  messageTextOffsetY = static_cast<int16_t>(static_cast<int>(tile * 4.3));
  keyInputFieldX = static_cast<int16_t>(static_cast<int>(tile * 4.7));
  keyInputFieldY = static_cast<int16_t>(static_cast<int>(tile * 12.5));
  frameCounter = 0;
  bgmMasterVolume = 100;
  bgsMasterVolume = 100;
  seVolume = 100;
}

PictureList::PictureList(bool releaseImages) { ClearPictureList(releaseImages); }

void PictureList::ClearPictureList(bool releaseImages) {
  pictures.clear();
  count = 0;
  if (releaseImages) ReleasePictureFileCache();
}
