#include <algorithm>

#include "gamedata/GlobalObjects.h"

size_t PictureList::RangeStart(int first) const {
  size_t start = 0;
  for (int i = 0; i < 3 && keys[static_cast<size_t>(i)] < first; ++i) {
    start = static_cast<size_t>(std::max((i + 1) * static_cast<int64_t>(count) / 4, int64_t{0}));
  }
  // Keys read from a save may be stale: step back as well as forward.
  start = std::min(start, pictures.size());
  while (start > 0 && pictures[start - 1].number >= first) --start;
  while (start < pictures.size() && pictures[start].number < first) ++start;
  return start;
}

void PictureList::RebuildKeys() {
  if (count < 1 || pictures.empty()) return;
  for (size_t i = 0; i < 3; ++i) {
    const size_t index = std::min(static_cast<size_t>((i + 1) * static_cast<int64_t>(count) / 4), pictures.size() - 1);
    keys[i] = pictures[index].number;
  }
}

int PictureList::GetPictureValue(int number, int code) const {
  const size_t start = RangeStart(number);
  if (start < pictures.size() && pictures[start].number == number) return pictures[start].GetPictureProperty(code);
  return code == 9 ? 0 : -1;
}
