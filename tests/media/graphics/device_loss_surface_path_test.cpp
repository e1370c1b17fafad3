#include "GraphicsFixture.h"

namespace {

uint32_t Pattern(int x, int y) { return 0xFF000000u | (20 + x * 5) << 16 | (200 - y * 3) << 8 | (x ^ y); }

TEST_F(GraphicsTest, AnAcceptedDisplayChangeRebuildsTheScreenAndTheCallbackRefillsTheGraphs) {
  StartGraphicsAt(32);
  gRefill = Refill{};
  AllocXRGB8GraphImage(40, 30, &gRefill.image);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t c = Pattern(x, y);
      WriteGraphImagePixel(&gRefill.image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255);
    }
  gRefill.graph = CreateGraphFromImageDefault(&gRefill.image);
  ASSERT_GE(gRefill.graph, 0);
  SetGraphRestoreCallback(RefillGraphs);
  auto draw = [] {
    ClearDrawTarget();
    PutGraph(30, 40, gRefill.graph, 1);
    PutGraphStretched(100, 100, 180, 160, gRefill.graph, 1);
  };
  draw();
  std::vector<uint32_t> before;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) before.push_back(BackPixel(x, y));

  platform::SendMessage(gLibrarySystem.mainWindow, platform::kWmDisplayChange, 32, 1024 | (768 << 16));
  EXPECT_EQ(gRefill.calls, 1);
  EXPECT_EQ(gLibrarySystem.closeRequested, 0);
  EXPECT_EQ(IsValidGraph(gRefill.graph), 1);
  // The screens were made anew and cleared.
  EXPECT_TRUE(MemImgIsValid(&gScreenState.backScreen));
  EXPECT_EQ(BackPixel(35, 45), 0u);
  draw();
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(BackPixel(x, y), before[y * 200 + x]) << x << "," << y;
  FreeGraphImage(&gRefill.image);
}

// Reads the back screen of either path as 0xRRGGBB rows.
std::vector<uint32_t> BackScreenPixels() {
  std::vector<uint32_t> out(640 * 480);
  if (gScreenState.memimgScreens != 0) {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        uint32_t v;
        std::memcpy(&v, gScreenState.backScreen.pixels + y * gScreenState.backScreen.base->pitch + x * 4, 4);
        out[y * 640 + x] = v & 0xFFFFFF;
      }
    return out;
  }
  uint8_t* bits = nullptr;
  int pitch = 0;
  EXPECT_EQ(platform::LockSurface(gScreenState.back, nullptr, &bits, &pitch), platform::kDdOk);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint32_t v;
      std::memcpy(&v, bits + y * pitch + x * 4, 4);
      out[y * 640 + x] = v & 0xFFFFFF;
    }
  platform::UnlockSurface(gScreenState.back);
  return out;
}

std::vector<uint32_t> DrawListOnStartedScreen() {
  GraphImage image{};
  AllocXRGB8GraphImage(48, 40, &image);
  GraphImage alpha{};
  AllocARGB8GraphImage(48, 40, &alpha);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) {
      const uint32_t c = (x + y) % 9 == 0 ? 0 : Pattern(x, y);
      WriteGraphImagePixel(&image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255);
      WriteGraphImagePixel(&alpha, x, y, 250, x * 5, y * 6, x * 5);
    }
  const int sprite = CreateGraphFromImageDefault(&image);
  const int alphaSprite = CreateGraphFromImageDefault(&alpha);
  FreeGraphImage(&image);
  FreeGraphImage(&alpha);
  ClearDrawTarget();
  PutGraph(10, 10, sprite, 1);
  PutGraph(70, 10, sprite, 0);
  PutGraph(-20, -15, sprite, 1);
  PutGraphStretched(130, 10, 250, 90, sprite, 1);
  PutGraphStretched(380, 10, 260, 100, sprite, 1);
  PutGraphStretched(-50, 300, 150, 400, sprite, 1);
  PutGraphPart(10, 120, 6, 4, 30, 20, sprite, 1, 0);
  PutGraph(300, 150, alphaSprite, 1);
  SetBlendState(2, 160);
  PutGraph(320, 170, sprite, 1);
  SetBlendState(1, 100);
  SetDrawTint(200, 255, 120);
  PutGraph(100, 200, sprite, 1);
  PutBox(400, 200, 600, 260, PackColor(10, 200, 90), 1);
  SetDrawTint(255, 255, 255);
  SetBlendState(0, 0);
  PutBox(400, 300, 620, 470, PackColor(250, 250, 250), 0);
  PutBox(630, 470, 700, 500, PackColor(250, 0, 250), 1);
  return BackScreenPixels();
}

TEST_F(GraphicsTest, TheTwoDimensionalSurfacePathDrawsTheSoftwarePathsPixels) {
  // Hardware mode again after the start, with the no-3D flag of the software
  // start still set: the screen draws on memory surfaces without a 3D device.
  StartGraphicsAt(32);
  EnableDirectDraw(1);
  SetHardwareRendering(1);
  SelectDrawTarget(-2);
  ASSERT_EQ(GetNoDirect3DFlag(), 1);
  ASSERT_EQ(IsSoftwareRendering(), 0);
  ASSERT_EQ(IsDirectDrawUsed(), 1);
  ASSERT_NE(gScreenState.back, 0);
  // The frame measure ran on the virtual blank.
  EXPECT_TRUE(gScreenState.frameTime == 16 || gScreenState.frameTime == 17) << gScreenState.frameTime;
  EXPECT_EQ(gScreenState.frameInterval, (2 * gScreenState.frameTime - 4) / 3);
  EXPECT_EQ(GetDisplayRefreshRate(), 60);
  const std::string log = ReadLog();
  // Equal copy times choose the GDI copy.
  EXPECT_NE(log.find(Sjis("サーフェス間転送には BitBlt を使用します\r\n")), std::string::npos);
  EXPECT_NE(log.find(Sjis("１フレーム当たりの時間は " + std::to_string(gScreenState.frameTime) + " msecです\r\n")),
            std::string::npos);
  const std::vector<uint32_t> surfaces = DrawListOnStartedScreen();
  EXPECT_EQ(PresentFrame(), 0);
  // Presentation blits to the primary surface, which the window shows.
  for (int y = 0; y < 480; y += 3)
    for (int x = 0; x < 640; x += 3) ASSERT_EQ(WindowPixel(x, y), surfaces[y * 640 + x]) << x << "," << y;
  EndMediaLibrary();

  gScreenState = ScreenState{};
  StartGraphicsAt(32);
  ASSERT_EQ(IsSoftwareRendering(), 1);
  const std::vector<uint32_t> software = DrawListOnStartedScreen();
  int differences = 0, drawn = 0;
  for (size_t i = 0; i < software.size(); ++i) {
    differences += surfaces[i] != software[i] ? 1 : 0;
    drawn += software[i] != 0 ? 1 : 0;
  }
  EXPECT_EQ(differences, 0);
  EXPECT_GT(drawn, 10000);
}

}  // namespace
