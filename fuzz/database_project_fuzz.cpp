// Database .project reader over arbitrary images; the first byte picks the
// format (192 or 193).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gamedata/DataFileCursor.h"
#include "gamedata/Database.h"
#include "gamedata/DatabaseFiles.h"
#include "platform/Backend.h"
#include "shell/NoticeBox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool headless = (platform::SetBackend(platform::Backend::Headless), true);
  (void)headless;
  if (size == 0) return 0;
  Database database;
  database.formatVersion = (data[0] & 1) != 0 ? 193 : 192;
  DataFileCursor cursor(std::vector<uint8_t>(data + 1, data + size));
  ReadDatabaseProject(cursor, database);
  for (int type = 0; type < static_cast<int>(database.definitions.size()) && type < 8; ++type) {
    database.GetDatabaseTypeName(type);
    database.GetDatabaseContentName(type, 0);
    database.GetDatabaseDataName(type, 0);
  }
  ClearRecordedNotices();
  return 0;
}
