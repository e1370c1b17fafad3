#include "platform/gpu/Gpu.h"

#include "platform/Backend.h"
#include "platform/gpu/GpuOpenGL.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace platform::gpu {
namespace {

struct Device {
  bool live = false;
  bool lost = false;
  DeviceType type = DeviceType::Hal;
  SurfaceHandle target = 0;
  Viewport viewport;
};

struct State {
  BackendKind kind = BackendKind::None;
  bool chosen = false;  // false: the platform backend decides
  RecordingSetup setup = DefaultRecordingSetup();
  std::vector<RecordedCall> calls;
  std::vector<Device> devices = std::vector<Device>(1);
  bool forceHardware = false;
  std::unordered_map<SurfaceHandle, SurfaceHandle> depthOf;  // colour surface -> paired depth surface
};
State& S() {
  static State state;
  // A window can have a real GPU behind it; the headless backend never draws with one.
  if (!state.chosen) state.kind = IsHeadless() ? BackendKind::None : BackendKind::OpenGL;
  return state;
}
std::mutex gMutex;

PixelFormat Rgb(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  PixelFormat f{};
  f.size = 32;
  f.flags = kPixelFormatRgb | (a != 0 ? 0x1u : 0u);  // DDPF_ALPHAPIXELS
  f.bitCount = bits;
  f.redMask = r;
  f.greenMask = g;
  f.blueMask = b;
  f.alphaMask = a;
  return f;
}

Device* Find(DeviceHandle d) {
  auto& t = S().devices;
  if (d <= 0 || static_cast<size_t>(d) >= t.size() || !t[d].live) return nullptr;
  return &t[d];
}

void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  (void)std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  RecordedCall call;
  call.text = text;
  S().calls.push_back(std::move(call));
}

bool OpenGL() { return S().kind == BackendKind::OpenGL; }

// With no device but a software rasteriser, the enumeration lists that one and
// the caller never draws with it unless forced: making its context would only
// add the driver's load to the start.
bool ListsSoftwareOnly() {
  return OpenGL() && !S().forceHardware && !opengl::Started() && opengl::OnlySoftwareDevices();
}

// 0xAARRGGBB into a surface format, each channel cut to its mask's width.
uint32_t EncodeColor(const PixelFormat& f, uint32_t argb) {
  auto put = [](uint32_t mask, uint32_t value8) -> uint32_t {
    if (mask == 0) return 0;
    const int shift = __builtin_ctz(mask);
    const int width = __builtin_popcount(mask);
    return width >= 8 ? (value8 << (shift + width - 8)) & mask : (value8 >> (8 - width)) << shift;
  };
  return put(f.redMask, argb >> 16 & 0xFF) | put(f.greenMask, argb >> 8 & 0xFF) | put(f.blueMask, argb & 0xFF) |
         put(f.alphaMask, argb >> 24);
}

// Checks the device, records the call or hands it to OpenGL.
template <class Gl, class... A>
int32_t Call(DeviceHandle device, Gl gl, const char* format, A... args) {
  std::lock_guard lock(gMutex);
  Device* d = Find(device);
  if (d == nullptr) return kDdErrInvalidParams;
  if (d->lost) return kErrDeviceLost;
  if (S().kind == BackendKind::Recording) {
    // A call without arguments records its name as it is.
    if constexpr (sizeof...(args) == 0) Record("%s", format);
    else Record(format, args...);
  } else if (OpenGL()) gl();
  return kDdOk;
}

}  // namespace

int VertexStride(uint32_t fvf) {
  switch (fvf) {
    case kFvfUntextured: return 20;
    case kFvfOneTexture: return 28;
    case kFvfTwoTextures: return 40;
    default: return 0;
  }
}

RecordingSetup DefaultRecordingSetup() {
  RecordingSetup s;
  DeviceInfo hal;
  hal.type = DeviceType::Hal;
  hal.name = "recording HAL";
  s.devices.push_back(hal);
  s.textureFormats = {Rgb(16, 0xF800, 0x7E0, 0x1F, 0), Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0),
                      Rgb(16, 0xF00, 0xF0, 0xF, 0xF000), Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000),
                      Rgb(16, 0x7C00, 0x3E0, 0x1F, 0x8000)};
  s.zBufferFormats = {PixelFormat{32, kPixelFormatZBuffer, 0, 16, 0xFFFF, 0, 0, 0}};
  return s;
}

void SetGpuBackend(BackendKind kind) {
  std::lock_guard lock(gMutex);
  State& s = S();
  s.chosen = true;
  s.kind = kind;
}
void ResetGpuBackend() {
  std::lock_guard lock(gMutex);
  S().chosen = false;
}
BackendKind GetGpuBackend() {
  std::lock_guard lock(gMutex);
  return S().kind;
}

void SetRecordingSetup(const RecordingSetup& setup) {
  std::lock_guard lock(gMutex);
  S().setup = setup;
}

const std::vector<RecordedCall>& RecordedCalls() { return S().calls; }
void ClearRecordedCalls() {
  std::lock_guard lock(gMutex);
  S().calls.clear();
}

void LoseDevice() {
  std::lock_guard lock(gMutex);
  for (Device& d : S().devices)
    if (d.live) d.lost = true;
}

void SetForceHardwareDevice(bool force) {
  std::lock_guard lock(gMutex);
  S().forceHardware = force;
}

bool HasDirect3D() {
  std::lock_guard lock(gMutex);
  if (S().kind == BackendKind::Recording || ListsSoftwareOnly()) return true;
  return OpenGL() && opengl::Available();
}

bool WindowWantsOpenGL() {
  std::lock_guard lock(gMutex);
  return OpenGL() && !ListsSoftwareOnly();
}

std::vector<DeviceInfo> EnumerateDevices() {
  std::lock_guard lock(gMutex);
  if (ListsSoftwareOnly()) return {opengl::SoftwareDevice()};
  if (OpenGL())
    return opengl::Available() ? std::vector<DeviceInfo>{opengl::Describe(S().forceHardware)}
                               : std::vector<DeviceInfo>{};
  return S().kind == BackendKind::Recording ? S().setup.devices : std::vector<DeviceInfo>{};
}
// OpenGL textures hold any of the usual formats: the upload converts them.
std::vector<PixelFormat> EnumerateTextureFormats() {
  std::lock_guard lock(gMutex);
  if (OpenGL()) return DefaultRecordingSetup().textureFormats;
  return S().kind == BackendKind::Recording ? S().setup.textureFormats : std::vector<PixelFormat>{};
}
std::vector<PixelFormat> EnumerateZBufferFormats() {
  std::lock_guard lock(gMutex);
  if (OpenGL()) return DefaultRecordingSetup().zBufferFormats;
  return S().kind == BackendKind::Recording ? S().setup.zBufferFormats : std::vector<PixelFormat>{};
}

int32_t CreateDevice(DeviceType type, SurfaceHandle target, DeviceHandle* out) {
  std::lock_guard lock(gMutex);
  *out = 0;
  if (S().kind == BackendKind::None || (OpenGL() && !opengl::Available())) return kDdErrNoInterface;
  auto& t = S().devices;
  size_t i = 1;
  while (i < t.size() && t[i].live) ++i;
  if (i == t.size()) t.emplace_back();
  t[i] = Device{true, false, type, target, Viewport{}};
  *out = static_cast<DeviceHandle>(i);
  if (OpenGL()) opengl::CreateDevice(target);
  else Record("CreateDevice %d %d", static_cast<int>(type), target);
  return kDdOk;
}

int ReleaseDevice(DeviceHandle device) {
  std::lock_guard lock(gMutex);
  Device* d = Find(device);
  if (d == nullptr) return 0;
  const bool lost = d->lost;
  *d = Device{};
  if (S().kind == BackendKind::Recording) Record("ReleaseDevice");
  else if (OpenGL() && !lost) opengl::ReleaseDevice();
  return 1;
}

int32_t BeginScene(DeviceHandle device) {
  return Call(
      device, [] {}, "BeginScene");
}
int32_t EndScene(DeviceHandle device) {
  return Call(
      device, [] { opengl::EndScene(); }, "EndScene");
}
int32_t SetRenderTarget(DeviceHandle device, SurfaceHandle target) {
  const int32_t result = Call(
      device, [&] { opengl::SetRenderTarget(target); }, "SetRenderTarget %d", target);
  std::lock_guard lock(gMutex);
  if (result == kDdOk) Find(device)->target = target;
  return result;
}
int32_t SetViewport(DeviceHandle device, const Viewport& v) {
  const int32_t result = Call(
      device, [&] { opengl::SetViewport(v); }, "SetViewport %u %u %u %u", v.x, v.y, v.width, v.height);
  std::lock_guard lock(gMutex);
  if (result == kDdOk) Find(device)->viewport = v;
  return result;
}

int32_t Clear(DeviceHandle device, uint32_t flags, uint32_t color, float z, uint32_t stencil) {
  SurfaceHandle target = 0, depth = 0;
  Viewport v;
  {
    std::lock_guard lock(gMutex);
    const Device* d = Find(device);
    if (d == nullptr) return kDdErrInvalidParams;
    if (d->lost) return kErrDeviceLost;
    if (S().kind == BackendKind::Recording)
      Record("Clear %u 0x%08X %g %u", flags, color, static_cast<double>(z), stencil);
    // What OpenGL drew so far goes into the surface before the fill.
    else if (OpenGL()) opengl::EndScene();
    target = d->target;
    v = d->viewport;
    const auto paired = S().depthOf.find(target);
    if (paired != S().depthOf.end()) depth = paired->second;
  }
  // The pixels belong to the surfaces: the clear is a fill of the viewport in each.
  auto fill = [&](SurfaceHandle surface, auto encode) {
    int width = 0, height = 0;
    PixelFormat format{};
    if (surface == 0 || GetSurfaceFormat(surface, &width, &height, &format) == 0) return;
    const SurfaceRect rect{static_cast<int>(std::min<uint32_t>(v.x, width)),
                           static_cast<int>(std::min<uint32_t>(v.y, height)),
                           static_cast<int>(std::min<uint64_t>(uint64_t{v.x} + v.width, width)),
                           static_cast<int>(std::min<uint64_t>(uint64_t{v.y} + v.height, height))};
    if (rect.right > rect.left && rect.bottom > rect.top) FillSurface(surface, &rect, encode(format));
  };
  if ((flags & 1) != 0) fill(target, [&](const PixelFormat& f) { return EncodeColor(f, color); });
  // A pairing whose depth surface was released unpaired must not fill what now holds its handle.
  int width = 0, height = 0;
  PixelFormat depthFormat{};
  if (depth != 0 &&
      (GetSurfaceFormat(depth, &width, &height, &depthFormat) == 0 || (depthFormat.flags & kPixelFormatZBuffer) == 0))
    depth = 0;
  if ((flags & 2) != 0)
    fill(depth, [&](const PixelFormat& f) {
      const uint32_t top = f.bitCount >= 32 ? 0xFFFFFFFFu : (1u << f.bitCount) - 1;
      return static_cast<uint32_t>(std::clamp(z, 0.0f, 1.0f) * static_cast<float>(top));
    });
  return kDdOk;
}
int32_t SetRenderState(DeviceHandle device, RenderState state, uint32_t value) {
  return Call(
      device, [&] { opengl::SetRenderState(state, value); }, "SetRenderState %u %u", static_cast<unsigned>(state),
      value);
}
int32_t SetTextureStageState(DeviceHandle device, int stage, StageState state, uint32_t value) {
  return Call(
      device, [&] { opengl::SetTextureStageState(stage, state, value); }, "SetTextureStageState %d %u %u", stage,
      static_cast<unsigned>(state), value);
}
int32_t SetTexture(DeviceHandle device, int stage, SurfaceHandle texture) {
  return Call(
      device, [&] { opengl::SetTexture(stage, texture); }, "SetTexture %d %d", stage, texture);
}

int32_t DrawPrimitive(DeviceHandle device, PrimitiveType type, uint32_t fvf, const void* vertices, int count) {
  return DrawIndexedPrimitive(device, type, fvf, vertices, count, nullptr, 0);
}

int32_t DrawIndexedPrimitive(DeviceHandle device, PrimitiveType type, uint32_t fvf, const void* vertices,
                             int vertexCount, const uint16_t* indices, int indexCount) {
  const int stride = VertexStride(fvf);
  if (stride == 0 || vertexCount <= 0) return kDdErrInvalidParams;
  auto gl = [&] { opengl::Draw(type, fvf, vertices, vertexCount, indices, indexCount); };
  const int32_t result =
      indices != nullptr ? Call(device, gl, "DrawIndexedPrimitive %u 0x%X %d %d", static_cast<unsigned>(type), fvf,
                                vertexCount, indexCount)
                         : Call(device, gl, "DrawPrimitive %u 0x%X %d", static_cast<unsigned>(type), fvf, vertexCount);
  if (result != kDdOk) return result;
  std::lock_guard lock(gMutex);
  if (S().kind == BackendKind::Recording) {
    RecordedCall& c = S().calls.back();
    c.fvf = fvf;
    c.vertexCount = vertexCount;
    const auto* p = static_cast<const uint8_t*>(vertices);
    c.vertices.assign(p, p + static_cast<size_t>(stride) * vertexCount);
    if (indices != nullptr) c.indices.assign(indices, indices + indexCount);
  }
  return kDdOk;
}

int32_t AttachDepthSurface(SurfaceHandle surface, SurfaceHandle depth) {
  if (surface == 0 || depth == 0) return kDdErrInvalidParams;
  std::lock_guard lock(gMutex);
  if (S().kind == BackendKind::Recording) Record("AttachDepthSurface %d %d", surface, depth);
  S().depthOf[surface] = depth;
  return kDdOk;
}
int32_t DetachDepthSurface(SurfaceHandle surface, SurfaceHandle depth) {
  if (surface == 0 || depth == 0) return kDdErrInvalidParams;
  std::lock_guard lock(gMutex);
  if (S().kind == BackendKind::Recording) Record("DetachDepthSurface %d %d", surface, depth);
  const auto paired = S().depthOf.find(surface);
  if (paired == S().depthOf.end() || paired->second != depth) return kDdErrInvalidParams;
  S().depthOf.erase(paired);
  return kDdOk;
}

int32_t LoadTexture(DeviceHandle device, SurfaceHandle dest, int x, int y, SurfaceHandle source,
                    const SurfaceRect& rect) {
  const int32_t result = Call(
      device, [] {}, "LoadTexture %d %d %d %d", dest, x, y, source);
  if (result != kDdOk) return result;
  return BltFastSurface(dest, x, y, source, &rect, false);
}

bool PresentSurfaceToWindow(SurfaceHandle surface, const SurfaceRect& from, const SurfaceRect& to, int clientWidth,
                            int clientHeight) {
  std::lock_guard lock(gMutex);
  if (!OpenGL()) return false;
  const auto& devices = S().devices;
  if (std::none_of(devices.begin(), devices.end(), [](const Device& d) { return d.live && !d.lost; })) return false;
  int width = 0, height = 0;
  if (GetSurfaceFormat(surface, &width, &height, nullptr) == 0) return false;
  // Rectangles outside the surface or turned inside out are not blitted.
  if (from.left < 0 || from.top < 0 || from.right > width || from.bottom > height || from.right <= from.left ||
      from.bottom <= from.top || to.right <= to.left || to.bottom <= to.top)
    return false;
  return opengl::PresentToWindow(surface, from, to, clientWidth, clientHeight);
}

}  // namespace platform::gpu
