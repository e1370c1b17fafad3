#include "support/GameFolderBuilder.h"

#include <algorithm>

#include "support/ArchiveWriter.h"
#include "support/CommandListBuilder.h"
#include "support/ScrambledFileWriter.h"

namespace {

std::filesystem::path OnDisk(const std::filesystem::path& folder, std::string relative) {
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return folder / relative;
}

}  // namespace

GameFolderBuilder::GameFolderBuilder() {
  for (const char* name : {"BasicData\\SysDataBase", "BasicData\\DataBase", "BasicData\\CDataBase"}) {
    Database(name, DatabaseFileSpec{});
  }
  CommonEvents(DefaultCommonEvents());
  Tilesets(DefaultTilesets());
  Map(kDefaultMapName, DefaultMap());
}

GameFolderBuilder& GameFolderBuilder::GameDat(const GameDatSpec& spec) {
  gameDat_ = spec;
  return *this;
}

GameFolderBuilder& GameFolderBuilder::Database(const std::string& name, const DatabaseFileSpec& spec) {
  dataFiles_[name + ".dat"] = WriteDatabaseDat(spec);
  dataFiles_[name + ".project"] = WriteDatabaseProject(spec);
  return *this;
}

GameFolderBuilder& GameFolderBuilder::CommonEvents(const std::vector<CommonEvent>& events,
                                                   const std::vector<uint8_t>& versions) {
  dataFiles_["BasicData\\CommonEvent.dat"] = CommonEventDataImage(events, versions);
  return *this;
}

GameFolderBuilder& GameFolderBuilder::Tilesets(const std::vector<Tileset>& tilesets,
                                               const TilesetFileOptions& options) {
  dataFiles_["BasicData\\TileSetData.dat"] = TilesetFileImage(tilesets, options);
  return *this;
}

GameFolderBuilder& GameFolderBuilder::Map(const std::string& fileName, const MapData& map) {
  dataFiles_[fileName] = MapFileImage(map);
  return *this;
}

GameFolderBuilder& GameFolderBuilder::DataFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  dataFiles_[path] = bytes;
  return *this;
}

GameFolderBuilder& GameFolderBuilder::CommonFile(const std::string& path, const std::vector<CommonEvent>& events) {
  gameFiles_[path] = CommonFileImage(events);
  return *this;
}

GameFolderBuilder& GameFolderBuilder::GameFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  gameFiles_[path] = bytes;
  return *this;
}

GameFolderBuilder& GameFolderBuilder::Without(const std::string& path) {
  dataFiles_.erase(path);
  return *this;
}

GameFolderBuilder& GameFolderBuilder::PackData(const std::string& keyString, int archiveVersion) {
  pack_ = true;
  keyString_ = keyString;
  archiveVersion_ = archiveVersion;
  return *this;
}

void GameFolderBuilder::Write(const std::filesystem::path& gameFolder) const {
  GameDatSpec gameDat = gameDat_;
  if (pack_) gameDat.archiveKey = keyString_;
  WriteFileBytes(gameFolder / "Game.dat", WriteGameDat(gameDat));
  for (const auto& [path, bytes] : gameFiles_) WriteFileBytes(OnDisk(gameFolder, path), bytes);
  if (pack_) {
    ArchiveWriter writer;
    writer.SetVersion(archiveVersion_);
    writer.SetKeyString(keyString_);
    for (const auto& [path, bytes] : dataFiles_) writer.AddFile(path, std::string(bytes.begin(), bytes.end()));
    writer.Write(gameFolder / "Data.vorn");
    return;
  }
  for (const auto& [path, bytes] : dataFiles_) WriteFileBytes(OnDisk(gameFolder / "Data", path), bytes);
}

std::vector<CommonEvent> GameFolderBuilder::DefaultCommonEvents() {
  CommonEvent greet;
  greet.name = "Greet";
  greet.commands = CommandListBuilder().Add(101, {}, {"Welcome"}).Build();
  CommonEvent step;
  step.name = "Step";
  step.triggerFlags = 0x23;  // parallel always
  step.commands = CommandListBuilder()
                      .Add(121, {2000000, 1, 0, 0x100})
                      .Add(201, {-2})
                      .WithRoute(RouteBuilder().Flags(3).Step(1).Step(4))
                      .Build();
  return {greet, step};
}

std::vector<Tileset> GameFolderBuilder::DefaultTilesets() {
  Tileset tileset;
  tileset.name = "Field";
  tileset.imageNames[0] = "MapChip/Field.png";
  tileset.imageNames[1] = "AutoTile/Water.png";
  tileset.tileTags = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
  tileset.tileFlags = {0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0x0F};
  return {tileset};
}

MapData GameFolderBuilder::DefaultMap() {
  MapData map;
  map.header.name = "Sample";
  map.header.width = 4;
  map.header.height = 3;
  map.ResizeMapLayers(true, 0, 0);
  map.layers[0][0][0] = 1;
  map.layers[0][3][2] = 200000;
  MapEvent sign(1);
  sign.name = "Sign";
  sign.x = 2;
  sign.y = 1;
  sign.pages[0].commands = CommandListBuilder().Add(101, {}, {"A sign."}).Build();
  map.events.push_back(sign);
  map.header.eventCount = 1;
  return map;
}
