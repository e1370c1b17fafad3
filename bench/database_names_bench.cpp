// Building the start-up name indexes for a User database whose types after the
// first take their data names from the nearest earlier type of their own
// (source 2), ten rows a type: the shape where every name used to walk back
// over all the types before it.
#include <benchmark/benchmark.h>

#include <string>

#include "gamedata/Database.h"

namespace {

constexpr int kRowsPerType = 10;

void FillChain(Database& database, int rows) {
  database = Database();
  const auto typeCount = static_cast<size_t>(rows / kRowsPerType);
  database.types.resize(typeCount);
  database.definitions.resize(typeCount);
  for (size_t type = 0; type < typeCount; ++type) {
    DatabaseTypeData& data = database.types[type];
    data.dataNameSource = type == 0 ? 0 : 2;
    data.rows.assign(kRowsPerType, DatabaseRow{});
    DatabaseTypeDefinition& definition = database.definitions[type];
    definition.typeName = "type" + std::to_string(type);
    definition.dataNames.assign(kRowsPerType, std::string());
    if (type == 0)
      for (int row = 0; row < kRowsPerType; ++row)
        definition.dataNames[static_cast<size_t>(row)] = "name" + std::to_string(row);
  }
}

void BM_BuildNameIndexes(benchmark::State& state) {
  gVariableDatabase = Database();
  gSystemDatabase = Database();
  FillChain(gUserDatabase, static_cast<int>(state.range(0)));
  LinkDatabases();
  for (auto _ : state) BuildDatabaseNameIndexes();
  state.SetItemsProcessed(state.iterations() * state.range(0));
  gUserDatabase = Database();
  BuildDatabaseNameIndexes();
}
BENCHMARK(BM_BuildNameIndexes)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
