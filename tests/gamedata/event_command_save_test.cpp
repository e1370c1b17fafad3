#include <gtest/gtest.h>

#include "gamedata/MoveRoute.h"
#include "gamedata/SaveBuffer.h"
#include "support/CommandListBuilder.h"

namespace {

std::vector<uint8_t> Written(const MoveSettings& settings) {
  SaveBuffer buffer;
  buffer.BeginWrite();
  WriteMoveSettings(buffer, settings);
  return buffer.data;
}

TEST(MoveSettingsSaveForm, RoundTrip) {
  MoveSettings written = RouteBuilder()
                             .Type(3)
                             .Speeds(1, 2, 4)
                             .Options(0x7F)
                             .Flags(1)
                             .Step(0)
                             .Step(45, {7, -8, 9}, "step.wav")
                             .Step(12, {}, std::string(300, 'x'));
  std::vector<uint8_t> bytes = Written(written);
  EXPECT_EQ(bytes[3], 3);  // the move type is stored fourth
  SaveBuffer buffer;
  buffer.BeginRead(bytes);
  MoveSettings read = RouteBuilder().Step(1).Step(2).Step(3).Step(4);
  ASSERT_TRUE(ReadMoveSettings(buffer, read));
  EXPECT_FALSE(buffer.shortData);
  EXPECT_EQ(buffer.position, bytes.size());
  MoveSettings expected = written;
  expected.route[2].text.resize(254);  // one length byte
  EXPECT_EQ(read, expected);
}

TEST(MoveSettingsSaveForm, ShortDataAtEveryFieldSetsTheFlag) {
  std::vector<uint8_t> bytes = Written(RouteBuilder().Step(45, {7}, "a").Step(2));
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    SaveBuffer buffer;
    buffer.BeginRead(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
    MoveSettings read;
    EXPECT_FALSE(ReadMoveSettings(buffer, read));
    EXPECT_TRUE(buffer.shortData);
    EXPECT_LE(buffer.position, cut);
  }
}

TEST(MoveSettingsSaveForm, RouteCountAtAndAboveTheLimit) {
  for (int32_t count : {kMaxRouteCommands, kMaxRouteCommands + 1}) {
    SCOPED_TRACE(count);
    SaveBuffer writer;
    writer.BeginWrite();
    for (int i = 0; i < 6; ++i) writer.WriteUint8(1);
    writer.WriteInt32(count);
    for (int32_t i = 0; i < count; ++i) {
      writer.WriteUint8(5);
      writer.WriteUint8(0);
      writer.WriteUint8(0);
    }
    SaveBuffer buffer;
    buffer.BeginRead(writer.data);
    MoveSettings read = RouteBuilder().Step(9);
    bool ok = ReadMoveSettings(buffer, read);
    EXPECT_FALSE(buffer.shortData);  // too many is not short data
    if (count == kMaxRouteCommands) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(read.route.size(), static_cast<size_t>(count));
    } else {
      EXPECT_FALSE(ok);
      ASSERT_EQ(read.route.size(), 1u);
      EXPECT_EQ(read.route[0].code, 9);
    }
  }
}

TEST(MoveSettingsSaveForm, CountLargerThanTheDataIsShort) {
  SaveBuffer writer;
  writer.BeginWrite();
  for (int i = 0; i < 6; ++i) writer.WriteUint8(0);
  writer.WriteInt32(60000);
  SaveBuffer buffer;
  buffer.BeginRead(writer.data);
  MoveSettings read;
  EXPECT_FALSE(ReadMoveSettings(buffer, read));
  EXPECT_TRUE(buffer.shortData);
  EXPECT_TRUE(read.route.empty());
}

}  // namespace
