#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CharacterWorld.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/SaveBuffer.h"
#include "shell/NoticeBox.h"

namespace {

using CharacterMotion = CharacterWorld;

struct Frame {
  int x, fineX, pattern;
};

TEST_F(CharacterMotion, HalfCellStepTakesFourFramesAtSpeedFour) {
  MapCharacter walker;
  walker.ConstructMapCharacter();
  walker.id = 50;
  ASSERT_TRUE(walker.StepRight(1));
  std::vector<Frame> trace;
  for (int i = 0; i < 5; ++i) {
    walker.UpdateCharacterMotion();
    trace.push_back({walker.x, walker.fineX, walker.pattern});
  }
  const std::vector<int> fine{16, 32, 48, 64, 64};
  for (size_t i = 0; i < trace.size(); ++i) {
    EXPECT_EQ(trace[i].x, 1);
    EXPECT_EQ(trace[i].fineX, fine[i]) << i;
    EXPECT_EQ(trace[i].pattern, 1) << i;  // threshold 10 not reached
  }
  EXPECT_FALSE(walker.UpdateMovingFlag());
  EXPECT_EQ(walker.fineY, 0);
}

TEST_F(CharacterMotion, JumpOfTwelveTicksFollowsItsArcAndLands) {
  MapCharacter jumper;
  jumper.ConstructMapCharacter();
  jumper.id = 50;
  ASSERT_TRUE(jumper.JumpBy(2, 0));
  EXPECT_EQ(jumper.x, 2);
  EXPECT_EQ(jumper.jumpHalfLength, 6);
  EXPECT_EQ(jumper.jumpTicksLeft, 12);
  EXPECT_EQ(jumper.direction, 6);
  const std::vector<int> fineX{10, 20, 30, 40, 51, 62, 73, 84, 95, 106, 117, 128};
  const std::vector<int> arc{6, 12, 16, 19, 21, 21, 21, 19, 16, 12, 6, 0};
  for (size_t i = 0; i < fineX.size(); ++i) {
    jumper.UpdateCharacterMotion();
    EXPECT_EQ(jumper.fineX, fineX[i]) << i;
    EXPECT_EQ(jumper.GetCharacterScreenBaseY(false) - jumper.GetCharacterScreenY(false), arc[i]) << i;
  }
  EXPECT_FALSE(jumper.IsJumping());
}

TEST_F(CharacterMotion, JumpWhoseTicksRunOutMidFrameLandsOnItsCell) {
  gFrameStep = 3;
  MapCharacter jumper;
  jumper.ConstructMapCharacter();
  jumper.id = 50;
  jumper.moveSpeed = 9;  // half length 4: 8 ticks, not a multiple of 3
  ASSERT_TRUE(jumper.JumpBy(2, 0));
  ASSERT_EQ(jumper.jumpTicksLeft, 8);
  for (int i = 0; i < 3; ++i) jumper.UpdateCharacterMotion();
  EXPECT_EQ(jumper.jumpTicksLeft, 0);
  EXPECT_EQ(jumper.fineX, 128);
  EXPECT_FALSE(jumper.UpdateMovingFlag());
}

// Patterns shown on consecutive frames of a long walk at animation speed 0.
std::vector<int> WalkPatterns(int cycle, int frames) {
  gGameInfo.settings[7] = static_cast<int8_t>(cycle);
  MapCharacter walker;
  walker.ConstructMapCharacter();
  walker.id = 50;
  walker.animationSpeed = 0;
  walker.moveSpeed = 0;  // one fine unit per frame: the walk outlasts the trace
  walker.StepRight(1);
  std::vector<int> patterns;
  for (int i = 0; i < frames; ++i) {
    walker.UpdateCharacterMotion();
    patterns.push_back(walker.pattern);
  }
  return patterns;
}

TEST_F(CharacterMotion, PatternCyclesOfThreeAndFive) {
  EXPECT_EQ(WalkPatterns(3, 6), (std::vector<int>{2, 1, 0, 1, 2, 1}));
  EXPECT_EQ(WalkPatterns(5, 9), (std::vector<int>{3, 4, 3, 2, 1, 0, 1, 2, 3}));
}

TEST_F(CharacterMotion, AnimationSpeedOutsideTheTableReadsItsNearestEntry) {
  MapCharacter walker;
  walker.ConstructMapCharacter();
  walker.id = 50;
  walker.moveSpeed = 0;
  walker.animationSpeed = -40;  // as entry 0: a change every frame
  walker.StepRight(1);
  walker.UpdateCharacterMotion();
  EXPECT_EQ(walker.pattern, 2);
  EXPECT_EQ(walker.animationSpeed, -40);
  walker.animationSpeed = 32000;  // as entry 6: 84 ticks
  for (int i = 0; i < 60; ++i) walker.UpdateCharacterMotion();
  EXPECT_EQ(walker.pattern, 2);
}

TEST_F(CharacterMotion, ScriptSetValuesSaturate) {
  MapCharacter fast;
  fast.ConstructMapCharacter();
  fast.id = 50;
  fast.moveSpeed = 32000;
  fast.StepRight(1);
  fast.UpdateCharacterMotion();
  EXPECT_EQ(fast.fineX, 64);  // one frame, clamped at the cell
  fast.StartCharacterShiftEffect(2000000000, -2000000000, 3, 1);
  fast.UpdateCharacterMotion();  // the swing starts at 0
  fast.UpdateCharacterMotion();
  EXPECT_EQ(fast.shiftOffsetX, 2000000000);
  fast.jumpHalfLength = 2000000000;
  fast.jumpTicksLeft = 1;
  (void)fast.GetCharacterScreenY(true);
}

TEST_F(CharacterMotion, PlacementOutsideTheMapIsReportedAndClamped) {
  ClearRecordedNotices();
  MapCharacter character;
  character.PlaceCharacter(10, 0, 0);  // the map is 10 cells wide
  EXPECT_EQ(character.x, 18);
  EXPECT_EQ(RecordedNotices().size(), 1u);
  character.PlaceCharacter(20, 3, 1);
  EXPECT_EQ(character.x, 18);
  EXPECT_EQ(character.y, 3);
  EXPECT_EQ(character.fineY, 3 * 64);
  gCurrentMap.mapData.header.width = 0;  // no cells: no place to wrap into
  character.PlaceCharacter(-5, 2, 0);
  EXPECT_EQ(character.x, 0);
}

TEST_F(CharacterMotion, FaceHeroAndTheSheetRows) {
  struct Case {
    int dx, dy;  // the hero relative to the character, half cells
    bool eightDirections;
    int facing;
  };
  const std::vector<Case> cases{
      {-3, 1, true, 1},                     // 3 left, 1 below: down-left
      {-4, 1, true, 4},                     // 4 left, 1 below: left
      {2, -2, true, 9},                     // up-right
      {0, -5, true, 8}, {-3, 1, false, 2},  // no diagonal rows: the row below
      {5, 0, false, 6},
  };
  for (const Case& c : cases) {
    MapCharacter character;
    character.id = 50;
    character.x = 8;
    character.y = 8;
    character.eightDirectionSheet = c.eightDirections ? 1 : 0;
    gHero.x = 8 + c.dx;
    gHero.y = 8 + c.dy;
    character.FaceHero();
    EXPECT_EQ(character.direction, c.facing) << c.dx << "," << c.dy;
  }
}

TEST_F(CharacterMotion, TurnsOnSheetsWithAndWithoutDiagonals) {
  MapCharacter character;
  character.direction = 1;
  character.TurnRight();
  EXPECT_EQ(character.direction, 1);  // four-direction sheet: a diagonal stays
  character.eightDirectionSheet = 1;
  std::vector<int> seen;
  for (int i = 0; i < 8; ++i) {
    character.TurnRight();
    seen.push_back(character.direction);
  }
  EXPECT_EQ(seen, (std::vector<int>{4, 7, 8, 9, 6, 3, 2, 1}));
  character.TurnLeft();
  EXPECT_EQ(character.direction, 2);
}

TEST_F(CharacterMotion, StepEdgeCases) {
  // Two characters in a row whose x differ by one half cell block each
  // other; by two they do not.
  MapEventCharacter& solid = AddEvent(1, 3, 2, 0, "npc.png");
  MapCharacter mover;
  mover.ConstructMapCharacter();
  mover.id = 60;
  mover.graphicName = "walker.png";
  mover.x = 4;
  mover.y = 4;
  EXPECT_FALSE(mover.CanStepInDirection(mover.x, mover.y, 6));  // to 5, one from 6
  mover.x = 3;
  EXPECT_TRUE(mover.CanStepInDirection(mover.x, mover.y, 6));  // to 4, two from 6
  EXPECT_EQ(solid.x, 6);

  // An event without a graphic stops others but not the hero.
  MapEventCharacter& empty = AddEvent(2, 1, 3, 0);
  gHero.x = 0;
  gHero.y = 6;
  gHero.fineX = 0;
  gHero.fineY = 6 * 64;
  EXPECT_TRUE(gHero.StepRight(1));
  mover.x = 0;
  mover.y = 6;
  EXPECT_FALSE(mover.StepRight(1));
  EXPECT_EQ(empty.x, 2);

  // A diagonal past a blocked corner: the hero slides, a map event that
  // never approached does not.
  SetCell(5, 6, kWallTile);
  gHero.x = 8;
  gHero.y = 10;
  EXPECT_TRUE(gHero.StepDownRight(1));
  EXPECT_EQ(gHero.x, 8);
  EXPECT_EQ(gHero.y, 11);
  MapEventCharacter& walker = AddEvent(3, 4, 7, 0, "w.png");
  walker.x = 8;
  walker.y = 14;
  walker.passThrough = 0;
  SetCell(5, 7, kWallTile);
  EXPECT_FALSE(walker.StepUpRight(1));
}

TEST_F(CharacterMotion, TallHeroBlocksItsOwnUpperHalfRowAndNoOther) {
  // A tall hero stands on rows y and y - 1; a walker with a graphic comes at
  // it along its column, from above (2) or below (8), and steps one half row.
  struct Case {
    bool tall;
    int heroY, walkerY, dir;
    bool loopY, steps;
  };
  const std::vector<Case> cases{
      {true, 8, 5, 2, false, true},    // to 6, next to the upper half
      {true, 8, 6, 2, false, false},   // to 7, the upper half
      {true, 8, 10, 8, false, true},   // to 9, next to the feet
      {true, 8, 9, 8, false, false},   // to 8, the feet
      {false, 8, 6, 2, false, true},   // a short hero leaves row 7 free
      {false, 8, 7, 2, false, false},  // but not its own
      {true, 0, 14, 2, true, false},   // to 15: the upper half seen across the edge
      {true, 0, 2, 8, true, true},     // to 1, below the feet at 0
  };
  for (const Case& c : cases) {
    gCurrentMap.loopY = c.loopY ? 1 : 0;
    gHero.x = 6;
    gHero.y = c.heroY;
    gHero.tall = c.tall ? 1 : 0;
    gCurrentMap.eventCharacters.clear();
    MapEventCharacter& walker = AddEvent(1, 3, 0, 0, "walker.png");
    ASSERT_FALSE(walker.passThrough);
    ASSERT_FALSE(walker.tall);
    walker.y = c.walkerY;
    walker.fineY = c.walkerY * 64;
    const int expectedY = c.steps ? c.walkerY + (c.dir == 2 ? 1 : -1) : c.walkerY;
    EXPECT_EQ(walker.StepInDirection(c.dir, 1), c.steps) << c.tall << " " << c.walkerY << " " << c.dir;
    EXPECT_EQ(walker.y, expectedY) << c.tall << " " << c.walkerY << " " << c.dir;
  }
}

TEST_F(CharacterMotion, LoopingStepTestsTheFarSideAndWrapsOnArrival) {
  gCurrentMap.loopX = 1;
  gGameInfo.settings[8] = 1;
  SetCell(0, 1, kWallTile);
  MapEventCharacter& walker = AddEvent(1, 9, 1, 0, "w.png");  // x = 18 = 2W - 2
  ASSERT_EQ(walker.stepSize, 2);
  EXPECT_FALSE(walker.StepRight(1));  // tested against x = 0, a wall
  SetCell(0, 1, 0);
  ASSERT_TRUE(walker.StepRight(1));
  EXPECT_EQ(walker.x, 20);
  for (int i = 0; i < 40 && walker.x == 20; ++i) walker.UpdateMapEvent();
  EXPECT_EQ(walker.x, 0);
  EXPECT_EQ(walker.fineX, 0);
}

TEST_F(CharacterMotion, EveryRandomChoiceDrawsOnce) {
  gGameInfo.settings[2] = 4;
  const std::vector<std::pair<std::string, std::function<void(MapCharacter&)>>> choices{
      {"turn randomly", [](MapCharacter& c) { c.TurnRandomly(); }},
      {"face random direction", [](MapCharacter& c) { c.FaceRandomDirection(); }},
      {"random step", [](MapCharacter& c) { c.RandomStep(); }},
      {"toward the hero, tie", [](MapCharacter& c) { c.StepTowardHero(); }},
      {"away from the hero, tie", [](MapCharacter& c) { c.StepAwayFromHero(); }},
  };
  for (const auto& [name, choose] : choices) {
    MapCharacter character;
    character.ConstructMapCharacter();
    character.id = 70;
    character.x = 6;
    character.y = 6;
    gHero.x = 8;
    gHero.y = 8;  // equal distances on both axes: a tie
    SharedRandom(2, 12345);
    const uint32_t once = SharedRandom(0, 0);
    SharedRandom(2, 12345);
    choose(character);
    EXPECT_EQ(SharedRandom(1, 0), once) << name;
  }
}

MapCharacter SampleCharacter() {
  MapCharacter character;
  character.id = 7;
  character.x = 5;
  character.y = -3;
  character.heightOffset = 12;
  character.erased = 1;
  character.graphicNumber = 40;
  character.graphicName = "hero_sheet.png";
  character.opacity = 128;
  character.blendKind = 2;
  character.direction = 9;
  character.pattern = 0;
  character.routeRunning = 1;
  character.passThrough = 1;
  character.route.routeFlags = 1;
  character.route.route = {RouteCommand{21, {2, 0}, ""}, RouteCommand{47, {60}, ""}};
  character.savedRoute.moveType = 2;
  character.moveType = 3;
  character.moveSpeed = 5;
  character.moveFrequency = 1;
  character.animationSpeed = 4;
  character.routePosition = 1;
  character.savedRoutePosition = 3;
  character.fixedDirection = 1;
  character.aboveAll = 1;
  character.turnedToHero = 1;
  character.reservedList = {4, -4};
  return character;
}

void ExpectSameBlock(const MapCharacter& a, const MapCharacter& b) {
  EXPECT_EQ(a.id, b.id);
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.heightOffset, b.heightOffset);
  EXPECT_EQ(a.erased, b.erased);
  EXPECT_EQ(a.graphicNumber, b.graphicNumber);
  EXPECT_EQ(a.graphicName, b.graphicName);
  EXPECT_EQ(a.opacity, b.opacity);
  EXPECT_EQ(a.blendKind, b.blendKind);
  EXPECT_EQ(a.direction, b.direction);
  EXPECT_EQ(a.pattern, b.pattern);
  EXPECT_EQ(a.routeRunning, b.routeRunning);
  EXPECT_EQ(a.passThrough, b.passThrough);
  EXPECT_EQ(a.route, b.route);
  EXPECT_EQ(a.savedRoute, b.savedRoute);
  EXPECT_EQ(a.moveType, b.moveType);
  EXPECT_EQ(a.moveSpeed, b.moveSpeed);
  EXPECT_EQ(a.moveFrequency, b.moveFrequency);
  EXPECT_EQ(a.animationSpeed, b.animationSpeed);
  EXPECT_EQ(a.routePosition, b.routePosition);
  EXPECT_EQ(a.savedRoutePosition, b.savedRoutePosition);
  EXPECT_EQ(a.fixedDirection, b.fixedDirection);
  EXPECT_EQ(a.aboveAll, b.aboveAll);
  EXPECT_EQ(a.turnedToHero, b.turnedToHero);
  EXPECT_EQ(a.reservedList, b.reservedList);
}

void BeginRead(std::vector<uint8_t> bytes) {
  gSaveBuffer.BeginRead(std::move(bytes));
  gSaveBuffer.formatNumber = 111;
}

// Every cut of the block short of its end fails the read as short data.
void ExpectEveryTruncationRefused(const std::vector<uint8_t>& bytes, const std::function<bool()>& load) {
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    BeginRead(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_FALSE(load()) << cut;
    EXPECT_TRUE(gSaveBuffer.shortData) << cut;
  }
}

TEST_F(CharacterMotion, CharacterBlockRoundTripsAndRefusesEveryTruncation) {
  const MapCharacter written = SampleCharacter();
  gSaveBuffer.BeginWrite();
  written.SaveCharacterState();
  const std::vector<uint8_t> bytes = gSaveBuffer.data;
  EXPECT_GE(bytes.size(), kMinCharacterStateBytes);

  BeginRead(bytes);
  MapCharacter read;
  ASSERT_TRUE(read.LoadCharacterState());
  ExpectSameBlock(read, written);
  EXPECT_EQ(read.fineX, 5 * 64);
  EXPECT_EQ(read.fineY, -3 * 64);
  EXPECT_EQ(gSaveBuffer.position, bytes.size());

  ExpectEveryTruncationRefused(bytes, [] { return MapCharacter().LoadCharacterState(); });
}

TEST_F(CharacterMotion, HeroBlockRoundTripsAndRefusesEveryTruncation) {
  Hero written;
  static_cast<MapCharacter&>(written) = SampleCharacter();
  written.id = -2;
  written.party[3].x = 44;
  written.party[4].graphicName = "member.png";
  written.formationMode = 1;
  written.trailStepped = 1;
  written.trail = {6, 2, 0, 4};
  gSaveBuffer.BeginWrite();
  written.SaveHeroState();
  const std::vector<uint8_t> bytes = gSaveBuffer.data;

  BeginRead(bytes);
  Hero read;
  read.party.clear();
  ASSERT_TRUE(read.LoadHeroState());
  ExpectSameBlock(read, written);
  ASSERT_EQ(read.party.size(), 5u);
  EXPECT_EQ(read.party[3].x, 44);
  EXPECT_EQ(read.party[4].graphicName, "member.png");
  EXPECT_EQ(read.formationMode, 1);
  EXPECT_EQ(read.trailStepped, 1);
  EXPECT_EQ(read.trail, written.trail);

  ExpectEveryTruncationRefused(bytes, [] { return Hero().LoadHeroState(); });
}

TEST_F(CharacterMotion, CountsBeyondTheBytesLeftAreRefusedBeforeSizing) {
  Hero hero;
  gSaveBuffer.BeginWrite();
  static_cast<const MapCharacter&>(hero).SaveCharacterState();
  gSaveBuffer.WriteInt32(0x7FFFFFFF);  // party count
  BeginRead(gSaveBuffer.data);
  EXPECT_FALSE(hero.LoadHeroState());
  EXPECT_TRUE(gSaveBuffer.shortData);
  EXPECT_EQ(hero.party.size(), 5u);  // never resized
}

}  // namespace
