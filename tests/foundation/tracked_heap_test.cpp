#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/TrackedHeap.h"
#include "support/LogCapture.h"

namespace {

// Other tests in this program may hold blocks of their own, so every check is
// relative to the totals at the start and looks for this test's own lines.
class TrackedHeapTest : public testing::Test {
 protected:
  int startCount = TrackedBlockCount();
  int startBytes = TrackedTotalBytes();
};

size_t Find(const std::string& text, const std::string& what) { return text.find(what); }

TEST_F(TrackedHeapTest, ListsTotalsAndVerifiesBlocks) {
  void* first = TrackedAlloc(10, "first.cpp", 11);
  void* second = TrackedAllocZeroed(20, "second.cpp", 22);
  void* third = TrackedAlloc(30, "third.cpp", 33);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(TrackedBlockCount(), startCount + 3);
  EXPECT_EQ(TrackedTotalBytes(), startBytes + 60);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(static_cast<unsigned char*>(second)[i], 0);
  EXPECT_NE(TrackedFree(second), 0);
  EXPECT_EQ(TrackedBlockCount(), startCount + 2);
  EXPECT_EQ(TrackedTotalBytes(), startBytes + 40);
  EXPECT_EQ(TrackedAllocVerify(), 0);

  LogCapture log;
  TrackedAllocDump();
  const std::string dump = log.Read();
  EXPECT_EQ(dump.rfind("0:\r\n0:Alloc memory dump\r\n", 0), 0u) << dump;
  const size_t thirdAt = Find(dump, "file:third.cpp  line:33");
  const size_t firstAt = Find(dump, "file:first.cpp  line:11");
  ASSERT_NE(thirdAt, std::string::npos);
  ASSERT_NE(firstAt, std::string::npos);
  EXPECT_LT(thirdAt, firstAt);  // newest first
  EXPECT_EQ(Find(dump, "second.cpp"), std::string::npos);
  EXPECT_NE(Find(dump, "\tTotal size:"), std::string::npos);
  EXPECT_EQ(dump.substr(dump.size() - 6), "\r\n0:\r\n");

  TrackedFree(first);
  TrackedFree(third);
  EXPECT_EQ(TrackedBlockCount(), startCount);
  EXPECT_EQ(TrackedTotalBytes(), startBytes);
  EXPECT_EQ(TrackedAllocVerify(), 0);
}

// Zeroed blocks are zero whatever the memory held before, large or small.
TEST_F(TrackedHeapTest, ZeroedBlocksAreZeroAfterPaintedOnesAreFreed) {
  for (const size_t size : {size_t{24}, size_t{4} << 20}) {
    SCOPED_TRACE(size);
    void* painted = TrackedAlloc(size, "painted.cpp", 1);
    ASSERT_NE(painted, nullptr);
    std::memset(painted, 0xA5, size);
    TrackedFree(painted);
    auto* zeroed = static_cast<unsigned char*>(TrackedAllocZeroed(size, "zeroed.cpp", 2));
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(std::count(zeroed, zeroed + size, 0), static_cast<std::ptrdiff_t>(size));
    EXPECT_EQ(TrackedAllocVerify(), 0);
    TrackedFree(zeroed);
  }
  EXPECT_EQ(TrackedBlockCount(), startCount);
}

TEST_F(TrackedHeapTest, ReportsDamagedHeader) {
  void* older = TrackedAlloc(8, "older.cpp", 1);
  void* damaged = TrackedAlloc(4, "damaged.cpp", 2);
  void* newer = TrackedAlloc(8, "newer.cpp", 3);
  std::memcpy(damaged, "Hi\x01\xff", 4);
  EXPECT_EQ(TrackedAllocVerify(), 0);

  // One stray byte written over the size field of the middle block.
  auto* bytes = reinterpret_cast<unsigned char*>(TrackedHeaderOf(damaged));
  const size_t sizeOffset = offsetof(TrackedBlockHeader, size);
  bytes[sizeOffset] ^= 0x40;
  {
    LogCapture log;
    EXPECT_EQ(TrackedAllocVerify(), -1);
    const std::string text = log.Read();
    const std::string message = "\x88\xc8\x89\xba\x82\xcc\x83\x81\x83\x82\x83\x8a\x8a\x6d\x95\xdb\x8f\xee\x95\xf1\x82"
                                "\xaa\x94\x6a\x91\xb9\x82\xb5"
                                "\x82\xdc\x82\xb5\x82\xbd";
    // The message has no line feed of its own: the dump line follows on the same line.
    EXPECT_EQ(text.rfind("0:" + message + "\tsize:68(0.066kb)  file:damaged.cpp  line:2", 0), 0u) << text;
    EXPECT_NE(Find(text, "data:<Hi..> [48 69 01 ff]\r\n"), std::string::npos) << text;
    EXPECT_EQ(Find(text, "older.cpp"), std::string::npos);
  }
  bytes[sizeOffset] ^= 0x40;
  EXPECT_EQ(TrackedAllocVerify(), 0);

  // Damage in a link field counts as well: the check copy covers the pointers.
  const size_t prevOffset = offsetof(TrackedBlockHeader, prev);
  bytes[prevOffset + 7] ^= 0x01;
  EXPECT_EQ(TrackedAllocVerify(), -1);
  bytes[prevOffset + 7] ^= 0x01;

  TrackedFree(newer);
  TrackedFree(damaged);
  TrackedFree(older);
  EXPECT_EQ(TrackedAllocVerify(), 0);
}

TEST_F(TrackedHeapTest, HeaderStampAndAlignment) {
  void* a = TrackedAlloc(3, "abcdefghijklmnopqrst", 7);  // 20 characters
  void* b = TrackedAlloc(3, nullptr, 0);
  const TrackedBlockHeader* ha = TrackedHeaderOf(a);
  EXPECT_STREQ(ha->source, "fghijklmnopqrst");  // the last 15
  EXPECT_EQ(ha->line, 7);
  EXPECT_EQ(ha->size, 3);
  EXPECT_STREQ(TrackedHeaderOf(b)->source, "");
  EXPECT_EQ(static_cast<uint16_t>(TrackedHeaderOf(b)->id), static_cast<uint16_t>(ha->id + 1));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
  EXPECT_EQ(TrackedFree(nullptr), 0);
  TrackedFree(b);
  TrackedFree(a);
}

TEST_F(TrackedHeapTest, ReallocKeepsListAndTotals) {
  void* fresh = TrackedRealloc(nullptr, 100, "fresh.cpp", 5);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(TrackedHeaderOf(fresh)->size, 100);
  EXPECT_EQ(TrackedBlockCount(), startCount + 1);

  void* older = TrackedAlloc(16, "older.cpp", 1);
  void* middle = TrackedAlloc(4, "middle.cpp", 2);
  void* newest = TrackedAlloc(16, "newest.cpp", 3);
  std::memcpy(middle, "abcd", 4);
  const uint16_t oldId = TrackedHeaderOf(middle)->id;
  middle = TrackedRealloc(middle, 4096, "grown.cpp", 9);
  ASSERT_NE(middle, nullptr);
  const TrackedBlockHeader* h = TrackedHeaderOf(middle);
  EXPECT_EQ(std::memcmp(middle, "abcd", 4), 0);
  for (int i = 4; i < 4096; ++i) ASSERT_EQ(static_cast<unsigned char*>(middle)[i], 0) << i;  // growth cleared
  EXPECT_STREQ(h->source, "grown.cpp");
  EXPECT_EQ(h->line, 9);
  EXPECT_NE(h->id, oldId);
  EXPECT_EQ(TrackedBlockCount(), startCount + 4);
  EXPECT_EQ(TrackedTotalBytes(), startBytes + 100 + 16 + 4096 + 16);
  EXPECT_EQ(TrackedAllocVerify(), 0);

  // The newest block can move too; the list head follows it.
  newest = TrackedRealloc(newest, 8000, "newest.cpp", 3);
  EXPECT_EQ(TrackedAllocVerify(), 0);
  middle = TrackedRealloc(middle, 2, "shrunk.cpp", 10);
  EXPECT_EQ(TrackedTotalBytes(), startBytes + 100 + 16 + 2 + 8000);
  {
    LogCapture log;
    TrackedAllocDump();
    const std::string dump = log.Read();
    const size_t n = Find(dump, "newest.cpp"), s = Find(dump, "shrunk.cpp"), o = Find(dump, "older.cpp"),
                 f = Find(dump, "fresh.cpp");
    EXPECT_LT(n, s);
    EXPECT_LT(s, o);
    EXPECT_LT(o, f);
    EXPECT_NE(f, std::string::npos);
  }
  for (void* p : {newest, middle, older, fresh}) TrackedFree(p);
  EXPECT_EQ(TrackedBlockCount(), startCount);
  EXPECT_EQ(TrackedTotalBytes(), startBytes);
}

TEST_F(TrackedHeapTest, ZeroByteBlocksAreTraced) {
  LogCapture log;
  void* empty = TrackedAlloc(0, "zero.cpp", 4);
  ASSERT_NE(empty, nullptr);
  void* sized = TrackedAlloc(8, "sized.cpp", 5);
  TrackedFree(empty);
  TrackedFree(sized);
  const std::string text = log.Read();
  EXPECT_EQ(text.rfind("0:mem alloc  \tsize:0(0.000kb)  file:zero.cpp  line:4  ID:", 0), 0u) << text;
  EXPECT_NE(Find(text, "data:<> ]\r\n0:mem free  \tsize:0(0.000kb)  file:zero.cpp"), std::string::npos) << text;
  EXPECT_EQ(Find(text, "sized.cpp"), std::string::npos);
}

TEST_F(TrackedHeapTest, ImpossibleSizesFailWithDump) {
  LogCapture log;
  EXPECT_EQ(TrackedAlloc(SIZE_MAX, "huge.cpp", 1), nullptr);
  EXPECT_EQ(TrackedBlockCount(), startCount);
  EXPECT_EQ(TrackedTotalBytes(), startBytes);
  EXPECT_NE(Find(log.Read(), "Alloc memory dump"), std::string::npos);

  void* block = TrackedAlloc(8, "keep.cpp", 2);
  std::memcpy(block, "12345678", 8);
  EXPECT_EQ(TrackedRealloc(block, SIZE_MAX - 8, "huge.cpp", 3), nullptr);
  EXPECT_EQ(std::memcmp(block, "12345678", 8), 0);  // the old block stays valid
  EXPECT_EQ(TrackedAllocVerify(), 0);
  TrackedFree(block);
  EXPECT_EQ(TrackedBlockCount(), startCount);
}

TEST_F(TrackedHeapTest, TwoThreadsKeepTheListIntact) {
  // File workers allocate beside the main thread.
  auto churn = [] {
    std::vector<void*> blocks;
    for (int round = 0; round < 2000; ++round) {
      blocks.push_back(TrackedAlloc(16 + round % 7, "churn.cpp", round));
      if (round % 3 == 2) {
        blocks[round / 3] = TrackedRealloc(blocks[round / 3], 40, "churn.cpp", round);
      }
    }
    for (void* block : blocks) TrackedFree(block);
  };
  std::thread other(churn);
  churn();
  other.join();
  EXPECT_EQ(TrackedBlockCount(), startCount);
  EXPECT_EQ(TrackedTotalBytes(), startBytes);
  EXPECT_EQ(TrackedAllocVerify(), 0);
}

}  // namespace
