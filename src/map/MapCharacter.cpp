#include "map/MapCharacter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "gamedata/GameInfo.h"
#include "gamedata/GameText.h"
#include "gamedata/SaveBuffer.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "map/MapMath.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

namespace {

// Ticks of gathered animation before the pattern changes, by animation speed.
std::array<int, 7> gAnimationThresholds{0, 6, 10, 16, 24, 60, 84};
bool gAnimationThresholdsAdjusted = false;

// The five-pattern cycle runs twice as often, so the table is shortened once
// per run.
void AdjustAnimationThresholds() {
  if (gAnimationThresholdsAdjusted) return;
  gAnimationThresholdsAdjusted = true;
  if (GameSettingByte(7) != 5) return;
  for (size_t i = 1; i <= 4; ++i) gAnimationThresholds[i] /= 2;
  gAnimationThresholds[5] = gAnimationThresholds[5] * 2 / 3;
  gAnimationThresholds[6] = gAnimationThresholds[6] * 3 / 4;
}

int64_t TileSize() { return gTileSize; }

// Adds span to value while it is negative (a looping axis seen on screen).
int64_t WrapUp(int64_t value, int64_t span) {
  if (value >= 0 || span <= 0) return value;
  return value + (-value + span - 1) / span * span;
}

int FrameTicks() { return std::max(gFrameStep, 1); }

}  // namespace

int GameSettingByte(size_t k) {
  return k < gGameInfo.settings.size() ? static_cast<uint8_t>(gGameInfo.settings[k]) : 0;
}

void MapCharacter::ConstructMapCharacter() {
  *this = MapCharacter();
  ApplyMovementSettings();
}

void MapCharacter::ApplyMovementSettings() {
  eightDirectionSheet = GameSettingByte(1) == 8 ? 1 : 0;
  tall = GameSettingByte(9) == 1 ? 1 : 0;
  stepSize = GameSettingByte(8) == 1 ? 2 : 1;
  const int cycle = GameSettingByte(7);
  if (cycle == 3) patternBase = restingPattern = 1;
  if (cycle == 5) patternBase = restingPattern = 2;
}

void MapCharacter::PlaceCharacter(int a, int b, int halfCellUnits) {
  const int64_t unit = halfCellUnits ? 2 : 1;
  const int64_t width = gCurrentMap.GetMapWidth();
  const int64_t height = gCurrentMap.GetMapHeight();
  int64_t placeX = a;
  int64_t placeY = b;
  if (placeX / unit >= width || placeY / unit >= height) {
    ShowNoticeBox(NoticeText("エラー：キャラクターをマップ外[X%d Y%d](Map%d)に場所移動させようとしました",
                             {Decimal(a), Decimal(b), Decimal(gCurrentMap.mapId)}),
                  NoticeText("強制的にマップ内におさめます、このマップ最大位置は[%d,%d]です",
                             {Decimal(width - 1), Decimal(height - 1)}),
                  "");
    placeX = std::min(placeX, (width - 1) * unit);
    placeY = std::min(placeY, (height - 1) * unit);
  }
  // A map without cells has no place to wrap into.
  const int64_t scale = 2 - (halfCellUnits ? 1 : 0);
  SetPlace(width > 0 ? SaturateInt(placeX % (2 * width) * scale) : 0,
           height > 0 ? SaturateInt(placeY % (2 * height) * scale) : 0);
  fineX = SaturateInt(2 * TileSize() * x);
  fineY = SaturateInt(2 * TileSize() * y);
  savedDirection = 0;
}

void MapCharacter::SetPlace(int32_t newX, int32_t newY) {
  const int32_t oldX = x;
  const int32_t oldY = y;
  x = newX;
  y = newY;
  gCurrentMap.NoteCharacterMoved(*this, oldX, oldY);
}

bool MapCharacter::UpdateMovingFlag() {
  movingNow = (int64_t{fineX} != 2 * TileSize() * x || int64_t{fineY} != 2 * TileSize() * y) ? 1 : 0;
  return movingNow != 0;
}

bool MapCharacter::WasMovingForAnimation() {
  const bool result = movingNow || movingLastFrame;
  movingLastFrame = movingNow;
  return result;
}

void MapCharacter::ResetCharacterMotion() {
  if (walkAnimation || stepAnimation) pattern = restingPattern;
  animationAccumulator = 0.0;
  savedDirection = 0;
}

void MapCharacter::StartMoveRoute(MoveSettings newRoute) {
  if (savedRoute.route.empty()) {
    savedRoute = route;
    savedRoutePosition = routePosition;
  }
  route = std::move(newRoute);
  routePosition = 0;
  routeRunning = 1;
  savedDirection = 0;
  routeWait = 0;
  RunForcedMoveRoute();
}

void MapCharacter::TurnToHeroOnStart() {
  if (turnedToHero) return;
  savedDirection = direction;
  FaceHero();
  turnedToHero = 1;
}

void MapCharacter::RestoreFacingAfterEvent() {
  if (!turnedToHero) return;
  turnedToHero = 0;
  if (!fixedDirection && savedDirection != 0) direction = static_cast<int16_t>(savedDirection);
}

int MapCharacter::GetCharacterScreenX(bool wrap) const {
  int64_t value = (int64_t{fineX} - gCurrentMap.scrollX) / 4 + TileSize() / 2;
  if (wrap && gCurrentMap.loopX) value = WrapUp(value, int64_t{gCurrentMap.GetMapWidth()} * TileSize());
  return SaturateInt(value + shiftOffsetX);
}

int MapCharacter::GetCharacterScreenBaseY(bool wrap) const {
  int64_t value = (int64_t{fineY} - gCurrentMap.scrollY) / 4 + TileSize();
  if (wrap && gCurrentMap.loopY) value = WrapUp(value, int64_t{gCurrentMap.GetMapHeight()} * TileSize());
  return SaturateInt(value + shiftOffsetY);
}

int MapCharacter::GetCharacterScreenY(bool wrap) const {
  const int64_t h = jumpHalfLength;
  const int64_t g = std::llabs(int64_t{jumpTicksLeft} - h);
  const int64_t divisor = std::max<int64_t>(160 / std::max<int64_t>(TileSize(), 1), 1);
  const int64_t arc = SaturatedSum(SaturatedProduct(3 * h, h), -SaturatedProduct(3 * g, g)) / divisor;
  int64_t value = (int64_t{fineY} - gCurrentMap.scrollY) / 4 + TileSize() - heightOffset;
  value = SaturatedSum(value, -arc);
  if (wrap && gCurrentMap.loopY) value = WrapUp(value, int64_t{gCurrentMap.GetMapHeight()} * TileSize());
  return SaturateInt(SaturatedSum(value, shiftOffsetY));
}

int MapCharacter::GetCharacterTileTag() const { return GetCellTileTag(x, y); }

void MapCharacter::StartCharacterColorEffect(int value, int ticks) {
  colorEffect = value;
  colorEffectTicks = colorEffectLeft = ticks;
}

void MapCharacter::StartCharacterShiftEffect(int dx, int dy, int repeats, int ticks) {
  shiftX = dx;
  shiftY = dy;
  shiftRepeats = repeats;
  shiftTicks = std::max(ticks, 1);
  shiftCounter = SaturateInt(2 * int64_t{shiftTicks});
}

void MapCharacter::UpdateCharacterMotion() {
  AdjustAnimationThresholds();
  const int step = FrameTicks();
  const int64_t targetX = 2 * TileSize() * x;
  const int64_t targetY = 2 * TileSize() * y;

  if (IsJumping()) {
    // A jump whose ticks run out mid-frame lands on its cell.
    jumpTicksLeft = std::max(jumpTicksLeft - step, 0);
    const int64_t left = jumpTicksLeft;
    fineX = SaturateInt((SaturatedProduct(fineX, left) + targetX) / (left + 1));
    fineY = SaturateInt((SaturatedProduct(fineY, left) + targetY) / (left + 1));
  } else if (UpdateMovingFlag()) {
    const int factor = GameSettingByte(isHero || partyMember ? 16 : 15);
    const int64_t distance = SaturatedProduct(SaturatedProduct(PowerOfTwo64(moveSpeed), step), factor) / 4;
    int64_t fx = fineX;
    int64_t fy = fineY;
    if (fy < targetY) fy = std::min(SaturatedSum(fy, distance), targetY);
    if (fx > targetX) fx = std::max(SaturatedSum(fx, -distance), targetX);
    if (fx < targetX) fx = std::min(SaturatedSum(fx, distance), targetX);
    if (fy > targetY) fy = std::max(SaturatedSum(fy, -distance), targetY);
    fineX = SaturateInt(fx);
    fineY = SaturateInt(fy);
    if (fx > targetX && fy == targetY) approachSlide = 0;
    if (fx == targetX && fy == targetY) idleTicks = SaturateInt(int64_t{idleTicks} + step);
    if (walkAnimation) {
      animationAccumulator += step;
    } else if (stepAnimation) {
      animationAccumulator += 0.75 * step;
    }
  } else {
    if (stepAnimation) {
      animationAccumulator += 0.75 * step;
    } else if (pattern != restingPattern) {
      animationAccumulator += step;
    }
    idleTicks = SaturateInt(int64_t{idleTicks} + step);
  }

  if (colorEffectLeft > 0) colorEffectLeft -= 1;

  if (shiftRepeats > 0) {
    const int64_t sign = shiftRepeats % 2 != 0 ? 1 : -1;
    const int64_t ticks = std::max(shiftTicks, 1);
    const int64_t counter = shiftCounter;
    if (counter >= ticks) {
      shiftOffsetX = SaturateInt(sign * (shiftX - SaturatedProduct(counter - ticks, shiftX) / ticks));
      shiftOffsetY = SaturateInt(sign * (shiftY - SaturatedProduct(counter - ticks, shiftY) / ticks));
    } else {
      shiftOffsetX = SaturateInt(sign * (SaturatedProduct(shiftX, counter) / ticks));
      shiftOffsetY = SaturateInt(sign * (SaturatedProduct(shiftY, counter) / ticks));
    }
    shiftCounter -= 1;
    if (shiftCounter <= 0) {
      shiftRepeats -= 1;
      shiftCounter = SaturateInt(2 * ticks);
    }
  }
  if (shiftRepeats <= 0) shiftOffsetX = shiftOffsetY = 0;

  // A speed outside the table reads its nearest entry.
  const int threshold = gAnimationThresholds[static_cast<size_t>(std::clamp<int>(animationSpeed, 0, 6))];
  if (animationAccumulator > threshold) {
    const int cycle = GameSettingByte(7);
    if (!stepAnimation && idleTicks > step) {
      pattern = restingPattern;
      animationPhase = 0;
    } else if (cycle == 3) {
      animationPhase = static_cast<int16_t>((animationPhase + 1) % 4);
      pattern =
          static_cast<int16_t>(animationPhase < 2 ? patternBase + animationPhase : patternBase - (animationPhase - 2));
    } else if (cycle == 5) {
      animationPhase = static_cast<int16_t>((animationPhase + 1) % 8);
      const int phase = animationPhase;
      pattern = static_cast<int16_t>(phase < 5 ? patternBase + 2 - std::abs(2 - phase)
                                               : patternBase + std::abs(6 - phase) - 2);
    }
    animationAccumulator = 0.0;
  }

  if (routeWait > 0) {
    routeWait = std::max(routeWait - step, std::numeric_limits<int32_t>::min() + step);
  } else if (!isHero && routeRunning) {
    RunForcedMoveRoute();
  }
}

// The block: id, position, height, erased, graphic, looks, route state and
// the reserved list (see SaveCharacterState's writes for the order).
void MapCharacter::SaveCharacterState() const {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.WriteInt32(id);
  buffer.WriteInt32(x);
  buffer.WriteInt32(y);
  buffer.WriteInt32(heightOffset);
  buffer.WriteUint8(erased);
  buffer.WriteInt32(graphicNumber);
  // The length field is 16 bits: a longer name fails the save.
  buffer.WriteStr16Z(graphicName);
  WriteInt16(buffer, opacity);
  WriteInt16(buffer, blendKind);
  WriteInt16(buffer, direction);
  WriteInt16(buffer, pattern);
  buffer.WriteUint8(routeRunning);
  buffer.WriteUint8(passThrough);
  WriteMoveSettings(buffer, route);
  WriteMoveSettings(buffer, savedRoute);
  WriteInt16(buffer, moveType);
  WriteInt16(buffer, moveSpeed);
  WriteInt16(buffer, moveFrequency);
  WriteInt16(buffer, animationSpeed);
  WriteInt16(buffer, routePosition);
  WriteInt16(buffer, savedRoutePosition);
  buffer.WriteUint8(fixedDirection);
  buffer.WriteUint8(aboveAll);
  buffer.WriteUint8(turnedToHero);
  buffer.WriteInt32(static_cast<int32_t>(reservedList.size()));
  for (int32_t value : reservedList) buffer.WriteInt32(value);
}

bool MapCharacter::LoadCharacterState() {
  SaveBuffer& buffer = gSaveBuffer;
  int32_t loadedX = x;
  int32_t loadedY = y;
  const bool placeRead = buffer.ReadInt32(id) && buffer.ReadInt32(loadedX) && buffer.ReadInt32(loadedY);
  SetPlace(loadedX, loadedY);
  if (!placeRead || !buffer.ReadInt32(heightOffset) || !buffer.ReadUint8(erased)) return false;
  fineX = SaturateInt(2 * TileSize() * x);
  fineY = SaturateInt(2 * TileSize() * y);
  if (!buffer.ReadInt32(graphicNumber)) return false;
  int16_t nameLength = 0;
  if (!ReadInt16(buffer, nameLength)) return false;
  // The name is read at its stored length, up to its first zero byte.
  std::string bytes(static_cast<uint16_t>(nameLength), '\0');
  if (!buffer.ReadBytes(bytes.data(), bytes.size())) return false;
  graphicName.assign(bytes, 0, bytes.find('\0'));  // up to the first zero byte
  if (!ReadInt16(buffer, opacity) || !ReadInt16(buffer, blendKind) || !ReadInt16(buffer, direction) ||
      !ReadInt16(buffer, pattern) || !buffer.ReadUint8(routeRunning) || !buffer.ReadUint8(passThrough)) {
    return false;
  }
  if (!ReadMoveSettings(buffer, route) || !ReadMoveSettings(buffer, savedRoute)) {
    buffer.shortData = true;
    return false;
  }
  if (!ReadInt16(buffer, moveType) || !ReadInt16(buffer, moveSpeed) || !ReadInt16(buffer, moveFrequency) ||
      !ReadInt16(buffer, animationSpeed) || !ReadInt16(buffer, routePosition) ||
      !ReadInt16(buffer, savedRoutePosition) || !buffer.ReadUint8(fixedDirection) || !buffer.ReadUint8(aboveAll) ||
      !buffer.ReadUint8(turnedToHero)) {
    return false;
  }
  int32_t count = 0;
  if (!buffer.ReadInt32(count) || !FitsCount(buffer, count, 4)) return false;
  reservedList.assign(static_cast<size_t>(count), 0);
  for (int32_t& value : reservedList) buffer.ReadInt32(value);
  return true;
}
