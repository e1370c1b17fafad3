#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

// A fresh folder under the system temporary folder, removed with everything in
// it at the end of the test. With `enter` it is also the current directory
// until then.
class ScratchFolder {
 public:
  explicit ScratchFolder(bool enter = false) {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("scratch_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    if (enter) {
      previous_ = std::filesystem::current_path();
      std::filesystem::current_path(path_);
    }
  }
  ~ScratchFolder() {
    std::error_code error;
    if (!previous_.empty()) std::filesystem::current_path(previous_, error);
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Writes `bytes` to the file at `relative` (folders made as needed).
  std::filesystem::path Write(const std::filesystem::path& relative, const std::string& bytes) const {
    auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
  }

  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};
