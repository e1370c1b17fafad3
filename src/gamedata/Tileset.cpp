#include "gamedata/Tileset.h"

#include "gamedata/DataFileCursor.h"
#include "gamedata/StoredText.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/text/Cp932Literal.h"
#include "shell/GamePaths.h"

namespace {

// Longest stored text of a tileset, counting its zero.
constexpr int32_t kTilesetTextLimit = 1024;
// Smallest stored tileset: nine empty texts, the 0xFF byte, two counts and
// the unchecked byte.
constexpr size_t kMinStoredTileset = 9 * 4 + 1 + 4 + 1 + 4;

void ReportEndByte() {
  platform::ShowMessageBox(Cp932<"タイルセットデータの読み込みに失敗しました">, Cp932<"ファイル読み込みエラー">,
                           platform::kMbOkCancel);
}

void ReportBadSeparator() {
  platform::ShowMessageBox(Cp932<"タイルセットのロードに失敗しました、ファイル破損の可能性があります">, "",
                           platform::kMbOk);
}

void ReadTileset(DataFileCursor& cursor, Tileset& tileset, bool intFlags) {
  tileset.name = ReadStoredText(cursor, kTilesetTextLimit);
  for (std::string& image : tileset.imageNames) image = ReadStoredText(cursor, kTilesetTextLimit);
  if (cursor.Damaged()) return;
  if (cursor.ReadUint8() != 0xFF && !cursor.Damaged()) ReportBadSeparator();
  int32_t tagCount = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(tagCount, 1)) return;
  tileset.tileTags.resize(static_cast<size_t>(tagCount));
  if (tagCount > 0) cursor.ReadBytes(tileset.tileTags.data(), tileset.tileTags.size());
  cursor.ReadUint8();  // not compared
  int32_t flagCount = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(flagCount, intFlags ? 4 : 1)) return;
  tileset.tileFlags.resize(static_cast<size_t>(flagCount));
  for (int32_t& flags : tileset.tileFlags) flags = intFlags ? cursor.ReadInt32() : cursor.ReadUint8();
}

}  // namespace

uint8_t Tileset::TagAt(int64_t tileIndex) const { return TileListEntry(tileTags, tileIndex); }

int32_t Tileset::FlagsAt(int64_t tileIndex) const { return TileListEntry(tileFlags, tileIndex); }

int64_t TileIndexOfTileNumber(int32_t tileNumber) {
  if (tileNumber < 0) return -1;
  if (tileNumber < 100000) return static_cast<int64_t>(tileNumber) + 8;
  return tileNumber / 100000 - 1;
}

const Tileset* TilesetList::Find(int64_t number) const {
  if (number < 0 || static_cast<uint64_t>(number) >= tilesets.size()) return nullptr;
  return &tilesets[static_cast<size_t>(number)];
}

Tileset TilesetList::CopyTileset(int64_t number) const {
  const Tileset* tileset = Find(number);
  return tileset != nullptr ? *tileset : Tileset{};
}

bool TilesetList::ParseTilesetDataFile(DataFileCursor& cursor, const std::string& fileName) {
  cursor.Unscramble(fileName, kTilesetFileLayout);
  uint8_t version = cursor.ReadUint8();
  if (cursor.Damaged() || (version != kTilesetVersionByteFlags && version != kTilesetVersionIntFlags)) {
    return false;
  }
  bool intFlags = version == kTilesetVersionIntFlags;
  int32_t count = cursor.ReadInt32();
  if (cursor.Damaged() || !cursor.FitsCount(count, kMinStoredTileset)) {
    ReportEndByte();
    return false;
  }
  tilesets.resize(static_cast<size_t>(count));
  for (Tileset& tileset : tilesets) {
    ReadTileset(cursor, tileset, intFlags);
    if (cursor.Damaged()) break;
  }
  if (cursor.ReadUint8() != kTilesetEndByte || cursor.Damaged()) {
    ReportEndByte();
    return false;
  }
  cursor.VerifyCheck(fileName);
  return true;
}

bool TilesetList::ReadTilesetDataFile(const std::string& fileName) {
  DataFileCursor cursor;
  if (!cursor.LoadFile(gDataFolderPath + fileName)) return false;
  bool ok = ParseTilesetDataFile(cursor, fileName);
  cursor.Release();
  return ok;
}
