#pragma once

#include <filesystem>
#include <string>

// Points the media layer's log at a fresh temporary folder with logging on
// and starts it; the destructor switches logging off again and removes the
// folder. Read() returns Log.txt's bytes.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path LogPath() const { return folder_ / "Log.txt"; }
  std::string Read() const;

 private:
  std::filesystem::path folder_;
};
