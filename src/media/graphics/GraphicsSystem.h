#pragma once

#include "platform/window/Window.h"

// The graphics services the media system's start, end, window, window
// procedure and message pass call. Until the graphics subsystem is built these
// have their least bodies: the start and end succeed and log, the screen is
// 640 x 480 x 16, no graph exists and nothing is ever lost.

int StartGraphics(platform::WindowHandle mainWindow);  // negative: the library start fails
void StopGraphics();
int SetHardwareRendering(int flag);
int GetNoDirect3DFlag();
int SetUseFrontWorkSurface(int flag);
int GetUseFrontWorkSurface();
int SetGraphRestoreCallback(void (*callback)());
int HasGraphRestoreCallback();
int SetNewGraphDrawValid(int flag);
int SetVSyncWait(int flag);
int GetVSyncWait();
int SetShowGdiSurface(int flag);
int GetShowGdiSurface();
int GetMaskLayerActive();
int SetMaskLayerActive(int flag);

int ApplyScreenMode(int width, int height, int bits, int force, int refreshRate);
int QueryScreenSize(int* width, int* height);
int QueryScreenMode(int* width, int* height, int* bits);
int ReadScreenPixelFormat();
int IsDisplayModeChanged();
int IsDirectDrawUsed();
void* GetDirectDrawObject();

void RestoreScreenAfterDeviceLoss();
void RestoreLostSurfaces2D();
void RestoreLostTextureSets();
int RestoreMainSurfaces();
// RestoreGraphIfLost on every live graph, when graph management runs and is
// not suspended.
int RestoreLostGraphs();
void ReleaseDirect3DObject();
void ReleaseDirectDrawObjects();

struct GraphicsRect {
  int left, top, right, bottom;
};
int PresentBackScreen(const GraphicsRect* target);
int SetFrontScreenWindowRect(const GraphicsRect* clientOnScreen);
int SetClipArea(int x1, int y1, int x2, int y2);

int SelectDrawTarget(int target);
int GetDrawTarget();
int CreateBlankGraph(int width, int height, int noTexture);
int ReleaseGraph(int graph, int logFlag);
struct GraphImage;
int CreateGraphFromImageDefault(GraphImage* image);
int SetBlendState(int blendMode, int parameter);
int PutGraph(int x, int y, int graph, int transparent);
int PutGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
