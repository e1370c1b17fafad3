#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/system/LibrarySystem.h"
#include "media/system/PublicSystem.h"
#include "platform/Backend.h"
#include "platform/window/Window.h"

namespace {

// Runs the library on the sdl backend in a folder of its own, then goes back
// to the headless backend the other tests use.
class SdlBackend : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    folder_ = std::filesystem::temp_directory_path() / ("player-sdl-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    platform::SetInstanceLockFolder(folder_.string());
    gLibrarySystem = LibrarySystemState{};
  }
  void TearDown() override {
    EndMediaLibrary();
    platform::SetBackend(platform::Backend::Headless);
    platform::ResetHeadlessWindowing();
    gLibrarySystem = LibrarySystemState{};
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }
  std::filesystem::path folder_, previous_;
};

TEST_F(SdlBackend, TheLibraryStartsAndEndsUnderTheDummyVideoDriver) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  platform::SetBackend(platform::Backend::Sdl);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetMainWindowTitle("Dummy Driver");
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_NE(GetLibraryWindowHandle(), 0);
  EXPECT_EQ(RunMessageLoopRound(), 0);
  platform::WindowRect client;
  platform::GetClientRect(GetLibraryWindowHandle(), &client);
  EXPECT_EQ(client.Width(), 640);
  EXPECT_EQ(client.Height(), 480);
  EXPECT_EQ(EndMediaLibrary(), 0);
  EXPECT_EQ(HasWindowQuit(), 1);
  EXPECT_EQ(GetLibraryWindowHandle(), 0);
}

bool HasProgram(const char* name) {
  std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// A real window on a virtual X display, looked at from outside the process.
TEST_F(SdlBackend, ARealWindowShowsTheGamesTitleAtTheScreenSize) {
  if (!HasProgram("Xvfb") || !HasProgram("xwininfo")) GTEST_SKIP() << "Xvfb or xwininfo missing";
  int displayPipe[2];
  ASSERT_EQ(pipe(displayPipe), 0);
  const pid_t server = fork();
  ASSERT_GE(server, 0);
  if (server == 0) {
    close(displayPipe[0]);
    std::string fd = std::to_string(displayPipe[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(displayPipe[1]);
  std::string display;
  char c;
  while (read(displayPipe[0], &c, 1) == 1 && c != '\n') display += c;
  close(displayPipe[0]);
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  display = ":" + display;

  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  // The game runs as a fresh copy of this program, so no SDL state of this
  // process (another test may have started the dummy driver) carries over.
  const pid_t game = fork();
  ASSERT_GE(game, 0);
  if (game == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("PLAYER_WINDOW_CHILD_PIPES", (std::to_string(ready[1]) + " " + std::to_string(done[0])).c_str(), 1);
    execl("/proc/self/exe", "window-child", "--gtest_filter=SdlBackend.DISABLED_GameWindowOnTheDisplay",
          "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
    _exit(127);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'y');

  std::string tree;
  const std::string command = "xwininfo -root -tree -display " + display + " 2>&1";
  if (FILE* out = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, out) != nullptr) tree += buffer;
    pclose(out);
  }
  std::string windowLine;
  size_t at = tree.find("\"Player Window Check\"");
  if (at != std::string::npos) windowLine = tree.substr(at, tree.find('\n', at) - at);
  EXPECT_NE(windowLine, "") << tree;
  EXPECT_NE(windowLine.find("640x480"), std::string::npos) << windowLine;

  (void)!write(done[1], &byte, 1);
  int status = 0;
  waitpid(game, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
}

// The game's side of the test above, started by it in a process of its own.
TEST_F(SdlBackend, DISABLED_GameWindowOnTheDisplay) {
  const char* pipes = std::getenv("PLAYER_WINDOW_CHILD_PIPES");
  if (pipes == nullptr) GTEST_SKIP();
  int ready = -1, done = -1;
  ASSERT_EQ(std::sscanf(pipes, "%d %d", &ready, &done), 2);
  platform::SetBackend(platform::Backend::Sdl);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetMainWindowTitle("Player Window Check");
  char byte = StartMediaLibrary() == 0 ? 'y' : 'n';
  for (int i = 0; i < 20; ++i) RunMessageLoopRound();
  (void)!write(ready, &byte, 1);
  (void)!read(done, &byte, 1);
  EXPECT_EQ(EndMediaLibrary(), 0);
}

}  // namespace
