#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "platform/gpu/GpuOpenGL.h"
#include "platform/input/Input.h"
#include "support/Commands.h"
#include "support/GameOnXvfb.h"
#include "support/PngReader.h"
#include "support/SampleGame.h"
#include "support/ScratchFolder.h"
#include "support/StartedGame.h"

namespace {

// The headless game's screen in (x1, y1) - (x2, y2) after a pass, read back
// through the PNG the screenshot writes.
std::vector<uint32_t> HeadlessScreen(const std::filesystem::path& file, int x1 = 0, int y1 = 0, int x2 = 640,
                                     int y2 = 480) {
  if (SaveScreenAreaPng(x1, y1, x2, y2, file.string().c_str(), 1) != 0) return {};
  int width = 0, height = 0;
  std::vector<uint32_t> pixels = ReadPngFile(file.string(), &width, &height);
  return width == x2 - x1 && height == y2 - y1 ? pixels : std::vector<uint32_t>{};
}

// Screens of consecutive frames: the first whole, the others as the pixels
// in which they differ from it.
struct FrameCycle {
  std::vector<uint32_t> first;
  std::vector<std::vector<std::pair<size_t, uint32_t>>> changes;

  // Pixels of `screen` that differ from the closest frame, and where.
  int Differing(const std::vector<uint32_t>& screen, int* left, int* top, int* right, int* bottom) const {
    if (screen.size() != first.size()) return static_cast<int>(first.size());
    std::vector<size_t> off;
    for (size_t i = 0; i < first.size(); ++i)
      if (screen[i] != first[i]) off.push_back(i);
    int fewest = static_cast<int>(first.size());
    for (const auto& change : changes) {
      // Off where the frame keeps the first frame's pixel, or where it changes
      // to another value.
      std::vector<size_t> wrong;
      std::set_difference(off.begin(), off.end(), change.begin(), change.end(), std::back_inserter(wrong),
                          [](const auto& a, const auto& b) { return Index(a) < Index(b); });
      for (const auto& [i, colour] : change)
        if (screen[i] != colour) wrong.push_back(i);
      if (static_cast<int>(wrong.size()) >= fewest) continue;
      fewest = static_cast<int>(wrong.size());
      *left = *top = 1 << 20, *right = *bottom = -1;
      for (size_t i : wrong) {
        const int x = static_cast<int>(i % 640), y = static_cast<int>(i / 640);
        *left = std::min(*left, x), *top = std::min(*top, y), *right = std::max(*right, x),
        *bottom = std::max(*bottom, y);
      }
    }
    return fewest;
  }

 private:
  static size_t Index(size_t i) { return i; }
  static size_t Index(const std::pair<size_t, uint32_t>& p) { return p.first; }
};

// The sample on the headless backend under the keys of the build's walk
// replay (right held until the sign stops the hero, a pause, confirm, the
// message and choice opening), then the screens of `cycle` more frames.
// `atTheSign` gets the screen once the hero stands at the sign, right still
// held.
FrameCycle HeadlessWalk(const std::filesystem::path& scratch, int cycle, std::vector<uint32_t>* atTheSign) {
  FrameCycle frames;
  StartedGame headless;
  if (!headless.Started()) return frames;
  constexpr int kRight = 205, kConfirm = 44;  // scan codes of the Right and Z keys
  const struct { int frames, key; } runs[] = {{19, 0}, {150, kRight}, {10, 0}, {4, kConfirm}, {116, 0}};
  for (const auto& run : runs) {
    if (run.key != 0) platform::SetScriptedKey(run.key, true);
    for (int i = 0; i < run.frames; ++i) headless.Pass();
    if (run.key == kRight) *atTheSign = HeadlessScreen(scratch / "headless.png");
    if (run.key != 0) platform::SetScriptedKey(run.key, false);
  }
  if (gHero.x != 2 * (kSampleHeroX + kSampleSignSteps - 1)) return frames;
  // Only the choice window blinks: between the first and the last frame,
  // read whole, the frames are read there alone (the last frame shows that
  // nothing else changed).
  constexpr int kX1 = 200, kY1 = 100, kX2 = 440, kY2 = 240;
  for (int frame = 0; frame < cycle; ++frame) {
    headless.Pass();
    const bool whole = frame == 0 || frame == cycle - 1;
    const std::vector<uint32_t> screen =
        whole ? HeadlessScreen(scratch / "headless.png") : HeadlessScreen(scratch / "headless.png", kX1, kY1, kX2, kY2);
    if (screen.empty()) return {};
    if (frame == 0) frames.first = screen;
    auto& change = frames.changes.emplace_back();
    for (size_t j = 0; j < screen.size(); ++j) {
      const size_t i = whole ? j : (kY1 + j / (kX2 - kX1)) * 640 + kX1 + j % (kX2 - kX1);
      if (screen[j] == frames.first[i]) continue;
      const int x = static_cast<int>(i % 640), y = static_cast<int>(i / 640);
      if (x < kX1 || x >= kX2 || y < kY1 || y >= kY2) return {};
      change.emplace_back(i, screen[j]);
    }
  }
  return frames;
}

// Under a real X server, keys typed into the Game's window walk the hero to
// the sign and open its message; the window read back equals, pixel for
// pixel over the whole screen, the headless game's screen after the same
// keys. The map stands still; only the choice cursor blinks, on a cycle of
// 140 frames the window's timing does not tell, so the window must equal the
// headless screen of one frame in that cycle. Each key is held until the
// window shows what it did (the hero at the sign; the sign's event begun),
// so a busy machine that runs the window slowly gets the frames it needs.
// A quit request then ends Game with exit code 0.
TEST(GameWindowTest, RealKeysWalkTheHeroAndTheWindowShowsWhatTheHeadlessRunShows) {
  if (!HasProgram("Xvfb") || !HasProgram("xdotool") || !HasProgram("xwd"))
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  if (!std::filesystem::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder folder;
  std::vector<uint32_t> atTheSign;
  const FrameCycle expected = HeadlessWalk(folder.Path(), 140, &atTheSign);
  ASSERT_EQ(expected.changes.size(), 140u)
      << "the headless walk did not reach the sign, or more than the choice window changed";
  ASSERT_FALSE(atTheSign.empty());
  const auto game = folder.Path() / "game";
  std::filesystem::create_directories(game);
  WriteSampleGame(game);

  // The built Game's headless screenshot at the end of the walk replay shows
  // the same, but for the replay's clock in its corner.
  const std::vector<uint8_t> replay = SampleWalkReplay();
  folder.Write("walk.replay", std::string(replay.begin(), replay.end()));
  const std::string shot = (folder.Path() / "replay.png").string();
  const std::string frames = std::to_string(kSampleWalkFrames - 1);
  const std::string headless =
      RunCommand("XDG_RUNTIME_DIR=" + folder.Path().string() + " " + GameExecutable().string() + " --headless " +
                 frames + " --replay " + (folder.Path() / "walk.replay").string() + " --screenshot " + frames + ":" +
                 shot + " " + game.string());
  int rw = 0, rh = 0;
  std::vector<uint32_t> replayed = ReadPngFile(shot, &rw, &rh);
  ASSERT_EQ(rw, 640) << headless;
  for (int y = 456; y < 480; ++y)
    for (int x = 530; x < 640; ++x) replayed[static_cast<size_t>(y) * 640 + x] = expected.first[y * 640 + x];
  int left = 0, top = 0, right = 0, bottom = 0;
  EXPECT_EQ(expected.Differing(replayed, &left, &top, &right, &bottom), 0)
      << "in (" << left << ", " << top << ") - (" << right << ", " << bottom << ")";
  std::filesystem::remove(game / "Game.ini");

  GameOnXvfb x;
  ASSERT_TRUE(x.StartServer()) << "Xvfb did not start";
  x.StartGame(game);
  const std::string window = x.Window();
  ASSERT_FALSE(window.empty()) << "no Game window";
  x.Run("xdotool windowfocus --sync " + window);
  const std::string dump = (folder.Path() / "window.xwd").string();
  std::string xwd;
  const auto shown = [&] {
    xwd = x.Run("xwd -silent -id " + window + " -out " + dump);
    int w = 0, h = 0;
    std::vector<uint32_t> screen = ReadXwd(ScratchFolder::Read(dump), &w, &h);
    return w == 640 && h == 480 ? screen : std::vector<uint32_t>{};
  };
  // Held until the window shows the key's effect, or for at most a minute;
  // then released whatever the window shows (the final look tells).
  const auto holdUntil = [&](const std::string& key, const auto& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    x.Run("xdotool keydown --window " + window + " " + key);
    while (!done(shown()) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    x.Run("xdotool keyup --window " + window + " " + key);
  };
  holdUntil("Right", [&](const std::vector<uint32_t>& screen) { return screen == atTheSign; });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  // The sign's event changes the screen from its first frame on; holding
  // confirm a few frames longer changes nothing after it.
  holdUntil("z", [&](const std::vector<uint32_t>& screen) { return !screen.empty() && screen != atTheSign; });
  // Read back until the message and choice have opened, for at most a
  // minute.
  int differing = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (bool first = true; differing != 0 && (first || std::chrono::steady_clock::now() < deadline); first = false) {
    if (!first) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<uint32_t> screen = shown();
    ASSERT_FALSE(screen.empty()) << window << ": " << xwd;
    differing = expected.Differing(screen, &left, &top, &right, &bottom);
  }
  EXPECT_EQ(differing, 0) << "in (" << left << ", " << top << ") - (" << right << ", " << bottom << ")";

  EXPECT_EQ(x.Quit(), 0);
  EXPECT_NE(ScratchFolder::Read(game / "Game.ini").find("Start=0"), std::string::npos);
}

// The OpenGL path in a real window: its context and the window's own
// framebuffer live side by side on one thread, the device presents with a
// buffer swap, and the window shows, pixel for pixel, the title screen the
// built Game's headless run shows; then the game quits.
TEST(GameWindowTest, OpenGLPathShowsTheGameInARealWindow) {
  if (!HasProgram("Xvfb") || !HasProgram("xdotool") || !HasProgram("xwd"))
    GTEST_SKIP() << "Xvfb, xdotool or xwd missing";
  if (!std::filesystem::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder folder;
  const auto game = folder.Path() / "game";
  std::filesystem::create_directories(game);
  WriteSampleGame(game);
  const std::string shot = (folder.Path() / "title.png").string();
  const std::string headless =
      RunCommand("XDG_RUNTIME_DIR=" + folder.Path().string() + " " + GameExecutable().string() +
                 " --headless 61 --screenshot 60:" + shot + " " + game.string());
  int tw = 0, th = 0;
  const std::vector<uint32_t> title = ReadPngFile(shot, &tw, &th);
  ASSERT_EQ(tw, 640) << headless;
  ASSERT_EQ(th, 480);
  std::filesystem::remove(game / "Game.ini");

  GameOnXvfb x;
  ASSERT_TRUE(x.StartServer()) << "Xvfb did not start";
  x.StartGame(game, {"--opengl"});
  const std::string window = x.Window();
  ASSERT_FALSE(window.empty()) << "no Game window";
  // A slow machine may still be starting the game: look again for a while.
  long differing = -1;
  for (int attempt = 0; attempt < 20 && differing != 0; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int w = 0, h = 0;
    const std::vector<uint32_t> shown = x.Capture(window, folder.Path() / "window.xwd", &w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    differing = 0;
    for (size_t i = 0; i < title.size(); ++i) differing += (shown[i] & 0xFFFFFF) != (title[i] & 0xFFFFFF);
  }
  EXPECT_EQ(differing, 0) << "pixels of the window differ from the headless title screen";
  EXPECT_EQ(x.Quit(), 0);
}

// On a machine whose only renderer is a software rasteriser (Xvfb in CI), a
// windowed start lists it, is refused it and draws in software without ever
// loading the OpenGL driver, which took most of the start; with --opengl the
// driver is loaded (the check sees it when it is there).
TEST(GameWindowTest, OnlyTheOpenGLPathLoadsTheDriverWhereNoGraphicsDeviceIs) {
  if (!HasProgram("Xvfb") || !HasProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool missing";
  if (!std::filesystem::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  if (!platform::gpu::opengl::OnlySoftwareDevices()) GTEST_SKIP() << "this machine has a graphics device";
  for (const bool opengl : {false, true}) {
    SCOPED_TRACE(opengl ? "--opengl" : "as Game.ini says");
    ScratchFolder folder;
    const auto game = folder.Path() / "game";
    std::filesystem::create_directories(game);
    WriteSampleGame(game);
    GameOnXvfb x;
    ASSERT_TRUE(x.StartServer()) << "Xvfb did not start";
    x.StartGame(game, opengl ? std::vector<std::string>{"--opengl"} : std::vector<std::string>{});
    ASSERT_FALSE(x.Window().empty()) << "no Game window";
    // Game.ini says Start=0 once the graphics start, 3D attempt included, is over.
    for (int waited = 0; waited < 300 && ScratchFolder::Read(game / "Game.ini").find("Start=0") == std::string::npos;
         ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_NE(ScratchFolder::Read(game / "Game.ini").find("Start=0"), std::string::npos) << "the start did not end";
    const std::string maps = ScratchFolder::Read("/proc/" + std::to_string(x.GamePid()) + "/maps");
    const bool driver = maps.find("_dri.so") != std::string::npos || maps.find("libgallium") != std::string::npos;
    EXPECT_EQ(driver, opengl);
    EXPECT_EQ(x.Quit(), 0);
  }
}

}  // namespace
