#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Texts shown by the game runtime are CP932; the sources hold them as UTF-8.
std::string Cp932Text(std::string_view utf8);

// Replaces each "%d" or "%s" of the format, in order, by the next argument.
std::string FillText(const std::string& format, std::initializer_list<std::string> args);

// Cp932Text(utf8) filled with the arguments.
std::string NoticeText(std::string_view utf8, std::initializer_list<std::string> args);

inline std::string Decimal(long long value) { return std::to_string(value); }
