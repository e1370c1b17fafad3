// Presentation, frame pacing, the software front screen and screen save.
#include <algorithm>
#include <cstring>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/graphics/GraphicsText.h"
#include "media/image/ColorConvert.h"
#include "media/image/ImageWriters.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MainWindow.h"
#include "media/system/MessageLoop.h"
#include "media/system/PublicSystem.h"
#include "platform/display/WindowImage.h"
#include "platform/gpu/Gpu.h"
#include "platform/time/Time.h"

namespace {

bool NoDisplay() { return gScreenState.gdiPresentation == 0 && gScreenState.directDraw == 0; }
bool SoftwareScreens() { return gScreenState.softwareRendering != 0 && gScreenState.colorDepth != 8; }

int ScreenWidth() { return gScreenState.width == 0 ? 640 : gScreenState.width; }
int ScreenHeight() { return gScreenState.height == 0 ? 480 : gScreenState.height; }

// A top-down BITMAPINFO over a software screen's pixels.
platform::BitmapInfo ScreenBitmapInfo(const MEMIMG& screen) {
  platform::BitmapInfo info{};
  const ColorFormat* f = screen.base->descriptor;
  info.header.size = 40;
  info.header.width = screen.base->pitch / f->bytesPerPixel;
  info.header.height = -ScreenHeight();
  info.header.planes = 1;
  info.header.bitCount = f->bitDepth;
  info.header.compression = platform::kBitmapBitFields;
  info.colors[0] = f->redMask;
  info.colors[1] = f->greenMask;
  info.colors[2] = f->blueMask;
  return info;
}

void Wait() {
  if (GetVSyncWait() != 0) WaitFrameInterval();
}

// The display behind the primary surface is the window: the client area's
// part of the primary is copied into the window image.
void ShowPrimaryInWindow() {
  ScreenState& ss = gScreenState;
  platform::WindowRect client{};
  if (IsWindowModeOn() != 0) GetClientScreenRect(&client);
  else client = platform::WindowRect{0, 0, ScreenWidth(), ScreenHeight()};
  int width = 0, height = 0;
  platform::PixelFormat format{};
  if (platform::GetSurfaceFormat(ss.primary, &width, &height, &format) == 0) return;
  uint8_t* bits = nullptr;
  int pitch = 0;
  if (platform::LockSurface(ss.primary, nullptr, &bits, &pitch) != platform::kDdOk) return;
  platform::BitmapInfo info{};
  info.header.size = 40;
  info.header.width = pitch / static_cast<int>(format.bitCount / 8);
  info.header.height = -height;
  info.header.planes = 1;
  info.header.bitCount = static_cast<uint16_t>(format.bitCount);
  info.header.compression = platform::kBitmapBitFields;
  info.colors[0] = format.redMask;
  info.colors[1] = format.greenMask;
  info.colors[2] = format.blueMask;
  const platform::DisplayContext dc = platform::GetWindowDc(ss.window);
  platform::SetDibBitsToDevice(dc, 0, 0, client.Width(), client.Height(), client.left, client.top, 0, height, bits,
                               &info);
  platform::ReleaseWindowDc(ss.window, dc);
  platform::UnlockSurface(ss.primary);
}

// The back screen's `from` has just gone to `to` of the primary. Where the 3D
// device draws into the window it presents the back screen there itself;
// otherwise the primary goes through the window image.
void ShowBackInWindow(const platform::SurfaceRect& from, const platform::SurfaceRect& to) {
  ScreenState& ss = gScreenState;
  platform::WindowRect client{};
  if (IsWindowModeOn() != 0) GetClientScreenRect(&client);
  else client = platform::WindowRect{0, 0, ScreenWidth(), ScreenHeight()};
  const platform::SurfaceRect inClient{to.left - client.left, to.top - client.top, to.right - client.left,
                                       to.bottom - client.top};
  if (!platform::gpu::PresentSurfaceToWindow(ss.back, from, inClient, client.Width(), client.Height()))
    ShowPrimaryInWindow();
}

}  // namespace

int WaitVerticalBlanks(int count) {
  ScreenState& ss = gScreenState;
  if (ss.directDraw == 0) return -1;
  WaitWhileInactive();
  auto blank = [&] {
    int in = 0;
    platform::GetVerticalBlankStatus(ss.directDraw, &in);
    return in != 0;
  };
  if (count == 0) {
    while (true) {
      if (RunMessageLoopRoundBody() != 0) break;
      if (blank()) break;
    }
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    while (RunMessageLoopRoundBody() == 0 && blank()) {
    }
    while (RunMessageLoopRoundBody() == 0 && !blank()) {
    }
    if (RunMessageLoopRoundBody() < 0) return -1;
  }
  return 0;
}

int WaitFrameInterval() {
  ScreenState& ss = gScreenState;
  const int now = MillisecondClock();
  // Clock differences are taken modulo 2^31.
  auto since = [&](int then) { return (MillisecondClock() - then) & 0x7FFFFFFF; };
  if (ss.frameInterval != -1 && ((now - ss.lastPresentTime) & 0x7FFFFFFF) < ss.frameInterval) {
    while (since(ss.lastPresentTime) < ss.frameInterval) platform::SleepMilliseconds(1);
    platform::WaitForVerticalBlank(ss.directDraw);
  } else {
    platform::SleepMilliseconds(0);
    int in = 0;
    platform::GetVerticalBlankStatus(ss.directDraw, &in);
    if (in == 0) platform::WaitForVerticalBlank(ss.directDraw);
  }
  ss.lastPresentTime = MillisecondClock();
  return 0;
}

int PresentFrame() {
  ScreenState& ss = gScreenState;
  if (NoDisplay()) return -1;
  EndCurrentDeviceScene();
  WaitWhileInactive();
  if (ss.softwareRendering != 0 || ss.showGdiSurface != 0 || ss.gdiPresentation != 0 || IsWindowModeOn() != 0 ||
      IsMenuInUse() != 0)
    return PresentBackScreen(nullptr);
  if (gDrawState.drawTarget == -4 && GetVSyncWait() != 0) {
    CountPresentation();
    return WaitVerticalBlanks(1);
  }
  // The device shows the back screen before the flip hands its pixels to the primary.
  const platform::SurfaceRect whole{0, 0, ScreenWidth(), ScreenHeight()};
  const bool shown = platform::gpu::PresentSurfaceToWindow(ss.back, whole, whole, ScreenWidth(), ScreenHeight());
  platform::FlipSurface(ss.primary);
  if (!shown) ShowPrimaryInWindow();
  CountPresentation();
  return 0;
}

int PresentBackScreen(const GraphicsRect* target) {
  ScreenState& ss = gScreenState;
  if (NoDisplay()) return -1;
  EndCurrentDeviceScene();
  if (gDrawState.drawTarget == -4) {
    CountPresentation();
    return WaitVerticalBlanks(1);
  }
  const int width = ScreenWidth(), height = ScreenHeight();
  Rect s{0, 0, width, height};
  Rect d = s;
  const bool window = IsWindowModeOn() != 0;
  platform::WindowRect client{};
  if (window) {
    GetClientScreenRect(&client);
    const double scale = GetWindowScale();
    d = Rect{client.left, client.top, client.left + static_cast<int>(scale * width),
             client.top + static_cast<int>(scale * height)};
    if (target != nullptr) {
      d = Rect{target->left + client.left, target->top + client.top, target->right + client.left,
               target->bottom + client.top};
      s = Rect{static_cast<int>(target->left / scale), static_cast<int>(target->top / scale),
               static_cast<int>(target->right / scale), static_cast<int>(target->bottom / scale)};
    }
  }
  if (SoftwareScreens()) {
    if (ss.gdiPresentation != 0) {
      if (MemImgIsValid(&ss.backScreen) == 0) return 0;
      Wait();
      const platform::BitmapInfo info = ScreenBitmapInfo(ss.backScreen);
      // The window's context counts from the client area's corner.
      const int dx = d.left - (window ? client.left : 0), dy = d.top - (window ? client.top : 0);
      const int dw = d.right - d.left, dh = d.bottom - d.top, sw = s.right - s.left, sh = s.bottom - s.top;
      const platform::DisplayContext dc = platform::GetWindowDc(ss.window);
      if (dw == sw && dh == sh)
        platform::SetDibBitsToDevice(dc, dx, dy, dw, dh, s.left, s.top, 0, height, ss.backScreen.pixels, &info);
      else platform::StretchDibBits(dc, dx, dy, dw, dh, s.left, s.top, sw, sh, ss.backScreen.pixels, &info);
      platform::ReleaseWindowDc(ss.window, dc);
    } else {
      uint8_t* bits = nullptr;
      int pitch = 0;
      if (platform::LockSurface(ss.back, nullptr, &bits, &pitch) != platform::kDdOk)
        FatalLibraryError(kTxtBackLockFatal);
      GraphImage image{};
      image.format = *GetScreenColorFormat();
      image.width = width;
      image.height = height;
      image.pitch = pitch;
      image.pixels = bits;
      MemImgTransferToBase(&image, &ss.backScreen, 0, 0, width, height, 0, 0, 0, 0);
      platform::UnlockSurface(ss.back);
      Wait();
      const platform::SurfaceRect from{s.left, s.top, s.right, s.bottom};
      const platform::SurfaceRect to{d.left, d.top, d.right, d.bottom};
      platform::BltSurface(ss.primary, &to, ss.back, &from, false);
      ShowPrimaryInWindow();
    }
    ss.readBack = 1;
    CountPresentation();
    return 0;
  }
  const platform::SurfaceRect from{s.left, s.top, s.right, s.bottom};
  const platform::SurfaceRect to{d.left, d.top, d.right, d.bottom};
  Wait();
  platform::BltSurface(ss.primary, &to, ss.back, &from, false);
  ShowBackInWindow(from, to);
  CountPresentation();
  return 0;
}

int CopySurfaceRect(platform::SurfaceHandle dest, platform::SurfaceHandle source, int x, int y, const Rect* rect,
                    int method) {
  if (method == -1) method = gScreenState.useBitBlt;
  const int w = rect->right - rect->left, h = rect->bottom - rect->top;
  if (method == 0) {
    const platform::SurfaceRect r{rect->left, rect->top, rect->right, rect->bottom};
    return platform::BltFastSurface(dest, x, y, source, &r, false) == platform::kDdOk ? 0 : -1;
  }
  return platform::CopySurfaceThroughDc(dest, x, y, w, h, source, rect->left, rect->top) == platform::kDdOk ? 0 : -1;
}

int GetFrontScreenRect(Rect* out) {
  *out = Rect{0, 0, ScreenWidth(), ScreenHeight()};
  if (gScreenState.useFrontWorkSurface == 0) {
    platform::WindowRect client;
    GetClientScreenRect(&client);
    out->left += client.left;
    out->right += client.left;
    out->top += client.top;
    out->bottom += client.top;
  }
  return 0;
}

int PresentSoftwareFrontRect(const Rect* rect) {
  ScreenState& ss = gScreenState;
  Rect r = *rect;
  const Rect screen{0, 0, ScreenWidth(), ScreenHeight()};
  ClipRectangle(&r, &screen);
  if (r.left == r.right || r.top == r.bottom) return 0;
  if (MemImgIsValid(&ss.frontScreen) == 0) return 0;
  if (ss.gdiPresentation != 0) {
    const platform::BitmapInfo info = ScreenBitmapInfo(ss.frontScreen);
    const platform::DisplayContext dc = platform::GetWindowDc(ss.window);
    platform::StretchDibBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, ss.frontScreen.pixels, &info);
    platform::ReleaseWindowDc(ss.window, dc);
    return 0;
  }
  const platform::SurfaceHandle surface = ss.useFrontWorkSurface != 0 ? ss.frontWork : ss.primary;
  Rect at = r;
  if (IsWindowModeOn() != 0 && surface == ss.primary) {
    platform::WindowRect client;
    GetClientScreenRect(&client);
    at = Rect{r.left + client.left, r.top + client.top, r.right + client.left, r.bottom + client.top};
  }
  uint8_t* bits = nullptr;
  int pitch = 0;
  const platform::SurfaceRect lock{at.left, at.top, at.right, at.bottom};
  if (platform::LockSurface(surface, &lock, &bits, &pitch) != platform::kDdOk) return -1;
  GraphImage image{};
  image.format = *GetScreenColorFormat();
  image.width = r.right - r.left;
  image.height = r.bottom - r.top;
  image.pitch = pitch;
  image.pixels = bits;
  MemImgTransferToBase(&image, &ss.frontScreen, r.left, r.top, image.width, image.height, 0, 0, 0, 0);
  platform::UnlockSurface(surface);
  if (surface == ss.primary) ShowPrimaryInWindow();
  return 0;
}

int ReadBackWindowToFrontScreen() {
  ScreenState& ss = gScreenState;
  if (!(ss.gdiPresentation != 0 || SoftwareScreens()) || ss.readBack != 1) return 0;
  if (MemImgIsValid(&ss.frontScreen) == 0) return 0;
  if (ss.gdiPresentation != 0) {
    const platform::BitmapInfo info = ScreenBitmapInfo(ss.frontScreen);
    platform::ReadWindowImageBits(ss.window, ScreenWidth(), ScreenHeight(), ss.frontScreen.pixels, &info);
  } else {
    Rect r;
    GetFrontScreenRect(&r);
    const platform::SurfaceHandle surface = ss.useFrontWorkSurface != 0 ? ss.frontWork : ss.primary;
    uint8_t* bits = nullptr;
    int pitch = 0;
    const platform::SurfaceRect lock{r.left, r.top, r.right, r.bottom};
    if (platform::LockSurface(surface, &lock, &bits, &pitch) != platform::kDdOk) return -1;
    const Rect source{0, 0, r.right - r.left, r.bottom - r.top};
    ConvertColorFormatBlt(ss.frontScreen.pixels, ss.frontScreen.base->pitch, ss.frontScreen.base->descriptor, bits,
                          pitch, GetScreenColorFormat(), nullptr, 0, nullptr, 0, 0, &source, 0, 0, 0, 0, 0, 0, 0, 0);
    platform::UnlockSurface(surface);
  }
  ss.readBack = 0;
  return 0;
}

int SaveScreenRegionToFile(int left, int top, int right, int bottom, const char* fileName, int type, int jpegQuality,
                           int jpegOption, int pngLevel) {
  ScreenState& ss = gScreenState;
  if (NoDisplay()) return -1;
  WaitWhileInactive();
  // Draws still in the device's batch belong in the picture.
  EndCurrentDeviceScene();
  FlushCurrentDevicePrimitives();
  GraphImage image{};
  Rect r{left, top, right, bottom};
  ClipRectangle(&r, &gDrawState.drawArea);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return -1;
  const uint8_t* source = nullptr;
  int pitch = 0;
  const ColorFormat* format = nullptr;
  platform::SurfaceHandle locked = 0;
  if (SoftwareScreens()) {
    if (gDrawState.drawTarget == -4) ReadBackWindowToFrontScreen();
    const MEMIMG* screen = ss.targetImage;
    if (screen == nullptr || MemImgIsValid(screen) == 0) return -1;
    const int unit = screen->base->descriptor->bytesPerPixel;
    source = screen->pixels + static_cast<size_t>(r.top + ss.targetOffsetY) * screen->base->pitch +
             static_cast<size_t>(r.left + ss.targetOffsetX) * unit;
    pitch = screen->base->pitch;
    format = screen->base->descriptor;
  } else {
    // The target surface lies in system memory: it is read in place, clipped
    // to its own size.
    int sw = 0, sh = 0;
    platform::GetSurfaceFormat(ss.targetSurface, &sw, &sh, nullptr);
    const int x = r.left + gDrawState.frontWindowRect.left + ss.targetOffsetX;
    const int y = r.top + gDrawState.frontWindowRect.top + ss.targetOffsetY;
    platform::SurfaceRect lock{x, y, std::min(x + w, sw), std::min(y + h, sh)};
    uint8_t* bits = nullptr;
    if (lock.right <= lock.left || lock.bottom <= lock.top ||
        platform::LockSurface(ss.targetSurface, &lock, &bits, &pitch) != platform::kDdOk) {
      LogWrite(kTxtWorkLockFailed);
      return -1;
    }
    locked = ss.targetSurface;
    source = bits;
    format = GetScreenColorFormat();
  }
  const int cw = locked != 0 ? std::min(w,
                                        [&] {
                                          int sw = 0;
                                          platform::GetSurfaceFormat(locked, &sw, nullptr, nullptr);
                                          return sw - (r.left + gDrawState.frontWindowRect.left + ss.targetOffsetX);
                                        }())
                             : w;
  const int ch = locked != 0 ? std::min(h,
                                        [&] {
                                          int sh = 0;
                                          platform::GetSurfaceFormat(locked, nullptr, &sh, nullptr);
                                          return sh - (r.top + gDrawState.frontWindowRect.top + ss.targetOffsetY);
                                        }())
                             : h;
  int result = 0;
  if (format->bitDepth == 16 || format->bitDepth == 32) image.format = *format;
  const int unit = format->bytesPerPixel;
  auto* buffer = static_cast<uint8_t*>(TrackedAlloc(static_cast<size_t>(unit) * cw * ch, __FILE__, __LINE__));
  if (buffer == nullptr) {
    LogWrite(kTxtSaveBufferFailed);
    result = -1;
  } else {
    for (int y = 0; y < ch; ++y)
      std::memcpy(buffer + static_cast<size_t>(y) * unit * cw, source + static_cast<size_t>(y) * pitch,
                  static_cast<size_t>(unit) * cw);
    image.width = cw;
    image.height = ch;
    image.pitch = unit * cw;
    image.pixels = buffer;
    int written = 0;
    switch (type) {
      case 0: written = WriteGraphImageBmp(fileName, &image); break;
      case 1: written = WriteJpegFile(fileName, &image, jpegQuality, jpegOption); break;
      case 2: written = WritePngFile(fileName, &image, pngLevel); break;
      default: break;
    }
    if (written < 0) result = -1;
  }
  if (locked != 0) platform::UnlockSurface(locked);
  FreeGraphImage(&image);
  return result;
}

int PresentBackScreen() { return PresentBackScreen(nullptr); }

int SaveScreenAreaPng(int x1, int y1, int x2, int y2, const char* fileName, int option) {
  return SaveScreenRegionToFile(x1, y1, x2, y2, fileName, 2, 80, option, -1);
}
