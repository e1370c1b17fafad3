// The 3D path against the recording backend of the gpu facility: device
// choice, texture formats and pieces, the batch, the state cache and the
// vertices the draws produce.
#include <cmath>
#include <cstring>
#include <fstream>

#include "GraphicsFixture.h"
#include "media/graphics/Direct3D.h"
#include "media/system/LibrarySystem.h"
#include "platform/gpu/Gpu.h"
#include "support/ImageFileWriters.h"

namespace gpu = platform::gpu;

namespace {

class Direct3DRecordingTest : public RecordingGraphicsTest {
 protected:
  void StartHardware() {
    StartGraphicsAt(32);
    ASSERT_EQ(IsSoftwareRendering(), 0);
    ASSERT_EQ(IsHardware3DActive(), 1);
    gpu::ClearRecordedCalls();
  }

  static int Count(const char* prefix) {
    int n = 0;
    for (const gpu::RecordedCall& c : gpu::RecordedCalls())
      if (c.text.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  static std::vector<const gpu::RecordedCall*> Draws() {
    std::vector<const gpu::RecordedCall*> out;
    for (const gpu::RecordedCall& c : gpu::RecordedCalls())
      if (c.text.rfind("DrawPrimitive", 0) == 0 || c.text.rfind("DrawIndexedPrimitive", 0) == 0) out.push_back(&c);
    return out;
  }
  static ScreenVertex Vertex(const gpu::RecordedCall& c, int i) {
    ScreenVertex v;
    std::memcpy(&v, c.vertices.data() + static_cast<size_t>(i) * sizeof v, sizeof v);
    return v;
  }
  static void Flush() { FlushCurrentDevicePrimitives(); }

  int Graph(int width, int height, bool alpha = false) {
    return MakeGraph(width, height, alpha,
                     [](int x, int y) { return 0xFF000000u | (x * 3) << 16 | (y * 5) << 8 | 77; });
  }
  static DeviceStateCache& Cache() { return *CurrentDeviceCache(); }
  // The 32-bit pixel (x, y) of a texture piece's store.
  static uint32_t TexturePixel(int piece, int x, int y) {
    const SurfaceDataRecord* st = GetSurfaceDataRecord(GetTextureSetRecord(piece)->store);
    uint8_t* bits = nullptr;
    int pitch = 0;
    if (st == nullptr || platform::LockSurface(st->surface, nullptr, &bits, &pitch) != platform::kDdOk) return 0xDEAD;
    uint32_t pixel;
    std::memcpy(&pixel, bits + pitch * y + 4 * x, 4);
    platform::UnlockSurface(st->surface);
    return pixel;
  }
};

gpu::DeviceInfo Device(gpu::DeviceType type, const char* name) {
  gpu::DeviceInfo d;
  d.type = type;
  d.name = name;
  return d;
}

TEST_F(Direct3DRecordingTest, TheStartTakesTheFirstTnLHalDeviceElseTheLastHalAndNeverASoftwareOne) {
  struct Case {
    std::vector<gpu::DeviceInfo> devices;
    bool hardware;
    gpu::DeviceType chosen;
    uint32_t maxSize;
  };
  auto sized = [](gpu::DeviceInfo d, uint32_t max) {
    d.maxTextureWidth = d.maxTextureHeight = max;
    return d;
  };
  const Case cases[] = {
      {{sized(Device(gpu::DeviceType::Hal, "a"), 512), sized(Device(gpu::DeviceType::TnLHal, "b"), 1024),
        sized(Device(gpu::DeviceType::Hal, "c"), 256)},
       true,
       gpu::DeviceType::TnLHal,
       1024},
      {{sized(Device(gpu::DeviceType::Hal, "a"), 512), sized(Device(gpu::DeviceType::Hal, "c"), 256)},
       true,
       gpu::DeviceType::Hal,
       256},
      {{Device(gpu::DeviceType::Software, "llvmpipe")}, false, gpu::DeviceType::Hal, 0},
  };
  for (const Case& c : cases) {
    gpu::RecordingSetup setup = gpu::DefaultRecordingSetup();
    setup.devices = c.devices;
    gpu::SetRecordingSetup(setup);
    StartGraphicsAt(32);
    EXPECT_EQ(IsSoftwareRendering(), c.hardware ? 0 : 1);
    if (c.hardware) {
      EXPECT_EQ(gDirect3DState.description.type, c.chosen);
      EXPECT_EQ(gDirect3DState.maxTextureSize, static_cast<int>(c.maxSize));
    }
    const std::string log = ReadLog();
    EXPECT_EQ(log.find("\x8c\xbb\x8d\xdd\x82\xcc\x89\xe6\x96\xca") != std::string::npos, !c.hardware);
    EndMediaLibrary();
  }
}

TEST_F(Direct3DRecordingTest, TextureFormatSlotsFallBackAndLimitsDefault) {
  gpu::RecordingSetup setup = gpu::DefaultRecordingSetup();
  setup.devices[0].minTextureWidth = setup.devices[0].maxTextureWidth = 0;
  setup.textureFormats.pop_back();  // no 1-bit alpha format
  gpu::SetRecordingSetup(setup);
  StartHardware();
  EXPECT_EQ(gDirect3DState.minTextureSize, 32);
  EXPECT_EQ(gDirect3DState.maxTextureSize, 256);
  EXPECT_EQ(GetTexturePixelFormat(4)->alphaMask, 0xF000u);
  EXPECT_EQ(GetTexturePixelFormat(5)->alphaMask, 0xFF000000u);
  EXPECT_EQ(GetTexturePixelFormat(12)->bitCount, 32u);
  EXPECT_EQ(ChooseTextureFormat(1, 0, 1, 0)->alphaMask, 0xFF000000u);
  EndMediaLibrary();

  // Only 32-bit plain formats: no texture format, so the start falls back.
  setup = gpu::DefaultRecordingSetup();
  setup.textureFormats.erase(setup.textureFormats.begin());
  setup.textureFormats.erase(setup.textureFormats.begin() + 1, setup.textureFormats.end());
  gpu::SetRecordingSetup(setup);
  StartGraphicsAt(32);
  EXPECT_EQ(IsSoftwareRendering(), 1);
}

// A picture read as alpha (a transition mask) keeps every grey level on the
// 3D path: a 32-bit texture with an alpha channel and no alpha test, whatever
// colour depth new graphs are set to.
TEST_F(Direct3DRecordingTest, AGraphReadAsAlphaIsA32BitAlphaTextureAtEveryGraphDepth) {
  constexpr int kWidth = 8, kHeight = 2;
  std::vector<uint32_t> greys;
  for (int i = 0; i < kWidth * kHeight; ++i) greys.push_back(static_cast<uint32_t>(i * 17) * 0x010101u);
  std::ofstream("mask.bmp", std::ios::binary) << fixtures::BmpFile(fixtures::BmpOptions{}, kWidth, kHeight, greys);
  StartHardware();
  for (int bits : {16, 32, 0}) {
    SCOPED_TRACE(bits);
    SetNewGraphColorDepth(bits);
    const int graph = ReadImageFileToAlphaGraph("mask.bmp");
    ASSERT_GE(graph, 0);
    const GraphRecord* g = GetGraphRecord(graph);
    ASSERT_EQ(g->request.use3D, 1);
    EXPECT_EQ(g->request.colorDepth, 32);
    EXPECT_EQ(g->request.alphaChannel, 1);
    EXPECT_EQ(g->request.alphaTest, 0);
    EXPECT_EQ(g->request.drawValid, 0);
    const TextureSetRecord* piece = GetTextureSetRecord(g->storage[0]);
    ASSERT_NE(piece, nullptr);
    ASSERT_EQ(TextureFormatCode(GetSurfaceDataRecord(piece->store)->request), 3);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ(TexturePixel(g->storage[0], piece->u + x, piece->v + y) >> 24, greys[y * kWidth + x] & 0xFF)
            << x << "," << y;
  }
}

TEST_F(Direct3DRecordingTest, SplitLengthsFollowTheDeviceAndScreenAndNeverOverrun) {
  StartHardware();
  struct Case {
    int length, single;
    std::vector<int> lengths;
  };
  const Case cases[] = {{700, 0, {512, 128, 64}}, {3000, 0, {1024, 1024, 1024}},
                        {300, 0, {512}},          {640, 0, {512, 128}},
                        {640, 1, {1024}},         {32, 0, {32}}};
  for (const Case& c : cases) {
    int out[64];
    const int n = SplitTextureLength(c.length, out, 64, c.single);
    EXPECT_EQ(std::vector<int>(out, out + std::max(n, 0)), c.lengths) << c.length;
  }
  gDirect3DState.minTextureSize = 1;
  int out[5] = {0, 0, 0, 0, -7};
  EXPECT_EQ(SplitTextureLength(10, out, 4, 0), 1);
  EXPECT_EQ(out[0], 16);
  // Four lengths cannot hold 3000 in textures of up to 1024 and 64s: the split fails at capacity.
  EXPECT_EQ(SplitTextureLength(60000, out, 4, 0), -1);
  EXPECT_EQ(out[4], -7);

  const int graph = CreateGraphSized(700, 100, 1, 0, 0);
  GraphRecord* g = GetGraphRecord(graph);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->storageCount, 3);
  const int widths[3] = {512, 128, 64}, xs[3] = {0, 512, 640};
  for (int i = 0; i < 3; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    EXPECT_EQ(GetSurfaceDataRecord(p->store)->width, widths[i]);
    EXPECT_EQ(p->x, xs[i]);
  }
  EXPECT_EQ(CreateGraphSized(9000, 8000, 1, 0, 0), -1);
  EXPECT_NE(ReadLog().find(" 64 "), std::string::npos);
}

TEST_F(Direct3DRecordingTest, SquareOnlyDevicesGetSquarePiecesWithTheExtrasAfterTheOthers) {
  gpu::RecordingSetup setup = gpu::DefaultRecordingSetup();
  setup.devices[0].triangleTextureCaps = 0x20;
  gpu::SetRecordingSetup(setup);
  StartHardware();
  EXPECT_NE(ReadLog().find("D_D3DPTEXTURECAPS_SQUAREONLY = 1"), std::string::npos);
  auto colour = [](int x, int y) { return 0xFF000000u | (x & 0xFF) << 16 | (y * 2) << 8 | 77; };
  const int graph = MakeGraph(700, 100, false, colour);
  GraphRecord* g = GetGraphRecord(graph);
  ASSERT_NE(g, nullptr);
  // 512x128, 128x128 and 64x128 in a row become squares; the extra ones of
  // the first and third piece follow the others, in order along the longer side.
  struct Piece {
    int side, x, y, width, height;
  };
  const Piece expected[] = {{128, 0, 0, 128, 100},   {128, 512, 0, 128, 100}, {64, 640, 0, 60, 64},
                            {128, 128, 0, 128, 100}, {128, 256, 0, 128, 100}, {128, 384, 0, 128, 100},
                            {64, 640, 64, 60, 36}};
  ASSERT_EQ(g->storageCount, 7);
  for (int i = 0; i < 7; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    const SurfaceDataRecord* st = GetSurfaceDataRecord(p->store);
    const Piece& e = expected[i];
    EXPECT_EQ(st->width, e.side) << i;
    EXPECT_EQ(st->height, e.side) << i;
    EXPECT_EQ(p->x, e.x) << i;
    EXPECT_EQ(p->y, e.y) << i;
    EXPECT_EQ(p->width, e.width) << i;
    EXPECT_EQ(p->height, e.height) << i;
    // The graph's pixels landed in the square that holds them.
    EXPECT_EQ(TexturePixel(g->storage[i], e.width - 1, e.height - 1) & 0xFFFFFF,
              colour(e.x + e.width - 1, e.y + e.height - 1) & 0xFFFFFF)
        << i;
  }
  PutGraph(0, 0, graph, 1);
  Flush();
  EXPECT_EQ(Draws().size(), 7u);

  // 3000 wide: three 1024x32 textures give 32 + 32 + 30 squares (those wholly
  // past the right edge are left out), more than the 64 a graph may have.
  EXPECT_EQ(CreateGraphSized(3000, 20, 1, 0, 0), -1);
  EXPECT_NE(ReadLog().find(" 64 "), std::string::npos);
  // 2000 wide: two 1024x32 textures give 32 + 31, within the limit.
  const int wide = CreateGraphSized(2000, 20, 1, 0, 0);
  ASSERT_NE(wide, -1);
  EXPECT_EQ(GetGraphRecord(wide)->storageCount, 63);
}

TEST_F(Direct3DRecordingTest, TheStartTakesTheFirstPlain16BitZFormatOrGoesOnWithout) {
  const platform::PixelFormat z24{32, platform::kPixelFormatZBuffer, 0, 24, 0xFFFFFF, 0, 0, 0};
  const platform::PixelFormat z16Stencil{32, platform::kPixelFormatZBuffer | 0x4000, 0, 16, 0xFFFF, 0, 0, 0};
  const platform::PixelFormat z16{32, platform::kPixelFormatZBuffer, 0, 16, 0xFFFF, 0, 0, 0};
  struct Case {
    std::vector<platform::PixelFormat> formats;
    uint32_t chosenBits;
  };
  const Case cases[] = {{{z24, z16Stencil, z16}, 16}, {{z24, z16Stencil}, 0}, {{}, 0}};
  for (const Case& c : cases) {
    gpu::RecordingSetup setup = gpu::DefaultRecordingSetup();
    setup.zBufferFormats = c.formats;
    gpu::SetRecordingSetup(setup);
    StartHardware();
    EXPECT_EQ(GetZBufferPixelFormat()->bitCount, c.chosenBits);
    EXPECT_EQ(GetZBufferPixelFormat()->flags, c.chosenBits != 0 ? platform::kPixelFormatZBuffer : 0u);
    // 使用可能なＺバッファが見つかりませんでした
    EXPECT_EQ(ReadLog().find("\x8eg\x97p\x89\xc2\x94\\\x82\xc8\x82y\x83o\x83") != std::string::npos, c.chosenBits == 0);
    EndMediaLibrary();
  }
}

TEST_F(Direct3DRecordingTest, DepthBuffersArePairedWithTheirSurfacesClearedAndMadeAgainAfterADeviceLoss) {
  StartGraphicsAt(32);
  const ScreenState& ss = gScreenState;
  ASSERT_NE(ss.zBuffer, 0);
  EXPECT_EQ(Count(("AttachDepthSurface " + std::to_string(ss.back) + " " + std::to_string(ss.zBuffer)).c_str()), 1);
  gpu::ClearRecordedCalls();

  const int plain = CreateGraphSized(64, 64, 1, 0, 0);
  gDrawState.newGraphDrawValid = 1;
  const int target = CreateGraphSized(64, 64, 1, 0, 0);
  gDrawState.newGraphDrawValid = 0;
  const int plainStore = GetTextureSetRecord(GetGraphRecord(plain)->storage[0])->store;
  const int store = GetTextureSetRecord(GetGraphRecord(target)->storage[0])->store;
  EXPECT_EQ(SetSurfaceDataDepthBuffer(plainStore, 1), -1);  // only draw targets take one
  ASSERT_EQ(SetSurfaceDataDepthBuffer(store, 1), 0);
  const SurfaceDataRecord* st = GetSurfaceDataRecord(store);
  ASSERT_NE(st->depthSurface, 0);
  int width = 0, height = 0;
  platform::PixelFormat format{};
  platform::GetSurfaceFormat(st->depthSurface, &width, &height, &format);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(format.flags, platform::kPixelFormatZBuffer);
  EXPECT_EQ(format.bitCount, 16u);
  const std::string pair = " " + std::to_string(st->surface) + " " + std::to_string(st->depthSurface);
  EXPECT_EQ(Count(("AttachDepthSurface" + pair).c_str()), 1);
  EXPECT_EQ(SetSurfaceDataDepthBuffer(store, 1), 0);  // unchanged: nothing made
  EXPECT_EQ(Count("AttachDepthSurface"), 1);

  // Clearing the graph as draw target fills its depth with the far value.
  auto depthAt = [&](int x, int y) {
    uint8_t* bits = nullptr;
    int pitch = 0;
    if (platform::LockSurface(st->depthSurface, nullptr, &bits, &pitch) != platform::kDdOk) return -1;
    uint16_t z;
    std::memcpy(&z, bits + pitch * y + 2 * x, 2);
    platform::UnlockSurface(st->depthSurface);
    return static_cast<int>(z);
  };
  platform::FillSurface(st->depthSurface, nullptr, 0);
  ASSERT_EQ(depthAt(63, 63), 0);
  SelectDrawTarget(target);
  ClearDrawTarget();
  EXPECT_EQ(depthAt(63, 63), 0xFFFF);
  SelectDrawTarget(-2);

  // A lost device takes the texture and its depth surface; both come back paired.
  gpu::LoseDevice();
  gpu::ClearRecordedCalls();
  RestoreScreenAfterDeviceLoss();
  st = GetSurfaceDataRecord(store);
  ASSERT_NE(st->depthSurface, 0);
  EXPECT_EQ(
      Count(("AttachDepthSurface " + std::to_string(st->surface) + " " + std::to_string(st->depthSurface)).c_str()), 1);

  gpu::ClearRecordedCalls();
  const platform::SurfaceHandle depth = st->depthSurface;
  EXPECT_EQ(SetSurfaceDataDepthBuffer(store, 0), 0);
  EXPECT_EQ(st->depthSurface, 0);
  EXPECT_EQ(Count(("DetachDepthSurface " + std::to_string(st->surface) + " " + std::to_string(depth)).c_str()), 1);
  EXPECT_EQ(st->depthRequest, 0);
}

TEST_F(Direct3DRecordingTest, ClearingTheBackScreenClearsItsViewportAndPairedZBufferThroughTheDevice) {
  StartHardware();
  gLibrarySystem.backgroundRed = 0x12;
  gLibrarySystem.backgroundGreen = 0x34;
  gLibrarySystem.backgroundBlue = 0x56;
  const ScreenState& ss = gScreenState;
  platform::FillSurface(ss.back, nullptr, 0);
  platform::FillSurface(ss.zBuffer, nullptr, 0);
  SetClipArea(10, 20, 110, 220);
  PutBox(10, 20, 15, 25, PackColor(255, 0, 0), 1);  // opens a scene with a pending box
  gpu::ClearRecordedCalls();
  ClearDrawTarget();
  std::vector<std::string> calls;
  for (const gpu::RecordedCall& c : gpu::RecordedCalls()) calls.push_back(c.text);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"DrawPrimitive 4 0x44 6", "EndScene", "Clear 3 0x00123456 1 0", "BeginScene"}));
  auto at = [](platform::SurfaceHandle surface, int x, int y) {
    uint8_t* bits = nullptr;
    int pitch = 0, width = 0, height = 0;
    platform::PixelFormat format{};
    platform::GetSurfaceFormat(surface, &width, &height, &format);
    if (platform::LockSurface(surface, nullptr, &bits, &pitch) != platform::kDdOk) return 0xDEADu;
    uint32_t value = 0;
    std::memcpy(&value, bits + pitch * y + static_cast<int>(format.bitCount / 8) * x, format.bitCount / 8);
    platform::UnlockSurface(surface);
    return value;
  };
  // The viewport is the draw area: inside it both are cleared, outside untouched.
  EXPECT_EQ(at(ss.back, 10, 20) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(at(ss.back, 109, 219) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(at(ss.back, 110, 20) & 0xFFFFFF, 0u);
  EXPECT_EQ(at(ss.zBuffer, 10, 20), 0xFFFFu);
  EXPECT_EQ(at(ss.zBuffer, 9, 20), 0u);
}

TEST_F(Direct3DRecordingTest, FogFollowsTheDrawStateOnlyForDrawsThatAskAndSurvivesADeviceLoss) {
  StartHardware();
  const int graph = Graph(16, 16);
  const TextureSetRecord* piece = GetTextureSetRecord(GetGraphRecord(graph)->storage[0]);
  auto texts = [] {
    std::vector<std::string> out;
    for (const gpu::RecordedCall& c : gpu::RecordedCalls())
      if (c.text.rfind("SetRenderState 28 ", 0) == 0 || c.text.rfind("DrawPrimitive", 0) == 0) out.push_back(c.text);
    return out;
  };
  struct Step {
    int flags, fogSwitch;
    std::vector<std::string> sent;
  };
  // Vertices are pending at every step: a change draws them before it is sent.
  const Step steps[] = {
      {1 | 128, 1, {"DrawPrimitive 4 0x144 6", "SetRenderState 28 1"}},
      {1 | 128, 1, {}},                                                  // unchanged: nothing sent
      {1 | 128, 0, {"DrawPrimitive 4 0x144 6", "SetRenderState 28 0"}},  // the switch turns it off too
      {1 | 128, 1, {"DrawPrimitive 4 0x144 6", "SetRenderState 28 1"}},
      {1, 1, {"DrawPrimitive 4 0x144 6", "SetRenderState 28 0"}},  // a draw without fog
  };
  PutGraph(0, 0, graph, 1);
  Flush();
  for (const Step& step : steps) {
    ReserveBatchVertices(gDirect3DState.currentDevice, 6, gpu::kTriangleList);
    gpu::ClearRecordedCalls();
    gDrawState.fogEnable = step.fogSwitch;
    PrepareDeviceForDraw(piece, step.flags);
    EXPECT_EQ(texts(), step.sent) << step.flags << " " << step.fogSwitch;
    Flush();
  }
  PrepareDeviceForDraw(piece, 1 | 128);
  EXPECT_EQ(Cache().fog, 1);
  gpu::LoseDevice();
  EXPECT_EQ(SetDeviceFogEnable(gDirect3DState.currentDevice, 0), -1);  // the device refused it
  EXPECT_EQ(Cache().fog, 1);
  gpu::ClearRecordedCalls();
  RestoreScreenAfterDeviceLoss();
  EXPECT_EQ(Count("SetRenderState 28 1"), 1);  // the new device gets the cached value
  gDrawState.fogEnable = 0;
}

TEST_F(Direct3DRecordingTest, TwoIdenticalDrawsBecomeOneDrawPrimitiveAndSendNoStateTheSecondTime) {
  StartHardware();
  const int graph = Graph(64, 64);
  PutGraph(10, 10, graph, 1);
  const size_t afterFirst = gpu::RecordedCalls().size();
  PutGraph(100, 20, graph, 1);
  EXPECT_EQ(gpu::RecordedCalls().size(), afterFirst);
  Flush();
  const auto draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0]->text, "DrawPrimitive 4 0x144 12");
  EXPECT_FLOAT_EQ(Vertex(*draws[0], 6).x, 99.5f);
  EXPECT_EQ(Vertex(*draws[0], 0).diffuse, 0xFFFFFFFFu);

  // A box in between switches to untextured vertices and back.
  gpu::ClearRecordedCalls();
  PutGraph(10, 10, graph, 1);
  PutBox(0, 0, 5, 5, PackColor(255, 0, 0), 1);
  PutGraph(20, 10, graph, 1);
  Flush();
  const auto mixed = Draws();
  ASSERT_EQ(mixed.size(), 3u);
  EXPECT_EQ(mixed[1]->text, "DrawPrimitive 4 0x44 6");
  EXPECT_EQ(mixed[1]->vertices[16 + 2], 0xFF);  // red of the box colour
}

TEST_F(Direct3DRecordingTest, AFullBatchIsDrawnBeforeMoreVerticesAreAdded) {
  StartHardware();
  const int graph = Graph(8, 8);
  for (int i = 0; i < 400; ++i) PutGraph(i % 600, 0, graph, 1);
  Flush();
  const auto draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->vertexCount, 389 * 6);
  EXPECT_EQ(draws[1]->vertexCount, 11 * 6);
}

TEST_F(Direct3DRecordingTest, BlendModesSetTheirFactorsAndStagesAndModesOutsideTheTableDrawNothing) {
  StartHardware();
  const int graph = Graph(16, 16);
  struct Case {
    int mode;
    int src, dest, blend;
    int colorArg1, stage1ColorOp;
    bool draws;
  };
  const int complement = gpu::kTaTexture | gpu::kTaComplement;
  const Case cases[] = {
      {1, 5, 6, 1, gpu::kTaTexture, gpu::kTopDisable, true},
      {2, 5, 2, 1, gpu::kTaTexture, gpu::kTopDisable, true},
      {4, 1, 3, 1, gpu::kTaTexture, gpu::kTopDisable, true},
      {8, 1, 2, 1, gpu::kTaTexture, gpu::kTopDisable, true},
      {10, 5, 6, 1, complement, gpu::kTopDisable, true},
      {11, 1, 3, 1, gpu::kTaTexture, gpu::kTopBlendCurrentAlpha, true},
      {6, 5, 6, 1, gpu::kTaTexture, gpu::kTopDisable, true},
      {12, 5, 6, 1, gpu::kTaTexture, gpu::kTopDisable, false},
      {-1, 5, 6, 1, gpu::kTaTexture, gpu::kTopDisable, false},
  };
  for (const Case& c : cases) {
    SetBlendState(c.mode, 128);
    gpu::ClearRecordedCalls();
    PutGraph(0, 0, graph, 1);
    Flush();
    const DeviceStateCache& s = Cache();
    EXPECT_EQ(s.srcBlend, c.src) << c.mode;
    EXPECT_EQ(s.destBlend, c.dest) << c.mode;
    EXPECT_EQ(s.alphaBlendEnable, c.blend) << c.mode;
    EXPECT_EQ(s.stages[0].colorArg1, c.colorArg1) << c.mode;
    EXPECT_EQ(s.stages[1].colorOp, c.stage1ColorOp) << c.mode;
    EXPECT_EQ(Draws().size(), c.draws ? 1u : 0u) << c.mode;
    EXPECT_EQ(gDrawState.blendMode, c.mode);
  }
}

TEST_F(Direct3DRecordingTest, SubtractOnTextureGraphsIsInvertAddInvert) {
  StartHardware();
  const int graph = Graph(16, 16);
  SetBlendState(kBlendSubtract, 100);
  PutGraph(5, 5, graph, 1);
  Flush();
  const auto draws = Draws();
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0]->text, "DrawPrimitive 4 0x44 6");
  EXPECT_EQ(draws[1]->text, "DrawPrimitive 4 0x144 6");
  EXPECT_EQ(draws[2]->text, "DrawPrimitive 4 0x44 6");
  EXPECT_EQ(Vertex(*draws[1], 0).diffuse >> 24, 100u);
  EXPECT_EQ(gDrawState.blendMode, kBlendSubtract);
  EXPECT_EQ(gDrawState.blendParameter, 100);
}

TEST_F(Direct3DRecordingTest, BorderParameterAndRangeGiveTheAlphaArithmeticOfBlendGraphDraws) {
  StartHardware();
  const int graph = Graph(32, 32), blend = Graph(32, 32);
  struct Case {
    int border, range;
    uint32_t factor;
    bool draws;
  };
  const Case cases[] = {
      {0, 255, 0xFFFFFFFFu, true},
      {100, 0, 0x00FFFFFF, true},
      {128, 64, 97u << 24 | 0xFFFFFF, true},
      {255, 0, 0x00FFFFFF, false},
  };
  for (const Case& c : cases) {
    gpu::ClearRecordedCalls();
    DrawBlendGraph(0, 0, graph, 1, blend, c.border, c.range);
    Flush();
    bool factorSent = false;
    for (const gpu::RecordedCall& call : gpu::RecordedCalls())
      if (call.text == "SetRenderState 60 " + std::to_string(c.factor)) factorSent = true;
    EXPECT_TRUE(factorSent || c.factor == 0xFFFFFFFFu) << c.border << "," << c.range;
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), c.draws ? 1u : 0u) << c.border;
    if (c.draws) {
      EXPECT_EQ(draws[0]->fvf, gpu::kFvfTwoTextures);
    }
  }
  // The last set-up stays in the cache until the next draw recomputes it.
  SelectBlendGraph(blend, 128, 64);
  PutGraph(0, 0, graph, 1);
  EXPECT_EQ(Cache().stages[0].alphaOp, gpu::kTopSubtract);
  EXPECT_EQ(Cache().stages[1].alphaOp, gpu::kTopModulate4x);
  EXPECT_EQ(Cache().textureFactor, 97u << 24 | 0xFFFFFF);
  SelectBlendGraph(blend, 100, 0);
  PutGraph(0, 0, graph, 1);
  EXPECT_EQ(Cache().alphaTestEnable, 1);
  EXPECT_EQ(Cache().alphaRef, 100);
  EXPECT_EQ(Cache().alphaFunc, gpu::kCmpGreaterEqual);
}

TEST_F(Direct3DRecordingTest, ClippedDrawsMoveTheirTextureCoordinatesWithTheHalfPixelShift) {
  StartHardware();
  const int graph = Graph(640, 480);
  PutGraph(0, 0, graph, 1);
  Flush();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_FLOAT_EQ(Vertex(*draws[0], 0).x, -0.5f);
  EXPECT_FLOAT_EQ(Vertex(*draws[0], 0).u, 0.0f);

  gpu::ClearRecordedCalls();
  PutGraph(-10, 0, graph, 1);
  Flush();
  draws = Draws();
  ASSERT_EQ(draws.size(), 2u);  // one per texture piece
  const ScreenVertex v = Vertex(*draws[0], 0);
  EXPECT_FLOAT_EQ(v.x, 0.0f);
  EXPECT_FLOAT_EQ(v.u, 10.5f / 512);
  EXPECT_FLOAT_EQ(v.y, 0.0f);  // the top edge is clamped too

  gpu::ClearRecordedCalls();
  EXPECT_EQ(PutGraphStretched(5, 5, 5, 50, graph, 1), -1);
  EXPECT_EQ(PutGraphStretched(100, 0, 36, 48, graph, 1), 0);
  Flush();
  draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_GT(Vertex(*draws[0], 0).x, Vertex(*draws[0], 1).x);  // mirrored
}

TEST_F(Direct3DRecordingTest, RotatedOddGraphsAtRightAnglesAreMovedHalfAPixel) {
  StartHardware();
  const int graph = Graph(31, 31);
  struct Case {
    double angle;
    float x0, y0;
  };
  const Case cases[] = {{3.14159265358979 / 2, 115.0f, 84.0f}, {3.14159265358979 / 4, 100.0f, 78.0797f}};
  for (const Case& c : cases) {
    gpu::ClearRecordedCalls();
    PutGraphRotated(100, 100, 1.0, c.angle, graph, 1, 0);
    Flush();
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NEAR(Vertex(*draws[0], 0).x, c.x0, 1e-3) << c.angle;
    EXPECT_NEAR(Vertex(*draws[0], 0).y, c.y0, 1e-3) << c.angle;
  }
  EXPECT_EQ(PutGraphRotated(100, 100, 0.0, 1.0, graph, 1, 0), -1);
}

TEST_F(Direct3DRecordingTest, FourCornersGiveTwoTrianglesForAParallelogramAndAGridForATrapezoid) {
  StartHardware();
  const int graph = Graph(64, 64);
  PutGraphFourCorners(10, 10, 74, 20, 84, 84, 20, 74, graph, 1);
  Flush();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0]->text, "DrawPrimitive 4 0x144 6");

  gpu::ClearRecordedCalls();
  PutGraphFourCorners(20, 10, 60, 10, 100, 80, 0, 80, graph, 1);
  draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0]->vertexCount, 64);
  // Seven strips of 16 indices joined by two repeated indices each.
  EXPECT_EQ(draws[0]->indices.size(), 7u * 16 + 6 * 2);
  EXPECT_EQ(draws[0]->indices[0], 8);
  EXPECT_EQ(draws[0]->indices[1], 0);
  const ScreenVertex last = Vertex(*draws[0], 63);
  EXPECT_FLOAT_EQ(last.x, 100.0f);
  EXPECT_FLOAT_EQ(last.u, 1.0f);
}

TEST_F(Direct3DRecordingTest, TheCaptureSearchRemembersItsVariantPerKindAndSearchesAgainOnFailure) {
  StartHardware();
  gDrawState.newGraphTransColorFlag = 0;
  const int plain = CreateGraphSized(32, 32, 1, 0, 0);
  gDrawState.newGraphTransColorFlag = 1;
  const int alpha = CreateGraphSized(32, 32, 1, 1, 0);
  ASSERT_GE(plain, 0);
  platform::SurfaceRect r{0, 0, 32, 32};
  platform::FillSurface(gScreenState.back, &r, 0x00336699);
  SelectDrawTarget(-2);
  EXPECT_EQ(CaptureScreenToGraph(0, 0, 32, 32, plain, 0), 0);
  EXPECT_EQ(gDirect3DState.captureChoice[0], 0);
  EXPECT_EQ(gDirect3DState.captureChoice[1], -1);
  EXPECT_EQ(TexturePixel(GetGraphRecord(plain)->storage[0], 7, 5) & 0xFFFFFF, 0x336699u);

  // The front screen in window mode with flag 0 is refused by the work-surface copy.
  SelectDrawTarget(-4);
  EXPECT_EQ(CaptureScreenToGraph(0, 0, 32, 32, plain, 0), 0);
  EXPECT_EQ(gDirect3DState.captureChoice[0], 1);
  EXPECT_EQ(CaptureScreenToGraph(0, 0, 32, 32, alpha, 1), 0);
  EXPECT_EQ(gDirect3DState.captureChoice[1], 0);
  // A rectangle larger than the graph is refused by every variant.
  EXPECT_EQ(CaptureScreenToGraph(0, 0, 33, 32, plain, 1), -1);
  EXPECT_EQ(gDirect3DState.captureChoice[0], -1);
  EXPECT_EQ(CaptureScreenToGraph(4, 0, 4, 32, plain, 1), -1);
}

TEST_F(Direct3DRecordingTest, MovieFramesGoIntoEveryPieceWithTheirAlphaFromTheLowerHalf) {
  StartHardware();
  const int graph = CreateGraphSized(700, 20, 1, 1, 0);
  GraphRecord* g = GetGraphRecord(graph);
  ASSERT_EQ(g->storageCount, 3);
  GraphImage frame{};
  AllocXRGB8GraphImage(700, 40, &frame);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 700; ++x) {
      if (y < 20) {
        WriteGraphImagePixel(&frame, x, y, x & 0xFF, y, 9, 255);
      } else {
        WriteGraphImagePixel(&frame, x, y, 200, 200, 200, 255);
      }
    }
  ASSERT_EQ(TransferFrameImageToTextureSets(&frame, 1, g), 0);
  FreeGraphImage(&frame);
  // Piece 2 starts at x 640 of the frame.
  EXPECT_EQ(TexturePixel(g->storage[2], 3, 7), 200u << 24 | ((640 + 3) & 0xFF) << 16 | 7u << 8 | 9u);
}

TEST_F(Direct3DRecordingTest, AfterADeviceLossTexturesAndDeviceAreMadeAgainAndTheGraphsRefilled) {
  StartHardware();
  gRefill = Refill{};
  AllocXRGB8GraphImage(40, 30, &gRefill.image);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) WriteGraphImagePixel(&gRefill.image, x, y, x * 6, y * 8, 50, 255);
  gRefill.graph = CreateGraphFromImageDefault(&gRefill.image);
  SetGraphRestoreCallback(RefillGraphs);
  const int piece = GetGraphRecord(gRefill.graph)->storage[0];
  const int store = GetTextureSetRecord(piece)->store;

  gpu::LoseDevice();
  EXPECT_NE(gpu::SetRenderState(Cache().device, gpu::kRsLighting, 0), platform::kDdOk);
  gpu::ClearRecordedCalls();
  RestoreScreenAfterDeviceLoss();
  EXPECT_EQ(Count("CreateDevice"), 1);
  EXPECT_EQ(gRefill.calls, 1);
  const SurfaceDataRecord* st = GetSurfaceDataRecord(store);
  ASSERT_NE(st, nullptr);
  ASSERT_NE(st->surface, 0);
  EXPECT_EQ(TexturePixel(piece, 39, 29) & 0xFFFFFF, static_cast<uint32_t>(39 * 6) << 16 | (29 * 8) << 8 | 50);
  // Drawing works on the new device.
  gpu::ClearRecordedCalls();
  PutGraph(0, 0, gRefill.graph, 1);
  Flush();
  EXPECT_EQ(Draws().size(), 1u);
  FreeGraphImage(&gRefill.image);
}

}  // namespace
