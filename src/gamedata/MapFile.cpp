#include "gamedata/MapFile.h"

#include <algorithm>
#include <bit>
#include <random>

#include "gamedata/DataFileCursor.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/SaveBuffer.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/files/Files.h"
#include "platform/text/Cp932Literal.h"
#include "shell/GamePaths.h"

namespace {

// Stored sizes of the smallest map event and of one cell of the three layers.
constexpr size_t kMinStoredEvent = 30;
constexpr size_t kStoredCellBytes = 12;

void ReportDamagedMap(const std::string& fileName) {
  platform::ShowMessageBox(
      Cp932<"エラー：マップデータ "> + fileName + Cp932<" が破損しているか、\r\nマップファイル形式ではありません。">,
      Cp932<"マップ移動エラー">, platform::kMbOk);
}

void ReportMissingMap(const std::string& fileName, const std::string& path) {
  std::string text = fileName.empty()
                         ? std::string(Cp932<"マップファイル名が設定されていないマップに移動しようとしました。">)
                         : Cp932<"マップファイル "> + path + Cp932<" がありません">;
  platform::ShowMessageBox(text, Cp932<"読み込みエラー">, platform::kMbOkCancel);
}

// One column of little-endian int32 tiles, already known to fit.
void ReadTileColumn(DataFileCursor& cursor, std::vector<int32_t>& column) {
  if (column.empty()) return;
  if constexpr (std::endian::native == std::endian::little) {
    cursor.ReadBytes(column.data(), column.size() * sizeof(int32_t));
  } else {
    for (int32_t& tile : column) tile = cursor.ReadInt32();
  }
}

// The stored forms the loader reads, written into a byte buffer (routes
// share their form with the save file).
void WriteStoredText(SaveBuffer& out, const std::string& text) {
  out.WriteInt32(static_cast<int32_t>(text.size() + 1));
  out.WriteBytes(text.c_str(), text.size() + 1);
}

void WriteByteList(SaveBuffer& out, const std::vector<uint8_t>& bytes) {
  out.WriteInt32(static_cast<int32_t>(bytes.size()));
  out.WriteBytes(bytes.data(), bytes.size());
}

void WriteStoredCommand(SaveBuffer& out, const EventCommand& command) {
  // Counts are stored in one signed byte.
  const size_t intCount = std::min<size_t>(command.ints.size(), 127);
  out.WriteUint8(static_cast<uint8_t>(intCount));
  for (size_t i = 0; i < intCount; ++i) out.WriteInt32(command.ints[i]);
  out.WriteUint8(command.indent);
  const size_t stringCount = std::min<size_t>(command.strings.size(), 127);
  out.WriteUint8(static_cast<uint8_t>(stringCount));
  for (size_t i = 0; i < stringCount; ++i) WriteStoredText(out, command.strings[i]);
  out.WriteUint8(command.routes.empty() ? 0 : 1);
  if (!command.routes.empty()) WriteMoveSettings(out, command.routes.front());
}

void WriteStoredPage(SaveBuffer& out, const EventPage& page) {
  out.WriteUint8(121);
  out.WriteInt32(page.tileGraphic);
  WriteStoredText(out, page.graphicName);
  out.WriteUint8(page.direction);
  out.WriteUint8(page.pattern);
  out.WriteUint8(page.opacity);
  out.WriteUint8(page.drawMode);
  const PageConditions& conditions = page.conditions;
  out.WriteUint8(conditions.conditionHeader);
  for (uint8_t flag : conditions.conditionFlags) out.WriteUint8(flag);
  for (int32_t left : conditions.conditionLeft) out.WriteInt32(left);
  for (int32_t right : conditions.conditionRight) out.WriteInt32(right);
  WriteMoveSettings(out, page.moveSettings);
  out.WriteInt32(static_cast<int32_t>(page.commands.size()));
  for (const EventCommand& command : page.commands) WriteStoredCommand(out, command);
  WriteByteList(out, page.pageOptions);
  out.WriteUint8(122);
}

void WriteStoredEvent(SaveBuffer& out, const MapEvent& event) {
  out.WriteUint8(111);
  out.WriteInt32(12345);
  out.WriteInt32(event.id);
  WriteStoredText(out, event.name);
  out.WriteInt32(event.x);
  out.WriteInt32(event.y);
  out.WriteInt32(static_cast<int32_t>(event.pages.size()));
  WriteByteList(out, event.eventOptions);
  for (const EventPage& page : event.pages) WriteStoredPage(out, page);
  out.WriteUint8(112);
}

// The whole file image: random header bytes (seeds among them), format
// value, tag, header, layers, events, end byte; the body scrambled with the
// seeds and its sum in the check byte.
std::vector<uint8_t> StoredMapImage(const MapData& map) {
  SaveBuffer out;
  out.BeginWrite();
  std::random_device random;
  uint8_t header[kMapFileLayout.headerLength];
  for (uint8_t& byte : header) byte = static_cast<uint8_t>(random());
  out.WriteBytes(header, sizeof header);
  out.WriteInt32(kMapFormatValue);
  out.WriteUint8(kMapFileTag);
  WriteStoredText(out, map.header.name);
  out.WriteInt32(map.header.tilesetNumber);
  // The stored size and count are those of what follows, so the file always
  // reads back whole.
  const int32_t width = static_cast<int32_t>(map.layers[0].size());
  const int32_t height = width > 0 ? static_cast<int32_t>(map.layers[0][0].size()) : 0;
  out.WriteInt32(width);
  out.WriteInt32(width > 0 ? height : std::max(map.header.height, 0));
  out.WriteInt32(static_cast<int32_t>(map.events.size()));
  for (int layer = 0; layer < 3; ++layer) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t y = 0; y < height; ++y) out.WriteInt32(map.TileAt(layer, x, y));
    }
  }
  for (const MapEvent& event : map.events) WriteStoredEvent(out, event);
  out.WriteUint8(102);

  std::vector<uint8_t> image = std::move(out.data);
  const std::array<size_t, 3>& seedAt = kMapFileLayout.seedOffsets;
  const uint8_t seeds[3] = {image[seedAt[0]], image[seedAt[1]], image[seedAt[2]]};
  uint8_t check[3] = {0, 0, 0};
  ScrambleDataBody("", image.data(), kMapFileLayout.headerLength, image.size(), 3, seeds, -1, check);
  // With every seed 0 the body stays plain and no sum is stored or compared.
  image[kMapFileLayout.checkOffsets[0]] = check[0];
  return image;
}

}  // namespace

bool WriteMapFile(const MapData& map, const std::string& fileName) {
  const std::vector<uint8_t> image = StoredMapImage(map);
  const int file = platform::FileOpen(gDataFolderPath + fileName, platform::FileAccess::Write);
  if (file == 0) return false;
  const int64_t written = platform::FileWrite(file, image.data(), static_cast<int64_t>(image.size()));
  const bool closed = platform::FileClose(file);
  return written == static_cast<int64_t>(image.size()) && closed;
}

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
      for (std::vector<int32_t>& column : layer) ReadTileColumn(cursor, column);
    }
    if (cursor.FitsCount(header.eventCount, kMinStoredEvent)) {
      for (int32_t e = 0; e < header.eventCount && !cursor.Damaged(); ++e) {
        MapEvent event(-1);
        ReadMapEvent(cursor, event);
        map.events.push_back(std::move(event));
      }
      SortEventsById(map.events);
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
