#pragma once

#include <cstdint>

#include "media/image/GraphImage.h"
#include "media/image/Rect.h"
#include "platform/display/Dib.h"

// Copies a rectangle between two pixel blocks, converting between formats.
// -1 for an empty rectangle; for a straight 8-bit to 8-bit copy the highest
// index copied; otherwise 0.
int ConvertColorFormatBlt(uint8_t* destPixels, int destPitch, const ColorFormat* destFormat, const uint8_t* srcPixels,
                          int srcPitch, const ColorFormat* srcFormat, const uint8_t* alphaPixels, int alphaPitch,
                          const ColorFormat* alphaFormat, int destX, int destY, const Rect* srcRect, int mirror,
                          int keyToAlpha, uint32_t keyOrTransparent, int ditherMode, int clearColor, int alphaFromRed,
                          int skipTransparent, int paletteRemap);

// Prepares an image for a DIB: 1 when *pixels is a new tracked block the
// caller frees, 0 when the image's own pixels serve, -1 on failure.
int ConvertToDibLayout(const GraphImage* image, platform::BitmapInfo* info, uint8_t** pixels, int copyFlag,
                       int force24);

// Makes a DIB section holding the pixels; 0 on failure. The caller's info and
// pixel blocks stay the caller's in every case.
platform::DibHandle CreateDIBGraph(platform::BitmapInfo* info, uint8_t* pixels, int mirror, ColorFormat* format);

// The image layer's second settings word, read only here; nothing sets it.
extern int gImageDibSetting;
