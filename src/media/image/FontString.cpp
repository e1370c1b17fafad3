// Laying out Shift-JIS strings in a font: measuring them, and drawing them
// from the font's glyph cache into a software image or, for texture fonts,
// through the 3D path.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/FontSystem.h"
#include "media/image/FontText.h"
#include "media/image/FontTexture.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"

// The colour as drawn: each channel times the tint, with the bits PackColor
// sets for black cleared.
int TintTextColor(int color) {
  int r = 0, g = 0, b = 0;
  UnpackColor(color, &r, &g, &b);
  const uint32_t tint = gDrawState.tint;
  r = r * static_cast<int>((tint >> 16) & 0xFF) / 255;
  g = g * static_cast<int>((tint >> 8) & 0xFF) / 255;
  b = b * static_cast<int>(tint & 0xFF) / 255;
  return PackColor(r, g, b) & ~PackColor(0, 0, 0);
}

namespace {

struct Channels {
  int r, g, b;
};
Channels Split(uint32_t c, bool is565) {
  if (is565) return {static_cast<int>((c >> 11) & 0x1F), static_cast<int>((c >> 5) & 0x3F), static_cast<int>(c & 0x1F)};
  return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF)};
}
uint32_t Join(Channels c, bool is565) {
  if (is565) return static_cast<uint32_t>(c.r << 11 | c.g << 5 | c.b);
  return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
}

// The edged anti-aliased pixel: glyph level g over edge level e (both 0-15).
void MixEdged(int g, int e, uint32_t text, uint32_t edge, bool is565, uint32_t* color, int* alpha) {
  if (g == 15) {
    *color = text;
    *alpha = 255;
    return;
  }
  if (g == 0) {
    *color = edge;
    *alpha = 16 * e;
    return;
  }
  const int a = (15 - g) * e + 16 * g;
  const int t = (g * 4096) / a;
  const Channels tc = Split(text, is565), ec = Split(edge, is565);
  // Floor division toward minus infinity for a negative difference.
  auto mix = [t](int ts, int es) {
    const int d = (ts - es) * t;
    return es + (d >= 0 ? d / 256 : -((-d + 255) / 256));
  };
  *color = Join({mix(tc.r, ec.r), mix(tc.g, ec.g), mix(tc.b, ec.b)}, is565);
  *alpha = a;
}

// One glyph of the memory cache into the target, clipped.
void DrawGlyph(const FontRecord* f, const GlyphCacheEntry* cell, MEMIMG* target, const Rect& clip, int x0, int y0,
               bool vertical, uint32_t text, uint32_t edge, int depth) {
  const int w = cell->boxWidth, h = cell->boxHeight;
  // Destination box.
  Rect box = vertical ? Rect{x0 - h, y0, x0, y0 + w} : Rect{x0, y0, x0 + w, y0 + h};
  Rect cut = box;
  ClipRectangle(&cut, &clip);
  if (cut.left >= cut.right || cut.top >= cut.bottom) return;
  const uint8_t* cellBase = f->cacheBitmap + static_cast<ptrdiff_t>(cell->cellIndex) * f->cellSize * f->cachePitch;
  const int unit = MemImgUnit(target);
  const int pitch = target->base->pitch;
  const bool is565 = depth == 16;
  const int type = f->type;
  for (int dy = cut.top; dy < cut.bottom; ++dy) {
    uint8_t* row = target->pixels + static_cast<ptrdiff_t>(dy) * pitch;
    for (int dx = cut.left; dx < cut.right; ++dx) {
      // Glyph column k and row r of the cell.
      const int k = vertical ? dy - y0 : dx - x0;
      const int r = vertical ? x0 - 1 - dx : dy - y0;
      const uint8_t* src = cellBase + static_cast<ptrdiff_t>(r) * f->cachePitch;
      int v;
      if (type == 0) v = (src[k >> 3] >> (7 - (k & 7))) & 1;
      else v = src[k];
      if (v == 0) continue;
      uint8_t* p = row + static_cast<ptrdiff_t>(dx) * unit;
      uint32_t color = text;
      int alpha = 255;
      if (type == 0 || type == 1) {
        color = type == 1 && v == 2 ? edge : text;
        if (type == 1 && v != 1 && v != 2) continue;
        if (depth == 8) *p = static_cast<uint8_t>(color);
        else if (depth == 16) *reinterpret_cast<uint16_t*>(p) = static_cast<uint16_t>(color);
        else *reinterpret_cast<uint32_t*>(p) = (type == 1 && v == 2) ? (color & 0xFFFFFF) : color;
        continue;
      }
      if (type == 2) {
        alpha = v * 16;
      } else {
        MixEdged(v & 0x0F, v >> 4, text, edge, is565, &color, &alpha);
        if (alpha == 0) continue;
      }
      if (depth == 16) {
        p[0] = static_cast<uint8_t>(color);
        p[1] = static_cast<uint8_t>(color >> 8);
        p[2] = static_cast<uint8_t>(alpha);
        if (unit >= 4) p[3] = 0;
      } else if (depth == 32) {
        *reinterpret_cast<uint32_t*>(p) = (color & 0xFFFFFF) | static_cast<uint32_t>(alpha) << 24;
      }
    }
  }
}

bool GraphicsRefused() { return IsDirectDrawUsed() != 0 && GetDirectDrawObject() == nullptr; }

}  // namespace

int ProcessFontString(int mode, int x, int y, int scaled, double xScale, double yScale, const char* text, int color,
                      MEMIMG* target, const Rect* clip, int transparent, int font, int edgeColor, int length,
                      int vertical, int* sizeOut) {
  (void)transparent;
  if (GraphicsRefused()) return -1;
  const FontRecord* f = GetFontRecord(font);
  if (f == nullptr) return -1;
  // Only texture fonts scale here (always when measuring); the memory path is stretched afterwards.
  if (f->textureCache == 0 || (mode == 1 && scaled == 0)) {
    xScale = 1.0;
    yScale = 1.0;
  }
  const double advanceScale = vertical != 0 ? yScale : xScale;
  const uint32_t drawnText = static_cast<uint32_t>(TintTextColor(color));
  const uint32_t drawnEdge = static_cast<uint32_t>(TintTextColor(edgeColor));
  // The texture path draws white glyphs under a tint of the drawn colour.
  auto rgb = [](uint32_t value) {
    int r = 0, g = 0, b = 0;
    UnpackColor(static_cast<int>(value), &r, &g, &b);
    return r << 16 | g << 8 | b;
  };
  TextureGlyphDraw glyph{x, y, 0.0, scaled != 0, xScale, yScale, vertical != 0, 0, 0};
  if (f->textureCache != 0 && mode == 1) {
    glyph.textRgb = rgb(drawnText);
    glyph.edgeRgb = rgb(drawnEdge);
  }
  if (text == nullptr || text[0] == '\0') {
    if (sizeOut != nullptr) {
      sizeOut[0] = vertical != 0 ? f->lineHeight : 0;
      sizeOut[1] = vertical != 0 ? 0 : f->lineHeight;
    }
    return 0;
  }
  int bytes = static_cast<int>(std::strlen(text));
  if (length != -1 && length < bytes) bytes = std::max(length, 0);
  static uint8_t staticList[256 * 3];
  std::string owned;
  uint8_t* list = staticList;
  if (bytes > 256) {
    owned.assign(static_cast<size_t>(bytes) * 3, '\0');
    list = reinterpret_cast<uint8_t*>(owned.data());
  }
  int count = 0;
  if (CacheStringGlyphs(text, bytes, font, list, &count) < 0) return -1;
  const int depth = GetScreenColorDepth();
  double pen = 0.0;
  for (int i = 0; i < count; ++i) {
    const uint8_t* entry = list + ptrdiff_t{i} * 3;
    const GlyphMapSlot& slot = f->map[entry[0] | entry[1] << 8];
    const GlyphCacheEntry* cell = slot.cached != 0 ? slot.entry : nullptr;
    if (cell == nullptr) cell = RenderGlyphsToCache(font, 1, entry);
    if (cell == nullptr) {
      LogWrite(kTxtTextCacheFailed);
      return -1;
    }
    const bool blank =
        entry[0] == 0x20 || (entry[0] == 0x81 && entry[1] == 0x40) || cell->boxWidth == 0 || cell->boxHeight == 0;
    if (mode == 1 && !blank && f->textureCache != 0) {
      glyph.pen = pen;
      DrawTextureGlyph(f, cell, glyph);
    } else if (mode == 1 && !blank && target != nullptr && clip != nullptr) {
      const int p = static_cast<int>(pen);
      if (vertical != 0)
        DrawGlyph(f, cell, target, *clip, x + f->lineHeight - cell->offsetY, y + p + cell->offsetX, true, drawnText,
                  drawnEdge, depth);
      else
        DrawGlyph(f, cell, target, *clip, x + p + cell->offsetX, y + cell->offsetY, false, drawnText, drawnEdge, depth);
    }
    pen += (cell->advance + f->spacing) * advanceScale;
  }
  const int width = static_cast<int>(pen);
  if (sizeOut != nullptr) {
    sizeOut[0] = vertical != 0 ? f->lineHeight : width;
    sizeOut[1] = vertical != 0 ? width : f->lineHeight;
  }
  return width;
}

int MeasureTextWithFont(const char* text, int length, int font, int vertical) {
  return ProcessFontString(0, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, length, vertical, nullptr);
}

int MeasureTextDefaultFont(const char* text, int length, int vertical) {
  SyncDefaultFont();
  return MeasureTextWithFont(text, length, gDefaultFontHandle, vertical);
}

namespace {

bool SoftwareFront() {
  return gScreenState.softwareRendering != 0 && gScreenState.colorDepth != 8 && gDrawState.drawTarget == -4;
}

int DrawTextBody(int x, int y, bool scaledDraw, double xScale, double yScale, const char* text, int color, int font,
                 int edgeColor, int vertical) {
  if (text == nullptr || text[0] == '\0' || gDrawState.emptyDrawArea != 0) return 0;
  if (GetFontRecord(font) == nullptr) {
    LogWrite(kTxtBadFontHandle);
    return -1;
  }
  WaitWhileInactive();
  const Rect& area = gDrawState.drawArea;
  int size = QueryFontHandleSize(font);
  if (scaledDraw) size = static_cast<int>(size * yScale);
  const Rect refresh = vertical != 0 ? Rect{x, y, x + size + 3, area.bottom} : Rect{x, y, area.right, y + size + 3};
  const bool front = SoftwareFront();
  const bool mask = gDrawState.maskActive != 0;
  const bool texture = GetFontRecord(font)->textureCache != 0;
  const bool subtract = texture && gDrawState.blendMode == kBlendSubtract;
  if ((front || mask || subtract) && refresh.left >= area.right) return 0;
  if (mask) MaskLayerBeforeDraw(refresh.left, refresh.top, refresh.right, refresh.bottom);
  if (front && gScreenState.readBack == 1) ReadBackWindowToFrontScreen();
  int result;
  if (texture) {
    // Glyphs of edged fonts reach below size + 3, and some glyphs above or
    // left of the pen: the inversions cover a band of cell sizes around the
    // text (pixels inverted twice are as they were).
    const double scale = scaledDraw ? std::max(std::fabs(xScale), std::fabs(yScale)) : 1.0;
    const int pad = static_cast<int>(GetFontRecord(font)->cellSize * scale) + 1;
    Rect band = vertical != 0 ? Rect{x - pad, y - pad, x + 2 * pad, area.bottom}
                              : Rect{x - pad, y - pad, area.right, y + 2 * pad};
    ClipRectangle(&band, &area);
    if (subtract) BeginSubtractBlend3D(band);
    result = scaledDraw ? PutFontStringScaled3D(x, y, xScale, yScale, text, color, font, edgeColor, vertical)
                        : PutFontString3D(x, y, text, color, font, edgeColor, vertical);
    if (subtract) EndSubtractBlend3D(band);
  } else {
    result = scaledDraw ? PutFontStringScaled2D(x, y, xScale, yScale, text, color, font, edgeColor, vertical)
                        : PutFontString2D(x, y, text, color, font, edgeColor, vertical);
  }
  if (mask) MaskLayerAfterDraw(refresh.left, refresh.top, refresh.right, refresh.bottom);
  if (front) PresentSoftwareFrontRect(&refresh);
  return result;
}

}  // namespace

int DrawTextWithFont(int x, int y, const char* text, int color, int font, int edgeColor, int vertical) {
  DrawCallScope scope;
  const int result = DrawTextBody(x, y, false, 1.0, 1.0, text, color, font, edgeColor, vertical);
  if (DrawCallScope::Wanted()) {
    char args[400];
    FormatText(args, sizeof args, "%d,%d,\"%.200s\",0x%X,%d,0x%X,%d", x, y, text != nullptr ? text : "",
               static_cast<unsigned>(color), font, static_cast<unsigned>(edgeColor), vertical);
    scope.Log("DrawTextWithFont", args, result);
  }
  return result;
}

int DrawScaledTextWithFont(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                           int edgeColor, int vertical) {
  DrawCallScope scope;
  const int result = DrawTextBody(x, y, true, xScale, yScale, text, color, font, edgeColor, vertical);
  if (DrawCallScope::Wanted()) {
    char args[400];
    FormatText(args, sizeof args, "%d,%d,%g,%g,\"%.200s\",0x%X,%d,0x%X,%d", x, y, xScale, yScale,
               text != nullptr ? text : "", static_cast<unsigned>(color), font, static_cast<unsigned>(edgeColor),
               vertical);
    scope.Log("DrawScaledTextWithFont", args, result);
  }
  return result;
}

int DrawTextDefaultFont(int x, int y, const char* text, int color, int edgeColor) {
  DrawCallScope scope;
  SyncDefaultFont();
  const int result = DrawTextBody(x, y, false, 1.0, 1.0, text, color, gDefaultFontHandle, edgeColor, 0);
  if (DrawCallScope::Wanted()) {
    char args[400];
    FormatText(args, sizeof args, "%d,%d,\"%.200s\",0x%X,0x%X", x, y, text != nullptr ? text : "",
               static_cast<unsigned>(color), static_cast<unsigned>(edgeColor));
    scope.Log("DrawTextDefaultFont", args, result);
  }
  return result;
}

int DrawTextFormatted(int x, int y, int color, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  // Longer output is cut on a character boundary to fit the buffer.
  const int formatted = format != nullptr ? FormatTextV(buffer, sizeof buffer, format, args) : -1;
  va_end(args);
  if (formatted < 0) return -1;
  return DrawTextDefaultFont(x, y, buffer, color, 0);
}
