#pragma once

#include <cstdint>

// Device-independent bitmaps and memory device contexts, kept in memory.
// Handles are table indices; 0 names nothing.
namespace platform {

struct BitmapInfoHeader {
  uint32_t size;  // 40
  int32_t width;
  int32_t height;  // negative: rows run top-down
  uint16_t planes;
  uint16_t bitCount;     // sections 8, 16, 24 or 32; sources also 1 and 4
  uint32_t compression;  // 0 plain, 3 bit fields (masks in colors[0..2])
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

constexpr uint32_t kBitmapPlain = 0;
constexpr uint32_t kBitmapBitFields = 3;

// Header followed by a palette (blue, green, red, fourth) or three masks.
struct BitmapInfo {
  BitmapInfoHeader header;
  uint32_t colors[257];
};
static_assert(sizeof(BitmapInfo) == 1068);

using DisplayContext = int;
using DibHandle = int;

DisplayContext CreateMemoryContext();
int DeleteMemoryContext(DisplayContext context);

// Creates a top-down or bottom-up DIB section; *bits receives its pixels
// (rows padded to 4 bytes, top row first when height is negative).
DibHandle CreateDibSection(const BitmapInfo* info, void** bits);
int DeleteDib(DibHandle dib);
DibHandle SelectDib(DisplayContext context, DibHandle dib);  // previous selection

int SetDibBitsToDevice(DisplayContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                       int firstLine, int lineCount, const void* bits, const BitmapInfo* info);
int StretchDibBits(DisplayContext context, int x, int y, int width, int height, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, const void* bits, const BitmapInfo* info);

struct DibDescription {
  int width;
  int height;  // rows (positive)
  int bitCount;
  int pitch;          // bytes per row
  uint32_t masks[3];  // red, green, blue for 16 and 32 bits
  uint8_t* bits;      // top row first
};
int DescribeDib(DibHandle dib, DibDescription* out);

// Reads the DIB's top-left width x height pixels into bits laid out as info
// describes (GetDIBits); rows beyond the DIB read black. Rows written.
int GetDibBits(DibHandle dib, int width, int height, void* bits, const BitmapInfo* info);

// Test seams: what the next CreateDibSection does (0 normal, 1 fail,
// 2 succeed without pixels) and how many contexts and DIBs are alive.
void SetDibSectionFault(int fault);
int LiveDisplayObjects();

}  // namespace platform
