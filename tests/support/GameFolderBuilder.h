#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/MapData.h"
#include "gamedata/Tileset.h"
#include "support/GameDataWriters.h"
#include "support/MapFileWriters.h"

// Writes a small complete game folder: Game.dat beside the Data folder, the
// three databases, CommonEvent.dat, TileSetData.dat and the maps under Data
// (or packed into Data.vorn), and single ".common" files in the game folder.
// Every part starts with a small default and can be replaced.
//
//   GameFolderBuilder game;
//   game.Map("MapData\\Town.mps", town).PackData("secret");
//   game.Write(folder);   // folder/Game.dat, folder/Data.vorn
class GameFolderBuilder {
 public:
  GameFolderBuilder();

  GameFolderBuilder& GameDat(const GameDatSpec& spec);
  // name as the game gives it: "BasicData\\SysDataBase", "BasicData\\DataBase"
  // or "BasicData\\CDataBase".
  GameFolderBuilder& Database(const std::string& name, const DatabaseFileSpec& spec);
  GameFolderBuilder& CommonEvents(const std::vector<CommonEvent>& events, const std::vector<uint8_t>& versions = {});
  GameFolderBuilder& Tilesets(const std::vector<Tileset>& tilesets, const TilesetFileOptions& options = {});
  // A map file under Data, fileName as the game names it ("MapData\\A.mps").
  GameFolderBuilder& Map(const std::string& fileName, const MapData& map);
  // Any file under Data, path relative to it with backslashes.
  GameFolderBuilder& DataFile(const std::string& path, const std::vector<uint8_t>& bytes);
  // A single ".common" file, path relative to the game folder.
  GameFolderBuilder& CommonFile(const std::string& path, const std::vector<CommonEvent>& events);
  // Any other file beside Game.dat (fonts, libraries), path relative to the
  // game folder with backslashes; never packed.
  GameFolderBuilder& GameFile(const std::string& path, const std::vector<uint8_t>& bytes);
  // Leaves a file out of the folder (path under Data, backslashes).
  GameFolderBuilder& Without(const std::string& path);

  // Packs everything under Data into Data.vorn with the key string, which
  // Game.dat then carries as its archive key; no Data folder is written.
  GameFolderBuilder& PackData(const std::string& keyString, int archiveVersion = 3);

  void Write(const std::filesystem::path& gameFolder) const;

  // The default parts, for tests that compare what was read.
  static std::vector<CommonEvent> DefaultCommonEvents();
  static std::vector<Tileset> DefaultTilesets();
  static MapData DefaultMap();
  static constexpr const char* kDefaultMapName = "MapData\\SampleMap.mps";

 private:
  GameDatSpec gameDat_;
  // Files under Data by their path there (backslashes).
  std::map<std::string, std::vector<uint8_t>> dataFiles_;
  std::map<std::string, std::vector<uint8_t>> gameFiles_;
  bool pack_ = false;
  std::string keyString_;
  int archiveVersion_ = 3;
};
