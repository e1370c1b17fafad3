#pragma once

#include <string>
#include <vector>

#include "gamedata/Database.h"

// Builds small in-memory database types for tests.
struct TypeSpec {
  std::string name;
  std::vector<int> codes;  // kind x 1000 + slot per content
  int rows = 1;
  std::vector<int> defaults;              // by content
  std::vector<std::string> contentNames;  // default: "c0", "c1", ...
  std::vector<std::string> dataNames;     // default: "d0", "d1", ...
  int dataNameSource = 0;
};

inline void AddType(Database& database, const TypeSpec& spec);

inline void AddType(Database& database, std::string name, std::vector<int> codes, int rows,
                    std::vector<int> defaults = {}, std::vector<std::string> contentNames = {},
                    std::vector<std::string> dataNames = {}, int dataNameSource = 0) {
  AddType(database, TypeSpec{std::move(name), std::move(codes), rows, std::move(defaults), std::move(contentNames),
                             std::move(dataNames), dataNameSource});
}

inline void AddType(Database& database, const TypeSpec& spec) {
  DatabaseTypeData type;
  type.contentCodes.assign(spec.codes.begin(), spec.codes.end());
  type.dataNameSource = spec.dataNameSource;
  int ints = 0, strings = 0;
  for (int code : spec.codes) (code / 1000 == 1 ? ints : strings) += 1;
  type.rows.assign(static_cast<size_t>(spec.rows), DatabaseRow{});
  for (DatabaseRow& row : type.rows) {
    row.ints.assign(static_cast<size_t>(ints), 0);
    row.strings.assign(static_cast<size_t>(strings), "");
  }
  DatabaseTypeDefinition definition;
  definition.typeName = spec.name;
  definition.contentNames = spec.contentNames;
  if (definition.contentNames.empty())
    for (size_t c = 0; c < spec.codes.size(); ++c) {
      std::string name = "c";
      name += std::to_string(c);
      definition.contentNames.push_back(std::move(name));
    }
  definition.dataNames = spec.dataNames;
  if (definition.dataNames.empty())
    for (int d = 0; d < spec.rows; ++d) {
      std::string name = "d";
      name += std::to_string(d);
      definition.dataNames.push_back(std::move(name));
    }
  definition.defaultValues.assign(spec.defaults.begin(), spec.defaults.end());
  definition.defaultValues.resize(spec.codes.size(), 0);
  database.types.push_back(std::move(type));
  database.definitions.push_back(std::move(definition));
}
