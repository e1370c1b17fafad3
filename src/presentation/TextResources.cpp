#include "presentation/TextResources.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gamedata/GameInfo.h"
#include "gamedata/GameText.h"
#include "media/PublicFunctions.h"
#include "platform/files/Files.h"
#include "presentation/GraphicCache.h"
#include "shell/GamePaths.h"
#include "shell/NoticeBox.h"

TextResources gTextResources;

std::string DefaultFontFace() { return Cp932Text("ＭＳ ゴシック"); }

void TextResources::SetUpFonts() {
  for (int slot = 0; slot < 4; ++slot) {
    const size_t text = 3 + static_cast<size_t>(slot);
    fontNames[static_cast<size_t>(slot)] = text < gGameInfo.strings.size() ? gGameInfo.strings[text] : std::string();
    if (fontNames[static_cast<size_t>(slot)].empty()) fontNames[static_cast<size_t>(slot)] = DefaultFontFace();
  }
  fontCharsets = {0, 0, 0, 0};
  ClearFontCache();
  const int typesByte = gGameInfo.settings.size() > 14 ? gGameInfo.settings[14] : 0;
  fontTypes = typesByte == 0 ? std::array<int, 2>{2, 3} : std::array<int, 2>{0, 1};
  const int count = EnumFontFaceNames(nullptr, 0, 1);
  if (count <= 0) return;
  std::vector<char> names(static_cast<size_t>(count) * 64, '\0');
  const int filled = std::min(EnumFontFaceNames(names.data(), count, 1), count);
  for (int i = 0; i < filled; ++i) {
    const char* name = names.data() + static_cast<size_t>(i) * 64;
    const std::string installed(name, strnlen(name, 64));
    for (size_t slot = 0; slot < 4; ++slot)
      if (installed == fontNames[slot]) fontCharsets[slot] = -1;
  }
}

void TextResources::ClearFontCache() {
  ResetFontSystem();
  fontHandleCount = 0;
  for (auto& list : fontHandles) list.assign(kSizeEntries, 0);
}

int TextResources::GetFontHandle(int slot, int size, int thickness, int style) {
  slot = std::clamp(slot, 0, 3);
  style = std::clamp(style, 0, 1);
  SetDefaultFontFace(fontNames[0].c_str(), -1);
  if (fontHandleCount > kCacheLimit) ClearFontCache();
  auto& list = fontHandles[static_cast<size_t>(slot) * 2 + static_cast<size_t>(style)];
  // Sizes index the lists; the renderer's stay below the bound, others are not cached.
  const bool cached = size >= 0 && size < static_cast<int>(list.size());
  if (cached && list[static_cast<size_t>(size)] != 0) return list[static_cast<size_t>(size)];
  const auto s = static_cast<size_t>(slot);
  int handle = CreateFontToHandle(fontNames[s].c_str(), size, thickness, fontTypes[static_cast<size_t>(style)],
                                  fontCharsets[s], -1, 0, -1, -1);
  if (handle == -1) {
    ShowNoticeBox(fontNames[s], Cp932Text("のフォントがありませんでした"), "");
    fontNames[s] = DefaultFontFace();
    handle = CreateFontToHandle(fontNames[s].c_str(), size, thickness, fontTypes[static_cast<size_t>(style)], -1, -1, 0,
                                -1, -1);
  }
  if (cached) list[static_cast<size_t>(size)] = handle;
  ++fontHandleCount;
  return handle;
}

namespace {

// The icon number of a list line: its characters 5 to 7 read as atoi reads
// them. A line too short to hold them gives no icon (-1).
int IconNumberOf(const std::string& line) {
  if (line.size() < 5) return -1;
  return std::atoi(line.substr(4, 3).c_str());  // NOLINT(cert-err34-c): three characters cannot overflow
}

}  // namespace

void TextResources::LoadIconList() {
  for (int handle : iconHandles)
    if (handle > 0) ReleaseGraph(handle, 0);
  iconHandles.clear();
  iconWidths.assign(kIconCount, 0);
  iconHeights.assign(kIconCount, 0);

  std::vector<std::string> lines;
  const std::string listPath = gDataFolderPath + "BasicData\\EncodedIconList.xxxxx";
  const FileHandle file = OpenFileForRead(listPath.c_str(), 0);
  if (file != 0) {
    char buffer[512];
    while (ReadFileLine(buffer, sizeof buffer, file) >= 1) lines.emplace_back(buffer);
    FileLayerClose(file);
  } else {
    // The folder itself, not the archives.
    platform::FindData found{};
    const int search = platform::FindFirst(gDataFolderPath + "BasicData\\icon???.png", &found);
    if (search > 0) {
      do {
        if (!found.directory) lines.emplace_back(found.name);
      } while (platform::FindNext(search, &found));
      platform::FindClose(search);
    }
  }
  for (const std::string& line : lines) {
    const int number = IconNumberOf(line);
    if (number < 0 || number >= kIconCount) continue;
    const int handle = LoadGraphicSP("BasicData\\" + line, 1, 1, nullptr, true);
    if (handle < 0) continue;
    if (number >= static_cast<int>(iconHandles.size())) iconHandles.resize(static_cast<size_t>(number) + 1, 0);
    iconHandles[static_cast<size_t>(number)] = handle;
    QueryGraphSize(handle, &iconWidths[static_cast<size_t>(number)], &iconHeights[static_cast<size_t>(number)]);
  }
}
