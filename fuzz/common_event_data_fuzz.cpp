// Feeds arbitrary bytes to the CommonEvent.dat parser, body plain (seed bytes
// cleared, so the byte-sum check does not end the process).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileCursor.h"
#include "platform/Backend.h"
#include "platform/dialogs/MessageBox.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetBackend(platform::Backend::Headless);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DataFileCursor cursor(fuzz::WithSeedsCleared(data, size));
  CommonEventList list;
  list.ParseCommonEventData(cursor, "fuzz.dat");
  platform::ClearRecordedMessageBoxes();
  return 0;
}
