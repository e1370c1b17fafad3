#include "gamedata/MapFile.h"

#include "gamedata/DataFileCursor.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/GamePaths.h"

namespace {

// Stored sizes of the smallest map event and of one cell of the three layers.
constexpr size_t kMinStoredEvent = 30;
constexpr size_t kStoredCellBytes = 12;
// Bound of each side, for maps whose other side is 0 and so store no tiles.
constexpr int32_t kMaxMapSide = 100000;

void ReportDamagedMap(const std::string& fileName) {
  platform::ShowMessageBox(
      "\x83G\x83\x89\x81[\x81\x46\x83}\x83\x62\x83v\x83\x66\x81[\x83^ " + fileName +
          " \x82\xAA\x94j\x91\xB9\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x82\xA9\x81\x41\r\n\x83}\x83\x62\x83v\x83t\x83@"
          "\x83\x43\x83\x8B\x8C`\x8E\xAE\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42",
      "\x83}\x83\x62\x83v\x88\xDA\x93\xAE\x83G\x83\x89\x81[", platform::kMbOk);
}

void ReportMissingMap(const std::string& fileName, const std::string& path) {
  std::string text =
      fileName.empty()
          ? std::string("\x83}\x83\x62\x83v\x83t\x83@\x83\x43\x83\x8B\x96\xBC\x82\xAA\x90\xDD\x92\xE8\x82\xB3\x82\xEA"
                        "\x82\xC4\x82\xA2\x82\xC8\x82\xA2\x83}\x83\x62\x83v\x82\xC9\x88\xDA\x93\xAE\x82\xB5\x82\xE6"
                        "\x82\xA4\x82\xC6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42")
          : "\x83}\x83\x62\x83v\x83t\x83@\x83\x43\x83\x8B " + path + " \x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";
  platform::ShowMessageBox(text, "\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x83G\x83\x89\x81[", platform::kMbOkCancel);
}

}  // namespace

bool ParseMapFile(MapData& map, DataFileCursor& cursor, const std::string& fileName) {
  map.Reset();
  cursor.Unscramble(fileName, kMapFileLayout);
  cursor.ReadInt32();  // format value, no reader
  if (cursor.ReadUint8() != kMapFileTag || cursor.Damaged()) {
    ReportDamagedMap(fileName);
    return false;
  }
  ReadMapHeader(cursor, map.header);
  const MapHeader& header = map.header;
  if (!cursor.Damaged() && header.width >= 0 && header.height >= 0 && header.width <= kMaxMapSide &&
      header.height <= kMaxMapSide &&
      cursor.FitsCount(static_cast<int64_t>(header.width) * header.height, kStoredCellBytes)) {
    map.ResizeMapLayers(true, 0, 0);
    for (TileLayer& layer : map.layers) {
      for (std::vector<int32_t>& column : layer) {
        for (int32_t& tile : column) tile = cursor.ReadInt32();
      }
    }
    if (cursor.FitsCount(header.eventCount, kMinStoredEvent)) {
      for (int32_t e = 0; e < header.eventCount && !cursor.Damaged(); ++e) {
        MapEvent event(-1);
        ReadMapEvent(cursor, event);
        InsertMapEventSorted(map.events, std::move(event));
      }
    }
    cursor.ReadUint8();  // 102
  } else {
    cursor.MarkDamaged();
  }
  if (cursor.Damaged()) {
    map.Reset();
    ReportDamagedMap(fileName);
    return false;
  }
  cursor.VerifyCheck(fileName);
  return true;
}

bool LoadMapFile(MapData& map, const std::string& fileName) {
  map.Reset();
  std::string path = gDataFolderPath + fileName;
  DataFileCursor cursor;
  if (fileName.empty() || !cursor.LoadFile(path)) {
    ReportMissingMap(fileName, path);
    return false;
  }
  bool ok = ParseMapFile(map, cursor, fileName);
  cursor.Release();
  return ok;
}
