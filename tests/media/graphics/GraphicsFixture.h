#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/PublicFunctions.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/ImageWriters.h"
#include "media/system/MainWindow.h"
#include "media/system/SystemFixture.h"
#include "platform/display/WindowImage.h"
#include "platform/gpu/Gpu.h"
#include "support/PngReader.h"

// The library started on the headless backend at 640 x 480, drawing to the
// back screen: in window mode at 32 bits and the given window scale, or full
// screen at 16 bits (a window takes the desktop's depth, so its back screen
// is 32 bits whatever was asked for).
class GraphicsTest : public SystemTest {
 protected:
  void StartGraphicsAt(int bits, double scale = 1.0) {
    SetRunWhileInactive(1);
    ChangeWindowMode(bits == 16 ? 0 : 1);
    if (scale != 1.0) SetWindowScale(scale);
    SetScreenResolution(640, 480, bits, 60);
    ASSERT_EQ(StartMediaLibrary(), 0);
    SelectDrawTarget(-2);
    // A test of one depth must not run on the other.
    ASSERT_EQ(gScreenState.colorDepth, bits);
    if (gScreenState.backScreen.base != nullptr) {
      ASSERT_EQ(gScreenState.backScreen.base->descriptor->bytesPerPixel, bits / 8);
    }
  }

  // A graph from a picture whose pixel (x, y) is colour(x, y) as 0xAARRGGBB.
  template <class Colour>
  int MakeGraph(int width, int height, bool alpha, Colour colour) {
    GraphImage image{};
    if (alpha) AllocARGB8GraphImage(width, height, &image);
    else AllocXRGB8GraphImage(width, height, &image);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint32_t c = colour(x, y);
        WriteGraphImagePixel(&image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, alpha ? (c >> 24) : 255);
      }
    const int graph = CreateGraphFromImageDefault(&image);
    FreeGraphImage(&image);
    return graph;
  }

  // The back screen's pixel as 0xRRGGBB.
  static uint32_t BackPixel(int x, int y) {
    const MEMIMG& s = gScreenState.backScreen;
    const uint8_t* p = s.pixels + static_cast<size_t>(y) * s.base->pitch;
    if (s.base->descriptor->bytesPerPixel == 4) {
      uint32_t v;
      std::memcpy(&v, p + x * 4, 4);
      return v & 0xFFFFFF;
    }
    uint16_t v;
    std::memcpy(&v, p + x * 2, 2);
    return (((v >> 11) & 0x1F) * 255 / 31) << 16 | (((v >> 5) & 0x3F) * 255 / 63) << 8 | ((v & 0x1F) * 255 / 31);
  }

  static uint32_t WindowPixel(int x, int y) {
    platform::DibDescription d{};
    if (platform::DescribeWindowImage(gLibrarySystem.mainWindow, &d) == 0 || x >= d.width || y >= d.height)
      return 0xDEAD;
    uint32_t v;
    std::memcpy(&v, d.bits + static_cast<size_t>(y) * d.pitch + x * 4, 4);
    return v & 0xFFFFFF;
  }

  // The whole window image as 0xRRGGBB pixels, row by row.
  static std::vector<uint32_t> WindowFrame() {
    std::vector<uint32_t> frame(640 * 480);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) frame[y * 640 + x] = WindowPixel(x, y);
    return frame;
  }

  // Writes a 640 x 480 frame of 0xRRGGBB pixels as a PNG file.
  static void WriteFramePng(const std::string& path, const std::vector<uint32_t>& frame) {
    GraphImage image{};
    AllocXRGB8GraphImage(640, 480, &image);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const uint32_t c = frame[y * 640 + x];
        WriteGraphImagePixel(&image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 255);
      }
    WritePngFile(path.c_str(), &image, 1);
    FreeGraphImage(&image);
  }

  // Pixels of the 3D path's frame differing from the software path's by more
  // than tolerance in a channel; beyond the allowance both frames and their
  // difference go to <TEST_OUTPUT_FOLDER or /tmp>/<name>-*.png.
  static int CompareFrames(const std::vector<uint32_t>& hardware, const std::vector<uint32_t>& software,
                           const std::string& name, int tolerance, int allowance) {
    int differing = 0;
    std::vector<uint32_t> difference(hardware.size());
    for (size_t i = 0; i < hardware.size(); ++i) {
      int worst = 0;
      for (const int shift : {16, 8, 0}) {
        const int delta =
            std::abs(static_cast<int>((hardware[i] >> shift) & 0xFF) - static_cast<int>((software[i] >> shift) & 0xFF));
        worst = std::max(worst, delta);
        difference[i] |= static_cast<uint32_t>(std::min(255, delta * 8)) << shift;
      }
      if (worst > tolerance) ++differing;
    }
    if (differing > allowance) {
      const char* folder = std::getenv("TEST_OUTPUT_FOLDER");
      const std::string base = std::string(folder != nullptr ? folder : "/tmp") + "/" + name;
      WriteFramePng(base + "-hardware.png", hardware);
      WriteFramePng(base + "-software.png", software);
      WriteFramePng(base + "-difference.png", difference);
    }
    return differing;
  }

  // Reads a PNG file as 0xRRGGBB pixels; empty when it does not decode.
  static std::vector<uint32_t> ReadPng(const std::string& path, int* width, int* height) {
    return ReadPngFile(path, width, height);
  }
};

// The 3D path on the gpu facility's recording backend.
class RecordingGraphicsTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    platform::gpu::SetGpuBackend(platform::gpu::BackendKind::Recording);
    platform::gpu::SetRecordingSetup(platform::gpu::DefaultRecordingSetup());
  }
  void TearDown() override {
    GraphicsTest::TearDown();
    platform::gpu::SetGpuBackend(platform::gpu::BackendKind::None);
    platform::gpu::SetRecordingSetup(platform::gpu::DefaultRecordingSetup());
  }
};

// A graph that the restore callback refills from its picture after a device
// loss or display change, with a count of the callback's calls.
struct Refill {
  GraphImage image{};
  int graph = -1;
  int calls = 0;
};
inline Refill gRefill;
inline void RefillGraphs() {
  ++gRefill.calls;
  TransferImagePartToGraph("", &gRefill.image, nullptr, 0, 0, gRefill.graph, 0);
}
