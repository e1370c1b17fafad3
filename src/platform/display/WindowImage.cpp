#include "platform/display/WindowImage.h"

#include <SDL.h>

#include <cstring>

#include "platform/Backend.h"
#include "platform/window/WindowSdl.h"

namespace platform {
namespace {

struct WindowImageState {
  WindowHandle window = 0;
  DibHandle dib = 0;
  int width = 0;
  int height = 0;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  void* sdlWindow = nullptr;
  int textureWidth = 0;
  int textureHeight = 0;
};
WindowImageState gImage;

void DropTexture() {
  if (gImage.texture != nullptr) SDL_DestroyTexture(gImage.texture);
  if (gImage.renderer != nullptr) SDL_DestroyRenderer(gImage.renderer);
  gImage.texture = nullptr;
  gImage.renderer = nullptr;
  gImage.sdlWindow = nullptr;
  gImage.textureWidth = gImage.textureHeight = 0;
}

// Keeps the image at the client size; a new size starts black.
bool EnsureImage(WindowHandle window) {
  WindowRect client;
  if (!IsWindow(window) || GetClientRect(window, &client) != 0) return false;
  const int w = client.Width() > 0 ? client.Width() : 1;
  const int h = client.Height() > 0 ? client.Height() : 1;
  if (gImage.dib != 0 && gImage.window == window && gImage.width == w && gImage.height == h) return true;
  if (gImage.dib != 0) DeleteDib(gImage.dib);
  BitmapInfo info{};
  info.header.size = 40;
  info.header.width = w;
  info.header.height = -h;
  info.header.planes = 1;
  info.header.bitCount = 32;
  info.header.compression = kBitmapBitFields;
  info.colors[0] = 0xFF0000;
  info.colors[1] = 0xFF00;
  info.colors[2] = 0xFF;
  void* bits = nullptr;
  gImage.dib = CreateDibSection(&info, &bits);
  gImage.window = window;
  gImage.width = w;
  gImage.height = h;
  return gImage.dib != 0;
}

// Shows the image in the SDL window: the largest whole factor that fits the
// drawable area, centred (letterboxed in full screen).
void ShowOnSdl() {
  void* native = sdlwindow::NativeWindow();
  if (native == nullptr) return;
  SDL_Window* window = static_cast<SDL_Window*>(native);
  if (gImage.sdlWindow != native) {
    DropTexture();
    // The window's framebuffer stays a plain X image: an accelerated one would make a GLX context current on
    // this thread, which the OpenGL path's own EGL context cannot share.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    gImage.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (gImage.renderer == nullptr) return;
    gImage.sdlWindow = native;
  }
  if (gImage.texture == nullptr || gImage.textureWidth != gImage.width || gImage.textureHeight != gImage.height) {
    if (gImage.texture != nullptr) SDL_DestroyTexture(gImage.texture);
    gImage.texture = SDL_CreateTexture(gImage.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                       gImage.width, gImage.height);
    if (gImage.texture == nullptr) return;
    gImage.textureWidth = gImage.width;
    gImage.textureHeight = gImage.height;
  }
  DibDescription d{};
  if (DescribeDib(gImage.dib, &d) == 0) return;
  SDL_UpdateTexture(gImage.texture, nullptr, d.bits, d.pitch);
  int outW = 0, outH = 0;
  SDL_GetRendererOutputSize(gImage.renderer, &outW, &outH);
  int factor = 1;
  while ((factor + 1) * gImage.width <= outW && (factor + 1) * gImage.height <= outH) ++factor;
  SDL_Rect dest{(outW - factor * gImage.width) / 2, (outH - factor * gImage.height) / 2, factor * gImage.width,
                factor * gImage.height};
  SDL_SetRenderDrawColor(gImage.renderer, 0, 0, 0, 255);
  SDL_RenderClear(gImage.renderer);
  SDL_RenderCopy(gImage.renderer, gImage.texture, nullptr, &dest);
  SDL_RenderPresent(gImage.renderer);
}

}  // namespace

DisplayContext GetWindowDc(WindowHandle window) {
  if (!EnsureImage(window)) return 0;
  DisplayContext context = CreateMemoryContext();
  SelectDib(context, gImage.dib);
  return context;
}

int ReleaseWindowDc(WindowHandle window, DisplayContext context) {
  if (DeleteMemoryContext(context) == 0) return 0;
  if (!IsHeadless() && window == gImage.window && gImage.dib != 0) ShowOnSdl();
  return 1;
}

int DescribeWindowImage(WindowHandle window, DibDescription* out) {
  if (gImage.dib == 0 || window != gImage.window) return 0;
  return DescribeDib(gImage.dib, out);
}

int ReadWindowImageBits(WindowHandle window, int width, int height, void* bits, const BitmapInfo* info) {
  if (!EnsureImage(window)) return 0;
  return GetDibBits(gImage.dib, width, height, bits, info);
}

void ForgetWindowImage() {
  DropTexture();
  if (gImage.dib != 0) DeleteDib(gImage.dib);
  gImage = WindowImageState{};
}

}  // namespace platform
