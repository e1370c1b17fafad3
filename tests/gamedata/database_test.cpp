#include <gtest/gtest.h>

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
  EXPECT_EQ(gDatabaseDataNameIndex[2][0].at("p"), 0);
  EXPECT_EQ(gDatabaseDataNameIndex[2][0].at("q"), 1);
  EXPECT_TRUE(gDatabaseDataNameIndex[2][2].empty());
  EXPECT_EQ(gDatabaseContentNameIndex[2][0].at("x"), 0);
  EXPECT_EQ(gDatabaseTypeNameIndex[1].at("sys"), 0);
  EXPECT_TRUE(gDatabaseTypeNameIndex[0].empty());
  ASSERT_EQ(gDatabaseDataNameIndex[2].size(), 3u);
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
