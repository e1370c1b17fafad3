#pragma once

// One frame of game logic: the map update (parallel map events, then
// parallel common events), then the main event runner. The shell adds the
// transfer, the hero and the drawing around it.
void RunFrame();
