#include <gtest/gtest.h>

#include "platform/dialogs/MessageBox.h"
#include "platform/process/Process.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"

namespace {

TEST(PlatformText, Cp932RoundTripsJapaneseAndAscii) {
  // "日本語 abc" in CP932, including a trail byte 0x5C (表 = 0x95 0x5C).
  const std::string cp932 = "\x93\xfa\x96\x7b\x8c\xea abc \x95\x5c";
  const std::string utf8 = "日本語 abc 表";
  EXPECT_EQ(platform::Cp932ToUtf8(cp932), utf8);
  EXPECT_EQ(platform::Utf8ToCp932(utf8), cp932);
}

TEST(PlatformText, UnconvertibleCharactersAreDroppedInAndReplacedOut) {
  // A character with no CP932 form disappears on the way in.
  EXPECT_EQ(platform::Utf8ToCp932("a\xF0\x9F\x98\x80"
                                  "b"),
            "ab");
  // A lone lead byte at the end and an unassigned pair become '?' on the way out.
  EXPECT_EQ(platform::Cp932ToUtf8("a\x81"), "a?");
  EXPECT_EQ(platform::Cp932ToUtf8("a\x85\x40z"), "a?z");
  // Half-width katakana and the Windows extensions (NEC row 13) convert.
  EXPECT_EQ(platform::Cp932ToUtf8("\xb1\x87\x40"), "ｱ①");
}

TEST(PlatformTime, VirtualClockMovesOnlyWhenAdvanced) {
  platform::SetVirtualClock(1000);
  EXPECT_EQ(platform::Milliseconds(), 1000u);
  platform::SleepMilliseconds(16);
  EXPECT_EQ(platform::Milliseconds(), 1016u);
  platform::AdvanceVirtualClock(4);
  EXPECT_EQ(platform::PerformanceCounter(), 1020 * 1000);
  EXPECT_GT(platform::PerformanceFrequency(), 0);
  // The 32-bit millisecond clock wraps.
  platform::SetVirtualClock(0x100000005ull);
  EXPECT_EQ(platform::Milliseconds(), 5u);
}

TEST(PlatformDialogs, HeadlessBoxesAreRecordedAndAnswered) {
  platform::ClearRecordedMessageBoxes();
  EXPECT_EQ(platform::ShowMessageBox("text", "caption", platform::kMbOkCancel), platform::kIdOk);
  platform::SetScriptedMessageBoxResult(platform::kIdCancel);
  EXPECT_EQ(platform::ShowMessageBox("second", "c", platform::kMbOkCancel), platform::kIdCancel);
  platform::SetScriptedMessageBoxResult(0);
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "text");
  EXPECT_EQ(boxes[0].caption, "caption");
  EXPECT_EQ(boxes[1].flags, platform::kMbOkCancel);
}

TEST(PlatformProcessDeathTest, ExitEndsWithTheCode) {
  EXPECT_EXIT(platform::ExitProcess(1), testing::ExitedWithCode(1), "");
}

}  // namespace
