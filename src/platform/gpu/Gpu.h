#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/surfaces/Surfaces.h"

// The stand-in for Direct3D 7: device and format enumeration, one device on
// a render-target surface, render and texture-stage states, pre-transformed
// vertices drawn as triangle lists and strips, scenes and device loss.
// Textures are surfaces made with kCapsTexture (their pixels live with the
// surface; Lock and Unlock work on them as on any surface).
//
// Backends: None (asking the display object for Direct3D fails, the runtime
// draws in software), Recording (accepts every call and writes it down with
// the vertices it carries; the media layer's batching and state cache are
// tested against it) and OpenGL (a 3.3 core context).
namespace platform::gpu {

constexpr uint32_t kCapsTexture = 0x1000;

enum class DeviceType { TnLHal, Hal, Software };

struct DeviceInfo {
  DeviceType type = DeviceType::Hal;
  std::string name;
  uint32_t renderDepths = 0x400 | 0x100;  // DDBD_16 | DDBD_32
  uint32_t triangleTextureCaps = 0;       // bit 1 power of two only, bit 5 square only
  uint32_t minTextureWidth = 1, minTextureHeight = 1;
  uint32_t maxTextureWidth = 2048, maxTextureHeight = 2048;
  uint16_t maxBlendStages = 8, maxSimultaneousTextures = 8;
};

using DeviceHandle = int;

// Render states, texture-stage states and their values (Direct3D 7 numbers).
enum RenderState : uint32_t {
  kRsTexturePerspective = 4,
  kRsZEnable = 7,
  kRsShadeMode = 9,
  kRsZWriteEnable = 14,
  kRsAlphaTestEnable = 15,
  kRsSrcBlend = 19,
  kRsDestBlend = 20,
  kRsCullMode = 22,
  kRsZFunc = 23,
  kRsAlphaRef = 24,
  kRsAlphaFunc = 25,
  kRsDitherEnable = 26,
  kRsAlphaBlendEnable = 27,
  kRsFogEnable = 28,
  kRsSpecularEnable = 29,
  kRsColorKeyEnable = 41,
  kRsZBias = 47,
  kRsTextureFactor = 60,
  kRsLighting = 137,
  kRsColorKeyBlendEnable = 144,
  kRsDiffuseMaterialSource = 145,
  kRsSpecularMaterialSource = 146,
};
enum StageState : uint32_t {
  kTssColorOp = 1,
  kTssColorArg1 = 2,
  kTssColorArg2 = 3,
  kTssAlphaOp = 4,
  kTssAlphaArg1 = 5,
  kTssAlphaArg2 = 6,
  kTssTexCoordIndex = 11,
  kTssAddress = 12,
  kTssMagFilter = 16,
  kTssMinFilter = 17,
  kTssMipFilter = 18,
};
enum TextureOp : uint32_t {
  kTopDisable = 1,
  kTopSelectArg1 = 2,
  kTopSelectArg2 = 3,
  kTopModulate = 4,
  kTopModulate2x = 5,
  kTopModulate4x = 6,
  kTopAdd = 7,
  kTopSubtract = 10,
  kTopBlendDiffuseAlpha = 12,
  kTopBlendCurrentAlpha = 16,
};
enum TextureArg : uint32_t {
  kTaDiffuse = 0,
  kTaCurrent = 1,
  kTaTexture = 2,
  kTaTFactor = 3,
  kTaSpecular = 4,
  kTaComplement = 0x10,
};
enum BlendFactor : uint32_t {
  kBlendZero = 1,
  kBlendOne = 2,
  kBlendSrcColor = 3,
  kBlendInvSrcColor = 4,
  kBlendSrcAlpha = 5,
  kBlendInvSrcAlpha = 6,
  kBlendDestColor = 9,
  kBlendInvDestColor = 10,
};
enum Compare : uint32_t { kCmpGreater = 5, kCmpGreaterEqual = 7, kCmpAlways = 8 };
enum PrimitiveType : uint32_t { kTriangleList = 4, kTriangleStrip = 5 };
// Flexible vertex formats of the three vertex kinds.
constexpr uint32_t kFvfUntextured = 0x44;
constexpr uint32_t kFvfOneTexture = 0x144;
constexpr uint32_t kFvfTwoTextures = 0x2C4;
int VertexStride(uint32_t fvf);  // bytes per vertex, 0 for another format

struct Viewport {
  uint32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0, maxZ = 1;
};

constexpr int32_t kErrDeviceLost = static_cast<int32_t>(0x887601C2u);

// --- The Direct3D object --------------------------------------------------------
bool HasDirect3D();
// Whether a window made now should take OpenGL for the device to present
// into: not when the gpu draws without it, nor when the machine's only
// renderer is a software rasteriser that is not forced (listed, never drawn
// with).
bool WindowWantsOpenGL();
// Devices in the order the enumeration lists them.
std::vector<DeviceInfo> EnumerateDevices();
std::vector<PixelFormat> EnumerateTextureFormats();
std::vector<PixelFormat> EnumerateZBufferFormats();

// --- The device ------------------------------------------------------------------
int32_t CreateDevice(DeviceType type, SurfaceHandle target, DeviceHandle* out);
int ReleaseDevice(DeviceHandle device);
int32_t BeginScene(DeviceHandle device);
int32_t EndScene(DeviceHandle device);
int32_t SetRenderTarget(DeviceHandle device, SurfaceHandle target);
int32_t SetViewport(DeviceHandle device, const Viewport& viewport);
int32_t SetRenderState(DeviceHandle device, RenderState state, uint32_t value);
int32_t SetTextureStageState(DeviceHandle device, int stage, StageState state, uint32_t value);
int32_t SetTexture(DeviceHandle device, int stage, SurfaceHandle texture);
int32_t DrawPrimitive(DeviceHandle device, PrimitiveType type, uint32_t fvf, const void* vertices, int count);
int32_t DrawIndexedPrimitive(DeviceHandle device, PrimitiveType type, uint32_t fvf, const void* vertices,
                             int vertexCount, const uint16_t* indices, int indexCount);
// Clears the viewport of the render target (flags bit 0) to colour
// (0xAARRGGBB, put into the target's format) and of its paired depth surface
// (bit 1) to z (0 near .. 1 far).
int32_t Clear(DeviceHandle device, uint32_t flags, uint32_t color, float z, uint32_t stencil);
// Copies a rectangle of one texture into another at (x, y).
int32_t LoadTexture(DeviceHandle device, SurfaceHandle dest, int x, int y, SurfaceHandle source,
                    const SurfaceRect& rect);

// Pairs a depth (Z-buffer) surface with the colour surface it serves, or
// undoes the pairing. Surface operations: they need no device. No draw of the
// library switches Z on, so OpenGL accepts the pairing without a depth
// attachment of its own.
int32_t AttachDepthSurface(SurfaceHandle surface, SurfaceHandle depth);
int32_t DetachDepthSurface(SurfaceHandle surface, SurfaceHandle depth);

// Presents through the device: `from` of a surface (the back render target)
// goes to `to` of the window's client area, clientWidth x clientHeight, whose
// other pixels keep what was presented before; the client area is shown
// scaled by the largest whole factor that fits the window and centred, and
// the window's buffers are swapped. False, with nothing done, unless a live
// OpenGL device draws into a real window (headless, SDL's dummy video, the
// recording backend and a lost device all present through the window image).
bool PresentSurfaceToWindow(SurfaceHandle surface, const SurfaceRect& from, const SurfaceRect& to, int clientWidth,
                            int clientHeight);

// --- Backends ---------------------------------------------------------------------
enum class BackendKind { None, Recording, OpenGL };
void SetGpuBackend(BackendKind kind);
BackendKind GetGpuBackend();
// Back to the default: OpenGL under a window, none under the headless backend.
void ResetGpuBackend();
// Lists a software rasteriser (Mesa's llvmpipe, softpipe) as a hardware
// device, so that the 3D path runs on it instead of being skipped.
void SetForceHardwareDevice(bool force);

// What the recording backend offers.
struct RecordingSetup {
  std::vector<DeviceInfo> devices;
  std::vector<PixelFormat> textureFormats;
  std::vector<PixelFormat> zBufferFormats;
};
// A HAL device of 1..2048 textures with the usual 16- and 32-bit formats.
RecordingSetup DefaultRecordingSetup();
void SetRecordingSetup(const RecordingSetup& setup);

struct RecordedCall {
  std::string text;  // name and arguments, e.g. "SetRenderState 27 1"
  uint32_t fvf = 0;
  std::vector<uint8_t> vertices;  // the vertices of a draw
  int vertexCount = 0;
  std::vector<uint16_t> indices;
};
const std::vector<RecordedCall>& RecordedCalls();
void ClearRecordedCalls();
// Every device call fails with kErrDeviceLost until the device is released.
void LoseDevice();

}  // namespace platform::gpu
