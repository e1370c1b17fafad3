#include "gamedata/GameText.h"

#include "platform/text/Text.h"

std::string Cp932Text(std::string_view utf8) { return platform::Utf8ToCp932(utf8); }

std::string FillText(const std::string& format, std::initializer_list<std::string> args) {
  std::string out;
  out.reserve(format.size() + 16);
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    // Trail bytes of CP932 never take the value of '%', so a byte scan is safe.
    if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 'd' || format[i + 1] == 's') &&
        next != args.end()) {
      out += *next++;
      ++i;
      continue;
    }
    out += format[i];
  }
  return out;
}

std::string NoticeText(std::string_view utf8, std::initializer_list<std::string> args) {
  return FillText(Cp932Text(utf8), args);
}
