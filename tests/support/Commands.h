#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Outside programs for the tests that look at a real display.

inline bool HasProgram(const char* name) {
  std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
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
