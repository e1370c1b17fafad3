#include "gamedata/DataFileCursor.h"

#include "media/PublicFunctions.h"

bool DataFileCursor::LoadFile(const std::string& path) {
  buffer_.clear();
  position_ = 0;
  damaged_ = false;
  // The file layer opens no file of more than INT_MAX bytes (the size is -1
  // then), so the size always fits the one block read below.
  const int size = GetFileSizeByName(path.c_str());
  if (size < 0) return false;
  const auto handle = OpenFileForRead(path.c_str(), 0);
  if (handle == 0) return false;
  buffer_.assign(static_cast<size_t>(size), 0);
  // A file that comes short of its size (cut while open) is not the file: its
  // missing tail must not parse as zeros.
  const bool whole = size == 0 || ReadFileBlock(buffer_.data(), size, handle) == 1;
  FileLayerClose(handle);
  if (!whole) buffer_.clear();
  return whole;
}
