#pragma once

#include <cstdint>

#include "media/image/Rect.h"

// The drawing settings every draw reads when it starts. Only the part the
// software renderer and the image layer read is here so far.
enum BlendMode : int {
  kBlendNone = 0,
  kBlendAlpha = 1,
  kBlendAdd = 2,
  kBlendSubtract = 3,
  kBlendMultiply = 4,
  kBlendInvertedSource = 10,
  kBlendMultiplyWeighted = 11,
};

struct DrawState {
  void (*restoreCallback)() = nullptr;
  int drawTarget = -4;
  int targetInVideoMemory = 0;
  Rect frontWindowRect;
  Rect drawArea;                 // left/top inclusive, right/bottom exclusive
  float drawAreaF[4] = {};
  int targetWidth = 0;
  int targetHeight = 0;
  int samplingMode = 0;
  int blendMode = kBlendNone;
  int blendParameter = 0;        // 0..255
  int blendGraph = -1;
  int borderParameter = 0;       // 0..255
  int borderRange = 0;           // 0..255
  uint32_t tint = 0xFFFFFF;      // blue bits 0-7, green 8-15, red 16-23
  int transparentColor = 0;      // 0xRRGGBB
  int suspended = 0;
  int emptyDrawArea = 0;
};
extern DrawState gDrawState;

// Clips rect to clip in place (see the graphics layer's rectangle helpers);
// a rectangle outside the clip ends empty on the clip's edge. Always 0.
int ClipRectangle(Rect* rect, const Rect* clip);

// The requested screen colour depth in bits (16 while unset).
int GetScreenColorDepth();
void SetRequestedScreenColorDepth(int bits);

// The 32-byte surface pixel-format record.
struct SurfacePixelFormat {
  uint32_t size;
  uint32_t flags;
  uint32_t fourCC;
  uint32_t bitCount;
  uint32_t redMask;
  uint32_t greenMask;
  uint32_t blueMask;
  uint32_t alphaMask;
};
static_assert(sizeof(SurfacePixelFormat) == 32);
constexpr uint32_t kPixelFormatRgb = 0x40;

int MakePixelFormatRecord(SurfacePixelFormat* record, int bitCount, uint32_t redMask,
                          uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);
