#pragma once

#include <cstdint>
#include <string>
#include <vector>

class DataFileCursor;

// The game's basic information from Game.dat: settings bytes, texts (title,
// archive key, font names, the hero's first graphic) and 16-bit values.
struct GameInfo {
  GameInfo();

  // Reads Game.dat through the public file functions. True when the file was
  // opened (also when its check byte is wrong), false when it does not open.
  // A file that ends inside a field, or whose counts or texts cannot be
  // right, shows the damaged-file message box and ends the process (code 1).
  bool LoadGameInfoFile(const std::string& fileName);

  // Parses an unscrambled file image (the cursor at the body); false when it
  // is damaged beyond use. Damaged positions show the notice.
  bool ReadGameInfo(DataFileCursor& cursor);

  // Entries: settings byte k (0-17 are always there), text k (0-7), value k.
  std::vector<int8_t> settings;
  std::vector<std::string> strings;
  std::vector<int16_t> values;
};

extern GameInfo gGameInfo;
