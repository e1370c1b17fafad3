#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "foundation/TextFunctions.h"

namespace {

// --- Shift-JIS-aware text functions ------------------------------------------
// Trail bytes can be 0x5C ('\\') or lie inside the lead range (0x88 0x9F); a
// function that looks at them one by one finds false matches or swallows the
// next character.

struct FindCase {
  const char* text;
  int byte;
  int expected;  // index of the match, -1 for none
};

TEST(TextFunctions, FindByteMatchesOnlySingleByteCharacters) {
  const FindCase cases[] = {
      {"\x82\x0a\x0a", 0x0A, 2},  // second byte belongs to the double-byte character
      {"\x95\x5c"
       "a\\",
       '\\', 3},  // trail 0x5C is not a backslash
      {"\x95\x5c", '\\', -1},
      {"\x88\x9f"
       "a",
       'a', 2},                // trail 0x9F is not a lead byte
      {"\x88\x9f", 0x9F, -1},  // ...and never matches itself
      {"a\x82", 0x82, -1},     // a broken lead byte at the end is no character
      {"abc", 'c', 2},
      {"abc", 'z', -1},
      {"", 'a', -1},
      {"abc", 0, -1},
  };
  for (const auto& c : cases) {
    const char* found = TextFindByte(c.text, c.byte);
    const int index = found == nullptr ? -1 : static_cast<int>(found - c.text);
    EXPECT_EQ(index, c.expected) << "text " << testing::PrintToString(std::string(c.text)) << " byte " << c.byte;
  }
}

TEST(TextFunctions, StopAtTerminatorAfterLeadByte) {
  // A lead byte right before the terminator must not carry the scan past it.
  char buffer[] = {'a', '\x82', '\0', 'q', '\0'};
  EXPECT_EQ(TextFindByte(buffer, 'q'), nullptr);
  TextToUpper(buffer);
  EXPECT_EQ(buffer[0], 'A');
  EXPECT_EQ(buffer[1], '\x82');
  EXPECT_EQ(buffer[3], 'q');
}

TEST(TextFunctions, ToUpperLeavesDoubleByteCharactersAlone) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"ab\x82"
       "ac",
       "AB\x82"
       "aC"},  // 0x61 after the lead byte stays lower case
      {"\x95\x5c"
       "z",
       "\x95\x5c"
       "Z"},
      {"\x88\x9f"
       "a",
       "\x88\x9f"
       "A"},                   // trail in the lead range
      {"x\xb1y{", "X\xb1Y{"},  // single-byte kana and symbols unchanged
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    TextToUpper(text.data());
    EXPECT_EQ(text, c.out);
  }
}

TEST(TextFunctions, CopyAppendCompare) {
  char buffer[16];
  EXPECT_EQ(TextCopy(buffer, "ab"), buffer);
  EXPECT_STREQ(buffer, "ab");
  TextAppend(buffer, "\x95\x5c"
                     "c");
  EXPECT_STREQ(buffer, "ab\x95\x5c"
                       "c");

  std::memset(buffer, 'z', sizeof buffer);
  TextCopyMax(buffer, "abcdef", 3);
  EXPECT_STREQ(buffer, "abc");
  TextCopyMax(buffer, "ab", 5);
  EXPECT_STREQ(buffer, "ab");
  TextCopyMax(buffer, "ab", 0);
  EXPECT_STREQ(buffer, "");
  TextCopyMax(buffer, "ab", -3);
  EXPECT_STREQ(buffer, "");

  EXPECT_EQ(TextCompare("abc", "abc"), 0);
  EXPECT_EQ(TextCompare("abc", "abd"), 1);
  EXPECT_EQ(TextCompare("abd", "abc"), 1);  // no ordering
  EXPECT_EQ(TextCompare("ab", "abc"), 1);
  EXPECT_EQ(TextCompare("", ""), 0);
}

TEST(TextFunctions, CompareNLooksAtExactlyNBytes) {
  const char a[] = {'a', 'b', '\0', 'X'};
  const char b[] = {'a', 'b', '\0', 'Y'};
  EXPECT_EQ(TextCompareN(a, b, 3), 0);
  EXPECT_EQ(TextCompareN(a, b, 4), 1);  // bytes after the terminators count too
  EXPECT_EQ(TextCompareN(a, b, 0), 0);
  EXPECT_EQ(TextCompareN(a, b, -1), 0);
}

// --- Memory --------------------------------------------------------------------

TEST(MemoryFunctions, FillCompareCopyMove) {
  unsigned char buffer[8] = {};
  MemoryFill(buffer, 0x1234, 4);
  EXPECT_EQ(buffer[0], 0x34);
  EXPECT_EQ(buffer[3], 0x34);
  EXPECT_EQ(buffer[4], 0);

  EXPECT_EQ(MemoryCompare("abc", "abd", 2), 0);
  EXPECT_EQ(MemoryCompare("abc", "abd", 3), 1);
  EXPECT_EQ(MemoryCompare("abc", "xyz", 0), 0);

  char copy[4] = {};
  EXPECT_EQ(MemoryCopy(copy, "xyz", 3), copy);
  EXPECT_STREQ(copy, "xyz");
}

TEST(MemoryFunctions, MoveHandlesOverlapBothWays) {
  char up[] = "12345";
  EXPECT_EQ(MemoryMove(up + 1, up, 4), up + 1);
  EXPECT_STREQ(up, "11234");  // slid up, the first byte not repeated along
  char down[] = "12345";
  MemoryMove(down, down + 1, 4);
  EXPECT_STREQ(down, "23455");
  char same[] = "abc";
  MemoryMove(same, same, 3);
  EXPECT_STREQ(same, "abc");
}

// --- Numbers ---------------------------------------------------------------------

TEST(NumberFunctions, AbsoluteValues) {
  EXPECT_EQ(IntAbs(-5), 5);
  EXPECT_EQ(IntAbs(7), 7);
  EXPECT_EQ(IntAbs(INT_MIN), INT_MIN);
  EXPECT_EQ(FloatAbs(-2.5f), 2.5f);
}

TEST(NumberFunctions, TruncationIgnoresRoundingMode) {
  const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
  const int saved = std::fegetround();
  for (int mode : modes) {
    std::fesetround(mode);
    EXPECT_EQ(DoubleToIntTrunc(-2.7), -2) << mode;
    EXPECT_EQ(DoubleToIntTrunc(2.7), 2) << mode;
    EXPECT_EQ(DoubleToIntTrunc(-0.5), 0) << mode;
    EXPECT_EQ(FloatToIntTrunc(-2.7f), -2) << mode;
    EXPECT_EQ(FloatToIntTrunc(2.5f), 2) << mode;
    EXPECT_EQ(std::fegetround(), mode);  // the mode is left as it was
  }
  std::fesetround(saved);
}

TEST(NumberFunctions, TruncationOutOfRangeGivesIntMin) {
  EXPECT_EQ(DoubleToIntTrunc(2147483647.9), INT_MAX);
  EXPECT_EQ(DoubleToIntTrunc(-2147483648.9), INT_MIN);
  EXPECT_EQ(DoubleToIntTrunc(2147483648.0), INT_MIN);
  EXPECT_EQ(DoubleToIntTrunc(-1e300), INT_MIN);
  EXPECT_EQ(DoubleToIntTrunc(std::numeric_limits<double>::quiet_NaN()), INT_MIN);
  EXPECT_EQ(FloatToIntTrunc(3e9f), INT_MIN);
  EXPECT_EQ(FloatToIntTrunc(std::numeric_limits<float>::infinity()), INT_MIN);

  IntRect rect{};
  DoubleRectToIntRect(DoubleRect{-1.5, 2.9, 639.99, -0.1}, &rect);
  EXPECT_EQ(rect.x1, -1);
  EXPECT_EQ(rect.y1, 2);
  EXPECT_EQ(rect.x2, 639);
  EXPECT_EQ(rect.y2, 0);
}

TEST(NumberFunctions, SqrtAndSinCosRoundToFloat) {
  EXPECT_EQ(FloatSqrt(16.0f), 4.0f);
  EXPECT_EQ(FloatSqrt(2.0f), static_cast<float>(std::sqrt(2.0)));
  float s = -1, c = -1;
  AngleSinCos(0.0f, &s, &c);
  EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(c, 1.0f);
  const float angle = 0.5f;
  AngleSinCos(angle, &s, &c);
  EXPECT_EQ(s, static_cast<float>(std::sin(0.5)));
  EXPECT_EQ(c, static_cast<float>(std::cos(0.5)));
  AngleSinCos(-angle, &s, &c);
  EXPECT_EQ(s, -static_cast<float>(std::sin(0.5)));
}

TEST(NumberFunctions, TextToInt) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"abc-12x", -12},
      {"x-y", 0},
      {"abc", -1},
      {"", -1},
      {"007", 7},
      {"  42 43", 42},
      {"-2147483648", INT_MIN},
      {"4294967296", 0},  // wraps in 32 bits
      // Only the first 32 digits are kept; further digits are ignored.
      {"9999999999999999999999999999999999999999", -1},
      {"11111111111111111111111111111111", -954437177},
      {"1111111111111111111111111111111122222222", -954437177},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.expected) << c.text;
}

TEST(NumberFunctions, IntToText) {
  struct Case {
    int value;
    int radix;
    const char* expected;
  } cases[] = {
      {255, 16, "ff"},
      {-5, 10, "-5"},
      {0, 10, "0"},
      {0, 2, "0"},
      {5, 2, "101"},
      {35, 36, "z"},
      {INT_MAX, 10, "2147483647"},
      {INT_MIN, 10, "-2147483648"},
      {INT_MIN, 2, "-10000000000000000000000000000000"},
      {123, 1, "123"},  // no digit set for radix 1: decimal
      {123, 0, "123"},
      {-123, -16, "-123"},
  };
  for (const auto& c : cases) {
    char buffer[34];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(IntToText(c.value, buffer, c.radix), buffer);
    EXPECT_STREQ(buffer, c.expected) << c.value << " radix " << c.radix;
  }
}

TEST(NumberFunctions, MultiplyAndDivide128) {
  const uint32_t max64[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
  uint32_t product[4];
  Multiply64To128(max64, max64, product);
  // (2^64 - 1)^2 = 2^128 - 2^65 + 1
  EXPECT_EQ(product[0], 1u);
  EXPECT_EQ(product[1], 0u);
  EXPECT_EQ(product[2], 0xFFFFFFFEu);
  EXPECT_EQ(product[3], 0xFFFFFFFFu);

  // The microsecond clock: counter * 1,000,000 / frequency.
  const uint64_t counters[] = {0, 1, 123456789012345ull, 0x0000FFFFFFFFFFFFull};
  const uint64_t frequencies[] = {1, 3579545, 1000000000ull, 0x1FFFFFFFFull};
  for (uint64_t counter : counters) {
    for (uint64_t frequency : frequencies) {
      const uint32_t a[2] = {static_cast<uint32_t>(counter), static_cast<uint32_t>(counter >> 32)};
      const uint32_t million[2] = {1000000u, 0u};
      Multiply64To128(a, million, product);
      const uint32_t divisor[2] = {static_cast<uint32_t>(frequency), static_cast<uint32_t>(frequency >> 32)};
      uint32_t quotient[2];
      Divide128By64(product, divisor, quotient);
      const unsigned __int128 exact = static_cast<unsigned __int128>(counter) * 1000000u / frequency;
      EXPECT_EQ(quotient[0], static_cast<uint32_t>(exact)) << counter << "/" << frequency;
      EXPECT_EQ(quotient[1], static_cast<uint32_t>(exact >> 32)) << counter << "/" << frequency;
    }
  }

  const uint32_t zero[2] = {0, 0};
  uint32_t quotient[2] = {9, 9};
  Divide128By64(product, zero, quotient);
  EXPECT_EQ(quotient[0], 0u);
  EXPECT_EQ(quotient[1], 0u);
}

}  // namespace
