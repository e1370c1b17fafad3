#include "support/GameOnXvfb.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/Commands.h"
#include "support/ScratchFolder.h"

GameOnXvfb::~GameOnXvfb() {
  game_.reset();
  if (server_ > 0) {
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
  }
}

bool GameOnXvfb::StartServer() {
  display_ = StartXvfb(&server_);
  return !display_.empty();
}

void GameOnXvfb::StartGame(const std::filesystem::path& folder, const std::vector<std::string>& options) {
  std::vector<std::string> arguments = options;
  arguments.push_back(folder.string());
  // The desktop's message bus library that SDL's X11 video loads keeps a
  // buffer to the end in a sanitizer build; the exit code is the Game's.
  game_ = std::make_unique<GameProcess>(
      arguments, std::vector<std::string>{"DISPLAY=" + display_, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                          "XDG_RUNTIME_DIR=" + folder.string(), "ASAN_OPTIONS=detect_leaks=0"});
}

pid_t GameOnXvfb::GamePid() const { return game_ != nullptr ? game_->Pid() : -1; }

std::string GameOnXvfb::Window() {
  // Bounded, so a Game that ended early fails the test instead of hanging it.
  const std::string search = "timeout 30 xdotool search --sync --onlyvisible --pid " + std::to_string(game_->Pid());
  Run(search);
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  std::string id = Run(search + " | head -n 1");
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

std::string GameOnXvfb::Run(const std::string& command) { return RunCommand("DISPLAY=" + display_ + " " + command); }

std::vector<uint32_t> GameOnXvfb::Capture(const std::string& window, const std::filesystem::path& scratchFile,
                                          int* width, int* height) {
  Run("xwd -silent -id " + window + " -out " + scratchFile.string());
  return ReadXwd(ScratchFolder::Read(scratchFile), width, height);
}

bool GameOnXvfb::CloseWindow(const std::string& window) {
  Display* display = XOpenDisplay(display_.c_str());
  if (display == nullptr) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<::Window>(std::strtoul(window.c_str(), nullptr, 10));
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return sent != 0;
}

int GameOnXvfb::WaitForExit(double seconds) { return game_->WaitForExit(seconds); }

int GameOnXvfb::Quit() { return game_->Terminate(5.0); }

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
