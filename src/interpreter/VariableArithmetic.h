#pragma once

#include <cstdint>

// The arithmetic of the variable operation command, shared by its general
// form, its pre-resolved path and the inline fast codes, so all three store
// the same values (clamped, 64-bit intermediates). Nothing has undefined
// behaviour: quotients and remainders of INT32_MIN by -1 and abs(INT32_MIN)
// saturate; real values outside the int range saturate.

// Limits a 64-bit value to -2,000,000,000..2,000,000,000.
int ClampToTwoBillion(int64_t value);
// With the flag set, limits the value to -999,999..999,999.
int ClampToMillion(bool flag, int value);

// Saturating conversions.
int SaturateToInt(int64_t value);
// Truncates toward zero; values beyond the int range saturate, NaN gives 0.
int TruncateRealToInt(double value);
int64_t TruncateRealToInt64(double value);

// Wrapping 32-bit arithmetic (the database command's own arithmetic).
inline int WrapAdd(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int WrapSub(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int WrapMul(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// Random value between a and b, both included, from one raw draw r:
// min(a, b) + r mod (|a - b| + 1), the modulus unsigned (a span of 2^32 keeps r).
int RandomBetween(int a, int b, uint32_t r);

// Integer mode of the normal path. `random` is consulted only by operator 6.
int IntegerOperatorStage(int op, int left, int right, uint32_t (*random)());
// Returns false when the assignment operator stores nothing (9-15).
bool IntegerAssignmentStage(int asg, int current, int value, int* stored);

// Real mode of the normal path (flag bit 1).
double RealOperatorStage(int op, int left, int right);
bool RealAssignmentStage(int asg, int current, double value, int* stored);
