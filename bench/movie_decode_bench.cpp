// 300 frames of a 640 x 480 Theora clip (made by the tests' encoder) through
// the movie decoder's thread and FetchTheoraFrame to XRGB, beside libtheora's
// own decode loop over the same packets with the same YUV-to-XRGB step. The
// slowest frame of the decoder's run is reported as max_frame_ms.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
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
    for (int i = 0; i < kFrames; ++i) spec.frames.push_back({(i * 37) % 200 + 30, (i * 71) % 200 + 30, (i * 13) % 200 + 30});
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

void BM_MovieDecoder(benchmark::State& state) {
  const FileHandle file = FileLayerOpen(ClipPath().c_str(), 0, 0, 0);
  TheoraDecoder* decoder = OpenTheoraDecoder(&gFileLayer, file, 10);
  if (decoder == nullptr) {
    state.SkipWithError("the clip did not open");
    return;
  }
  double slowest = 0;
  for (auto _ : state) {
    for (int i = 0; i < kFrames; ++i) {
      const auto start = std::chrono::steady_clock::now();
      AdvanceTheoraFrames(decoder, 1);
      benchmark::DoNotOptimize(FetchTheoraFrame(decoder, 1, 0));
      slowest = std::max(slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
  }
  state.counters["max_frame_ms"] = slowest;
  state.SetItemsProcessed(state.iterations() * kFrames);
  CloseTheoraDecoder(decoder);
  FileLayerClose(file);
}
BENCHMARK(BM_MovieDecoder)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibtheoraLoop(benchmark::State& state) {
  std::vector<uint8_t> bytes(std::filesystem::file_size(ClipPath()));
  FILE* in = std::fopen(ClipPath().c_str(), "rb");
  if (std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) state.SkipWithError("short read");
  std::fclose(in);
  for (auto _ : state) {
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
    benchmark::DoNotOptimize(frames);
    FreeGraphImage(&image);
    th_decode_free(context);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
    ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_LibtheoraLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
