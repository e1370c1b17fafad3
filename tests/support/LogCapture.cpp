#include "support/LogCapture.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "foundation/Log.h"

LogCapture::LogCapture() {
  static std::atomic<int> counter{0};
  folder_ = std::filesystem::temp_directory_path() /
            ("player_log_" + std::to_string(std::random_device{}()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(folder_);
  const std::string folder = folder_.string();
  std::strncpy(gLogState.baseFolder, folder.c_str(), sizeof gLogState.baseFolder - 1);
  gLogState.logOff = 0;
  LogStart();
}

LogCapture::~LogCapture() {
  gLogState.logOff = 1;
  gLogState.baseFolder[0] = '\0';
  gLogState.indentLevel = 0;
  gLogState.midLine = 0;
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string LogCapture::Read() const {
  std::ifstream in(LogPath(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
