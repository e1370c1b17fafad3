#include "map/Hero.h"

#include <algorithm>

#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveBuffer.h"
#include "map/CurrentMap.h"
#include "map/MapMath.h"
#include "shell/GameSystem.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

namespace {

int64_t TileSize() { return gTileSize; }

// While a message or choice window is open or a holding transition runs,
// the hero takes no input and starts nothing.
bool WindowOrTransitionHolds() {
  return gGameSystem.windowOpen || (gGameSystem.transitionRunning && gGameSystem.transitionWaits);
}

bool MayMoveDuringEvents() { return gEventSystem.moveDuringEvents || !MainRunnerBusy(); }

int Sign(int v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

// Brings a character that stands on its cell outside the map back in.
void WrapStandingCharacter(MapCharacter& character) {
  const int64_t spanX = 2 * int64_t{gCurrentMap.GetMapWidth()};
  const int64_t spanY = 2 * int64_t{gCurrentMap.GetMapHeight()};
  if (gCurrentMap.loopX && spanX > 0 && int64_t{character.fineX} == 2 * TileSize() * character.x &&
      (character.x < 0 || character.x >= spanX)) {
    character.x = static_cast<int32_t>(WrapIntoSpan(character.x, spanX));
    character.fineX = SaturateInt(2 * TileSize() * character.x);
  }
  if (gCurrentMap.loopY && spanY > 0 && int64_t{character.fineY} == 2 * TileSize() * character.y &&
      (character.y < 0 || character.y >= spanY)) {
    character.y = static_cast<int32_t>(WrapIntoSpan(character.y, spanY));
    character.fineY = SaturateInt(2 * TileSize() * character.y);
  }
}

uint8_t ExtraGraphicByte(int64_t value) { return static_cast<uint8_t>(value); }

}  // namespace

Hero::Hero() {
  id = -2;
  isHero = 1;
  slideOnDiagonal = 1;
  party.resize(kPartySize);
  for (int i = 0; i < kPartySize; ++i) {
    party[static_cast<size_t>(i)].id = -3 - i;
    party[static_cast<size_t>(i)].passThrough = 1;
    party[static_cast<size_t>(i)].partyMember = 1;
  }
}

void Hero::ConstructHero() {
  *this = Hero();
  ApplyMovementSettings();
  graphicName.clear();
  ContactRangeBytes.assign(1, ExtraGraphicByte(gEventSystem.heroOpacity));
  loadedExtraGraphic = -1;
  for (MapCharacter& member : party) {
    const int memberId = member.id;
    member.ConstructMapCharacter();
    member.id = memberId;
    member.passThrough = 1;
    member.partyMember = 1;
  }
}

void Hero::PlaceHeroAndCenterView(int a, int b, int halfCellUnits) {
  PlaceCharacter(a, b, halfCellUnits);
  const int64_t scale = halfCellUnits ? 1 : 2;
  CenterViewOnPosition(SaturateInt(scale * a), SaturateInt(scale * b));
}

void Hero::CenterViewOnPosition(int hx, int hy) {
  const int64_t t = TileSize();
  int64_t sx = 2 * t * hx - 38 * t;
  if (!gCurrentMap.loopX) sx = std::max<int64_t>(std::min<int64_t>(sx, 4 * t * gCurrentMap.GetMapWidth() - 80 * t), 0);
  int64_t sy = 2 * t * hy - 28 * t;
  if (!gCurrentMap.loopY) sy = std::max<int64_t>(std::min<int64_t>(sy, 4 * t * gCurrentMap.GetMapHeight() - 60 * t), 0);
  gCurrentMap.scrollX = SaturateInt(sx);
  gCurrentMap.scrollY = SaturateInt(sy);
}

void Hero::GatherPartyAtHero() {
  for (MapCharacter& member : party) {
    member.x = x;
    member.y = y;
    member.fineX = fineX;
    member.fineY = fineY;
  }
  trail.assign(kTrailLength, 0);
}

void Hero::RecordTrailStep(int stepDirection) {
  if (formationMode) {
    formationDirection = stepDirection;
  } else {
    trail.insert(trail.begin(), stepDirection);
  }
  trailStepped = 1;
}

void Hero::UpdateParty() {
  const int64_t spacing = std::max<int64_t>(gEventSystem.partyTrailDistance, 1);
  for (size_t i = 0; i < party.size(); ++i) {
    MapCharacter& member = party[i];
    if (gEventSystem.partyFollowing) member.moveSpeed = moveSpeed;
    const int64_t entry = i < gEventSystem.partyOpacities.size() ? gEventSystem.partyOpacities[i] : -2;
    const uint8_t extra = entry == -1  ? ExtraGraphicByte(gEventSystem.heroOpacity)
                          : entry < -1 ? 255
                                       : ExtraGraphicByte(entry);
    if (member.ContactRangeBytes.empty()) member.ContactRangeBytes.resize(1);
    member.ContactRangeBytes[0] = extra;
    if (gEventSystem.partyFollowing && trailStepped) {
      // A member past the end of the trail takes no step.
      const uint64_t index = static_cast<uint64_t>(spacing) * (i + 1);
      const int stepDirection = formationMode          ? formationDirection
                                : index < trail.size() ? trail[static_cast<size_t>(index)]
                                                       : 0;
      if (stepDirection >= 1 && stepDirection <= 9 && stepDirection != 5) member.StepInDirection(stepDirection, 1);
    }
    member.UpdateCharacterMotion();
    WrapStandingCharacter(member);
  }
  if (trailStepped && !trail.empty()) trail.pop_back();
  trailStepped = 0;
}

void Hero::UpdateHeroFromInput() {
  const bool wasMoving = UpdateMovingFlag();
  const int oldX = x;
  const int oldY = y;
  const uint8_t extra = ExtraGraphicByte(gEventSystem.heroOpacity);
  if (loadedExtraGraphic != extra) {
    if (ContactRangeBytes.empty()) ContactRangeBytes.resize(1);
    ContactRangeBytes[0] = extra;
  }

  if (!wasMoving && MayMoveDuringEvents() && !routeRunning && !WindowOrTransitionHolds()) {
    const int turnFirst = fixedDirection ? 0 : 1;
    const int mode = GameSettingByte(2);
    if (mode == 8) {
      HeroStepInDirection(gInput.direction8, turnFirst);
    } else if (mode == 4) {
      HeroStepInDirection(gInput.direction4, turnFirst);
    }
  }
  if (x != oldX || y != oldY) movedThisFrame = 1;

  const int64_t oldFineX = fineX;
  const int64_t oldFineY = fineY;
  UpdateCharacterMotion();
  UpdateParty();

  const int64_t t = TileSize();
  if (!gEventSystem.scrollLock) {
    if (fineY > oldFineY && fineY - int64_t{gCurrentMap.scrollY} > 28 * t) gCurrentMap.ScrollMapDown(fineY - oldFineY);
    if (fineX < oldFineX && fineX - int64_t{gCurrentMap.scrollX} < 38 * t) gCurrentMap.ScrollMapLeft(oldFineX - fineX);
    if (fineX > oldFineX && fineX - int64_t{gCurrentMap.scrollX} > 38 * t) gCurrentMap.ScrollMapRight(fineX - oldFineX);
    if (fineY < oldFineY && fineY - int64_t{gCurrentMap.scrollY} < 28 * t) gCurrentMap.ScrollMapUp(oldFineY - fineY);
  }

  // Walking off a looping edge: the hero and the view go back by one map
  // size together, so nothing jumps on screen.
  const int64_t spanX = 2 * int64_t{gCurrentMap.GetMapWidth()};
  const int64_t spanY = 2 * int64_t{gCurrentMap.GetMapHeight()};
  if (gCurrentMap.loopX && spanX > 0 && int64_t{fineX} == 2 * t * x && (x < 0 || x >= spanX)) {
    if (gEventSystem.scrollLock) {
      WrapStandingCharacter(*this);
    } else {
      const int64_t maps = x >= spanX ? x / spanX : -((-int64_t{x} + spanX - 1) / spanX);
      x = SaturateInt(x - maps * spanX);
      fineX = SaturateInt(fineX - maps * 4 * t * gCurrentMap.GetMapWidth());
      gCurrentMap.scrollX = SaturateInt(gCurrentMap.scrollX - maps * 4 * t * gCurrentMap.GetMapWidth());
    }
  }
  if (gCurrentMap.loopY && spanY > 0 && int64_t{fineY} == 2 * t * y && (y < 0 || y >= spanY)) {
    if (gEventSystem.scrollLock) {
      WrapStandingCharacter(*this);
    } else {
      const int64_t maps = y >= spanY ? y / spanY : -((-int64_t{y} + spanY - 1) / spanY);
      y = SaturateInt(y - maps * spanY);
      fineY = SaturateInt(fineY - maps * 4 * t * gCurrentMap.GetMapHeight());
      gCurrentMap.scrollY = SaturateInt(gCurrentMap.scrollY - maps * 4 * t * gCurrentMap.GetMapHeight());
    }
  }

  if (MayMoveDuringEvents() && int64_t{idleTicks} > 20 * int64_t{moveFrequency} * moveFrequency && moveType == 1) {
    RunForcedMoveRoute();
  }
  if (routeRunning) RunForcedMoveRoute();
  if (UpdateMovingFlag()) return;
  if (wasMoving || movedThisFrame) {
    movedThisFrame = 0;
    TriggerByTouch({0, 0, 0, 1, 1});
  }
  if (MainRunnerBusy() || routeRunning || WindowOrTransitionHolds() || !gInput.actionPressed[0]) return;
  TriggerByTouch({1, 0, 0, 0, 0});
  TriggerByActionKey({1, 0, 0, 0, 0});
}

namespace {

bool RowHit(const MapEventCharacter& event, int64_t hy, int64_t ry) {
  const int64_t ey = event.y;
  return (hy - ry <= ey && ey <= hy + ry) || (event.tall && hy - ry <= ey && ey <= hy + ry + 1);
}

}  // namespace

bool Hero::TriggerByTouch(const std::array<uint8_t, 5>& eligible) {
  if (MainRunnerBusy()) return false;
  bool started = false;
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) {
    const int type = event.StartType;
    if (type < 0 || type > 4 || !eligible[static_cast<size_t>(type)]) continue;
    const int64_t rx = event.GetContactRange(0);
    const int64_t ry = event.GetContactRange(1);
    const int64_t reach = type == 4 ? rx + 1 : rx;
    const bool column = int64_t{x} - reach <= event.x && event.x <= int64_t{x} + reach;
    if (!RowHit(event, y, ry) || !column || event.IsJumping() || !event.IsWalkOverEvent()) continue;
    event.ReserveEventStart();
    started = true;
  }
  return started;
}

bool Hero::SearchActionTarget(int fx, int fy, const std::array<uint8_t, 5>& eligible) {
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) {
    const int type = event.StartType;
    if (type < 0 || type > 4 || !eligible[static_cast<size_t>(type)]) continue;
    const int64_t rx = event.GetContactRange(0);
    const int64_t ry = event.GetContactRange(1);
    const bool column = int64_t{fx} - rx - 1 <= event.x && event.x <= int64_t{fx} + rx + 1;
    if (!column || !RowHit(event, fy, ry) || event.IsJumping() || event.IsWalkOverEvent()) continue;
    event.ReserveEventStart();
    return true;
  }
  return false;
}

bool Hero::TriggerByActionKey(const std::array<uint8_t, 5>& eligible) {
  if (MainRunnerBusy()) return false;
  const int s = stepSize;
  const bool facingUp = direction >= 7 && direction <= 9;
  const int dx = StepDeltaX(direction, s);
  const int dy = facingUp && tall ? -2 : StepDeltaY(direction, s);
  int64_t fx = int64_t{x} + dx;
  int64_t fy = int64_t{y} + dy;
  const int64_t spanX = 2 * int64_t{gCurrentMap.GetMapWidth()};
  const int64_t spanY = 2 * int64_t{gCurrentMap.GetMapHeight()};
  if (gCurrentMap.loopX) {
    if (fx >= spanX - 1) fx -= spanX - 1;
    if (fx < 0) fx += spanX;
  }
  if (gCurrentMap.loopY) {
    if (fy >= spanY - 1) fy -= spanY - 1;
    if (fy < 0) fy += spanY;
  }
  if (SearchActionTarget(SaturateInt(fx), SaturateInt(fy), eligible)) return true;
  if (!gCurrentMap.IsCounterCell(SaturateInt(fx), SaturateInt(fy))) return false;
  // Across a counter: one more step, then one more half cell.
  fx += dx;
  fy += facingUp ? -s : StepDeltaY(direction, s);
  if (SearchActionTarget(SaturateInt(fx), SaturateInt(fy), eligible)) return true;
  fx += Sign(dx);
  fy += Sign(StepDeltaY(direction, 1));
  return SearchActionTarget(SaturateInt(fx), SaturateInt(fy), eligible);
}

void Hero::SaveHeroState() const {
  SaveCharacterState();
  gSaveBuffer.WriteInt32(static_cast<int32_t>(party.size()));
  for (const MapCharacter& member : party) member.SaveCharacterState();
  gSaveBuffer.WriteUint8(formationMode);
  gSaveBuffer.WriteUint8(trailStepped);
  gSaveBuffer.WriteInt32(static_cast<int32_t>(trail.size()));
  for (int32_t entry : trail) gSaveBuffer.WriteInt32(entry);
}

bool Hero::LoadHeroState() {
  SaveBuffer& buffer = gSaveBuffer;
  if (!LoadCharacterState()) return false;
  int32_t count = 0;
  if (!buffer.ReadInt32(count) || !FitsCount(buffer, count, kMinCharacterStateBytes)) return false;
  party.resize(static_cast<size_t>(count));
  for (MapCharacter& member : party) {
    if (!member.LoadCharacterState()) return false;
  }
  if (!buffer.ReadUint8(formationMode) || !buffer.ReadUint8(trailStepped)) return false;
  int32_t length = 0;
  if (!buffer.ReadInt32(length) || !FitsCount(buffer, length, 4)) return false;
  trail.assign(static_cast<size_t>(length), 0);
  for (int32_t& entry : trail) buffer.ReadInt32(entry);
  return true;
}
