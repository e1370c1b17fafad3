#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One data row of a type: the int contents and the string contents, by slot.
struct DatabaseRow {
  std::vector<int32_t> ints;
  std::vector<std::string> strings{std::string()};
};

// A type's table: what each content is, and the rows.
struct DatabaseTypeData {
  // One per content: kind x 1000 + slot; kind 1 int, kind 2 string.
  std::vector<int32_t> contentCodes{2000};
  std::vector<DatabaseRow> rows{DatabaseRow{}};
  int32_t recordForm = -2;     // the leading negative number of the type's file record
  int32_t dataNameSource = 0;  // where data names come from (see GetDatabaseDataName)
};

// A type's names and defaults.
struct DatabaseTypeDefinition {
  std::string typeName;
  std::string memo;
  std::vector<std::string> dataNames{std::string()};
  std::vector<std::string> contentNames{std::string()};
  std::vector<uint8_t> contentOptionBytes = std::vector<uint8_t>(100, 0);
  std::vector<std::string> contentOptionTexts{std::string()};
  std::vector<std::vector<std::string>> contentOptionTextLists{{}};
  std::vector<std::vector<int32_t>> contentOptionValueLists{{}};
  std::vector<int32_t> defaultValues{0};  // by content number
};

// One of the three databases (System, User, Variable): types of rows with int
// and string contents, and their definitions. Out of range means negative or
// not below the count; every access is bounded.
class Database {
 public:
  int GetDatabaseTypeCount() const { return static_cast<int>(types.size()); }
  // -1 when the type is out of range or has no rows.
  int GetDatabaseDataCount(int type) const;
  // -1 when the type is out of range.
  int GetDatabaseContentCount(int type) const;
  // 1 int, 2 string; -1 when the type or content is out of range or the code
  // names no known kind.
  int GetDatabaseContentKind(int type, int content) const;

  // Reads show their notices and raise gDatabaseErrorFlag for a missing type,
  // data or content.
  int ReadDatabaseInt(int type, int data, int content, int* out = nullptr);
  std::string ReadDatabaseString(int type, int data, int content, std::string* out = nullptr);
  // False (nothing stored) unless the cell exists and is of the kind written.
  bool WriteDatabaseInt(int type, int data, int content, int value);
  bool WriteDatabaseString(int type, int data, int content, const std::string& text);
  // Without intCellsOnly a pointer to the content's code; with it, to the row's
  // int cell when the content is an int. Null when out of range.
  int32_t* GetDatabaseCellPointer(int type, int data, int content, bool intCellsOnly);

  // "×NoData" when out of range.
  std::string GetDatabaseTypeName(int type) const;
  std::string GetDatabaseContentName(int type, int content) const;
  std::string GetDatabaseDataName(int type, int data) const;

  void ResizeDatabaseType(int type, int rowCount);
  void ResetDatabaseData(int type, int data);

  // Reads Data\<name>.dat and Data\<name>.project into this freshly
  // constructed database.
  bool LoadDatabaseFiles(const std::string& name);
  // Reads the Variable database's block of a save from gSaveBuffer at its
  // position (the rows), then the definitions from the Variable database's
  // .project file. False when the tag byte or the type count does not fit (or
  // the count is negative); a short type record raises the buffer's short-data
  // flag and the result is still true, as the save reader checks the flag.
  bool LoadDatabaseState();
  // Appends the block to gSaveBuffer: mark byte 111, the type count, each
  // type as in the database files (its record form becomes -2).
  bool SaveDatabaseState();

  uint8_t dataNameSync = 1;  // while set, row count changes resize the data names in step
  Database* systemLink = nullptr;
  Database* userLink = nullptr;
  Database* variableLink = nullptr;
  std::vector<DatabaseTypeData> types;
  std::vector<DatabaseTypeDefinition> definitions;
  int formatVersion = 193;  // format byte of the last .dat read; decides the .project layout

 private:
  const DatabaseTypeData* TypeAt(int type) const;
  const DatabaseTypeDefinition* DefinitionAt(int type) const;
  int DefaultValue(int type, int content) const;
  void FillDefaults(int type, DatabaseRow& row);
};

extern Database gSystemDatabase;
extern Database gUserDatabase;
extern Database gVariableDatabase;

// Set to 1 when a read reports a missing type, data or content; the event
// runner reports and clears it.
extern int gDatabaseErrorFlag;

// The text of a missing name.
const std::string& NoDataText();

// One type's data names in the name index. Types that show another type's
// names share that type's table, so a damaged database cannot make the index
// hold a long name once for every type that shows it.
class DataNameIndex {
 public:
  DataNameIndex() = default;
  // Data numbers below namedRows show the names of firstRows (name -> lowest
  // data number showing it); those from namedRows to rowCount show NoDataText().
  DataNameIndex(std::shared_ptr<const std::map<std::string, int>> firstRows, int namedRows, int rowCount);
  // The lowest data number showing the name, -1 when none does.
  int Find(const std::string& name) const;

 private:
  std::shared_ptr<const std::map<std::string, int>> firstRows_;
  int namedRows_ = 0;
  int rowCount_ = 0;
};

// Name -> number indexes of the three databases, by slot: 0 Variable,
// 1 System, 2 User. Where names repeat, the lowest number wins.
using DatabaseTypeNameIndex = std::map<std::string, int>;
using DatabaseDataNameIndex = std::vector<DataNameIndex>;                  // per type
using DatabaseContentNameIndex = std::vector<std::map<std::string, int>>;  // per type
extern std::array<DatabaseTypeNameIndex, 3> gDatabaseTypeNameIndex;
extern std::array<DatabaseDataNameIndex, 3> gDatabaseDataNameIndex;
extern std::array<DatabaseContentNameIndex, 3> gDatabaseContentNameIndex;

// Fresh databases loaded from BasicData, linked to each other, with ten spare
// rows in the System database's BGM, BGS and sound-effect types.
void LoadDatabases();
// Points the system, user and variable links of all three databases at them.
void LinkDatabases();
void BuildDatabaseNameIndexes();
// The game system's sound list sizes: System types 1-3 less their spare rows.
void ComputeSoundListSizes();
