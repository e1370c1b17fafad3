#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/display/WindowImage.h"
#include "platform/window/Window.h"

namespace platform {
namespace {

LResult Procedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProc(window, message, wParam, lParam);
}

class WindowImageTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetHeadlessWindowing();
    ASSERT_EQ(RegisterWindowClass("ImageClass", Procedure, 0), 0);
    window_ = CreateMainWindow("ImageClass", "Image", kWsPopup, 0, 0, 0, 8, 4);
    ASSERT_NE(window_, 0);
  }
  void TearDown() override {
    DestroyWindow(window_);
    UnregisterWindowClass("ImageClass");
    ResetHeadlessWindowing();
  }
  static BitmapInfo TopDown(int width, int height, int bits, uint32_t r, uint32_t g, uint32_t b) {
    BitmapInfo info{};
    info.header.size = 40;
    info.header.width = width;
    info.header.height = -height;
    info.header.bitCount = static_cast<uint16_t>(bits);
    info.header.compression = kBitmapBitFields;
    info.colors[0] = r;
    info.colors[1] = g;
    info.colors[2] = b;
    return info;
  }
  uint32_t Pixel(int x, int y) const {
    DibDescription d{};
    if (DescribeWindowImage(window_, &d) == 0) return 0xBAD;
    uint32_t v;
    std::memcpy(&v, d.bits + y * d.pitch + x * 4, 4);
    return v;
  }
  WindowHandle window_ = 0;
};

TEST_F(WindowImageTest, RowsOfEitherDepthLandInTheWindowImageAndReadBack) {
  // 565 rows, copied 1 : 1.
  std::vector<uint16_t> rows(8 * 4, 0xF800);
  rows[1 * 8 + 2] = 0x07E0;
  const BitmapInfo info565 = TopDown(8, 4, 16, 0xF800, 0x7E0, 0x1F);
  DisplayContext dc = GetWindowDc(window_);
  ASSERT_NE(dc, 0);
  EXPECT_EQ(SetDibBitsToDevice(dc, 0, 0, 8, 4, 0, 0, 0, 4, rows.data(), &info565), 4);
  ReleaseWindowDc(window_, dc);
  DibDescription d{};
  ASSERT_EQ(DescribeWindowImage(window_, &d), 1);
  EXPECT_EQ(d.width, 8);
  EXPECT_EQ(d.height, 4);
  EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(2, 1), 0x00FF00u);
  // XRGB rows stretched to twice their size from a 4 x 2 picture.
  std::vector<uint32_t> xrgb = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112, 0x131415, 0x161718};
  const BitmapInfo info32 = TopDown(4, 2, 32, 0xFF0000, 0xFF00, 0xFF);
  dc = GetWindowDc(window_);
  EXPECT_EQ(StretchDibBits(dc, 0, 0, 8, 4, 0, 0, 4, 2, xrgb.data(), &info32), 4);
  ReleaseWindowDc(window_, dc);
  EXPECT_EQ(Pixel(0, 0), 0x010203u);
  EXPECT_EQ(Pixel(1, 1), 0x010203u);
  EXPECT_EQ(Pixel(7, 3), 0x161718u);
  EXPECT_EQ(Pixel(2, 2), 0x101112u);
  // Read back into 565 rows.
  std::vector<uint16_t> back(8 * 4, 0);
  EXPECT_EQ(ReadWindowImageBits(window_, 8, 4, back.data(), &info565), 4);
  EXPECT_EQ(back[0], (0x01 >> 3) << 11 | (0x02 >> 2) << 5 | (0x03 >> 3));
  EXPECT_EQ(back[3 * 8 + 7], (0x16 >> 3) << 11 | (0x17 >> 2) << 5 | (0x18 >> 3));
}

TEST_F(WindowImageTest, ANewClientSizeStartsABlackImage) {
  std::vector<uint32_t> white(8 * 4, 0xFFFFFF);
  const BitmapInfo info = TopDown(8, 4, 32, 0xFF0000, 0xFF00, 0xFF);
  DisplayContext dc = GetWindowDc(window_);
  SetDibBitsToDevice(dc, 0, 0, 8, 4, 0, 0, 0, 4, white.data(), &info);
  ReleaseWindowDc(window_, dc);
  MoveWindow(window_, 0, 0, 16, 8, false);
  dc = GetWindowDc(window_);
  ReleaseWindowDc(window_, dc);
  DibDescription d{};
  ASSERT_EQ(DescribeWindowImage(window_, &d), 1);
  EXPECT_EQ(d.width, 16);
  EXPECT_EQ(Pixel(0, 0), 0u);
}

}  // namespace
}  // namespace platform
