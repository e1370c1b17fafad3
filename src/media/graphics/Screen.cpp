// Screen set-up and display modes, the main surfaces and software screens.
#include <cstring>

#include "foundation/Log.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/graphics/GraphicsText.h"
#include "media/image/FontSystem.h"
#include "media/softrender/BlendTables.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MainWindow.h"
#include "media/system/MessageLoop.h"
#include "media/system/PublicSystem.h"
#include "platform/gpu/Gpu.h"
#include "platform/time/Time.h"

ScreenState gScreenState{};

namespace {

constexpr int kVistaCode = 0x108;
constexpr uint32_t kCooperativeNormal = 8;
constexpr uint32_t kCooperativeFullScreen = 0x11;

int Clock31() { return MillisecondClock(); }

// 31-bit clock differences wrap modulo 2^31.
int Elapsed31(int now, int then) { return (now - then) & 0x7FFFFFFF; }

// The background colour of the library system state (never set: black).
uint32_t BackgroundPixel(const ColorFormat* format) {
  const LibrarySystemState& s = gLibrarySystem;
  return EncodePixel(format, s.backgroundRed, s.backgroundGreen, s.backgroundBlue, 255);
}

void FillSurfaceBackground(platform::SurfaceHandle surface) {
  const LibrarySystemState& s = gLibrarySystem;
  platform::FillSurface(surface, nullptr,
                        static_cast<uint32_t>(PackColor(s.backgroundRed, s.backgroundGreen, s.backgroundBlue)));
}

int CreateDirectDrawObject(platform::DirectDrawHandle* out) {
  LogWrite(kTxtDDGetObject);
  const platform::DirectDrawHandle dd = platform::CreateDirectDraw();
  if (dd == 0) {
    LogWrite(kTxtDDGetObjectFailed);
    return -1;
  }
  LogWrite(kTxtSuccess);
  LogWrite(kTxtContinueInit);
  LogWrite(kTxtInitSucceeded);
  LogWrite(kTxtVideoCard);
  LogIndentIn();
  // The driver report is read only while Shift is held; nobody holds it here.
  LibrarySystemState& s = gLibrarySystem;
  s.videoDriverName[0] = '\0';
  s.videoDriverDescription[0] = '\0';
  s.videoMemoryFree = 0;
  s.videoMemoryTotal = 0x1000000;
  LogIndentOut();
  platform::SetCooperativeLevel(dd, gScreenState.window, kCooperativeNormal);
  *out = dd;
  return 0;
}

int CreateWindowClipper() {
  gScreenState.clipper = 1;
  return 0;
}

int ChangeDisplayMode(int desktopWidth, int desktopHeight, int width, int height, int depth, int* outDepth,
                      int* outCooperative, int windowMode, int* modeChanged) {
  ScreenState& ss = gScreenState;
  LogWriteFormat(kTxtChangeModeStart, static_cast<unsigned>(width), static_cast<unsigned>(height),
                 static_cast<unsigned>(depth));
  LogIndentIn();
  if (windowMode != 0) {
    LogWrite(kTxtWindowModeOn);
    if (width > desktopWidth || height > desktopHeight) {
      LogIndentOut();
      FatalLibraryError(kTxtDesktopTooSmall);
    }
    if (*modeChanged == 1) {
      LogWrite(kTxtLeaveFullScreen);
      if (ss.gdiPresentation == 0) platform::RestoreDisplayMode(ss.directDraw);
      *modeChanged = 0;
    }
    int desktopBits = 32;
    platform::GetDesktopMode(nullptr, nullptr, &desktopBits);
    if (desktopBits == 24) {
      LogIndentOut();
      return -1;
    }
    if (outDepth != nullptr) *outDepth = desktopBits;
    if (ss.gdiPresentation == 0 &&
        platform::SetCooperativeLevel(ss.directDraw, ss.window, kCooperativeNormal) != platform::kDdOk) {
      LogIndentOut();
      FatalLibraryError(kTxtCooperativeFatal);
    }
    if (outCooperative != nullptr) *outCooperative = kCooperativeNormal;
  } else {
    if (depth == 24) {
      LogIndentOut();
      return -1;
    }
    LogWrite(kTxtChangeResolution);
    if (ss.gdiPresentation == 0 &&
        platform::SetCooperativeLevel(ss.directDraw, ss.window, kCooperativeFullScreen) != platform::kDdOk)
      FatalLibraryError(kTxtCooperativeFatal);
    if (outCooperative != nullptr) *outCooperative = kCooperativeFullScreen;
    // The GDI mode change goes through the same display object here.
    platform::DirectDrawHandle dd = ss.directDraw;
    int32_t result = platform::SetDisplayMode(dd, width, height, depth, ss.refreshRequest);
    if (result != platform::kDdOk) {
      ss.refreshRequest = 0;
      result = platform::SetDisplayMode(dd, width, height, depth, 0);
    }
    if (result != platform::kDdOk) {
      LogWrite(kTxtChangeModeFailed);
      LogIndentOut();
      return -1;
    }
    if (outDepth != nullptr) *outDepth = depth;
    *modeChanged = 1;
    LogWrite(kTxtSucceeded);
  }
  LogIndentOut();
  LogWrite(kTxtChangeModeDone);
  return 0;
}

int CreateScreenPalette() { return 0; }

// Measures the frame time from the virtual blank (hardware mode only).
void MeasureFrameTime() {
  ScreenState& ss = gScreenState;
  const int samples = ss.refreshRate != -1 ? 4 : 20;
  int desktopHeight = 0;
  platform::GetDesktopMode(nullptr, &desktopHeight, nullptr);
  LogWriteFormat(kTxtScanLines, desktopHeight);
  auto scanLine = [&]() {
    int line = 0;
    platform::GetScanLine(ss.directDraw, &line);
    return line;
  };
  auto inBlank = [&]() {
    int blank = 0;
    platform::GetVerticalBlankStatus(ss.directDraw, &blank);
    return blank;
  };
  auto waitWrap = [&]() {
    const int first = scanLine();
    while (true) {
      if (inBlank() != 0) break;
      if (scanLine() < first) break;
    }
  };
  for (int i = 0; i < 3; ++i) {
    waitWrap();
    while (inBlank() != 0) {
    }
  }
  waitWrap();
  uint64_t totalMicroseconds = 0, totalSamples = 0;
  int values[20] = {};
  bool found = false;
  for (int series = 0; series < 5 && !found; ++series) {
    for (int i = 0; i < samples; ++i) {
      const int ms = Clock31();
      const uint64_t us = MicrosecondClock(0);
      while (inBlank() != 0) {
      }
      waitWrap();
      values[i] = Elapsed31(Clock31(), ms);
      totalMicroseconds += MicrosecondClock(0) - us;
      ++totalSamples;
    }
    if (series == 4) break;
    for (int i = 0; i < samples && !found; ++i)
      for (int j = i + 1; j < samples; ++j)
        if (values[j] == values[i]) {
          ss.frameTime = values[i];
          found = true;
          break;
        }
    if (ss.refreshRate == -1 && totalSamples != 0) {
      const uint64_t average = totalMicroseconds / totalSamples;
      if (average != 0) {
        const uint64_t q = 10000000 / average;
        ss.refreshRate = static_cast<int>(q / 10 + (q % 10 > 5 ? 1 : 0));
      }
    }
  }
  if (found) LogWriteFormat(kTxtFrameTime, ss.frameTime);
  else LogWrite(kTxtFrameTimeFailed);
  for (int i = 0; i < samples; ++i) LogWriteFormat(kTxtFrameSample, i, values[i]);
}

}  // namespace

int SetNoDirect3DFlag(int flag) {
  gScreenState.noDirect3D = gScreenState.gdiPresentation != 0 ? 1 : flag;
  return 0;
}
int GetNoDirect3DFlag() { return gScreenState.noDirect3D; }

int SetHardwareRendering(int flag) {
  ScreenState& ss = gScreenState;
  if (ss.gdiPresentation != 0) flag = 0;
  if (flag == 0) {
    SetUse3DForNewGraphs(0);
    SetUseVideoMemoryGraphs(0);
    ss.gdiPresentation = 1;
    ss.noDirect3D = 1;
  }
  ss.softwareRendering = flag == 0 ? 1 : 0;
  if (ss.directDraw != 0) {
    const int target = gDrawState.drawTarget;
    ReleaseAllGraphs(0);
    ApplyScreenMode(-1, -1, -1, 1, -1);
    if (target == -4 || target == -2) SelectDrawTarget(target);
  }
  return 0;
}

int EnableDirectDraw(int flag) {
  gScreenState.gdiPresentation = flag == 0 ? 1 : 0;
  if (flag == 0) {
    SetHardwareRendering(0);
    SetUse3DForNewGraphs(0);
    SetUseVideoMemoryGraphs(0);
  }
  return 0;
}

int StartDirectDraw() {
  ScreenState& ss = gScreenState;
  if (ss.directDraw != 0) return -1;
  LogWrite(kTxtDDStart);
  LogIndentIn();
  if (ss.gdiPresentation != 0) {
    SetUse3DForNewGraphs(0);
    SetUseVideoMemoryGraphs(0);
    SetHardwareRendering(0);
  }
  if (CreateDirectDrawObject(&ss.directDraw) == -1) FatalLibraryError(kTxtDDObjectFatal);
  if (ss.gdiPresentation == 0 && CreateWindowClipper() == -1) FatalLibraryError(kTxtDDClipperFatal);
  if (ss.width == 0) ss.width = 640;
  if (ss.height == 0) ss.height = 480;
  if (ss.colorDepth == 0) ss.colorDepth = 16;
  if (ss.requestedDepth == 0) ss.requestedDepth = ss.colorDepth;
  if (ApplyScreenMode(-1, -1, -1, 1, -1) < 0) {
    LogIndentOut();
    StopDirectDraw();
    return -1;
  }
  if (HasWindowRegion() == 0) {
    SelectDrawTarget(-2);
    ClearDrawTarget();
    SelectDrawTarget(-4);
  }
  ss.overlayIndex = -1;
  if (gLibrarySystem.osVersionCode != kVistaCode && ss.directDraw != 0) {
    std::memset(ss.driverCaps, 0, sizeof ss.driverCaps);
    ss.driverCaps[0] = 0x7C;  // the block's size, 380
    ss.driverCaps[1] = 0x01;
    // The stand-in makes no overlay surfaces: every row of the probe fails.
    static const uint32_t kFourCC[2] = {0x59565955u, 0x32595559u};  // UYVY, YUY2
    for (int row = 0; row < 4 && ss.overlayIndex < 0; ++row) {
      platform::SurfaceDescription d;
      d.width = 16;
      d.height = 16;
      d.caps = platform::kCapsOverlay | platform::kCapsVideoMemory;
      d.hasPixelFormat = true;
      d.pixelFormat = platform::PixelFormat{32,
                                            row < 2 ? platform::kPixelFormatFourCC : platform::kPixelFormatRgb,
                                            row < 2 ? kFourCC[row] : 0u,
                                            row < 2 ? 0u : 16u,
                                            row == 2 ? 0x7C00u : (row == 3 ? 0xF800u : 0u),
                                            row == 2 ? 0x3E0u : (row == 3 ? 0x7E0u : 0u),
                                            row < 2 ? 0u : 0x1Fu,
                                            0u};
      platform::SurfaceHandle surface = 0;
      if (platform::CreateSurface(ss.directDraw, d, &surface) != platform::kDdOk) continue;
      const bool system = (platform::GetSurfaceCaps(surface) & platform::kCapsSystemMemory) != 0;
      platform::ReleaseSurface(surface);
      if (!system) ss.overlayIndex = row;
    }
    if (ss.overlayIndex < 0) LogWrite(kTxtOverlayNone);
  }
  LogIndentOut();
  LogWrite(kTxtDDStartDone);
  MemImgBlendTablesBuild();
  ss.directDrawStarted = 1;
  return 0;
}

int StopDirectDraw() {
  ScreenState& ss = gScreenState;
  if (ss.gdiPresentation == 0 && ss.directDraw == 0) return 0;
  LogWrite(kTxtDDStop);
  LogIndentIn();
  if (ss.gdiPresentation == 0) {
    ss.palette = 0;
    StopGraphManager();
    RemoveAllSurfaces2D();
    StopDirect3D();
    ReleaseMainSurfaces();
    ss.clipper = 0;
  } else {
    StopGraphManager();
    RemoveAllSurfaces2D();
    ReleaseMainSurfaces();
  }
  LogWrite(kTxtDDRelease);
  if (ss.directDraw != 0) platform::ReleaseDirectDraw(ss.directDraw);
  ss.directDraw = 0;
  LogWrite(kTxtDDReleased);
  if (ss.gdiPresentation != 0) LogWrite(kTxtRestoreDisplayDone);
  LogIndentOut();
  LogWrite(kTxtDDStopDone);
  ss.directDrawStarted = 0;
  return 0;
}

int ReadScreenPixelFormat() {
  ScreenState& ss = gScreenState;
  if (ss.gdiPresentation != 0) {
    if (ss.colorDepth != 16 && ss.colorDepth != 32) ss.colorDepth = 16;
    ss.screenColorFormat = *MemImgPixelDescriptor(ss.colorDepth == 16 ? kMemImgRgb565 : kMemImgRgb32, 0, 0);
    ss.colorKind = ss.colorDepth == 16 ? 1 : 2;
    return 0;
  }
  if (ss.directDraw == 0) return 0;
  platform::PixelFormat pf{};
  platform::GetDisplayMode(ss.directDraw, nullptr, nullptr, &pf);
  ss.displayPixelFormat = pf;
  FillColorFormatFromPixelFormat(&pf, &ss.screenColorFormat);
  LogWrite(kTxtColorInfo);
  LogIndentIn();
  LogWriteFormat(kTxtColorMasks, pf.alphaMask, pf.redMask, pf.greenMask, pf.blueMask);
  LogIndentOut();
  ss.colorDepth = static_cast<int>(pf.bitCount);
  if (pf.redMask == 0xF800 && pf.greenMask == 0x7E0 && pf.blueMask == 0x1F) ss.colorKind = 0;
  else if (pf.redMask == 0x7C00 && pf.greenMask == 0x3E0 && pf.blueMask == 0x1F) ss.colorKind = 1;
  else if (pf.redMask == 0xFF0000 && pf.greenMask == 0xFF00 && pf.blueMask == 0xFF) ss.colorKind = 2;
  else ss.colorKind = 3;
  return 0;
}

int ApplyScreenMode(int width, int height, int bits, int force, int refreshRate) {
  ScreenState& ss = gScreenState;
  LibrarySystemState& s = gLibrarySystem;
  int savedKey = 0;
  if (ss.directDrawStarted != 0) savedKey = gDrawState.transparentColor;
  if (width == -1) width = ss.width;
  if (height == -1) height = ss.height;
  if (bits == -1) bits = ss.colorDepth;
  if (refreshRate == -1) refreshRate = ss.refreshRequest;
  if (width == ss.width && height == ss.height && bits == ss.colorDepth && refreshRate == ss.refreshRequest &&
      force == 0)
    return 0;
  LogWrite(kTxtApplyModeStart);
  LogIndentIn();
  // The default font is made again after the change with the same metrics.
  const int fontSize = QueryFontHandleSize(gDefaultFontHandle);
  int fontThickness = 6;
  GetFontHandleInfo(nullptr, nullptr, &fontThickness, gDefaultFontHandle);
  const int oldWidth = ss.width, oldHeight = ss.height, oldDepth = ss.colorDepth, oldRefresh = ss.refreshRequest;
  ss.width = width;
  ss.height = height;
  ss.colorDepth = bits;
  ss.refreshRequest = refreshRate;
  if ((s.started == 0 && s.starting == 0) || (ss.gdiPresentation == 0 && ss.directDraw == 0)) {
    LogIndentOut();
    return 0;
  }
  ss.showGdiApplied = -1;
  const int now = Clock31();
  if (ss.lastModeChangeTime != 0 && Elapsed31(now, ss.lastModeChangeTime) < 2000)
    platform::SleepMilliseconds(static_cast<uint32_t>(2060 - Elapsed31(now, ss.lastModeChangeTime)));
  else platform::SleepMilliseconds(60);
  // Every apply counts as a mode change, even one that ends up changing no
  // display mode: the next one keeps its distance from it all the same.
  ss.lastModeChangeTime = Clock31();
  ReleaseAllGraphs(0);
  StopGraphManager();
  StopDirect3D();
  ss.palette = 0;
  ReleaseMainSurfaces();
  int result = 0;
  if (ss.directDrawStarted == 0) {
    if (s.windowMode == 0) ApplyWindowModeStyle();
    int desktopWidth = 0, desktopHeight = 0, desktopBits = 0;
    platform::GetDesktopMode(&desktopWidth, &desktopHeight, &desktopBits);
    if (ss.width == 0) ss.width = 640;
    if (ss.height == 0) ss.height = 480;
    if (ss.colorDepth == 0) ss.colorDepth = 16;
    if (ChangeDisplayMode(desktopWidth, desktopHeight, ss.width, ss.height, ss.colorDepth, &ss.colorDepth,
                          &ss.cooperativeLevel, s.windowMode, &ss.displayModeChanged) == -1) {
      result = -1;
      ss.width = oldWidth;
      ss.height = oldHeight;
      ss.colorDepth = oldDepth;
      ss.refreshRequest = oldRefresh;
      if (s.windowMode == 0) ApplyWindowModeStyle();
      bool retried = false;
      if (!(oldWidth == width && oldHeight == height && oldDepth == bits && oldRefresh == 0)) {
        retried = ChangeDisplayMode(desktopWidth, desktopHeight, ss.width, ss.height, ss.colorDepth, &ss.colorDepth,
                                    &ss.cooperativeLevel, s.windowMode, &ss.displayModeChanged) == 0;
      }
      if (!retried) {
        result = -2;
        ss.width = 640;
        ss.height = 480;
        ss.colorDepth = 16;
        ss.refreshRequest = 0;
        if (s.windowMode != 0) ApplyWindowModeStyle();
        if (ChangeDisplayMode(desktopWidth, desktopHeight, 640, 480, 16, &ss.colorDepth, &ss.cooperativeLevel,
                              s.windowMode, &ss.displayModeChanged) == -1)
          FatalLibraryError(kTxtUnexpectedMode);
      }
    }
  } else {
    RemoveAllSurfaces2D();
    if (ss.gdiPresentation == 0) {
      LogWrite(kTxtDDRelease);
      platform::SetCooperativeLevel(ss.directDraw, ss.window, kCooperativeNormal);
      ss.cooperativeLevel = kCooperativeNormal;
      platform::ReleaseDirectDraw(ss.directDraw);
      ss.directDraw = 0;
      LogWrite(kTxtDDReleased);
      CreateDirectDrawObject(&ss.directDraw);
    }
    const uint32_t level = s.windowMode != 0 ? kCooperativeNormal : kCooperativeFullScreen;
    if (ss.gdiPresentation == 0) {
      if (platform::SetCooperativeLevel(ss.directDraw, ss.window, level) != platform::kDdOk) {
        LogIndentOut();
        FatalLibraryError(kTxtCooperativeFatal);
      }
      ss.cooperativeLevel = static_cast<int>(level);
    }
    ss.displayModeChanged = 0;
    if (s.windowMode == 0) {
      LogWrite(kTxtChangeResolution);
      struct Try {
        int w, h, d, r;
      };
      const Try tries[4] = {{ss.width, ss.height, ss.colorDepth, ss.refreshRequest},
                            {ss.width, ss.height, ss.colorDepth, 0},
                            {oldWidth, oldHeight, oldDepth, 0},
                            {640, 480, 16, 0}};
      bool done = false;
      for (int i = 0; i < 4 && !done; ++i) {
        if (platform::SetDisplayMode(ss.directDraw, tries[i].w, tries[i].h, tries[i].d, tries[i].r) != platform::kDdOk)
          continue;
        done = true;
        ss.width = tries[i].w;
        ss.height = tries[i].h;
        ss.colorDepth = tries[i].d;
        if (i >= 1) ss.refreshRequest = 0;
        if (i == 2) ss.refreshRequest = oldRefresh;
        if (i == 3) {
          ss.refreshRequest = 0;
          result = -2;
        }
        ss.displayModeChanged = 1;
        LogWrite(kTxtSucceeded);
      }
      if (!done) FatalLibraryError(kTxtUnexpectedMode2);
    } else if (ss.directDraw != 0) {
      platform::RestoreDisplayMode(ss.directDraw);
    }
    LogIndentOut();
  }
  ReadScreenPixelFormat();
  if (s.windowMode != 0 || ss.gdiPresentation != 0) ApplyWindowModeStyle();
  if (CreateMainSurfaces() < 0) {
    LogIndentOut();
    LogWrite(kTxtSurfaceInitFailed);
    return -1;
  }
  if (ss.gdiPresentation == 0 && ss.noDirect3D == 0 && ss.softwareRendering == 0) {
    if (StartDirect3D() < 0) {
      LogIndentOut();
      ReleaseMainSurfaces();
      return -1;
    }
  }
  StartGraphManager();
  if (fontSize != -1) SetDefaultFontMetrics(fontSize, fontThickness);
  DebugPrintStart();
  CreateScreenPalette();
  if (ss.softwareRendering == 0 || ss.colorDepth == 8) {
    const platform::SurfaceHandle source = ss.useFrontWorkSurface != 0 ? ss.frontWork : ss.primary;
    const int halfWidth = ss.width / 2, halfHeight = ss.height / 2;
    const platform::SurfaceRect half{0, 0, halfWidth, halfHeight};
    uint64_t start = MicrosecondClock(0);
    for (int i = 0; i < 2; ++i) platform::BltFastSurface(ss.work1, 0, 0, source, &half, false);
    const double bltFast = static_cast<double>(MicrosecondClock(0) - start);
    start = MicrosecondClock(0);
    for (int i = 0; i < 2; ++i) platform::CopySurfaceThroughDc(ss.work1, 0, 0, halfWidth, halfHeight, source, 0, 0);
    const double bitBlt = static_cast<double>(MicrosecondClock(0) - start);
    ss.useBitBlt = bitBlt <= bltFast ? 1 : 0;
    LogWriteFormat(kTxtCopyMethod, ss.useBitBlt != 0 ? "BitBlt" : "BltFast");
    LogWriteFormat(kTxtCopyTimes, bitBlt, bltFast);
  }
  ss.refreshRate = -1;
  ss.frameTime = -1;
  if (ss.gdiPresentation != 0) {
    ss.refreshRate = 60;
    ss.frameInterval = -1;
  } else {
    MeasureFrameTime();
    ss.frameInterval = ss.frameTime >= 0 ? (2 * ss.frameTime - 4) / 3 : -1;
  }
  if (ss.directDrawStarted != 0) gDrawState.transparentColor = savedKey;
  LogIndentOut();
  LogWrite(kTxtApplyModeDone);
  platform::NotifyDisplayModeApplied(ss.colorDepth, ss.width, ss.height);
  RunMessageLoopRoundBody();
  ResetPresentCount();
  return result;
}

int SetScreenResolution(int width, int height, int bits, int refreshRate) {
  ScreenState& ss = gScreenState;
  ReleaseAllGraphs(0);
  if (width == -1) width = ss.width;
  if (height == -1) height = ss.height;
  if (bits == -1) bits = ss.colorDepth;
  if (refreshRate == -1) refreshRate = ss.refreshRequest;
  if (width == 0 || height == 0 || (bits != 8 && bits != 16 && bits != 32)) return -1;
  const int oldWidth = ss.width, oldHeight = ss.height, oldDepth = ss.colorDepth, oldRefresh = ss.refreshRequest;
  ss.requestedDepth = bits;
  ApplyScreenMode(width, height, bits, 0, refreshRate);
  if (ss.width == width && ss.height == height && ss.colorDepth == bits && ss.refreshRequest == refreshRate) return 0;
  if (ss.width == oldWidth && ss.height == oldHeight && ss.colorDepth == oldDepth && ss.refreshRequest == oldRefresh)
    return -1;
  if (ss.width == 640 && ss.height == 480 && ss.colorDepth == 16 && ss.refreshRequest == 0) return -2;
  return -1;
}

int QueryScreenSize(int* width, int* height) {
  if (width != nullptr) *width = gScreenState.width == 0 ? 640 : gScreenState.width;
  if (height != nullptr) *height = gScreenState.height == 0 ? 480 : gScreenState.height;
  return 0;
}

int QueryScreenMode(int* width, int* height, int* bits) {
  QueryScreenSize(width, height);
  if (bits != nullptr) *bits = gScreenState.colorDepth == 0 ? 16 : gScreenState.colorDepth;
  return 0;
}

int IsDisplayModeChanged() { return gScreenState.displayModeChanged; }
int IsDirectDrawUsed() { return gScreenState.gdiPresentation != 0 ? 0 : 1; }
void* GetDirectDrawObject() {
  // The object's handle, as an opaque non-null value while it exists.
  return gScreenState.directDraw != 0 ? &gScreenState.directDraw : nullptr;
}
int IsSoftwareRendering() { return gScreenState.softwareRendering; }
const ColorFormat* GetScreenColorFormat() { return &gScreenState.screenColorFormat; }
const SurfacePixelFormat* GetDisplayPixelFormat() { return &gScreenState.displayPixelFormat; }
int GetDisplayRefreshRate() { return gScreenState.refreshRate; }
const SurfacePixelFormat* GetOverlayPixelFormat() { return nullptr; }

int SetUseFrontWorkSurface(int flag) {
  if (gScreenState.directDraw == 0) gScreenState.useFrontWorkSurface = flag;
  return 0;
}
int GetUseFrontWorkSurface() { return gScreenState.useFrontWorkSurface; }

int SetShowGdiSurface(int flag) {
  ScreenState& ss = gScreenState;
  const int effective = (flag == 1 || IsMenuInUse() != 0) ? 1 : 0;
  if (effective == ss.showGdiApplied) return 0;
  ss.showGdiSurface = flag;
  if (ss.directDraw == 0) return 0;
  Rect clip;
  GetClipArea(&clip);
  const int target = gDrawState.drawTarget;
  SelectDrawTarget(-2);
  SelectDrawTarget(-4);
  SelectDrawTarget(target);
  SetClipArea(clip.left, clip.top, clip.right, clip.bottom);
  ss.showGdiApplied = effective;
  return 0;
}
int GetShowGdiSurface() { return gScreenState.showGdiSurface; }

// --- Main surfaces ----------------------------------------------------------------

int CreateMainSurfaces() {
  ScreenState& ss = gScreenState;
  if (ss.gdiPresentation == 0 && (ss.directDraw == 0 || ss.primary != 0)) return -1;
  LogWrite(kTxtMainSurfaceCreate);
  ss.memimgScreens = (ss.softwareRendering != 0 && ss.colorDepth != 8) ? 1 : 0;
  const int w = ss.width == 0 ? 640 : ss.width, h = ss.height == 0 ? 480 : ss.height;
  auto create = [&](uint32_t caps, int width, int height, int backBuffers, const char* fatal) {
    platform::SurfaceDescription d;
    d.width = width;
    d.height = height;
    d.caps = caps;
    d.backBufferCount = backBuffers;
    platform::SurfaceHandle surface = 0;
    if (platform::CreateSurface(ss.directDraw, d, &surface) != platform::kDdOk) FatalLibraryError(fatal);
    return surface;
  };
  if (ss.memimgScreens != 0) {
    ss.work1 = ss.work2 = ss.zBuffer = 0;
    if (ss.gdiPresentation == 0) {
      ss.primary = create(platform::kCapsPrimary | platform::kCapsSystemMemory, 0, 0, 0, kTxtPrimaryFatal);
      ss.back = create(platform::kCapsOffscreenPlain | platform::kCapsSystemMemory, w, h, 0, kTxtBackFatal);
      FillSurfaceBackground(ss.back);
    }
    const int format = GetScreenColorDepth() == 16 ? kMemImgRgb565 : kMemImgRgb32;
    if (MemImgCreateScreenFormat(&ss.frontScreen, w, h, format) != 0) FatalLibraryError(kTxtFrontMemimgFatal);
    if (MemImgCreateScreenFormat(&ss.backScreen, w, h, format) != 0) FatalLibraryError(kTxtBackMemimgFatal);
    if (MemImgCreateDepth(&ss.depthScreen, w, h) != 0) FatalLibraryError(kTxtDepthMemimgFatal);
    MemImgFillRaw(&ss.frontScreen, nullptr, BackgroundPixel(ss.frontScreen.base->descriptor));
    MemImgFillRaw(&ss.backScreen, nullptr, BackgroundPixel(ss.backScreen.base->descriptor));
    LogWrite(kTxtScreenMemoryPlace);
    LogWrite(kTxtPrimaryMemimg);
    LogWrite(kTxtBackMemimg);
  } else {
    ss.requestedDepth = ss.colorDepth;
    if (IsWindowModeOn() != 0) {
      ss.primary = create(platform::kCapsPrimary, 0, 0, 0, kTxtPrimaryFatal);
      ss.back = create(platform::kCapsOffscreenPlain | platform::kCaps3DDevice, w, h, 0, kTxtBackFatal);
      FillSurfaceBackground(ss.back);
    } else {
      ss.primary =
          create(platform::kCapsPrimary | platform::kCapsFlip | platform::kCapsComplex | platform::kCaps3DDevice, 0, 0,
                 1, kTxtPrimaryFatal);
      ss.back = platform::GetAttachedBackBuffer(ss.primary);
      if (ss.back == 0) FatalLibraryError(kTxtBackBufferFatal);
      for (int i = 0; i < 3; ++i) {
        FillSurfaceBackground(ss.back);
        platform::FlipSurface(ss.primary);
      }
    }
    if (ss.useFrontWorkSurface != 0) {
      ss.frontWork = create(platform::kCapsOffscreenPlain | platform::kCaps3DDevice, w, h, 0, kTxtFrontWorkFatal);
      FillSurfaceBackground(ss.frontWork);
    }
    if (gLibrarySystem.osVersionCode == kVistaCode) {
      ss.work320 = create(platform::kCapsOffscreenPlain | platform::kCaps3DDevice, 320, 240, 0, kTxtWork320Fatal);
      FillSurfaceBackground(ss.work320);
    }
    ss.work1 = create(platform::kCapsOffscreenPlain | platform::kCapsSystemMemory, w, h, 0, kTxtWork1Fatal);
    platform::SetSurfaceColorKey(ss.work1, 0, 0);
    ss.work2 = create(platform::kCapsOffscreenPlain | platform::kCapsSystemMemory, w, h, 0, kTxtWork2Fatal);
    platform::SetSurfaceColorKey(ss.work2, 0, 0);
    platform::SurfaceDescription z;
    z.width = w;
    z.height = h;
    z.caps = platform::kCapsZBuffer | platform::kCapsVideoMemory;
    if (platform::CreateSurface(ss.directDraw, z, &ss.zBuffer) != platform::kDdOk) {
      ss.zBuffer = 0;
      LogWrite(kTxtZBufferFailed);
    } else {
      platform::gpu::AttachDepthSurface(ss.back, ss.zBuffer);
    }
    LogWrite(kTxtScreenMemoryPlace);
    auto place = [](platform::SurfaceHandle s) {
      return (platform::GetSurfaceCaps(s) & platform::kCapsVideoMemory) != 0 ? "VIDEOMEMORY" : "SYSTEMMEMORY";
    };
    LogWriteFormat(kTxtPrimaryPlace, place(ss.primary));
    LogWriteFormat(kTxtBackPlace, place(ss.back));
  }
  LogWrite(kTxtMainSurfaceCreated);
  return 0;
}

int ReleaseMainSurfaces() {
  ScreenState& ss = gScreenState;
  if (ss.gdiPresentation == 0 && ss.directDraw == 0) return -1;
  if (ss.zBuffer != 0) {
    platform::gpu::DetachDepthSurface(ss.back, ss.zBuffer);
    platform::ReleaseSurface(ss.zBuffer);
  }
  ss.zBuffer = 0;
  if (ss.primary != 0) {
    LogWrite(kTxtMainSurfaceRelease);
    const bool chain = platform::GetAttachedBackBuffer(ss.primary) == ss.back;
    if (!chain) platform::ReleaseSurface(ss.back);
    platform::ReleaseSurface(ss.primary);
    ss.primary = ss.back = 0;
  }
  for (platform::SurfaceHandle* s : {&ss.frontWork, &ss.work320, &ss.work1, &ss.work2}) {
    if (*s != 0) platform::ReleaseSurface(*s);
    *s = 0;
  }
  if (ss.memimgScreens != 0) {
    MemImgRelease(&ss.frontScreen);
    MemImgRelease(&ss.backScreen);
    MemImgRelease(&ss.depthScreen);
    ss.frontScreen = MEMIMG{};
    ss.backScreen = MEMIMG{};
    ss.depthScreen = MEMIMG{};
    ss.memimgScreens = 0;
  }
  ss.targetImage = nullptr;
  ss.targetDepthImage = nullptr;
  ss.targetSurface = 0;
  return 0;
}

int RestoreMainSurfaces() {
  ScreenState& ss = gScreenState;
  if (ss.directDraw == 0) return -1;
  for (platform::SurfaceHandle s : {ss.primary, ss.frontWork, ss.work320, ss.back, ss.zBuffer})
    if (s != 0 && platform::IsSurfaceLost(s) == platform::kDdErrSurfaceLost) platform::RestoreSurface(s);
  return 0;
}

int ReleaseDirectDrawObjects() {
  ScreenState& ss = gScreenState;
  LogWrite(kTxtDDRelease);
  if (ss.gdiPresentation == 0 && ss.directDraw == 0) {
    LogWrite(kTxtDDAlreadyReleased);
    return 0;
  }
  ReleaseSurface2DStores();
  if (IsWindowModeOn() == 0 && ss.displayModeChanged != 0 && ss.gdiPresentation == 0) {
    platform::RestoreDisplayMode(ss.directDraw);
    ss.displayModeChanged = 0;
  }
  ss.palette = 0;
  ss.clipper = 0;
  if (ss.directDraw != 0) platform::ReleaseDirectDraw(ss.directDraw);
  ss.directDraw = 0;
  LogWrite(kTxtDDReleased);
  return 0;
}

int EnsureDirectDrawObjects() {
  ScreenState& ss = gScreenState;
  if (ss.directDraw != 0) return 0;
  if (CreateDirectDrawObject(&ss.directDraw) == -1) FatalLibraryError(kTxtDDRebuildFatal);
  ReapplyDisplayMode();
  RecreateSurface2DStores();
  RecreateWindowClipper();
  return 0;
}

int ReapplyDisplayMode() {
  ScreenState& ss = gScreenState;
  int desktopWidth = 0, desktopHeight = 0;
  platform::GetDesktopMode(&desktopWidth, &desktopHeight, nullptr);
  ChangeDisplayMode(desktopWidth, desktopHeight, ss.width, ss.height, ss.colorDepth, nullptr, &ss.cooperativeLevel,
                    IsWindowModeOn(), &ss.displayModeChanged);
  return 0;
}

int ReleaseWindowClipper() {
  gScreenState.clipper = 0;
  return 0;
}

int RecreateWindowClipper() {
  if (gScreenState.directDraw != 0) gScreenState.clipper = 1;
  return 0;
}

int RestoreScreenPalette() { return 0; }

// --- Start and end of graphics -------------------------------------------------------

int StartGraphics(platform::WindowHandle mainWindow) {
  ScreenState& ss = gScreenState;
  ss.window = mainWindow;
  // The blend tables serve every path, whichever the start ends on.
  MemImgBlendTablesBuild();
  if (StartDirectDraw() != 0) {
    if (ss.softwareRendering != 0) FatalLibraryError(kTxtGraphicsStartFailed);
    LogWrite(kTxtSoftwareFallback);
    SetHardwareRendering(0);
    if (StartDirectDraw() != 0) FatalLibraryError(kTxtGraphicsStartFailed);
  }
  ss.started = 1;
  return 0;
}

void StopGraphics() {
  StopDirectDraw();
  gScreenState.started = 0;
}
