#include "GraphicsFixture.h"
#include "platform/time/Time.h"

namespace {

TEST_F(GraphicsTest, ModeChangesCloseTogetherPauseUntilTwoSecondsHavePassed) {
  StartGraphicsAt(32);
  struct Case {
    uint64_t clock;  // virtual milliseconds at the change
    int lastChange;  // 31-bit time of the change before
    uint64_t pause;  // expected pause
  };
  const Case cases[] = {
      {1000000, 1000000 - 500, 1560},
      {1000000, 1000000 - 5000, 60},
      // Across the 31-bit wrap the difference is still 501 ms.
      {0x80000000ull + 100, 0x7FFFFFFF - 400, 1559},
  };
  for (const Case& c : cases) {
    platform::SetVirtualClock(c.clock);
    gScreenState.lastModeChangeTime = c.lastChange;
    const uint64_t before = platform::VirtualClock();
    ASSERT_EQ(ApplyScreenMode(-1, -1, -1, 1, -1), 0);
    EXPECT_EQ(platform::VirtualClock() - before, c.pause) << c.clock;
  }
}

TEST_F(GraphicsTest, TheFrameIntervalSleepsOutTheFrameThenWaitsForTheBlank) {
  StartGraphicsAt(32);
  gScreenState.frameInterval = 9;
  struct Case {
    int sinceLast;
    uint64_t least, most;  // virtual milliseconds the wait may take
  };
  const Case cases[] = {{4, 5, 5 + 17}, {12, 0, 17}};
  for (const Case& c : cases) {
    platform::SetVirtualClock(2000000);
    gScreenState.lastPresentTime = MillisecondClock() - c.sinceLast;
    const uint64_t before = platform::VirtualClock();
    WaitFrameInterval();
    const uint64_t waited = platform::VirtualClock() - before;
    EXPECT_GE(waited, c.least);
    EXPECT_LE(waited, c.most);
    int in = 0;
    platform::GetVerticalBlankStatus(gScreenState.directDraw, &in);
    EXPECT_EQ(in, 1);
    EXPECT_EQ(gScreenState.lastPresentTime, MillisecondClock());
  }
  // A last presentation just before the 31-bit wrap is a few milliseconds ago.
  platform::SetVirtualClock(0x80000000ull + 2);
  gScreenState.lastPresentTime = 0x7FFFFFFF - 1;
  const uint64_t before = platform::VirtualClock();
  WaitFrameInterval();
  EXPECT_GE(platform::VirtualClock() - before, 5u);
  EXPECT_LE(platform::VirtualClock() - before, 5u + 17);
}

TEST_F(GraphicsTest, MainSurfacesAreMadeOnceAndTheFrontWorkSurfaceIsChosenBeforeTheStart) {
  StartGraphicsAt(32);
  EnableDirectDraw(1);
  SetHardwareRendering(1);
  ASSERT_NE(gScreenState.primary, 0);
  const int surfaces = platform::LiveSurfaceCount();
  EXPECT_EQ(CreateMainSurfaces(), -1);
  EXPECT_EQ(platform::LiveSurfaceCount(), surfaces);
  EXPECT_EQ(SetUseFrontWorkSurface(1), 0);
  EXPECT_EQ(GetUseFrontWorkSurface(), 0);
  // Lost surfaces come back through the restore.
  platform::LoseAllSurfaces();
  EXPECT_EQ(RestoreMainSurfaces(), 0);
  EXPECT_EQ(platform::IsSurfaceLost(gScreenState.back), platform::kDdOk);
}

TEST_F(GraphicsTest, ARefusedFullScreenModeFallsBackToTheOldModeThenToTheSafeOne) {
  SetRunWhileInactive(1);
  ChangeWindowMode(0);
  SetScreenResolution(800, 600, 32, 0);
  ASSERT_EQ(StartMediaLibrary(), 0);
  int w = 0, h = 0, bits = 0;
  QueryScreenMode(&w, &h, &bits);
  ASSERT_EQ(w, 800);
  ASSERT_EQ(bits, 32);
  EXPECT_EQ(IsDisplayModeChanged(), 1);
  platform::RefuseDisplayMode(1024, 768, 32);
  EXPECT_EQ(SetScreenResolution(1024, 768, 32, 60), -1);
  QueryScreenMode(&w, &h, &bits);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  platform::RefuseDisplayMode(800, 600, 32);
  EXPECT_EQ(SetScreenResolution(1024, 768, 32, 60), -2);
  QueryScreenMode(&w, &h, &bits);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(bits, 16);
  platform::ClearRefusedDisplayModes();
  // The screens follow the mode.
  EXPECT_EQ(gScreenState.backScreen.width, 640);
}

TEST_F(GraphicsTest, CaptureCopiesExactlyTheGraphsSize) {
  StartGraphicsAt(32);
  PutBox(10, 10, 26, 26, PackColor(200, 100, 50), 1);
  SetNewGraphDrawValid(1);
  const int graph = CreateBlankGraph(32, 32, 1);
  SetNewGraphDrawValid(0);
  EXPECT_EQ(CaptureScreenToGraph(0, 0, 33, 32, graph, 0), -1);
  EXPECT_EQ(CaptureScreenToGraph(620, 460, 652, 492, graph, 0), -1);
  ASSERT_EQ(CaptureScreenToGraph(2, 2, 34, 34, graph, 0), 0);
  PutGraph(300, 300, graph, 0);
  EXPECT_EQ(BackPixel(300 + 8, 300 + 8), 0xC86432u);
  EXPECT_EQ(BackPixel(300 + 7, 300 + 7), 0u);
  EXPECT_EQ(BackPixel(300 + 23, 300 + 23), 0xC86432u);
  EXPECT_EQ(BackPixel(300 + 24, 300 + 24), 0u);
}

}  // namespace
