#include "gamedata/GameInfo.h"

#include "gamedata/DataFileCursor.h"
#include "gamedata/GameText.h"
#include "gamedata/StoredText.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/process/Process.h"
#include "platform/text/Cp932Literal.h"
#include "shell/NoticeBox.h"

GameInfo gGameInfo;

namespace {

// Longest stored text, terminating zero included.
constexpr int32_t kMaxTextLength = 516;
constexpr uint8_t kCheckByteValue = 0xC2;

std::string DamagedText() { return Cp932Text("基本情報データ Game.dat が破損しています"); }

}  // namespace

GameInfo::GameInfo() : settings{32, 8, 8, 1, 0, 1, 0, 3, 0, 0, 0, 6, 6, 0, 0, 4, 4, 0}, strings(8), values(1, 0) {
  strings[0] = Cp932<"新規ゲーム名">;
}

bool GameInfo::LoadGameInfoFile(const std::string& fileName) {
  DataFileCursor cursor;
  if (!cursor.LoadFile(fileName)) {
    platform::ShowMessageBox(NoticeText("基本情報データ %s がありません", {fileName}), Cp932Text("読み込みエラー"),
                             platform::kMbOkCancel);
    return false;
  }
  cursor.Unscramble(fileName, kGameDatLayout);
  if (!ReadGameInfo(cursor)) {
    platform::ShowMessageBox(DamagedText(), Cp932Text("読み込みエラー"), platform::kMbOk);
    platform::ExitProcess(1);
  }
  cursor.Release();
  settings[3] = 1;
  return true;
}

bool GameInfo::ReadGameInfo(DataFileCursor& cursor) {
  ReadGrowingList(cursor, settings, 1, [&](int8_t& setting) { setting = cursor.ReadInt8(); });
  ReadGrowingList(cursor, strings, 4, [&](std::string& text) { text = ReadStoredText(cursor, kMaxTextLength); });
  const int32_t checkOffset = cursor.ReadInt32();
  const int32_t keyLength = cursor.ReadInt32();
  ReadGrowingList(cursor, values, 2, [&](int16_t& value) { value = cursor.ReadInt16(); });
  const int32_t tableA = cursor.ReadInt32();
  const int32_t tableB = cursor.ReadInt32();
  if (cursor.Damaged()) return false;

  // The archive key is scattered through the file; two tables of 16-bit
  // halves add up (with 16-bit wrap) to the position of each key byte. A table
  // or position outside the file gives a zero key byte and the notice.
  bool damaged = false;
  const size_t size = cursor.Size();
  size_t length = 0;
  if (keyLength < 0 || static_cast<size_t>(keyLength) > size) damaged = true;
  else length = static_cast<size_t>(keyLength);
  std::string key(length, '\0');
  auto tableEntry = [&](int32_t table, size_t i) -> int {
    if (table < 0 || static_cast<size_t>(table) + 2 * i + 2 > size) return -1;
    size_t at = static_cast<size_t>(table) + 2 * i;
    return cursor.ByteAt(at) | (cursor.ByteAt(at + 1) << 8);
  };
  for (size_t i = 0; i < length; ++i) {
    int a = tableEntry(tableA, i);
    int b = tableEntry(tableB, i);
    size_t position = static_cast<size_t>((a + b) & 0xFFFF);
    if (a < 0 || b < 0 || position >= size) {
      damaged = true;
      continue;
    }
    key[i] = static_cast<char>(cursor.ByteAt(position));
  }
  strings[2] = std::move(key);

  if (checkOffset < 0 || static_cast<size_t>(checkOffset) >= size ||
      cursor.ByteAt(static_cast<size_t>(checkOffset)) != kCheckByteValue)
    damaged = true;
  if (damaged) ShowNoticeBox(DamagedText(), "", "");
  return true;
}
