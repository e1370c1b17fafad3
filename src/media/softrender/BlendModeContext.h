#pragma once

#include <cstdint>
#include <vector>

#include "media/image/Rect.h"
#include "media/softrender/BlendModeSelect.h"
#include "media/softrender/MemImg.h"

// What the textured draws read of the drawing state and the images when they
// start, gathered once per draw.
namespace memimg_pixel {

// Sources beyond this size would overflow the 14.18 range test.
constexpr int32_t kMaxSourceSide = 8192;

// True when the image is a usable view.
bool ViewUsable(const MEMIMG* image);

// True when the destination may be drawn into: a usable view without
// palette or alpha.
bool DestinationDrawable(const MEMIMG* dest);

// The blend image as the draws read it: one byte per source texel. A blend
// image smaller than the source is read through a zero-padded copy instead
// of past its end.
struct BlendImageView {
  const uint8_t* pixels = nullptr;  // null when no blend image is used
  int32_t pitch = 0;
  std::vector<uint8_t> padded;
};

struct TexturedDraw {
  TexturedSelection selection;
  PixelContext context;
  BlendImageView blend;
  const uint8_t* sourcePixels = nullptr;
  int32_t sourcePitch = 0;
  int32_t sourceWidth = 0;
  int32_t sourceHeight = 0;
};

// Fills the per-draw values for a textured draw of source into dest. False
// when the draw must draw nothing (source unusable or of another pixel
// format, oversized, or a palette source without palette).
bool PrepareTexturedDraw(const MEMIMG* dest, const MEMIMG* source, int transparent, const MEMIMG* blendImage,
                         TexturedDraw* draw);

}  // namespace memimg_pixel
