#include <cstdio>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/window/Window.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  GameOptions options;
  std::string error;
  if (!ParseGameArguments(arguments, options, error)) {
    (void)std::fprintf(stderr, "Game: %s\n%s", error.c_str(), GameUsage().c_str());
    return 2;
  }
  if (options.help) {
    (void)std::fputs(GameUsage().c_str(), stdout);
    return 0;
  }
  if (options.headless) {
    platform::SetBackend(platform::Backend::Headless);
    // No window: nothing for a second copy to be refused for.
    platform::UseInstanceLock(false);
  }
  return GameMain(options);
}
