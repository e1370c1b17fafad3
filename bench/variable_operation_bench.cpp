// 500,000 variable operations (assignments and additions on normal
// variables) in one frame of one runner: the frame's command limit. To fit
// a 16 ms frame the runner needs 31 M commands per second or more. The fast
// forms run once with cells bound by hand to each command and once linked by
// the link pass (the game's way, cells in the list's pool).
#include <benchmark/benchmark.h>

#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "interpreter/LinkPass.h"
#include "map/CurrentMap.h"
#include "shell/GameSystem.h"

namespace {

// The most one frame runs without meeting the limit: the loop counts the first
// command and the dispatch every command it runs, the end command included.
constexpr int kCommands = EventRunner::kCommandLimit - 2;

EventCommandList MakeList(bool fastForms, std::vector<int32_t>& literals) {
  EventCommandList list;
  list.reserve(kCommands + 1);
  literals.assign(2, 0);
  literals[0] = 3;
  for (int i = 0; i < kCommands; ++i) {
    EventCommand command;
    const int variable = 2000000 + (i % 100);
    const bool add = (i % 2) == 1;
    if (fastForms) {
      // T (+)= L + R with literal operands held in cells.
      command.ints = {add ? 210010 : 210000};
      int32_t* cell = &gVariableStore.variableSets[0][static_cast<size_t>(i % 100)];
      command.ResolvedCells = {{cell, nullptr}, {&literals[0], nullptr}, {&literals[1], nullptr}};
    } else {
      // Plain left operand, right operand literal 0, assignment = or +=.
      command.ints = {121, variable, 3, 0, 0x4 | 0x8 | ((add ? 1 : 0) << 8)};
    }
    list.push_back(command);
  }
  EventCommand end;
  end.ints = {-1};
  list.push_back(end);
  return list;
}

void RunFrames(benchmark::State& state, bool fastForms) {
  gGameSystem.runState = 1;
  gCurrentMap.mapId = 1;
  gVariableStore = VariableStore();
  gVariableStore.variableSets[0].assign(100, 0);
  std::vector<int32_t> literals;
  const EventCommandList list = MakeList(fastForms, literals);
  EventRunner runner;
  runner.StartEventRunner(0, 0);
  for (auto _ : state) {
    runner.SetupEventCall(&list, -1, -1);
    runner.RunEventRunner();
    if (runner.IsEventRunnerBusy()) state.SkipWithError("the frame did not finish the list");
    benchmark::DoNotOptimize(gVariableStore.variableSets[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * (kCommands + 1));
  state.counters["commands_per_frame"] = kCommands + 1;
}

void BM_VariableOperationFrame(benchmark::State& state) { RunFrames(state, false); }
void BM_VariableOperationFastFormFrame(benchmark::State& state) { RunFrames(state, true); }

// The general list linked as the game links a common event: the same
// operations run as fast forms from the list's pool of cells.
void BM_VariableOperationLinkedFrame(benchmark::State& state) {
  gGameSystem.runState = 1;
  gCurrentMap.mapId = 1;
  gVariableStore = VariableStore();
  gVariableStore.variableSets[0].assign(100, 0);
  std::vector<int32_t> literals;
  EventCommandList list = MakeList(false, literals);
  LinkCommandList(list, 0);
  if (list[0].Code() == 121) state.SkipWithError("the operations did not link to fast forms");
  EventRunner runner;
  runner.StartEventRunner(0, 0);
  for (auto _ : state) {
    runner.SetupEventCall(&list, -1, 0);
    runner.RunEventRunner();
    if (runner.IsEventRunnerBusy()) state.SkipWithError("the frame did not finish the list");
    benchmark::DoNotOptimize(gVariableStore.variableSets[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * (kCommands + 1));
  state.counters["commands_per_frame"] = kCommands + 1;
}

BENCHMARK(BM_VariableOperationFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VariableOperationFastFormFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VariableOperationLinkedFrame)->Unit(benchmark::kMillisecond);

}  // namespace
