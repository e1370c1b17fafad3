// One game frame (logic, drawing and presentation) on the sample game, against
// the 16 ms a frame may take: the "budget_share" counter is the frame's time
// as a share of 16 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "gamedata/GlobalObjects.h"
#include "platform/Backend.h"
#include "platform/window/Window.h"
#include "shell/Frame.h"
#include "shell/GameSystem.h"
#include "shell/Startup.h"
#include "support/SampleGame.h"

namespace {

void BM_RunFrameOnTheSampleGame(benchmark::State& state) {
  platform::SetBackend(platform::Backend::Headless);
  const auto folder = std::filesystem::temp_directory_path() / ("run_frame_bench_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  WriteSampleGame(folder);
  platform::SetInstanceLockFolder(folder.string());
  GameOptions options;
  options.gameFolder = folder.string();
  options.headless = true;
  GameSession session;
  if (StartGame(options, session) != 1) {
    state.SkipWithError("the sample game did not start");
    return;
  }
  RestartGame(true);
  RunFrame(session.scene);  // enters the start map
  for (auto _ : state) {
    session.scene.drawAccumulator = 1.0f;
    RunFrame(session.scene);
  }
  state.counters["budget_share"] = benchmark::Counter(static_cast<double>(state.iterations()) * 0.016,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  ShutDownGame(session);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RunFrameOnTheSampleGame)->Unit(benchmark::kMillisecond);

}  // namespace
