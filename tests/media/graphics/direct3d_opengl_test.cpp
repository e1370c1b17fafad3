// The same frames drawn on the 3D path (OpenGL on Mesa, no GPU needed) and
// on the software path must agree within a small per-channel tolerance;
// rotated and four-corner draws may differ on a bounded number of edge
// pixels. A mismatch writes both frames and their difference as PNG files.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "GraphicsFixture.h"
#include "media/graphics/Direct3D.h"
#include "platform/gpu/Gpu.h"

namespace gpu = platform::gpu;

namespace {

using Frame = std::vector<uint32_t>;

struct Scene {
  std::string name;
  std::function<void(int sprite, int keyed, int blend)> draw;
  int edgePixels;  // pixels allowed beyond the tolerance
};

uint32_t SpritePixel(int x, int y) {
  const int dx = x - 24, dy = y - 20;
  const int a = std::max(0, 255 - (dx * dx + dy * dy) / 3);
  // Smooth in every channel: rasterisers may pick neighbouring texels inside turned draws.
  return static_cast<uint32_t>(a) << 24 | (40 + x * 4) << 16 | (250 - y * 5) << 8 | (60 + x * 2 + y * 2);
}

class Direct3DOpenGLTest : public GraphicsTest {
 protected:
  void TearDown() override {
    GraphicsTest::TearDown();
    ForceHardwareRendering(0);
  }

  // Starts one path, draws the background and the scene with each blend mode, returns the window's frame.
  Frame Draw(bool hardware, const Scene& scene, int mode) {
    ForceHardwareRendering(hardware ? 1 : 0);
    gScreenState = ScreenState{};  // the software switch of the last start stays otherwise
    StartGraphicsAt(32);
    EXPECT_EQ(IsSoftwareRendering(), hardware ? 0 : 1) << ReadLog();
    const int background = MakeGraph(640, 480, false, [](int x, int y) {
      return 0xFF000000u | ((x / 8) * 37 % 256) << 16 | ((y / 6) * 53 % 256) << 8 | ((x + y) % 256);
    });
    const int sprite = MakeGraph(48, 40, true, SpritePixel);
    const int keyed = MakeGraph(30, 20, false, [](int x, int y) {
      return (x - 15) * (x - 15) + (y - 10) * (y - 10) < 70 ? 0xFFFE00FEu : 0xFF20A040u + x * 3;
    });
    // A blend graph is read as alpha: its red becomes the alpha that the border is compared with.
    gDrawState.newGraphLoadAsAlpha = 1;
    const int blend = MakeGraph(48, 40, true, [](int x, int y) {
      const uint32_t v = static_cast<uint32_t>((x * 5 + y * 3) % 256);
      return 0xFF000000u | v << 16 | v << 8 | v;
    });
    gDrawState.newGraphLoadAsAlpha = 0;
    ClearDrawTarget();
    PutGraph(0, 0, background, 0);
    SetBlendState(mode, 160);
    // Multiply ignores the source's alpha on the 3D path (its factors read no
    // alpha), so it is compared with a graph without an alpha channel.
    scene.draw(mode == kBlendMultiply ? keyed : sprite, keyed, blend);
    SetBlendState(0, 0);
    PresentFrame();
    Frame frame = WindowFrame();
    EndMediaLibrary();
    return frame;
  }
};

TEST_F(Direct3DOpenGLTest, FramesOnTheOpenGLPathMatchTheSoftwarePath) {
  ForceHardwareRendering(1);
  if (!gpu::HasDirect3D()) GTEST_SKIP() << "no OpenGL 3.3 context";
  const Scene scenes[] = {
      {"plain",
       [](int sprite, int keyed, int) {
         PutGraph(100, 100, sprite, 1);
         PutGraph(-20, 300, sprite, 1);
         PutGraph(300, 60, keyed, 1);
       },
       0},
      {"stretched",
       [](int sprite, int keyed, int) {
         PutGraphStretched(50, 50, 146, 130, sprite, 1);
         PutGraphStretched(400, 300, 340, 420, keyed, 1);
       },
       100},
      {"rotated",
       [](int sprite, int keyed, int) {
         PutGraphRotated(200, 200, 1.0, 0.6, sprite, 1, 0);
         PutGraphRotated(400, 150, 1.5, 3.14159265358979 / 2, keyed, 1, 0);
       },
       600},
      // A parallelogram: both paths map it affinely. Other quads differ by
      // construction (two affine triangles in software, a bilinear grid here).
      {"fourcorners",
       [](int sprite, int, int) { PutGraphFourCorners(100, 100, 200, 120, 230, 220, 130, 200, sprite, 1); }, 600},
      {"boxes",
       [](int, int, int) {
         PutBox(30, 40, 200, 120, PackColor(200, 60, 20), 1);
         PutBox(250, 250, 400, 330, PackColor(20, 200, 220), 0);
       },
       0},
      {"text",
       [](int sprite, int, int) {
         // Text on the 3D path goes through the 2D surface between 3D draws.
         PutGraph(40, 40, sprite, 1);
         const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
         DrawTextWithFont(50, 50, "Text \x82\xa0\x82\xa2", PackColor(255, 255, 160), font, 0, 0);
         PutGraph(60, 60, sprite, 1);
       },
       0},
      {"drawtarget",
       [](int sprite, int keyed, int) {
         // A draw-valid graph as the draw target (a framebuffer on OpenGL), then drawn to the screen.
         SetNewGraphDrawValid(1);
         const int target = CreateGraphSized(96, 80, 1, 0, 0);
         SetNewGraphDrawValid(0);
         SelectDrawTarget(target);
         ClearDrawTarget();
         PutGraph(10, 10, sprite, 1);
         PutGraph(50, 40, keyed, 1);
         SelectDrawTarget(-2);
         PutGraph(300, 300, target, 0);
       },
       0},
      {"blendgraph", [](int sprite, int, int blend) { DrawBlendGraph(120, 140, sprite, 1, blend, 128, 64); }, 0},
      {"palette",
       [](int, int, int) {
         // 8-bit pictures in stripes of palette entries 0 and 1; the second one's palette holds the key colour
         // at entry 3, which its middle uses. Only that middle is transparent, on both paths.
         SetTransparentColorKey(254, 0, 254);
         for (int holdsKey : {0, 1}) {
           std::vector<uint8_t> indices(64 * 32);
           for (int y = 0; y < 32; ++y)
             for (int x = 0; x < 64; ++x)
               indices[y * 64 + x] = holdsKey != 0 && x >= 16 && x < 48 && y >= 8 && y < 24 ? 3 : (x / 8) % 2;
           GraphImage image{};
           SetPaletteColorFormat(&image.format);
           image.format.palette[0] = PaletteEntry{0xE0, 0xE0, 0xE0, 0};
           image.format.palette[1] = PaletteEntry{0x60, 0xB0, 0xB0, 0};
           if (holdsKey != 0) image.format.palette[3] = PaletteEntry{254, 0, 254, 0};
           image.width = 64;
           image.height = 32;
           image.pitch = 64;
           image.pixels = indices.data();
           const int graph = CreateGraphFromImageDefault(&image);
           PutGraph(100 + holdsKey * 200, 120, graph, 1);
         }
       },
       0},
  };
  const int modes[] = {0, 1, 2, 3, 4, 10, 11};
  for (const Scene& scene : scenes) {
    for (int mode : modes) {
      if ((scene.name == "blendgraph" || scene.name == "drawtarget") && mode != 0 && mode != 1) continue;
      // The keyed texels carry their key as alpha, which multiply's factors do not read on the 3D path.
      if (scene.name == "palette" && mode == kBlendMultiply) continue;
      const Frame hardware = Draw(true, scene, mode);
      const Frame software = Draw(false, scene, mode);
      const std::string name = scene.name + "-" + std::to_string(mode);
      EXPECT_LE(CompareFrames(hardware, software, "gl-" + name, 6, scene.edgePixels), scene.edgePixels) << name;
    }
  }
}

TEST_F(Direct3DOpenGLTest, AfterADeviceLossTexturesAndRenderTargetsAreMadeAgainAndTheFrameComesBack) {
  ForceHardwareRendering(1);
  if (!gpu::HasDirect3D()) GTEST_SKIP() << "no OpenGL 3.3 context";
  gScreenState = ScreenState{};
  StartGraphicsAt(32);
  ASSERT_EQ(IsSoftwareRendering(), 0) << ReadLog();
  gRefill = Refill{};
  AllocARGB8GraphImage(48, 40, &gRefill.image);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) {
      const uint32_t c = SpritePixel(x, y);
      WriteGraphImagePixel(&gRefill.image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, c >> 24);
    }
  gRefill.graph = CreateGraphFromImageDefault(&gRefill.image);
  ASSERT_GE(gRefill.graph, 0);
  SetGraphRestoreCallback(RefillGraphs);
  SetNewGraphDrawValid(1);
  const int target = CreateGraphSized(96, 80, 1, 0, 0);
  SetNewGraphDrawValid(0);
  ASSERT_GE(target, 0);
  auto frame = [&] {
    SelectDrawTarget(target);
    ClearDrawTarget();
    PutGraph(10, 10, gRefill.graph, 1);
    SelectDrawTarget(-2);
    ClearDrawTarget();
    PutGraph(100, 100, gRefill.graph, 1);
    PutGraphRotated(300, 120, 1.5, 0.7, gRefill.graph, 1, 0);
    PutGraph(300, 300, target, 0);
    PresentFrame();
    Frame out = WindowFrame();
    return out;
  };
  const Frame before = frame();
  // The sprite, its turned copy and the render target all show.
  EXPECT_GT(std::count_if(before.begin(), before.end(), [](uint32_t p) { return p != 0; }), 6000);
  gpu::LoseDevice();
  platform::SendMessage(gLibrarySystem.mainWindow, platform::kWmDisplayChange, 32, 1024 | (768 << 16));
  EXPECT_EQ(gRefill.calls, 1);
  EXPECT_EQ(IsSoftwareRendering(), 0);
  EXPECT_EQ(IsValidGraph(target), 1);
  const Frame after = frame();
  EXPECT_EQ(CompareFrames(after, before, "gl-device-loss", 0, 0), 0);
  FreeGraphImage(&gRefill.image);
}

}  // namespace

namespace {

// A screenshot taken mid-frame holds every draw made so far, also those the
// device still holds in its batch.
TEST_F(Direct3DOpenGLTest, AScreenshotMidFrameHoldsTheBatchedDraws) {
  ForceHardwareRendering(1);
  if (!gpu::HasDirect3D()) GTEST_SKIP() << "no OpenGL 3.3 context";
  gScreenState = ScreenState{};
  StartGraphicsAt(32);
  ASSERT_EQ(IsSoftwareRendering(), 0) << ReadLog();
  const int box = MakeGraph(16, 16, false, [](int, int) { return 0xFF20C040u; });
  ASSERT_GE(box, 0);
  ClearDrawTarget();
  PutGraph(100, 50, box, 0);
  ASSERT_EQ(SaveScreenRegionToFile(96, 46, 120, 70, "mid.png", 2, 80, 0, -1), 0);
  int width = 0, height = 0;
  const std::vector<uint32_t> pixels = ReadPngFile("mid.png", &width, &height);
  ASSERT_EQ(width, 24);
  ASSERT_EQ(height, 24);
  int mismatches = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool inBox = x >= 4 && x < 20 && y >= 4 && y < 20;
      mismatches += pixels[static_cast<size_t>(y * width + x)] != (inBox ? 0x20C040u : 0u);
    }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
