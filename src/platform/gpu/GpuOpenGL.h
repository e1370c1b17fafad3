#pragma once

#include "platform/gpu/Gpu.h"

// The OpenGL backend behind the gpu facility's calls (one device at a time).
namespace platform::gpu::opengl {

// Whether every device the machine has is a software rasteriser, found
// without making a context; false when the devices cannot be listed.
bool OnlySoftwareDevices();
// Whether the context was tried already.
bool Started();
// The device a software rasteriser is listed as before its context is made.
DeviceInfo SoftwareDevice();
// Makes the context on first use; false when there is no OpenGL 3.3 core.
bool Available();
// The one device: a software rasteriser is listed as such unless forced.
DeviceInfo Describe(bool forceHardware);
void CreateDevice(SurfaceHandle target);
void ReleaseDevice();
void EndScene();
void SetRenderTarget(SurfaceHandle target);
void SetViewport(const Viewport& viewport);
void SetRenderState(uint32_t state, uint32_t value);
void SetTextureStageState(int stage, uint32_t state, uint32_t value);
void SetTexture(int stage, SurfaceHandle texture);
// Shows `from` of the surface at `to` of the window's client area and swaps;
// false when the context does not draw to a window.
bool PresentToWindow(SurfaceHandle surface, const SurfaceRect& from, const SurfaceRect& to, int clientWidth,
                     int clientHeight);
void Draw(uint32_t type, uint32_t fvf, const void* vertices, int vertexCount, const uint16_t* indices, int indexCount);

}  // namespace platform::gpu::opengl
