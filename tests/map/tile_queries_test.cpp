#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/GameInfo.h"
#include "map/CurrentMap.h"

namespace {

// Tile indexes of the test tile set: 8 + n is cell n of the tileset image.
enum Tile : int {
  kFloor = 8,
  kBottom = 9,           // 0x1
  kLeft = 10,            // 0x2
  kRight = 11,           // 0x4
  kTop = 12,             // 0x8
  kClosed = 13,          // 0xF
  kQuarterTL = 14,       // 0x20 | 0x8
  kOverBottom = 15,      // 0x10 | 0x1
  kOverPlain = 16,       // 0x10
  kFirstOverPlain = 17,  // 0x100
  kUnlisted = 40,        // past the flag list
};

struct Placed {
  int layer;
  int cellX;
  int cellY;
  int tile;
};

// A 3 x 2 map whose layer 0 is floor, with tiles placed on top.
void MakeMap(const std::vector<Placed>& placed, bool wholeCells = false, bool loopX = false, bool loopY = false) {
  gCurrentMap = CurrentMap();
  gCurrentMap.mapId = 1;
  MapData& map = gCurrentMap.mapData;
  map.header.width = 3;
  map.header.height = 2;
  map.ResizeMapLayers(true, 0, 0);
  for (auto& column : map.layers[0]) column.assign(2, 0);
  for (const Placed& p : placed) map.layers[p.layer][p.cellX][p.cellY] = p.tile - 8;
  gCurrentMap.tileFlags = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1, 0x2, 0x4, 0x8, 0xF, 0x28, 0x11, 0x10, 0x100};
  gCurrentMap.loopX = loopX;
  gCurrentMap.loopY = loopY;
  gGameInfo.settings.assign(18, 0);
  gGameInfo.settings[8] = wholeCells ? 1 : 0;
}

struct PassCase {
  std::string name;
  std::vector<Placed> placed;
  int x, y, side, step;
  bool wholeCells, loopX, loopY;
  bool passable;
};

TEST(TilePassable, FlagsEdgesAndLoops) {
  const std::vector<PassCase> cases = {
      {"open floor", {}, 0, 0, 2, 1, false, false, false, true},
      // Bottom side: half-cell movement closes it only for feet in the lower half.
      {"bottom, feet in lower half", {{1, 0, 0, kBottom}}, 0, 0, 2, 1, false, false, false, false},
      {"bottom, feet in upper half", {{1, 0, 0, kBottom}}, 0, -1, 2, 1, false, false, false, true},
      {"bottom, whole cells", {{1, 0, 0, kBottom}}, 0, -1, 2, 1, true, false, false, false},
      {"bottom, other side", {{1, 0, 0, kBottom}}, 0, 0, 6, 1, false, false, false, true},
      // Left side of cell 1 (half columns 2 and 3).
      {"left, even x", {{1, 1, 0, kLeft}}, 2, 0, 4, 1, false, false, false, false},
      {"left, odd x right column", {{1, 1, 0, kLeft}}, 1, 0, 4, 1, false, false, false, false},
      {"left, odd x left column", {{1, 1, 0, kLeft}}, 3, 0, 4, 1, false, false, false, true},
      {"left, odd x, whole cells", {{1, 1, 0, kLeft}}, 3, 0, 4, 1, true, false, false, false},
      // Right side of cell 0.
      {"right, even x", {{1, 0, 0, kRight}}, 0, 0, 6, 1, false, false, false, false},
      {"right, odd x", {{1, 0, 0, kRight}}, 1, 0, 6, 1, false, false, false, false},
      {"right, right column only", {{1, 0, 0, kRight}}, -1, 0, 6, 1, false, true, false, true},
      {"right, right column, whole cells", {{1, 0, 0, kRight}}, -1, 0, 6, 1, true, true, false, false},
      // Top side: closes for feet in the upper half.
      {"top, feet in upper half", {{1, 0, 0, kTop}}, 0, -1, 8, 1, false, false, false, false},
      {"top, feet in lower half", {{1, 0, 0, kTop}}, 0, 0, 8, 1, false, false, false, true},
      {"top, whole cells", {{1, 0, 0, kTop}}, 0, 0, 8, 1, true, false, false, false},
      // Fully closed and other sides.
      {"closed, side 0", {{1, 0, 0, kClosed}}, 0, 0, 0, 1, false, false, false, false},
      {"one side closed, side 0", {{1, 0, 0, kBottom}}, 0, 0, 0, 1, false, false, false, true},
      // Quarter mode, top-left quarter closed.
      {"quarter, on it", {{1, 0, 0, kQuarterTL}}, 0, -1, 2, 1, false, false, false, false},
      {"quarter, on it, side 0", {{1, 0, 0, kQuarterTL}}, 0, -1, 0, 1, false, false, false, false},
      {"quarter, beside it", {{1, 0, 0, kQuarterTL}}, 1, -1, 4, 1, false, false, false, true},
      {"quarter, below it", {{1, 0, 0, kQuarterTL}}, 0, 0, 8, 1, false, false, false, true},
      {"quarter, step 2", {{1, 0, 0, kQuarterTL}}, 0, 0, 8, 2, false, false, false, false},
      // Priority tiles let the layer below speak too.
      {"priority, own bottom", {{2, 0, 0, kOverBottom}}, 0, 0, 2, 1, false, false, false, false},
      {"priority, plain below", {{2, 0, 0, kOverBottom}, {1, 0, 0, kFloor}}, 0, 0, 6, 1, false, false, false, true},
      {"priority, closed below", {{2, 0, 0, kOverPlain}, {1, 0, 0, kRight}}, 0, 0, 6, 1, false, false, false, false},
      {"first priority, closed below",
       {{2, 0, 0, kFirstOverPlain}, {1, 0, 0, kRight}},
       0,
       0,
       6,
       1,
       false,
       false,
       false,
       false},
      {"plain top hides the layer below",
       {{2, 0, 0, kFloor}, {1, 0, 0, kRight}},
       0,
       0,
       6,
       1,
       false,
       false,
       false,
       true},
      {"empty upper layers", {{0, 0, 0, kClosed}}, 0, 0, 2, 1, false, false, false, false},
      {"unlisted tile has no flags", {{1, 0, 0, kUnlisted}}, 0, 0, 2, 1, false, false, false, true},
      // Edges: x reaches 2W - 2, the feet row 2H - 1.
      {"last column", {}, 4, 0, 6, 1, false, false, false, true},
      {"past last column", {}, 5, 0, 6, 1, false, false, false, false},
      {"past last column, looping x", {}, 5, 0, 6, 1, false, true, false, true},
      {"left of the map", {}, -1, 0, 4, 1, false, false, false, false},
      {"left of the map, looping x", {}, -1, 0, 4, 1, false, true, false, true},
      {"feet on last row", {}, 0, 2, 2, 1, false, false, false, true},
      {"feet below the map", {}, 0, 3, 2, 1, false, false, false, false},
      {"feet below the map, looping y", {}, 0, 3, 2, 1, false, false, true, true},
      {"feet above the map", {}, 0, -2, 8, 1, false, false, false, false},
      {"feet above the map, looping y", {}, 0, -2, 8, 1, false, true, true, true},
  };
  for (const PassCase& c : cases) {
    MakeMap(c.placed, c.wholeCells, c.loopX, c.loopY);
    EXPECT_EQ(gCurrentMap.TilePassable(c.x, c.y, c.side, -1, c.step), c.passable) << c.name;
    EXPECT_EQ(TilePassable(c.x, c.y, c.side, -1, c.step), c.passable ? 1 : 0) << c.name;
  }
}

TEST(TilePassable, AllEmptyLayersAskTheEmptyTile) {
  MakeMap({});
  for (auto& column : gCurrentMap.mapData.layers[0]) column.assign(2, kEmptyTile);
  EXPECT_TRUE(gCurrentMap.TilePassable(0, 0, 2, -1, 1));
  gCurrentMap.tileFlags[0] = 0xF;
  EXPECT_FALSE(gCurrentMap.TilePassable(0, 0, 2, -1, 1));
}

TEST(MapTile, WrapsIntoTheMapAndAnswersTheTileIndex) {
  MakeMap({{1, 2, 1, kClosed}, {2, 0, 0, kFloor}});
  gCurrentMap.mapData.layers[1][0][0] = 300000;  // autotile 2
  EXPECT_EQ(gCurrentMap.GetMapTile(0, 0, 0), kFloor);
  EXPECT_EQ(gCurrentMap.GetMapTile(0, 0, 1), 2);
  EXPECT_EQ(gCurrentMap.GetMapTile(2, 0, 1), 0);  // stored 100000: the empty tile
  // Every coordinate wraps, looping or not.
  EXPECT_EQ(gCurrentMap.GetMapTile(-1, -1, 1), kClosed);
  EXPECT_EQ(gCurrentMap.GetMapTile(6, 4, 2), kFloor);
  EXPECT_EQ(gCurrentMap.GetMapTile(0, 0, 3), -1);
  EXPECT_FALSE(gCurrentMap.IsInsideMap(-1, 0));
  EXPECT_FALSE(gCurrentMap.IsInsideMap(5, 0));
  EXPECT_TRUE(gCurrentMap.IsInsideMap(0, 3));
  EXPECT_FALSE(gCurrentMap.IsInsideMap(0, 4));
}

TEST(MapTile, MapsWithoutCellsAnswerWithoutDividing) {
  for (auto [width, height] : {std::pair{0, 2}, {3, 0}, {0, 0}}) {
    MakeMap({}, false, true, true);
    gCurrentMap.mapData.header.width = width;
    gCurrentMap.mapData.header.height = height;
    EXPECT_EQ(GetMapTile(0, 0, 0), -1);
    EXPECT_FALSE(gCurrentMap.IsInsideMap(0, 0));
    EXPECT_EQ(TilePassable(0, 0, 2, -1, 1), 0);
    EXPECT_EQ(GetCellTileTag(0, 0), 0);
    EXPECT_FALSE(gCurrentMap.IsCounterCell(0, 0));
  }
}

TEST(MapTile, ExtremeCoordinatesStayInTheMap) {
  MakeMap({}, false, true, true);
  for (int v : {INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(gCurrentMap.GetMapTile(v, v, 0), kFloor);
    EXPECT_TRUE(gCurrentMap.TilePassable(v, v, 2, -1, 1));
    EXPECT_FALSE(gCurrentMap.IsHalfHiddenCell(v, v));
    EXPECT_EQ(gCurrentMap.GetCellTileTag(v, v), 0);
  }
}

TEST(MapTile, TagsHalfHiddenGroundAndCounters) {
  MakeMap({{2, 0, 0, kFloor}, {2, 1, 0, kBottom}, {1, 0, 0, kLeft}, {1, 1, 0, kRight}});
  gCurrentMap.tileTags.assign(18, 0);
  gCurrentMap.tileTags[kLeft] = 3;
  gCurrentMap.tileTags[kRight] = 7;
  // Layer 2 has no tags here: layer 1 answers with the larger tag.
  EXPECT_EQ(gCurrentMap.GetCellTileTag(1, -1), 7);
  EXPECT_EQ(gCurrentMap.GetCellTileTag(0, -1), 3);
  gCurrentMap.tileTags[kBottom] = 5;
  EXPECT_EQ(gCurrentMap.GetCellTileTag(1, -1), 5);
  EXPECT_EQ(gCurrentMap.GetCellTileTag(4, 0), 0);

  gCurrentMap.tileFlags[kLeft] |= 0x40;
  EXPECT_FALSE(gCurrentMap.IsHalfHiddenCell(1, -1));  // only one column in bushes
  gCurrentMap.tileFlags[kRight] |= 0x40;
  EXPECT_TRUE(gCurrentMap.IsHalfHiddenCell(1, -1));

  gCurrentMap.tileFlags[kBottom] |= 0x80;
  EXPECT_TRUE(gCurrentMap.IsCounterCell(3, 0));
  EXPECT_FALSE(gCurrentMap.IsCounterCell(5, 0));
  gCurrentMap.mapId = -1;
  EXPECT_FALSE(gCurrentMap.IsCounterCell(3, 0));
  EXPECT_FALSE(gCurrentMap.IsHalfHiddenCell(1, -1));
  EXPECT_EQ(gCurrentMap.GetCellTileTag(1, -1), 0);
}

}  // namespace
