#include <gtest/gtest.h>

#include <vector>

#include "map/MapEventRunners.h"
#include "shell/ShellServices.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int V = 2000000;

int QueryFlags(int kind, int asg = 0, int sub = 0) { return (kind << 12) | (asg << 8) | (sub << 16); }
EventCommand Query(int target, int flags, int a, int b) { return MakeCommand(124, {target, flags, a, b}); }

class VariableQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gCurrentMap.mapData = MapData();
    gInput = InputState();
    gTileSize = 32;
    gCurrentMap.mapData.header.width = 20;
    gCurrentMap.mapData.header.height = 15;
    MapEventCharacter event;
    event.id = 3;
    event.x = 5;  // half cells
    event.y = 3;
    event.fineX = 2 * 32 * 5;
    event.fineY = 2 * 32 * 3;
    event.pageIndex = 1;
    event.StartType = 2;
    gCurrentMap.eventCharacters.push_back(event);
    MapEvent data(3);
    data.pages.resize(2);
    data.pages[1].pageOptions = {7, 8, 9};
    gCurrentMap.mapData.events.push_back(data);
    gHero.x = 7;
    gHero.party.clear();
  }
  void Run(std::vector<EventCommand> commands) {
    EventRunner runner;
    runner.StartEventRunner(0, 0);
    runner.SetupOwnEventCall(Terminated(std::move(commands)), 3, -1);
    RunUntilIdle(runner);
  }
  int Var(int n) { return gVariableStore.variableSets[0][static_cast<size_t>(n)]; }
};

TEST_F(VariableQuery, CharacterFields) {
  gVariableStore.variableSets[0][9] = 5;
  Run({Query(V + 1, QueryFlags(1), -2, 0), Query(V + 2, QueryFlags(1), 3, 2), Query(V + 3, QueryFlags(1), -1, 12),
       Query(V + 4, QueryFlags(1), 3, 13), Query(V + 5, QueryFlags(1), 3, 15), Query(V + 6, QueryFlags(1), -2, 12),
       Query(V + 7, QueryFlags(1), 42, 0), Query(V + 9, QueryFlags(1, 1), 42, 0), Query(V + 10, QueryFlags(1), 3, 8),
       Query(V + 11, QueryFlags(1), -3, 0)});
  EXPECT_EQ(Var(1), 3);  // half-cell x 7 is cell 3
  EXPECT_EQ(Var(2), 5);
  EXPECT_EQ(Var(3), 2);  // page 1 + 1 of the running event
  EXPECT_EQ(Var(4), 2);
  EXPECT_EQ(Var(5), 9);
  EXPECT_EQ(Var(6), 0);   // the hero has no page
  EXPECT_EQ(Var(7), -1);  // no such event
  EXPECT_EQ(Var(9), 4);   // += -1
  EXPECT_EQ(Var(10), 7);
  EXPECT_EQ(Var(11), -1);  // no party member
}

TEST_F(VariableQuery, MapPlacesSystemValuesAndTargets) {
  gCurrentMap.mapData.header.width = 20;
  gCurrentMap.mapData.header.height = 15;
  gCurrentMap.mapData.ResizeMapLayers(true, 0, 0);
  gCurrentMap.mapData.layers[0][2][1] = 5;
  gInput.mouseLeftHeld = 1;
  gInput.mouseRightPressed = 1;
  gVariableStore.variableSets[0][20] = 30;
  Run({Query(V + 1, QueryFlags(2, 0, 1), 2, 1), Query(V + 2, QueryFlags(2, 0, 1) | 0x20, 5, 3),
       Query(V + 3, QueryFlags(2, 0, 1), 9, 9), Query(V + 4, QueryFlags(2, 0, 4), 2, 1),
       Query(V + 5, QueryFlags(3), 1, 0), Query(V + 6, QueryFlags(3), 3, 0), Query(V + 7, QueryFlags(3), 7, 0),
       Query(V + 8, QueryFlags(3), 8, 0), Query(V + 9, QueryFlags(3), 14, 0), Query(V + 10, QueryFlags(3), 15, 0),
       Query(V + 20, QueryFlags(3) | 0x10, 16, 0), Query(V + 11, QueryFlags(4), 5, 0),
       Query(V + 12, QueryFlags(1) | 0x1, 3, 10), Query(V + 13, QueryFlags(0), 0, 0)});
  EXPECT_EQ(Var(1), 3);  // cell (2, 1) holds the event at half cells (5, 3)
  EXPECT_EQ(Var(2), 3);
  EXPECT_EQ(Var(3), -1);
  EXPECT_EQ(Var(4), 13);  // tile index: tileset cell 5 is index 13
  EXPECT_EQ(Var(5), -1);  // no BGM
  EXPECT_EQ(Var(6), 0);
  EXPECT_EQ(Var(7), 1);
  EXPECT_EQ(Var(8), 2);
  EXPECT_EQ(Var(9), 3);
  EXPECT_EQ(Var(10), 20);
  EXPECT_EQ(Var(30), 15);  // indirect: variable 20 named variable 30
  EXPECT_EQ(Var(11), -1);  // no picture 5
  EXPECT_EQ(Var(12), 3);
  EXPECT_EQ(Var(13), 0);
}

TEST_F(VariableQuery, EventUnderTheMouse) {
  gInput.mouseX = 5 * 16 + 8;  // inside the event's tile at half cells (5, 3)
  gInput.mouseY = 3 * 16 + 20;
  Run({Query(V + 1, QueryFlags(3), 13, 0)});
  EXPECT_EQ(Var(1), 3);
  // A tall event reaches half a tile higher: a point 4 pixels into its tile.
  gInput.mouseY = 3 * 16 + 4;
  Run({Query(V + 1, QueryFlags(3), 13, 0)});
  EXPECT_EQ(Var(1), -1);
  gCurrentMap.eventCharacters[0].tall = 1;
  Run({Query(V + 1, QueryFlags(3), 13, 0)});
  EXPECT_EQ(Var(1), 3);
  // The fine position counts, not the cell: mid-step the event is elsewhere.
  gCurrentMap.eventCharacters[0].fineX += 4 * 20;
  Run({Query(V + 1, QueryFlags(3), 13, 0)});
  EXPECT_EQ(Var(1), -1);
  // A map without cells answers -1 instead of dividing by zero.
  gCurrentMap.mapData.header.width = 0;
  Run({Query(V + 1, QueryFlags(3), 13, 0)});
  EXPECT_EQ(Var(1), -1);
}

TEST_F(VariableQuery, NoKindStoresNothingAndAsksNoRefresh) {
  gVariableStore.variableSets[0][1] = 4;
  EventRunner runner;
  runner.StartEventRunner(0, 0);
  runner.SetupOwnEventCall(Terminated({Query(V + 1, QueryFlags(0, 1), 0, 0)}), 3, -1);
  gCurrentMap.pageRefresh = 0;
  runner.DispatchEventCommand();
  EXPECT_EQ(gCurrentMap.pageRefresh, 0);
  EXPECT_EQ(Var(1), 4);
}

}  // namespace
