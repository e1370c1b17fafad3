#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/MemImgDraw.h"
#include "media/softrender/PixelSimd.h"
#include "support/ImageFixtures.h"

#if SOFTRENDER_SIMD

using namespace softrender;

namespace {

// The scalar colour blend of the box fill: each colour channel moves by
// floor((c - d) * p / 256), the fourth byte stays.
uint32_t ScalarBlend(uint32_t d, uint32_t c, int p) {
  uint32_t out = d & 0xFF000000u;
  for (int i = 0; i < 24; i += 8) {
    const int dd = static_cast<int>((d >> i) & 0xFF);
    const int cc = static_cast<int>((c >> i) & 0xFF);
    out |= static_cast<uint32_t>(dd + (((cc - dd) * p) >> 8)) << i;
  }
  return out;
}

// Weights that sit at the ends of the range come up often.
int RandomWeight(std::mt19937& rng) {
  static const int kEdges[] = {0, 1, 127, 128, 129, 254, 255};
  return rng() % 3 == 0 ? kEdges[rng() % 7] : static_cast<int>(rng() % 256);
}

void CheckRowKernel(ColorLerpRowFn row) {
  std::mt19937 rng(4321);
  constexpr int kGuard = 5;
  for (int round = 0; round < 40; ++round) {
    for (int width = 0; width <= 41; ++width) {
      const uint32_t colour = rng();
      const int p = RandomWeight(rng);
      std::vector<uint32_t> expected(static_cast<size_t>(width + 2 * kGuard));
      for (auto& v : expected) v = rng();
      std::vector<uint32_t> actual = expected;
      for (int x = 0; x < width; ++x) expected[kGuard + x] = ScalarBlend(expected[kGuard + x], colour, p);

      auto* a = reinterpret_cast<uint8_t*>(actual.data() + kGuard);
      const int done = row(a, width, colour, p);
      ASSERT_EQ(done, width / 4 * 4) << "width " << width;
      for (int x = done; x < width; ++x) actual[kGuard + x] = ScalarBlend(actual[kGuard + x], colour, p);

      for (size_t i = 0; i < actual.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << "width " << width << " p " << p << " word " << i;
    }
  }
}

TEST(BoxFillSimd, Sse2RowMatchesScalarBlend) { CheckRowKernel(ColorLerpRowSse2); }

TEST(BoxFillSimd, Avx2RowMatchesScalarBlend) {
  if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
  CheckRowKernel(ColorLerpRowAvx2);
}

// The copy-fill row kernels: every start within two 32-byte lines (on and
// off the pixel size) and every length up to a few wide steps; the pattern
// keeps its phase from the start and nothing outside the row is written.
void CheckFillKernel(FillRowFn fill) {
  constexpr size_t kGuard = 40;
  for (int unit : {2, 4}) {
    const uint32_t colour = unit == 4 ? 0x44332211u : 0x2211u;
    const __m128i pattern =
        unit == 4 ? _mm_set1_epi32(static_cast<int>(colour)) : _mm_set1_epi16(static_cast<int16_t>(colour));
    for (size_t start = 0; start < 64; ++start)
      for (size_t bytes = 0; bytes <= 300; bytes += static_cast<size_t>(unit)) {
        alignas(32) uint8_t row[64 + 300 + kGuard];
        std::memset(row, 0xA5, sizeof row);
        fill(row + start, bytes, pattern, unit);
        for (size_t i = 0; i < sizeof row; ++i) {
          const bool inside = i >= start && i < start + bytes;
          const uint8_t want = inside ? static_cast<uint8_t>(colour >> (8 * ((i - start) % unit))) : 0xA5;
          ASSERT_EQ(row[i], want) << "unit " << unit << " start " << start << " bytes " << bytes << " at " << i;
        }
      }
  }
}

TEST(BoxFillSimd, Sse2FillRowKeepsPhaseAndBounds) { CheckFillKernel(FillRowSse2); }

TEST(BoxFillSimd, Avx2FillRowKeepsPhaseAndBounds) {
  if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
  CheckFillKernel(FillRowAvx2);
}

// The whole fill: every box width from 0 to 41 at an odd offset, colours and
// weights at random; pixels outside the box keep their words.
TEST(BoxFillSimd, BlendedBoxMatchesScalarAndLeavesSurroundings) {
  std::mt19937 rng(99);
  constexpr int kW = 48, kH = 4;
  for (int round = 0; round < 6; ++round) {
    for (int width = 0; width <= 41; ++width) {
      fixtures::ResetSoftDrawState(kW, kH);
      const int p = 1 + static_cast<int>(rng() % 254);  // 0 draws nothing, 255 copies
      fixtures::SetBlend(1, p);
      const uint32_t colour = rng();
      fixtures::TestImage img(kW, kH, 1);
      std::vector<uint32_t> expected(kW * kH);
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const uint32_t v = rng();
          img.Set32(x, y, v);
          const bool inside = x >= 3 && x < 3 + width && y >= 1 && y < 3;
          expected[static_cast<size_t>(y * kW + x)] = inside ? ScalarBlend(v, colour, p) : v;
        }
      int rect[4] = {3, 1, 3 + width, 3};
      MemImgFillBox(img.get(), rect, colour);
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          ASSERT_EQ(img.Get32(x, y), expected[static_cast<size_t>(y * kW + x)])
              << "width " << width << " p " << p << " at " << x << "," << y;
    }
  }
}

}  // namespace

#endif
