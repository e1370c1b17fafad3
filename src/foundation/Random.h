#pragma once

#include <cstdint>

// MT19937 state: 624 words plus one that repeats the first word while the
// state is regenerated, and the 624 tempered outputs of the last regeneration.
struct RandomState {
  uint32_t state[625];
  uint32_t output[624];
  int readIndex;
  int seeded;
  int mmx;
};
extern RandomState gRandomState;

void RandomSeed(uint32_t seed);       // seeds, probes MMX, generates the first outputs
void RandomSeedState(uint32_t seed);  // only fills the 624 state words from the seed
void RandomRefill();
void RandomRefillMmx();  // same values, two words at a time
int CpuHasMmx();
