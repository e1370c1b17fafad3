#include <cstdint>
#include <string>

#include "gamedata/GameText.h"
#include "map/CurrentMap.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/process/Process.h"
#include "presentation/GraphicCache.h"
#include "presentation/MapView.h"
#include "shell/StartupGlobals.h"

namespace {

int CacheEntry(const std::string& name) {
  const auto found = gGraphicCache.nameIndex.find(name);
  return found == gGraphicCache.nameIndex.end() || name.empty() ? -1 : found->second;
}

const std::vector<int>* EntryHandles(int entry) {
  if (entry < 0 || static_cast<size_t>(entry) >= gGraphicCache.cellHandles.size()) return nullptr;
  return &gGraphicCache.cellHandles[static_cast<size_t>(entry)];
}

int HandleAt(const std::vector<int>* handles, int64_t element) {
  if (handles == nullptr || element < 0 || static_cast<size_t>(element) >= handles->size()) return -1;
  return (*handles)[static_cast<size_t>(element)];
}

// Remainder that is never negative.
int64_t Wrap(int64_t value, int64_t period) {
  const int64_t r = value % period;
  return r < 0 ? r + period : r;
}

int64_t FloorDiv(int64_t value, int64_t divisor) { return value / divisor; }

[[noreturn]] void BadTileValue(int value, int layer, int64_t x, int64_t y) {
  platform::ShowMessageBox(NoticeText("タイル番号が異常です=>%d 位置(Layer%d X:%d Y:%d)",
                                      {Decimal(value), Decimal(layer), Decimal(x), Decimal(y)}),
                           "Error!", platform::kMbOkCancel);
  platform::ExitProcess(1);
}

}  // namespace

TileMapView::TileMapView() { UpdateTilePriorities(); }

void TileMapView::UpdateTilePriorities() {
  const std::vector<int32_t>& flags = gCurrentMap.tileFlags;
  priorities.assign(flags.size(), 0);
  for (size_t i = 0; i < flags.size(); ++i) {
    priorities[i] = (flags[i] & 0x100) != 0 ? 1 : (flags[i] & 0x10) != 0 ? 2 : 0;
  }
}

void TileMapView::LoadImages() {
  const int ts = gTileSize;
  tilesetImage = gCurrentMap.tilesetImageName;
  autotileImages = gCurrentMap.autotileImageNames;
  tilesetEntry = LoadGraphic(tilesetImage, ts, ts, 1) ? CacheEntry(tilesetImage) : -1;
  for (size_t i = 0; i < 7; ++i) {
    autotileLoaded[i] = 0;
    autotileEntries[i] = -1;
    autotileFrames[i] = 0;
    const std::string& name = autotileImages[i];
    if (name.empty() || !LoadGraphic(name, ts / 2, ts / 2, 1)) continue;
    autotileEntries[i] = CacheEntry(name);
    int width = 0, height = 0;
    QueryGraphSize(HandleAt(EntryHandles(autotileEntries[i]), 0), &width, &height);
    autotileFrames[i] = width / ts;
    // An image narrower than a tile has no frame to draw.
    autotileLoaded[i] = autotileEntries[i] >= 0 && autotileFrames[i] >= 1 ? 1 : 0;
  }
}

void TileMapView::DrawTile(int value, int64_t X, int64_t Y) const {
  const int ts = gTileSize;
  const int64_t K = gScreenScale;
  const int64_t Z = gCurrentMap.zoom.currentZoom;
  const int64_t cx = gCurrentMap.zoom.currentX, cy = gCurrentMap.zoom.currentY;
  const bool plain = K == 1 && Z == 100;
  const auto put = [&](int graph, int64_t dx, int64_t dy, int64_t size) {
    if (graph == -1) return;
    if (plain) {
      PutGraph(static_cast<int>(X + dx), static_cast<int>(Y + dy), graph, 1);
      return;
    }
    const auto zx = [&](int64_t q) { return q + (q - cx * K) * (Z - 100) / 100; };
    const auto zy = [&](int64_t q) { return q + (q - cy * K) * (Z - 100) / 100; };
    PutGraphStretched(static_cast<int>(zx((X + dx) * K)), static_cast<int>(zy((Y + dy) * K)),
                      static_cast<int>(zx((X + dx + size) * K)), static_cast<int>(zy((Y + dy + size) * K)), graph, 1);
  };
  if (value < 100000) {
    put(HandleAt(EntryHandles(tilesetEntry), int64_t{value} + 1), 0, 0, ts);
    return;
  }
  const size_t image = static_cast<size_t>(value / 100000 - 2);
  const std::vector<int>* handles = EntryHandles(autotileEntries[image]);
  const int64_t F = autotileFrames[image];
  const int64_t f = animationStep % F;
  const int u = value % 100000;
  const int64_t p1 = u / 1000, p2 = value % 1000 / 100, p3 = value % 100 / 10, p4 = value % 10;
  const int half = ts / 2;
  put(HandleAt(handles, 2 * f + 4 * p1 * F + 1), 0, 0, half);
  put(HandleAt(handles, 2 * f + 4 * p2 * F + 2), half, 0, half);
  put(HandleAt(handles, 2 * f + (4 * p3 + 2) * F + 1), 0, half, half);
  put(HandleAt(handles, 2 * f + (4 * p4 + 2) * F + 2), half, half, half);
}

void TileMapView::DrawTileLayers(int mode, int row) {
  const int ts = gTileSize;
  bool changed = gCurrentMap.tilesetImageName != tilesetImage;
  for (size_t i = 0; i < 4; ++i) changed = changed || gCurrentMap.autotileImageNames[i] != autotileImages[i];
  if (changed) LoadImages();
  if (mode == 0) {
    scrollX -= gCurrentMap.shakeOffsetX;
    scrollY -= gCurrentMap.shakeOffsetY;
  }
  animationStep = gCurrentMap.frameCounter / 20;
  SetBlendState(0, 255);
  const int64_t width = gCurrentMap.GetMapWidth();
  const int64_t height = gCurrentMap.GetMapHeight();
  if (width <= 0 || height <= 0) return;
  int firstRow = -1, lastRow = 15;
  if (mode == 1) {
    firstRow = lastRow = static_cast<int>(row - FloorDiv(scrollY, ts));
    if (firstRow > 15) return;
  }
  const int64_t cellX0 = FloorDiv(scrollX, ts);
  const int64_t cellY0 = FloorDiv(scrollY, ts);
  const int64_t fineX = scrollX % ts;
  const int64_t fineY = scrollY % ts;
  const MapData& data = gCurrentMap.mapData;
  for (int r = firstRow; r <= lastRow; ++r) {
    for (int layer = 0; layer < 3; ++layer) {
      const TileLayer& tiles = data.layers[static_cast<size_t>(layer)];
      for (int j = -1; j <= 20; ++j) {
        const int64_t mx = cellX0 + j;
        if (!gCurrentMap.loopX && (mx < 0 || mx >= width)) continue;
        const int64_t x = Wrap(mx, width);
        const int64_t y = Wrap(cellY0 + r, height);
        if (static_cast<size_t>(x) >= tiles.size() || static_cast<size_t>(y) >= tiles[static_cast<size_t>(x)].size()) {
          continue;
        }
        const int v = tiles[static_cast<size_t>(x)][static_cast<size_t>(y)];
        if (v < 0) BadTileValue(v, layer, mx, cellY0 + r);
        const int64_t X = int64_t{j} * ts - fineX;
        const int64_t Y = int64_t{r} * ts - fineY;
        if (v < 100000) {
          const size_t index = static_cast<size_t>(v) + 8;
          if (index < priorities.size() && priorities[index] == mode) DrawTile(v, X, Y);
          continue;
        }
        const int k = v / 100000;
        if (v >= 900000 || k == 1) continue;
        if (static_cast<size_t>(k - 1) >= priorities.size() || priorities[static_cast<size_t>(k - 1)] != mode) continue;
        if (!autotileLoaded[static_cast<size_t>(k - 2)]) continue;
        DrawTile(v, X, Y);
      }
    }
  }
}
