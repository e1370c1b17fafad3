#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Commands.h"
#include "support/GameOnXvfb.h"
#include "support/PngReader.h"
#include "support/SampleGame.h"
#include "support/ScratchFolder.h"

namespace {

// Under a real X server, keys typed into the Game's window walk the hero to
// the sign and open its message: outside the windows, the window read back
// equals the headless run's screenshot of the same moment (the map does not
// animate). A quit request then ends Game with exit code 0.
TEST(GameWindowTest, RealKeysWalkTheHeroAndTheWindowShowsWhatTheHeadlessRunShows) {
  if (!HasProgram("Xvfb") || !HasProgram("xdotool") || !HasProgram("xwd"))
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  if (!std::filesystem::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder folder;
  const auto game = folder.Path() / "game";
  std::filesystem::create_directories(game);
  WriteSampleGame(game);
  // The headless reference: the build's walk replay up to its last frame.
  const std::vector<uint8_t> replay = SampleWalkReplay();
  folder.Write("walk.replay", std::string(replay.begin(), replay.end()));
  const std::string reference = (folder.Path() / "reference.png").string();
  const std::string headless =
      // A lock folder of its own: a Game of a parallel test is no second copy.
      RunCommand("XDG_RUNTIME_DIR=" + folder.Path().string() + " " + GameExecutable().string() + " --headless " +
                 std::to_string(kSampleWalkFrames - 1) + " --replay " + (folder.Path() / "walk.replay").string() +
                 " --screenshot " + std::to_string(kSampleWalkFrames - 1) + ":" + reference + " " + game.string());
  int rw = 0, rh = 0;
  const std::vector<uint32_t> expected = ReadPngFile(reference, &rw, &rh);
  ASSERT_EQ(rw, 640) << headless;
  std::filesystem::remove(game / "Game.ini");

  GameOnXvfb x;
  ASSERT_TRUE(x.StartServer()) << "Xvfb did not start";
  x.StartGame(game);
  const std::string window = x.Window();
  ASSERT_FALSE(window.empty()) << "no Game window";
  x.Run("xdotool windowfocus --sync " + window);
  x.Run("xdotool keydown --window " + window + " Right");
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  x.Run("xdotool keyup --window " + window + " Right");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  x.Run("xdotool key --window " + window + " z");
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  int w = 0, h = 0;
  const std::vector<uint32_t> shown = x.Capture(window, folder.Path() / "window.xwd", &w, &h);
  ASSERT_EQ(w, 640) << window;
  ASSERT_EQ(h, 480);
  // The map and the hero pixel for pixel; the windows' cursor and text
  // reveal and the sign's turn toward the hero run on their own clocks and
  // are left out.
  const int signX = (kSampleHeroX + kSampleSignSteps) * 32;
  const auto compared = [](int y) { return y < 128 || (y >= 216 && y < 288) || y >= 340; };
  int differing = 0, left = w, top = h, right = -1, bottom = -1;
  for (int y = 0; y < h; ++y)
    for (int x0 = 0; x0 < w && compared(y); ++x0) {
      const size_t i = static_cast<size_t>(y) * w + x0;
      // The headless run plays a replay, so its corner shows the replay clock.
      const bool replayClock = x0 >= 530 && y >= 456;
      if (shown[i] == expected[i] || (x0 >= signX && x0 < signX + 32) || replayClock) continue;
      ++differing;
      left = std::min(left, x0), top = std::min(top, y), right = std::max(right, x0), bottom = std::max(bottom, y);
    }
  EXPECT_EQ(differing, 0) << "in (" << left << ", " << top << ") - (" << right << ", " << bottom << ")";

  EXPECT_EQ(x.Quit(), 0);
  EXPECT_NE(ScratchFolder::Read(game / "Game.ini").find("Start=0"), std::string::npos);
}

}  // namespace
