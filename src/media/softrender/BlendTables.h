#pragma once

#include <cstdint>

// Blend tables of the software renderer, built once when graphics start.
//
// gBlendLerp6[a][s][d]      = (s*a + d*(63-a)) / 63
// gBlendScale[a][x]         = a*x / 255 (truncated)
// gBlendSignedScale[a][256+v] = a*v / 255 truncated toward zero, v = -255..255
//                               (column 0 of each row stays 0)
// gBlendBorder[i]           = coverage of a blend-image byte i
//
// gBlendSignedScale is read only through BlendSignedScaleZero(a), the
// pointer to the v = 0 entry of row a, indexed by a signed difference.
extern uint8_t gBlendLerp6[64][64][64];
extern int32_t gBlendScale[256][256];
extern int32_t gBlendSignedScale[256][512];
extern uint8_t gBlendBorder[256];

// Fills gBlendLerp6, gBlendScale and gBlendSignedScale; 0. Every start of
// graphics calls it, whatever rendering path it takes; a second call
// changes nothing.
int MemImgBlendTablesBuild();
// True once the fixed tables are filled.
bool MemImgBlendTablesReady();

// Refills gBlendBorder for a border value and range (each 0..255).
void MemImgBorderTableBuild(int border, int range);

inline const int32_t* BlendSignedScaleZero(int weight) { return &gBlendSignedScale[weight][256]; }
