#include "platform/text/Text.h"

#include <iconv.h>

#include <cerrno>

namespace platform {

namespace {

// Converts with one iconv descriptor per direction. On a sequence that does not
// convert, `replacement` is written (empty: dropped) and the input skips one
// character: two bytes for a CP932 lead byte, one UTF-8 sequence otherwise.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    bool fromCp932) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  out.reserve(in.size() * 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one character of input.
    size_t skip = 1;
    auto lead = static_cast<unsigned char>(*src);
    if (fromCp932) {
      if (IsCp932Lead(lead) && srcLeft >= 2) skip = 2;
    } else {
      if (lead >= 0xF0) skip = 4;
      else if (lead >= 0xE0) skip = 3;
      else if (lead >= 0xC0) skip = 2;
      // A continuation byte where a character should start is skipped alone.
      if (skip > srcLeft) skip = srcLeft;
      for (size_t i = 1; i < skip; ++i) {
        if ((static_cast<unsigned char>(src[i]) & 0xC0) != 0x80) {
          skip = i;
          break;
        }
      }
    }
    src += skip;
    srcLeft -= skip;
    out.append(replacement);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state.
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, sizeof buffer - dstLeft);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932, "?", true); }

std::string Utf8ToCp932(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8, "", false); }

}  // namespace platform
