#pragma once

#include <array>

// The game-system record: run state and the values the frame hands between
// subsystems. Only the fields the game data needs so far; the shell brings the
// rest.
struct GameSystem {
  int runState = 1;  // 1 running, 0 back to the title, -1 quit
  // Sizes of the BGM, BGS and sound-effect lists before their spare entries;
  // entries 3-5 unused.
  std::array<int, 6> soundListSizes{};
};

extern GameSystem gGameSystem;
