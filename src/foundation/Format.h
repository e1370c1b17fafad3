#pragma once

#include <cstdarg>
#include <cstddef>

// printf-style formatting into a caller's buffer of `capacity` bytes. The
// result is always terminated and cut on a character boundary, never inside a
// Shift-JIS double-byte character.
// FormatTextV returns the length left in the buffer (-1 for a bad format);
// FormatText returns 0.
int FormatTextV(char* buffer, size_t capacity, const char* format, va_list args) __attribute__((format(printf, 3, 0)));
int FormatText(char* buffer, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
