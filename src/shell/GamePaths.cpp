#include "shell/GamePaths.h"

std::string gExeFolderPath;
std::string gDataFolderPath = "Data\\";
