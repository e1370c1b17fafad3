// Texts written as UTF-8 in the sources become, while compiling, the same
// CP932 bytes that iconv gives at run time.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Cp932Literal.h"
#include "platform/text/Text.h"

namespace {

TEST(Cp932Literal, EqualsIconvsBytes) {
  struct Case {
    const char* utf8;
    std::string compiled;
    std::string bytes;
  };
  const Case cases[] = {
      // 0x5C as a trail byte, which a byte-wise path split would take for '\'.
      {"ソ表能", Cp932<"ソ表能">, "\x83\x5c\x95\x5c\x94\x5c"},
      // A lead byte of 0xE0 and above.
      {"熙", Cp932<"熙">, "\xea\xa4"},
      // Half-width kana are single bytes.
      {"ｱ", Cp932<"ｱ">, "\xb1"},
      {"～－―", Cp932<"～－―">, "\x81\x60\x81\x7c\x81\x5c"},
      {"DirectDraw の初期化に失敗しました\n%s\t\"\\\"", Cp932<"DirectDraw の初期化に失敗しました\n%s\t\"\\\"">,
       "DirectDraw \x82\xcc\x8f\x89\x8a\xfa\x89\xbb\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n%s\t\"\\\""},
      {"", Cp932<"">, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.compiled, c.bytes) << c.utf8;
    EXPECT_EQ(c.compiled, platform::Utf8ToCp932(c.utf8)) << c.utf8;
  }
}

TEST(Cp932Literal, IsANulTerminatedArrayOfItsBytes) {
  constexpr auto& text = Cp932<"成功\n">;
  static_assert(sizeof text == 6);
  static_assert(text[0] == '\x90' && text[1] == '\xac' && text[4] == '\n' && text[5] == '\0');
  const char* decayed = text;
  EXPECT_STREQ(decayed, "\x90\xac\x8c\xf7\n");
}

}  // namespace
