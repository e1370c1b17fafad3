#pragma once

#include <string>

// The game's folders, set by the start-up: the executable's folder (the
// current folder during play) and the data folder, the prefix of every data
// file but Game.dat. Until the start-up sets them they name the current
// folder and its "Data\\" folder.
extern std::string gExeFolderPath;
extern std::string gDataFolderPath;
