#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "gamedata/Database.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "media/PublicFunctions.h"
#include "media/system/LibrarySystem.h"
#include "platform/input/Input.h"
#include "platform/time/Time.h"
#include "platform/window/Window.h"
#include "shell/DebugInfo.h"
#include "shell/GameSystem.h"
#include "shell/PlayerInput.h"
#include "shell/StartupGlobals.h"
#include "support/StartedLibrary.h"

namespace {

TEST(DebugInfoText, UpdateDurationBar) {
  const std::string bar = "|", square = "\x81\xA1", star = "\x81\x9A";
  auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  struct Case {
    int longest;
    std::string expected;
  } cases[] = {
      {-5, "0"},
      {0, "0"},
      {5, "5" + repeat(bar, 5)},
      {16, "16" + repeat(bar, 10) + repeat(square, 2)},  // squares at 12 and 15
      {40, "40" + repeat(bar, 10) + repeat(square, 5) + repeat(star, 2)},
      {1000000, "1000000" + repeat(bar, 10) + repeat(square, 5) + repeat(star, 7)},  // the sign limit
  };
  for (const Case& c : cases) EXPECT_EQ(UpdateDurationBar(c.longest), c.expected) << c.longest;
}

TEST(DebugInfoText, TheCutKeepsDoubleByteCharactersWhole) {
  const std::string a30(30, 'a'), hyo = "\x95\x5C";
  struct Case {
    std::string text, expected;
  } cases[] = {
      {std::string(32, 'a'), std::string(32, 'a')},
      {std::string(40, 'a'), std::string(32, 'a')},
      {a30 + "b" + hyo, a30 + "b"},        // the lead byte would be the 32nd
      {a30 + hyo + "x", a30 + hyo},        // the pair fits
      {"\xB1" + a30 + hyo, "\xB1" + a30},  // a half-width kana is one byte
  };
  for (const Case& c : cases) EXPECT_EQ(FirstBytesWhole(c.text), c.expected) << c.text;
}

class DebugInfo : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Started());
    gGameSystem = GameSystem();
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gGameInfo = GameInfo();
    gGameInfo.strings.assign(3, "");
    gGameInfo.strings[0] = "Title";
    gTestPlay = 0;
    InitInputState(gInput);
  }
  void TearDown() override {
    gTestPlay = 0;
    platform::ClearScriptedInput();
    SetDrawCallLogEnabled(0);
    ClearDrawCallLog();
  }
  static std::string Title() {
    return platform::GetWindowTitle(gLibrarySystem.mainWindow);  // as set, in CP932
  }
  static int FullScreenBoxes() {
    int count = 0;
    std::istringstream log(GetDrawCallLog());
    for (std::string line; std::getline(log, line);) count += line.rfind("PutBox(0,0,640,480,", 0) == 0;
    return count;
  }

  StartedLibrary library_;
};

TEST_F(DebugInfo, TitleFollowsTheInformationMode) {
  gGameSystem.infoMode = 0;
  DrawDebugInfo(1.0);
  EXPECT_EQ(Title(),
            "\x81wTitle\x81x \x81@\x81@\x81@\x81@ F4:\x89\xE6\x96\xCA\x95\xCF\x8DX / F8:\x8F\xEE\x95\xF1\x95\xCF\x8DX");
  gGameSystem.infoMode = 1;
  DrawDebugInfo(1.0);
  const std::string fast = Title();
  EXPECT_EQ(fast.rfind("[\x95`\x89\xE6"
                       "FPS",
                       0),
            0u)
      << fast;
  EXPECT_NE(fast.find("\x8D\x82\x83X\x83y\x83"
                      "b\x83N\x97p"),
            std::string::npos)
      << fast;
  // F5 changed the mode: the next drawn frame shows it.
  gEventSystem.frameSkipMode = 2;
  DrawDebugInfo(1.0);
  EXPECT_NE(Title().find("\x92\xE1\x83X\x83y\x83"
                         "b\x83N\x97p"),
            std::string::npos)
      << Title();
  gGameSystem.infoMode = 0;
  DrawDebugInfo(1.0);
  EXPECT_EQ(Title().rfind("\x81wTitle", 0), 0u);
}

// The drawn-frame rate of each second goes on being measured when the 31-bit
// millisecond clock wraps within the second.
TEST_F(DebugInfo, TheDrawnRateIsMeasuredAcrossTheClockWrap) {
  const uint64_t start = 0x80000000u - 1400;
  // Two frames a second apart put the second's start at start + 1000.
  platform::SetVirtualClock(start);
  DrawDebugInfo(1.0);
  platform::SetVirtualClock(start + 1000);
  DrawDebugInfo(1.0);
  for (int frame = 1; frame <= 10; ++frame) {
    platform::SetVirtualClock(start + 1000 + static_cast<uint64_t>(frame) * 100);
    DrawDebugInfo(1.0);
  }
  EXPECT_EQ(gEventSystem.debugTimeValue, 10);
}

TEST_F(DebugInfo, TheDataOverlayOnlyInTestPlayWhileF8IsHeld) {
  SetDrawCallLogEnabled(1);
  gInput.f8Held = 1;
  ClearDrawCallLog();
  DrawDebugInfo(1.0);
  EXPECT_EQ(FullScreenBoxes(), 0);
  gTestPlay = 1;
  ClearDrawCallLog();
  DrawDebugInfo(1.0);
  EXPECT_EQ(FullScreenBoxes(), 1);
  EXPECT_NE(std::string(GetDrawCallLog()).find("PutBox(0,300,640,480,"), std::string::npos);
  gInput.f8Held = 0;
  ClearDrawCallLog();
  DrawDebugInfo(1.0);
  EXPECT_EQ(FullScreenBoxes(), 0);
}

TEST_F(DebugInfo, TheVariableWindowPagesUntilTheLastColumnIsSeen) {
  SetDrawCallLogEnabled(1);
  gSystemDatabase = Database();
  gSystemDatabase.types.assign(15, DatabaseTypeData());
  gVariableStore = VariableStore();
  gVariableStore.context = &gEventSystem;
  gVariableStore.variableSets.assign(1, std::vector<int32_t>(400, 7));
  ClearDrawCallLog();
  DrawVariableWindow(true);  // outside test play: nothing
  EXPECT_EQ(FullScreenBoxes(), 0);

  gTestPlay = 1;
  // The confirm key held through every page's wait.
  ASSERT_TRUE(platform::SetScriptedKey(platform::kDikReturn, true));
  struct Case {
    int variables, pages;
  } cases[] = {{10, 1}, {150, 1}, {200, 2}, {400, 3}};  // 53 lines fill a column
  for (const Case& c : cases) {
    gSystemDatabase.ResizeDatabaseType(14, c.variables);
    ClearDrawCallLog();
    DrawVariableWindow(true);
    EXPECT_EQ(FullScreenBoxes(), c.pages) << c.variables;
  }
  EXPECT_EQ(gGameSystem.runState, 1);
}

}  // namespace
