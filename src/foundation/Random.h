#pragma once

#include <cstdint>

struct RandomState {
  uint32_t state[625];
  uint32_t output[624];
  int readIndex;
  int seeded;
  int mmx;
};
extern RandomState gRandomState;

void RandomSeed(uint32_t seed);
void RandomRefill();
void RandomRefillMmx();
int CpuHasMmx();
