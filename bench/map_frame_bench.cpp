// One full map frame through the public drawing entries on the headless
// backend: 20x15 visible cells of three layers with autotiles, 100 character
// sprites, 50 pictures, panorama and fog, then the picture layer above the map.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "presentation/MapView.h"
#include "shell/GamePaths.h"
#include "shell/StartupGlobals.h"
#include "support/ImageFileWriters.h"

namespace {

void WriteImage(const std::filesystem::path& data, const std::string& name, int width, int height) {
  std::vector<uint32_t> values;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) values.push_back(static_cast<uint32_t>((x * 5) << 16 | (y * 3) << 8 | (x ^ y)));
  std::ofstream(data / name, std::ios::binary) << fixtures::BmpFile(fixtures::BmpOptions{}, width, height, values);
}

struct MapScene {
  MapScene() {
    StartHeadlessBenchLibrary("player-map-bench-");
    const auto data = std::filesystem::current_path() / "Data";
    std::filesystem::create_directories(data);
    gDataFolderPath = data.string() + "/";
    WriteImage(data, "tiles.bmp", 256, 512);
    for (int i = 0; i < 4; ++i) WriteImage(data, "auto" + std::to_string(i) + ".bmp", 128, 160);
    for (int i = 0; i < 4; ++i) WriteImage(data, "chara" + std::to_string(i) + ".bmp", 96, 128);
    WriteImage(data, "pano.bmp", 640, 480);
    WriteImage(data, "fog.bmp", 640, 480);
    WriteImage(data, "pic.bmp", 128, 96);

    gGameInfo.settings.assign(18, 0);
    gGameInfo.settings[0] = 32;
    gGameInfo.settings[7] = 3;
    gCurrentMap.mapId = 1;
    gCurrentMap.mapData.header.width = 40;
    gCurrentMap.mapData.header.height = 30;
    gCurrentMap.mapData.ResizeMapLayers(true, 0, 0);
    gCurrentMap.tilesetImageName = "tiles.bmp";
    for (int i = 0; i < 4; ++i)
      gCurrentMap.autotileImageNames[static_cast<size_t>(i)] = "auto" + std::to_string(i) + ".bmp";
    gCurrentMap.tileFlags.assign(8 + 128, 0);
    for (int t = 0; t < 128; t += 7) gCurrentMap.tileFlags[static_cast<size_t>(8 + t)] = 0x100;
    for (int t = 3; t < 128; t += 11) gCurrentMap.tileFlags[static_cast<size_t>(8 + t)] = 0x10;
    for (int x = 0; x < 40; ++x) {
      for (int y = 0; y < 30; ++y) {
        auto& l = gCurrentMap.mapData.layers;
        l[0][static_cast<size_t>(x)][static_cast<size_t>(y)] = (x * 3 + y) % 128;
        l[1][static_cast<size_t>(x)][static_cast<size_t>(y)] =
            (x + y) % 3 == 0 ? 200000 * (1 + (x % 4)) + 1234 + 1000 : 100000;
        l[2][static_cast<size_t>(x)][static_cast<size_t>(y)] = (x * y) % 5 == 0 ? (x + 2 * y) % 128 : 100000;
      }
    }
    gCurrentMap.eventCharacters.resize(99);
    for (size_t i = 0; i < gCurrentMap.eventCharacters.size(); ++i) {
      MapEventCharacter& e = gCurrentMap.eventCharacters[i];
      e.graphicName = "chara" + std::to_string(i % 4) + ".bmp";
      e.x = 2 * static_cast<int>(i % 20);
      e.y = 2 * static_cast<int>(i / 20 * 3);
      e.fineX = 64 * e.x;
      e.fineY = 64 * e.y;
      e.passThrough = i % 7 == 0;
      e.aboveAll = i % 13 == 0;
    }
    gHero.graphicName = "chara0.bmp";
    gHero.fineX = 64 * 20;
    gHero.fineY = 64 * 14;
    gEventSystem.panoramaValues = {-2, 2, 1};
    gEventSystem.panoramaFile = "pano.bmp";
    gEventSystem.fogValues = {-2, 3, 1, 1, 96};
    gEventSystem.fogFile = "fog.bmp";
    gEventSystem.toneState[0] = -20;
    for (int n = 0; n < 50; ++n) {
      const int number = n < 10 ? -100000 - n : n < 20 ? -n : n;
      gPictureList.ShowPictures(number, number, "pic.bmp", 2, 2, (n * 53) % 600, (n * 31) % 440, 1 + n % 4,
                                n % 3 == 0 ? 160 : 255, n % 5 == 0 ? 1 : 0, 0, 100 + n % 3 * 25, 0,
                                n % 4 == 0 ? 450 : 0, n % 5, n % 2 == 0 ? 0x966464 : 0x646464, 0, false, false);
    }
    gPictureList.UpdatePictures();
    view = std::make_unique<MapView>();
  }
  std::unique_ptr<MapView> view;
};

void BM_MapFrame(benchmark::State& state) {
  static MapScene scene;
  MapView& view = *scene.view;
  int frame = 0;
  for (auto _ : state) {
    gCurrentMap.frameCounter = frame;
    view.tileView.scrollX = (frame * 3) % 640;
    view.tileView.scrollY = (frame * 2) % 480;
    ClearDrawTarget();
    UpdatePanoramaAndFog(view);
    DrawMap(view);
    ApplyScreenTone(gEventSystem, true, false, nullptr);
    ApplyScreenTone(gEventSystem, false, true, nullptr);
    gPictureList.DrawPictureLayer(0);
    ++frame;
  }
}
BENCHMARK(BM_MapFrame)->Unit(benchmark::kMillisecond);

}  // namespace
