#pragma once

#include <vector>

namespace platform {

// The first free entry of a handle table whose entries have a `live` flag
// (entry 0 names nothing), growing the table when all are taken.
template <class T>
int ClaimTableEntry(std::vector<T>& table) {
  for (size_t i = 1; i < table.size(); ++i)
    if (!table[i].live) return static_cast<int>(i);
  table.emplace_back();
  return static_cast<int>(table.size() - 1);
}

}  // namespace platform
