#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/FileLayer.h"
#include "foundation/TrackedHeap.h"
#include "media/image/MovieSystem.h"
#include "media/image/TheoraDecoder.h"
#include "support/MovieFixtures.h"
#include "support/ScratchFolder.h"
#include "support/SoundFixtures.h"

namespace {

using movietest::Rgb;

const std::vector<Rgb> kColours = {{200, 40, 40},  {40, 200, 40},  {40, 40, 200},   {200, 200, 40},
                                   {40, 200, 200}, {200, 40, 200}, {120, 120, 120}, {230, 140, 60},
                                   {60, 140, 230}, {140, 230, 60}, {90, 30, 160},   {30, 160, 90}};

std::string AsString(const movietest::Bytes& b) { return std::string(b.begin(), b.end()); }

class TheoraDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildYuvTables(); }
  void TearDown() override {
    CloseTheoraDecoder(decoder_);
    if (file_ != 0) FileLayerClose(file_);
  }
  TheoraDecoder* Open(const movietest::Bytes& clip) {
    folder_.Write("clip.ogv", AsString(clip));
    file_ = FileLayerOpen("clip.ogv", 0, 0, 0);
    decoder_ = OpenTheoraDecoder(&gFileLayer, file_, 10);
    return decoder_;
  }
  void ExpectShows(const Rgb& c) {
    GraphImage* image = GetTheoraFrameImage(decoder_);
    const uint8_t* p = image->pixels + static_cast<size_t>(image->height / 2) * image->pitch + image->width / 2 * 4;
    EXPECT_NEAR(p[2], c.red, 2);
    EXPECT_NEAR(p[1], c.green, 2);
    EXPECT_NEAR(p[0], c.blue, 2);
  }

  ScratchFolder folder_{true};
  FileHandle file_ = 0;
  TheoraDecoder* decoder_ = nullptr;
};

movietest::Bytes Clip(const std::vector<Rgb>& colours, int keyframeInterval = 4) {
  movietest::ClipSpec spec;
  spec.frames = colours;
  spec.keyframeInterval = keyframeInterval;
  return movietest::EncodeTheoraClip(spec);
}

TEST(YuvTables, EndsAndClamp) {
  BuildYuvTables();
  EXPECT_EQ(gYuvTables.yTerm[16], 0);
  EXPECT_EQ(gYuvTables.yTerm[235], 19070 * 219);
  EXPECT_EQ(gYuvTables.clamp[-1 + 512], 0);
  EXPECT_EQ(gYuvTables.clamp[300 + 512], 255);
  EXPECT_EQ(gYuvTables.clamp[0], 0);
  EXPECT_EQ(gYuvTables.clamp[1279], 255);
}

TEST(YuvTables, ConversionOfEachLayout) {
  BuildYuvTables();
  // 4:2:0 white: 4176330 / 16384 truncates to 254.
  {
    const uint8_t y[4] = {235, 235, 235, 235}, u[1] = {128}, v[1] = {128};
    const uint8_t* const planes[3] = {y, u, v};
    GraphImage image{};
    AllocXRGB8GraphImage(2, 2, &image);
    ConvertYuvToXrgb(planes, 2, 2, 2, 1, 1, 1, &image);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(image.pixels[i * 4 + 0], 254);
      EXPECT_EQ(image.pixels[i * 4 + 1], 254);
      EXPECT_EQ(image.pixels[i * 4 + 2], 254);
      EXPECT_EQ(image.pixels[i * 4 + 3], 255);
    }
    FreeGraphImage(&image);
  }
  // 4:2:0 at the ends of every range, on an odd width whose last pixel has a
  // chroma sample of its own: each channel is the table sum, truncated and clamped.
  for (int u = 0; u <= 255; u += 51) {
    for (int v = 0; v <= 255; v += 51) {
      SCOPED_TRACE(testing::Message() << "u " << u << " v " << v);
      const uint8_t y[3] = {0, 128, 255}, us[2] = {static_cast<uint8_t>(u), 128},
                    vs[2] = {static_cast<uint8_t>(v), 128};
      const uint8_t* const planes[3] = {y, us, vs};
      GraphImage image{};
      AllocXRGB8GraphImage(3, 1, &image);
      ConvertYuvToXrgb(planes, 3, 1, 3, 2, 1, 2, &image);
      const YuvTables& t = gYuvTables;
      auto channel = [&](int sum) { return std::clamp(sum / 16384, 0, 255); };
      for (int x = 0; x < 3; ++x) {
        const int yt = t.yTerm[y[x]], cu = us[x / 2], cv = vs[x / 2];
        EXPECT_EQ(image.pixels[x * 4 + 0], channel(yt + t.uToBlue[cu]));
        EXPECT_EQ(image.pixels[x * 4 + 1], channel(yt + t.uToGreen[cu] + t.vToGreen[cv]));
        EXPECT_EQ(image.pixels[x * 4 + 2], channel(yt + t.vToRed[cv]));
        EXPECT_EQ(image.pixels[x * 4 + 3], 255);
      }
      FreeGraphImage(&image);
    }
  }
  // 4:4:4 and 4:2:2 take each pixel's own chroma column: full red in the
  // last column only.
  struct Case {
    const char* name;
    int uvWidth;
  };
  for (const Case& c : {Case{"4:4:4", 4}, Case{"4:2:2", 2}}) {
    SCOPED_TRACE(c.name);
    const uint8_t y[4] = {81, 81, 81, 81};
    uint8_t u[4] = {128, 128, 128, 128}, v[4] = {128, 128, 128, 128};
    u[c.uvWidth - 1] = 90;
    v[c.uvWidth - 1] = 240;
    const uint8_t* const planes[3] = {y, u, v};
    GraphImage image{};
    AllocXRGB8GraphImage(4, 1, &image);
    ConvertYuvToXrgb(planes, 4, 1, 4, c.uvWidth, 1, c.uvWidth, &image);
    EXPECT_EQ(image.pixels[0 * 4 + 2], image.pixels[0 * 4 + 1]);  // grey at the left
    EXPECT_GT(image.pixels[3 * 4 + 2], 200);                      // red at the right
    EXPECT_LT(image.pixels[3 * 4 + 1], 60);
    FreeGraphImage(&image);
  }
}

TEST_F(TheoraDecoderTest, FramesFollowOpenAdvanceAndWrap) {
  ASSERT_NE(Open(Clip(kColours)), nullptr);
  TheoraInfo info{};
  QueryTheoraInfo(decoder_, &info);
  EXPECT_NEAR(info.frameRate, 29.97, 0.005);
  EXPECT_EQ(info.frameCount, 12);
  EXPECT_EQ(info.width, 64);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder_), 0);
  ExpectShows(kColours[0]);
  // Nothing new to deliver until the frame changes.
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 1), 0);
  struct Step {
    int advance, frame;
  };
  for (const Step& s : {Step{1, 1}, Step{5, 6}, Step{3, 9}, Step{7, 4}, Step{20, 0}, Step{11, 11}, Step{1, 0}}) {
    SCOPED_TRACE(s.frame);
    AdvanceTheoraFrames(decoder_, s.advance);
    EXPECT_EQ(GetTheoraCurrentFrame(decoder_), s.frame);
    EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
    ExpectShows(kColours[s.frame]);
  }
}

// A frame the decode thread has stocked is fetched even while the decoder's
// lock is held elsewhere (a decode thread preempted inside it must not hold
// up a player's frame).
TEST_F(TheoraDecoderTest, AStockedFrameIsFetchedWithoutTheLock) {
  ASSERT_NE(Open(Clip(kColours)), nullptr);
  AdvanceTheoraFrames(decoder_, 1);
  auto stocked = [this](int frame) {
    for (int i = 0; i < decoder_->stockCount; ++i) {
      const TheoraStockEntry& e = decoder_->stock[i];
      if (e.valid.load() && e.frame.load() == frame) return true;
    }
    return false;
  };
  for (int i = 0; i < 10000 && !stocked(1); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(stocked(1));

  std::atomic<bool> locked{false}, fetched{false}, gaveUp{false};
  std::thread holder([&] {
    std::lock_guard<std::mutex> guard(decoder_->lock);
    locked = true;
    // Bounded, so a fetch that does wait for the lock fails instead of hanging.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fetched && std::chrono::steady_clock::now() < until) std::this_thread::yield();
    gaveUp = !fetched;
  });
  while (!locked) std::this_thread::yield();
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
  fetched = true;
  holder.join();
  EXPECT_FALSE(gaveUp);
  ExpectShows(kColours[1]);
}

TEST_F(TheoraDecoderTest, AdvanceWrapsAndSeeksStayInside) {
  std::vector<Rgb> colours;
  for (int i = 0; i < 100; ++i) colours.push_back({(i * 37) % 160 + 50, (i * 71) % 160 + 50, (i * 13) % 160 + 50});
  ASSERT_NE(Open(Clip(colours, 16)), nullptr);
  SeekTheoraFrame(decoder_, 98);
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
  ExpectShows(colours[98]);
  AdvanceTheoraFrames(decoder_, 3);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder_), 1);
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
  ExpectShows(colours[1]);
  SeekTheoraFrame(decoder_, -5);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder_), 0);
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
  ExpectShows(colours[0]);
  // Seeking to the current frame changes nothing: the image stays done.
  SeekTheoraFrame(decoder_, 0);
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 0);
  SeekTheoraFrame(decoder_, 5000);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder_), 99);
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
  ExpectShows(colours[99]);
  AdvanceTheoraFrames(decoder_, 0);
  AdvanceTheoraFrames(decoder_, -4);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder_), 99);
}

// A paused movie shows only its first frame: opening decodes and stocks that
// frame alone, and the stock fills ahead only once the player advances.
TEST_F(TheoraDecoderTest, OpenStocksOnlyTheFirstFrameUntilTheMovieAdvances) {
  ASSERT_NE(Open(Clip(kColours)), nullptr);
  // Read under the lock with nothing asked of the thread since, the waiting
  // state means the thread is idle: it leaves that state only under the lock.
  int valid = 0, buffers = 0;
  auto idleStock = [&] {
    for (int i = 0; i < 10000; ++i) {
      {
        std::lock_guard<std::mutex> guard(decoder_->lock);
        if (decoder_->state.load() == kTheoraWaiting && decoder_->seekRequest.load() == 0) {
          valid = buffers = 0;
          for (int k = 0; k < decoder_->stockCount; ++k) {
            valid += decoder_->stock[k].valid.load();
            buffers += decoder_->stock[k].planes[0] != nullptr;
          }
          return true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  };
  ASSERT_TRUE(idleStock());
  EXPECT_EQ(valid, 1);
  EXPECT_EQ(buffers, 1);
  ExpectShows(kColours[0]);

  AdvanceTheoraFrames(decoder_, 1);
  auto full = [this] {
    for (int k = 0; k < decoder_->stockCount; ++k)
      if (!decoder_->stock[k].valid.load()) return false;
    return true;
  };
  for (int i = 0; i < 10000 && !full(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(full());
  EXPECT_EQ(FetchTheoraFrame(decoder_, 1, 0), 1);
  ExpectShows(kColours[1]);
}

TEST_F(TheoraDecoderTest, NonTheoraFilesOpenNothingAndLeaveNoThread) {
  const int threads = GetTheoraThreadCount(), blocks = TrackedBlockCount();
  const auto tone = soundtest::Tone(4410, 2, 44100, 440);
  struct Case {
    const char* name;
    movietest::Bytes bytes;
  };
  movietest::Bytes truncated = Clip(kColours);
  truncated.resize(200);
  for (const Case& c :
       {Case{"vorbis only", soundtest::EncodeOgg(tone, 2, 44100)}, Case{"not ogg", {'R', 'I', 'F', 'F', 0, 0}},
        Case{"headers cut", truncated}, Case{"empty", {}}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Open(c.bytes), nullptr);
    EXPECT_EQ(GetTheoraThreadCount(), threads);
    FileLayerClose(file_);
    file_ = 0;
  }
  EXPECT_EQ(OpenTheoraDecoder(&gFileLayer, 0, 10), nullptr);
  EXPECT_EQ(TrackedBlockCount(), blocks);
}

TEST_F(TheoraDecoderTest, CloseJoinsTheThreadAndFreesEverything) {
  const int threads = GetTheoraThreadCount(), blocks = TrackedBlockCount();
  ASSERT_NE(Open(Clip(kColours)), nullptr);
  EXPECT_EQ(GetTheoraThreadCount(), threads + 1);
  AdvanceTheoraFrames(decoder_, 2);
  CloseTheoraDecoder(decoder_);
  decoder_ = nullptr;
  EXPECT_EQ(GetTheoraThreadCount(), threads);
  FileLayerClose(file_);
  file_ = 0;
  EXPECT_EQ(TrackedBlockCount(), blocks);
}

}  // namespace
