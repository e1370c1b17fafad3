// Graph handles, pixel stores and 2D views, restore after device loss.
#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/FileLayer.h"
#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/graphics/GraphicsText.h"
#include "media/image/ColorConvert.h"
#include "media/image/FontSystem.h"
#include "media/image/ImageLoader.h"
#include "media/image/MovieSystem.h"
#include "media/image/TheoraDecoder.h"
#include "media/system/InputDevices.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"

GraphManager gGraphManager{};
Surface2DTable gSurfaces2D{};

namespace {

constexpr int kGraphType = 1;
constexpr int kSurface2DTag = 0x2800;
constexpr int kStoreTag = 0x3800;
constexpr int kMaxSize = 65535;

int MakeHandle(int slot, int check, int tag) { return slot | ((check | tag) << 16); }

// A new slot: the next index while it is below the table size, else the
// first free slot from 0 (the caller has checked that one is free).
template <class T>
int TakeSlot(T* const* slots, int next, int size) {
  if (next < size) return next;
  int slot = 0;
  while (slots[slot] != nullptr) ++slot;
  return slot;
}

// Lowers a table's next index after its highest slot was freed.
template <class T>
int LowerNextIndex(T* const* slots, int next) {
  while (next > 0 && slots[next - 1] == nullptr) --next;
  return next;
}

char* CopyText(const char* text) {
  if (text == nullptr) text = "";
  const size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(TrackedAlloc(size, __FILE__, __LINE__));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

void SetText(char** field, const char* text) {
  if (*field != nullptr) TrackedFree(*field);
  *field = CopyText(text);
}

const char* TextOf(const char* field) { return field != nullptr ? field : ""; }

bool SizeInRange(int width, int height) { return width >= 1 && width <= kMaxSize && height >= 1 && height <= kMaxSize; }

int AllocGraphRecord(int width, int height, int use3DRequest, GraphRecord** outRecord, int alphaRequest,
                     int paletteRequest) {
  GraphManager& m = gGraphManager;
  DrawState& d = gDrawState;
  if (m.count == kGraphSlots) FatalLibraryError(kTxtGraphTableFull);
  const int slot = TakeSlot(m.graphs, m.nextIndex, kGraphSlots);
  auto* g = static_cast<GraphRecord*>(TrackedAllocZeroed(sizeof(GraphRecord), __FILE__, __LINE__));
  if (g == nullptr) FatalLibraryError(kTxtMemoryFatal);
  g->checkNumber = m.checkCounter;
  m.checkCounter = m.checkCounter >= 2047 ? 0 : m.checkCounter + 1;
  g->handle = MakeHandle(slot, g->checkNumber, kGraphType << 11);
  g->width = width;
  g->height = height;
  g->movie = -1;
  g->loadAsAlpha = d.newGraphLoadAsAlpha;
  m.graphs[slot] = g;
  ++m.count;
  if (slot == m.nextIndex) ++m.nextIndex;
  GraphFormatRequest& r = g->request;
  r.use3D = (use3DRequest != 0 && d.newGraphUse3D != 0 && m.direct3DUsable != 0 && IsSoftwareRendering() == 0) ? 1 : 0;
  if (d.newGraphDrawValid == 1) {
    r.loadAsAlpha = 0;
    r.alphaTest = 0;
    r.drawValid = 1;
    r.alphaChannel = 0;
  } else {
    r.alphaChannel = static_cast<uint8_t>(alphaRequest != 0);
    r.drawValid = 0;
    r.alphaTest = static_cast<uint8_t>(d.newGraphTransColorFlag != 0);
    r.loadAsAlpha = static_cast<uint8_t>(g->loadAsAlpha != 0);
  }
  if (r.use3D != 0) {
    int depth = d.newGraphColorDepth;
    if (depth == 0) depth = alphaRequest == 1 ? 32 : GetScreenColorDepth();
    r.colorDepth = static_cast<uint8_t>(depth);
    r.systemMemory = 0;
    r.palette = 0;
    r.unmanagedTexture = static_cast<uint8_t>(d.newGraphUnmanagedTexture != 0);
    // A graph read as alpha (a blend or transition mask) needs its full
    // range of levels: a 16-bit or alpha-tested texture keeps one bit.
    if (g->loadAsAlpha == 1) {
      r.colorDepth = 32;
      r.alphaChannel = 1;
      r.alphaTest = 0;
      r.drawValid = 0;
    }
  } else {
    int depth = d.newGraphColorDepth;
    if (depth == 0 || gScreenState.gdiPresentation != 0) depth = GetScreenColorDepth();
    r.colorDepth = static_cast<uint8_t>(depth);
    r.systemMemory = static_cast<uint8_t>(d.newGraphSystemMemory != 0);
    r.palette = static_cast<uint8_t>(paletteRequest != 0);
    r.unmanagedTexture = 0;
  }
  if (outRecord != nullptr) *outRecord = g;
  return g->handle;
}

int SlotOf(int handle) { return handle & 0xFFFF; }

}  // namespace

// --- Graph manager ----------------------------------------------------------------

int StartGraphManager() {
  GraphManager& m = gGraphManager;
  if (m.started != 0) return 0;
  LogWrite(kTxtGraphManagerStart);
  LogIndentIn();
  std::memset(&m, 0, sizeof m);
  m.started = 1;
  RemoveAllSurfaces2D();
  // Whether the 3D path is usable follows from the device start.
  m.direct3DUsable = ReleaseAllTextureSets() == 0 ? 1 : 0;
  LogWrite(m.direct3DUsable != 0 ? kTxtUse3D : kTxtNo3D);
  ResetDrawState();
  StartFontSystem();
  LogIndentOut();
  LogWrite(kTxtGraphManagerStartDone);
  return 0;
}

int StopGraphManager() {
  GraphManager& m = gGraphManager;
  if (m.started == 0) return 0;
  EndMaskLayer();
  ReleaseAllMaskData();
  ReleaseAllGraphs(0);
  ReleaseAllLights();
  EndFontSystem();
  m.started = 0;
  LogWrite(kTxtGraphManagerStopDone);
  return 0;
}

int IsValidGraph(int graph) { return GetGraphRecord(graph) != nullptr ? 1 : 0; }

GraphRecord* GetGraphRecord(int graph) {
  if (graph < 0 || ((graph >> 27) & 0xF) != kGraphType || (graph & 0x8000) != 0) return nullptr;
  GraphRecord* g = gGraphManager.graphs[SlotOf(graph)];
  if (g == nullptr || g->checkNumber != ((graph >> 16) & 0x7FF)) return nullptr;
  return g;
}

int GetGraphCount() { return gGraphManager.count; }

int CreateGraphSized(int width, int height, int use3D, int alpha, int palette) {
  if (!SizeInRange(width, height)) {
    LogWrite(kTxtGraphCreateFailed);
    return -1;
  }
  GraphRecord* g = nullptr;
  const int handle = AllocGraphRecord(width, height, use3D, &g, alpha, palette);
  if (g->request.use3D != 0) {
    if (BuildTextureSetPieces(g) < 0) {
      ReleaseGraph(handle, 0);
      LogWrite(kTxtGraphCreateFailed);
      return -1;
    }
    return handle;
  }
  g->storageCount = 1;
  g->storage[0] = AddSurface2D(width, height, 0, 0, handle, -1, 0, 0, g->request);
  if (g->storage[0] < 0) {
    g->storageCount = 0;
    ReleaseGraph(handle, 0);
    LogWrite(kTxtGraphCreateFailed);
    return -1;
  }
  return handle;
}

int CreateBlankGraph(int width, int height, int noTexture) {
  return CreateGraphSized(width, height, noTexture == 0 ? 1 : 0, gDrawState.newGraphAlphaChannel, 0);
}

int CreateGraphForImage(const GraphImage* image, const GraphImage* alphaImage, int use3D) {
  WaitWhileInactive();
  if (alphaImage != nullptr && (alphaImage->width != image->width || alphaImage->height != image->height)) return -1;
  const int alpha = (image->format.alphaMask != 0 || alphaImage != nullptr) ? 1 : 0;
  const int palette =
      (image->format.bytesPerPixel == 1 && image->format.alphaMask == 0 && alphaImage == nullptr) ? 1 : 0;
  return CreateGraphSized(image->width, image->height, use3D, alpha, palette);
}

int CreateGraphFromImage(GraphImage* image, GraphImage* alphaImage, int use3D, int mirror, int mirrorInPlace) {
  UpdateUnusedBitMask(&image->format);
  if (alphaImage != nullptr) UpdateUnusedBitMask(&alphaImage->format);
  const bool flip = mirror == 1 && mirrorInPlace == 1;
  if (flip) {
    MirrorGraphImage(image);
    if (alphaImage != nullptr) MirrorGraphImage(alphaImage);
  }
  const int handle = CreateGraphForImage(image, alphaImage, use3D);
  if (handle != -1) TransferImagePartToGraph("", image, alphaImage, 0, 0, handle, 0);
  if (flip) {
    MirrorGraphImage(image);
    if (alphaImage != nullptr) MirrorGraphImage(alphaImage);
  }
  return handle;
}

int CreateGraphFromImageDefault(GraphImage* image) { return CreateGraphFromImage(image, nullptr, 1, 0, 1); }

int SetGraphFileName(int graph, const char* name, int other) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  SetText(&g->directory, "");
  if (name != nullptr) {
    SetText(&g->fileName, name);
  } else if (other == -1) {
    SetText(&g->fileName, "");
  } else {
    GraphRecord* o = GetGraphRecord(other);
    if (o == nullptr) return -1;
    SetText(&g->directory, TextOf(o->directory));
    SetText(&g->fileName, TextOf(o->fileName));
  }
  if (TextOf(g->directory)[0] == '\0') {
    char directory[1024] = {};
    FileLayerGetDirectory(directory);
    SetText(&g->directory, directory);
  }
  return 0;
}

namespace {

// Copies the image part at (x, y) of the view's size into the view's place.
int TransferImagePartToSurface2D(const GraphImage* image, const GraphImage* alphaImage, int x, int y, int view,
                                 int loadAsAlpha) {
  if (gScreenState.directDraw == 0 && gScreenState.gdiPresentation == 0) return -1;
  Surface2DRecord* v = GetSurface2DRecord(view);
  if (v == nullptr) return -1;
  SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
  if (st == nullptr) return -1;
  const int width = std::min(v->width, image->width - x);
  const int height = std::min(v->height, image->height - y);
  if (width <= 0 || height <= 0) return 0;
  if (st->softwareImage != 0) {
    MemImgTransferFromBase(image, alphaImage, &st->colorImage, x, y, width, height, v->storeX, v->storeY, 0);
    if (st->request.palette != 0) {
      // The transparent index: the first palette entry of the key colour. A
      // palette without that colour keeps every index, as the colour-keyed
      // surfaces and textures of the other paths do (index 0 would lose pixels).
      const int key = st->transparentColor;
      uint32_t index = 0xFFFF;
      for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = image->format.palette[i];
        if (((e.red << 16) | (e.green << 8) | e.blue) == key) {
          index = static_cast<uint32_t>(i);
          break;
        }
      }
      st->colorImage.base->transparentColor = index;
    }
  } else {
    uint8_t* bits = nullptr;
    int pitch = 0;
    const platform::SurfaceRect r{v->storeX, v->storeY, v->storeX + width, v->storeY + height};
    if (platform::LockSurface(st->surface, &r, &bits, &pitch) != platform::kDdOk) {
      LogWrite(kTxt2DLockFailed);
      return -1;
    }
    const Rect source{x, y, x + width, y + height};
    ConvertColorFormatBlt(
        bits, pitch, GetScreenColorFormat(), image->pixels, image->pitch, &image->format,
        alphaImage != nullptr ? alphaImage->pixels : nullptr, alphaImage != nullptr ? alphaImage->pitch : 0,
        alphaImage != nullptr ? &alphaImage->format : nullptr, 0, 0, &source, 0, 0, 0, 0, 0, loadAsAlpha, 0, 0);
    platform::UnlockSurface(st->surface);
  }
  ApplySurfaceDataColorKey(v->store);
  return 0;
}

}  // namespace

int TransferImagePartToGraph(const char* name, const GraphImage* image, const GraphImage* alphaImage, int x, int y,
                             int graph, int extra) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  SetGraphFileName(graph, name, -1);
  g->extraValue = extra;
  g->sourceX = x;
  g->sourceY = y;
  if (g->request.use3D != 0) return TransferImagePartToGraph3D(image, alphaImage, x, y, g);
  int result = 0;
  for (int i = 0; i < g->storageCount; ++i) {
    Surface2DRecord* v = GetSurface2DRecord(g->storage[i]);
    if (v == nullptr) continue;
    if (TransferImagePartToSurface2D(image, alphaImage, x + v->graphX, y + v->graphY, g->storage[i],
                                     g->request.loadAsAlpha) < 0)
      result = -1;
  }
  return result;
}

// The frame copier of movie graphs: the movie's current frame into every view.
static int TransferMovieFrameToSurface2D(MovieRecord* movie, void* user) {
  auto* g = static_cast<GraphRecord*>(user);
  if (movie->theora != 0) {
    TheoraDecoder* decoder = movie->decoder;
    FetchTheoraFrame(decoder, 1, 0);
    // A paused movie keeps its fetched frame: the graph receives it on every draw.
    if (decoder->imageDone == 0) return 0;
  }
  if (movie->frame == nullptr || movie->frame->pixels == nullptr) return 0;
  if (g->request.use3D != 0) return TransferFrameImageToTextureSets(movie->frame, 0, g);
  for (int i = 0; i < g->storageCount; ++i) {
    Surface2DRecord* v = GetSurface2DRecord(g->storage[i]);
    if (v == nullptr) continue;
    TransferImagePartToSurface2D(movie->frame, nullptr, v->graphX, v->graphY, g->storage[i], 0);
  }
  return 0;
}

int AdvanceGraphMovie(int graph, int flag) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || g->movie < 0) return 0;
  return AdvanceMovieFrame(g->movie, flag);
}

int CreateSubGraph(int x, int y, int width, int height, int parent) {
  GraphRecord* p = GetGraphRecord(parent);
  if (p == nullptr) return -1;
  // Sizes outside 1..65535 and rectangles starting outside the parent are refused.
  if (x < 0 || y < 0 || x >= p->width || y >= p->height || width <= 0 || height <= 0) return -1;
  if (!SizeInRange(width, height)) {
    LogWrite(kTxtGraphCreateFailed);
    return -1;
  }
  if (x + width > p->width) width = p->width - x;
  if (y + height > p->height) height = p->height - y;
  GraphRecord* g = nullptr;
  const int handle = AllocGraphRecord(width, height, p->request.use3D, &g, p->request.alphaChannel, p->request.palette);
  g->movie = p->movie;
  SetText(&g->fileName, TextOf(p->fileName));
  SetText(&g->directory, TextOf(p->directory));
  g->sourceX = p->sourceX + x;
  g->sourceY = p->sourceY + y;
  g->request = p->request;
  g->extraValue = p->extraValue;
  if (g->request.use3D != 0) {
    if (DeriveGraphTextureSets(g, x, y, width, height, p) < 0) {
      ReleaseGraph(handle, 0);
      LogWrite(kTxtSubGraphFailed);
      return -1;
    }
    return handle;
  }
  Surface2DRecord* parentView = GetSurface2DRecord(p->storage[0]);
  int view = -1;
  if (parentView != nullptr)
    view = AddSurface2D(width, height, 0, 0, handle, p->storage[0], parentView->storeX + x, parentView->storeY + y,
                        g->request);
  if (view < 0) {
    ReleaseGraph(handle, 0);
    LogWrite(kTxtSubGraphFailed);
    return -1;
  }
  g->storage[0] = view;
  g->storageCount = 1;
  return handle;
}

int ReleaseGraph(int graph, int logFlag) {
  GraphManager& m = gGraphManager;
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  DeleteMovieHandle(g->movie);
  if (g->request.use3D != 0) ReleaseGraphTextureSets(g);
  else
    for (int i = 0; i < g->storageCount; ++i) RemoveSurface2D(g->storage[i]);
  if (logFlag != 0) LogWriteFormat(kTxtGraphRelease, TextOf(g->fileName));
  if (g->ownedMemory != nullptr) TrackedFree(g->ownedMemory);
  --m.count;
  const int slot = SlotOf(graph);
  m.graphs[slot] = nullptr;
  if (slot == m.nextIndex - 1) m.nextIndex = LowerNextIndex(m.graphs, m.nextIndex);
  if (g->lostFlag != nullptr) *g->lostFlag = 1;
  if (g->fileName != nullptr) TrackedFree(g->fileName);
  if (g->directory != nullptr) TrackedFree(g->directory);
  TrackedFree(g);
  return 0;
}

int ReleaseAllGraphs(int logFlag) {
  GraphManager& m = gGraphManager;
  if (m.started == 0) return 0;
  for (int slot = 0; slot < m.nextIndex; ++slot) {
    GraphRecord* g = m.graphs[slot];
    if (g != nullptr) ReleaseGraph(g->handle, logFlag);
  }
  return 0;
}

int SetGraphLostFlag(int graph, int* flag) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  g->lostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int PaintGraph(int graph, int red, int green, int blue, int alpha) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  if (g->request.use3D != 0) return FillGraphTextureSets(g, red, green, blue, alpha);
  for (int i = 0; i < g->storageCount; ++i) {
    Surface2DRecord* v = GetSurface2DRecord(g->storage[i]);
    if (v != nullptr && FillSurfaceData(v->store, red, green, blue, alpha) < 0) return -1;
  }
  return 0;
}

int QueryGraphSize(int graph, int* width, int* height) {
  if (graph == -4 || graph == -2) return QueryScreenSize(width, height);
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  if (width != nullptr) *width = g->width;
  if (height != nullptr) *height = g->height;
  return 0;
}

int IsHardware3DActive() {
  return (gDrawState.newGraphUse3D == 1 && gGraphManager.direct3DUsable != 0 && IsSoftwareRendering() == 0) ? 1 : 0;
}

int SetUse3DForNewGraphs(int flag) {
  gDrawState.newGraphUse3D = flag;
  if (gScreenState.directDraw == 0) SetNoDirect3DFlag(flag == 0 ? 1 : 0);
  return 0;
}

int SetNewGraphDrawValid(int flag) {
  gDrawState.newGraphDrawValid = flag;
  return 0;
}
int SetNewGraphColorDepth(int bits) {
  gDrawState.newGraphColorDepth = bits;
  return 0;
}
int SetNewGraphAlphaChannel(int flag) {
  gDrawState.newGraphAlphaChannel = flag;
  return 0;
}
int SetNewGraphSystemMemory(int flag) {
  gDrawState.newGraphSystemMemory = gScreenState.gdiPresentation != 0 ? 1 : flag;
  return 0;
}
int SetUseVideoMemoryGraphs(int flag) {
  gDrawState.newGraphSystemMemory = (gScreenState.gdiPresentation == 0 && flag == 1) ? 0 : 1;
  return 0;
}

// --- Restore --------------------------------------------------------------------------

int MarkAllGraphsForRestore() {
  GraphManager& m = gGraphManager;
  for (int slot = 0; slot < m.nextIndex; ++slot)
    if (m.graphs[slot] != nullptr) m.graphs[slot]->restoreNeeded = 1;
  if (gDrawState.restoreCallback != nullptr) gDrawState.restoreCallback();
  return 0;
}

int SetGraphRestoreCallback(void (*callback)()) {
  gDrawState.restoreCallback = callback != nullptr ? callback : ReloadAllGraphsFromFiles;
  return 0;
}

int HasGraphRestoreCallback() { return gDrawState.restoreCallback != nullptr ? 1 : 0; }

// Reloads every graph that needs its pixels again from its file. Cells cut
// from one picture lie in consecutive slots and share one decode.
void ReloadAllGraphsFromFiles() {
  GraphManager& m = gGraphManager;
  LogWrite(kTxtRestoreGraphs);
  char saved[1024] = {};
  FileLayerGetDirectory(saved);
  GraphImage image{}, alphaImage{};
  int held = -1;  // ReadImageWithAlphaFile's result for the held images
  std::string heldName, heldDirectory;
  int heldExtra = 0;
  const GraphRecord* previous = nullptr;
  for (int slot = 0; slot < m.nextIndex; ++slot) {
    GraphRecord* g = m.graphs[slot];
    if (g == nullptr || g->restoreNeeded != 1) continue;
    const char* name = TextOf(g->fileName);
    const char* directory = TextOf(g->directory);
    if (name[0] != '\0') {
      const bool reuse = previous != nullptr && held >= 0 && heldName == name && heldDirectory == directory &&
                         heldExtra == g->extraValue;
      if (!reuse) {
        if (held >= 0) {
          FreeGraphImage(&image);
          FreeGraphImage(&alphaImage);
        }
        FileLayerSetDirectory(directory);
        // The reload does not mirror: a graph read mirrored from a file would
        // come back unmirrored, but the game reads none mirrored.
        held = ReadImageWithAlphaFile(name, nullptr, 0, 0, nullptr, 0, 0, &image, &alphaImage, g->extraValue);
        heldName = name;
        heldDirectory = directory;
        heldExtra = g->extraValue;
      }
      if (held >= 0) {
        // The transfer renames the graph; keep the name apart from the record it frees.
        const std::string keep = name;
        TransferImagePartToGraph(keep.c_str(), &image, held == 0 ? &alphaImage : nullptr, g->sourceX, g->sourceY,
                                 g->handle, g->extraValue);
        SetText(&g->directory, heldDirectory.c_str());
      }
    }
    g->restoreNeeded = 0;
    previous = g;
  }
  if (held >= 0) {
    FreeGraphImage(&image);
    FreeGraphImage(&alphaImage);
  }
  FileLayerSetDirectory(saved);
}

int ReloadGraphsNow() {
  ReloadAllGraphsFromFiles();
  return 0;
}

int RestoreGraphIfLost(int graph) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  if (g->request.use3D != 0) return RestoreGraphTextureSets(g) != 0 ? 1 : 0;
  int lost = 0;
  for (int i = 0; i < g->storageCount; ++i) {
    Surface2DRecord* v = GetSurface2DRecord(g->storage[i]);
    if (v != nullptr && RestoreSurfaceDataIfLost(v->store) != 0) lost = 1;
  }
  return lost;
}

int RestoreLostGraphs() {
  GraphManager& m = gGraphManager;
  if (m.started == 0 || gDrawState.suspended != 0) return 0;
  for (int slot = 0; slot < m.nextIndex; ++slot)
    if (m.graphs[slot] != nullptr) RestoreGraphIfLost(m.graphs[slot]->handle);
  return 0;
}

void RestoreLostSurfaces2D() {
  RestoreMainSurfaces();
  for (int i = 0; i < gSurfaces2D.nextIndex; ++i)
    if (gSurfaces2D.views[i] != nullptr) RestoreSurfaceDataIfLost(gSurfaces2D.views[i]->store);
}

void RestoreScreenAfterDeviceLoss() {
  ScreenState& ss = gScreenState;
  ReleaseDirect3DObject();
  EndMaskLayer();
  ReleaseMainSurfaces();
  EndInputDevices();
  ReleaseSurface2DStores();
  ReleaseWindowClipper();
  if (ss.showGdiSurface != 0) {
    ReapplyDisplayMode();
    RecreateSurface2DStores();
    RecreateWindowClipper();
  } else {
    ReleaseDirectDrawObjects();
    EnsureDirectDrawObjects();
  }
  CreateMainSurfaces();
  ReacquireDirect3D();
  RestoreScreenPalette();
  SelectDrawTarget2D(gDrawState.drawTarget, gDrawState.drawTarget);
  ClearDrawTarget();
  PresentFrame();
  MarkAllGraphsForRestore();
  RecreateAllFonts();
  RebuildMaskLayer();
  SetWorldMatrix(&gDrawState.world);
  SetViewMatrix(&gDrawState.view);
  SetProjectionMatrix(&gDrawState.projection);
  SetViewportMatrix(&gDrawState.viewport);
  LogIndentOut();
}

// --- Pixel stores -----------------------------------------------------------------------

SurfaceDataRecord* GetSurfaceDataRecord(int store) {
  if (store < 0x38000000 || store > 0x3FFFFFFF) return nullptr;
  SurfaceDataRecord* r = gGraphManager.stores[store & 0xFFFF];
  if (r == nullptr || r->checkNumber != ((store >> 16) & 0x7FF)) return nullptr;
  return r;
}

int AllocSurfaceData(int references, int width, int height, int transparentColor, const GraphFormatRequest& request) {
  GraphManager& m = gGraphManager;
  if (m.storeCount == kStoreSlots) {
    LogWrite(kTxtStoreTableFull);
    return -1;
  }
  const int slot = TakeSlot(m.stores, m.storeNextIndex, kStoreSlots);
  auto* r = static_cast<SurfaceDataRecord*>(TrackedAllocZeroed(sizeof(SurfaceDataRecord), __FILE__, __LINE__));
  if (r == nullptr) {
    LogWrite(kTxtStoreMemory);
    return -1;
  }
  r->request = request;
  r->width = width;
  r->height = height;
  r->referenceCount = references;
  r->transparentColor = transparentColor;
  if (r->request.use3D != 0) {
    r->request.systemMemory = 0;
    if (r->request.drawValid == 1 || r->request.alphaChannel == 1) r->request.alphaTest = 0;
  } else {
    if (r->request.alphaChannel == 1 || r->request.loadAsAlpha == 1) r->request.systemMemory = 1;
    r->request.drawValid = 1;
    r->request.alphaTest = 0;
  }
  r->softwareImage =
      (r->request.systemMemory == 1 || (IsSoftwareRendering() != 0 && gScreenState.colorDepth != 8)) ? 1 : 0;
  r->checkNumber = m.storeCheckCounter;
  m.storeCheckCounter = m.storeCheckCounter >= 2047 ? 0 : m.storeCheckCounter + 1;
  m.stores[slot] = r;
  ++m.storeCount;
  if (slot == m.storeNextIndex) ++m.storeNextIndex;
  const int handle = MakeHandle(slot, r->checkNumber, kStoreTag);
  if (CreateSurfaceDataSurface(handle) < 0) {
    FreeSurfaceData(handle);
    return -1;
  }
  ApplySurfaceDataColorKey(handle);
  return handle;
}

int CreateSurfaceDataSurface(int store) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr) return -1;
  if (r->softwareImage == 0 && gScreenState.directDraw == 0) return -1;
  if (r->surface != 0 || MemImgIsValid(&r->colorImage) != 0) return 0;
  if (r->request.use3D != 0) return CreateTextureStoreSurface(r);
  if (r->softwareImage != 0) {
    std::memset(&r->colorImage, 0, sizeof r->colorImage);
    int result;
    if (r->request.loadAsAlpha == 1) {
      r->surfaceFormat = 18;
      result = MemImgCreate(&r->colorImage, r->width, r->height, -1, 0, kMemImgChannel8, 0, 0, 0, nullptr);
    } else {
      const bool depth16 = r->request.colorDepth == 16;
      r->surfaceFormat = 18 - (r->request.alphaChannel == 0 ? 1 : 0) - 2 * (depth16 ? 1 : 0);
      const int format = depth16 ? kMemImgRgb565 : kMemImgRgb32;
      const ColorFormat* descriptor = MemImgPixelDescriptor(format, r->request.alphaChannel, 0);
      const int key = r->transparentColor;
      const uint32_t encoded = r->request.palette != 0
                                   ? 0xFFFF
                                   : EncodePixel(descriptor, (key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF, 255);
      result = MemImgCreate(&r->colorImage, r->width, r->height, -1, encoded, format, r->request.palette,
                            r->request.alphaChannel, 0, nullptr);
    }
    if (result != 0) {
      LogWrite(kTxtMemimgFailed);
      return -1;
    }
    return 0;
  }
  r->surfaceFormat = 14;
  platform::SurfaceDescription d;
  d.width = r->width;
  d.height = r->height;
  d.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  if (platform::CreateSurface(gScreenState.directDraw, d, &r->surface) != platform::kDdOk) {
    r->surface = 0;
    LogWrite(kTxtPlainSurfaceFailed);
    return -1;
  }
  r->request.systemMemory = 1;
  r->request.drawValid = 1;
  return 0;
}

int ReleaseSurfaceDataSurfaces(int store) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr) return -1;
  if (r->softwareImage != 0) {
    MemImgRelease(&r->depthImage);
    MemImgRelease(&r->colorImage);
    r->depthImage = MEMIMG{};
    r->colorImage = MEMIMG{};
  } else {
    ReleaseSurfaceDataDepthSurface(r);
    if (r->surface != 0) platform::ReleaseSurface(r->surface);
    r->surface = 0;
  }
  return 0;
}

int CreateSurfaceDataDepthSurface(SurfaceDataRecord* r) {
  if (r->depthSurface != 0) return 0;
  platform::SurfaceDescription d;
  d.width = r->width;
  d.height = r->height;
  d.caps = platform::kCapsZBuffer | platform::kCapsVideoMemory;
  const platform::PixelFormat* z = GetZBufferPixelFormat();
  if (z->bitCount != 0) {
    d.hasPixelFormat = true;
    d.pixelFormat = *z;
  }
  if (platform::CreateSurface(gScreenState.directDraw, d, &r->depthSurface) != platform::kDdOk) {
    r->depthSurface = 0;
    LogWrite(kTxtStoreZBufferFailed);
    return -1;
  }
  platform::gpu::AttachDepthSurface(r->surface, r->depthSurface);
  return 0;
}

void ReleaseSurfaceDataDepthSurface(SurfaceDataRecord* r) {
  if (r->depthSurface == 0) return;
  platform::gpu::DetachDepthSurface(r->surface, r->depthSurface);
  platform::ReleaseSurface(r->depthSurface);
  r->depthSurface = 0;
}

int SetSurfaceDataDepthBuffer(int store, int on) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr) return -1;
  const int want = on != 0 ? 1 : 0;
  if (r->depthRequest == want) return 0;
  if (r->request.drawValid == 0) return -1;
  if (r->softwareImage != 0) {
    if (want != 0) {
      if (MemImgCreateDepth(&r->depthImage, r->width, r->height) != 0) {
        r->depthImage = MEMIMG{};
        LogWrite(kTxtStoreZBufferFailed);
        return -1;
      }
    } else {
      MemImgRelease(&r->depthImage);
      r->depthImage = MEMIMG{};
    }
  } else if (want != 0) {
    if (r->surface == 0 || CreateSurfaceDataDepthSurface(r) < 0) return -1;
  } else {
    ReleaseSurfaceDataDepthSurface(r);
  }
  r->depthRequest = want;
  return 0;
}

int FreeSurfaceData(int store) {
  GraphManager& m = gGraphManager;
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr) return -1;
  ReleaseSurfaceDataSurfaces(store);
  if (r->lostFlag != nullptr) *r->lostFlag = 1;
  const int slot = store & 0xFFFF;
  m.stores[slot] = nullptr;
  --m.storeCount;
  if (slot == m.storeNextIndex - 1) m.storeNextIndex = LowerNextIndex(m.stores, m.storeNextIndex);
  TrackedFree(r);
  return 0;
}

int ApplySurfaceDataColorKey(int store) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr || r->surface == 0) return 0;
  if (r->request.use3D != 0) return ApplyTextureStoreColorKey(r);
  const int key = r->transparentColor;
  const uint32_t value = r->request.colorDepth == 8
                             ? 0
                             : static_cast<uint32_t>(PackColor((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF));
  if (platform::SetSurfaceColorKey(r->surface, value, value) != platform::kDdOk) {
    LogWrite(kTxtPlainKeyFailed);
    return -1;
  }
  return 0;
}

int LockSurfaceData(int store, int* pitch, uint8_t** pixels, int writeOnly, const Rect* rect,
                    const ColorFormat** format) {
  (void)writeOnly;
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr) return -1;
  const ColorFormat* f = r->softwareImage != 0   ? r->colorImage.base->descriptor
                         : r->request.use3D != 0 ? GetTextureColorFormat(r->surfaceFormat)
                                                 : GetScreenColorFormat();
  if (format != nullptr) *format = f;
  const int left = rect != nullptr ? rect->left : 0, top = rect != nullptr ? rect->top : 0;
  if (r->lockCount > 0) {
    // A nested lock hands back the rectangle asked for, inside the locked store.
    ++r->lockCount;
    *pitch = r->lockedPitch;
    *pixels = r->lockedPixels + static_cast<ptrdiff_t>(top) * r->lockedPitch +
              static_cast<ptrdiff_t>(left) * f->bytesPerPixel;
    return -2;
  }
  uint8_t* base = nullptr;
  int p = 0;
  if (r->softwareImage != 0) {
    base = r->colorImage.pixels;
    p = r->colorImage.base->pitch;
  } else if (platform::LockSurface(r->surface, nullptr, &base, &p) != platform::kDdOk) {
    LogWrite(kTxtGraphLockFailed);
    return -1;
  }
  r->lockedPitch = p;
  r->lockedPixels = base;
  r->lockCount = 1;
  *pitch = p;
  *pixels = base + static_cast<ptrdiff_t>(top) * p + static_cast<ptrdiff_t>(left) * f->bytesPerPixel;
  return 0;
}

int UnlockSurfaceData(int store) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr || r->lockCount == 0) return -1;
  if (--r->lockCount == 0 && r->softwareImage == 0) platform::UnlockSurface(r->surface);
  return 0;
}

int FillSurfaceData(int store, int red, int green, int blue, int alpha) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr) return -1;
  if (r->softwareImage != 0) {
    MemImgFillRaw(&r->colorImage, nullptr, EncodePixel(r->colorImage.base->descriptor, red, green, blue, alpha));
    return 0;
  }
  if (gScreenState.directDraw == 0) return -1;
  const ColorFormat* f = r->request.use3D != 0 ? GetTextureColorFormat(r->surfaceFormat) : GetScreenColorFormat();
  platform::FillSurface(r->surface, nullptr, EncodePixel(f, red, green, blue, alpha));
  return 0;
}

int RestoreSurfaceDataIfLost(int store) {
  SurfaceDataRecord* r = GetSurfaceDataRecord(store);
  if (r == nullptr || r->surface == 0) return 0;
  if (platform::IsSurfaceLost(r->surface) == platform::kDdErrSurfaceLost) {
    platform::RestoreSurface(r->surface);
    return -1;
  }
  return 0;
}

// --- 2D views -----------------------------------------------------------------------------

Surface2DRecord* GetSurface2DRecord(int view) {
  if (view < 0 || ((view >> 27) & 0xF) != 5 || (view & 0x8000) != 0) return nullptr;
  Surface2DRecord* r = gSurfaces2D.views[view & 0xFFFF];
  if (r == nullptr || r->checkNumber != ((view >> 16) & 0x7FF)) return nullptr;
  return r;
}

int AddSurface2D(int width, int height, int graphX, int graphY, int owner, int share, int storeX, int storeY,
                 const GraphFormatRequest& request) {
  Surface2DTable& t = gSurfaces2D;
  if (gScreenState.directDraw == 0 && gScreenState.gdiPresentation == 0) {
    LogWrite(kTxtNotInitialised);
    return -1;
  }
  if (t.count == kSurface2DSlots) {
    LogWrite(kTxt2DTableFull);
    return -1;
  }
  const int slot = TakeSlot(t.views, t.nextIndex, kSurface2DSlots);
  auto* v = static_cast<Surface2DRecord*>(TrackedAllocZeroed(sizeof(Surface2DRecord), __FILE__, __LINE__));
  if (v == nullptr) {
    LogWrite(kTxtAdd2DMemory);
    return -1;
  }
  if (Surface2DRecord* shared = GetSurface2DRecord(share)) {
    SurfaceDataRecord* st = GetSurfaceDataRecord(shared->store);
    ++st->referenceCount;
    v->store = shared->store;
  } else {
    v->store = AllocSurfaceData(1, width, height, gDrawState.transparentColor, request);
    if (v->store < 0) {
      LogWrite(kTxtAdd2DMemory);
      TrackedFree(v);
      return -1;
    }
  }
  v->graphX = graphX;
  v->graphY = graphY;
  v->storeX = storeX;
  v->storeY = storeY;
  v->width = width;
  v->height = height;
  v->owner = owner;
  v->checkNumber = t.checkCounter;
  t.checkCounter = t.checkCounter >= 2047 ? 0 : t.checkCounter + 1;
  t.views[slot] = v;
  ++t.count;
  if (slot == t.nextIndex) ++t.nextIndex;
  return MakeHandle(slot, v->checkNumber, kSurface2DTag);
}

int RemoveSurface2D(int view) {
  Surface2DTable& t = gSurfaces2D;
  Surface2DRecord* v = GetSurface2DRecord(view);
  if (v == nullptr) return -1;
  SurfaceDataRecord* st = GetSurfaceDataRecord(v->store);
  if (st != nullptr && --st->referenceCount <= 0) FreeSurfaceData(v->store);
  if (v->lostFlag != nullptr) *v->lostFlag = 1;
  const int slot = view & 0xFFFF;
  t.views[slot] = nullptr;
  --t.count;
  if (slot == t.nextIndex - 1) t.nextIndex = LowerNextIndex(t.views, t.nextIndex);
  TrackedFree(v);
  return 0;
}

int RemoveAllSurfaces2D() {
  Surface2DTable& t = gSurfaces2D;
  for (int slot = 0; slot < t.nextIndex; ++slot) {
    Surface2DRecord* v = t.views[slot];
    if (v != nullptr) RemoveSurface2D(MakeHandle(slot, v->checkNumber, kSurface2DTag));
  }
  return 0;
}

int ReleaseSurface2DStores() {
  if (gScreenState.gdiPresentation == 0 && gScreenState.directDraw == 0) return 0;
  for (int slot = 0; slot < gSurfaces2D.nextIndex; ++slot)
    if (gSurfaces2D.views[slot] != nullptr) ReleaseSurfaceDataSurfaces(gSurfaces2D.views[slot]->store);
  return 0;
}

int RecreateSurface2DStores() {
  if (gScreenState.gdiPresentation == 0 && gScreenState.directDraw == 0) return 0;
  for (int slot = 0; slot < gSurfaces2D.nextIndex; ++slot)
    if (gSurfaces2D.views[slot] != nullptr) {
      CreateSurfaceDataSurface(gSurfaces2D.views[slot]->store);
      ApplySurfaceDataColorKey(gSurfaces2D.views[slot]->store);
    }
  return 0;
}

// --- Loading from files and memory ---------------------------------------------------

int ReadImageFileToGraph(const char* name, int use3DRequest, int mirror, int extra) {
  if (gGraphManager.started == 0 || name == nullptr) return -1;
  WaitWhileInactive();
  GraphImage image{}, alphaImage{};
  const int read = ReadImageWithAlphaFile(name, nullptr, 0, 0, nullptr, 0, 0, &image, &alphaImage, 0);
  if (read >= 0) {
    if (mirror == 1) {
      MirrorGraphImage(&image);
      if (read == 0) MirrorGraphImage(&alphaImage);
    }
    const int handle = CreateGraphFromImage(&image, read == 0 ? &alphaImage : nullptr, use3DRequest, mirror, 0);
    if (handle != -1) SetGraphFileName(handle, name, -1);
    FreeGraphImage(&image);
    FreeGraphImage(&alphaImage);
    return handle;
  }
  const FileHandle file = FileLayerOpen(name, 0, 0, 0);
  if (file == 0) {
    LogWriteFormat(kTxtGraphFileMissing, name);
    return -1;
  }
  FileLayerClose(file);
  // Not an image: perhaps a movie, whose graph shows its frames.
  DrawState& d = gDrawState;
  const int depth = d.newGraphColorDepth, systemMemory = d.newGraphSystemMemory, use3D = d.newGraphUse3D,
            unmanaged = d.newGraphUnmanagedTexture;
  int width = 0, height = 0;
  const int movie = OpenMovie(name, &width, &height, extra);
  if (movie < 0) {
    LogWriteFormat(kTxtGraphFileLoadFailed, name);
    return -1;
  }
  d.newGraphColorDepth = gScreenState.requestedDepth != 0 ? gScreenState.requestedDepth : 16;
  d.newGraphSystemMemory = 1;
  d.newGraphUnmanagedTexture = 1;
  const int handle = CreateGraphSized(width, height, use3DRequest, 0, 0);
  d.newGraphColorDepth = depth;
  d.newGraphSystemMemory = systemMemory;
  d.newGraphUse3D = use3D;
  d.newGraphUnmanagedTexture = unmanaged;
  if (handle == -1) {
    LogWriteFormat(kTxtMovieGraphCreateFailed, name);
    return -1;
  }
  GraphRecord* g = GetGraphRecord(handle);
  g->movie = movie;
  SetMovieFrameCallback(movie, TransferMovieFrameToSurface2D, g);
  return handle;
}

int ReadImageFileToAlphaGraph(const char* name) {
  const int saved = gDrawState.newGraphLoadAsAlpha;
  gDrawState.newGraphLoadAsAlpha = 1;
  const int handle = ReadImageFileToGraph(name, 1, 0, 0);
  gDrawState.newGraphLoadAsAlpha = saved;
  return handle;
}

int CreateGraphFromMemoryImage(const void* data, int size, const void* alphaData, int alphaSize, int use3DRequest,
                               int mirror) {
  GraphImage image{}, alphaImage{};
  const int read = ReadImageWithAlphaFile(nullptr, data, size, 1, alphaData, alphaSize, 1, &image, &alphaImage, 0);
  if (read < 0) return -1;
  if (mirror == 1) {
    MirrorGraphImage(&image);
    if (read == 0) MirrorGraphImage(&alphaImage);
  }
  const int handle = CreateGraphFromImage(&image, read == 0 ? &alphaImage : nullptr, use3DRequest, mirror, 0);
  FreeGraphImage(&image);
  FreeGraphImage(&alphaImage);
  return handle;
}
