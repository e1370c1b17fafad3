#include "presentation/GraphicCache.h"

#include "gamedata/GameText.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/GamePaths.h"

GraphicCache gGraphicCache;

void ShowFileErrorBox(const std::string& text) {
  platform::ShowMessageBox(text, Cp932Text("ファイル読み込みエラー"), platform::kMbOkCancel);
}

int ReadGraphFile(const std::string& name) {
  const std::string path = gDataFolderPath + name;
  const FileHandle file = OpenFileForRead(path.c_str(), 0);
  if (file == 0) return -1;
  const int size = GetFileSizeByName(path.c_str());
  int graph = -1;
  if (size > 0) {
    std::vector<char> buffer(static_cast<size_t>(size));
    if (ReadFileBlock(buffer.data(), size, file) == 1)
      graph = CreateGraphFromMemoryImage(buffer.data(), size, nullptr, 0, 1, 0);
  }
  FileLayerClose(file);
  return graph < 0 ? -1 : graph;
}

void CutGraph(int whole, int xDiv, int yDiv, std::vector<int>& list) {
  int width = 0, height = 0;
  QueryGraphSize(whole, &width, &height);
  list.push_back(whole);
  if (xDiv <= 0 || yDiv <= 0) return;
  const int cellWidth = width / xDiv, cellHeight = height / yDiv;
  if (cellWidth <= 0 || cellHeight <= 0) return;
  for (int i = 0; i < yDiv; ++i)
    for (int j = 0; j < xDiv; ++j)
      list.push_back(CreateSubGraph(j * cellWidth, i * cellHeight, cellWidth, cellHeight, whole));
}

bool LoadGraphic(const std::string& name, int a, int b, int mode) {
  GraphicCache& cache = gGraphicCache;
  if (cache.nameIndex.count(name) != 0 || name.empty()) return true;
  const int whole = ReadGraphFile(name);
  if (whole < 0) {
    ShowFileErrorBox(NoticeText("■LoadGraphic error:ファイル %s が見つかりません\n", {gDataFolderPath + name}));
    return false;
  }
  if (mode == 1) {
    int width = 0, height = 0;
    QueryGraphSize(whole, &width, &height);
    a = a > 0 ? width / a : 0;
    b = b > 0 ? height / b : 0;
  }
  cache.nameIndex[name] = static_cast<int>(cache.cellHandles.size());
  cache.xDivisions.push_back(a);
  cache.yDivisions.push_back(b);
  cache.cellHandles.emplace_back();
  CutGraph(whole, a, b, cache.cellHandles.back());
  return true;
}

int LoadGraphicSP(const std::string& name, int xDiv, int yDiv, std::vector<int>* cellList, bool silent) {
  if (name.empty()) return -1;
  const int whole = ReadGraphFile(name);
  if (whole < 0) {
    if (!silent)
      ShowFileErrorBox(NoticeText("■LoadGraphicSP error:ファイル %s (分割 %d,%d)が見つかりません\n",
                                  {gDataFolderPath + name, Decimal(xDiv), Decimal(yDiv)}));
    return -1;
  }
  if (cellList != nullptr && (xDiv > 1 || yDiv > 1)) {
    cellList->clear();
    CutGraph(whole, xDiv, yDiv, *cellList);
  }
  return whole;
}

bool ReLoadGraphic() {
  GraphicCache& cache = gGraphicCache;
  for (const auto& [name, index] : cache.nameIndex) {
    if (name.empty()) continue;
    auto& list = cache.cellHandles[static_cast<size_t>(index)];
    const int whole = ReadGraphFile(name);
    if (whole < 0) {
      ShowFileErrorBox(
          NoticeText("■ReLoadGraphic error:ファイル %s が見つかりません\n%s", {gDataFolderPath + name, name}));
      return false;
    }
    for (int handle : list) ReleaseGraph(handle, 0);
    list.clear();
    CutGraph(whole, cache.xDivisions[static_cast<size_t>(index)], cache.yDivisions[static_cast<size_t>(index)], list);
  }
  return true;
}

bool ReleaseAllGraphics() {
  GraphicCache& cache = gGraphicCache;
  for (const auto& list : cache.cellHandles)
    for (int handle : list) ReleaseGraph(handle, 0);
  cache.cellHandles.clear();
  cache.nameIndex.clear();
  cache.xDivisions.clear();
  cache.yDivisions.clear();
  return true;
}

int CachedWholeGraph(const std::string& name) {
  const auto it = gGraphicCache.nameIndex.find(name);
  if (it == gGraphicCache.nameIndex.end()) return -1;
  const auto& list = gGraphicCache.cellHandles[static_cast<size_t>(it->second)];
  return list.empty() ? -1 : list.front();
}
