#include <gtest/gtest.h>

#include <functional>

#include "gamedata/DataFileScramble.h"
#include "gamedata/Database.h"
#include "gamedata/DatabaseFixture.h"
#include "gamedata/TestText.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/NoticeBox.h"

namespace {

using Notice = std::array<std::string, 3>;

class VariableIdTest : public testing::Test {
 protected:
  void SetUp() override {
    gSystemDatabase = Database();
    gUserDatabase = Database();
    gVariableDatabase = Database();
    // System types 14 and 15 size the normal variables (5) and spare set 1 (3).
    for (int t = 0; t < 16; ++t)
      AddType(gSystemDatabase, std::string("s").append(std::to_string(t)), {1000}, t == 14 ? 5 : t == 15 ? 3 : 0);
    AddType(gSystemDatabase, "s16", {1000, 2000}, 2, {40});
    AddType(gUserDatabase, "u0", {1000, 2000}, 2, {11});
    for (int t = 0; t < 6; ++t)
      AddType(gVariableDatabase, std::string("v").append(std::to_string(t)), {1000, 2000, 1001}, 3, {0, 0, 66});
    LinkDatabases();
    gCurrentMap = CurrentMap();
    gCurrentMap.mapId = 2;
    MapEventCharacter event;
    event.id = 4;
    event.x = 7;
    event.y = 10;
    event.heightOffset = 3;
    gCurrentMap.eventCharacters = {event};
    gHero = Hero();
    gHero.x = 20;
    gHero.y = 21;
    gHero.party.clear();  // a hero whose save stored no members
    store = VariableStore(3);
    gErrorLocation = {1, 2, 3};
    ClearRecordedNotices();
  }
  void TearDown() override {
    gSystemDatabase = Database();
    gUserDatabase = Database();
    gVariableDatabase = Database();
  }
  Notice Only() {
    auto notices = RecordedNotices();
    EXPECT_EQ(notices.size(), 1u);
    ClearRecordedNotices();
    return notices.empty() ? Notice{} : notices[0];
  }
  bool NoNotice() {
    bool none = RecordedNotices().empty();
    ClearRecordedNotices();
    return none;
  }
  VariableStore store;
};

TEST_F(VariableIdTest, StoreIsSizedFromTheSystemDatabaseAndCommonEvents) {
  ASSERT_EQ(store.variableSets.size(), 10u);
  EXPECT_EQ(store.variableSets[0].size(), 5u);
  EXPECT_EQ(store.variableSets[1].size(), 3u);
  EXPECT_EQ(store.variableSets[2].size(), 2u);  // type 16
  EXPECT_EQ(store.variableSets[3].size(), 0u);  // type 17 does not exist
  ASSERT_EQ(store.commonSelfVariables.size(), 3u);
  EXPECT_EQ(store.commonSelfVariables[2].size(), 100u);
  EXPECT_EQ(store.commonSelfStrings[2].size(), 5u);
  EXPECT_EQ(store.ContextMapId, -1);

  gSystemDatabase.types.resize(15);
  VariableStore fewTypes(0);
  for (const auto& set : fewTypes.variableSets) EXPECT_TRUE(set.empty());
  fewTypes.WriteVariable(2000000, 1);
  EXPECT_EQ(Only()[1], Sjis("エラー：変数の保存領域が確保されていません、指定変数のサイズを増やしてください"));
}

TEST_F(VariableIdTest, IntReadsAndWritesByRange) {
  struct Case {
    int id;
    int written;   // value written first
    int expected;  // value read back
  };
  const Case cases[] = {
      {-5, 0, -5},                            // literal (the write shows its notice, tested below)
      {999999, 0, 999999}, {1000123, 8, 8},   // map self: event 12, cell 3 of the current map
      {2000004, 9, 9},                        // normal variable 4
      {2100002, 10, 10},                      // spare set 1, index 2
      {2100003, 11, 0},                       // beyond the set: refused
      {2300000, 12, 0},                       // an empty set
      {15000203, 13, 13},                     // common event 2, cell 3
      {15000310, 14, 0},                      // common event 3 does not exist
      {15000099, 15, 15},  {1700000, 16, 0},  // nothing
      {9000005, 17, 0},                       // system variable 5: a store without context reads 0
      {9100040, 18, 18},                      // event 4 x in cells: 36 half cells
      {9100050, 1, 0},                        // event 5 is not on the map
      {9180003, 22, 22},                      // hero half-cell y
      {9180013, 5, -1},                       // no party member 1
      {1000000100, 3, 0},                     // User database: writes are ignored
      {1000000123, 3, -1},                    // content 23 does not exist
  };
  for (const Case& c : cases) {
    store.WriteVariable(c.id, c.written);
    ClearRecordedNotices();
    EXPECT_EQ(store.ReadVariable(c.id), c.expected) << c.id;
  }
  EXPECT_EQ(gCurrentMap.eventCharacters[0].x, 36);
  EXPECT_EQ(gHero.y, 22);
}

TEST_F(VariableIdTest, PositionFields) {
  EXPECT_EQ(store.ReadVariable(9100040), 3);  // half-cell x 7 -> cell 3
  EXPECT_EQ(store.ReadVariable(9100041), 5);
  EXPECT_EQ(store.ReadVariable(9100042), 7);
  EXPECT_EQ(store.ReadVariable(9100044), 3);
  EXPECT_EQ(store.ReadVariable(9100045), 0);
  store.WriteVariable(9100040, 3);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].x, 6);
  store.WriteVariable(9100043, 9);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].y, 9);
  store.WriteVariable(9100044, -2);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].heightOffset, -2);
  MapCharacter member;
  member.x = 4;
  gHero.party = {member};
  EXPECT_EQ(store.ReadVariable(9180012), 4);
  EXPECT_EQ(store.ReadVariable(9180000), 10);
  store.WriteVariable(9180023, 1);  // member 2 does not exist
  EXPECT_TRUE(NoNotice());
}

TEST_F(VariableIdTest, RandomRange) {
  SharedRandom(2, 99);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(store.ReadVariable(8000000), 0);
  for (int i = 0; i < 200; ++i) {
    int value = store.ReadVariable(8000009);
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 9);
  }
  SharedRandom(2, 1234);
  uint32_t next = (1234u * 1103515245u + 94123u) >> 4;
  EXPECT_EQ(store.ReadVariable(8000100), static_cast<int>(next % 101));
}

TEST_F(VariableIdTest, NoticesOfBadIds) {
  const std::string location = ErrorLocationText();
  struct Case {
    const char* what;
    std::function<void()> access;
    Notice notice;
  };
  const Case cases[] = {
      {"int write below 1,000,000",
       [&] { store.WriteVariable(999999, 4); },
       {Sjis("格納先IDが1000000未満です => 999999"), location, ""}},
      {"int read of the old common self form",
       [&] { EXPECT_EQ(store.ReadVariable(1500001), 0); },
       {Sjis("読込先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数]です、読み込めません"), location, ""}},
      {"int write of the old common self form",
       [&] { store.WriteVariable(1599999, 4); },
       {Sjis("格納先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数指定]です、格納できません"), location, ""}},
      {"string read of the old common self form",
       [&] { EXPECT_EQ(store.ReadStringVariable(1500000), "<<ERROR>>"); },
       {Sjis("読込先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数]です、読み込めません"), location, ""}},
      {"string write of the old common self form",
       [&] { store.WriteStringVariable(1500000, "a"); },
       {Sjis("格納先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数指定]です､格納できません"), location, ""}},
      {"int read of a string variable",
       [&] { EXPECT_EQ(store.ReadVariable(3000001), -1); },
       {Sjis("「変数」呼び出し時の呼び出しIDが不適切です => ID 3000001"), location, ""}},
      {"int write to a common self string cell",
       [&] { store.WriteVariable(15000007, 1); },
       {Sjis("整数をコモンセルフの文字列域に代入しようとしました"), "", ""}},
      {"string write to a common self int cell",
       [&] { store.WriteStringVariable(15000010, "a"); },
       {Sjis("文字列をコモンセルフの整数域に代入しようとしました"), location, Sjis("格納先 15000010")}},
      {"int write beyond a spare set",
       [&] { store.WriteVariable(2300007, 1); },
       {location, Sjis("エラー：変数の保存領域が確保されていません、指定変数のサイズを増やしてください"),
        Sjis("予備変数3 7")}},
      {"int write beyond the normal variables",
       [&] { store.WriteVariable(2000005, 1); },
       {location, Sjis("エラー：変数の保存領域が確保されていません、指定変数のサイズを増やしてください"),
        Sjis("通常変数 5")}},
      {"int write to the System database",
       [&] { store.WriteVariable(1300000000, 6); },
       {Sjis("格納先 1300000000 代入値 6  変数処理:エラー、代入できません"), location, ""}},
      {"int write to a Variable database string cell",
       [&] { store.WriteVariable(1100000101, 6); },
       {Sjis("可変DBの「変数」を格納すべき場所に「文字列変数」を代入しようとしました"), location,
        Sjis("格納先 1100000101")}},
      {"string write to a Variable database int cell",
       [&] { store.WriteStringVariable(1100000100, "s"); },
       {Sjis("DBの「文字列」を格納すべき場所に「変数」を代入しようとしました"), location, Sjis("格納先 1100000100")}},
      {"string write to a passed Variable database int cell",
       [&] { store.WriteStringVariable(1100000100, "s", &gVariableDatabase); },
       {Sjis("可変DBの「文字列」を格納すべき場所に「変数」を代入しようとしました"), location,
        Sjis("格納先 1100000100")}},
      {"string write to a normal variable",
       [&] { store.WriteStringVariable(2000000, "abc"); },
       {Sjis("格納先 2000000 代入値「abc」  文字列操作：「文字列」を格納すべき場所に「変数」を代入しようとしました"),
        location, ""}},
      {"string write to the User database",
       [&] { store.WriteStringVariable(1000000001, "x"); },
       {Sjis("格納先 1000000001 代入値「x」  文字列操作：「文字列」を格納すべき場所に「変数」を代入しようとしました"),
        location, ""}},
  };
  for (const Case& c : cases) {
    ClearRecordedNotices();
    c.access();
    auto notices = RecordedNotices();
    ASSERT_EQ(notices.size(), 1u) << c.what;
    EXPECT_EQ(notices[0], c.notice) << c.what;
  }
}

TEST_F(VariableIdTest, SilentIds) {
  for (int id : {1000000123, 3000000, 9900001, 8000005, 1650000, 9190001}) store.WriteVariable(id, 5);
  EXPECT_TRUE(NoNotice());
  EXPECT_EQ(store.ReadVariable(1650000), 0);
  EXPECT_EQ(store.ReadVariable(1250000000), 0);
  EXPECT_EQ(store.ReadVariable(1999999999), 0);
  EXPECT_EQ(store.ReadVariable(15000007), 0);
  EXPECT_TRUE(NoNotice());
}

TEST_F(VariableIdTest, StringsByRange) {
  EXPECT_EQ(store.ReadStringVariable(3000000 + 42), "");
  store.WriteStringVariable(3000042, "text");
  EXPECT_EQ(store.ReadStringVariable(3000042), "text");
  EXPECT_EQ(store.stringVariables.size(), 43u);
  EXPECT_EQ(store.ReadStringVariable(12), "<<ERROR>>");
  EXPECT_EQ(store.ReadStringVariable(-12), "<<ERROR>>");
  EXPECT_EQ(store.ReadStringVariable(2000000), "<<ERROR>>");
  EXPECT_EQ(store.ReadStringVariable(15000010), "<<ERROR>>");
  store.WriteStringVariable(15000007, "ce0");
  EXPECT_EQ(store.ReadStringVariable(15000007), "ce0");
  store.WriteStringVariable(15000509, "ce5");  // common self strings grow
  EXPECT_EQ(store.ReadStringVariable(15000509), "ce5");
  EXPECT_EQ(store.ReadStringVariable(15000605), "");
  store.WriteStringVariable(9900026, "sys");  // system string 26: the message prefix
  EXPECT_EQ(store.ReadStringVariable(9900026), "sys");
  EXPECT_TRUE(NoNotice());
  EXPECT_EQ(store.ReadVariable(15000007), 0);
  EXPECT_FALSE(store.IsNumericVariableId(15000007));
  EXPECT_TRUE(store.IsNumericVariableId(15000010));
}

TEST_F(VariableIdTest, DatabaseCells) {
  gUserDatabase.WriteDatabaseInt(0, 1, 0, 31);
  gUserDatabase.WriteDatabaseString(0, 1, 1, "user");
  EXPECT_EQ(store.ReadVariable(1000000100), 31);
  EXPECT_EQ(store.ReadStringVariable(1000000101), "user");
  EXPECT_EQ(store.ReadVariable(1316000500), 40);  // a missing System row reads its default
  ClearRecordedNotices();
  gSystemDatabase.WriteDatabaseInt(16, 1, 0, 41);
  EXPECT_EQ(store.ReadVariable(1316000100), 41);
  store.WriteVariable(1100000100, 5);
  EXPECT_EQ(store.ReadVariable(1100000100), 5);
  store.WriteStringVariable(1105000201, "v");
  EXPECT_EQ(store.ReadStringVariable(1105000201), "v");
  EXPECT_TRUE(NoNotice());
  // A missing database type: the growth reports it, then the read does.
  EXPECT_EQ(store.ReadVariable(1109000000), 0);
  auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0][0], Sjis("このDBにタイプ9は存在しません、対象DBを間違えていないかご確認下さい"));
  EXPECT_EQ(notices[1][0], Sjis("エラー：存在しないタイプ番号 9 を読みに行っています"));
}

TEST_F(VariableIdTest, VariableDatabaseGrowsOnAccess) {
  // Type 5 has 3 rows; reading row 5 grows it to 6 and gives the default.
  EXPECT_EQ(store.ReadVariable(1105000502), 66);
  EXPECT_EQ(gVariableDatabase.GetDatabaseDataCount(5), 6);
  EXPECT_EQ(gVariableDatabase.definitions[5].dataNames.size(), 6u);
  store.WriteVariable(1104000900, 1);
  EXPECT_EQ(gVariableDatabase.GetDatabaseDataCount(4), 10);
  EXPECT_EQ(store.ReadStringVariable(1103000701), "");
  EXPECT_EQ(gVariableDatabase.GetDatabaseDataCount(3), 8);
  EXPECT_TRUE(NoNotice());

  // A passed database grows on writes but is read as it stands: a row it
  // lacks gives the missing-data notice and the content's default.
  Database passed = gVariableDatabase;
  EXPECT_EQ(store.ReadVariable(1100000902, &passed), 66);
  EXPECT_EQ(passed.GetDatabaseDataCount(0), 3);
  EXPECT_EQ(gVariableDatabase.GetDatabaseDataCount(0), 3);
  EXPECT_EQ(store.ReadStringVariable(1101001901, &passed), "<<ERROR>>");
  EXPECT_EQ(passed.GetDatabaseDataCount(1), 3);
  EXPECT_EQ(RecordedNotices().size(), 2u);  // the two missing data notices
  ClearRecordedNotices();
  store.WriteVariable(1102002000, 8, &passed);
  EXPECT_EQ(passed.GetDatabaseDataCount(2), 21);
  EXPECT_EQ(store.ReadVariable(1102002000, &passed), 8);
}

TEST_F(VariableIdTest, ContextMapIsConsumedByEachAccess) {
  store.ContextMapId = 3;
  store.WriteVariable(1000011, 5);  // map 3, event 1, cell 1
  EXPECT_EQ(store.ContextMapId, -1);
  ASSERT_EQ(store.mapSelfVariables.size(), 4u);
  EXPECT_EQ(store.mapSelfVariables[3][1][1], 5);
  EXPECT_TRUE(store.mapSelfVariables[0].empty());
  EXPECT_EQ(store.ReadVariable(1000011), 0);  // the current map, 2
  store.WriteVariable(1000011, 6);
  EXPECT_EQ(store.mapSelfVariables[2][1][1], 6);
  store.ContextMapId = 3;
  EXPECT_EQ(store.ReadVariable(1000011), 5);

  // Database reads and string reads leave the context alone; string writes take it.
  store.ContextMapId = 3;
  store.ReadVariable(1100000000);
  store.ReadStringVariable(3000000);
  EXPECT_EQ(store.ContextMapId, 3);
  store.WriteStringVariable(3000000, "x");
  EXPECT_EQ(store.ContextMapId, -1);

  // No map: nothing is stored.
  gCurrentMap.mapId = -1;
  store.WriteVariable(1000011, 7);
  EXPECT_EQ(store.mapSelfVariables.size(), 4u);
}

TEST_F(VariableIdTest, NumericIds) {
  struct Case {
    int id;
    bool numeric;
  };
  const Case cases[] = {
      {5, true},          {1600004, true},    {1600005, false},    {1600009, false},    {1600010, true},
      {2999999, true},    {3000000, false},   {3999999, false},    {9900000, false},    {15000005, false},
      {15000010, true},   {16000000, true},   {1000000000, true},  {1000000001, false}, {1100000001, false},
      {1100000002, true}, {1316000100, true}, {1316000101, false}, {1250000000, true},  {1099000000, false},
  };
  for (const Case& c : cases) EXPECT_EQ(store.IsNumericVariableId(c.id), c.numeric) << c.id;
}

TEST_F(VariableIdTest, ResolvedCells) {
  int32_t* normal = store.ResolveVariableCell(2000004, -1);
  ASSERT_NE(normal, nullptr);
  *normal = 3;
  EXPECT_EQ(store.ReadVariable(2000004), 3);
  EXPECT_EQ(store.ResolveVariableCell(2000005, -1), nullptr);
  int32_t* self = store.ResolveVariableCell(1600011, 2);
  ASSERT_NE(self, nullptr);
  *self = 9;
  EXPECT_EQ(store.ReadVariable(15000211), 9);
  EXPECT_EQ(store.ResolveVariableCell(1600011, -1), nullptr);
  EXPECT_EQ(store.ResolveVariableCell(1600007, 2), nullptr);
  EXPECT_EQ(store.ResolveVariableCell(1600011, 3), nullptr);
  EXPECT_EQ(store.ResolveVariableCell(15000211, 2), nullptr);
  EXPECT_NE(store.ResolveVariableCell(1100000100, -1), nullptr);
  EXPECT_EQ(store.ResolveVariableCell(1100000101, -1), nullptr);
  EXPECT_EQ(store.ResolveVariableCell(1250000000, -1), nullptr);
}

TEST_F(VariableIdTest, CommonSelfCellsBeyondAShortEntry) {
  store.commonSelfVariables[1].resize(20);
  store.WriteVariable(15000150, 4);
  EXPECT_EQ(store.ReadVariable(15000150), 0);
  EXPECT_EQ(store.commonSelfVariables[1].size(), 20u);
  EXPECT_EQ(store.ResolveVariableCell(1600050, 1), nullptr);
}

TEST(ErrorLocationText, FilledInOrder) {
  gErrorLocation = {12, -1, 305};
  EXPECT_EQ(ErrorLocationText(),
            "\x8f\x88\x97\x9d\x92\x6e\x93\x5f:\x81\x79\x83\x7d\x83\x62\x83\x76"
            "Ev 12 "
            "\x83\x52\x83\x82\x83\x93"
            "Ev -1 \x8d\x73"
            "305\x81\x7a  \x81\x40\x81\xa6\x82\xe0\x82\xb5\x95\xc0\x97\xf1"
            "\x8f\x88\x97\x9d\x82\xcc\xb4\xd7\xb0\x82\xc8\x82\xe7\x92\x6e\x93\x5f\x95\x73\x96\xbe\x82\xc5\x82\xb7");
}

}  // namespace
