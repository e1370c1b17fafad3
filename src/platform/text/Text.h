#pragma once

#include <string>
#include <string_view>

namespace platform {

// The runtime keeps every text as CP932 (Shift-JIS with the Windows
// extensions) bytes; the outside world (file names on disk, SDL, fontconfig,
// the terminal) speaks UTF-8.

// CP932 -> UTF-8. A byte sequence that does not convert becomes '?'.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932. A character with no CP932 form is dropped.
std::string Utf8ToCp932(std::string_view utf8);

// True for a byte that starts a double-byte CP932 character.
inline bool IsCp932Lead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

}  // namespace platform
