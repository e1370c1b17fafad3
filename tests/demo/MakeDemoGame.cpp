// Writes the demo game into the folder given; with --packed its Data folder
// goes into an archive.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "support/DemoGame.h"

int main(int argc, char** argv) {
  const bool packed = argc == 3 && std::strcmp(argv[2], "--packed") == 0;
  if (argc != 2 && !packed) {
    std::fprintf(stderr, "usage: make_demo_game FOLDER [--packed]\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  WriteDemoGame(argv[1], packed ? DemoForm::Packed : DemoForm::Plain);
  return 0;
}
