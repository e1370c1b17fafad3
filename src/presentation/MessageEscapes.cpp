#include "presentation/MessageEscapes.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "gamedata/GameText.h"
#include "gamedata/VariableId.h"
#include "gamedata/VariableStore.h"
#include "presentation/TextCodes.h"
#include "shell/NoticeBox.h"

namespace {

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

}  // namespace

std::string ExpandMessageEscapes(const std::string& source, int mapEventId, int commonId, int mapId, int valuesOnly,
                                 int wrap, const std::string& prefix, const std::string& suffix, int leadingLine) {
  std::string text = source;
  if (leadingLine) TakeLeadingNumberLine(text);
  if (wrap) text = prefix + text + suffix;
  ExpandValueEscapes(text, mapEventId, commonId, mapId);
  if (valuesOnly) return text;
  ReplaceBackslashPairs(text);
  DisplayStage{text, {}}.Run();
  return text;
}
