#include "gamedata/Database.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "gamedata/GameText.h"
#include "gamedata/VariableId.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"

Database gSystemDatabase;
Database gUserDatabase;
Database gVariableDatabase;
int gDatabaseErrorFlag = 0;

std::array<DatabaseTypeNameIndex, 3> gDatabaseTypeNameIndex;
std::array<DatabaseDataNameIndex, 3> gDatabaseDataNameIndex;
std::array<DatabaseContentNameIndex, 3> gDatabaseContentNameIndex;

namespace {

constexpr const char* kError = "<<ERROR>>";
// Data names that point at other types stop after this many steps, so a type
// that names itself or a ring of types cannot go round without end.
constexpr int kMaxDataNameDepth = 16;

struct Code {
  int kind = 0;
  int slot = -1;
};

// A code from a file may be anything; only kinds 1 and 2 with a slot address a cell.
Code Decode(int32_t code) {
  if (code < 0) return {};
  return {code / 1000, code % 1000};
}

int CountKind(const DatabaseTypeData& type, int kind) {
  int n = 0;
  for (int32_t code : type.contentCodes) n += Decode(code).kind == kind ? 1 : 0;
  return n;
}

template <typename T>
bool InRange(int index, const std::vector<T>& list) {
  return index >= 0 && static_cast<size_t>(index) < list.size();
}

int DataNameSourceOf(const Database& database, int type) {
  return InRange(type, database.types) ? database.types[type].dataNameSource : 0;
}

// The database a linked data-name source names, null when it is no link or the
// link is not set.
const Database* LinkedDatabase(const Database& database, int source) {
  if (source > 9999 && source < 20000) return database.systemLink;
  if (source > 19999 && source < 30000) return database.userLink;
  if (source > 29999 && source < 40000) return database.variableLink;
  return nullptr;
}

// Where a type's data names come from once every step through source 2 and
// the links is taken: data numbers below nameLimit show the names of
// (database, type), whose source is its own; every other number, and every
// number when database is null, shows NoDataText(). The steps a name takes
// depend on the types only, never on the data number, so one resolution
// serves all rows of a type.
struct ResolvedDataNames {
  const Database* database = nullptr;
  int type = -1;
  size_t nameLimit = 0;

  std::string Name(int data) const {
    if (database == nullptr || data < 0 || static_cast<size_t>(data) >= nameLimit) return NoDataText();
    const int source = DataNameSourceOf(*database, type);
    if (source == 0) return database->definitions[type].dataNames[data];
    if (source == 1 && InRange(data, database->types[type].rows)) {
      const DatabaseRow& row = database->types[type].rows[data];
      if (!row.strings.empty()) return row.strings[0];
    }
    return {};
  }
};

// Follows data-name sources from type to type. With remember set, the nearest
// earlier type not of source 2 is found once per database for all its types,
// so resolving every type of a long run of source-2 types costs no more than
// the run itself.
class DataNameResolver {
 public:
  explicit DataNameResolver(bool remember) : remember_(remember) {}

  ResolvedDataNames Resolve(const Database& start, int type) {
    const Database* database = &start;
    size_t nameLimit = SIZE_MAX;
    for (int depth = 0;; ++depth) {
      if (!InRange(type, database->definitions)) return {};
      nameLimit = std::min(nameLimit, database->definitions[type].dataNames.size());
      if (depth >= kMaxDataNameDepth) return {};
      const int source = DataNameSourceOf(*database, type);
      if (source == 2) {
        type = NearestNotOfSourceTwo(*database, type);
        continue;
      }
      const Database* linked = LinkedDatabase(*database, source);
      if (linked == nullptr) return {database, type, nameLimit};
      database = linked;
      type = source % 10000;
    }
  }

 private:
  // -1 when every earlier type is of source 2.
  int NearestNotOfSourceTwo(const Database& database, int type) {
    if (!remember_) {
      int earlier = type - 1;
      while (earlier >= 0 && DataNameSourceOf(database, earlier) == 2) --earlier;
      return earlier;
    }
    std::vector<int>& nearest = nearest_[&database];
    if (nearest.empty()) {
      // Only types with definitions are ever asked about.
      nearest.resize(database.definitions.size());
      for (size_t t = 0; t < nearest.size(); ++t) {
        const int previous = static_cast<int>(t) - 1;
        nearest[t] = previous < 0 || DataNameSourceOf(database, previous) != 2 ? previous : nearest[t - 1];
      }
    }
    return nearest[static_cast<size_t>(type)];
  }

  bool remember_;
  std::map<const Database*, std::vector<int>> nearest_;
};

using DataNameTable = std::map<std::string, int>;

// The name -> lowest data number tables of the types whose names others show,
// each built once however many types show it.
class DataNameTables {
 public:
  std::shared_ptr<const DataNameTable> Of(const ResolvedDataNames& names) {
    std::shared_ptr<const DataNameTable>& table = tables_[names.database][names.type];
    if (table == nullptr) {
      const auto& dataNames = names.database->definitions[names.type].dataNames;
      const ResolvedDataNames all{names.database, names.type, dataNames.size()};
      auto built = std::make_shared<DataNameTable>();
      for (size_t data = 0; data < dataNames.size(); ++data)
        built->try_emplace(all.Name(static_cast<int>(data)), static_cast<int>(data));
      table = std::move(built);
    }
    return table;
  }

 private:
  std::map<const Database*, std::map<int, std::shared_ptr<const DataNameTable>>> tables_;
};

}  // namespace

DataNameIndex::DataNameIndex(std::shared_ptr<const std::map<std::string, int>> firstRows, int namedRows, int rowCount)
    : firstRows_(std::move(firstRows)), namedRows_(namedRows), rowCount_(rowCount) {}

int DataNameIndex::Find(const std::string& name) const {
  if (firstRows_ != nullptr) {
    const auto found = firstRows_->find(name);
    // The lowest number of the whole table: when it is not among the named
    // rows, no named row shows the name.
    if (found != firstRows_->end() && found->second < namedRows_) return found->second;
  }
  if (namedRows_ < rowCount_ && name == NoDataText()) return namedRows_;
  return -1;
}

const std::string& NoDataText() {
  static const std::string text = Cp932Text("×NoData");
  return text;
}

const DatabaseTypeData* Database::TypeAt(int type) const { return InRange(type, types) ? &types[type] : nullptr; }

const DatabaseTypeDefinition* Database::DefinitionAt(int type) const {
  return InRange(type, definitions) ? &definitions[type] : nullptr;
}

int Database::DefaultValue(int type, int content) const {
  const DatabaseTypeDefinition* definition = DefinitionAt(type);
  if (definition == nullptr || !InRange(content, definition->defaultValues)) return 0;
  return definition->defaultValues[content];
}

int Database::GetDatabaseDataCount(int type) const {
  const DatabaseTypeData* t = TypeAt(type);
  if (t == nullptr || t->rows.empty()) return -1;
  return static_cast<int>(t->rows.size());
}

int Database::GetDatabaseContentCount(int type) const {
  const DatabaseTypeData* t = TypeAt(type);
  return t == nullptr ? -1 : static_cast<int>(t->contentCodes.size());
}

int Database::GetDatabaseContentKind(int type, int content) const {
  const DatabaseTypeDefinition* definition = DefinitionAt(type);
  const DatabaseTypeData* t = TypeAt(type);
  if (definition == nullptr || !InRange(content, definition->contentNames)) return -1;
  if (t == nullptr || !InRange(content, t->contentCodes)) return -1;
  int kind = Decode(t->contentCodes[content]).kind;
  return kind == 1 || kind == 2 ? kind : -1;
}

int Database::ReadDatabaseInt(int type, int data, int content, int* out) {
  if (type < 0) return -1;
  if (type >= GetDatabaseTypeCount()) {
    ShowNoticeBox(NoticeText("エラー：存在しないタイプ番号 %d を読みに行っています", {Decimal(type)}),
                  ErrorLocationText(), "");
    gDatabaseErrorFlag = 1;
    return 0;
  }
  if (data >= GetDatabaseDataCount(type)) {
    ShowNoticeBox(
        NoticeText("エラー：タイプ %d に存在しないデータ番号 %d を読みに行っています", {Decimal(type), Decimal(data)}),
        "", "");
    gDatabaseErrorFlag = 1;
    return DefaultValue(type, content);
  }
  const DatabaseTypeData& t = types[type];
  if (data < 0 || !InRange(content, t.contentCodes)) return -1;
  Code code = Decode(t.contentCodes[content]);
  if (code.kind != 1) return 0;
  const DatabaseRow& row = t.rows[data];
  if (!InRange(code.slot, row.ints)) return 0;
  int value = row.ints[code.slot];
  if (out != nullptr) *out = value;
  return value;
}

std::string Database::ReadDatabaseString(int type, int data, int content, std::string* out) {
  if (type < 0) return kError;
  if (type >= GetDatabaseTypeCount()) {
    ShowNoticeBox(Cp932Text("エラー：存在しないタイプ番号を読みに行っています"), "", "");
    gDatabaseErrorFlag = 1;
    return kError;
  }
  if (data >= GetDatabaseDataCount(type)) {
    ShowNoticeBox(Cp932Text("エラー：存在しないデータ番号を読みに行っています"), ErrorLocationText(), "");
    gDatabaseErrorFlag = 1;
    return kError;
  }
  const DatabaseTypeData& t = types[type];
  int contentCount = static_cast<int>(t.contentCodes.size());
  if (content >= contentCount) {
    ShowNoticeBox(Cp932Text("エラー：存在しない内容番号を読みに行っています"),
                  NoticeText("Type%d ﾃﾞｰﾀ番号%d 内容%d(Max%d)",
                             {Decimal(type), Decimal(data), Decimal(content), Decimal(contentCount)}),
                  ErrorLocationText());
    gDatabaseErrorFlag = 1;
    return kError;
  }
  if (data < 0 || content < 0) return kError;
  Code code = Decode(t.contentCodes[content]);
  const DatabaseRow& row = t.rows[data];
  if (code.kind != 2 || !InRange(code.slot, row.strings)) return kError;
  if (out != nullptr) *out = row.strings[code.slot];
  return row.strings[code.slot];
}

bool Database::WriteDatabaseInt(int type, int data, int content, int value) {
  int32_t* cell = GetDatabaseCellPointer(type, data, content, true);
  if (cell == nullptr) return false;
  *cell = value;
  return true;
}

bool Database::WriteDatabaseString(int type, int data, int content, const std::string& text) {
  if (!InRange(type, types)) return false;
  DatabaseTypeData& t = types[type];
  if (!InRange(data, t.rows) || !InRange(content, t.contentCodes)) return false;
  Code code = Decode(t.contentCodes[content]);
  DatabaseRow& row = t.rows[data];
  if (code.kind != 2 || !InRange(code.slot, row.strings)) return false;
  row.strings[code.slot] = text;
  return true;
}

int32_t* Database::GetDatabaseCellPointer(int type, int data, int content, bool intCellsOnly) {
  if (!InRange(type, types)) return nullptr;
  DatabaseTypeData& t = types[type];
  if (!InRange(data, t.rows) || !InRange(content, t.contentCodes)) return nullptr;
  if (!intCellsOnly) return &t.contentCodes[content];
  Code code = Decode(t.contentCodes[content]);
  DatabaseRow& row = t.rows[data];
  if (code.kind != 1 || !InRange(code.slot, row.ints)) return nullptr;
  return &row.ints[code.slot];
}

std::string Database::GetDatabaseTypeName(int type) const {
  const DatabaseTypeDefinition* definition = DefinitionAt(type);
  return definition == nullptr ? NoDataText() : definition->typeName;
}

std::string Database::GetDatabaseContentName(int type, int content) const {
  const DatabaseTypeDefinition* definition = DefinitionAt(type);
  if (definition == nullptr || !InRange(content, definition->contentNames)) return NoDataText();
  return definition->contentNames[content];
}

std::string Database::GetDatabaseDataName(int type, int data) const {
  DataNameResolver resolver(false);
  return resolver.Resolve(*this, type).Name(data);
}

void Database::FillDefaults(int type, DatabaseRow& row) {
  const DatabaseTypeData& t = types[type];
  for (size_t content = 0; content < t.contentCodes.size(); ++content) {
    Code code = Decode(t.contentCodes[content]);
    if (code.kind == 1 && InRange(code.slot, row.ints))
      row.ints[code.slot] = DefaultValue(type, static_cast<int>(content));
  }
}

void Database::ResizeDatabaseType(int type, int rowCount) {
  if (type < 0) return;
  if (type >= GetDatabaseTypeCount()) {
    ShowNoticeBox(NoticeText("このDBにタイプ%dは存在しません、対象DBを間違えていないかご確認下さい", {Decimal(type)}),
                  ErrorLocationText(), "");
    return;
  }
  if (rowCount < 0) rowCount = 0;
  DatabaseTypeData& t = types[type];
  const size_t oldCount = t.rows.size();
  const size_t newCount = static_cast<size_t>(rowCount);
  t.rows.resize(newCount);
  DatabaseTypeDefinition* definition = InRange(type, definitions) ? &definitions[type] : nullptr;
  if (dataNameSync != 0 && definition != nullptr) {
    if (newCount > oldCount) definition->dataNames.resize(definition->dataNames.size() + (newCount - oldCount));
    else if (definition->dataNames.size() > newCount) definition->dataNames.resize(newCount);
  }
  const size_t intCount = static_cast<size_t>(CountKind(t, 1));
  const size_t stringCount = static_cast<size_t>(CountKind(t, 2));
  for (DatabaseRow& row : t.rows) {
    row.ints.resize(intCount);
    row.strings.resize(stringCount);
  }
  for (size_t data = oldCount; data < newCount; ++data) FillDefaults(type, t.rows[data]);
}

void Database::ResetDatabaseData(int type, int data) {
  if (type < 0) return;
  if (type >= GetDatabaseTypeCount()) {
    ShowNoticeBox(NoticeText("DB初期化:初期化しようとしたタイプ番号%dがありません", {Decimal(type)}), "", "");
    return;
  }
  DatabaseTypeData& t = types[type];
  if (!InRange(data, t.rows)) return;
  DatabaseRow& row = t.rows[data];
  for (int32_t& value : row.ints) value = 0;
  for (std::string& text : row.strings) text.clear();
  FillDefaults(type, row);
}

void LinkDatabases() {
  for (Database* database : {&gSystemDatabase, &gUserDatabase, &gVariableDatabase}) {
    database->systemLink = &gSystemDatabase;
    database->userLink = &gUserDatabase;
    database->variableLink = &gVariableDatabase;
  }
}

void LoadDatabases() {
  gSystemDatabase = Database();
  gUserDatabase = Database();
  gVariableDatabase = Database();
  gSystemDatabase.LoadDatabaseFiles("BasicData\\SysDataBase");
  gUserDatabase.LoadDatabaseFiles("BasicData\\DataBase");
  gVariableDatabase.LoadDatabaseFiles("BasicData\\CDataBase");
  for (int type = 1; type <= 3; ++type)
    gSystemDatabase.ResizeDatabaseType(type, gSystemDatabase.GetDatabaseDataCount(type) + 10);
  LinkDatabases();
}

void ComputeSoundListSizes() {
  for (int kind = 0; kind < 3; ++kind)
    gGameSystem.soundListSizes[kind] = gSystemDatabase.GetDatabaseDataCount(kind + 1) - 10;
  for (int kind = 3; kind < 6; ++kind) gGameSystem.soundListSizes[kind] = 0;
}

void BuildDatabaseNameIndexes() {
  Database* const slots[3] = {&gVariableDatabase, &gSystemDatabase, &gUserDatabase};
  DataNameResolver resolver(true);
  DataNameTables tables;
  for (size_t slot = 0; slot < 3; ++slot) {
    const Database& database = *slots[slot];
    const int typeCount = database.GetDatabaseTypeCount();
    gDatabaseTypeNameIndex[slot].clear();
    gDatabaseDataNameIndex[slot].assign(static_cast<size_t>(typeCount), {});
    gDatabaseContentNameIndex[slot].assign(static_cast<size_t>(typeCount), {});
    // From the last to the first, each insert overwriting: the lowest number wins.
    for (int type = typeCount - 1; type >= 0; --type) {
      gDatabaseTypeNameIndex[slot][database.GetDatabaseTypeName(type)] = type;
      const ResolvedDataNames names = resolver.Resolve(database, type);
      const int rowCount = std::max(database.GetDatabaseDataCount(type), 0);
      const int namedRows = static_cast<int>(std::min(static_cast<size_t>(rowCount), names.nameLimit));
      gDatabaseDataNameIndex[slot][type] =
          DataNameIndex(namedRows > 0 ? tables.Of(names) : nullptr, namedRows, rowCount);
      for (int content = database.GetDatabaseContentCount(type) - 1; content >= 0; --content)
        gDatabaseContentNameIndex[slot][type][database.GetDatabaseContentName(type, content)] = content;
    }
  }
}
