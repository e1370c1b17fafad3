#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "gamedata/CommonEvent.h"
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

namespace runner_test {

// A command at an indent (the indent comes before the texts here, as most
// commands of these tests have none).
inline EventCommand Command(int code, std::initializer_list<int32_t> params = {}, int indent = 0,
                            std::initializer_list<std::string> strings = {}) {
  return MakeCommand(code, params, strings, static_cast<uint8_t>(indent));
}

// Normal variable n.
constexpr int Var(int n) { return 2000000 + n; }

// Variable operation "target op= left (arith) right" with plain operands.
inline EventCommand SetVar(int n, int value, int indent = 0) {
  return Command(121, {Var(n), value, 0, 0x4 | 0x8}, indent);
}
inline EventCommand AddVar(int n, int value, int indent = 0) {
  return Command(121, {Var(n), value, 0, 0x4 | 0x8 | (1 << 8)}, indent);
}

// A fresh game state for each test: running, frame step 1, a map with no
// events, no notices.
class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gGameSystem = GameSystem();
    gGameSystem.runState = 1;
    gCurrentMap = CurrentMap();
    gCommonEventList = CommonEventList();
    gCurrentMap.mapId = 1;
    gHero = Hero();
    gFrameStep = 1;
    gEventAbortFlag = 0;
    ClearRecordedNotices();
    PrepareVariables(100);
  }

  void PrepareVariables(int count);
  int Variable(int n);
  void SetVariable(int n, int value);

  // Runs the list in a fresh parallel-style runner.
  EventRunner& Start(std::vector<EventCommand> commands) {
    commands.push_back(Command(-1));
    runner_ = EventRunner();
    runner_.StartEventRunner(0, 0);
    runner_.SetupOwnEventCall(commands, -1, -1);
    return runner_;
  }

  EventRunner runner_;
};

}  // namespace runner_test
