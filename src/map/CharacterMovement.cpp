#include <cmath>
#include <cstdlib>

#include "gamedata/DataFileScramble.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "map/MapCharacter.h"
#include "map/MapMath.h"

namespace {

int64_t MapSpanX() { return 2 * int64_t{gCurrentMap.GetMapWidth()}; }
int64_t MapSpanY() { return 2 * int64_t{gCurrentMap.GetMapHeight()}; }

// a ≡ b modulo m; plain equality on a map side of 0.
bool Congruent(int64_t a, int64_t b, int64_t m) { return m <= 0 ? a == b : (a - b) % m == 0; }

uint32_t Draw() { return SharedRandom(0, 0); }

int MovementMode() { return GameSettingByte(2); }

// Whether `other` stands in row ty: a tall character's upper half is the
// row above its feet.
bool RowMatches(const MapCharacter& other, int64_t ty) {
  const int64_t span = MapSpanY();
  return Congruent(other.y, ty, span) || (other.tall && Congruent(other.y, ty + 1, span));
}

bool ColumnNear(const MapCharacter& other, int64_t tx) {
  const int64_t span = MapSpanX();
  return Congruent(other.x, tx - 1, span) || Congruent(other.x, tx, span) || Congruent(other.x, tx + 1, span);
}

}  // namespace

int StepDeltaX(int dir, int s) {
  if (dir > 0 && dir % 3 == 0) return s;
  if (dir > 0 && (dir + 2) % 3 == 0) return -s;
  return 0;
}

int StepDeltaY(int dir, int s) {
  if (dir > 0 && dir / 4 == 0) return s;
  if (dir / 7 == 1) return -s;
  return 0;
}

int64_t LoopAwareDifference(int64_t own, int64_t other, int64_t length, bool loop) {
  const int64_t d = own - other;
  if (!loop || length <= 0) return d;
  int64_t result = d;
  if (std::llabs(d - length) < std::llabs(result)) result = d - length;
  if (std::llabs(d + length) < std::llabs(result)) result = d + length;
  return result;
}

bool MainRunnerBusy() { return gEventSystem.IsEventRunnerBusy(); }

bool MapCharacter::StepFromHere(int fromX, int fromY, int dir) const {
  const int s = stepSize;
  int64_t tx = int64_t{fromX} + StepDeltaX(dir, s);
  int64_t ty = int64_t{fromY} + StepDeltaY(dir, s);
  const int e = tall && s == 1 ? 1 : 0;
  if (!gCurrentMap.IsInsideMap(SaturateInt(tx), SaturateInt(ty + e))) return false;
  if (gCurrentMap.loopX) tx = WrapIntoSpan(tx, MapSpanX());
  if (gCurrentMap.loopY) ty = WrapIntoSpan(ty, MapSpanY());
  if (passThrough) return true;
  if (!gCurrentMap.TilePassable(fromX, fromY, dir, id, s) ||
      !gCurrentMap.TilePassable(SaturateInt(tx), SaturateInt(ty), 10 - dir, -1, s)) {
    return false;
  }
  if (gCurrentMap.AnyEventBlocksStep(*this, tx, ty)) return false;
  return isHero || gHero.passThrough || !HasGraphic() || !ColumnNear(gHero, tx) || !RowMatches(gHero, ty);
}

bool EventBlocksStep(const MapCharacter& mover, const MapEventCharacter& event, int64_t tx, int64_t ty) {
  if (event.id == mover.id || event.passThrough || !RowMatches(event, ty) || !ColumnNear(event, tx)) return false;
  // The hero walks over events that show nothing.
  return !mover.isHero || event.HasGraphic();
}

bool AnyEventBlocksStepByScan(const MapCharacter& mover, int64_t tx, int64_t ty) {
  for (const MapEventCharacter& event : gCurrentMap.eventCharacters) {
    if (EventBlocksStep(mover, event, tx, ty)) return true;
  }
  return false;
}

bool MapCharacter::CanStepInDirection(int fromX, int fromY, int dir) const {
  if (!StepFromHere(fromX, fromY, dir)) return false;
  // A tall character needs the half row above free as well.
  if (tall && stepSize == 1) return StepFromHere(fromX, SaturateInt(int64_t{fromY} - 1), dir);
  return true;
}

bool MapCharacter::CanCharacterMove(int fromX, int fromY, int dir) const {
  if (partyMember) return true;
  int64_t tx = int64_t{fromX} + StepDeltaX(dir, stepSize);
  int64_t ty = int64_t{fromY} + StepDeltaY(dir, stepSize);
  if (MapSpanX() > 0) tx %= MapSpanX();
  if (MapSpanY() > 0) ty %= MapSpanY();
  if (!gCurrentMap.IsInsideMap(SaturateInt(tx), SaturateInt(ty))) return false;
  return CanStepInDirection(fromX, fromY, dir);
}

void MapCharacter::SetFacing(int dir) {
  if (fixedDirection) return;
  direction = static_cast<int16_t>(dir);
  idleTicks = 0;
}

void MapCharacter::FaceDiagonal(int dir) {
  if (fixedDirection) return;
  if (eightDirectionSheet) {
    SetFacing(dir);
    return;
  }
  // Sheets without diagonal rows keep a matching side row.
  const bool left = dir == 1 || dir == 7;
  const bool down = dir == 1 || dir == 3;
  if (left) {
    SetFacing(direction == 6 ? 4 : down ? 2 : 8);
  } else {
    SetFacing(direction == 4 ? 6 : down ? 2 : 8);
  }
}

void MapCharacter::FaceDirection(int dir) {
  switch (dir) {
    case 2:
    case 4:
    case 6:
    case 8: SetFacing(dir); break;
    case 1:
    case 3:
    case 7:
    case 9: FaceDiagonal(dir); break;
    default: break;
  }
}

void MapCharacter::MovedBy(int dx, int dy, int recordedDirection) {
  SetPlace(SaturateInt(int64_t{x} + dx), SaturateInt(int64_t{y} + dy));
  idleTicks = 0;
  if (isHero) gHero.RecordTrailStep(recordedDirection);
}

bool MapCharacter::StepStraight(int dir, int turnFirst) {
  if (turnFirst) FaceDirection(dir);
  if (!CanStepInDirection(x, y, dir)) return false;
  FaceDirection(dir);
  MovedBy(StepDeltaX(dir, stepSize), StepDeltaY(dir, stepSize), dir);
  return true;
}

bool MapCharacter::StepDiagonal(int dir, int turnFirst) {
  const int v = dir <= 3 ? 2 : 8;
  const int h = dir % 3 == 1 ? 4 : 6;
  const int s = stepSize;
  if (turnFirst) FaceDiagonal(dir);
  const int vy = StepDeltaY(v, s);
  const int hx = StepDeltaX(h, s);
  if (CanStepInDirection(x, y, v) && CanStepInDirection(x, SaturateInt(int64_t{y} + vy), h) &&
      CanStepInDirection(x, y, h) && CanStepInDirection(SaturateInt(int64_t{x} + hx), y, v)) {
    FaceDiagonal(dir);
    MovedBy(hx, vy, dir);
    return true;
  }
  if (!slideOnDiagonal && !approachSlide) return false;
  if (CanStepInDirection(x, y, v)) {
    FaceDiagonal(dir);
    MovedBy(0, vy, v);
    return true;
  }
  if (CanStepInDirection(x, y, h)) {
    FaceDiagonal(dir);
    MovedBy(hx, 0, h);
    return true;
  }
  return false;
}

bool MapCharacter::StepInDirection(int dir, int turnFirst) {
  switch (dir) {
    case 2:
    case 4:
    case 6:
    case 8: return StepStraight(dir, turnFirst);
    case 1:
    case 3:
    case 7:
    case 9: return StepDiagonal(dir, turnFirst);
    default: return false;
  }
}

bool MapCharacter::JumpBy(int jumpX, int jumpY) {
  const int64_t dx = SaturatedProduct(jumpX, stepSize);
  const int64_t dy = SaturatedProduct(jumpY, stepSize);
  if (dx != 0 || dy != 0) {
    if (std::llabs(dy) < std::llabs(dx)) {
      dx < 0 ? FaceLeft() : FaceRight();
    } else {
      dy < 0 ? FaceUp() : FaceDown();
    }
    if (!CanStepInDirection(SaturateInt(x + dx), SaturateInt(y + dy), 0)) return false;
  }
  ResetCharacterMotion();
  SetPlace(SaturateInt(x + dx), SaturateInt(y + dy));
  const double length =
      std::sqrt(static_cast<double>(dx) * static_cast<double>(dx) + static_cast<double>(dy) * static_cast<double>(dy));
  const int64_t half = (static_cast<int64_t>(std::min(length, 4.0e18)) + 15 - moveSpeed) / 2;
  jumpHalfLength = SaturateInt(half);
  jumpTicksLeft = SaturateInt(2 * int64_t{jumpHalfLength});
  idleTicks = 0;
  return true;
}

namespace {

// The next facing of a turn: the eight-direction ring on a sheet with
// diagonal rows, else the four sides (a diagonal facing has no next one).
int NextFacing(int facing, bool eightDirections, bool clockwise) {
  static constexpr int kRightEight[10] = {0, 4, 1, 2, 7, 0, 3, 8, 9, 6};
  static constexpr int kRightFour[10] = {0, 0, 4, 0, 8, 0, 2, 0, 6, 0};
  static constexpr int kLeftEight[10] = {0, 2, 3, 6, 1, 0, 9, 4, 7, 8};
  static constexpr int kLeftFour[10] = {0, 0, 6, 0, 2, 0, 8, 0, 4, 0};
  if (facing < 0 || facing > 9) return 0;
  if (clockwise) return eightDirections ? kRightEight[facing] : kRightFour[facing];
  return eightDirections ? kLeftEight[facing] : kLeftFour[facing];
}

}  // namespace

void MapCharacter::TurnRight() {
  const int next = NextFacing(direction, eightDirectionSheet, true);
  if (next != 0) SetFacing(next);
}

void MapCharacter::TurnLeft() {
  const int next = NextFacing(direction, eightDirectionSheet, false);
  if (next != 0) SetFacing(next);
}

void MapCharacter::TurnRandomly() {
  if (Draw() & 1) {
    TurnLeft();
  } else {
    TurnRight();
  }
}

void MapCharacter::FaceRandomDirection() {
  const int mode = MovementMode();
  if (mode == 8) {
    static constexpr int kFacings[8] = {8, 6, 4, 2, 1, 3, 7, 9};
    FaceDirection(kFacings[Draw() & 7]);
  } else if (mode == 4) {
    static constexpr int kFacings[4] = {8, 6, 4, 2};
    FaceDirection(kFacings[Draw() & 3]);
  }
}

void MapCharacter::FaceHero() {
  const int64_t ex = LoopAwareDifference(x, gHero.x, MapSpanX(), gCurrentMap.loopX);
  const int64_t ey = LoopAwareDifference(y, gHero.y, MapSpanY(), gCurrentMap.loopY);
  if (ex == 0 && ey == 0) return;
  const int64_t ax = std::llabs(ex);
  const int64_t ay = std::llabs(ey);
  if (ax > 0 && ay > 0 && 3 * ax >= ay && 3 * ay >= ax) {
    if (ex > 0) {
      ey <= 0 ? FaceDownLeft() : FaceUpLeft();
    } else {
      ey <= 0 ? FaceDownRight() : FaceUpRight();
    }
  } else if (ay < ax) {
    ex <= 0 ? FaceRight() : FaceLeft();
  } else {
    ey <= 0 ? FaceDown() : FaceUp();
  }
}

void MapCharacter::FaceAwayFromHero() {
  const int64_t ex = LoopAwareDifference(x, gHero.x, MapSpanX(), gCurrentMap.loopX);
  const int64_t ey = LoopAwareDifference(y, gHero.y, MapSpanY(), gCurrentMap.loopY);
  if (ex == 0 && ey == 0) return;
  if (std::llabs(ey) < std::llabs(ex)) {
    ex <= 0 ? FaceLeft() : FaceRight();
  } else {
    ey <= 0 ? FaceUp() : FaceDown();
  }
}

bool MapCharacter::RouteStep(int dir, int turnFirst, MapEventCharacter* contactEvent) {
  return contactEvent ? contactEvent->EventStepInDirection(dir, turnFirst) : StepInDirection(dir, turnFirst);
}

void MapCharacter::RandomStep() { RandomStepBy(nullptr); }

void MapCharacter::RandomStepBy(MapEventCharacter* contactEvent) {
  const int mode = MovementMode();
  if (mode == 8) {
    static constexpr int kSteps[8] = {2, 4, 6, 8, 1, 3, 7, 9};
    RouteStep(kSteps[Draw() & 7], 0, contactEvent);
  } else if (mode == 4) {
    static constexpr int kSteps[4] = {2, 4, 6, 8};
    RouteStep(kSteps[Draw() & 3], 0, contactEvent);
  }
}

void MapCharacter::StepToward(int64_t targetX, int64_t targetY, MapEventCharacter* contactEvent) {
  const int mode = MovementMode();
  if (mode != 8 && mode != 4) return;
  const int64_t ex = LoopAwareDifference(x, targetX, MapSpanX(), gCurrentMap.loopX);
  const int64_t ey = LoopAwareDifference(y, targetY, MapSpanY(), gCurrentMap.loopY);
  if (ex == 0 && ey == 0) return;
  // ex <= 0: the target is to the right; ey <= 0: below.
  const int horizontal = ex <= 0 ? 6 : 4;
  const int vertical = ey <= 0 ? 2 : 8;
  if (mode == 8) {
    approachSlide = 1;
    if (ex != 0 && ey != 0) {
      static constexpr int kDiagonal[2][2] = {{9, 7}, {3, 1}};  // [down][left]
      RouteStep(kDiagonal[vertical == 2][horizontal == 4], 1, contactEvent);
    } else {
      RouteStep(ex != 0 ? horizontal : vertical, 1, contactEvent);
    }
    return;
  }
  FourWayStep(ex, ey, horizontal, vertical, contactEvent);
}

void MapCharacter::FourWayStep(int64_t ex, int64_t ey, int horizontal, int vertical, MapEventCharacter* contactEvent) {
  int64_t ax = std::llabs(ex);
  int64_t ay = std::llabs(ey);
  // A tie is broken by one random draw.
  if (ax == ay) {
    const uint32_t r = Draw();
    ax += (r & 1) ^ 1;
    ay += r & 1;
  }
  if (ay < ax) {
    RouteStep(horizontal, 1, contactEvent);
    if (!UpdateMovingFlag() && ey != 0) RouteStep(vertical, 1, contactEvent);
  } else {
    RouteStep(vertical, 1, contactEvent);
    if (!UpdateMovingFlag() && ex != 0) RouteStep(horizontal, 1, contactEvent);
  }
}

void MapCharacter::StepTowardHero() { StepToward(gHero.x, gHero.y, nullptr); }

void MapCharacter::StepTowardTarget(bool byCharacter, int a, int b) {
  if (!byCharacter) {
    StepToward(2 * int64_t{a}, 2 * int64_t{b}, nullptr);
    return;
  }
  if (gCurrentMap.eventCharacters.empty()) return;
  const MapCharacter* target = nullptr;
  if (a >= 0) {
    const int index = gCurrentMap.mapData.FindMapEventIndex(a);
    if (index >= 0 && static_cast<size_t>(index) < gCurrentMap.eventCharacters.size()) {
      target = &gCurrentMap.eventCharacters[static_cast<size_t>(index)];
    }
  } else if (a == -2) {
    target = &gHero;
  } else if (a <= -3) {
    const int64_t member = -int64_t{a} - 3;
    if (member < static_cast<int64_t>(gHero.party.size())) target = &gHero.party[static_cast<size_t>(member)];
  }
  // An id that names no character takes no step.
  if (target) StepToward(target->x, target->y, nullptr);
}

void MapCharacter::StepAwayFromHero() {
  // Always a four-way step: unlike the approach and random moves it is not
  // dropped under a movement mode other than 4 and 8.
  const int64_t ex = LoopAwareDifference(x, gHero.x, MapSpanX(), gCurrentMap.loopX);
  const int64_t ey = LoopAwareDifference(y, gHero.y, MapSpanY(), gCurrentMap.loopY);
  if (ex == 0 && ey == 0) return;
  FourWayStep(ex, ey, ex <= 0 ? 4 : 6, ey <= 0 ? 8 : 2, nullptr);
}

void MapCharacter::StepForward() { StepInDirection(direction, 0); }

void MapCharacter::StepBackward() {
  const uint8_t keep = fixedDirection;
  fixedDirection = 1;
  if (direction >= 1 && direction <= 9) StepInDirection(10 - direction, 0);
  fixedDirection = keep;
}

bool MapCharacter::HeroStepInDirection(int dir, int turnFirst) {
  if (dir < 1 || dir > 9 || dir == 5) return false;
  const int s = stepSize;
  const int64_t tx = int64_t{x} + StepDeltaX(dir, s);
  int64_t ty = int64_t{y} + StepDeltaY(dir, s);
  if (dir >= 7 && tall && s == 1) ty -= 1;
  gHero.TriggerByHeroContact(SaturateInt(tx), SaturateInt(ty));
  return StepInDirection(dir, turnFirst);
}

bool MapEventCharacter::EventStepInDirection(int dir, int turnFirst) {
  if (dir < 1 || dir > 9 || dir == 5) return false;
  const int64_t tx = int64_t{x} + StepDeltaX(dir, stepSize);
  const int64_t ty = int64_t{y} + StepDeltaY(dir, stepSize);
  if (!CanStepInDirection(x, y, dir) || GetContactRange(0) != 0 || GetContactRange(1) != 0) {
    TriggerByEventContact(SaturateInt(tx), SaturateInt(ty));
  }
  return StepInDirection(dir, turnFirst);
}

void MapEventCharacter::EventRandomStep() { RandomStepBy(this); }

void MapEventCharacter::EventStepTowardHero() { StepToward(gHero.x, gHero.y, this); }

void MapEventCharacter::EventStepForward() { EventStepInDirection(direction, 0); }

void MapEventCharacter::TriggerByEventContact(int a, int b) {
  if (MainRunnerBusy() || StartType != 4) return;
  const int64_t rx = GetContactRange(0);
  const int64_t ry = GetContactRange(1);
  const int64_t hy = gHero.y;
  const int64_t hx = gHero.x;
  const bool row = (b - ry <= hy && hy <= b + ry) || (gHero.tall && b - ry <= hy && hy <= b + ry + 1);
  const bool column = a - rx - 1 <= hx && hx <= a + rx + 1;
  if (row && column && !IsJumping() && !IsWalkOverEvent()) ReserveEventStart();
}

void Hero::TriggerByHeroContact(int a, int b) {
  if (MainRunnerBusy()) return;
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) {
    const int64_t rx = event.GetContactRange(0);
    const int64_t ry = event.GetContactRange(1);
    const int64_t ey = event.y;
    const int64_t ex = event.x;
    const bool row = (b - ry <= ey && ey <= b + ry) || (event.tall && b - ry <= ey && ey <= b + ry + 1);
    const bool column = a - rx - 1 <= ex && ex <= a + rx + 1;
    if ((event.StartType == 3 || event.StartType == 4) && row && column && !event.IsJumping() &&
        !event.IsWalkOverEvent()) {
      event.ReserveEventStart();
    }
  }
}
