#pragma once

#include <cstdint>
#include <cstring>

// A pixel of 1 to 4 bytes, low byte first, read or written whole; other
// sizes read 0 and write nothing. A 3-byte pixel touches exactly 3 bytes.
inline uint32_t ReadPixelBytes(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1: return p[0];
    case 2: return static_cast<uint32_t>(p[0] | (p[1] << 8));
    case 3: return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    case 4: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    default: return 0;
  }
}

inline void WritePixelBytes(uint8_t* p, int bytes, uint32_t v) {
  switch (bytes) {
    case 1: p[0] = static_cast<uint8_t>(v); break;
    case 2:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    case 3:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    case 4: std::memcpy(p, &v, 4); break;
    default: break;
  }
}
