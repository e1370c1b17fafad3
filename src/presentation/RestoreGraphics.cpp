#include "presentation/RestoreGraphics.h"

#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "platform/files/Files.h"
#include "presentation/ChoiceWindow.h"
#include "presentation/GraphicCache.h"
#include "presentation/MessageWindow.h"
#include "presentation/PictureFileCache.h"
#include "presentation/TextResources.h"
#include "shell/GamePaths.h"

void RestoreGraphics() {
  platform::CurrentDirectorySet(gExeFolderPath);
  ReloadGraphsNow();
  if (gChoiceWindow != nullptr) gChoiceWindow->LoadChoiceWindowGraphics();
  if (gMessageWindow != nullptr) gMessageWindow->LoadMessageWindowGraphics();
  ReLoadGraphic();
  gTextResources.LoadIconList();
  RePictureControl(gPictureList);
}
