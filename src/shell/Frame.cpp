#include "shell/Frame.h"

#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"

void RunFrame() {
  UpdateCurrentMap();
  gEventSystem.RunEventRunner();
  gHero.UpdateHeroFromInput();
}
