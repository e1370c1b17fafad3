#pragma once

// The set-up the drawing benchmarks share: the media library started on the
// headless backend in a fresh scratch folder, 640x480x32 in a window, drawing
// to the back screen.

#include <unistd.h>

#include <filesystem>
#include <string>

#include "media/PublicFunctions.h"
#include "platform/Backend.h"
#include "platform/window/Window.h"

inline void StartHeadlessBenchLibrary(const std::string& folderPrefix) {
  platform::SetBackend(platform::Backend::Headless);
  const auto folder = std::filesystem::temp_directory_path() / (folderPrefix + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  platform::SetInstanceLockFolder(folder.string());
  EnableLibraryLog(0);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetScreenResolution(640, 480, 32, 60);
  StartMediaLibrary();
  SelectDrawTarget(-2);
}
