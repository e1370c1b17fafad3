#pragma once

#include <string>

#include "support/ScratchFolder.h"

// The media library started on the headless backend in a fresh scratch
// folder (the current folder meanwhile): 640 x 480 x 32 in a window that runs
// while inactive, drawing to the back screen. Ended again on destruction.
class StartedLibrary {
 public:
  StartedLibrary();
  ~StartedLibrary();
  StartedLibrary(const StartedLibrary&) = delete;
  StartedLibrary& operator=(const StartedLibrary&) = delete;

  bool Started() const { return started_; }
  const ScratchFolder& Folder() const { return folder_; }

  // One message pass after typing the text (UTF-8) into the window.
  static void Type(const std::string& utf8);
  // One message pass after pressing and releasing the virtual key.
  static void PressVirtualKey(int virtualKey);

 private:
  ScratchFolder folder_;
  bool started_ = false;
};
