// Feeds arbitrary bytes to the readers of a character's and the hero's save
// blocks. The first byte picks the save version the blocks are read as (99,
// 104 or 111) and which reader takes the rest.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "map/Hero.h"
#include "map/MapCharacter.h"
#include "platform/Backend.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetBackend(platform::Backend::Headless);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t first = 0;
  if (!fuzz::BeginSaveBlockRead(data, size, first)) return 0;
  if (first & 0x80) {
    Hero hero;
    hero.LoadHeroState();
  } else {
    MapCharacter character;
    character.LoadCharacterState();
  }
  return 0;
}
