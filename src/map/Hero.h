#pragma once

#include <vector>

#include "map/MapCharacter.h"

// The hero with the party members that follow it (member i at index i).
struct Hero : MapCharacter {
  Hero() { id = -2; }
  std::vector<MapCharacter> party;
};

extern Hero gHero;
