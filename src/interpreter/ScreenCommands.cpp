#include <algorithm>
#include <cstdint>

#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "shell/GameSystem.h"
#include "shell/ScreenEffects.h"
#include "shell/StartupGlobals.h"

// Whole-screen commands: tone and flash, transitions, freezing the map
// picture, shaking, scrolling and timed effects. They only set state; the
// frame carries the effects out.

namespace {

// Captures the 20 x 15 cell screen (640 x 480 at either tile size).
void CaptureScreenInto(int graph) {
  CaptureScreenToGraph(0, 0, 20 * gTileSize * gScreenScale, 15 * gTileSize * gScreenScale, graph, 1);
}

// Percent + 100 to a tone component: 0 -> -255, 100 -> 0, 200 -> 255.
int ToneComponent(int percentPlus100) { return (percentPlus100 - 100) * 255 / 100; }

int SaturateToInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

bool PrepareTransition() {
  if (gGameSystem.windowOpen || gGameSystem.transitionRunning) return false;
  gGameSystem.screenFrozen = 1;
  CaptureScreenInto(gGameSystem.screenBuffers[GameSystem::kCaptureBuffer]);
  return true;
}

}  // namespace

bool EventRunner::CmdScreenColor() {
  const int word = Param(1);
  const int frames = Param(2);
  const int red = ToneComponent(word & 0xFF);
  const int green = ToneComponent((word >> 8) & 0xFF);
  const int blue = ToneComponent((word >> 16) & 0xFF);
  if (word & 0x1000000) {
    SetScreenFlash(gEventSystem, red, green, blue, frames);
  } else {
    SetScreenToneTarget(gEventSystem, red, green, blue, frames);
  }
  return true;
}

bool EventRunner::CmdTransitionType() {
  const int number = Param(1);
  const int frames = Param(2) & 0xFFFF;
  const int waits = (Param(2) >> 16) & 1;
  gEventSystem.transitionNumber = number;
  gEventSystem.transitionFrames = frames;
  gEventSystem.transitionFlag = static_cast<int8_t>(waits);
  SetTransitionImage(number, frames, waits);
  return true;
}

bool EventRunner::CmdPrepareTransition() { return PrepareTransition(); }

bool EventRunner::CmdExecuteTransition() {
  if (!gGameSystem.screenFrozen) PrepareTransition();
  if (gGameSystem.transitionRunning) return false;
  gGameSystem.screenFrozen = 0;
  gGameSystem.transitionRunning = 1;
  gGameSystem.transitionRemaining = gGameSystem.transitionTotal;
  return true;
}

bool EventRunner::CmdFreezeScreen() {
  gEventSystem.mapDrawn = 0;
  CaptureScreenInto(gGameSystem.screenBuffers[GameSystem::kFrozenBuffer]);
  return true;
}

bool EventRunner::CmdUnfreezeScreen() {
  gEventSystem.mapDrawn = 1;
  return true;
}

bool EventRunner::CmdShakeScreen() {
  const int word = Param(1);
  const int frames = RunnerReadValue(Param(2));
  const int amplitude = word & 0xF;
  const int speed = (word >> 4) & 0xF;
  switch ((word >> 8) & 0xF) {
    case 0: gCurrentMap.StartScreenShake(amplitude, speed, 0, frames); break;
    case 1: gCurrentMap.StartScreenShake(amplitude, speed, 1, frames); break;
    case 2: gCurrentMap.StopScreenShake(); break;
    default: break;
  }
  return true;
}

bool EventRunner::CmdScrollScreen() {
  const int word = Param(1);
  const int speed = (word >> 4) & 0xF;
  const uint8_t waits = (word >> 8) & 1;
  const int64_t tile = gTileSize;
  switch (word & 0xF) {
    case 0: {
      // Quarter pixels: 4 x tile size per cell, 4 per pixel.
      const int64_t unit = (word & 0x200) ? tile : 1;
      const int64_t dx = int64_t{RunnerReadValue(Param(2))} * 2 * tile / unit * 2;
      const int64_t dy = int64_t{RunnerReadValue(Param(3))} * 2 * tile / unit * 2;
      gCurrentMap.StartMapScroll(SaturateToInt(dx), SaturateToInt(dy), speed);
      gGameSystem.scrollWait = waits;
      break;
    }
    case 1: {
      // The hero's cell at the centre of the 20 x 15 screen.
      int64_t targetX = 2 * tile * gHero.x - 38 * tile;
      int64_t targetY = 2 * tile * gHero.y - 28 * tile;
      if (!gCurrentMap.loopX)
        targetX = std::max<int64_t>(std::min<int64_t>(targetX, (int64_t{GetMapWidth()} - 20) * 4 * tile), 0);
      if (!gCurrentMap.loopY)
        targetY = std::max<int64_t>(std::min<int64_t>(targetY, (int64_t{GetMapHeight()} - 15) * 4 * tile), 0);
      gCurrentMap.StartMapScroll(SaturateToInt(targetX - gCurrentMap.scrollX),
                                 SaturateToInt(targetY - gCurrentMap.scrollY), speed);
      gGameSystem.scrollWait = waits;
      break;
    }
    case 2: gEventSystem.scrollLock = 1; break;
    case 3: gEventSystem.scrollLock = 0; break;
    default: break;
  }
  return true;
}

bool EventRunner::CmdEffect() {
  const int word = Param(1);
  const int target = word & 0xF;
  const int kind = (word >> 4) & 0xF;
  const int frames = RunnerReadValue(Param(2));
  if (target == 0) {
    const int first = RunnerReadValue(Param(3));
    const int last = RunnerReadValue(Param(4));
    const int p1 = RunnerReadValue(Param(5));
    const int p2 = RunnerReadValue(Param(6));
    const int p3 = RunnerReadValue(Param(7));
    gPictureList.ApplyPictureEffectInRange(first, last, kind, p1, p2, p3, frames);
  } else if (target == 1) {
    MapCharacter* character = GetCharacterById(Param(3));
    if (character == nullptr) return true;
    if (kind == 0) {
      auto component = [&](int k) { return std::clamp(RunnerReadValue(Param(k)), -100, 100) + 100; };
      const int red = component(5);
      const int green = component(6);
      const int blue = component(7);
      character->StartCharacterColorEffect(red * 65536 + green * 256 + blue, frames);
    } else if (kind == 1) {
      const int dx = RunnerReadValue(Param(5));
      const int dy = RunnerReadValue(Param(6));
      const int repeats = RunnerReadValue(Param(7));
      character->StartCharacterShiftEffect(dx, dy, repeats, frames);
    }
  } else if (target == 2 && kind == 0) {
    const int centreX = RunnerReadValue(Param(5));
    const int centreY = RunnerReadValue(Param(6));
    const int zoom = RunnerReadValue(Param(7));
    gCurrentMap.StartMapScreenEffect(centreX, centreY, zoom, frames);
  }
  return true;
}
