#include "shell/Frame.h"

#include <cstdint>

#include "gamedata/CommonEvent.h"
#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "interpreter/LinkPass.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "shell/DebugInfo.h"
#include "shell/FrameControls.h"
#include "shell/GameSystem.h"
#include "shell/PlayerInput.h"
#include "shell/Replay.h"
#include "shell/ScreenEffects.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"

namespace {

int gDrawnFrames = 0;

// A BGM or BGS played by file name (-3) is registered again in the next spare
// row after a load; its entry number is returned (-1 when the type has no
// spare rows, so nothing plays).
int RegisterRestoredFileSound(int kind) {
  const std::string& text = kind == 0 ? gEventSystem.bgmFileText : gEventSystem.bgsFileText;
  const auto& values = kind == 0 ? gEventSystem.bgmFileValues : gEventSystem.bgsFileValues;
  int& slot = gGameSystem.soundListSizes[3 + static_cast<size_t>(kind)];
  slot = ((slot % 10) + 10) % 10;
  const int number = gGameSystem.soundListSizes[static_cast<size_t>(kind)] + slot;
  if (number < 0 || number >= gSystemDatabase.GetDatabaseDataCount(kind + 1)) return -1;
  gSystemDatabase.WriteDatabaseString(kind + 1, number, 0, text);
  for (int i = 0; i < 3; ++i) gSystemDatabase.WriteDatabaseInt(kind + 1, number, i + 1, values[static_cast<size_t>(i)]);
  LoadSoundFileEntry(text, kind, number);
  if (const auto found = gSoundNameIndex.find(text); found != gSoundNameIndex.end())
    gSoundManager.handles[static_cast<size_t>(kind)][number] = found->second;
  slot = (slot + 1) % 10;
  return number;
}

void PostLoadReset(GameScene& scene) {
  ReleaseAllGraphics();
  RebuildCharacterSprites(*scene.mapView);
  scene.choiceWindow->LoadChoiceWindowGraphics();
  scene.messageWindow->LoadMessageWindowGraphics();
  gGameSystem.restoreReset = 0;
  gEventAbortFlag = 0;
  int bgm = gEventSystem.currentBgm;
  int bgs = gEventSystem.currentBgs;
  gEventSystem.currentBgm = -100;
  gEventSystem.currentBgs = -100;
  if (bgm == -3) bgm = RegisterRestoredFileSound(0);
  if (bgs == -3) bgs = RegisterRestoredFileSound(1);
  PlaySoundChannel(0, bgm, 20, 0);
  PlaySoundChannel(1, bgs, 20, 0);
  RebuildCommonEvents();
  LinkCommonEventCommands();
  gEventSystem.StartEventRunner(0, 1);
}

void DrawFrame(GameScene& scene) {
  const int t0 = MillisecondClock();
  ClearDrawTarget();
  scene.drawAccumulator = 0.0f;
  SetDrawSampling(0);
  ApplyScreenTone(gEventSystem, false, false, nullptr);
  if (gEventSystem.mapDrawn) {
    DrawMap(*scene.mapView);
  } else {
    DrawCapturedScreen(gGameSystem);
  }
  ApplyScreenTone(gEventSystem, true, false, nullptr);
  ApplyScreenTone(gEventSystem, false, true, nullptr);
  SetDrawSampling(0);
  gPictureList.DrawPictureLayer(0);
  scene.messageWindow->DrawMessageWindow();
  scene.choiceWindow->DrawChoiceWindow();
  gPictureList.DrawPictureLayer(1);
  SetDrawSampling(0);
  DrawFlash(gEventSystem);
  DrawTransition(gGameSystem);
  gEventSystem.DrawKeyInputField();
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) event.DrawCharacterKeyInputField();
  for (CommonEventRunEntry& entry : gCurrentMap.commonEventRunEntries)
    if (!entry.runners.empty()) entry.runners.front().DrawKeyInputField();
  DrawDebugInfo(gEventSystem.drawFactor);
  gGameSystem.drawDuration = MillisecondClock() - t0;
  PresentFrame();
  ++gDrawnFrames;
  gGameSystem.tilesetChanged = 0;
}

}  // namespace

int PacingWait(int start, int now) {
  const int elapsed = ClockElapsed(start, now);
  return elapsed >= 16 ? 0 : 16 - elapsed;
}

int DrawnFrameCount() { return gDrawnFrames; }

void ConstructScene(GameScene& scene) {
  scene = GameScene{};
  scene.mapView = std::make_unique<MapView>();
  scene.messageWindow = std::make_unique<MessageWindow>();
  scene.choiceWindow = std::make_unique<ChoiceWindow>();
  gMessageWindow = scene.messageWindow.get();
  gChoiceWindow = scene.choiceWindow.get();
  scene.drawAccumulator = gEventSystem.drawFactor;
  scene.modeHandlers[0] = EmptyUpdate;
  scene.modeHandlers[1] = RunMainLoop;
}

void DestroyScene(GameScene& scene) {
  scene.choiceWindow.reset();
  scene.messageWindow.reset();
  scene.mapView.reset();
  scene = GameScene{};
}

int RunSceneMode(GameScene& scene) {
  const int state = gGameSystem.runState;
  if (state < 0 || state > 1 || !scene.modeHandlers[state]) return 0;
  return scene.modeHandlers[state](scene);
}

int EmptyUpdate(GameScene&) { return 0; }

int RunMainLoop(GameScene& scene) { return MainLoop(scene); }

bool RunLoopPass(GameScene& scene) {
  PollInput(gInput);
  if (gReplayPlaying && gReplayFinished) {
    gReplayPlaying = gReplayFinished = 0;
    gGameSystem.runState = 0;
    scene.messageWindow->CloseMessageWindow();
    scene.choiceWindow->CloseChoiceWindow();
    return false;
  }
  for (int i = 4; i >= 1; --i)
    gGameSystem.updateDurations[static_cast<size_t>(i)] = gGameSystem.updateDurations[static_cast<size_t>(i - 1)];
  gGameSystem.updateDurations[0] = MillisecondClock();
  RunFrame(scene);
  HandleFunctionKeys(0);
  MeasureFps(1);
  if (gGameSystem.runState != 1) {
    scene.messageWindow->CloseMessageWindow();
    scene.choiceWindow->CloseChoiceWindow();
    return false;
  }
  // Holding the cancel key (live, not from the log) ends a replay.
  if (gReplayPlaying && gInput.liveActionHeld[1]) gReplayFinished = 1;
  return true;
}

int MainLoop(GameScene& scene) {
  scene.drawAccumulator = 0.0f;
  scene.lastPassStart = MillisecondClock();
  RebuildCharacterSprites(*scene.mapView);
  for (;;) {
    if (const int result = RunMessageLoopRound(); result != 0) return result;
    if (!RunLoopPass(scene)) return 0;
    EndLoopPass(scene);
  }
}

void EndLoopPass(GameScene& scene) {
  WaitMillisecondsPumping(PacingWait(scene.lastPassStart, MillisecondClock()));
  scene.drawAccumulator += gEventSystem.drawFactor;
  scene.lastPassStart = MillisecondClock();
}

void RunFrame(GameScene& scene) {
  if (gCurrentMap.mapId == -1) TransferMap(scene);
  if (gGameSystem.runState == -1) return;
  if (gGameSystem.restoreReset) PostLoadReset(scene);
  gEventSystem.frameCounter = (gEventSystem.frameCounter + 1) % 10000000;
  if (gGameSystem.tileFlagsChanged) {
    gGameSystem.tileFlagsChanged = 0;
    scene.mapView->tileView.UpdateTilePriorities();
  }
  if (!RunFrameLogic()) return;
  if (gGameSystem.transferPending) TransferMap(scene);
  scene.choiceWindow->UpdateChoiceWindow();
  scene.messageWindow->UpdateMessageWindow();
  gPictureList.UpdatePictures();
  UpdateSounds();
  StepTransition(gGameSystem);
  StepScreenTone(gEventSystem);
  UpdatePanoramaAndFog(*scene.mapView);
  gGameSystem.updateDurations[0] = MillisecondClock() - gGameSystem.updateDurations[0];
  // Truncated toward zero, as the map's fine units are divided.
  scene.mapView->tileView.scrollX = gCurrentMap.scrollX / 4;
  scene.mapView->tileView.scrollY = gCurrentMap.scrollY / 4;
  if (scene.drawAccumulator >= 1.0f && !gGameSystem.screenFrozen) DrawFrame(scene);
}

bool RunFrameLogic() {
  gCurrentMap.UpdateCurrentMap();
  gEventSystem.RunEventRunner();
  if (gEventAbortFlag || gGameSystem.restoreReset) return false;
  gHero.UpdateHeroFromInput();
  return true;
}

void TransferMap(GameScene& scene) {
  gGameSystem.transferPending = 0;
  const bool changed = gCurrentMap.mapId != gGameSystem.transferMapId;
  if (changed) {
    gCurrentMap.ChangeMap(gGameSystem.transferMapId);
    if (gGameSystem.runState == -1) return;
    ReleaseUnusedSounds(false);
    gCurrentMap.PlayMapSound();
  }
  gHero.PlaceHeroAndCenterView(gGameSystem.transferX, gGameSystem.transferY, 1);
  gHero.ResetCharacterMotion();
  gHero.loadedExtraGraphic = -1;
  gCurrentMap.pageRefresh = 1;
  gCurrentMap.UpdateCurrentMap();
  if (changed) {
    ReleaseAllGraphics();
    RebuildCharacterSprites(*scene.mapView);
  }
  gHero.GatherPartyAtHero();
  PollInput(gInput);
}
