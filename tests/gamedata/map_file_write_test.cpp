#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <vector>

#include "gamedata/DataFileCursor.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/GameFolder.h"
#include "gamedata/MapData.h"
#include "gamedata/MapFile.h"
#include "platform/dialogs/MessageBox.h"
#include "support/CommandListBuilder.h"
#include "support/MapFileWriters.h"

namespace {

MapData TwoEventMap() {
  MapData map;
  map.header.name = "Edit";
  map.header.tilesetNumber = 3;
  map.header.width = 3;
  map.header.height = 2;
  map.ResizeMapLayers(true, 0, 0);
  map.layers[0][2][1] = 17;
  map.layers[2][0][0] = 400000;
  MapEvent door(5);
  door.name = "door";
  door.x = 1;
  door.y = 1;
  door.eventOptions = {4, 5};
  door.pages[0].graphicName = "door.png";
  door.pages[0].moveSettings = RouteBuilder().Type(1).Step(45, {1, 2}, "se.wav");
  door.pages[0].commands =
      CommandListBuilder().Add(101, {}, {"Hi"}).Add(201, {-2}).WithRoute(RouteBuilder().Step(4)).Build();
  door.pages.emplace_back();
  door.pageCount = 2;
  map.events.push_back(door);
  MapEvent chest(9);
  chest.name = "chest";
  map.events.push_back(chest);
  map.header.eventCount = 2;
  return map;
}

bool Parse(const std::vector<uint8_t>& image, MapData& map) {
  DataFileCursor cursor(image);
  return ParseMapFile(map, cursor, "Edit.mps");
}

TEST(MapFileRead, FreeFieldsSeedsAndIdMarks) {
  std::vector<uint8_t> body = MapFileBody(TwoEventMap());
  body[0] = 0x77;   // the format value is not checked
  body.back() = 0;  // nor the end marker
  ScrambleOptions plain;
  plain.zeroSeeds = true;
  plain.wrongCheck = true;  // zero seeds: no sum is compared
  for (const ScrambleOptions& options : {ScrambleOptions{}, plain}) {
    MapData map;
    map.idMarks[5] = 1;
    ASSERT_TRUE(Parse(WriteScrambledFile(DataFileKind::Map, body, options), map));
    EXPECT_EQ(std::accumulate(map.idMarks.begin(), map.idMarks.end(), 0), 0);
    ASSERT_EQ(map.events.size(), 2u);
    EXPECT_EQ(map.events[1].name, "chest");
  }
}

TEST(MapFileRead, EventOrderAndEmptyLayersPlainOrScrambled) {
  ScrambleOptions plain;
  plain.zeroSeeds = true;
  for (const ScrambleOptions& options : {ScrambleOptions{}, plain}) {
    for (int32_t width : {3, 0}) {
      MapData written;
      written.header.width = width;
      written.header.height = 2;
      for (auto [id, name] : {std::pair{5, "a"}, {2, "b"}, {9, "c"}, {5, "d"}}) {
        MapEvent event(id);
        event.name = name;
        written.events.push_back(event);
      }
      MapData read;
      ASSERT_TRUE(Parse(MapFileImage(written, options), read));
      std::string order;
      for (const MapEvent& event : read.events) order += std::to_string(event.id) + event.name + " ";
      EXPECT_EQ(order, "2b 5a 5d 9c ") << width << " " << options.zeroSeeds;
      EXPECT_EQ(read.layers[0].size(), static_cast<size_t>(width));
    }
  }
}

TEST(MapFileWrite, WrittenMapsReadBackAndCarryTheirSum) {
  GameFolder folder;
  std::filesystem::create_directories(folder.Root() / "Data" / "MapData");
  platform::ClearRecordedMessageBoxes();
  const MapData written = TwoEventMap();
  ASSERT_TRUE(WriteMapFile(written, "MapData\\Out.mps"));

  std::ifstream file(folder.Root() / "Data" / "MapData" / "Out.mps", std::ios::binary);
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(image.size(), 25u);
  std::vector<uint8_t> body(image.begin() + 20, image.end());
  ScrambleBytes(body.data(), body.size(), {image[0], image[3], image[9]});
  EXPECT_EQ(body, MapFileBody(written));
  if (image[0] != 0 || image[3] != 0 || image[9] != 0) {
    EXPECT_EQ(static_cast<uint8_t>(std::accumulate(body.begin(), body.end(), 0u)), image[2]);
  }

  MapData read;
  ASSERT_TRUE(LoadMapFile(read, "MapData\\Out.mps"));
  MapData expected = written;
  for (MapEvent& event : expected.events) {
    for (EventPage& page : event.pages) {
      page.commandCount = static_cast<int32_t>(page.commands.size());  // the count stored is the list's
      page.commands.back().SetCode(kEndCommandCode);
    }
  }
  EXPECT_EQ(read.header, expected.header);
  EXPECT_EQ(read.layers, expected.layers);
  EXPECT_EQ(read.events, expected.events);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());

  // A folder that is not there: nothing written.
  EXPECT_FALSE(WriteMapFile(written, "Nowhere\\Out.mps"));
}

// Map files run to megabytes: the scrambler and its sum over long, unaligned
// stretches agree with the file format's own generator.
TEST(MapFileWrite, LongBodiesScrambleAndSumAsTheFormatSays) {
  for (size_t length : {size_t{4099}, size_t{70001}}) {
    std::vector<uint8_t> plain(length);
    for (size_t i = 0; i < length; ++i) plain[i] = static_cast<uint8_t>(i * 131 + (i >> 7) * 7 + 0xFF);
    std::vector<uint8_t> bytes = plain;
    const uint8_t seeds[3] = {0x5A, 0x17, 0xC3};
    uint8_t check[3] = {0, 0, 0};
    ScrambleDataBody("x", bytes.data(), 3, length, 3, seeds, -1, check);
    EXPECT_EQ(check[0], static_cast<uint8_t>(std::accumulate(plain.begin() + 3, plain.end(), 0u))) << length;
    ScrambleBytes(bytes.data() + 3, length - 3, {0x5A, 0x17, 0xC3});
    EXPECT_EQ(bytes, plain) << length;
  }
}

TEST(MapEventEditing, NewEventsTakeTheLowestFreeId) {
  MapData map;
  map.events.clear();
  EXPECT_EQ(map.LowestFreeEventId(), 0);
  EXPECT_EQ(map.AddMapEvent(1, 1), 0);
  EXPECT_EQ(map.AddMapEvent(2, 2), 1);
  map.events.push_back(MapEvent(3));
  EXPECT_EQ(map.AddMapEvent(3, 3), 2);
  EXPECT_EQ(map.LowestFreeEventId(), 4);

  map.events[1].name = "copied";
  EXPECT_EQ(map.DuplicateMapEvent(1, 7, 8), 4);
  const MapEvent& copy = map.events[static_cast<size_t>(map.FindMapEventIndex(4))];
  EXPECT_EQ(copy.name, "copied");
  EXPECT_EQ(copy.x, 7);
  EXPECT_EQ(copy.y, 8);
  EXPECT_EQ(map.DuplicateMapEvent(99, 0, 0), -1);

  EXPECT_EQ(map.DeleteMapEvent(1), 1);
  EXPECT_EQ(map.DeleteMapEvent(1), -1);
  MapEvent pasted(77);
  pasted.name = "pasted";
  EXPECT_EQ(map.InsertMapEvent(pasted), 1);
  std::vector<int32_t> ids;
  for (const MapEvent& event : map.events) ids.push_back(event.id);
  EXPECT_EQ(ids, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(map.events[1].name, "pasted");
  EXPECT_EQ(map.header.eventCount, 5);
}

}  // namespace
