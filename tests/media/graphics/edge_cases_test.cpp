#include <filesystem>
#include <fstream>

#include "GraphicsFixture.h"
#include "media/image/ImageWriters.h"

namespace {

TEST(GraphicsHelpers, ClipRectangleTable) {
  struct Case {
    Rect rect, clip, expected;
  };
  const Case cases[] = {
      {{10, 10, 50, 50}, {20, 0, 40, 30}, {20, 10, 40, 30}},
      {{100, 100, 120, 120}, {0, 0, 50, 50}, {50, 50, 50, 50}},
      {{30, 30, 10, 10}, {0, 0, 50, 50}, {30, 30, 30, 30}},
      {{-5, -5, 5, 5}, {0, 0, 50, 50}, {0, 0, 5, 5}},
  };
  for (const Case& c : cases) {
    Rect r = c.rect;
    EXPECT_EQ(ClipRectangle(&r, &c.clip), 0);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
}

TEST(GraphicsHelpers, Matrices) {
  Matrix4 a, b;
  for (int i = 0; i < 16; ++i) {
    a.m[i] = static_cast<float>(i + 1);
    b.m[i] = static_cast<float>(16 - i) * 0.5f;
  }
  Matrix4 product;
  Matrix4Multiply(&product, &a, &b);
  Matrix4 inPlace = a;
  Matrix4Multiply(&inPlace, &inPlace, &b);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(inPlace.m[i], product.m[i]);

  Matrix4 p;
  Matrix4Identity(&p);
  EXPECT_EQ(Matrix4Perspective(&p, 1.0f, 10.0f, 10.005f, 1.0f), -1);
  EXPECT_EQ(p.m[0], 1.0f);  // unchanged
  ASSERT_EQ(Matrix4Perspective(&p, 1.0471976f, 1.0f, 100.0f, -1.0f), 0);
  EXPECT_FLOAT_EQ(p.m[0], 0.75f * p.m[5]);

  Matrix4 v;
  Matrix4Viewport(&v, 320, 240, 640, 480);
  auto map = [&](float x, float y) {
    return std::pair<float, float>{x * v.m[0] + y * v.m[4] + v.m[12], x * v.m[1] + y * v.m[5] + v.m[13]};
  };
  EXPECT_EQ(map(-1, 1), (std::pair<float, float>{0, 0}));
  EXPECT_EQ(map(1, -1), (std::pair<float, float>{640, 480}));
  Matrix4 inverse, identity;
  Matrix4Inverse(&inverse, &v);
  Matrix4Multiply(&identity, &v, &inverse);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(identity.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST_F(GraphicsTest, BmpWriterLayouts) {
  GraphImage image{};
  // 3 x 2 palette image: 1078 bytes of headers and palette, rows of 4 bytes, last row first.
  SetPaletteColorFormat(&image.format);
  uint8_t indices[6] = {1, 2, 3, 4, 5, 6};
  image.width = 3;
  image.height = 2;
  image.pitch = 3;
  image.pixels = indices;
  ASSERT_EQ(WriteGraphImageBmp("p.bmp", &image), 0);
  auto bytes = ReadFile(folder_ / "p.bmp");
  ASSERT_EQ(bytes.size(), 1086u);
  EXPECT_EQ(bytes[1078], 4);
  EXPECT_EQ(bytes[1082], 1);
  // 5 x 1 at 32 bits: 24-bit rows of 16 bytes, file size 70.
  GraphImage wide{};
  SetXRGB8ColorFormat(&wide.format);
  uint32_t pixels[5] = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF};
  wide.width = 5;
  wide.height = 1;
  wide.pitch = 20;
  wide.pixels = reinterpret_cast<uint8_t*>(pixels);
  ASSERT_EQ(WriteGraphImageBmp("w.bmp", &wide), 0);
  bytes = ReadFile(folder_ / "w.bmp");
  ASSERT_EQ(bytes.size(), 70u);
  EXPECT_EQ(bytes[54], 0x33);
  EXPECT_EQ(bytes[56], 0x11);
  // 565 white widens by shifting: F8 FC F8.
  GraphImage high{};
  SetColorFormatFromMasks(&high.format, 16, 0xF800, 0x7E0, 0x1F, 0);
  uint16_t white = 0xFFFF;
  high.width = high.height = 1;
  high.pitch = 2;
  high.pixels = reinterpret_cast<uint8_t*>(&white);
  ASSERT_EQ(WriteGraphImageBmp("h.bmp", &high), 0);
  bytes = ReadFile(folder_ / "h.bmp");
  EXPECT_EQ(bytes[54], 0xF8);
  EXPECT_EQ(bytes[55], 0xFC);
  EXPECT_EQ(bytes[56], 0xF8);
  // 24-bit images get the same 24-bit rows; a depth with no layout is refused
  // and leaves no file; saving over a file replaces it.
  GraphImage full{};
  SetFullColorFormat(&full.format);
  uint8_t rgb[3] = {0x33, 0x22, 0x11};
  full.width = full.height = 1;
  full.pitch = 3;
  full.pixels = rgb;
  ASSERT_EQ(WriteGraphImageBmp("f.bmp", &full), 0);
  bytes = ReadFile(folder_ / "f.bmp");
  ASSERT_EQ(bytes.size(), 58u);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(bytes[54], 0x33);
  EXPECT_EQ(bytes[56], 0x11);
  GraphImage odd = full;
  odd.format.bitDepth = 12;
  EXPECT_EQ(WriteGraphImageBmp("o.bmp", &odd), -1);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "o.bmp"));
  ASSERT_EQ(WriteGraphImageBmp("p.bmp", &high), 0);
  EXPECT_EQ(ReadFile(folder_ / "p.bmp").size(), 58u);
  // A file that cannot be made: -1 from every writer and nothing left behind.
  EXPECT_EQ(WriteGraphImageBmp("missing/x.bmp", &high), -1);
  EXPECT_EQ(WritePngFile("missing/x.png", &high, -1), -1);
  EXPECT_EQ(WriteJpegFile("missing/x.jpg", &high, 80, 0), -1);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "missing"));
  ASSERT_EQ(WriteJpegFile("j.jpg", &wide, 80, 0), 0);
  bytes = ReadFile(folder_ / "j.jpg");
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
}

// The front screen of a window lies on the desktop at the client area: its
// draw area keeps to the part of it on the desktop (1024 x 768 here), inside
// what was asked for; the back screen is not on the desktop.
TEST_F(GraphicsTest, TheFrontScreenDrawAreaKeepsToTheDesktop) {
  platform::SetHeadlessDesktop(1024, 768, 32);
  StartGraphicsAt(32);
  struct Case {
    int target, clientX, clientY;
    Rect asked, kept;
  } cases[] = {
      {-4, 10, 20, {0, 0, 640, 480}, {0, 0, 640, 480}},      {-4, -100, -50, {0, 0, 640, 480}, {100, 50, 640, 480}},
      {-4, 600, 400, {0, 0, 640, 480}, {0, 0, 424, 368}},    {-4, -100, -50, {200, 60, 300, 70}, {200, 60, 300, 70}},
      {-4, -100, 500, {640, 480, 0, 0}, {100, 0, 640, 268}}, {-4, -700, 0, {0, 0, 640, 480}, {700, 0, 700, 480}},
      {-4, 1100, 0, {0, 0, 640, 480}, {0, 0, 0, 480}},       {-2, -100, -50, {0, 0, 640, 480}, {0, 0, 640, 480}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.target << " at " << c.clientX << "," << c.clientY);
    SelectDrawTarget(c.target);
    const auto packed = static_cast<intptr_t>((c.clientX & 0xFFFF) | (c.clientY & 0xFFFF) << 16);
    platform::SendMessage(gLibrarySystem.mainWindow, platform::kWmMove, 0, packed);
    SetClipArea(c.asked.left, c.asked.top, c.asked.right, c.asked.bottom);
    Rect kept;
    GetClipArea(&kept);
    EXPECT_EQ(kept.left, c.kept.left);
    EXPECT_EQ(kept.top, c.kept.top);
    EXPECT_EQ(kept.right, c.kept.right);
    EXPECT_EQ(kept.bottom, c.kept.bottom);
    EXPECT_EQ(gDrawState.emptyDrawArea, c.kept.left == c.kept.right || c.kept.top == c.kept.bottom ? 1 : 0);
  }
}

TEST_F(GraphicsTest, DrawStateEdgeCases) {
  StartGraphicsAt(32);
  SetClipArea(100, 50, 20, 10);
  EXPECT_EQ(gDrawState.drawArea.left, 20);
  EXPECT_EQ(gDrawState.drawArea.top, 10);
  EXPECT_EQ(gDrawState.drawArea.right, 100);
  EXPECT_EQ(gDrawState.drawArea.bottom, 50);
  SetBlendState(1, 300);
  EXPECT_EQ(gDrawState.blendParameter, 255);
  SetBlendState(0, 0);
  EXPECT_EQ(static_cast<uint32_t>(PackColor(255, 0, 0)), 0xFFFF0000u);

  const int graph = MakeGraph(32, 32, false, [](int, int) { return 0xFF102030u; });
  const int small = MakeGraph(16, 16, false, [](int, int) { return 0xFF000000u; });
  // An empty draw area makes every draw a no-op that succeeds.
  SetClipArea(10, 10, 10, 50);
  EXPECT_EQ(gDrawState.emptyDrawArea, 1);
  EXPECT_EQ(PutGraph(0, 0, graph, 0), 0);
  EXPECT_EQ(PutGraph(0, 0, 0x1234, 0), 0);
  EXPECT_EQ(BackPixel(12, 12), 0u);
  SetClipArea(0, 0, 640, 480);
  EXPECT_EQ(PutGraph(0, 0, 0x1234, 0), -1);
  // A blend graph smaller than the graph refuses the draw.
  SelectBlendGraph(small, 0, 0);
  EXPECT_EQ(PutGraph(0, 0, graph, 0), -1);
  EXPECT_EQ(BackPixel(5, 5), 0u);
  SelectBlendGraph(-1, 0, 0);
  // A part draw touches only the part and leaves the area as it was.
  SetClipArea(0, 0, 300, 300);
  PutGraphPart(100, 100, 4, 4, 8, 8, graph, 0, 0);
  EXPECT_EQ(BackPixel(100, 100), 0x102030u);
  EXPECT_EQ(BackPixel(107, 107), 0x102030u);
  EXPECT_EQ(BackPixel(108, 100), 0u);
  EXPECT_EQ(BackPixel(99, 100), 0u);
  EXPECT_EQ(gDrawState.drawArea.right, 300);
  // A target of the same size keeps the area, another size resets it.
  SelectDrawTarget(-4);
  EXPECT_EQ(gDrawState.drawArea.right, 300);
  SetNewGraphDrawValid(1);
  const int canvas = CreateBlankGraph(64, 32, 1);
  SetNewGraphDrawValid(0);
  SelectDrawTarget(canvas);
  EXPECT_EQ(gDrawState.drawArea.right, 64);
  EXPECT_EQ(gDrawState.drawArea.bottom, 32);
  SelectDrawTarget(-2);
  EXPECT_EQ(gDrawState.drawArea.right, 640);
  // The frame outline's last column and row are x2 - 1 and y2 - 1.
  PutBox(10, 10, 20, 20, PackColor(255, 255, 255), 0);
  EXPECT_EQ(BackPixel(19, 19), 0xFFFFFFu);
  EXPECT_EQ(BackPixel(20, 20), 0u);
  EXPECT_EQ(BackPixel(15, 15), 0u);
  // The mask layer never exists.
  EXPECT_EQ(SetMaskLayerActive(1), -1);
  EXPECT_EQ(GetMaskLayerActive(), 1);
}

TEST_F(GraphicsTest, GraphHandleEdgeCases) {
  StartGraphicsAt(32);
  struct Size {
    int width, height, result;
  };
  const Size sizes[] = {{0, 10, -1},    {10, 0, -1}, {-1, 5, -1},  {65536, 1, -1},
                        {70000, 2, -1}, {1, 1, 0},   {65535, 1, 0}};
  for (const Size& s : sizes) {
    const int g = CreateBlankGraph(s.width, s.height, 1);
    EXPECT_EQ(g < 0 ? -1 : 0, s.result) << s.width << "x" << s.height;
    if (g >= 0) {
      int w = 0, h = 0;
      QueryGraphSize(g, &w, &h);
      EXPECT_EQ(w, s.width);
      ReleaseGraph(g, 0);
    }
  }
  int w = 0, h = 0;
  EXPECT_EQ(QueryGraphSize(-2, &w, &h), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);

  const int parent = MakeGraph(40, 30, false, [](int x, int) { return 0xFF000000u | (x * 6) << 16; });
  struct Sub {
    int x, y, width, height, resultWidth;
  };
  const Sub subs[] = {{40, 0, 5, 5, -1}, {0, 30, 5, 5, -1},  {-1, 0, 5, 5, -1}, {0, 0, 0, 5, -1},
                      {0, 0, 5, -3, -1}, {30, 0, 20, 5, 10}, {5, 5, 10, 10, 10}};
  for (const Sub& s : subs) {
    const int sub = CreateSubGraph(s.x, s.y, s.width, s.height, parent);
    if (s.resultWidth < 0) {
      EXPECT_EQ(sub, -1) << s.x << "," << s.y << " " << s.width << "x" << s.height;
      continue;
    }
    ASSERT_GE(sub, 0);
    QueryGraphSize(sub, &w, &h);
    EXPECT_EQ(w, s.resultWidth);
  }
  // A sub-graph keeps its pixels after the parent is gone.
  const int sub = CreateSubGraph(10, 0, 8, 8, parent);
  ReleaseGraph(parent, 0);
  EXPECT_EQ(IsValidGraph(parent), 0);
  PutGraph(0, 0, sub, 0);
  EXPECT_EQ(BackPixel(0, 0), static_cast<uint32_t>(60 << 16));

  // Handles: a deleted slot's old handle is refused; the next index follows
  // the highest live slot.
  ReleaseAllGraphs(0);
  EXPECT_EQ(GetGraphCount(), 0);
  EXPECT_EQ(gGraphManager.nextIndex, 0);
  const int a = CreateBlankGraph(4, 4, 1), b = CreateBlankGraph(4, 4, 1), c = CreateBlankGraph(4, 4, 1);
  EXPECT_EQ(gGraphManager.nextIndex, 3);
  ReleaseGraph(c, 0);
  EXPECT_EQ(gGraphManager.nextIndex, 2);
  ReleaseGraph(a, 0);
  EXPECT_EQ(gGraphManager.nextIndex, 2);
  const int d = CreateBlankGraph(4, 4, 1);
  EXPECT_EQ(d & 0xFFFF, 2);
  EXPECT_EQ(IsValidGraph(c), 0);
  EXPECT_EQ(ReleaseGraph(c, 0), -1);
  ReleaseGraph(b, 0);
  ReleaseGraph(d, 0);
  EXPECT_EQ(gGraphManager.nextIndex, 0);
  for (int i = 0; i < 2048; ++i) ReleaseGraph(CreateBlankGraph(2, 2, 1), 0);
  const int wrapped = CreateBlankGraph(2, 2, 1);
  EXPECT_EQ((wrapped >> 16) & 0x7FF, (d >> 16 & 0x7FF) + 2049 - 2048);

  // A nested lock answers -2 with the pointer of the rectangle asked.
  const int store = GetSurface2DRecord(GetGraphRecord(wrapped)->storage[0])->store;
  int pitch = 0;
  uint8_t* first = nullptr;
  uint8_t* second = nullptr;
  const Rect corner{1, 1, 2, 2};
  EXPECT_EQ(LockSurfaceData(store, &pitch, &first, 0, nullptr, nullptr), 0);
  EXPECT_EQ(LockSurfaceData(store, &pitch, &second, 0, &corner, nullptr), -2);
  EXPECT_EQ(second, first + pitch + 4);
  EXPECT_EQ(UnlockSurfaceData(store), 0);
  EXPECT_EQ(UnlockSurfaceData(store), 0);
  EXPECT_EQ(UnlockSurfaceData(store), -1);
}

TEST_F(GraphicsTest, ScreenModeAndSaveEdgeCases) {
  StartGraphicsAt(32);
  const uint64_t presents = GetPresentCount();
  EXPECT_EQ(SetScreenResolution(-1, -1, -1, -1), 0);
  EXPECT_EQ(SetScreenResolution(640, 480, 24, 60), -1);
  int w = 0, h = 0, bits = 0;
  QueryScreenMode(&w, &h, &bits);
  EXPECT_EQ(bits, 32);
  EXPECT_EQ(GetPresentCount(), presents);
  // A region outside the clip area saves nothing; an unknown type writes no file.
  SetClipArea(0, 0, 100, 100);
  EXPECT_EQ(SaveScreenRegionToFile(200, 200, 300, 300, "out.png", 2, 80, 0, -1), -1);
  EXPECT_EQ(SaveScreenRegionToFile(0, 0, 50, 50, "out.xyz", 3, 80, 0, -1), 0);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "out.xyz"));
  // A failed writer is a failed save.
  EXPECT_EQ(SaveScreenRegionToFile(0, 0, 50, 50, "no/such/folder.png", 2, 80, 0, -1), -1);
  EXPECT_EQ(SaveScreenRegionToFile(0, 0, 50, 50, "part.bmp", 0, 80, 0, -1), 0);
  EXPECT_EQ(ReadFile(folder_ / "part.bmp").size(), 54u + 152u * 50u);
  // The draw-call log carries each public draw with its blend and tint.
  SetDrawCallLogEnabled(1);
  ClearDrawCallLog();
  SetBlendState(2, 77);
  SetDrawTint(1, 2, 3);
  PutBox(1, 2, 3, 4, 5, 1);
  SetDrawCallLogEnabled(0);
  EXPECT_STREQ(GetDrawCallLog(), "PutBox(1,2,3,4,0x5,1) = 0 blend=2,77 tint=010203\n");
}

}  // namespace
