#include "media/graphics/GraphicsSystem.h"

#include "foundation/Log.h"

namespace {

struct LeastGraphicsState {
  int hardwareRendering = 1;
  int frontWorkSurface = 0;
  void (*restoreCallback)() = nullptr;
  int newGraphDrawValid = 0;
  int vsyncWait = 0;
  int showGdiSurface = 0;
  int maskLayerActive = 0;
  int drawTarget = -4;
};
LeastGraphicsState gLeast;

}  // namespace

int StartGraphics(platform::WindowHandle /*mainWindow*/) {
  LogWrite("StartGraphics\n");
  return 0;
}

void StopGraphics() { LogWrite("StopGraphics\n"); }

int SetHardwareRendering(int flag) {
  gLeast.hardwareRendering = flag;
  return 0;
}
int GetNoDirect3DFlag() { return 0; }
int SetUseFrontWorkSurface(int flag) {
  gLeast.frontWorkSurface = flag;
  return 0;
}
int GetUseFrontWorkSurface() { return gLeast.frontWorkSurface; }
int SetGraphRestoreCallback(void (*callback)()) {
  gLeast.restoreCallback = callback;
  return 0;
}
int HasGraphRestoreCallback() { return gLeast.restoreCallback != nullptr ? 1 : 0; }
int SetNewGraphDrawValid(int flag) {
  gLeast.newGraphDrawValid = flag;
  return 0;
}
int SetVSyncWait(int flag) {
  gLeast.vsyncWait = flag;
  return 0;
}
int GetVSyncWait() { return gLeast.vsyncWait; }
int SetShowGdiSurface(int flag) {
  gLeast.showGdiSurface = flag;
  return 0;
}
int GetShowGdiSurface() { return gLeast.showGdiSurface; }
int GetMaskLayerActive() { return gLeast.maskLayerActive; }
int SetMaskLayerActive(int flag) {
  gLeast.maskLayerActive = flag;
  return 0;
}

int ApplyScreenMode(int, int, int, int, int) { return 0; }
int QueryScreenSize(int* width, int* height) {
  if (width != nullptr) *width = 640;
  if (height != nullptr) *height = 480;
  return 0;
}
int QueryScreenMode(int* width, int* height, int* bits) {
  if (width != nullptr) *width = 640;
  if (height != nullptr) *height = 480;
  if (bits != nullptr) *bits = 16;
  return 0;
}
int ReadScreenPixelFormat() { return 0; }
int IsDisplayModeChanged() { return 0; }
int IsDirectDrawUsed() { return 1; }
void* GetDirectDrawObject() { return nullptr; }

void RestoreScreenAfterDeviceLoss() {}
void RestoreLostSurfaces2D() {}
void RestoreLostTextureSets() {}
int RestoreMainSurfaces() { return -1; }
int RestoreLostGraphs() { return 0; }
void ReleaseDirect3DObject() {}
void ReleaseDirectDrawObjects() {}

int PresentBackScreen(const GraphicsRect*) { return 0; }
int SetFrontScreenWindowRect(const GraphicsRect*) { return 0; }
int SetClipArea(int, int, int, int) { return 0; }

int SelectDrawTarget(int target) {
  gLeast.drawTarget = target;
  return 0;
}
int GetDrawTarget() { return gLeast.drawTarget; }
int CreateBlankGraph(int, int, int) { return -1; }
int ReleaseGraph(int, int) { return -1; }
int CreateGraphFromImageDefault(GraphImage*) { return -1; }
int SetBlendState(int, int) { return 0; }
int PutGraph(int, int, int, int) { return -1; }
int PutGraphStretched(int, int, int, int, int, int) { return -1; }
