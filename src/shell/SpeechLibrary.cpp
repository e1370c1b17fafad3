#include "shell/SpeechLibrary.h"

#include <algorithm>

#include "gamedata/DataFileScramble.h"
#include "gamedata/Database.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/files/Files.h"
#include "platform/modules/Modules.h"
#include "platform/text/Cp932Literal.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/SoundManager.h"

namespace {

using SyntheFunction = unsigned char* (*)(const char* text, int speed, int* size);
using FreeWaveFunction = void (*)(unsigned char* image);

int gLibrary = 0;
SyntheFunction gSynthe = nullptr;
FreeWaveFunction gFreeWave = nullptr;

// The game's folder: a folder given on the command line stands for the
// executable's.
std::string ModulePath() {
  return (gExeFolderPath.empty() ? GetExecutableFolder() : gExeFolderPath) + platform::kSpeechModuleName;
}

}  // namespace

bool SpeechLibraryPresent() {
  const int file = platform::FileOpen(ModulePath(), platform::FileAccess::Read);
  if (!file) return false;
  platform::FileClose(file);
  return true;
}

bool LoadSpeechLibrary() {
  if (gLibrary) return true;
  gLibrary = platform::LoadModule(ModulePath());
  if (!gLibrary) return false;
  gSynthe = reinterpret_cast<SyntheFunction>(platform::GetModuleProc(gLibrary, "AquesTalk_Synthe"));
  gFreeWave = reinterpret_cast<FreeWaveFunction>(platform::GetModuleProc(gLibrary, "AquesTalk_FreeWave"));
  if (!gSynthe) {
    platform::ShowMessageBox(Cp932<"AquesTalk.dllは存在しましたが、関数が読み込めませんでした。">,
                             Cp932<"DLL読み込みエラー">, platform::kMbOk);
    return false;
  }
  return true;
}

bool FreeSpeechLibrary() {
  if (gLibrary) platform::FreeModule(gLibrary);
  gLibrary = 0;
  gSynthe = nullptr;
  gFreeWave = nullptr;
  return true;
}

bool IsSpeechSynthAvailable() { return gSynthe != nullptr; }

int PlaySpeech(const std::string& text, int speed, int volume, int pitch) {
  SoundManager& m = gSoundManager;
  const int designed = gGameSystem.soundListSizes[2];
  int& slot = gGameSystem.soundListSizes[5];
  if (!m.speechSized) {
    m.speechMarks.assign(static_cast<size_t>(std::max(designed + 10, 0)), 0);
    m.speechSized = 1;
  }
  slot = ((slot % 10) + 10) % 10;
  const int n = designed + slot;
  // A sound-effect type without its spare rows has nowhere to keep the speech.
  if (n < 0 || n >= SoundTypeDataCount(2) || !gSynthe) return -10;
  pitch = std::max(pitch, 20);
  int size = 0;
  unsigned char* image = gSynthe(text.c_str(), static_cast<int>(int64_t{speed} * 100 / pitch), &size);
  if (!image) return -10;
  gSystemDatabase.WriteDatabaseString(3, n, 0, Cp932<"合成音声">);
  gSystemDatabase.WriteDatabaseInt(3, n, 1, volume);
  gSystemDatabase.WriteDatabaseInt(3, n, 2, pitch);
  gSystemDatabase.WriteDatabaseInt(3, n, 3, 1);
  SetSoundLoadKind(0);
  if (SoundEntryHandle(2, n)) ReleaseSoundEntry(2, n);
  const int handle = LoadSoundFromImage(image, size, 1, -1);
  gSoundManager.handles[2][n] = handle > 0 ? handle : 0;
  if (n < static_cast<int>(m.speechMarks.size())) m.speechMarks[static_cast<size_t>(n)] = 1;
  if (gFreeWave) gFreeWave(image);
  slot = (slot + 1) % 10;
  return n;
}
