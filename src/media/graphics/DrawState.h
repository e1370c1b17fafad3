#pragma once

#include <cstdint>

#include "media/image/Rect.h"
#include "platform/surfaces/Surfaces.h"

// The drawing settings every draw reads when it starts.
enum BlendMode : int {
  kBlendNone = 0,
  kBlendAlpha = 1,
  kBlendAdd = 2,
  kBlendSubtract = 3,
  kBlendMultiply = 4,
  kBlendInvertedSource = 10,
  kBlendMultiplyWeighted = 11,
};

struct Matrix4 {
  float m[16];
};

struct DrawState {
  void (*restoreCallback)() = nullptr;
  int drawTarget = -4;
  int targetInVideoMemory = 0;
  Rect frontWindowRect;
  Rect drawArea;  // left/top inclusive, right/bottom exclusive
  float drawAreaF[4] = {};
  int targetWidth = 0;
  int targetHeight = 0;
  int depthBufferUse = 0;
  int depthWrite = 0;
  int depthCompare = 0;
  int depthBias = 0;
  int fogEnable = 0;  // read by 3D draws that ask for fog; no draw of the library sets it
  int culling = 0;
  int textureAddressMode = 0;
  float flatDrawDepth = 0.0f;
  int samplingMode = 0;
  int blendMode = kBlendNone;
  int blendParameter = 0;  // 0..255
  int blendGraph = -1;
  int borderParameter = 0;   // 0..255
  int borderRange = 0;       // 0..255
  uint32_t tint = 0xFFFFFF;  // blue bits 0-7, green 8-15, red 16-23
  // Settings for graphs created later.
  int newGraphColorDepth = 0;
  int newGraphUse3D = 1;
  int newGraphDrawValid = 0;
  int newGraphAlphaChannel = 0;
  int newGraphTransColorFlag = 1;
  int newGraphSystemMemory = 0;
  int newGraphLoadAsAlpha = 0;
  int newGraphUnmanagedTexture = 0;
  int noVSync = 0;
  int emulation320 = 0;
  int transparentColor = 0;  // 0xRRGGBB
  int suspended = 0;
  int emptyDrawArea = 0;
  uint64_t presentCount = 0;
  int worldSet = 0;
  Matrix4 world{};
  int viewSet = 0;
  Matrix4 view{};
  int projectionSet = 0;
  Matrix4 projection{};
  Matrix4 viewport{};
  Matrix4 drawAreaViewport{};
  Matrix4 drawAreaViewportInverse{};
  int defaultLight = -1;
  // Mask layer (it is never created, so its hooks find nothing to do).
  uint8_t* maskBytes = nullptr;
  int maskPitch = 0;
  int maskCreated = 0;
  int maskUseSetting = 1;
  int maskActive = 0;
};
extern DrawState gDrawState;

// Clips rect to clip in place; a rectangle outside the clip ends empty on the
// clip's edge. Always 0.
int ClipRectangle(Rect* rect, const Rect* clip);
int NormalizeRectangle(Rect* rect);
int RectangleSize(const Rect* rect, int* width, int* height);

// The requested screen colour depth in bits (16 while unset).
int GetScreenColorDepth();
void SetRequestedScreenColorDepth(int bits);

// The 32-byte surface pixel-format record.
using SurfacePixelFormat = platform::PixelFormat;
constexpr uint32_t kPixelFormatRgb = platform::kPixelFormatRgb;

int MakePixelFormatRecord(SurfacePixelFormat* record, int bitCount, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask, uint32_t alphaMask);
