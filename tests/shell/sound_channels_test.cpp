#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SoundManagerFixture.h"
#include "platform/text/Text.h"

namespace {

using namespace soundmanagertest;

constexpr int kGone = -1;  // the sound handle was released

// Three wave entries a, b, c (0-2) of a kind and, for BGM, a MIDI entry 3 on
// the logging module; each step makes its call, runs one UpdateSounds and
// compares the mixer volumes of a, b and c and the module calls of the step.
class ChannelTrace : public SoundPlayTest {
 public:
  struct Call {
    int entry, fade;
  };
  struct Step {
    std::optional<Call> call;
    int a, b, c;  // volume percent, or kGone
    std::string midi;
  };

 protected:
  void SetUp() override {
    SoundPlayTest::SetUp();
    seen_.clear();
    UseLoggingMidiModule();
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) WriteTone(name, 2000);
    for (int kind = 0; kind < 2; ++kind) {
      Entry(kind, 0, "a.wav");
      Entry(kind, 1, "b.wav");
      Entry(kind, 2, "c.wav");
    }
    MidiEntry(3, 100);
  }
  // The mixer volume of an entry's sound: the handle it holds now, or the
  // last one it held.
  int Observed(int kind, int entry) {
    if (const int handle = SoundEntryHandle(kind, entry)) seen_[entry] = handle;
    return seen_.count(entry) ? MixerVolume(seen_[entry]) : platform::kMixerVolumeMin - 1;
  }
  static int Expected(int percent) { return percent == kGone ? platform::kMixerVolumeMin - 1 : MixerLevel(percent); }
  void RunSteps(int kind, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& step = steps[i];
      gCalls.clear();
      if (step.call) PlaySoundChannel(kind, step.call->entry, step.call->fade, 0);
      UpdateSounds();
      std::string midi;
      for (const std::string& call : gCalls) midi += (midi.empty() ? "" : ",") + call;
      SCOPED_TRACE("step " + std::to_string(i));
      EXPECT_EQ(Observed(kind, 0), Expected(step.a));
      EXPECT_EQ(Observed(kind, 1), Expected(step.b));
      EXPECT_EQ(Observed(kind, 2), Expected(step.c));
      EXPECT_EQ(midi, step.midi);
    }
  }
  std::map<int, int> seen_;
};

// a starts with fade 0: silent in the first update, full in the second.
const std::vector<ChannelTrace::Step> kStartA = {{ChannelTrace::Call{0, 0}, 0, kGone, kGone, ""},
                                                 {std::nullopt, 100, kGone, kGone, ""}};

std::vector<ChannelTrace::Step> Then(std::vector<ChannelTrace::Step> steps) {
  steps.insert(steps.begin(), kStartA.begin(), kStartA.end());
  return steps;
}

TEST_F(ChannelTrace, CrossFadesStepTheOutgoingDownAndTheIncomingUpPerFrameStep) {
  struct Case {
    const char* name;
    int kind, frameStep;
    std::vector<Step> steps;
  } cases[] = {
      {"BGM fade 2 at frame step 1", 0, 1,
       Then({{Call{1, 2}, 100, 0, kGone, ""},
             {std::nullopt, 66, 33, kGone, ""},
             {std::nullopt, 33, 66, kGone, ""},
             {std::nullopt, kGone, 100, kGone, ""},
             {std::nullopt, kGone, 100, kGone, ""}})},
      {"BGM fade 2 at frame step 2", 0, 2,
       Then({{Call{1, 2}, 100, 0, kGone, ""},
             {std::nullopt, 33, 66, kGone, ""},
             {std::nullopt, kGone, 100, kGone, ""}})},
      {"BGS fade 2 at frame step 1", 1, 1,
       Then({{Call{1, 2}, 100, 0, kGone, ""},
             {std::nullopt, 66, 33, kGone, ""},
             {std::nullopt, 33, 66, kGone, ""},
             {std::nullopt, kGone, 100, kGone, ""}})},
      // The outgoing sound is full in the first update, gone in the second.
      {"BGM fade 0", 0, 1, Then({{Call{1, 0}, 100, 0, kGone, ""}, {std::nullopt, kGone, 100, kGone, ""}})},
      // A stop with fade 0 releases the sound at once.
      {"BGM stop with fade 0", 0, 1, Then({{Call{-1, 0}, kGone, kGone, kGone, ""}})},
      {"BGS stop with fade 1", 1, 1,
       Then({{Call{-1, 1}, 100, kGone, kGone, ""},
             {std::nullopt, 50, kGone, kGone, ""},
             {std::nullopt, kGone, kGone, kGone, ""}})},
      // A change during a fade cuts the sound still fading out; the one
      // fading in fades out from its target volume.
      {"BGM change during a fade", 0, 1,
       Then({{Call{1, 4}, 100, 0, kGone, ""},
             {std::nullopt, 80, 20, kGone, ""},
             {Call{2, 2}, kGone, 100, 0, ""},
             {std::nullopt, kGone, 66, 33, ""},
             {std::nullopt, kGone, 33, 66, ""},
             {std::nullopt, kGone, kGone, 100, ""}})},
      // MIDI volumes are (percent - 100) x 25; the MIDI fade-out ends in a stop.
      {"BGM wave to MIDI and back", 0, 1,
       Then({{Call{3, 2}, 100, kGone, kGone, "Volume -2500,Tempo 0,Play 4 0,Volume -2500"},
             {std::nullopt, 66, kGone, kGone, "Volume -1650"},
             {std::nullopt, 33, kGone, kGone, "Volume -825"},
             {std::nullopt, kGone, kGone, kGone, "Volume 0"},
             {Call{0, 2}, 0, kGone, kGone, "Volume 0"},
             {std::nullopt, 33, kGone, kGone, "Volume -833"},
             {std::nullopt, 66, kGone, kGone, "Volume -1666"},
             {std::nullopt, 100, kGone, kGone, "Volume -2500,Stop"},
             {std::nullopt, 100, kGone, kGone, ""}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    gFrameStep = c.frameStep;
    RunSteps(c.kind, c.steps);
  }
}

TEST_F(ChannelTrace, TheSameEntryAgainChangesNothingAndAStopOfNothingFadesNothing) {
  RunSteps(0, kStartA);
  PlaySoundChannel(0, 0, 30, 0);
  EXPECT_EQ(gSoundManager.channels[0].fadeLeft, -1);
  EXPECT_EQ(gCurrentBgm, 0);
  // A missing file: no sound, the channel silent, one notice.
  Entry(0, 4, "missing.wav");
  PlaySoundChannel(0, 4, 0, 0);
  EXPECT_EQ(gCurrentBgm, -1);
  EXPECT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(SoundEntryHandle(0, 4), 0);
}

TEST_F(SoundPlayTest, AFileSoundTakesItsVolumeFromTheTextAndChangesInPlaceWhenItPlaysAlready) {
  WriteTone("a.wav", 2000);
  const int entry = RegisterSoundFile("a.wav\r\n50", 0, 0, 0, 100, 100);
  ASSERT_EQ(entry, kDesigned);
  PlaySoundChannel(0, entry, 0, 0);
  UpdateSounds();
  UpdateSounds();
  const int handle = SoundEntryHandle(0, entry);
  EXPECT_EQ(MixerVolume(handle), MixerLevel(50));
  platform::AdvanceVirtualClock(300);
  RefillAllStreams();
  const int position = GetSoundHandlePlayTimeMs(handle);
  EXPECT_GT(position, 200);
  // The same file again: its volume and frequency change over the fade, it
  // plays on, and nothing is left to play.
  EXPECT_EQ(RegisterSoundFile("a.wav\n80\n150", 0, 2, 0, 100, 100), -10);
  EXPECT_EQ(gSoundManager.handles[0][kDesigned + 1], 0);
  const int volumes[] = {50, 59, 69, 80, 80};
  for (int volume : volumes) {
    UpdateSounds();
    EXPECT_EQ(MixerVolume(handle), MixerLevel(volume)) << volume;
  }
  EXPECT_GE(GetSoundHandlePlayTimeMs(handle), position);
  EXPECT_EQ(IsSoundHandlePlaying(handle), 1);
  EXPECT_EQ(gEventSystem.bgmFileValues[0], 80);
  EXPECT_EQ(gEventSystem.bgmFileValues[1], 150);
  // Fades that cannot be counted count as none.
  for (int fade : {-1, INT32_MAX}) {
    EXPECT_EQ(RegisterSoundFile("a.wav", 0, fade, 0, 100, 100), -10);
    EXPECT_EQ(gSoundManager.channels[0].fadeTotal, 1) << fade;
  }
}

// A file BGM stopped without a fade is released at once: nothing keeps
// refilling a silent stream, and the file loads once when registered again.
TEST_F(SoundPlayTest, AFileBgmStoppedWithoutAFadeIsReleasedAtOnce) {
  WriteTone("a.wav", 2000);
  const int entry = RegisterSoundFile("a.wav", 0, 0, 0, 100, 100);
  ASSERT_EQ(entry, kDesigned);
  PlaySoundChannel(0, entry, 0, 0);
  UpdateSounds();
  const int handle = SoundEntryHandle(0, entry);
  ASSERT_EQ(IsSoundHandlePlaying(handle), 1);
  PlaySoundChannel(0, -1, 0, 0);
  EXPECT_EQ(SoundEntryHandle(0, entry), 0);
  EXPECT_EQ(IsSoundHandlePlaying(handle), -1);
  EXPECT_EQ(gSoundNameIndex.count("Data\\a.wav"), 0u);
  for (int i = 0; i < 10; ++i) UpdateSounds();
  EXPECT_EQ(gSoundSystem.soundCount, 0);
  ReleaseUnusedSounds(false);  // a map transfer
  const int again = RegisterSoundFile("a.wav", 0, 0, 0, 100, 100);
  PlaySoundChannel(0, again, 0, 0);
  UpdateSounds();
  UpdateSounds();
  EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(0, again)), 1);
  EXPECT_EQ(MixerVolume(SoundEntryHandle(0, again)), MixerLevel(100));
  EXPECT_EQ(gSoundSystem.soundCount, 1);
  // The same file as the BGS shares the handle; the BGS plays on.
  const int bgs = RegisterSoundFile("a.wav", 1, 0, 0, 100, 100);
  PlaySoundChannel(1, bgs, 0, 0);
  ASSERT_EQ(SoundEntryHandle(1, bgs), SoundEntryHandle(0, again));
  PlaySoundChannel(0, -1, 0, 0);
  UpdateSounds();
  EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(1, bgs)), 1);
}

// Entries that name one file share its sound; whatever becomes of the others,
// the entry asked for last is heard: playing, at full volume, on a live handle.
TEST_F(SoundPlayTest, AFileSoundIsHeardWhateverTheOtherEntriesOfItsFileDo) {
  const auto updates = [](int count) {
    for (int i = 0; i < count; ++i) UpdateSounds();
  };
  const auto named = [](const char* file, int kind) { return RegisterSoundFile(file, kind, 0, 0, 100, 100); };
  // a plays on the channel, then cross-fades to b over 30 frames: five frames
  // in. a is in the last spare entry, so the entries wrap around after it.
  const auto fadeAToB = [&](int kind) {
    gGameSystem.soundListSizes[3 + static_cast<size_t>(kind)] = 9;
    PlaySoundChannel(kind, named("a.wav", kind), 0, 0);
    updates(2);
    PlaySoundChannel(kind, named("b.wav", kind), 30, 0);
    updates(5);
  };
  const auto backToA = [&](int kind) {
    fadeAToB(kind);
    const int entry = named("a.wav", kind);
    PlaySoundChannel(kind, entry, 0, 0);
    return std::pair{kind, entry};
  };
  struct Case {
    const char* name;
    std::function<std::pair<int, int>()> run;  // the kind and entry to be heard
  } cases[] = {
      {"BGM back to the file still fading out", [&] { return backToA(0); }},
      {"BGS back to the file still fading out", [&] { return backToA(1); }},
      {"an effect named like the BGM, after the BGM faded out",
       [&] {
         PlaySoundChannel(0, named("a.wav", 0), 0, 0);
         updates(2);
         const int entry = named("a.wav", 2);
         PlaySoundChannel(2, entry, 0, 0);
         PlaySoundChannel(0, named("b.wav", 0), 30, 0);
         return std::pair{2, entry};
       }},
      {"a BGS on the file of a BGM stopped without a fade",
       [&] {
         PlaySoundChannel(0, named("a.wav", 0), 0, 0);
         const int entry = named("a.wav", 1);
         PlaySoundChannel(1, entry, 0, 0);
         updates(2);
         PlaySoundChannel(0, -1, 0, 0);
         return std::pair{1, entry};
       }},
      {"a BGM file registered twice, the later entry stopped without a fade",
       [&] {
         const int first = named("a.wav", 0);
         PlaySoundChannel(0, named("a.wav", 0), 0, 0);
         updates(2);
         PlaySoundChannel(0, -1, 0, 0);
         updates(2);
         PlaySoundChannel(0, first, 0, 0);
         return std::pair{0, first};
       }},
      {"an effect in two spare entries whose first a speech takes",
       [&] {
         EXPECT_TRUE(LoadSpeechLibrary());
         const int first = named("a.wav", 2);
         const int second = named("a.wav", 2);
         gGameSystem.soundListSizes[5] = first - kDesigned;
         EXPECT_EQ(PlaySpeech(platform::Utf8ToCp932("あ"), 100, 100, 100), first);
         PlaySoundChannel(2, second, 0, 0);
         return std::pair{2, second};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    WriteTone("a.wav", 2000);
    WriteTone("b.wav", 2000);
    const auto [kind, entry] = c.run();
    updates(40);  // past the end of every fade
    const int handle = SoundEntryHandle(kind, entry);
    EXPECT_EQ(IsSoundHandlePlaying(handle), 1);
    EXPECT_EQ(MixerVolume(handle), MixerLevel(100));
  }
}

TEST_F(SoundPlayTest, TheSoundSettingGatesMusicAndEffectsAndABgmStartsAtItsPosition) {
  struct Case {
    int setting;
    bool music, effects;
  } cases[] = {{0, false, false}, {1, false, true}, {2, true, false}, {3, true, true}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    WriteTone("a.wav", 3000);
    Entry(0, 0, "a.wav");
    Entry(2, 0, "a.wav");
    gSoundSetting = c.setting;
    PlaySoundChannel(0, 0, 0, 0);
    PlaySoundChannel(2, 0, 0, 0);
    UpdateSounds();
    EXPECT_EQ(gCurrentBgm, 0) << c.setting;  // recorded either way
    EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(0, 0)) == 1, c.music) << c.setting;
    EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(2, 0)) == 1, c.effects) << c.setting;
  }
  // Positions below 1 start from the beginning.
  struct Start {
    int position, atLeast, below;
  } starts[] = {{0, 0, 100}, {-30, 0, 100}, {1500, 1500, 1600}};
  for (const Start& start : starts) {
    PlaySoundChannel(0, -1, 0, 0);
    PlaySoundChannel(0, 0, 0, start.position);
    const int played = GetSoundHandlePlayTimeMs(SoundEntryHandle(0, 0));
    EXPECT_GE(played, start.atLeast) << start.position;
    EXPECT_LT(played, start.below) << start.position;
  }
}

class SoundEffects : public SoundPlayTest {
 protected:
  void SetUp() override {
    SoundPlayTest::SetUp();
    WriteTone("short.wav", 100);
    WriteTone("long.wav", 2000);
    Entry(2, 0, "short.wav");
    Entry(2, 1, "long.wav");
  }
  static int Playing(int entry) { return IsSoundHandlePlaying(SoundEntryHandle(2, entry)); }
  static size_t Queued() { return gSoundManager.seHandles.size(); }
};

TEST_F(SoundEffects, ADelayedEffectPlaysAfterItsDelayAtItsVolume) {
  struct Case {
    int frameStep, delay;
    int playsAtUpdate;
  } cases[] = {{1, 0, 1}, {1, 2, 3}, {2, 2, 2}, {2, 3, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.frameStep) + " " + std::to_string(c.delay));
    TearDown();
    SetUp();
    gFrameStep = c.frameStep;
    gEventSystem.seVolume = 80;
    gSystemDatabase.WriteDatabaseInt(3, 1, 1, 50);
    PlaySoundChannel(2, 1, c.delay, 0);
    // The volume is set at once: 50 % of the entry at an SE master of 80 %.
    EXPECT_EQ(MixerVolume(SoundEntryHandle(2, 1)), MixerLevel(40));
    for (int update = 1; update <= c.playsAtUpdate; ++update) {
      EXPECT_EQ(Playing(1), 0) << update;
      UpdateSounds();
    }
    EXPECT_EQ(Playing(1), 1);
    EXPECT_EQ(Queued(), 0u);
  }
  // An SE master volume of 0 queues nothing.
  gEventSystem.seVolume = 0;
  PlaySoundChannel(2, 1, 0, 0);
  EXPECT_EQ(Queued(), 0u);
}

TEST_F(SoundEffects, AStopOfAllEffectsSilencesThePlayingAndDropsTheQueued) {
  PlaySoundChannel(2, 1, 0, 0);
  UpdateSounds();
  ASSERT_EQ(Playing(1), 1);
  PlaySoundChannel(2, 0, 5, 0);
  PlaySoundChannel(2, 65535, 0, 0);  // 65535 is the stop, too
  EXPECT_EQ(Queued(), 2u);
  UpdateSounds();
  EXPECT_EQ(Playing(1), 0);
  EXPECT_EQ(Queued(), 0u);
  for (int i = 0; i < 8; ++i) UpdateSounds();
  EXPECT_EQ(Playing(0), 0);  // the dropped one never plays
  // A delayed stop lets an effect play until it comes.
  PlaySoundChannel(2, 1, 0, 0);
  PlaySoundChannel(2, -1, 2, 0);
  UpdateSounds();
  EXPECT_EQ(Playing(1), 1);
  UpdateSounds();
  EXPECT_EQ(Playing(1), 1);
  UpdateSounds();
  EXPECT_EQ(Playing(1), 0);
}

TEST_F(SoundEffects, AnEffectMarkedForReleaseIsDeletedAfterItPlayedAndLoadsAgain) {
  gSystemDatabase.WriteDatabaseInt(3, 0, 3, 1);
  PlaySoundChannel(2, 0, 0, 0);
  const int handle = SoundEntryHandle(2, 0);
  ASSERT_GT(handle, 0);
  UpdateSounds();
  EXPECT_EQ(IsSoundHandlePlaying(handle), 1);
  UpdateSounds();
  EXPECT_EQ(Queued(), 1u);  // kept while it plays
  EXPECT_EQ(SoundEntryHandle(2, 0), handle);
  platform::AdvanceVirtualClock(300);
  UpdateSounds();
  EXPECT_EQ(Queued(), 0u);
  EXPECT_EQ(SoundEntryHandle(2, 0), 0);
  EXPECT_EQ(IsSoundHandlePlaying(handle), -1);  // deleted
  PlaySoundChannel(2, 0, 0, 0);
  EXPECT_GT(SoundEntryHandle(2, 0), 0);
  UpdateSounds();
  EXPECT_EQ(Playing(0), 1);
  // Without the mark the handle stays after the play.
  gSystemDatabase.WriteDatabaseInt(3, 1, 3, 0);
  PlaySoundChannel(2, 1, 0, 0);
  UpdateSounds();
  EXPECT_EQ(Queued(), 1u);  // entry 0 still waits for its end
  EXPECT_GT(SoundEntryHandle(2, 1), 0);
}

TEST_F(SoundPlayTest, ReleasingUnusedSoundsKeepsWhatPlaysAndWhatIsQueued) {
  for (const char* name : {"a.wav", "b.wav", "se.wav"}) WriteTone(name, 2000);
  Entry(0, 0, "a.wav");
  Entry(1, 0, "a.wav");
  Entry(1, 1, "b.wav");
  Entry(2, 0, "se.wav");
  Entry(2, 1, "b.wav");
  PlaySoundChannel(1, 0, 0, 0);  // a BGS that plays
  LoadSoundEntry(1, 1);          // loaded, silent
  LoadSoundEntry(0, 0);
  LoadSoundEntry(2, 1);
  PlaySoundChannel(2, 0, 10, 0);  // queued
  ASSERT_EQ(RegisterSoundFile("se.wav", 2, 0, 0, 100, 100), kDesigned);
  EXPECT_EQ(CountLoadedSounds(), 6);
  const int unused = SoundEntryHandle(1, 1);
  EXPECT_TRUE(ReleaseUnusedSounds(false));
  EXPECT_EQ(CountLoadedSounds(), 2);
  EXPECT_GT(SoundEntryHandle(1, 0), 0);
  EXPECT_GT(SoundEntryHandle(2, 0), 0);
  EXPECT_EQ(IsSoundHandlePlaying(unused), -1);
  EXPECT_TRUE(gSoundNameIndex.empty());
  EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(1, 0)), 1);
  EXPECT_TRUE(ReleaseUnusedSounds(true));
  EXPECT_EQ(CountLoadedSounds(), 0);
}

TEST_F(SoundPlayTest, OggEntriesReportTheirLengthWithoutTheExtraSecondOfTheEstimate) {
  WriteTone("a.wav", 2000);
  const char* names[] = {"o.ogg", "x.OGG", "x.ogg.wav", "x.Ogg", "a.wav"};
  for (int entry = 0; entry < 5; ++entry) {
    Entry(0, entry, names[entry]);
    Entry(1, entry, names[entry]);
  }
  gSoundManager.preloadDone = 0;
  PlaySoundChannel(0, 4, 0, 0);
  EXPECT_EQ(GetSoundChannelValue(0), 0);
  EXPECT_EQ(SoundChannelEndValue(0), 2000);
  // Half a second of Ogg: the estimate keeps 44100 frames more at its rate.
  struct Case {
    int rate, value;
  } cases[] = {{44100, -1000}, {22050, -2000}};
  for (const Case& c : cases) {
    WriteFile("o.ogg", soundtest::EncodeOgg(soundtest::Tone(c.rate / 2, 1, c.rate, 440), 1, c.rate));
    PlaySoundChannel(1, -1, 0, 0);
    ReleaseSoundEntry(1, 0);
    PlaySoundChannel(1, 0, 0, 0);
    EXPECT_EQ(GetSoundChannelValue(1), c.value) << c.rate;
    EXPECT_EQ(SoundChannelEndValue(1), 500) << c.rate;
  }
  // The flag of the BGS now playing decides.
  const int flags[] = {1, 1, 0, 0, 0};
  for (int entry = 0; entry < 5; ++entry) {
    gCurrentBgs = entry;
    EXPECT_EQ(GetSoundChannelValue(1), -2000 * flags[entry]) << names[entry];
  }
  gCurrentBgs = -1;
  EXPECT_EQ(GetSoundChannelValue(1), 0);
  EXPECT_EQ(GetSoundChannelValue(2), 0);
}

TEST_F(SoundPlayTest, WithoutTheMidiLibraryOneBoxAndTheOtherSoundsStillPlay) {
  platform::WithdrawModule(platform::kMidiModuleName);
  EXPECT_EQ(GGSSetDevice(-1, 0), -1);
  gMidiAvailable = 0;  // as start-up sets it
  const std::string path = std::filesystem::current_path().string() + "\\GuruGuruSMF.dll";
  const auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  // "GuruGuruSMF.dllがロードできませんでした。\n%s\n\nMIDI再生なしで起動します。"
  EXPECT_EQ(boxes[0].text,
            "GuruGuruSMF.dll\x82\xAA\x83\x8D\x81[\x83h\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
            "\x81"
            "B\n" +
                path +
                "\n\nMIDI\x8D\xC4\x90\xB6\x82\xC8\x82\xB5\x82\xC5\x8BN\x93\xAE\x82\xB5\x82\xDC\x82\xB7\x81"
                "B");
  WriteTone("a.wav", 2000);
  WriteTone("se.wav", 500);
  WriteFile("song.mid", soundtest::MidiFile({{60, 0, 960}}));
  Entry(0, 0, "song.mid");
  Entry(0, 1, "a.wav");
  Entry(2, 0, "se.wav");
  gSoundManager.preloadDone = 0;
  PlaySoundChannel(0, 0, 0, 0);  // a MIDI file without the library: nothing
  EXPECT_EQ(SoundEntryHandle(0, 0), 0);
  PlaySoundChannel(0, 1, 0, 0);
  PlaySoundChannel(2, 0, 0, 0);
  UpdateSounds();
  UpdateSounds();
  EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(0, 1)), 1);
  EXPECT_EQ(IsSoundHandlePlaying(SoundEntryHandle(2, 0)), 1);
  EXPECT_EQ(MixerVolume(SoundEntryHandle(0, 1)), MixerLevel(100));
  EXPECT_EQ(platform::RecordedMessageBoxes().size(), 1u);
  EXPECT_TRUE(RecordedNotices().empty());
}

}  // namespace
