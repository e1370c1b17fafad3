#include "media/softrender/BlendModeContext.h"

#include <algorithm>
#include <cstddef>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendTables.h"

namespace memimg_pixel {

bool ViewUsable(const MEMIMG* image) {
  return image != nullptr && image->magic == kMemImgMagic && image->base != nullptr && image->pixels != nullptr &&
         image->width >= 0 && image->height >= 0;
}

bool DestinationDrawable(const MEMIMG* dest) {
  return ViewUsable(dest) && dest->base->paletteFlag != 1 && dest->base->alphaFlag != 1;
}

namespace {

void MakeBlendView(const MEMIMG* blendImage, int32_t width, int32_t height, BlendImageView* view) {
  if (!ViewUsable(blendImage)) return;
  const int32_t pitch = blendImage->base->pitch;
  if (blendImage->width >= width && blendImage->height >= height) {
    view->pixels = blendImage->pixels;
    view->pitch = pitch;
    return;
  }
  // Texels beyond a too-small blend image read as byte 0.
  view->padded.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  const int32_t rows = std::min(height, blendImage->height);
  const int32_t columns = std::min(width, blendImage->width);
  for (int32_t y = 0; y < rows; ++y) {
    std::copy_n(blendImage->pixels + static_cast<ptrdiff_t>(y) * pitch, columns,
                view->padded.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
  }
  view->pixels = view->padded.data();
  view->pitch = width;
}

}  // namespace

bool PrepareTexturedDraw(const MEMIMG* dest, const MEMIMG* source, int transparent, const MEMIMG* blendImage,
                         TexturedDraw* draw) {
  if (!ViewUsable(source)) return false;
  const MemImgBase& base = *source->base;
  if (base.pixelFormat != dest->base->pixelFormat) return false;
  if (source->width > kMaxSourceSide || source->height > kMaxSourceSide) return false;
  const bool palette = base.paletteFlag == 1;
  if (palette && base.palette == nullptr) return false;

  const int32_t parameter = std::clamp(gDrawState.blendParameter, 0, 255);
  const uint32_t tint = gDrawState.tint;

  TexturedSelection& s = draw->selection;
  s.format = base.pixelFormat;
  s.palette = palette;
  s.alpha = !palette && base.alphaFlag == 1;
  s.mode = gDrawState.blendMode;
  s.parameter = parameter;
  s.cover = ViewUsable(blendImage);
  s.tint = (tint & 0xFFFFFFu) != 0xFFFFFFu;
  s.flag = transparent != 0;

  PixelContext& c = draw->context;
  c.palette = static_cast<const uint8_t*>(base.palette);
  c.key = base.transparentColor;
  c.tint[0] = gBlendScale[tint & 0xFFu];
  c.tint[1] = gBlendScale[(tint >> 8) & 0xFFu];
  c.tint[2] = gBlendScale[(tint >> 16) & 0xFFu];
  c.scaleA = gBlendScale[parameter];
  c.signedA = BlendSignedScaleZero(parameter);
  c.a = parameter;
  c.border = gBlendBorder;

  draw->sourcePixels = source->pixels;
  draw->sourcePitch = base.pitch;
  draw->sourceWidth = source->width;
  draw->sourceHeight = source->height;
  if (s.cover) MakeBlendView(blendImage, source->width, source->height, &draw->blend);
  return true;
}

}  // namespace memimg_pixel
