#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "presentation/PresentationFixture.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

// The presentation set-up with fresh pictures, map, hero and frame step, and
// the draw-call log read line by line.
class PictureTest : public PresentationTest {
 protected:
  void SetUp() override {
    PresentationTest::SetUp();
    gPictureList = PictureList();
    gCurrentMap = CurrentMap();
    gGameSystem = GameSystem();
    gHero = Hero();
    gFrameStep = 1;
    gTestPlay = 0;
    SetDrawCallLogEnabled(0);
    ClearDrawCallLog();
  }

  void TearDown() override {
    SetDrawCallLogEnabled(0);
    gPictureList = PictureList();
    PresentationTest::TearDown();
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
};
