#include <cmath>

#include "SoundFixture.h"

namespace {

using soundtest::Bytes;

TEST_F(SoundTest, TheOutputFormatFollowsTheDeviceAndTheStartSurvivesSilentBufferFailures) {
  const struct {
    const char* name;
    platform::AudioCaps caps;
    int failCreations, failLocks;
    int channels, rate, bits;
  } cases[] = {
      {"48 kHz stereo 16-bit device", {0xF0F, 100, 48000, 0, 0}, 0, 0, 2, 44100, 16},
      {"22.05 kHz device", {0xF0F, 100, 22050, 0, 0}, 0, 0, 2, 22050, 16},
      {"mono 8-bit device",
       {platform::kAudioPrimaryMono | platform::kAudioPrimary8Bit, 100, 44100, 0, 0},
       0,
       0,
       1,
       44100,
       8},
      {"silent buffer not made", {0xF0F, 100, 44100, 0, 0}, 1, 0, 2, 44100, 16},
      {"silent buffer not locked", {0xF0F, 100, 44100, 0, 0}, 0, 1, 2, 44100, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EndSoundSystem();
    platform::ResetHeadlessAudio();
    platform::SetHeadlessAudioCaps(c.caps);
    platform::FailNextAudioBufferCreations(c.failCreations);
    platform::FailNextAudioBufferLocks(c.failLocks);
    ASSERT_EQ(StartSoundSystem(), 0);
    platform::SetHeadlessAudioCapture(true);
    const platform::PcmFormat f = platform::GetAudioOutputFormat();
    EXPECT_EQ(f.channels, c.channels);
    EXPECT_EQ(f.sampleRate, c.rate);
    EXPECT_EQ(f.bitsPerSample, c.bits);
    EXPECT_EQ(gSoundSystem.silentBuffer.created, c.failCreations + c.failLocks == 0 ? 1 : 0);
    EXPECT_EQ(platform::LiveAudioBufferCount(), gSoundSystem.silentBuffer.created);
  }
  EXPECT_TRUE(Logged("無音バッファのロックに失敗しました"));
  EXPECT_EQ(StartSoundSystem(), -1);
  EXPECT_EQ(EndSoundSystem(), 0);
  EXPECT_EQ(EndSoundSystem(), -1);
  // Everything answers -1 while the layer is off, except the load kind.
  const Bytes wave = StereoTone(100);
  EXPECT_EQ(Load(wave), -1);
  EXPECT_EQ(DeleteAllSoundHandles(0), -1);
  EXPECT_EQ(RefillAllStreams(), -1);
  EXPECT_EQ(PollMidiPlayback(), -1);
  EXPECT_EQ(DeleteAllMidiHandles(), -1);
  EXPECT_EQ(SetSoundLoadKind(2), 0);
  EXPECT_EQ(GetSoundLoadKind(), 2);
  EXPECT_EQ(OnMciNotify(), 0);
  EXPECT_EQ(ReleaseDirectPlayHandle(), 0);
  ASSERT_EQ(StartSoundSystem(), 0);
  EXPECT_EQ(GetSoundLoadKind(), 0);
}

TEST_F(SoundTest, MidiHooksDoNothingWithAnEmptyTable) {
  const Bytes wave = StereoTone(100);
  const int sound = Load(wave);
  ASSERT_NE(sound, -1);
  EXPECT_EQ(PollMidiPlayback(), 0);
  EXPECT_EQ(OnMciNotify(), 0);
  EXPECT_EQ(DeleteAllMidiHandles(), 0);
  EXPECT_EQ(ReleaseDirectPlayHandle(), 0);
  EXPECT_EQ(IsMidiHandlePlaying(sound), -1);  // a sound handle's type bits
  EXPECT_EQ(IsMidiHandlePlaying((kMidiHandleType << 27) | 3), -1);
  EXPECT_EQ(StopMidiHandle((kMidiHandleType << 27)), -1);
  EXPECT_EQ(gSoundSystem.midiCount, 0);
  EXPECT_EQ(gSoundSystem.mciPlaying, 0);
  EXPECT_EQ(IsSoundHandlePlaying(sound), 0);
}

TEST_F(SoundTest, FiveBuffersSoundAtOnceAndTheSixthPlayRestartsTheFirst) {
  const Bytes wave = StereoTone(44100);
  const int sound = Load(wave, 5);
  ASSERT_NE(sound, -1);
  SoundRecord* r = SoundRecordOf(sound);
  ASSERT_EQ(r->bufferCount, 5);
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(PlaySoundHandle(sound, 1, 1), 0);
    Play(100);
  }
  int playing = 0;
  for (int i = 0; i < 5; ++i) playing += platform::IsAudioBufferPlaying(r->buffers[i].buffer);
  EXPECT_EQ(playing, 5);
  // The first play went to buffer 1, 500 ms ago; the sixth restarts it.
  EXPECT_EQ(PcmBufferPlayCursor(&r->buffers[1]), 22050u * 4);
  ASSERT_EQ(PlaySoundHandle(sound, 1, 1), 0);
  EXPECT_EQ(PcmBufferPlayCursor(&r->buffers[1]), 0u);
  // With from-start 0 a playing next buffer is left alone.
  const uint32_t before = PcmBufferPlayCursor(&r->buffers[2]);
  ASSERT_EQ(PlaySoundHandle(sound, 1, 0), 0);
  EXPECT_EQ(PcmBufferPlayCursor(&r->buffers[2]), before);
  // Every buffer playing: no free buffer for a play time.
  EXPECT_EQ(SetSoundHandlePlayTime(10, sound), -1);
  EXPECT_EQ(StopSoundHandle(sound), 0);
  EXPECT_EQ(IsSoundHandlePlaying(sound), 0);
  EXPECT_EQ(SetSoundHandlePlayTime(250, sound), 0);
  EXPECT_EQ(PcmBufferPlayCursor(&r->buffers[0]), 11025u * 4);
  EXPECT_EQ(SetSoundHandlePlayTime(-1, sound), -1);
}

TEST_F(SoundTest, AStoppedSingleBufferSoundResumesWhereItStopped) {
  const int sound = Load(StereoTone(44100));
  ASSERT_EQ(PlaySoundHandle(sound, 1, 1), 0);
  Play(200);
  StopSoundHandle(sound);
  EXPECT_EQ(GetSoundHandlePlayTimeMs(sound), 200);
  Play(200);
  ASSERT_EQ(PlaySoundHandle(sound, 1, 0), 0);
  Play(100);
  EXPECT_EQ(GetSoundHandlePlayTimeMs(sound), 300);
  EXPECT_EQ(GetSoundHandleLengthMs(sound), 1000);
  EXPECT_EQ(GetSoundHandleSampleRate(sound), 44100);
  // A one-shot play ends by itself; a loop goes on.
  Play(800);
  EXPECT_EQ(IsSoundHandlePlaying(sound), 0);
  ASSERT_EQ(PlaySoundHandle(sound, 3, 1), 0);
  Play(1500);
  EXPECT_EQ(IsSoundHandlePlaying(sound), 1);
}

TEST_F(SoundTest, VolumesAndFrequenciesReachTheMixer) {
  // A constant level: the output is the level times the gain of the volume.
  Bytes dc;
  for (int i = 0; i < 44100 * 2; ++i) dc.insert(dc.end(), {0x80, 0x3E});  // 16000
  const Bytes wave = soundtest::PcmWave(2, 44100, 16, dc);
  const struct {
    int volume;
    int level;  // hundredths of a decibel
  } cases[] = {{255, 0}, {300, 0}, {128, -299}, {64, -600}, {1, -2406}, {0, -10000}, {-5, -10000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volume);
    const int sound = Load(wave);
    ASSERT_EQ(SetSoundHandleVolume(c.volume, sound), 0);
    PlaySoundHandle(sound, 1, 1);
    const std::vector<int16_t> out = Play(50);
    ASSERT_GT(out.size(), 1000u);
    const int gain = c.level <= -10000 ? 0 : static_cast<int>(std::lround(std::pow(10.0, c.level / 2000.0) * 65536));
    EXPECT_EQ(out[1000], static_cast<int16_t>(((16000 * gain >> 8) + 128) >> 8));
    DeleteSoundHandle(sound, 0);
  }
  const int sound = Load(wave);
  SoundRecord* r = SoundRecordOf(sound);
  PlaySoundHandle(sound, 1, 1);
  ASSERT_EQ(SetSoundHandleFrequency(22050, sound), 0);
  Play(100);
  EXPECT_EQ(PcmBufferPlayCursor(&r->buffers[0]), 2205u * 4);
  for (int restore : {-1, 0}) {
    SetSoundHandleFrequency(22050, sound);
    ASSERT_EQ(SetSoundHandleFrequency(restore, sound), 0);
    const uint32_t before = PcmBufferPlayCursor(&r->buffers[0]);
    Play(100);
    EXPECT_EQ(PcmBufferPlayCursor(&r->buffers[0]) - before, 4410u * 4);
  }
}

TEST_F(SoundTest, LoadsThatCannotMakeASoundFailWithMinusOne) {
  const Bytes wave = StereoTone(100);
  const Bytes empty = soundtest::PcmWave(2, 44100, 16, {});
  const Bytes garbage(300, 0x41);
  EXPECT_EQ(Load(wave, 11), -1);
  EXPECT_EQ(Load(wave, 0), -1);
  EXPECT_EQ(Load(empty), -1);
  EXPECT_EQ(Load(garbage), -1);
  EXPECT_TRUE(Logged("音声ファイルのＰＣＭへの変換に失敗しました"));
  EXPECT_EQ(gSoundSystem.soundCount, 0);
  EXPECT_EQ(platform::LiveAudioBufferCount(), 1);  // the silent buffer
  EXPECT_EQ(SetSoundLoadKind(4), -1);
  EXPECT_EQ(SetSoundLoadKind(-1), -1);
  EXPECT_EQ(GetSoundLoadKind(), 0);
  // LoadSoundFile caps the buffer count at 10.
  const std::string path = log_->Folder() / "tone.wav";
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(wave.data(), 1, wave.size(), f);
  fclose(f);
  const int sound = LoadSoundFile(path.c_str(), 11, -1);
  ASSERT_NE(sound, -1);
  EXPECT_EQ(SoundRecordOf(sound)->bufferCount, 10);
  EXPECT_EQ(LoadSoundFile((path + ".missing").c_str(), 1, -1), -1);
  EXPECT_TRUE(Logged("右記の音声ファイルのロードに失敗しました_1："));
}

TEST_F(SoundTest, The4097thHandleFailsAndADeletedHandleStaysInvalid) {
  const Bytes wave = soundtest::PcmWave(1, 8000, 8, Bytes(8, 128));
  std::vector<int> handles;
  for (int i = 0; i < kMaxSoundHandles; ++i) {
    handles.push_back(Load(wave));
    ASSERT_NE(handles.back(), -1) << i;
  }
  EXPECT_EQ(Load(wave), -1);
  EXPECT_TRUE(Logged("サウンドの数が許容量を越えました"));
  ASSERT_EQ(DeleteSoundHandle(handles[7], 0), 0);
  EXPECT_EQ(DeleteSoundHandle(handles[7], 0), -1);
  const int again = Load(wave);
  ASSERT_NE(again, -1);
  EXPECT_EQ(again & 0xFFFF, 7);
  EXPECT_NE(again, handles[7]);
  EXPECT_EQ(IsSoundHandlePlaying(handles[7]), -1);
  EXPECT_EQ(PlaySoundHandle(handles[7], 1, 1), -1);
  EXPECT_EQ(IsSoundHandlePlaying(again), 0);
  EXPECT_EQ(IsSoundHandlePlaying(-1), -1);
  EXPECT_EQ(IsSoundHandlePlaying((3 << 27) | (again & 0x07FFFFFF)), -1);
  EXPECT_EQ(DeleteAllSoundHandles(0), 0);
  EXPECT_EQ(gSoundSystem.soundCount, 0);
  EXPECT_EQ(gSoundSystem.soundBound, 0);
}

}  // namespace
