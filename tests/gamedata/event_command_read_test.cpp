#include <gtest/gtest.h>

#include "gamedata/DataFileCursor.h"
#include "gamedata/EventCommand.h"
#include "gamedata/MoveRoute.h"
#include "support/ByteBuilder.h"
#include "support/CommandListBuilder.h"
#include "support/MapFileWriters.h"

namespace {

DataFileCursor CursorOver(const ByteBuilder& bytes) { return DataFileCursor(bytes.Data()); }

TEST(EventCommandRecord, ConstructionDefaults) {
  EventCommand command;
  EXPECT_EQ(command.ints, std::vector<int32_t>{0});
  EXPECT_EQ(command.indent, 0);
  EXPECT_TRUE(command.strings.empty());
  EXPECT_TRUE(command.routes.empty());
  EXPECT_TRUE(command.ResolvedInts.empty());
  EXPECT_TRUE(command.ResolvedCells.empty());

  MoveSettings settings;
  EXPECT_EQ(settings.moveType, 0);
  EXPECT_EQ(settings.animationSpeed, 3);
  EXPECT_EQ(settings.moveSpeed, 3);
  EXPECT_EQ(settings.moveFrequency, 3);
  EXPECT_EQ(settings.optionBits, 3);
  EXPECT_EQ(settings.routeFlags, 2);
  EXPECT_TRUE(settings.route.empty());
}

TEST(EventCommandRecord, OptionBitReaders) {
  MoveSettings settings;
  settings.optionBits = 0b1010101;
  EXPECT_EQ(settings.GetMoveOptionBit0(), 1);
  EXPECT_EQ(settings.GetMoveOptionBit1(), 0);
  EXPECT_EQ(settings.GetMoveOptionBit2(), 1);
  EXPECT_EQ(settings.GetMoveOptionBit3(), 0);
  EXPECT_EQ(settings.GetMoveOptionBit4(), 1);
  EXPECT_EQ(settings.GetMoveOptionBit5(), 0);
  EXPECT_EQ(settings.GetMoveOptionBit6(), 1);
}

TEST(EventCommandRecord, InsertDefaultCommandClampsPosition) {
  EventCommandList list = CommandListBuilder().Add(101).Add(102).Build(false);
  InsertDefaultCommand(list, 1);
  InsertDefaultCommand(list, 99);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].Code(), 101);
  EXPECT_EQ(list[1].Code(), 0);
  EXPECT_EQ(list[2].Code(), 102);
  EXPECT_EQ(list[3].Code(), 0);
}

TEST(EventCommandRecord, CopyKeepsLinkListsAndReadLeavesThemEmpty) {
  EventCommand linked = MakeCommand(111, {1, 2000000, 5, 0x20}, {"a"});
  int32_t cell = 7;
  linked.ResolvedInts = {1, 1, 2};
  linked.ResolvedCells = {ResolvedCell{&cell, nullptr}};
  EventCommand copy = linked;
  EXPECT_EQ(copy.ResolvedInts, linked.ResolvedInts);
  ASSERT_EQ(copy.ResolvedCells.size(), 1u);
  EXPECT_EQ(copy.ResolvedCells[0].cell, &cell);

  ByteBuilder bytes;
  AppendEventCommand(bytes, linked);
  DataFileCursor cursor = CursorOver(bytes);
  EventCommand read;
  EXPECT_TRUE(ReadEventCommand(cursor, read));
  EXPECT_FALSE(cursor.Damaged());
  EXPECT_EQ(read.ints, linked.ints);
  EXPECT_EQ(read.strings, linked.strings);
  EXPECT_TRUE(read.ResolvedInts.empty());
  EXPECT_TRUE(read.ResolvedCells.empty());
}

TEST(EventCommandRecord, ListRoundTripEndsWithEndCode) {
  MoveSettings route =
      RouteBuilder().Type(1).Speeds(4, 5, 6).Options(0x45).Flags(1).Step(12).Step(45, {3, -7}, "se.wav").Build();
  EventCommandList written = CommandListBuilder()
                                 .Add(101, {}, {"Hello", "\x82\xA0"})
                                 .Add(111, {1, 2000000, 5, 0x20})
                                 .In()
                                 .Add(201, {-1, 0})
                                 .WithRoute(route)
                                 .Out()
                                 .Add(499)
                                 .Build();
  ByteBuilder bytes;
  AppendEventCommandList(bytes, written);
  DataFileCursor cursor = CursorOver(bytes);
  EventCommandList read = CommandListBuilder().Add(5).Add(6).Build();  // emptied first
  int32_t count = cursor.ReadInt32();
  ReadEventCommandList(cursor, read, count);
  EXPECT_FALSE(cursor.Damaged());
  EXPECT_EQ(cursor.Remaining(), 0u);
  EXPECT_EQ(read, written);
  EXPECT_EQ(read[2].indent, 1);
  ASSERT_EQ(read[2].routes.size(), 1u);
  EXPECT_EQ(read[2].routes[0], route);
  EXPECT_EQ(read.back().Code(), kEndCommandCode);
}

TEST(EventCommandRecord, LastStoredCodeIsReplacedAndEmptyListGetsEnd) {
  struct Case {
    int32_t storedCount;
    size_t expectedSize;
  };
  for (Case c : {Case{0, 1}, Case{1, 1}, Case{2, 2}}) {
    SCOPED_TRACE(c.storedCount);
    EventCommandList stored = CommandListBuilder().Add(150).Add(160).Build(false);
    stored.resize(static_cast<size_t>(c.storedCount));
    ByteBuilder bytes;
    for (const EventCommand& command : stored) AppendEventCommand(bytes, command);
    DataFileCursor cursor = CursorOver(bytes);
    EventCommandList read;
    ReadEventCommandList(cursor, read, c.storedCount);
    ASSERT_EQ(read.size(), c.expectedSize);
    EXPECT_EQ(read.back().Code(), kEndCommandCode);
    if (c.storedCount == 2) {
      EXPECT_EQ(read[0].Code(), 150);
    }
  }
}

TEST(EventCommandRecord, RouteFlagAboveOneStillReadsOneRoute) {
  ByteBuilder bytes;
  bytes.Int8(1).Int32(201).Uint8(0).Int8(0).Int8(3);
  AppendMoveSettings(bytes, RouteBuilder().Step(1).Build());
  bytes.Uint8(0xEE);  // the next field
  DataFileCursor cursor = CursorOver(bytes);
  EventCommand command;
  ReadEventCommand(cursor, command);
  EXPECT_FALSE(cursor.Damaged());
  ASSERT_EQ(command.routes.size(), 1u);
  EXPECT_EQ(command.routes[0].route.size(), 1u);
  EXPECT_EQ(cursor.ReadUint8(), 0xEE);
}

TEST(EventCommandRecord, MoveSettingsFieldsKeepTheirPlacesAndZeroRouteEmpties) {
  MoveSettings written = RouteBuilder().Type(7).Speeds(1, 2, 3).Options(4).Flags(5);
  ByteBuilder bytes;
  AppendMoveSettings(bytes, written);
  ASSERT_EQ(bytes.Size(), 10u);
  EXPECT_EQ(bytes.Data()[3], 7);  // the move type is stored fourth
  DataFileCursor cursor = CursorOver(bytes);
  MoveSettings read = RouteBuilder().Step(3).Step(4);
  EXPECT_TRUE(ReadMoveSettings(cursor, read));
  EXPECT_EQ(read, written);
  EXPECT_TRUE(read.route.empty());
}

TEST(EventCommandRecord, RouteCountAtAndAboveTheLimit) {
  for (int32_t count : {kMaxRouteCommands, kMaxRouteCommands + 1}) {
    SCOPED_TRACE(count);
    ByteBuilder bytes;
    bytes.Fill(6, 1).Int32(count);
    for (int32_t i = 0; i < count; ++i) bytes.Uint8(static_cast<uint8_t>(i)).Uint8(0).Uint8(0);
    DataFileCursor cursor = CursorOver(bytes);
    MoveSettings settings = RouteBuilder().Step(9);
    bool ok = ReadMoveSettings(cursor, settings);
    if (count == kMaxRouteCommands) {
      EXPECT_TRUE(ok);
      EXPECT_FALSE(cursor.Damaged());
      ASSERT_EQ(settings.route.size(), static_cast<size_t>(count));
      EXPECT_EQ(settings.route.back().code, static_cast<uint8_t>(count - 1));
    } else {
      EXPECT_FALSE(ok);
      EXPECT_TRUE(cursor.Damaged());
      ASSERT_EQ(settings.route.size(), 1u);  // untouched
      EXPECT_EQ(settings.route[0].code, 9);
    }
  }
}

TEST(EventCommandRecord, RouteCommandTexts) {
  ByteBuilder bytes;
  bytes.Uint8(44).Uint8(1).Int32(-5).Uint8(0);            // L = 0: empty text
  bytes.Uint8(45).Uint8(0).Uint8(4).Bytes("ab").Fill(2);  // text up to the first zero
  DataFileCursor cursor = CursorOver(bytes);
  RouteCommand first;
  first.text = "old";
  RouteCommand second;
  EXPECT_TRUE(ReadRouteCommand(cursor, first));
  EXPECT_TRUE(ReadRouteCommand(cursor, second));
  EXPECT_EQ(first.code, 44);
  EXPECT_EQ(first.args, std::vector<int32_t>{-5});
  EXPECT_EQ(first.text, "");
  EXPECT_EQ(second.text, "ab");
  EXPECT_EQ(cursor.Remaining(), 0u);
}

TEST(EventCommandRecord, DamagedCountsMarkTheCursor) {
  struct Case {
    const char* name;
    ByteBuilder bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"negative int count", ByteBuilder().Int8(-1).Uint8(0).Int8(0).Int8(0)});
  cases.push_back({"negative text count", ByteBuilder().Int8(1).Int32(101).Uint8(0).Int8(-2).Int8(0)});
  cases.push_back({"text beyond the end", ByteBuilder().Int8(1).Int32(101).Uint8(0).Int8(1).Int32(50).Bytes("x")});
  cases.push_back({"ints beyond the end", ByteBuilder().Int8(100).Int32(1)});
  cases.push_back(
      {"route beyond the end", ByteBuilder().Int8(1).Int32(1).Uint8(0).Int8(0).Int8(1).Fill(6).Int32(1000)});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    DataFileCursor cursor = CursorOver(c.bytes);
    EventCommand command;
    ReadEventCommand(cursor, command);
    EXPECT_TRUE(cursor.Damaged());
    EXPECT_LE(cursor.Position(), cursor.Size());
  }
}

}  // namespace
