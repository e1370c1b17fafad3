#pragma once

#include <cstdint>

// Public entries of the graphics family: screen modes, presentation and
// screen save, graph handles, the draw state and drawing.
namespace platform {
struct PixelFormat;
}

int SetHardwareRendering(int flag);
// 1: the 3D path runs on OpenGL even when the only device is a software
// rasteriser (called before the library starts); 0: no 3D device is offered.
int ForceHardwareRendering(int flag);
int EnableDirectDraw(int flag);
const platform::PixelFormat* GetDisplayPixelFormat();
int GetDisplayRefreshRate();
int PresentFrame();
int PresentBackScreen();
int SetScreenResolution(int width, int height, int bits, int refreshRate);
// Saves the rectangle of the draw target as a PNG file; option is passed on.
int SaveScreenAreaPng(int x1, int y1, int x2, int y2, const char* fileName, int option);
int CreateBlankGraph(int width, int height, int noTexture);
int ReleaseGraph(int graph, int logFlag);
int GetGraphCount();
int ReleaseAllGraphs(int logFlag);
int ReloadGraphsNow();
int ClearDrawTarget();
int PutGraph(int x, int y, int graph, int transparent);
int PutGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
int PutGraphRotated(int x, int y, double scale, double angle, int graph, int transparent, int turn);
int PutGraphPart(int x, int y, int sourceX, int sourceY, int width, int height, int graph, int transparent, int turn);
int DrawBlendGraph(int x, int y, int graph, int transparent, int blendGraph, int border, int range);
int PutBox(int x1, int y1, int x2, int y2, int color, int fill);
int SetDrawSampling(int mode);
int SetBlendState(int mode, int parameter);
int SetDrawTint(int red, int green, int blue);
int SelectDrawTarget(int target);
int SetUse3DForNewGraphs(int flag);
int SetGraphRestoreCallback(void (*callback)());
int CaptureScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag);
int QueryGraphSize(int graph, int* width, int* height);
int IsHardware3DActive();
int CreateSubGraph(int x, int y, int width, int height, int parent);
int ReadImageFileToAlphaGraph(const char* name);
int CreateGraphFromMemoryImage(const void* data, int size, const void* alphaData, int alphaSize, int use3DRequest,
                               int mirror);
int SetTransparentColorKey(int red, int green, int blue);
int MakePixelFormatRecord(platform::PixelFormat* record, int bitCount, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask, uint32_t alphaMask);
int PackColor(int red, int green, int blue);

// The drawing call log: one line per public drawing entry (entry, arguments,
// result, blend mode and parameter, tint), written after the entry ran.
void SetDrawCallLogEnabled(int on);
const char* GetDrawCallLog();
void ClearDrawCallLog();
