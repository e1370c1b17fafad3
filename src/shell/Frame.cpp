#include "shell/Frame.h"

#include "gamedata/GlobalObjects.h"
#include "map/MapEventRunners.h"

void RunFrame() {
  UpdateCurrentMap();
  gEventSystem.RunEventRunner();
}
