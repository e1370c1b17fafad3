// Database .dat reader over arbitrary file images, then reads of every cell
// and name through the database it filled.
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
  DataFileCursor cursor(std::vector<uint8_t>(data, data + size));
  cursor.Unscramble("x.dat", kDatabaseFileLayout);
  Database database;
  ReadDatabaseDat(cursor, database);
  database.systemLink = database.userLink = database.variableLink = &database;
  for (int type = 0; type < database.GetDatabaseTypeCount() && type < 8; ++type) {
    for (int row = 0; row < database.GetDatabaseDataCount(type) && row < 8; ++row) {
      for (int content = 0; content < database.GetDatabaseContentCount(type) && content < 8; ++content) {
        database.ReadDatabaseInt(type, row, content);
        database.ReadDatabaseString(type, row, content);
        database.GetDatabaseDataName(type, row);
      }
    }
    database.ResizeDatabaseType(type, 3);
  }
  ClearRecordedNotices();
  return 0;
}
