#pragma once

#include <string>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/Database.h"
#include "gamedata/EventCommand.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"
#include "support/CommandListBuilder.h"

// A small running game for script tests: `commonCount` common events with
// their self cells, 100 normal variables, empty databases, map 1 without
// events, frame step 1, no notices, test play off.
inline void ResetScriptWorld(int commonCount) {
  gGameSystem = GameSystem();
  gCurrentMap = CurrentMap();
  gCurrentMap.mapId = 1;
  gHero = Hero();
  gFrameStep = 1;
  gTestPlay = 0;
  gEventAbortFlag = 0;
  gCommonEventList = CommonEventList();
  gCommonEventList.ResizeCommonEventList(commonCount);
  gCommonEventNameIndex.clear();
  gCommonFileIndex.clear();
  gUserDatabase = Database();
  gSystemDatabase = Database();
  gVariableDatabase = Database();
  LinkDatabases();
  gVariableStore = VariableStore(commonCount);
  gVariableStore.variableSets[0].assign(100, 0);
  gEventSystem = EventSystem(EventSystem::StaticInit{});
  gVariableStore.context = &gEventSystem;
  ClearRecordedNotices();
}

// Normal variable n.
constexpr int NormalVar(int n) { return 2000000 + n; }
// Self cell k of the running common event.
constexpr int OwnSelf(int k) { return 1600000 + k; }
// Self cell k of common event e.
constexpr int CommonSelf(int e, int k) { return 15000000 + e * 100 + k; }

// A list ending with the end command.
inline EventCommandList Terminated(std::vector<EventCommand> commands) {
  commands.push_back(MakeCommand(kEndCommandCode));
  return commands;
}

// Starts the runner afresh on its own copy of the commands, ended by the end command.
inline void StartScript(EventRunner& runner, std::vector<EventCommand> commands) {
  runner = EventRunner();
  runner.StartEventRunner(0, 0);
  runner.SetupOwnEventCall(Terminated(std::move(commands)), -1, 0);
}

// Runs frames until the runner is idle (at most `frames`); the frames run.
inline int RunUntilIdle(EventRunner& runner, int frames = 50) {
  for (int i = 1; i <= frames; ++i) {
    runner.RunEventRunner();
    if (!runner.IsEventRunnerBusy() && runner.children.empty()) return i;
  }
  return frames;
}
