#include <filesystem>

#include "GraphicsFixture.h"
#include "media/softrender/BlendTables.h"

namespace {

uint32_t Gradient(int x, int y) { return 0xFF000000u | (40 + x * 3) << 16 | (30 + y * 4) << 8 | 90; }

// One frame of every kind of draw the 2D path offers.
void DrawScene(int sprite, int alphaSprite, int blend) {
  ClearDrawTarget();
  PutGraph(10, 10, sprite, 1);
  PutGraphStretched(100, 10, 228, 106, sprite, 1);
  PutGraphStretched(360, 10, 296, 58, sprite, 1);  // mirrored both ways
  PutGraphRotated(420, 160, 1.5, 0.5, sprite, 1, 0);
  PutGraphPart(10, 200, 8, 8, 32, 24, sprite, 1, 0);
  DrawBlendGraph(100, 200, sprite, 1, blend, 128, 64);
  SetBlendState(1, 128);
  SetDrawTint(255, 128, 64);
  PutGraph(200, 300, sprite, 1);
  PutGraph(300, 300, alphaSprite, 1);
  SetDrawTint(255, 255, 255);
  PutBox(20, 400, 180, 460, PackColor(255, 255, 0), 1);
  SetBlendState(0, 0);
  PutBox(400, 400, 600, 470, PackColor(0, 255, 255), 0);
}

class DrawPresentTest : public GraphicsTest {
 protected:
  void MakeGraphs() {
    sprite_ = MakeGraph(64, 48, false, Gradient);
    alphaSprite_ = MakeGraph(64, 48, true, [](int x, int y) { return (x * 4u) << 24 | 0xC06020u | (y & 0xF); });
    // A blend graph holds one coverage byte per pixel.
    gDrawState.newGraphLoadAsAlpha = 1;
    blend_ = MakeGraph(64, 48, false, [](int x, int) { return static_cast<uint32_t>(x * 4) << 16; });
    gDrawState.newGraphLoadAsAlpha = 0;
    ASSERT_GE(sprite_, 0);
    ASSERT_GE(alphaSprite_, 0);
    ASSERT_GE(blend_, 0);
  }
  int sprite_ = -1, alphaSprite_ = -1, blend_ = -1;
};

TEST_F(DrawPresentTest, TheSavedPngTheBackScreenAndTheWindowAgree) {
  StartGraphicsAt(32);
  MakeGraphs();
  DrawScene(sprite_, alphaSprite_, blend_);
  // The plain draw copies the picture.
  EXPECT_EQ(BackPixel(10 + 5, 10 + 7), Gradient(5, 7) & 0xFFFFFF);
  // The tinted sprite at alpha 128 over black: each channel tinted, then weighed.
  const uint32_t s = Gradient(3, 2);
  const uint32_t r = ((s >> 16) & 0xFF) * 255 / 255, g = ((s >> 8) & 0xFF) * 128 / 255, b = (s & 0xFF) * 64 / 255;
  EXPECT_EQ(BackPixel(203, 302), (r * 128 / 255) << 16 | (g * 128 / 255) << 8 | (b * 128 / 255));
  EXPECT_EQ(PresentFrame(), 0);
  ASSERT_EQ(SaveScreenAreaPng(0, 0, 640, 480, "shot.png", 0), 0);
  int w = 0, h = 0;
  const auto png = ReadPng((folder_ / "shot.png").string(), &w, &h);
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 480);
  int drawn = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const uint32_t back = BackPixel(x, y);
      ASSERT_EQ(png[y * 640 + x], back) << x << "," << y;
      ASSERT_EQ(WindowPixel(x, y), back) << x << "," << y;
      drawn += back != 0 ? 1 : 0;
    }
  EXPECT_GT(drawn, 20000);
  EXPECT_EQ(GetPresentCount(), 1u);
}

TEST_F(DrawPresentTest, SixteenBitScreensPresentAndSaveTheSamePixels) {
  StartGraphicsAt(16);
  MakeGraphs();
  DrawScene(sprite_, alphaSprite_, blend_);
  PresentFrame();
  ASSERT_EQ(SaveScreenAreaPng(0, 0, 640, 480, "shot16.png", 0), 0);
  int w = 0, h = 0;
  const auto png = ReadPng((folder_ / "shot16.png").string(), &w, &h);
  ASSERT_EQ(w * h, 640 * 480);
  for (int y = 0; y < 480; y += 3)
    for (int x = 0; x < 640; x += 3) ASSERT_EQ(WindowPixel(x, y), BackPixel(x, y)) << x << "," << y;
  // The PNG writer widens 5 and 6 bits by shifting; the window by scaling.
  EXPECT_EQ(png[17 * 640 + 15] & 0xF8FCF8, BackPixel(15, 17) & 0xF8FCF8);
}

TEST_F(DrawPresentTest, AtScaleTwoTheWindowShowsTheScreenDoubled) {
  StartGraphicsAt(32, 2.0);
  platform::WindowRect client;
  platform::GetClientRect(gLibrarySystem.mainWindow, &client);
  ASSERT_EQ(client.Width(), 1280);
  ASSERT_EQ(client.Height(), 960);
  MakeGraphs();
  DrawScene(sprite_, alphaSprite_, blend_);
  PresentFrame();
  for (int y = 0; y < 960; y += 7)
    for (int x = 0; x < 1280; x += 5) ASSERT_EQ(WindowPixel(x, y), BackPixel(x / 2, y / 2)) << x << "," << y;
  // A repaint of a window rectangle copies the screen part it shows.
  const uint32_t before = WindowPixel(20, 20);
  const uint32_t left = WindowPixel(99, 150), right = WindowPixel(300, 150);
  ClearDrawTarget();
  PutBox(0, 0, 640, 480, PackColor(9, 99, 199), 1);
  const GraphicsRect rect{100, 100, 300, 200};
  EXPECT_EQ(PresentBackScreen(&rect), 0);
  EXPECT_EQ(WindowPixel(100, 100), 0x0963C7u);
  EXPECT_EQ(WindowPixel(299, 199), 0x0963C7u);
  EXPECT_EQ(WindowPixel(99, 150), left);
  EXPECT_EQ(WindowPixel(300, 150), right);
  EXPECT_EQ(WindowPixel(20, 20), before);
}

TEST_F(DrawPresentTest, FrontScreenDrawsReachTheWindowAndReadItBackOnce) {
  StartGraphicsAt(32);
  MakeGraphs();
  PutBox(0, 0, 640, 480, PackColor(200, 0, 0), 1);
  PresentFrame();
  EXPECT_EQ(gScreenState.readBack, 1);
  SelectDrawTarget(-4);
  PutGraph(50, 60, sprite_, 1);
  EXPECT_EQ(gScreenState.readBack, 0);
  // The window showed the back screen; the front screen took it over first.
  EXPECT_EQ(WindowPixel(5, 5), 0xC80000u);
  EXPECT_EQ(WindowPixel(50 + 3, 60 + 4), Gradient(3, 4) & 0xFFFFFF);
  PutGraph(150, 60, sprite_, 1);
  EXPECT_EQ(WindowPixel(150 + 3, 60 + 4), Gradient(3, 4) & 0xFFFFFF);
  EXPECT_EQ(WindowPixel(53, 64), Gradient(3, 4) & 0xFFFFFF);
}

}  // namespace
