#include "media/graphics/DrawState.h"

#include <cstring>

#include "foundation/Log.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/graphics/GraphicsText.h"
#include "media/softrender/BlendTables.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MainWindow.h"
#include "media/system/MessageLoop.h"

DrawState gDrawState;

namespace {

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Default transforms of a target of the given size.
void SetTargetTransforms(int width, int height) {
  Matrix4 m;
  Matrix4Identity(&m);
  SetWorldMatrix(&m);
  Matrix4Viewport(&m, width / 2.0f, height / 2.0f, static_cast<float>(width), static_cast<float>(height));
  gDrawState.drawAreaViewport = m;
  Matrix4Inverse(&gDrawState.drawAreaViewportInverse, &m);
  SetViewportMatrix(&m);
  const float d = static_cast<float>(height / 2) * 1.7320509f;  // NOLINT(bugprone-integer-division): whole pixels
  const Vector3 eye{width / 2.0f, height / 2.0f, -d};
  const Vector3 at{width / 2.0f, height / 2.0f, -d + 1.0f};
  const Vector3 up{0.0f, 1.0f, 0.0f};
  Matrix4LookAt(&m, &eye, &at, &up);
  SetViewMatrix(&m);
  if (Matrix4Perspective(&m, 1.0471976f, d * 0.01f, d + 20000.0f, -1.0f) == 0) SetProjectionMatrix(&m);
}

}  // namespace

int ClipRectangle(Rect* rect, const Rect* clip) {
  if (rect->right < rect->left) rect->right = rect->left;
  if (rect->bottom < rect->top) rect->bottom = rect->top;
  auto clamp = [](int v, int lo, int hi) { return v > hi ? hi : (v < lo ? lo : v); };
  rect->bottom = clamp(rect->bottom, clip->top, clip->bottom);
  rect->top = clamp(rect->top, clip->top, clip->bottom);
  rect->right = clamp(rect->right, clip->left, clip->right);
  rect->left = clamp(rect->left, clip->left, clip->right);
  return 0;
}

int NormalizeRectangle(Rect* rect) {
  if (rect->left > rect->right) std::swap(rect->left, rect->right);
  if (rect->top > rect->bottom) std::swap(rect->top, rect->bottom);
  return 0;
}

int RectangleSize(const Rect* rect, int* width, int* height) {
  if (width != nullptr) *width = rect->right - rect->left;
  if (height != nullptr) *height = rect->bottom - rect->top;
  return 0;
}

int GetScreenColorDepth() { return gScreenState.requestedDepth == 0 ? 16 : gScreenState.requestedDepth; }

void SetRequestedScreenColorDepth(int bits) { gScreenState.requestedDepth = bits; }

int MakePixelFormatRecord(SurfacePixelFormat* record, int bitCount, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask, uint32_t alphaMask) {
  std::memset(record, 0, sizeof(*record));
  record->size = 32;
  record->flags = kPixelFormatRgb;
  record->bitCount = static_cast<uint32_t>(bitCount);
  record->redMask = redMask;
  record->greenMask = greenMask;
  record->blueMask = blueMask;
  record->alphaMask = alphaMask;
  return 0;
}

int ResetDrawState() {
  DrawState& d = gDrawState;
  void (*callback)() = d.restoreCallback;
  const int suspended = d.suspended;
  const int emulation = d.emulation320;
  d = DrawState{};
  d.restoreCallback = callback;
  d.suspended = suspended;
  d.emulation320 = emulation;
  d.blendGraph = -1;
  d.textureAddressMode = 3;
  d.depthCompare = 4;
  d.newGraphUse3D = 1;
  d.newGraphTransColorFlag = 1;
  d.tint = 0xFFFFFF;
  d.flatDrawDepth = 0.2f;
  d.maskUseSetting = 1;
  d.maskActive = 0;
  d.drawTarget = -2;
  SelectDrawTarget(-4);
  SetClipArea(0, 0, d.targetWidth, d.targetHeight);
  d.suspended = 0;
  d.defaultLight = MakeDirectionalLight(1.0f, -1.0f, 1.0f);
  return 0;
}

int SelectDrawTarget(int target) {
  DrawState& d = gDrawState;
  if (gScreenState.started == 0 && gGraphManager.started == 0) return -1;
  if (IsMainWindowActive() == 0) WaitWhileInactive();
  const int maskUse = d.maskUseSetting;
  SetMaskLayerActive(0);
  const int previous = d.drawTarget;
  d.drawTarget = target;
  d.frontWindowRect = Rect{};
  const bool softwareScreens = gScreenState.softwareRendering != 0 && gScreenState.colorDepth != 8;
  if (target == -4 && d.maskActive == 0 && gScreenState.useFrontWorkSurface == 0 && IsWindowModeOn() != 0 &&
      !softwareScreens) {
    platform::WindowRect client;
    GetClientScreenRect(&client);
    d.frontWindowRect = Rect{client.left, client.top, client.right, client.bottom};
  }
  const bool use3D = gGraphManager.direct3DUsable != 0;
  const int result3D = use3D ? SelectDrawTarget3D(target) : 0;
  if (SelectDrawTarget2D(target, previous) < 0 && (!use3D || result3D < 0)) {
    d.drawTarget = previous;
    SelectDrawTarget2D(previous, target);  // NOLINT(readability-suspicious-call-argument): swapped back on purpose
    if (use3D) SelectDrawTarget3D(previous);
    d.maskUseSetting = maskUse;
    return -1;
  }
  int width = 0, height = 0;
  QueryGraphSize(target, &width, &height);
  if (width == d.targetWidth && height == d.targetHeight) {
    d.targetWidth = width;
    d.targetHeight = height;
    SetClipArea(d.drawArea.left, d.drawArea.top, d.drawArea.right, d.drawArea.bottom);
  } else {
    d.targetWidth = width;
    d.targetHeight = height;
    SetClipArea(0, 0, width, height);
  }
  SetTargetTransforms(width, height);
  d.maskUseSetting = maskUse;
  return 0;
}

int GetDrawTarget() { return gDrawState.drawTarget; }

int SetClipArea(int x1, int y1, int x2, int y2) {
  DrawState& d = gDrawState;
  LibrarySystemState& s = gLibrarySystem;
  s.drawAreaLeft = x1;
  s.drawAreaTop = y1;
  s.drawAreaRight = x2;
  s.drawAreaBottom = y2;
  int lowX = 0, lowY = 0, boundX = 0, boundY = 0;
  if (d.drawTarget == -4 || d.drawTarget == -2) {
    QueryScreenSize(&boundX, &boundY);
    if (d.drawTarget == -4 && IsWindowModeOn() != 0) {
      // The front screen of a window lies on the desktop at the client area:
      // the part of it past the desktop's edges has nowhere to be drawn.
      platform::WindowRect client;
      GetClientScreenRect(&client);
      int desktopWidth = 0, desktopHeight = 0;
      platform::GetDesktopMode(&desktopWidth, &desktopHeight, nullptr);
      if (client.left < 0) lowX = -client.left;
      if (client.top < 0) lowY = -client.top;
      if (client.left + boundX > desktopWidth) boundX = desktopWidth - client.left;
      if (client.top + boundY > desktopHeight) boundY = desktopHeight - client.top;
    }
  } else {
    GraphRecord* g = GetGraphRecord(d.drawTarget);
    if (g == nullptr) return 0;
    boundX = g->width;
    boundY = g->height;
  }
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // A window wholly off the desktop leaves an empty area.
  boundX = std::max(boundX, lowX);
  boundY = std::max(boundY, lowY);
  auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  x1 = clamp(x1, lowX, boundX);
  x2 = clamp(x2, lowX, boundX);
  y1 = clamp(y1, lowY, boundY);
  y2 = clamp(y2, lowY, boundY);
  d.drawArea = Rect{x1, y1, x2, y2};
  d.drawAreaF[0] = static_cast<float>(x1);
  d.drawAreaF[1] = static_cast<float>(y1);
  d.drawAreaF[2] = static_cast<float>(x2);
  d.drawAreaF[3] = static_cast<float>(y2);
  if (x1 == x2 || y1 == y2) {
    d.emptyDrawArea = 1;
    return 0;
  }
  d.emptyDrawArea = 0;
  if (gGraphManager.direct3DUsable != 0 && SetViewportFromClipArea(d.drawArea) < 0)
    LogWriteFormat(kTxtViewportFailed, d.drawTarget == -4   ? "Front Buffer"
                                       : d.drawTarget == -2 ? "Back Buffer"
                                                            : "Image Buffer");
  const float w = static_cast<float>(x2 - x1), h = static_cast<float>(y2 - y1);
  Matrix4Viewport(&d.drawAreaViewport, x1 + w / 2.0f, y1 + h / 2.0f, w, h);
  Matrix4Inverse(&d.drawAreaViewportInverse, &d.drawAreaViewport);
  return 0;
}

int GetClipArea(Rect* out) {
  *out = gDrawState.drawArea;
  return 0;
}

int SetBlendState(int mode, int parameter) {
  DrawState& d = gDrawState;
  if (mode == d.blendMode && parameter == d.blendParameter) return 0;
  WaitWhileInactive();
  d.blendMode = mode;
  d.blendParameter = Clamp255(parameter);
  UpdatePackedDiffuseColor();
  return 0;
}

int SelectBlendGraph(int graph, int border, int range) {
  DrawState& d = gDrawState;
  if (graph == d.blendGraph && border == d.borderParameter && range == d.borderRange) return 0;
  if (graph != -1 && IsValidGraph(graph) == 0) return -1;
  d.blendGraph = graph;
  WaitWhileInactive();
  d.borderParameter = Clamp255(border);
  d.borderRange = Clamp255(range);
  if (gGraphManager.direct3DUsable != 0) {
    GraphRecord* g = GetGraphRecord(graph);
    SetBlendGraph3D(g != nullptr && g->request.use3D != 0 ? g : nullptr, d.borderParameter, d.borderRange);
  }
  MemImgBorderTableBuild(d.borderParameter, d.borderRange);
  return 0;
}

int SetDrawTint(int red, int green, int blue) {
  DrawState& d = gDrawState;
  const uint32_t current = d.tint;
  if (static_cast<int>((current >> 16) & 0xFF) == red && static_cast<int>((current >> 8) & 0xFF) == green &&
      static_cast<int>(current & 0xFF) == blue)
    return 0;
  d.tint = (static_cast<uint32_t>(Clamp255(red)) << 16) | (static_cast<uint32_t>(Clamp255(green)) << 8) |
           static_cast<uint32_t>(Clamp255(blue));
  UpdatePackedDiffuseColor();
  return 0;
}

int SetDrawTintPacked(int rgb) {
  const uint32_t low = static_cast<uint32_t>(rgb) & 0xFFFFFF;
  if (low != gDrawState.tint) {
    gDrawState.tint = low;
    UpdatePackedDiffuseColor();
  }
  return 0;
}

int SetDrawSampling(int mode) {
  if (mode == gDrawState.samplingMode) return 0;
  gDrawState.samplingMode = mode;
  if (gGraphManager.direct3DUsable != 0) SetSampling3D(mode);
  return 0;
}

int GetDrawSampling() { return gDrawState.samplingMode; }

int SetTransparentColorKey(int red, int green, int blue) {
  if (GetScreenColorDepth() == 8) return 0;
  gDrawState.transparentColor = ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
  return 0;
}

int SetFrontScreenWindowRect(const GraphicsRect* clientOnScreen) {
  gDrawState.frontWindowRect =
      Rect{clientOnScreen->left, clientOnScreen->top, clientOnScreen->right, clientOnScreen->bottom};
  return 0;
}

int SetVSyncWait(int flag) {
  gDrawState.noVSync = flag == 0 ? 1 : 0;
  return 0;
}

int GetVSyncWait() { return gDrawState.noVSync == 0 ? 1 : 0; }

uint64_t GetPresentCount() { return gDrawState.presentCount; }
int CountPresentation() {
  ++gDrawState.presentCount;
  return 0;
}
int ResetPresentCount() {
  gDrawState.presentCount = 0;
  return 0;
}

int CheckBlendGraphSize(const GraphRecord* graph) {
  const GraphRecord* blend = GetGraphRecord(gDrawState.blendGraph);
  if (blend == nullptr || graph == nullptr) return -1;
  return (blend->width >= graph->width && blend->height >= graph->height) ? 0 : -1;
}

namespace {
// The format colours are packed into: the software image format in software
// rendering (32-bit unless the requested depth is 16), else the screen's.
const ColorFormat* PackFormat() {
  if (gScreenState.softwareRendering != 0)
    return MemImgPixelDescriptor(GetScreenColorDepth() == 16 ? kMemImgRgb565 : kMemImgRgb32, 0, 0);
  return &gScreenState.screenColorFormat;
}
}  // namespace

int PackColor(int red, int green, int blue) {
  red &= 0xFF;
  green &= 0xFF;
  blue &= 0xFF;
  if (gScreenState.colorDepth == 8 && gScreenState.softwareRendering == 0) {
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
      const int dr = gScreenState.paletteEntries[i][0] - red;
      const int dg = gScreenState.paletteEntries[i][1] - green;
      const int db = gScreenState.paletteEntries[i][2] - blue;
      const int distance = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    return best;
  }
  const ColorFormat* f = PackFormat();
  if (f->bitDepth == 0) return 0;
  const uint32_t v = ((static_cast<uint32_t>(red) >> (8 - f->redWidth)) << f->redShift) +
                     ((static_cast<uint32_t>(green) >> (8 - f->greenWidth)) << f->greenShift) +
                     ((static_cast<uint32_t>(blue) >> (8 - f->blueWidth)) << f->blueShift) + f->unusedMask;
  return static_cast<int>(v);
}

int UnpackColor(int value, int* red, int* green, int* blue) {
  if (gScreenState.colorDepth == 8 && gScreenState.softwareRendering == 0) {
    if (value < 0 || value > 255) return -1;
    if (red != nullptr) *red = gScreenState.paletteEntries[value][0];
    if (green != nullptr) *green = gScreenState.paletteEntries[value][1];
    if (blue != nullptr) *blue = gScreenState.paletteEntries[value][2];
    return 0;
  }
  const ColorFormat* f = (gScreenState.softwareRendering != 0 && gScreenState.colorDepth != GetScreenColorDepth())
                             ? PackFormat()
                             : &gScreenState.screenColorFormat;
  auto channel = [&](uint32_t mask, int shift, int width) {
    if (width == 0) return 0;
    return static_cast<int>(((static_cast<uint32_t>(value) & mask) >> shift) * 255 / ((1u << width) - 1));
  };
  if (red != nullptr) *red = channel(f->redMask, f->redShift, f->redWidth);
  if (green != nullptr) *green = channel(f->greenMask, f->greenShift, f->greenWidth);
  if (blue != nullptr) *blue = channel(f->blueMask, f->blueShift, f->blueWidth);
  return 0;
}

int FillColorFormatFromPixelFormat(const SurfacePixelFormat* pf, ColorFormat* cf) {
  std::memset(cf, 0, sizeof(*cf));
  cf->bitDepth = static_cast<uint16_t>(pf->bitCount);
  cf->bytesPerPixel = static_cast<uint16_t>(pf->bitCount / 8);
  cf->redMask = pf->redMask;
  cf->greenMask = pf->greenMask;
  cf->blueMask = pf->blueMask;
  cf->alphaMask = pf->alphaMask;
  const uint32_t all = pf->bitCount >= 32 ? 0xFFFFFFFFu : ((1u << pf->bitCount) - 1);
  cf->unusedMask = all & ~(pf->redMask | pf->greenMask | pf->blueMask | pf->alphaMask);
  int result = 0;
  auto fill = [&](uint32_t mask, uint8_t* shift, uint8_t* width) {
    *shift = 0;
    *width = 0;
    if (mask == 0) {
      result = -1;
      return;
    }
    int s = 0;
    while (((mask >> s) & 1u) == 0) ++s;
    int w = 0;
    while (s + w < 32 && ((mask >> (s + w)) & 1u) != 0) ++w;
    *shift = static_cast<uint8_t>(s);
    *width = static_cast<uint8_t>(w);
  };
  fill(pf->redMask, &cf->redShift, &cf->redWidth);
  fill(pf->greenMask, &cf->greenShift, &cf->greenWidth);
  fill(pf->blueMask, &cf->blueShift, &cf->blueWidth);
  if (pf->alphaMask != 0) fill(pf->alphaMask, &cf->alphaShift, &cf->alphaWidth);
  return result;
}
