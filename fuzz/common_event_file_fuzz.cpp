// Feeds arbitrary bytes to the single ".common" file parser (stored plain).
// The magic value is put in front so the records themselves get fuzzed.
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
  std::vector<uint8_t> bytes = {0x6C, 0x38, 0x0C, 0x03};
  bytes.insert(bytes.end(), data, data + size);
  DataFileCursor cursor(std::move(bytes));
  CommonEventList list;
  list.ParseCommonEventFile(cursor, 10, true);
  platform::ClearRecordedMessageBoxes();
  return 0;
}
