#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/GameText.h"
#include "presentation/MessageEscapes.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int kStrings = 3000000;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

class MessageEscapes : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(2);
    gVariableStore.stringVariables.assign(10, "");
    gVariableStore.variableSets[0][1] = 7;
    gVariableStore.variableSets[0][3] = -42;
  }
  static std::string Display(const std::string& text) { return ExpandMessageEscapes(text, -1, 0, 1, 0, 0, "", "", 1); }
  static std::string ValuesOnly(const std::string& text) {
    return ExpandMessageEscapes(text, -1, 0, 1, 1, 0, "", "", 0);
  }
};

TEST_F(MessageEscapes, TextsExpandToTheirControlCodes) {
  const std::string kHyo = "\x95\x5C";  // its trail byte is a backslash
  struct Case {
    std::string text;
    std::string hex;
  };
  const std::vector<Case> cases = {
      {"ab\r\ncd", "61 62 0A 63 64"},                             // carriage returns go
      {"\\\\c[1]", "01 01 63 5B 31 5D"},                          // an escaped backslash, then plain c[1]
      {"\\\\v[1]", "5C 37"},                                      // value escapes run before backslash pairs
      {kHyo + "c[1]\\c[2]", "95 5C 63 5B 31 5D 5C 63 5B 32 5D"},  // the first \c sits on a trail byte
      {"\\c[2]x", "01 02 0E 10 78"},
      {"\\c[230]", "01 02 10 14"},  // base 112
      {"\\c[-5]", "01 02 0E 0E"},
      {"\\space[0]", "01 12 8B 0E"},       // 32000
      {"\\space[-32000]", "01 12 0D 0D"},  // 65535, bytes taken modulo 256
      {"\\sp[0]", "01 0C 0D 0D"},
      {"\\sp[250]", "01 0C 0E 08"},
      {"\\sp[70000]", "01 0C F8 6E"},  // 60000
      {"\\-[0]", "01 07 FF"},
      {"\\-[13]", "01 07 0C"},
      {"\\-[5]", "01 07 05"},
      {"\\f[200]\\f[-3]", "01 03 80 01 03 0F"},
      {"\\m[300]", "01 04 FE"},
      {"\\font[2]", "01 11 10"},
      {"\\i[12000]\\mx[-1]\\my[3]", "01 16 35 1D 01 18 35 1E 01 19 0E 11"},
      {"\\E\\N\\>\\<\\.\\!\\^", "01 05 01 06 01 0A 01 0B 01 0E 01 0F 01 10"},
      {"<L><C><R>", "01 13 01 14 01 15"},
      {"\\r[ab,c]", "01 09 61 62 2C 63 5D"},
      {"\\img[a.png]", "01 17 61 2E 70 6E 67 5D"},
      {"@12\nhi", "68 69"},
      {"@", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(Display(c.text)), c.hex) << Hex(c.text);
  // The at-sign line sets system variable 0.
  EXPECT_EQ(Display("@12\nhi"), "hi");
  EXPECT_EQ(gVariableStore.ReadVariable(9000000), 12);
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_F(MessageEscapes, ArgumentBytesWrittenAreNeverReadAsEscapes) {
  // 92 % 112 + 14 = 106; \c[78] writes the argument bytes 0x0E 0x5C: a backslash
  // followed by the "E" of the text must stay text.
  EXPECT_EQ(Hex(Display("\\c[78]E")), "01 02 0E 5C 45");
}

TEST_F(MessageEscapes, ValueEscapesReadTheirCells) {
  gVariableStore.WriteStringVariable(kStrings + 1, "name");
  gVariableStore.commonSelfVariables[1][4] = 44;
  gVariableStore.commonSelfStrings[1][0] = "five";
  EXPECT_EQ(ValuesOnly("\\v[1]/\\v[3]/\\s[1]"), "7/-42/name");
  EXPECT_EQ(ExpandMessageEscapes("\\cself[4]\\cself[5]", -1, 1, 1, 1, 0, "", "", 0), "44five");
  // With valuesOnly the display escapes and backslash pairs stay.
  EXPECT_EQ(ValuesOnly("\\c[1]\\\\\r"), "\\c[1]\\\\\r");
  // A value that brings an escape of a later kind is expanded in turn.
  gVariableStore.WriteStringVariable(kStrings + 2, "<\\v[1]>");
  EXPECT_EQ(ValuesOnly("\\s[2]"), "<\\v[1]>");
  gVariableStore.WriteStringVariable(kStrings + 2, "<\\s[1]>");
  EXPECT_EQ(ValuesOnly("\\s[2]"), "<name>");
  // Wrapping puts the prefix and suffix around the text.
  EXPECT_EQ(ExpandMessageEscapes("b", -1, 0, 1, 1, 1, "a\\v[1]", "c", 0), "a7bc");
}

TEST_F(MessageEscapes, FaultsShowTheirNoticeAndGoOn) {
  // A missing "]": the backslash and the letter are replaced, the rest stays.
  EXPECT_EQ(ValuesOnly("\\v[1"), "0[1");
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][0], Cp932Text("エラー：\\v[の「]」が見つかりません"));
  ClearRecordedNotices();
  EXPECT_EQ(Hex(Display("\\c[10000]")), "01 02 0E 0E 5B 31 30 30 30 30 5D");
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][1], Cp932Text("指定色 > 10000"));
  ClearRecordedNotices();
  // A slot out of range is noted and written all the same.
  EXPECT_EQ(Hex(Display("\\font[5]")), "01 11 13");
  EXPECT_EQ(RecordedNotices().size(), 1u);
  ClearRecordedNotices();
  // Ten characters after the at sign: the number is 0.
  gVariableStore.WriteVariable(9000000, 5);
  EXPECT_EQ(Display("@1234567890\nx"), "x");
  EXPECT_EQ(gVariableStore.ReadVariable(9000000), 0);
  EXPECT_EQ(RecordedNotices().size(), 1u);
}

TEST_F(MessageEscapes, AStringHoldingItsOwnEscapeStopsAtTheBound) {
  gVariableStore.WriteStringVariable(kStrings + 1, "x\\s[1]");
  const std::string out = ValuesOnly("\\s[1]");
  EXPECT_GE(out.size(), 100u);
  EXPECT_LE(out.size(), (1u << 20) + 16);
  EXPECT_EQ(RecordedNotices().size(), 1u);
}

}  // namespace
