#include <gtest/gtest.h>

#include <cstring>

#include "platform/surfaces/Surfaces.h"
#include "platform/time/Time.h"

namespace platform {
namespace {

class SurfacesTest : public testing::Test {
 protected:
  void SetUp() override {
    SetVirtualClock(1000);
    dd_ = CreateDirectDraw();
    ASSERT_NE(dd_, 0);
  }
  void TearDown() override {
    for (SurfaceHandle s : made_) ReleaseSurface(s);
    ReleaseDirectDraw(dd_);
    ClearRefusedDisplayModes();
  }
  SurfaceHandle Make(int width, int height, uint32_t caps = kCapsOffscreenPlain, int backBuffers = 0) {
    SurfaceDescription d;
    d.width = width;
    d.height = height;
    d.caps = caps;
    d.backBufferCount = backBuffers;
    SurfaceHandle s = 0;
    EXPECT_EQ(CreateSurface(dd_, d, &s), kDdOk);
    made_.push_back(s);
    return s;
  }
  static uint32_t At(SurfaceHandle s, int x, int y) {
    uint8_t* bits = nullptr;
    int pitch = 0;
    const SurfaceRect r{x, y, x + 1, y + 1};
    if (LockSurface(s, &r, &bits, &pitch) != kDdOk) return 0xBAD;
    uint32_t v;
    std::memcpy(&v, bits, 4);
    UnlockSurface(s);
    return v;
  }
  DirectDrawHandle dd_ = 0;
  std::vector<SurfaceHandle> made_;
};

TEST_F(SurfacesTest, TheBlankAndScanLineComeFromOneVirtualClock) {
  const uint64_t start = VerticalBlankClock();
  int line = 0, previous = -1, wraps = 0, blanks = 0;
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(GetScanLine(dd_, &line), kDdOk);
    ASSERT_GE(line, 0);
    ASSERT_LT(line, 480);
    if (line < previous) ++wraps;
    previous = line;
    int in = 0;
    GetVerticalBlankStatus(dd_, &in);
    blanks += in;
  }
  // 800 queries of 100 microseconds: 80 ms, about five frames.
  EXPECT_EQ(VerticalBlankClock() - start, 80000u);
  EXPECT_GE(wraps, 4);
  EXPECT_LE(wraps, 5);
  EXPECT_GT(blanks, 0);
  EXPECT_EQ(WaitForVerticalBlank(dd_), kDdOk);
  EXPECT_EQ(VerticalBlankClock() % 16667, 0u);
  int in = 0;
  GetVerticalBlankStatus(dd_, &in);
  EXPECT_EQ(in, 1);
}

TEST_F(SurfacesTest, NoThreeDimensionalDeviceNoOverlayNoFourCC) {
  EXPECT_EQ(QueryDirect3D(dd_), kDdErrNoInterface);
  SurfaceDescription overlay;
  overlay.width = overlay.height = 16;
  overlay.caps = kCapsOverlay | kCapsVideoMemory;
  SurfaceHandle s = 0;
  EXPECT_EQ(CreateSurface(dd_, overlay, &s), kDdErrUnsupported);
  SurfaceDescription fourCC;
  fourCC.width = fourCC.height = 16;
  fourCC.caps = kCapsOffscreenPlain;
  fourCC.hasPixelFormat = true;
  fourCC.pixelFormat = PixelFormat{32, kPixelFormatFourCC, 0x32595559u, 0, 0, 0, 0, 0};
  EXPECT_EQ(CreateSurface(dd_, fourCC, &s), kDdErrUnsupported);
  const SurfaceHandle plain = Make(8, 8, kCapsOffscreenPlain | kCapsVideoMemory);
  EXPECT_EQ(GetSurfaceCaps(plain) & (kCapsSystemMemory | kCapsVideoMemory), kCapsSystemMemory);
}

TEST_F(SurfacesTest, DisplayModesCanBeRefused) {
  EXPECT_EQ(SetDisplayMode(dd_, 640, 480, 16, 60), kDdOk);
  int w = 0, h = 0;
  PixelFormat f{};
  GetDisplayMode(dd_, &w, &h, &f);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(f.bitCount, 16u);
  EXPECT_EQ(f.redMask, 0xF800u);
  RefuseDisplayMode(800, 600, 32);
  EXPECT_EQ(SetDisplayMode(dd_, 800, 600, 32, 0), kDdErrUnsupportedMode);
  EXPECT_EQ(SetDisplayMode(dd_, 640, 480, 24, 0), kDdErrUnsupportedMode);
  GetDisplayMode(dd_, &w, nullptr, nullptr);
  EXPECT_EQ(w, 640);
}

TEST_F(SurfacesTest, LockFillBlitsWithAndWithoutKeyAndFlip) {
  SetDisplayMode(dd_, 640, 480, 32, 0);
  const SurfaceHandle a = Make(16, 8), b = Make(16, 8);
  const SurfaceRect left{0, 0, 8, 8};
  EXPECT_EQ(FillSurface(a, nullptr, 0x00FF00), kDdOk);
  EXPECT_EQ(FillSurface(a, &left, 0x0000FF), kDdOk);
  uint8_t* bits = nullptr;
  int pitch = 0;
  const SurfaceRect corner{3, 2, 5, 4};
  ASSERT_EQ(LockSurface(a, &corner, &bits, &pitch), kDdOk);
  EXPECT_EQ(pitch, 64);
  uint32_t v;
  std::memcpy(&v, bits, 4);
  EXPECT_EQ(v, 0x0000FFu);
  UnlockSurface(a);
  // A keyed copy skips the key's pixels.
  FillSurface(b, nullptr, 0x123456);
  SetSurfaceColorKey(a, 0x0000FF, 0x0000FF);
  EXPECT_EQ(BltFastSurface(b, 0, 0, a, nullptr, true), kDdOk);
  EXPECT_EQ(At(b, 2, 2), 0x123456u);
  EXPECT_EQ(At(b, 10, 2), 0x00FF00u);
  EXPECT_EQ(BltFastSurface(b, 0, 0, a, nullptr, false), kDdOk);
  EXPECT_EQ(At(b, 2, 2), 0x0000FFu);
  // Stretching takes the nearest source pixel.
  const SurfaceHandle big = Make(32, 16);
  EXPECT_EQ(BltSurface(big, nullptr, a, nullptr, false), kDdOk);
  EXPECT_EQ(At(big, 15, 5), 0x0000FFu);
  EXPECT_EQ(At(big, 16, 5), 0x00FF00u);
  // A flip chain swaps its two buffers.
  const SurfaceHandle primary = Make(0, 0, kCapsPrimary | kCapsFlip | kCapsComplex, 1);
  const SurfaceHandle back = GetAttachedBackBuffer(primary);
  ASSERT_NE(back, 0);
  FillSurface(back, nullptr, 0xABCDEF);
  EXPECT_EQ(FlipSurface(primary), kDdOk);
  EXPECT_EQ(At(primary, 100, 100), 0xABCDEFu);
  EXPECT_EQ(At(back, 100, 100), 0u);
  EXPECT_EQ(CopySurfaceThroughDc(b, 4, 4, 2, 2, primary, 0, 0), kDdOk);
  EXPECT_EQ(At(b, 5, 5), 0xABCDEFu);
}

// New pixels are zero, small or screen-sized, even where a painted surface
// was just released; a copy onto itself still reads a snapshot.
TEST_F(SurfacesTest, NewSurfacesAreBlackAndASelfCopyReadsASnapshot) {
  SetDisplayMode(dd_, 640, 480, 32, 0);
  const struct { int width, height; } sizes[] = {{16, 8}, {1024, 768}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.width);
    const SurfaceHandle painted = Make(size.width, size.height);
    FillSurface(painted, nullptr, 0x5A5A5A);
    ReleaseSurface(painted);
    made_.pop_back();
    const SurfaceHandle s = Make(size.width, size.height);
    uint8_t* bits = nullptr;
    int pitch = 0;
    ASSERT_EQ(LockSurface(s, nullptr, &bits, &pitch), kDdOk);
    bool black = true;
    for (int y = 0; y < size.height; ++y)
      for (int x = 0; x < pitch; ++x) black = black && bits[static_cast<size_t>(y) * pitch + x] == 0;
    UnlockSurface(s);
    EXPECT_TRUE(black);
    // Read in place, the copy would spread the green over all of 4..11.
    const SurfaceRect green{0, 0, 4, 8}, from{0, 0, 8, 8}, to{4, 0, 12, 8};
    FillSurface(s, &green, 0x00FF00);
    EXPECT_EQ(BltSurface(s, &to, s, &from, false), kDdOk);
    EXPECT_EQ(At(s, 7, 7), 0x00FF00u);
    EXPECT_EQ(At(s, 8, 7), 0u);
  }
}

TEST_F(SurfacesTest, LostSurfacesRefuseUntilRestored) {
  const SurfaceHandle s = Make(4, 4);
  LoseAllSurfaces();
  EXPECT_EQ(IsSurfaceLost(s), kDdErrSurfaceLost);
  uint8_t* bits = nullptr;
  int pitch = 0;
  EXPECT_EQ(LockSurface(s, nullptr, &bits, &pitch), kDdErrSurfaceLost);
  EXPECT_EQ(FillSurface(s, nullptr, 1), kDdErrSurfaceLost);
  EXPECT_EQ(RestoreSurface(s), kDdOk);
  EXPECT_EQ(IsSurfaceLost(s), kDdOk);
  EXPECT_EQ(LockSurface(s, nullptr, &bits, &pitch), kDdOk);
  UnlockSurface(s);
}

TEST(SurfacesObject, ARefusedObjectIsNotMade) {
  SetDirectDrawRefused(true);
  EXPECT_EQ(CreateDirectDraw(), 0);
  SetDirectDrawRefused(false);
}

}  // namespace
}  // namespace platform
