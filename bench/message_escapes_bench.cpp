// Escape expansion of message texts of 1, 10 and 100 kB, each line holding
// two escapes: a variable's value and a text colour.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "presentation/MessageEscapes.h"

namespace {

std::string LinesOfEscapes(size_t bytes) {
  std::string text;
  for (int line = 0; text.size() < bytes; ++line) {
    text += "Line " + std::to_string(line) + ": \\v[" + std::to_string(line % 10) + "] coins, \\c[" +
            std::to_string(line % 8) + "]and the rest of the line\n";
  }
  text.resize(bytes);
  return text;
}

void BM_ExpandMessageEscapes(benchmark::State& state) {
  gCurrentMap = CurrentMap();
  gCurrentMap.mapId = 1;
  gVariableStore = VariableStore();
  gVariableStore.variableSets[0].assign(100, 0);
  for (int i = 0; i < 10; ++i) gVariableStore.variableSets[0][static_cast<size_t>(i)] = 1000 * i + 7;
  const std::string text = LinesOfEscapes(static_cast<size_t>(state.range(0)) * 1024);
  for (auto _ : state) {
    std::string out = ExpandMessageEscapes(text, -1, -1, 1, 0, 0, "", "", 0);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ExpandMessageEscapes)->ArgName("kB")->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
