#include "shell/GameSystem.h"

#include "media/PublicFunctions.h"
#include "shell/StartupGlobals.h"

GameSystem gGameSystem;

void GameSystem::RecreateScreenBuffers() {
  const int width = gTileSize * 20 * gScreenScale;
  const int height = gTileSize * 15 * gScreenScale;
  for (int& graph : screenBuffers) {
    if (graph >= 0) ReleaseGraph(graph, 0);
    graph = CreateBlankGraph(width, height, 0);
  }
}

GameSystem ConstructGameSystem() {
  GameSystem system;
  system.runState = 0;
  system.RecreateScreenBuffers();
  return system;
}

void ReleaseGameSystemGraphs(GameSystem& system) {
  for (int& graph : system.screenBuffers) {
    if (graph >= 0) ReleaseGraph(graph, 0);
    graph = -1;
  }
}
