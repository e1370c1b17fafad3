#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "map/MapCharacter.h"

inline constexpr int kPartySize = 5;
// Entries of a trail filled by the gathering of the party.
inline constexpr int kTrailLength = 100;

// The player's character, with the party members that follow its trail
// (member i at index i, id -3 - i).
struct Hero : MapCharacter {
  // Start values and five members; ConstructHero applies the settings.
  Hero();

  void ConstructHero();
  void PlaceHeroAndCenterView(int a, int b, int halfCellUnits);
  void CenterViewOnPosition(int hx, int hy);
  void GatherPartyAtHero();
  void RecordTrailStep(int stepDirection);
  void UpdateParty();
  void UpdateHeroFromInput();
  // eligible: one byte per start type 0-4.
  bool TriggerByTouch(const std::array<uint8_t, 5>& eligible);
  bool TriggerByActionKey(const std::array<uint8_t, 5>& eligible);
  void TriggerByHeroContact(int a, int b);
  void SaveHeroState() const;
  bool LoadHeroState();

  uint8_t movedThisFrame = 0;
  uint8_t formationMode = 0;
  int32_t formationDirection = 0;
  std::vector<MapCharacter> party;

 private:
  bool SearchActionTarget(int fx, int fy, const std::array<uint8_t, 5>& eligible);
};

extern Hero gHero;
