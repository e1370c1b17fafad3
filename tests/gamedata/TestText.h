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

// The death-test pattern of the notice a data file with a failed byte sum
// shows before the program ends.
inline std::string TamperedFileNotice(const std::string& fileName) {
  return Literal("[notice] ファイル " + fileName +
                 " が改竄されたか、破損している可能性があります。\nロードを中止します。 |  | ");
}
