#include "shell/GameSystem.h"

#include "media/PublicFunctions.h"
#include "shell/StartupGlobals.h"

GameSystem gGameSystem;

GameSystem ConstructGameSystem() {
  GameSystem system;
  system.runState = 0;
  const int width = gTileSize * 20 * gScreenScale;
  const int height = gTileSize * 15 * gScreenScale;
  system.captureGraph = CreateBlankGraph(width, height, 0);
  system.frozenGraph = CreateBlankGraph(width, height, 0);
  return system;
}

void ReleaseGameSystemGraphs(GameSystem& system) {
  for (int* graph : {&system.captureGraph, &system.frozenGraph}) {
    if (*graph > 0) ReleaseGraph(*graph, 0);
    *graph = -1;
  }
}
