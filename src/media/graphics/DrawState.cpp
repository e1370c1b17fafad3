#include "media/graphics/DrawState.h"

#include <cstring>

DrawState gDrawState;

namespace {
int gRequestedScreenDepth = 0;
}

int ClipRectangle(Rect* rect, const Rect* clip) {
  if (rect->right < rect->left) rect->right = rect->left;
  if (rect->bottom < rect->top) rect->bottom = rect->top;
  auto clamp = [](int v, int lo, int hi) { return v > hi ? hi : (v < lo ? lo : v); };
  rect->bottom = clamp(rect->bottom, clip->top, clip->bottom);
  rect->top = clamp(rect->top, clip->top, clip->bottom);
  rect->right = clamp(rect->right, clip->left, clip->right);
  rect->left = clamp(rect->left, clip->left, clip->right);
  return 0;
}

int GetScreenColorDepth() { return gRequestedScreenDepth == 0 ? 16 : gRequestedScreenDepth; }

void SetRequestedScreenColorDepth(int bits) { gRequestedScreenDepth = bits; }

int MakePixelFormatRecord(SurfacePixelFormat* record, int bitCount, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask, uint32_t alphaMask) {
  std::memset(record, 0, sizeof(*record));
  record->size = 32;
  record->flags = kPixelFormatRgb;
  record->bitCount = static_cast<uint32_t>(bitCount);
  record->redMask = redMask;
  record->greenMask = greenMask;
  record->blueMask = blueMask;
  record->alphaMask = alphaMask;
  return 0;
}
