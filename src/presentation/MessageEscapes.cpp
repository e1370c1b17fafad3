#include "presentation/MessageEscapes.h"

#include "gamedata/VariableStore.h"

std::string ExpandMessageEscapes(const std::string& text, int /*mapEventId*/, int /*commonId*/, int /*mapId*/,
                                 int /*valuesOnly*/, int wrap, const std::string& prefix, const std::string& suffix,
                                 int leadingLine) {
  // The escapes themselves are expanded by the text renderer's own code; here
  // only the wrapping and the leading line.
  std::string result = wrap ? prefix + text + suffix : text;
  if (leadingLine && result.size() >= 2 && result[0] == '@') {
    size_t i = 1;
    bool negative = false;
    if (result[i] == '-') {
      negative = true;
      ++i;
    }
    const size_t digitsStart = i;
    int64_t value = 0;
    while (i < result.size() && result[i] >= '0' && result[i] <= '9') {
      if (value < 100000000000LL) value = value * 10 + (result[i] - '0');
      ++i;
    }
    const bool lineEnds = i == result.size() || result[i] == '\n' || result[i] == '\r';
    if (i > digitsStart && lineEnds) {
      if (negative) value = -value;
      if (value > 2147483647) value = 2147483647;
      if (value < -2147483647 - 1) value = -2147483647 - 1;
      if (i < result.size() && result[i] == '\r') ++i;
      if (i < result.size() && result[i] == '\n') ++i;
      result.erase(0, i);
      gVariableStore.WriteVariable(9000000, static_cast<int>(value));
    }
  }
  return result;
}
