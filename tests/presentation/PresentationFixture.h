#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "presentation/PictureFileCache.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"
#include "support/ImageFileWriters.h"
#include "support/ScratchFolder.h"

namespace presentation_test {

// The media library started once for the suite on the headless backend,
// 640x480x32, drawing to the back screen; the data folder is a scratch
// folder. Each test starts with fresh pictures, map and caches.
class PresentationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder(true);
    SetRunWhileInactive(1);
    ChangeWindowMode(1);
    SetScreenResolution(640, 480, 32, 60);
    StartMediaLibrary();
    SelectDrawTarget(-2);
    gDataFolderPath = (folder_->Path() / "Data").string() + "/";
  }
  static void TearDownTestSuite() {
    EndMediaLibrary();
    delete folder_;
    folder_ = nullptr;
  }

  void SetUp() override {
    gPictureList.ClearPictureList(true);
    ReleaseAllGraphics();
    gPictureList = PictureList();
    gCurrentMap = CurrentMap();
    gGameSystem = GameSystem();
    gHero = Hero();
    gFrameStep = 1;
    gTileSize = 32;
    gScreenScale = 1;
    gTestPlay = 0;
    ClearRecordedNotices();
    SetDrawCallLogEnabled(0);
    ClearDrawCallLog();
  }

  void TearDown() override { SetDrawCallLogEnabled(0); }

  // A 24-bit BMP of width x height in the data folder, every pixel `colour`.
  static void WriteImage(const std::string& name, int width, int height, uint32_t colour = 0x336699) {
    fixtures::BmpOptions options;
    folder_->Write("Data/" + name,
                   fixtures::BmpFile(options, width, height,
                                     std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)));
  }

  // The call-log lines written while `draw` runs.
  template <typename Draw>
  static std::vector<std::string> LogOf(Draw draw) {
    ClearDrawCallLog();
    SetDrawCallLogEnabled(1);
    draw();
    SetDrawCallLogEnabled(0);
    std::vector<std::string> lines;
    std::istringstream in(GetDrawCallLog());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static inline ScratchFolder* folder_ = nullptr;
};

}  // namespace presentation_test
