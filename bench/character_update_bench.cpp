// One map update with 500 events walking repeating routes (steps, turns and
// random steps) on a 500 x 500 looping map: the per-frame cost of the map's
// characters, to be set against the 16 ms of a frame.
#include <benchmark/benchmark.h>

#include "gamedata/GameInfo.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/StartupGlobals.h"

namespace {

constexpr int kSide = 500;
constexpr int kEvents = 500;

void BuildWalkingMap() {
  gTileSize = 32;
  gFrameStep = 1;
  gGameInfo.settings.assign(18, 0);
  gGameInfo.settings[2] = 4;
  gGameInfo.settings[7] = 3;
  gGameInfo.settings[15] = 4;
  gGameInfo.settings[16] = 4;
  CurrentMap& map = gCurrentMap;
  map = CurrentMap();
  map.mapId = 1;
  map.loopX = map.loopY = 1;
  map.mapData.header.width = kSide;
  map.mapData.header.height = kSide;
  map.mapData.ResizeMapLayers(true, 0, 0);
  for (auto& column : map.mapData.layers[0]) column.assign(kSide, 0);
  map.tileFlags.assign(16, 0);
  gHero = Hero();
  gHero.ConstructHero();
  map.eventCharacters.reserve(kEvents);
  for (int id = 0; id < kEvents; ++id) {
    MapEvent record(id);
    record.x = (id * 37) % kSide;
    record.y = (id * 11) % kSide;
    EventPage& page = record.pages[0];
    page.graphicName = "people.png";
    MoveSettings& settings = page.moveSettings;
    settings.moveType = 1;
    settings.moveSpeed = 5;
    settings.moveFrequency = 0;
    settings.routeFlags = 3;  // repeat, skip
    settings.route = {RouteCommand{2, {}, ""}, RouteCommand{22, {}, ""}, RouteCommand{16, {}, ""},
                      RouteCommand{0, {}, ""}, RouteCommand{23, {}, ""}, RouteCommand{16, {}, ""}};
    map.mapData.events.push_back(record);
    map.eventCharacters.emplace_back(map.mapId, record);
  }
}

void BM_UpdateCurrentMapWithWalkingEvents(benchmark::State& state) {
  BuildWalkingMap();
  for (auto _ : state) {
    gCurrentMap.UpdateCurrentMap();
    benchmark::DoNotOptimize(gCurrentMap.eventCharacters.front().fineX);
  }
}
BENCHMARK(BM_UpdateCurrentMapWithWalkingEvents)->Unit(benchmark::kMicrosecond);

}  // namespace
