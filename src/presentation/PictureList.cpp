#include <algorithm>
#include <cstdint>
#include <string>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableId.h"
#include "shell/NoticeBox.h"

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

namespace {

void SplitZoom(int zoom, int zoomMode, int& zoomX, int& zoomY) {
  if (zoom == kPictureKeep) {
    zoomX = zoomY = kPictureKeep;
  } else if (zoomMode == 1) {
    zoomX = 100;
    zoomY = zoom;
  } else if (zoomMode == 2) {
    zoomX = zoom;
    zoomY = 100;
  } else {
    zoomX = zoomY = zoom;
  }
}

}  // namespace

template <typename Operation>
void PictureList::ForEachInRange(int first, int last, Operation operation) {
  for (size_t j = RangeStart(first); j < pictures.size() && pictures[j].number <= last; ++j) operation(pictures[j]);
}

// The most numbers one show may cover: as many pictures as a save holds. A
// wider range is a script's mistake (a bound taken from a runaway variable)
// that would otherwise create every picture of it.
constexpr int64_t kMostPicturesPerShow = 32767;

// False (after the notice) when the range is too wide to show.
static bool CheckShowRange(int first, int last) {
  if (static_cast<int64_t>(last) - first < kMostPicturesPerShow) return true;
  ShowNoticeBox(NoticeText("ｴﾗｰ【ピクチャ】表示する番号の範囲が広すぎます！ >ID%d～%d (一度に%d枚まで)",
                           {Decimal(first), Decimal(last), Decimal(kMostPicturesPerShow)}),
                ErrorLocationText(), "");
  return false;
}

// Walks the range in step with the numbers, creating the pictures missing.
template <typename Show>
static void ShowOverRange(PictureList& list, int first, int last, size_t start, Show show) {
  if (first > last || !CheckShowRange(first, last)) return;
  const int64_t length = static_cast<int64_t>(last) - first;
  for (int64_t n = 0; n <= length; ++n) {
    const size_t index = start + static_cast<size_t>(n);
    const int number = static_cast<int>(first + n);
    list.count = static_cast<int32_t>(list.pictures.size());
    if (index >= list.pictures.size() || list.pictures[index].number != number) {
      list.pictures.insert(list.pictures.begin() + static_cast<std::ptrdiff_t>(index), Picture(number));
    }
    show(list.pictures[index]);
  }
}

void PictureList::ShowPictures(int first, int last, const std::string& fileName, int xDiv, int yDiv, int x, int y,
                               int pattern, int opacity, int blendFlags, int frames, int zoom, int zoomMode, int angle,
                               int anchor, int color, int delay, bool relative, bool windowFrame) {
  int zoomX = 0, zoomY = 0;
  SplitZoom(zoom, zoomMode, zoomX, zoomY);
  ShowOverRange(*this, first, last, RangeStart(first), [&](Picture& picture) {
    picture.ShowPicture(fileName, xDiv, yDiv, x, y, pattern, opacity, blendFlags, frames, zoomX, zoomY, angle, anchor,
                        color, delay, relative, windowFrame ? 4 : 0);
  });
  RebuildKeys();
}

void PictureList::ShowStringPictures(int first, int last, const std::string& text, int x, int y, int pattern,
                                     int opacity, int blendFlags, int frames, int zoom, int zoomMode, int angle,
                                     int anchor, int color, int delay, bool relative) {
  int zoomX = 0, zoomY = 0;
  SplitZoom(zoom, zoomMode, zoomX, zoomY);
  ShowOverRange(*this, first, last, RangeStart(first), [&](Picture& picture) {
    picture.ShowStringPicture(text, x, y, pattern, opacity, blendFlags, frames, zoomX, zoomY, angle, anchor, color,
                              delay, relative);
  });
  RebuildKeys();
}

void PictureList::ChangePicturesInRange(int first, int last, int x, int y, int pattern, int opacity, int blend,
                                        int frames, int zoom, int zoomMode, int angle, int color, int delay,
                                        bool relative) {
  int zoomX = 0, zoomY = 0;
  SplitZoom(zoom, zoomMode, zoomX, zoomY);
  ForEachInRange(first, last, [&](Picture& picture) {
    picture.ChangePicture(x, y, pattern, opacity, blend, frames, zoomX, zoomY, angle, color, delay, relative);
  });
}

void PictureList::FadeOutPicturesInRange(int first, int last, int frames, int delay, int color) {
  ForEachInRange(first, last, [&](Picture& picture) { picture.FadeOutPicture(frames, delay, color); });
}

void PictureList::CancelPictureDelaysInRange(int first, int last) {
  ForEachInRange(first, last, [](Picture& picture) {
    picture.delayedCommands.clear();
    picture.delayedTexts.clear();
  });
}

void PictureList::ApplyPictureEffectInRange(int first, int last, int type, int p1, int p2, int p3, int frames) {
  ForEachInRange(first, last, [&](Picture& picture) { picture.ApplyPictureEffect(type, p1, p2, p3, frames); });
}

void PictureList::UpdatePictures() {
  for (size_t i = 0; i < pictures.size();) {
    pictures[i].UpdatePicture();
    if (pictures[i].isErased && pictures[i].delayedCommands.empty()) {
      pictures.erase(pictures.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  count = static_cast<int32_t>(pictures.size());
  if (count >= 1) RebuildKeys();
}

void PictureList::DrawPictureLayer(int layer) {
  int64_t low = 0, high = 0;
  switch (layer) {
    case -2:
      low = INT32_MIN;
      high = -100000;
      break;
    case -1:
      low = -99999;
      high = -1;
      break;
    case 0:
      low = 0;
      high = 99999;
      break;
    case 1:
      low = 100000;
      high = INT32_MAX;
      break;
    default: return;
  }
  for (Picture& picture : pictures) {
    if (picture.number >= low && picture.number <= high) picture.DrawPicture();
  }
}
