#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gamedata/DatabaseFixture.h"
#include "gamedata/GameInfo.h"
#include "media/graphics/GraphicsFixture.h"
#include "platform/dialogs/MessageBox.h"
#include "presentation/GraphicCache.h"
#include "presentation/PictureFileCache.h"
#include "presentation/TextBlock.h"
#include "presentation/TextResources.h"
#include "shell/GamePaths.h"
#include "support/ImageFileWriters.h"
#include "support/ScriptWorld.h"

// The library started headless at 640 x 480 x 32 over a game folder whose
// Data folder the test fills with BMP images; a script world with a System
// database of 13 types (10: the window skins, 12: the text colours), 32-pixel
// tiles and empty caches.
class PresentationTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    StartGraphicsAt(32);
    ResetScriptWorld(1);
    gVariableStore.stringVariables.assign(10, "");
    gTileSize = 32;
    gScreenScale = 1;
    std::filesystem::create_directories(folder_ / "Data" / "BasicData");
    gExeFolderPath = folder_.string() + "/";
    gDataFolderPath = gExeFolderPath + "Data/";
    for (int type = 0; type < 13; ++type) {
      if (type == 10) AddType(gSystemDatabase, "skins", {2000, 1000}, 3);
      else if (type == 12) AddType(gSystemDatabase, "colours", {1000, 1001, 1002}, 0);
      else AddType(gSystemDatabase, std::string("t").append(std::to_string(type)), {1000}, 1);
    }
    gGameInfo = GameInfo();
    gGameInfo.settings.assign(18, 0);
    gGraphicCache = GraphicCache();
    gPictureFileCache = PictureFileCache();
    gTextResources = TextResources();
    gTextColours.clear();
    platform::ClearRecordedMessageBoxes();
    ClearRecordedNotices();
  }

  void TearDown() override {
    gTextColours.clear();
    gTextResources = TextResources();
    gGraphicCache = GraphicCache();
    gPictureFileCache = PictureFileCache();
    GraphicsTest::TearDown();
  }

  // A 24-bit BMP under Data whose pixel (x, y) is colour(x, y) as 0xRRGGBB.
  template <class Colour>
  void WriteImage(const std::string& name, int width, int height, Colour colour) {
    std::vector<uint32_t> values;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) values.push_back(colour(x, y));
    WriteDataFile(name, fixtures::BmpFile(fixtures::BmpOptions{}, width, height, values));
  }
  void WriteImage(const std::string& name, int width, int height) {
    WriteImage(name, width, height, [](int x, int y) { return static_cast<uint32_t>((x * 7) << 8 | y); });
  }
  void WriteDataFile(const std::string& name, const std::string& bytes) {
    std::string path = name;
    for (char& c : path)
      if (c == '\\') c = '/';
    std::ofstream(folder_ / "Data" / path, std::ios::binary) << bytes;
  }
  void RemoveDataFile(const std::string& name) { std::filesystem::remove(folder_ / "Data" / name); }

  // Text colour rows of System database type 12.
  void SetTextColours(const std::vector<uint32_t>& rgb) {
    gSystemDatabase.ResizeDatabaseType(12, static_cast<int>(rgb.size()));
    for (size_t row = 0; row < rgb.size(); ++row)
      for (int c = 0; c < 3; ++c)
        *gSystemDatabase.GetDatabaseCellPointer(12, static_cast<int>(row), c, true) = (rgb[row] >> (16 - 8 * c)) & 0xFF;
    gTextColours.clear();
  }
  // Row `row` of the skin type: file name and number.
  void SetSkin(int row, const std::string& name, int number) {
    gSystemDatabase.types[10].rows[static_cast<size_t>(row)].strings[0] = name;
    gSystemDatabase.types[10].rows[static_cast<size_t>(row)].ints[0] = number;
  }

  static std::vector<uint32_t> Screen() {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) pixels.push_back(BackPixel(x, y));
    return pixels;
  }
};
