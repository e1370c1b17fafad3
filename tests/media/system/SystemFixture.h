#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "media/graphics/DrawState.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"
#include "media/system/PublicSystem.h"
#include "platform/time/Time.h"
#include "platform/window/Window.h"

// Each test runs the library in a fresh temporary folder (the log's base
// folder) with its own instance-lock folder, logging on, and a clean system
// record; the library is ended and the folder removed afterwards.
class SystemTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    folder_ = std::filesystem::temp_directory_path() /
              ("player-system-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    platform::ResetHeadlessWindowing();
    platform::SetInstanceLockFolder(folder_.string());
    platform::SetVirtualClock(100000);
    gLibrarySystem = LibrarySystemState{};
    // The screen settings and mode flags outlive an end of the library.
    gScreenState = ScreenState{};
    gLogState.indentLevel = 0;
    gLogState.midLine = 0;
    EnableLibraryLog(1);
  }

  void TearDown() override {
    EndMediaLibrary();
    EnableLibraryLog(0);
    gLogState.baseFolder[0] = '\0';
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    platform::ResetHeadlessWindowing();
    gLibrarySystem = LibrarySystemState{};
  }

  std::string ReadLog() const {
    std::ifstream in(folder_ / "Log.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  // The log's lines without their time stamps ("123:"), CR LF removed.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::string log = ReadLog();
    size_t start = 0;
    while (start < log.size()) {
      size_t end = log.find("\r\n", start);
      if (end == std::string::npos) end = log.size();
      std::string line = log.substr(start, end - start);
      size_t colon = line.find(':');
      if (colon != std::string::npos && colon > 0 && line.find_first_not_of("0123456789") == colon)
        line = line.substr(colon + 1);
      lines.push_back(line);
      start = end + 2;
    }
    return lines;
  }

  std::filesystem::path folder_;
  std::filesystem::path previous_;
  static inline int counter_ = 0;
};

// Test texts are written in UTF-8 and compared as the CP932 bytes the system uses.
std::string Sjis(const std::string& utf8);
