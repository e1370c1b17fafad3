#include "shell/ScreenEffects.h"

#include <algorithm>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/StartupGlobals.h"

namespace {

enum : int { kBlendNone = 0, kBlendAlpha = 1 };
// toneState: current r, g, b, then start r, g, b, then target r, g, b.
constexpr size_t kCurrent = 0, kStart = 3, kTarget = 6;

int16_t Low16(int64_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); }

}  // namespace

void SetScreenToneTarget(EventSystem& events, int red, int green, int blue, int frames) {
  events.toneFrames = events.toneFramesTotal = Low16(int64_t{frames} + 1);
  for (size_t c = 0; c < 3; ++c) events.toneState[kStart + c] = events.toneState[kCurrent + c];
  events.toneState[kTarget + 0] = Low16(red);
  events.toneState[kTarget + 1] = Low16(green);
  events.toneState[kTarget + 2] = Low16(blue);
}

void SetScreenFlash(EventSystem& events, int red, int green, int blue, int frames) {
  events.flashFrames = events.flashFramesTotal = Low16(int64_t{frames} + 1);
  events.flashColor = {Low16(red), Low16(green), Low16(blue)};
}

void SetTransitionImage(int index, int frames, int waits) {
  GameSystem& game = gGameSystem;
  ReleaseGraph(game.transitionMaskGraph, 0);
  game.transitionMaskGraph = -1;
  if (index >= 0) {
    game.transitionImagePath = gDataFolderPath + gSystemDatabase.ReadDatabaseString(11, index, 0);
    game.transitionMaskGraph = ReadImageFileToAlphaGraph(game.transitionImagePath.c_str());
    game.plainFade = 0;
  } else {
    game.transitionImagePath.clear();
    game.plainFade = 1;
  }
  game.transitionTotal = frames;
  game.transitionWaits = waits != 0 ? 1 : 0;
}

void StepScreenTone(EventSystem& events) {
  int left = events.toneFrames;
  const int total = events.toneFramesTotal;
  if (left != -1) {
    if (left < 0 || total <= 0) {
      // A length that wrapped (65,535 frames, or -1) has no steps to share
      // out: the tone takes its target at once.
      for (size_t c = 0; c < 3; ++c) events.toneState[kCurrent + c] = events.toneState[kTarget + c];
      left = -1;
    } else {
      for (size_t c = 0; c < 3; ++c) {
        const int start = events.toneState[kStart + c];
        const int target = events.toneState[kTarget + c];
        events.toneState[kCurrent + c] = Low16(target + (start - target) * left / total);
      }
      left = left == 0 ? -1 : std::max(left - gFrameStep, 0);
    }
    events.toneFrames = Low16(left);
  }
  if (events.flashFrames > 0) events.flashFrames = Low16(std::max(events.flashFrames - gFrameStep, -32768));
}

void StepTransition(GameSystem& game) {
  game.transitionRemaining = std::max(game.transitionRemaining - gFrameStep, -10);
}

void DrawFlash(const EventSystem& events) {
  const int left = events.flashFrames;
  const int total = events.flashFramesTotal;
  if (left <= 0 || total <= 0) return;
  SetBlendState(kBlendAlpha, std::min(left, total) * 255 / total);
  SetDrawTint(255, 255, 255);
  PutBox(0, 0, 640, 480, PackColor(events.flashColor[0], events.flashColor[1], events.flashColor[2]), 1);
}

void DrawTransition(GameSystem& game) {
  if (!game.transitionRunning) return;
  SetDrawTint(255, 255, 255);
  const int remaining = game.transitionRemaining;
  const int total = game.transitionTotal;
  if (remaining >= 0 && total > 0) {
    const int level = static_cast<int>(int64_t{std::min(remaining, total)} * 255 / total);
    if (game.plainFade) {
      SetBlendState(kBlendAlpha, level);
      PutGraph(0, 0, game.screenBuffers[GameSystem::kCaptureBuffer], 0);
    } else {
      SetBlendState(kBlendAlpha, 255);
      DrawBlendGraph(0, 0, game.screenBuffers[GameSystem::kCaptureBuffer], 1, game.transitionMaskGraph, 255 - level,
                     64);
    }
    return;
  }
  game.transitionRunning = 0;
  game.transitionWaits = 0;
}

void DrawCapturedScreen(const GameSystem& game) {
  SetBlendState(kBlendNone, 255);
  PutGraph(0, 0, game.screenBuffers[GameSystem::kFrozenBuffer], 0);
}
