// Writes the sample game into the folder given.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/SampleGame.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_game FOLDER\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  WriteSampleGame(argv[1]);
  const std::vector<uint8_t> replay = SampleWalkReplay();
  std::ofstream(std::filesystem::path(argv[1]) / kSampleWalkReplayName, std::ios::binary)
      .write(reinterpret_cast<const char*>(replay.data()), static_cast<std::streamsize>(replay.size()));
  return 0;
}
