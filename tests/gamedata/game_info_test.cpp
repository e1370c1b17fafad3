#include <gtest/gtest.h>

#include "gamedata/GameFolder.h"
#include "gamedata/GameInfo.h"
#include "gamedata/TestText.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/NoticeBox.h"
#include "support/GameDataWriters.h"

namespace {

class GameInfoTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearRecordedNotices();
    platform::ClearRecordedMessageBoxes();
  }
  bool Load(const GameDatSpec& spec) {
    WriteFileBytes(folder.Root() / "Game.dat", WriteGameDat(spec));
    return info.LoadGameInfoFile("Game.dat");
  }
  std::vector<std::string> NoticeLines() {
    std::vector<std::string> lines;
    for (auto& n : RecordedNotices()) lines.push_back(n[0]);
    return lines;
  }
  GameFolder folder;
  GameInfo info;
};

const std::string kDamagedNotice = "\x8a\xee\x96\x7b\x8f\xee\x95\xf1\x83\x66\x81\x5b\x83\x5e Game.dat "
                                   "\x82\xaa\x94\x6a\x91\xb9\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7";

TEST_F(GameInfoTest, ConstructedDefaults) {
  EXPECT_EQ(info.settings, (std::vector<int8_t>{32, 8, 8, 1, 0, 1, 0, 3, 0, 0, 0, 6, 6, 0, 0, 4, 4, 0}));
  ASSERT_EQ(info.strings.size(), 8u);
  EXPECT_EQ(info.strings[0], Sjis("新規ゲーム名"));
  EXPECT_EQ(info.strings[2], "");
  EXPECT_EQ(info.values.size(), 1u);
  EXPECT_EQ(kDamagedNotice, Sjis("基本情報データ Game.dat が破損しています"));
}

TEST_F(GameInfoTest, ReadsEverySettingTextValueAndTheArchiveKey) {
  GameDatSpec spec;
  spec.settings = {16, 4, 4, 0, 30, 0, 1, 5, 1, 1, 2, 7, 8, 9, 1, 2, 3, 4, -5, 6};
  spec.texts = {Sjis("テスト"), "x", "ignored", "FontA", "FontB", "", "FontD", "hero.png", "extra"};
  spec.values = {1, -2, 300};
  spec.archiveKey = "Key\x01\xFFz";
  ASSERT_TRUE(Load(spec));
  std::vector<int8_t> expected = spec.settings;
  expected[3] = 1;
  EXPECT_EQ(info.settings, expected);
  std::vector<std::string> texts = spec.texts;
  texts[2] = spec.archiveKey;
  EXPECT_EQ(info.strings, texts);
  EXPECT_EQ(info.values, (std::vector<int16_t>{1, -2, 300}));
  EXPECT_TRUE(RecordedNotices().empty());
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(GameInfoTest, ShortListsKeepTheirDefaults) {
  GameDatSpec spec;
  spec.settings = {16, 4, 4, 0};
  spec.texts = {"T"};
  spec.values = {};
  spec.scramble.zeroSeeds = true;  // stored plain
  ASSERT_TRUE(Load(spec));
  EXPECT_EQ(info.settings, (std::vector<int8_t>{16, 4, 4, 1, 0, 1, 0, 3, 0, 0, 0, 6, 6, 0, 0, 4, 4, 0}));
  EXPECT_EQ(info.strings.size(), 8u);
  EXPECT_EQ(info.strings[0], "T");
}

TEST_F(GameInfoTest, EmptyKeyReplacesTheStoredText) {
  GameDatSpec spec;
  spec.texts = {"T", "", "stored", "", "", "", "", ""};
  ASSERT_TRUE(Load(spec));
  EXPECT_EQ(info.strings[2], "");
}

TEST_F(GameInfoTest, KeyPositionsAddWithSixteenBitWrap) {
  GameDatSpec spec;
  spec.keyTables = {{0xFFFF, 0x0002}, {0x0000, 0x0005}};
  ASSERT_TRUE(Load(spec));
  // Header bytes the writer does not use hold 0x40 + offset.
  EXPECT_EQ(info.strings[2], std::string("\x41\x45"));
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_F(GameInfoTest, WrongCheckByteShowsTheNoticeAndTheGameGoesOn) {
  GameDatSpec spec;
  spec.checkByte = 0xC3;
  spec.archiveKey = "abc";
  ASSERT_TRUE(Load(spec));
  EXPECT_EQ(NoticeLines(), std::vector<std::string>{kDamagedNotice});
  EXPECT_EQ(RecordedNotices()[0][1], "");
  EXPECT_EQ(info.strings[2], "abc");
  EXPECT_EQ(info.strings[0], "Title");
  EXPECT_EQ(info.settings[4], 2);
}

TEST_F(GameInfoTest, PositionsOutsideTheFileGiveZeroKeyBytesAndTheNotice) {
  struct Case {
    const char* what;
    GameDatSpec spec;
    std::string key;
  };
  GameDatSpec base;
  base.archiveKey = "ab";
  std::vector<Case> cases;
  {
    Case c{"check offset past the end", base, "ab"};
    c.spec.checkOffset = 100000;
    cases.push_back(c);
  }
  {
    Case c{"negative check offset", base, "ab"};
    c.spec.checkOffset = -3;
    cases.push_back(c);
  }
  {
    Case c{"table A past the end", base, std::string(2, '\0')};
    c.spec.tableA = 70000;
    cases.push_back(c);
  }
  {
    Case c{"negative table B", base, std::string(2, '\0')};
    c.spec.tableB = -1;
    cases.push_back(c);
  }
  {
    Case c{"key position past the end", base, std::string("\0\x41", 2)};
    c.spec.keyTables = {{0x7000, 0x0000}, {0x0001, 0x0000}};
    cases.push_back(c);
  }
  {
    Case c{"key longer than the file", base, ""};
    c.spec.keyLength = 0x7FFFFFFF;
    cases.push_back(c);
  }
  {
    Case c{"negative key length", base, ""};
    c.spec.keyLength = -4;
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    ClearRecordedNotices();
    GameInfo fresh;
    WriteFileBytes(folder.Root() / "Game.dat", WriteGameDat(c.spec));
    EXPECT_TRUE(fresh.LoadGameInfoFile("Game.dat")) << c.what;
    EXPECT_EQ(fresh.strings[2], c.key) << c.what;
    EXPECT_EQ(NoticeLines(), std::vector<std::string>{kDamagedNotice}) << c.what;
  }
}

TEST_F(GameInfoTest, MissingFileShowsTheMessageBoxAndFails) {
  EXPECT_FALSE(info.LoadGameInfoFile("Game.dat"));
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Sjis("基本情報データ Game.dat がありません"));
  EXPECT_EQ(boxes[0].caption, Sjis("読み込みエラー"));
  EXPECT_EQ(boxes[0].flags, platform::kMbOkCancel);
}

TEST_F(GameInfoTest, ReadsFromTheFolderWhateverTheLetterCase) {
  WriteFileBytes(folder.Root() / "game.dat", WriteGameDat(GameDatSpec{}));
  EXPECT_TRUE(info.LoadGameInfoFile("Game.dat"));
  EXPECT_EQ(info.strings[0], "Title");
}

using GameInfoDeathTest = GameInfoTest;

TEST_F(GameInfoDeathTest, DamagedFilesEndWithTheMessageBoxAndCode1) {
  const std::string expected = Literal("[読み込みエラー] 基本情報データ Game.dat が破損しています");
  std::vector<std::pair<const char*, std::vector<uint8_t>>> files;
  {
    std::vector<uint8_t> whole = WriteGameDat(GameDatSpec{});
    files.push_back({"cut inside the texts", std::vector<uint8_t>(whole.begin(), whole.begin() + 40)});
    files.push_back({"header only", std::vector<uint8_t>(whole.begin(), whole.begin() + 10)});
    files.push_back({"shorter than the header", std::vector<uint8_t>(whole.begin(), whole.begin() + 5)});
  }
  {
    ByteBuilder body;
    body.Int32(0x40000000);
    files.push_back({"settings count beyond the file", WriteScrambledFile(DataFileKind::GameDat, body.Data())});
  }
  {
    ByteBuilder body;
    body.Int32(0).Int32(1).Text(std::string(516, 'a'));
    files.push_back({"text of 517 bytes", WriteScrambledFile(DataFileKind::GameDat, body.Data())});
  }
  for (auto& [what, bytes] : files) {
    WriteFileBytes(folder.Root() / "Game.dat", bytes);
    EXPECT_EXIT(info.LoadGameInfoFile("Game.dat"), testing::ExitedWithCode(1), expected) << what;
  }
}

}  // namespace
