#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/Backend.h"
#include "platform/audio/Audio.h"
#include "platform/midi/Midi.h"
#include "platform/time/Time.h"
#include "support/SoundFixtures.h"

namespace {

using platform::PcmFormat;

class HeadlessMixer : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetBackend(platform::Backend::Headless);
    platform::SetVirtualClock(1000);
    platform::ResetHeadlessAudio();
    ASSERT_TRUE(platform::StartAudio());
    platform::SetHeadlessAudioCapture(true);
  }
  void TearDown() override {
    platform::EndMidi();
    platform::EndAudio();
    platform::ResetHeadlessAudio();
  }
  // Mixes `ms` of output and hands it over.
  std::vector<int16_t> Run(uint32_t ms) {
    platform::AdvanceVirtualClock(ms);
    return platform::TakeHeadlessAudio();
  }
};

// A voice as the reference sees it: its data widened to 16 bits.
struct RefVoice {
  std::vector<int32_t> samples;  // interleaved
  int channels;
  uint32_t rate;
  int volume = 0;
  int pan = 0;
  bool looping = false;
  uint64_t position = 0;
  bool playing = true;
};

// The documented mixing rule in floating point.
std::vector<int16_t> ReferenceMix(std::vector<RefVoice> voices, int frames) {
  std::vector<double> sum(2 * static_cast<size_t>(frames), 0.0);
  for (RefVoice& v : voices) {
    const uint32_t count = static_cast<uint32_t>(v.samples.size() / v.channels);
    const uint64_t step = (static_cast<uint64_t>(v.rate) << 32) / 44100;
    const uint64_t end = static_cast<uint64_t>(count) << 32;
    const double g = v.volume <= -10000 ? 0.0 : std::pow(10.0, v.volume / 2000.0);
    const double gain[2] = {g * (v.pan > 0 ? std::pow(10.0, -v.pan / 2000.0) : 1.0),
                            g * (v.pan < 0 ? std::pow(10.0, v.pan / 2000.0) : 1.0)};
    for (int i = 0; i < frames && v.playing; ++i) {
      if (v.position >= end) {
        if (!v.looping) break;
        v.position %= end;
      }
      const uint32_t index = static_cast<uint32_t>(v.position >> 32);
      uint32_t next = index + 1;
      if (next >= count) next = v.looping ? 0 : index;
      const double f = static_cast<double>((v.position >> 17) & 0x7FFF) / 32768.0;
      for (int c = 0; c < 2; ++c) {
        const int ch = v.channels == 2 ? c : 0;
        const double a = v.samples[index * v.channels + ch], b = v.samples[next * v.channels + ch];
        sum[2 * i + c] += (a + (b - a) * f) * gain[c];
      }
      v.position += step;
    }
  }
  std::vector<int16_t> out(sum.size());
  for (size_t i = 0; i < sum.size(); ++i)
    out[i] = static_cast<int16_t>(std::clamp(std::lround(sum[i]), -32768L, 32767L));
  return out;
}

int MakeBuffer(const PcmFormat& format, const std::vector<int16_t>& tone, RefVoice* ref) {
  const int frames = static_cast<int>(tone.size() / format.channels);
  const int id = platform::CreateAudioBuffer(format, static_cast<uint32_t>(frames * format.BlockAlign()));
  platform::AudioLock lock;
  EXPECT_TRUE(platform::LockAudioBuffer(id, 0, static_cast<uint32_t>(frames * format.BlockAlign()), &lock));
  ref->samples.clear();
  for (size_t i = 0; i < tone.size(); ++i) {
    if (format.bitsPerSample == 8) {
      const uint8_t u = static_cast<uint8_t>((tone[i] >> 8) + 128);
      lock.first[i] = u;
      ref->samples.push_back((u - 128) << 8);
    } else {
      std::memcpy(lock.first + 2 * i, &tone[i], 2);
      ref->samples.push_back(tone[i]);
    }
  }
  EXPECT_TRUE(platform::UnlockAudioBuffer(id, lock));
  ref->channels = format.channels;
  ref->rate = static_cast<uint32_t>(format.sampleRate);
  return id;
}

TEST_F(HeadlessMixer, MixesEqualAFloatMixOfTheDocumentedRule) {
  struct Voice {
    int bits, channels, rate, frames;
    uint32_t frequency;
    int volume, pan;
    bool looping;
    bool duplicate;  // a second voice sharing the data, at 3/4 of the rate and -6 dB
  };
  struct Case {
    const char* name;
    std::vector<Voice> voices;
  };
  const Case cases[] = {
      {"16-bit stereo at the mix rate", {{16, 2, 44100, 8000, 0, 0, 0, false, false}}},
      {"8-bit mono resampled", {{8, 1, 22050, 3000, 0, -600, 0, false, false}}},
      {"16-bit mono at a set frequency and pan", {{16, 1, 44100, 6000, 32000, -300, 2000, false, false}}},
      {"one-shot end inside the mix", {{16, 2, 48000, 1500, 0, 0, -1500, false, false}}},
      {"looping short buffer", {{16, 1, 11025, 700, 0, -100, 0, true, false}}},
      {"duplicates and a loud sum that clamps",
       {{16, 2, 44100, 5000, 0, 0, 0, true, true}, {16, 1, 8000, 900, 0, 0, 0, true, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    std::vector<RefVoice> refs;
    std::vector<int> ids;
    for (const Voice& v : c.voices) {
      const PcmFormat format{v.channels, v.rate, v.bits};
      RefVoice ref;
      const int id = MakeBuffer(format, soundtest::Tone(v.frames, v.channels, v.rate, 440, 20000), &ref);
      ASSERT_GE(id, 0);
      platform::SetAudioBufferFrequency(id, v.frequency);
      platform::SetAudioBufferVolume(id, v.volume);
      platform::SetAudioBufferPan(id, v.pan);
      ref.rate = v.frequency ? v.frequency : static_cast<uint32_t>(v.rate);
      ref.volume = v.volume;
      ref.pan = v.pan;
      ref.looping = v.looping;
      ids.push_back(id);
      refs.push_back(ref);
      if (v.duplicate) {
        const int dup = platform::DuplicateAudioBuffer(id);
        ASSERT_GE(dup, 0);
        RefVoice second = ref;
        second.rate = ref.rate * 3 / 4;
        second.volume = -600;
        platform::SetAudioBufferFrequency(dup, second.rate);
        platform::SetAudioBufferVolume(dup, -600);
        ids.push_back(dup);
        refs.push_back(second);
      }
    }
    for (size_t i = 0; i < ids.size(); ++i) platform::PlayAudioBuffer(ids[i], refs[i].looping);
    const std::vector<int16_t> mixed = Run(200);
    const std::vector<int16_t> expected = ReferenceMix(refs, 8820);
    ASSERT_EQ(mixed.size(), expected.size());
    int worst = 0;
    for (size_t i = 0; i < mixed.size(); ++i) worst = std::max(worst, std::abs(mixed[i] - expected[i]));
    EXPECT_LE(worst, 1);
    for (size_t i = 0; i < ids.size(); ++i)
      EXPECT_EQ(platform::IsAudioBufferPlaying(ids[i]),
                refs[i].looping || refs[i].samples.size() / refs[i].channels * 44100 > 8820ull * refs[i].rate);
  }
}

TEST_F(HeadlessMixer, BufferStateFollowsTheClock) {
  const PcmFormat format{2, 44100, 16};
  const int id = platform::CreateAudioBuffer(format, 44100 * 4);  // one second
  ASSERT_GE(id, 0);
  // A lock across the end comes in two parts.
  platform::AudioLock lock;
  ASSERT_TRUE(platform::LockAudioBuffer(id, 44100 * 4 - 100, 400, &lock));
  EXPECT_EQ(lock.firstBytes, 100u);
  EXPECT_EQ(lock.secondBytes, 300u);
  EXPECT_NE(lock.second, nullptr);
  EXPECT_FALSE(platform::LockAudioBuffer(id, 0, 44100 * 4 + 4, &lock));

  platform::PlayAudioBuffer(id, false);
  Run(100);
  EXPECT_EQ(platform::GetAudioBufferPlayCursor(id), 4410u * 4);
  // Stop keeps the position; a play goes on from it.
  platform::StopAudioBuffer(id);
  Run(100);
  EXPECT_EQ(platform::GetAudioBufferPlayCursor(id), 4410u * 4);
  // Double rate moves the cursor twice as fast; 0 gives the own rate back.
  platform::SetAudioBufferFrequency(id, 88200);
  platform::PlayAudioBuffer(id, false);
  Run(100);
  EXPECT_EQ(platform::GetAudioBufferPlayCursor(id), 3 * 4410u * 4);
  platform::SetAudioBufferFrequency(id, 0);
  // The one-shot end stops the buffer with its position at 0.
  Run(1000);
  EXPECT_FALSE(platform::IsAudioBufferPlaying(id));
  EXPECT_EQ(platform::GetAudioBufferPlayCursor(id), 0u);
  // Duplicates share the data but not the cursor.
  const int dup = platform::DuplicateAudioBuffer(id);
  platform::SetAudioBufferPosition(id, 400);
  EXPECT_EQ(platform::GetAudioBufferPlayCursor(dup), 0u);
  ASSERT_TRUE(platform::LockAudioBuffer(id, 0, 4, &lock));
  lock.first[0] = 0x55;
  platform::AudioLock other;
  ASSERT_TRUE(platform::LockAudioBuffer(dup, 0, 4, &other));
  EXPECT_EQ(other.first[0], 0x55);
  EXPECT_EQ(platform::LiveAudioBufferCount(), 2);
  platform::ReleaseAudioBuffer(id);
  platform::ReleaseAudioBuffer(dup);
  EXPECT_EQ(platform::LiveAudioBufferCount(), 0);
}

// A capture counts its frames from the millisecond it begins: a stop 5 ms in
// lands on frame 220 however long the output ran before, whole or odd.
TEST_F(HeadlessMixer, ACaptureCountsFromItsOwnStart) {
  const PcmFormat format{2, 44100, 16};
  const int id = platform::CreateAudioBuffer(format, 4410 * 4);
  ASSERT_GE(id, 0);
  platform::AudioLock lock;
  ASSERT_TRUE(platform::LockAudioBuffer(id, 0, 4410 * 4, &lock));
  const std::vector<int16_t> level(4410 * 2, 1000);
  std::memcpy(lock.first, level.data(), lock.firstBytes);
  ASSERT_TRUE(platform::UnlockAudioBuffer(id, lock));
  for (uint32_t before : {0u, 5u, 7u, 13u}) {
    SCOPED_TRACE(before);
    platform::SetHeadlessAudioCapture(false);
    platform::AdvanceVirtualClock(before);
    platform::SetHeadlessAudioCapture(true);
    platform::SetAudioBufferPosition(id, 0);
    platform::PlayAudioBuffer(id, true);
    platform::AdvanceVirtualClock(5);
    platform::StopAudioBuffer(id);
    const std::vector<int16_t> sound = Run(5);
    ASSERT_EQ(sound.size(), 441u * 2);
    EXPECT_EQ(std::count(sound.begin(), sound.end(), int16_t{1000}), 220 * 2);
    EXPECT_EQ(std::count(sound.begin(), sound.end(), int16_t{0}), 221 * 2);
  }
}

TEST_F(HeadlessMixer, FormatsTheMixerCannotPlayAreRefused) {
  const struct {
    PcmFormat format;
    uint32_t bytes;
  } cases[] = {
      {{3, 44100, 16}, 600}, {{2, 44100, 24}, 600}, {{2, 99, 16}, 600}, {{2, 200001, 16}, 600}, {{2, 44100, 16}, 3}};
  for (const auto& c : cases) EXPECT_EQ(platform::CreateAudioBuffer(c.format, c.bytes), -1);
}

TEST_F(HeadlessMixer, AMidiSongSoundsWhileItsNotesPlayAndIsSilentAfterStop) {
  if (!platform::StartMidi()) GTEST_SKIP() << "no General MIDI SoundFont";
  const soundtest::Bytes midi = soundtest::MidiFile({{60, 0, 1920}, {64, 0, 1920}, {67, 480, 1440}});
  const int song = platform::OpenMidiSong(midi.data(), midi.size());
  ASSERT_GE(song, 0);
  EXPECT_EQ(platform::OpenMidiSong(midi.data() + 4, midi.size() - 4), -1);
  // Cut short: the last track's declared length runs past the data.
  EXPECT_EQ(platform::OpenMidiSong(midi.data(), midi.size() - 1), -1);
  EXPECT_EQ(platform::OpenMidiSong(midi.data(), midi.size() / 2), -1);
  ASSERT_TRUE(platform::PlayMidiSong(song, false));
  const std::vector<int16_t> playing = Run(500);
  EXPECT_TRUE(platform::IsMidiSongPlaying(song));
  int peak = 0;
  for (int16_t s : playing) peak = std::max(peak, std::abs(static_cast<int>(s)));
  EXPECT_GT(peak, 500);
  platform::StopMidiSong(song);
  Run(20);
  const std::vector<int16_t> stopped = Run(300);
  EXPECT_FALSE(platform::IsMidiSongPlaying(song));
  EXPECT_TRUE(std::all_of(stopped.begin(), stopped.end(), [](int16_t s) { return s == 0; }));
  platform::CloseMidiSong(song);
}

// The sdl backend under SDL's dummy audio driver: the device opens and the
// audio thread moves a playing buffer's cursor.
TEST(SdlAudio, ABufferPlaysUnderTheDummyDriver) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  platform::SetBackend(platform::Backend::Sdl);
  ASSERT_TRUE(platform::StartAudio());
  EXPECT_FALSE(platform::ListAudioDevices().empty());
  const int id = platform::CreateAudioBuffer(PcmFormat{2, 44100, 16}, 44100 * 4);
  ASSERT_GE(id, 0);
  platform::PlayAudioBuffer(id, true);
  uint32_t cursor = 0;
  for (int i = 0; i < 200 && cursor == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cursor = platform::GetAudioBufferPlayCursor(id);
  }
  EXPECT_GT(cursor, 0u);
  platform::EndAudio();
  platform::SetBackend(platform::Backend::Headless);
}

}  // namespace
