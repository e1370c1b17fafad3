#include <algorithm>
#include <cstdlib>

#include "gamedata/DataFileScramble.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "map/MapCharacter.h"
#include "map/MapMath.h"
#include "shell/StartupGlobals.h"

void ParallelRunnerList::StartFresh(size_t count) {
  clear();
  for (size_t i = 0; i < count; ++i) {
    emplace_back();
    back().StartEventRunner(0, 0);
  }
}

MapEventCharacter::MapEventCharacter(int mapIdOfEvent, const MapEvent& eventRecord)
    : mapId(mapIdOfEvent), record(eventRecord) {
  ConstructMapCharacter();
  id = record.id;
  erased = 0;
  startRequest = 0;
  passThrough = 1;
  pageIndex = -1;
  StartType = 0;
  eraseLeft = eraseTotal = -1;
  PlaceCharacter(record.x, record.y, 0);
  const int chosen = ChoosePage();
  if (chosen >= 0 && record.pages[static_cast<size_t>(chosen)].moveSettings.GetMoveOptionBit6()) {
    // Half a cell higher, only as the event is built.
    SetPlace(x, SaturateInt(2 * int64_t{record.y} - 1));
    fineY = SaturateInt(2 * int64_t{gTileSize} * y);
  }
  SelectEventPage();
}

int MapEventCharacter::ChoosePage() const {
  if (erased) return -1;
  for (size_t i = record.pages.size(); i-- > 0;) {
    if (CheckPageConditions(record.pages[i].conditions, record.id)) return static_cast<int>(i);
  }
  return -1;
}

void MapEventCharacter::SelectEventPage() {
  const int chosen = ChoosePage();
  if (chosen == pageIndex) return;
  if (chosen >= 0) page = record.pages[static_cast<size_t>(chosen)];
  pageIndex = chosen;
  ClearEventStartRequest();
  if (chosen < 0) {
    graphicNumber = -1;
    graphicName.clear();
    moveType = 0;
    passThrough = 1;
    StartType = 0;
    commands.clear();
    parallelRunners.clear();
    return;
  }
  graphicNumber = page.tileGraphic;
  graphicName = page.graphicName;
  if (page.direction != pageDirection) {
    direction = pageDirection = page.direction;
    savedDirection = 0;
  }
  if (page.pattern != restingPattern) pattern = restingPattern = page.pattern;
  opacity = page.opacity;
  blendKind = page.drawMode;
  const MoveSettings& settings = page.moveSettings;
  moveType = settings.moveType;
  moveSpeed = settings.moveSpeed;
  moveFrequency = settings.moveFrequency;
  animationSpeed = settings.animationSpeed;
  if (routeRunning) {
    // A started route goes on; the page route waits behind it.
    savedRoute = settings;
    savedRoutePosition = 0;
  } else {
    route = settings;
    routePosition = 0;
    routeRunning = 0;
  }
  eraseLeft = eraseTotal = -1;
  stepAnimation = static_cast<uint8_t>(settings.GetMoveOptionBit0());
  walkAnimation = static_cast<uint8_t>(settings.GetMoveOptionBit1());
  tall = static_cast<uint8_t>(settings.GetMoveOptionBit5());
  fixedDirection = static_cast<uint8_t>(settings.GetMoveOptionBit2());
  passThrough = static_cast<uint8_t>(settings.GetMoveOptionBit3());
  aboveAll = static_cast<uint8_t>(settings.GetMoveOptionBit4());
  StartType = page.conditions.conditionHeader;
  commands = page.commands;
  ContactRangeBytes = page.pageOptions;
  stepSize = GameSettingByte(8) == 1 ? 2 : 1;
  parallelRunners.clear();
  if (StartType == 2) {
    parallelRunners.emplace_back();
    parallelRunners.back().StartEventRunner(0, 0);
  }
  CheckSelfStart();
}

int MapEventCharacter::GetContactRange(int axis) const {
  if (pageIndex < 0 || page.pageOptions.size() < 3) return 0;
  return page.pageOptions[axis == 0 ? 1 : 2];
}

bool MapEventCharacter::IsWalkOverEvent() const {
  if (HasGraphic() && !passThrough) return false;
  return gCurrentMap.TilePassable(x, y, 0, -1, GameSettingByte(8) + 1);
}

void MapEventCharacter::ReserveEventStart() {
  // The end command alone is no script.
  const bool hasCommands = std::any_of(commands.begin(), commands.end(),
                                       [](const EventCommand& command) { return command.Code() != kEndCommandCode; });
  if (hasCommands && eraseTotal == -1) startRequest = 1;
}

void MapEventCharacter::CheckSelfStart() {
  if (StartType == 4) {
    if (x == gHero.x && y == gHero.y && !IsJumping() && IsWalkOverEvent()) ReserveEventStart();
  } else if (StartType == 1) {
    ReserveEventStart();
  }
}

void MapEventCharacter::StartEventErase(int ticks) {
  eraseLeft = eraseTotal = ticks;
  eraseStartOpacity = opacity;
}

void MapEventCharacter::UpdateMapEvent() {
  const int step = std::max(gFrameStep, 1);
  if (eraseTotal != -1 && !erased) {
    if (eraseLeft < 1) {
      erased = 1;
      SelectEventPage();
    }
    eraseLeft = SaturateInt(int64_t{eraseLeft} - step);
    const int64_t total = eraseTotal == 0 ? 1 : eraseTotal;
    const int64_t faded = SaturatedProduct(eraseStartOpacity, eraseLeft) / total;
    opacity = static_cast<int16_t>(std::clamp<int64_t>(faded, 0, 255));
  }

  UpdateCharacterMotion();

  if ((gEventSystem.moveDuringEvents || !MainRunnerBusy()) &&
      int64_t{idleTicks} > 20 * int64_t{moveFrequency} * moveFrequency) {
    switch (moveType) {
      case 1: RunMoveRoute(); break;
      case 2: MoveRandomly(); break;
      case 3: MoveApproachingHero(); break;
      default: break;
    }
  }

  const int64_t tile = gTileSize;
  const int64_t spanX = 2 * int64_t{gCurrentMap.GetMapWidth()};
  const int64_t spanY = 2 * int64_t{gCurrentMap.GetMapHeight()};
  // A true modulo: an event more than one map size off (a place set by a
  // script) comes all the way in, where adding one span first would leave it
  // outside.
  if (gCurrentMap.loopX && spanX > 0 && int64_t{fineX} == 2 * tile * x && (x < 0 || x >= spanX)) {
    SetPlace(static_cast<int32_t>(WrapIntoSpan(x, spanX)), y);
    fineX = SaturateInt(2 * tile * x);
  }
  if (gCurrentMap.loopY && spanY > 0 && int64_t{fineY} == 2 * tile * y && (y < 0 || y >= spanY)) {
    SetPlace(x, static_cast<int32_t>(WrapIntoSpan(y, spanY)));
    fineY = SaturateInt(2 * tile * y);
  }

  CheckSelfStart();

  if (!parallelRunners.empty() && eraseTotal == -1) {
    EventRunner& runner = parallelRunners.front();
    if (!runner.IsEventRunnerBusy()) runner.SetupEventCall(&commands, id, -1);
    runner.RunEventRunner();
  }
}

void MapEventCharacter::DrawCharacterKeyInputField() {
  if (!parallelRunners.empty()) parallelRunners.front().DrawKeyInputField();
}

void MapEventCharacter::MoveRandomly() {
  const uint32_t r = SharedRandom(0, 0) % 6;
  if (r <= 3) {
    EventRandomStep();
  } else if (r == 4) {
    EventStepForward();
  } else {
    idleTicks = 0;
  }
}

void MapEventCharacter::MoveApproachingHero() {
  const int64_t dx = LoopAwareDifference(x, gHero.x, 2 * int64_t{gCurrentMap.GetMapWidth()}, gCurrentMap.loopX);
  const int64_t dy = LoopAwareDifference(y, gHero.y, 2 * int64_t{gCurrentMap.GetMapHeight()}, gCurrentMap.loopY);
  if (std::llabs(dx) + std::llabs(dy) >= 20) {
    EventRandomStep();
    return;
  }
  const uint32_t r = SharedRandom(0, 0) % 6;
  if (r <= 3) {
    EventStepTowardHero();
  } else if (r == 4) {
    EventRandomStep();
  } else {
    EventStepForward();
  }
}
