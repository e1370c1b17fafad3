#include <string>
#include <vector>

#include "SoundManagerFixture.h"

namespace {

using namespace soundmanagertest;

TEST_F(SoundManagerTest, MidiTempoIsSentAtStartAndAgainOnlyAtTheTwentiethUpdateOfALongFade) {
  UseLoggingMidiModule();
  struct Case {
    int frequency, fade;
    std::string tempo;
    bool resent;
  } cases[] = {{150, 30, "Tempo 25", true}, {50, 5, "Tempo -100", false}};
  for (const Case& c : cases) {
    SetUp();
    UseLoggingMidiModule();
    MidiEntry(1, c.frequency);
    PlaySoundChannel(0, 1, c.fade, 0);
    ASSERT_GE(gCalls.size(), 3u);
    EXPECT_EQ(gCalls[0], "Volume -2500");
    EXPECT_EQ(gCalls[1], c.tempo);
    EXPECT_EQ(gCalls[2], "Play 2 0");
    for (int update = 1; update <= 19; ++update) UpdateSounds();
    EXPECT_EQ(TempoCalls(), 1);
    for (int update = 20; update <= 40; ++update) UpdateSounds();
    EXPECT_EQ(TempoCalls(), c.resent ? 2 : 1) << c.frequency;
    if (c.resent) {
      EXPECT_EQ(gCalls.back(), "Volume 0");  // the fade reached full volume
    }
  }
}

TEST_F(SoundManagerTest, MidiFadeOutStopsTheLibraryAtTheEnd) {
  UseLoggingMidiModule();
  MidiEntry(1, 100);
  PlaySoundChannel(0, 1, 0, 0);
  UpdateSounds();
  UpdateSounds();
  gCalls.clear();
  PlaySoundChannel(0, -1, 1, 0);
  EXPECT_EQ(gCurrentBgm, -1);
  for (int i = 0; i < 3; ++i) UpdateSounds();
  const std::vector<std::string> expected = {"Volume 0", "Volume -1250", "Volume -2500", "Stop"};
  EXPECT_EQ(gCalls, expected);
  // The same entry twice does nothing the second time.
  PlaySoundChannel(0, 1, 30, 0);
  const size_t calls = gCalls.size();
  PlaySoundChannel(0, 1, 30, 0);
  EXPECT_EQ(gCalls.size(), calls);
}

TEST_F(SoundManagerTest, MissingMidiLibraryShowsOneBoxAndEveryWrapperAnswersItsFixedValue) {
  platform::WithdrawModule(platform::kMidiModuleName);
  EXPECT_EQ(GGSSetDevice(-1, 0), -1);
  const auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("GuruGuruSMF.dll\x82\xAA\x83\x8D\x81[\x83h"), std::string::npos);
  EXPECT_NE(boxes[0].text.find("\\GuruGuruSMF.dll\n\nMIDI"), std::string::npos);
  EXPECT_EQ(boxes[0].caption, "\x83G\x83\x89\x81[");
  EXPECT_EQ(GGSLoadFile(0, 0), -1);
  EXPECT_EQ(GGSReadMemory(0, 0, 0), -1);
  EXPECT_EQ(GGSAddList(0, 0, 0), -1);
  EXPECT_EQ(GGSReadList(nullptr, 0, 1, 1), -1);
  EXPECT_STREQ(GGSViewList(), "");
  EXPECT_EQ(GGSPlay(1, 1, 0), -1);
  EXPECT_EQ(GGSGetSMFDatas(0, 0), -1);
  EXPECT_EQ(GGSGetStatus(0), -1);
  GGSStop();
  GGSMasterVolume(0);
  GGSTempoDepth(0);
  GGSFree();
  EXPECT_FALSE(IsMidiLibraryLoaded());
}

TEST_F(SoundManagerTest, ALibraryWithoutPlayStillTakesTheOtherCalls) {
  platform::RegisterModule(platform::kMidiModuleName,
                           {{"GGSSetDevice", Proc(&SetDevice)}, {"GGSTempoDepth", Proc(&TempoDepth)}});
  // Any folder and any case name the module.
  EXPECT_EQ(GGSSetDevice(-1, 0), 0);
  EXPECT_EQ(GGSPlay(1, 1, 0), -1);
  GGSTempoDepth(7);
  EXPECT_EQ(gCalls, std::vector<std::string>{"Tempo 7"});
  EXPECT_GT(platform::LoadModule("C:\\Game\\gurugurusmf.DLL"), 0);
}

TEST_F(SoundManagerTest, RegisteredFilesRotateThroughTheSpareEntries) {
  EXPECT_EQ(RegisterSoundFile("bell.wav\n80\n120", 2, 0, 0, 100, 100), kDesigned);
  EXPECT_EQ(gSystemDatabase.ReadDatabaseString(3, kDesigned, 0), "Data\\bell.wav");
  EXPECT_EQ(gSystemDatabase.ReadDatabaseInt(3, kDesigned, 1), 80);
  EXPECT_EQ(gSystemDatabase.ReadDatabaseInt(3, kDesigned, 2), 120);
  for (int i = 1; i < 10; ++i)
    EXPECT_EQ(RegisterSoundFile(std::string("s").append(std::to_string(i)) + ".wav", 2, 0, 0, 100, 100), kDesigned + i);
  EXPECT_EQ(RegisterSoundFile("eleventh.wav", 2, 0, 0, 100, 100), kDesigned);
  // Failed loads leave no handle behind (a -1 would read as "stop every sound effect").
  for (const auto& [path, handle] : gSoundNameIndex) EXPECT_EQ(handle, 0) << path;
  PlaySoundChannel(2, kDesigned, 0, 0);
  EXPECT_TRUE(gSoundManager.seHandles.empty());

  struct Case {
    std::string text;
    int result;
  } cases[] = {{"", -1}, {"\nx", -1}, {"a\nx", -1}, {"\r\r\n", -1}};
  for (const Case& c : cases) EXPECT_EQ(RegisterSoundFile(c.text, 1, 0, 0, 100, 100), c.result) << c.text;
  // A type without its spare rows has nowhere to put the sound.
  gSystemDatabase.types[2].rows.resize(kDesigned + 3);
  gGameSystem.soundListSizes[4] = 13;  // slot 3 after the modulo
  EXPECT_EQ(RegisterSoundFile("wind.wav", 1, 0, 0, 100, 100), -10);
}

TEST_F(SoundManagerTest, SoundOffOnlyRecordsTheEntryAndNegativeFadesCountAsNone) {
  gSoundSetting = 1;
  EXPECT_TRUE(LoadSoundEntry(0, 5));
  PlaySoundChannel(0, 7, 10, 0);
  EXPECT_EQ(gCurrentBgm, 7);
  EXPECT_EQ(gSoundManager.channels[0].fadeLeft, -1);
  gSoundSetting = 3;
  struct Case {
    int fade, total;
  } cases[] = {{-5, 1}, {INT32_MAX, 1}, {0, 1}, {3, 4}};
  for (const Case& c : cases) {
    gCurrentBgs = 0;
    PlaySoundChannel(1, -1, c.fade, 0);
    EXPECT_EQ(gSoundManager.channels[1].fadeTotal, c.total) << c.fade;
    for (int i = 0; i < 6; ++i) UpdateSounds();
  }
}

// The speech module the tests register: records what it was asked to say.
int gSpeed = 0;
bool gSynthFails = false;
std::vector<unsigned char> gWave;
unsigned char* Synthe(const char*, int speed, int* size) {
  gSpeed = speed;
  if (gSynthFails) return nullptr;
  // 0.1 s of 16-bit mono silence at 8000 Hz.
  const uint32_t data = 1600;
  gWave.assign(44 + data, 0);
  auto put = [](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) gWave[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
  };
  std::copy_n("RIFF", 4, gWave.begin());
  put(4, 36 + data, 4);
  std::copy_n("WAVEfmt ", 8, gWave.begin() + 8);
  put(16, 16, 4);
  put(20, 1, 2);
  put(22, 1, 2);
  put(24, 8000, 4);
  put(28, 16000, 4);
  put(32, 2, 2);
  put(34, 16, 2);
  std::copy_n("data", 4, gWave.begin() + 36);
  put(40, data, 4);
  *size = static_cast<int>(gWave.size());
  return gWave.data();
}
void FreeWave(unsigned char*) { Log("FreeWave"); }

TEST_F(SoundManagerTest, PlaySpeechScalesTheSpeedByPitchAndRotatesTheSpareEntries) {
  EXPECT_EQ(PlaySpeech("a", 100, 100, 100), -10);  // no library
  platform::RegisterModule("AquesTalk.dll",
                           {{"AquesTalk_Synthe", Proc(&Synthe)}, {"AquesTalk_FreeWave", Proc(&FreeWave)}});
  ASSERT_TRUE(LoadSpeechLibrary());
  struct Case {
    int speed, pitch, sent;
  } cases[] = {{100, 10, 500}, {100, 200, 50}, {50, 100, 50}};
  for (const Case& c : cases) {
    PlaySpeech("a", c.speed, 90, c.pitch);
    EXPECT_EQ(gSpeed, c.sent);
  }
  EXPECT_EQ(gSystemDatabase.ReadDatabaseInt(3, kDesigned + 1, 2), 200);
  EXPECT_EQ(gSystemDatabase.ReadDatabaseInt(3, kDesigned + 1, 3), 1);
  EXPECT_EQ(gSystemDatabase.ReadDatabaseString(3, kDesigned, 0), "\x8D\x87\x90\xAC\x89\xB9\x90\xBA");
  for (int i = 3; i < 10; ++i) EXPECT_EQ(PlaySpeech("a", 100, 100, 100), kDesigned + i);
  EXPECT_EQ(PlaySpeech("a", 100, 100, 100), kDesigned);  // the eleventh reuses the first
  EXPECT_EQ(gCalls.size(), 11u);
  gSynthFails = true;
  EXPECT_EQ(PlaySpeech("a", 100, 100, 100), -10);
  gSynthFails = false;
  // Without the spare row of the slot there is nowhere to keep the speech.
  gSystemDatabase.types[3].rows.resize(kDesigned + 3);
  gGameSystem.soundListSizes[5] = 3;
  EXPECT_EQ(PlaySpeech("a", 100, 100, 100), -10);
}

}  // namespace
