// The picture list under many single-number shows, as a script loop makes
// them: ascending, descending and shuffled numbers, then one fade-out that
// erases every picture in the same frame. Each figure is the whole series
// (100, 1,000 or 10,000 pictures). Goal: 10,000 shows in any order well under
// 20 ms, and the mass erase linear.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "gamedata/GlobalObjects.h"
#include "shell/GamePaths.h"
#include "shell/StartupGlobals.h"
#include "support/ImageFileWriters.h"

namespace {

void StartOnce() {
  static const bool started = [] {
    StartHeadlessBenchLibrary("player-picture-bench-");
    const auto data = std::filesystem::current_path() / "Data";
    std::filesystem::create_directories(data);
    gDataFolderPath = data.string() + "/";
    std::vector<uint32_t> values(static_cast<size_t>(32 * 32));
    std::iota(values.begin(), values.end(), 0u);
    std::ofstream(data / "pic.bmp", std::ios::binary) << fixtures::BmpFile(fixtures::BmpOptions{}, 32, 32, values);
    gFrameStep = 1;
    return true;
  }();
  (void)started;
}

void ShowOne(int number) {
  gPictureList.ShowPictures(number, number, "pic.bmp", 1, 1, number % 640, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0,
                            false, false);
}

// The picture numbers 1..count in the order a benchmark shows them.
std::vector<int> Order(int count, int kind) {
  std::vector<int> numbers(static_cast<size_t>(count));
  std::iota(numbers.begin(), numbers.end(), 1);
  if (kind == 1) std::reverse(numbers.begin(), numbers.end());
  if (kind == 2) std::shuffle(numbers.begin(), numbers.end(), std::mt19937(12345));
  return numbers;
}

// The picture file stays cached: the series time the list, not the file load.
void Reset() { gPictureList = PictureList(); }

void ShowSeries(benchmark::State& state, int kind) {
  StartOnce();
  const std::vector<int> numbers = Order(static_cast<int>(state.range(0)), kind);
  for (auto _ : state) {
    state.PauseTiming();
    Reset();
    state.ResumeTiming();
    for (int number : numbers) ShowOne(number);
    benchmark::DoNotOptimize(gPictureList.count);
  }
  Reset();
}

void BM_ShowAscending(benchmark::State& state) { ShowSeries(state, 0); }
void BM_ShowDescending(benchmark::State& state) { ShowSeries(state, 1); }
void BM_ShowShuffled(benchmark::State& state) { ShowSeries(state, 2); }

// Every picture fades out over no frames and leaves the list in one update.
void BM_EraseAll(benchmark::State& state) {
  StartOnce();
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Reset();
    for (int number = 1; number <= count; ++number) ShowOne(number);
    state.ResumeTiming();
    gPictureList.FadeOutPicturesInRange(1, count, 0, 0, 1 << 24);
    gPictureList.UpdatePictures();
    benchmark::DoNotOptimize(gPictureList.count);
  }
  Reset();
}

BENCHMARK(BM_ShowAscending)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowDescending)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowShuffled)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EraseAll)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
