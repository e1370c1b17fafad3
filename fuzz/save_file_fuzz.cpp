// Feeds arbitrary bytes as a save file to the save reader in peek mode (the
// file is read into the slot's snapshot only). The seed bytes are cleared,
// so the body is read plain and the byte-sum check, which ends the process
// on a mismatch, does not run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "FuzzSupport.h"
#include "gamedata/GameInfo.h"
#include "gamedata/SaveManager.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolderWithArchives();
  // The Variable database block reads its definitions: an empty list.
  std::filesystem::create_directories("Data/BasicData");
  std::filesystem::create_directories("Save");
  if (FILE* project = std::fopen("Data/BasicData/CDataBase.project", "wb")) {
    const uint8_t none[4] = {0, 0, 0, 0};
    std::fwrite(none, 1, sizeof none, project);
    std::fclose(project);
  }
  gGameInfo.strings = {"Title"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes = fuzz::WithSeedsCleared(data, size);
  if (FILE* file = std::fopen("Save/SaveData01.sav", "wb")) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  gSaveManager = SaveManager();
  gSaveManager.ReadSaveFile(1, false, false, "Save\\SaveData");
  return 0;
}
