#include "interpreter/VariableArithmetic.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int64_t kTwoBillion = 2000000000;
using variable_arithmetic::Remainder;

}  // namespace

int64_t TruncateRealToInt64(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exactly representable; anything at or beyond it saturates.
  if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

int TruncateRealToInt(double value) { return SaturateToInt(TruncateRealToInt64(value)); }

int RandomBetween(int a, int b, uint32_t r) {
  const int64_t low = a < b ? a : b;
  const int64_t span = (a < b ? static_cast<int64_t>(b) - a : static_cast<int64_t>(a) - b) + 1;
  return static_cast<int>(low + static_cast<int64_t>(r % static_cast<uint64_t>(span)));
}

double RealOperatorStage(int op, int left, int right) {
  const double l = left;
  const double r = right;
  switch (op) {
    case 0: return l + r;
    case 1: return l - r;
    case 2: return static_cast<double>(ClampToTwoBillion(static_cast<int64_t>(left) * right));
    case 3: return l / (right == 0 ? 1.0 : r);
    case 4: return static_cast<double>(Remainder(left, right == 0 ? 1 : right));
    case 5: return static_cast<double>(left & right);
    default: return 0.0;
  }
}

bool RealAssignmentStage(int asg, int current, double x, int* stored) {
  const double cur = current;
  switch (asg) {
    case 0: *stored = TruncateRealToInt(x); return true;
    case 1: *stored = ClampToTwoBillion(TruncateRealToInt64(cur + x)); return true;
    case 2: *stored = ClampToTwoBillion(TruncateRealToInt64(cur - x)); return true;
    case 3: {
      const int64_t whole = TruncateRealToInt64(x);
      int64_t product = 0;
      if (__builtin_mul_overflow(static_cast<int64_t>(current), whole, &product)) {
        product = (current < 0) == (whole < 0) ? kTwoBillion : -kTwoBillion;
      }
      const int p = ClampToTwoBillion(product);
      *stored = (p == kTwoBillion || p == -kTwoBillion) ? p : ClampToTwoBillion(TruncateRealToInt64(cur * x));
      return true;
    }
    case 4: *stored = TruncateRealToInt(cur / (x == 0.0 ? 1.0 : x)); return true;
    case 5: {
      int64_t divisor = TruncateRealToInt64(x == 0.0 ? 1.0 : x);
      if (divisor == 0) divisor = 1;
      *stored = static_cast<int>(Remainder(current, divisor));
      return true;
    }
    case 6: *stored = cur >= x ? current : TruncateRealToInt(x); return true;
    case 7: *stored = cur <= x ? current : TruncateRealToInt(x); return true;
    case 8: *stored = TruncateRealToInt(std::fabs(x)); return true;
    default: return false;
  }
}
