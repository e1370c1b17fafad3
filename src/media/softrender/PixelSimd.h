#pragma once

// Four 32-bit pixels at a time for the hottest kernels. Each channel is
// d + floor((s - d) * w / 256), computed as (d * (256 - w) + s * w) >> 8,
// which is the same number and never leaves 16 bits.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#define SOFTRENDER_SIMD 1
#else
#define SOFTRENDER_SIMD 0
#endif

namespace softrender {

#if SOFTRENDER_SIMD

inline __m128i Load4(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Fills `bytes` bytes with a pattern that repeats every `unit` bytes (a
// divisor of 16; `bytes` a multiple of it). Four stores a step: one store
// per loop turn leaves the loop branch, not the store ports, as the limit.
inline void FillRowSse2(uint8_t* p, size_t bytes, __m128i pattern, int unit) {
  uint8_t* const end = p + bytes;
  const auto address = reinterpret_cast<uintptr_t>(p);
  if (bytes >= 32 && address % static_cast<uintptr_t>(unit) == 0 && (address & 15) != 0) {
    // One unaligned store covers the head; the rest then starts aligned, and
    // the skip is whole units, so the pattern keeps its phase.
    Store4(p, pattern);
    p += 16 - (address & 15);
  }
  for (; end - p >= 64; p += 64) {
    Store4(p, pattern);
    Store4(p + 16, pattern);
    Store4(p + 32, pattern);
    Store4(p + 48, pattern);
  }
  for (; end - p >= 16; p += 16) Store4(p, pattern);
  alignas(16) uint8_t tail[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(tail), pattern);
  std::memcpy(p, tail, static_cast<size_t>(end - p));
}

// FillRowSse2 with 32-byte stores, which write twice as much a cycle. The
// head store lines the rest up on 32 bytes, and the last store ends at the
// end of the row, overlapping what is already filled; both start a whole
// number of units from the row's start, so the pattern keeps its phase.
__attribute__((target("avx2"))) inline void FillRowAvx2(uint8_t* p, size_t bytes, __m128i pattern, int unit) {
  if (bytes < 32) return FillRowSse2(p, bytes, pattern, unit);
  const __m256i wide = _mm256_broadcastsi128_si256(pattern);
  auto store = [wide](uint8_t * q) __attribute__((target("avx2"))) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), wide);
  };
  uint8_t* const end = p + bytes;
  const auto address = reinterpret_cast<uintptr_t>(p);
  if (address % static_cast<uintptr_t>(unit) == 0 && (address & 31) != 0) {
    store(p);
    p += 32 - (address & 31);
  }
  for (; end - p >= 128; p += 128) {
    store(p);
    store(p + 32);
    store(p + 64);
    store(p + 96);
  }
  for (; end - p >= 32; p += 32) store(p);
  if (p != end) store(end - 32);
}

using FillRowFn = void (*)(uint8_t*, size_t, __m128i, int);

// The widest fill kernel this processor runs, chosen once.
inline FillRowFn FillRow() {
  static const FillRowFn chosen = __builtin_cpu_supports("avx2") ? FillRowAvx2 : FillRowSse2;
  return chosen;
}

// Channel interpolation of four pixels; wLo and wHi hold the weight of
// pixels 0-1 and 2-3 in each 16-bit lane of their channels.
inline __m128i Lerp4(__m128i d, __m128i s, __m128i wLo, __m128i wHi) {
  // (d << 8) + (s - d) * w wraps in 16 bits on the way but ends in 0..65280.
  const __m128i zero = _mm_setzero_si128();
  const __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
  const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
  const __m128i rl =
      _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(dl, 8), _mm_mullo_epi16(_mm_sub_epi16(sl, dl), wLo)), 8);
  const __m128i rh =
      _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(dh, 8), _mm_mullo_epi16(_mm_sub_epi16(sh, dh), wHi)), 8);
  return _mm_packus_epi16(rl, rh);
}

// Per-pixel 16-bit weights of the alpha-over kernel, pixels 0-1 and 2-3 of
// each 128-bit half: the alpha in the colour lanes and 0 in the fourth-byte
// lane, so the fourth byte stays the destination's; an opaque pixel weighs
// 256 in every lane, which gives exactly the source word. This replaces a
// separate opaque select and fourth-byte merge.
inline void AlphaOverWeights(__m128i s, __m128i* lo, __m128i* hi) {
  const __m128i a = _mm_srli_epi32(s, 24);
  const __m128i w = _mm_sub_epi32(a, _mm_cmpeq_epi32(a, _mm_set1_epi32(255)));
  const __m128i w2 = _mm_or_si128(w, _mm_slli_epi32(w, 16));
  const __m128i lanes = _mm_set_epi16(0x100, -1, -1, -1, 0x100, -1, -1, -1);
  *lo = _mm_and_si128(_mm_unpacklo_epi32(w2, w2), lanes);
  *hi = _mm_and_si128(_mm_unpackhi_epi32(w2, w2), lanes);
}

// Alpha source over the destination under the transparency flag, mode 0,
// white brightness, no blend image: alpha 0 keeps, 255 copies the word,
// others blend the colour and keep the destination's fourth byte.
inline void AlphaOver4(uint8_t* dp, const uint8_t* sp) {
  const __m128i s = Load4(sp);
  __m128i wLo, wHi;
  AlphaOverWeights(s, &wLo, &wHi);
  Store4(dp, Lerp4(Load4(dp), s, wLo, wHi));
}

// AlphaOver4 over a row of n pixels, eight at a time with AVX2 where the
// processor has it; returns how many pixels it drew (a multiple of 4).
__attribute__((target("avx2"))) inline int AlphaOverRowAvx2(uint8_t* dp, const uint8_t* sp, int n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i opaque = _mm256_set1_epi32(255);
  const __m256i lanes = _mm256_set_epi16(0x100, -1, -1, -1, 0x100, -1, -1, -1, 0x100, -1, -1, -1, 0x100, -1, -1, -1);
  const __m256i alphas = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 8 <= n; x += 8, dp += 32, sp += 32) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sp));
    // Eight clear pixels leave the destination as it is.
    if (_mm256_testz_si256(s, alphas)) continue;
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dp));
    const __m256i a = _mm256_srli_epi32(s, 24);
    const __m256i w = _mm256_sub_epi32(a, _mm256_cmpeq_epi32(a, opaque));
    const __m256i w2 = _mm256_or_si256(w, _mm256_slli_epi32(w, 16));
    const __m256i wl = _mm256_and_si256(_mm256_unpacklo_epi32(w2, w2), lanes);
    const __m256i wh = _mm256_and_si256(_mm256_unpackhi_epi32(w2, w2), lanes);
    const __m256i dl = _mm256_unpacklo_epi8(d, zero), dh = _mm256_unpackhi_epi8(d, zero);
    const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
    const __m256i rl = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_slli_epi16(dl, 8), _mm256_mullo_epi16(_mm256_sub_epi16(sl, dl), wl)), 8);
    const __m256i rh = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_slli_epi16(dh, 8), _mm256_mullo_epi16(_mm256_sub_epi16(sh, dh), wh)), 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dp), _mm256_packus_epi16(rl, rh));
  }
  for (; x + 4 <= n; x += 4, dp += 16, sp += 16) AlphaOver4(dp, sp);
  return x;
}

inline int AlphaOverRowSse2(uint8_t* dp, const uint8_t* sp, int n) {
  int x = 0;
  for (; x + 4 <= n; x += 4, dp += 16, sp += 16) AlphaOver4(dp, sp);
  return x;
}

using AlphaOverRowFn = int (*)(uint8_t*, const uint8_t*, int);

// The widest row kernel this processor runs, chosen once.
inline AlphaOverRowFn AlphaOverRow() {
  static const AlphaOverRowFn chosen = __builtin_cpu_supports("avx2") ? AlphaOverRowAvx2 : AlphaOverRowSse2;
  return chosen;
}

// A constant colour c blended by a constant weight p over a row, fourth byte
// kept. Each channel is (d * (256 - p) + c * p) >> 8, the same number as
// d + floor((c - d) * p / 256), and never above 65280. The low and high bytes
// of each 16-bit lane are worked in place (masked and shifted) rather than
// unpacked and packed; the fourth byte weighs 256 with nothing added, so it
// comes back unchanged. Returns how many pixels it drew (a multiple of 4).
struct ColorLerpTerms {
  uint32_t wEven, wOdd;  // per 32-bit pixel: weights of bytes 0/2 and 1/3
  uint32_t cEven, cOdd;  // per 32-bit pixel: c * p of bytes 0/2 and 1/3
};

inline ColorLerpTerms MakeColorLerpTerms(uint32_t color, int p) {
  const auto w = static_cast<uint32_t>(p);
  const uint32_t keep = 256 - w;
  return {keep | (keep << 16), keep | (256u << 16), (color & 0xFF) * w | (((color >> 16) & 0xFF) * w) << 16,
          ((color >> 8) & 0xFF) * w};
}

inline __m128i ColorLerp4(__m128i d, __m128i wEven, __m128i wOdd, __m128i cEven, __m128i cOdd) {
  const __m128i low = _mm_set1_epi16(0xFF);
  const __m128i even = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(d, low), wEven), cEven), 8);
  const __m128i odd = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(d, 8), wOdd), cOdd);
  return _mm_or_si128(even, _mm_andnot_si128(low, odd));
}

inline int ColorLerpRowSse2(uint8_t* dp, int n, uint32_t color, int p) {
  const ColorLerpTerms t = MakeColorLerpTerms(color, p);
  const __m128i wEven = _mm_set1_epi32(static_cast<int>(t.wEven)), wOdd = _mm_set1_epi32(static_cast<int>(t.wOdd));
  const __m128i cEven = _mm_set1_epi32(static_cast<int>(t.cEven)), cOdd = _mm_set1_epi32(static_cast<int>(t.cOdd));
  int x = 0;
  for (; x + 4 <= n; x += 4, dp += 16) Store4(dp, ColorLerp4(Load4(dp), wEven, wOdd, cEven, cOdd));
  return x;
}

__attribute__((target("avx2"))) inline int ColorLerpRowAvx2(uint8_t* dp, int n, uint32_t color, int p) {
  const ColorLerpTerms t = MakeColorLerpTerms(color, p);
  const __m256i wEven = _mm256_set1_epi32(static_cast<int>(t.wEven)),
                wOdd = _mm256_set1_epi32(static_cast<int>(t.wOdd));
  const __m256i cEven = _mm256_set1_epi32(static_cast<int>(t.cEven)),
                cOdd = _mm256_set1_epi32(static_cast<int>(t.cOdd));
  const __m256i low = _mm256_set1_epi16(0xFF);
  auto lerp8 = [&](uint8_t * q) __attribute__((target("avx2"))) {
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    const __m256i even =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(d, low), wEven), cEven), 8);
    const __m256i odd = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(d, 8), wOdd), cOdd);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), _mm256_or_si256(even, _mm256_andnot_si256(low, odd)));
  };
  int x = 0;
  for (; x + 16 <= n; x += 16, dp += 64) {
    lerp8(dp);
    lerp8(dp + 32);
  }
  for (; x + 8 <= n; x += 8, dp += 32) lerp8(dp);
  if (x + 4 <= n) {
    Store4(dp, ColorLerp4(Load4(dp), _mm256_castsi256_si128(wEven), _mm256_castsi256_si128(wOdd),
                          _mm256_castsi256_si128(cEven), _mm256_castsi256_si128(cOdd)));
    x += 4;
  }
  return x;
}

using ColorLerpRowFn = int (*)(uint8_t*, int, uint32_t, int);

// The widest colour-blend row kernel this processor runs, chosen once.
inline ColorLerpRowFn ColorLerpRow() {
  static const ColorLerpRowFn chosen = __builtin_cpu_supports("avx2") ? ColorLerpRowAvx2 : ColorLerpRowSse2;
  return chosen;
}

#endif

}  // namespace softrender
