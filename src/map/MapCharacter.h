#pragma once

// A character on the map: the hero, a party member or a map event.
//
// Only the fields the game data needs so far; the map subsystem brings the
// rest (graphics, movement, routes, effects).
struct MapCharacter {
  int id = 0;      // map events: their event id; the hero -2; party member i: -3 - i
  int x = 0;       // position in half cells
  int y = 0;
  int height = 0;
};

// A map event placed on the current map.
struct MapEventCharacter : MapCharacter {};
