#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/Commands.h"
#include "support/GameProcess.h"

// The real Game executable run by the tests: headless through the shell, or
// with its SDL window on an X display of the test's own.

// An Xvfb server with Game on it (audio to SDL's dummy driver); both are
// ended with the object.
class GameOnXvfb {
 public:
  GameOnXvfb() = default;
  ~GameOnXvfb();
  GameOnXvfb(const GameOnXvfb&) = delete;
  GameOnXvfb& operator=(const GameOnXvfb&) = delete;

  bool StartServer();
  // Game on the game folder; its instance lock lives in that folder, so a
  // Game of a parallel test is no second copy.
  void StartGame(const std::filesystem::path& folder, const std::vector<std::string>& options = {});
  // The Game's process id.
  pid_t GamePid() const;
  // The Game's window id, waiting until it is mapped and the start-up (which
  // may make the window anew) has settled.
  std::string Window();
  // A shell command with DISPLAY set to the server: its stdout and stderr.
  std::string Run(const std::string& command);
  // The window read back (xwd) as 0xRRGGBB pixels, with its size; empty when
  // it could not be read.
  std::vector<uint32_t> Capture(const std::string& window, const std::filesystem::path& scratchFile, int* width,
                                int* height);
  // Asks the window to close as a desktop's close button does
  // (WM_DELETE_WINDOW); false when the request could not be sent.
  bool CloseWindow(const std::string& window);
  // Exit code once Game ended by itself within `seconds` (128 + n after
  // signal n), or -1 (then it is killed with the object).
  int WaitForExit(double seconds);
  // Exit code after a quit request (as the desktop sends when its session
  // ends), or -1 when the game did not end within a few seconds.
  int Quit();

 private:
  pid_t server_ = 0;
  std::unique_ptr<GameProcess> game_;
  std::string display_;
};

// The XWD image of a window as 0xRRGGBB pixels (32 bits per pixel, the
// server's byte order); empty when it is not one.
std::vector<uint32_t> ReadXwd(const std::string& bytes, int* width, int* height);
