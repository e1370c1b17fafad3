#pragma once

#include <cstdint>

#include "platform/window/Window.h"

// The stand-in for DirectDraw: one display object and memory-backed surfaces.
// Surfaces always live in system memory; there are no overlay or FourCC
// surfaces; asking the object for Direct3D succeeds only while the gpu
// facility has a backend with a device. The vertical blank is a
// virtual 60 Hz signal with a scan line running 0-479 across each frame, from
// the same clock; on the headless backend every blank or scan-line query moves
// the virtual clock on by 100 microseconds, so polling loops end.
// Handles are table indices; 0 names nothing.
namespace platform {

using DirectDrawHandle = int;
using SurfaceHandle = int;

// The 32-byte pixel-format record.
struct PixelFormat {
  uint32_t size;
  uint32_t flags;
  uint32_t fourCC;
  uint32_t bitCount;
  uint32_t redMask;
  uint32_t greenMask;
  uint32_t blueMask;
  uint32_t alphaMask;
};
static_assert(sizeof(PixelFormat) == 32);
constexpr uint32_t kPixelFormatFourCC = 0x4;
constexpr uint32_t kPixelFormatRgb = 0x40;
constexpr uint32_t kPixelFormatZBuffer = 0x400;

// Surface capability bits.
constexpr uint32_t kCapsBackBuffer = 0x4;
constexpr uint32_t kCapsComplex = 0x8;
constexpr uint32_t kCapsFlip = 0x10;
constexpr uint32_t kCapsOffscreenPlain = 0x40;
constexpr uint32_t kCapsOverlay = 0x80;
constexpr uint32_t kCapsPrimary = 0x200;
constexpr uint32_t kCapsSystemMemory = 0x800;
constexpr uint32_t kCaps3DDevice = 0x2000;
constexpr uint32_t kCapsVideoMemory = 0x4000;
constexpr uint32_t kCapsZBuffer = 0x20000;

// Result codes (their DirectDraw values).
constexpr int32_t kDdOk = 0;
constexpr int32_t kDdErrGeneric = static_cast<int32_t>(0x80004005u);
constexpr int32_t kDdErrNoInterface = static_cast<int32_t>(0x80004002u);
constexpr int32_t kDdErrInvalidParams = static_cast<int32_t>(0x80070057u);
constexpr int32_t kDdErrUnsupported = static_cast<int32_t>(0x80004001u);
constexpr int32_t kDdErrUnsupportedMode = static_cast<int32_t>(0x8876024Eu);
constexpr int32_t kDdErrSurfaceLost = static_cast<int32_t>(0x887601C2u);
constexpr int32_t kDdErrSurfaceBusy = static_cast<int32_t>(0x887601AEu);

struct SurfaceDescription {
  int width = 0;  // 0 for a primary: the display's size
  int height = 0;
  uint32_t caps = 0;
  int backBufferCount = 0;  // a flip chain's back buffers (0 or 1)
  bool hasPixelFormat = false;
  PixelFormat pixelFormat{};  // else the display's format
};

struct SurfaceRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// --- The display object ------------------------------------------------------
// 0 when refused (SetDirectDrawRefused).
DirectDrawHandle CreateDirectDraw();
int ReleaseDirectDraw(DirectDrawHandle dd);
int32_t SetCooperativeLevel(DirectDrawHandle dd, WindowHandle window, uint32_t flags);
// Full-screen modes: 640 x 480 at 16 or 32 bits always work; any mode can be
// refused for tests (RefuseDisplayMode).
int32_t SetDisplayMode(DirectDrawHandle dd, int width, int height, int bits, int refreshRate);
int32_t RestoreDisplayMode(DirectDrawHandle dd);
// The display's size and pixel format: the mode set, else the desktop's.
int32_t GetDisplayMode(DirectDrawHandle dd, int* width, int* height, PixelFormat* format);
// kDdOk while the gpu facility offers devices, else kDdErrNoInterface.
int32_t QueryDirect3D(DirectDrawHandle dd);

// --- The vertical blank --------------------------------------------------------
int32_t GetVerticalBlankStatus(DirectDrawHandle dd, int* inBlank);
int32_t GetScanLine(DirectDrawHandle dd, int* line);
// Waits until the next blank begins.
int32_t WaitForVerticalBlank(DirectDrawHandle dd);

// --- Surfaces -------------------------------------------------------------------
// Overlay and FourCC surfaces are refused (kDdErrUnsupported).
int32_t CreateSurface(DirectDrawHandle dd, const SurfaceDescription& description, SurfaceHandle* out);
int ReleaseSurface(SurfaceHandle surface);
// The caps as made: SYSTEMMEMORY is always reported, VIDEOMEMORY never.
uint32_t GetSurfaceCaps(SurfaceHandle surface);
int GetSurfaceFormat(SurfaceHandle surface, int* width, int* height, PixelFormat* format);
// The back buffer of a flip chain.
SurfaceHandle GetAttachedBackBuffer(SurfaceHandle primary);
// Pointer to the rectangle's corner (whole surface for null) and the pitch.
int32_t LockSurface(SurfaceHandle surface, const SurfaceRect* rect, uint8_t** bits, int* pitch);
int32_t UnlockSurface(SurfaceHandle surface);
// Fills the rectangle (null: all) with a pixel value.
int32_t FillSurface(SurfaceHandle surface, const SurfaceRect* rect, uint32_t value);
// Copies source rectangle to destination rectangle (null: whole surfaces),
// stretching by nearest pixel; with colorKey the source's key range is skipped.
int32_t BltSurface(SurfaceHandle dest, const SurfaceRect* destRect, SurfaceHandle source, const SurfaceRect* sourceRect,
                   bool colorKey);
int32_t BltFastSurface(SurfaceHandle dest, int x, int y, SurfaceHandle source, const SurfaceRect* sourceRect,
                       bool colorKey);
// The GDI copy between two surfaces' device contexts (BitBlt with SRCCOPY).
int32_t CopySurfaceThroughDc(SurfaceHandle dest, int x, int y, int width, int height, SurfaceHandle source, int sourceX,
                             int sourceY);
// Swaps the primary's pixels with its back buffer's.
int32_t FlipSurface(SurfaceHandle primary);
int32_t SetSurfaceColorKey(SurfaceHandle surface, uint32_t low, uint32_t high);
int32_t IsSurfaceLost(SurfaceHandle surface);  // kDdOk or kDdErrSurfaceLost
int32_t RestoreSurface(SurfaceHandle surface);
// A count that rises whenever the surface's pixels may have changed (unlock,
// fill, blit into it, flip, restore); the gpu facility compares it to know
// when its copy of the pixels is stale.
uint64_t GetSurfaceGeneration(SurfaceHandle surface);
// The source colour key, false when none is set.
bool GetSurfaceColorKey(SurfaceHandle surface, uint32_t* low, uint32_t* high);

// --- Test seams -------------------------------------------------------------------
void SetDirectDrawRefused(bool refused);
void RefuseDisplayMode(int width, int height, int bits);
void ClearRefusedDisplayModes();
// Every live surface reports loss until restored.
void LoseAllSurfaces();
int LiveSurfaceCount();
// Microseconds on the blank's clock.
uint64_t VerticalBlankClock();

}  // namespace platform
