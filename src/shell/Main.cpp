#include <cstdio>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/window/Window.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  // An exec may pass no arguments at all, not even the program's name.
  const std::string command = CommandName(argc > 0 ? argv[0] : nullptr);
  std::vector<std::string> arguments;
  if (argc > 1) arguments.assign(argv + 1, argv + argc);
  GameOptions options;
  std::string error;
  if (!ParseGameArguments(arguments, options, error)) {
    (void)std::fprintf(stderr, "%s: %s\n%s", command.c_str(), error.c_str(), GameUsage(command).c_str());
    return 2;
  }
  options.command = command;
  if (options.help) {
    (void)std::fputs(GameUsage(command).c_str(), stdout);
    return 0;
  }
  if (options.headless) {
    platform::SetBackend(platform::Backend::Headless);
    // No window: nothing for a second copy to be refused for.
    platform::UseInstanceLock(false);
  }
  return GameMain(options);
}
