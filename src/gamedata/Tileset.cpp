#include "gamedata/Tileset.h"

#include "gamedata/DataFileCursor.h"
#include "gamedata/StoredText.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/GamePaths.h"

namespace {

// Longest stored text of a tileset, counting its zero.
constexpr int32_t kTilesetTextLimit = 1024;
// Smallest stored tileset: nine empty texts, the 0xFF byte, two counts and
// the unchecked byte.
constexpr size_t kMinStoredTileset = 9 * 4 + 1 + 4 + 1 + 4;

void ReportEndByte() {
  platform::ShowMessageBox(
      "\x83^\x83\x43\x83\x8B\x83Z\x83\x62\x83g\x83\x66\x81[\x83^\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E"
      "\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD",
      "\x83t\x83@\x83\x43\x83\x8B\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x83G\x83\x89\x81[", platform::kMbOkCancel);
}

void ReportBadSeparator() {
  platform::ShowMessageBox(
      "\x83^\x83\x43\x83\x8B\x83Z\x83\x62\x83g\x82\xCC\x83\x8D\x81[\x83h\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5"
      "\x82\xBD\x81\x41\x83t\x83@\x83\x43\x83\x8B\x94j\x91\xB9\x82\xCC\x89\xC2\x94\x5C\x90\xAB\x82\xAA\x82\xA0\x82\xE8"
      "\x82\xDC\x82\xB7",
      "", platform::kMbOk);
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
