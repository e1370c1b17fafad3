#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "foundation/FileLayer.h"
#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "media/sound/SoundSystem.h"
#include "platform/Backend.h"
#include "platform/audio/Audio.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/modules/Modules.h"
#include "platform/time/Time.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/MidiLibrary.h"
#include "shell/NoticeBox.h"
#include "shell/SoundChannels.h"
#include "shell/SoundManager.h"
#include "shell/SpeechLibrary.h"
#include "shell/StartupGlobals.h"
#include "support/ScratchFolder.h"
#include "support/SoundFixtures.h"

namespace soundmanagertest {

// Calls of the MIDI module the tests register in place of the built-in one.
inline std::vector<std::string> gCalls;
inline void Log(const std::string& call) { gCalls.push_back(call); }
inline int SetDevice(int, int) { return 0; }
inline int ReadList(const void*, int size, int, int id) {
  Log("ReadList " + std::to_string(size) + " " + std::to_string(id));
  return 0;
}
inline int Play(int, int id, int ms) {
  Log("Play " + std::to_string(id) + " " + std::to_string(ms));
  return 0;
}
inline void Stop() { Log("Stop"); }
inline void MasterVolume(int v) { Log("Volume " + std::to_string(v)); }
inline void TempoDepth(int t) { Log("Tempo " + std::to_string(t)); }

template <typename F>
platform::ModuleProc Proc(F f) {
  return reinterpret_cast<platform::ModuleProc>(f);
}

constexpr int kDesigned = 5;

// Three sound types of five designed entries and ten spare rows each, sound
// on, frame step 1, no library loaded; the manager fresh with its tables
// sized and its preload done.
class SoundManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetBackend(platform::Backend::Headless);
    platform::ResetModules();
    platform::ClearRecordedMessageBoxes();
    ClearRecordedNotices();
    gCalls.clear();
    gEventSystem = EventSystem();
    gGameSystem = GameSystem();
    gSoundSetting = 3;
    gMidiAvailable = 1;
    gFrameStep = 1;
    gSystemDatabase.types.assign(4, DatabaseTypeData());
    for (size_t type = 1; type < 4; ++type) {
      gSystemDatabase.types[type].contentCodes = {2000, 1000, 1001, 1002};
      gSystemDatabase.types[type].rows.resize(kDesigned + 10);
      for (DatabaseRow& row : gSystemDatabase.types[type].rows) {
        row.strings = {""};
        row.ints = {0, 0, 0};
      }
    }
    gGameSystem.soundListSizes = {kDesigned, kDesigned, kDesigned, 0, 0, 0};
    ResetSoundManager();
    SizeSoundTables();
    gSoundManager.preloadDone = 1;
  }
  void TearDown() override {
    GGSFree();
    FreeSpeechLibrary();
    platform::ResetModules();
  }
  void UseLoggingMidiModule() {
    platform::RegisterModule(platform::kMidiModuleName, {{"GGSSetDevice", Proc(&SetDevice)},
                                                         {"GGSReadList", Proc(&ReadList)},
                                                         {"GGSPlay", Proc(&Play)},
                                                         {"GGSStop", Proc(&Stop)},
                                                         {"GGSMasterVolume", Proc(&MasterVolume)},
                                                         {"GGSTempoDepth", Proc(&TempoDepth)}});
    ASSERT_EQ(GGSSetDevice(-1, 0), 0);
  }
  // A designed BGM entry held by the MIDI library, at a frequency percent.
  static void MidiEntry(int entry, int frequency) {
    gSoundManager.midiFlags[static_cast<size_t>(entry)] = 1;
    gSystemDatabase.WriteDatabaseString(1, entry, 0, "song.mid");
    gSystemDatabase.WriteDatabaseInt(1, entry, 2, frequency);
  }
  static int TempoCalls() {
    int count = 0;
    for (const std::string& call : gCalls) count += call.rfind("Tempo", 0) == 0;
    return count;
  }
};

// The same with the sound layer on the headless mixer and a game folder
// (the current directory) whose Data folder holds the sound files.
class SoundPlayTest : public SoundManagerTest {
 protected:
  void SetUp() override {
    SoundManagerTest::SetUp();
    folder_ = std::make_unique<ScratchFolder>(true);
    platform::SetVirtualClock(5000);
    platform::ResetHeadlessAudio();
    gSoundSystem = SoundSystemState{};
    ASSERT_EQ(StartSoundSystem(), 0);
    FileLayerInstall(nullptr);
    gDataFolderPath = "Data\\";
  }
  void TearDown() override {
    ResetSoundManager();
    EndSoundSystem();
    gSoundSystem = SoundSystemState{};
    platform::ResetHeadlessAudio();
    folder_.reset();
    SoundManagerTest::TearDown();
  }
  // Writes Data/<name>, a mono tone of `ms` at 22050 Hz.
  void WriteTone(const std::string& name, int ms) const {
    const int frames = 22050 * ms / 1000;
    const soundtest::Bytes wave =
        soundtest::PcmWave(1, 22050, 16, soundtest::ToBytes(soundtest::Tone(frames, 1, 22050, 440)));
    folder_->Write("Data/" + name, std::string(wave.begin(), wave.end()));
  }
  void WriteFile(const std::string& name, const soundtest::Bytes& bytes) const {
    folder_->Write("Data/" + name, std::string(bytes.begin(), bytes.end()));
  }
  // Designed entry `entry` of a kind names `file` (volume and frequency
  // contents 0: full volume, own rate).
  static void Entry(int kind, int entry, const std::string& file, int content3 = 0) {
    gSystemDatabase.WriteDatabaseString(kind + 1, entry, 0, file);
    gSystemDatabase.WriteDatabaseInt(kind + 1, entry, 3, content3);
  }
  // The mixer volume (hundredths of a dB) of a sound handle's first buffer;
  // kMixerVolumeMin - 1 when the handle is gone.
  static int MixerVolume(int handle) {
    SoundRecord* record = SoundRecordOf(handle);
    if (!record || !record->buffers[0].created) return platform::kMixerVolumeMin - 1;
    return platform::GetAudioBufferVolume(record->buffers[0].buffer);
  }
  // What the mixer is given for a volume percent of the manager.
  static int MixerLevel(int percent) {
    return percent <= 0 ? platform::kMixerVolumeMin
                        : std::max(static_cast<int>(std::trunc(1000.0 * std::log10(std::min(percent, 255) / 255.0))),
                                   platform::kMixerVolumeMin);
  }
  std::unique_ptr<ScratchFolder> folder_;
};

}  // namespace soundmanagertest
