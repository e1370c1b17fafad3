// Feeds arbitrary bytes to the map file parser. The seed bytes are cleared so
// the body is read plain and the byte-sum check (which ends the process on a
// mismatch) does not run.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "gamedata/DataFileCursor.h"
#include "gamedata/MapFile.h"
#include "platform/Backend.h"
#include "platform/dialogs/MessageBox.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetBackend(platform::Backend::Headless);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DataFileCursor cursor(fuzz::WithSeedsCleared(data, size));
  MapData map;
  ParseMapFile(map, cursor, "fuzz.mps");
  platform::ClearRecordedMessageBoxes();
  return 0;
}
