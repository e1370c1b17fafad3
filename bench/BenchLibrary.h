#pragma once

// The set-up the drawing benchmarks share: the media library started on the
// headless backend in a fresh scratch folder, 640x480x32 in a window, drawing
// to the back screen.

#include <unistd.h>

#include <filesystem>
#include <string>

#include "media/PublicFunctions.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/GraphImage.h"
#include "platform/Backend.h"
#include "platform/window/Window.h"

inline void StartHeadlessBenchLibrary(const std::string& folderPrefix) {
  platform::SetBackend(platform::Backend::Headless);
  const auto folder = std::filesystem::temp_directory_path() / (folderPrefix + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  platform::SetInstanceLockFolder(folder.string());
  EnableLibraryLog(0);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetScreenResolution(640, 480, 32, 60);
  StartMediaLibrary();
  SelectDrawTarget(-2);
}

// A graph from a picture whose pixel (x, y) is colour(x, y) as 0xAARRGGBB.
template <class Colour>
int MakeBenchGraph(int width, int height, bool alpha, Colour colour) {
  GraphImage image{};
  if (alpha) AllocARGB8GraphImage(width, height, &image);
  else AllocXRGB8GraphImage(width, height, &image);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      WriteGraphImagePixel(&image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, c >> 24);
    }
  const int graph = CreateGraphFromImageDefault(&image);
  FreeGraphImage(&image);
  return graph;
}
