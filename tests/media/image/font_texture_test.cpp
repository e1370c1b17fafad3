// Fonts on the 3D path: the texture glyph cache (sizes, filling, reuse,
// replacement, loss of its textures) against the recording backend of the
// gpu facility, and text frames drawn on OpenGL (Mesa, no GPU needed)
// against the same frames on the software path.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsFixture.h"
#include "media/image/FontSystem.h"
#include "media/image/ImageWriters.h"
#include "platform/gpu/Gpu.h"

namespace gpu = platform::gpu;

namespace {

class FontTextureTest : public RecordingGraphicsTest {
 protected:
  void StartHardware() {
    StartGraphicsAt(32);
    ASSERT_EQ(IsHardware3DActive(), 1);
  }

  static int Font(int size, int type, int edge = -1) {
    return CreateFontToHandle(nullptr, size, 6, type, -1, edge, 0, -1, -1);
  }
  static const GlyphCacheEntry* Cached(const FontRecord* f, const char* character) {
    const auto lead = static_cast<uint8_t>(character[0]), trail = static_cast<uint8_t>(character[1]);
    const GlyphMapSlot& slot = f->map[lead | (trail != 0 && lead >= 0x80 ? trail << 8 : 0)];
    return slot.cached != 0 ? slot.entry : nullptr;
  }
  // Draws what is pending, then forgets the calls so far.
  static void ClearCalls() {
    FlushCurrentDevicePrimitives();
    gpu::ClearRecordedCalls();
  }
  // The textured draws since the last clear, with their vertices.
  static std::vector<std::vector<ScreenVertex>> TexturedDraws() {
    FlushCurrentDevicePrimitives();
    std::vector<std::vector<ScreenVertex>> out;
    for (const gpu::RecordedCall& c : gpu::RecordedCalls()) {
      if (c.fvf != gpu::kFvfOneTexture || c.text.rfind("DrawPrimitive", 0) != 0) continue;
      std::vector<ScreenVertex> v(static_cast<size_t>(c.vertexCount));
      std::memcpy(v.data(), c.vertices.data(), v.size() * sizeof(ScreenVertex));
      out.push_back(v);
    }
    return out;
  }
  // The bounding box of vertices [first, first + 6).
  static Rect Box(const std::vector<ScreenVertex>& v, size_t first) {
    float l = 1e9f, t = 1e9f, r = -1e9f, b = -1e9f;
    for (size_t i = first; i < first + 6; ++i) {
      l = std::min(l, v[i].x);
      t = std::min(t, v[i].y);
      r = std::max(r, v[i].x);
      b = std::max(b, v[i].y);
    }
    return Rect{static_cast<int>(std::lround(l)), static_cast<int>(std::lround(t)), static_cast<int>(std::lround(r)),
                static_cast<int>(std::lround(b))};
  }
};

TEST_F(FontTextureTest, TheCacheGraphHoldsTenCellsOrMoreAndEdgedFontsKeepTheirEdgeInItsRightHalf) {
  StartHardware();
  struct Case {
    int size, type, edge;
    int width, height, graphWidth;
    int alphaBits;  // of the staging image
  };
  const Case cases[] = {
      {16, 0, -1, 512, 512, 512, 1},
      {16, 2, -1, 512, 512, 512, 4},
      {16, 1, 2, 512, 512, 1024, 1},
      {16, 3, 3, 512, 512, 1024, 4},
      // Cells over 170 pixels: 512 wide gives 4 cells, 1024 x 512 gives 8, 1024 x 1024 gives 16.
      {200, 0, -1, 1024, 1024, 1024, 1},
  };
  for (const Case& c : cases) {
    const int font = Font(c.size, c.type, c.edge);
    const FontRecord* f = GetFontRecord(font);
    ASSERT_NE(f, nullptr) << c.size;
    const int cs = f->cellSize;
    EXPECT_EQ(f->textureCache, 1);
    EXPECT_EQ(f->cacheBitmap, nullptr);
    EXPECT_EQ(f->textSurface, -1);
    EXPECT_EQ(f->cacheWidth, c.width);
    EXPECT_EQ(f->cacheHeight, c.height);
    EXPECT_EQ(f->cellsPerColumn, c.height / cs);
    EXPECT_EQ(f->cellCount, std::min(2024, (c.width / cs) * (c.height / cs)));
    EXPECT_GE(f->cellCount, 10);
    int w = 0, h = 0;
    ASSERT_EQ(QueryGraphSize(f->cacheGraph, &w, &h), 0);
    EXPECT_EQ(w, c.graphWidth);
    EXPECT_EQ(h, c.height);
    EXPECT_EQ(GetGraphRecord(f->cacheGraph)->request.use3D, 1);
    const bool edged = c.graphWidth != c.width;
    EXPECT_EQ(f->edgeGraph != -1, edged);
    if (edged) {
      ASSERT_EQ(QueryGraphSize(f->edgeGraph, &w, &h), 0);
      EXPECT_EQ(w, c.width);
      EXPECT_EQ(f->staging.width, 2 * cs);
      EXPECT_EQ(f->staging.height, cs + 2 * c.edge);
    } else {
      EXPECT_EQ(f->staging.width, cs);
      EXPECT_EQ(f->staging.height, cs);
    }
    EXPECT_EQ(f->staging.format.bitDepth, 16);
    EXPECT_EQ(f->staging.format.alphaWidth, c.alphaBits);
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
  // The game's settings for new graphs neither reach the cache graph nor are changed by it.
  SetNewGraphDrawValid(1);
  gDrawState.newGraphLoadAsAlpha = 1;
  const FontRecord* keyed = GetFontRecord(Font(16, 0));
  ASSERT_NE(keyed, nullptr);
  const GraphFormatRequest& request = GetGraphRecord(keyed->cacheGraph)->request;
  EXPECT_EQ(request.drawValid, 0);
  EXPECT_EQ(request.alphaTest, 1);
  EXPECT_EQ(request.loadAsAlpha, 0);
  EXPECT_EQ(request.colorDepth, 16);
  EXPECT_EQ(gDrawState.newGraphDrawValid, 1);
  EXPECT_EQ(gDrawState.newGraphLoadAsAlpha, 1);
  SetNewGraphDrawValid(0);
  gDrawState.newGraphLoadAsAlpha = 0;
  EndMediaLibrary();

  // The software path keeps the memory cache.
  gpu::SetGpuBackend(gpu::BackendKind::None);
  StartGraphicsAt(32);
  const FontRecord* f = GetFontRecord(Font(16, 0));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->textureCache, 0);
  EXPECT_EQ(f->cacheGraph, -1);
  EXPECT_NE(f->cacheBitmap, nullptr);
}

TEST_F(FontTextureTest, ACacheGraphThatCannotBeMadeLeavesTheFontWithAMemoryCache) {
  // Textures of at most 32 pixels would cut a 512-pixel cache graph into 256 pieces, more than a graph holds.
  gpu::RecordingSetup setup = gpu::DefaultRecordingSetup();
  setup.devices[0].maxTextureWidth = setup.devices[0].maxTextureHeight = 32;
  gpu::SetRecordingSetup(setup);
  StartHardware();
  const int font = Font(16, 1);
  const FontRecord* f = GetFontRecord(font);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->textureCache, 0);
  EXPECT_EQ(f->cacheGraph, -1);
  EXPECT_EQ(f->edgeGraph, -1);
  EXPECT_NE(f->cacheBitmap, nullptr);
  EXPECT_EQ(f->cellCount, std::clamp(327680 / (f->cellSize * f->cellSize), 20, 2024));
  // テクスチャ文字キャッシュの作成に失敗しました
  EXPECT_NE(ReadLog().find("\x83\x65\x83\x4e\x83\x58\x83\x60\x83\x83\x95\xb6\x8e\x9a\x83\x4c"), std::string::npos);
  EXPECT_EQ(DrawTextWithFont(0, 0, "AB", PackColor(255, 255, 255), font, 0, 0), 0);
  EXPECT_EQ(f->cursor, 2);
}

TEST_F(FontTextureTest, GlyphsFillCellsOnceAndTheSeventeenthCharacterOfSixteenCellsTakesCellZero) {
  StartHardware();
  const int font = Font(200, 0);
  FontRecord* f = GetFontRecord(font);
  ASSERT_EQ(f->cellCount, 16);
  const int white = PackColor(255, 255, 255);
  ASSERT_EQ(DrawTextWithFont(0, 0, "AB", white, font, 0, 0), 0);
  const GlyphCacheEntry* a = Cached(f, "A");
  const GlyphCacheEntry* b = Cached(f, "B");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->cellIndex, 0);
  EXPECT_EQ(b->cellIndex, 1);
  EXPECT_EQ(f->cursor, 2);
  // Drawn again, in any order: no glyph is rendered again.
  ClearCalls();
  ASSERT_EQ(DrawTextWithFont(0, 0, "BABA", white, font, 0, 0), 0);
  EXPECT_EQ(f->cursor, 2);
  EXPECT_EQ(Cached(f, "A"), a);
  EXPECT_EQ(TexturedDraws().at(0).size(), 4u * 6);

  ASSERT_EQ(DrawTextWithFont(0, 0, "CDEFGHIJKLMNOPQ", white, font, 0, 0), 0);
  EXPECT_EQ(Cached(f, "A"), nullptr);
  ASSERT_NE(Cached(f, "Q"), nullptr);
  EXPECT_EQ(Cached(f, "Q")->cellIndex, 0);
  EXPECT_EQ(f->cursor, 1);
  // A replaced glyph is rendered again on demand, into the next cell.
  ASSERT_EQ(DrawTextWithFont(0, 0, "A", white, font, 0, 0), 0);
  EXPECT_EQ(Cached(f, "A")->cellIndex, 1);
  EXPECT_EQ(Cached(f, "B"), nullptr);

  // The cell holds the glyph: white, opaque where the glyph is, transparent around it.
  const GlyphCacheEntry* q = Cached(f, "Q");
  const TextureSetRecord* piece = GetTextureSetRecord(GetGraphRecord(f->cacheGraph)->storage[0]);
  uint8_t* bits = nullptr;
  int pitch = 0;
  const SurfaceDataRecord* st = GetSurfaceDataRecord(piece->store);
  ASSERT_EQ(platform::LockSurface(st->surface, nullptr, &bits, &pitch), platform::kDdOk);
  int opaque = 0;
  for (int y = 0; y < q->boxHeight; ++y)
    for (int x = 0; x < q->boxWidth; ++x) {
      uint16_t v;
      std::memcpy(&v, bits + y * pitch + x * 2, 2);
      EXPECT_EQ(v & 0x7FFF, 0x7FFF);
      if ((v & 0x8000) != 0) ++opaque;
    }
  uint16_t outside;
  std::memcpy(&outside, bits + (f->cellSize - 1) * pitch + (f->cellSize - 1) * 2, 2);
  platform::UnlockSurface(st->surface);
  EXPECT_GT(opaque, q->boxWidth * q->boxHeight / 10);
  EXPECT_EQ(outside & 0x8000, 0);
}

TEST_F(FontTextureTest, QuadsCarryTheGlyphBoxesTheColoursAndTheScales) {
  StartHardware();
  const int font = Font(24, 1, 2);
  const FontRecord* f = GetFontRecord(font);
  const int text = PackColor(250, 200, 100), edge = PackColor(10, 20, 30);
  ASSERT_EQ(DrawTextWithFont(100, 50, "A", text, font, edge, 0), 0);
  const GlyphCacheEntry* a = Cached(f, "A");
  ASSERT_NE(a, nullptr);
  const int w = a->boxWidth, h = a->boxHeight, offX = a->offsetX, offY = a->offsetY;
  // Measuring scales a texture font's advances: x for horizontal, y for vertical text.
  const int width = MeasureTextWithFont("AA", -1, font, 0);
  EXPECT_EQ(width, 2 * a->advance);
  EXPECT_EQ(ProcessFontString(0, 0, 0, 0, 1.5, 3.0, "AA", text, nullptr, nullptr, 0, font, edge, -1, 0, nullptr),
            width * 3 / 2);
  EXPECT_EQ(ProcessFontString(0, 0, 0, 0, 1.5, 3.0, "AA", text, nullptr, nullptr, 0, font, edge, -1, 1, nullptr),
            width * 3);
  struct Case {
    double xs, ys;  // 0: unscaled
    int tint;
  };
  const Case cases[] = {{0, 0, 0xFFFFFF}, {2.0, 3.0, 0xFFFFFF}, {0.5, 1.5, 0x808080}};
  for (const Case& c : cases) {
    SetDrawTintPacked(c.tint);
    ClearCalls();
    if (c.xs == 0) ASSERT_EQ(DrawTextWithFont(100, 50, "A", text, font, edge, 0), 0);
    else ASSERT_EQ(DrawScaledTextWithFont(100, 50, c.xs, c.ys, "A", text, font, edge, 0), 0);
    const auto draws = TexturedDraws();
    // The edge and then the glyph, one texture, one batch.
    ASSERT_EQ(draws.size(), 1u) << c.xs;
    ASSERT_EQ(draws[0].size(), 12u);
    const double xs = c.xs == 0 ? 1 : c.xs, ys = c.xs == 0 ? 1 : c.ys;
    const int x1 = 100 + static_cast<int>(offX * xs), y1 = 50 + static_cast<int>(offY * ys);
    const Rect expected{x1, y1, x1 + static_cast<int>(w * xs), y1 + static_cast<int>(h * ys)};
    for (size_t first : {size_t{0}, size_t{6}}) {
      const Rect box = Box(draws[0], first);
      EXPECT_EQ(box.left, expected.left) << c.xs;
      EXPECT_EQ(box.top, expected.top) << c.xs;
      EXPECT_EQ(box.right, expected.right) << c.xs;
      EXPECT_EQ(box.bottom, expected.bottom) << c.xs;
    }
    // The edge comes from the right half of the cache graph.
    EXPECT_GE(draws[0][0].u, 0.5f);
    EXPECT_LT(draws[0][6].u, 0.5f);
    const int k = c.tint & 0xFF;
    const uint32_t edgeColour = static_cast<uint32_t>(10 * k / 255 << 16 | 20 * k / 255 << 8 | 30 * k / 255);
    const uint32_t textColour = static_cast<uint32_t>(250 * k / 255 << 16 | 200 * k / 255 << 8 | 100 * k / 255);
    EXPECT_EQ(draws[0][0].diffuse & 0xFFFFFF, edgeColour);
    EXPECT_EQ(draws[0][6].diffuse & 0xFFFFFF, textColour);
    // The draw state is as it was.
    EXPECT_EQ(gDrawState.tint, static_cast<uint32_t>(c.tint));
  }
}

TEST_F(FontTextureTest, VerticalGlyphsTurnAQuarterClockwiseInsideTheirClippedBox) {
  StartHardware();
  const int font = Font(24, 0);
  const FontRecord* f = GetFontRecord(font);
  const int white = PackColor(255, 255, 255);
  ASSERT_EQ(DrawTextWithFont(200, 100, "AB", white, font, 0, 1), 0);
  const GlyphCacheEntry* b = Cached(f, "B");
  const GlyphCacheEntry* a = Cached(f, "A");
  ASSERT_NE(b, nullptr);
  const int cs = f->cellSize, H = f->lineHeight;
  const int cellX = (b->cellIndex / f->cellsPerColumn) * cs, cellY = (b->cellIndex % f->cellsPerColumn) * cs;
  const int pen = a->advance + f->spacing;
  for (const bool scaled : {false, true}) {
    ClearCalls();
    const double xs = scaled ? 2.0 : 1.0, ys = scaled ? 1.5 : 1.0;
    if (scaled) ASSERT_EQ(DrawScaledTextWithFont(200, 100, xs, ys, "AB", white, font, 0, 1), 0);
    else ASSERT_EQ(DrawTextWithFont(200, 100, "AB", white, font, 0, 1), 0);
    std::vector<std::vector<ScreenVertex>> draws = TexturedDraws();
    ASSERT_EQ(draws.size(), 2u);  // every glyph has its own clip area
    const std::vector<ScreenVertex>& v = draws[1];
    const int X0 = 200 + static_cast<int>((H - b->offsetY) * xs),
              Y0 = 100 + static_cast<int>(b->offsetX * ys + pen * ys);
    const ScreenVertex& topLeft = v[0];  // the graph's (or the cell's) top-left corner
    if (scaled) {
      EXPECT_FLOAT_EQ(topLeft.x, X0 - 0.5f);
      EXPECT_FLOAT_EQ(topLeft.y, Y0 - 0.5f);
      EXPECT_FLOAT_EQ(v[1].y, Y0 - 0.5f + static_cast<int>(b->boxWidth * ys));   // top-right: down the screen
      EXPECT_FLOAT_EQ(v[2].x, X0 - 0.5f - static_cast<int>(b->boxHeight * xs));  // bottom-left: to the left
    } else {
      EXPECT_FLOAT_EQ(topLeft.x, X0 + cellY - 0.5f);
      EXPECT_FLOAT_EQ(topLeft.y, Y0 - cellX - 0.5f);
      EXPECT_FLOAT_EQ(topLeft.u, 0.0f);
      EXPECT_FLOAT_EQ(v[1].y, Y0 - cellX - 0.5f + f->cacheWidth);
      EXPECT_FLOAT_EQ(v[2].x, X0 + cellY - 0.5f - f->cacheHeight);
    }
    // The viewport of the second glyph: its turned box, one column wider on each side.
    std::vector<std::string> viewports;
    for (const gpu::RecordedCall& c : gpu::RecordedCalls())
      if (c.text.rfind("SetViewport", 0) == 0) viewports.push_back(c.text);
    ASSERT_EQ(viewports.size(), 4u);  // each glyph's box, then the clip area again
    const int across = scaled ? static_cast<int>(b->boxHeight * xs) : b->boxHeight;
    const int down = scaled ? static_cast<int>(b->boxWidth * ys) : b->boxWidth;
    EXPECT_EQ(viewports[2], "SetViewport " + std::to_string(X0 - across - 1) + " " + std::to_string(Y0) + " " +
                                std::to_string(across + 2) + " " + std::to_string(down));
    EXPECT_EQ(viewports[3], "SetViewport 0 0 640 480");
    // The clip area is put back.
    EXPECT_EQ(gDrawState.drawArea.right, 640);
    EXPECT_EQ(gDrawState.drawArea.left, 0);
  }
}

TEST_F(FontTextureTest, BlendModesApplyToTextureTextAndTheDrawStateIsPutBack) {
  StartHardware();
  const int font = Font(16, 0);
  const int text = PackColor(200, 100, 50);
  const int blend = MakeGraph(32, 32, false, [](int, int) { return 0xFF808080u; });
  SelectBlendGraph(blend, 100, 10);
  struct Case {
    int mode, parameter;
    uint32_t diffuse;     // of the glyph's vertices
    int untexturedDraws;  // the subtract emulation's inversions
  };
  const Case cases[] = {
      {kBlendNone, 0, 0xFFC86432u, 0},
      {kBlendAlpha, 128, 0x80C86432u, 0},
      {kBlendSubtract, 200, 0xC8C86432u, 2},
      // Multiply becomes multiply faded by the glyph's alpha; the inverted source alpha blending of the inverted colour.
      {kBlendMultiply, 77, 0xFFC86432u, 0},
      {kBlendInvertedSource, 90, 0x5A379BCDu, 0},
  };
  for (const Case& c : cases) {
    SetBlendState(c.mode, c.parameter);
    ClearCalls();
    ASSERT_EQ(DrawTextWithFont(10, 10, "X", text, font, 0, 0), 0) << c.mode;
    const auto draws = TexturedDraws();
    ASSERT_EQ(draws.size(), 1u) << c.mode;
    EXPECT_EQ(draws[0][0].diffuse, c.diffuse) << c.mode;
    int untextured = 0;
    for (const gpu::RecordedCall& call : gpu::RecordedCalls())
      if (call.fvf == gpu::kFvfUntextured) ++untextured;
    EXPECT_EQ(untextured, c.untexturedDraws) << c.mode;
    EXPECT_EQ(gDrawState.blendMode, c.mode);
    EXPECT_EQ(gDrawState.blendParameter, c.parameter);
    EXPECT_EQ(gDrawState.blendGraph, blend);
    EXPECT_EQ(gDrawState.borderParameter, 100);
  }
  // A string whose refresh rectangle starts right of the clip area draws nothing in subtract mode.
  SetBlendState(kBlendSubtract, 200);
  ClearCalls();
  EXPECT_EQ(DrawTextWithFont(640, 10, "X", text, font, 0, 0), 0);
  EXPECT_TRUE(TexturedDraws().empty());
}

TEST_F(FontTextureTest, LostOrReplacedCacheTexturesEmptyTheGlyphCacheAndADeviceLossRebuildsTheFont) {
  StartHardware();
  const int font = Font(16, 1);
  const int white = PackColor(255, 255, 255);
  ASSERT_EQ(DrawTextWithFont(0, 0, "AB", white, font, 0, 0), 0);
  FontRecord* f = GetFontRecord(font);
  ASSERT_EQ(f->cursor, 2);

  // Surfaces lost and restored (window activation): the glyphs are gone, the cache starts again.
  platform::LoseAllSurfaces();
  RestoreLostTextureSets();
  ASSERT_EQ(DrawTextWithFont(0, 0, "C", white, font, 0, 0), 0);
  EXPECT_EQ(Cached(f, "C")->cellIndex, 0);
  EXPECT_EQ(Cached(f, "A"), nullptr);
  EXPECT_EQ(f->cursor, 1);

  // The cache graph released behind the font's back: made again at the next draw.
  const int oldGraph = f->cacheGraph;
  ReleaseGraph(f->edgeGraph, 0);
  ReleaseGraph(oldGraph, 0);
  EXPECT_EQ(f->cacheGraphLost, 1);
  ClearCalls();
  ASSERT_EQ(DrawTextWithFont(0, 0, "AB", white, font, 0, 0), 0);
  EXPECT_NE(f->cacheGraph, oldGraph);
  EXPECT_EQ(IsValidGraph(f->cacheGraph), 1);
  EXPECT_EQ(IsValidGraph(f->edgeGraph), 1);
  EXPECT_EQ(f->cursor, 2);
  EXPECT_FALSE(TexturedDraws().empty());

  // A device loss: the font is made again under the same handle, its cache empty, and draws.
  int deleted = 0;
  SetFontDeleteFlagTarget(font, &deleted);
  gpu::LoseDevice();
  RestoreScreenAfterDeviceLoss();
  f = GetFontRecord(font);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(f->textureCache, 1);
  EXPECT_EQ(f->cursor, 0);
  EXPECT_EQ(IsValidGraph(f->cacheGraph), 1);
  ClearCalls();
  ASSERT_EQ(DrawTextWithFont(0, 0, "AB", white, font, 0, 0), 0);
  EXPECT_EQ(f->cursor, 2);
  EXPECT_FALSE(TexturedDraws().empty());
}

// --- OpenGL against the software path ------------------------------------------------------------

using Frame = std::vector<uint32_t>;

class FontTextureOpenGLTest : public GraphicsTest {
 protected:
  void TearDown() override {
    GraphicsTest::TearDown();
    ForceHardwareRendering(0);
  }

  // One frame of text on a patterned background, on one path.
  Frame Draw(bool hardware, int mode) {
    ForceHardwareRendering(hardware ? 1 : 0);
    gScreenState = ScreenState{};
    StartGraphicsAt(32);
    EXPECT_EQ(IsSoftwareRendering(), hardware ? 0 : 1);
    const int background = MakeGraph(640, 480, false, [](int x, int y) {
      return 0xFF000000u | ((x / 8) * 37 % 256) << 16 | ((y / 6) * 53 % 256) << 8 | ((x + y) % 256);
    });
    PutGraph(0, 0, background, 0);
    SetBlendState(mode, 170);
    const int plain = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    const int edged = CreateFontToHandle(nullptr, 20, 6, 1, -1, 2, 0, -1, -1);
    EXPECT_EQ(GetFontRecord(plain)->textureCache, hardware ? 1 : 0);
    const char* text = "Text \x82\xa0\x8e\x9a";  // Text あ字
    DrawTextWithFont(20, 20, text, PackColor(255, 255, 160), plain, 0, 0);
    DrawTextWithFont(20, 60, text, PackColor(240, 60, 60), edged, PackColor(20, 20, 90), 0);
    DrawTextWithFont(400, 20, text, PackColor(160, 255, 255), plain, 0, 1);
    DrawTextWithFont(450, 20, text, PackColor(255, 255, 255), edged, PackColor(200, 0, 100), 1);
    // Clipped at the draw area's edges.
    SetClipArea(30, 100, 200, 112);
    DrawTextWithFont(20, 96, text, PackColor(255, 255, 255), edged, PackColor(0, 90, 0), 0);
    SetClipArea(0, 0, 640, 480);
    SetBlendState(0, 0);
    PresentFrame();
    Frame frame = WindowFrame();
    EndMediaLibrary();
    return frame;
  }
};

TEST_F(FontTextureOpenGLTest, TextFramesOnOpenGLMatchTheSoftwarePath) {
  ForceHardwareRendering(1);
  if (!gpu::HasDirect3D()) GTEST_SKIP() << "no OpenGL 3.3 context";
  for (const int mode : {kBlendNone, kBlendAlpha, kBlendAdd, kBlendSubtract, kBlendMultiply, kBlendInvertedSource,
                         kBlendMultiplyWeighted}) {
    const Frame hardware = Draw(true, mode);
    const Frame software = Draw(false, mode);
    EXPECT_EQ(CompareFrames(hardware, software, "font-gl-" + std::to_string(mode), 6, 0), 0) << "mode " << mode;
  }
}

}  // namespace
