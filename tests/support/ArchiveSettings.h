#pragma once

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"

// The file layer as a game sets it up after the library start: archive-aware
// set installed, extension "vorn", the given key string, no archive open.
inline void ArchiveSettingsForGame(const char* keyString) {
  ArchiveTableReset();
  ArchiveUseSet(1);
  FileLayerInstall(nullptr);
  ArchiveExtensionSet("vorn");
  ArchiveKeyStringSet(keyString);
}

// Closes the archives left unused and clears the settings again.
inline void ArchiveSettingsClear() {
  ArchiveShutdown();
  ArchiveExtensionSet(nullptr);
  ArchiveKeyStringSet(nullptr);
}
