#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/Backend.h"
#include "platform/audio/Audio.h"
#include "platform/midi/Midi.h"
#include "platform/modules/Modules.h"
#include "platform/time/Time.h"
#include "shell/MidiLibrary.h"
#include "support/ScratchFolder.h"
#include "support/SoundFixtures.h"

namespace {

class MidiModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetBackend(platform::Backend::Headless);
    platform::SetVirtualClock(1000);
    platform::ResetHeadlessAudio();
    platform::ResetModules();
    ASSERT_TRUE(platform::StartAudio());
    platform::SetHeadlessAudioCapture(true);
  }
  void TearDown() override {
    GGSFree();
    platform::EndAudio();
    platform::ResetHeadlessAudio();
  }
  static int Peak(uint32_t ms) {
    platform::AdvanceVirtualClock(ms);
    const std::vector<int16_t> out = platform::TakeHeadlessAudio();
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
  }
};

TEST_F(MidiModuleTest, AMidiBgmSoundsThroughTheBuiltInModuleAndIsSilentAfterStop) {
  if (GGSSetDevice(-1, 0) != 0) GTEST_SKIP() << "no General MIDI SoundFont";
  // Silent for the first second: a start at 500 ms hears the notes after 500 ms.
  const soundtest::Bytes midi = soundtest::MidiFile({{60, 960, 3840}, {64, 960, 3840}});
  ASSERT_EQ(GGSReadList(midi.data(), static_cast<int>(midi.size()), 1, 3), 0);
  // A damaged file is refused and plays nothing.
  EXPECT_EQ(GGSReadList(midi.data() + 4, static_cast<int>(midi.size()) - 4, 1, 4), -1);
  EXPECT_EQ(GGSPlay(1, 4, 0), -1);
  GGSMasterVolume(0);
  GGSTempoDepth(0);
  ASSERT_EQ(GGSPlay(1, 3, 500), 0);
  EXPECT_EQ(Peak(400), 0);
  EXPECT_GT(Peak(300), 500);
  GGSMasterVolume(-2500);  // volume 0
  Peak(50);
  EXPECT_EQ(Peak(200), 0);
  GGSMasterVolume(0);
  GGSStop();
  Peak(20);
  EXPECT_EQ(Peak(300), 0);
}

// The SoundFont loads on the first play, not when the device is set.
TEST_F(MidiModuleTest, TheSoundFontLoadsOnTheFirstPlay) {
  if (GGSSetDevice(-1, 0) != 0) GTEST_SKIP() << "no General MIDI SoundFont";
  const soundtest::Bytes midi = soundtest::MidiFile({{60, 0, 1920}});
  ASSERT_EQ(GGSReadList(midi.data(), static_cast<int>(midi.size()), 1, 3), 0);
  GGSMasterVolume(-1250);  // volume 50, set before the synthesiser exists
  EXPECT_FALSE(platform::IsMidiSoundFontLoaded());
  EXPECT_EQ(Peak(100), 0);
  ASSERT_EQ(GGSPlay(1, 3, 0), 0);
  EXPECT_TRUE(platform::IsMidiSoundFontLoaded());
  const int half = Peak(300);
  ASSERT_EQ(GGSReadList(midi.data(), static_cast<int>(midi.size()), 1, 4), 0);
  GGSMasterVolume(0);
  ASSERT_EQ(GGSPlay(1, 4, 0), 0);
  const int full = Peak(300);
  // Amplitude goes with the square root of the volume: about 0.71 of full.
  // The second song sounds whole: the first one's stop cuts none of its notes.
  EXPECT_GT(full, 500);
  EXPECT_NEAR(static_cast<double>(half) / full, 0.71, 0.1);
  GGSFree();
  EXPECT_FALSE(platform::IsMidiSoundFontLoaded());
}

// Without a usable SoundFont the device reports failure and no list is read,
// as when the load happened at start; one that only fails to load later
// leaves its songs unable to play.
TEST_F(MidiModuleTest, AMissingOrBrokenSoundFontPlaysNothing) {
  const ScratchFolder folder;
  const soundtest::Bytes midi = soundtest::MidiFile({{60, 0, 1920}});
  const std::string header("RIFF\0\0\0\0sfbk", 12);
  const struct {
    std::string name, bytes;
    int device;
  } cases[] = {{"absent.sf2", "", -1}, {"text.sf2", "not a soundfont at all", -1}, {"cut.sf2", header + "LIST", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.bytes.empty()) folder.Write(c.name, c.bytes);
    platform::SetMidiSoundFont((folder.Path() / c.name).string());
    EXPECT_EQ(GGSSetDevice(-1, 0), c.device);
    EXPECT_EQ(GGSReadList(midi.data(), static_cast<int>(midi.size()), 1, 3), c.device);
    for (int attempt = 0; attempt < 2; ++attempt) EXPECT_EQ(GGSPlay(1, 3, 0), -1);
    EXPECT_FALSE(platform::IsMidiSoundFontLoaded());
    EXPECT_EQ(Peak(200), 0);
    GGSFree();
  }
  platform::SetMidiSoundFont(platform::kGeneralMidiSoundFont);
}

TEST(MidiTempoMap, StartTicksFollowTheTempoChanges) {
  // 480 ticks per quarter at 120 bpm: 960 ticks per second until the song ends.
  const soundtest::Bytes midi = soundtest::MidiFile({{60, 0, 3840}});
  struct Case {
    int64_t ms;
    int tick;
  } cases[] = {{0, 0}, {-5, 0}, {500, 480}, {1000, 960}, {100000, 3840}};
  for (const Case& c : cases) EXPECT_EQ(platform::MidiTickAtMs(midi.data(), midi.size(), c.ms), c.tick) << c.ms;
  EXPECT_EQ(platform::MidiTickAtMs(midi.data() + 1, midi.size() - 1, 500), 0);
  EXPECT_EQ(platform::MidiTickAtMs(midi.data(), 20, 500), 0);  // cut inside the track
}

}  // namespace
