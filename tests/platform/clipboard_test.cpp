#include <gtest/gtest.h>

#include "platform/clipboard/Clipboard.h"

namespace {

class PlatformClipboard : public testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    platform::SetScriptedClipboardUnavailable(false);
    platform::ClearScriptedClipboard();
  }
};

TEST_F(PlatformClipboard, ReadsConvertToCp932WithCrLf) {
  std::string text = "unchanged";
  EXPECT_FALSE(platform::ReadClipboardCp932(&text));
  EXPECT_EQ(text, "unchanged");

  platform::SetScriptedClipboardUtf8("あA\nｱ");
  ASSERT_TRUE(platform::ReadClipboardCp932(&text));
  EXPECT_EQ(text, "\x82\xa0"
                  "A\r\n\xb1");
}

TEST_F(PlatformClipboard, WritesConvertToUtf8WithLf) {
  ASSERT_TRUE(platform::WriteClipboardCp932("\x95\x5c\r\nx"));  // 表
  EXPECT_TRUE(platform::ScriptedClipboardHasText());
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "表\nx");
}

TEST_F(PlatformClipboard, UnavailableClipboardFailsBothWays) {
  platform::SetScriptedClipboardUtf8("a");
  platform::SetScriptedClipboardUnavailable(true);
  std::string text;
  EXPECT_FALSE(platform::ReadClipboardCp932(&text));
  EXPECT_FALSE(platform::WriteClipboardCp932("b"));
  platform::SetScriptedClipboardUnavailable(false);
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "a");
}

}  // namespace
