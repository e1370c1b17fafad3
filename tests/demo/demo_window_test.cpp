#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/Commands.h"
#include "support/DemoGame.h"
#include "support/GameOnXvfb.h"
#include "support/ScratchFolder.h"

namespace {

using std::chrono::milliseconds;

// The play lasts the demo's first minute of real time (Game paces itself to
// the clock, so it cannot go faster).
constexpr auto kPlayTime = std::chrono::seconds(60);

// One key typed into the window: held for `holdMs`, then `afterMs` of waiting.
struct Keystroke {
  const char* key;
  int holdMs;
  int afterMs;
};

// Title: new game; to the sign and a talk through its message and choice;
// down a row and right through the door.
constexpr Keystroke kOpening[] = {
    {"z", 100, 1200}, {"Right", 1400, 300}, {"z", 100, 1500},
    {"z", 100, 1000}, {"Down", 120, 500},   {"Right", 3500, 1500},
};
// Then round and round, with cancel and sub among the steps, until the
// minute is over.
constexpr Keystroke kRound[] = {
    {"Left", 900, 200}, {"Up", 600, 200}, {"x", 100, 800}, {"x", 100, 500}, {"Right", 900, 200},
    {"Down", 600, 200}, {"c", 100, 500},  {"z", 100, 800}, {"z", 100, 500},
};

size_t CountColour(const std::vector<uint32_t>& pixels, uint32_t colour) {
  return static_cast<size_t>(std::count(pixels.begin(), pixels.end(), colour));
}

// Under a real X server with the real SDL window and audio to SDL's dummy
// driver, keys typed with xdotool play the demo's first minute: new game on
// the title, a talk with the sign, the walk through the door and on. The
// window shows the hero once the title is left and the game is still
// running after the minute; a close request from the window (as a desktop's
// close button sends) then ends Game with exit code 0.
TEST(DemoWindowTest, RealKeysPlayTheFirstMinuteAndClosingTheWindowEndsWithExitCodeZero) {
  if (!HasProgram("Xvfb") || !HasProgram("xdotool") || !HasProgram("xwd"))
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  if (!std::filesystem::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder folder;
  const auto game = folder.Path() / "game";
  WriteDemoGame(game, DemoForm::Plain);

  GameOnXvfb x;
  ASSERT_TRUE(x.StartServer()) << "Xvfb did not start";
  x.StartGame(game);
  const std::string window = x.Window();
  ASSERT_FALSE(window.empty()) << "no Game window";
  const auto begin = std::chrono::steady_clock::now();
  x.Run("xdotool windowfocus --sync " + window);
  int w = 0, h = 0;
  const std::vector<uint32_t> title = x.Capture(window, folder.Path() / "title.xwd", &w, &h);
  ASSERT_EQ(w, 640);
  ASSERT_EQ(h, 480);

  const auto type = [&](const Keystroke& k) {
    x.Run(std::string("xdotool keydown --window ") + window + " " + k.key);
    std::this_thread::sleep_for(milliseconds(k.holdMs));
    x.Run(std::string("xdotool keyup --window ") + window + " " + k.key);
    std::this_thread::sleep_for(milliseconds(k.afterMs));
  };
  type(kOpening[0]);
  type(kOpening[1]);
  const std::vector<uint32_t> atTheSign = x.Capture(window, folder.Path() / "sign.xwd", &w, &h);
  ASSERT_EQ(atTheSign.size(), title.size());
  EXPECT_NE(atTheSign, title) << "the keys changed nothing on the screen";
  EXPECT_GT(CountColour(atTheSign, kDemoHeroBody), 0u) << "no hero after the title";
  for (size_t i = 2; i < std::size(kOpening); ++i) type(kOpening[i]);
  for (size_t step = 0; std::chrono::steady_clock::now() - begin < kPlayTime; ++step)
    type(kRound[step % std::size(kRound)]);

  EXPECT_EQ(x.WaitForExit(0.0), -1) << "Game ended during the play";
  const std::vector<uint32_t> last = x.Capture(window, folder.Path() / "last.xwd", &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  ASSERT_TRUE(x.CloseWindow(window));
  EXPECT_EQ(x.WaitForExit(10.0), 0);
  EXPECT_NE(ScratchFolder::Read(game / "Game.ini").find("Start=0"), std::string::npos);
}

}  // namespace
