#include "gamedata/Database.h"

bool Database::LoadDatabaseFiles(const std::string&) { return false; }
