#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "SoundManagerFixture.h"
#include "platform/text/Text.h"

namespace {

using namespace soundmanagertest;

using SyntheFunction = unsigned char* (*)(const char* text, int speed, int* size);
using FreeWaveFunction = void (*)(unsigned char* image);

// The built-in speech module on the sound layer.
class SpeechModuleTest : public SoundPlayTest {
 protected:
  void SetUp() override {
    SoundPlayTest::SetUp();
    module_ = platform::LoadModule("C:\\Game\\aquestalk.DLL");
    ASSERT_GT(module_, 0);
    synthe_ = reinterpret_cast<SyntheFunction>(platform::GetModuleProc(module_, "AquesTalk_Synthe"));
    freeWave_ = reinterpret_cast<FreeWaveFunction>(platform::GetModuleProc(module_, "AquesTalk_FreeWave"));
    ASSERT_TRUE(synthe_ && freeWave_);
  }
  void TearDown() override {
    platform::FreeModule(module_);
    SoundPlayTest::TearDown();
  }
  // The WAVE image of a text at a speed, copied; empty when none was made.
  std::vector<unsigned char> Speak(const std::string& utf8, int speed) const {
    int size = -1;
    unsigned char* image = synthe_(platform::Utf8ToCp932(utf8).c_str(), speed, &size);
    if (!image) {
      EXPECT_EQ(size, 0);
      return {};
    }
    std::vector<unsigned char> copy(image, image + size);
    freeWave_(image);
    return copy;
  }
  static int Peak(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
  }
  int module_ = 0;
  SyntheFunction synthe_ = nullptr;
  FreeWaveFunction freeWave_ = nullptr;
};

TEST_F(SpeechModuleTest, KanaBecomesAWaveThatLoadsSoundsAndSlowsDownAtHalfSpeed) {
  const std::string text = "こんにちは、きょうはいいてんきですね";
  const std::vector<unsigned char> normal = Speak(text, 100);
  const std::vector<unsigned char> slow = Speak(text, 50);
  ASSERT_GT(normal.size(), 44u);
  ASSERT_GT(slow.size(), 44u);
  // 16-bit mono PCM in a RIFF WAVE.
  EXPECT_EQ(std::memcmp(normal.data(), "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(normal.data() + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(normal[20] | normal[21] << 8, 1);
  EXPECT_EQ(normal[22] | normal[23] << 8, 1);
  EXPECT_EQ(normal[34] | normal[35] << 8, 16);
  const soundtest::Bytes wave(normal.begin(), normal.end());
  EXPECT_GT(Peak(soundtest::DecodeWithSndfile(wave)), 1000);

  int lengths[2] = {};
  const std::vector<unsigned char>* images[2] = {&normal, &slow};
  for (int i = 0; i < 2; ++i) {
    const int handle = LoadSoundFromImage(images[i]->data(), static_cast<int>(images[i]->size()), 1, -1);
    ASSERT_GT(handle, 0);
    lengths[i] = GetSoundHandleLengthMs(handle);
  }
  EXPECT_GT(lengths[0], 500);
  const double ratio = static_cast<double>(lengths[1]) / lengths[0];
  EXPECT_GT(ratio, 1.6) << lengths[0] << " " << lengths[1];
  EXPECT_LT(ratio, 2.4) << lengths[0] << " " << lengths[1];
}

// The synthesiser keeps state from one text to the next; a text spoken again,
// after others, still gives the same wave, so a replay sounds as before.
TEST_F(SpeechModuleTest, ATextSpokenAgainGivesTheSameWave) {
  const std::string text = "こんにちは";
  const std::vector<unsigned char> first = Speak(text, 100);
  ASSERT_GT(first.size(), 44u);
  EXPECT_GT(Speak("さようなら", 100).size(), 44u);
  EXPECT_GT(Speak(text, 50).size(), first.size());
  EXPECT_TRUE(Speak(text, 100) == first);
  EXPECT_TRUE(Speak(text, 100) == first);
}

TEST_F(SpeechModuleTest, NothingToSayGivesNoImage) {
  EXPECT_TRUE(Speak("", 100).empty());
  int size = 7;
  EXPECT_EQ(synthe_(nullptr, 100, &size), nullptr);
  EXPECT_EQ(size, 0);
  // Speeds far outside the synthesiser's range are clamped, not refused.
  EXPECT_GT(Speak("あ", 100000).size(), 44u);
  EXPECT_GT(Speak("あ", -5).size(), 44u);
  freeWave_(nullptr);  // not an image of the module: ignored
}

TEST_F(SpeechModuleTest, ASpeechCommandSpeaksThroughTheBuiltInModule) {
  ASSERT_TRUE(LoadSpeechLibrary());
  ASSERT_TRUE(IsSpeechSynthAvailable());
  const int entry = PlaySpeech(platform::Utf8ToCp932("おはようございます"), 100, 100, 100);
  ASSERT_EQ(entry, kDesigned);
  ASSERT_GT(SoundEntryHandle(2, entry), 0);
  platform::SetHeadlessAudioCapture(true);
  PlaySoundChannel(2, entry, 0, 0);
  UpdateSounds();
  EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(2, entry)), 1);
  platform::AdvanceVirtualClock(400);
  EXPECT_GT(Peak(platform::TakeHeadlessAudio()), 1000);
  // Speech is released after it has played.
  platform::AdvanceVirtualClock(5000);
  UpdateSounds();
  EXPECT_EQ(SoundEntryHandle(2, entry), 0);
  EXPECT_EQ(PlaySpeech("", 100, 100, 100), -10);
}

TEST_F(SpeechModuleTest, TheEleventhSpeechAndAFileSoundReleaseTheSpeechInTheirSpareEntry) {
  ASSERT_TRUE(LoadSpeechLibrary());
  const std::string text = platform::Utf8ToCp932("あい");
  std::vector<int> handles;
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(PlaySpeech(text, 100, 100, 100), kDesigned + i);
    handles.push_back(SoundEntryHandle(2, kDesigned + i));
    ASSERT_GT(handles.back(), 0);
  }
  EXPECT_EQ(PlaySpeech(text, 100, 100, 100), kDesigned);
  EXPECT_EQ(IsSoundHandlePlaying(handles[0]), -1);
  EXPECT_GT(SoundEntryHandle(2, kDesigned), 0);
  // A sound effect named by file takes the next spare entry and releases
  // the speech there.
  WriteTone("se.wav", 100);
  EXPECT_EQ(RegisterSoundFile("se.wav", 2, 0, 0, 100, 100), kDesigned + 1);
  EXPECT_EQ(IsSoundHandlePlaying(handles[1]), -1);
  EXPECT_EQ(SoundEntryHandle(2, kDesigned + 1), gSoundEffectNameIndex["Data\\se.wav"]);
  EXPECT_EQ(gSoundManager.speechMarks[kDesigned + 1], 0);
  EXPECT_EQ(IsSoundHandlePlaying(handles[2]), 0);  // the others stay
}

// A sound named by file whose handle the manager deleted is loaded afresh
// when the file is registered again, and plays.
TEST_F(SpeechModuleTest, AFileSoundWhoseHandleWasDeletedPlaysWhenRegisteredAgain) {
  struct Case {
    const char* name;
    int kind;
    std::function<void()> before;          // ahead of the first registration
    std::function<void(int entry)> after;  // what becomes of that registration
  } cases[] = {
      {"an effect whose spare entry a speech took", 2, [] {},
       [](int entry) {
         gGameSystem.soundListSizes[5] = entry - kDesigned;
         ASSERT_EQ(PlaySpeech(platform::Utf8ToCp932("あ"), 100, 100, 100), entry);
       }},
      {"an effect in an entry a speech used before", 2,
       [] {
         ASSERT_EQ(PlaySpeech(platform::Utf8ToCp932("あ"), 100, 100, 100), kDesigned);
         gGameSystem.soundListSizes[5] = 0;
       },
       [](int entry) {
         // Not released after its play: the speech's release mark is not inherited.
         EXPECT_EQ(gSystemDatabase.ReadDatabaseInt(3, entry, 3), 0);
         const int handle = SoundEntryHandle(2, entry);
         PlaySoundChannel(2, entry, 0, 0);
         UpdateSounds();
         platform::AdvanceVirtualClock(700);  // past its end
         UpdateSounds();
         EXPECT_EQ(IsSoundHandlePlaying(handle), 0);
         EXPECT_EQ(SoundEntryHandle(2, entry), handle);
       }},
      {"a BGM stopped with a fade", 0, [] {},
       [](int entry) {
         PlaySoundChannel(0, entry, 0, 0);
         UpdateSounds();
         PlaySoundChannel(0, -1, 2, 0);
         for (int i = 0; i < 5; ++i) UpdateSounds();
         EXPECT_EQ(SoundEntryHandle(0, entry), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    ASSERT_TRUE(LoadSpeechLibrary());
    WriteTone("a.wav", 500);
    c.before();
    const int first = RegisterSoundFile("a.wav", c.kind, 0, 0, 100, 100);
    ASSERT_EQ(first, kDesigned);
    ASSERT_GT(SoundEntryHandle(c.kind, first), 0);
    c.after(first);
    const int again = RegisterSoundFile("a.wav", c.kind, 0, 0, 100, 100);
    ASSERT_GE(again, kDesigned);
    PlaySoundChannel(c.kind, again, 0, 0);
    UpdateSounds();
    EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(c.kind, again)), 1);
  }
}

}  // namespace
