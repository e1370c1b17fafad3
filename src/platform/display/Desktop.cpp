#include "platform/display/Desktop.h"

#include <SDL.h>

#include <atomic>

#include "platform/Backend.h"
#include "platform/window/Window.h"

namespace platform {

namespace {
std::atomic<int> gUsableWidth{0};
std::atomic<int> gUsableHeight{0};
}  // namespace

int DesktopColorDepth() {
  int bits = 32;
  GetDesktopMode(nullptr, nullptr, &bits);
  return bits;
}

void GetUsableDesktopArea(int* width, int* height) {
  int w = 0, h = 0;
  GetDesktopMode(&w, &h, nullptr);
  h -= 30;
  if (IsHeadless()) {
    if (gUsableWidth.load() > 0 && gUsableHeight.load() > 0) {
      w = gUsableWidth.load();
      h = gUsableHeight.load();
    }
  } else if ((SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO) != 0) {
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
      w = bounds.w;
      h = bounds.h;
    }
  }
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
}

void SetHeadlessUsableDesktop(int width, int height) {
  gUsableWidth = width;
  gUsableHeight = height;
}

}  // namespace platform
