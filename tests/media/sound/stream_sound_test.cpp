#include "SoundFixture.h"

namespace {

using soundtest::Bytes;

std::vector<int16_t> Repeat(const std::vector<int16_t>& head, const std::vector<int16_t>& loop, size_t size) {
  std::vector<int16_t> out = head;
  while (out.size() < size) out.insert(out.end(), loop.begin(), loop.end());
  out.resize(size);
  return out;
}

// Mixed output of a 44.1 kHz stereo stream is its data, sample for sample.
class StreamTest : public SoundTest {
 protected:
  int LoadStream(const Bytes& image) {
    SetSoundLoadKind(2);
    const int handle = Load(image);
    SetSoundLoadKind(0);
    return handle;
  }
  int AddSource(int handle, const Bytes& image, int loopCount) {
    return AddWaveMemoryStream(image.data(), static_cast<int>(image.size()), loopCount, handle, 2, -1);
  }
  std::vector<int16_t> StartAndPlay(int handle, int playType, int ms) {
    platform::TakeHeadlessAudio();
    EXPECT_EQ(PlaySoundHandle(handle, playType, 1), 0);
    return Play(ms);
  }
};

TEST_F(StreamTest, AnOggLoopPointReplaysVorbisfilesDecodeFromTheLoopStart) {
  const Bytes ogg = soundtest::EncodeOgg(soundtest::Tone(66150, 2, 44100, 330), 2, 44100);  // 1.5 s
  const int handle = LoadStream(ogg);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(SoundRecordOf(handle)->kind, 1);
  ASSERT_EQ(SetLoopPointMs(500, handle), 0);
  const std::vector<int16_t> played = StartAndPlay(handle, 1, 6000);
  const std::vector<int16_t> expected =
      Repeat(soundtest::DecodeWithVorbisfile(ogg), soundtest::DecodeWithVorbisfile(ogg, 22050), played.size());
  ASSERT_EQ(played.size(), expected.size());
  size_t firstDifference = 0;
  while (firstDifference < played.size() && played[firstDifference] == expected[firstDifference]) ++firstDifference;
  EXPECT_EQ(firstDifference, played.size());
  EXPECT_EQ(IsSoundHandlePlaying(handle), 1);
  // The play position returns to the loop start at each jump.
  const int ms = GetSoundHandlePlayTimeMs(handle);
  EXPECT_GE(ms, 500);
  EXPECT_LE(ms, GetSoundHandleLengthMs(handle));
}

TEST_F(StreamTest, AShortStreamIsWrittenWholeThenSilenceAndStopsPastItsEnd) {
  const std::vector<int16_t> tone = soundtest::Tone(44100, 2, 44100, 500);
  const int handle = LoadStream(soundtest::PcmWave(2, 44100, 16, soundtest::ToBytes(tone)));
  ASSERT_NE(handle, -1);
  const std::vector<int16_t> played = StartAndPlay(handle, 1, 1500);
  std::vector<int16_t> expected = tone;
  expected.resize(played.size(), 0);
  EXPECT_EQ(played, expected);
  EXPECT_EQ(IsSoundHandlePlaying(handle), 0);
  EXPECT_EQ(GetSoundHandlePlayTimeMs(handle), 1000);
}

TEST_F(StreamTest, LoopCountsAndPlayTypeThreeOverTwoSources) {
  const std::vector<int16_t> a = soundtest::Tone(110250, 2, 44100, 300);
  const std::vector<int16_t> b = soundtest::Tone(88200, 2, 44100, 700);
  const Bytes waveA = soundtest::PcmWave(2, 44100, 16, soundtest::ToBytes(a));
  const Bytes waveB = soundtest::PcmWave(2, 44100, 16, soundtest::ToBytes(b));
  {
    SCOPED_TRACE("loop count 2 plays three times");
    const int handle = AddSoundData(-1);
    ASSERT_EQ(AddSource(handle, waveA, 2), 0);
    const std::vector<int16_t> played = StartAndPlay(handle, 1, 8000);
    std::vector<int16_t> expected = Repeat(a, a, a.size() * 3);
    expected.resize(played.size(), 0);
    EXPECT_EQ(played, expected);
    DeleteSoundHandle(handle, 0);
  }
  {
    SCOPED_TRACE("type 3: A, B, A, B");
    const int handle = LoadStream(waveA);
    ASSERT_EQ(AddSource(handle, waveB, 0), 0);
    EXPECT_EQ(GetSoundHandleLengthMs(handle), 4500);
    const std::vector<int16_t> played = StartAndPlay(handle, 3, 6000);
    std::vector<int16_t> ab = a;
    ab.insert(ab.end(), b.begin(), b.end());
    EXPECT_EQ(played, Repeat(ab, ab, played.size()));
    // The play time restarts from 0 at each return to A.
    EXPECT_EQ(GetSoundHandlePlayTimeMs(handle), 6000 - 4500);
    // A third source is taken; a fourth is not, nor one of another format.
    StopSoundHandle(handle);
    ASSERT_EQ(AddSource(handle, waveA, 0), 0);
    EXPECT_EQ(AddSource(handle, waveA, 0), -1);
    EXPECT_TRUE(Logged("ストリーム風サウンドの制御データ領域がいっぱいです"));
    const int other = LoadStream(waveA);
    EXPECT_EQ(
        AddSource(other, soundtest::PcmWave(1, 44100, 16, soundtest::ToBytes(soundtest::Tone(100, 1, 44100, 50))), 0),
        -1);
    EXPECT_TRUE(Logged("フォーマットの違う音声データは同時に使うことは出来ません"));
    // A loop point needs a single source.
    EXPECT_EQ(SetLoopPointMs(10, handle), 0);
    EXPECT_EQ(SoundRecordOf(handle)->sources[0].loopCount, 0);
    EXPECT_TRUE(Logged("二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを指定する事は出来ません"));
    EXPECT_EQ(SetLoopPointMs(10, -1), -1);
  }
}

TEST_F(StreamTest, ALoopPointTurnsAMemorySoundIntoAStreamUnderTheSameHandle) {
  const std::vector<int16_t> tone = soundtest::Tone(22050, 2, 44100, 400);
  const int handle = Load(soundtest::PcmWave(2, 44100, 16, soundtest::ToBytes(tone)));
  ASSERT_NE(handle, -1);
  EXPECT_EQ(SoundRecordOf(handle)->kind, 0);
  EXPECT_EQ(SetLoopPointSamples(22050, handle), -1);
  EXPECT_EQ(SetLoopPointSamples(-1, handle), -1);
  ASSERT_EQ(SetLoopPointSamples(11025, handle), 0);
  ASSERT_NE(SoundRecordOf(handle), nullptr);
  EXPECT_EQ(SoundRecordOf(handle)->kind, 1);
  const std::vector<int16_t> played = StartAndPlay(handle, 1, 2000);
  const std::vector<int16_t> tail(tone.begin() + 11025 * 2, tone.end());
  EXPECT_EQ(played, Repeat(tone, tail, played.size()));
}

TEST_F(StreamTest, SetPlayTimeMovesTheNextPrimeAndRefusesTimesBeyondTheEnd) {
  const std::vector<int16_t> tone = soundtest::Tone(44100, 2, 44100, 400);
  const int handle = LoadStream(soundtest::PcmWave(2, 44100, 16, soundtest::ToBytes(tone)));
  EXPECT_EQ(SetSoundHandlePlayTime(1000, handle), -1);
  EXPECT_EQ(SetSoundHandlePlayTime(-5, handle), -1);
  ASSERT_EQ(SetSoundHandlePlayTime(250, handle), 0);
  platform::TakeHeadlessAudio();
  ASSERT_EQ(PlaySoundHandle(handle, 1, 0), 0);
  const std::vector<int16_t> played = Play(300);
  EXPECT_TRUE(std::equal(played.begin(), played.begin() + 2000, tone.begin() + 11025 * 2));
  EXPECT_EQ(GetSoundHandlePlayTimeMs(handle), 550);
}

TEST_F(StreamTest, TwoStreamsShareOneRing) {
  const Bytes waveA = StereoTone(44100, 300);
  const Bytes waveB = StereoTone(44100, 600);
  SetSoundLoadKind(2);
  const int owner = Load(waveA);
  const int user = LoadSoundFromImage(waveB.data(), static_cast<int>(waveB.size()), 1, owner);
  SetSoundLoadKind(0);
  ASSERT_NE(user, -1);
  EXPECT_EQ(SoundRecordOf(user)->bufferOwner, owner);
  EXPECT_EQ(SoundRecordOf(owner)->bufferUsers, 1);
  EXPECT_EQ(SoundRecordOf(user)->buffers[0].created, 0);
  ASSERT_EQ(PlaySoundHandle(owner, 1, 1), 0);
  Play(100);
  ASSERT_EQ(PlaySoundHandle(user, 1, 1), 0);
  EXPECT_EQ(IsSoundHandlePlaying(owner), 0);
  EXPECT_EQ(IsSoundHandlePlaying(user), 1);
  // The owner's delete waits for its user.
  EXPECT_EQ(DeleteSoundHandle(owner, 0), 0);
  EXPECT_NE(SoundRecordOf(owner), nullptr);
  EXPECT_EQ(SoundRecordOf(owner)->deletePending, 1);
  EXPECT_EQ(DeleteSoundHandle(user, 0), 0);
  EXPECT_EQ(SoundRecordOf(owner), nullptr);
  EXPECT_EQ(gSoundSystem.soundCount, 0);
  EXPECT_EQ(platform::LiveAudioBufferCount(), 1);
}

TEST_F(StreamTest, CompressedStreamsOfEveryKindPlay) {
  const std::vector<int16_t> tone = soundtest::Tone(30000, 2, 44100, 440);
  const Bytes mp3 = soundtest::EncodeMp3(tone, 2, 44100, 128);
  const std::vector<int16_t> decoded = soundtest::DecodeWithMpg123(mp3);
  for (int kind : {1, 2, 3}) {
    SCOPED_TRACE(kind);
    SetSoundLoadKind(kind);
    const int handle = Load(mp3);
    SetSoundLoadKind(0);
    ASSERT_NE(handle, -1);
    const std::vector<int16_t> played = StartAndPlay(handle, 1, 1500);
    std::vector<int16_t> expected = decoded;
    expected.resize(played.size(), 0);
    EXPECT_EQ(played, expected);
    DeleteSoundHandle(handle, 0);
  }
}

}  // namespace
