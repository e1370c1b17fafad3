// The 3D path's CPU cost: a frame of 2,000 sprite draws built and submitted
// through the batch and the state cache to the recording backend (the device
// does no work), against the 16 ms frame budget; and one sample scene
// (background, 200 alpha sprites, 20 boxes at alpha 128, presentation) drawn
// on OpenGL (Mesa's software rasteriser, forced) beside the software path.
#include <benchmark/benchmark.h>

#include "BenchLibrary.h"
#include "media/PublicFunctions.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/GraphImage.h"
#include "platform/gpu/Gpu.h"

namespace {

enum class Path { Recording, OpenGL, Software };

uint32_t Background(int x, int y) { return 0xFF000000u | ((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | 0x40; }
uint32_t Sprite(int x, int y) {
  const int dx = x - 16, dy = y - 16;
  const int alpha = dx * dx + dy * dy < 250 ? 255 - (dx * dx + dy * dy) : 0;
  return static_cast<uint32_t>(alpha) << 24 | 0xE08020u | (x & 0xF);
}

struct Graphs {
  int background = -1, sprite = -1;
};

// Starts the library on one path (ending the last start).
Graphs StartOn(Path path) {
  static bool started = false;
  if (started) EndMediaLibrary();
  started = true;
  gScreenState = ScreenState{};
  ForceHardwareRendering(path == Path::OpenGL ? 1 : 0);
  if (path == Path::Recording) platform::gpu::SetGpuBackend(platform::gpu::BackendKind::Recording);
  StartHeadlessBenchLibrary("player-bench3d-");
  return Graphs{MakeBenchGraph(320, 240, false, Background), MakeBenchGraph(32, 32, true, Sprite)};
}

void TwoThousandSprites(benchmark::State& state) {
  const Graphs g = StartOn(Path::Recording);
  if (IsSoftwareRendering() != 0) {
    state.SkipWithError("the 3D path did not start");
    return;
  }
  for (auto _ : state) {
    platform::gpu::ClearRecordedCalls();
    for (int i = 0; i < 2000; ++i) PutGraph((i * 97) % 620 - 10, (i * 57) % 460 - 10, g.sprite, 1);
    PresentFrame();
  }
  // Frames that fit in the 16 ms budget, at this cost per frame.
  state.counters["frames_per_16ms"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 0.016, benchmark::Counter::kIsRate);
}
BENCHMARK(TwoThousandSprites)->Unit(benchmark::kMillisecond);

void SampleScene(benchmark::State& state, Path path) {
  const Graphs g = StartOn(path);
  if ((IsSoftwareRendering() != 0) != (path == Path::Software)) {
    state.SkipWithError("the wanted path did not start");
    return;
  }
  for (auto _ : state) {
    ClearDrawTarget();
    PutGraphStretched(0, 0, 640, 480, g.background, 0);
    for (int i = 0; i < 200; ++i) PutGraph((i * 97) % 600 - 20, (i * 57) % 440 - 10, g.sprite, 1);
    SetBlendState(1, 128);
    for (int i = 0; i < 20; ++i) PutBox(i * 30, i * 20, i * 30 + 60, i * 20 + 40, PackColor(40, 200, 90), 1);
    SetBlendState(0, 0);
    PresentFrame();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(SampleScene, OpenGLOnMesa, Path::OpenGL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SampleScene, Software, Path::Software)->Unit(benchmark::kMillisecond);

}  // namespace
