#pragma once

// One frame of game logic: the map update (parallel map events, then
// parallel common events), the main event runner, then the hero. The shell
// adds the transfer and the drawing around it.
void RunFrame();
