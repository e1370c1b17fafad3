// Texture pieces of texture graphs: the split of a graph into power-of-two
// textures, the piece table, the texture surfaces of their pixel stores and
// the transfer of image pixels into them.
#include <algorithm>
#include <cstring>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsText.h"
#include "media/graphics/GraphicsText3D.h"
#include "media/image/ColorConvert.h"
#include "media/system/LibrarySystem.h"

namespace {

constexpr int kPieceTag = 6 << 11;
constexpr int kMaxPieces = 64;

int SlotOf(int handle) { return handle & 0xFFFF; }

void SetCornerFlags(TextureSetRecord& p, int graphWidth, int graphHeight) {
  for (int k = 0; k < 4; ++k) {
    const double x = p.corners[k].x, y = p.corners[k].y;
    const double h = graphHeight, w = graphWidth;
    p.cornerFlags[k] = (h - (h / w) * x >= y) ? 1 : 0;
  }
}

void SetCorners(TextureSetRecord& p, int textureWidth, int textureHeight) {
  const float tw = static_cast<float>(textureWidth), th = static_cast<float>(textureHeight);
  for (int k = 0; k < 4; ++k) {
    const int dx = (k & 1) != 0 ? p.width : 0, dy = (k & 2) != 0 ? p.height : 0;
    ScreenVertex& v = p.corners[k];
    v.x = static_cast<float>(p.x + dx);
    v.y = static_cast<float>(p.y + dy);
    v.z = 0.0f;
    v.rhw = 1.0f;
    v.diffuse = 0xFFFFFFFFu;
    v.u = static_cast<float>(p.u + dx) / tw;
    v.v = static_cast<float>(p.v + dy) / th;
  }
}

// A piece's texture size and its place in the graph.
struct PieceLayout {
  int textureWidth, textureHeight, x, y;
};

constexpr uint32_t kSquareOnly = 0x20;

// For devices that take only square textures: every oblong piece becomes
// squares of its shorter side; the first keeps the piece's place, the others
// follow all pieces along the longer side. Squares wholly past the graph's
// edge hold no pixels and are left out. False when the pieces outgrow the table.
bool SplitIntoSquares(PieceLayout* pieces, int* count, int graphWidth, int graphHeight) {
  const int original = *count;
  for (int k = 0; k < original; ++k) {
    PieceLayout& p = pieces[k];
    const int side = std::min(p.textureWidth, p.textureHeight);
    const bool across = p.textureWidth > p.textureHeight;
    const int squares = std::max(p.textureWidth, p.textureHeight) / side;
    for (int n = 1; n < squares; ++n) {
      const PieceLayout s{side, side, across ? p.x + n * side : p.x, across ? p.y : p.y + n * side};
      if (s.x >= graphWidth || s.y >= graphHeight) break;
      if (*count == kMaxPieces) return false;
      pieces[(*count)++] = s;
    }
    p.textureWidth = p.textureHeight = side;
  }
  return true;
}

}  // namespace

// --- The split rule --------------------------------------------------------------------------

int SplitTextureLength(int length, int* out, int capacity, int singleTexture) {
  const Direct3DState& d = gDirect3DState;
  if (length <= 0 || capacity <= 0) return -1;
  const int deviceMin = std::max(d.minTextureSize, 1), deviceMax = std::max(d.maxTextureSize, deviceMin);
  const int m = std::max(32, deviceMin);
  int L = length;
  if (L <= m) {
    int h = m;
    while (h / 2 >= L && h > deviceMin) h /= 2;
    out[0] = h;
    return 1;
  }
  int screenWidth = 640, screenHeight = 480;
  QueryScreenSize(&screenWidth, &screenHeight);
  int G = deviceMax;
  if (singleTexture == 0 && screenWidth <= deviceMax) {
    G = 8;
    while (G < screenWidth) G *= 2;
  }
  int h = G;
  while (h > L && h > m) h /= 2;
  if (2 * h <= G && (singleTexture != 0 || L < screenWidth)) {
    out[0] = h >= L ? h : 2 * h;
    return 1;
  }
  int n = 0;
  for (;;) {
    // Stopping at the output's end fails the split rather than writing past it.
    if (n == capacity) return -1;
    out[n++] = h;
    L -= h;
    if (L <= 0) break;
    if (L > 3 * h / 4 && h < G) {
      out[n - 1] = 2 * h;
      break;
    }
    while (L < h && h > m) h /= 2;
  }
  if (n >= 2 && out[n - 1] == out[n - 2] && 2 * out[n - 1] <= G) {
    out[n - 2] *= 2;
    --n;
  }
  return n;
}

int TextureFormatCode(const GraphFormatRequest& r) {
  if (r.reserved1 >= 1 && r.reserved1 <= 5) return 5 + r.reserved1;
  return SelectTextureFormatRecord(r.alphaChannel, r.drawValid, r.alphaTest, r.colorDepth == 16 ? 16 : 32);
}

// --- The piece table ----------------------------------------------------------------------------

TextureSetRecord* GetTextureSetRecord(int piece) {
  if (piece < 0 || ((piece >> 27) & 0xF) != 6 || (piece & 0x8000) != 0) return nullptr;
  TextureSetRecord* r = gDirect3DState.pieces[SlotOf(piece)];
  if (r == nullptr || r->checkNumber != ((piece >> 16) & 0x7FF)) return nullptr;
  return r;
}

int AddSurface3DData(int textureWidth, int textureHeight, int x, int y, int width, int height, int pictureX,
                     int pictureY, int owner, const TextureSetRecord* share, int u, int v,
                     const GraphFormatRequest& request) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) {
    LogWrite(kTxt3DNotStarted);
    return -1;
  }
  if (d.pieceCount == kTextureSetSlots) {
    LogWrite(kTxt3DTableFull);
    return -1;
  }
  auto* p = static_cast<TextureSetRecord*>(TrackedAllocZeroed(sizeof(TextureSetRecord), "", 0));
  if (p == nullptr) {
    LogWrite(kTxtAdd3DMemory);
    return -1;
  }
  p->x = static_cast<uint16_t>(x);
  p->y = static_cast<uint16_t>(y);
  p->width = static_cast<uint16_t>(width);
  p->height = static_cast<uint16_t>(height);
  p->owner = owner;
  int tw = textureWidth, th = textureHeight;
  if (share != nullptr) {
    SurfaceDataRecord* st = GetSurfaceDataRecord(share->store);
    if (st == nullptr) {
      TrackedFree(p);
      return -1;
    }
    ++st->referenceCount;
    p->store = share->store;
    u += share->u;
    v += share->v;
    pictureX += share->pictureX;
    pictureY += share->pictureY;
    tw = st->width;
    th = st->height;
  } else {
    p->store = AllocSurfaceData(1, textureWidth, textureHeight, gDrawState.transparentColor, request);
    if (p->store < 0) {
      TrackedFree(p);
      return -1;
    }
  }
  p->u = static_cast<uint16_t>(u);
  p->v = static_cast<uint16_t>(v);
  p->pictureX = static_cast<uint16_t>(pictureX);
  p->pictureY = static_cast<uint16_t>(pictureY);
  SetCorners(*p, tw, th);
  int slot = d.pieceNextIndex;
  if (slot >= kTextureSetSlots) {
    slot = 0;
    while (d.pieces[slot] != nullptr) ++slot;
  }
  p->checkNumber = d.pieceCheckCounter;
  d.pieceCheckCounter = d.pieceCheckCounter >= 2047 ? 0 : d.pieceCheckCounter + 1;
  d.pieces[slot] = p;
  ++d.pieceCount;
  if (slot >= d.pieceNextIndex) d.pieceNextIndex = slot + 1;
  return slot | ((p->checkNumber | kPieceTag) << 16);
}

int ReleaseTextureSet(int piece) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  TextureSetRecord* p = GetTextureSetRecord(piece);
  if (p == nullptr) return -1;
  SurfaceDataRecord* st = GetSurfaceDataRecord(p->store);
  if (st != nullptr && --st->referenceCount <= 0) FreeSurfaceData(p->store);
  --d.pieceCount;
  const int slot = SlotOf(piece);
  d.pieces[slot] = nullptr;
  if (slot == d.pieceNextIndex - 1) {
    while (d.pieceNextIndex > 0 && d.pieces[d.pieceNextIndex - 1] == nullptr) --d.pieceNextIndex;
  }
  if (p->lostFlag != nullptr) *p->lostFlag = 1;
  TrackedFree(p);
  return 0;
}

int ReleaseAllTextureSets() {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  for (int slot = d.pieceNextIndex - 1; slot >= 0; --slot) {
    const TextureSetRecord* p = d.pieces[slot];
    if (p != nullptr) ReleaseTextureSet(slot | ((p->checkNumber | kPieceTag) << 16));
  }
  return 0;
}

// --- Texture surfaces of pixel stores ------------------------------------------------------------

int CreateTextureStoreSurface(SurfaceDataRecord* r) {
  r->surfaceFormat = TextureFormatCode(r->request);
  const platform::PixelFormat* format = GetTexturePixelFormat(r->surfaceFormat);
  platform::SurfaceDescription d;
  d.width = r->width;
  d.height = r->height;
  d.caps = platform::gpu::kCapsTexture | (r->request.drawValid != 0 ? platform::kCaps3DDevice : 0u);
  d.hasPixelFormat = true;
  if (format != nullptr) d.pixelFormat = *format;
  if (format == nullptr || format->bitCount == 0 ||
      platform::CreateSurface(gScreenState.directDraw, d, &r->surface) != platform::kDdOk) {
    r->surface = 0;
    LogWrite(kTxtTextureSurfaceFailed);
    LogWriteFormat(kTxtTextureSurfaceRequest, r->request.drawValid, r->request.alphaChannel, r->request.alphaTest,
                   r->request.colorDepth);
    return -1;
  }
  platform::FillSurface(r->surface, nullptr, 0);
  if (r->depthRequest != 0) CreateSurfaceDataDepthSurface(r);
  return 0;
}

int ApplyTextureStoreColorKey(SurfaceDataRecord* r) {
  const ColorFormat* f = GetTextureColorFormat(r->surfaceFormat);
  const int key = r->transparentColor;
  const uint32_t value = EncodePixel(f, (key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF, 255);
  if (platform::SetSurfaceColorKey(r->surface, value, value) != platform::kDdOk) {
    LogWrite(kTxtTextureKeyFailed);
    return -1;
  }
  return 0;
}

// --- Graph storage -------------------------------------------------------------------------------------

int BuildTextureSetPieces(GraphRecord* g) {
  if (gDirect3DState.object == 0) return -1;
  const int single = (g->request.drawValid != 0 || g->request.loadAsAlpha != 0) ? 1 : 0;
  int widths[kMaxPieces], heights[kMaxPieces];
  const int nw = SplitTextureLength(g->width, widths, kMaxPieces, single);
  const int nh = SplitTextureLength(g->height, heights, kMaxPieces, single);
  if (nw < 0 || nh < 0 || nw * nh > kMaxPieces) {
    LogWriteFormat(kTxtTooManyPieces, kMaxPieces);
    return -1;
  }
  PieceLayout pieces[kMaxPieces];
  int count = 0;
  for (int j = 0, y = 0; j < nh; y += heights[j++])
    for (int i = 0, x = 0; i < nw; x += widths[i++]) pieces[count++] = PieceLayout{widths[i], heights[j], x, y};
  if ((gDirect3DState.description.triangleTextureCaps & kSquareOnly) != 0 &&
      !SplitIntoSquares(pieces, &count, g->width, g->height)) {
    LogWriteFormat(kTxtTooManyPieces, kMaxPieces);
    return -1;
  }
  g->storageCount = 0;
  for (int k = 0; k < count; ++k) {
    const PieceLayout& l = pieces[k];
    const int piece =
        AddSurface3DData(l.textureWidth, l.textureHeight, l.x, l.y, std::min(l.textureWidth, g->width - l.x),
                         std::min(l.textureHeight, g->height - l.y), l.x, l.y, g->handle, nullptr, 0, 0, g->request);
    if (piece < 0) {
      ReleaseGraphTextureSets(g);
      return -1;
    }
    SetCornerFlags(*GetTextureSetRecord(piece), g->width, g->height);
    g->storage[g->storageCount++] = piece;
  }
  return 0;
}

int DeriveGraphTextureSets(GraphRecord* g, int x, int y, int width, int height, GraphRecord* parent) {
  FlushCurrentDevicePrimitives();
  EndCurrentDeviceScene();
  g->storageCount = 0;
  auto add = [&](const TextureSetRecord* share, int px, int py, int w, int h, int du, int dv) {
    const int piece = AddSurface3DData(0, 0, px, py, w, h, du, dv, g->handle, share, du, dv, g->request);
    if (piece < 0) return false;
    SetCornerFlags(*GetTextureSetRecord(piece), g->width, g->height);
    g->storage[g->storageCount++] = piece;
    return true;
  };
  if (parent->storageCount == 1) {
    const TextureSetRecord* p = GetTextureSetRecord(parent->storage[0]);
    if (p == nullptr || !add(p, 0, 0, width, height, x, y)) {
      ReleaseGraphTextureSets(g);
      return -1;
    }
    return 0;
  }
  for (int i = 0; i < parent->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(parent->storage[i]);
    if (p == nullptr) continue;
    const int left = std::max(x, static_cast<int>(p->x)), top = std::max(y, static_cast<int>(p->y));
    const int right = std::min(x + width, p->x + p->width), bottom = std::min(y + height, p->y + p->height);
    if (right <= left || bottom <= top) continue;
    if (!add(p, left - x, top - y, right - left, bottom - top, left - p->x, top - p->y)) {
      ReleaseGraphTextureSets(g);
      return -1;
    }
  }
  return 0;
}

int ReleaseGraphTextureSets(GraphRecord* g) {
  for (int i = 0; i < g->storageCount; ++i) ReleaseTextureSet(g->storage[i]);
  g->storageCount = 0;
  return 0;
}

int RestoreGraphTextureSets(GraphRecord* g) {
  if (gDirect3DState.object == 0) return -1;
  int result = 0;
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    if (p == nullptr) return -1;
    result |= RestoreSurfaceDataIfLost(p->store);
  }
  return result;
}

int FillGraphTextureSets(GraphRecord* g, int red, int green, int blue, int alpha) {
  if (gDirect3DState.object == 0) return -1;
  if (gDirect3DState.targetNotDrawable != 0) return 0;
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    if (p == nullptr || FillSurfaceData(p->store, red, green, blue, alpha) < 0) return -1;
  }
  return 0;
}

// --- Pixel transfer -----------------------------------------------------------------------------------

int TransferImageToTextureSet(const GraphImage* image, const GraphImage* alphaImage, const Rect& source, int x, int y,
                              int piece, int keyToAlpha, int alphaFromRed) {
  if (gDirect3DState.object == 0) return -1;
  FlushCurrentDevicePrimitives();
  TextureSetRecord* p = GetTextureSetRecord(piece);
  if (p == nullptr) return -1;
  SurfaceDataRecord* st = GetSurfaceDataRecord(p->store);
  if (st == nullptr) return -1;
  const int width = source.right - source.left, height = source.bottom - source.top;
  if (width <= 0 || height <= 0) return 0;
  const Rect dest{x, y, x + width, y + height};
  int pitch = 0;
  uint8_t* bits = nullptr;
  const ColorFormat* format = nullptr;
  const int lock = LockSurfaceData(p->store, &pitch, &bits, 1, &dest, &format);
  if (lock == -1) FatalLibraryError(kTxtTempTextureFatal);
  const bool key = keyToAlpha != 0 && format->alphaWidth != 0 && alphaImage == nullptr && image->format.alphaMask == 0;
  ConvertColorFormatBlt(bits, pitch, format, image->pixels, image->pitch, &image->format,
                        alphaImage != nullptr ? alphaImage->pixels : nullptr,
                        alphaImage != nullptr ? alphaImage->pitch : 0,
                        alphaImage != nullptr ? &alphaImage->format : nullptr, 0, 0, &source, 0, key ? 1 : 0,
                        static_cast<uint32_t>(st->transparentColor), 0, 0, alphaFromRed, 0, 0);
  UnlockSurfaceData(p->store);
  ApplySurfaceDataColorKey(p->store);
  return 0;
}

int TransferImagePartToGraph3D(const GraphImage* image, const GraphImage* alphaImage, int x, int y, GraphRecord* g) {
  int result = 0;
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    if (p == nullptr) return -1;
    const int left = x + p->x, top = y + p->y;
    const Rect source{left, top, std::min(left + p->width, image->width), std::min(top + p->height, image->height)};
    if (source.right <= left || source.bottom <= top) continue;
    if (TransferImageToTextureSet(image, alphaImage, source, p->u, p->v, g->storage[i], 1, g->request.loadAsAlpha) < 0)
      result = -1;
  }
  return result;
}

int TransferFrameImageToTextureSets(const GraphImage* frame, int alphaBelow, GraphRecord* g) {
  if (gDirect3DState.object == 0) return -1;
  GraphImage colour = *frame;
  GraphImage alpha{};
  const GraphImage* alphaImage = nullptr;
  if (alphaBelow != 0) {
    colour.height = frame->height / 2;
    alpha = colour;
    alpha.pixels = frame->pixels + static_cast<ptrdiff_t>(colour.height) * frame->pitch;
    alphaImage = &alpha;
  }
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    if (p == nullptr) return -1;
    const Rect source{p->pictureX, p->pictureY, std::min(p->pictureX + p->width, colour.width),
                      std::min(p->pictureY + p->height, colour.height)};
    if (source.right <= source.left || source.bottom <= source.top) continue;
    TransferImageToTextureSet(&colour, alphaImage, source, p->u, p->v, g->storage[i], 0, 0);
  }
  return 0;
}

void RestoreLostTextureSets() {
  const Direct3DState& d = gDirect3DState;
  if (d.object == 0) return;
  for (int slot = 0; slot < d.pieceNextIndex; ++slot)
    if (d.pieces[slot] != nullptr) RestoreSurfaceDataIfLost(d.pieces[slot]->store);
}
