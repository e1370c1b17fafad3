#include "gamedata/MapData.h"

#include "gamedata/VariableStore.h"

bool CheckPageConditions(const PageConditions& conditions, int32_t eventId) {
  for (size_t i = 0; i < 4; ++i) {
    uint8_t flags = conditions.conditionFlags[i];
    if ((flags & 1) == 0) return true;
    // The self-variable and position forms name this event. The left side
    // takes the whole self-variable range, the right side only its relative
    // part, so a right operand of 1,000,000-1,099,999 names event 0's cells.
    int64_t left = conditions.conditionLeft[i];
    if (left >= 1000000 && left < 1200000) {
      left = 1000000 + static_cast<int64_t>(eventId) * 10 + left % 10;
    } else if (left >= 9190000 && left < 9200000) {
      left = 9100000 + static_cast<int64_t>(eventId) * 10 + left % 10;
    }
    int64_t right = conditions.conditionRight[i];
    if (right >= 1100000 && right < 1200000) {
      right = 1000000 + static_cast<int64_t>(eventId) * 10 + right % 10;
    } else if (right >= 9190000 && right < 9200000) {
      right = 9100000 + static_cast<int64_t>(eventId) * 10 + right % 10;
    }
    int32_t a = gVariableStore.ReadVariable(static_cast<int32_t>(left));
    int32_t b = gVariableStore.ReadVariable(static_cast<int32_t>(right));
    bool holds = false;
    switch (flags >> 4) {
      case 0: holds = a > b; break;
      case 1: holds = a >= b; break;
      case 2: holds = a == b; break;
      case 3: holds = a <= b; break;
      case 4: holds = a < b; break;
      case 5: holds = a != b; break;
      case 6: holds = (a & b) == conditions.conditionRight[i]; break;
      default: holds = false; break;
    }
    if (!holds) return false;
  }
  return true;
}
