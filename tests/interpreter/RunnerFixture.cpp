#include "RunnerFixture.h"

#include "gamedata/VariableStore.h"

namespace runner_test {

void RunnerTest::PrepareVariables(int count) {
  gVariableStore = VariableStore();
  gVariableStore.variableSets[0].assign(static_cast<size_t>(count), 0);
}

int RunnerTest::Variable(int n) { return gVariableStore.ReadVariable(Var(n)); }

void RunnerTest::SetVariable(int n, int value) { gVariableStore.WriteVariable(Var(n), value); }

}  // namespace runner_test
