#include <gtest/gtest.h>

#include <vector>

#include "RunnerFixture.h"
#include "gamedata/Database.h"
#include "interpreter/MapCommands.h"

namespace runner_test {
namespace {

class MapCommands : public RunnerTest {
 protected:
  void SetUp() override {
    RunnerTest::SetUp();
    gTileSize = 32;
    MapData& map = gCurrentMap.mapData;
    map.header.width = 6;
    map.header.height = 5;
    map.ResizeMapLayers(true, 0, 0);
    gCurrentMap.tileFlags.assign(12, 0);
    gCurrentMap.savedTileFlags = gCurrentMap.tileFlags;
  }
  int Tile(int layer, int x, int y) const { return gCurrentMap.mapData.layers[layer][x][y]; }
};

TEST_F(MapCommands, PaintedAutotileBlockJoinsItsEdges) {
  Start({Command(242, {1, 1, 1, 3, 3, 2})});
  runner_.RunEventRunner();
  EXPECT_EQ(Tile(0, 2, 2), 304444);  // centre
  EXPECT_EQ(Tile(0, 1, 1), 300214);  // top-left corner
  EXPECT_EQ(Tile(0, 2, 1), 302244);  // middle of the top edge
  EXPECT_EQ(Tile(0, 3, 3), 304120);  // bottom-right corner
  EXPECT_EQ(Tile(0, 0, 0), 100000);  // the empty cells around stay
  EXPECT_EQ(Tile(0, 4, 4), 100000);
}

TEST_F(MapCommands, PaintingSkipsOutOfRangeOperandsAndClipsAtTheEdge) {
  const std::vector<std::vector<int32_t>> skipped{
      {0, 1, 1, 1, 1, 9},   // layer 0
      {4, 1, 1, 1, 1, 9},   // layer 4
      {1, 6, 0, 1, 1, 9},   // x past the map
      {1, 0, -1, 1, 1, 9},  // y before it
      {1, 0, 0, 1, 1, 12},  // tile past the flag list
  };
  for (const auto& p : skipped) {
    Start({Command(242, {p[0], p[1], p[2], p[3], p[4], p[5]})});
    runner_.RunEventRunner();
  }
  for (int x = 0; x < 6; ++x) EXPECT_EQ(Tile(0, x, 0), 100000) << x;
  Start({Command(242, {3, 4, 3, 10, 10, 9})});  // tile-set cell 1, clipped to 2 x 2
  runner_.RunEventRunner();
  EXPECT_EQ(Tile(2, 5, 4), 1);
  EXPECT_EQ(Tile(2, 3, 3), 100000);
}

TEST_F(MapCommands, QuadrantCodes) {
  std::array<bool, 9> all{};
  all.fill(true);
  EXPECT_EQ(AutotileQuadrantCodes(all), 4444);
  std::array<bool, 9> alone{};
  alone[4] = true;
  EXPECT_EQ(AutotileQuadrantCodes(alone), 0);
}

TEST_F(MapCommands, TransferWaitsWhileAWindowIsOpen) {
  gGameSystem.windowOpen = 1;
  Start({Command(130, {-1, 3, 4, 7, 0}), AddVar(1, 1)});
  for (int i = 0; i < 3; ++i) runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.transferPending, 0);
  EXPECT_EQ(Variable(1), 0);
  gGameSystem.windowOpen = 0;
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.transferPending, 1);
  EXPECT_EQ(gGameSystem.transferMapId, 7);
  EXPECT_EQ(gGameSystem.transferX, 6);  // cells to half cells
  EXPECT_EQ(gGameSystem.transferY, 8);
  EXPECT_EQ(Variable(1), 0);  // the script goes on in the next frame
  runner_.RunEventRunner();
  EXPECT_EQ(Variable(1), 1);
}

TEST_F(MapCommands, TransferTargets) {
  MapEvent record(4);
  gCurrentMap.mapData.events.push_back(record);
  gCurrentMap.eventCharacters.emplace_back(gCurrentMap.mapId, record);
  // Raw -1 is the hero, in half cells with option bit 0, on this map for -1.
  Start({Command(130, {-1, 3, 4, -1, 1})});
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.transferMapId, 1);
  EXPECT_EQ(gGameSystem.transferX, 3);
  gGameSystem.transferPending = 0;
  // A variable holding -1 names the running event: placed at once.
  SetVariable(5, -1);
  Start({Command(130, {Var(5), 2, 3, 9, 0})});
  runner_.mapEventId = 4;
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.transferPending, 0);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].x, 4);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].y, 6);
  // A target of -1,000 or below does nothing; a missing character neither.
  SetVariable(5, -1000);
  Start({Command(130, {Var(5), 1, 1, 0, 0}), Command(130, {40, 1, 1, 0, 0})});
  runner_.RunEventRunner();
  runner_.RunEventRunner();
  EXPECT_EQ(gGameSystem.transferPending, 0);
}

TEST_F(MapCommands, MoveRouteStartsOnTheCharacterAndNothingWithoutARoute) {
  EventCommand withRoute = Command(201, {-2});
  MoveSettings route;
  route.route = {RouteCommand{11, {}, ""}};
  withRoute.routes.push_back(route);
  Start({Command(201, {-2}), withRoute});
  runner_.RunEventRunner();
  EXPECT_EQ(gHero.direction, 8);
  EXPECT_EQ(gHero.routeRunning, 1);  // its end is seen by the next call
}

TEST_F(MapCommands, MovementDuringEventsAndTileFlags) {
  Start({Command(230)});
  runner_.RunEventRunner();
  EXPECT_EQ(gEventSystem.moveDuringEvents, 1);
  Start({Command(231)});
  runner_.RunEventRunner();
  EXPECT_EQ(gEventSystem.moveDuringEvents, 0);

  Start({Command(240, {9, 0x8F})});
  runner_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.tileFlags[9], 0x8F);
  EXPECT_EQ(gGameSystem.tileFlagsChanged, 1);
  // Only the raw parameter restores every flag; a variable holding it does not.
  SetVariable(3, -1000000);
  Start({Command(240, {Var(3), 0})});
  runner_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.tileFlags[9], 0x8F);
  Start({Command(240, {-1000000, 0})});
  runner_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.tileFlags[9], 0);
}

TEST_F(MapCommands, ChangeTilesetTakesItsImagesFlagsAndTags) {
  gCurrentMap.tilesetList.tilesets.resize(2);
  Tileset& second = gCurrentMap.tilesetList.tilesets[1];
  second.imageNames[0] = "base.png";
  second.imageNames[7] = "water.png";
  second.tileFlags = {1, 2, 3};
  second.tileTags = {4, 5};
  Start({Command(241, {1}), Command(241, {2})});
  runner_.RunEventRunner();
  EXPECT_EQ(gCurrentMap.tilesetImageName, "base.png");
  EXPECT_EQ(gCurrentMap.autotileImageNames[6], "water.png");
  EXPECT_EQ(gCurrentMap.tileFlags, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(gCurrentMap.savedTileFlags, gCurrentMap.tileFlags);
  EXPECT_EQ(gCurrentMap.tileTags, (std::vector<uint8_t>{4, 5}));
  EXPECT_EQ(gGameSystem.tilesetChanged, 1);
}

}  // namespace
}  // namespace runner_test
