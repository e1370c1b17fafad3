#include "presentation/PictureFileCache.h"

#include <algorithm>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableId.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "presentation/Picture.h"
#include "shell/GamePaths.h"
#include "shell/NoticeBox.h"

PictureFileCache gPictureFileCache;

namespace {

void ReleaseEntryGraphs(size_t index) {
  PictureFileCache& cache = gPictureFileCache;
  ReleaseGraph(cache.wholeHandles[index], 0);
  for (int cell : cache.cellHandles[index]) ReleaseGraph(cell, 0);
}

template <class T>
void EraseAt(std::vector<T>& list, size_t index) {
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

// The cut of an entry; a division pair larger than the image cuts one cell.
void CutEntry(size_t index, int whole) {
  PictureFileCache& cache = gPictureFileCache;
  int width = 0, height = 0;
  QueryGraphSize(whole, &width, &height);
  int xDiv = cache.xDivisions[index], yDiv = cache.yDivisions[index];
  if (xDiv > width || yDiv > height) xDiv = yDiv = 1;
  std::vector<int> cells;
  CutGraph(whole, xDiv, yDiv, cells);
  cells.erase(cells.begin());
  cache.cellHandles[index] = std::move(cells);
}

}  // namespace

bool PictureControl(Picture& picture, const std::string& name, int xDiv, int yDiv) {
  PictureFileCache& cache = gPictureFileCache;
  size_t index = 0;
  while (index < cache.fileNames.size() &&
         !(cache.fileNames[index] == name && cache.xDivisions[index] == xDiv && cache.yDivisions[index] == yDiv))
    ++index;
  int usedX = xDiv, usedY = yDiv;
  if (index == cache.fileNames.size()) {
    const int whole = ReadGraphFile(name);
    if (whole < 0) {
      if (!name.empty() && name != "<<ERROR>>")
        ShowFileErrorBox(NoticeText("■PictureControl error:ファイル %s が見つかりません\r\n%s",
                                    {gDataFolderPath + name, ErrorLocationText()}));
      return false;
    }
    int width = 0, height = 0;
    QueryGraphSize(whole, &width, &height);
    if (xDiv > width || yDiv > height) {
      ShowNoticeBox(NoticeText("分割数が画像サイズより大きすぎます！ 横%d分割 縦%d分割  サイズX=%d Y=%d",
                               {Decimal(xDiv), Decimal(yDiv), Decimal(width), Decimal(height)}),
                    ErrorLocationText(), "");
      usedX = usedY = 1;
    }
    cache.fileNames.push_back(name);
    cache.wholeHandles.push_back(whole);
    cache.xDivisions.push_back(xDiv);
    cache.yDivisions.push_back(yDiv);
    cache.cellWidths.push_back(width / std::max(usedX, 1));
    cache.cellHeights.push_back(height / std::max(usedY, 1));
    cache.cellHandles.emplace_back();
    CutEntry(index, whole);
  } else {
    int width = 0, height = 0;
    QueryGraphSize(cache.wholeHandles[index], &width, &height);
    if (xDiv > width || yDiv > height) usedX = usedY = 1;
  }
  picture.imageHandle = cache.wholeHandles[index];
  picture.cells = cache.cellHandles[index];
  picture.cellWidth = cache.cellWidths[index];
  picture.cellHeight = cache.cellHeights[index];
  picture.xDivision = usedX;
  picture.yDivision = usedY;
  return true;
}

void RePictureControl(PictureList& list) {
  PictureFileCache& cache = gPictureFileCache;
  for (size_t index = 0; index < cache.fileNames.size(); ++index) {
    const int whole = ReadGraphFile(cache.fileNames[index]);
    if (whole < 0) {
      ShowFileErrorBox(NoticeText("■RePictureControl error:ファイル %s が見つかりません\n",
                                  {gDataFolderPath + cache.fileNames[index]}));
      return;
    }
    ReleaseEntryGraphs(index);
    cache.wholeHandles[index] = whole;
    CutEntry(index, whole);
  }
  for (auto& [number, picture] : list.pictures) {
    if (picture.fileName.empty() || picture.isTextPicture) continue;
    ReloadPictureImage(picture);
  }
}

bool ReloadPictureImage(Picture& picture) {
  if (!picture.isWindowFrame) return PictureControl(picture, picture.fileName, picture.xDivision, picture.yDivision);
  // A window-frame picture keeps its size in its division fields.
  const int width = picture.xDivision, height = picture.yDivision;
  const bool loaded = PictureControl(picture, picture.fileName, 3, 3);
  picture.xDivision = width;
  picture.yDivision = height;
  return loaded;
}

void ReleasePictureFile(const std::string& name, bool checkAll, int number) {
  if (name.empty()) return;
  for (const auto& [shown, picture] : gPictureList.pictures) {
    if (!checkAll && shown == number) continue;
    if (!picture.isTextPicture && picture.fileName == name) return;
  }
  PictureFileCache& cache = gPictureFileCache;
  for (size_t index = 0; index < cache.fileNames.size();) {
    if (cache.fileNames[index] != name) {
      ++index;
      continue;
    }
    ReleaseEntryGraphs(index);
    EraseAt(cache.fileNames, index);
    EraseAt(cache.wholeHandles, index);
    EraseAt(cache.xDivisions, index);
    EraseAt(cache.yDivisions, index);
    EraseAt(cache.cellHandles, index);
    EraseAt(cache.cellWidths, index);
    EraseAt(cache.cellHeights, index);
  }
}

void ReleasePictureFileCache() {
  PictureFileCache& cache = gPictureFileCache;
  for (int whole : cache.wholeHandles) ReleaseGraph(whole, 0);
  for (const auto& cells : cache.cellHandles)
    for (int cell : cells) ReleaseGraph(cell, 0);
  cache = PictureFileCache{};
}
