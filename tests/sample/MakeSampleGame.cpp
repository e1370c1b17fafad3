// Writes the sample game into the folder given.
#include <cstdio>
#include <filesystem>

#include "support/SampleGame.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_game FOLDER\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  WriteSampleGame(argv[1]);
  return 0;
}
