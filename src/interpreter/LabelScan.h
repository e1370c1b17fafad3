#pragma once

#include <deque>
#include <vector>

#include "gamedata/EventCommand.h"

// Where a jump to a label lands and what it does to the loop stacks on the
// way: each plan entry is -1 (leave the innermost loop), indent x 10 (enter a
// counted loop at that indent) or indent x 10 + 1 (enter an endless loop).
// The label found is the first of its name in list order; target -1 when
// there is none.
struct LabelJumpPlan {
  int target = -1;
  std::vector<int> plan;
};

// Scans the list for the jump at `jumpLine`; `isLabel(command)` says whether
// a command is a label of the jump's name. Shared by the jump's run-time
// search and the link pass, so both find the same label and plan.
template <typename IsLabel>
LabelJumpPlan PlanLabelJump(const EventCommandList& list, int jumpLine, IsLabel&& isLabel) {
  enum class State { Before, LabelFirst, AfterJump } state = State::Before;
  std::vector<int> scanStack;
  std::deque<int> plan;
  LabelJumpPlan result;
  const int count = static_cast<int>(list.size());
  for (int i = 0; i < count; ++i) {
    const EventCommand& c = list[static_cast<size_t>(i)];
    const int code = c.ints.empty() ? 0 : c.ints[0];
    const int loopValue = c.indent * 10 + (code == 170 ? 1 : 0);
    if (state == State::Before) {
      if (i == jumpLine) {
        state = State::AfterJump;
      } else if (code == 212 && isLabel(c)) {
        result.target = i;
        state = State::LabelFirst;
      } else if (code == 170 || code == 179) {
        scanStack.push_back(loopValue);
      } else if (code == 498 && !scanStack.empty()) {
        scanStack.pop_back();
      }
    } else if (state == State::LabelFirst) {
      if (i == jumpLine) break;
      if (code == 170 || code == 179) {
        scanStack.push_back(loopValue);
        plan.push_front(-1);
      } else if (code == 498 && !scanStack.empty()) {
        plan.push_front(scanStack.back());
        scanStack.pop_back();
      }
    } else {
      if (code == 212 && isLabel(c)) {
        result.target = i;
        break;
      }
      if (code == 170 || code == 179) {
        scanStack.push_back(loopValue);
        plan.push_back(loopValue);
      } else if (code == 498) {
        if (!scanStack.empty()) scanStack.pop_back();
        plan.push_back(-1);
      }
    }
  }
  result.plan.assign(plan.begin(), plan.end());
  return result;
}
