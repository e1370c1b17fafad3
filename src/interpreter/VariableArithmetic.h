#pragma once

#include <cstdint>

// The arithmetic of the variable operation command: the general form's
// (clamped, 64-bit intermediates) and the wrapping 32-bit arithmetic of
// linked operations (its pre-resolved path and the inline fast codes).
// Nothing has undefined behaviour: quotients of INT32_MIN by -1 saturate,
// and so do abs(INT32_MIN) in the general form and real values outside the
// int range.

namespace variable_arithmetic {
// Quotient and remainder in 64 bits: INT32_MIN / -1 cannot trap there.
inline int64_t Quotient(int64_t a, int64_t b) { return a / b; }
inline int64_t Remainder(int64_t a, int64_t b) { return a % b; }
}  // namespace variable_arithmetic

// Limits a 64-bit value to -2,000,000,000..2,000,000,000.
inline int ClampToTwoBillion(int64_t value) {
  constexpr int64_t kTwoBillion = 2000000000;
  if (value > kTwoBillion) return static_cast<int>(kTwoBillion);
  if (value < -kTwoBillion) return static_cast<int>(-kTwoBillion);
  return static_cast<int>(value);
}
// With the flag set, limits the value to -999,999..999,999.
inline int ClampToMillion(bool flag, int value) {
  if (!flag) return value;
  if (value > 999999) return 999999;
  if (value < -999999) return -999999;
  return value;
}

// Saturating conversions.
inline int SaturateToInt(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int>(value);
}
// Truncates toward zero; values beyond the int range saturate, NaN gives 0.
int TruncateRealToInt(double value);
int64_t TruncateRealToInt64(double value);

// Wrapping 32-bit arithmetic (the database command's and linked operations').
inline int WrapAdd(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int WrapSub(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int WrapMul(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// Random value between a and b, both included, from one raw draw r:
// min(a, b) + r mod (|a - b| + 1), the modulus unsigned (a span of 2^32 keeps r).
int RandomBetween(int a, int b, uint32_t r);

// Integer mode of the normal path. `random` is consulted only by operator 6.
inline int IntegerOperatorStage(int op, int left, int right, uint32_t (*random)()) {
  using variable_arithmetic::Quotient;
  using variable_arithmetic::Remainder;
  const int64_t l = left;
  const int64_t r = right;
  switch (op) {
    case 0: return ClampToTwoBillion(l + r);
    case 1: return ClampToTwoBillion(l - r);
    case 2: return ClampToTwoBillion(l * r);
    case 3: return SaturateToInt(Quotient(l, r == 0 ? 1 : r));
    case 4: return static_cast<int>(Remainder(l, r == 0 ? 1 : r));
    case 5: return left & right;
    case 6: return RandomBetween(left, right, random ? random() : 0u);
    default: return 0;  // operators 7-15 define no value
  }
}
// Returns false when the assignment operator stores nothing (9-15).
inline bool IntegerAssignmentStage(int asg, int current, int value, int* stored) {
  using variable_arithmetic::Quotient;
  using variable_arithmetic::Remainder;
  const int64_t c = current;
  const int64_t v = value;
  switch (asg) {
    case 0: *stored = value; return true;
    case 1: *stored = ClampToTwoBillion(c + v); return true;
    case 2: *stored = ClampToTwoBillion(c - v); return true;
    case 3: *stored = ClampToTwoBillion(c * v); return true;
    case 4: *stored = SaturateToInt(Quotient(c, v == 0 ? 1 : v)); return true;
    case 5: *stored = static_cast<int>(Remainder(c, v == 0 ? 1 : v)); return true;
    case 6: *stored = current > value ? current : value; return true;
    case 7: *stored = current < value ? current : value; return true;
    case 8: *stored = SaturateToInt(v < 0 ? -v : v); return true;
    default: return false;
  }
}

// Integer mode of a linked operation: plain 32-bit arithmetic that wraps on
// overflow. A divisor of 0 gives what dividing by 1 gives (the left value,
// remainder 0; /= keeps the target, %= stores 0), as in the general form.
inline int WrappingOperatorStage(int op, int left, int right, uint32_t (*random)()) {
  using variable_arithmetic::Quotient;
  using variable_arithmetic::Remainder;
  switch (op) {
    case 0: return WrapAdd(left, right);
    case 1: return WrapSub(left, right);
    case 2: return WrapMul(left, right);
    case 3: return right == 0 ? left : SaturateToInt(Quotient(left, right));
    case 4: return right == 0 ? 0 : static_cast<int>(Remainder(left, right));
    case 5: return left & right;
    case 6: return RandomBetween(left, right, random ? random() : 0u);
    default: return 0;  // operators 7-15 define no value
  }
}
inline bool WrappingAssignmentStage(int asg, int current, int value, int* stored) {
  using variable_arithmetic::Quotient;
  using variable_arithmetic::Remainder;
  switch (asg) {
    case 0: *stored = value; return true;
    case 1: *stored = WrapAdd(current, value); return true;
    case 2: *stored = WrapSub(current, value); return true;
    case 3: *stored = WrapMul(current, value); return true;
    case 4: *stored = value == 0 ? current : SaturateToInt(Quotient(current, value)); return true;
    case 5: *stored = value == 0 ? 0 : static_cast<int>(Remainder(current, value)); return true;
    case 6: *stored = current > value ? current : value; return true;
    case 7: *stored = current < value ? current : value; return true;
    case 8: *stored = value < 0 ? WrapSub(0, value) : value; return true;
    default: return false;
  }
}

// Real mode of the normal path (flag bit 1).
double RealOperatorStage(int op, int left, int right);
bool RealAssignmentStage(int asg, int current, double x, int* stored);
