// Writes the demo game into the folder given; with --packed its Data folder
// goes into an archive.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/DemoGame.h"

int main(int argc, char** argv) {
  const bool packed = argc == 3 && std::strcmp(argv[2], "--packed") == 0;
  if (argc != 2 && !packed) {
    std::fprintf(stderr, "usage: make_demo_game FOLDER [--packed]\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  WriteDemoGame(argv[1], packed ? DemoForm::Packed : DemoForm::Plain);
  // The tour as a replay file beside it (Game --replay).
  const std::vector<uint8_t> tour = DemoReplayLog(DemoTour());
  std::ofstream(std::filesystem::path(argv[1]) / kDemoTourReplayName, std::ios::binary)
      .write(reinterpret_cast<const char*>(tour.data()), static_cast<std::streamsize>(tour.size()));
  return 0;
}
