#include "map/CurrentMap.h"

#include "map/Hero.h"

CurrentMap gCurrentMap;
Hero gHero;
