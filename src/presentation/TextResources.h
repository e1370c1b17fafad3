#pragma once

#include <array>
#include <string>
#include <vector>

// The text renderer's fonts (a cache of created handles), the four font
// faces of the game and the icon list.
struct TextResources {
  static constexpr int kCacheLimit = 35;
  static constexpr int kSizeEntries = 250;
  static constexpr int kIconCount = 1000;

  // List slot * 2 + style: the handle per size, 0 when not created.
  std::array<std::vector<int>, 10> fontHandles;
  // Media-layer font type flags of style 0 and style 1.
  std::array<int, 2> fontTypes{2, 3};
  int fontHandleCount = 0;
  // Per slot: -1 when the face is installed, else 0.
  std::array<int, 4> fontCharsets{};
  std::array<std::string, 4> fontNames;
  std::vector<int> iconHandles;
  std::vector<int> iconWidths;
  std::vector<int> iconHeights;

  // Faces from the game information, type flags by settings byte 14, an empty
  // cache and the installed faces noted.
  void SetUpFonts();
  void ClearFontCache();
  int GetFontHandle(int slot, int size, int thickness, int style);
  // The icons of "BasicData\EncodedIconList.xxxxx", else of every
  // "BasicData\icon???.png".
  void LoadIconList();
};
extern TextResources gTextResources;

// The face every empty or failing face name falls back to.
std::string DefaultFontFace();
