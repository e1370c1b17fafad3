#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gamedata/Database.h"
#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "presentation/MapView.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

namespace {

// What differs between the two layers: where the request lives and how it
// is told.
struct LayerRequest {
  int32_t& number;
  int32_t& speedX;
  int32_t& speedY;
  int32_t& followDivisor;
  std::string& file;
  uint8_t& fileChanged;
  bool isFog;
};

LayerRequest PanoramaRequest() {
  EventSystem& e = gEventSystem;
  return {e.panoramaValues[0],
          e.panoramaValues[1],
          e.panoramaValues[2],
          e.panoramaImage,
          e.panoramaFile,
          gGameSystem.panoramaByFile,
          false};
}

LayerRequest FogRequest() {
  EventSystem& e = gEventSystem;
  return {e.fogValues[0], e.fogValues[1], e.fogValues[2], e.fogImage, e.fogFile, gGameSystem.fogByFile, true};
}

int CacheEntry(const std::string& name) {
  const auto found = gGraphicCache.nameIndex.find(name);
  return found == gGraphicCache.nameIndex.end() || name.empty() ? -1 : found->second;
}

int WholeGraph(int entry) {
  if (entry < 0 || static_cast<size_t>(entry) >= gGraphicCache.cellHandles.size()) return -1;
  const std::vector<int>& handles = gGraphicCache.cellHandles[static_cast<size_t>(entry)];
  return handles.empty() ? -1 : handles[0];
}

// Loads the image into the layer; false (after the box) when it does not load.
bool LoadLayerImage(ImageLayer& layer, const std::string& name) {
  if (!LoadGraphic(name, 1, 1, 0)) return false;
  layer.imageEntry = CacheEntry(name);
  int width = 0, height = 0;
  QueryGraphSize(WholeGraph(layer.imageEntry), &width, &height);
  layer.imageWidth = width;
  layer.imageHeight = height;
  return true;
}

void MissingImage(const LayerRequest& request, bool byNumber, const std::string& name) {
  std::string text;
  if (byNumber) {
    text = request.isFog ? NoticeText("フォグ画像%d番に変更されましたが、画像がありません！", {Decimal(request.number)})
                         : NoticeText("遠景画像%d番に変更されましたが、画像がありません！", {Decimal(request.number)});
  } else {
    text = request.isFog ? Cp932Text("フォグ画像が変更されましたが、以下の画像はありません！")
                         : Cp932Text("遠景画像が変更されましたが、以下の画像はありません！");
  }
  ShowNoticeBox(text, name, "");
}

int64_t Remainder(int64_t value, int64_t period) {
  const int64_t r = value % period;
  return r < 0 ? r + period : r;
}

void StepScroll(ImageLayer& layer, const LayerRequest& request) {
  if (request.number == -1 || layer.imageEntry == -1) return;
  const int64_t periodX = std::max<int64_t>(int64_t{8} * layer.imageWidth, 1);
  const int64_t periodY = std::max<int64_t>(int64_t{8} * layer.imageHeight, 1);
  const int64_t stepX = request.isFog ? request.speedX / gFrameStep : int64_t{request.speedX} * gFrameStep;
  const int64_t stepY = request.isFog ? request.speedY / gFrameStep : int64_t{request.speedY} * gFrameStep;
  // Travel is kept within one period: the offsets are the same remainders.
  layer.travelX8 = static_cast<int32_t>(Remainder(layer.travelX8 + stepX, periodX));
  layer.travelY8 = static_cast<int32_t>(Remainder(layer.travelY8 + stepY, periodY));
  const int64_t d = request.followDivisor;
  const int64_t followX = d != 0 ? -2 * int64_t{gCurrentMap.scrollX} / d : 0;
  const int64_t followY = d != 0 ? -2 * int64_t{gCurrentMap.scrollY} / d : 0;
  layer.offsetX8 = static_cast<int32_t>(Remainder(layer.travelX8 + followX + gCurrentMap.shakeOffsetX, periodX));
  layer.offsetY8 = static_cast<int32_t>(Remainder(layer.travelY8 + followY + gCurrentMap.shakeOffsetY, periodY));
}

void ChangeByNumber(ImageLayer& layer, const LayerRequest& request) {
  layer.offsetX8 = layer.offsetY8 = 0;
  layer.travelX8 = layer.travelY8 = 0;
  layer.imageEntry = -1;
  layer.imageWidth = layer.imageHeight = 2;
  if (request.number == -1) {
    request.file.clear();
  } else {
    std::string name = request.file;
    if (request.number != -2) {
      name = gSystemDatabase.ReadDatabaseString(13, request.number, 0);
      request.speedX = gSystemDatabase.ReadDatabaseInt(13, request.number, 1);
      request.speedY = gSystemDatabase.ReadDatabaseInt(13, request.number, 2);
      if (gSystemDatabase.GetDatabaseContentCount(13) >= 4) {
        request.followDivisor = gSystemDatabase.ReadDatabaseInt(13, request.number, 3);
      }
    }
    if (!name.empty()) {
      if (LoadLayerImage(layer, name)) {
        request.file = name;
      } else {
        MissingImage(request, true, name);
        // Both layers record the number, so the box shows once.
        layer.imageEntry = -1;
        request.file = name;
      }
    }
  }
  layer.number = request.number;
  StepScroll(layer, request);
}

// Leading blanks, a sign and digits up to the first other character; 0 without digits.
int ReadNumber(const std::string& text) {
  // As atoi does here, but defined for out-of-range digits too.
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

void ChangeByFile(ImageLayer& layer, const LayerRequest& request) {
  request.fileChanged = 0;
  std::string name = request.file;
  const size_t first = request.file.find('\n');
  if (first != std::string::npos) {
    const std::string whole = request.file;
    name = whole.substr(0, first);
    request.file = name;
    const size_t second = whole.find('\n', first + 1);
    if (second == std::string::npos) {
      request.speedX = ReadNumber(whole.substr(first + 1));
    } else {
      request.speedX = ReadNumber(whole.substr(first + 1, second - first - 1));
      const size_t third = whole.find('\n', second + 1);
      if (third == std::string::npos) {
        request.speedY = ReadNumber(whole.substr(second + 1));
      } else {
        request.speedY = ReadNumber(whole.substr(second + 1, third - second - 1));
        request.followDivisor = std::clamp(ReadNumber(whole.substr(third + 1)), -1, 1);
      }
    }
  }
  if (name.empty()) {
    request.number = -1;
    return;
  }
  if (LoadLayerImage(layer, name)) {
    layer.offsetX8 = layer.offsetY8 = 0;
    layer.travelX8 = layer.travelY8 = 0;
    request.number = -2;
    layer.number = -2;
  } else {
    MissingImage(request, false, name);
    layer.imageEntry = -1;
  }
}

void DrawLayer(ImageLayer& layer, const LayerRequest& request, int fogBlend, int fogOpacity) {
  if (layer.number != request.number) ChangeByNumber(layer, request);
  if (request.fileChanged) ChangeByFile(layer, request);
  if (request.number == -1 || layer.imageEntry == -1) return;
  int transparent = 0;
  if (request.isFog) {
    const int code = fogBlend <= 0 ? 1 : fogBlend == 1 ? 2 : fogBlend == 2 ? 3 : 4;
    SetBlendState(code, std::clamp(fogOpacity, 0, 255));
    transparent = 1;
  } else {
    SetBlendState(0, 255);
  }
  const int whole = WholeGraph(layer.imageEntry);
  const int64_t W = layer.imageWidth, H = layer.imageHeight;
  const int64_t K = gScreenScale;
  const int64_t Z = gCurrentMap.zoom.currentZoom;
  if (K * Z == 100) {
    const int ox = layer.offsetX8 / 8, oy = layer.offsetY8 / 8;
    const int w = static_cast<int>(W), h = static_cast<int>(H);
    PutGraphPart(ox, oy, 0, 0, w - ox, h - oy, whole, transparent, 0);
    PutGraphPart(0, 0, w - ox, h - oy, ox, oy, whole, transparent, 0);
    PutGraphPart(0, oy, w - ox, 0, ox, h - oy, whole, transparent, 0);
    PutGraphPart(ox, 0, 0, h - oy, w - ox, oy, whole, transparent, 0);
    return;
  }
  // Under a pixel but at least half of one: a whole pixel.
  if (layer.offsetX8 >= 4 && layer.offsetX8 <= 7) layer.offsetX8 = 8;
  if (layer.offsetY8 >= 4 && layer.offsetY8 <= 7) layer.offsetY8 = 8;
  const int64_t ox = layer.offsetX8 / 8, oy = layer.offsetY8 / 8;
  const int64_t f = Z - 100;
  const int64_t cx = gCurrentMap.zoom.currentX, cy = gCurrentMap.zoom.currentY;
  const int64_t X0 = (-cx * K * f) / 100;
  const int64_t X1 = (int64_t{layer.offsetX8} * K) / 8 + ((ox - cx) * K * f) / 100;
  const int64_t X2 = W * K + ((W - cx) * K * f) / 100;
  const int64_t Y0 = (-cy * K * f) / 100;
  const int64_t Y1 = (int64_t{layer.offsetY8} * K) / 8 + ((oy - cy) * K * f) / 100;
  const int64_t Y2 = H * K + ((H - cy) * K * f) / 100;
  const auto sub = [&](int64_t x, int64_t y, int64_t w, int64_t h) {
    return CreateSubGraph(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h), whole);
  };
  const int s0 = sub(0, 0, W - ox, H - oy);
  const int s1 = sub(W - ox, H - oy, ox, oy);
  const int s2 = sub(W - ox, 0, ox, H - oy);
  const int s3 = sub(0, H - oy, W - ox, oy);
  const auto put = [&](int64_t x1, int64_t y1, int64_t x2, int64_t y2, int graph) {
    PutGraphStretched(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2), graph,
                      transparent);
  };
  put(X1, Y1, X2, Y2, s0);
  put(X0, Y0, X1, Y1, s1);
  put(X0, Y1, X1, Y2, s2);
  put(X1, Y0, X2, Y1, s3);
  for (int graph : {s0, s1, s2, s3}) ReleaseGraph(graph, 0);
}

void ResetLayer(ImageLayer& layer, int32_t& followDivisor) {
  layer = ImageLayer();
  followDivisor = 0;
}

}  // namespace

void ResetPanoramaLayer(PanoramaLayer& layer) { ResetLayer(layer, gEventSystem.panoramaImage); }
void ResetFogLayer(FogLayer& layer) { ResetLayer(layer, gEventSystem.fogImage); }
void ChangePanoramaByNumber(PanoramaLayer& layer) { ChangeByNumber(layer, PanoramaRequest()); }
void ChangeFogByNumber(FogLayer& layer) { ChangeByNumber(layer, FogRequest()); }
void ChangePanoramaByFile(PanoramaLayer& layer) { ChangeByFile(layer, PanoramaRequest()); }
void ChangeFogByFile(FogLayer& layer) { ChangeByFile(layer, FogRequest()); }
void StepPanoramaScroll(PanoramaLayer& layer) { StepScroll(layer, PanoramaRequest()); }
void StepFogScroll(FogLayer& layer) { StepScroll(layer, FogRequest()); }
void DrawPanorama(PanoramaLayer& layer) { DrawLayer(layer, PanoramaRequest(), 0, 255); }
void DrawFog(FogLayer& layer) { DrawLayer(layer, FogRequest(), gEventSystem.fogValues[3], gEventSystem.fogValues[4]); }
