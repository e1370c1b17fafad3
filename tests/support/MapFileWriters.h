#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/EventCommand.h"
#include "gamedata/MapData.h"
#include "gamedata/MoveRoute.h"
#include "gamedata/Tileset.h"
#include "support/ByteBuilder.h"
#include "support/ScrambledFileWriter.h"

// Writers of the stored forms of event commands, maps, tilesets and common
// events, written from the file format alone (they share no code with the
// readers). Each record writer appends to a ByteBuilder, so a test can build a
// damaged file field by field; the file writers give whole file images.

// Move routes and commands. A command gets route flag 1 and its first route
// when it has one, else route flag 0.
void AppendRouteCommand(ByteBuilder& out, const RouteCommand& command);
void AppendMoveSettings(ByteBuilder& out, const MoveSettings& settings);
void AppendEventCommand(ByteBuilder& out, const EventCommand& command);
// int32 count, then the commands as they are (the reader sets the last code).
void AppendEventCommandList(ByteBuilder& out, const EventCommandList& commands);

// Map records. A page stores its commands' count; an event stores its
// pageCount and that many pages (constructed pages past the list's end).
void AppendEventPage(ByteBuilder& out, const EventPage& page);
void AppendMapEvent(ByteBuilder& out, const MapEvent& event);
// The map body from offset 20: format value 100, tag 101, header (its
// eventCount replaced by the list's size), layers column by column, events,
// byte 102.
std::vector<uint8_t> MapFileBody(const MapData& map);
std::vector<uint8_t> MapFileImage(const MapData& map, const ScrambleOptions& options = {});
void WriteMapFile(const std::filesystem::path& path, const MapData& map, const ScrambleOptions& options = {});

// TileSetData.dat: version byte 0xCF (flags as single bytes) or 0xD0 (flags
// as int32), the tilesets, the end byte.
struct TilesetFileOptions {
  uint8_t version = kTilesetVersionIntFlags;
  uint8_t separator = 0xFF;  // the byte after each tileset's image names
  uint8_t endByte = kTilesetEndByte;
};
void AppendTileset(ByteBuilder& out, const Tileset& tileset, const TilesetFileOptions& options = {});
std::vector<uint8_t> TilesetFileBody(const std::vector<Tileset>& tilesets, const TilesetFileOptions& options = {});
std::vector<uint8_t> TilesetFileImage(const std::vector<Tileset>& tilesets, const TilesetFileOptions& options = {},
                                      const ScrambleOptions& scramble = {});

// Common-event records in the old (0x8E) or extended (0x8F) form.
void AppendCommonEvent(ByteBuilder& out, const CommonEvent& event, uint8_t recordVersion = kCommonEventRecordExtended);
// CommonEvent.dat: tag 0x8F, count, records (one version each, or all 0x8F
// when versions is empty), tag 0x8F.
std::vector<uint8_t> CommonEventDataBody(const std::vector<CommonEvent>& events,
                                         const std::vector<uint8_t>& versions = {});
std::vector<uint8_t> CommonEventDataImage(const std::vector<CommonEvent>& events,
                                          const std::vector<uint8_t>& versions = {},
                                          const ScrambleOptions& scramble = {});
// A single ".common" file: magic value, count, records; stored plain.
std::vector<uint8_t> CommonFileImage(const std::vector<CommonEvent>& events, const std::vector<uint8_t>& versions = {});
