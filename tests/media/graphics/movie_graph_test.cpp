#include "GraphicsFixture.h"

#include <filesystem>
#include <fstream>

#include "foundation/TrackedHeap.h"
#include "media/image/MovieSystem.h"
#include "media/image/TheoraDecoder.h"
#include "media/sound/SoundSystem.h"
#include "support/MovieFixtures.h"
#include "support/SoundFixtures.h"

namespace {

using movietest::Rgb;

const std::vector<Rgb> kColours = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {200, 200, 40}};

void WriteFile(const std::filesystem::path& path, const movietest::Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

movietest::Bytes Clip(bool withSound = false) {
  movietest::ClipSpec spec;
  spec.width = 32;
  spec.height = 16;
  spec.frames = kColours;
  if (withSound) spec.vorbis = soundtest::EncodeOgg(soundtest::Tone(22050, 2, 44100, 440), 2, 44100);
  return movietest::EncodeTheoraClip(spec);
}

int gCalls = 0;
MovieFrameCallback gCopier = nullptr;
int CountingCopier(MovieRecord* movie, void* user) {
  ++gCalls;
  return gCopier(movie, user);
}

class MovieGraphTest : public GraphicsTest {
 protected:
  void ExpectBackColour(const Rgb& c) {
    const uint32_t p = BackPixel(8, 8);
    EXPECT_NEAR(static_cast<int>(p >> 16 & 0xFF), c.red, 2);
    EXPECT_NEAR(static_cast<int>(p >> 8 & 0xFF), c.green, 2);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), c.blue, 2);
  }
};

TEST_F(MovieGraphTest, AMovieGraphShowsTheSameFrameAndRunsItsCallbackOnEveryDraw) {
  StartGraphicsAt(32);
  WriteFile("clip.ogv", Clip());
  const int graph = ReadImageFileToGraph("clip.ogv", 1, 0, 0);
  ASSERT_GE(graph, 0);
  int width = 0, height = 0;
  QueryGraphSize(graph, &width, &height);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 16);
  MovieRecord* movie = GetMovieRecord(GetGraphRecord(graph)->movie);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(movie->theora, 1);
  EXPECT_EQ(movie->paused, 1);
  gCopier = movie->callback;
  gCalls = 0;
  SetMovieFrameCallback(GetGraphRecord(graph)->movie, CountingCopier, movie->callbackUser);
  for (int draw = 1; draw <= 3; ++draw) {
    ClearDrawTarget();
    ASSERT_EQ(PutGraph(0, 0, graph, 0), 0);
    EXPECT_EQ(gCalls, draw);
    ExpectBackColour(kColours[0]);
  }
  EXPECT_EQ(GetTheoraCurrentFrame(movie->decoder), 0);
  EXPECT_EQ(ReleaseGraph(graph, 0), 0);
  EXPECT_EQ(gMovieTable.count, 0);
}

TEST_F(MovieGraphTest, TheSoundTrackIsAStreamSoundDeletedWithTheMovie) {
  StartGraphicsAt(32);
  const movietest::Bytes clip = Clip(true);
  WriteFile("clip.ogv", clip);
  const int threads = GetTheoraThreadCount(), blocks = TrackedBlockCount();
  int width = 0, height = 0;
  const int movie = OpenMovie("clip.ogv", &width, &height, 0);
  ASSERT_GE(movie, 0);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(GetTheoraThreadCount(), threads + 1);
  MovieRecord* m = GetMovieRecord(movie);
  ASSERT_GE(m->soundTrack, 0);
  // The track reads as the same Vorbis file on its own does.
  WriteFile("tone.ogg", soundtest::EncodeOgg(soundtest::Tone(22050, 2, 44100, 440), 2, 44100));
  SetSoundLoadKind(3);
  const int alone = LoadSoundFile("tone.ogg", 1, -1);
  SetSoundLoadKind(0);
  ASSERT_GE(alone, 0);
  EXPECT_EQ(GetSoundHandleLengthMs(m->soundTrack), GetSoundHandleLengthMs(alone));
  EXPECT_EQ(GetSoundHandleSampleRate(m->soundTrack), 44100);
  EXPECT_EQ(static_cast<int>(soundtest::DecodeWithVorbisfile(clip).size()), 22050 * 2);
  DeleteSoundHandle(alone);
  EXPECT_EQ(gMovieTrackFlag, 0);
  const int track = m->soundTrack;
  EXPECT_EQ(DeleteMovieHandle(movie), 0);
  EXPECT_EQ(DeleteSoundHandle(track), -1);
  EXPECT_EQ(DeleteMovieHandle(movie), -1);
  EXPECT_EQ(GetTheoraThreadCount(), threads);
  EXPECT_EQ(TrackedBlockCount(), blocks);
}

TEST_F(MovieGraphTest, FilesNoDecoderTakesFailAtTheFilterGraph) {
  StartGraphicsAt(32);
  WriteFile("clip.mpg", {'R', 'I', 'F', 'F', 1, 2, 3, 4, 5, 6, 7, 8});
  const int blocks = TrackedBlockCount();
  EXPECT_EQ(OpenMovie("clip.mpg", nullptr, nullptr, 0), -1);
  EXPECT_EQ(OpenMovie("missing.mpg", nullptr, nullptr, 0), -1);
  EXPECT_EQ(TrackedBlockCount(), blocks);
  EXPECT_EQ(gMovieTable.count, 0);
  const std::string log = ReadLog();
  const std::string line = Sjis("CLSID_FilterGraph の作成に失敗しました\r\n");
  ASSERT_NE(log.find(line), std::string::npos);
  EXPECT_NE(log.find(Sjis("ムービーファイルオープン処理時にエラーが発生しました"), log.find(line)), std::string::npos);
  EXPECT_EQ(ReadImageFileToGraph("clip.mpg", 1, 0, 0), -1);
}

TEST_F(MovieGraphTest, TheHundredAndFirstMovieIsRefused) {
  StartGraphicsAt(32);
  WriteFile("clip.ogv", Clip());
  const int threads = GetTheoraThreadCount();
  std::vector<int> movies;
  for (int i = 0; i < kMovieSlots; ++i) {
    movies.push_back(OpenMovie("clip.ogv", nullptr, nullptr, 0));
    ASSERT_GE(movies.back(), 0);
  }
  EXPECT_EQ(OpenMovie("clip.ogv", nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetTheoraThreadCount(), threads + kMovieSlots);
  EXPECT_EQ(DeleteMovieHandle(movies[5]), 0);
  // A freed slot is taken again with a new check number.
  const int again = OpenMovie("clip.ogv", nullptr, nullptr, 0);
  EXPECT_EQ(again & 0xFFFF, 5);
  EXPECT_NE(again, movies[5]);
  EXPECT_EQ(GetMovieRecord(movies[5]), nullptr);
  movies[5] = again;
  for (int movie : movies) EXPECT_EQ(DeleteMovieHandle(movie), 0);
  EXPECT_EQ(GetTheoraThreadCount(), threads);
  EXPECT_EQ(gMovieTable.count, 0);
}

}  // namespace
