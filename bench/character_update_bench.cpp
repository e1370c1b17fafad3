// One map update on a 500 x 500 looping map with events walking repeating
// routes (steps, turns and random steps):
//  - 500 events bunched on a diagonal band: the per-frame cost of the map's
//    characters, to be set against the 16 ms of a frame;
//  - 100 to 10,000 events each on a cell of its own, spread over the whole
//    map: how the cost of the events' step checks grows with their number.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "gamedata/DataFileScramble.h"
#include "gamedata/GameInfo.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/StartupGlobals.h"

namespace {

constexpr int kSide = 500;

enum class Placement { Band, Spread };

void BuildWalkingMap(int eventCount, Placement placement) {
  gTileSize = 32;
  gFrameStep = 1;
  gGameInfo.settings.assign(18, 0);
  gGameInfo.settings[2] = 4;
  gGameInfo.settings[7] = 3;
  gGameInfo.settings[15] = 4;
  gGameInfo.settings[16] = 4;
  SharedRandom(2, 1);
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
  map.eventCharacters.reserve(static_cast<size_t>(eventCount));
  for (int id = 0; id < eventCount; ++id) {
    MapEvent record(id);
    if (placement == Placement::Band) {
      record.x = (id * 37) % kSide;
      record.y = (id * 11) % kSide;
    } else {
      // Cell k of the map in a stride coprime to its side: distinct cells.
      const int64_t cell = int64_t{id} * 2503 % (int64_t{kSide} * kSide);
      record.x = static_cast<int32_t>(cell % kSide);
      record.y = static_cast<int32_t>(cell / kSide);
    }
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

void UpdateRepeatedly(benchmark::State& state) {
  for (auto _ : state) {
    gCurrentMap.UpdateCurrentMap();
    benchmark::DoNotOptimize(gCurrentMap.eventCharacters.front().fineX);
  }
}

void BM_UpdateCurrentMapWithWalkingEvents(benchmark::State& state) {
  BuildWalkingMap(500, Placement::Band);
  UpdateRepeatedly(state);
}
BENCHMARK(BM_UpdateCurrentMapWithWalkingEvents)->Unit(benchmark::kMicrosecond);

void BM_UpdateCurrentMapWithEventCrowd(benchmark::State& state) {
  BuildWalkingMap(static_cast<int>(state.range(0)), Placement::Spread);
  UpdateRepeatedly(state);
  state.counters["events"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_UpdateCurrentMapWithEventCrowd)->Arg(100)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
