// Capturing the draw target into a texture graph: five ways of copying
// screen pixels into textures, tried in a fixed order; the first that works
// is remembered per kind of texture (with or without alpha).
#include <algorithm>

#include "foundation/Log.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsText3D.h"
#include "media/image/ColorConvert.h"
#include "media/system/LibrarySystem.h"

namespace {

struct CaptureArea {
  int width, height, offsetX, offsetY;
};

// Where the copy reads: the draw target's size at the front-window offset,
// or the whole desktop for GDI copies of the front screen in window mode.
bool AreaFor(int variant, int flag, CaptureArea* area) {
  const int target = GetDrawTarget();
  const bool desktop = flag == 0 && IsWindowModeOn() != 0 && target == -4;
  if (desktop) {
    if (variant == 5) return false;
    if (variant != 1 || gScreenState.targetSurface == gScreenState.primary) {
      platform::GetDesktopMode(&area->width, &area->height, nullptr);
      area->offsetX = area->offsetY = 0;
      return true;
    }
  }
  QueryGraphSize(target, &area->width, &area->height);
  area->offsetX = gDrawState.frontWindowRect.left;
  area->offsetY = gDrawState.frontWindowRect.top;
  return true;
}

bool Checks(int x1, int y1, int x2, int y2, const GraphRecord* g, const CaptureArea& a) {
  return x1 >= 0 && x1 < x2 && y1 >= 0 && y1 < y2 && x1 <= a.width && y1 <= a.height && x2 - x1 <= g->width &&
         y2 - y1 <= g->height;
}

// One piece's copy: its source rectangle on the target and its place in the texture.
struct PieceCopy {
  const TextureSetRecord* piece;
  const SurfaceDataRecord* store;
  platform::SurfaceRect source;
  int width, height;
};

// Calls copy for every piece with something to copy; stops at the first failure.
template <class Copy>
int ForPieces(int x1, int y1, const GraphRecord* g, const CaptureArea& a, bool badPieceFails, Copy copy) {
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    const SurfaceDataRecord* st = p != nullptr ? GetSurfaceDataRecord(p->store) : nullptr;
    if (st == nullptr) {
      if (badPieceFails) return -1;
      continue;
    }
    if (a.width < x1 + p->x || a.height < y1 + p->y) continue;
    const int w = std::min<int>(p->width, a.width - x1 - p->x), h = std::min<int>(p->height, a.height - y1 - p->y);
    if (w <= 0 || h <= 0) continue;
    const int sx = a.offsetX + x1 + p->x, sy = a.offsetY + y1 + p->y;
    if (copy(PieceCopy{p, st, platform::SurfaceRect{sx, sy, sx + w, sy + h}, w, h}) < 0) return -1;
    ApplySurfaceDataColorKey(p->store);
  }
  return 0;
}

platform::SurfaceHandle TargetSurface() { return gScreenState.targetSurface; }

bool HasAlphaBits(const SurfaceDataRecord& st) { return GetTextureColorFormat(st.surfaceFormat)->alphaWidth != 0; }

// Converts a locked source block into the piece's texture rectangle.
int ConvertIntoPiece(const PieceCopy& c, const uint8_t* bits, int pitch, const ColorFormat* format, int sourceX,
                     int sourceY) {
  int destPitch = 0;
  uint8_t* dest = nullptr;
  const ColorFormat* destFormat = nullptr;
  const Rect rect{c.piece->u, c.piece->v, c.piece->u + c.width, c.piece->v + c.height};
  const int lock = LockSurfaceData(c.piece->store, &destPitch, &dest, 1, &rect, &destFormat);
  if (lock == -1) return lock;
  const Rect source{sourceX, sourceY, sourceX + c.width, sourceY + c.height};
  ConvertColorFormatBlt(dest, destPitch, destFormat, bits, pitch, format, nullptr, 0, nullptr, 0, 0, &source, 0,
                        HasAlphaBits(*c.store) ? 1 : 0, static_cast<uint32_t>(c.store->transparentColor), 0, 0, 0, 0,
                        0);
  UnlockSurfaceData(c.piece->store);
  return 0;
}

// Lock of the work surface, then a conversion per piece.
int CaptureThroughWorkSurface(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  CaptureArea a{};
  if (!AreaFor(5, flag, &a) || !Checks(x1, y1, x2, y2, g, a)) return -1;
  const platform::SurfaceHandle work = gScreenState.work1;
  int workWidth = 0, workHeight = 0;
  if (platform::GetSurfaceFormat(work, &workWidth, &workHeight, nullptr) == 0) return -1;
  // The copy stays inside both the target and the work surface.
  const int w = std::min(x2 - x1, a.width - x1), h = std::min(y2 - y1, a.height - y1);
  if (w <= 0 || h <= 0 || w > workWidth || h > workHeight) return -1;
  const Rect copy{x1 + a.offsetX, y1 + a.offsetY, x1 + a.offsetX + w, y1 + a.offsetY + h};
  CopySurfaceRect(work, TargetSurface(), 0, 0, &copy, -1);
  uint8_t* bits = nullptr;
  int pitch = 0;
  const platform::SurfaceRect lockRect{0, 0, w, h};
  const int32_t locked = platform::LockSurface(work, &lockRect, &bits, &pitch);
  if (locked != platform::kDdOk) {
    LogWriteFormat(kTxtCapture5WorkLock, locked);
    return -1;
  }
  const int result = ForPieces(x1, y1, g, a, false, [&](const PieceCopy& c) {
    const int sx = c.source.left - a.offsetX - x1, sy = c.source.top - a.offsetY - y1;
    if (ConvertIntoPiece(c, bits, pitch, GetScreenColorFormat(), sx, sy) < 0) {
      LogWriteFormat(kTxtCapture5DestLock, -1);
      return -1;
    }
    return 0;
  });
  platform::UnlockSurface(work);
  return result;
}

int CaptureByBltFast(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  CaptureArea a{};
  if (!AreaFor(1, flag, &a) || !Checks(x1, y1, x2, y2, g, a)) return -1;
  return ForPieces(x1, y1, g, a, true, [&](const PieceCopy& c) {
    const int32_t r =
        platform::BltFastSurface(c.store->surface, c.piece->u, c.piece->v, TargetSurface(), &c.source, false);
    if (r != platform::kDdOk) {
      LogWriteFormat(kTxtCapture1BltFast, r);
      return -1;
    }
    return 0;
  });
}

int CaptureByDcCopy(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  CaptureArea a{};
  if (!AreaFor(2, flag, &a) || !Checks(x1, y1, x2, y2, g, a)) return -1;
  return ForPieces(x1, y1, g, a, true, [&](const PieceCopy& c) {
    const int32_t r = platform::CopySurfaceThroughDc(c.store->surface, c.piece->u, c.piece->v, c.width, c.height,
                                                     TargetSurface(), c.source.left, c.source.top);
    if (r != platform::kDdOk) {
      LogWriteFormat(kTxtCapture2Blt, static_cast<unsigned>(r));
      return -1;
    }
    return 0;
  });
}

// A system-memory texture of the piece's format holding the DC copy at the piece's place.
platform::SurfaceHandle TemporaryCopy(const PieceCopy& c, const char* createFailed, const char* copyFailed) {
  int width = 0, height = 0;
  platform::PixelFormat format{};
  platform::GetSurfaceFormat(c.store->surface, &width, &height, &format);
  platform::SurfaceDescription d;
  d.width = width;
  d.height = height;
  d.caps = platform::gpu::kCapsTexture | platform::kCapsSystemMemory;
  d.hasPixelFormat = true;
  d.pixelFormat = format;
  platform::SurfaceHandle temp = 0;
  const int32_t created = platform::CreateSurface(gScreenState.directDraw, d, &temp);
  if (created != platform::kDdOk) {
    LogWriteFormat(createFailed, created);
    return 0;
  }
  const int32_t copied = platform::CopySurfaceThroughDc(temp, c.piece->u, c.piece->v, c.width, c.height,
                                                        TargetSurface(), c.source.left, c.source.top);
  if (copied != platform::kDdOk) {
    LogWriteFormat(copyFailed, static_cast<unsigned>(copied));
    platform::ReleaseSurface(temp);
    return 0;
  }
  return temp;
}

int CaptureThroughTemporary(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  CaptureArea a{};
  if (!AreaFor(3, flag, &a) || !Checks(x1, y1, x2, y2, g, a)) return -1;
  return ForPieces(x1, y1, g, a, false, [&](const PieceCopy& c) {
    const platform::SurfaceHandle temp = TemporaryCopy(c, kTxtCapture3Create, kTxtCapture3Blt);
    if (temp == 0) return -1;
    uint8_t* bits = nullptr;
    int pitch = 0;
    int result = -1;
    if (platform::LockSurface(temp, nullptr, &bits, &pitch) == platform::kDdOk) {
      const ColorFormat* format = GetTextureColorFormat(c.store->surfaceFormat);
      result = ConvertIntoPiece(c, bits, pitch, format, c.piece->u, c.piece->v);
      platform::UnlockSurface(temp);
    }
    platform::ReleaseSurface(temp);
    return result;
  });
}

int CaptureThroughLoad(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  CaptureArea a{};
  if (!AreaFor(4, flag, &a) || !Checks(x1, y1, x2, y2, g, a)) return -1;
  DeviceStateCache* cache = CurrentDeviceCache();
  if (cache == nullptr) return -1;
  return ForPieces(x1, y1, g, a, false, [&](const PieceCopy& c) {
    const platform::SurfaceHandle temp = TemporaryCopy(c, kTxtCapture4Create, kTxtCapture4Blt);
    if (temp == 0) return -1;
    int width = 0, height = 0;
    platform::GetSurfaceFormat(temp, &width, &height, nullptr);
    int32_t r = platform::kDdErrSurfaceBusy;
    for (int tries = 0; tries < 10 && r == platform::kDdErrSurfaceBusy; ++tries) {
      r = platform::gpu::LoadTexture(cache->device, c.store->surface, 0, 0, temp,
                                     platform::SurfaceRect{0, 0, width, height});
      if (r == platform::kDdErrSurfaceBusy) platform::RestoreSurface(c.store->surface);
    }
    platform::ReleaseSurface(temp);
    if (r != platform::kDdOk) {
      int screenWidth = 0, screenHeight = 0;
      QueryScreenSize(&screenWidth, &screenHeight);
      LogWriteFormat(kTxtCapture4Load, r, screenWidth, screenHeight, IsWindowModeOn() == 0 ? 1 : 0, 0, 0, 0, height, 0,
                     width);
      return -1;
    }
    return 0;
  });
}

using CaptureVariant = int (*)(int, int, int, int, GraphRecord*, int);
constexpr CaptureVariant kScreenCaptureFunctions[] = {
    CaptureThroughWorkSurface, CaptureByBltFast, CaptureThroughTemporary, CaptureByDcCopy, CaptureThroughLoad, nullptr};

}  // namespace

int CaptureScreenToGraph3D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  if (d.targetNotDrawable != 0) return 0;
  FlushCurrentDevicePrimitives();
  EndCurrentDeviceScene();
  const TextureSetRecord* first = g->storageCount > 0 ? GetTextureSetRecord(g->storage[0]) : nullptr;
  const SurfaceDataRecord* st = first != nullptr ? GetSurfaceDataRecord(first->store) : nullptr;
  if (st == nullptr) return -1;
  int& choice = d.captureChoice[(st->request.alphaChannel != 0 || st->request.alphaTest != 0) ? 1 : 0];
  if (choice != -1) {
    const int result = kScreenCaptureFunctions[choice](x1, y1, x2, y2, g, flag);
    if (result >= 0) return result;
  }
  int result = -1;
  for (choice = 0; kScreenCaptureFunctions[choice] != nullptr; ++choice) {
    result = kScreenCaptureFunctions[choice](x1, y1, x2, y2, g, flag);
    if (result == 0) return 0;
  }
  choice = -1;
  return result;
}
