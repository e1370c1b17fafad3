#pragma once

// The system's own Japanese texts are written in the sources as UTF-8 and
// turned into the CP932 bytes the program writes while compiling:
//
//   inline constexpr auto& kTxtDone = Cp932<"成功\n">;   // const char[6]
//
// A character with no CP932 code (or text that is not UTF-8) fails the build.
// The table comes from iconv's CP932 (make_cp932_table), so each character
// has exactly the code iconv gives it; of pairs such as 〜/～ only the form
// CP932 decodes to is accepted.

#include <cstddef>

#include "text/Cp932Table.h"

namespace cp932 {

// A string literal as a template argument.
template <std::size_t N>
struct Utf8Literal {
  char text[N]{};
  consteval Utf8Literal(const char (&literal)[N]) {  // NOLINT(google-explicit-constructor): taken from literals
    for (std::size_t i = 0; i < N; ++i) text[i] = literal[i];
  }
};

// Called only where a literal cannot be converted: not being constexpr, it
// stops the compilation there and names the reason.
void TextIsNotValidUtf8();
void CharacterHasNoCp932Code();

// Reads the character at text[i] and moves i past it.
template <std::size_t N>
constexpr char32_t NextCharacter(const Utf8Literal<N>& literal, std::size_t& i) {
  const auto byte = [&](std::size_t at) -> unsigned {
    if (at >= N - 1) TextIsNotValidUtf8();
    return static_cast<unsigned char>(literal.text[at]);
  };
  const unsigned first = byte(i);
  std::size_t length = first < 0x80 ? 1 : (first & 0xE0) == 0xC0 ? 2 : (first & 0xF0) == 0xE0 ? 3 : 0;
  if (length == 0) TextIsNotValidUtf8();
  char32_t value = length == 1 ? first : length == 2 ? (first & 0x1F) : (first & 0x0F);
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned next = byte(i + k);
    if ((next & 0xC0) != 0x80) TextIsNotValidUtf8();
    value = value << 6 | (next & 0x3F);
  }
  // Overlong forms are not UTF-8.
  if ((length == 2 && value < 0x80) || (length == 3 && value < 0x800)) TextIsNotValidUtf8();
  i += length;
  return value;
}

constexpr unsigned CodeOf(char32_t character) {
  std::size_t low = 0;
  std::size_t high = sizeof kTable / sizeof kTable[0];
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if (kTable[mid].character < character) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low == sizeof kTable / sizeof kTable[0] || kTable[low].character != character) CharacterHasNoCp932Code();
  return kTable[low].code;
}

template <std::size_t N>
constexpr std::size_t EncodedLength(const Utf8Literal<N>& literal) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < N - 1;) length += CodeOf(NextCharacter(literal, i)) > 0xFF ? 2 : 1;
  return length;
}

template <std::size_t M>
struct Bytes {
  char text[M]{};
};

template <Utf8Literal S>
consteval auto Encode() {
  Bytes<EncodedLength(S) + 1> out;
  std::size_t at = 0;
  for (std::size_t i = 0; i < sizeof S.text - 1;) {
    const unsigned code = CodeOf(NextCharacter(S, i));
    if (code > 0xFF) out.text[at++] = static_cast<char>(code >> 8);
    out.text[at++] = static_cast<char>(code & 0xFF);
  }
  return out;
}

template <Utf8Literal S>
inline constexpr auto kEncoded = Encode<S>();

}  // namespace cp932

// The CP932 bytes of a UTF-8 literal, as a NUL-terminated char array.
template <cp932::Utf8Literal S>
inline constexpr const auto& Cp932 = cp932::kEncoded<S>.text;
