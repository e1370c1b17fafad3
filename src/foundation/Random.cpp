#include "foundation/Random.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

RandomState gRandomState;

namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr uint32_t kMatrix = 0x9908B0DFu;
constexpr uint32_t kUpper = 0x80000000u;
constexpr uint32_t kLower = 0x7FFFFFFFu;

uint32_t Temper(uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

// Two 32-bit words side by side in one 64-bit value (low lane = lower index),
// so every step below works on both lanes at once; masks keep shifted bits
// from crossing between the lanes.
constexpr uint64_t Both(uint32_t v) { return (static_cast<uint64_t>(v) << 32) | v; }

uint64_t LoadPair(const uint32_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void StorePair(uint32_t* p, uint64_t v) { std::memcpy(p, &v, sizeof v); }

uint64_t TemperPair(uint64_t y) {
  y ^= (y >> 11) & Both(0xFFFFFFFFu >> 11);
  y ^= (y << 7) & Both(0x9D2C5680u);
  y ^= (y << 15) & Both(0xEFC60000u);
  y ^= (y >> 18) & Both(0xFFFFFFFFu >> 18);
  return y;
}

}  // namespace

void RandomSeedState(uint32_t seed) {
  uint32_t x = seed;
  for (int i = 0; i < kN; ++i) {
    uint32_t word = x & 0xFFFF0000u;
    x = x * 69069u + 1u;
    word |= x >> 16;
    x = x * 69069u + 1u;
    gRandomState.state[i] = word;
  }
  gRandomState.state[kN] = gRandomState.state[0];
}

void RandomRefill() {
  uint32_t* mt = gRandomState.state;
  for (int k = 0; k < kN; ++k) {
    // Word 624 holds the already regenerated word 0 when the last word needs it.
    const uint32_t y = (mt[k] & kUpper) | (mt[k + 1] & kLower);
    const int far = k + kM < kN ? k + kM : k + kM - kN;
    mt[k] = mt[far] ^ (y >> 1) ^ ((y & 1u) != 0 ? kMatrix : 0u);
    if (k == 0) mt[kN] = mt[0];
  }
  for (int k = 0; k < kN; ++k) gRandomState.output[k] = Temper(mt[k]);
  gRandomState.readIndex = 0;
}

void RandomRefillMmx() {
  uint32_t* mt = gRandomState.state;
  for (int k = 0; k < kN; k += 2) {
    // Both words of the pair read only words before the pair (already new) or
    // at and after it (still old), so computing them together is exact. The
    // far pair of k = 226 is words 623 and 624, the copy of the new word 0.
    const uint64_t here = LoadPair(mt + k);
    const uint64_t ahead = LoadPair(mt + k + 1);
    const int far = k + kM < kN ? k + kM : k + kM - kN;
    const uint64_t farPair = LoadPair(mt + far);
    const uint64_t y = (here & Both(kUpper)) | (ahead & Both(kLower));
    const uint64_t odd = y & Both(1u);
    const uint64_t mix = odd * kMatrix;  // 0 or the constant in each lane
    StorePair(mt + k, farPair ^ ((y >> 1) & Both(kLower)) ^ mix);
    if (k == 0) mt[kN] = mt[0];
  }
  for (int k = 0; k < kN; k += 2) StorePair(gRandomState.output + k, TemperPair(LoadPair(mt + k)));
  gRandomState.readIndex = 0;
}

int CpuHasMmx() {
#if defined(__x86_64__) || defined(__i386__)
  // __get_cpuid fails when the identification instruction or function 1 is missing.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return 0;
  return (edx & (1u << 23)) != 0 ? 1 : 0;
#else
  return 0;
#endif
}

void RandomSeed(uint32_t seed) {
  RandomSeedState(seed);
  gRandomState.mmx = CpuHasMmx();
  gRandomState.seeded = 1;
  if (gRandomState.mmx != 0) {
    RandomRefillMmx();
  } else {
    RandomRefill();
  }
}
