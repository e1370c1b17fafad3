#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/ZeroedBuffer.h"

namespace {

// Zero at every size, also where painted memory was just freed; a copy is
// its own memory.
TEST(ZeroedBuffer, StartsZeroAndCopiesAreIndependent) {
  for (const size_t size : {size_t{0}, size_t{24}, size_t{4} << 20}) {
    SCOPED_TRACE(size);
    {
      const platform::ZeroedBuffer painted(size);
      if (size > 0) std::memset(painted.data(), 0x5A, size);
    }
    const platform::ZeroedBuffer fresh(size);
    EXPECT_EQ(fresh.size(), size);
    EXPECT_EQ(std::count(fresh.data(), fresh.data() + size, 0), static_cast<std::ptrdiff_t>(size));
    if (size == 0) continue;
    fresh.data()[size - 1] = 7;
    platform::ZeroedBuffer copy(fresh);
    copy.data()[size - 1] = 9;
    EXPECT_EQ(fresh.data()[size - 1], 7);
    copy = fresh;
    EXPECT_EQ(copy.data()[size - 1], 7);
    const platform::ZeroedBuffer moved(std::move(copy));
    EXPECT_EQ(moved.size(), size);
    EXPECT_EQ(moved.data()[size - 1], 7);
  }
}

}  // namespace
