#include <cstdio>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  GameOptions options;
  std::string error;
  if (!ParseGameArguments(arguments, options, error)) {
    (void)std::fprintf(stderr, "Game: %s\n", error.c_str());
    return 2;
  }
  if (options.headless) platform::SetBackend(platform::Backend::Headless);
  return GameMain(options);
}
