#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/MapData.h"
#include "gamedata/MoveRoute.h"
#include "interpreter/EventRunner.h"

struct MapEventCharacter;

// A character on the map: the hero, a party member or a map event.
//
// Positions are in half cells; the drawn position (fineX, fineY) is in
// quarter pixels, 2T per half cell at tile size T. Directions are keypad
// numbers (2 down, 4 left, 6 right, 8 up, 1/3/7/9 the diagonals).
struct MapCharacter {
  // Start values only: nothing here reads the game settings, so the global
  // hero can be built before them. ConstructMapCharacter applies them.
  MapCharacter() = default;

  // Start values, one contact-range byte, then the Game.dat movement settings.
  void ConstructMapCharacter();
  // Tall flag, step size and pattern cycle centre from the Game.dat settings.
  void ApplyMovementSettings();

  // Places the character at (a, b) in cells (halfCellUnits 0) or half cells
  // (1), clamping a place outside the map to its last cell with a notice.
  void PlaceCharacter(int a, int b, int halfCellUnits);
  bool UpdateMovingFlag();
  bool WasMovingForAnimation();
  bool IsJumping() const { return jumpTicksLeft > 0; }
  void ResetCharacterMotion();
  void StartMoveRoute(MoveSettings newRoute);
  void TurnToHeroOnStart();
  void RestoreFacingAfterEvent();
  // Sprite positions in screen pixels: the horizontal centre, the bottom with
  // the jump arc and height offset, and the ground line without them.
  int GetCharacterScreenX(bool wrap) const;
  int GetCharacterScreenY(bool wrap) const;
  int GetCharacterScreenBaseY(bool wrap) const;
  int GetTopPriorityBonus() const { return aboveAll ? 999 : 0; }
  int GetCharacterTileTag() const;
  // The per-frame walk, jump, animation and effect step.
  void UpdateCharacterMotion();
  void StartCharacterColorEffect(int value, int ticks);
  void StartCharacterShiftEffect(int dx, int dy, int repeats, int ticks);
  // The character's block of a save, through gSaveBuffer. Load: false when a
  // field does not fit (the buffer's short-data flag is then set).
  void SaveCharacterState() const;
  bool LoadCharacterState();

  // Movement primitives.
  bool CanStepInDirection(int fromX, int fromY, int dir) const;
  bool CanCharacterMove(int fromX, int fromY, int dir) const;
  bool StepDown(int turnFirst) { return StepStraight(2, turnFirst); }
  bool StepLeft(int turnFirst) { return StepStraight(4, turnFirst); }
  bool StepRight(int turnFirst) { return StepStraight(6, turnFirst); }
  bool StepUp(int turnFirst) { return StepStraight(8, turnFirst); }
  bool StepDownLeft(int turnFirst) { return StepDiagonal(1, turnFirst); }
  bool StepDownRight(int turnFirst) { return StepDiagonal(3, turnFirst); }
  bool StepUpLeft(int turnFirst) { return StepDiagonal(7, turnFirst); }
  bool StepUpRight(int turnFirst) { return StepDiagonal(9, turnFirst); }
  // The plain step in any of the eight directions; others take no step.
  bool StepInDirection(int dir, int turnFirst);
  bool JumpBy(int jumpX, int jumpY);
  void FaceDown() { SetFacing(2); }
  void FaceLeft() { SetFacing(4); }
  void FaceRight() { SetFacing(6); }
  void FaceUp() { SetFacing(8); }
  void FaceDownLeft() { FaceDiagonal(1); }
  void FaceDownRight() { FaceDiagonal(3); }
  void FaceUpLeft() { FaceDiagonal(7); }
  void FaceUpRight() { FaceDiagonal(9); }
  // The facing call of a direction 1-9 (5 and others: none).
  void FaceDirection(int dir);
  void TurnRight();
  void TurnLeft();
  void TurnRandomly();
  void FaceRandomDirection();
  void FaceHero();
  void FaceAwayFromHero();
  void RandomStep();
  void StepTowardHero();
  void StepAwayFromHero();
  void StepForward();
  void StepBackward();
  void StepTowardTarget(bool byCharacter, int a, int b);
  bool HeroStepDown(int turnFirst) { return HeroStepInDirection(2, turnFirst); }
  bool HeroStepLeft(int turnFirst) { return HeroStepInDirection(4, turnFirst); }
  bool HeroStepRight(int turnFirst) { return HeroStepInDirection(6, turnFirst); }
  bool HeroStepUp(int turnFirst) { return HeroStepInDirection(8, turnFirst); }
  bool HeroStepDownLeft(int turnFirst) { return HeroStepInDirection(1, turnFirst); }
  bool HeroStepDownRight(int turnFirst) { return HeroStepInDirection(3, turnFirst); }
  bool HeroStepUpLeft(int turnFirst) { return HeroStepInDirection(7, turnFirst); }
  bool HeroStepUpRight(int turnFirst) { return HeroStepInDirection(9, turnFirst); }
  bool HeroStepInDirection(int dir, int turnFirst);

  // The started-route interpreter (plain steps).
  void RunForcedMoveRoute();

  bool HasGraphic() const { return !graphicName.empty() || graphicNumber != -1; }
  // Moves the character's place to half cell (newX, newY). A map event's place
  // changes only through here, so the map's index of event places follows it.
  void SetPlace(int32_t newX, int32_t newY);

  int32_t id = -2;
  int32_t x = 0;
  int32_t y = 0;
  int32_t fineX = 0;
  int32_t fineY = 0;
  int32_t graphicNumber = -1;
  std::string graphicName;
  int16_t opacity = 255;
  int16_t blendKind = 0;
  int16_t direction = 2;
  int16_t pattern = 1;
  int16_t restingPattern = 1;
  int16_t pageDirection = 2;
  uint8_t routeRunning = 0;
  uint8_t passThrough = 0;
  uint8_t isHero = 0;
  uint8_t eightDirectionSheet = 0;
  int16_t moveType = 0;
  int16_t moveSpeed = 4;
  int16_t animationSpeed = 2;
  int16_t moveFrequency = 6;
  int16_t animationPhase = 0;
  int16_t patternBase = 1;
  int32_t idleTicks = 0;
  int32_t jumpTicksLeft = 0;
  int32_t jumpHalfLength = 0;
  int32_t routeWait = 0;
  int32_t savedDirection = 0;
  MoveSettings route;
  MoveSettings savedRoute;
  int16_t routePosition = 0;
  int16_t savedRoutePosition = 0;
  uint8_t walkAnimation = 1;
  uint8_t stepAnimation = 0;
  uint8_t fixedDirection = 0;
  uint8_t aboveAll = 0;
  uint8_t turnedToHero = 0;
  int32_t stepSize = 1;
  uint8_t tall = 0;
  uint8_t slideOnDiagonal = 0;
  uint8_t approachSlide = 0;
  int16_t loadedExtraGraphic = -1;
  uint8_t erased = 0;
  uint8_t partyMember = 0;
  uint8_t trailStepped = 0;
  uint8_t movingNow = 0;
  uint8_t movingLastFrame = 0;
  int32_t heightOffset = 0;
  std::vector<int32_t> reservedList;
  int32_t colorEffect = 0;
  int32_t colorEffectTicks = 1;
  int32_t colorEffectLeft = 0;
  int32_t shiftX = 0;
  int32_t shiftY = 0;
  int32_t shiftRepeats = 0;
  int32_t shiftTicks = 1;
  int32_t shiftCounter = 0;
  int32_t shiftOffsetX = 0;
  int32_t shiftOffsetY = 0;
  // Byte 0 extra-graphic number (255 none), bytes 1 and 2 contact ranges.
  std::vector<uint8_t> ContactRangeBytes = std::vector<uint8_t>(1, 0);
  // The hero's step directions, newest first; 0 no step.
  std::vector<int32_t> trail;
  double animationAccumulator = 0.0;
  // Written by the sprite: the cell size of the character sheet.
  int32_t spriteCellWidth = 0;
  int32_t spriteCellHeight = 0;

 protected:
  // One route interpreter for both kinds: with an event the steps are its
  // contact steps, without one the plain steps.
  void RunRoute(MapEventCharacter* contactEvent);
  // Steps toward the half cell (targetX, targetY); contactEvent as in
  // RunRoute.
  void StepToward(int64_t targetX, int64_t targetY, MapEventCharacter* contactEvent);
  void RandomStepBy(MapEventCharacter* contactEvent);
  // The four-way step along the longer axis first (differences ex, ey),
  // falling back to the other.
  void FourWayStep(int64_t ex, int64_t ey, int horizontal, int vertical, MapEventCharacter* contactEvent);

 private:
  bool StepStraight(int dir, int turnFirst);
  bool StepDiagonal(int dir, int turnFirst);
  bool StepFromHere(int fromX, int fromY, int dir) const;
  void SetFacing(int dir);
  void FaceDiagonal(int dir);
  // Records a completed step of the hero.
  void MovedBy(int dx, int dy, int recordedDirection);
  bool RouteStep(int dir, int turnFirst, MapEventCharacter* contactEvent);
  void ExecuteRouteCommand(const RouteCommand& command, MapEventCharacter* contactEvent);
};

// Smallest stored character block, for bounding a count of blocks read from
// a save before anything is sized by it.
inline constexpr size_t kMinCharacterStateBytes =
    size_t{4 * 4 + 1 + 4 + 2 + 2 * 4 + 2 + 2 * 6 + 3 + 4} + 2 * kMinStoredMoveSettings;

// The parallel runner of a map event: empty, or one runner. A runner reads
// its event's command list in place, so a copied or moved event gets a fresh
// runner that starts the page from its first line rather than one that still
// reads the list of the event it came from.
struct ParallelRunnerList : std::vector<EventRunner> {
  ParallelRunnerList() = default;
  // NOLINTNEXTLINE(bugprone-copy-constructor-init): a copy starts fresh runners, never copies them
  ParallelRunnerList(const ParallelRunnerList& other) : std::vector<EventRunner>() { StartFresh(other.size()); }
  ParallelRunnerList(ParallelRunnerList&& other) noexcept : std::vector<EventRunner>() { StartFresh(other.size()); }
  ParallelRunnerList& operator=(const ParallelRunnerList& other) {
    if (this != &other) StartFresh(other.size());
    return *this;
  }
  ParallelRunnerList& operator=(ParallelRunnerList&& other) noexcept {
    if (this != &other) StartFresh(other.size());
    return *this;
  }
  ~ParallelRunnerList() = default;

 private:
  void StartFresh(size_t count);
};

// A map event placed on the current map.
struct MapEventCharacter : MapCharacter {
  MapEventCharacter() = default;
  // The event of the record on map mapId, placed at the record's cell.
  MapEventCharacter(int mapIdOfEvent, const MapEvent& eventRecord);

  void SelectEventPage();
  int GetContactRange(int axis) const;
  bool IsWalkOverEvent() const;
  void ReserveEventStart();
  void ClearEventStartRequest() { startRequest = 0; }
  void CheckSelfStart();
  void StartEventErase(int ticks);
  void UpdateMapEvent();
  void DrawCharacterKeyInputField();
  void TriggerByEventContact(int a, int b);

  // The page-route interpreter (event contact steps), and move types 2, 3.
  void RunMoveRoute() { RunRoute(this); }
  void MoveRandomly();
  void MoveApproachingHero();
  bool EventStepInDirection(int dir, int turnFirst);
  void EventRandomStep();
  void EventStepTowardHero();
  void EventStepForward();

  int32_t mapId = -1;
  ParallelRunnerList parallelRunners;
  int32_t pageIndex = -1;
  EventPage page;
  // 0 action key, 1 auto start, 2 parallel, 3 hero touch, 4 event touch.
  int32_t StartType = 0;
  uint8_t startRequest = 0;
  MapEvent record;
  EventCommandList commands;
  int32_t eraseLeft = -1;
  int32_t eraseTotal = -1;
  int32_t eraseStartOpacity = 255;

 private:
  // The index of the last page whose conditions hold; -1 none or erased.
  int ChoosePage() const;
};

// Game.dat settings byte k as an unsigned byte; 0 when it is missing.
int GameSettingByte(size_t k);
// Direction deltas of a step of s half cells.
int StepDeltaX(int dir, int s);
int StepDeltaY(int dir, int s);
// own - other on an axis of length L half cells, the shortest way round when
// the axis loops.
int64_t LoopAwareDifference(int64_t own, int64_t other, int64_t length, bool loop);
// Whether map event `event` keeps `mover` out of half cell (tx, ty), a
// target already wrapped on a looping axis.
bool EventBlocksStep(const MapCharacter& mover, const MapEventCharacter& event, int64_t tx, int64_t ty);
// The same asked of every map event of the current map in turn.
bool AnyEventBlocksStepByScan(const MapCharacter& mover, int64_t tx, int64_t ty);
// Whether the main event runner has a script in hand.
bool MainRunnerBusy();
