// Feeds arbitrary bytes to the reader of the current map's save block. The
// first byte picks the save version the block is read as (99: flags stored
// as bytes, 104: no tiles, 111: tiles), the rest is the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "map/CurrentMap.h"
#include "platform/Backend.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetBackend(platform::Backend::Headless);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t first = 0;
  if (!fuzz::BeginSaveBlockRead(data, size, first)) return 0;
  CurrentMap map;
  map.LoadMapState(false);
  return 0;
}
