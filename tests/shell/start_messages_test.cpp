#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/Commands.h"
#include "support/GameProcess.h"
#include "support/SampleGame.h"
#include "support/ScratchFolder.h"

// What the real Game says on stderr at the start. Each failure ends it with a
// non-zero exit and a line that says why; a second copy is refused only where
// a window would open; a missing sound device costs one line at most.

namespace {

namespace fs = std::filesystem;

// Generous: only a guard against a Game that never ends.
constexpr double kHangGuardSeconds = 60.0;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Waits until the file exists or the Game has ended, whichever comes first.
bool AppearsWhileRunning(const fs::path& file, GameProcess& game) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kHangGuardSeconds);
  while (std::chrono::steady_clock::now() < end) {
    if (fs::exists(file)) return true;
    if (game.WaitForExit(0.0) >= 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class StartMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
    WriteSampleGame(game);
    fs::create_directories(runtime);
  }

  // Every Game of a test shares a runtime folder of its own: the instance
  // locks live there, so Games of parallel tests are no second copies.
  std::vector<std::string> Environment(std::vector<std::string> changes) const {
    changes.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    changes.emplace_back("SDL_AUDIODRIVER=dummy");
    return changes;
  }

  ScratchFolder scratch;
  fs::path game = scratch.Path() / "game";
  fs::path runtime = scratch.Path() / "run";
  fs::path errors = scratch.Path() / "stderr.txt";
};

// Without a display to open a window on, Game does not run unseen: it ends
// at once, naming the cause and --headless. SDL's dummy driver asked for by
// name is taken as it is (the other tests here run on it).
TEST_F(StartMessagesTest, NoDisplayEndsWithTheCauseAndTheWayToRunHeadless) {
  struct Case {
    const char* what;
    std::vector<std::string> environment;
    const char* cause;
  };
  const Case cases[] = {
      {"no display named", {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, "no display could be opened"},
      {"a display nobody serves",
       {"DISPLAY=:4999", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
       "no display could be opened"},
      {"x11 asked for without a display", {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=x11"}, "SDL_VIDEODRIVER=x11"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GameProcess run({game.string()}, Environment(c.environment), errors);
    EXPECT_EQ(run.WaitForExit(kHangGuardSeconds), 255);
    const std::vector<std::string> lines = Lines(ScratchFolder::Read(errors));
    ASSERT_EQ(lines.size(), 1u) << ScratchFolder::Read(errors);
    EXPECT_NE(lines[0].find(c.cause), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("--headless"), std::string::npos) << lines[0];
  }
}

// Without Game.dat there is no game: the reader's box (on stderr too) and a
// line naming the folder that was searched, exit code 1, windowed or
// headless. A word that names no folder (and is no path) is the game's own
// command line, and Game's own folder is searched.
TEST_F(StartMessagesTest, AMissingGameDatNamesTheFolderSearched) {
  const fs::path withoutDat = scratch.Path() / "without";
  WriteSampleGame(withoutDat);
  fs::remove(withoutDat / "Game.dat");
  const fs::path empty = scratch.Path() / "empty";
  fs::create_directories(empty);
  const fs::path own = GameExecutable().parent_path();
  struct Case {
    fs::path argument, searched;
  };
  const Case cases[] = {{withoutDat, withoutDat}, {empty, empty}, {"no-such-word", own}};
  for (const Case& c : cases) {
    for (const bool headless : {false, true}) {
      SCOPED_TRACE(c.argument.string() + (headless ? " headless" : " windowed"));
      std::vector<std::string> arguments = {c.argument.string()};
      if (headless) arguments.insert(arguments.begin(), {"--headless", "5"});
      GameProcess run(arguments, Environment({"SDL_VIDEODRIVER=dummy"}), errors);
      EXPECT_EQ(run.WaitForExit(kHangGuardSeconds), 1);
      const std::string text = ScratchFolder::Read(errors);
      EXPECT_EQ(Lines(text), (std::vector<std::string>{"[読み込みエラー] 基本情報データ Game.dat がありません",
                                                       "Game: no Game.dat in " + c.searched.string()}))
          << text;
    }
  }
  EXPECT_FALSE(fs::exists(withoutDat / "Game.ini"));
}

// What the command line names is checked before anything starts: a path in
// the game folder's place that is no folder, a replay file that is missing,
// no regular file, too large or no replay log, and a screenshot that cannot
// be written or comes after the last frame each end the start with a line
// that names it and a non-zero exit, and nothing is written.
TEST_F(StartMessagesTest, FilesOfTheCommandLineThatCannotBeUsedEndTheStart) {
  const fs::path file = scratch.Write("file.txt", "not a game");
  const fs::path fifo = scratch.Path() / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const fs::path large = scratch.Write("large.replay", "");
  fs::resize_file(large, (int64_t{64} << 20) + 1);  // sparse: nothing is written
  const fs::path damaged = scratch.Write("damaged.replay", std::string("\x01\xff\xff\xff\x7f", 5));
  const fs::path missing = scratch.Path() / "missing";
  const std::string g = game.string();
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string line;  // the first line on stderr
  };
  const Case cases[] = {
      {{"--headless", "5", missing.string()}, 1, "Game: the folder " + missing.string() + " does not exist"},
      {{missing.string() + "/"}, 1, "Game: the folder " + missing.string() + "/ does not exist"},
      {{"--headless", "5", file.string()}, 1, "Game: " + file.string() + " is not a folder"},
      {{"--headless", "5", "--replay", missing.string(), g},
       1,
       "Game: the replay file " + missing.string() + " does not exist"},
      {{"--headless", "5", "--replay", "/dev/zero", g}, 1, "Game: the replay file /dev/zero is not a regular file"},
      {{"--headless", "5", "--replay", fifo.string(), g},
       1,
       "Game: the replay file " + fifo.string() + " is not a regular file"},
      {{"--headless", "5", "--replay", scratch.Path().string(), g},
       1,
       "Game: the replay file " + scratch.Path().string() + " is not a regular file"},
      {{"--headless", "5", "--replay", large.string(), g},
       1,
       "Game: the replay file " + large.string() + " is larger than 64 MiB"},
      {{"--headless", "5", "--replay", damaged.string(), g},
       1,
       "Game: the replay file " + damaged.string() + " holds no replay log"},
      {{"--headless", "5", "--screenshot", "5:" + (missing / "shot.png").string(), g},
       1,
       "Game: the screenshot file " + (missing / "shot.png").string() + " is in no folder that exists"},
      {{"--headless", "5", "--screenshot", "5:" + (file / "shot.png").string(), g},
       1,
       "Game: the screenshot file " + (file / "shot.png").string() + " is in no folder that exists"},
      {{"--headless", "5", "--screenshot", "5:" + scratch.Path().string(), g},
       1,
       "Game: the screenshot file " + scratch.Path().string() + " is a folder"},
      {{"--headless", "5", "--screenshot", "6:shot.png", g},
       2,
       "Game: --screenshot 6:shot.png comes after the last frame (5)"},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const std::string& argument : c.arguments) trace += argument + " ";
    SCOPED_TRACE(trace);
    GameProcess run(c.arguments, Environment({"SDL_VIDEODRIVER=dummy"}), errors);
    EXPECT_EQ(run.WaitForExit(kHangGuardSeconds), c.exitCode);
    const std::vector<std::string> lines = Lines(ScratchFolder::Read(errors));
    EXPECT_EQ(lines.empty() ? std::string() : lines[0], c.line);
    // Only a usage error adds the usage.
    if (c.exitCode == 1) {
      EXPECT_EQ(lines.size(), 1u) << ScratchFolder::Read(errors);
    }
    EXPECT_FALSE(fs::exists(game / "Game.ini"));
  }
}

// A second windowed copy is refused and says so; headless runs take no part:
// one runs beside a windowed copy, and a windowed copy starts beside one.
// The lock is shared by every game, so the copies play different folders.
TEST_F(StartMessagesTest, OnlyASecondWindowedCopyIsRefused) {
  const fs::path other = scratch.Path() / "other";
  WriteSampleGame(other);
  const std::vector<std::string> windowed = Environment({"SDL_VIDEODRIVER=dummy"});
  {
    // Game.ini is first written after the media start, the lock taken by then.
    GameProcess first({game.string()}, windowed, scratch.Path() / "first.txt");
    ASSERT_TRUE(AppearsWhileRunning(game / "Game.ini", first));

    GameProcess second({other.string()}, windowed, errors);
    EXPECT_EQ(second.WaitForExit(kHangGuardSeconds), 255);
    EXPECT_EQ(ScratchFolder::Read(errors), "二重起動されています、ソフトを終了します\n");
    EXPECT_FALSE(fs::exists(other / "Game.ini"));

    GameProcess headless({"--headless", "5", other.string()}, windowed, errors);
    EXPECT_EQ(headless.WaitForExit(kHangGuardSeconds), 0);
    EXPECT_EQ(ScratchFolder::Read(errors), "");

    EXPECT_EQ(first.Terminate(kHangGuardSeconds), 0);
    EXPECT_EQ(ScratchFolder::Read(scratch.Path() / "first.txt"), "");
  }
  fs::remove(game / "Game.ini");
  fs::remove(other / "Game.ini");
  GameProcess headless({"--headless", "100000000", other.string()}, windowed);
  ASSERT_TRUE(AppearsWhileRunning(other / "Game.ini", headless));
  GameProcess beside({game.string()}, windowed, errors);
  EXPECT_TRUE(AppearsWhileRunning(game / "Game.ini", beside)) << ScratchFolder::Read(errors);
  EXPECT_EQ(beside.Terminate(kHangGuardSeconds), 0);
  EXPECT_EQ(ScratchFolder::Read(errors), "");
}

// With SDL choosing the sound output itself, a machine without a sound
// device plays silent: one line, under the player's name as the other
// start-up lines, says so, and the sound library's own complaints stay off
// stderr. With a device, nothing is said. A driver that does not exist
// always brings the line.
TEST_F(StartMessagesTest, WithoutASoundDeviceOneLineNamesThePlayerAndSaysSoundIsOff) {
  const struct {
    const char* driver;
    bool lineAlways;
  } cases[] = {{"SDL_AUDIODRIVER", false}, {"SDL_AUDIODRIVER=no-such-driver", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.driver);
    fs::remove(game / "Game.ini");
    std::vector<std::string> environment = Environment({"SDL_VIDEODRIVER=dummy"});
    environment.emplace_back(c.driver);
    GameProcess run({game.string()}, environment, errors);
    // Sound starts with the media layer, before Game.ini is first written.
    ASSERT_TRUE(AppearsWhileRunning(game / "Game.ini", run));
    EXPECT_EQ(run.Terminate(kHangGuardSeconds), 0);
    const std::vector<std::string> lines = Lines(ScratchFolder::Read(errors));
    if (c.lineAlways) {
      ASSERT_EQ(lines.size(), 1u) << ScratchFolder::Read(errors);
    }
    EXPECT_LE(lines.size(), 1u) << ScratchFolder::Read(errors);
    if (!lines.empty()) {
      EXPECT_EQ(lines[0].rfind("Game: no sound device could be opened, sound is off (", 0), 0u) << lines[0];
    }
  }
}

}  // namespace
