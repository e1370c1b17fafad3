#include <cstdint>
#include <iterator>
#include <string>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableId.h"
#include "shell/NoticeBox.h"

int PictureList::GetPictureValue(int number, int code) const {
  const auto found = pictures.find(number);
  if (found != pictures.end()) return found->second.GetPictureProperty(code);
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
  for (auto at = pictures.lower_bound(first); at != pictures.end() && at->first <= last; ++at) operation(at->second);
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

// Walks the range in number order, creating the pictures missing; the count
// is refreshed before each number, as it stood before that picture was made.
template <typename Show>
static void ShowOverRange(PictureList& list, int first, int last, Show show) {
  if (first > last || !CheckShowRange(first, last)) return;
  auto next = list.pictures.lower_bound(first);
  for (int64_t number = first; number <= last; ++number) {
    list.count = static_cast<int32_t>(list.pictures.size());
    const auto at = list.pictures.try_emplace(next, static_cast<int32_t>(number), static_cast<int>(number));
    show(at->second);
    next = std::next(at);
  }
}

void PictureList::ShowPictures(int first, int last, const std::string& fileName, int xDiv, int yDiv, int x, int y,
                               int pattern, int opacity, int blendFlags, int frames, int zoom, int zoomMode, int angle,
                               int anchor, int color, int delay, bool relative, bool windowFrame) {
  int zoomX = 0, zoomY = 0;
  SplitZoom(zoom, zoomMode, zoomX, zoomY);
  ShowOverRange(*this, first, last, [&](Picture& picture) {
    picture.ShowPicture(fileName, xDiv, yDiv, x, y, pattern, opacity, blendFlags, frames, zoomX, zoomY, angle, anchor,
                        color, delay, relative, windowFrame ? 4 : 0);
  });
}

void PictureList::ShowStringPictures(int first, int last, const std::string& text, int x, int y, int pattern,
                                     int opacity, int blendFlags, int frames, int zoom, int zoomMode, int angle,
                                     int anchor, int color, int delay, bool relative) {
  int zoomX = 0, zoomY = 0;
  SplitZoom(zoom, zoomMode, zoomX, zoomY);
  ShowOverRange(*this, first, last, [&](Picture& picture) {
    picture.ShowStringPicture(text, x, y, pattern, opacity, blendFlags, frames, zoomX, zoomY, angle, anchor, color,
                              delay, relative);
  });
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
  for (auto at = pictures.begin(); at != pictures.end();) {
    Picture& picture = at->second;
    picture.UpdatePicture();
    if (picture.isErased && picture.delayedCommands.empty()) {
      at = pictures.erase(at);
    } else {
      ++at;
    }
  }
  count = static_cast<int32_t>(pictures.size());
}

void PictureList::DrawPictureLayer(int layer) {
  int32_t low = 0, high = 0;
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
  for (auto at = pictures.lower_bound(low); at != pictures.end() && at->first <= high; ++at) at->second.DrawPicture();
}
