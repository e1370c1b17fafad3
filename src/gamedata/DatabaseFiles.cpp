#include "gamedata/DatabaseFiles.h"

#include <algorithm>

#include "gamedata/DataFileCursor.h"
#include "gamedata/Database.h"
#include "gamedata/GameText.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/StoredText.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/process/Process.h"

namespace {

constexpr uint8_t kFormat192 = 192;
constexpr uint8_t kFormat193 = 193;

bool IsFormatByte(uint8_t value) { return value == kFormat192 || value == kFormat193; }

// The media layer is ended before the process exits (at once when it never
// started). Its lifecycle family joins the public functions with the media
// system; until then there is nothing to end.
void EndMedia() {
#if __has_include("media/system/PublicSystem.h")
  EndMediaLibrary();
#endif
}

[[noreturn]] void MissingFile(const std::string& path) {
  platform::ShowMessageBox(
      NoticeText("データベースファイル読み込みに失敗、強制終了します。\n\r\n\r%s\r\nのファイルがあるか確認してください",
                 {path}),
      Cp932Text("読み込みエラー"), platform::kMbOk);
  EndMedia();
  platform::ExitProcess(1);
}

void ShowDamaged(const std::string& name) {
  platform::ShowMessageBox(
      NoticeText("データベースファイル\n%sが\n破損しているか、バージョンが古い可能性があります。", {name}),
      Cp932Text("MsgBox"), platform::kMbOk);
}

// A file that ends inside a record or holds impossible counts cannot be used
// at all: the damaged-file message, then the program ends.
[[noreturn]] void Damaged(const std::string& name) {
  ShowDamaged(name);
  EndMedia();
  platform::ExitProcess(1);
}

int CountKind(const std::vector<int32_t>& codes, int kind) {
  return static_cast<int>(
      std::count_if(codes.begin(), codes.end(), [kind](int32_t code) { return code >= 0 && code / 1000 == kind; }));
}

template <typename T, typename ReadItem>
bool ReadCountedInto(DataFileCursor& cursor, std::vector<T>& list, size_t minItemBytes, ReadItem readItem) {
  // A count cut short by the file's end reads as 0 but is no empty list.
  const int32_t count = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(count, minItemBytes)) return false;
  for (int32_t i = 0; i < count; ++i) {
    T item = readItem();
    if (cursor.Damaged()) return false;
    // Entries beyond the list's size are read and dropped.
    if (static_cast<size_t>(i) < list.size()) list[static_cast<size_t>(i)] = std::move(item);
  }
  return true;
}

}  // namespace

bool ReadDatabaseTypeRecord(DataFileCursor& cursor, DatabaseTypeData& type, size_t& emptyRowAllowance) {
  type = DatabaseTypeData();
  int32_t contentCount = cursor.ReadInt32();
  if (contentCount < 0) {
    if (contentCount < -1) type.dataNameSource = cursor.ReadInt32();
    type.recordForm = contentCount;
    contentCount = cursor.ReadInt32();
  }
  if (!cursor.FitsCount(contentCount, 4)) return false;
  type.contentCodes.resize(static_cast<size_t>(contentCount));
  for (int32_t& code : type.contentCodes) code = cursor.ReadInt32();
  const size_t intCount = static_cast<size_t>(CountKind(type.contentCodes, 1));
  const size_t stringCount = static_cast<size_t>(CountKind(type.contentCodes, 2));

  const int32_t rowCount = cursor.ReadInt32();
  if (cursor.Damaged()) return false;
  if (intCount + stringCount > 0) {
    if (!cursor.FitsCount(rowCount, 4 * (intCount + stringCount))) return false;
  } else {
    // Rows without int or string contents take no bytes, so the data cannot
    // bound their count: all such rows of one file share one allowance.
    if (rowCount < 0 || static_cast<size_t>(rowCount) > emptyRowAllowance) {
      cursor.MarkDamaged();
      return false;
    }
    emptyRowAllowance -= static_cast<size_t>(rowCount);
  }
  // Rows are copied from one already sized, so an empty row costs no
  // allocation of its own.
  DatabaseRow emptyRow;
  emptyRow.ints.assign(intCount, 0);
  emptyRow.strings.assign(stringCount, std::string());
  type.rows.assign(static_cast<size_t>(rowCount), emptyRow);
  for (DatabaseRow& row : type.rows) {
    for (int32_t& value : row.ints) value = cursor.ReadInt32();
    for (std::string& text : row.strings) text = cursor.ReadString();
    if (cursor.Damaged()) return false;
  }
  return !cursor.Damaged();
}

bool ReadDatabaseDefinitionRecord(DataFileCursor& cursor, DatabaseTypeDefinition& definition, int format) {
  definition = DatabaseTypeDefinition();
  definition.typeName = cursor.ReadString();
  const int32_t contentCount = cursor.ReadInt32();
  if (!cursor.FitsCount(contentCount, 4)) return false;
  definition.contentNames.resize(static_cast<size_t>(contentCount));
  for (std::string& name : definition.contentNames) name = cursor.ReadString();
  const int32_t dataCount = cursor.ReadInt32();
  if (!cursor.FitsCount(dataCount, 4)) return false;
  definition.dataNames.resize(static_cast<size_t>(dataCount));
  for (std::string& name : definition.dataNames) name = cursor.ReadString();

  const size_t n = static_cast<size_t>(contentCount);
  definition.contentOptionTexts.assign(n, std::string());
  definition.contentOptionTextLists.assign(n, {});
  definition.contentOptionValueLists.assign(n, {});
  definition.defaultValues.assign(n, 0);
  definition.memo = cursor.ReadString();
  if (cursor.Damaged()) return false;
  if (format != kFormat193) return true;

  if (!ReadCountedInto(cursor, definition.contentOptionBytes, 1, [&] { return cursor.ReadUint8(); })) return false;
  if (!ReadCountedInto(cursor, definition.contentOptionTexts, 4, [&] { return cursor.ReadString(); })) return false;
  auto readTextList = [&] {
    std::vector<std::string> list;
    ReadGrowingList(cursor, list, 4, [&](std::string& text) { text = cursor.ReadString(); });
    return list;
  };
  if (!ReadCountedInto(cursor, definition.contentOptionTextLists, 4, readTextList)) return false;
  auto readValueList = [&] {
    std::vector<int32_t> list;
    ReadGrowingList(cursor, list, 4, [&](int32_t& value) { value = cursor.ReadInt32(); });
    return list;
  };
  if (!ReadCountedInto(cursor, definition.contentOptionValueLists, 4, readValueList)) return false;
  if (!ReadCountedInto(cursor, definition.defaultValues, 4, [&] { return cursor.ReadInt32(); })) return false;
  return true;
}

DatabaseDatResult ReadDatabaseDat(DataFileCursor& cursor, Database& database) {
  const uint8_t format = cursor.ReadUint8();
  if (cursor.Damaged()) return DatabaseDatResult::Damaged;
  if (!IsFormatByte(format)) return DatabaseDatResult::WrongFormat;
  database.formatVersion = format;

  const int32_t typeCount = cursor.ReadInt32();
  // The smallest record: its content count and its row count.
  if (!cursor.FitsCount(typeCount, 8)) return DatabaseDatResult::Damaged;
  database.types.assign(static_cast<size_t>(typeCount), DatabaseTypeData());
  size_t emptyRowAllowance = EmptyRowAllowance(cursor.Size());
  for (DatabaseTypeData& type : database.types)
    if (!ReadDatabaseTypeRecord(cursor, type, emptyRowAllowance)) return DatabaseDatResult::Damaged;

  const uint8_t endByte = cursor.ReadUint8();
  if (cursor.Damaged()) return DatabaseDatResult::Damaged;
  return IsFormatByte(endByte) ? DatabaseDatResult::Ok : DatabaseDatResult::WrongEnd;
}

bool ReadDatabaseProject(DataFileCursor& cursor, Database& database) {
  const int32_t count = cursor.ReadInt32();
  // The smallest record: four empty fields (name, content names, data names, memo).
  if (cursor.Damaged() || !cursor.FitsCount(count, 16)) return false;
  database.definitions.assign(static_cast<size_t>(count), DatabaseTypeDefinition());
  for (DatabaseTypeDefinition& definition : database.definitions)
    if (!ReadDatabaseDefinitionRecord(cursor, definition, database.formatVersion)) return false;
  return true;
}

namespace {

// Reads name's .project file into the database's definitions; a file that
// does not open or is damaged ends the program.
void LoadDatabaseProject(Database& database, const std::string& name) {
  const std::string projectPath = "Data\\" + name + ".project";
  DataFileCursor cursor;
  if (!cursor.LoadFile(projectPath)) MissingFile(projectPath);
  if (!ReadDatabaseProject(cursor, database)) Damaged(name);
}

}  // namespace

bool Database::LoadDatabaseFiles(const std::string& name) {
  const std::string datPath = "Data\\" + name + ".dat";
  DataFileCursor cursor;
  if (!cursor.LoadFile(datPath)) MissingFile(datPath);
  cursor.Unscramble(datPath, kDatabaseFileLayout);
  switch (ReadDatabaseDat(cursor, *this)) {
    case DatabaseDatResult::Ok: break;
    case DatabaseDatResult::WrongFormat: return false;
    case DatabaseDatResult::WrongEnd: ShowDamaged(name); return false;
    case DatabaseDatResult::Damaged: Damaged(name);
  }
  cursor.VerifyCheck(datPath);
  cursor.Release();
  LoadDatabaseProject(*this, name);
  return true;
}

namespace {

// A type record as the .dat files hold it, written into the save buffer.
void SaveDatabaseTypeData(SaveBuffer& buffer, DatabaseTypeData& type) {
  type.recordForm = -2;
  buffer.WriteInt32(type.recordForm);
  buffer.WriteInt32(type.dataNameSource);
  buffer.WriteInt32(static_cast<int32_t>(type.contentCodes.size()));
  for (int32_t code : type.contentCodes) buffer.WriteInt32(code);
  const size_t intCount = static_cast<size_t>(CountKind(type.contentCodes, 1));
  const size_t stringCount = static_cast<size_t>(CountKind(type.contentCodes, 2));
  buffer.WriteInt32(static_cast<int32_t>(type.rows.size()));
  for (const DatabaseRow& row : type.rows) {
    for (size_t i = 0; i < intCount; ++i) buffer.WriteInt32(i < row.ints.size() ? row.ints[i] : 0);
    for (size_t i = 0; i < stringCount; ++i)
      buffer.WriteStr32Z(i < row.strings.size() ? row.strings[i] : std::string());
  }
}

}  // namespace

bool Database::SaveDatabaseState() {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.saveBufferSwitch = true;
  buffer.WriteUint8(111);
  buffer.WriteInt32(static_cast<int32_t>(types.size()));
  for (DatabaseTypeData& type : types) SaveDatabaseTypeData(buffer, type);
  buffer.saveBufferSwitch = false;
  return true;
}

bool Database::LoadDatabaseState() {
  SaveBuffer& buffer = gSaveBuffer;
  uint8_t tag = 0;  // not tested
  int32_t typeCount = 0;
  if (!buffer.ReadUint8(tag) || !buffer.ReadInt32(typeCount) || typeCount < 0) return false;
  // The records are read from what remains of the save data; the position
  // moves past what they took.
  const size_t end = std::min(buffer.size, buffer.data.size());
  const size_t start = std::min(buffer.position, end);
  DataFileCursor cursor(std::vector<uint8_t>(buffer.data.begin() + static_cast<std::ptrdiff_t>(start),
                                             buffer.data.begin() + static_cast<std::ptrdiff_t>(end)));
  if (cursor.FitsCount(typeCount, 8)) {
    types.assign(static_cast<size_t>(typeCount), DatabaseTypeData());
    size_t emptyRowAllowance = EmptyRowAllowance(cursor.Size());
    for (DatabaseTypeData& type : types)
      if (!ReadDatabaseTypeRecord(cursor, type, emptyRowAllowance)) break;
  }
  // Short records leave the rest unread: once one does not fit, none after it can.
  if (cursor.Damaged()) buffer.shortData = true;
  buffer.position = start + cursor.Position();
  LoadDatabaseProject(*this, "BasicData\\CDataBase");
  return true;
}
