#include "support/MapFileWriters.h"

#include <algorithm>
#include <string>

void AppendRouteCommand(ByteBuilder& out, const RouteCommand& command) {
  out.Uint8(command.code);
  size_t argCount = std::min<size_t>(command.args.size(), 255);
  out.Uint8(static_cast<uint8_t>(argCount));
  for (size_t i = 0; i < argCount; ++i) out.Int32(command.args[i]);
  std::string text = command.text.substr(0, 254);
  out.Uint8(static_cast<uint8_t>(text.size() + 1));
  out.Bytes(text).Uint8(0);
}

void AppendMoveSettings(ByteBuilder& out, const MoveSettings& settings) {
  out.Uint8(settings.animationSpeed)
      .Uint8(settings.moveSpeed)
      .Uint8(settings.moveFrequency)
      .Uint8(settings.moveType)
      .Uint8(settings.optionBits)
      .Uint8(settings.routeFlags);
  out.Int32(static_cast<int32_t>(settings.route.size()));
  for (const RouteCommand& command : settings.route) AppendRouteCommand(out, command);
}

void AppendEventCommand(ByteBuilder& out, const EventCommand& command) {
  out.Int8(static_cast<int>(command.ints.size()));
  for (int32_t value : command.ints) out.Int32(value);
  out.Uint8(command.indent);
  out.Int8(static_cast<int>(command.strings.size()));
  for (const std::string& text : command.strings) out.Text(text);
  if (command.routes.empty()) {
    out.Int8(0);
  } else {
    out.Int8(1);
    AppendMoveSettings(out, command.routes.front());
  }
}

void AppendEventCommandList(ByteBuilder& out, const EventCommandList& commands) {
  out.Int32(static_cast<int32_t>(commands.size()));
  for (const EventCommand& command : commands) AppendEventCommand(out, command);
}

void AppendEventPage(ByteBuilder& out, const EventPage& page) {
  out.Uint8(121);
  out.Int32(page.tileGraphic);
  out.Text(page.graphicName);
  out.Uint8(page.direction).Uint8(page.pattern).Uint8(page.opacity).Uint8(page.drawMode);
  out.Uint8(page.conditions.conditionHeader);
  for (uint8_t flag : page.conditions.conditionFlags) out.Uint8(flag);
  for (int32_t left : page.conditions.conditionLeft) out.Int32(left);
  for (int32_t right : page.conditions.conditionRight) out.Int32(right);
  AppendMoveSettings(out, page.moveSettings);
  AppendEventCommandList(out, page.commands);
  out.ByteList(page.pageOptions);
  out.Uint8(122);
}

void AppendMapEvent(ByteBuilder& out, const MapEvent& event) {
  out.Uint8(111).Int32(12345).Int32(event.id).Text(event.name).Int32(event.x).Int32(event.y);
  out.Int32(event.pageCount);
  out.ByteList(event.eventOptions);
  for (int32_t p = 0; p < event.pageCount; ++p) {
    AppendEventPage(out,
                    static_cast<size_t>(p) < event.pages.size() ? event.pages[static_cast<size_t>(p)] : EventPage{});
  }
  out.Uint8(112);
}

std::vector<uint8_t> MapFileBody(const MapData& map) {
  ByteBuilder out;
  out.Int32(100).Uint8(101);
  const MapHeader& header = map.header;
  out.Text(header.name).Int32(header.tilesetNumber).Int32(header.width).Int32(header.height);
  out.Int32(static_cast<int32_t>(map.events.size()));
  for (int layer = 0; layer < 3; ++layer) {
    for (int32_t x = 0; x < header.width; ++x) {
      for (int32_t y = 0; y < header.height; ++y) out.Int32(map.TileAt(layer, x, y));
    }
  }
  for (const MapEvent& event : map.events) AppendMapEvent(out, event);
  out.Uint8(102);
  return out.Take();
}

std::vector<uint8_t> MapFileImage(const MapData& map, const ScrambleOptions& options) {
  return WriteScrambledFile(DataFileKind::Map, MapFileBody(map), options);
}

void WriteMapFile(const std::filesystem::path& path, const MapData& map, const ScrambleOptions& options) {
  WriteFileBytes(path, MapFileImage(map, options));
}

void AppendTileset(ByteBuilder& out, const Tileset& tileset, const TilesetFileOptions& options) {
  out.Text(tileset.name);
  for (const std::string& image : tileset.imageNames) out.Text(image);
  out.Uint8(options.separator);
  out.ByteList(tileset.tileTags);
  out.Uint8(0);
  out.Int32(static_cast<int32_t>(tileset.tileFlags.size()));
  for (int32_t flags : tileset.tileFlags) {
    if (options.version == kTilesetVersionByteFlags) {
      out.Uint8(static_cast<uint8_t>(flags));
    } else {
      out.Int32(flags);
    }
  }
}

std::vector<uint8_t> TilesetFileBody(const std::vector<Tileset>& tilesets, const TilesetFileOptions& options) {
  ByteBuilder out;
  out.Uint8(options.version).Int32(static_cast<int32_t>(tilesets.size()));
  for (const Tileset& tileset : tilesets) AppendTileset(out, tileset, options);
  out.Uint8(options.endByte);
  return out.Take();
}

std::vector<uint8_t> TilesetFileImage(const std::vector<Tileset>& tilesets, const TilesetFileOptions& options,
                                      const ScrambleOptions& scramble) {
  return WriteScrambledFile(DataFileKind::Tileset, TilesetFileBody(tilesets, options), scramble);
}

void AppendCommonEvent(ByteBuilder& out, const CommonEvent& event, uint8_t recordVersion) {
  out.Uint8(0xA0);  // leading byte, not compared
  out.Int32(event.id).Uint8(event.triggerFlags).Int32(event.conditionId).Int32(event.conditionValue);
  out.Uint8(event.carriedByte1).Uint8(event.carriedByte2);
  out.Text(event.name);
  AppendEventCommandList(out, event.commands);
  out.ByteList(event.carriedBytes);
  if (!event.carriedBytes.empty()) out.Text(event.carriedText);
  out.Uint8(recordVersion);
  if (recordVersion == kCommonEventRecordOld) return;
  out.TextList(event.carriedTexts);
  out.ByteList(event.carriedFlags);
  out.Int32(static_cast<int32_t>(event.carriedTextLists.size()));
  for (const std::vector<std::string>& texts : event.carriedTextLists) out.TextList(texts);
  out.Int32(static_cast<int32_t>(event.carriedIntLists.size()));
  for (const std::vector<int32_t>& values : event.carriedIntLists) out.IntList(values);
  out.IntList(event.carriedInts);
  out.Uint8(kCommonEventRecordExtended);
}

namespace {

void AppendRecords(ByteBuilder& out, const std::vector<CommonEvent>& events, const std::vector<uint8_t>& versions) {
  for (size_t i = 0; i < events.size(); ++i) {
    AppendCommonEvent(out, events[i], i < versions.size() ? versions[i] : kCommonEventRecordExtended);
  }
}

}  // namespace

std::vector<uint8_t> CommonEventDataBody(const std::vector<CommonEvent>& events, const std::vector<uint8_t>& versions) {
  ByteBuilder out;
  out.Uint8(kCommonEventFileTag).Int32(static_cast<int32_t>(events.size()));
  AppendRecords(out, events, versions);
  out.Uint8(kCommonEventFileTag);
  return out.Take();
}

std::vector<uint8_t> CommonEventDataImage(const std::vector<CommonEvent>& events, const std::vector<uint8_t>& versions,
                                          const ScrambleOptions& scramble) {
  return WriteScrambledFile(DataFileKind::CommonEvent, CommonEventDataBody(events, versions), scramble);
}

std::vector<uint8_t> CommonFileImage(const std::vector<CommonEvent>& events, const std::vector<uint8_t>& versions) {
  ByteBuilder out;
  out.Uint8(0x6C).Uint8(0x38).Uint8(0x0C).Uint8(0x03);
  out.Int32(static_cast<int32_t>(events.size()));
  AppendRecords(out, events, versions);
  return out.Take();
}
