#include "media/softrender/BlendTables.h"

#include <algorithm>

uint8_t gBlendLerp6[64][64][64];
int32_t gBlendScale[256][256];
int32_t gBlendSignedScale[256][512];
uint8_t gBlendBorder[256];

namespace {
bool gBuilt = false;
}

int MemImgBlendTablesBuild() {
  if (gBuilt) return 0;
  for (int a = 0; a < 256; ++a) {
    int running = -255 * a;
    for (int offset = 0; offset <= 510; ++offset) {
      gBlendSignedScale[a][1 + offset] = running / 255;  // truncates toward zero
      running += a;
    }
  }
  for (int a = 0; a < 256; ++a) {
    int running = 0;
    for (int x = 0; x < 256; ++x) {
      gBlendScale[a][x] = running / 255;
      running += a;
    }
  }
  for (int a = 0; a < 64; ++a) {
    for (int s = 0; s < 64; ++s) {
      int running = s * a;
      for (int d = 0; d < 64; ++d) {
        gBlendLerp6[a][s][d] = static_cast<uint8_t>(running / 63);
        running += 63 - a;
      }
    }
  }
  gBuilt = true;
  return 0;
}

bool MemImgBlendTablesReady() { return gBuilt; }

void MemImgBorderTableBuild(int border, int range) {
  border = std::clamp(border, 0, 255);
  range = std::clamp(range, 0, 255);
  const int step = 65536 / (range + 1);
  const int shift = (step + 256) * border / 256;
  for (int i = 0; i < 256; ++i) {
    int v = 256 * i / (range + 1) + 256 - shift;
    gBlendBorder[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
  }
}
