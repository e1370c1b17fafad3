#include "platform/process/ExecutableFolder.h"

#include <unistd.h>

#include <climits>

#include "platform/files/Files.h"

namespace platform {

std::string ExecutableFolder() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string full(path, static_cast<size_t>(length));
  size_t slash = full.rfind('/');
  if (slash == std::string::npos) return {};
  return full.substr(0, slash + 1);
}

std::string ExecutablePath() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  return RuntimeAbsolutePath(std::string_view(path, static_cast<size_t>(length)));
}

}  // namespace platform
