// The 3D device: start and stop, texture formats, the vertex batch, scenes,
// render target and viewport, device loss; the render-state cache and the
// blend states made from the draw state.
#include "media/graphics/Direct3D.h"

#include <algorithm>
#include <cstring>

#include "foundation/Log.h"
#include "media/graphics/GraphicsText.h"
#include "media/graphics/GraphicsText3D.h"
#include "media/system/LibrarySystem.h"

namespace gpu = platform::gpu;

Direct3DState gDirect3DState;

namespace {

constexpr uint32_t kFvf[3] = {gpu::kFvfUntextured, gpu::kFvfOneTexture, gpu::kFvfTwoTextures};
constexpr int kStride[3] = {20, 28, 40};

platform::SurfaceHandle FrontSurface() {
  return gScreenState.useFrontWorkSurface != 0 ? gScreenState.frontWork : gScreenState.primary;
}

DeviceStateCache* Cache(int device) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0 || device < 0 || device >= 4 || d.devices[device].inUse == 0) return nullptr;
  return &d.devices[device];
}

void ResetWritePointer(DeviceStateCache& c) {
  c.pendingCount = 0;
  c.writePointer = c.buffers[c.vertexKind];
}

int AcceptDevice(const gpu::DeviceInfo& info, int depth) {
  if (info.type != gpu::DeviceType::TnLHal && info.type != gpu::DeviceType::Hal) return 0;
  if (depth == 16) return (info.renderDepths & 0x400) != 0 ? 1 : 0;
  if (depth == 32) return (info.renderDepths & 0x100) != 0 ? 1 : 0;
  return 0;
}

void FileTextureFormat(const platform::PixelFormat& f) {
  Direct3DState& d = gDirect3DState;
  // Luminance, bump-map, FourCC and alpha-only formats are no use here.
  if ((f.flags & (0x20000u | 0x40000u | 0x80000u | platform::kPixelFormatFourCC | 0x2u)) != 0) return;
  TextureFormatRecord r{};
  r.pixelFormat = f;
  FillColorFormatFromPixelFormat(&f, &r.colorFormat);
  auto put = [&](int slot, bool replaceOnScreenMatch) {
    TextureFormatRecord& s = d.formats[slot];
    if (s.colorFormat.bitDepth == 0 ||
        (replaceOnScreenMatch && EqualColorFormats(&r.colorFormat, GetScreenColorFormat()) != 0))
      s = r;
  };
  if (f.alphaMask == 0) {
    if (f.bitCount == 16) put(0, true);
    if (f.bitCount == 32) put(1, true);
  } else if (f.alphaMask == 0xF000) {
    put(2, false);
  } else if (f.alphaMask == 0xFF000000u) {
    put(3, false);
    put(5, false);
  } else if (f.alphaMask == 0x8000) {
    put(4, false);
  }
}

void ApplyFormatFallbacks() {
  TextureFormatRecord* f = gDirect3DState.formats;
  auto fill = [&](int slot, int from) {
    if (f[slot].colorFormat.bitDepth == 0) f[slot] = f[from];
  };
  fill(1, 0);
  fill(3, 2);
  fill(4, 2);
  fill(5, 3);
  fill(11, 0);
  fill(12, 1);
  fill(13, 3);
}

void LogStartDetails() {
  Direct3DState& d = gDirect3DState;
  const DeviceDescription& desc = d.description;
  LogIndentIn();
  LogWriteFormat(kTxtTextureSizes, static_cast<unsigned>(d.maxTextureSize), static_cast<unsigned>(d.minTextureSize));
  LogWriteFormat(kTxtTextureCaps, (desc.triangleTextureCaps >> 1) & 1, (desc.triangleTextureCaps >> 5) & 1);
  LogWriteFormat(kTxtStages, desc.maxBlendStages, desc.maxSimultaneousTextures);
  if (desc.maxBlendStages < 4) LogWrite(kTxtFewStages);
  LogWrite(kTxtTexturePixelFormats);
  LogWrite(kTxtPlainFormats);
  for (int slot = 0; slot < 2; ++slot) {
    const ColorFormat& c = d.formats[slot].colorFormat;
    LogWriteFormat(kTxtPlainFormatBits, c.bitDepth, c.redWidth, c.greenWidth, c.blueWidth);
    LogWriteFormat(kTxtPlainFormatMasks, c.redMask, c.greenMask, c.blueMask);
  }
  LogWrite(kTxtAlphaFormats);
  for (int slot = 2; slot < 4; ++slot) {
    const ColorFormat& c = d.formats[slot].colorFormat;
    LogWriteFormat(kTxtAlphaFormatBits, c.bitDepth, c.alphaWidth, c.redWidth, c.greenWidth, c.blueWidth);
    LogWriteFormat(kTxtAlphaFormatMasks, c.alphaMask, c.redMask, c.greenMask, c.blueMask);
  }
  LogIndentOut();
}

void ReleaseObject() { gDirect3DState.object = 0; }

}  // namespace

// --- Start and stop ---------------------------------------------------------------------

int StartDirect3D() {
  Direct3DState& d = gDirect3DState;
  if (d.object != 0) return -1;
  LogWrite(kTxtD3DStart);
  std::memset(static_cast<void*>(&d), 0, sizeof d);
  LogWrite(kTxtD3DGetObject);
  if (platform::QueryDirect3D(gScreenState.directDraw) != platform::kDdOk) {
    LogWrite(kTxtD3DObjectFailed);
    return -1;
  }
  d.object = 1;
  LogWrite(kTxtD3DGotObject);
  const int depth = gScreenState.colorDepth;
  bool found = false;
  for (const gpu::DeviceInfo& info : gpu::EnumerateDevices()) {
    if (AcceptDevice(info, depth) == 0) continue;
    d.description = DeviceDescription{info.type,
                                      info.triangleTextureCaps,
                                      info.minTextureWidth,
                                      info.minTextureHeight,
                                      info.maxTextureWidth,
                                      info.maxTextureHeight,
                                      info.maxBlendStages,
                                      info.maxSimultaneousTextures};
    found = true;
    if (info.type == gpu::DeviceType::TnLHal) {
      LogWrite(kTxtFoundTnL);
      break;
    }
    LogWrite(kTxtFoundHal);
  }
  if (!found) {
    LogWrite(kTxtNoDevice);
    ReleaseObject();
    return -1;
  }
  bool zFound = false;
  for (const platform::PixelFormat& z : gpu::EnumerateZBufferFormats()) {
    if (z.flags == platform::kPixelFormatZBuffer && z.bitCount == 16) {
      d.zBufferFormat = z;
      zFound = true;
      break;
    }
  }
  if (!zFound) LogWrite(kTxtNoZBuffer);
  const int device = CreateDevice3D(FrontSurface());
  if (device < 0) {
    ReleaseObject();
    return -1;
  }
  d.currentDevice = device;
  SetDeviceRenderTarget(FrontSurface(), device);
  if (gDrawState.textureAddressMode == 0) gDrawState.textureAddressMode = 3;
  DeviceStateCache& c = d.devices[device];
  for (int stage = 3; stage >= 0; --stage) {
    const int32_t r = gpu::SetTextureStageState(c.device, stage, gpu::kTssAddress,
                                                static_cast<uint32_t>(gDrawState.textureAddressMode));
    if (stage == 0 && r != platform::kDdOk) {
      ReleaseAllDevices();
      ReleaseObject();
      return -1;
    }
  }
  for (int slot : {0, 1, 2, 3, 4, 5, 11, 12, 13}) d.formats[slot] = TextureFormatRecord{};
  for (const platform::PixelFormat& f : gpu::EnumerateTextureFormats()) FileTextureFormat(f);
  if (d.formats[0].colorFormat.bitDepth != 16) {
    LogWrite(kTxtNoTextureFormat);
    ReleaseAllDevices();
    ReleaseObject();
    return -1;
  }
  ApplyFormatFallbacks();
  d.frontTarget = 1;
  const DeviceDescription& desc = d.description;
  d.minTextureSize = static_cast<int>(std::min(desc.minTextureWidth, desc.minTextureHeight));
  if (d.minTextureSize == 0) d.minTextureSize = 32;
  d.maxTextureSize = static_cast<int>(std::min(desc.maxTextureWidth, desc.maxTextureHeight));
  if (d.maxTextureSize == 0) d.maxTextureSize = 256;
  d.captureChoice[0] = d.captureChoice[1] = -1;
  d.targetNotDrawable = 0;
  LogStartDetails();
  LogWrite(kTxtD3DStartDone);
  d.started = 1;
  return 0;
}

int StopDirect3D() {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  LogWrite(kTxtD3DStop);
  EndCurrentDeviceScene();
  d.frontTarget = 0;
  if (DeviceStateCache* c = CurrentDeviceCache(); c != nullptr && c->texture != 0) {
    FlushCurrentDevicePrimitives();
    c->texture = 0;
  }
  ReleaseAllTextureSets();
  ReleaseAllDevices();
  ReleaseObject();
  LogWrite(kTxtD3DStopDone);
  d.started = 0;
  return 0;
}

int IsDirect3DStarted() { return gDirect3DState.object != 0 ? 1 : 0; }

DeviceStateCache* CurrentDeviceCache() { return Cache(gDirect3DState.currentDevice); }

// --- Device loss -----------------------------------------------------------------------------

void ReleaseDirect3DObject() {
  Direct3DState& d = gDirect3DState;
  if (d.started == 0) return;
  ReleaseDeviceInterface(d.currentDevice);
  if (d.object == 0) {
    LogWrite(kTxtD3DAlreadyReleased);
    return;
  }
  LogWrite(kTxtD3DReleaseObject);
  ReleaseObject();
  LogWrite(kTxtD3DReleasedObject);
}

int ReacquireDirect3D() {
  Direct3DState& d = gDirect3DState;
  if (d.started == 0) return 0;
  LogWrite(kTxtD3DGetObject);
  if (d.object != 0) return 0;
  if (platform::QueryDirect3D(gScreenState.directDraw) != platform::kDdOk) {
    LogWrite(kTxtD3DObjectFailed);
    return 0;
  }
  d.object = 1;
  LogWrite(kTxtD3DReacquired);
  DeviceStateCache& c = d.devices[d.currentDevice];
  c.defaultTarget = FrontSurface();
  c.currentTarget = gScreenState.targetSurface != 0 ? gScreenState.targetSurface : c.defaultTarget;
  RecreateDevice3D(d.currentDevice);
  return 0;
}

int ReleaseDeviceInterface(int device) {
  Direct3DState& d = gDirect3DState;
  if (device < 0 || device >= 4 || d.devices[device].inUse == 0) return -1;
  for (int slot = 0; slot < d.pieceNextIndex; ++slot)
    if (d.pieces[slot] != nullptr) ReleaseSurfaceDataSurfaces(d.pieces[slot]->store);
  DeviceStateCache& c = d.devices[device];
  if (c.device != 0) {
    gpu::ReleaseDevice(c.device);
    c.device = 0;
    LogWrite(kTxtDeviceDeleted);
  }
  return 0;
}

int RecreateDevice3D(int device) {
  Direct3DState& d = gDirect3DState;
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->device != 0) return 0;
  LogWrite(kTxtDeviceCreate);
  if (gpu::CreateDevice(d.description.type, c->defaultTarget, &c->device) != platform::kDdOk) {
    c->device = 0;
    LogWrite(kTxtDeviceCreateFailed);
    return -1;
  }
  gpu::SetRenderState(c->device, gpu::kRsDitherEnable, 0);
  LogWrite(kTxtDeviceCreated);
  c->force = 1;
  c->inScene = 0;
  if (c->currentTarget != c->defaultTarget) gpu::SetRenderTarget(c->device, c->currentTarget);
  c->texture = 0;
  c->vertexKind = 1;
  ResetWritePointer(*c);
  c->dirty = 1;
  SetViewportFromClipArea(gDrawState.drawArea);
  c->force = 0;
  ReapplyAllDeviceStates(device);
  c->force = 1;
  ApplyDeviceBlendStates(device);
  c->force = 0;
  for (int slot = 0; slot < d.pieceNextIndex; ++slot) {
    if (d.pieces[slot] == nullptr) continue;
    CreateSurfaceDataSurface(d.pieces[slot]->store);
    ApplySurfaceDataColorKey(d.pieces[slot]->store);
  }
  return 0;
}

// --- Device records ---------------------------------------------------------------------------

int CreateDevice3D(platform::SurfaceHandle surface) {
  Direct3DState& d = gDirect3DState;
  int index = 0;
  while (index < 4 && d.devices[index].inUse != 0) ++index;
  if (index == 4) return -1;
  DeviceStateCache& c = d.devices[index];
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  LogWrite(kTxtDeviceCreate);
  if (gpu::CreateDevice(d.description.type, surface, &c.device) != platform::kDdOk) {
    c.device = 0;
    LogWrite(kTxtDeviceCreateFailed);
    return -1;
  }
  if (gDrawState.textureAddressMode == 0) gDrawState.textureAddressMode = 3;
  for (int stage = 0; stage < 8; ++stage) {
    gpu::SetTextureStageState(c.device, stage, gpu::kTssAddress, static_cast<uint32_t>(gDrawState.textureAddressMode));
    gpu::SetTextureStageState(c.device, stage, gpu::kTssMagFilter, 1);
    gpu::SetTextureStageState(c.device, stage, gpu::kTssMinFilter, 1);
    gpu::SetTextureStageState(c.device, stage, gpu::kTssMipFilter, 2);
  }
  gpu::SetRenderState(c.device, gpu::kRsColorKeyBlendEnable, 0);
  gpu::SetRenderState(c.device, gpu::kRsCullMode, 1);
  gpu::SetRenderState(c.device, gpu::kRsLighting, 0);
  gpu::SetRenderState(c.device, gpu::kRsTexturePerspective, 0);
  gpu::SetRenderState(c.device, gpu::kRsShadeMode, 1);
  gpu::SetRenderState(c.device, gpu::kRsColorKeyEnable, 0);
  gpu::SetRenderState(c.device, gpu::kRsDitherEnable, 0);
  InitDeviceStateCache(c);
  c.inUse = 1;
  c.defaultTarget = surface;
  c.vertexKind = 1;
  ResetWritePointer(c);
  ReapplyAllDeviceStates(index);
  LogWrite(kTxtDeviceCreated);
  return index;
}

int ReleaseAllDevices() {
  Direct3DState& d = gDirect3DState;
  for (DeviceStateCache& c : d.devices) {
    if (c.inUse == 0) continue;
    if (c.device != 0) gpu::ReleaseDevice(c.device);
    std::memset(static_cast<void*>(&c), 0, sizeof c);
    LogWrite(kTxtDeviceReleased);
  }
  return 0;
}

// --- Scenes and the batch ---------------------------------------------------------------------

int BeginDeviceScene(int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->inScene == 0) {
    gpu::BeginScene(c->device);
    c->inScene = 1;
  }
  return 0;
}
int BeginCurrentDeviceScene() { return BeginDeviceScene(gDirect3DState.currentDevice); }

int EndDeviceScene(int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->inScene != 0) {
    FlushDevicePrimitives(device);
    gpu::EndScene(c->device);
    c->inScene = 0;
  }
  return 0;
}
int EndCurrentDeviceScene() { return EndDeviceScene(gDirect3DState.currentDevice); }

int FlushDevicePrimitives(int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->pendingCount > 0 && HasWindowQuit() == 0 && c->suppressDraw == 0 && c->device != 0) {
    gpu::DrawPrimitive(c->device, static_cast<gpu::PrimitiveType>(c->primitiveType), kFvf[c->pendingKind],
                       c->buffers[c->pendingKind], c->pendingCount);
  }
  ResetWritePointer(*c);
  c->pendingKind = c->vertexKind;
  return 0;
}
int FlushCurrentDevicePrimitives() { return FlushDevicePrimitives(gDirect3DState.currentDevice); }

uint8_t* ReserveBatchVertices(int device, int count, int primitiveType) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return nullptr;
  if (c->pendingCount > 0 &&
      (c->primitiveType != primitiveType || c->pendingCount + count >= kBatchCapacity[c->pendingKind]))
    FlushDevicePrimitives(device);
  if (c->pendingCount == 0) {
    c->pendingKind = c->vertexKind;
    c->writePointer = c->buffers[c->vertexKind];
  }
  uint8_t* at = c->writePointer;
  c->primitiveType = primitiveType;
  c->writePointer += static_cast<size_t>(count) * kStride[c->pendingKind];
  c->pendingCount += count;
  return at;
}

// --- Render target and viewport ---------------------------------------------------------------

int SetDeviceRenderTarget(platform::SurfaceHandle surface, int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (surface == c->currentTarget && c->force == 0) return 0;
  if (surface == 0) {
    if (c->currentTarget == 0) return 0;
    surface = c->defaultTarget;
  }
  EndDeviceScene(device);
  gpu::SetRenderTarget(c->device, surface);
  c->currentTarget = surface;
  return 0;
}

int SetDeviceViewport(const gpu::Viewport& v, int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr || c->currentTarget == 0) return -1;
  const gpu::Viewport& old = c->viewport;
  if (old.x == v.x && old.y == v.y && old.width == v.width && old.height == v.height && c->force == 0) return 0;
  EndDeviceScene(device);
  const int32_t result = gpu::SetViewport(c->device, v);
  if (result != platform::kDdOk) {
    LogWriteFormat(kTxtDeviceViewportFailed, static_cast<unsigned>(result));
    return -1;
  }
  c->viewport = v;
  return 0;
}

int SetViewportFromClipArea(const Rect& clip) {
  Direct3DState& d = gDirect3DState;
  if (d.targetNotDrawable != 0) return 0;
  if (clip.right == clip.left || clip.bottom == clip.top) return -1;
  const Rect& w = gDrawState.frontWindowRect;
  gpu::Viewport v;
  v.x = static_cast<uint32_t>(clip.left + w.left);
  v.y = static_cast<uint32_t>(clip.top + w.top);
  v.width = static_cast<uint32_t>(clip.right - clip.left);
  v.height = static_cast<uint32_t>(clip.bottom - clip.top);
  v.minZ = 0;
  v.maxZ = 1.0f;
  return SetDeviceViewport(v, d.currentDevice);
}

// --- Texture formats ---------------------------------------------------------------------------

int SelectTextureFormatRecord(int alphaChannel, int drawValid, int alphaTest, int colorDepth) {
  const int d = colorDepth == 16 ? 0 : 1;
  if (drawValid != 0) return (alphaChannel != 0 || alphaTest != 0) ? 13 : 11 + d;
  if (alphaChannel != 0) return 2 + d;
  if (alphaTest != 0) return 4 + d;
  return d;
}

const ColorFormat* ChooseTextureFormat(int alphaChannel, int alphaTest, int is32Bit, int drawValid) {
  return &gDirect3DState.formats[SelectTextureFormatRecord(alphaChannel, drawValid, alphaTest, is32Bit != 0 ? 32 : 16)]
              .colorFormat;
}

const platform::PixelFormat* GetTexturePixelFormat(int slot) {
  return slot >= 0 && slot < 14 ? &gDirect3DState.formats[slot].pixelFormat : nullptr;
}
const ColorFormat* GetTextureColorFormat(int slot) {
  return slot >= 0 && slot < 14 ? &gDirect3DState.formats[slot].colorFormat : nullptr;
}
const platform::PixelFormat* GetZBufferPixelFormat() { return &gDirect3DState.zBufferFormat; }

int ForceHardwareRendering(int flag) {
  platform::gpu::SetForceHardwareDevice(flag != 0);
  if (flag != 0) platform::gpu::SetGpuBackend(platform::gpu::BackendKind::OpenGL);
  else platform::gpu::ResetGpuBackend();
  return 0;
}
