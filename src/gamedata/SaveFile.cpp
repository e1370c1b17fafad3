// Save files: a 20-byte header with the seed and check bytes, then the
// scrambled body: start marker 0x19, title block, the state blocks, end
// marker 0x19.
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "gamedata/DataFileScramble.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GameText.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/SaveManager.h"
#include "media/PublicFunctions.h"
#include "platform/files/Files.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"

SaveManager gSaveManager;
uint8_t gReplayPlaying = 0;
uint8_t gReplayFinished = 0;

namespace {

constexpr size_t kHeaderBytes = 20;
constexpr uint8_t kMarker = 0x19;
// Bytes a reader lets pass after the blocks, the end marker included.
constexpr size_t kSlackBytes = 200;
constexpr std::array<size_t, 3> kSeedOffsets{0, 3, 9};
constexpr std::array<size_t, 3> kCheckOffsets{2, 6, 8};

const std::string& GameTitle() {
  static const std::string kNone;
  return gGameInfo.strings.empty() ? kNone : gGameInfo.strings[0];
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Gives the buffer's memory back on every way out of a save or a load.
struct BufferRelease {
  ~BufferRelease() {
    gSaveBuffer.position = 0;
    gSaveBuffer.size = 0;
    std::vector<uint8_t>().swap(gSaveBuffer.data);
  }
};

// The runners of the game a load replaces. The command that loads runs in
// one of them, so they stay alive until the next load rather than end under
// it.
struct RetiredRunners {
  EventRunner mainRunner;
  std::vector<MapEventCharacter> eventCharacters;
  std::vector<CommonEventRunEntry> commonEventRunEntries;
};
RetiredRunners gRetiredRunners;

void ShowDiskFullNotice() {
  ShowNoticeBox(Cp932Text("セーブ処理エラー：ハードディスク容量が足りませんでした"),
                Cp932Text("不要なデータを削除して、ファイル容量を増やしてください"), "");
}

}  // namespace

void WriteSaveTitleBlock() {
  const std::string& title = GameTitle();
  WriteInt16(gSaveBuffer, static_cast<int16_t>(title.size() + 1));
  gSaveBuffer.WriteBytes(title.data(), title.size());
  gSaveBuffer.WriteUint8(0);
  WriteInt16(gSaveBuffer, static_cast<int16_t>(kSaveFormatVersion));
}

bool CheckSaveTitleBlock() {
  SaveBuffer& buffer = gSaveBuffer;
  std::string stored;
  int16_t format = 0;
  if (!buffer.ReadStr16Z(stored) || !ReadInt16(buffer, format)) return false;
  buffer.formatNumber = format;
  if (stored != GameTitle()) {
    ShowNoticeBox(Cp932Text("セーブエラー"),
                  Cp932Text("異なるゲーム「") + stored + Cp932Text("」のセーブデータをロードしようとしました"), "");
    return false;
  }
  return true;
}

std::string SaveManager::SaveFilePath(int slot, const std::string& prefix) {
  std::string path = gExeFolderPath;
  if (!path.empty() && !IsSeparator(path.back())) path += '\\';
  path += prefix;
  if (slot != 0) {
    char number[16];
    (void)std::snprintf(number, sizeof number, "%.2i.sav", slot);
    path += number;
  }
  return path;
}

bool SaveManager::IsCached(const std::string& path) const {
  auto it = cachedFlags.find(path);
  return it != cachedFlags.end() && it->second;
}

bool SaveManager::WriteSaveFile(int slot, bool captureLive, const std::string& prefix) {
  if (gReplayPlaying) return true;
  const std::string path = SaveFilePath(slot, prefix);
  SaveStateSnapshot& snapshot = snapshots[path];
  if (captureLive) snapshot.CaptureLiveState();

  BufferRelease release;
  SaveBuffer& buffer = gSaveBuffer;
  buffer.BeginWrite();
  buffer.WriteBytes(std::array<uint8_t, kHeaderBytes>{}.data(), kHeaderBytes);
  buffer.WriteUint8(kMarker);
  WriteSaveTitleBlock();
  snapshot.WriteSnapshotBlocks();
  buffer.WriteUint8(kMarker);
  // A field too long for its place: the save is refused, not written wrong.
  if (buffer.writeFailed) return false;
  const size_t length = buffer.position;

  // Seed bytes from the time; all-zero seeds store the body plain.
  ScrambleGenerator generator;
  generator.Seed(static_cast<uint32_t>(std::time(nullptr)));
  std::array<uint8_t, 3> seeds{};
  for (int attempt = 0; attempt < 2 && seeds == std::array<uint8_t, 3>{}; ++attempt) {
    for (uint8_t& seed : seeds) seed = static_cast<uint8_t>((generator.Draw() & 0xFF0) >> 4);
  }
  std::array<uint8_t, 3> checks{};
  ScrambleDataBody(path, buffer.data.data(), kHeaderBytes, length, 3, seeds.data(), -3, checks.data());
  for (size_t i = 0; i < kHeaderBytes; ++i) buffer.data[i] = static_cast<uint8_t>(generator.Draw() >> 8);
  for (size_t i = 0; i < 3; ++i) {
    buffer.data[kSeedOffsets[i]] = seeds[i];
    buffer.data[kCheckOffsets[i]] = checks[i];
  }

  if (!gExeFolderPath.empty()) platform::CurrentDirectorySet(gExeFolderPath);
  platform::DirectoryCreate("Save");
  const int64_t freeBytes = platform::DiskFreeBytes(".");
  if (freeBytes >= 0 && freeBytes < static_cast<int64_t>(length) - static_cast<int64_t>(kSlackBytes)) {
    ShowDiskFullNotice();
    return false;
  }
  // What a write killed before its rename left of this slot goes now; a
  // young one may be another run of this folder writing the slot.
  platform::RemoveReplaceLeftovers(path, 60);
  switch (platform::FileReplaceAtomic(path, buffer.data.data(), static_cast<int64_t>(length))) {
    case platform::ReplaceResult::Ok: break;
    case platform::ReplaceResult::NoSpace: ShowDiskFullNotice(); return false;
    case platform::ReplaceResult::NoTemporary:
    case platform::ReplaceResult::Failed: return false;
  }
  gEventSystem.lastSlotNumber = slot;
  cachedFlags[path] = 1;
  missingFlags[path] = 0;
  return true;
}

void SaveManager::ReportDamaged(int slot, SaveStateSnapshot& snapshot) {
  snapshot = SaveStateSnapshot();
  // The seconds come from another read: the buffer goes first, and that read
  // reports no damage of its own.
  gSaveBuffer.position = 0;
  gSaveBuffer.size = 0;
  std::vector<uint8_t>().swap(gSaveBuffer.data);
  if (damagedNoticeDepth_ > 0) return;
  ++damagedNoticeDepth_;
  const int seconds = ReadSaveSlotVariable(slot, 9000012, "");
  --damagedNoticeDepth_;
  char line[128];
  (void)std::snprintf(line, sizeof line, Cp932Text("セーブデータ%.2iが破損しています %d秒").c_str(), slot, seconds);
  ShowNoticeBox(line, "", "");
}

bool SaveManager::ReadAndCheck(int slot, SaveStateSnapshot& snapshot, bool replay) {
  SaveBuffer& buffer = gSaveBuffer;
  uint8_t marker = 0;
  if (!buffer.ReadUint8(marker)) return false;
  if (marker != kMarker) {
    ReportDamaged(slot, snapshot);
    return false;
  }
  if (!CheckSaveTitleBlock()) return false;
  snapshot.RestoreSnapshot(false, replay);
  if (buffer.shortData || buffer.size > buffer.position + kSlackBytes) {
    ReportDamaged(slot, snapshot);
    return false;
  }
  if (!buffer.ReadUint8(marker)) return false;
  if (marker != kMarker) {
    ReportDamaged(slot, snapshot);
    return false;
  }
  return true;
}

bool SaveManager::ReadSaveFile(int slot, bool applyLive, bool replay, const std::string& prefix) {
  const std::string path = SaveFilePath(slot, prefix);
  if (!applyLive && !replay) {
    if (IsCached(path)) return true;
    auto missing = missingFlags.find(path);
    if (missing != missingFlags.end() && missing->second) return false;
  }
  SaveBuffer& buffer = gSaveBuffer;
  buffer.shortData = false;
  const FileHandle file = OpenFileForRead(path.c_str(), 0);
  if (file == 0) {
    missingFlags[path] = 1;
    return false;
  }
  missingFlags[path] = 0;

  SaveStateSnapshot& snapshot = snapshots[path];
  snapshot.ResetSnapshotState();
  snapshot.eventSystem.savedStateFlag = 0;

  BufferRelease release;
  const int fileSize = GetFileSizeByName(path.c_str());
  std::vector<uint8_t> bytes(fileSize > 0 ? static_cast<size_t>(fileSize) : 0);
  const bool whole = bytes.empty() || ReadFileBlock(bytes.data(), static_cast<int>(bytes.size()), file) == 1;
  FileLayerClose(file);
  if (!whole) bytes.clear();
  buffer.BeginRead(std::move(bytes));
  // The header first: a file without one holds no body either.
  if (buffer.size < kHeaderBytes) {
    buffer.shortData = true;
    return false;
  }
  buffer.position = kHeaderBytes;
  std::array<uint8_t, 3> seeds{};
  std::array<uint8_t, 3> checks{};
  for (size_t i = 0; i < 3; ++i) {
    seeds[i] = buffer.data[kSeedOffsets[i]];
    checks[i] = buffer.data[kCheckOffsets[i]];
  }
  ScrambleDataBody(path, buffer.data.data(), kHeaderBytes, buffer.size, 3, seeds.data(), 0, nullptr);

  if (!ReadAndCheck(slot, snapshot, replay)) return false;
  snapshot.variableStore.context = &snapshot.eventSystem;
  snapshot.eventSystem.savedStateFlag = 1;
  cachedFlags[path] = 1;
  // A byte sum that does not match ends the program before anything of the
  // live game is touched.
  if (seeds != std::array<uint8_t, 3>{}) {
    ScrambleDataBody(path, buffer.data.data(), kHeaderBytes, buffer.position, 0, nullptr, 3, checks.data());
  }

  if (replay) {
    gGameSystem.runState = 0;
    gReplayPlaying = 1;
    gReplayFinished = 0;
    gRandomSeedLog = snapshot.replayLog;
    return true;
  }
  if (!applyLive) return true;

  // A save without the Variable database is refused before the live game
  // changes.
  if (snapshot.variableDatabase.types.empty()) {
    ShowNoticeBox(Cp932Text("可変DB情報が保存されていないセーブデータを読み込みました、ロード処理中断"),
                  ErrorLocationText(), "");
    return false;
  }
  // The same bytes again, now into the live game.
  const int format = buffer.formatNumber;
  buffer.position = kHeaderBytes + 1;
  CheckSaveTitleBlock();
  buffer.formatNumber = format;
  gRetiredRunners.mainRunner = std::move(static_cast<EventRunner&>(gEventSystem));
  gRetiredRunners.eventCharacters = std::move(gCurrentMap.eventCharacters);
  gRetiredRunners.commonEventRunEntries = std::move(gCurrentMap.commonEventRunEntries);
  gCurrentMap.eventCharacters.clear();
  gCurrentMap.commonEventRunEntries.clear();
  snapshot.RestoreSnapshot(true, false);
  gEventSystem.lastSlotNumber = slot;
  ClearSaveManager();
  return true;
}

void SaveManager::ClearSaveManager() {
  snapshots.clear();
  cachedFlags.clear();
  missingFlags.clear();
}
