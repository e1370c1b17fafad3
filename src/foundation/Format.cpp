#include "foundation/Format.h"

#include <cstdio>

#include "foundation/TextFunctions.h"

namespace {

// Length of the longest prefix of text[0, length) that ends on a character
// boundary: a lead byte whose trail was cut off is dropped.
size_t WholeCharacterLength(const char* text, size_t length) {
  size_t i = 0;
  while (i < length) {
    const bool lead = IsDoubleByteLead(static_cast<unsigned char>(text[i]));
    const size_t width = lead ? 2 : 1;
    if (i + width > length) break;
    i += width;
  }
  return i;
}

}  // namespace

int FormatTextV(char* buffer, size_t capacity, const char* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return 0;
  const int written = std::vsnprintf(buffer, capacity, format, args);
  if (written < 0) {
    buffer[0] = '\0';
    return -1;
  }
  if (static_cast<size_t>(written) < capacity) return written;
  const size_t kept = WholeCharacterLength(buffer, capacity - 1);
  buffer[kept] = '\0';
  return static_cast<int>(kept);
}

int FormatText(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatTextV(buffer, capacity, format, args);
  va_end(args);
  return 0;
}
