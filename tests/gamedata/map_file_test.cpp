#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gamedata/DataFileCursor.h"
#include "gamedata/MapData.h"
#include "gamedata/MapFile.h"
#include "gamedata/TestText.h"
#include "platform/dialogs/MessageBox.h"
#include "support/ByteBuilder.h"
#include "support/CommandListBuilder.h"
#include "support/MapFileWriters.h"

namespace {

const char kDamagedTitle[] = "\x83}\x83\x62\x83v\x88\xDA\x93\xAE\x83G\x83\x89\x81[";

std::string DamagedText(const std::string& fileName) {
  return "\x83G\x83\x89\x81[\x81\x46\x83}\x83\x62\x83v\x83\x66\x81[\x83^ " + fileName +
         " \x82\xAA\x94j\x91\xB9\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x82\xA9\x81\x41\r\n\x83}\x83\x62\x83v\x83t\x83@"
         "\x83\x43\x83\x8B\x8C`\x8E\xAE\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
}

MapEvent MakeEvent(int32_t id, const std::string& name) {
  MapEvent event(id);
  event.name = name;
  event.x = id + 1;
  event.y = id + 2;
  return event;
}

// A small map with tiles, two pages, routes and commands.
MapData SampleMap() {
  MapData map;
  map.header.name = "\x8F\xAC\x82\xB3\x82\xC8\x92\xAC";  // small town
  map.header.tilesetNumber = 2;
  map.header.width = 3;
  map.header.height = 2;
  map.ResizeMapLayers(true, 0, 0);
  map.layers[0][2][1] = 7;
  map.layers[1][0][0] = 300000 + 1234;
  map.layers[2][1][1] = 5;

  MapEvent door = MakeEvent(4, "door");
  door.eventOptions = {1, 2, 3};
  EventPage& first = door.pages[0];
  first.tileGraphic = 12;
  first.graphicName = "CharaChip/door.png";
  first.direction = 8;
  first.pattern = 0;
  first.opacity = 128;
  first.drawMode = 1;
  first.conditions.conditionHeader = 3;
  first.conditions.conditionFlags = {0x21, 0x61, 0x20, 0x20};
  first.conditions.conditionLeft = {2000001, 1100005, 0, 0};
  first.conditions.conditionRight = {5, 3, 0, 0};
  first.moveSettings = RouteBuilder().Type(1).Speeds(2, 4, 5).Options(0x41).Flags(3).Step(1).Step(45, {1}, "a.wav");
  first.commands = CommandListBuilder().Add(101, {}, {"Hello"}).Add(210, {500001, 0}).Build();
  first.commandCount = static_cast<int32_t>(first.commands.size());
  first.pageOptions = {255, 0, 0, 9};
  EventPage second;
  second.graphicName = "b.png";
  second.commands = CommandListBuilder().Build();
  second.commandCount = 1;
  door.pages.push_back(second);
  door.pageCount = 2;
  map.events.push_back(door);
  map.events.push_back(MakeEvent(9, "chest"));
  map.events[1].pages[0].commands = CommandListBuilder().Add(150, {1, 2, 3}).Build();
  map.events[1].pages[0].commandCount = 2;
  map.header.eventCount = 2;
  return map;
}

class MapFileTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ClearRecordedMessageBoxes(); }

  bool Parse(const std::vector<uint8_t>& image, MapData& map) {
    DataFileCursor cursor(image);
    return ParseMapFile(map, cursor, "MapData\\Town.mps");
  }

  void ExpectRefused(const std::vector<uint8_t>& image) {
    platform::ClearRecordedMessageBoxes();
    MapData map = SampleMap();
    EXPECT_FALSE(Parse(image, map));
    EXPECT_TRUE(map.events.empty());
    auto boxes = platform::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, DamagedText("MapData\\Town.mps"));
    EXPECT_EQ(boxes[0].caption, kDamagedTitle);
  }
};

TEST_F(MapFileTest, ConstructionDefaults) {
  MapData map;
  EXPECT_EQ(map.header.name, "\x82\xC8\x82\xB5");
  EXPECT_EQ(map.header.width, 20);
  EXPECT_EQ(map.header.height, 15);
  for (const TileLayer& layer : map.layers) {
    ASSERT_EQ(layer.size(), 20u);
    EXPECT_EQ(layer[19], std::vector<int32_t>(15, kEmptyTile));
  }
  MapEvent event(3);
  EXPECT_EQ(event.pageCount, 1);
  ASSERT_EQ(event.pages.size(), 1u);
  const EventPage& page = event.pages[0];
  EXPECT_EQ(page.tileGraphic, -1);
  EXPECT_EQ(page.direction, 2);
  EXPECT_EQ(page.pattern, 1);
  EXPECT_EQ(page.opacity, 255);
  EXPECT_EQ(page.commandCount, 0);
  ASSERT_EQ(page.commands.size(), 1u);
  EXPECT_EQ(page.commands[0].Code(), 0);
  EXPECT_EQ(page.pageOptions, (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(page.conditions.conditionFlags, (std::array<uint8_t, 4>{32, 32, 32, 32}));
}

TEST_F(MapFileTest, ResizeKeepsOnlyOldCellsWhenAsked) {
  MapData map;
  map.header.width = 2;
  map.header.height = 2;
  map.ResizeMapLayers(true, 0, 0);
  map.layers[0][1][1] = 9;
  map.layers[0][0][1] = 8;
  map.header.width = 3;
  map.ResizeMapLayers(false, 1, 2);  // only column 0 counts as old
  EXPECT_EQ(map.layers[0][0][1], 8);
  EXPECT_EQ(map.layers[0][1][1], kEmptyTile);
  EXPECT_EQ(map.layers[0][2][0], kEmptyTile);
  map.ResizeMapLayers(true, 3, 2);
  EXPECT_EQ(map.layers[0][0][1], kEmptyTile);
}

TEST_F(MapFileTest, RoundTripPlainAndScrambled) {
  MapData written = SampleMap();
  ScrambleOptions plain;
  plain.zeroSeeds = true;
  for (const ScrambleOptions& options : {ScrambleOptions{}, plain}) {
    MapData read;
    ASSERT_TRUE(Parse(MapFileImage(written, options), read));
    // The reader ends every list with the end code.
    MapData expected = written;
    for (MapEvent& event : expected.events) {
      for (EventPage& page : event.pages) page.commands.back().SetCode(kEndCommandCode);
    }
    EXPECT_EQ(read.header, expected.header);
    EXPECT_EQ(read.layers, expected.layers);
    EXPECT_EQ(read.events, expected.events);
    EXPECT_EQ(read.TileAt(1, 0, 0), 301234);
    EXPECT_EQ(read.TileAt(0, 3, 0), kEmptyTile);
  }
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(MapFileTest, EventsAreSortedStablyById) {
  MapData written;
  written.header.width = 1;
  written.header.height = 1;
  for (auto [id, name] : {std::pair{5, "a"}, {2, "b"}, {9, "c"}, {2, "d"}, {-1, "e"}, {5, "f"}}) {
    written.events.push_back(MakeEvent(id, name));
  }
  MapData read;
  ASSERT_TRUE(Parse(MapFileImage(written), read));
  std::vector<std::pair<int32_t, std::string>> order;
  for (const MapEvent& event : read.events) order.emplace_back(event.id, event.name);
  EXPECT_EQ(order, (std::vector<std::pair<int32_t, std::string>>{
                       {-1, "e"}, {2, "b"}, {2, "d"}, {5, "a"}, {5, "f"}, {9, "c"}}));
  EXPECT_EQ(read.FindMapEventIndex(2), 1);
  EXPECT_EQ(read.FindMapEventIndex(5), 3);
  EXPECT_EQ(read.FindMapEventIndex(3), -1);
}

// A record that counts how often it is moved, for the work of the sort.
struct CountedEvent {
  CountedEvent(int32_t id, int serial, long* moves) : id(id), serial(serial), moves(moves) {}
  CountedEvent(CountedEvent&& other) noexcept : id(other.id), serial(other.serial), moves(other.moves) { ++*moves; }
  CountedEvent& operator=(CountedEvent&& other) noexcept {
    id = other.id;
    serial = other.serial;
    moves = other.moves;
    ++*moves;
    return *this;
  }
  int32_t id;
  int serial;
  long* moves;
};

// A file whose events are stored in falling id order: inserting each in turn
// moved the whole list every time, minutes for a few megabytes. The reader's
// sort moves each event a few times per halving of the list, and keeps
// equal ids in file order.
TEST_F(MapFileTest, ManyEventsInFallingIdOrderAreSortedInOnePass) {
  constexpr int kCounted = 4096, kHalvings = 12;
  long moves = 0;
  std::vector<CountedEvent> counted;
  counted.reserve(kCounted);
  for (int i = 0; i < kCounted; ++i) counted.emplace_back((kCounted - 1 - i) / 2, i, &moves);
  moves = 0;
  SortEventsById(counted);
  EXPECT_LE(moves, 2L * kCounted * kHalvings);
  for (int i = 0; i < kCounted; ++i) {
    ASSERT_EQ(counted[static_cast<size_t>(i)].id, i / 2) << i;
    ASSERT_EQ(counted[static_cast<size_t>(i)].serial, kCounted - 2 + i % 2 - 2 * (i / 2)) << i;
  }

  constexpr int32_t kEvents = 100000;
  // An empty map's body with the events written one by one.
  ByteBuilder body;
  body.Int32(100).Uint8(101).Text("").Int32(0).Int32(0).Int32(0).Int32(kEvents);
  MapEvent event(0);
  event.pageCount = 0;
  for (int32_t id = kEvents - 1; id >= 0; --id) {
    event.id = id;
    AppendMapEvent(body, event);
  }
  body.Uint8(102);
  MapData read;
  ASSERT_TRUE(Parse(WriteScrambledFile(DataFileKind::Map, body.Data()), read));
  ASSERT_EQ(read.events.size(), static_cast<size_t>(kEvents));
  EXPECT_TRUE(std::is_sorted(read.events.begin(), read.events.end(),
                             [](const MapEvent& a, const MapEvent& b) { return a.id < b.id; }));
  EXPECT_EQ(read.events.front().id, 0);
  EXPECT_EQ(read.events.back().id, kEvents - 1);
}

TEST_F(MapFileTest, EmptyLayersStillReadTheEvents) {
  for (auto [width, height] : {std::pair{0, 15}, {20, 0}}) {
    MapData written;
    written.header.width = width;
    written.header.height = height;
    written.events.push_back(MakeEvent(1, "only"));
    MapData read;
    ASSERT_TRUE(Parse(MapFileImage(written), read));
    ASSERT_EQ(read.events.size(), 1u);
    EXPECT_EQ(read.events[0].name, "only");
  }
}

TEST_F(MapFileTest, PageCountZeroKeepsTheConstructedPage) {
  MapData written;
  written.header.width = 1;
  written.header.height = 1;
  MapEvent event = MakeEvent(3, "x");
  event.pageCount = 0;
  written.events.push_back(event);
  MapData read;
  ASSERT_TRUE(Parse(MapFileImage(written), read));
  ASSERT_EQ(read.events.size(), 1u);
  EXPECT_EQ(read.events[0].pageCount, 0);
  ASSERT_EQ(read.events[0].pages.size(), 1u);
  EXPECT_EQ(read.events[0].pages[0], EventPage{});
}

TEST_F(MapFileTest, PageWithoutCommandsEndsWithTheEndCode) {
  MapData written;
  written.header.width = 1;
  written.header.height = 1;
  written.events.push_back(MakeEvent(3, "x"));
  written.events[0].pages[0].commands.clear();
  MapData read;
  ASSERT_TRUE(Parse(MapFileImage(written), read));
  const EventPage& page = read.events[0].pages[0];
  EXPECT_EQ(page.commandCount, 0);
  ASSERT_EQ(page.commands.size(), 1u);
  EXPECT_EQ(page.commands[0].Code(), kEndCommandCode);
}

TEST_F(MapFileTest, PageOptionsGrowButNeverShrink) {
  MapData written;
  written.header.width = 1;
  written.header.height = 1;
  written.events.push_back(MakeEvent(3, "x"));
  written.events[0].pages[0].pageOptions = {7};
  MapData read;
  ASSERT_TRUE(Parse(MapFileImage(written), read));
  EXPECT_EQ(read.events[0].pages[0].pageOptions, (std::vector<uint8_t>{7, 0, 0}));
}

TEST_F(MapFileTest, DamagedFilesAreRefused) {
  const std::vector<uint8_t> good = MapFileBody(SampleMap());
  auto image = [](std::vector<uint8_t> body) { return WriteScrambledFile(DataFileKind::Map, body); };

  std::vector<uint8_t> wrongTag = good;
  wrongTag[4] = 100;
  ExpectRefused(image(wrongTag));

  ExpectRefused(std::vector<uint8_t>(12, 0));  // shorter than the header

  for (size_t cut : {size_t{3}, size_t{30}, good.size() / 2, good.size() - 2}) {
    SCOPED_TRACE(cut);
    ExpectRefused(image(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))));
  }

  struct Header {
    const char* name;
    int32_t width, height, events;
  };
  for (Header h : {Header{"negative width", -1, 2, 0}, Header{"huge layers", 0x7FFFFFFF, 0x7FFFFFFF, 0},
                   Header{"huge width, no height", 0x7FFFFFFF, 0, 0}, Header{"huge height, no width", 0, 200000, 0},
                   Header{"negative events", 1, 1, -3}, Header{"events past the end", 1, 1, 1000000}}) {
    SCOPED_TRACE(h.name);
    ByteBuilder body;
    body.Int32(100).Uint8(101).Text("m").Int32(0).Int32(h.width).Int32(h.height).Int32(h.events);
    body.Fill(60, 0);
    ExpectRefused(image(body.Take()));
  }

  ByteBuilder longName;
  longName.Int32(100).Uint8(101).Text(std::string(512, 'n')).Int32(0).Int32(0).Int32(0).Int32(0).Uint8(102);
  ExpectRefused(image(longName.Take()));
}

TEST_F(MapFileTest, LongestNameIsAccepted) {
  ByteBuilder body;
  body.Int32(100).Uint8(101).Text(std::string(511, 'n')).Int32(0).Int32(0).Int32(0).Int32(0).Uint8(102);
  MapData read;
  EXPECT_TRUE(Parse(WriteScrambledFile(DataFileKind::Map, body.Take()), read));
  EXPECT_EQ(read.header.name.size(), 511u);
}

TEST_F(MapFileTest, RouteCountAboveTheLimitRefusesTheMap) {
  ByteBuilder body;
  body.Int32(100).Uint8(101).Text("m").Int32(0).Int32(0).Int32(0).Int32(1);
  body.Uint8(111).Int32(12345).Int32(1).Text("e").Int32(0).Int32(0).Int32(1).Int32(0);
  body.Uint8(121).Int32(-1).Text("").Fill(4).Fill(37);
  body.Fill(6).Int32(kMaxRouteCommands + 1);
  body.Fill(200);
  ExpectRefused(WriteScrambledFile(DataFileKind::Map, body.Take()));
}

TEST_F(MapFileTest, WrongCheckByteEndsTheProgram) {
  ScrambleOptions options;
  options.wrongCheck = true;
  std::vector<uint8_t> image = MapFileImage(SampleMap(), options);
  EXPECT_EXIT(
      {
        MapData map;
        DataFileCursor cursor(image);
        ParseMapFile(map, cursor, "Town.mps");
      },
      testing::ExitedWithCode(1), TamperedFileNotice("Town.mps"));
}

}  // namespace
