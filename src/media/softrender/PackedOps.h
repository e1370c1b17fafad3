#pragma once

#include <cstdint>

// Three colour channels in one word, added or subtracted at once with
// carry masking. Green and red work at reduced precision; those results
// are intended and shared by every software draw.

// 32-bit: D destination word, A amount word (fourth byte ignored). The
// fourth byte of the result is the red carry.
inline uint32_t MemImgPackedAdd(uint32_t d, uint32_t a, int fix) {
  uint32_t sum = (d & 0xFEFEFFu) + (a & 0xFEFEFFu);
  uint32_t carries = sum & 0x1010100u;
  uint32_t mask = carries - (carries >> 8);
  uint32_t result = sum | mask;
  if (fix) result |= (d | a) & 0x10100u;
  return result;
}

// 32-bit: the fourth byte of the result is 0.
inline uint32_t MemImgPackedSubtract(uint32_t d, uint32_t a) {
  uint32_t diff = (d | 0x1010100u) - (a & 0xFEFEFFu);
  uint32_t guards = diff & 0x1010100u;
  uint32_t mask = guards - (guards >> 8);
  return diff & mask;
}

// 16-bit RGB565.
inline uint32_t MemImgPackedAdd16(uint32_t d, uint32_t a, int fix) {
  uint32_t sum = (d & 0xF7DFu) + (a & 0xF7DFu);
  uint32_t carries = sum & 0x10820u;
  uint32_t mask = carries - (carries >> 5);
  uint32_t result = sum | mask;
  if (fix) result |= (d | a) & 0x820u;
  return result & 0xFFFFu;
}

inline uint32_t MemImgPackedSubtract16(uint32_t d, uint32_t a) {
  uint32_t diff = (d | 0x8210820u) - (a & 0xF7DEF7DFu);
  uint32_t guards = diff & 0x8210820u;
  uint32_t mask = guards - (guards >> 5);
  return diff & mask & 0xFFFFu;
}

// The names the triangle and rotation draws use: the same operations (the
// add always with the low-bit fix).
inline uint32_t MemImgAddPacked32(uint32_t d, uint32_t w) { return MemImgPackedAdd(d, w, 1); }
inline uint32_t MemImgSubtractPacked32(uint32_t d, uint32_t w) { return MemImgPackedSubtract(d, w); }
inline uint32_t MemImgAddPacked16(uint32_t d, uint32_t w) { return MemImgPackedAdd16(d, w, 1); }
inline uint32_t MemImgSubtractPacked16(uint32_t d, uint32_t w) { return MemImgPackedSubtract16(d, w); }
