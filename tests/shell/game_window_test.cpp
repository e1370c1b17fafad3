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
#include "support/PngReader.h"
#include "support/SampleGame.h"
#include "support/ScratchFolder.h"

namespace {

// An X display of our own with the real Game on it.
class GameOnXvfb {
 public:
  ~GameOnXvfb() {
    if (game_ > 0) {
      kill(game_, SIGKILL);
      waitpid(game_, nullptr, 0);
    }
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }

  bool StartServer() {
    display_ = StartXvfb(&server_);
    return !display_.empty();
  }

  void StartGame(const std::filesystem::path& folder) {
    game_ = fork();
    if (game_ == 0) {
      setenv("DISPLAY", display_.c_str(), 1);
      setenv("SDL_VIDEODRIVER", "x11", 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      // The desktop's message bus library that SDL's X11 video loads keeps a
      // buffer to the end in a sanitizer build; the exit code is the Game's.
      setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
      const std::string game = GameExecutable().string();
      execl(game.c_str(), game.c_str(), folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  // The Game's window id, waiting until it is mapped and the start-up (which
  // may make the window anew) has settled.
  std::string Window() {
    Run("xdotool search --sync --onlyvisible --pid " + std::to_string(game_));
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    std::string id = Run("xdotool search --sync --onlyvisible --pid " + std::to_string(game_) + " | head -n 1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
  }

  std::string Run(const std::string& command) { return RunCommand("DISPLAY=" + display_ + " " + command); }

  // Exit code after a quit request (as the desktop sends when its session
  // ends), or -1 when the game did not end within a few seconds.
  int Quit() {
    kill(game_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      int status = 0;
      if (waitpid(game_, &status, WNOHANG) == game_) {
        game_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }

 private:
  pid_t server_ = 0;
  pid_t game_ = 0;
  std::string display_;
};

// The XWD image of a window as 0xRRGGBB pixels (32 bits per pixel, the
// server's byte order); empty when it is not one.
std::vector<uint32_t> ReadXwd(const std::string& bytes, int* width, int* height) {
  auto field = [&](int i) -> uint32_t {
    const size_t at = static_cast<size_t>(i) * 4;
    if (at + 4 > bytes.size()) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  };
  const uint32_t headerSize = field(0), byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12);
  const uint32_t colours = field(19);
  *width = static_cast<int>(field(4));
  *height = static_cast<int>(field(5));
  const size_t start = headerSize + static_cast<size_t>(colours) * 12;
  if (bitsPerPixel != 32 || *width <= 0 || *height <= 0 ||
      start + static_cast<size_t>(bytesPerLine) * *height > bytes.size())
    return {};
  std::vector<uint32_t> out(static_cast<size_t>(*width) * *height);
  for (int y = 0; y < *height; ++y)
    for (int x = 0; x < *width; ++x) {
      const auto* p =
          reinterpret_cast<const uint8_t*>(bytes.data()) + start + static_cast<size_t>(y) * bytesPerLine + x * 4;
      const uint32_t v = byteOrder == 0 ? (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0])
                                        : (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
      out[static_cast<size_t>(y) * *width + x] = v & 0xFFFFFF;
    }
  return out;
}

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
      RunCommand(GameExecutable().string() + " --headless " + std::to_string(kSampleWalkFrames - 1) + " --replay " +
                 (folder.Path() / "walk.replay").string() + " --screenshot " + std::to_string(kSampleWalkFrames - 1) +
                 ":" + reference + " " + game.string());
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
  const std::string dump = (folder.Path() / "window.xwd").string();
  const std::string xwd = x.Run("xwd -silent -id " + window + " -out " + dump);
  int w = 0, h = 0;
  const std::vector<uint32_t> shown = ReadXwd(ScratchFolder::Read(dump), &w, &h);
  ASSERT_EQ(w, 640) << window << ": " << xwd;
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
