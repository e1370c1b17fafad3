#pragma once

#include <cstdint>

// A palette entry in memory order.
struct PaletteEntry {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
  uint8_t fourth;
};

// How the bits of one pixel are laid out.
struct ColorFormat {
  uint16_t bitDepth;       // 8, 16, 24, 32; 4 or 8 for block-compressed data
  uint16_t bytesPerPixel;  // 1, 2, 3 or 4
  uint8_t redWidth, greenWidth, blueWidth, alphaWidth;
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t unusedMask;  // bits of no channel; encoding sets them to 1
  PaletteEntry palette[256];
  uint8_t unusedShift, unusedWidth;
  uint32_t compressionKind;  // 0 plain; 1..5 DXT1..DXT5
};

// An image in memory; owns its tracked-heap pixel block.
struct GraphImage {
  ColorFormat format;
  int width;
  int height;
  int pitch;
  uint8_t* pixels;
  int mipMapCount;
};

// The record behind a soft-image handle (type 14).
struct SoftImage {
  GraphImage image;
  int checkNumber;
};

constexpr int kSoftImageSlots = 8192;
constexpr int kSoftImageHandleType = 14;

struct SoftImageTable {
  SoftImage* slots[kSoftImageSlots];
  int count;  // live records
  int bound;  // one past the highest slot in use
};
extern SoftImageTable gSoftImages;

int FreeGraphImage(GraphImage* image);

int SetPaletteColorFormat(ColorFormat* format);
int SetGray8ColorFormat(ColorFormat* format);
int SetXRGB8ColorFormat(ColorFormat* format);
int SetARGB8ColorFormat(ColorFormat* format);
int SetFullColorFormat(ColorFormat* format);
int SetColorFormatFromMasks(ColorFormat* format, int bitDepth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                            uint32_t alphaMask);
ColorFormat* UpdateUnusedBitMask(ColorFormat* format);
int EqualColorFormats(const ColorFormat* a, const ColorFormat* b);

uint32_t EncodePixel(const ColorFormat* format, int red, int green, int blue, int alpha);
int DecodePixel(const ColorFormat* format, uint32_t pixel, int* red, int* green, int* blue, int* alpha);
uint32_t TranslatePixel(const ColorFormat* target, const ColorFormat* source, uint32_t pixel);

uint32_t ReadPixelAsARGB(const GraphImage* image, int x, int y);
int ReadGraphImagePixel(GraphImage* image, int x, int y, int* red, int* green, int* blue, int* alpha);
int WriteGraphImagePixel(GraphImage* image, int x, int y, int red, int green, int blue, int alpha);
int FillGraphImage(GraphImage* image, int red, int green, int blue, int alpha);
int MirrorGraphImage(GraphImage* image);

int AllocARGB8GraphImage(int width, int height, GraphImage* image);
int AllocXRGB8GraphImage(int width, int height, GraphImage* image);
int AllocRGB24GraphImage(int width, int height, GraphImage* image);

int FreeSoftImageHandle(int handle);
int FreeAllSoftImageHandles();

int GetImageConvertFlag();

// Decompresses a block-compressed image in place into A8R8G8B8: 0 when the
// image is plain or has been decompressed, -1 when it stays compressed.
int DecompressDxtGraphImage(GraphImage* image);
