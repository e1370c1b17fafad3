#include "presentation/MessageEscapes.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>
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
int ReadNumber(std::string_view text, size_t from, size_t to) {
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

// One step of the Shift-JIS walk of ShiftJisByteKind: the kind of a byte
// from the kind of the byte before it.
int ShiftJisStep(int state, unsigned char c) {
  if (state == 1) return c >= 0x40 && c <= 0xFC && c != 0x7F ? 2 : 0;
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 1 : 0;
}
// A byte after which the walk is at 0 whatever came before it.
bool ShiftJisResets(unsigned char c) { return !(c >= 0x40 && c <= 0xFC && c != 0x7F); }

void Notice(const char* line1, const std::string& line2, const std::string& line3) {
  ShowNoticeBox(Cp932Text(line1), line2, line3);
}

// The text of the value stage as the part already scanned and the rest,
// which sits at the end of its buffer with room in front: a value goes in
// before the rest, and scanned bytes go back to it, without moving the rest.
// Each kind of escape is found by a scan from front to back instead of a
// search from the start of the text after every replacement.
class ScanText {
 public:
  explicit ScanText(std::string text) : rest_(std::move(text)) {}

  size_t Size() const { return done_.size() + rest_.size() - front_; }
  // Where the scan stands: the size of the part scanned.
  size_t Position() const { return done_.size(); }
  std::string_view Rest() const { return std::string_view(rest_).substr(front_); }

  // The next n bytes of the rest become scanned, or are dropped.
  void Pass(size_t n) {
    done_.append(rest_, front_, n);
    Drop(n);
  }
  void Drop(size_t n) {
    front_ += n;
    const size_t left = rest_.size() - front_;
    for (size_t& clean : cleanTail_) clean = std::min(clean, left);
  }
  void PushFront(std::string_view bytes) {
    if (bytes.size() > front_) MakeRoom(bytes.size());
    front_ -= bytes.size();
    if (!bytes.empty()) std::memcpy(rest_.data() + front_, bytes.data(), bytes.size());
  }
  // The scan goes back or on to `position`.
  void MoveTo(size_t position) {
    if (position >= done_.size()) {
      Pass(std::min(position - done_.size(), rest_.size() - front_));
      return;
    }
    PushFront(std::string_view(done_).substr(position));
    done_.resize(position);
  }
  std::string Take() && {
    done_.append(rest_, front_, std::string::npos);
    return std::move(done_);
  }

  // The first `c` (':' or ']') of the rest at or after `from`. The tail of
  // the rest known to hold none is not searched again, so escapes that miss
  // their separator do not rescan the text up to its end each time.
  size_t FindInRest(char c, size_t from) {
    const std::string_view rest = Rest();
    if (from >= rest.size()) return std::string_view::npos;
    size_t& clean = cleanTail_[c == ':' ? 0 : 1];
    const size_t limit = rest.size() - clean;
    if (from < limit) {
      const size_t found = rest.substr(0, limit).find(c, from);
      if (found != std::string_view::npos) return found;
    }
    clean = rest.size() - from;
    return std::string_view::npos;
  }

 private:
  void MakeRoom(size_t bytes) {
    const size_t left = rest_.size() - front_;
    const size_t room = std::max(bytes, left) + 64;
    std::string grown(room + left, '\0');
    std::memcpy(grown.data() + room, rest_.data() + front_, left);
    rest_ = std::move(grown);
    front_ = room;
  }

  std::string done_;
  std::string rest_;
  size_t front_ = 0;
  // Lengths of the rest's tail known to hold no ':' and no ']'.
  std::array<size_t, 2> cleanTail_{};
};

struct ValueStage {
  ScanText text;
  int replacements = 0;
  bool stopped = false;

  bool Spent() {
    if (stopped) return true;
    if (replacements >= kMaxReplacements || text.Size() > kMaxExpandedSize) {
      stopped = true;
      Notice("エラー：文字列の展開が深すぎるため途中で止めました", "", ErrorLocationText());
      return true;
    }
    return false;
  }

  // The escape that starts the rest is replaced: `length` bytes of it give
  // way to `value`, and the scan steps back over the bytes before it, where
  // an opener that the value completes may start.
  void Replace(size_t length, const std::string& value, size_t lookBack) {
    const size_t at = text.Position();
    text.Drop(length);
    text.PushFront(value);
    ++replacements;
    text.MoveTo(at > lookBack ? at - lookBack : 0);
  }

  // One kind of "opener n ]" escape; `value` gives the text for n. Every
  // escape of the kind is replaced, the first one in the text first, those
  // that values bring in included.
  template <class Value>
  void Run(const std::string& opener, const char* missingClose, Value value) {
    text.MoveTo(0);
    for (;;) {
      const size_t found = text.Rest().find(opener);
      if (found == std::string_view::npos || Spent()) return;
      text.Pass(found);
      const size_t close = text.FindInRest(']', opener.size());
      if (close == std::string_view::npos) {
        Notice(missingClose, ErrorLocationText(), "");
        Replace(2, value(0), opener.size() - 1);
      } else {
        Replace(close + 1, value(ReadNumber(text.Rest(), opener.size(), close)), opener.size() - 1);
      }
    }
  }

  // The database escapes: in each step the first "\udb[" of the text, else
  // the first "\cdb[", else the first "\sdb[". For each kind a span of the
  // text outside which it has none is kept (its start, and the length of
  // the tail behind it), so a step scans only where an escape of the kind
  // can be: the part not yet scanned and the places a value went in.
  void RunDatabase() {
    static const std::array<std::pair<std::string_view, int>, 3> kinds{{{"\\udb[", 0}, {"\\cdb[", 1}, {"\\sdb[", 3}}};
    constexpr size_t kOpener = 5;
    struct Span {
      bool any = true;
      size_t from = 0;
      size_t tail = 0;
    };
    std::array<Span, 3> spans{};
    while (!Spent()) {
      size_t kind = kinds.size();
      for (size_t k = 0; k < kinds.size(); ++k) {
        Span& span = spans[k];
        if (!span.any) continue;
        text.MoveTo(span.from);
        const std::string_view rest = text.Rest();
        const size_t end = rest.size() - std::min(span.tail, rest.size());
        const size_t found = rest.substr(0, std::min(rest.size(), end + kOpener - 1)).find(kinds[k].first);
        if (found == std::string_view::npos || found >= end) {
          span.any = false;
          continue;
        }
        text.Pass(found);
        span.from = text.Position();
        kind = k;
        break;
      }
      if (kind == kinds.size()) return;

      const size_t at = text.Position();
      const size_t open = 4;  // the "["
      bool missing = false;
      auto separator = [&](char c, size_t previous) {
        const size_t found = text.FindInRest(c, previous + 1);
        if (found != std::string_view::npos) return found;
        missing = true;
        Notice(c == ':' ? "エラー：\\?dbの「:」が見つかりません" : "エラー：\\?dbの「]」が見つかりません",
               ErrorLocationText(), "");
        return previous + 1;
      };
      const size_t colon1 = separator(':', open);
      const size_t colon2 = separator(':', colon1);
      const size_t close = separator(']', colon2);
      const std::string_view rest = text.Rest();
      const long long id = 1000000000LL + kinds[kind].second * 100000000LL +
                           ReadNumber(rest, open + 1, colon1) * 1000000LL +
                           ReadNumber(rest, colon1 + 1, colon2) * 100LL + ReadNumber(rest, colon2 + 1, close);
      const int cell =
          static_cast<int>(std::clamp(id, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
      std::string value = gVariableStore.ReadStringVariable(cell);
      if (value == kDatabaseError) value = std::to_string(gVariableStore.ReadVariable(cell));
      const size_t length = missing ? 2 : std::min(close, rest.size() - 1) + 1;
      const size_t tail = rest.size() - length;
      Replace(length, value, 0);
      // Escapes of any kind may now start from a few bytes before the value
      // up to its end.
      const size_t from = at > kOpener - 1 ? at - (kOpener - 1) : 0;
      for (Span& span : spans) {
        span.from = span.any ? std::min(span.from, from) : from;
        span.tail = span.any ? std::min(span.tail, tail) : tail;
        span.any = true;
      }
    }
  }
};

std::string IntText(int id) { return std::to_string(gVariableStore.ReadVariable(id)); }

// An escape's number added to its id range, held within an id as the
// database escape holds its sum: a huge number reads a variable that does
// not exist (which gives its notice) instead of overflowing.
int IdFrom(int64_t base, int n) { return static_cast<int>(std::clamp(base + n, int64_t{INT_MIN}, int64_t{INT_MAX})); }

void ExpandValueEscapes(std::string& text, int mapEventId, int commonId, int mapId) {
  ValueStage stage{ScanText(std::move(text))};
  stage.Run("\\v[", "エラー：\\v[の「]」が見つかりません", [](int n) { return IntText(IdFrom(2000000, n)); });
  for (int d = 1; d <= 9; ++d) {
    stage.Run(std::string("\\v") + static_cast<char>('0' + d) + "[", "エラー：\\v?の「]」が見つかりません",
              [d](int n) { return IntText(IdFrom(2000000 + d * 100000, n)); });
  }
  stage.Run("\\self[", "エラー：\\selfの「]」が見つかりません", [&](int n) {
    gVariableStore.ContextMapId = mapId;
    return IntText(IdFrom(1000000 + int64_t{mapEventId} * 10, n));
  });
  stage.Run("\\cself[", "エラー：\\cselfの「]」が見つかりません", [&](int n) {
    const int id = IdFrom(15000000 + int64_t{commonId} * 100, n);
    return n >= 5 && n <= 9 ? gVariableStore.ReadStringVariable(id) : IntText(id);
  });
  stage.RunDatabase();
  stage.Run("\\s[", "エラー：\\sの「]」が見つかりません",
            [](int n) { return gVariableStore.ReadStringVariable(IdFrom(3000000, n)); });
  text = std::move(stage.text).Take();
}

// Pairs of backslashes that start at single-byte characters become codes, in
// one walk that keeps the Shift-JIS state (a pair turned into codes leaves
// the state as the backslashes did).
void ReplaceBackslashPairs(std::string& text) {
  int state = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    state = ShiftJisStep(state, c);
    if (c == '\\' && state == 0 && i + 1 < text.size() && text[i + 1] == '\\') {
      text[i] = text[i + 1] = '\x01';
      i += 2;
      continue;
    }
    ++i;
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

// The display stage on the text with its carriage returns removed, which
// stays as it is: each conversion is kept as the span of the text it
// replaces and its code bytes. A span only ever grows over earlier ones, and
// the bytes of codes never take part in an escape again, so every escape
// that can still be converted is one of the text, and the first one of each
// kind only moves on. Each pass converts the first kind, in the table's
// order, whose first escape starts at a single-byte character.
class DisplayStage {
 public:
  explicit DisplayStage(std::string text) : text_(std::move(text)), removed_(text_.size(), 0) {}

  std::string Run() {
    for (size_t k = 0; k < kDisplayEscapes.size(); ++k) {
      openerSize_[k] = std::strlen(kDisplayEscapes[k].opener);
      first_[k] = NextFree(k, 0);
      if (first_[k] != std::string::npos) kind_[k] = ByteKind(first_[k]);
    }
    for (;;) {
      size_t chosen = kDisplayEscapes.size();
      for (size_t k = 0; k < kDisplayEscapes.size(); ++k) {
        if (first_[k] != std::string::npos && kind_[k] == 0) {
          chosen = k;
          break;
        }
      }
      if (chosen == kDisplayEscapes.size()) break;
      Convert(chosen, first_[chosen]);
    }
    return Current(0, text_.size());
  }

 private:
  struct Conversion {
    size_t last;  // the last byte of the text it replaces
    std::string bytes;
  };

  bool Free(size_t at, size_t size) const {
    for (size_t k = 0; k < size; ++k) {
      if (removed_[at + k]) return false;
    }
    return true;
  }

  // The first escape of kind k at or after `from` that no conversion covers.
  size_t NextFree(size_t k, size_t from) const {
    const std::string_view opener = kDisplayEscapes[k].opener;
    const std::string_view text = text_;
    for (size_t at = text.find(opener, from); at != std::string_view::npos; at = text.find(opener, at + 1)) {
      if (Free(at, opener.size())) return at;
    }
    return std::string::npos;
  }

  // The first "]" at or after `from` that no conversion covers.
  size_t FreeClose(size_t from) {
    if (from >= noCloseFrom_) return std::string::npos;
    for (size_t at = text_.find(']', from); at != std::string::npos; at = text_.find(']', at + 1)) {
      if (!removed_[at]) return at;
    }
    noCloseFrom_ = from;
    return std::string::npos;
  }

  // Calls f on each byte of the current text from text position `from` up
  // to `to` (not included); both are outside any conversion.
  template <class F>
  void ForEachByte(size_t from, size_t to, F f) const {
    auto next = conversions_.lower_bound(from);
    size_t at = from;
    while (at < to) {
      const size_t stop = next != conversions_.end() && next->first < to ? next->first : to;
      for (; at < stop; ++at) f(text_[at]);
      if (at == to) break;
      for (const char c : next->second.bytes) f(c);
      at = next->second.last + 1;
      ++next;
    }
  }
  std::string Current(size_t from, size_t to) const {
    std::string out;
    out.reserve(to - from);
    ForEachByte(from, to, [&out](char c) { out += c; });
    return out;
  }

  // ShiftJisByteKind of the current text at text position `at`: from the
  // nearest point before it whose following state is known (a byte that
  // resets the state, the end of a conversion, the start), not from the
  // start of the text.
  int ByteKind(size_t at) const {
    size_t start = at;
    int state = 0;
    while (start > 0) {
      const size_t before = start - 1;
      if (removed_[before]) {
        const auto conversion = std::prev(conversions_.upper_bound(before));
        for (const char c : conversion->second.bytes) state = ShiftJisStep(state, static_cast<unsigned char>(c));
        break;
      }
      if (ShiftJisResets(static_cast<unsigned char>(text_[before]))) break;
      start = before;
    }
    for (size_t i = start; i <= at; ++i) state = ShiftJisStep(state, static_cast<unsigned char>(text_[i]));
    return state;
  }

  void Convert(size_t k, size_t at) {
    const DisplayEscape& e = kDisplayEscapes[k];
    const size_t size = openerSize_[k];
    if (e.arg == Arg::None) {
      Replace(at, at + size - 1, std::string{'\x01', static_cast<char>(e.code)});
      return;
    }
    const size_t close = FreeClose(at + size);
    if (close == std::string::npos) {
      Notice(e.missingClose, ErrorLocationText(), "");
      Replace(at, at + 1, CodeBytes(e, 0));
      return;
    }
    const int n = ReadNumber(Current(at + size, close), 0, std::string::npos);
    if (e.code == 2 && n > 9999) {
      Notice("エラー：\\cの[]内は9999以下までしか受け付けません", NoticeText("指定色 > %d", {std::to_string(n)}),
             ErrorLocationText());
      Replace(at, at + 1, CodeBytes(e, 0));
      return;
    }
    if (e.code == 17 && (n < 0 || n > 3)) Notice("エラー：\\fontの[ ]内の値が0～3の範囲を超えています", "", "");
    Replace(at, close, CodeBytes(e, n));
  }

  // Text bytes first..last (an escape starting at a single-byte character)
  // give way to code bytes.
  void Replace(size_t first, size_t last, std::string bytes) {
    int before = 0;  // after the escape's first byte
    ForEachByte(first + 1, last + 1,
                [&before](char c) { before = ShiftJisStep(before, static_cast<unsigned char>(c)); });
    int after = 0;
    for (const char c : bytes) after = ShiftJisStep(after, static_cast<unsigned char>(c));

    conversions_.erase(conversions_.lower_bound(first), conversions_.upper_bound(last));
    std::fill(removed_.begin() + static_cast<std::ptrdiff_t>(first),
              removed_.begin() + static_cast<std::ptrdiff_t>(last) + 1, uint8_t{1});
    conversions_.emplace(first, Conversion{last, std::move(bytes)});

    for (size_t k = 0; k < kDisplayEscapes.size(); ++k) {
      size_t& at = first_[k];
      if (at == std::string::npos || at + openerSize_[k] - 1 < first) continue;
      if (at <= last) {
        at = NextFree(k, at + 1);
        if (at != std::string::npos) kind_[k] = ByteKind(at);
      } else if (before != after) {
        // The bytes behind read differently as far as the change reaches.
        kind_[k] = ByteKind(at);
      }
    }
  }

  const std::string text_;
  std::vector<uint8_t> removed_;              // 1: inside a conversion
  std::map<size_t, Conversion> conversions_;  // the outermost ones, by their first byte
  std::array<size_t, kDisplayEscapes.size()> openerSize_{};
  std::array<size_t, kDisplayEscapes.size()> first_{};
  std::array<int, kDisplayEscapes.size()> kind_{};
  size_t noCloseFrom_ = std::string::npos;  // no free "]" from here on
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
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return DisplayStage(std::move(text)).Run();
}
