#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/DataFileCursor.h"
#include "gamedata/TestText.h"
#include "gamedata/Tileset.h"
#include "platform/dialogs/MessageBox.h"
#include "support/ByteBuilder.h"
#include "support/MapFileWriters.h"

namespace {

const char kEndByteText[] =
    "\x83^\x83\x43\x83\x8B\x83Z\x83\x62\x83g\x83\x66\x81[\x83^\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E"
    "\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const char kEndByteTitle[] = "\x83t\x83@\x83\x43\x83\x8B\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x83G\x83\x89\x81[";
const char kSeparatorText[] =
    "\x83^\x83\x43\x83\x8B\x83Z\x83\x62\x83g\x82\xCC\x83\x8D\x81[\x83h\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5"
    "\x82\xBD\x81\x41\x83t\x83@\x83\x43\x83\x8B\x94j\x91\xB9\x82\xCC\x89\xC2\x94\x5C\x90\xAB\x82\xAA\x82\xA0\x82\xE8"
    "\x82\xDC\x82\xB7";

Tileset SampleTileset(const std::string& name) {
  Tileset tileset;
  tileset.name = name;
  for (size_t i = 0; i < tileset.imageNames.size(); ++i) tileset.imageNames[i] = name + std::to_string(i) + ".png";
  tileset.tileTags = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 200};
  tileset.tileFlags = {0, 15, 16, 0x7F, 0, 0, 0, 0, 1, 2, 0xFF};
  return tileset;
}

class TilesetFileTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ClearRecordedMessageBoxes(); }

  bool Parse(const std::vector<uint8_t>& image, TilesetList& list) {
    DataFileCursor cursor(image);
    return list.ParseTilesetDataFile(cursor, "BasicData\\TileSetData.dat");
  }
};

TEST_F(TilesetFileTest, ConstructionDefaults) {
  TilesetList list;
  ASSERT_EQ(list.tilesets.size(), 1u);
  const Tileset& tileset = list.tilesets[0];
  EXPECT_EQ(tileset.tileTags, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(tileset.tileFlags, std::vector<int32_t>(8, 0));
  EXPECT_TRUE(tileset.name.empty());
}

TEST_F(TilesetFileTest, RoundTripInBothVersions) {
  std::vector<Tileset> written = {SampleTileset("field"), SampleTileset("town")};
  written[1].tileFlags[1] = 0x12345;  // only the int32 version keeps the high bits
  for (uint8_t version : {kTilesetVersionByteFlags, kTilesetVersionIntFlags}) {
    SCOPED_TRACE(static_cast<int>(version));
    TilesetFileOptions options;
    options.version = version;
    TilesetList list;
    ASSERT_TRUE(Parse(TilesetFileImage(written, options), list));
    ASSERT_EQ(list.tilesets.size(), 2u);
    EXPECT_EQ(list.tilesets[0], written[0]);
    EXPECT_EQ(list.tilesets[1].imageNames, written[1].imageNames);
    // A flag byte 0xFF reads as 255, not -1.
    EXPECT_EQ(list.tilesets[0].tileFlags[10], 255);
    EXPECT_EQ(list.tilesets[1].tileFlags[1], version == kTilesetVersionIntFlags ? 0x12345 : 0x45);
  }
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(TilesetFileTest, ListsTakeExactlyTheStoredSizes) {
  Tileset small = SampleTileset("s");
  small.tileTags = {4, 5, 6};
  small.tileFlags = {1, 2};
  TilesetList list;
  list.tilesets = {SampleTileset("old")};
  ASSERT_TRUE(Parse(TilesetFileImage({small}), list));
  EXPECT_EQ(list.tilesets[0].tileTags, (std::vector<uint8_t>{4, 5, 6}));
  EXPECT_EQ(list.tilesets[0].tileFlags, (std::vector<int32_t>{1, 2}));

  ASSERT_TRUE(Parse(TilesetFileImage({}), list));
  EXPECT_TRUE(list.tilesets.empty());
}

TEST_F(TilesetFileTest, WrongVersionByteFailsSilently) {
  TilesetFileOptions options;
  options.version = 0xCE;
  TilesetList list;
  EXPECT_FALSE(Parse(TilesetFileImage({SampleTileset("a")}, options), list));
  EXPECT_EQ(list.tilesets.size(), 1u);
  EXPECT_TRUE(list.tilesets[0].name.empty());
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(TilesetFileTest, EndByteMustBeCFInBothVersions) {
  TilesetFileOptions options;
  options.version = kTilesetVersionIntFlags;
  options.endByte = kTilesetVersionIntFlags;
  TilesetList list;
  EXPECT_FALSE(Parse(TilesetFileImage({SampleTileset("a")}, options), list));
  EXPECT_EQ(list.tilesets[0].name, "a");  // what was read stays
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kEndByteText);
  EXPECT_EQ(boxes[0].caption, kEndByteTitle);
  EXPECT_EQ(boxes[0].flags, platform::kMbOkCancel);
}

TEST_F(TilesetFileTest, BadSeparatorIsReportedAndReadingGoesOn) {
  TilesetFileOptions options;
  options.separator = 0xFE;
  TilesetList list;
  EXPECT_TRUE(Parse(TilesetFileImage({SampleTileset("a"), SampleTileset("b")}, options), list));
  EXPECT_EQ(list.tilesets[1], SampleTileset("b"));
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, kSeparatorText);
  EXPECT_EQ(boxes[0].caption, "");
  EXPECT_EQ(boxes[0].flags, platform::kMbOk);
}

TEST_F(TilesetFileTest, DamagedFilesAreRefusedWithTheReadFailure) {
  std::vector<uint8_t> good = TilesetFileBody({SampleTileset("a")});
  std::vector<std::vector<uint8_t>> bodies;
  bodies.emplace_back(good.begin(), good.begin() + 30);
  bodies.emplace_back(good.begin(), good.end() - 1);
  bodies.push_back(ByteBuilder().Uint8(0xD0).Int32(-1).Uint8(0xCF).Take());
  bodies.push_back(ByteBuilder().Uint8(0xD0).Int32(100000000).Uint8(0xCF).Take());
  ByteBuilder tooManyFlags;
  tooManyFlags.Uint8(0xD0).Int32(1);
  for (int i = 0; i < 9; ++i) tooManyFlags.Text("");
  tooManyFlags.Uint8(0xFF).ByteList({}).Uint8(0).Int32(0x40000000).Uint8(0xCF);
  bodies.push_back(tooManyFlags.Take());
  ByteBuilder longName;
  longName.Uint8(0xD0).Int32(1).Text(std::string(1024, 'n'));
  for (int i = 0; i < 8; ++i) longName.Text("");
  longName.Uint8(0xFF).ByteList({}).Uint8(0).Int32(0).Uint8(0xCF);
  bodies.push_back(longName.Take());
  for (size_t i = 0; i < bodies.size(); ++i) {
    SCOPED_TRACE(i);
    platform::ClearRecordedMessageBoxes();
    TilesetList list;
    EXPECT_FALSE(Parse(WriteScrambledFile(DataFileKind::Tileset, bodies[i]), list));
    auto boxes = platform::RecordedMessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, kEndByteText);
  }
}

TEST_F(TilesetFileTest, TileLookupsAreBounded) {
  Tileset tileset = SampleTileset("a");
  EXPECT_EQ(TileIndexOfTileNumber(0), 8);
  EXPECT_EQ(TileIndexOfTileNumber(2), 10);
  EXPECT_EQ(TileIndexOfTileNumber(100000), 0);
  EXPECT_EQ(TileIndexOfTileNumber(300000 + 1234), 2);
  EXPECT_EQ(TileIndexOfTileNumber(-5), -1);
  EXPECT_EQ(tileset.TagAt(TileIndexOfTileNumber(2)), 200);
  EXPECT_EQ(tileset.FlagsAt(TileIndexOfTileNumber(2)), 0xFF);
  EXPECT_EQ(tileset.TagAt(TileIndexOfTileNumber(3)), 0);  // past the lists
  EXPECT_EQ(tileset.FlagsAt(TileIndexOfTileNumber(99999)), 0);
  EXPECT_EQ(tileset.TagAt(-1), 0);
  EXPECT_EQ(tileset.FlagsAt(-1), 0);

  TilesetList list;
  list.tilesets = {SampleTileset("a"), SampleTileset("b")};
  EXPECT_EQ(list.CopyTileset(1).name, "b");
  EXPECT_EQ(list.CopyTileset(2), Tileset{});
  EXPECT_EQ(list.CopyTileset(-1), Tileset{});
  EXPECT_EQ(list.Find(2), nullptr);
}

TEST_F(TilesetFileTest, WrongCheckByteEndsTheProgram) {
  ScrambleOptions scramble;
  scramble.wrongCheck = true;
  std::vector<uint8_t> image = TilesetFileImage({SampleTileset("a")}, {}, scramble);
  EXPECT_EXIT(
      {
        TilesetList list;
        DataFileCursor cursor(image);
        list.ParseTilesetDataFile(cursor, "TileSetData.dat");
      },
      testing::ExitedWithCode(1), TamperedFileNotice("TileSetData.dat"));
}

}  // namespace
