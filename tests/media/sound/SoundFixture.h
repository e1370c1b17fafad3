#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "media/sound/PublicSound.h"
#include "media/sound/SoundSystem.h"
#include "platform/Backend.h"
#include "platform/audio/Audio.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"
#include "support/LogCapture.h"
#include "support/SoundFixtures.h"

// The sound layer started on the headless mixer with the log captured.
class SoundTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetBackend(platform::Backend::Headless);
    platform::SetVirtualClock(5000);
    platform::ResetHeadlessAudio();
    log_ = std::make_unique<LogCapture>();
    gSoundSystem = SoundSystemState{};
    ASSERT_EQ(StartSoundSystem(), 0);
    platform::SetHeadlessAudioCapture(true);
  }
  void TearDown() override {
    EndSoundSystem();
    gSoundSystem = SoundSystemState{};
    platform::ResetHeadlessAudio();
    log_.reset();
  }
  bool Logged(const std::string& utf8) const {
    return log_->Read().find(platform::Utf8ToCp932(utf8)) != std::string::npos;
  }
  // Mixes `ms` and returns it, refilling streams every 50 ms as the message
  // loop would.
  std::vector<int16_t> Play(int ms) {
    std::vector<int16_t> out;
    for (int t = 0; t < ms; t += 50) {
      platform::AdvanceVirtualClock(50);
      const std::vector<int16_t> part = platform::TakeHeadlessAudio();
      out.insert(out.end(), part.begin(), part.end());
      RefillAllStreams();
    }
    return out;
  }
  static int Load(const soundtest::Bytes& image, int buffers = 1) {
    return LoadSoundFromImage(image.data(), static_cast<int>(image.size()), buffers, -1);
  }
  std::unique_ptr<LogCapture> log_;
};

inline soundtest::Bytes StereoTone(int frames, double hz = 440) {
  return soundtest::PcmWave(2, 44100, 16, soundtest::ToBytes(soundtest::Tone(frames, 2, 44100, hz)));
}
