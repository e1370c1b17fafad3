#pragma once

#include <cstddef>
#include <cstdint>

// The media layer's own text, memory and number helpers. Texts are
// NUL-terminated Shift-JIS byte strings; the Shift-JIS-aware functions step over
// double-byte characters whole and stop at a terminator even after a lead byte.

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
inline bool IsDoubleByteLead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

char* TextCopy(char* dst, const char* src);
char* TextCopyMax(char* dst, const char* src, int n);  // dst holds n + 1 bytes
char* TextAppend(char* dst, const char* src);
const char* TextFindByte(const char* text, int byte);
int TextCompare(const char* a, const char* b);  // 0 equal, 1 different
void TextToUpper(char* text);
int TextCompareN(const void* a, const void* b, int n);  // exactly n bytes

void MemoryFill(void* dst, int value, size_t n);
int MemoryCompare(const void* a, const void* b, size_t n);  // 0 equal, 1 different
void* MemoryCopy(void* dst, const void* src, size_t n);
void* MemoryMove(void* dst, const void* src, size_t n);

int IntAbs(int value);  // INT_MIN stays INT_MIN (two's-complement wrap)
float FloatAbs(float value);
// Both truncate toward zero; NaN and values outside the int range give INT_MIN,
// which is what the processor's own conversion answers.
int FloatToIntTrunc(float value);
int DoubleToIntTrunc(double value);
struct DoubleRect {
  double x1, y1, x2, y2;
};
struct IntRect {
  int x1, y1, x2, y2;
};
void DoubleRectToIntRect(const DoubleRect& in, IntRect* out);
float FloatSqrt(float value);
void AngleSinCos(float angle, float* sine, float* cosine);
// Reads at most 32 digits; longer runs keep their first 32, and the value wraps
// in 32-bit arithmetic.
int TextToInt(const char* text);
// buffer holds at least 34 bytes (sign, 32 binary digits, terminator). A radix
// outside 2-36 writes decimal: there is no sensible digit set for it.
char* IntToText(int value, char* buffer, int radix);

// 128-bit numbers are four 32-bit words, least significant first; 64-bit ones two.
void Multiply64To128(const uint32_t a[2], const uint32_t b[2], uint32_t result[4]);
// A zero divisor gives a zero quotient.
void Divide128By64(const uint32_t dividend[4], const uint32_t divisor[2], uint32_t quotient[2]);
