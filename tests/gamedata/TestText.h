#pragma once

#include <string>

#include "platform/text/Text.h"

// Game texts are CP932 at run time; tests write them as UTF-8.
inline std::string Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8); }

// A death-test pattern that matches the UTF-8 text literally.
inline std::string Literal(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}
