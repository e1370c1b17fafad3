// System variables and system strings, by index.
//
// Until the engine state they stand for is wired to them, each index is a
// plain cell: a write is read back, an index never written reads 0 or "".
#include <map>

#include "gamedata/VariableStore.h"

namespace {
std::map<int, int> gSystemVariableCells;
std::map<int, std::string> gSystemStringCells;
}  // namespace

int VariableStore::ReadSystemVariable(int index) {
  auto it = gSystemVariableCells.find(index);
  return it == gSystemVariableCells.end() ? 0 : it->second;
}

void VariableStore::WriteSystemVariable(int index, int value) { gSystemVariableCells[index] = value; }

std::string VariableStore::ReadSystemString(int index) {
  auto it = gSystemStringCells.find(index);
  return it == gSystemStringCells.end() ? std::string() : it->second;
}

void VariableStore::WriteSystemString(int index, const std::string& text) { gSystemStringCells[index] = text; }
