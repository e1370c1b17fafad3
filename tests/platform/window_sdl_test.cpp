#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media/PublicFunctions.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/system/KeyInput.h"
#include "media/system/LibrarySystem.h"
#include "media/system/PublicSystem.h"
#include "platform/Backend.h"
#include "platform/display/WindowImage.h"
#include "platform/gpu/Gpu.h"
#include "platform/window/Window.h"
#include "support/Commands.h"
#include "support/GameOnXvfb.h"

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

// A virtual X display and a game on it, run as a fresh copy of this program
// (so no SDL state of this process, where another test may have started the
// dummy driver, carries over). The game's side is a disabled test that talks
// to this side through two pipes: it writes what it has to report to `ready`
// and waits for a byte on `done` before it ends.
class GameOnDisplay {
 public:
  // Empty when Xvfb did not start.
  std::string Start(const char* childTest) {
    display_ = StartXvfb(&server_);
    if (display_.empty()) return "";

    if (pipe(ready_) != 0 || pipe(done_) != 0) return "";
    game_ = fork();
    if (game_ == 0) {
      setenv("DISPLAY", display_.c_str(), 1);
      setenv("SDL_VIDEODRIVER", "x11", 1);
      setenv("PLAYER_WINDOW_CHILD_PIPES", (std::to_string(ready_[1]) + " " + std::to_string(done_[0])).c_str(), 1);
      const std::string filter = std::string("--gtest_filter=SdlBackend.") + childTest;
      execl("/proc/self/exe", "window-child", filter.c_str(), "--gtest_also_run_disabled_tests",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready_[1]);
    close(done_[0]);
    return display_;
  }

  // Reads what the game reports, up to `size` bytes (fewer when it ends).
  std::string Read(size_t size) {
    std::string out;
    char c;
    while (out.size() < size && read(ready_[0], &c, 1) == 1) out += c;
    return out;
  }

  // Lets the game end; true when it ended well.
  bool Finish() {
    char byte = 'x';
    (void)!write(done_[1], &byte, 1);
    int status = 0;
    waitpid(game_, &status, 0);
    game_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  ~GameOnDisplay() {
    if (game_ > 0) Finish();
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }

 private:
  std::string display_;
  pid_t server_ = -1, game_ = -1;
  int ready_[2] = {-1, -1}, done_[2] = {-1, -1};
};

// The pipes of the game's side; false outside a GameOnDisplay.
bool ChildPipes(int* ready, int* done) {
  const char* pipes = std::getenv("PLAYER_WINDOW_CHILD_PIPES");
  return pipes != nullptr && std::sscanf(pipes, "%d %d", ready, done) == 2;
}

// A real window on a virtual X display, looked at from outside the process.
TEST_F(SdlBackend, ARealWindowShowsTheGamesTitleAtTheScreenSize) {
  if (!HasProgram("Xvfb") || !HasProgram("xwininfo")) GTEST_SKIP() << "Xvfb or xwininfo missing";
  GameOnDisplay game;
  const std::string display = game.Start("DISABLED_GameWindowOnTheDisplay");
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  EXPECT_EQ(game.Read(1), "y");

  const std::string tree = RunCommand("xwininfo -root -tree -display " + display);
  std::string windowLine;
  size_t at = tree.find("\"Player Window Check\"");
  if (at != std::string::npos) windowLine = tree.substr(at, tree.find('\n', at) - at);
  EXPECT_NE(windowLine, "") << tree;
  EXPECT_NE(windowLine.find("640x480"), std::string::npos) << windowLine;
  EXPECT_TRUE(game.Finish());
}

// The game's side of the test above.
TEST_F(SdlBackend, DISABLED_GameWindowOnTheDisplay) {
  int ready = -1, done = -1;
  if (!ChildPipes(&ready, &done)) GTEST_SKIP();
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

// Keys typed into the real window reach the window procedure: characters
// (Shift gives the capital, Enter and Ctrl+C their control codes, each once)
// and the key-down of an editing key, in the order typed.
TEST_F(SdlBackend, KeysTypedIntoTheWindowReachTheWindowProcedure) {
  if (!HasProgram("Xvfb") || !HasProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool missing";
  GameOnDisplay game;
  const std::string display = game.Start("DISABLED_GameReadsTypedKeys");
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  ASSERT_EQ(game.Read(1), "y");

  RunCommand("DISPLAY=" + display + " xdotool search --sync --name 'Player Key Check' windowfocus --sync");
  const std::string typed =
      RunCommand("DISPLAY=" + display + " xdotool key --delay 20 a shift+b Left Delete Return ctrl+c");
  EXPECT_EQ(typed, "");

  const std::string expected = {'a', 'B', 0x1D, 0x10, 13, 3};
  EXPECT_EQ(game.Read(expected.size()), expected);
  EXPECT_TRUE(game.Finish());
}

// The game's side: pumps until six bytes have reached the character ring
// (or a few seconds have passed) and reports them.
TEST_F(SdlBackend, DISABLED_GameReadsTypedKeys) {
  int ready = -1, done = -1;
  if (!ChildPipes(&ready, &done)) GTEST_SKIP();
  platform::SetBackend(platform::Backend::Sdl);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetMainWindowTitle("Player Key Check");
  char byte = StartMediaLibrary() == 0 ? 'y' : 'n';
  (void)!write(ready, &byte, 1);
  std::string received;
  for (int waited = 0; waited < 5000 && received.size() < 6; ++waited) {
    RunMessageLoopRound();
    char out[2];
    while (PopInputChar(out, 1) == 1) received += out[0];
    usleep(1000);
  }
  (void)!write(ready, received.data(), received.size());
  close(ready);
  (void)!read(done, &byte, 1);
  EXPECT_EQ(EndMediaLibrary(), 0);
}

// The frame the window check draws: boxes of plain colours on black.
struct FrameBox {
  int x1, y1, x2, y2;
  uint32_t rgb;
};
const FrameBox kFrameBoxes[] = {{0, 0, 320, 240, 0xFF0000},
                                {320, 0, 640, 240, 0x00FF00},
                                {0, 240, 320, 480, 0x0000FF},
                                {100, 100, 540, 380, 0xFFFFFF},
                                {200, 200, 260, 230, 0x808040}};

uint32_t ExpectedFramePixel(int x, int y) {
  uint32_t rgb = 0;
  for (const FrameBox& b : kFrameBoxes)
    if (x >= b.x1 && x < b.x2 && y >= b.y1 && y < b.y2) rgb = b.rgb;
  return rgb;
}

// Pixels of the window, grabbed from the X server with xwd, that differ from
// the frame the check draws (all of them when it cannot be read).
int WrongFramePixels(const std::string& display, const std::string& windowName) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("player-frame-" + std::to_string(getpid()) + ".xwd")).string();
  RunCommand("xwd -silent -name '" + windowName + "' -display " + display + " -out " + file);
  std::string dump;
  if (FILE* in = std::fopen(file.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) dump.append(buffer, n);
    std::fclose(in);
  }
  std::filesystem::remove(file);
  int width = 0, height = 0;
  const std::vector<uint32_t> shown = ReadXwd(dump, &width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  if (width != 640 || height != 480) return 640 * 480;
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t v = shown[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
      if (v != ExpectedFramePixel(x, y) && wrong++ < 5) ADD_FAILURE() << x << "," << y << ": " << std::hex << v;
    }
  return wrong;
}

enum class FramePath { Software, OpenGL, OpenGLAfterDeviceLoss };

// The game's side of the frame checks: draws the boxes on the back screen and
// presents them, on the software path or the 3D one (whose device may be lost
// and restored after a first frame). Reports 'y', or what went wrong: 'n' the
// start failed, 's' the 3D path was not taken, 'i' the window image was made
// although the 3D device presents.
void DrawFrameOnTheDisplay(const char* title, FramePath path) {
  const bool hardware = path != FramePath::Software;
  int ready = -1, done = -1;
  if (!ChildPipes(&ready, &done)) GTEST_SKIP();
  platform::SetBackend(platform::Backend::Sdl);
  ForceHardwareRendering(hardware ? 1 : 0);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetMainWindowTitle(title);
  char byte = StartMediaLibrary() == 0 ? 'y' : 'n';
  SelectDrawTarget(-2);
  for (int i = 0; i < 20; ++i) RunMessageLoopRound();
  ClearDrawTarget();
  for (const FrameBox& b : kFrameBoxes)
    PutBox(b.x1, b.y1, b.x2, b.y2, PackColor((b.rgb >> 16) & 0xFF, (b.rgb >> 8) & 0xFF, b.rgb & 0xFF), 1);
  PresentFrame();
  for (int i = 0; i < 20; ++i) {
    RunMessageLoopRound();
    usleep(5000);
  }
  if (path == FramePath::OpenGLAfterDeviceLoss) {
    platform::gpu::LoseDevice();
    RestoreScreenAfterDeviceLoss();
    SelectDrawTarget(-2);
    for (const FrameBox& b : kFrameBoxes)
      PutBox(b.x1, b.y1, b.x2, b.y2, PackColor((b.rgb >> 16) & 0xFF, (b.rgb >> 8) & 0xFF, b.rgb & 0xFF), 1);
  }
  PresentFrame();
  platform::DibDescription image{};
  if (byte == 'y' && hardware && IsSoftwareRendering() != 0) byte = 's';
  if (byte == 'y' && hardware && platform::DescribeWindowImage(GetLibraryWindowHandle(), &image) != 0) byte = 'i';
  (void)!write(ready, &byte, 1);
  (void)!read(done, &byte, 1);
  EXPECT_EQ(EndMediaLibrary(), 0);
}

// The presented frame, grabbed from the X server, equals what was drawn: on
// the software path through the window image, on the 3D path through the
// device's own buffer swap (the window image is never made), also once the
// device was lost and restored.
TEST_F(SdlBackend, ARealWindowScreenshotEqualsThePresentedFrame) {
  if (!HasProgram("Xvfb") || !HasProgram("xwd")) GTEST_SKIP() << "Xvfb or xwd missing";
  const struct {
    const char* child;
    const char* title;
  } cases[] = {{"DISABLED_GameFrameOnTheDisplay", "Player Frame Check"},
               {"DISABLED_GameFrameOnTheDisplayThroughOpenGL", "Player OpenGL Frame Check"},
               {"DISABLED_GameFrameOnTheDisplayAfterDeviceLoss", "Player Restored Frame Check"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.child);
    GameOnDisplay game;
    const std::string display = game.Start(c.child);
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    ASSERT_EQ(game.Read(1), "y");
    EXPECT_EQ(WrongFramePixels(display, c.title), 0);
    EXPECT_TRUE(game.Finish());
  }
}

TEST_F(SdlBackend, DISABLED_GameFrameOnTheDisplay) { DrawFrameOnTheDisplay("Player Frame Check", FramePath::Software); }
TEST_F(SdlBackend, DISABLED_GameFrameOnTheDisplayThroughOpenGL) {
  DrawFrameOnTheDisplay("Player OpenGL Frame Check", FramePath::OpenGL);
}
TEST_F(SdlBackend, DISABLED_GameFrameOnTheDisplayAfterDeviceLoss) {
  DrawFrameOnTheDisplay("Player Restored Frame Check", FramePath::OpenGLAfterDeviceLoss);
}

}  // namespace
