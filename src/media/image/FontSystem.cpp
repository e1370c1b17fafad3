// Font handles, their glyph caches and the default font.
#include "media/image/FontSystem.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/Log.h"
#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/FontText.h"
#include "media/image/FontTexture.h"
#include "media/system/LibrarySystem.h"

FontTable gFontTable;
int gDefaultFontHandle = -1;
DefaultFontSettings gDefaultFontSettings;

namespace {

constexpr int kFontHandleType = 4;
constexpr int kMaxCells = 2024;
constexpr int kCheckLimit = 2048;

int EffectiveCharSet(int code) { return code == -1 ? 1 : code; }

int GdiCharSet(int code) {
  switch (code) {
    case 1: return platform::kShiftJisCharset;
    case 2: return platform::kHangulCharset;
    default: return platform::kDefaultCharset;
  }
}

bool GraphicsRefused() { return IsDirectDrawUsed() != 0 && GetDirectDrawObject() == nullptr; }

// Edge neighbourhoods for edge sizes 2-4 (rows of the (2e+1) square).
const char* const kEdgeMask2[] = {".###.", "#####", "#####", "#####", ".###."};
const char* const kEdgeMask3[] = {"...#...", ".#####.", ".#####.", "#######", ".#####.", ".#####.", "...#..."};
const char* const kEdgeMask4[] = {"..#####..", ".#######.", "#########", "#########", "#########",
                                  "#########", "#########", ".#######.", "..#####.."};

}  // namespace

bool IsFontEdgeNeighbour(int edge, int dx, int dy) {
  if (edge == 1) return (dx == 0) != (dy == 0) && std::abs(dx) + std::abs(dy) == 1;
  if (edge > 4) return true;
  const char* const* rows = edge == 2 ? kEdgeMask2 : edge == 3 ? kEdgeMask3 : kEdgeMask4;
  return rows[dy + edge][dx + edge] == '#';
}

namespace {

void ReleaseRecord(int slot) {
  FontRecord* r = gFontTable.fonts[slot];
  if (r == nullptr) return;
  if (r->gdiFont != 0) platform::DeleteFont(r->gdiFont);
  if (r->cacheBitmap != nullptr) TrackedFree(r->cacheBitmap);
  if (r->textSurface != -1) {
    // The view writes its lost flag when it goes; the record is still alive.
    RemoveSurface2D(r->textSurface);
  }
  ReleaseFontCacheGraph(r);
  if (r->deletedFlag != nullptr) *r->deletedFlag = 1;
  TrackedFree(r);
  gFontTable.fonts[slot] = nullptr;
}

// One glyph into its cell of the memory cache.
void StoreGlyph(FontRecord* r, GlyphCacheEntry* cell, const uint8_t* glyph, int pitch, int boxW, int boxH, int format) {
  const int cs = r->cellSize;
  uint8_t* base = r->cacheBitmap + static_cast<ptrdiff_t>(cell->cellIndex) * cs * r->cachePitch;
  const int e = (r->type & 1) != 0 ? r->edgeSize : 0;
  auto level = [&](int x, int y) -> int {  // 0-16 (bitmap: 0 or 16)
    const uint8_t* row = glyph + static_cast<ptrdiff_t>(y) * pitch;
    if (format == platform::kGlyphBitmap) return (row[x >> 3] >> (7 - (x & 7))) & 1 ? 16 : 0;
    return row[x];
  };
  // Glyph, edge and italic pixels are kept inside the cell.
  const int w = std::min(boxW, cs - e), h = std::min(boxH, cs - e);
  if (r->type == 0) {
    const int bytes = std::min(pitch, r->cachePitch);
    for (int y = 0; y < h; ++y) {
      uint8_t* dst = base + static_cast<ptrdiff_t>(y) * r->cachePitch;
      std::memcpy(dst, glyph + static_cast<ptrdiff_t>(y) * pitch, static_cast<size_t>(bytes));
      // Bits past the cell's width would belong to nothing; clear them.
      for (int x = w; x < bytes * 8; ++x) dst[x >> 3] = static_cast<uint8_t>(dst[x >> 3] & ~(0x80 >> (x & 7)));
    }
    return;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int g = level(x, y);
      if (g == 0) continue;
      uint8_t* p = base + static_cast<ptrdiff_t>(y + e) * r->cachePitch + (x + e);
      if (r->type == 1) *p = 1;
      else if (r->type == 2) *p = static_cast<uint8_t>(g - 1);
      else *p = static_cast<uint8_t>((*p & 0xF0) | (g - 1));
    }
  if ((r->type & 1) == 0) return;
  ForEachFontEdgePixel(e, w, h, cs, cs, level, [&](int cx, int cy, int g) {
    uint8_t* p = base + static_cast<ptrdiff_t>(cy) * r->cachePitch + cx;
    if (r->type == 1) {
      if (*p != 1) *p = 2;
    } else if ((*p >> 4) < g - 1) {
      *p = static_cast<uint8_t>(((g - 1) << 4) | (*p & 0x0F));
    }
  });
}

// Every cell in order and free, the cursor on the first; map and cells
// already zero.
void LinkEmptyCells(FontRecord* r) {
  for (int i = 0; i < r->cellCount; ++i) r->cells[i].cellIndex = i;
  r->cells[r->cellCount].cellIndex = -1;
  r->cursor = 0;
}

}  // namespace

// --- Handles and queries ---------------------------------------------------------------

FontRecord* GetFontRecord(int handle) {
  if (handle < 0 || ((handle >> 27) & 0xF) != kFontHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kFontSlots) return nullptr;
  FontRecord* r = gFontTable.fonts[slot];
  if (r == nullptr || r->check != ((handle >> 16) & 0x7FF)) return nullptr;
  return r;
}

int IsFontHandleValid(int handle) { return GetFontRecord(handle) != nullptr ? 1 : 0; }

int QueryFontHandleSize(int handle) {
  const FontRecord* r = GetFontRecord(handle);
  return r != nullptr ? r->size : -1;
}

int GetFontHandleInfo(char* face, int* size, int* thickness, int handle) {
  const FontRecord* r = GetFontRecord(handle);
  if (r == nullptr) return -1;
  if (face != nullptr) std::memcpy(face, r->face, std::strlen(r->face) + 1);
  if (size != nullptr) *size = r->size;
  if (thickness != nullptr) *thickness = r->thickness;
  return 0;
}

int SetFontCharSpacing(int spacing, int handle) {
  FontRecord* r = GetFontRecord(handle);
  if (r == nullptr) return -1;
  r->spacing = spacing;
  return 0;
}

int SetFontDeleteFlagTarget(int handle, int* target) {
  FontRecord* r = GetFontRecord(handle);
  if (r == nullptr) return -1;
  r->deletedFlag = target;
  if (target != nullptr) *target = 0;
  return 0;
}

int QueryDefaultFontHandle() { return gDefaultFontHandle; }

int IsDoubleByteLead(const char* byte, int charSet) {
  const auto b = static_cast<unsigned char>(*byte);
  if (charSet == 2) return (b & 0x80) != 0 ? 1 : 0;
  return IsDoubleByteLead(b) ? 1 : 0;
}

// --- Creation and deletion ----------------------------------------------------------------

int CreateFontToHandle(const char* face, int size, int thickness, int typeFlags, int charSet, int edgeSize, int italic,
                       int slot, int checkNumber) {
  if (GraphicsRefused()) return -1;
  if (size == -1) size = 16;
  if (thickness == -1) thickness = 6;
  if (typeFlags == -1) typeFlags = 0;
  if (edgeSize == -1) edgeSize = 1;
  charSet = EffectiveCharSet(charSet);
  // Only the four types and three character sets exist.
  if (typeFlags < 0 || typeFlags > 3 || charSet < 0 || charSet > 2 || size <= 0 || edgeSize < 0) return -1;
  if (edgeSize > 1) typeFlags |= 1;
  FontTable& t = gFontTable;
  if (slot == -1) {
    slot = 0;
    while (slot < kFontSlots && t.fonts[slot] != nullptr) ++slot;
    if (slot == kFontSlots) {
      LogWriteFormat(kTxtFontLimit, kFontSlots);
      return -1;
    }
  } else if (slot < 0 || slot >= kFontSlots || t.fonts[slot] != nullptr) {
    return -1;
  }
  auto* r = static_cast<FontRecord*>(TrackedAllocZeroed(sizeof(FontRecord), __FILE__, __LINE__));
  if (r == nullptr) {
    LogWrite(kTxtFontMemory);
    return -1;
  }
  t.fonts[slot] = r;
  r->textSurface = -1;
  r->cacheGraph = -1;
  r->edgeGraph = -1;
  if (GetScreenColorDepth() == 8) typeFlags &= ~2;
  r->edgeSize = edgeSize;
  r->type = typeFlags;
  r->size = size;
  r->thickness = thickness;
  r->italic = italic;
  r->spacing = 0;
  if (checkNumber >= 0) {
    r->check = checkNumber & 0x7FF;
  } else {
    r->check = t.checkCounter;
    t.checkCounter = (t.checkCounter + 1) % kCheckLimit;
  }
  // Face names are kept whole or refused; never cut mid-character.
  if (face != nullptr && std::strlen(face) >= sizeof r->face) {
    ReleaseRecord(slot);
    LogWrite(kTxtNamedFontFailed);
    return -1;
  }
  if (face != nullptr) std::memcpy(r->face, face, std::strlen(face) + 1);
  const std::string name = r->face[0] != '\0' ? std::string(r->face) : std::string(kTxtDefaultFace);
  r->gdiFont = platform::CreateFontCp932(name, size, thickness * 100, italic != 0, GdiCharSet(charSet));
  if (r->gdiFont == 0) {
    ReleaseRecord(slot);
    LogWrite(r->face[0] != '\0' ? kTxtNamedFontFailed : kTxtFontFailed);
    return -1;
  }
  platform::FontTextMetrics tm;
  platform::GetFontTextMetrics(r->gdiFont, &tm);
  r->ascent = tm.ascent;
  const bool edged = (typeFlags & 1) != 0;
  int cellWidth = tm.maxCharWidth + 2 + (edged ? 2 * edgeSize : 0);
  cellWidth = (cellWidth + 7) / 8 * 8;
  r->lineHeight = tm.height + (edged ? 2 * edgeSize : 0);
  if ((r->lineHeight & 1) != 0) ++r->lineHeight;
  r->cellSize = std::max(cellWidth, r->lineHeight);
  const int handle = slot | ((r->check | (kFontHandleType << 11)) << 16);
  r->textureCache = FontTextureCacheUsable();
  if (r->textureCache != 0 && SetUpFontTextureCache(r, handle) < 0) {
    ReleaseRecord(slot);
    return -1;
  }
  if (r->textureCache == 0) {
    // The memory cache: one cell wide, its cells stacked downward.
    r->cacheBitsPerPixel = typeFlags == 0 ? 1 : 8;
    const int cs = r->cellSize;
    r->cellCount = std::clamp(327680 / (cs * cs), 20, kMaxCells);
    r->cacheWidth = cs;
    r->cacheHeight = r->cellCount * cs;
    r->cellsPerColumn = r->cellCount;
    r->cachePitch = (cs * r->cacheBitsPerPixel + 7) / 8;
    r->cacheBitmap = static_cast<uint8_t*>(
        TrackedAlloc(static_cast<size_t>(r->cachePitch) * static_cast<size_t>(r->cacheHeight), __FILE__, __LINE__));
    if (r->cacheBitmap == nullptr) {
      ReleaseRecord(slot);
      LogWrite(kTxtCacheMemory);
      return -1;
    }
    r->textSurfaceLost = 1;
    if (RestoreFontCacheImages(handle) < 0) {
      ReleaseRecord(slot);
      LogWrite(kTxtTextSurfaceFailed);
      return -1;
    }
  }
  LinkEmptyCells(r);  // the record is fresh zeros: map and cells are already empty
  r->charSet = charSet;
  r->deletedFlag = nullptr;
  return handle;
}

int DeleteFontHandle(int font) {
  if (GetFontRecord(font) == nullptr) return -1;
  ReleaseRecord(font & 0xFFFF);
  return 0;
}

int RecreateAllFonts() {
  for (int slot = 0; slot < kFontSlots; ++slot) {
    FontRecord* r = gFontTable.fonts[slot];
    if (r == nullptr) continue;
    const std::string face = r->face;
    const int check = r->check, size = r->size, thickness = r->thickness, type = r->type, charSet = r->charSet,
              edge = r->edgeSize, italic = r->italic, spacing = r->spacing;
    DeleteFontHandle(slot | ((check | (kFontHandleType << 11)) << 16));
    const int handle = CreateFontToHandle(face.c_str(), size, thickness, type, charSet, edge, italic, slot, check);
    if (handle != -1) SetFontCharSpacing(spacing, handle);
  }
  return 0;
}

int ResetFontSystem() {
  if (GraphicsRefused()) return -1;
  LogWrite(kTxtFontResetStart);
  LogIndentIn();
  std::string face;
  int size = 16, thickness = 6, type = -1, charSet = -1, edge = -1, italic = 0;
  if (const FontRecord* r = GetFontRecord(gDefaultFontHandle)) {
    face = r->face;
    size = r->size;
    thickness = r->thickness;
    type = r->type;
    charSet = r->charSet;
    edge = r->edgeSize;
    italic = r->italic;
  }
  for (int slot = 0; slot < kFontSlots; ++slot) ReleaseRecord(slot);
  gDefaultFontHandle = CreateFontToHandle(face.c_str(), size, thickness, type, charSet, edge, italic, -1, -1);
  LogIndentOut();
  LogWrite(kTxtFontResetDone);
  return 0;
}

int StartFontSystem() {
  std::memset(&gFontTable, 0, sizeof gFontTable);
  gDefaultFontHandle = -1;
  gDefaultFontSettings = DefaultFontSettings{};
  gDefaultFontSettings.size = 16;
  gDefaultFontSettings.thickness = 6;
  gDefaultFontSettings.type = 0;
  gDefaultFontSettings.charSet = 1;
  gDefaultFontSettings.edgeSize = 1;
  ResetFontSystem();
  return 0;
}

int EndFontSystem() {
  ResetFontSystem();
  DeleteFontHandle(gDefaultFontHandle);
  gDefaultFontHandle = -1;
  return 0;
}

int EnumFontFaceNames(char* buffer, int maximum, int mode) {
  constexpr int kTemporaryNames = 4096;
  constexpr int kNameBytes = 64;
  if (mode != 0 && mode != 1) return 0;
  std::string temporary;
  char* out = buffer;
  int limit = maximum > 0 ? maximum : (buffer != nullptr ? 0x7FFFFFFF : kTemporaryNames);
  if (buffer == nullptr) {
    temporary.assign(static_cast<size_t>(kTemporaryNames) * kNameBytes, '\0');
    out = temporary.data();
    limit = std::min(limit, kTemporaryNames);
  }
  int count = 0;
  for (const platform::FontFaceInfo& face : platform::EnumerateFontFaces()) {
    if (count >= limit) break;
    const std::string& name = face.fullName;
    if (!name.empty() && name[0] == '@') continue;
    if (mode == 1 && (!face.trueType || face.script != kTxtJapaneseScript)) continue;
    // Names longer than an entry cannot be listed whole.
    if (name.size() >= static_cast<size_t>(kNameBytes)) continue;
    bool seen = false;
    for (int i = 0; i < count && !seen; ++i) seen = std::strcmp(out + ptrdiff_t{i} * kNameBytes, name.c_str()) == 0;
    if (seen) continue;
    std::memcpy(out + static_cast<ptrdiff_t>(count) * kNameBytes, name.c_str(), name.size() + 1);
    ++count;
  }
  return count;
}

// --- The cache ----------------------------------------------------------------------------

int ClearGlyphCache(int handle) {
  FontRecord* r = GetFontRecord(handle);
  if (r == nullptr) return -1;
  std::memset(r->map, 0, sizeof r->map);
  std::memset(r->cells, 0, sizeof r->cells);
  LinkEmptyCells(r);
  return 0;
}

int RestoreFontCacheImages(int handle) {
  FontRecord* r = GetFontRecord(handle);
  if (r == nullptr) return -1;
  if (r->textSurfaceLost != 0) {
    r->textSurfaceLost = 0;
    int width = 0, height = 0;
    QueryScreenSize(&width, &height);
    GraphFormatRequest request{};
    request.alphaChannel = (r->type & 2) != 0 ? 1 : 0;
    request.systemMemory = 1;
    request.colorDepth = static_cast<uint8_t>(GetScreenColorDepth());
    r->textSurface = AddSurface2D(width, height, 0, 0, -1, -1, 0, 0, request);
    if (r->textSurface == -1) return -1;
    GetSurface2DRecord(r->textSurface)->lostFlag = &r->textSurfaceLost;
  }
  if (r->textureCache != 0 && RestoreFontCacheGraph(r, handle) < 0) return -1;
  return 0;
}

GlyphCacheEntry* RenderGlyphsToCache(int handle, int count, const uint8_t* entries) {
  if (GraphicsRefused()) return nullptr;
  FontRecord* r = GetFontRecord(handle);
  if (r == nullptr) return nullptr;
  const int format = (r->type & 2) != 0 ? platform::kGlyphGray4 : platform::kGlyphBitmap;
  const int e = (r->type & 1) != 0 ? r->edgeSize : 0;
  std::string glyph;
  GlyphCacheEntry* last = nullptr;
  for (int i = 0; i < count; ++i) {
    const uint8_t lead = entries[ptrdiff_t{i} * 3], trail = entries[ptrdiff_t{i} * 3 + 1];
    const int key = lead | trail << 8;
    GlyphCacheEntry* cell = &r->cells[r->cursor];
    if (cell->inUse != 0 && cell->slot != nullptr) {
      cell->slot->cached = 0;
      cell->slot->entry = nullptr;
    }
    GlyphMapSlot* slot = &r->map[key];
    slot->cached = 1;
    slot->entry = cell;
    cell->slot = slot;
    cell->inUse = 1;
    if (r->cacheBitmap != nullptr)
      std::memset(r->cacheBitmap + static_cast<ptrdiff_t>(cell->cellIndex) * r->cellSize * r->cachePitch, 0,
                  static_cast<size_t>(r->cellSize) * r->cachePitch);
    const unsigned code = trail != 0 ? static_cast<unsigned>(lead) << 8 | trail : lead;
    platform::GlyphMetrics gm;
    const int size = platform::GetGlyphOutline(r->gdiFont, code, format, &gm, nullptr, 0);
    if (size < 0) FatalLibraryError(kTxtGlyphOutlineFailed);
    const bool space = lead == 0x20 || (lead == 0x81 && trail == 0x40);
    cell->offsetX = static_cast<int16_t>(gm.originX);
    cell->offsetY = static_cast<int16_t>(r->ascent - gm.originY);
    cell->advance = static_cast<int16_t>(gm.cellIncX);
    cell->boxWidth = 0;
    cell->boxHeight = 0;
    // An empty bitmap is checked before anything is divided by its height.
    if (!space && size > 0 && gm.blackBoxX > 0 && gm.blackBoxY > 0) {
      glyph.assign(static_cast<size_t>(size), '\0');
      if (platform::GetGlyphOutline(r->gdiFont, code, format, &gm, reinterpret_cast<uint8_t*>(glyph.data()), size) < 0)
        FatalLibraryError(kTxtGlyphOutlineFailed);
      const auto* bits = reinterpret_cast<const uint8_t*>(glyph.data());
      const int glyphPitch = platform::GlyphRowPitch(format, gm.blackBoxX);
      if (r->textureCache != 0) StoreGlyphTexture(r, cell, bits, glyphPitch, gm.blackBoxX, gm.blackBoxY, format);
      else StoreGlyph(r, cell, bits, glyphPitch, gm.blackBoxX, gm.blackBoxY, format);
      cell->boxWidth = static_cast<int16_t>(std::min(gm.blackBoxX + 2 * e, r->cellSize));
      cell->boxHeight = static_cast<int16_t>(std::min(gm.blackBoxY + 2 * e, r->cellSize));
    }
    if (e > 0) cell->advance = static_cast<int16_t>(cell->advance + 2 * e);
    last = cell;
    ++r->cursor;
    if (r->cursor >= r->cellCount) r->cursor = 0;
  }
  return last;
}

int CacheStringGlyphs(const char* text, int length, int handle, uint8_t* entriesOut, int* countOut) {
  FontRecord* r = GetFontRecord(handle);
  if (r == nullptr || text == nullptr) return -1;
  int bytes = static_cast<int>(std::strlen(text));
  if (length != -1 && length < bytes) bytes = std::max(length, 0);
  static uint8_t staticList[256 * 3];
  static uint8_t staticNew[256 * 3];
  std::string ownedList, ownedNew;
  uint8_t* list = entriesOut;
  uint8_t* fresh = staticNew;
  if (bytes > 256) {
    ownedNew.assign(static_cast<size_t>(bytes) * 3, '\0');
    fresh = reinterpret_cast<uint8_t*>(ownedNew.data());
  }
  if (list == nullptr) {
    if (bytes > 256) {
      ownedList.assign(static_cast<size_t>(bytes) * 3, '\0');
      list = reinterpret_cast<uint8_t*>(ownedList.data());
    } else {
      list = staticList;
    }
  }
  int count = 0, freshCount = 0;
  for (int at = 0; at < bytes;) {
    const auto lead = static_cast<uint8_t>(text[at]);
    // A lead byte that is the last counted byte stands alone.
    const bool two = IsDoubleByteLead(text + at, r->charSet) != 0 && at + 1 < bytes;
    const uint8_t trail = two ? static_cast<uint8_t>(text[at + 1]) : 0;
    uint8_t* entry = list + ptrdiff_t{count} * 3;
    entry[0] = lead;
    entry[1] = trail;
    entry[2] = 0;
    ++count;
    GlyphMapSlot& slot = r->map[lead | trail << 8];
    if (slot.cached == 0 && freshCount < r->cellCount) {
      slot.cached = 1;
      std::memcpy(fresh + ptrdiff_t{freshCount} * 3, entry, 3);
      ++freshCount;
    }
    at += two ? 2 : 1;
  }
  for (int i = 0; i < freshCount; ++i) r->map[fresh[ptrdiff_t{i} * 3] | fresh[ptrdiff_t{i} * 3 + 1] << 8].cached = 0;
  if (freshCount > 0) RenderGlyphsToCache(handle, freshCount, fresh);
  if (countOut != nullptr) *countOut = count;
  return 0;
}

// --- The default font -----------------------------------------------------------------------

int SyncDefaultFont() {
  const DefaultFontSettings& s = gDefaultFontSettings;
  if (const FontRecord* r = GetFontRecord(gDefaultFontHandle)) {
    if (TextCompare(r->face, s.face) == 0 && r->type == s.type && r->size == s.size && r->thickness == s.thickness &&
        r->charSet == s.charSet && r->edgeSize == s.edgeSize && r->italic == s.italic)
      return 0;
  }
  DeleteFontHandle(gDefaultFontHandle);
  gDefaultFontHandle = CreateFontToHandle(s.face, s.size, s.thickness, s.type, s.charSet,
                                          (s.type & 1) != 0 ? s.edgeSize : -1, s.italic, -1, -1);
  SetFontCharSpacing(s.spacing, gDefaultFontHandle);
  return 0;
}

int SetDefaultFontSize(int size) {
  gDefaultFontSettings.size = size == -1 ? 16 : size;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontThickness(int thickness) {
  gDefaultFontSettings.thickness = thickness == -1 ? 6 : thickness;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontType(int type) {
  gDefaultFontSettings.type = type == -1 ? 0 : type;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontFace(const char* face, int charSet) {
  DefaultFontSettings& s = gDefaultFontSettings;
  // A name that does not fit is refused whole rather than cut.
  if (face == nullptr || std::strlen(face) >= sizeof s.face) s.face[0] = '\0';
  else std::memcpy(s.face, face, std::strlen(face) + 1);
  s.charSet = EffectiveCharSet(charSet);
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontMetrics(int size, int thickness) {
  if (GraphicsRefused()) return -1;
  gDefaultFontSettings.size = size == -1 ? 16 : size;
  gDefaultFontSettings.thickness = thickness == -1 ? 6 : thickness;
  SyncDefaultFont();
  return 0;
}
