// Feeds arbitrary bytes to the CommonEvent.dat parser, body plain (seed bytes
// cleared, so the byte-sum check does not end the process).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileCursor.h"
#include "platform/Backend.h"
#include "platform/dialogs/MessageBox.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetBackend(platform::Backend::Headless);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  for (size_t offset : {0, 3, 9}) {
    if (offset < bytes.size()) bytes[offset] = 0;
  }
  DataFileCursor cursor(std::move(bytes));
  CommonEventList list;
  list.ParseCommonEventData(cursor, "fuzz.dat");
  platform::ClearRecordedMessageBoxes();
  return 0;
}
