#include "gamedata/DataFileCursor.h"

#include "media/PublicFunctions.h"

bool DataFileCursor::LoadFile(const std::string& path) {
  buffer_.clear();
  position_ = 0;
  damaged_ = false;
  const auto size = GetFileSizeByName(path.c_str());
  if (size < 0) return false;
  const auto handle = OpenFileForRead(path.c_str(), 0);
  if (handle == 0) return false;
  buffer_.assign(static_cast<size_t>(size), 0);
  // A short read leaves the rest zero; the parse then finds the file damaged.
  if (size > 0) ReadFileBlock(buffer_.data(), static_cast<int>(size), handle);
  FileLayerClose(handle);
  return true;
}
