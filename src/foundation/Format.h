#pragma once

#include <cstdarg>
#include <cstddef>

// printf-style formatting into a caller's buffer of `capacity` bytes. The
// result is always terminated and cut on a character boundary, never inside a
// Shift-JIS double-byte character.
int FormatTextV(char* buffer, size_t capacity, const char* format, va_list args);
int FormatText(char* buffer, size_t capacity, const char* format, ...);
