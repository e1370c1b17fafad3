#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Outside programs for the tests that look at a real display.

inline bool HasProgram(const char* name) {
  std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// The Game executable beside the test programs' folder.
inline std::filesystem::path GameExecutable() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return self.parent_path().parent_path() / "Game";
}

// Runs a shell command; its standard output and error.
inline std::string RunCommand(const std::string& command) {
  std::string output;
  if (FILE* out = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, out) != nullptr) output += buffer;
    pclose(out);
  }
  return output;
}

// Starts Xvfb on a free display (1280 x 1024, 24 bits); its ":N" name, or
// empty when it did not start. `server` receives its process id (0 on failure).
inline std::string StartXvfb(pid_t* server) {
  *server = 0;
  int displayPipe[2];
  if (pipe(displayPipe) != 0) return "";
  *server = fork();
  if (*server == 0) {
    close(displayPipe[0]);
    const std::string fd = std::to_string(displayPipe[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(displayPipe[1]);
  std::string number;
  char c;
  while (read(displayPipe[0], &c, 1) == 1 && c != '\n') number += c;
  close(displayPipe[0]);
  return number.empty() ? "" : ":" + number;
}
