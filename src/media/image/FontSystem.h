#pragma once

#include <cstdint>

#include "media/image/GraphImage.h"
#include "media/image/Rect.h"
#include "media/softrender/MemImg.h"
#include "platform/fonts/Fonts.h"

// Font handles with their glyph caches, the default font, and string drawing
// and measuring. Every drawn character is rendered once into a square cell of
// the font's cache; drawing copies cells. The cache is a byte bitmap in memory
// (drawn by the 2D and software paths) or, on the 3D path, a 16-bit texture
// graph whose cells are drawn as textured quads.

constexpr int kFontSlots = 40;
constexpr int kGlyphCells = 2025;  // at most 2024 used; the one after the last carries index -1
constexpr int kGlyphMapSize = 65536;

struct GlyphCacheEntry;
struct GlyphMapSlot {
  int cached;
  GlyphCacheEntry* entry;
};

struct GlyphCacheEntry {
  uint16_t inUse;
  int16_t offsetX;
  int16_t offsetY;
  int16_t advance;
  int cellIndex;
  int16_t boxWidth;
  int16_t boxHeight;
  GlyphMapSlot* slot;
};

struct FontRecord {
  int check;
  int* deletedFlag;
  GlyphCacheEntry cells[kGlyphCells];
  GlyphMapSlot map[kGlyphMapSize];
  int cursor;
  int cellCount;
  uint8_t* cacheBitmap;
  int cachePitch;
  int cacheBitsPerPixel;
  char face[256];
  int thickness;
  int size;
  int lineHeight;
  int italic;
  int spacing;
  int cellSize;
  platform::FontHandle gdiFont;
  int type;     // bit 0 edge, bit 1 anti-alias
  int charSet;  // 0 default, 1 Shift-JIS, 2 Hangul
  int edgeSize;
  int cacheWidth, cacheHeight, cellsPerColumn;
  int textSurface;  // Surface2DHandle, -1 when none
  int textSurfaceLost;
  int ascent;
  // The texture cache (textureCache 1): the cache graph, for edged fonts its
  // right half as the edge graph, and the image one glyph is built in.
  int cacheGraph;  // GraphHandle, -1 when none
  int edgeGraph;   // GraphHandle, -1 when none
  int cacheGraphLost;
  GraphImage staging;
  int textureCache;
  // The cache graph's surfaces and their pixel generations after the glyphs
  // were last written; any other change means the glyphs are gone.
  uint64_t cacheGraphStamp;
};

struct FontTable {
  FontRecord* fonts[kFontSlots];
  int checkCounter;
};
extern FontTable gFontTable;

struct DefaultFontSettings {
  char face[128];
  int size, thickness, type, charSet, edgeSize, italic, spacing;
};
extern int gDefaultFontHandle;
extern DefaultFontSettings gDefaultFontSettings;

// Handles and queries.
int IsFontHandleValid(int handle);
FontRecord* GetFontRecord(int handle);
int QueryFontHandleSize(int handle);
int GetFontHandleInfo(char* face, int* size, int* thickness, int handle);
int SetFontCharSpacing(int spacing, int handle);
int SetFontDeleteFlagTarget(int handle, int* target);
int QueryDefaultFontHandle();
int IsDoubleByteLead(const char* byte, int charSet);

// Creation and deletion.
int CreateFontToHandle(const char* face, int size, int thickness, int typeFlags, int charSet, int edgeSize, int italic,
                       int slot, int checkNumber);
int DeleteFontHandle(int font);
int RecreateAllFonts();
int ResetFontSystem();
int StartFontSystem();
int EndFontSystem();
int EnumFontFaceNames(char* buffer, int maximum, int mode);

// The cache.
int ClearGlyphCache(int handle);
int RestoreFontCacheImages(int handle);
// entries: 3-byte character entries (lead, trail or 0, 0).
GlyphCacheEntry* RenderGlyphsToCache(int handle, int count, const uint8_t* entries);
int CacheStringGlyphs(const char* text, int length, int handle, uint8_t* entriesOut, int* countOut);

// The default font.
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontType(int type);
int SetDefaultFontFace(const char* face, int charSet);
int SetDefaultFontMetrics(int size, int thickness);
int SyncDefaultFont();

// String drawing and measuring. The colour a text or edge colour is drawn
// in under the current tint.
int TintTextColor(int color);
// mode 1 draws into target within clip (a texture font draws through the 3D
// path and needs no target), any other measures; returns the advance width.
// The scales apply to texture fonts only: when measuring, or drawing with
// scaled set. sizeOut: {width, line height}, swapped for vertical text.
int ProcessFontString(int mode, int x, int y, int scaled, double xScale, double yScale, const char* text, int color,
                      MEMIMG* target, const Rect* clip, int transparent, int font, int edgeColor, int length,
                      int vertical, int* sizeOut);
int MeasureTextWithFont(const char* text, int length, int font, int vertical);
// Strings of texture fonts on the 3D path; other fonts go to the 2D path.
int PutFontString3D(int x, int y, const char* text, int color, int font, int edgeColor, int vertical);
int PutFontStringScaled3D(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                          int edgeColor, int vertical);
int MeasureTextDefaultFont(const char* text, int length, int vertical);
int DrawTextWithFont(int x, int y, const char* text, int color, int font, int edgeColor, int vertical);
int DrawScaledTextWithFont(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                           int edgeColor, int vertical);
int DrawTextDefaultFont(int x, int y, const char* text, int color, int edgeColor);
int DrawTextFormatted(int x, int y, int color, const char* format, ...) __attribute__((format(printf, 4, 5)));
