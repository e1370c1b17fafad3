#include "platform/surfaces/Surfaces.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/HandleTable.h"
#include "platform/ZeroedBuffer.h"

#include "platform/Backend.h"
#include "platform/gpu/Gpu.h"
#include "platform/time/Time.h"

namespace platform {
namespace {

struct DisplayObject {
  bool live = false;
  bool modeSet = false;
  int width = 0, height = 0, bits = 0;
};

struct Surface {
  bool live = false;
  int width = 0, height = 0;
  PixelFormat format{};
  uint32_t caps = 0;
  int pitch = 0;
  ZeroedBuffer pixels;  // zero pages until drawn on
  bool keyed = false;
  uint32_t keyLow = 0, keyHigh = 0;
  bool lost = false;
  int locks = 0;
  SurfaceHandle backBuffer = 0;
  // Rises with every change of the pixels; drawn from one counter for all
  // surfaces, so a surface made on a reused handle never repeats a value.
  uint64_t generation = 0;
};

struct State {
  std::vector<DisplayObject> objects = std::vector<DisplayObject>(1);
  std::vector<Surface> surfaces = std::vector<Surface>(1);
  bool refused = false;
  std::vector<std::array<int, 3>> refusedModes;
  uint64_t subMicroseconds = 0;
};
State& S() {
  static State state;
  return state;
}

constexpr uint64_t kFrameMicroseconds = 16667;
constexpr uint64_t kBlankMicroseconds = 1000;  // the blank opens each frame
constexpr uint64_t kPollStep = 100;

uint64_t NextGeneration() {
  static uint64_t counter = 0;
  return ++counter;
}

PixelFormat FormatOfBits(int bits) {
  PixelFormat f{};
  f.size = 32;
  f.flags = kPixelFormatRgb;
  f.bitCount = static_cast<uint32_t>(bits);
  if (bits == 16) {
    f.redMask = 0xF800;
    f.greenMask = 0x7E0;
    f.blueMask = 0x1F;
  } else {
    f.bitCount = 32;
    f.redMask = 0xFF0000;
    f.greenMask = 0xFF00;
    f.blueMask = 0xFF;
  }
  return f;
}

DisplayObject* FindObject(DirectDrawHandle h) {
  auto& t = S().objects;
  if (h <= 0 || static_cast<size_t>(h) >= t.size() || !t[h].live) return nullptr;
  return &t[h];
}
Surface* FindSurface(SurfaceHandle h) {
  auto& t = S().surfaces;
  if (h <= 0 || static_cast<size_t>(h) >= t.size() || !t[h].live) return nullptr;
  return &t[h];
}

void DisplaySize(const DisplayObject& o, int* w, int* h, int* bits) {
  if (o.modeSet) {
    *w = o.width;
    *h = o.height;
    *bits = o.bits;
    return;
  }
  GetDesktopMode(w, h, bits);
}

int Unit(const Surface& s) { return static_cast<int>(s.format.bitCount / 8); }

uint32_t ReadPixel(const Surface& s, int x, int y) {
  uint32_t v = 0;
  std::memcpy(&v, s.pixels.data() + static_cast<size_t>(y) * s.pitch + static_cast<size_t>(x) * Unit(s),
              static_cast<size_t>(Unit(s)));
  return v;
}
void WritePixel(Surface& s, int x, int y, uint32_t v) {
  std::memcpy(s.pixels.data() + static_cast<size_t>(y) * s.pitch + static_cast<size_t>(x) * Unit(s), &v,
              static_cast<size_t>(Unit(s)));
}

SurfaceRect Whole(const Surface& s) { return SurfaceRect{0, 0, s.width, s.height}; }

bool Inside(const SurfaceRect& r, const Surface& s) {
  return r.left >= 0 && r.top >= 0 && r.right <= s.width && r.bottom <= s.height && r.left <= r.right &&
         r.top <= r.bottom;
}

// The blank's clock in microseconds; headless queries move it on.
uint64_t Now(bool poll) {
  State& st = S();
  if (IsHeadless()) {
    if (poll) {
      st.subMicroseconds += kPollStep;
      if (st.subMicroseconds >= 1000) {
        AdvanceVirtualClock(static_cast<uint32_t>(st.subMicroseconds / 1000));
        st.subMicroseconds %= 1000;
      }
    }
    return VirtualClock() * 1000 + st.subMicroseconds;
  }
  return static_cast<uint64_t>(PerformanceCounter()) * 1000000 / static_cast<uint64_t>(PerformanceFrequency());
}

std::mutex gMutex;

}  // namespace

DirectDrawHandle CreateDirectDraw() {
  std::lock_guard lock(gMutex);
  if (S().refused) return 0;
  auto& t = S().objects;
  int h = ClaimTableEntry(t);
  t[h] = DisplayObject{};
  t[h].live = true;
  return h;
}

int ReleaseDirectDraw(DirectDrawHandle dd) {
  std::lock_guard lock(gMutex);
  DisplayObject* o = FindObject(dd);
  if (o == nullptr) return 0;
  *o = DisplayObject{};
  return 1;
}

int32_t SetCooperativeLevel(DirectDrawHandle dd, WindowHandle, uint32_t) {
  std::lock_guard lock(gMutex);
  return FindObject(dd) != nullptr ? kDdOk : kDdErrInvalidParams;
}

int32_t SetDisplayMode(DirectDrawHandle dd, int width, int height, int bits, int) {
  std::lock_guard lock(gMutex);
  DisplayObject* o = FindObject(dd);
  if (o == nullptr) return kDdErrInvalidParams;
  for (const auto& m : S().refusedModes)
    if (m[0] == width && m[1] == height && m[2] == bits) return kDdErrUnsupportedMode;
  if ((bits != 16 && bits != 32) || width <= 0 || height <= 0) return kDdErrUnsupportedMode;
  o->modeSet = true;
  o->width = width;
  o->height = height;
  o->bits = bits;
  return kDdOk;
}

int32_t RestoreDisplayMode(DirectDrawHandle dd) {
  std::lock_guard lock(gMutex);
  DisplayObject* o = FindObject(dd);
  if (o == nullptr) return kDdErrInvalidParams;
  o->modeSet = false;
  return kDdOk;
}

int32_t GetDisplayMode(DirectDrawHandle dd, int* width, int* height, PixelFormat* format) {
  std::lock_guard lock(gMutex);
  DisplayObject* o = FindObject(dd);
  if (o == nullptr) return kDdErrInvalidParams;
  int w = 0, h = 0, bits = 32;
  DisplaySize(*o, &w, &h, &bits);
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
  if (format != nullptr) *format = FormatOfBits(bits);
  return kDdOk;
}

int32_t QueryDirect3D(DirectDrawHandle dd) {
  {
    std::lock_guard lock(gMutex);
    if (FindObject(dd) == nullptr) return kDdErrInvalidParams;
  }
  return gpu::HasDirect3D() ? kDdOk : kDdErrNoInterface;
}

int32_t GetVerticalBlankStatus(DirectDrawHandle dd, int* inBlank) {
  std::lock_guard lock(gMutex);
  if (FindObject(dd) == nullptr) return kDdErrInvalidParams;
  *inBlank = (Now(true) % kFrameMicroseconds) < kBlankMicroseconds ? 1 : 0;
  return kDdOk;
}

int32_t GetScanLine(DirectDrawHandle dd, int* line) {
  std::lock_guard lock(gMutex);
  if (FindObject(dd) == nullptr) return kDdErrInvalidParams;
  *line = static_cast<int>((Now(true) % kFrameMicroseconds) * 480 / kFrameMicroseconds);
  return kDdOk;
}

int32_t WaitForVerticalBlank(DirectDrawHandle dd) {
  uint64_t wait = 0;
  {
    std::lock_guard lock(gMutex);
    if (FindObject(dd) == nullptr) return kDdErrInvalidParams;
    const uint64_t now = Now(false);
    wait = kFrameMicroseconds - now % kFrameMicroseconds;
    if (IsHeadless()) {
      State& st = S();
      st.subMicroseconds += wait;
      AdvanceVirtualClock(static_cast<uint32_t>(st.subMicroseconds / 1000));
      st.subMicroseconds %= 1000;
      return kDdOk;
    }
  }
  SleepMilliseconds(static_cast<uint32_t>(wait / 1000));
  while (Now(false) % kFrameMicroseconds >= kBlankMicroseconds) {
  }
  return kDdOk;
}

int32_t CreateSurface(DirectDrawHandle dd, const SurfaceDescription& d, SurfaceHandle* out) {
  std::lock_guard lock(gMutex);
  *out = 0;
  DisplayObject* o = FindObject(dd);
  if (o == nullptr) return kDdErrInvalidParams;
  if ((d.caps & kCapsOverlay) != 0 || (d.hasPixelFormat && (d.pixelFormat.flags & kPixelFormatFourCC) != 0))
    return kDdErrUnsupported;
  int w = d.width, h = d.height, bits = 32;
  int dw = 0, dh = 0;
  DisplaySize(*o, &dw, &dh, &bits);
  if ((d.caps & kCapsPrimary) != 0) {
    w = dw;
    h = dh;
  }
  if (w <= 0 || h <= 0 || w > 65535 || h > 65535) return kDdErrInvalidParams;
  PixelFormat format = d.hasPixelFormat ? d.pixelFormat : FormatOfBits(bits);
  if ((d.caps & kCapsZBuffer) != 0) {
    format = PixelFormat{32, kPixelFormatZBuffer, 0, 16, 0, 0, 0, 0};
  }
  if (format.bitCount != 8 && format.bitCount != 16 && format.bitCount != 32) return kDdErrInvalidParams;
  auto make = [&](uint32_t caps) {
    auto& t = S().surfaces;
    int handle = ClaimTableEntry(t);
    Surface& s = t[handle];
    s = Surface{};
    s.live = true;
    s.width = w;
    s.height = h;
    s.format = format;
    s.caps = (caps & ~kCapsVideoMemory) | kCapsSystemMemory;
    s.pitch = (w * static_cast<int>(format.bitCount / 8) + 3) / 4 * 4;
    s.pixels = ZeroedBuffer(static_cast<size_t>(s.pitch) * h);
    s.generation = NextGeneration();
    return handle;
  };
  const SurfaceHandle primary = make(d.caps);
  if (d.backBufferCount > 0) {
    const SurfaceHandle back = make((d.caps & ~kCapsPrimary) | kCapsBackBuffer);
    S().surfaces[primary].backBuffer = back;
  }
  *out = primary;
  return kDdOk;
}

int ReleaseSurface(SurfaceHandle surface) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr) return 0;
  const SurfaceHandle back = s->backBuffer;
  *s = Surface{};
  if (Surface* b = FindSurface(back)) *b = Surface{};
  return 1;
}

uint32_t GetSurfaceCaps(SurfaceHandle surface) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  return s != nullptr ? s->caps : 0;
}

int GetSurfaceFormat(SurfaceHandle surface, int* width, int* height, PixelFormat* format) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr) return 0;
  if (width != nullptr) *width = s->width;
  if (height != nullptr) *height = s->height;
  if (format != nullptr) *format = s->format;
  return 1;
}

SurfaceHandle GetAttachedBackBuffer(SurfaceHandle primary) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(primary);
  return s != nullptr ? s->backBuffer : 0;
}

int32_t LockSurface(SurfaceHandle surface, const SurfaceRect* rect, uint8_t** bits, int* pitch) {
  std::lock_guard lock(gMutex);
  *bits = nullptr;
  Surface* s = FindSurface(surface);
  if (s == nullptr) return kDdErrInvalidParams;
  if (s->lost) return kDdErrSurfaceLost;
  const SurfaceRect r = rect != nullptr ? *rect : Whole(*s);
  if (!Inside(r, *s)) return kDdErrInvalidParams;
  ++s->locks;
  *bits = s->pixels.data() + static_cast<size_t>(r.top) * s->pitch + static_cast<size_t>(r.left) * Unit(*s);
  *pitch = s->pitch;
  return kDdOk;
}

int32_t UnlockSurface(SurfaceHandle surface) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr || s->locks == 0) return kDdErrInvalidParams;
  --s->locks;
  s->generation = NextGeneration();
  return kDdOk;
}

int32_t FillSurface(SurfaceHandle surface, const SurfaceRect* rect, uint32_t value) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr) return kDdErrInvalidParams;
  if (s->lost) return kDdErrSurfaceLost;
  SurfaceRect r = rect != nullptr ? *rect : Whole(*s);
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, s->width);
  r.bottom = std::min(r.bottom, s->height);
  s->generation = NextGeneration();
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) WritePixel(*s, x, y, value);
  return kDdOk;
}

int32_t BltSurface(SurfaceHandle dest, const SurfaceRect* destRect, SurfaceHandle source, const SurfaceRect* sourceRect,
                   bool colorKey) {
  std::lock_guard lock(gMutex);
  Surface* d = FindSurface(dest);
  Surface* s = FindSurface(source);
  if (d == nullptr || s == nullptr || d->format.bitCount != s->format.bitCount) return kDdErrInvalidParams;
  if (d->lost || s->lost) return kDdErrSurfaceLost;
  const SurfaceRect dr = destRect != nullptr ? *destRect : Whole(*d);
  const SurfaceRect sr = sourceRect != nullptr ? *sourceRect : Whole(*s);
  if (!Inside(sr, *s)) return kDdErrInvalidParams;
  const int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
  const int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return kDdErrInvalidParams;
  // A copy onto itself reads a snapshot, as the hardware does.
  d->generation = NextGeneration();
  const Surface snapshot = (d == s) ? *s : Surface{};
  const Surface& from = (d == s) ? snapshot : *s;
  for (int j = 0; j < dh; ++j) {
    const int y = dr.top + j;
    if (y < 0 || y >= d->height) continue;
    const int sy = sr.top + static_cast<int>(static_cast<int64_t>(j) * sh / dh);
    for (int i = 0; i < dw; ++i) {
      const int x = dr.left + i;
      if (x < 0 || x >= d->width) continue;
      const int sx = sr.left + static_cast<int>(static_cast<int64_t>(i) * sw / dw);
      const uint32_t v = ReadPixel(from, sx, sy);
      if (colorKey && from.keyed && v >= from.keyLow && v <= from.keyHigh) continue;
      WritePixel(*d, x, y, v);
    }
  }
  return kDdOk;
}

int32_t BltFastSurface(SurfaceHandle dest, int x, int y, SurfaceHandle source, const SurfaceRect* sourceRect,
                       bool colorKey) {
  SurfaceRect sr;
  {
    std::lock_guard lock(gMutex);
    Surface* s = FindSurface(source);
    if (s == nullptr) return kDdErrInvalidParams;
    sr = sourceRect != nullptr ? *sourceRect : Whole(*s);
  }
  const SurfaceRect dr{x, y, x + sr.right - sr.left, y + sr.bottom - sr.top};
  return BltSurface(dest, &dr, source, &sr, colorKey);
}

int32_t CopySurfaceThroughDc(SurfaceHandle dest, int x, int y, int width, int height, SurfaceHandle source, int sourceX,
                             int sourceY) {
  const SurfaceRect sr{sourceX, sourceY, sourceX + width, sourceY + height};
  const SurfaceRect dr{x, y, x + width, y + height};
  return BltSurface(dest, &dr, source, &sr, false);
}

int32_t FlipSurface(SurfaceHandle primary) {
  std::lock_guard lock(gMutex);
  Surface* p = FindSurface(primary);
  if (p == nullptr) return kDdErrInvalidParams;
  Surface* b = FindSurface(p->backBuffer);
  if (b == nullptr) return kDdErrInvalidParams;
  if (p->lost || b->lost) return kDdErrSurfaceLost;
  std::swap(p->pixels, b->pixels);
  p->generation = NextGeneration();
  b->generation = NextGeneration();
  return kDdOk;
}

int32_t SetSurfaceColorKey(SurfaceHandle surface, uint32_t low, uint32_t high) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr) return kDdErrInvalidParams;
  s->keyed = true;
  s->keyLow = low;
  s->keyHigh = high;
  s->generation = NextGeneration();
  return kDdOk;
}

bool GetSurfaceColorKey(SurfaceHandle surface, uint32_t* low, uint32_t* high) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr || !s->keyed) return false;
  *low = s->keyLow;
  *high = s->keyHigh;
  return true;
}

int32_t IsSurfaceLost(SurfaceHandle surface) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr) return kDdErrInvalidParams;
  return s->lost ? kDdErrSurfaceLost : kDdOk;
}

uint64_t GetSurfaceGeneration(SurfaceHandle surface) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  return s != nullptr ? s->generation : 0;
}

int32_t RestoreSurface(SurfaceHandle surface) {
  std::lock_guard lock(gMutex);
  Surface* s = FindSurface(surface);
  if (s == nullptr) return kDdErrInvalidParams;
  s->generation = NextGeneration();
  s->lost = false;
  return kDdOk;
}

void SetDirectDrawRefused(bool refused) {
  std::lock_guard lock(gMutex);
  S().refused = refused;
}

void RefuseDisplayMode(int width, int height, int bits) {
  std::lock_guard lock(gMutex);
  S().refusedModes.push_back({width, height, bits});
}

void ClearRefusedDisplayModes() {
  std::lock_guard lock(gMutex);
  S().refusedModes.clear();
}

void LoseAllSurfaces() {
  std::lock_guard lock(gMutex);
  for (auto& s : S().surfaces)
    if (s.live) s.lost = true;
}

int LiveSurfaceCount() {
  std::lock_guard lock(gMutex);
  int n = 0;
  for (auto& s : S().surfaces) n += s.live ? 1 : 0;
  return n;
}

uint64_t VerticalBlankClock() {
  std::lock_guard lock(gMutex);
  return Now(false);
}

}  // namespace platform
