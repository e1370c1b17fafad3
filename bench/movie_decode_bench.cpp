// 300 frames of a 640 x 480 Theora clip (made by the tests' encoder) through
// the movie decoder's thread and FetchTheoraFrame to XRGB, beside libtheora's
// own decode loop over the same file with the same YUV-to-XRGB step.
//
// The two do the same work per iteration: open the clip file, take each of
// its 300 frames once as XRGB, close it. Their times are the process's CPU
// time, so the decoder's second thread counts as much as the main thread's
// work and a second core gives it no edge; the ratio of the two CPU columns
// is the decoder's cost against the plain loop. The decoder keeps decoding
// ahead of the frame asked for, across the clip's loop point too, so it may
// decode a few frames beyond the 300 before it is closed. max_back_to_back_ms
// is the longest advance and fetch when frames are asked for back to back
// (the fetches then wait for the decode thread by design).
//
// The frame budget is measured as a player meets it: a 60 frames/s loop
// showing the clip at its own frame rate, advancing to the frame the movie's
// clock has reached and fetching it. No advance and fetch may take longer
// than the 16 ms of one player frame (max_fetch_ms). What says the decoder
// kept up: not_decoded_yet (fetches whose frame the decode thread had not
// stocked yet) and max_fetch_cpu_ms (the fetch's own work); late_wakeups
// counts player frames the loaded machine woke more than a frame late for.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include "foundation/FileLayer.h"
#include "media/image/MovieSystem.h"
#include "media/image/TheoraDecoder.h"
#include "support/MovieFixtures.h"

namespace {

constexpr int kFrames = 300;

const std::filesystem::path& ClipPath() {
  static const std::filesystem::path path = [] {
    movietest::ClipSpec spec;
    spec.width = 640;
    spec.height = 480;
    spec.keyframeInterval = 30;
    for (int i = 0; i < kFrames; ++i)
      spec.frames.push_back({(i * 37) % 200 + 30, (i * 71) % 200 + 30, (i * 13) % 200 + 30});
    const movietest::Bytes clip = movietest::EncodeTheoraClip(spec);
    auto p = std::filesystem::temp_directory_path() / "movie_decode_bench.ogv";
    FILE* out = std::fopen(p.c_str(), "wb");
    std::fwrite(clip.data(), 1, clip.size(), out);
    std::fclose(out);
    BuildYuvTables();
    return p;
  }();
  return path;
}

// Said in the output beside both throughput figures.
constexpr const char* kSameWork = "process CPU; per iteration: open the file, 300 frames to XRGB, close";

void BM_MovieDecoder(benchmark::State& state) {
  const std::filesystem::path& clip = ClipPath();  // made before the timing starts
  double slowest = 0;
  for (auto _ : state) {
    const FileHandle file = FileLayerOpen(clip.c_str(), 0, 0, 0);
    TheoraDecoder* decoder = OpenTheoraDecoder(&gFileLayer, file, 10);
    if (decoder == nullptr) {
      state.SkipWithError("the clip did not open");
      FileLayerClose(file);
      break;
    }
    // The decoder opens on frame 0.
    for (int i = 0; i < kFrames; ++i) {
      const auto start = std::chrono::steady_clock::now();
      if (i > 0) AdvanceTheoraFrames(decoder, 1);
      benchmark::DoNotOptimize(FetchTheoraFrame(decoder, 1, 0));
      slowest = std::max(slowest,
                         std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    CloseTheoraDecoder(decoder);
    FileLayerClose(file);
  }
  state.counters["max_back_to_back_ms"] = slowest;
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.SetLabel(kSameWork);
}
BENCHMARK(BM_MovieDecoder)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Whether the decode thread has the frame in its stock already (the fetch
// then only converts it).
// CPU time of the calling thread: a fetch whose wall time is far above it
// was preempted by the machine's load, not kept waiting by the decoder.
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

bool InStock(TheoraDecoder* decoder, int frame) {
  for (int i = 0; i < decoder->stockCount; ++i) {
    const TheoraStockEntry& e = decoder->stock[i];
    if (e.valid.load(std::memory_order_acquire) && e.frame.load(std::memory_order_relaxed) == frame) return true;
  }
  return false;
}

void BM_MoviePlaybackAt60(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr double kPlayerRate = 60.0;
  constexpr double kBudgetMs = 16.0;
  const FileHandle file = FileLayerOpen(ClipPath().c_str(), 0, 0, 0);
  TheoraDecoder* decoder = OpenTheoraDecoder(&gFileLayer, file, 10);
  if (decoder == nullptr) {
    state.SkipWithError("the clip did not open");
    return;
  }
  TheoraInfo info{};
  QueryTheoraInfo(decoder, &info);
  const auto playerFrames =
      static_cast<int64_t>(std::ceil(static_cast<double>(info.frameCount) / info.frameRate * kPlayerRate));
  std::vector<double> times;
  int64_t lateWakeups = 0;
  int64_t notDecodedYet = 0;
  double maxCpuMs = 0;
  int64_t shown = 0;  // the decoder opens on frame 0
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    for (int64_t f = 1; f <= playerFrames; ++f) {
      const Clock::time_point tick =
          start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(f / kPlayerRate));
      std::this_thread::sleep_until(tick);
      const Clock::time_point begin = Clock::now();
      const double cpuBegin = ThreadCpuMs();
      if (begin - tick > std::chrono::duration<double, std::milli>(kBudgetMs)) ++lateWakeups;
      // The frame the movie's clock has reached, wrapping at the end as the decoder does.
      const int64_t due = static_cast<int64_t>(std::floor(f / kPlayerRate * info.frameRate)) % info.frameCount;
      if (due == shown) continue;
      AdvanceTheoraFrames(decoder, static_cast<int>((due - shown + info.frameCount) % info.frameCount));
      shown = due;
      if (!InStock(decoder, static_cast<int>(due))) ++notDecodedYet;
      benchmark::DoNotOptimize(FetchTheoraFrame(decoder, 1, 0));
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
      maxCpuMs = std::max(maxCpuMs, ThreadCpuMs() - cpuBegin);
    }
  }
  std::sort(times.begin(), times.end());
  const auto at = [&times](double q) {
    return times.empty()
               ? 0.0
               : times[std::min(times.size() - 1, static_cast<size_t>(q * static_cast<double>(times.size())))];
  };
  state.counters["fetches"] = static_cast<double>(times.size());
  state.counters["median_fetch_ms"] = at(0.5);
  state.counters["p99_fetch_ms"] = at(0.99);
  state.counters["max_fetch_ms"] = times.empty() ? 0.0 : times.back();
  state.counters["over_budget"] =
      static_cast<double>(std::count_if(times.begin(), times.end(), [](double t) { return t > kBudgetMs; }));
  state.counters["late_wakeups"] = static_cast<double>(lateWakeups);
  state.counters["not_decoded_yet"] = static_cast<double>(notDecodedYet);
  state.counters["max_fetch_cpu_ms"] = maxCpuMs;
  CloseTheoraDecoder(decoder);
  FileLayerClose(file);
}
// One pass over the clip at its frame rate takes its running time (about ten seconds).
BENCHMARK(BM_MoviePlaybackAt60)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_LibtheoraLoop(benchmark::State& state) {
  const std::filesystem::path& clip = ClipPath();
  std::vector<uint8_t> bytes(std::filesystem::file_size(clip));
  for (auto _ : state) {
    FILE* in = std::fopen(clip.c_str(), "rb");
    const bool whole = in != nullptr && std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
    if (in != nullptr) std::fclose(in);
    if (!whole) {
      state.SkipWithError("short read");
      break;
    }
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_stream_state stream;
    ogg_page page;
    ogg_packet packet;
    th_info info;
    th_comment comment;
    th_setup_info* setup = nullptr;
    th_info_init(&info);
    th_comment_init(&comment);
    ogg_sync_pageout(&sync, &page);
    ogg_stream_init(&stream, ogg_page_serialno(&page));
    ogg_stream_pagein(&stream, &page);
    th_dec_ctx* context = nullptr;
    GraphImage image{};
    int frames = 0;
    for (;;) {
      if (ogg_stream_packetout(&stream, &packet) != 1) {
        if (ogg_sync_pageout(&sync, &page) != 1) break;
        ogg_stream_pagein(&stream, &page);
        continue;
      }
      if (context == nullptr) {
        if (th_decode_headerin(&info, &comment, &setup, &packet) > 0) continue;
        context = th_decode_alloc(&info, setup);
        AllocXRGB8GraphImage(static_cast<int>(info.frame_width), static_cast<int>(info.frame_height), &image);
      }
      ogg_int64_t granule = 0;
      th_decode_packetin(context, &packet, &granule);
      th_ycbcr_buffer yuv;
      th_decode_ycbcr_out(context, yuv);
      const uint8_t* const planes[3] = {yuv[0].data, yuv[1].data, yuv[2].data};
      ConvertYuvToXrgb(planes, yuv[0].width, yuv[0].height, yuv[0].stride, yuv[1].width, yuv[1].height, yuv[1].stride,
                       &image);
      ++frames;
    }
    if (frames != kFrames) state.SkipWithError("the loop did not take the clip's 300 frames");
    FreeGraphImage(&image);
    th_decode_free(context);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
    ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.SetLabel(kSameWork);
}
BENCHMARK(BM_LibtheoraLoop)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
