#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

// A fresh game folder under the temporary directory that becomes the current
// directory for the test, as the game folder is during play.
class GameFolder {
 public:
  GameFolder() {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "gamedata-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    std::filesystem::current_path(root_);
  }
  ~GameFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(root_, ignored);
  }
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;
  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path root_;
};
