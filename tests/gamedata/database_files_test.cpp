#include <gtest/gtest.h>

#include "gamedata/DataFileCursor.h"
#include "gamedata/Database.h"
#include "gamedata/DatabaseFiles.h"
#include "gamedata/GameFolder.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/TestText.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/NoticeBox.h"
#include "support/GameDataWriters.h"

namespace {

class DatabaseFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearRecordedNotices();
    platform::ClearRecordedMessageBoxes();
  }
  void Write(const DatabaseFileSpec& spec, const std::string& name = "BasicData\\DataBase") {
    WriteDatabaseFiles(folder.Root(), name, spec);
  }
  static DatabaseFileSpec Sample() {
    DatabaseFileSpec spec;
    DatTypeRecord plain;  // the plain form: the content count comes first
    plain.form = 3;
    plain.codes = {2000, 1000, 1001};
    plain.rowInts = {{1, 2}, {3, 4}};
    plain.rowStrings = {{"a"}, {std::string(6000, 'x')}};
    DatTypeRecord minusOne;
    minusOne.form = -1;
    minusOne.codes = {1000};
    minusOne.rowInts = {{7}};
    minusOne.rowStrings = {{}};
    DatTypeRecord withSource;
    withSource.form = -2;
    withSource.dataNameSource = 1;
    withSource.codes = {2000, 1000};
    withSource.rowInts = {{9}, {10}, {11}};
    withSource.rowStrings = {{"r0"}, {"r1"}, {"r2"}};
    spec.types = {plain, minusOne, withSource};

    ProjectTypeRecord p0;
    p0.typeName = Sjis("アイテム");
    p0.contentNames = {"name", "price", "weight"};
    p0.dataNames = {"first", "second"};
    p0.memo = "memo";
    p0.optionBytes = {1, 2, 3};
    p0.optionTexts = {"", "t1", ""};
    p0.optionTextLists = {{}, {"a", "b"}, {}};
    p0.optionValueLists = {{}, {5, 6}, {}};
    p0.defaults = {0, 100, 200};
    ProjectTypeRecord p1;
    p1.typeName = "one";
    p1.contentNames = {"v"};
    p1.dataNames = {"only"};
    ProjectTypeRecord p2;
    p2.typeName = "named";
    p2.contentNames = {"s", "i"};
    p2.dataNames = {"", "", ""};
    spec.definitions = {p0, p1, p2};
    return spec;
  }
  GameFolder folder;
  Database db;
};

TEST_F(DatabaseFilesTest, ReadsBackWhatWasWritten) {
  Write(Sample());
  ASSERT_TRUE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  ASSERT_EQ(db.GetDatabaseTypeCount(), 3);
  EXPECT_EQ(db.formatVersion, 193);

  const DatabaseTypeData& plain = db.types[0];
  EXPECT_EQ(plain.recordForm, -2);
  EXPECT_EQ(plain.dataNameSource, 0);
  EXPECT_EQ(plain.contentCodes, (std::vector<int32_t>{2000, 1000, 1001}));
  EXPECT_EQ(db.ReadDatabaseString(0, 0, 0), "a");
  EXPECT_EQ(db.ReadDatabaseInt(0, 1, 1), 3);
  EXPECT_EQ(db.ReadDatabaseInt(0, 1, 2), 4);
  EXPECT_EQ(db.ReadDatabaseString(0, 1, 0).size(), 6000u);

  EXPECT_EQ(db.types[1].recordForm, -1);
  EXPECT_EQ(db.types[1].dataNameSource, 0);
  EXPECT_EQ(db.ReadDatabaseInt(1, 0, 0), 7);
  EXPECT_EQ(db.types[2].recordForm, -2);
  EXPECT_EQ(db.types[2].dataNameSource, 1);
  EXPECT_EQ(db.GetDatabaseDataName(2, 1), "r1");

  const DatabaseTypeDefinition& d0 = db.definitions[0];
  EXPECT_EQ(d0.typeName, Sjis("アイテム"));
  EXPECT_EQ(d0.contentNames, (std::vector<std::string>{"name", "price", "weight"}));
  EXPECT_EQ(d0.dataNames, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(d0.memo, "memo");
  ASSERT_EQ(d0.contentOptionBytes.size(), 100u);
  EXPECT_EQ(d0.contentOptionBytes[2], 3);
  EXPECT_EQ(d0.contentOptionTexts[1], "t1");
  EXPECT_EQ(d0.contentOptionTextLists[1], (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(d0.contentOptionValueLists[1], (std::vector<int32_t>{5, 6}));
  EXPECT_EQ(d0.defaultValues, (std::vector<int32_t>{0, 100, 200}));
  EXPECT_EQ(db.GetDatabaseDataName(0, 1), "second");
  db.ResizeDatabaseType(0, 4);
  EXPECT_EQ(db.ReadDatabaseInt(0, 3, 2), 200);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_F(DatabaseFilesTest, Format192ProjectEndsAfterTheMemo) {
  DatabaseFileSpec spec = Sample();
  spec.formatByte = 192;
  Write(spec);
  ASSERT_TRUE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  EXPECT_EQ(db.formatVersion, 192);
  const DatabaseTypeDefinition& d0 = db.definitions[0];
  EXPECT_EQ(d0.memo, "memo");
  EXPECT_EQ(d0.defaultValues, (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(d0.contentOptionTexts.size(), 3u);
  EXPECT_TRUE(d0.contentOptionTextLists[1].empty());
  EXPECT_EQ(db.definitions[2].typeName, "named");
  db.ResizeDatabaseType(0, 4);
  EXPECT_EQ(db.ReadDatabaseInt(0, 3, 2), 0);
}

TEST_F(DatabaseFilesTest, ZeroSeedsAreReadPlainAndNotChecked) {
  DatabaseFileSpec spec = Sample();
  spec.scramble.zeroSeeds = true;
  spec.scramble.wrongCheck = true;
  Write(spec);
  ASSERT_TRUE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  EXPECT_EQ(db.ReadDatabaseInt(2, 2, 1), 11);
}

TEST_F(DatabaseFilesTest, WrongFormatByteFailsSilently) {
  DatabaseFileSpec spec = Sample();
  spec.formatByte = 191;
  Write(spec);
  std::filesystem::remove(folder.Root() / "Data/BasicData/DataBase.project");
  EXPECT_FALSE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  EXPECT_EQ(db.GetDatabaseTypeCount(), 0);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(DatabaseFilesTest, WrongEndByteShowsTheMessageAndSkipsTheDefinitions) {
  DatabaseFileSpec spec = Sample();
  spec.endByte = 0;
  Write(spec);
  EXPECT_FALSE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            Sjis("データベースファイル\nBasicData\\DataBaseが\n破損しているか、バージョンが古い可能性があります。"));
  EXPECT_EQ(boxes[0].caption, "MsgBox");
  EXPECT_EQ(boxes[0].flags, platform::kMbOk);
  EXPECT_TRUE(db.definitions.empty());
}

TEST_F(DatabaseFilesTest, OptionCountsBeyondTheContentsAreReadAndDropped) {
  DatabaseFileSpec spec = Sample();
  ProjectTypeRecord& d = spec.definitions[1];
  d.optionsAsGiven = true;
  d.optionBytes.assign(150, 9);
  d.optionTexts = {"x", "y", "z"};
  d.optionTextLists = {};
  d.optionValueLists = {{1}, {2}};
  d.defaults = {5, 6, 7, 8};
  Write(spec);
  ASSERT_TRUE(db.LoadDatabaseFiles("BasicData\\DataBase"));
  const DatabaseTypeDefinition& read = db.definitions[1];
  EXPECT_EQ(read.contentOptionBytes, std::vector<uint8_t>(100, 9));
  EXPECT_EQ(read.contentOptionTexts, std::vector<std::string>{"x"});
  EXPECT_EQ(read.contentOptionTextLists.size(), 1u);
  EXPECT_EQ(read.contentOptionValueLists, std::vector<std::vector<int32_t>>{{1}});
  EXPECT_EQ(read.defaultValues, std::vector<int32_t>{5});
  EXPECT_EQ(db.definitions[2].typeName, "named");
}

TEST_F(DatabaseFilesTest, LoadDatabasesLoadsAllThreeAndAddsSpareSoundRows) {
  DatabaseFileSpec system;
  for (int t = 0; t < 4; ++t) {
    DatTypeRecord type;
    type.codes = {2000};
    type.rowInts = {{}, {}};
    type.rowStrings = {{"s" + std::to_string(t)}, {"x"}};
    system.types.push_back(type);
    ProjectTypeRecord definition;
    definition.typeName = "sys" + std::to_string(t);
    definition.dataNames = {"a", "b"};
    system.definitions.push_back(definition);
  }
  Write(system, "BasicData\\SysDataBase");
  Write(Sample(), "BasicData\\DataBase");
  DatabaseFileSpec variable = Sample();
  variable.types.resize(1);
  variable.definitions.resize(1);
  Write(variable, "BasicData\\CDataBase");
  LoadDatabases();
  EXPECT_EQ(gSystemDatabase.GetDatabaseTypeCount(), 4);
  EXPECT_EQ(gUserDatabase.GetDatabaseTypeCount(), 3);
  EXPECT_EQ(gVariableDatabase.GetDatabaseTypeCount(), 1);
  EXPECT_EQ(gSystemDatabase.GetDatabaseDataCount(0), 2);
  for (int t = 1; t <= 3; ++t) EXPECT_EQ(gSystemDatabase.GetDatabaseDataCount(t), 12);
  EXPECT_EQ(gUserDatabase.variableLink, &gVariableDatabase);
  EXPECT_EQ(gVariableDatabase.systemLink, &gSystemDatabase);
  gSystemDatabase = Database();
  gUserDatabase = Database();
  gVariableDatabase = Database();
}

TEST(DatabaseTypeRecord, ReadsTheSaveBlockEncoding) {
  ByteBuilder bytes;
  DatTypeRecord record;
  record.form = -3;
  record.dataNameSource = 30002;
  record.codes = {1000, 2000};
  record.rowInts = {{4}};
  record.rowStrings = {{"s"}};
  AppendDatTypeRecord(bytes, record);
  DataFileCursor cursor(bytes.Take());
  DatabaseTypeData type;
  size_t emptyRowAllowance = kMinEmptyRowAllowance;
  ASSERT_TRUE(ReadDatabaseTypeRecord(cursor, type, emptyRowAllowance));
  EXPECT_EQ(type.recordForm, -3);
  EXPECT_EQ(type.dataNameSource, 30002);
  EXPECT_EQ(type.rows[0].ints, std::vector<int32_t>{4});
  EXPECT_EQ(type.rows[0].strings, std::vector<std::string>{"s"});
  EXPECT_EQ(cursor.Remaining(), 0u);
}

// Rows of a type without int or string contents take no bytes: any number up
// to the shared allowance reads, however short the file, and no count of them
// can make a small file claim more.
TEST(DatabaseTypeRecord, RowsWithoutContentsAreBoundedByOneAllowancePerFile) {
  struct Case {
    const char* what;
    std::vector<int32_t> codes;
    int32_t rows;
    size_t allowance;
    bool read;
  };
  const std::vector<Case> cases = {
      {"no contents, more rows than bytes", {}, 5000, kMinEmptyRowAllowance, true},
      {"only codes of no known kind", {5000, -1}, 300, kMinEmptyRowAllowance, true},
      {"exactly what is left", {}, 40, 40, true},
      {"one more than is left", {}, 41, 40, false},
      {"negative", {}, -1, kMinEmptyRowAllowance, false},
  };
  for (const Case& c : cases) {
    ByteBuilder bytes;
    bytes.Int32(-2).Int32(0).IntList(c.codes).Int32(c.rows);
    DataFileCursor cursor(bytes.Take());
    DatabaseTypeData type;
    size_t allowance = c.allowance;
    EXPECT_EQ(ReadDatabaseTypeRecord(cursor, type, allowance), c.read) << c.what;
    if (!c.read) continue;
    EXPECT_EQ(type.rows.size(), static_cast<size_t>(c.rows)) << c.what;
    EXPECT_EQ(allowance, c.allowance - static_cast<size_t>(c.rows)) << c.what;
  }
}

// Thousands of types without contents, each claiming a row per byte after
// it: tens of millions of rows, were each type bounded by those bytes alone.
// The shared allowance refuses the file, and the same records in a save,
// early.
std::vector<uint8_t> ManyTypesOfEmptyRows(uint8_t tag) {
  constexpr int32_t kTypes = 4096;
  ByteBuilder out;
  out.Uint8(tag).Int32(kTypes);
  for (int32_t t = 0; t < kTypes; ++t) out.Int32(0).Int32(8 * (kTypes - 1 - t));
  return out.Take();
}

// A larger file may hold as many rows without contents as it has bytes.
TEST(DatabaseDat, EmptyRowsBeyondTheLeastAllowanceReadInALargerFile) {
  constexpr int32_t kIntRows = 20000;
  constexpr int32_t kEmptyRows = 70000;
  ByteBuilder body;
  body.Uint8(193).Int32(2);
  body.Int32(1).Int32(1000).Int32(kIntRows).Fill(4 * kIntRows, 0);
  body.Int32(0).Int32(kEmptyRows);
  body.Uint8(193);
  ASSERT_LT(kMinEmptyRowAllowance, static_cast<size_t>(kEmptyRows));
  DataFileCursor cursor(body.Take());
  Database database;
  ASSERT_EQ(ReadDatabaseDat(cursor, database), DatabaseDatResult::Ok);
  EXPECT_EQ(database.GetDatabaseDataCount(1), kEmptyRows);
}

TEST(DatabaseDat, ManyTypesOfEmptyRowsAreDamaged) {
  std::vector<uint8_t> body = ManyTypesOfEmptyRows(193);
  body.push_back(193);
  DataFileCursor cursor(body);
  Database database;
  EXPECT_EQ(ReadDatabaseDat(cursor, database), DatabaseDatResult::Damaged);
}

// The Variable database's save block: a tag byte, the type count and the type
// records, then the definitions from CDataBase.project.
std::vector<uint8_t> SaveBlock(const DatabaseFileSpec& spec, int32_t typeCount) {
  ByteBuilder block;
  block.Uint8(0x55).Int32(typeCount);
  for (const DatTypeRecord& type : spec.types) AppendDatTypeRecord(block, type);
  return block.Take();
}

TEST_F(DatabaseFilesTest, SaveBlockReadsTheRowsAndTheProjectDefinitions) {
  const DatabaseFileSpec spec = Sample();
  Write(spec, "BasicData\\CDataBase");
  std::vector<uint8_t> bytes = SaveBlock(spec, 3);
  bytes.push_back(0x77);  // the next block of the save
  gSaveBuffer.BeginRead(bytes);
  ASSERT_TRUE(db.LoadDatabaseState());
  EXPECT_FALSE(gSaveBuffer.shortData);
  EXPECT_EQ(gSaveBuffer.position, bytes.size() - 1);
  ASSERT_EQ(db.GetDatabaseTypeCount(), 3);
  EXPECT_EQ(db.types[0].rows[1].strings[0], std::string(6000, 'x'));
  EXPECT_EQ(db.types[2].dataNameSource, 1);
  EXPECT_EQ(db.ReadDatabaseInt(2, 2, 1), 11);
  ASSERT_EQ(db.definitions.size(), 3u);
  EXPECT_EQ(db.definitions[0].defaultValues, (std::vector<int32_t>{0, 100, 200}));
  EXPECT_EQ(db.GetDatabaseDataName(2, 1), "r1");
}

TEST_F(DatabaseFilesTest, ShortSaveBlocks) {
  const DatabaseFileSpec spec = Sample();
  Write(spec, "BasicData\\CDataBase");
  const std::vector<uint8_t> whole = SaveBlock(spec, 3);
  // The tag byte or the count does not fit, or the count is negative: false.
  for (std::vector<uint8_t> bytes :
       {std::vector<uint8_t>{}, std::vector<uint8_t>(whole.begin(), whole.begin() + 3), SaveBlock({}, -1)}) {
    gSaveBuffer.BeginRead(bytes);
    Database fresh;
    EXPECT_FALSE(fresh.LoadDatabaseState());
    EXPECT_TRUE(fresh.definitions.empty());
  }
  // A record cut short raises the short-data flag; the definitions are still read.
  gSaveBuffer.BeginRead(std::vector<uint8_t>(whole.begin(), whole.end() - 5));
  EXPECT_TRUE(db.LoadDatabaseState());
  EXPECT_TRUE(gSaveBuffer.shortData);
  EXPECT_EQ(db.definitions.size(), 3u);
  // A count beyond what the block holds likewise.
  gSaveBuffer.BeginRead(SaveBlock({}, 0x10000000));
  Database fresh;
  EXPECT_TRUE(fresh.LoadDatabaseState());
  EXPECT_TRUE(gSaveBuffer.shortData);
  // And row counts without contents beyond the allowance.
  gSaveBuffer.BeginRead(ManyTypesOfEmptyRows(0x55));
  Database other;
  EXPECT_TRUE(other.LoadDatabaseState());
  EXPECT_TRUE(gSaveBuffer.shortData);
}

using DatabaseFilesDeathTest = DatabaseFilesTest;

TEST_F(DatabaseFilesDeathTest, MissingFilesEndWithTheMessageBoxAndCode1) {
  EXPECT_EXIT(db.LoadDatabaseFiles("BasicData\\DataBase"), testing::ExitedWithCode(1),
              Literal("[読み込みエラー] データベースファイル読み込みに失敗、強制終了します。\n\r\n\r"
                      "Data\\BasicData\\DataBase.dat\r\nのファイルがあるか確認してください"));
  Write(Sample());
  std::filesystem::remove(folder.Root() / "Data/BasicData/DataBase.project");
  EXPECT_EXIT(db.LoadDatabaseFiles("BasicData\\DataBase"), testing::ExitedWithCode(1),
              Literal("Data\\BasicData\\DataBase.project\r\nのファイルがあるか確認してください"));
  // Loading a save needs the Variable database's definitions as well.
  gSaveBuffer.BeginRead(SaveBlock(Sample(), 3));
  EXPECT_EXIT(db.LoadDatabaseState(), testing::ExitedWithCode(1),
              Literal("Data\\BasicData\\CDataBase.project\r\nのファイルがあるか確認してください"));
}

TEST_F(DatabaseFilesDeathTest, FailedByteSumEndsWithTheNoticeAndCode1) {
  DatabaseFileSpec spec = Sample();
  spec.scramble.wrongCheck = true;
  Write(spec);
  EXPECT_EXIT(db.LoadDatabaseFiles("BasicData\\DataBase"), testing::ExitedWithCode(1),
              TamperedFileNotice("Data\\BasicData\\DataBase.dat"));
}

TEST_F(DatabaseFilesDeathTest, DamagedFilesEndWithTheMessageBoxAndCode1) {
  const std::string expected = Literal(
      "[MsgBox] データベースファイル\nBasicData\\DataBaseが\n破損しているか、バージョンが古い可能性があります。");
  struct Case {
    const char* what;
    std::vector<uint8_t> dat;
    std::vector<uint8_t> project;
  };
  std::vector<Case> cases;
  const std::vector<uint8_t> dat = WriteDatabaseDat(Sample());
  const std::vector<uint8_t> project = WriteDatabaseProject(Sample());
  for (size_t cut : {11u, 14u, 30u, 60u}) {
    // Cut the plain body, then scramble it again so only the length is wrong.
    std::vector<uint8_t> plain = dat;
    ScrambleBytes(plain.data() + 10, plain.size() - 10, {plain[0], plain[3], plain[9]});
    ScrambleOptions options;
    options.seeds = {plain[0], plain[3], plain[9]};
    cases.push_back(
        {"dat cut short",
         WriteScrambledFile(DataFileKind::Database,
                            std::vector<uint8_t>(plain.begin() + 10, plain.begin() + static_cast<long>(cut)), options),
         project});
  }
  {
    ByteBuilder body;
    body.Uint8(193).Int32(0x10000000).Uint8(193);
    cases.push_back({"type count beyond the file", WriteScrambledFile(DataFileKind::Database, body.Data()), project});
  }
  {
    ByteBuilder body;
    body.Uint8(193).Int32(1).Int32(-2).Int32(0).Int32(-7);
    cases.push_back({"negative content count", WriteScrambledFile(DataFileKind::Database, body.Data()), project});
  }
  {
    ByteBuilder body;
    body.Uint8(193).Int32(1).Int32(1).Int32(1000).Int32(0x7FFFFFFF).Uint8(193);
    cases.push_back({"row count beyond the file", WriteScrambledFile(DataFileKind::Database, body.Data()), project});
  }
  {
    ByteBuilder body;
    body.Uint8(193).Int32(1).Int32(1).Int32(2000).Int32(1).RawText(1000, "ab").Uint8(193);
    cases.push_back({"row text beyond the file", WriteScrambledFile(DataFileKind::Database, body.Data()), project});
  }
  cases.push_back({"project cut short", dat, std::vector<uint8_t>(project.begin(), project.end() - 3)});
  // Cut inside a count: the definition count, and the last count of format 193.
  cases.push_back(
      {"project cut inside its first count", dat, std::vector<uint8_t>(project.begin(), project.begin() + 2)});
  {
    DatabaseFileSpec spec = Sample();
    spec.definitions.back().defaults = {};
    spec.definitions.back().optionsAsGiven = true;
    const std::vector<uint8_t> lastEmpty = WriteDatabaseProject(spec);
    cases.push_back(
        {"project cut inside its last count", dat, std::vector<uint8_t>(lastEmpty.begin(), lastEmpty.end() - 1)});
  }
  {
    ByteBuilder p;
    p.Int32(1).Text("t").Int32(0x20000000);
    cases.push_back({"project content count beyond the file", dat, p.Take()});
  }
  {
    ByteBuilder p;
    p.Int32(-1);
    cases.push_back({"negative definition count", dat, p.Take()});
  }
  for (const Case& c : cases) {
    WriteFileBytes(folder.Root() / "Data/BasicData/DataBase.dat", c.dat);
    WriteFileBytes(folder.Root() / "Data/BasicData/DataBase.project", c.project);
    EXPECT_EXIT(db.LoadDatabaseFiles("BasicData\\DataBase"), testing::ExitedWithCode(1), expected) << c.what;
  }
}

// A .project cut at any length short of its end, counts included, is damaged;
// the whole file reads.
TEST(DatabaseProject, CutAtEveryLengthIsDamaged) {
  for (uint8_t format : {uint8_t{192}, uint8_t{193}}) {
    DatabaseFileSpec spec;
    spec.formatByte = format;
    ProjectTypeRecord definition;
    definition.typeName = "t";
    definition.optionTextLists = {{"a"}};
    definition.defaults = {7};
    spec.definitions = {definition};
    const std::vector<uint8_t> project = WriteDatabaseProject(spec);
    for (size_t length = 0; length <= project.size(); ++length) {
      DataFileCursor cursor(std::vector<uint8_t>(project.begin(), project.begin() + static_cast<long>(length)));
      Database database;
      database.formatVersion = format;
      EXPECT_EQ(ReadDatabaseProject(cursor, database), length == project.size())
          << "format " << int{format} << ", " << length << " of " << project.size() << " bytes";
    }
  }
}

}  // namespace
