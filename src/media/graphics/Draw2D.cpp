// The 2D and software draw paths: software screens draw with one renderer
// call; 2D surfaces draw through temporary views over locked surfaces.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/TextFunctions.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/FontSystem.h"
#include "media/softrender/MemImgDraw.h"
#include "media/softrender/RotateDraw.h"
#include "media/softrender/TriangleDraw.h"
#include "media/system/LibrarySystem.h"

namespace {

bool SoftwareScreens() { return gScreenState.softwareRendering != 0 && gScreenState.colorDepth != 8; }
bool NoDisplay() { return gScreenState.gdiPresentation == 0 && gScreenState.directDraw == 0; }

// The 2D draw work of one operation.
struct Work2D {
  int plainBlit = 0;
  platform::SurfaceHandle sourceSurface = 0;
  platform::SurfaceRect sourceRect;
  MEMIMG sourceView{};
  const MEMIMG* source = nullptr;
  int sourceLocked = 0;
  platform::SurfaceHandle destSurface = 0;
  platform::SurfaceRect destRect;
  MEMIMG destView{};
  MEMIMG* dest = nullptr;
  int destLocked = 0;
  int areaCut = 0;
  Rect savedArea;
};
Work2D gWork;

int SoftwareFormatForDepth() { return GetScreenColorDepth() == 16 ? kMemImgRgb565 : kMemImgRgb32; }

// The source image of a view: its store's image, or a sub-view of it at the
// view's place when the view covers only part of the store.
struct SourceImage {
  MEMIMG view{};
  const MEMIMG* image = nullptr;
  bool sub = false;
  ~SourceImage() {
    if (sub) MemImgRelease(&view);
  }
};

bool SourceOf(const Surface2DRecord* v, SourceImage* out) {
  SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
  if (st == nullptr || MemImgIsValid(&st->colorImage) == 0) return false;
  if (v->storeX == 0 && v->storeY == 0 && v->width == st->colorImage.width && v->height == st->colorImage.height) {
    out->image = &st->colorImage;
    return true;
  }
  std::memset(&out->view, 0, sizeof out->view);
  MemImgSubView(&out->view, &st->colorImage, v->storeX, v->storeY, v->width, v->height);
  if (MemImgIsValid(&out->view) == 0) return false;
  out->sub = true;
  out->image = &out->view;
  return true;
}

Surface2DRecord* FirstView(GraphRecord* g) { return g != nullptr ? GetSurface2DRecord(g->storage[0]) : nullptr; }

int PrepareDraw2D(const Surface2DRecord* source, int plainDraw, const Rect* sourceRect, const Rect* destRect, int fill,
                  uint32_t* color) {
  (void)fill;
  (void)color;
  gWork = Work2D{};
  if (SoftwareScreens()) return 0;
  // Pending 3D drawing reaches the surface before 2D drawing changes it.
  EndCurrentDeviceScene();
  ScreenState& ss = gScreenState;
  SurfaceDataRecord* store = source != nullptr ? GetSurfaceDataRecord(source->store) : nullptr;
  const bool blending = !(gDrawState.blendMode == kBlendNone ||
                          (gDrawState.blendMode == kBlendAlpha && gDrawState.blendParameter == 255)) ||
                        (store != nullptr && store->request.alphaChannel != 0) || gDrawState.blendGraph != -1;
  const bool white = (gDrawState.tint & 0xFFFFFF) == 0xFFFFFF;
  if (plainDraw == 1 && store != nullptr && !blending && white && store->softwareImage == 0 && ss.targetSurface != 0) {
    gWork.plainBlit = 1;
    gWork.sourceSurface = store->surface;
    gWork.sourceRect = platform::SurfaceRect{sourceRect->left + source->storeX, sourceRect->top + source->storeY,
                                             sourceRect->right + source->storeX, sourceRect->bottom + source->storeY};
    const int dx = gDrawState.frontWindowRect.left + ss.targetOffsetX;
    const int dy = gDrawState.frontWindowRect.top + ss.targetOffsetY;
    gWork.destSurface = ss.targetSurface;
    gWork.destRect =
        platform::SurfaceRect{destRect->left + dx, destRect->top + dy, destRect->right + dx, destRect->bottom + dy};
    return 0;
  }
  Rect clipped = *destRect;
  ClipRectangle(&clipped, &gDrawState.drawArea);
  if (clipped.left == clipped.right || clipped.top == clipped.bottom) return -1;
  // The renderer may not write beyond the prepared (locked) box.
  gWork.areaCut = 1;
  gWork.savedArea = gDrawState.drawArea;
  gDrawState.drawArea = clipped;
  const int format = SoftwareFormatForDepth();
  const int unit = MemImgPixelDescriptor(format, 0, 0)->bytesPerPixel;
  if (ss.targetImage != nullptr && MemImgIsValid(ss.targetImage) != 0) {
    gWork.dest = ss.targetImage;
  } else if (ss.targetSurface != 0) {
    const int dx = ss.targetOffsetX + gDrawState.frontWindowRect.left;
    const int dy = ss.targetOffsetY + gDrawState.frontWindowRect.top;
    const platform::SurfaceRect w{clipped.left + dx, clipped.top + dy, clipped.right + dx, clipped.bottom + dy};
    uint8_t* bits = nullptr;
    int pitch = 0;
    if (platform::LockSurface(ss.targetSurface, &w, &bits, &pitch) != platform::kDdOk) {
      gDrawState.drawArea = gWork.savedArea;
      gWork.areaCut = 0;
      return 0;
    }
    gWork.destLocked = 1;
    gWork.destSurface = ss.targetSurface;
    gWork.destRect = w;
    uint8_t* origin = bits - static_cast<ptrdiff_t>(clipped.left) * unit - static_cast<ptrdiff_t>(clipped.top) * pitch;
    if (MemImgCreate(&gWork.destView, gDrawState.targetWidth, gDrawState.targetHeight, pitch, 0, format, 0, 0, 0,
                     origin) != 0) {
      platform::UnlockSurface(ss.targetSurface);
      gWork.destLocked = 0;
      gDrawState.drawArea = gWork.savedArea;
      gWork.areaCut = 0;
      return 0;
    }
    gWork.dest = &gWork.destView;
  }
  if (store != nullptr) {
    if (store->softwareImage != 0) {
      if (source->storeX == 0 && source->storeY == 0 && source->width == store->colorImage.width &&
          source->height == store->colorImage.height) {
        gWork.source = &store->colorImage;
      } else {
        MemImgSubView(&gWork.sourceView, &store->colorImage, source->storeX, source->storeY, source->width,
                      source->height);
        gWork.source = &gWork.sourceView;
      }
    } else {
      const platform::SurfaceRect r{sourceRect->left + source->storeX, sourceRect->top + source->storeY,
                                    sourceRect->right + source->storeX, sourceRect->bottom + source->storeY};
      uint8_t* bits = nullptr;
      int pitch = 0;
      if (platform::LockSurface(store->surface, &r, &bits, &pitch) != platform::kDdOk) {
        if (gWork.destLocked != 0) {
          MemImgRelease(&gWork.destView);
          platform::UnlockSurface(gWork.destSurface);
        }
        gDrawState.drawArea = gWork.savedArea;
        gWork = Work2D{};
        return 0;
      }
      gWork.sourceLocked = 1;
      gWork.sourceSurface = store->surface;
      const int key = store->transparentColor;
      const uint32_t encoded =
          EncodePixel(MemImgPixelDescriptor(format, 0, 0), (key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF, 255);
      uint8_t* origin =
          bits - static_cast<ptrdiff_t>(sourceRect->left) * unit - static_cast<ptrdiff_t>(sourceRect->top) * pitch;
      MemImgCreate(&gWork.sourceView, source->width, source->height, pitch, encoded, format, 0, 0, 0, origin);
      gWork.source = &gWork.sourceView;
    }
  }
  return 0;
}

int FinishDraw2D() {
  if (MemImgIsValid(&gWork.sourceView) != 0) MemImgRelease(&gWork.sourceView);
  if (MemImgIsValid(&gWork.destView) != 0) MemImgRelease(&gWork.destView);
  if (gWork.destLocked != 0) platform::UnlockSurface(gWork.destSurface);
  if (gWork.sourceLocked != 0) platform::UnlockSurface(gWork.sourceSurface);
  if (gWork.areaCut != 0) gDrawState.drawArea = gWork.savedArea;
  gWork = Work2D{};
  return 0;
}

// The destination view of a prepared draw; null when a lock failed.
MEMIMG* PreparedDest() { return gWork.dest; }

}  // namespace

int SelectDrawTarget2D(int target, int previous) {
  (void)previous;
  ScreenState& ss = gScreenState;
  ss.targetImage = nullptr;
  if (target == -4) {
    ss.targetSurface = ss.useFrontWorkSurface != 0 ? ss.frontWork : ss.primary;
    ss.targetImage = MemImgIsValid(&ss.frontScreen) != 0 ? &ss.frontScreen : nullptr;
    ss.targetDepthImage = nullptr;
    ss.targetOffsetX = ss.targetOffsetY = 0;
  } else if (target == -2) {
    ss.targetSurface = ss.back;
    ss.targetImage = MemImgIsValid(&ss.backScreen) != 0 ? &ss.backScreen : nullptr;
    ss.targetDepthImage = MemImgIsValid(&ss.depthScreen) != 0 ? &ss.depthScreen : nullptr;
    ss.targetOffsetX = ss.targetOffsetY = 0;
  } else {
    GraphRecord* g = GetGraphRecord(target);
    Surface2DRecord* v = FirstView(g);
    if (v == nullptr) return -1;
    SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
    if (st == nullptr) return -1;
    if (st->softwareImage != 0) {
      ss.targetSurface = 0;
      ss.targetImage = &st->colorImage;
      ss.targetOffsetX = ss.targetOffsetY = 0;
      if (v->storeX != 0 || v->storeY != 0 || v->width != st->width || v->height != st->height) {
        ss.targetOffsetX = v->storeX;
        ss.targetOffsetY = v->storeY;
      }
    } else {
      ss.targetSurface = st->surface;
      ss.targetOffsetX = v->storeX;
      ss.targetOffsetY = v->storeY;
    }
    ss.targetDepthImage = MemImgIsValid(&st->depthImage) != 0 ? &st->depthImage : nullptr;
  }
  gDrawState.targetInVideoMemory =
      ss.targetSurface != 0 && (platform::GetSurfaceCaps(ss.targetSurface) & platform::kCapsVideoMemory) != 0 ? 1 : 0;
  return 0;
}

const MEMIMG* GetBlendGraphImage() {
  GraphRecord* g = GetGraphRecord(gDrawState.blendGraph);
  Surface2DRecord* v = FirstView(g);
  if (v == nullptr) return nullptr;
  SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
  if (st == nullptr || MemImgIsValid(&st->colorImage) == 0) return nullptr;
  return &st->colorImage;
}

namespace {

// The software target: a graph target that shares part of a store draws into
// a sub-view at its place.
struct TargetImage {
  MEMIMG view{};
  MEMIMG* image = nullptr;
  bool sub = false;
  TargetImage() {
    ScreenState& ss = gScreenState;
    if (ss.targetImage == nullptr || MemImgIsValid(ss.targetImage) == 0) return;
    const bool partial = ss.targetOffsetX != 0 || ss.targetOffsetY != 0 ||
                         ss.targetImage->width != gDrawState.targetWidth ||
                         ss.targetImage->height != gDrawState.targetHeight;
    if (!partial || gDrawState.drawTarget < 0) {
      image = ss.targetImage;
      return;
    }
    MemImgSubView(&view, ss.targetImage, ss.targetOffsetX, ss.targetOffsetY, gDrawState.targetWidth,
                  gDrawState.targetHeight);
    if (MemImgIsValid(&view) != 0) {
      sub = true;
      image = &view;
    }
  }
  ~TargetImage() {
    if (sub) MemImgRelease(&view);
  }
};

}  // namespace

int DrawSurface2D(int x, int y, int viewHandle, int transparent) {
  Surface2DRecord* v = GetSurface2DRecord(viewHandle);
  if (v == nullptr || NoDisplay()) return -1;
  if (SoftwareScreens()) {
    TargetImage target;
    SourceImage source;
    if (target.image == nullptr || !SourceOf(v, &source)) return 0;
    MemImgDrawPlain(target.image, source.image, x, y, transparent, GetBlendGraphImage());
    return 0;
  }
  Rect dest{x, y, x + v->width, y + v->height};
  ClipRectangle(&dest, &gDrawState.drawArea);
  if (dest.left == dest.right || dest.top == dest.bottom) return 0;
  const Rect sourceRect{dest.left - x, dest.top - y, dest.right - x, dest.bottom - y};
  if (PrepareDraw2D(v, 1, &sourceRect, &dest, 0, nullptr) < 0) return -1;
  if (gWork.plainBlit != 0) {
    platform::BltFastSurface(gWork.destSurface, gWork.destRect.left, gWork.destRect.top, gWork.sourceSurface,
                             &gWork.sourceRect, transparent != 0);
    gWork = Work2D{};
    return 0;
  }
  if (PreparedDest() != nullptr && gWork.source != nullptr)
    MemImgDrawPlain(PreparedDest(), gWork.source, x, y, transparent, GetBlendGraphImage());
  FinishDraw2D();
  return 0;
}

int PutGraph2D(int x, int y, GraphRecord* graph, int transparent) {
  DrawSurface2D(x, y, graph->storage[0], transparent);
  return 0;
}

int PutGraphStretched2D(int x1, int y1, int x2, int y2, GraphRecord* graph, int transparent, int viewHandle) {
  if (NoDisplay()) return -1;
  Surface2DRecord* v = viewHandle != -1 ? GetSurface2DRecord(viewHandle) : FirstView(graph);
  if (v == nullptr) return -1;
  const int sourceWidth = viewHandle != -1 ? v->width : graph->width;
  const int sourceHeight = viewHandle != -1 ? v->height : graph->height;
  const int rect[4] = {x1, y1, x2, y2};
  if (SoftwareScreens()) {
    TargetImage target;
    SourceImage source;
    if (target.image == nullptr || !SourceOf(v, &source)) return 0;
    MemImgDrawStretched(target.image, source.image, rect, transparent, GetBlendGraphImage());
    return 0;
  }
  const bool mirrorX = x2 < x1, mirrorY = y2 < y1;
  int left = std::min(x1, x2), right = std::max(x1, x2), top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (left == right || top == bottom) return -1;
  if (right - left == sourceWidth && bottom - top == sourceHeight && !mirrorX && !mirrorY) {
    if (viewHandle != -1) return DrawSurface2D(left, top, viewHandle, transparent);
    return PutGraph2D(left, top, graph, transparent);
  }
  // Ratios in 16.16 fixed point, worked in 64 bits.
  const int64_t rx = (static_cast<int64_t>(right - left) << 16) / sourceWidth;
  const int64_t ry = (static_cast<int64_t>(bottom - top) << 16) / sourceHeight;
  Rect clipped{left, top, right, bottom};
  ClipRectangle(&clipped, &gDrawState.drawArea);
  if (clipped.left == clipped.right || clipped.top == clipped.bottom || rx == 0 || ry == 0) return -1;
  Rect source;
  source.left = left < clipped.left ? static_cast<int>((static_cast<int64_t>(clipped.left - left) << 16) / rx) : 0;
  source.right =
      source.left + static_cast<int>(((static_cast<int64_t>(clipped.right - clipped.left) << 16) + rx - 1) / rx);
  source.top = top < clipped.top ? static_cast<int>((static_cast<int64_t>(clipped.top - top) << 16) / ry) : 0;
  source.bottom =
      source.top + static_cast<int>(((static_cast<int64_t>(clipped.bottom - clipped.top) << 16) + ry - 1) / ry);
  source.right = std::min(source.right, sourceWidth);
  source.bottom = std::min(source.bottom, sourceHeight);
  if (mirrorX) {
    const int l = sourceWidth - source.right, r = sourceWidth - source.left;
    source.left = l;
    source.right = r;
  }
  if (mirrorY) {
    const int t = sourceHeight - source.bottom, b = sourceHeight - source.top;
    source.top = t;
    source.bottom = b;
  }
  if (PrepareDraw2D(v, 0, &source, &clipped, 0, nullptr) < 0) return -1;
  if (PreparedDest() != nullptr && gWork.source != nullptr)
    MemImgDrawStretched(PreparedDest(), gWork.source, rect, transparent, GetBlendGraphImage());
  FinishDraw2D();
  return 0;
}

int PutGraphRotated2D(float cx, float cy, double scale, double angle, GraphRecord* graph, int transparent, int turn) {
  if (NoDisplay()) return -1;
  Surface2DRecord* v = FirstView(graph);
  if (v == nullptr) return -1;
  const int x = FloatToIntTrunc(cx), y = FloatToIntTrunc(cy);
  if (SoftwareScreens()) {
    TargetImage target;
    SourceImage source;
    if (target.image == nullptr || !SourceOf(v, &source)) return 0;
    MemImgDrawRotated(target.image, source.image, x, y, static_cast<float>(angle), static_cast<float>(scale),
                      transparent, turn, GetBlendGraphImage());
    return 0;
  }
  const double hw = graph->width * scale / 2, hh = graph->height * scale / 2;
  const double c = std::cos(angle), s = std::sin(angle);
  int minX = 0x7FFFFFFF, minY = 0x7FFFFFFF, maxX = -0x7FFFFFFF, maxY = -0x7FFFFFFF;
  for (int k = 0; k < 4; ++k) {
    const double px = (k & 1) != 0 ? hw : -hw, py = (k & 2) != 0 ? hh : -hh;
    const int rx = static_cast<int>(px * c - py * s + x), ry = static_cast<int>(px * s + py * c + y);
    minX = std::min(minX, rx);
    maxX = std::max(maxX, rx);
    minY = std::min(minY, ry);
    maxY = std::max(maxY, ry);
  }
  const Rect box{minX, minY, maxX, maxY};
  const Rect whole{0, 0, v->width, v->height};
  if (PrepareDraw2D(v, 0, &whole, &box, 0, nullptr) < 0) return -1;
  if (PreparedDest() != nullptr && gWork.source != nullptr)
    MemImgDrawRotated(PreparedDest(), gWork.source, x, y, static_cast<float>(angle), static_cast<float>(scale),
                      transparent, turn, GetBlendGraphImage());
  FinishDraw2D();
  return 0;
}

namespace {

int DrawTriangle2D(const MemImgVertex* vertices, GraphRecord* graph, int transparent, int color) {
  if (NoDisplay()) return -1;
  Surface2DRecord* v = graph != nullptr ? FirstView(graph) : nullptr;
  if (graph != nullptr && v == nullptr) return -1;
  if (SoftwareScreens()) {
    TargetImage target;
    SourceImage source;
    if (target.image == nullptr) return 0;
    const MEMIMG* image = nullptr;
    if (v != nullptr) {
      if (!SourceOf(v, &source)) return 0;
      image = source.image;
    }
    MemImgDrawTriangle(target.image, image, vertices, transparent, GetBlendGraphImage(), color);
    return 0;
  }
  Rect box{vertices[0].x, vertices[0].y, vertices[0].x, vertices[0].y};
  Rect uv{vertices[0].u, vertices[0].v, vertices[0].u, vertices[0].v};
  for (int i = 1; i < 3; ++i) {
    box.left = std::min(box.left, vertices[i].x);
    box.top = std::min(box.top, vertices[i].y);
    box.right = std::max(box.right, vertices[i].x);
    box.bottom = std::max(box.bottom, vertices[i].y);
    uv.left = std::min(uv.left, vertices[i].u);
    uv.top = std::min(uv.top, vertices[i].v);
    uv.right = std::max(uv.right, vertices[i].u);
    uv.bottom = std::max(uv.bottom, vertices[i].v);
  }
  if (v != nullptr) uv = Rect{0, 0, v->width, v->height};
  if (PrepareDraw2D(v, 0, &uv, &box, 0, nullptr) < 0) return -1;
  if (PreparedDest() != nullptr)
    MemImgDrawTriangle(PreparedDest(), gWork.source, vertices, transparent, GetBlendGraphImage(), color);
  FinishDraw2D();
  return 0;
}

int DrawLines2D(const MemImgLineRecord* lines, int count) {
  if (NoDisplay()) return -1;
  if (SoftwareScreens()) {
    TargetImage target;
    if (target.image != nullptr) MemImgDrawLineList(target.image, lines, count);
    return 0;
  }
  Rect box{1000000, 1000000, -1000000, -1000000};
  for (int i = 0; i < count; ++i) {
    box.left = std::min({box.left, lines[i].x1, lines[i].x2});
    box.top = std::min({box.top, lines[i].y1, lines[i].y2});
    box.right = std::max({box.right, lines[i].x1 + 1, lines[i].x2 + 1});
    box.bottom = std::max({box.bottom, lines[i].y1 + 1, lines[i].y2 + 1});
  }
  if (PrepareDraw2D(nullptr, 0, nullptr, &box, 0, nullptr) < 0) return -1;
  if (PreparedDest() != nullptr) MemImgDrawLineList(PreparedDest(), lines, count);
  FinishDraw2D();
  return 0;
}

}  // namespace

int PutGraphFourCorners2D(const float* c, GraphRecord* graph, int transparent) {
  int p[8];
  for (int i = 0; i < 8; ++i) p[i] = static_cast<int>(c[i]);
  const int w = graph->width, h = graph->height;
  const MemImgVertex first[3] = {{p[0], p[1], 0, 0}, {p[2], p[3], w, 0}, {p[4], p[5], 0, h}};
  const MemImgVertex second[3] = {{p[2], p[3], w, 0}, {p[4], p[5], 0, h}, {p[6], p[7], w, h}};
  DrawTriangle2D(first, graph, transparent, 0);
  DrawTriangle2D(second, graph, transparent, 0);
  return 0;
}

int FillBox2D(int x1, int y1, int x2, int y2, int color) {
  if (NoDisplay()) return -1;
  const int rect[4] = {x1, y1, x2, y2};
  if (SoftwareScreens()) {
    TargetImage target;
    if (target.image != nullptr) MemImgFillBox(target.image, rect, static_cast<uint32_t>(color));
    return 0;
  }
  const Rect box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  uint32_t value = static_cast<uint32_t>(color);
  if (PrepareDraw2D(nullptr, 0, nullptr, &box, 1, &value) < 0) return -1;
  if (PreparedDest() != nullptr) MemImgFillBox(PreparedDest(), rect, value);
  FinishDraw2D();
  return 0;
}

int FrameBox2D(int x1, int y1, int x2, int y2, int color) {
  const int p = gDrawState.blendParameter;
  const MemImgLineRecord lines[4] = {{x1, y1, x2 - 1, y1, color, p},
                                     {x2 - 1, y1, x2 - 1, y2 - 1, color, p},
                                     {x2 - 1, y2 - 1, x1, y2 - 1, color, p},
                                     {x1, y2 - 1, x1, y1, color, p}};
  return DrawLines2D(lines, 4);
}

int ClearDrawTarget2D() {
  ScreenState& ss = gScreenState;
  const LibrarySystemState& s = gLibrarySystem;
  if (NoDisplay()) return -1;
  if (SoftwareScreens()) {
    TargetImage target;
    if (target.image != nullptr)
      MemImgFillRaw(
          target.image, nullptr,
          EncodePixel(target.image->base->descriptor, s.backgroundRed, s.backgroundGreen, s.backgroundBlue, 255));
    if (ss.targetDepthImage != nullptr) MemImgFillRaw(ss.targetDepthImage, nullptr, 0xFFFF);
    return 0;
  }
  const uint32_t background = static_cast<uint32_t>(PackColor(s.backgroundRed, s.backgroundGreen, s.backgroundBlue));
  const int target = gDrawState.drawTarget;
  if (target == -4 || target == -2) {
    const DeviceStateCache* device = ss.softwareRendering == 0 ? CurrentDeviceCache() : nullptr;
    if (device != nullptr && device->device != 0) {
      EndCurrentDeviceScene();
      const uint32_t rgb = static_cast<uint32_t>(s.backgroundRed & 0xFF) << 16 |
                           static_cast<uint32_t>(s.backgroundGreen & 0xFF) << 8 |
                           static_cast<uint32_t>(s.backgroundBlue & 0xFF);
      platform::gpu::Clear(device->device, 3, rgb, 1.0f, 0);
      BeginCurrentDeviceScene();
      return 0;
    }
    Rect r{0, 0, 0, 0};
    QueryScreenSize(&r.right, &r.bottom);
    if (target == -4 && IsWindowModeOn() != 0) GetFrontScreenRect(&r);
    const platform::SurfaceRect sr{r.left, r.top, r.right, r.bottom};
    platform::FillSurface(ss.targetSurface, &sr, background);
    if (ss.zBuffer != 0) platform::FillSurface(ss.zBuffer, nullptr, 0xFFFF);
    return 0;
  }
  Surface2DRecord* v = FirstView(GetGraphRecord(target));
  if (v == nullptr) return -1;
  SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
  if (st == nullptr) return -1;
  if (st->softwareImage != 0) {
    if (MemImgIsValid(&st->depthImage) != 0) MemImgFillRaw(&st->depthImage, nullptr, 0xFFFF);
    MemImgFillBox(&st->colorImage, nullptr, background);
  } else {
    if (st->depthSurface != 0) platform::FillSurface(st->depthSurface, nullptr, 0xFFFF);
    platform::FillSurface(st->surface, nullptr, background);
  }
  return 0;
}

int CaptureScreenToGraph2D(int x1, int y1, int x2, int y2, GraphRecord* graph) {
  ScreenState& ss = gScreenState;
  const int w = x2 - x1, h = y2 - y1;
  if (w <= 0 || h <= 0 || w != graph->width || h != graph->height || x1 < 0 || y1 < 0 || x2 > gDrawState.targetWidth ||
      y2 > gDrawState.targetHeight)
    return -1;
  Surface2DRecord* v = FirstView(graph);
  if (v == nullptr) return -1;
  SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
  if (st == nullptr) return -1;
  const Rect rect{x1, y1, x2, y2};
  if (SoftwareScreens()) {
    if (gDrawState.drawTarget == -4) ReadBackWindowToFrontScreen();
    TargetImage target;
    if (target.image == nullptr || MemImgIsValid(&st->colorImage) == 0) return -1;
    MemImgConvertBlit(&st->colorImage, target.image, &rect, v->storeX, v->storeY);
    return 0;
  }
  if (ss.targetSurface != 0 && st->surface != 0) {
    const platform::SurfaceRect from{x1, y1, x2, y2};
    const platform::SurfaceRect to{v->storeX, v->storeY, v->storeX + w, v->storeY + h};
    return platform::BltSurface(st->surface, &to, ss.targetSurface, &from, false) == platform::kDdOk ? 0 : -1;
  }
  if (ss.targetImage != nullptr && MemImgIsValid(&st->colorImage) != 0) {
    MemImgConvertBlit(&st->colorImage, ss.targetImage, &rect, v->storeX, v->storeY);
    return 0;
  }
  return -1;
}

// --- Strings of memory-cache fonts ----------------------------------------------------------

namespace {

// The draw area for one step of a string draw; put back with the tint when
// the scope ends.
class TextDrawScope {
 public:
  TextDrawScope() : area_(gDrawState.drawArea), empty_(gDrawState.emptyDrawArea), tint_(gDrawState.tint) {
    for (int i = 0; i < 4; ++i) areaF_[i] = gDrawState.drawAreaF[i];
  }
  ~TextDrawScope() {
    gDrawState.drawArea = area_;
    for (int i = 0; i < 4; ++i) gDrawState.drawAreaF[i] = areaF_[i];
    gDrawState.emptyDrawArea = empty_;
    gDrawState.tint = tint_;
  }
  TextDrawScope(const TextDrawScope&) = delete;
  TextDrawScope& operator=(const TextDrawScope&) = delete;
  const Rect& SavedArea() const { return area_; }

 private:
  Rect area_;
  float areaF_[4];
  int empty_;
  uint32_t tint_;
};

bool PlainBlend() {
  return gDrawState.blendMode == kBlendNone ||
         (gDrawState.blendMode == kBlendAlpha && gDrawState.blendParameter == 255);
}

// Draws the string into the font's screen-sized text image, then that image
// onto the target (stretched for the scaled form).
int DrawThroughTextSurface(int x, int y, bool scaled, double xScale, double yScale, const char* text, int color,
                           int font, int edgeColor, int vertical, int width, int height) {
  if (RestoreFontCacheImages(font) < 0) return -1;
  FontRecord* f = GetFontRecord(font);
  Surface2DRecord* v = f != nullptr ? GetSurface2DRecord(f->textSurface) : nullptr;
  SurfaceDataRecord* st = v != nullptr ? GetSurfaceDataRecord(v->store) : nullptr;
  if (st == nullptr || MemImgIsValid(&st->colorImage) == 0) return -1;
  MEMIMG* image = &st->colorImage;
  TextDrawScope scope;
  int screenWidth = 0, screenHeight = 0;
  QueryScreenSize(&screenWidth, &screenHeight);
  Rect fill = scaled ? Rect{0, 0, width + 4, height + 4} : Rect{0, 0, width, height};
  const Rect screen{0, 0, std::min(screenWidth, image->width), std::min(screenHeight, image->height)};
  ClipRectangle(&fill, &screen);
  uint32_t key = 0;
  if (image->base->alphaFlag == 0) {
    const auto drawn = static_cast<uint32_t>(TintTextColor(color));
    const auto drawnEdge = static_cast<uint32_t>(TintTextColor(edgeColor));
    while (key == drawn || key == drawnEdge) ++key;
  }
  image->base->transparentColor = key;
  image->base->runTableValid = 0;
  image->base->premultipliedValid = 0;
  MemImgFillRaw(image, &fill, key);
  SetDrawAreaRect(fill);
  if (ProcessFontString(1, 0, 0, 0, 1.0, 1.0, text, color, image, &fill, 1, font, edgeColor, -1, vertical, nullptr) < 0)
    return -1;
  gDrawState.tint = 0xFFFFFF;
  Rect shown = scaled ? Rect{x, y, x + static_cast<int>(width * xScale) + 3, y + static_cast<int>(height * yScale) + 3}
                      : Rect{x, y, x + width, y + height};
  ClipRectangle(&shown, &scope.SavedArea());
  SetDrawAreaRect(shown);
  if (scaled)
    PutGraphStretched2D(x, y, x + static_cast<int>(xScale * screenWidth) + 3,
                        y + static_cast<int>(yScale * screenHeight) + 3, nullptr, 1, f->textSurface);
  else DrawSurface2D(x, y, f->textSurface, 1);
  return 0;
}

}  // namespace

int PutFontString2D(int x, int y, const char* text, int color, int font, int edgeColor, int vertical) {
  const FontRecord* f = GetFontRecord(font);
  if (f == nullptr || NoDisplay()) return -1;
  int size[2] = {0, 0};
  if (ProcessFontString(0, 0, 0, 0, 1.0, 1.0, text, color, nullptr, nullptr, 0, font, edgeColor, -1, vertical, size) <
      0)
    return -1;
  if (GetScreenColorDepth() != 8 && ((f->type & 2) != 0 || !PlainBlend()))
    return DrawThroughTextSurface(x, y, false, 1.0, 1.0, text, color, font, edgeColor, vertical, size[0], size[1]);
  if (SoftwareScreens()) {
    TargetImage target;
    if (target.image == nullptr) return 0;
    const Rect clip = MemImgDrawableArea(target.image);
    return ProcessFontString(1, x, y, 0, 1.0, 1.0, text, color, target.image, &clip, 1, font, edgeColor, -1, vertical,
                             nullptr) < 0
               ? -1
               : 0;
  }
  const Rect box{x, y, x + size[0], y + size[1]};
  uint32_t value = static_cast<uint32_t>(color);
  if (PrepareDraw2D(nullptr, 0, nullptr, &box, 1, &value) < 0) return -1;
  if (PreparedDest() != nullptr) {
    const Rect clip = MemImgDrawableArea(PreparedDest());
    ProcessFontString(1, x, y, 0, 1.0, 1.0, text, color, PreparedDest(), &clip, 1, font, edgeColor, -1, vertical,
                      nullptr);
  }
  FinishDraw2D();
  return 0;
}

int PutFontStringScaled2D(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                          int edgeColor, int vertical) {
  if (GetFontRecord(font) == nullptr || NoDisplay()) return -1;
  int size[2] = {0, 0};
  if (ProcessFontString(0, 0, 0, 0, 1.0, 1.0, text, color, nullptr, nullptr, 0, font, edgeColor, -1, vertical, size) <
      0)
    return -1;
  return DrawThroughTextSurface(x, y, true, xScale, yScale, text, color, font, edgeColor, vertical, size[0], size[1]);
}
