#pragma once

// Set-up shared by the fuzz targets. Each target is a program of its own.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "gamedata/SaveBuffer.h"
#include "platform/Backend.h"

namespace fuzz {

// A scrambled data file whose seed bytes (at 0, 3 and 9) are cleared: the body
// is read plain and the byte-sum check, which ends the process on a mismatch,
// does not run.
inline std::vector<uint8_t> WithSeedsCleared(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  for (size_t offset : {0, 3, 9}) {
    if (offset < bytes.size()) bytes[offset] = 0;
  }
  return bytes;
}

inline std::filesystem::path& ScratchFolder() {
  static std::filesystem::path folder;
  return folder;
}

// Makes a fresh folder the current directory for the targets that write a
// file every run (in memory when the system offers it), removes it at exit,
// and installs the archive-aware file layer with the "vorn" extension.
inline void EnterScratchFolderWithArchives() {
  platform::SetBackend(platform::Backend::Headless);
  char inMemory[] = "/dev/shm/player_fuzz_XXXXXX";
  char onDisk[] = "/tmp/player_fuzz_XXXXXX";
  char* folder = mkdtemp(inMemory);
  if (!folder) folder = mkdtemp(onDisk);
  if (!folder || chdir(folder) != 0) std::abort();
  ScratchFolder() = folder;
  std::atexit([] {
    std::error_code error;
    std::filesystem::remove_all(ScratchFolder(), error);
  });
  ArchiveTableReset();
  FileLayerInstall(nullptr);
  ArchiveExtensionSet("vorn");
}

// Puts the bytes after the first into the save buffer for reading, as a block
// of the save version the first byte picks (99, 104 or 111). Returns the
// first byte; an empty input gives false and nothing to read.
inline bool BeginSaveBlockRead(const uint8_t* data, size_t size, uint8_t& first) {
  if (size == 0) return false;
  static constexpr int kVersions[3] = {99, 104, 111};
  first = data[0];
  gSaveBuffer.BeginRead(std::vector<uint8_t>(data + 1, data + size));
  gSaveBuffer.formatNumber = kVersions[first % 3];
  return true;
}

}  // namespace fuzz
