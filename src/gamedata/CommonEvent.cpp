#include "gamedata/CommonEvent.h"

#include <algorithm>
#include <cstdint>

#include "gamedata/DataFileCursor.h"
#include "gamedata/StoredText.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/text/Cp932Literal.h"
#include "shell/GamePaths.h"

CommonEventList gCommonEventList;
std::map<std::string, int> gCommonEventNameIndex;
std::map<std::string, int> gCommonFileIndex;

namespace {

// Longest stored text of a record, counting its zero.
constexpr int32_t kCommonEventTextLimit = 512;

const auto& kReadFailedText = Cp932<"コモンイベントデータの読み込みに失敗しました">;
const auto& kReadErrorTitle = Cp932<"読み込みエラー">;

void ReportRecordVersion() {
  platform::ShowMessageBox(Cp932<"コモンイベントファイルの読み込みに失敗しました。\r\nデータのバージョンが違う可能性が"
                                 "あります、最新ツールでロードしてください。">,
                           Cp932<"読み込み失敗">, platform::kMbOk);
}

// int32 count, then that many texts; the list grows to the count.
void ReadTextList(DataFileCursor& cursor, std::vector<std::string>& texts) {
  ReadGrowingList(cursor, texts, 4, [&](std::string& text) { text = ReadStoredText(cursor, kCommonEventTextLimit); });
}

// int32 count, then that many int32; the list grows to the count.
void ReadIntList(DataFileCursor& cursor, std::vector<int32_t>& values) {
  ReadGrowingList(cursor, values, 4, [&](int32_t& value) { value = cursor.ReadInt32(); });
}

void ReadExtendedFields(DataFileCursor& cursor, CommonEvent& event) {
  ReadTextList(cursor, event.carriedTexts);
  int32_t flagCount = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(flagCount, 1)) return;
  event.carriedFlags.assign(static_cast<size_t>(flagCount), 0);
  if (flagCount > 0) cursor.ReadBytes(event.carriedFlags.data(), event.carriedFlags.size());

  ReadGrowingList(cursor, event.carriedTextLists, 4,
                  [&](std::vector<std::string>& texts) { ReadTextList(cursor, texts); });
  if (cursor.Damaged()) return;
  ReadGrowingList(cursor, event.carriedIntLists, 4, [&](std::vector<int32_t>& values) { ReadIntList(cursor, values); });
  if (cursor.Damaged()) return;

  ReadIntList(cursor, event.carriedInts);
  if (cursor.ReadUint8() != kCommonEventRecordExtended && !cursor.Damaged()) ReportRecordVersion();
}

}  // namespace

CommonEvent::CommonEvent() { InsertDefaultCommand(commands, 0); }

CommonEventList::CommonEventList() { ResizeCommonEventList(10); }

void CommonEventList::ResizeCommonEventList(int n) {
  events.resize(static_cast<size_t>(std::max(n, 0)));
  for (size_t i = 0; i < events.size(); ++i) events[i].id = static_cast<int32_t>(i);
}

void ReadCommonEvent(DataFileCursor& cursor, CommonEvent& event) {
  cursor.ReadUint8();  // leading byte, not compared
  event.id = cursor.ReadInt32();
  event.triggerFlags = cursor.ReadUint8();
  event.conditionId = cursor.ReadInt32();
  event.conditionValue = cursor.ReadInt32();
  event.carriedByte1 = cursor.ReadUint8();
  event.carriedByte2 = cursor.ReadUint8();
  event.name = ReadStoredText(cursor, kCommonEventTextLimit);
  int32_t commandCount = cursor.ReadInt32();
  if (cursor.Damaged()) return;
  ReadEventCommandList(cursor, event.commands, commandCount);
  if (cursor.Damaged()) return;

  // The carried text is stored only behind a non-empty byte list.
  if (ReadGrowingByteList(cursor, event.carriedBytes) > 0) event.carriedText = cursor.ReadString();
  if (cursor.Damaged()) return;

  uint8_t version = cursor.ReadUint8();
  if (cursor.Damaged() || version == kCommonEventRecordOld) return;
  // Any other byte is read as the extended record, after the warning.
  if (version != kCommonEventRecordExtended) ReportRecordVersion();
  ReadExtendedFields(cursor, event);
}

bool CommonEventList::ParseCommonEventData(DataFileCursor& cursor, const std::string& fileName) {
  cursor.Unscramble(fileName, kCommonEventFileLayout);
  if (cursor.ReadUint8() != kCommonEventFileTag || cursor.Damaged()) return false;
  int32_t count = cursor.ReadInt32();
  if (!cursor.Damaged() && cursor.FitsCount(count, kMinStoredCommonEvent)) {
    ResizeCommonEventList(count);
    for (size_t i = 0; i < events.size() && !cursor.Damaged(); ++i) {
      ReadCommonEvent(cursor, events[i]);
      events[i].id = static_cast<int32_t>(i);
    }
  }
  uint8_t end = cursor.ReadUint8();
  if (cursor.Damaged()) {
    platform::ShowMessageBox(kReadFailedText, kReadErrorTitle, platform::kMbOk);
    return false;
  }
  if (end != kCommonEventFileTag) return false;
  cursor.VerifyCheck(fileName);
  return true;
}

bool CommonEventList::LoadCommonEventData(const std::string& fileName) {
  DataFileCursor cursor;
  if (!cursor.LoadFile(gDataFolderPath + fileName)) {
    platform::ShowMessageBox(kReadFailedText, kReadErrorTitle, platform::kMbOk);
    return false;
  }
  bool ok = ParseCommonEventData(cursor, fileName);
  cursor.Release();
  return ok;
}

int CommonEventList::ParseCommonEventFile(DataFileCursor& cursor, int first, bool load) {
  if (first < 0) return -1;
  if (cursor.ReadInt32() != kCommonFileMagic || cursor.Damaged()) return -1;
  int32_t count = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(count, kMinStoredCommonEvent) ||
      static_cast<int64_t>(first) + count > INT32_MAX) {
    return -1;
  }
  size_t before = events.size();
  size_t needed = static_cast<size_t>(first) + static_cast<size_t>(count);
  if (events.size() < needed) ResizeCommonEventList(static_cast<int>(needed));
  if (load) {
    // Read into copies of the entries, so a damaged file changes none.
    std::vector<CommonEvent> loaded(events.begin() + first, events.begin() + first + count);
    for (CommonEvent& event : loaded) {
      ReadCommonEvent(cursor, event);
      if (cursor.Damaged()) break;
    }
    if (cursor.Damaged()) {
      // A damaged file adds nothing, so no number points at a half-read event.
      ResizeCommonEventList(static_cast<int>(before));
      return -1;
    }
    for (size_t k = 0; k < loaded.size(); ++k) {
      size_t index = static_cast<size_t>(first) + k;
      events[index] = std::move(loaded[k]);
      events[index].id = static_cast<int32_t>(index);
    }
  }
  return count;
}

int CommonEventList::ReadCommonEventFile(const std::string& fileName, int first, bool load) {
  DataFileCursor cursor;
  if (!cursor.LoadFile(fileName)) return -1;
  int count = ParseCommonEventFile(cursor, first, load);
  cursor.Release();
  return count;
}

void BuildCommonEventNameIndex() {
  gCommonEventNameIndex.clear();
  for (int i = gCommonEventList.Count() - 1; i >= 0; --i) {
    const std::string& name = gCommonEventList.events[static_cast<size_t>(i)].name;
    if (!name.empty()) gCommonEventNameIndex[name] = i;
  }
}

bool RebuildCommonEvents() {
  gCommonEventList = CommonEventList{};
  bool ok = gCommonEventList.LoadCommonEventData("BasicData\\CommonEvent.dat");
  gCommonFileIndex.clear();
  BuildCommonEventNameIndex();
  return ok;
}
