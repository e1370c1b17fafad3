#include "media/system/FileLayerPending.h"

#include <filesystem>
#include <system_error>

#include "media/system/LibrarySystem.h"

int ArchiveTableReset() { return 0; }
int FileLayerInstall(const void*) { return 0; }
int FileLayerGetDirectory(char* buffer) {
  std::error_code ec;
  std::string path = std::filesystem::current_path(ec).string();
  CopyTextBounded(buffer, 260, ec ? "" : path.c_str());
  return 1;
}
int FileLayerSetDirectory(const char* path) {
  std::error_code ec;
  std::filesystem::current_path(path, ec);
  return ec ? 0 : 1;
}
int ArchiveShutdown() { return 0; }
void FillStreamFunctionTables() {}
