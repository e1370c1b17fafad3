#pragma once

#include <cstdint>

#include "media/graphics/DrawState.h"
#include "media/image/GraphImage.h"
#include "media/softrender/MemImg.h"
#include "platform/surfaces/Surfaces.h"
#include "platform/window/Window.h"

// The graphics layer: the screen and its modes, the main surfaces and
// software screens, presentation, graph handles with their pixel stores and
// views, the draw state and the drawing interface over the 2D and software
// paths. Without a 3D device every graph is a 2D graph.

// --- Screen state ---------------------------------------------------------------

struct ScreenState {
  platform::DirectDrawHandle directDraw;
  int clipper;  // 1 while the window clipper exists
  int palette;  // 1 while the 8-bit palette exists
  uint8_t driverCaps[380];
  ColorFormat screenColorFormat;
  SurfacePixelFormat displayPixelFormat;
  int colorKind;  // 0 565, 1 555, 2 XRGB, 3 other
  int colorDepth;
  int refreshRequest;
  int width, height;
  int requestedDepth;
  int cooperativeLevel;
  int overlayIndex;
  // The current 2D target.
  platform::SurfaceHandle targetSurface;
  int targetOffsetX, targetOffsetY;
  MEMIMG* targetImage;
  MEMIMG* targetDepthImage;
  // Main surfaces and software screens.
  platform::SurfaceHandle primary, back, zBuffer, frontWork, work320, work1, work2;
  MEMIMG frontScreen, backScreen, depthScreen;
  int memimgScreens;
  int backScreenOverSurface;  // the back screen lies over the locked back surface
  int useFrontWorkSurface;
  uint8_t paletteEntries[256][4];
  int displayModeChanged;
  int noDirect3D;
  int softwareRendering;
  int gdiPresentation;
  int showGdiSurface, showGdiApplied;
  int useBitBlt;
  int lastPresentTime;
  int frameTime;
  int refreshRate;
  int frameInterval;
  int lastModeChangeTime;
  int directDrawStarted;
  int readBack;
  platform::WindowHandle window;
  int started;  // graphics started
};
extern ScreenState gScreenState;

// --- Pixel stores, 2D views and graphs --------------------------------------------

struct GraphFormatRequest {
  uint8_t use3D, alphaChannel, drawValid, systemMemory, unmanagedTexture, reserved1, reserved2, alphaTest, colorDepth,
      loadAsAlpha, palette;
};

struct SurfaceDataRecord {
  int checkNumber;
  int* lostFlag;
  GraphFormatRequest request;
  int softwareImage;
  int surfaceFormat;
  int depthRequest;
  platform::SurfaceHandle surface;
  MEMIMG colorImage;
  platform::SurfaceHandle depthSurface;
  MEMIMG depthImage;
  int transparentColor;
  int width, height;
  int referenceCount;
  int lockedPitch;
  uint8_t* lockedPixels;
  int lockCount;
};

struct Surface2DRecord {
  int checkNumber;
  int* lostFlag;
  int graphX, graphY;
  int storeX, storeY;
  int width, height;
  int owner;
  int store;
};

constexpr int kGraphSlots = 0x8000;
constexpr int kStoreSlots = 0x10000;
constexpr int kSurface2DSlots = 0x8000;

struct GraphRecord {
  int checkNumber;
  int* lostFlag;
  int handle;
  GraphFormatRequest request;
  int extraValue;
  int loadAsAlpha;
  int storage[64];
  int storageCount;
  char* fileName;  // kept whole (tracked heap), null when none
  char* directory;
  int sourceX, sourceY;
  int width, height;
  int movie;
  int restoreNeeded;
  void* ownedMemory;
};

struct GraphManager {
  int started;
  GraphRecord* graphs[kGraphSlots];
  int count;
  int nextIndex;
  int checkCounter;
  SurfaceDataRecord* stores[kStoreSlots];
  int storeCount;
  int storeNextIndex;
  int storeCheckCounter;
  int direct3DUsable;
};
extern GraphManager gGraphManager;

struct Surface2DTable {
  Surface2DRecord* views[kSurface2DSlots];
  int count;
  int nextIndex;
  int checkCounter;
};
extern Surface2DTable gSurfaces2D;

// --- Start, end, modes (screen set-up) -------------------------------------------

int StartGraphics(platform::WindowHandle mainWindow);  // negative: the library start fails
void StopGraphics();
int StartDirectDraw();
int StopDirectDraw();
int SetHardwareRendering(int flag);
int EnableDirectDraw(int flag);
int SetScreenResolution(int width, int height, int bits, int refreshRate);
int ApplyScreenMode(int width, int height, int bits, int force, int refreshRate);
int ReadScreenPixelFormat();
int SetNoDirect3DFlag(int flag);
int GetNoDirect3DFlag();
int QueryScreenSize(int* width, int* height);
int QueryScreenMode(int* width, int* height, int* bits);
int IsDisplayModeChanged();
int IsDirectDrawUsed();
void* GetDirectDrawObject();
int IsSoftwareRendering();
const ColorFormat* GetScreenColorFormat();
const SurfacePixelFormat* GetDisplayPixelFormat();
int GetDisplayRefreshRate();
const SurfacePixelFormat* GetOverlayPixelFormat();
int SetUseFrontWorkSurface(int flag);
int GetUseFrontWorkSurface();
int SetShowGdiSurface(int flag);
int GetShowGdiSurface();

// --- Main surfaces and device loss -------------------------------------------------

int CreateMainSurfaces();
int ReleaseMainSurfaces();
int RestoreMainSurfaces();
int ReleaseDirectDrawObjects();
int EnsureDirectDrawObjects();
int ReapplyDisplayMode();
int ReleaseSurface2DStores();
int RecreateSurface2DStores();
int ReleaseWindowClipper();
int RecreateWindowClipper();
int RestoreScreenPalette();
void RestoreScreenAfterDeviceLoss();
void RestoreLostSurfaces2D();
void RestoreLostTextureSets();
int RestoreLostGraphs();
void ReleaseDirect3DObject();
int StartDirect3D();
int StopDirect3D();

// --- Presentation and screen save ---------------------------------------------------

struct GraphicsRect {
  int left, top, right, bottom;
};
int PresentFrame();
int PresentBackScreen(const GraphicsRect* target);
int PresentBackScreen();
int SaveScreenAreaPng(int x1, int y1, int x2, int y2, const char* fileName, int option);
int WaitFrameInterval();
int WaitVerticalBlanks(int count);
int CopySurfaceRect(platform::SurfaceHandle dest, platform::SurfaceHandle source, int x, int y, const Rect* rect,
                    int method);
int GetFrontScreenRect(Rect* out);
int PresentSoftwareFrontRect(const Rect* rect);
int ReadBackWindowToFrontScreen();
int SaveScreenRegionToFile(int left, int top, int right, int bottom, const char* fileName, int type, int jpegQuality,
                           int jpegOption, int pngLevel);

// --- Graph handles -------------------------------------------------------------------

int StartGraphManager();
int StopGraphManager();
int CreateGraphSized(int width, int height, int use3D, int alpha, int palette);
int CreateBlankGraph(int width, int height, int noTexture);
int CreateGraphForImage(const GraphImage* image, const GraphImage* alphaImage, int use3D);
int CreateGraphFromImage(GraphImage* image, GraphImage* alphaImage, int use3D, int mirror, int mirrorInPlace);
int CreateGraphFromImageDefault(GraphImage* image);
int TransferImagePartToGraph(const char* name, const GraphImage* image, const GraphImage* alphaImage, int x, int y,
                             int graph, int extra);
int SetGraphFileName(int graph, const char* name, int other);
int CreateSubGraph(int x, int y, int width, int height, int parent);
// Hands a movie graph its movie's current frame before it is drawn.
int AdvanceGraphMovie(int graph, int flag);
int ReleaseGraph(int graph, int logFlag);
int ReleaseAllGraphs(int logFlag);
int SetGraphLostFlag(int graph, int* flag);
int PaintGraph(int graph, int red, int green, int blue, int alpha);
int IsValidGraph(int graph);
GraphRecord* GetGraphRecord(int graph);
int GetGraphCount();
int QueryGraphSize(int graph, int* width, int* height);
int IsHardware3DActive();
int SetUse3DForNewGraphs(int flag);
int SetNewGraphDrawValid(int flag);
int SetNewGraphColorDepth(int bits);
int SetNewGraphAlphaChannel(int flag);
int SetNewGraphSystemMemory(int flag);
int SetUseVideoMemoryGraphs(int flag);
int MarkAllGraphsForRestore();
int SetGraphRestoreCallback(void (*callback)());
int HasGraphRestoreCallback();
void ReloadAllGraphsFromFiles();
int ReloadGraphsNow();
int RestoreGraphIfLost(int graph);
int ReadImageFileToGraph(const char* name, int use3DRequest, int mirror, int extra);
int ReadImageFileToAlphaGraph(const char* name);
int CreateGraphFromMemoryImage(const void* data, int size, const void* alphaData, int alphaSize, int use3DRequest,
                               int mirror);

// Pixel stores and views.
int AllocSurfaceData(int references, int width, int height, int transparentColor, const GraphFormatRequest& request);
int FreeSurfaceData(int store);
SurfaceDataRecord* GetSurfaceDataRecord(int store);
int CreateSurfaceDataSurface(int store);
int ReleaseSurfaceDataSurfaces(int store);
// The depth buffer of a draw-valid store: a depth image for software stores,
// else a 16-bit Z-buffer surface paired with the store's surface. A texture
// store made again (device loss) gets its depth surface back.
int SetSurfaceDataDepthBuffer(int store, int on);
int CreateSurfaceDataDepthSurface(SurfaceDataRecord* r);
void ReleaseSurfaceDataDepthSurface(SurfaceDataRecord* r);
int ApplySurfaceDataColorKey(int store);
int LockSurfaceData(int store, int* pitch, uint8_t** pixels, int writeOnly, const Rect* rect,
                    const ColorFormat** format);
int UnlockSurfaceData(int store);
int FillSurfaceData(int store, int red, int green, int blue, int alpha);
int RestoreSurfaceDataIfLost(int store);
int AddSurface2D(int width, int height, int graphX, int graphY, int owner, int share, int storeX, int storeY,
                 const GraphFormatRequest& request);
Surface2DRecord* GetSurface2DRecord(int view);
int RemoveSurface2D(int view);
int RemoveAllSurfaces2D();

// --- Draw state and drawing ----------------------------------------------------------

int ResetDrawState();
int SelectDrawTarget(int target);
int GetDrawTarget();
int SetClipArea(int x1, int y1, int x2, int y2);
int GetClipArea(Rect* out);
// Sets the draw area as it is, for one step of a draw that puts it back.
void SetDrawAreaRect(const Rect& r);
int SetBlendState(int mode, int parameter);
int SelectBlendGraph(int graph, int border, int range);
int SetDrawTint(int red, int green, int blue);
int SetDrawTintPacked(int rgb);
int SetDrawSampling(int mode);
int GetDrawSampling();
int SetTransparentColorKey(int red, int green, int blue);
int SetFrontScreenWindowRect(const GraphicsRect* clientOnScreen);
int SetVSyncWait(int flag);
int GetVSyncWait();
uint64_t GetPresentCount();
int CountPresentation();
int ResetPresentCount();
int CheckBlendGraphSize(const GraphRecord* graph);
int PackColor(int red, int green, int blue);
int UnpackColor(int value, int* red, int* green, int* blue);
int FillColorFormatFromPixelFormat(const SurfacePixelFormat* pf, ColorFormat* cf);

int PutGraph(int x, int y, int graph, int transparent);
int PutGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent);
int PutGraphRotatedF(float x, float y, double scale, double angle, int graph, int transparent, int turn);
int PutGraphRotated(int x, int y, double scale, double angle, int graph, int transparent, int turn);
int PutGraphFourCorners(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                        int transparent);
int PutGraphTurned(int x, int y, int graph, int transparent);
int PutGraphPart(int x, int y, int sourceX, int sourceY, int width, int height, int graph, int transparent, int turn);
int PutGraphPartStretched(int x1, int y1, int x2, int y2, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                          int graph, int transparent);
int DrawBlendGraph(int x, int y, int graph, int transparent, int blendGraph, int border, int range);
int PutBox(int x1, int y1, int x2, int y2, int color, int fill);
int FillBox(int x1, int y1, int x2, int y2, int color);
int FrameBox(int x1, int y1, int x2, int y2, int color);
int ClearDrawTarget();
int CaptureScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag);

// The 2D and software halves.
int SelectDrawTarget2D(int target, int previous);
const MEMIMG* GetBlendGraphImage();
int DrawSurface2D(int x, int y, int view, int transparent);
int PutGraph2D(int x, int y, GraphRecord* graph, int transparent);
int PutGraphStretched2D(int x1, int y1, int x2, int y2, GraphRecord* graph, int transparent, int view);
int PutGraphRotated2D(float cx, float cy, double scale, double angle, GraphRecord* graph, int transparent, int turn);
int PutGraphFourCorners2D(const float* corners, GraphRecord* graph, int transparent);
int FillBox2D(int x1, int y1, int x2, int y2, int color);
int FrameBox2D(int x1, int y1, int x2, int y2, int color);
int ClearDrawTarget2D();
int CaptureScreenToGraph2D(int x1, int y1, int x2, int y2, GraphRecord* graph);
// Strings of memory-cache fonts (the font layer lays out and draws the glyphs).
int PutFontString2D(int x, int y, const char* text, int color, int font, int edgeColor, int vertical);
int PutFontStringScaled2D(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                          int edgeColor, int vertical);

// --- Mask layer ----------------------------------------------------------------------

int GetMaskLayerActive();
int SetMaskLayerActive(int flag);
int MaskLayerBeforeDraw(int x1, int y1, int x2, int y2);
int MaskLayerAfterDraw(int x1, int y1, int x2, int y2);
int RebuildMaskLayer();
int EndMaskLayer();
int FreeMaskLayer();
int ReleaseAllMaskData();
int ReleaseMaskData(int handle);

// --- Matrices and lights -------------------------------------------------------------

struct Vector3 {
  float x, y, z;
};
int Matrix4Identity(Matrix4* out);
int Matrix4Multiply(Matrix4* out, const Matrix4* a, const Matrix4* b);
int Matrix4Inverse(Matrix4* out, const Matrix4* m);
int Matrix4Perspective(Matrix4* out, float fov, float nearZ, float farZ, float aspect);
int Matrix4Viewport(Matrix4* out, float cx, float cy, float width, float height);
int Matrix4LookAt(Matrix4* out, const Vector3* eye, const Vector3* target, const Vector3* up);
float Vector3Dot(const Vector3* a, const Vector3* b);
int SetWorldMatrix(const Matrix4* m);
int SetViewMatrix(const Matrix4* m);
int SetProjectionMatrix(const Matrix4* m);
int SetViewportMatrix(const Matrix4* m);
int MakeDirectionalLight(float x, float y, float z);
int ReleaseLight(int light);
int ReleaseAllLights();
int GetLiveLightCount();

// --- The call log ----------------------------------------------------------------------
// Tests and the headless game switch it on; each public drawing entry adds one
// line after its body ran: entry, arguments, blend mode and parameter, tint.
void SetDrawCallLogEnabled(int on);
int IsDrawCallLogEnabled();
void DrawCallLogAppend(const char* line);
const char* GetDrawCallLog();
void ClearDrawCallLog();
// Marks one public drawing entry; only the outermost of nested entries logs.
class DrawCallScope {
 public:
  DrawCallScope();
  ~DrawCallScope();
  DrawCallScope(const DrawCallScope&) = delete;
  DrawCallScope& operator=(const DrawCallScope&) = delete;
  static bool Wanted();
  void Log(const char* entry, const char* arguments, int result) const;
};
