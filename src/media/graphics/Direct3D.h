#pragma once

#include <cstdint>

#include "media/graphics/GraphicsSystem.h"
#include "platform/gpu/Gpu.h"

// The 3D path: the device with its texture formats, vertex batch and state
// cache, texture pieces of texture graphs, and the draws that use them.

struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(ScreenVertex) == 28);

struct UntexturedVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};
struct BlendVertex {
  float x, y, z, rhw;
  uint32_t diffuse, specular;
  float blendU, blendV, u, v;
};
static_assert(sizeof(BlendVertex) == 40);

struct TextureSetRecord {
  int checkNumber;
  int* lostFlag;
  uint16_t x, y;                // piece in the graph
  uint16_t u, v;                // piece in its texture, pixels
  uint16_t pictureX, pictureY;  // piece in a movie's frame
  uint16_t width, height;
  ScreenVertex corners[4];  // top-left, top-right, bottom-left, bottom-right
  uint8_t cornerFlags[4];
  int owner;
  int store;
};

struct TextureFormatRecord {
  platform::PixelFormat pixelFormat;
  ColorFormat colorFormat;  // bit depth 0: empty
};

struct StageCache {
  platform::SurfaceHandle texture;
  int alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp;
};

constexpr int kTextureSetSlots = 0x10000;
constexpr int kBatchCapacity[3] = {3225, 2340, 1638};
constexpr int kVertexBytes = 64 * 1024 + 512;

struct DeviceStateCache {
  int inUse;
  platform::gpu::DeviceHandle device;
  platform::SurfaceHandle defaultTarget, currentTarget;
  platform::SurfaceHandle texture, blendTexture;
  int useDiffuseColor, useDiffuseAlpha, blendMode, borderParameter, borderRange, alphaChannel, alphaTest;
  int dirty, textureChanged, suppressDraw, force;
  // Cached render states.
  int alphaTestEnable, alphaRef, alphaFunc, alphaBlendEnable, diffuseMaterialSource, specularMaterialSource,
      specularEnable;
  uint32_t textureFactor;
  int srcBlend, destBlend;
  int stagesInUse;
  StageCache stages[8];
  int sampling;
  int magFilter[8], minFilter[8], mipFilter[8];
  int zEnable, zWrite, zFunc, zBias, shadeMode, cullFlag, textureAddress, fog, texturePerspective, lighting, colorKey;
  int inScene;
  int pendingCount, pendingKind, vertexKind, primitiveType;
  uint8_t* writePointer;
  platform::gpu::Viewport viewport;
  alignas(8) uint8_t buffers[3][kVertexBytes];
};

// The fields of the chosen device's description that the path reads.
struct DeviceDescription {
  platform::gpu::DeviceType type;
  uint32_t triangleTextureCaps;
  uint32_t minTextureWidth, minTextureHeight, maxTextureWidth, maxTextureHeight;
  uint16_t maxBlendStages, maxSimultaneousTextures;
};

struct Direct3DState {
  int object;  // 1 while the Direct3D object exists
  int currentDevice;
  DeviceDescription description;
  int minTextureSize, maxTextureSize;
  TextureSetRecord* pieces[kTextureSetSlots];
  int pieceCount, pieceNextIndex, pieceCheckCounter;
  uint32_t packedDiffuse;
  float blendTextureWidth, blendTextureHeight, blendScaleX, blendScaleY;
  TextureFormatRecord formats[14];
  int frontTarget;
  int targetNotDrawable;
  platform::PixelFormat zBufferFormat;
  int captureChoice[2];
  int started;
  DeviceStateCache devices[4];
};
extern Direct3DState gDirect3DState;

// --- Device, formats, batch (the device layer) ----------------------------------------
int ReacquireDirect3D();
int CreateDevice3D(platform::SurfaceHandle surface);
int RecreateDevice3D(int device);
int ReleaseDeviceInterface(int device);
int ReleaseAllDevices();
int BeginDeviceScene(int device);
int BeginCurrentDeviceScene();
int EndDeviceScene(int device);
int EndCurrentDeviceScene();
int FlushDevicePrimitives(int device);
int FlushCurrentDevicePrimitives();
// Appends n vertices of the batch's kind as primitive type; null when the device is missing.
uint8_t* ReserveBatchVertices(int device, int count, int primitiveType);
int SetDeviceRenderTarget(platform::SurfaceHandle surface, int device);
int SetDeviceViewport(const platform::gpu::Viewport& viewport, int device);
int SetViewportFromClipArea(const Rect& clip);
int SelectTextureFormatRecord(int alphaChannel, int drawValid, int alphaTest, int colorDepth);
const ColorFormat* ChooseTextureFormat(int alphaChannel, int alphaTest, int is32Bit, int drawValid);
const platform::PixelFormat* GetTexturePixelFormat(int slot);
const ColorFormat* GetTextureColorFormat(int slot);
const platform::PixelFormat* GetZBufferPixelFormat();
int IsDirect3DStarted();
DeviceStateCache* CurrentDeviceCache();

// --- State cache (the blend and render states) --------------------------------------
int SetDeviceSampling(int device, int value);
int SetDeviceColorKeyEnable(int device, int value);
// -1 also when the device refuses the state.
int SetDeviceFogEnable(int device, int value);
int SetDeviceTexture(int device, platform::SurfaceHandle texture);
int SetDeviceBlendTexture(int device, platform::SurfaceHandle texture, int parameter, int range);
int SetDeviceBlendInputs(int device, int mode, int alphaTest, int alphaChannel);
int PrepareDeviceForDraw(const TextureSetRecord* piece, int flags);
int ApplyDeviceBlendStates(int device);
int ReapplyFixedDeviceStates(int device);
int ReapplyAllDeviceStates(int device);
void UpdatePackedDiffuseColor();
int SetSampling3D(int mode);
int SetBlendGraph3D(GraphRecord* graph, int parameter, int range);
void InitDeviceStateCache(DeviceStateCache& cache);

// --- Texture pieces and pixel transfer -------------------------------------------------
int SplitTextureLength(int length, int* out, int capacity, int singleTexture);
int TextureFormatCode(const GraphFormatRequest& request);
int CreateTextureStoreSurface(SurfaceDataRecord* r);
int ApplyTextureStoreColorKey(SurfaceDataRecord* r);
TextureSetRecord* GetTextureSetRecord(int piece);
int AddSurface3DData(int textureWidth, int textureHeight, int x, int y, int width, int height, int pictureX,
                     int pictureY, int owner, const TextureSetRecord* share, int u, int v,
                     const GraphFormatRequest& request);
int BuildTextureSetPieces(GraphRecord* graph);
int DeriveGraphTextureSets(GraphRecord* graph, int x, int y, int width, int height, GraphRecord* parent);
int ReleaseGraphTextureSets(GraphRecord* graph);
int ReleaseTextureSet(int piece);
int ReleaseAllTextureSets();
int RestoreGraphTextureSets(GraphRecord* graph);
int TransferImageToTextureSet(const GraphImage* image, const GraphImage* alphaImage, const Rect& source, int x, int y,
                              int piece, int keyToAlpha, int alphaFromRed);
int TransferImagePartToGraph3D(const GraphImage* image, const GraphImage* alphaImage, int x, int y, GraphRecord* graph);
// The movie frame copier: an image of the movie's frame (alpha in its lower
// half when alphaBelow) into every piece of a texture graph.
int TransferFrameImageToTextureSets(const GraphImage* frame, int alphaBelow, GraphRecord* graph);
int FillGraphTextureSets(GraphRecord* graph, int red, int green, int blue, int alpha);

// --- Draws ----------------------------------------------------------------------------------
int PutGraph3D(int x, int y, float fx, float fy, GraphRecord* graph, int transparent, int keepAlphaTest);
int PutGraphStretched3D(int x1, int y1, int x2, int y2, float fx1, float fy1, float fx2, float fy2, GraphRecord* graph,
                        int transparent, int keepAlphaTest);
int PutGraphRotated3D(float cx, float cy, double scale, double angle, GraphRecord* graph, int transparent, int turn);
int PutGraphFourCorners3D(const float* corners, GraphRecord* graph, int transparent);
int PutGraphFourCornersSplit3D(const int* P, GraphRecord* g, int transparent);
int FillBox3D(int x1, int y1, int x2, int y2, int color);
int FrameBox3D(int x1, int y1, int x2, int y2, int color);
int ClearDrawTarget3D();
int SelectDrawTarget3D(int target);
int BeginSubtractBlend3D(const Rect& rect);
int EndSubtractBlend3D(const Rect& rect);

// --- Capture ---------------------------------------------------------------------------------
int CaptureScreenToGraph3D(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag);
