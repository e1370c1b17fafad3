// The texture glyph cache: glyphs are built one at a time in a 16-bit staging
// image and copied into square cells of a texture graph (white, the glyph in
// alpha; edged fonts keep the edge in the graph's right half). Strings are
// drawn cell by cell through the drawing interface, the tint giving the
// colour, so that the 3D path batches them like any other graph.
#include "media/image/FontTexture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/FontText.h"
#include "media/system/LibrarySystem.h"

namespace {

constexpr int kMaxCells = 2024;

bool Is16(const ColorFormat* f, int red, int green, int blue, int alpha) {
  return f != nullptr && f->bitDepth == 16 && f->redWidth == red && f->greenWidth == green && f->blueWidth == blue &&
         f->alphaWidth == alpha;
}

bool Edged(const FontRecord* r) { return (r->type & 1) != 0; }
bool AntiAliased(const FontRecord* r) { return (r->type & 2) != 0; }

// Surfaces and generations of every piece of a graph, folded into one value.
uint64_t CacheGraphStamp(int graph) {
  const GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return 0;
  uint64_t stamp = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    const SurfaceDataRecord* st = p != nullptr ? GetSurfaceDataRecord(p->store) : nullptr;
    const platform::SurfaceHandle surface = st != nullptr ? st->surface : 0;
    const uint64_t generation = surface != 0 ? platform::GetSurfaceGeneration(surface) : 0;
    stamp = (stamp ^ static_cast<uint64_t>(surface)) * 0x100000001B3ull;
    stamp = (stamp ^ generation) * 0x100000001B3ull;
  }
  return stamp;
}

// Copies a rectangle of the staging image to (x, y) of the cache graph,
// piece by piece.
void TransferStaging(const FontRecord* r, const Rect& source, int x, int y) {
  const GraphRecord* g = GetGraphRecord(r->cacheGraph);
  if (g == nullptr) return;
  const int width = source.right - source.left, height = source.bottom - source.top;
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    if (p == nullptr) continue;
    Rect dest{x, y, x + width, y + height};
    const Rect piece{p->x, p->y, p->x + p->width, p->y + p->height};
    ClipRectangle(&dest, &piece);
    if (dest.right <= dest.left || dest.bottom <= dest.top) continue;
    const Rect from{source.left + dest.left - x, source.top + dest.top - y, source.left + dest.right - x,
                    source.top + dest.bottom - y};
    TransferImageToTextureSet(&r->staging, nullptr, from, p->u + dest.left - p->x, p->v + dest.top - p->y,
                              g->storage[i], 0, 0);
  }
}

// The staging pixel of a glyph level 0..16: white with the level in alpha
// (a one-bit alpha is set from level 9).
uint16_t StagingPixel(const ColorFormat& f, int level) {
  uint32_t pixel = f.redMask | f.greenMask | f.blueMask;
  if (level > 0) {
    const int shift = f.alphaShift + f.alphaWidth - 4;
    const uint32_t bits = shift >= 0 ? (static_cast<uint32_t>(level) << shift) - 1 : 0xFFFFFFFFu;
    pixel |= bits & f.alphaMask;
  }
  return static_cast<uint16_t>(pixel);
}

}  // namespace

int FontTextureCacheUsable() {
  if (gDrawState.newGraphUse3D == 0 || gGraphManager.direct3DUsable == 0 || IsSoftwareRendering() != 0) return 0;
  if (IsDirect3DStarted() == 0) return 0;
  return Is16(ChooseTextureFormat(1, 0, 0, 0), 4, 4, 4, 4) && Is16(ChooseTextureFormat(0, 1, 0, 0), 5, 5, 5, 1) ? 1 : 0;
}

int SetUpFontTextureCache(FontRecord* r, int handle) {
  const int cs = r->cellSize;
  int width = 512, height = 512;
  int count = (width / cs) * (height / cs);
  // Large cells widen the graph until ten fit; a cell beyond any graph size fails below.
  while (count < 10 && width <= 65536 && height <= 65536) {
    if (width > height) height *= 2;
    else width *= 2;
    count = (width / cs) * (height / cs);
  }
  r->cellCount = std::min(count, kMaxCells);
  r->cacheWidth = width;
  r->cacheHeight = height;
  r->cellsPerColumn = height / cs;
  r->cacheGraphLost = 1;
  if (count < 10 || RestoreFontCacheImages(handle) < 0) {
    LogWrite(kTxtTextureCacheFailed);
    ReleaseFontCacheGraph(r);
    r->textureCache = 0;
    r->cacheGraphLost = 0;
    return 1;
  }
  const bool aa = AntiAliased(r);
  const ColorFormat* format = ChooseTextureFormat(aa ? 1 : 0, aa ? 0 : 1, 0, 0);
  GraphImage& s = r->staging;
  s.format = *format;
  s.width = cs * (Edged(r) ? 2 : 1);
  s.height = cs + (Edged(r) ? 2 * r->edgeSize : 0);
  s.pitch = format->bytesPerPixel * s.width;
  s.pixels = static_cast<uint8_t*>(
      TrackedAllocZeroed(static_cast<size_t>(s.pitch) * static_cast<size_t>(s.height), __FILE__, __LINE__));
  if (s.pixels == nullptr) {
    LogWrite(kTxtStagingMemory);
    return -1;
  }
  return 0;
}

int RestoreFontCacheGraph(FontRecord* r, int handle) {
  if (r->cacheGraphLost != 0) {
    r->cacheGraphLost = 0;
    // Whatever is left of an earlier cache graph goes first.
    ReleaseGraph(r->edgeGraph, 0);
    ReleaseGraph(r->cacheGraph, 0);
    r->edgeGraph = -1;
    r->cacheGraph = -1;
    DrawState& d = gDrawState;
    const int alpha = d.newGraphAlphaChannel, depth = d.newGraphColorDepth, key = d.newGraphTransColorFlag,
              use3D = d.newGraphUse3D, drawValid = d.newGraphDrawValid, asAlpha = d.newGraphLoadAsAlpha;
    const bool aa = AntiAliased(r);
    d.newGraphAlphaChannel = aa ? 1 : 0;
    d.newGraphTransColorFlag = aa ? 0 : 1;
    d.newGraphColorDepth = 16;
    d.newGraphUse3D = 1;
    // A draw-valid or alpha-load setting of the game's would give the cache a format without its alpha.
    d.newGraphDrawValid = 0;
    d.newGraphLoadAsAlpha = 0;
    const int graph = CreateBlankGraph(r->cacheWidth * (Edged(r) ? 2 : 1), r->cacheHeight, 0);
    int edge = -1;
    if (graph != -1 && Edged(r)) edge = CreateSubGraph(r->cacheWidth, 0, r->cacheWidth, r->cacheHeight, graph);
    d.newGraphAlphaChannel = alpha;
    d.newGraphColorDepth = depth;
    d.newGraphTransColorFlag = key;
    d.newGraphUse3D = use3D;
    d.newGraphDrawValid = drawValid;
    d.newGraphLoadAsAlpha = asAlpha;
    const GraphRecord* g = GetGraphRecord(graph);
    if (g == nullptr || g->request.use3D == 0 || (Edged(r) && edge == -1)) {
      ReleaseGraph(edge, 0);
      ReleaseGraph(graph, 0);
      return -1;
    }
    r->cacheGraph = graph;
    r->edgeGraph = edge;
    SetGraphLostFlag(graph, &r->cacheGraphLost);
    PaintGraph(graph, 255, 255, 255, 0);
    ClearGlyphCache(handle);
    r->cacheGraphStamp = CacheGraphStamp(graph);
    return 0;
  }
  if (r->cacheGraph == -1) return 0;
  // Lost surfaces are restored; restored or remade textures no longer hold the glyphs.
  RestoreGraphIfLost(r->cacheGraph);
  const uint64_t stamp = CacheGraphStamp(r->cacheGraph);
  if (stamp != r->cacheGraphStamp) {
    PaintGraph(r->cacheGraph, 255, 255, 255, 0);
    ClearGlyphCache(handle);
    r->cacheGraphStamp = CacheGraphStamp(r->cacheGraph);
  }
  return 0;
}

void ReleaseFontCacheGraph(FontRecord* r) {
  ReleaseGraph(r->edgeGraph, 0);
  ReleaseGraph(r->cacheGraph, 0);
  r->edgeGraph = -1;
  r->cacheGraph = -1;
  if (r->staging.pixels != nullptr) TrackedFree(r->staging.pixels);
  r->staging.pixels = nullptr;
}

void StoreGlyphTexture(FontRecord* r, const GlyphCacheEntry* cell, const uint8_t* glyph, int pitch, int boxWidth,
                       int boxHeight, int format) {
  GraphImage& s = r->staging;
  if (s.pixels == nullptr) return;
  const int cs = r->cellSize;
  const bool edged = Edged(r);
  const int e = edged ? r->edgeSize : 0;
  // Levels 0..16 of the glyph (left half) and of its edge (right half).
  const int half = cs, rows = s.height;
  std::vector<uint8_t> body(static_cast<size_t>(half) * rows, 0), edge;
  if (edged) edge.assign(body.size(), 0);
  auto level = [&](int x, int y) -> int {
    const uint8_t* row = glyph + static_cast<ptrdiff_t>(y) * pitch;
    if (format == platform::kGlyphBitmap) return ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? 16 : 0;
    return std::min<int>(row[x], 16);
  };
  const int w = std::min(boxWidth, half - e), h = std::min(boxHeight, rows - e);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) body[static_cast<size_t>(y + e) * half + (x + e)] = static_cast<uint8_t>(level(x, y));
  if (edged) {
    ForEachFontEdgePixel(e, w, h, half, rows, level, [&](int cx, int cy, int g) {
      uint8_t& u = edge[static_cast<size_t>(cy) * half + cx];
      u = static_cast<uint8_t>((256 - (16 - u) * (16 - g)) >> 4);
    });
    // The one-bit edge lies only where the glyph is not, as in the memory cache.
    if (r->type == 1)
      for (size_t i = 0; i < edge.size(); ++i)
        if (body[i] != 0) edge[i] = 0;
  }
  for (int y = 0; y < rows; ++y) {
    auto* out = reinterpret_cast<uint16_t*>(s.pixels + static_cast<ptrdiff_t>(y) * s.pitch);
    for (int x = 0; x < half; ++x) {
      out[x] = StagingPixel(s.format, body[static_cast<size_t>(y) * half + x]);
      if (edged) out[half + x] = StagingPixel(s.format, edge[static_cast<size_t>(y) * half + x]);
    }
  }
  // Whole cells are copied so that no pixel of an earlier glyph stays beside the box.
  const int cellX = (cell->cellIndex / r->cellsPerColumn) * cs, cellY = (cell->cellIndex % r->cellsPerColumn) * cs;
  TransferStaging(r, Rect{0, 0, cs, cs}, cellX, cellY);
  if (edged) TransferStaging(r, Rect{cs, 0, 2 * cs, cs}, cellX + r->cacheWidth, cellY);
  r->cacheGraphStamp = CacheGraphStamp(r->cacheGraph);
}

namespace {

// The graph's corners for PutGraphFourCorners: top-left, top-right, bottom-right, bottom-left.
void FourCorners(const float* c, int graph) {
  PutGraphFourCorners(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], graph, 1);
}

// A graph turned a quarter clockwise: its top edge runs down from (right, top)
// for `along` pixels and its left edge runs left for `across` pixels.
void TurnedFourCorners(float right, float top, float along, float across, int graph) {
  const float c[8] = {right, top, right, top + along, right - across, top + along, right - across, top};
  FourCorners(c, graph);
}

// Runs draw with the clip area cut to the rectangle; the clip area is put back.
template <class Draw>
void WithClip(Rect cut, Draw draw) {
  const Rect saved = gDrawState.drawArea;
  ClipRectangle(&cut, &saved);
  SetClipArea(cut.left, cut.top, cut.right, cut.bottom);
  if (gDrawState.emptyDrawArea == 0) draw();
  SetClipArea(saved.left, saved.top, saved.right, saved.bottom);
}

}  // namespace

void DrawTextureGlyph(const FontRecord* f, const GlyphCacheEntry* cell, const TextureGlyphDraw& d) {
  DrawState& ds = gDrawState;
  const int blendGraph = ds.blendGraph, border = ds.borderParameter, range = ds.borderRange;
  const auto tint = static_cast<int>(ds.tint);
  const int mode = ds.blendMode, parameter = ds.blendParameter;
  SelectBlendGraph(-1, 0, 0);
  // White glyphs under a tint cannot show these two modes as text in a colour
  // shows them: multiply would darken the whole box (its factors read no
  // alpha) and the inverted source would invert the white, not the colour.
  // Their equivalents for a coloured glyph: multiply faded by the glyph's
  // alpha, and alpha blending of the inverted colour.
  int invert = 0;
  if (mode == kBlendMultiply) {
    SetBlendState(kBlendMultiplyWeighted, 255);
  } else if (mode == kBlendInvertedSource) {
    SetBlendState(kBlendAlpha, parameter);
    invert = 0xFFFFFF;
  }
  const int cs = f->cellSize;
  const int cellX = (cell->cellIndex / f->cellsPerColumn) * cs, cellY = (cell->cellIndex % f->cellsPerColumn) * cs;
  const int w = cell->boxWidth, h = cell->boxHeight, offX = cell->offsetX, offY = cell->offsetY;
  const int H = f->lineHeight;
  const int P = static_cast<int>(d.pen);
  const bool edged = (f->type & 1) != 0 && f->edgeGraph != -1;
  // The edge first, in the edge colour, then the glyph over it.
  const int graphs[2] = {f->edgeGraph, f->cacheGraph};
  const int colours[2] = {d.edgeRgb, d.textRgb};
  for (int layer = edged ? 0 : 1; layer < 2; ++layer) {
    const int graph = graphs[layer];
    SetDrawTintPacked(colours[layer] ^ invert);
    if (!d.vertical && !d.scaled) {
      PutGraphPart(d.x + P + offX, d.y + offY, cellX, cellY, w, h, graph, 1, 0);
    } else if (!d.vertical) {
      const int x1 = d.x + static_cast<int>(offX * d.xScale + d.pen), y1 = d.y + static_cast<int>(offY * d.yScale);
      PutGraphPartStretched(x1, y1, x1 + static_cast<int>(w * d.xScale), y1 + static_cast<int>(h * d.yScale), cellX,
                            cellY, w, h, graph, 1);
    } else if (!d.scaled) {
      // The whole graph turned a quarter clockwise, cell (cellX, cellY) onto the glyph's box.
      const int X0 = d.x + H - offY, Y0 = d.y + P + offX;
      int gw = 0, gh = 0;
      QueryGraphSize(f->cacheGraph, &gw, &gh);
      if (layer == 0) gw /= 2;
      const float left = static_cast<float>(X0 + cellY) - 0.5f, top = static_cast<float>(Y0 - cellX) - 0.5f;
      WithClip(Rect{X0 - h - 1, Y0, X0 + 1, Y0 + w},
               [&] { TurnedFourCorners(left, top, static_cast<float>(gw), static_cast<float>(gh), graph); });
    } else {
      const int X0 = d.x + static_cast<int>((H - offY) * d.xScale),
                Y0 = d.y + static_cast<int>(offX * d.yScale + d.pen);
      const int sw = static_cast<int>(w * d.yScale), sh = static_cast<int>(h * d.xScale);
      const float right = static_cast<float>(X0) - 0.5f, top = static_cast<float>(Y0) - 0.5f;
      WithClip(Rect{X0 - sh - 1, Y0, X0 + 1, Y0 + sw}, [&] {
        const int part = CreateSubGraph(cellX, cellY, w, h, graph);
        if (part == -1) return;
        TurnedFourCorners(right, top, static_cast<float>(sw), static_cast<float>(sh), part);
        ReleaseGraph(part, 0);
      });
    }
  }
  SetBlendState(mode, parameter);
  SelectBlendGraph(blendGraph, border, range);
  SetDrawTintPacked(tint);
}

namespace {

int PutTextureString(int x, int y, bool scaled, double xScale, double yScale, const char* text, int color, int font,
                     int edgeColor, int vertical) {
  if (gDirect3DState.targetNotDrawable != 0) return -1;
  if (RestoreFontCacheImages(font) < 0) return -1;
  const Rect clip = gDrawState.drawArea;
  return ProcessFontString(1, x, y, scaled ? 1 : 0, xScale, yScale, text, color, nullptr, &clip, 1, font, edgeColor, -1,
                           vertical, nullptr) < 0
             ? -1
             : 0;
}

}  // namespace

int PutFontString3D(int x, int y, const char* text, int color, int font, int edgeColor, int vertical) {
  const FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return -1;
  if (f->textureCache == 0) return PutFontString2D(x, y, text, color, font, edgeColor, vertical);
  return PutTextureString(x, y, false, 1.0, 1.0, text, color, font, edgeColor, vertical);
}

int PutFontStringScaled3D(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                          int edgeColor, int vertical) {
  const FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return -1;
  if (f->textureCache == 0) return PutFontStringScaled2D(x, y, xScale, yScale, text, color, font, edgeColor, vertical);
  return PutTextureString(x, y, true, xScale, yScale, text, color, font, edgeColor, vertical);
}
