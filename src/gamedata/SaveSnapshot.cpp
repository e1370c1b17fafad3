// Snapshots of the savable state: copies, resets, the block order of a save
// file and the restore of the live game from one.
#include "gamedata/CommonEvent.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/SaveManager.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "presentation/TextResources.h"
#include "shell/GameSystem.h"
#include "shell/ScreenEffects.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"

namespace {

Hero FreshHero() {
  Hero hero;
  hero.ConstructHero();
  return hero;
}

}  // namespace

SaveStateSnapshot::SaveStateSnapshot()
    : variableStore(gCommonEventList.Count()), hero(FreshHero()), pictureList(false) {
  variableStore.context = &eventSystem;
}

SaveStateSnapshot::SaveStateSnapshot(const SaveStateSnapshot& other)
    : currentMap(other.currentMap),
      eventSystem(other.eventSystem),
      variableStore(other.variableStore),
      hero(other.hero),
      pictureList(other.pictureList),
      variableDatabase(other.variableDatabase),
      replayLog(other.replayLog) {
  variableStore.context = &eventSystem;
}

SaveStateSnapshot& SaveStateSnapshot::operator=(const SaveStateSnapshot& other) {
  currentMap = other.currentMap;
  eventSystem = other.eventSystem;
  variableStore = other.variableStore;
  hero = other.hero;
  pictureList = other.pictureList;
  variableDatabase = other.variableDatabase;
  replayLog = other.replayLog;
  variableStore.context = &eventSystem;
  return *this;
}

void SaveStateSnapshot::ResetSnapshotState() {
  currentMap = CurrentMap();
  variableStore = VariableStore(gCommonEventList.Count());
  hero = FreshHero();
  eventSystem = EventSystem();
  pictureList.ClearPictureList(false);
  variableDatabase = Database();
  variableStore.context = &eventSystem;
}

void SaveStateSnapshot::CaptureLiveState() {
  variableStore = gVariableStore;
  eventSystem = gEventSystem;
  currentMap = gCurrentMap;
  hero = gHero;
  pictureList = gPictureList;
  variableDatabase = gVariableDatabase;
  variableStore.context = &eventSystem;
}

bool SaveStateSnapshot::WriteSnapshotBlocks() {
  currentMap.SaveMapState();
  eventSystem.SaveEventSystemState();
  variableStore.SaveVariableStore();
  hero.SaveHeroState();
  pictureList.SavePictureList();
  variableDatabase.SaveDatabaseState();
  // A save carries no log of its own: the live one's block is written.
  gRandomSeedLog.SaveRandomSeedLog();
  eventSystem.savedStateFlag = 1;
  return true;
}

// The block readers' results are not used: the file reader judges the
// buffer's short-data flag and the end marker afterwards.
bool SaveStateSnapshot::RestoreSnapshot(bool applyLive, bool /*replay*/) {
  if (!applyLive) {
    currentMap = CurrentMap();
    pictureList.ClearPictureList(false);
    currentMap.LoadMapState(false);
    eventSystem.LoadEventSystemState();
    variableStore.LoadVariableStore(false);
    hero.LoadHeroState();
    pictureList.LoadPictureList(false);
    variableDatabase.LoadDatabaseState();
    replayLog.LoadRandomSeedLog();
    variableStore.context = &eventSystem;
    return true;
  }

  // Music stops; the graphic cache and every graph go and the screen buffers
  // are made again; the next frame's reset handling finishes the load.
  PlaySoundChannel(0, -1, 0, 0);
  PlaySoundChannel(1, -1, 0, 0);
  ReleaseAllGraphics();
  ReleaseAllGraphs(0);
  gGameSystem.RecreateScreenBuffers();
  gGameSystem.restoreReset = 1;
  gCurrentMap.ResetCurrentMap();
  // Fonts are made afresh; the icons were among the graphs deleted above.
  gTextResources.ClearFontCache();
  gTextResources.LoadIconList();

  gEventSystem = EventSystem();
  gVariableStore = VariableStore(gCommonEventList.Count());
  gHero = FreshHero();
  gPictureList.ClearPictureList(true);
  gVariableDatabase = Database();
  // The fresh database has no links to the other two.
  LinkDatabases();

  gCurrentMap.LoadMapState(true);
  gEventSystem.LoadEventSystemState();
  gVariableStore.LoadVariableStore(true);
  gVariableStore.context = &gEventSystem;
  gHero.LoadHeroState();
  gPictureList.LoadPictureList(true);
  gVariableDatabase.LoadDatabaseState();

  gCurrentMap.pageRefresh = 1;
  if (gHero.ContactRangeBytes.empty()) gHero.ContactRangeBytes.resize(1);
  gHero.ContactRangeBytes[0] = static_cast<uint8_t>(gEventSystem.heroOpacity);
  SetTransitionImage(gEventSystem.transitionNumber, gEventSystem.transitionFrames, gEventSystem.transitionFlag);
  gRandomSeedLog.LoadRandomSeedLog();
  return true;
}
