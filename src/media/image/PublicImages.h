#pragma once

#include <cstdint>

// Public entries of the base-image family. Only the media layer's own image,
// movie and software-renderer code calls them; the game runtime never does.
struct GraphImage;
struct ColorFormat;

int AllocXRGB8GraphImage(int width, int height, GraphImage* image);
int FreeGraphImage(GraphImage* image);
int DecompressDxtGraphImage(GraphImage* image);
int SetColorFormatFromMasks(ColorFormat* format, int bitDepth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                            uint32_t alphaMask);
int FreeAllSoftImageHandles();
