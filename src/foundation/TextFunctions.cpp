#include "foundation/TextFunctions.h"

#include <cmath>
#include <cstring>

namespace {

// A lead byte followed by the terminator is a broken character at the end of a
// text: the terminator wins, so callers never read past it.
inline bool StartsDoubleByte(const char* p) {
  return IsDoubleByteLead(static_cast<unsigned char>(p[0])) && p[1] != '\0';
}

}  // namespace

char* TextCopy(char* dst, const char* src) {
  std::strcpy(dst, src);
  return dst;
}

char* TextCopyMax(char* dst, const char* src, int n) {
  int i = 0;
  for (; i < n && src[i] != '\0'; ++i) dst[i] = src[i];
  dst[i] = '\0';
  return dst;
}

char* TextAppend(char* dst, const char* src) {
  std::strcat(dst, src);
  return dst;
}

const char* TextFindByte(const char* text, int byte) {
  const char wanted = static_cast<char>(byte);
  for (const char* p = text; *p != '\0'; ++p) {
    if (IsDoubleByteLead(static_cast<unsigned char>(*p))) {
      // A lead byte is never a single-byte character, not even a broken one
      // right before the terminator.
      if (p[1] == '\0') return nullptr;
      ++p;
      continue;
    }
    if (*p == wanted) return p;
  }
  return nullptr;
}

int TextCompare(const char* a, const char* b) { return std::strcmp(a, b) == 0 ? 0 : 1; }

void TextToUpper(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (StartsDoubleByte(p)) {
      ++p;
      continue;
    }
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
  }
}

int TextCompareN(const void* a, const void* b, int n) {
  if (n <= 0) return 0;
  return std::memcmp(a, b, static_cast<size_t>(n)) == 0 ? 0 : 1;
}

void MemoryFill(void* dst, int value, size_t n) {
  if (n != 0) std::memset(dst, value & 0xFF, n);
}

int MemoryCompare(const void* a, const void* b, size_t n) {
  if (n == 0) return 0;
  return std::memcmp(a, b, n) == 0 ? 0 : 1;
}

void* MemoryCopy(void* dst, const void* src, size_t n) {
  if (n != 0) std::memcpy(dst, src, n);
  return dst;
}

void* MemoryMove(void* dst, const void* src, size_t n) {
  if (n != 0 && dst != src) std::memmove(dst, src, n);
  return dst;
}

int IntAbs(int value) {
  const unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  return static_cast<int>(magnitude);
}

float FloatAbs(float value) { return std::fabs(value); }

int DoubleToIntTrunc(double value) {
  // A C++ cast always truncates, whatever the rounding mode; only the
  // out-of-range case needs care because the cast is undefined there.
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int>(value);
}

int FloatToIntTrunc(float value) { return DoubleToIntTrunc(static_cast<double>(value)); }

void DoubleRectToIntRect(const DoubleRect& in, IntRect* out) {
  out->x1 = DoubleToIntTrunc(in.x1);
  out->y1 = DoubleToIntTrunc(in.y1);
  out->x2 = DoubleToIntTrunc(in.x2);
  out->y2 = DoubleToIntTrunc(in.y2);
}

float FloatSqrt(float value) { return std::sqrt(value); }

void AngleSinCos(float angle, float* sine, float* cosine) {
  // Computed in double and rounded once, as the processor's extended-precision
  // instruction did.
  const double a = static_cast<double>(angle);
  *sine = static_cast<float>(std::sin(a));
  *cosine = static_cast<float>(std::cos(a));
}

int TextToInt(const char* text) {
  const char* p = text;
  while (*p != '\0' && *p != '-' && !(*p >= '0' && *p <= '9')) ++p;
  if (*p == '\0') return -1;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  constexpr int kMaxDigits = 32;
  int digits[kMaxDigits];
  int count = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (count < kMaxDigits) digits[count++] = *p - '0';
  }
  // Unsigned arithmetic: the sum wraps at 2^32 instead of overflowing.
  uint32_t value = 0;
  uint32_t power = 1;
  for (int i = count - 1; i >= 0; --i) {
    value += static_cast<uint32_t>(digits[i]) * power;
    power *= 10u;
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

char* IntToText(int value, char* buffer, int radix) {
  if (radix < 2 || radix > 36) radix = 10;
  char* out = buffer;
  uint32_t magnitude = static_cast<uint32_t>(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0u - magnitude;  // also right for INT_MIN
  }
  char reversed[32];
  int count = 0;
  do {
    const uint32_t digit = magnitude % static_cast<uint32_t>(radix);
    reversed[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + (digit - 10));
    magnitude /= static_cast<uint32_t>(radix);
  } while (magnitude != 0);
  while (count > 0) *out++ = reversed[--count];
  *out = '\0';
  return buffer;
}

void Multiply64To128(const uint32_t a[2], const uint32_t b[2], uint32_t result[4]) {
  // Schoolbook: four 32 x 32 partial products added with carries.
  uint64_t words[4] = {0, 0, 0, 0};
  for (int i = 0; i < 2; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < 2; ++j) {
      const uint64_t t = static_cast<uint64_t>(a[i]) * b[j] + words[i + j] + carry;
      words[i + j] = t & 0xFFFFFFFFu;
      carry = t >> 32;
    }
    words[i + 2] += carry;
  }
  for (int k = 0; k < 4; ++k) result[k] = static_cast<uint32_t>(words[k]);
}

void Divide128By64(const uint32_t dividend[4], const uint32_t divisor[2], uint32_t quotient[2]) {
  const uint64_t d = (static_cast<uint64_t>(divisor[1]) << 32) | divisor[0];
  if (d == 0) {
    quotient[0] = quotient[1] = 0;
    return;
  }
  // Long division one 32-bit word at a time from the top; each step's
  // remainder is below d, so (remainder:word) / d never needs more than 128 bits.
  unsigned __int128 remainder = 0;
  uint32_t q[4];
  for (int k = 3; k >= 0; --k) {
    remainder = (remainder << 32) | dividend[k];
    q[k] = static_cast<uint32_t>(remainder / d);
    remainder %= d;
  }
  quotient[0] = q[0];
  quotient[1] = q[1];
}
