#include <gtest/gtest.h>

#include <random>

#include "gamedata/Database.h"
#include "gamedata/DatabaseFixture.h"
#include "gamedata/TestText.h"
#include "gamedata/VariableId.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"

namespace {

class DatabaseTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearRecordedNotices();
    gDatabaseErrorFlag = 0;
    gErrorLocation = {3, -1, 7};
  }
  std::vector<std::array<std::string, 3>> Notices() { return RecordedNotices(); }
  Database db;
};

TEST_F(DatabaseTest, FreshTypeAndRowShapes) {
  DatabaseTypeData type;
  EXPECT_EQ(type.contentCodes, std::vector<int32_t>{2000});
  ASSERT_EQ(type.rows.size(), 1u);
  EXPECT_TRUE(type.rows[0].ints.empty());
  EXPECT_EQ(type.rows[0].strings, std::vector<std::string>{""});
  EXPECT_EQ(type.recordForm, -2);
  EXPECT_EQ(db.formatVersion, 193);
  EXPECT_EQ(db.dataNameSync, 1);
}

TEST_F(DatabaseTest, ContentsAddressTheRowBySlot) {
  AddType(db, "t", {1000, 2000, 1001}, 2);
  ASSERT_EQ(db.types[0].rows[0].ints.size(), 2u);
  ASSERT_EQ(db.types[0].rows[0].strings.size(), 1u);
  EXPECT_TRUE(db.WriteDatabaseInt(0, 1, 2, 55));
  EXPECT_EQ(db.types[0].rows[1].ints[1], 55);
  EXPECT_EQ(db.ReadDatabaseInt(0, 1, 2), 55);
  EXPECT_TRUE(db.WriteDatabaseString(0, 1, 1, "abc"));
  EXPECT_EQ(db.ReadDatabaseString(0, 1, 1), "abc");
  int out = 0;
  std::string text;
  db.ReadDatabaseInt(0, 1, 2, &out);
  db.ReadDatabaseString(0, 1, 1, &text);
  EXPECT_EQ(out, 55);
  EXPECT_EQ(text, "abc");
  // Wrong kinds answer without a notice.
  EXPECT_EQ(db.ReadDatabaseInt(0, 1, 1), 0);
  EXPECT_EQ(db.ReadDatabaseString(0, 1, 0), "<<ERROR>>");
  EXPECT_FALSE(db.WriteDatabaseInt(0, 1, 1, 1));
  EXPECT_FALSE(db.WriteDatabaseString(0, 1, 0, "x"));
  EXPECT_TRUE(Notices().empty());
  EXPECT_EQ(gDatabaseErrorFlag, 0);
}

TEST_F(DatabaseTest, ReadsOfMissingPartsNoticeAndRaiseTheFlag) {
  AddType(db, "t0", {1000}, 1);
  AddType(db, "t1", {1000}, 1);
  AddType(db, "t2", {1000}, 1);
  AddType(db, "t3", {1000, 1001}, 10, {17, 23});
  const std::string location = ErrorLocationText();
  struct Case {
    int type, data, content;
    int expected;
    std::array<std::string, 3> notice;  // empty line 1: no notice
  };
  const Case cases[] = {
      {-1, 0, 0, -1, {}},
      {9, 0, 0, 0, {Sjis("エラー：存在しないタイプ番号 9 を読みに行っています"), location, ""}},
      {3, 99, 1, 23, {Sjis("エラー：タイプ 3 に存在しないデータ番号 99 を読みに行っています"), "", ""}},
      {3, 99, 50, 0, {Sjis("エラー：タイプ 3 に存在しないデータ番号 99 を読みに行っています"), "", ""}},
      {3, -1, 0, -1, {}},
      {3, 0, 7, -1, {}},
  };
  for (const Case& c : cases) {
    ClearRecordedNotices();
    gDatabaseErrorFlag = 0;
    EXPECT_EQ(db.ReadDatabaseInt(c.type, c.data, c.content), c.expected) << c.type << "/" << c.data;
    auto notices = Notices();
    if (c.notice[0].empty()) {
      EXPECT_TRUE(notices.empty());
      EXPECT_EQ(gDatabaseErrorFlag, 0);
    } else {
      ASSERT_EQ(notices.size(), 1u);
      EXPECT_EQ(notices[0], c.notice);
      EXPECT_EQ(gDatabaseErrorFlag, 1);
    }
  }
}

TEST_F(DatabaseTest, StringReadsOfMissingPartsNotice) {
  AddType(db, "t0", {2000, 1000}, 2);
  const std::string location = ErrorLocationText();
  struct Case {
    int type, data, content;
    std::array<std::string, 3> notice;
  };
  const Case cases[] = {
      {5, 0, 0, {Sjis("エラー：存在しないタイプ番号を読みに行っています"), "", ""}},
      {0, 2, 0, {Sjis("エラー：存在しないデータ番号を読みに行っています"), location, ""}},
      {0,
       1,
       2,
       {Sjis("エラー：存在しない内容番号を読みに行っています"), Sjis("Type0 ﾃﾞｰﾀ番号1 内容2(Max2)"), location}},
      {0, -1, 0, {}},
      {0, 0, -1, {}},
      {-3, 0, 0, {}},
  };
  for (const Case& c : cases) {
    ClearRecordedNotices();
    EXPECT_EQ(db.ReadDatabaseString(c.type, c.data, c.content), "<<ERROR>>");
    auto notices = Notices();
    if (c.notice[0].empty()) {
      EXPECT_TRUE(notices.empty());
    } else {
      ASSERT_EQ(notices.size(), 1u);
      EXPECT_EQ(notices[0], c.notice);
    }
  }
}

TEST_F(DatabaseTest, TypeWithoutRows) {
  AddType(db, "t", {1000}, 0);
  EXPECT_EQ(db.GetDatabaseDataCount(0), -1);
  EXPECT_EQ(db.ReadDatabaseInt(0, 0, 0), 0);
  EXPECT_EQ(Notices().size(), 1u);
  EXPECT_EQ(db.GetDatabaseDataCount(1), -1);
  EXPECT_EQ(db.GetDatabaseDataCount(-1), -1);
}

TEST_F(DatabaseTest, GrowingGivesDefaultsAndDataNames) {
  AddType(db, "t", {1000, 2000, 1001}, 2, {5, 0, 9});
  db.types[0].rows[1].ints = {1, 2};
  db.ResizeDatabaseType(0, 5);
  ASSERT_EQ(db.GetDatabaseDataCount(0), 5);
  EXPECT_EQ(db.types[0].rows[1].ints, (std::vector<int32_t>{1, 2}));
  for (int row = 2; row < 5; ++row) {
    EXPECT_EQ(db.ReadDatabaseInt(0, row, 0), 5);
    EXPECT_EQ(db.ReadDatabaseInt(0, row, 2), 9);
    EXPECT_EQ(db.ReadDatabaseString(0, row, 1), "");
  }
  EXPECT_EQ(db.definitions[0].dataNames, (std::vector<std::string>{"d0", "d1", "", "", ""}));
  db.ResizeDatabaseType(0, 1);
  EXPECT_EQ(db.GetDatabaseDataCount(0), 1);
  EXPECT_EQ(db.definitions[0].dataNames.size(), 1u);
  db.dataNameSync = 0;
  db.ResizeDatabaseType(0, 3);
  EXPECT_EQ(db.definitions[0].dataNames.size(), 1u);
  EXPECT_TRUE(Notices().empty());
  db.ResizeDatabaseType(4, 3);
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0][0], Sjis("このDBにタイプ4は存在しません、対象DBを間違えていないかご確認下さい"));
  EXPECT_EQ(Notices()[0][1], ErrorLocationText());
}

TEST_F(DatabaseTest, ResetDataRestoresDefaults) {
  AddType(db, "t", {1000, 2000}, 2, {8, 0});
  db.WriteDatabaseInt(0, 1, 0, 3);
  db.WriteDatabaseString(0, 1, 1, "x");
  db.ResetDatabaseData(0, 1);
  EXPECT_EQ(db.ReadDatabaseInt(0, 1, 0), 8);
  EXPECT_EQ(db.ReadDatabaseString(0, 1, 1), "");
  db.ResetDatabaseData(0, 7);
  db.ResetDatabaseData(-1, 0);
  EXPECT_TRUE(Notices().empty());
  db.ResetDatabaseData(2, 0);
  ASSERT_EQ(Notices().size(), 1u);
  EXPECT_EQ(Notices()[0],
            (std::array<std::string, 3>{Sjis("DB初期化:初期化しようとしたタイプ番号2がありません"), "", ""}));
}

TEST_F(DatabaseTest, CodesFromFilesAreBounded) {
  // A slot beyond the row's list, a negative code and an unknown kind.
  AddType(db, "t", {1000, 1007, -5, 3000, 2009}, 1);
  EXPECT_EQ(db.ReadDatabaseInt(0, 0, 1), 0);
  EXPECT_FALSE(db.WriteDatabaseInt(0, 0, 1, 4));
  EXPECT_EQ(db.GetDatabaseCellPointer(0, 0, 1, true), nullptr);
  EXPECT_EQ(db.ReadDatabaseInt(0, 0, 2), 0);
  EXPECT_EQ(db.GetDatabaseContentKind(0, 2), -1);
  EXPECT_EQ(db.GetDatabaseContentKind(0, 3), -1);
  EXPECT_EQ(db.ReadDatabaseString(0, 0, 4), "<<ERROR>>");
  EXPECT_FALSE(db.WriteDatabaseString(0, 0, 4, "x"));
  db.ResizeDatabaseType(0, 3);
  EXPECT_EQ(db.ReadDatabaseInt(0, 2, 0), 0);
  EXPECT_TRUE(Notices().empty());
}

TEST_F(DatabaseTest, ContentKindAndCellPointers) {
  AddType(db, "t", {1000, 2000}, 1);
  EXPECT_EQ(db.GetDatabaseContentKind(0, 0), 1);
  EXPECT_EQ(db.GetDatabaseContentKind(0, 1), 2);
  EXPECT_EQ(db.GetDatabaseContentKind(0, 2), -1);
  EXPECT_EQ(db.GetDatabaseContentKind(1, 0), -1);
  int32_t* cell = db.GetDatabaseCellPointer(0, 0, 0, true);
  ASSERT_NE(cell, nullptr);
  *cell = 12;
  EXPECT_EQ(db.ReadDatabaseInt(0, 0, 0), 12);
  EXPECT_EQ(db.GetDatabaseCellPointer(0, 0, 1, true), nullptr);
  int32_t* code = db.GetDatabaseCellPointer(0, 0, 1, false);
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(*code, 2000);
  EXPECT_EQ(db.GetDatabaseContentCount(0), 2);
  EXPECT_EQ(db.GetDatabaseContentCount(1), -1);
}

TEST_F(DatabaseTest, NamesAndDataNameSources) {
  Database system, user, variable;
  for (Database* d : {&system, &user, &variable}) {
    d->systemLink = &system;
    d->userLink = &user;
    d->variableLink = &variable;
  }
  AddType(variable, "v0", {1000}, 2, {}, {}, {"va", "vb"});
  for (int t = 1; t < 5; ++t) {
    std::string name = "v";
    name += std::to_string(t);
    AddType(variable, name, {1000}, 1);
  }
  AddType(variable, "v5", {1000}, 3, {}, {}, {"x5", "y5", "z5"});

  AddType(user, "plain", {2000}, 2, {}, {"content"}, {"n0", "n1"});
  AddType(user, "firstString", {2000, 2001}, 2, {}, {}, {"", ""}, 1);
  user.WriteDatabaseString(1, 0, 0, "row0");
  AddType(user, "source2a", {1000}, 2, {}, {}, {"", ""}, 2);
  AddType(user, "source2b", {1000}, 2, {}, {}, {"", ""}, 2);
  AddType(user, "fromVariable", {1000}, 3, {}, {}, {"", "", ""}, 30005);
  AddType(user, "self", {1000}, 1, {}, {}, {""}, 20005);               // names itself: stops
  AddType(user, "short", {1000}, 4, {}, {}, {"", "", "", ""}, 30000);  // linked type has 2 names

  EXPECT_EQ(user.GetDatabaseTypeName(0), "plain");
  EXPECT_EQ(user.GetDatabaseTypeName(99), NoDataText());
  EXPECT_EQ(user.GetDatabaseContentName(0, 0), "content");
  EXPECT_EQ(user.GetDatabaseContentName(0, 1), NoDataText());
  EXPECT_EQ(user.GetDatabaseDataName(0, 1), "n1");
  EXPECT_EQ(user.GetDatabaseDataName(0, 2), NoDataText());
  EXPECT_EQ(user.GetDatabaseDataName(1, 0), "row0");
  // Source 2: the nearest earlier type not of source 2, here type 1 (first strings).
  EXPECT_EQ(user.GetDatabaseDataName(2, 0), "row0");
  EXPECT_EQ(user.GetDatabaseDataName(3, 0), "row0");
  EXPECT_EQ(user.GetDatabaseDataName(3, 1), "");
  EXPECT_EQ(user.GetDatabaseDataName(4, 2), "z5");
  EXPECT_EQ(user.GetDatabaseDataName(5, 0), NoDataText());
  EXPECT_EQ(user.GetDatabaseDataName(6, 1), "vb");
  EXPECT_EQ(user.GetDatabaseDataName(6, 3), NoDataText());
  EXPECT_EQ(Sjis("×NoData"), std::string("\x81\x7eNoData"));
}

TEST_F(DatabaseTest, SourceTwoCountsBackOverEarlierSourceTwoTypes) {
  AddType(db, "base", {1000}, 2, {}, {}, {"b0", "b1"});
  AddType(db, "a", {1000}, 2, {}, {}, {"", ""}, 2);
  AddType(db, "b", {1000}, 2, {}, {}, {"", ""}, 2);
  AddType(db, "c", {1000}, 2, {}, {}, {"", ""}, 2);
  EXPECT_EQ(db.GetDatabaseDataName(3, 1), "b1");
  Database lone;
  AddType(lone, "a", {1000}, 1, {}, {}, {""}, 2);
  EXPECT_EQ(lone.GetDatabaseDataName(0, 0), NoDataText());
}

TEST_F(DatabaseTest, DataNameRingStopsWithNoData) {
  Database a, b;
  for (Database* d : {&a, &b}) {
    d->systemLink = &a;
    d->userLink = &b;
  }
  AddType(a, "a", {1000}, 1, {}, {}, {""}, 20000);  // names from b's type 0
  AddType(b, "b", {1000}, 1, {}, {}, {""}, 10000);  // names from a's type 0
  EXPECT_EQ(a.GetDatabaseDataName(0, 0), NoDataText());
}

// What a data-name index answers for the probes it finds, as name -> number:
// with probes covering every name a test's databases show, the whole index.
std::map<std::string, int> Answers(const DataNameIndex& index, const std::vector<std::string>& probes) {
  std::map<std::string, int> answers;
  for (const std::string& probe : probes)
    if (const int data = index.Find(probe); data >= 0) answers[probe] = data;
  return answers;
}

TEST_F(DatabaseTest, NameIndexesLowestNumberWins) {
  gVariableDatabase = Database();
  gSystemDatabase = Database();
  gUserDatabase = Database();
  AddType(gUserDatabase, "same", {1000, 1001, 1002}, 3, {}, {"x", "y", "x"}, {"p", "q", "p"});
  AddType(gUserDatabase, "same", {1000}, 1);
  AddType(gUserDatabase, "other", {1000}, 0);
  AddType(gSystemDatabase, "sys", {1000}, 1);
  LinkDatabases();
  BuildDatabaseNameIndexes();
  EXPECT_EQ(gDatabaseTypeNameIndex[2].at("same"), 0);
  EXPECT_EQ(gDatabaseTypeNameIndex[2].at("other"), 2);
  EXPECT_EQ(gDatabaseDataNameIndex[2][0].Find("p"), 0);
  EXPECT_EQ(gDatabaseDataNameIndex[2][0].Find("q"), 1);
  EXPECT_EQ(gDatabaseDataNameIndex[2][0].Find("r"), -1);
  EXPECT_TRUE(Answers(gDatabaseDataNameIndex[2][2], {"", "p", "q", "d0", NoDataText()}).empty());
  EXPECT_EQ(gDatabaseContentNameIndex[2][0].at("x"), 0);
  EXPECT_EQ(gDatabaseTypeNameIndex[1].at("sys"), 0);
  EXPECT_TRUE(gDatabaseTypeNameIndex[0].empty());
  ASSERT_EQ(gDatabaseDataNameIndex[2].size(), 3u);
}

// The data-name rules followed name by name exactly as they read, walking back
// over source-2 types for every name: what the resolved names must equal.
std::string ReferenceDataName(const Database& database, int type, int data, int depth = 0) {
  auto inRange = [](int index, const auto& list) { return index >= 0 && static_cast<size_t>(index) < list.size(); };
  const auto& definitions = database.definitions;
  if (!inRange(type, definitions) || !inRange(data, definitions[type].dataNames)) return NoDataText();
  if (depth >= 16) return NoDataText();
  auto sourceOf = [&](int t) { return inRange(t, database.types) ? database.types[t].dataNameSource : 0; };
  const int source = sourceOf(type);
  std::string name;
  if (source == 0) {
    name = definitions[type].dataNames[data];
  } else if (source == 1) {
    if (inRange(type, database.types) && inRange(data, database.types[type].rows) &&
        !database.types[type].rows[data].strings.empty())
      name = database.types[type].rows[data].strings[0];
  } else if (source == 2) {
    int k = 1;
    while (type - k >= 0 && sourceOf(type - k) == 2) ++k;
    if (type - k < 0 || !inRange(type - k, definitions) || !inRange(data, definitions[type - k].dataNames))
      return NoDataText();
    name = ReferenceDataName(database, type - k, data, depth + 1);
  }
  const Database* linked = nullptr;
  if (source > 9999 && source < 20000) linked = database.systemLink;
  else if (source > 19999 && source < 30000) linked = database.userLink;
  else if (source > 29999 && source < 40000) linked = database.variableLink;
  if (linked != nullptr) {
    const int linkedType = source % 10000;
    if (!inRange(linkedType, linked->definitions) || !inRange(data, linked->definitions[linkedType].dataNames))
      return NoDataText();
    name = ReferenceDataName(*linked, linkedType, data, depth + 1);
  }
  return name;
}

// The index of one type as the rules build it: name -> lowest data number.
std::map<std::string, int> ReferenceDataNameIndex(const Database& database, int type) {
  std::map<std::string, int> index;
  for (int data = database.GetDatabaseDataCount(type) - 1; data >= 0; --data)
    index[ReferenceDataName(database, type, data)] = data;
  return index;
}

// A database of up to twenty types with runs of source-2 types, links into
// the three global databases, sources of no meaning, rows without strings, and
// as many data names as rows or fewer or more; definitions and types may
// differ in count. Links mostly lead onwards to later types, so chains run up
// to and past the step limit as well as round in rings; `chains` makes them so
// most of the time and gives every type a few names, so long chains stay named.
void FillRandomDatabase(Database& database, std::mt19937& random, const std::vector<std::string>& names, bool chains) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto anyName = [&] { return names[static_cast<size_t>(pick(static_cast<int>(names.size())))]; };
  database = Database();
  const int typeCount = chains ? 20 + pick(20) : pick(20);
  for (int type = 0; type < typeCount; ++type) {
    const int roll = pick(20);
    int source = 2;
    if (chains) {
      if (roll < 16) source = 10000 * (1 + pick(3)) + type + 1 + pick(2);
      else if (roll < 18) source = 0;
    } else if (roll >= 7 && roll < 9) {
      source = 0;
    } else if (roll >= 9 && roll < 11) {
      source = 1;
    } else if (roll >= 11 && roll < 14) {
      source = 10000 * (1 + pick(3)) + type + 1 + pick(2);
    } else if (roll >= 14 && roll < 16) {
      source = 10000 * (1 + pick(3)) + pick(20);
    } else if (roll >= 16) {
      source = std::array{5, -7, 40000, 9999}[static_cast<size_t>(roll - 16)];
    }
    const int rows = pick(5);
    AddType(database,
            TypeSpec{"t", pick(3) == 0 ? std::vector{1000} : std::vector{2000, 1000}, rows, {}, {}, {}, source});
    std::vector<std::string>& dataNames = database.definitions.back().dataNames;
    dataNames.resize(static_cast<size_t>(chains ? 3 + pick(3) : pick(6)));
    for (std::string& name : dataNames) name = anyName();
    for (DatabaseRow& row : database.types.back().rows)
      for (std::string& text : row.strings) text = anyName();
  }
  if (pick(4) == 0 && !database.definitions.empty()) database.definitions.pop_back();
  if (pick(4) == 0) database.definitions.emplace_back().dataNames = {anyName(), anyName()};
  for (Database** link : {&database.systemLink, &database.userLink, &database.variableLink}) *link = nullptr;
  if (pick(8) != 0) database.systemLink = &gSystemDatabase;
  if (pick(8) != 0) database.userLink = &gUserDatabase;
  if (pick(8) != 0) database.variableLink = &gVariableDatabase;
}

TEST_F(DatabaseTest, DataNamesAndTheirIndexesMatchTheNameByNameRules) {
  const std::vector<std::string> names = {"", "a", "b", "c", "a", NoDataText()};
  Database* const slots[3] = {&gVariableDatabase, &gSystemDatabase, &gUserDatabase};
  std::mt19937 random(7);
  int namesCompared = 0;
  for (int round = 0; round < 400; ++round) {
    const bool chains = round % 2 == 1;
    for (Database* database : slots) FillRandomDatabase(*database, random, names, chains);
    for (size_t slot = 0; slot < 3; ++slot) {
      const Database& database = *slots[slot];
      const int typeCount = static_cast<int>(std::max(database.types.size(), database.definitions.size()));
      for (int type = -1; type <= typeCount; ++type)
        for (int data = -1; data <= 6; ++data) {
          ASSERT_EQ(database.GetDatabaseDataName(type, data), ReferenceDataName(database, type, data))
              << "round " << round << " slot " << slot << " type " << type << " data " << data;
          ++namesCompared;
        }
    }
    BuildDatabaseNameIndexes();
    for (size_t slot = 0; slot < 3; ++slot) {
      const Database& database = *slots[slot];
      ASSERT_EQ(gDatabaseDataNameIndex[slot].size(), database.types.size());
      for (int type = 0; type < database.GetDatabaseTypeCount(); ++type)
        ASSERT_EQ(Answers(gDatabaseDataNameIndex[slot][static_cast<size_t>(type)], names),
                  ReferenceDataNameIndex(database, type))
            << "round " << round << " slot " << slot << " type " << type;
    }
  }
  EXPECT_GT(namesCompared, 10000);
  for (Database* database : slots) *database = Database();
  BuildDatabaseNameIndexes();
}

TEST_F(DatabaseTest, DataNamesStopAfterSixteenSteps) {
  // Type 0 shows its own names; after it source-2 types and links to the type
  // before alternate, so type k is k steps from them.
  gVariableDatabase = Database();
  gSystemDatabase = Database();
  gUserDatabase = Database();
  LinkDatabases();
  AddType(gUserDatabase, "own", {1000}, 2, {}, {}, {"far0", "far1"});
  for (int type = 1; type <= 18; ++type)
    AddType(gUserDatabase, "step", {1000}, 2, {}, {}, {"", ""}, type % 2 == 1 ? 2 : 20000 + type - 1);
  BuildDatabaseNameIndexes();
  for (int type = 0; type <= 18; ++type) {
    const bool named = type <= 15;
    EXPECT_EQ(gUserDatabase.GetDatabaseDataName(type, 1), named ? "far1" : NoDataText()) << type;
    const std::map<std::string, int> expected =
        named ? std::map<std::string, int>{{"far0", 0}, {"far1", 1}} : std::map<std::string, int>{{NoDataText(), 0}};
    EXPECT_EQ(Answers(gDatabaseDataNameIndex[2][static_cast<size_t>(type)], {"", "far0", "far1", NoDataText()}),
              expected)
        << type;
  }
  gUserDatabase = Database();
  BuildDatabaseNameIndexes();
}

TEST_F(DatabaseTest, LongRunOfSourceTwoTypesIndexesInOnePass) {
  // Forty thousand types of five rows, each showing the names of type 0: a
  // walk back over the run for every name would take billions of steps.
  constexpr int kTypes = 40000;
  constexpr int kRows = 5;
  gVariableDatabase = Database();
  gSystemDatabase = Database();
  gUserDatabase = Database();
  LinkDatabases();
  gUserDatabase.types.resize(kTypes);
  gUserDatabase.definitions.resize(kTypes);
  for (size_t type = 0; type < kTypes; ++type) {
    gUserDatabase.types[type].dataNameSource = type == 0 ? 0 : 2;
    gUserDatabase.types[type].rows.resize(kRows);
    gUserDatabase.definitions[type].dataNames.resize(kRows);
  }
  for (int data = 0; data < kRows; ++data)
    gUserDatabase.definitions[0].dataNames[static_cast<size_t>(data)] = "name" + std::to_string(data);
  BuildDatabaseNameIndexes();
  ASSERT_EQ(gDatabaseDataNameIndex[2].size(), static_cast<size_t>(kTypes));
  for (size_t type : {size_t{1}, size_t{kTypes / 2}, size_t{kTypes - 1}})
    for (int data = 0; data < kRows; ++data)
      EXPECT_EQ(gDatabaseDataNameIndex[2][type].Find("name" + std::to_string(data)), data) << type;
  EXPECT_EQ(gUserDatabase.GetDatabaseDataName(kTypes - 1, kRows - 1), "name4");
  gUserDatabase = Database();
  BuildDatabaseNameIndexes();
}

TEST_F(DatabaseTest, LongNamesShownByManyTypesAreIndexedOnce) {
  // Twenty thousand System types, and as many User types of source 2 after
  // them, show the four 256 KiB names of a Variable type: copied into every
  // type's index they would take tens of gigabytes.
  constexpr int kTypes = 20000;
  constexpr int kRows = 5;
  gVariableDatabase = Database();
  gSystemDatabase = Database();
  gUserDatabase = Database();
  LinkDatabases();
  std::vector<std::string> longNames;
  for (char letter : {'w', 'x', 'y', 'z'}) longNames.push_back(std::string(256 * 1024, 'n') + letter);
  AddType(gVariableDatabase, "long", {1000}, 4, {}, {}, longNames);
  AddType(gUserDatabase, "link", {1000}, kRows, {}, {}, {}, 30000);
  for (Database* database : {&gSystemDatabase, &gUserDatabase}) {
    const size_t first = database->types.size();
    database->types.resize(first + kTypes);
    database->definitions.resize(first + kTypes);
    for (size_t type = first; type < database->types.size(); ++type) {
      database->types[type].dataNameSource = database == &gSystemDatabase ? 30000 : 2;
      database->types[type].rows.resize(kRows);
      database->definitions[type].dataNames.resize(kRows);
    }
  }
  BuildDatabaseNameIndexes();
  const std::vector<std::string> probes = {longNames[0], longNames[3], NoDataText(), ""};
  const std::map<std::string, int> expected = {{longNames[0], 0}, {longNames[3], 3}, {NoDataText(), 4}};
  for (size_t slot : {1, 2})
    for (size_t type : {size_t{1}, size_t{kTypes - 1}})
      EXPECT_EQ(Answers(gDatabaseDataNameIndex[slot][type], probes), expected) << slot << "/" << type;
  EXPECT_EQ(gUserDatabase.GetDatabaseDataName(kTypes, 3), longNames[3]);
  EXPECT_EQ(gUserDatabase.GetDatabaseDataName(kTypes, 4), NoDataText());
  gVariableDatabase = Database();
  gSystemDatabase = Database();
  gUserDatabase = Database();
  BuildDatabaseNameIndexes();
}

TEST_F(DatabaseTest, SoundListSizesLeaveOutTheSpareRows) {
  gSystemDatabase = Database();
  AddType(gSystemDatabase, "t0", {1000}, 1);
  AddType(gSystemDatabase, "bgm", {2000}, 4);
  AddType(gSystemDatabase, "bgs", {2000}, 0);
  AddType(gSystemDatabase, "se", {2000}, 7);
  for (int t = 1; t <= 3; ++t) gSystemDatabase.ResizeDatabaseType(t, gSystemDatabase.GetDatabaseDataCount(t) + 10);
  ComputeSoundListSizes();
  EXPECT_EQ(gGameSystem.soundListSizes, (std::array<int, 6>{4, -1, 7, 0, 0, 0}));
  gSystemDatabase = Database();
}

}  // namespace
