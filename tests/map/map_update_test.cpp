#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "map/CurrentMap.h"
#include "shell/StartupGlobals.h"
#include "support/ScriptWorld.h"

namespace {

class MapUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gTileSize = 32;
    gCurrentMap.mapData.header.width = 100;
    gCurrentMap.mapData.header.height = 100;
  }
  void TearDown() override { gFrameStep = 1; }

  CurrentMap& map = gCurrentMap;
};

TEST_F(MapUpdate, StraightScrollMovesFourUnitsAFrame) {
  map.StartMapScroll(512, 0, 1);
  EXPECT_EQ(map.scrollStepX, 4);
  for (int frame = 1; frame <= 128; ++frame) {
    ASSERT_TRUE(map.IsMapScrolling()) << frame;
    map.UpdateCurrentMap();
    ASSERT_EQ(map.scrollX, 4 * frame) << frame;
  }
  EXPECT_FALSE(IsMapScrolling());
  map.UpdateCurrentMap();
  EXPECT_EQ(map.scrollX, 512);
  EXPECT_EQ(map.scrollY, 0);
}

TEST_F(MapUpdate, SpeedEightScrollsInOneFrame) {
  map.StartMapScroll(512, -40, 8);
  map.scrollY = 100;
  map.UpdateCurrentMap();
  EXPECT_EQ(map.scrollX, 512);
  EXPECT_EQ(map.scrollY, 60);
  EXPECT_FALSE(map.IsMapScrolling());
}

TEST_F(MapUpdate, SlantedScrollEndsItsShorterAxisFirst) {
  map.StartMapScroll(300, 400, 2);
  EXPECT_EQ(map.scrollStepX, 4);
  EXPECT_EQ(map.scrollStepY, 6);
  std::vector<int> ys;
  for (int frame = 1; frame <= 75; ++frame) {
    map.UpdateCurrentMap();
    ASSERT_EQ(map.scrollX, 4 * frame) << frame;
    ys.push_back(map.scrollY);
  }
  EXPECT_EQ(ys[65], 396);  // 66 frames of 6
  EXPECT_EQ(ys[66], 400);  // the last move is cut to the 4 left
  EXPECT_EQ(ys[74], 400);
  EXPECT_EQ(map.scrollX, 300);
  EXPECT_FALSE(map.IsMapScrolling());
}

TEST_F(MapUpdate, ZeroScrollMovesNothing) {
  map.scrollStepX = 4;
  map.StartMapScroll(0, 0, 3);
  EXPECT_FALSE(map.IsMapScrolling());
  map.UpdateCurrentMap();
  EXPECT_EQ(map.scrollX, 0);
  EXPECT_EQ(map.scrollY, 0);
}

TEST_F(MapUpdate, ScrollStopsAtTheEdgesUnlessTheMapLoops) {
  struct Case {
    int width;
    bool loop;
    int start;
    int dx;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{100, false, 8, -20, 0},
                                         {100, true, 8, -20, -12},
                                         {30, false, 1200, 200, 1280},
                                         {30, true, 1200, 200, 1400},
                                         {10, false, 0, 40, -1280}}) {  // narrower than the screen
    map.mapData.header.width = c.width;
    map.loopX = c.loop;
    map.scrollX = c.start;
    map.StartMapScroll(c.dx, 0, 8);
    map.UpdateCurrentMap();
    EXPECT_EQ(map.scrollX, c.expected) << c.width << " " << c.loop << " " << c.dx;
  }
}

TEST_F(MapUpdate, HugeScrollsSaturate) {
  map.loopX = 1;
  map.loopY = 1;
  map.StartMapScroll(INT32_MIN, INT32_MAX, 15);
  EXPECT_EQ(map.scrollRemainingX, INT32_MAX);
  EXPECT_EQ(map.scrollRemainingY, INT32_MAX);
  EXPECT_GE(map.scrollStepX, 1);
  for (int frame = 0; frame < 50000; ++frame) map.UpdateCurrentMap();
  EXPECT_EQ(map.scrollX, INT32_MIN + 1);
  EXPECT_EQ(map.scrollY, INT32_MAX);
}

TEST_F(MapUpdate, ShakeGrowsTurnsAndComesToRest) {
  map.StartScreenShake(2, 1, 1, 30);
  EXPECT_EQ(map.shakeX.amplitude, 4);
  EXPECT_EQ(map.shakeX.speed, 2);
  std::vector<int> values;
  for (int frame = 0; frame < 60; ++frame) {
    map.UpdateCurrentMap();
    values.push_back(map.shakeX.value);
    EXPECT_EQ(map.shakeOffsetX, 32 * map.shakeX.value / 2048);
  }
  EXPECT_EQ(map.shakeY.value, 0);
  for (int frame = 0; frame < 11; ++frame) EXPECT_EQ(values[frame], 51 * (frame + 1));
  // Beyond 512 the direction turns.
  EXPECT_EQ(values[10], 561);
  EXPECT_EQ(values[11], 510);
  // While frames remain it passes through 0.
  EXPECT_EQ(values[21], 0);
  EXPECT_EQ(values[22], -51);
  EXPECT_EQ(values[32], -561);
  EXPECT_EQ(values[33], -510);
  // After the 30 frames it goes on until a step would reach 0, then rests.
  EXPECT_EQ(values[42], -51);
  for (int frame = 43; frame < 60; ++frame) EXPECT_EQ(values[frame], 0) << frame;
  EXPECT_EQ(map.shakeOffsetX, 0);
}

TEST_F(MapUpdate, ShakeAxesFrameStepAndStop) {
  gFrameStep = 2;
  map.StartScreenShake(2, 1, 0, 10);  // axis 0 shakes vertically
  map.StartScreenShake(2, 1, 2, 10);  // any other axis does nothing
  map.UpdateCurrentMap();
  EXPECT_EQ(map.shakeY.value, 25);  // 4 * 2 * 64 / 2 / 10
  EXPECT_EQ(map.shakeX.value, 0);
  map.StopScreenShake();
  // A stopped shake runs out: on until a step would reach 0, then at rest.
  int frames = 0;
  do {
    map.UpdateCurrentMap();
    ++frames;
  } while (map.shakeY.value != 0 && frames < 200);
  EXPECT_GT(frames, 1);
  EXPECT_EQ(map.shakeY.value, 0);
  EXPECT_EQ(map.shakeY.frames, 0);
  map.UpdateCurrentMap();
  EXPECT_EQ(map.shakeY.value, 0);
}

TEST_F(MapUpdate, LargestShakeStaysInRange) {
  map.StartScreenShake(15, 15, 1, 1000);
  for (int frame = 0; frame < 50; ++frame) {
    map.UpdateCurrentMap();
    ASSERT_NE(map.shakeX.value, 0);
  }
  map.StartScreenShake(40, 40, 1, 5);
  for (int frame = 0; frame < 50; ++frame) map.UpdateCurrentMap();
  EXPECT_EQ(map.shakeX.amplitude, INT32_MAX);
}

TEST_F(MapUpdate, ZoomMovesToItsTarget) {
  map.StartMapScreenEffect(320, 240, 200, 60);
  std::vector<MapZoom> trace;
  for (int frame = 0; frame < 61; ++frame) {
    map.UpdateCurrentMap();
    trace.push_back(map.zoom);
  }
  EXPECT_EQ(trace[0].currentZoom, 102);
  EXPECT_EQ(trace[0].currentX, 320);
  EXPECT_EQ(trace[0].currentY, 240);
  EXPECT_EQ(trace[29].currentZoom, 150);
  EXPECT_EQ(trace[58].currentZoom, 199);
  EXPECT_EQ(trace[59].currentZoom, 200);
  EXPECT_EQ(trace[60].currentZoom, 200);

  // Back to 100 from 200: the centre starts where it was.
  map.StartMapScreenEffect(0, 0, 100, 10);
  map.UpdateCurrentMap();
  EXPECT_EQ(map.zoom.startZoom, 200);
  EXPECT_EQ(map.zoom.currentZoom, 190);
  EXPECT_EQ(map.zoom.currentX, 288);

  // No frames: the target at the next update.
  map.StartMapScreenEffect(5, 6, 300, 0);
  map.UpdateCurrentMap();
  EXPECT_EQ(map.zoom.currentZoom, 300);
  EXPECT_EQ(map.zoom.currentX, 5);

  map.StartMapScreenEffect(INT32_MAX, INT32_MIN, INT32_MIN, 3);
  map.UpdateCurrentMap();
  EXPECT_GT(map.zoom.currentZoom, INT32_MIN);
  EXPECT_LT(map.zoom.currentZoom, 300);
}

TEST_F(MapUpdate, FrameCounterAndPageRefresh) {
  map.frameCounter = 2399999;
  map.pageRefresh = 1;
  map.UpdateCurrentMap();
  EXPECT_EQ(map.frameCounter, 0);
  EXPECT_EQ(map.pageRefresh, 0);
  // Without a map the request is still cleared.
  map.mapId = -1;
  map.pageRefresh = 1;
  RefreshEventPages();
  EXPECT_EQ(map.pageRefresh, 0);
}

}  // namespace
