// Loading a scrambled 500 x 500 map with 500 events, each with a page of a
// few commands and a move route, from the data folder: what a map transfer
// reads. A transfer should not drop a frame, so one load should stay well
// inside 16 ms.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gamedata/MapData.h"
#include "gamedata/MapFile.h"
#include "shell/GamePaths.h"

namespace {

constexpr int kSide = 500;
constexpr int kEvents = 500;

MapData BigMap() {
  MapData map;
  map.header.name = "Big";
  map.header.width = kSide;
  map.header.height = kSide;
  map.ResizeMapLayers(true, 0, 0);
  for (int x = 0; x < kSide; ++x) {
    for (int y = 0; y < kSide; ++y) {
      map.layers[0][x][y] = (x * 7 + y) % 400;
      if ((x + y) % 5 == 0) map.layers[1][x][y] = 200000 + (x % 10) * 1111;
    }
  }
  for (int id = 0; id < kEvents; ++id) {
    MapEvent event(id);
    event.name = "event" + std::to_string(id);
    event.x = id % kSide;
    event.y = id / 2;
    EventPage& page = event.pages[0];
    page.graphicName = "CharaChip/people.png";
    page.moveSettings.moveType = 1;
    page.moveSettings.route.resize(4);
    page.commands.clear();
    for (int line = 0; line < 8; ++line) {
      EventCommand command;
      command.ints = {101 + line, id, line};
      if (line == 0) command.strings = {"Hello from event " + std::to_string(id)};
      page.commands.push_back(command);
    }
    page.commandCount = static_cast<int32_t>(page.commands.size());
    map.events.push_back(event);
  }
  map.header.eventCount = kEvents;
  return map;
}

void LoadBigMap(benchmark::State& state) {
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("map_load_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "Data" / "MapData");
  std::filesystem::current_path(folder);
  if (!WriteMapFile(BigMap(), "MapData\\Big.mps")) state.SkipWithError("the map file was not written");
  state.counters["file_bytes"] =
      static_cast<double>(std::filesystem::file_size(folder / "Data" / "MapData" / "Big.mps"));
  MapData map;
  for (auto _ : state) {
    if (!LoadMapFile(map, "MapData\\Big.mps")) state.SkipWithError("the map did not load");
    benchmark::DoNotOptimize(map.events.data());
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(LoadBigMap)->Unit(benchmark::kMillisecond);
