#pragma once

// Four 32-bit pixels at a time for the hottest kernels. Each channel is
// d + floor((s - d) * w / 256), computed as (d * (256 - w) + s * w) >> 8,
// which is the same number and never leaves 16 bits.

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define SOFTRENDER_SIMD 1
#else
#define SOFTRENDER_SIMD 0
#endif

namespace softrender {

#if SOFTRENDER_SIMD

inline __m128i Load4(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Channel interpolation of four pixels; wLo and wHi hold the weight of
// pixels 0-1 and 2-3 in each 16-bit lane of their channels.
inline __m128i Lerp4(__m128i d, __m128i s, __m128i wLo, __m128i wHi) {
  // (d << 8) + (s - d) * w wraps in 16 bits on the way but ends in 0..65280.
  const __m128i zero = _mm_setzero_si128();
  const __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
  const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
  const __m128i rl = _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(dl, 8), _mm_mullo_epi16(_mm_sub_epi16(sl, dl), wLo)), 8);
  const __m128i rh = _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(dh, 8), _mm_mullo_epi16(_mm_sub_epi16(sh, dh), wHi)), 8);
  return _mm_packus_epi16(rl, rh);
}

// Alpha source over the destination under the transparency flag, mode 0,
// white brightness, no blend image: alpha 0 keeps, 255 copies the word,
// others blend the colour and keep the destination's fourth byte.
inline void AlphaOver4(uint8_t* dp, const uint8_t* sp) {
  const __m128i s = Load4(sp);
  const __m128i d = Load4(dp);
  const __m128i a = _mm_srli_epi32(s, 24);
  const __m128i a2 = _mm_or_si128(a, _mm_slli_epi32(a, 16));
  const __m128i mixed = Lerp4(d, s, _mm_unpacklo_epi32(a2, a2), _mm_unpackhi_epi32(a2, a2));
  const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i blended = _mm_or_si128(_mm_andnot_si128(fourth, mixed), _mm_and_si128(fourth, d));
  const __m128i opaque = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
  Store4(dp, _mm_or_si128(_mm_and_si128(opaque, s), _mm_andnot_si128(opaque, blended)));
}

// A constant colour blended by a constant weight, fourth byte kept.
inline void ColorLerp4(uint8_t* dp, __m128i color, __m128i w) {
  const __m128i d = Load4(dp);
  const __m128i mixed = Lerp4(d, color, w, w);
  const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  Store4(dp, _mm_or_si128(_mm_andnot_si128(fourth, mixed), _mm_and_si128(fourth, d)));
}

#endif

}  // namespace softrender
