#pragma once

#include <cstdint>

#include "media/image/FontSystem.h"

// The texture glyph cache of fonts on the 3D path: whether a font gets one,
// its cache graph with the edge graph, glyph storage through the staging
// image, and drawing one cached glyph as textured quads.

// Whether (dx, dy) from a glyph pixel lies in the edge of the given size.
bool IsFontEdgeNeighbour(int edge, int dx, int dy);

// Calls put(cx, cy, g) for every edge pixel (cx, cy) inside width x height
// around each glyph pixel of coverage g > 0; glyph pixel (x, y) sits at
// (x + edge, y + edge). level(x, y) gives the coverage of a w x h glyph box.
template <class Level, class Put>
void ForEachFontEdgePixel(int edge, int w, int h, int width, int height, Level level, Put put) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int g = level(x, y);
      if (g == 0) continue;
      for (int dy = -edge; dy <= edge; ++dy)
        for (int dx = -edge; dx <= edge; ++dx) {
          if (!IsFontEdgeNeighbour(edge, dx, dy)) continue;
          const int cx = x + edge + dx, cy = y + edge + dy;
          if (cx < 0 || cy < 0 || cx >= width || cy >= height) continue;
          put(cx, cy, g);
        }
    }
}

// 1 when fonts created now get a texture cache.
int FontTextureCacheUsable();
// Sizes the cache graph, makes it and the staging image. 0 done, 1 the graph
// could not be made (logged; the font keeps a memory cache), -1 no staging
// memory (logged).
int SetUpFontTextureCache(FontRecord* r, int handle);
// Makes a lost cache graph again and empties the glyph cache when the cache
// graph's pixels changed behind the font's back; -1 when it cannot be made.
int RestoreFontCacheGraph(FontRecord* r, int handle);
void ReleaseFontCacheGraph(FontRecord* r);
// One rendered glyph (GetGlyphOutline bits of the font's format) into its cell.
void StoreGlyphTexture(FontRecord* r, const GlyphCacheEntry* cell, const uint8_t* glyph, int pitch, int boxWidth,
                       int boxHeight, int format);

// One glyph of a string at pen position pen (already scaled) through the
// cache graph; colours are 0xRRGGBB as drawn.
struct TextureGlyphDraw {
  int x, y;
  double pen;
  bool scaled;
  double xScale, yScale;
  bool vertical;
  int textRgb, edgeRgb;
};
void DrawTextureGlyph(const FontRecord* f, const GlyphCacheEntry* cell, const TextureGlyphDraw& d);
