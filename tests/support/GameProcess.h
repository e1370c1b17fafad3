#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// The real Game executable run as a child process, with changes to its
// environment and its standard error going to a file.
class GameProcess {
 public:
  // `environment`: "NAME=VALUE" sets a variable, a bare "NAME" removes it.
  // Standard output is dropped; standard error goes to `errors` (dropped
  // when empty).
  GameProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
              const std::filesystem::path& errors = {});
  // A Game still running is killed.
  ~GameProcess();
  GameProcess(const GameProcess&) = delete;
  GameProcess& operator=(const GameProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // The exit code once Game has ended within `seconds` (128 + n after signal
  // n); -1 while it still runs (a guard against a hang, never a measure).
  int WaitForExit(double seconds);
  // Asks Game to end as a desktop's session end does (SIGTERM), then
  // WaitForExit(seconds).
  int Terminate(double seconds);

 private:
  pid_t pid_ = 0;
  int exitCode_ = -1;
};
