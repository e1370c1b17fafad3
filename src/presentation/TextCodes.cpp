#include "presentation/TextCodes.h"

#include <array>
#include <utility>

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

int ShiftJisByteKind(const std::string& text, size_t i) {
  if (i >= text.size()) return 0;
  int state = 0;
  for (size_t k = 0; k <= i; ++k) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    if (state == 1) {
      state = c >= 0x40 && c <= 0xFC && c != 0x7F ? 2 : 0;
    } else {
      state = IsLeadByte(c) ? 1 : 0;
    }
  }
  return state;
}

std::string EscapesFromControlCodes(std::string text) {
  static const std::array<std::pair<char, const char*>, 10> kTable{{
      {'\x01', "\\\\"},
      {'\x05', "\\E"},
      {'\x06', "\\N"},
      {'\x09', "\\r["},
      {'\x0A', "\\>"},
      {'\x0B', "\\<"},
      {'\x0E', "\\."},
      {'\x0F', "\\!"},
      {'\x10', "\\^"},
      {'\x17', "\\img["},
  }};
  // The first entry found is replaced, then the search starts over.
  for (;;) {
    bool replaced = false;
    for (const auto& [code, escape] : kTable) {
      const char pair[2] = {'\x01', code};
      const size_t at = text.find(pair, 0, 2);
      if (at != std::string::npos) {
        text.replace(at, 2, escape);
        replaced = true;
        break;
      }
    }
    if (!replaced) return text;
  }
}
