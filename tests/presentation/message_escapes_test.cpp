#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "gamedata/DataFileScramble.h"
#include "gamedata/DatabaseFixture.h"
#include "gamedata/GameText.h"
#include "gamedata/VariableId.h"
#include "gamedata/VariableStore.h"
#include "presentation/MessageEscapes.h"
#include "presentation/TextCodes.h"
#include "shell/NoticeBox.h"
#include "support/ScriptWorld.h"

namespace {

// The expansion as it was built first, searching each escape from the start
// of the text and replacing in place: the reference that the equality test
// below compares the expansion with.
namespace reference {

constexpr char kDatabaseError[] = "<<ERROR>>";
// A string that brings in its own escape would expand without end: the value
// stage stops after this many replacements or at this size.
constexpr int kMaxReplacements = 10000;
constexpr size_t kMaxExpandedSize = 1 << 20;

// Reads a decimal integer the way atoi does (blanks, sign, digits), bounded to int.
int ReadNumber(const std::string& text, size_t from, size_t to) {
  to = std::min(to, text.size());
  size_t i = from;
  while (i < to && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < to && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  while (i < to && text[i] >= '0' && text[i] <= '9') {
    value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    ++i;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp(value, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

void Notice(const char* line1, const std::string& line2, const std::string& line3) {
  ShowNoticeBox(Cp932Text(line1), line2, line3);
}

struct ValueStage {
  std::string& text;
  int replacements = 0;
  bool stopped = false;

  bool Spent() {
    if (stopped) return true;
    if (replacements >= kMaxReplacements || text.size() > kMaxExpandedSize) {
      stopped = true;
      Notice("エラー：文字列の展開が深すぎるため途中で止めました", "", ErrorLocationText());
      return true;
    }
    return false;
  }

  void Replace(size_t at, size_t length, const std::string& value) {
    text.replace(at, length, value);
    ++replacements;
  }

  // One kind of "opener n ]" escape; `value` gives the text for n.
  template <class Value>
  void Run(const std::string& opener, const char* missingClose, Value value) {
    for (size_t at = text.find(opener); at != std::string::npos && !Spent(); at = text.find(opener)) {
      const size_t numberStart = at + opener.size();
      const size_t close = text.find(']', numberStart);
      if (close == std::string::npos) {
        Notice(missingClose, ErrorLocationText(), "");
        Replace(at, 2, value(0));
      } else {
        Replace(at, close + 1 - at, value(ReadNumber(text, numberStart, close)));
      }
    }
  }

  void RunDatabase() {
    static const std::array<std::pair<const char*, int>, 3> kinds{{{"\\udb[", 0}, {"\\cdb[", 1}, {"\\sdb[", 3}}};
    while (!Spent()) {
      size_t at = std::string::npos;
      int kind = 0;
      for (const auto& [opener, k] : kinds) {
        at = text.find(opener);
        if (at != std::string::npos) {
          kind = k;
          break;
        }
      }
      if (at == std::string::npos) return;
      const size_t open = at + 4;  // the "["
      bool missing = false;
      auto separator = [&](char c, size_t previous) {
        const size_t found = text.find(c, previous + 1);
        if (found != std::string::npos) return found;
        missing = true;
        Notice(c == ':' ? "エラー：\\?dbの「:」が見つかりません" : "エラー：\\?dbの「]」が見つかりません",
               ErrorLocationText(), "");
        return previous + 1;
      };
      const size_t colon1 = separator(':', open);
      const size_t colon2 = separator(':', colon1);
      const size_t close = separator(']', colon2);
      const long long id = 1000000000LL + kind * 100000000LL + ReadNumber(text, open + 1, colon1) * 1000000LL +
                           ReadNumber(text, colon1 + 1, colon2) * 100LL + ReadNumber(text, colon2 + 1, close);
      const int cell =
          static_cast<int>(std::clamp(id, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
      std::string value = gVariableStore.ReadStringVariable(cell);
      if (value == kDatabaseError) value = std::to_string(gVariableStore.ReadVariable(cell));
      Replace(at, missing ? 2 : std::min(close, text.size() - 1) + 1 - at, value);
    }
  }
};

std::string IntText(int id) { return std::to_string(gVariableStore.ReadVariable(id)); }

void ExpandValueEscapes(std::string& text, int mapEventId, int commonId, int mapId) {
  ValueStage stage{text};
  stage.Run("\\v[", "エラー：\\v[の「]」が見つかりません", [](int n) { return IntText(2000000 + n); });
  for (int d = 1; d <= 9; ++d) {
    stage.Run(std::string("\\v") + static_cast<char>('0' + d) + "[", "エラー：\\v?の「]」が見つかりません",
              [d](int n) { return IntText(2000000 + d * 100000 + n); });
  }
  stage.Run("\\self[", "エラー：\\selfの「]」が見つかりません", [&](int n) {
    gVariableStore.ContextMapId = mapId;
    return IntText(1000000 + mapEventId * 10 + n);
  });
  stage.Run("\\cself[", "エラー：\\cselfの「]」が見つかりません", [&](int n) {
    const int id = 15000000 + commonId * 100 + n;
    return n >= 5 && n <= 9 ? gVariableStore.ReadStringVariable(id) : IntText(id);
  });
  stage.RunDatabase();
  stage.Run("\\s[", "エラー：\\sの「]」が見つかりません",
            [](int n) { return gVariableStore.ReadStringVariable(3000000 + n); });
}

void ReplaceBackslashPairs(std::string& text) {
  for (size_t at = text.find("\\\\"); at != std::string::npos; at = text.find("\\\\", at)) {
    if (ShiftJisByteKind(text, at) == 0) {
      text.replace(at, 2, "\x01\x01");
      at += 2;
    } else {
      at += 1;
    }
  }
}

enum class Arg { None, Base112, Plus14, Raw, Base256 };

struct DisplayEscape {
  const char* opener;
  int code;
  Arg arg;
  const char* missingClose;  // null: no argument
};

const std::array<DisplayEscape, 22> kDisplayEscapes{{
    {"\\c[", 2, Arg::Base112, "エラー：\\cの「]」が見つかりません"},
    {"\\font[", 17, Arg::Plus14, "エラー：\\fontの「]」が見つかりません"},
    {"\\f[", 3, Arg::Plus14, "エラー：\\fの「]」が見つかりません"},
    {"\\m[", 4, Arg::Plus14, "エラー：\\mの「]」が見つかりません"},
    {"\\E", 5, Arg::None, nullptr},
    {"\\N", 6, Arg::None, nullptr},
    {"\\-[", 7, Arg::Raw, "エラー：\\-の「]」が見つかりません"},
    {"\\r[", 9, Arg::None, nullptr},
    {"\\>", 10, Arg::None, nullptr},
    {"\\<", 11, Arg::None, nullptr},
    {"\\sp[", 12, Arg::Base256, "エラー：\\spの「]」が見つかりません"},
    {"\\.", 14, Arg::None, nullptr},
    {"\\!", 15, Arg::None, nullptr},
    {"\\^", 16, Arg::None, nullptr},
    {"\\space[", 18, Arg::Base256, "エラー：\\spaceの「]」が見つかりません"},
    {"<L>", 19, Arg::None, nullptr},
    {"<C>", 20, Arg::None, nullptr},
    {"<R>", 21, Arg::None, nullptr},
    {"\\i[", 22, Arg::Base256, "エラー：\\iの「]」が見つかりません"},
    {"\\img[", 23, Arg::None, nullptr},
    {"\\mx[", 24, Arg::Base256, "エラー：\\mxの「]」が見つかりません"},
    {"\\my[", 25, Arg::Base256, "エラー：\\myの「]」が見つかりません"},
}};

// The control code of one display escape with value n.
std::string CodeBytes(const DisplayEscape& e, int n) {
  std::string out{'\x01', static_cast<char>(e.code)};
  auto byte = [&](long long b) { out += static_cast<char>(static_cast<uint8_t>(b & 0xFF)); };
  switch (e.code) {
    case 2: {
      const int v = std::max(n, 0);
      byte(v / 112 + 14);
      byte(v % 112 + 14);
      return out;
    }
    case 17: byte(static_cast<long long>(n) + 14); return out;
    case 3: byte(std::clamp(static_cast<long long>(n) + 14, 15LL, 128LL)); return out;
    case 4: byte(std::clamp(static_cast<long long>(n) + 14, 15LL, 254LL)); return out;
    case 7: {
      const int b = n & 0xFF;
      byte(b == 0 ? 255 : b == 13 ? 12 : b);
      return out;
    }
    default: break;
  }
  long long v = n;
  if (e.code == 12) v = n > 60000 ? 60000 : n <= 0 ? 65535 : n;
  if (e.code == 18) {
    v = static_cast<long long>(n) + 32000;
    v = v > 60000 ? 60000 : v <= 0 ? 65535 : v;
  }
  if (e.code == 22 || e.code == 24 || e.code == 25) v = n > 9999 ? 9999 : n < 0 ? 10000 : n;
  byte(v / 256 + 14);
  byte(v % 256 + 14);
  return out;
}

// The display stage keeps, per byte, whether it was written as a code or an
// argument: such bytes never start or close an escape again.
struct DisplayStage {
  std::string& text;
  std::vector<uint8_t> written;

  size_t FindFree(const std::string& what, size_t from) const {
    for (size_t at = text.find(what, from); at != std::string::npos; at = text.find(what, at + 1)) {
      bool free = true;
      for (size_t k = 0; k < what.size() && free; ++k) free = written[at + k] == 0;
      if (free) return at;
    }
    return std::string::npos;
  }

  void Replace(size_t at, size_t length, const std::string& bytes) {
    text.replace(at, length, bytes);
    written.erase(written.begin() + static_cast<std::ptrdiff_t>(at),
                  written.begin() + static_cast<std::ptrdiff_t>(at + length));
    written.insert(written.begin() + static_cast<std::ptrdiff_t>(at), bytes.size(), 1);
  }

  void Convert(const DisplayEscape& e, size_t at) {
    const std::string opener = e.opener;
    if (e.arg == Arg::None) {
      Replace(at, opener.size(), std::string{'\x01', static_cast<char>(e.code)});
      return;
    }
    const size_t close = FindFree("]", at + opener.size());
    if (close == std::string::npos) {
      Notice(e.missingClose, ErrorLocationText(), "");
      Replace(at, 2, CodeBytes(e, 0));
      return;
    }
    const int n = ReadNumber(text, at + opener.size(), close);
    if (e.code == 2 && n > 9999) {
      Notice("エラー：\\cの[]内は9999以下までしか受け付けません", NoticeText("指定色 > %d", {std::to_string(n)}),
             ErrorLocationText());
      Replace(at, 2, CodeBytes(e, 0));
      return;
    }
    if (e.code == 17 && (n < 0 || n > 3)) Notice("エラー：\\fontの[ ]内の値が0～3の範囲を超えています", "", "");
    Replace(at, close + 1 - at, CodeBytes(e, n));
  }

  void Run() {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    written.assign(text.size(), 0);
    // The pairs of the backslash stage are codes already.
    for (size_t i = 0; i + 1 < text.size(); ++i)
      if (text[i] == '\x01' && text[i + 1] == '\x01') written[i] = written[i + 1] = 1;
    for (bool converted = true; converted;) {
      converted = false;
      for (const DisplayEscape& e : kDisplayEscapes) {
        const size_t at = FindFree(e.opener, 0);
        if (at == std::string::npos || ShiftJisByteKind(text, at) != 0) continue;
        Convert(e, at);
        converted = true;
        break;
      }
    }
  }
};

// "@" and a number as the first line: the number goes to system variable 0.
void TakeLeadingNumberLine(std::string& text) {
  if (text.empty() || text[0] != '@') return;
  const size_t newline = text.find('\n');
  if (newline == std::string::npos) {
    text.erase(0, 1);
    return;
  }
  int number = 0;
  if (newline - 1 > 9) {
    Notice("＠後に数字だけでなく、文字が入っている可能性があります", "", "");
  } else {
    number = ReadNumber(text, 1, newline);
  }
  gVariableStore.WriteVariable(9000000, number);
  text.erase(0, newline + 1);
}

std::string ReferenceExpandMessageEscapes(const std::string& source, int mapEventId, int commonId, int mapId,
                                          int valuesOnly, int wrap, const std::string& prefix,
                                          const std::string& suffix, int leadingLine) {
  std::string text = source;
  if (leadingLine) TakeLeadingNumberLine(text);
  if (wrap) text = prefix + text + suffix;
  ExpandValueEscapes(text, mapEventId, commonId, mapId);
  if (valuesOnly) return text;
  ReplaceBackslashPairs(text);
  DisplayStage{text, {}}.Run();
  return text;
}

}  // namespace reference

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
  ClearRecordedNotices();
  // A number past every id reads no cell, and the sum never overflows.
  EXPECT_EQ(ValuesOnly("\\v[88888888888888]/\\v9[2147483647]/\\self[2147483647]/\\cself[2147483647]/\\s[2147483647]"),
            "0/0/0/0/<<ERROR>>");
}

TEST_F(MessageEscapes, AStringHoldingItsOwnEscapeStopsAtTheBound) {
  gVariableStore.WriteStringVariable(kStrings + 1, "x\\s[1]");
  const std::string out = ValuesOnly("\\s[1]");
  EXPECT_GE(out.size(), 100u);
  EXPECT_LE(out.size(), (1u << 20) + 16);
  EXPECT_EQ(RecordedNotices().size(), 1u);
}

// A world whose values bring in escapes: strings and common self texts that
// hold escapes of earlier, the same and later kinds, pieces of openers and
// separators, database texts that refer to each other across the three
// database kinds, and two that never end: string 10, which holds its own
// escape, and the database texts of data 3, which hold each other's.
void EscapeWorld() {
  ResetScriptWorld(3);
  for (int i = 0; i < 10; ++i) gVariableStore.variableSets[0][static_cast<size_t>(i)] = i * 37 - 100;
  gVariableStore.variableSets[0][2] = 115;  // a line height whose byte leads a double-byte character
  const std::vector<std::string> strings = {"\\s[1]",
                                            "x\\v[2]y\\c[3]",
                                            "<L>\\udb[0:1:1]",
                                            "a\\s[2]",
                                            "\\\\",
                                            "\x95",
                                            "\\v",
                                            "\\s",
                                            "]",
                                            ":",
                                            "a\\s[10]",
                                            "",
                                            "",
                                            "s[0]"};
  gVariableStore.stringVariables.assign(strings.begin(), strings.end());
  gVariableStore.commonSelfStrings[1] = {"\\self[1]", "\\cself[7]", "Z\\s[8]", "\\cself[5]", "cself[7]"};
  gVariableStore.commonSelfVariables[1][3] = 250;
  AddType(gUserDatabase, "u", {1000, 2000}, 3);
  gUserDatabase.types[0].rows[0] = {{5}, {"U\\cdb[0:0:1]"}};
  gUserDatabase.types[0].rows[1] = {{6}, {"\\udb[0:0:0]x"}};
  gUserDatabase.types[0].rows[2] = {{1}, {"db[0:0:0]"}};  // completes an opener begun before it
  AddType(gVariableDatabase, "v", {1000, 2000}, 4);
  gVariableDatabase.types[0].rows[0] = {{7}, {"C\\udb[0:1:1]"}};
  gVariableDatabase.types[0].rows[1] = {{8}, {"\\sdb[0:0:0]\\c[2]"}};
  gVariableDatabase.types[0].rows[2] = {{2}, {"db[0:0:1]"}};
  gVariableDatabase.types[0].rows[3] = {{0}, {"\\sdb[0:3:1]"}};
  AddType(gSystemDatabase, "s", {1000, 2000}, 4);
  gSystemDatabase.types[0].rows[0] = {{9}, {"S\\cdb[0:1:1]\\v[1]\\s[0]"}};
  gSystemDatabase.types[0].rows[3] = {{0}, {"\\cdb[0:3:1]"}};  // and back: a cycle
}

std::string RandomEscapeText(std::mt19937& random) {
  auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
  static const char* kNumbers[] = {"0",    "1",     "2",     "3",  "5",      "7",   "9",  "13", "115",   "120", "250",
                                   "9999", "10000", "60001", "-5", "-32000", " 12", "+3", "x",  "70000", "131", ""};
  auto number = [&] { return std::string(kNumbers[pick(std::size(kNumbers))]); };
  // A closing "]" (or separator) now and then left out.
  auto close = [&](const char* c) { return pick(8) == 0 ? std::string() : std::string(c); };
  static const char* kValueOpeners[] = {"\\v[", "\\v1[", "\\v9[", "\\self[",  "\\cself[",
                                        "\\s[", "\\v5[", "\\s[",  "\\cself[", "\\v["};
  static const char* kDatabaseOpeners[] = {"\\udb[", "\\cdb[", "\\sdb["};
  static const char* kDisplayOpeners[] = {"\\c[",  "\\font[",  "\\f[", "\\m[",  "\\-[",
                                          "\\sp[", "\\space[", "\\i[", "\\mx[", "\\my["};
  static const char* kBare[] = {"\\E", "\\N", "\\r[", "\\>", "\\<", "\\.", "\\!", "\\^", "<L>", "<C>", "<R>", "\\img["};
  static const char* kPlain[] = {"abc ",  "\n",         "\r\n",     "\x95\x5C", "\x83\x5C", "\x81\x40", "\x95", "\\\\",
                                 "\\",    "[",          "]",        ":",        "\x01",     "\x01\x01", "42",   "-",
                                 "\\<L>", "\x95\\c[1]", "\\\\c[2]", "\\\\v[1]", "\xE0",     "\\u",      "\\c",  "\\s"};
  std::string text = pick(6) == 0 ? "@" + number() + (pick(3) ? "\n" : "") : std::string();
  const size_t pieces = 1 + pick(24);
  for (size_t i = 0; i < pieces; ++i) {
    switch (pick(5)) {
      case 0: text += kValueOpeners[pick(std::size(kValueOpeners))] + number() + close("]"); break;
      case 1: {
        text += kDatabaseOpeners[pick(3)];
        text += std::to_string(pick(2)) + close(":") + std::to_string(pick(3)) + close(":") + std::to_string(pick(3));
        text += close("]");
        break;
      }
      case 2: text += kDisplayOpeners[pick(std::size(kDisplayOpeners))] + number() + close("]"); break;
      case 3: text += kBare[pick(std::size(kBare))]; break;
      default: text += kPlain[pick(std::size(kPlain))]; break;
    }
  }
  return text;
}

struct Expansion {
  std::string text;
  std::vector<std::array<std::string, 3>> notices;
  int systemVariable0 = 0;
  std::vector<std::string> strings;
  uint32_t random = 0;  // the shared generator's state after the expansion

  bool operator==(const Expansion&) const = default;
};

template <class Expand>
Expansion ExpandInWorld(Expand expand) {
  EscapeWorld();
  // Random-number ids draw from the shared generator: each expansion starts
  // it from the same state.
  SharedRandom(2, 20240611);
  Expansion out;
  out.text = expand();
  out.notices = RecordedNotices();
  out.systemVariable0 = gVariableStore.ReadVariable(9000000);
  out.strings = gVariableStore.stringVariables;
  out.random = SharedRandom(1, 0);
  return out;
}

// The expansion gives what the reference gives, byte for byte and notice
// for notice, over random texts of every kind of escape, with values that
// bring in further escapes, and at both bounds of repeated expansion.
TEST(MessageEscapesReference, ExpansionMatchesTheReference) {
  std::mt19937 random(20240611);
  auto compare = [](const std::string& text, int valuesOnly, int wrap, int leadingLine) -> Expansion {
    const std::string prefix = "\\c[1]<\\s[6]";
    const std::string suffix = "[1]\\v[1]";
    const Expansion expected = ExpandInWorld([&] {
      return reference::ReferenceExpandMessageEscapes(text, 2, 1, 1, valuesOnly, wrap, prefix, suffix, leadingLine);
    });
    const Expansion actual = ExpandInWorld(
        [&] { return ExpandMessageEscapes(text, 2, 1, 1, valuesOnly, wrap, prefix, suffix, leadingLine); });
    EXPECT_EQ(Hex(actual.text), Hex(expected.text)) << Hex(text);
    EXPECT_EQ(actual, expected) << Hex(text);
    return expected;
  };
  auto stopped = [](const Expansion& expansion) {
    return !expansion.notices.empty() &&
           expansion.notices.back()[0] == Cp932Text("エラー：文字列の展開が深すぎるため途中で止めました");
  };
  for (int i = 0; i < 3000; ++i) {
    const std::string text = RandomEscapeText(random);
    const int valuesOnly = random() % 5 == 0 ? 1 : 0;
    const int wrap = random() % 5 == 0 ? 1 : 0;
    const int leadingLine = static_cast<int>(random() % 2);
    if (HasFailure()) break;
    compare(text, valuesOnly, wrap, leadingLine);
  }
  // The 10,000th replacement: a string holding its own escape, reached by
  // value and display runs alike.
  EXPECT_TRUE(stopped(compare("\\s[10]", 1, 0, 0)));
  EXPECT_TRUE(stopped(compare("a\\c[1]\\s[10]\\c[2]\\v[1]", 0, 0, 0)));
  EXPECT_TRUE(stopped(compare("\\s[7][10]", 0, 0, 0)));  // an opener completed by the text after the value
  EXPECT_TRUE(stopped(compare("\\udb[0:0:1]\\sdb[0:3:1]\\cdb[0:1:1]", 0, 0, 0)));
  // Random-number ids (\v9[ plus 5,100,000 and more), directly, through an
  // opener completed by a value and in a display run.
  for (const char* text : {"\\v9[6099999]\\v9[5100999]", "\\v9[5\\v[2]000]", "\\c[1]\\v9[6000142]\\c[2]"}) {
    const Expansion drawn = compare(text, 0, 0, 0);
    EXPECT_NE(drawn.random, 20240611u) << text;
  }
  // Values that complete an opener begun in the text before them.
  EXPECT_EQ(compare("\\\\s[13]", 1, 0, 0).text, "x\\v[2]y\\c[3]");
  EXPECT_EQ(compare("\\\\cself[9]", 1, 0, 0).text, "Z]");
  EXPECT_EQ(compare("\\u\\udb[0:2:1]", 1, 0, 0).text, "5");
  EXPECT_EQ(compare("\\c\\cdb[0:2:1]\\udb[0:1:1]", 1, 0, 0).text, "C5x5x");
  // The 1 MiB bound: a long string holding its own escape twice.
  const std::string longText = std::string(300000, 'y') + "\\s[9]\\s[9]\\v[1]";
  auto withLongString = [&longText](auto expand) {
    return ExpandInWorld([&] {
      gVariableStore.stringVariables[9] = longText;
      return expand();
    });
  };
  const Expansion expected = withLongString(
      [&] { return reference::ReferenceExpandMessageEscapes("\\s[9]\\udb[0:1:1]", 2, 1, 1, 0, 0, "", "", 0); });
  const Expansion actual =
      withLongString([&] { return ExpandMessageEscapes("\\s[9]\\udb[0:1:1]", 2, 1, 1, 0, 0, "", "", 0); });
  EXPECT_GT(expected.text.size(), size_t{1} << 20);
  EXPECT_TRUE(stopped(expected));
  EXPECT_TRUE(actual == expected);
}

}  // namespace
