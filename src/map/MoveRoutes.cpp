#include <algorithm>

#include "gamedata/Database.h"
#include "gamedata/GameText.h"
#include "gamedata/VariableId.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/MapCharacter.h"
#include "map/MapMath.h"
#include "shell/NoticeBox.h"
#include "shell/SoundChannels.h"

namespace {

constexpr int kGraphicType = 8;

// Rewrites an operand for the character with id e: its own self variables
// and information fields, and refuses common-event self variables.
int32_t RebaseOperand(int32_t operand, int32_t e) {
  const int64_t own = 10 * int64_t{e} + operand % 10;
  if (operand >= 1100000 && operand <= 1199999) return SaturateInt(1000000 + own);
  if (operand >= 9190000 && operand <= 9199999) return SaturateInt(9100000 + own);
  if (operand >= 1600000 && operand <= 1699999) {
    ShowNoticeBox(Cp932Text("[動作指定]ではコモンセルフ変数を利用できません。"), ErrorLocationText(), "");
    return 0;
  }
  return operand;
}

bool IsMovementCode(int code) { return code <= 7 || (code >= 16 && code <= 21) || code == 53 || code == 54; }
bool IsFacingCode(int code) { return (code >= 8 && code <= 15) || (code >= 22 && code <= 27); }

}  // namespace

void MapCharacter::RunForcedMoveRoute() { RunRoute(nullptr); }

void MapCharacter::RunRoute(MapEventCharacter* contactEvent) {
  if (IsJumping() || UpdateMovingFlag()) return;
  for (;;) {
    const size_t count = route.route.size();
    if (routePosition < 0 || static_cast<size_t>(routePosition) > count || routeWait > 0) return;
    if (static_cast<size_t>(routePosition) == count) {
      if (route.routeFlags & 1) {
        routePosition = 0;
      } else {
        if (routeRunning) {
          // The started route ends: back to the page route where it stopped.
          routeRunning = 0;
          route = savedRoute;
          routePosition = savedRoutePosition;
          savedRoute.route.clear();
        }
        idleTicks = 0;
      }
      return;
    }
    RouteCommand command = route.route[static_cast<size_t>(routePosition)];
    for (int32_t& operand : command.args) operand = RebaseOperand(operand, id);
    const int code = command.code;
    ExecuteRouteCommand(command, contactEvent);
    if (IsMovementCode(code)) {
      const bool skip = (route.routeFlags & 2) != 0;
      if (!skip && !IsJumping() && !UpdateMovingFlag()) return;
      routePosition = static_cast<int16_t>(routePosition + 1);
      return;
    }
    routePosition = static_cast<int16_t>(routePosition + 1);
    if (IsFacingCode(code)) return;
  }
}

void MapCharacter::ExecuteRouteCommand(const RouteCommand& command, MapEventCharacter* contactEvent) {
  auto raw = [&](size_t i) { return i < command.args.size() ? command.args[i] : 0; };
  auto value = [&](size_t i) { return gVariableStore.ReadVariable(raw(i)); };
  auto literal = [&](size_t i) { return static_cast<int16_t>(static_cast<uint16_t>(raw(i))); };
  static constexpr int kStepDirections[8] = {2, 4, 6, 8, 1, 3, 7, 9};
  const int code = command.code;
  if (code <= 7) {
    RouteStep(kStepDirections[code], 1, contactEvent);
    return;
  }
  switch (code) {
    case 8: FaceDown(); break;
    case 9: FaceLeft(); break;
    case 10: FaceRight(); break;
    case 11: FaceUp(); break;
    case 12: FaceDownLeft(); break;
    case 13: FaceDownRight(); break;
    case 14: FaceUpLeft(); break;
    case 15: FaceUpRight(); break;
    case 16: contactEvent ? contactEvent->EventRandomStep() : RandomStep(); break;
    case 17: contactEvent ? contactEvent->EventStepTowardHero() : StepTowardHero(); break;
    case 18: StepAwayFromHero(); break;
    case 19: contactEvent ? contactEvent->EventStepForward() : StepForward(); break;
    case 20: StepBackward(); break;
    case 21: JumpBy(value(0), value(1)); break;
    case 22: TurnRight(); break;
    case 23: TurnLeft(); break;
    case 24: TurnRandomly(); break;
    case 25: FaceRandomDirection(); break;
    case 26: FaceHero(); break;
    case 27: FaceAwayFromHero(); break;
    case 28:
      gVariableStore.WriteVariable(raw(0), value(1));
      gCurrentMap.pageRefresh = 1;
      break;
    case 29: moveSpeed = literal(0); break;
    case 30: moveFrequency = literal(0); break;
    case 31: animationSpeed = literal(0); break;
    case 32: stepAnimation = 1; break;
    case 33: stepAnimation = 0; break;
    case 34: walkAnimation = 1; break;
    case 35: walkAnimation = 0; break;
    case 36: fixedDirection = 1; break;
    case 37: fixedDirection = 0; break;
    case 38: passThrough = 1; break;
    case 39: passThrough = 0; break;
    case 40: aboveAll = 1; break;
    case 41: aboveAll = 0; break;
    case 44: graphicName = gSystemDatabase.ReadDatabaseString(kGraphicType, value(0), 0); break;
    case 45: opacity = static_cast<int16_t>(std::clamp(value(0), 0, 255)); break;
    case 46: PlaySoundChannel(2, value(0), 1, 0); break;
    case 47: routeWait = value(0); break;
    case 48: stepSize = 1; break;
    case 49: stepSize = 2; break;
    case 50: restingPattern = 0; break;
    case 51: restingPattern = 1; break;
    case 52: restingPattern = 2; break;
    case 53: StepTowardTarget(true, value(0), 0); break;
    case 54: StepTowardTarget(false, value(0), value(1)); break;
    case 55: {
      const int id = raw(0);
      gVariableStore.WriteVariable(id, SaturateInt(int64_t{gVariableStore.ReadVariable(id)} + value(1)));
      gCurrentMap.pageRefresh = 1;
      break;
    }
    default: break;
  }
}
