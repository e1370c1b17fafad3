#include <gtest/gtest.h>

#include <random>

#include "media/softrender/BlendModeSpan.h"

namespace {

using memimg_pixel::InRangeSpan;

// The interval found without a per-pixel test must hold exactly the pixels
// that the per-pixel range test accepts.
TEST(RotateSpan, InRangeIntervalMatchesThePerPixelTest) {
  std::mt19937 random(12345);
  auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(random); };
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const uint32_t limit = uint32_t(pick(1, 40)) << 18;
    const int32_t count = int32_t(pick(1, 200));
    const int64_t stepChoices[] = {0, 262144, -262144, 131072, -87381, pick(-700000, 700000)};
    const uint32_t step = uint32_t(int32_t(stepChoices[pick(0, 5)]));
    const uint32_t start = uint32_t(int32_t(pick(-60LL << 18, 60LL << 18)));
    int32_t first = 0;
    int32_t end = 0;
    if (!InRangeSpan(start, step, limit, count, &first, &end)) continue;
    ++checked;
    uint32_t u = start;
    for (int32_t x = 0; x < count; ++x, u += step) {
      const bool inside = u < limit;
      ASSERT_EQ(inside, x >= first && x < end)
          << "start " << int32_t(start) << " step " << int32_t(step) << " limit " << limit << " x " << x;
    }
  }
  EXPECT_GT(checked, 19000);
}

TEST(RotateSpan, WrappingRowsAreLeftToThePerPixelTest) {
  int32_t first = 0;
  int32_t end = 0;
  EXPECT_FALSE(InRangeSpan(0x7FF00000u, 0x00100000u, 1u << 20, 4, &first, &end));
  EXPECT_TRUE(InRangeSpan(0u, 0x00100000u, 1u << 20, 4, &first, &end));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(end, 1);
}

}  // namespace
