#include <gtest/gtest.h>

#include <vector>

#include "CharacterWorld.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"

namespace {

using HeroAndEvents = CharacterWorld;

int Var(int n) { return gVariableStore.ReadVariable(NormalVar(n)); }

// The first frame (from 1) at whose end the event asks to start; 0 never.
int FrameOfStartRequest(const MapEventCharacter& event, int frames) {
  for (int frame = 1; frame <= frames; ++frame) {
    RunFrameLogic();
    if (event.startRequest) return frame;
  }
  return 0;
}

TEST_F(HeroAndEvents, WalkOverTouchEventStartsOnArrival) {
  MapEventCharacter& event = AddEvent(1, 1, 0, 3);  // half cell 2, no graphic
  gInput.direction4 = 6;
  // Two half-cell steps of four frames: the hero stands on it after frame 8.
  EXPECT_EQ(FrameOfStartRequest(event, 12), 8);
  gInput.direction4 = 0;
  EXPECT_EQ(gHero.x, 2);
  RunFrameLogic();  // the main runner takes it in the next frame
  EXPECT_EQ(Var(1), 1);
}

TEST_F(HeroAndEvents, SolidTouchEventStartsOnTheStepIntoIt) {
  MapEventCharacter& event = AddEvent(1, 2, 0, 3, "npc.png");  // half cell 4
  gInput.direction4 = 6;
  // Steps to 1 and 2 (frames 1-8); the step toward 3 touches it in frame 9.
  EXPECT_EQ(FrameOfStartRequest(event, 12), 9);
  EXPECT_EQ(gHero.x, 2);
  EXPECT_EQ(gHero.direction, 6);
}

TEST_F(HeroAndEvents, ActionKeyReachesAcrossACounter) {
  MapEventCharacter& event = AddEvent(1, 2, 0, 0, "clerk.png");  // half cell 4
  gHero.FaceRight();
  gInput.actionPressed[0] = 1;
  EXPECT_EQ(FrameOfStartRequest(event, 1), 0);  // the front is empty floor
  SetCell(1, 0, kCounterTile);
  EXPECT_EQ(FrameOfStartRequest(event, 1), 1);
  gInput.actionPressed[0] = 0;
  RunFrameLogic();
  EXPECT_EQ(Var(1), 1);
}

TEST_F(HeroAndEvents, ActionKeyStartsTheEventUnderfootAndTheOneInFront) {
  MapEventCharacter& under = AddEvent(1, 0, 0, 0);
  MapEventCharacter& front = AddEvent(2, 1, 0, 0, "npc.png");
  gHero.FaceRight();
  gInput.actionPressed[0] = 1;
  RunFrameLogic();
  EXPECT_TRUE(under.startRequest);
  EXPECT_TRUE(front.startRequest);
}

TEST_F(HeroAndEvents, PartyFollowsTheTrailAtSpacingTwo) {
  gEventSystem.partyTrailDistance = 2;
  const std::vector<int> steps{6, 2, 6, 2, 6, 2};
  std::vector<int> member0;
  for (int direction : steps) {
    gHero.HeroStepInDirection(direction, 1);
    gHero.UpdateParty();
    member0.push_back(gHero.party[0].x * 10 + gHero.party[0].y);
  }
  // Member 0 repeats the hero's step of two steps ago.
  EXPECT_EQ(member0, (std::vector<int>{0, 0, 10, 11, 21, 22}));
  EXPECT_EQ(gHero.party[4].x, 0);  // ten steps behind: not moved yet
  EXPECT_EQ(gHero.trail.size(), 100u);
}

TEST_F(HeroAndEvents, FormationModeMovesEveryMemberWithTheHero) {
  gHero.formationMode = 1;
  gHero.HeroStepInDirection(2, 1);
  gHero.UpdateParty();
  for (const MapCharacter& member : gHero.party) EXPECT_EQ(member.y, 1);
  EXPECT_EQ(gHero.trail.size(), 99u);  // nothing added, one entry dropped
}

TEST_F(HeroAndEvents, PageSelectionAndEraseCases) {
  // Pages whose conditions fail: no page, no graphic, passes, never starts.
  MapEventCharacter& none = AddEvent(1, 3, 3, 0, "npc.png");
  none.record.pages[0].conditions.conditionFlags[0] = 0x21;  // variable 9 == 1
  none.record.pages[0].conditions.conditionLeft[0] = NormalVar(9);
  none.record.pages[0].conditions.conditionRight[0] = 1;
  none.pageIndex = -2;  // force a new choice
  none.SelectEventPage();
  EXPECT_EQ(none.pageIndex, -1);
  EXPECT_FALSE(none.HasGraphic());
  EXPECT_EQ(none.passThrough, 1);
  none.ReserveEventStart();
  EXPECT_EQ(none.startRequest, 0);

  // Start type 1 with nothing but the end command never asks to start.
  MapEventCharacter& idle = AddEvent(2, 4, 4, 1, "", {MakeCommand(kEndCommandCode)});
  EXPECT_EQ(idle.startRequest, 0);

  // A page change keeps a started route and resets the step size.
  MapEventCharacter& walker = AddEvent(3, 5, 5, 0, "w.png");
  MoveSettings started;
  started.route = {RouteCommand{47, {100}, ""}, RouteCommand{8, {}, ""}};
  walker.StartMoveRoute(started);
  walker.stepSize = 2;
  walker.record.pages.push_back(walker.record.pages[0]);
  walker.record.pages[1].moveSettings.route = {RouteCommand{11, {}, ""}};
  walker.SelectEventPage();
  EXPECT_EQ(walker.pageIndex, 1);
  EXPECT_EQ(walker.routeRunning, 1);
  EXPECT_EQ(walker.route.route, started.route);
  EXPECT_EQ(walker.savedRoute.route, walker.record.pages[1].moveSettings.route);
  EXPECT_EQ(walker.stepSize, 1);

  // An erase of 30 ticks fades to 0 over 30 frames; the next frame drops the page.
  MapEventCharacter& fading = AddEvent(4, 6, 6, 0, "ghost.png");
  fading.StartEventErase(30);
  std::vector<int> opacities;
  for (int i = 0; i < 30; ++i) {
    fading.UpdateMapEvent();
    opacities.push_back(fading.opacity);
  }
  EXPECT_EQ(opacities.front(), 255 * 29 / 30);
  EXPECT_EQ(opacities.back(), 0);
  EXPECT_EQ(fading.pageIndex, 0);
  fading.UpdateMapEvent();
  EXPECT_EQ(fading.erased, 1);
  EXPECT_EQ(fading.pageIndex, -1);
  fading.ReserveEventStart();
  EXPECT_EQ(fading.startRequest, 0);
}

TEST_F(HeroAndEvents, EventTouchStartsUnderfootWithoutGraphicAndByContactWithOne) {
  MapEventCharacter& plate = AddEvent(1, 2, 0, 4);
  EXPECT_EQ(plate.startRequest, 0);
  gHero.x = 4;
  plate.UpdateMapEvent();
  EXPECT_EQ(plate.startRequest, 1);

  MapEventCharacter& guard = AddEvent(2, 4, 4, 4, "guard.png");
  gHero.x = 8;
  gHero.y = 9;
  guard.EventStepInDirection(2, 1);  // blocked by the hero below: contact
  EXPECT_EQ(guard.startRequest, 1);
  EXPECT_EQ(guard.y, 8);
}

// An event whose page route is `route` (move type 1, frequency 0).
MapEventCharacter& RouteEvent(int id, std::vector<RouteCommand> route, uint8_t flags) {
  MapEventCharacter& event = CharacterWorld::AddEvent(id, 1, 1, 0, "r.png");
  MoveSettings& settings = event.record.pages[0].moveSettings;
  settings.moveType = 1;
  settings.moveFrequency = 0;
  settings.moveSpeed = 6;  // a half cell in one frame
  settings.routeFlags = flags;
  settings.route = std::move(route);
  event.pageIndex = -2;
  event.SelectEventPage();
  return event;
}

TEST_F(HeroAndEvents, RouteWaitHoldsForSixtyFrames) {
  MapEventCharacter& event = RouteEvent(1, {RouteCommand{47, {60}, ""}, RouteCommand{11, {}, ""}}, 0);
  event.UpdateMapEvent();
  int frames = 1;
  while (event.direction != 8 && frames < 100) {
    event.UpdateMapEvent();
    ++frames;
  }
  // The wait is taken in frame 1; the facing comes 60 frames later.
  EXPECT_EQ(frames, 61);
}

TEST_F(HeroAndEvents, BlockedStepRetriesUnlessSkipped) {
  SetCell(2, 1, kWallTile);
  const std::vector<RouteCommand> route{RouteCommand{2, {}, ""}, RouteCommand{11, {}, ""}};
  MapEventCharacter& retrying = RouteEvent(1, route, 0);
  for (int i = 0; i < 5; ++i) retrying.UpdateMapEvent();
  EXPECT_EQ(retrying.routePosition, 0);
  EXPECT_EQ(retrying.direction, 6);  // facing the wall
  MapEventCharacter& skipping = RouteEvent(2, route, 2);
  for (int i = 0; i < 5; ++i) skipping.UpdateMapEvent();
  EXPECT_EQ(skipping.direction, 8);
}

TEST_F(HeroAndEvents, RepeatingRouteStartsOverAndSettingsRunInOneCall) {
  MapEventCharacter& event = RouteEvent(1, {RouteCommand{22, {}, ""}}, 1);
  std::vector<int> facings;
  for (int i = 0; i < 8; ++i) {
    event.RunMoveRoute();
    facings.push_back(event.direction);
  }
  // One turn per call, the end of the route taking a call of its own.
  EXPECT_EQ(facings, (std::vector<int>{4, 4, 8, 8, 6, 6, 2, 2}));

  MapCharacter& hero = gHero;
  MoveSettings settings;
  settings.route = {RouteCommand{29, {5}, ""}, RouteCommand{45, {300}, ""}, RouteCommand{32, {}, ""}};
  hero.StartMoveRoute(settings);  // runs at once, to its end
  EXPECT_EQ(hero.moveSpeed, 5);
  EXPECT_EQ(hero.opacity, 255);
  EXPECT_EQ(hero.stepAnimation, 1);
  EXPECT_EQ(hero.routeRunning, 0);
  settings.route = {RouteCommand{45, {-5}, ""}};
  hero.StartMoveRoute(settings);
  EXPECT_EQ(hero.opacity, 0);
}

TEST_F(HeroAndEvents, StartedRouteHandsBackToThePageRoute) {
  MapEventCharacter& event =
      RouteEvent(1, {RouteCommand{8, {}, ""}, RouteCommand{9, {}, ""}, RouteCommand{10, {}, ""}}, 0);
  event.RunMoveRoute();
  EXPECT_EQ(event.routePosition, 1);
  MoveSettings started;
  started.route = {RouteCommand{11, {}, ""}};
  event.StartMoveRoute(started);
  EXPECT_EQ(event.direction, 8);
  event.UpdateCharacterMotion();  // ends the started route
  EXPECT_EQ(event.routeRunning, 0);
  EXPECT_EQ(event.routePosition, 1);
  event.RunMoveRoute();
  EXPECT_EQ(event.direction, 4);  // the page route goes on where it stopped

  // An empty started route hands back in the same call.
  event.StartMoveRoute(MoveSettings());
  EXPECT_EQ(event.routeRunning, 0);
  EXPECT_EQ(event.routePosition, 2);
}

TEST_F(HeroAndEvents, RouteOperandsAreRebasedForTheirCharacter) {
  MapEventCharacter& event = RouteEvent(12, {RouteCommand{28, {1100003, 77}, ""}}, 0);
  event.RunMoveRoute();
  EXPECT_EQ(gVariableStore.ReadVariable(1000123), 77);
  EXPECT_EQ(gCurrentMap.pageRefresh, 1);
  ClearRecordedNotices();
  MoveSettings common;
  common.route = {RouteCommand{47, {1600001}, ""}};
  event.StartMoveRoute(common);
  EXPECT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(event.routeWait, 0);  // the refused operand reads as 0
}

TEST_F(HeroAndEvents, StepTowardATargetThatIsNotThereTakesNoStep) {
  MapEventCharacter& event = RouteEvent(1, {RouteCommand{53, {99}, ""}}, 0);
  event.RunMoveRoute();
  EXPECT_EQ(event.x, 2);
  EXPECT_EQ(event.y, 2);
  MoveSettings toHero;
  toHero.route = {RouteCommand{53, {-2}, ""}};
  event.StartMoveRoute(toHero);
  EXPECT_NE(event.x * 100 + event.y, 202);
}

}  // namespace

namespace {

TEST_F(HeroAndEvents, CopiedParallelEventRunsItsOwnCommands) {
  std::vector<EventCommand> commands{MakeCommand(121, {NormalVar(1), 1, 0, 0x100}), MakeCommand(180, {5}),
                                     MakeCommand(121, {NormalVar(1), 10, 0, 0x100})};
  std::vector<MapEventCharacter> events;
  {
    MapEventCharacter& original = AddEvent(1, 2, 2, 2, "", commands);
    original.UpdateMapEvent();  // mid-run: waiting on its second line
    EXPECT_EQ(Var(1), 1);
    events.push_back(original);
    gCurrentMap.eventCharacters.clear();  // the original is gone
  }
  events[0].UpdateMapEvent();
  EXPECT_EQ(Var(1), 2);  // the copy starts its page from the first line
  for (int i = 0; i < 8; ++i) events[0].UpdateMapEvent();
  EXPECT_GE(Var(1), 12);
}

}  // namespace
