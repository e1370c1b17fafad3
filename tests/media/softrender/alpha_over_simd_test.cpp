#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media/softrender/PixelKernels.h"
#include "media/softrender/PixelSimd.h"

#if SOFTRENDER_SIMD

using namespace softrender;

namespace {

using ScalarOver = PixelOp<32, Kind::Alpha, 0, false, true, true, true, kGeneral>;

// Source words whose alphas favour the values the kernel treats apart (0 and
// 255), with stretches of clear pixels long enough to be skipped whole.
std::vector<uint32_t> RandomSource(std::mt19937& rng, size_t n) {
  std::vector<uint32_t> words(n);
  size_t i = 0;
  while (i < n) {
    const uint32_t pick = rng() % 5;
    const size_t run = pick == 0 ? 1 + rng() % 12 : 1;
    for (size_t j = 0; j < run && i < n; ++j, ++i) {
      const uint32_t colour = rng() & 0xFFFFFFu;
      uint32_t alpha = rng() & 0xFF;
      if (pick == 0) alpha = 0;
      else if (pick == 1) alpha = 255;
      words[i] = colour | (alpha << 24);
    }
  }
  return words;
}

void CheckRowKernel(AlphaOverRowFn row) {
  std::mt19937 rng(1234);
  constexpr size_t kGuard = 8;
  for (int round = 0; round < 40; ++round) {
    for (int width = 0; width <= 41; ++width) {
      const auto n = static_cast<size_t>(width);
      const std::vector<uint32_t> src = RandomSource(rng, n);
      std::vector<uint32_t> dst(n + kGuard);
      for (auto& v : dst) v = rng();
      std::vector<uint32_t> expected = dst;
      std::vector<uint32_t> actual = dst;

      const auto* s = reinterpret_cast<const uint8_t*>(src.data());
      auto* e = reinterpret_cast<uint8_t*>(expected.data());
      for (int x = 0; x < width; ++x) ScalarOver::Apply(DrawInputs{}, e + 4 * x, s + 4 * x, nullptr);

      auto* a = reinterpret_cast<uint8_t*>(actual.data());
      const int done = row(a, s, width);
      ASSERT_EQ(done, width / 4 * 4) << "width " << width;
      for (int x = done; x < width; ++x) ScalarOver::Apply(DrawInputs{}, a + 4 * x, s + 4 * x, nullptr);

      for (size_t i = 0; i < dst.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << std::hex << "width " << std::dec << width << " pixel " << i;
    }
  }
}

TEST(AlphaOverSimd, Sse2RowMatchesScalarKernel) { CheckRowKernel(AlphaOverRowSse2); }

TEST(AlphaOverSimd, Avx2RowMatchesScalarKernel) {
  if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this processor";
  CheckRowKernel(AlphaOverRowAvx2);
}

}  // namespace

#endif
