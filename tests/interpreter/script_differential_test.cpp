#include <gtest/gtest.h>

#include "RandomScript.h"
#include "gamedata/CommonEvent.h"

namespace {

// A few thousand random scripts of branches, cases, loops, label jumps and
// variable and string operations (integer and real mode) give the same
// variables, texts, notices and frame counts in their general and their
// linked forms, and the same again with their variables moved to cells the
// variable store reads and writes.
TEST(ScriptDifferential, GeneralAndLinkedFormsAgreeOnRandomScripts) {
  const RandomScriptOptions options{.strings = true, .real = true};
  int linkedCommands = 0;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    const EventCommandList list = RandomScript(seed, options);
    const ScriptOutcome general = RunScript(list, false);
    ASSERT_FALSE(general.busy) << "seed " << seed;
    ASSERT_EQ(RunScript(list, true), general) << "seed " << seed;
    // The operations that wrap when linked kept their variables small, so
    // no overflow made the forms differ unseen.
    auto small = [](int32_t value) { return value >= -kSmallBound && value <= kSmallBound; };
    for (int n = 0; n < kSmallVariables; ++n) {
      ASSERT_TRUE(small(general.variables[static_cast<size_t>(n)])) << "seed " << seed << " variable " << n;
    }
    for (int k = 0; k < kSmallSelfCells; ++k) {
      ASSERT_TRUE(small(general.selfCells[static_cast<size_t>(k)])) << "seed " << seed << " cell " << k;
    }
    for (const EventCommand& command : gCommonEventList.events[0].commands) {
      if (!command.ResolvedInts.empty() || !command.ResolvedCells.empty()) ++linkedCommands;
    }

    // Normal variables are worked in place, self cells through the store:
    // both give the same values.
    const EventCommandList moved = WithSelfCells(list);
    const ScriptOutcome throughStore = RunScript(moved, false);
    ASSERT_EQ(RunScript(moved, true), throughStore) << "seed " << seed;
    for (int n = 0; n < kMovedVariables; ++n) {
      ASSERT_EQ(throughStore.selfCells[static_cast<size_t>(kFirstMovedCell + n)],
                general.variables[static_cast<size_t>(n)])
          << "seed " << seed << " variable " << n;
    }
    for (int k = 0; k < kFirstMovedCell; ++k) {
      ASSERT_EQ(throughStore.selfCells[static_cast<size_t>(k)], general.selfCells[static_cast<size_t>(k)])
          << "seed " << seed;
    }
    ASSERT_EQ(throughStore.strings, general.strings) << "seed " << seed;
    ASSERT_EQ(throughStore.notices, general.notices) << "seed " << seed;
    ASSERT_EQ(throughStore.frames, general.frames) << "seed " << seed;
  }
  // The scripts do reach the linked forms.
  EXPECT_GT(linkedCommands, 10000);
}

}  // namespace
