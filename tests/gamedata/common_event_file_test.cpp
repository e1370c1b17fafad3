#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileCursor.h"
#include "gamedata/TestText.h"
#include "platform/dialogs/MessageBox.h"
#include "support/ByteBuilder.h"
#include "support/CommandListBuilder.h"
#include "support/MapFileWriters.h"

namespace {

const char kReadFailedText[] =
    "\x83R\x83\x82\x83\x93\x83\x43\x83x\x83\x93\x83g\x83\x66\x81[\x83^\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82"
    "\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
const char kReadErrorTitle[] = "\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x83G\x83\x89\x81[";
const char kVersionText[] =
    "\x83R\x83\x82\x83\x93\x83\x43\x83x\x83\x93\x83g\x83t\x83@\x83\x43\x83\x8B\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82"
    "\xDD\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\r\n\x83\x66\x81[\x83^\x82\xCC\x83o\x81[\x83W"
    "\x83\x87\x83\x93\x82\xAA\x88\xE1\x82\xA4\x89\xC2\x94\x5C\x90\xAB\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x81\x41"
    "\x8D\xC5\x90V\x83\x63\x81[\x83\x8B\x82\xC5\x83\x8D\x81[\x83h\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81"
    "\x42";
const char kVersionTitle[] = "\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x8E\xB8\x94s";

CommonEvent SampleEvent(const std::string& name, int32_t storedId) {
  CommonEvent event;
  event.id = storedId;
  event.name = name;
  event.triggerFlags = 0x12;
  event.conditionId = 2000003;
  event.conditionValue = -4;
  event.carriedByte1 = 5;
  event.carriedByte2 = 6;
  event.commands = CommandListBuilder()
                       .Add(101, {}, {name + " speaks"})
                       .Add(201, {-1})
                       .WithRoute(RouteBuilder().Step(1).Step(2))
                       .Build();
  event.carriedBytes = {1, 2};
  event.carriedText = "memo";
  event.carriedTexts[3] = "t3";
  event.carriedFlags = {1, 0, 1};
  event.carriedTextLists[1] = {"a", "b"};
  event.carriedIntLists[9] = {7, 8, 9};
  event.carriedInts = {1, 2, 3, 4, 5, 6};
  return event;
}

// What a read gives for a written event: its index as id.
CommonEvent AsRead(CommonEvent event, int index) {
  event.id = index;
  return event;
}

class CommonEventFileTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ClearRecordedMessageBoxes(); }

  bool ParseDat(const std::vector<uint8_t>& image, CommonEventList& list) {
    DataFileCursor cursor(image);
    return list.ParseCommonEventData(cursor, "BasicData\\CommonEvent.dat");
  }
  int ParseCommon(const std::vector<uint8_t>& image, CommonEventList& list, int first, bool load) {
    DataFileCursor cursor(image);
    return list.ParseCommonEventFile(cursor, first, load);
  }
};

TEST_F(CommonEventFileTest, ConstructionDefaults) {
  CommonEventList list;
  ASSERT_EQ(list.Count(), 10);
  EXPECT_EQ(list.events[9].id, 9);
  const CommonEvent& event = list.events[0];
  EXPECT_EQ(event.triggerFlags, 32);
  EXPECT_EQ(event.conditionId, 2000000);
  ASSERT_EQ(event.commands.size(), 1u);
  EXPECT_EQ(event.commands[0].Code(), 0);
  EXPECT_EQ(event.carriedBytes, std::vector<uint8_t>{0});
  EXPECT_EQ(event.carriedTexts.size(), 10u);
  EXPECT_EQ(event.carriedInts, std::vector<int32_t>(5, 0));
}

TEST_F(CommonEventFileTest, DataFileRoundTripNumbersByIndex) {
  std::vector<CommonEvent> written = {SampleEvent("a", 77), SampleEvent("b", 3), SampleEvent("", -9)};
  ScrambleOptions plain;
  plain.zeroSeeds = true;
  for (const ScrambleOptions& scramble : {ScrambleOptions{}, plain}) {
    CommonEventList list;
    ASSERT_TRUE(ParseDat(CommonEventDataImage(written, {}, scramble), list));
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(list.events[static_cast<size_t>(i)], AsRead(written[static_cast<size_t>(i)], i));
  }
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(CommonEventFileTest, OldAndExtendedRecordsInSequence) {
  std::vector<CommonEvent> written = {SampleEvent("old", 0), SampleEvent("new", 1)};
  CommonEventList list;
  ASSERT_TRUE(ParseDat(CommonEventDataImage(written, {kCommonEventRecordOld, kCommonEventRecordExtended}), list));
  const CommonEvent& old = list.events[0];
  EXPECT_EQ(old.name, "old");
  EXPECT_EQ(old.commands, written[0].commands);
  EXPECT_EQ(old.carriedText, "memo");
  // Fields an old record lacks keep their construction defaults.
  CommonEvent fresh;
  EXPECT_EQ(old.carriedTexts, fresh.carriedTexts);
  EXPECT_EQ(old.carriedFlags, fresh.carriedFlags);
  EXPECT_EQ(old.carriedInts, fresh.carriedInts);
  EXPECT_EQ(list.events[1], AsRead(written[1], 1));
}

TEST_F(CommonEventFileTest, EmptyCarriedByteListStoresNoText) {
  CommonEvent event = SampleEvent("x", 0);
  event.carriedBytes.clear();
  event.carriedText = "never written";
  ByteBuilder bytes;
  AppendCommonEvent(bytes, event, kCommonEventRecordOld);
  bytes.Uint8(0xEE);
  DataFileCursor cursor(bytes.Data());
  CommonEvent read;
  ReadCommonEvent(cursor, read);
  EXPECT_FALSE(cursor.Damaged());
  EXPECT_EQ(read.carriedText, "");
  EXPECT_EQ(read.carriedBytes, std::vector<uint8_t>{0});  // grows, never shrinks
  EXPECT_EQ(cursor.ReadUint8(), 0xEE);
}

TEST_F(CommonEventFileTest, UnknownRecordVersionIsReportedAndReadAsExtended) {
  std::vector<CommonEvent> written = {SampleEvent("a", 0), SampleEvent("b", 1)};
  CommonEventList list;
  ASSERT_TRUE(ParseDat(CommonEventDataImage(written, {0x90, kCommonEventRecordExtended}), list));
  EXPECT_EQ(list.events[0], AsRead(written[0], 0));
  EXPECT_EQ(list.events[1], AsRead(written[1], 1));
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kVersionText);
  EXPECT_EQ(boxes[0].caption, kVersionTitle);
  EXPECT_EQ(boxes[0].flags, platform::kMbOk);
}

TEST_F(CommonEventFileTest, WrongFileTagsFailSilently) {
  std::vector<uint8_t> body = CommonEventDataBody({SampleEvent("a", 0)});
  std::vector<uint8_t> badFirst = body;
  badFirst.front() = 0x8E;
  std::vector<uint8_t> badLast = body;
  badLast.back() = 0x8E;
  CommonEventList list;
  EXPECT_FALSE(ParseDat(WriteScrambledFile(DataFileKind::CommonEvent, badFirst), list));
  EXPECT_EQ(list.Count(), 10);
  EXPECT_FALSE(ParseDat(WriteScrambledFile(DataFileKind::CommonEvent, badLast), list));
  EXPECT_EQ(list.Count(), 1);  // what was read stays
  EXPECT_EQ(list.events[0].name, "a");
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(CommonEventFileTest, DamagedDataFilesAreRefusedWithTheReadFailure) {
  std::vector<uint8_t> good = CommonEventDataBody({SampleEvent("a", 0), SampleEvent("b", 1)});
  std::vector<std::vector<uint8_t>> bodies;
  bodies.emplace_back(good.begin(), good.begin() + 40);
  bodies.emplace_back(good.begin(), good.end() - 1);
  bodies.push_back(ByteBuilder().Uint8(0x8F).Int32(-1).Uint8(0x8F).Take());
  bodies.push_back(ByteBuilder().Uint8(0x8F).Int32(50000000).Uint8(0x8F).Take());
  ByteBuilder longName;
  longName.Uint8(0x8F).Int32(1).Uint8(0).Int32(0).Uint8(0).Int32(0).Int32(0).Uint8(0).Uint8(0);
  longName.Text(std::string(512, 'n')).Int32(0).Int32(0).Uint8(0x8E).Uint8(0x8F);
  bodies.push_back(longName.Take());
  for (size_t i = 0; i < bodies.size(); ++i) {
    SCOPED_TRACE(i);
    platform::ClearRecordedMessageBoxes();
    CommonEventList list;
    EXPECT_FALSE(ParseDat(WriteScrambledFile(DataFileKind::CommonEvent, bodies[i]), list));
    auto boxes = platform::RecordedMessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, kReadFailedText);
    EXPECT_EQ(boxes.back().caption, kReadErrorTitle);
  }
}

TEST_F(CommonEventFileTest, SingleFileAppendsAtFirst) {
  std::vector<uint8_t> image = CommonFileImage({SampleEvent("p", 5), SampleEvent("q", 6)});
  CommonEventList list;
  EXPECT_EQ(ParseCommon(image, list, 40, true), 2);
  ASSERT_EQ(list.Count(), 42);
  EXPECT_EQ(list.events[25], AsRead(CommonEvent{}, 25));
  EXPECT_EQ(list.events[40], AsRead(SampleEvent("p", 0), 40));
  EXPECT_EQ(list.events[41], AsRead(SampleEvent("q", 0), 41));

  CommonEventList growOnly;
  EXPECT_EQ(ParseCommon(image, growOnly, 10, false), 2);
  ASSERT_EQ(growOnly.Count(), 12);
  EXPECT_EQ(growOnly.events[11], AsRead(CommonEvent{}, 11));

  CommonEventList alreadyLong;
  alreadyLong.ResizeCommonEventList(50);
  EXPECT_EQ(ParseCommon(image, alreadyLong, 3, true), 2);
  EXPECT_EQ(alreadyLong.Count(), 50);
  EXPECT_EQ(alreadyLong.events[4].name, "q");
}

TEST_F(CommonEventFileTest, BadSingleFilesGiveMinusOneAndChangeNothing) {
  std::vector<uint8_t> good = CommonFileImage({SampleEvent("p", 0)});
  std::vector<uint8_t> badMagic = good;
  badMagic[0] = 0x6D;
  std::vector<std::vector<uint8_t>> images = {
      badMagic,
      {0x6C, 0x38},
      std::vector<uint8_t>(good.begin(), good.end() - 3),
      ByteBuilder().Uint8(0x6C).Uint8(0x38).Uint8(0x0C).Uint8(0x03).Int32(-2).Take(),
      ByteBuilder().Uint8(0x6C).Uint8(0x38).Uint8(0x0C).Uint8(0x03).Int32(0x7FFFFFFF).Take(),
  };
  for (size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE(i);
    CommonEventList list;
    EXPECT_EQ(ParseCommon(images[i], list, 10, true), -1);
    EXPECT_EQ(list.Count(), 10);
  }
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(CommonEventFileTest, NameIndexKeepsTheLowestIndex) {
  gCommonEventList = CommonEventList{};
  gCommonEventList.events[2].name = "twin";
  gCommonEventList.events[7].name = "twin";
  gCommonEventList.events[4].name = "solo";
  BuildCommonEventNameIndex();
  EXPECT_EQ(gCommonEventNameIndex.size(), 2u);
  EXPECT_EQ(gCommonEventNameIndex["twin"], 2);
  EXPECT_EQ(gCommonEventNameIndex["solo"], 4);
  gCommonEventList = CommonEventList{};
  gCommonEventNameIndex.clear();
}

TEST_F(CommonEventFileTest, WrongCheckByteEndsTheProgram) {
  ScrambleOptions scramble;
  scramble.wrongCheck = true;
  std::vector<uint8_t> image = CommonEventDataImage({SampleEvent("a", 0)}, {}, scramble);
  EXPECT_EXIT(
      {
        CommonEventList list;
        DataFileCursor cursor(image);
        list.ParseCommonEventData(cursor, "CommonEvent.dat");
      },
      testing::ExitedWithCode(1), TamperedFileNotice("CommonEvent.dat"));
}

}  // namespace
