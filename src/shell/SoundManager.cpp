#include "shell/SoundManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableId.h"
#include "media/PublicFunctions.h"
#include "platform/text/Cp932Literal.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/MidiLibrary.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

// The indexes first: the manager's constructor empties them.
std::map<std::string, int> gSoundNameIndex;
std::map<std::string, int> gSoundEffectNameIndex;
SoundManager gSoundManager;
int gSoundSetting = 3;
int gMidiAvailable = 1;

SoundManager::SoundManager() {
  gSoundNameIndex.clear();
  gSoundEffectNameIndex.clear();
}

namespace {

constexpr int kSpareEntries = 10;

bool MusicOn() { return gSoundSetting == 2 || gSoundSetting == 3; }
bool EffectsOn() { return gSoundSetting == 1 || gSoundSetting == 3; }

int DesignedCount(int kind) { return gGameSystem.soundListSizes[static_cast<size_t>(kind)]; }
int& SpareSlot(int kind) { return gGameSystem.soundListSizes[3 + static_cast<size_t>(kind)]; }

bool HasRow(int kind, int entry) { return entry >= 0 && entry < SoundTypeDataCount(kind); }

// Writes list[index] only inside the list.
void SetFlag(std::vector<int32_t>& list, int index, int32_t value) {
  if (index >= 0 && index < static_cast<int>(list.size())) list[static_cast<size_t>(index)] = value;
}

// ".mid"/".MID" (or another pair) at or after the fifth-last character.
bool HasExtension(const std::string& path, const char* lower, const char* upper) {
  const size_t from = path.size() > 5 ? path.size() - 5 : 0;
  return path.find(lower, from) != std::string::npos || path.find(upper, from) != std::string::npos;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  const FileHandle file = OpenFileForRead(path.c_str(), 0);
  if (!file) return std::nullopt;
  const int size = GetFileSizeByName(path.c_str());
  std::vector<uint8_t> image(static_cast<size_t>(std::max(size, 0)));
  if (size > 0 && !ReadFileBlock(image.data(), size, file)) image.clear();
  FileLayerClose(file);
  return image;
}

int ImageSize(const std::vector<uint8_t>& image) { return static_cast<int>(image.size()); }

// A failed load leaves no handle: -1 in a slot would stop every sound effect.
int HandleOrZero(int handle) { return handle > 0 ? handle : 0; }

int& Slot(int kind, int entry) { return gSoundManager.handles[static_cast<size_t>(kind)][entry]; }

bool IsChannelHandle(int handle) {
  return handle != 0 && (handle == gSoundManager.channels[0].handle || handle == gSoundManager.channels[1].handle);
}

// The channel's next change cuts a sound that fades out, so an entry that
// asks for its file again needs a handle of its own.
bool IsFadingOut(int handle) {
  return handle != 0 && !IsChannelHandle(handle) &&
         (handle == gSoundManager.channels[0].oldHandle || handle == gSoundManager.channels[1].oldHandle);
}

bool HeldByAnEntry(int handle) {
  for (const auto& table : gSoundManager.handles)
    for (const auto& [entry, slot] : table)
      if (slot == handle) return true;
  return false;
}

std::map<std::string, int>& NameIndex(int kind) { return kind == 2 ? gSoundEffectNameIndex : gSoundNameIndex; }

void ClearNameIndexes() {
  gSoundNameIndex.clear();
  gSoundEffectNameIndex.clear();
}

int MasterVolume(int kind) {
  return kind == 0 ? gEventSystem.bgmMasterVolume : kind == 1 ? gEventSystem.bgsMasterVolume : gEventSystem.seVolume;
}

std::array<int32_t, 3>& ReportValues(int kind) {
  return kind == 0 ? gEventSystem.bgmFileValues : gEventSystem.bgsFileValues;
}

void ShowMissingSound(const std::string& path) {
  char text[1200];
  (void)std::snprintf(text, sizeof text, Cp932<"ｻｳﾝﾄﾞ:ﾌｧｲﾙ「%.1000s」が見つかりません\n">, path.c_str());
  ShowNoticeBox(Cp932<"音声ファイル読み込みエラー">, text, "");
}

}  // namespace

void ConstructSoundManager() { gSoundManager = SoundManager(); }

void DestroySoundManager() {
  DeleteAllSoundHandles();
  ClearNameIndexes();
}

void ResetSoundManager() {
  gSoundManager = SoundManager();
  DestroySoundManager();
}

int SoundTypeDataCount(int kind) {
  return kind < 0 || kind > 2 ? 0 : std::max(gSystemDatabase.GetDatabaseDataCount(kind + 1), 0);
}

std::string SoundEntryName(int kind, int entry) {
  return HasRow(kind, entry) ? gSystemDatabase.ReadDatabaseString(kind + 1, entry, 0) : std::string();
}

int SoundEntryInt(int kind, int entry, int content) {
  return HasRow(kind, entry) ? gSystemDatabase.ReadDatabaseInt(kind + 1, entry, content) : 0;
}

int32_t SoundListFlag(const std::vector<int32_t>& list, int index) {
  return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<size_t>(index)] : 0;
}

int SoundFadeFrames(int fade) { return fade < 0 || fade == INT_MAX ? 1 : fade + 1; }

void SetSoundHandleRatePercent(int handle, int percent) {
  // Frequency 0 (or below) is the file's own rate.
  SetSoundHandleFrequency(
      percent != 0 ? static_cast<int>(int64_t{GetSoundHandleSampleRate(handle)} * percent / 100) : -1, handle);
}

int SoundEntryHandle(int kind, int entry) {
  if (kind < 0 || kind > 2) return 0;
  const auto& table = gSoundManager.handles[static_cast<size_t>(kind)];
  const auto found = table.find(entry);
  return found == table.end() ? 0 : found->second;
}

void SizeSoundTables() {
  SoundManager& m = gSoundManager;
  m.midiFlags.assign(static_cast<size_t>(SoundTypeDataCount(0)) + 20, 0);
  m.oggFlags[0].assign(static_cast<size_t>(SoundTypeDataCount(0)) + 20, 0);
  m.oggFlags[1].assign(static_cast<size_t>(SoundTypeDataCount(1)) + 20, 0);
}

void PreloadSounds() {
  SoundManager& m = gSoundManager;
  if (m.midiFlags.empty()) SizeSoundTables();
  for (int kind = 0; kind < 2; ++kind)
    for (int entry = 0; entry < SoundTypeDataCount(kind); ++entry)
      SetFlag(m.oggFlags[static_cast<size_t>(kind)], entry, HasExtension(SoundEntryName(kind, entry), ".ogg", ".OGG"));
  if (gMidiAvailable == 1) {
    for (int entry = 0; entry < DesignedCount(0); ++entry) {
      const std::string name = SoundEntryName(0, entry);
      const std::string path = "Data\\" + name;
      if (!HasExtension(path, ".mid", ".MID")) continue;
      if (const auto image = ReadWholeFile(path)) {
        GGSReadList(image->data(), ImageSize(*image), 1, entry + 1);
        SetFlag(m.midiFlags, entry, 1);
      } else {
        char text[1200];
        (void)std::snprintf(text, sizeof text, Cp932<"[初期化]MIDIファイル Type%d-%d:%.1000s が見つかりません\n">, 1,
                            entry, name.c_str());
        ShowNoticeBox(Cp932<"MIDI読み込みエラー">, text, "");
        SetFlag(m.midiFlags, entry, -1);
      }
    }
  }
  m.preloadDone = 1;
}

bool LoadSoundEntry(int kind, int entry) {
  if (entry == -1) return true;
  if (kind < 0 || kind > 2 || entry < 0) return true;
  if (kind < 2 ? !MusicOn() : !EffectsOn()) return true;
  if (kind == 0 && SoundListFlag(gSoundManager.midiFlags, entry) == 1) return true;
  if (entry >= DesignedCount(kind)) return true;
  SetSoundLoadKind(kind == 2 ? 0 : 2);
  if (SoundEntryHandle(kind, entry)) return true;
  const std::string name = SoundEntryName(kind, entry);
  const std::string path = gDataFolderPath + name;
  if (const auto image = ReadWholeFile(path)) {
    Slot(kind, entry) = HandleOrZero(kind == 2 ? LoadSoundFromImage(image->data(), ImageSize(*image), 5, -1)
                                               : LoadSoundFromImageSingle(image->data(), ImageSize(*image), -1));
  } else if (!name.empty()) {
    char text[1200];
    (void)std::snprintf(text, sizeof text, Cp932<"ｼｽﾃﾑDBﾀｲﾌﾟ%d-%d:%.1000s が見つかりません\n">, kind + 1, entry,
                        path.c_str());
    ShowNoticeBox(Cp932<"音声ファイル読み込みエラー">, text, ErrorLocationText());
  }
  return true;
}

void LoadSoundFileEntry(const std::string& path, int kind, int entry) {
  SoundManager& m = gSoundManager;
  const bool midi = kind == 0 && HasExtension(path, ".mid", ".MID");
  if (kind < 2) {
    if (kind == 0) SetFlag(m.midiFlags, entry, midi ? 1 : 0);
    if (!midi) SetFlag(m.oggFlags[static_cast<size_t>(kind)], entry, HasExtension(path, ".ogg", ".OGG"));
  }
  auto& index = NameIndex(kind);
  if (!midi) {
    const auto loaded = index.find(path);
    if (loaded != index.end() && !IsFadingOut(loaded->second)) return;
  }
  const auto image = ReadWholeFile(path);
  if (!image) {
    if (!path.empty()) ShowMissingSound(path);
    return;
  }
  if (kind == 2) {
    SetSoundLoadKind(0);
    index[path] = HandleOrZero(LoadSoundFromImage(image->data(), ImageSize(*image), 3, -1));
    return;
  }
  SetSoundLoadKind(2);
  if (midi) {
    GGSReadList(image->data(), ImageSize(*image), 1, entry + 1);
    return;
  }
  if (kind == 0) GGSDeleteList(entry + 1);
  index[path] = HandleOrZero(LoadSoundFromImageSingle(image->data(), ImageSize(*image), -1));
}

namespace {

// The leading signed decimal number of a line, 0 when it has none.
int LeadingNumber(const std::string& line) {
  size_t at = 0;
  bool negative = false;
  if (at < line.size() && (line[at] == '-' || line[at] == '+')) negative = line[at++] == '-';
  int64_t value = 0;
  while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
    value = std::min<int64_t>(value * 10 + (line[at++] - '0'), INT_MAX);
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

int RegisterSoundFile(const std::string& rawText, int kind, int fade, int loopStart, int volume, int frequency) {
  if (kind < 0 || kind > 2) return -1;
  SoundManager& m = gSoundManager;
  int& slot = SpareSlot(kind);
  slot = ((slot % kSpareEntries) + kSpareEntries) % kSpareEntries;
  const int n = DesignedCount(kind) + slot;
  std::string text;
  for (char c : rawText)
    if (c != '\r') text += c;
  const size_t firstFeed = text.find('\n');
  if (text.empty() || firstFeed == 0 || firstFeed == 1) return -1;
  // A type without its ten spare rows has nowhere to put the sound.
  if (n < 0 || n >= SoundTypeDataCount(kind)) return -10;
  std::vector<std::string> lines;
  size_t at = 0;
  while (lines.size() < 3) {
    const size_t feed = text.find('\n', at);
    lines.push_back(text.substr(at, feed == std::string::npos ? std::string::npos : feed - at));
    if (feed == std::string::npos) {
      at = text.size();
      break;
    }
    at = feed + 1;
  }
  if (lines.size() == 3 && at < text.size()) lines.push_back(text.substr(at));
  const std::string path = "Data\\" + lines[0];
  if (lines.size() > 1) volume = LeadingNumber(lines[1]);
  if (lines.size() > 2) frequency = LeadingNumber(lines[2]);
  if (lines.size() > 3) loopStart = LeadingNumber(lines[3]);

  LoadSoundFileEntry(path, kind, n);
  const auto& index = NameIndex(kind);
  const auto indexed = index.find(path);
  const int h = indexed == index.end() ? 0 : indexed->second;

  const bool samePlaying = kind == 0
                               ? (m.bgmIsMidi ? path == gEventSystem.bgmFileText : h != 0 && h == m.channels[0].handle)
                               : kind == 1 && h != 0 && h == m.channels[1].handle;
  if (samePlaying) {
    SoundFade& c = m.channels[static_cast<size_t>(kind)];
    c.fadeLeft = c.fadeTotal = SoundFadeFrames(fade);
    c.fadeInStart = c.fadeOutVolume = c.volume;
    c.volume = static_cast<int>(int64_t{volume} * MasterVolume(kind) / 100);
    c.frequency = frequency;
    if (kind == 0 && m.bgmIsMidi) {
      m.tempoCountdown = -1;
      GGSTempoDepth(MidiTempoOfFrequency(frequency));
    } else {
      SetSoundHandleRatePercent(c.handle, frequency);
    }
    ReportValues(kind)[0] = volume;
    ReportValues(kind)[1] = frequency;
    return -10;
  }
  if (kind == 2 && SoundListFlag(m.speechMarks, n) == 1 && SoundEntryHandle(2, n)) {
    ReleaseSoundEntry(2, n);
    SetFlag(m.speechMarks, n, 0);
  }
  Slot(kind, n) = h;
  gSystemDatabase.WriteDatabaseString(kind + 1, n, 0, path);
  gSystemDatabase.WriteDatabaseInt(kind + 1, n, 1, volume);
  gSystemDatabase.WriteDatabaseInt(kind + 1, n, 2, frequency);
  // A sound effect's content 3 is its release-after-play mark; one left by a
  // speech in this entry would release the file's shared handle.
  gSystemDatabase.WriteDatabaseInt(kind + 1, n, 3, kind < 2 ? loopStart : 0);
  const int previous = DesignedCount(kind) + (slot + 9) % kSpareEntries;
  if (HasRow(kind, previous)) gSystemDatabase.WriteDatabaseString(kind + 1, previous, 0, std::string());
  slot = (slot + 1) % kSpareEntries;
  return n;
}

void DeleteLoadedSound(int handle) {
  StopSoundHandle(handle);
  // Every entry registered with the same file shares its handle, and one
  // entry's release must not leave the others a deleted handle.
  if (HeldByAnEntry(handle)) return;
  DeleteSoundHandle(handle);
  // By handle, not by the entry's name: a speech or a later registration may
  // have renamed the entry since the file was loaded.
  for (auto* index : {&gSoundNameIndex, &gSoundEffectNameIndex})
    std::erase_if(*index, [handle](const auto& named) { return named.second == handle; });
}

void UnloadSoundHandle(int kind, int handle) {
  if (handle == 0 || kind < 0 || kind > 2 || IsChannelHandle(handle)) return;
  auto& table = gSoundManager.handles[static_cast<size_t>(kind)];
  for (auto& [entry, slot] : table) {
    if (entry < 0 || entry >= SoundTypeDataCount(kind) || slot != handle) continue;
    slot = 0;
    DeleteLoadedSound(handle);
    return;
  }
}

bool ReleaseSoundEntry(int kind, int entry) {
  if (kind < 0 || kind > 2 || entry < 0) return false;
  const int handle = SoundEntryHandle(kind, entry);
  if (!handle || IsChannelHandle(handle)) return false;
  Slot(kind, entry) = 0;
  DeleteLoadedSound(handle);
  return true;
}

bool ReleaseUnusedSounds(bool all) {
  SoundManager& m = gSoundManager;
  for (int kind = 0; kind < 3; ++kind) {
    for (auto& [entry, handle] : m.handles[static_cast<size_t>(kind)]) {
      if (!handle || entry < 0 || entry >= SoundTypeDataCount(kind)) continue;
      if (!all) {
        if (IsSoundHandlePlaying(handle) > 0) continue;
        if (kind == 2 && std::find(m.seHandles.begin(), m.seHandles.end(), handle) != m.seHandles.end()) continue;
      }
      DeleteSoundHandle(handle);
      handle = 0;
    }
  }
  ClearNameIndexes();
  if (all) {
    DeleteAllSoundHandles();
    ClearNameIndexes();
  }
  return true;
}

int CountLoadedSounds() {
  int count = 0;
  for (int kind = 0; kind < 3; ++kind)
    for (const auto& [entry, handle] : gSoundManager.handles[static_cast<size_t>(kind)])
      if (handle && entry >= 0 && entry < SoundTypeDataCount(kind)) ++count;
  return count;
}

int GetSoundChannelValue(int kind) {
  if (kind != 0 && kind != 1) return 0;
  const int entry = kind == 0 ? gEventSystem.currentBgm : gEventSystem.currentBgs;
  if (SoundListFlag(gSoundManager.oggFlags[static_cast<size_t>(kind)], entry) != 1) return 0;
  // An Ogg's length is estimated 44100 frames too long. Those frames are
  // taken off at the sound's own rate, not as a flat second, so the length
  // comes out right at every rate and not only at 44.1 kHz.
  const int rate = GetSoundHandleSampleRate(gSoundManager.channels[static_cast<size_t>(kind)].handle);
  return rate > 0 ? -static_cast<int>(int64_t{44100} * 1000 / rate) : -1000;
}
