// The player's figures on whole games, each on the software and the OpenGL
// path:
//  - ColdStart: the Game executable started on a game folder until it has
//    presented its first frame and ended (--headless 1), wall time per start;
//    "peak_rss_MB" is that process's peak resident memory.
//  - BusiestScene: the game's busiest scene (reached by its replay), 600
//    frames pinned to one processor in a process of its own; "median_ms" and
//    "p99_ms" per frame, "peak_rss_MB" of that process.
// Goals: a start under 300 ms, a 99th percentile under 4 ms, memory under
// 150 MB.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/PublicFunctions.h"
#include "platform/Backend.h"
#include "platform/window/Window.h"
#include "shell/Startup.h"
#include "support/DemoGame.h"
#include "support/SampleGame.h"

namespace {

constexpr int kMeasuredFrames = 600;

// A game the figures are taken on: how to write it, and the replay and frame
// count that bring it to its busiest scene (0: the length of the demo tour).
struct FiguresGame {
  const char* name;
  void (*write)(const std::filesystem::path& folder);
  std::vector<uint8_t> (*replay)();
  int framesToScene;
};

void WriteSample(const std::filesystem::path& folder) { WriteSampleGame(folder); }
void WriteDemoPlain(const std::filesystem::path& folder) { WriteDemoGame(folder, DemoForm::Plain); }
void WriteDemoPacked(const std::filesystem::path& folder) { WriteDemoGame(folder, DemoForm::Packed); }

// The demo after its whole tour: in the field with panorama, fog, the
// party and the wanderer's text entry open; input held still to past the
// measure.
std::vector<uint8_t> DemoTourReplay() {
  DemoInput runs = DemoTour();
  runs.emplace_back(kMeasuredFrames + 300, 0);
  return DemoReplayLog(runs);
}

// The sample game with the sign's message and picture open; the demo, plain
// and packed, at the end of its tour.
const FiguresGame kGames[] = {
    {"sample", WriteSample, SampleWalkReplay, kSampleWalkFrames},
    {"demo", WriteDemoPlain, DemoTourReplay, 0},
    {"demo-packed", WriteDemoPacked, DemoTourReplay, 0},
};

std::filesystem::path GameExecutable() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "Game";
}

// A game written once per process into a folder of its own.
std::filesystem::path GameFolder(const FiguresGame& game) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("game_figures_" + std::to_string(getpid()) + "_" + game.name);
  if (!std::filesystem::exists(folder / "Game.dat")) {
    std::filesystem::create_directories(folder);
    game.write(folder);
    const std::vector<uint8_t> replay = game.replay();
    std::ofstream(folder / "figures.replay", std::ios::binary)
        .write(reinterpret_cast<const char*>(replay.data()), static_cast<std::streamsize>(replay.size()));
  }
  return folder;
}

double PeakRssMb(const rusage& usage) { return static_cast<double>(usage.ru_maxrss) / 1024.0; }

void BM_ColdStart(benchmark::State& state) {
  const FiguresGame& game = kGames[state.range(0)];
  const bool opengl = state.range(1) != 0;
  const std::string executable = GameExecutable().string();
  const std::string folder = GameFolder(game).string();
  double peak = 0;
  for (auto _ : state) {
    std::filesystem::remove(std::filesystem::path(folder) / "Game.ini");
    const auto begin = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      setenv("SDL_VIDEODRIVER", "dummy", 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      // The instance lock beside the game: another Game running is no second copy.
      setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
      if (opengl)
        execl(executable.c_str(), executable.c_str(), "--headless", "1", "--opengl", folder.c_str(),
              static_cast<char*>(nullptr));
      else
        execl(executable.c_str(), executable.c_str(), "--headless", "1", folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError(("Game " + executable + " failed on " + folder).c_str());
      return;
    }
    state.SetIterationTime(took.count());
    peak = std::max(peak, PeakRssMb(usage));
  }
  state.counters["peak_rss_MB"] = peak;
}

// In the child: the game started on the chosen path, brought to its scene,
// then the measured frames' times in nanoseconds written to `out`.
[[noreturn]] void MeasureSceneInChild(const FiguresGame& game, const std::filesystem::path& folder, bool opengl,
                                      int out) {
  cpu_set_t one;
  CPU_ZERO(&one);
  const int cpu = sched_getcpu();
  CPU_SET(cpu < 0 ? 0 : cpu, &one);
  sched_setaffinity(0, sizeof one, &one);
  platform::SetBackend(platform::Backend::Headless);
  platform::SetInstanceLockFolder(folder.string());
  std::filesystem::remove(folder / "Game.ini");
  if (opengl) ForceHardwareRendering(1);
  GameOptions options;
  options.gameFolder = folder.string();
  options.headless = true;
  options.replayFile = (folder / "figures.replay").string();
  GameSession session;
  if (StartGame(options, session) != 1) _exit(3);
  int toScene = game.framesToScene;
  if (toScene == 0)
    for (const auto& run : DemoTour()) toScene += run.first;
  for (int frame = 0; frame < toScene; ++frame)
    if (!RunHeadlessPass(session)) _exit(4);
  std::vector<int64_t> times;
  times.reserve(kMeasuredFrames);
  for (int frame = 0; frame < kMeasuredFrames; ++frame) {
    const auto begin = std::chrono::steady_clock::now();
    if (!RunHeadlessPass(session)) _exit(5);
    times.push_back(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - begin).count());
  }
  const auto* bytes = reinterpret_cast<const char*>(times.data());
  size_t left = times.size() * sizeof(int64_t);
  while (left > 0) {
    const ssize_t wrote = write(out, bytes, left);
    if (wrote <= 0) _exit(6);
    bytes += wrote;
    left -= static_cast<size_t>(wrote);
  }
  _exit(0);
}

void BM_BusiestScene(benchmark::State& state) {
  const FiguresGame& game = kGames[state.range(0)];
  const bool opengl = state.range(1) != 0;
  const auto folder = GameFolder(game);
  std::vector<int64_t> times;
  double peak = 0;
  for (auto _ : state) {
    int channel[2];
    if (pipe(channel) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    const pid_t child = fork();
    if (child == 0) {
      close(channel[0]);
      MeasureSceneInChild(game, folder, opengl, channel[1]);
    }
    close(channel[1]);
    std::vector<int64_t> run(kMeasuredFrames);
    auto* bytes = reinterpret_cast<char*>(run.data());
    size_t got = 0;
    const size_t want = run.size() * sizeof(int64_t);
    while (got < want) {
      const ssize_t read_now = read(channel[0], bytes + got, want - got);
      if (read_now <= 0) break;
      got += static_cast<size_t>(read_now);
    }
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (got != want || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the measuring process failed");
      return;
    }
    int64_t total = 0;
    for (int64_t t : run) total += t;
    state.SetIterationTime(static_cast<double>(total) / 1e9);
    times.insert(times.end(), run.begin(), run.end());
    peak = std::max(peak, PeakRssMb(usage));
  }
  std::sort(times.begin(), times.end());
  const auto at = [&](double share) {
    return static_cast<double>(times[std::min(times.size() - 1, static_cast<size_t>(share * times.size()))]) / 1e6;
  };
  state.counters["median_ms"] = at(0.5);
  state.counters["p99_ms"] = at(0.99);
  state.counters["peak_rss_MB"] = peak;
}

// Arguments: the game (index into kGames: sample, demo, demo packed), then 0
// software or 1 OpenGL.
void Games(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"game", "opengl"});
  for (int64_t game = 0; game < static_cast<int64_t>(std::size(kGames)); ++game)
    for (int64_t opengl : {0, 1}) bench->Args({game, opengl});
}

BENCHMARK(BM_ColdStart)->Apply(Games)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_BusiestScene)->Apply(Games)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
