#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Format.h"
#include "foundation/HandleList.h"
#include "foundation/Random.h"

namespace {

// --- Handle list -------------------------------------------------------------------

std::vector<int> WalkIds(const HandleListNode& head) {
  std::vector<int> ids;
  for (const HandleListNode* n = &head; n != nullptr; n = n->next) ids.push_back(n->id);
  return ids;
}

TEST(HandleList, NewestFirstAndUnlink) {
  HandleListNode head, tail, a, b;
  int ownerA = 0, ownerB = 0;
  EXPECT_EQ(HandleListReset(&head, &tail), 0);
  EXPECT_EQ(WalkIds(head), (std::vector<int>{-1, -1}));
  EXPECT_EQ(head.prev, nullptr);
  EXPECT_EQ(tail.prev, &head);

  EXPECT_EQ(HandleListInsert(&head, &a, 10, &ownerA), 0);
  HandleListInsert(&head, &b, 20, &ownerB);
  EXPECT_EQ(WalkIds(head), (std::vector<int>{-1, 20, 10, -1}));
  EXPECT_EQ(b.data, &ownerB);
  EXPECT_EQ(tail.prev, &a);
  EXPECT_EQ(a.prev, &b);

  EXPECT_EQ(HandleListUnlink(&b), 0);
  EXPECT_EQ(WalkIds(head), (std::vector<int>{-1, 10, -1}));
  EXPECT_EQ(a.prev, &head);
  EXPECT_EQ(b.next, &a);  // the unlinked node keeps its own links

  HandleListUnlink(&a);
  EXPECT_EQ(WalkIds(head), (std::vector<int>{-1, -1}));
  EXPECT_EQ(tail.prev, &head);
}

// --- Random generator -------------------------------------------------------------

// A reference generator written straight from the textbook form (modulo
// indexing, a matrix table), to check the production code's shortcuts.
struct ReferenceMt {
  std::array<uint32_t, 624> mt{};

  explicit ReferenceMt(uint32_t seed) {
    for (auto& word : mt) {
      word = seed & 0xFFFF0000u;
      seed = 69069u * seed + 1u;
      word |= (seed & 0xFFFF0000u) >> 16;
      seed = 69069u * seed + 1u;
    }
  }

  std::array<uint32_t, 624> Generate() {
    static const uint32_t mag01[2] = {0u, 0x9908B0DFu};
    for (int i = 0; i < 624; ++i) {
      const uint32_t y = (mt[i] & 0x80000000u) | (mt[(i + 1) % 624] & 0x7FFFFFFFu);
      mt[i] = mt[(i + 397) % 624] ^ (y >> 1) ^ mag01[y & 1u];
    }
    std::array<uint32_t, 624> out{};
    for (int i = 0; i < 624; ++i) {
      uint32_t y = mt[i];
      y ^= y >> 11;
      y ^= (y << 7) & 0x9D2C5680u;
      y ^= (y << 15) & 0xEFC60000u;
      y ^= y >> 18;
      out[i] = y;
    }
    return out;
  }
};

TEST(Random, SeedingFillsUpperAndLowerHalves) {
  RandomSeedState(1);
  // x = 1: upper half 0x0000; x becomes 69070 = 0x00010DCE, lower half 0x0001.
  EXPECT_EQ(gRandomState.state[0], 0x00000001u);
  // Then x = 69070 * 69069 + 1 = 0x1C5983F7 (mod 2^32), upper half 0x1C59, and
  // the next step 0xC35937CC gives the lower half 0xC359.
  EXPECT_EQ(gRandomState.state[1], 0x1C59C359u);
  EXPECT_EQ(gRandomState.state[2], 0x2E13E723u);
  RandomSeedState(4357);
  EXPECT_EQ(gRandomState.state[0], 0x000011EFu);
}

TEST(Random, OutputsMatchTheReference) {
  // Tempered outputs worked out separately for these seeds.
  struct Case {
    uint32_t seed;
    uint32_t first, second, third, last, nextFirst;
  } cases[] = {
      {1, 0xD3F6B9E5u, 0xEF284157u, 0x0D3639C7u, 0x9679C2D7u, 0x8E1531AAu},
      {4357, 0xAAE64AC3u, 0x5E7C47DAu, 0xB98E8121u, 0x23219742u, 0x3E44719Du},
  };
  for (const auto& c : cases) {
    RandomSeed(c.seed);
    EXPECT_EQ(gRandomState.seeded, 1);
    EXPECT_EQ(gRandomState.readIndex, 0);
    EXPECT_EQ(gRandomState.output[0], c.first);
    EXPECT_EQ(gRandomState.output[1], c.second);
    EXPECT_EQ(gRandomState.output[2], c.third);
    EXPECT_EQ(gRandomState.output[623], c.last);
    RandomRefill();
    EXPECT_EQ(gRandomState.output[0], c.nextFirst);
  }
}

TEST(Random, PlainAndMmxRefillsAgreeWithReference) {
  for (uint32_t seed : {0u, 1u, 4357u, 0x7FFFFFFFu, 0xDEADBEEFu}) {
    ReferenceMt reference(seed);
    RandomSeedState(seed);
    RandomState plain = gRandomState;
    RandomState mmx = gRandomState;
    for (int round = 0; round < 3; ++round) {
      const auto expected = reference.Generate();
      gRandomState = plain;
      RandomRefill();
      plain = gRandomState;
      gRandomState = mmx;
      RandomRefillMmx();
      mmx = gRandomState;
      for (int i = 0; i < 624; ++i) {
        ASSERT_EQ(plain.output[i], expected[i]) << "seed " << seed << " round " << round << " word " << i;
        ASSERT_EQ(mmx.output[i], expected[i]) << "seed " << seed << " round " << round << " word " << i;
        ASSERT_EQ(plain.state[i], reference.mt[i]);
        ASSERT_EQ(mmx.state[i], reference.mt[i]);
      }
    }
  }
}

TEST(Random, MmxProbeMatchesSeededFlag) {
  const int mmx = CpuHasMmx();
  EXPECT_TRUE(mmx == 0 || mmx == 1);
#if defined(__x86_64__)
  EXPECT_EQ(mmx, 1);  // every x86-64 processor has MMX
#endif
  RandomSeed(5);
  EXPECT_EQ(gRandomState.mmx, mmx);
}

// --- Formatting -------------------------------------------------------------------

TEST(Format, BoundedAndCutOnCharacterBoundary) {
  struct Case {
    const char* text;
    size_t capacity;
    const char* expected;
  } cases[] = {
      {"abcdef", 4, "abc"},
      {"abc", 4, "abc"},
      {"ab\x82\xa0", 4, "ab"},  // the lead byte alone would fit: dropped
      {"a\x82\xa0"
       "b",
       4, "a\x82\xa0"},
      {"a\x95\x5c\x95\x5c", 5, "a\x95\x5c"},  // trail 0x5C
      {"\x88\x9f\x88\x9f", 4, "\x88\x9f"},    // trail in the lead range
      {"\xb1\xb2\xb3", 3, "\xb1\xb2"},        // single-byte kana cut anywhere
      {"abc", 1, ""},
  };
  for (const auto& c : cases) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    FormatText(buffer, c.capacity, "%s", c.text);
    EXPECT_STREQ(buffer, c.expected) << testing::PrintToString(std::string(c.text)) << " in " << c.capacity;
    EXPECT_EQ(buffer[c.capacity], '#');  // nothing written past the capacity
  }
}

int CallFormatV(char* buffer, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
int CallFormatV(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = FormatTextV(buffer, capacity, format, args);
  va_end(args);
  return result;
}

TEST(Format, Results) {
  char buffer[8];
  EXPECT_EQ(CallFormatV(buffer, sizeof buffer, "%d-%s", 12, "ab"), 5);
  EXPECT_STREQ(buffer, "12-ab");
  EXPECT_EQ(CallFormatV(buffer, sizeof buffer, "%s", "\x82\xa0\x82\xa0\x82\xa0\x82\xa0"), 6);
  EXPECT_STREQ(buffer, "\x82\xa0\x82\xa0\x82\xa0");
  EXPECT_EQ(FormatText(buffer, sizeof buffer, "%d", 1234567), 0);
  EXPECT_STREQ(buffer, "1234567");
  buffer[0] = '#';
  EXPECT_EQ(FormatText(buffer, 0, "%d", 1), 0);
  EXPECT_EQ(buffer[0], '#');
}

}  // namespace
