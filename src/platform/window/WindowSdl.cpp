#include "platform/window/WindowSdl.h"

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ime/Ime.h"
#include "platform/input/Input.h"
#include "platform/window/Window.h"

namespace platform::sdlwindow {

namespace {

SDL_Window* gWindow = nullptr;
int gLastX = 0, gLastY = 0, gLastW = 0, gLastH = 0;
std::vector<std::string> gDropNames;
bool gDropOpen = false;
// Why the video did not start (kept: it is tried once) and why the last
// window could not be made.
std::string gVideoFailure;
std::string gWindowFailure;

bool IsStandInDriver(const char* driver) {
  return driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// Drivers that show a window without OpenGL through a framebuffer of their own.
bool HasOwnFramebuffer(const char* driver) {
  return driver != nullptr && (std::strcmp(driver, "x11") == 0 || IsStandInDriver(driver));
}

bool EnsureVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
  // Each try walks every driver again, and some of them print as they fail.
  if (!gVideoFailure.empty()) return false;
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  const bool named = asked != nullptr && asked[0] != '\0';
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    gVideoFailure =
        named ? std::string("the display of SDL_VIDEODRIVER=") + asked + " could not be opened (" + SDL_GetError() + ")"
              : std::string("no display could be opened (") + SDL_GetError() + ")";
    return false;
  }
  // SDL falls back on a driver without a screen by itself: a window nobody
  // sees would run for ever. Asked for by name, it is what the caller wants.
  if (!named && IsStandInDriver(SDL_GetCurrentVideoDriver())) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    gVideoFailure = "no display could be opened (neither DISPLAY nor WAYLAND_DISPLAY leads to one)";
    return false;
  }
  return true;
}

// The key-down messages carry the virtual keys of the keyboard state (the
// same table, so both agree under either layout), with the two sides of
// Shift, Ctrl and Alt reported as the one key, as key-down messages do.
int VirtualKeyOf(SDL_Scancode sc) {
  const int vk = VirtualKeyForScancode(sc);
  switch (vk) {
    case kVkLShift:
    case kVkRShift: return kVkShift;
    case kVkLControl:
    case kVkRControl: return kVkControl;
    case kVkLMenu:
    case kVkRMenu: return kVkMenu;
    default: return vk;
  }
}

KeyEvent KeyOf(const SDL_KeyboardEvent& e) {
  KeyEvent k;
  k.virtualKey = VirtualKeyOf(e.keysym.scancode);
  k.ctrl = (e.keysym.mod & KMOD_CTRL) != 0;
  k.shift = (e.keysym.mod & KMOD_SHIFT) != 0;
  k.alt = (e.keysym.mod & KMOD_ALT) != 0;
  return k;
}

int ButtonOf(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return -1;
  }
}

void WindowEvent(const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: InjectActivation(true); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: InjectActivation(false); break;
    case SDL_WINDOWEVENT_CLOSE: InjectCloseRequest(); break;
    case SDL_WINDOWEVENT_EXPOSED: InjectPaint(); break;
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      int x, y, w, h;
      SDL_GetWindowPosition(gWindow, &x, &y);
      SDL_GetWindowSize(gWindow, &w, &h);
      // Only what the user did: our own moves have been applied already.
      if (x != gLastX || y != gLastY || w != gLastW || h != gLastH) {
        gLastX = x;
        gLastY = y;
        gLastW = w;
        gLastH = h;
        if ((SDL_GetWindowFlags(gWindow) & SDL_WINDOW_FULLSCREEN) == 0) NoteWindowMovedByUser(x, y, w, h);
      }
      break;
    }
    default: break;
  }
}

}  // namespace

bool Create(const std::string& utf8Title, bool fullScreen, bool visible, int x, int y, int width, int height,
            bool openGl) {
  if (!EnsureVideo()) return false;
  Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI;
  if (!visible) flags |= SDL_WINDOW_HIDDEN;
  if (fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  // The window takes OpenGL so that the gpu's context can present into it. SDL's context is EGL, as the gpu's
  // windowless one is: a GLX context on this thread would keep an EGL one from being made current. A driver
  // without OpenGL (SDL's dummy) gets a plain window. Taking OpenGL loads the driver, the largest part of the
  // start: a window the gpu will not present into goes without, where the driver shows plain windows itself
  // (elsewhere SDL would remake the window with OpenGL at its first frame).
  if (!openGl && !HasOwnFramebuffer(SDL_GetCurrentVideoDriver())) openGl = true;
  SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
  const int w = width > 0 ? width : 1, h = height > 0 ? height : 1;
  gWindow = openGl ? SDL_CreateWindow(utf8Title.c_str(), x, y, w, h, flags | SDL_WINDOW_OPENGL) : nullptr;
  if (gWindow == nullptr) gWindow = SDL_CreateWindow(utf8Title.c_str(), x, y, w, h, flags);
  if (gWindow == nullptr) {
    gWindowFailure = std::string("no window could be opened on the display (") + SDL_GetError() + ")";
    return false;
  }
  gWindowFailure.clear();
  gLastX = x;
  gLastY = y;
  gLastW = width;
  gLastH = height;
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  SDL_StartTextInput();
  return true;
}

std::string Failure() { return gVideoFailure.empty() ? gWindowFailure : gVideoFailure; }

void* NativeWindow() { return gWindow; }

void Destroy() {
  if (gWindow == nullptr) return;
  SDL_StopTextInput();
  SDL_DestroyWindow(gWindow);
  gWindow = nullptr;
}

void SetTitle(const std::string& utf8Title) {
  if (gWindow != nullptr) SDL_SetWindowTitle(gWindow, utf8Title.c_str());
}

void Show(bool minimize) {
  if (gWindow == nullptr) return;
  if (minimize) SDL_MinimizeWindow(gWindow);
  else SDL_ShowWindow(gWindow);
}

void SetFullScreen(bool fullScreen) {
  if (gWindow != nullptr) SDL_SetWindowFullscreen(gWindow, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void SetGeometry(int x, int y, int width, int height) {
  if (gWindow == nullptr) return;
  gLastX = x;
  gLastY = y;
  gLastW = width;
  gLastH = height;
  if ((SDL_GetWindowFlags(gWindow) & SDL_WINDOW_FULLSCREEN) != 0) return;
  SDL_SetWindowSize(gWindow, width > 0 ? width : 1, height > 0 ? height : 1);
  SDL_SetWindowPosition(gWindow, x, y);
}

void Raise() {
  if (gWindow != nullptr) SDL_RaiseWindow(gWindow);
}

void PumpEvents() {
  if (gWindow == nullptr) return;
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    switch (e.type) {
      case SDL_WINDOWEVENT:
        if (SDL_GetWindowFromID(e.window.windowID) == gWindow) WindowEvent(e.window);
        break;
      // A quit request from outside (a signal, the session ending) closes the
      // window as its close button would.
      case SDL_QUIT: InjectCloseRequest(); break;
      case SDL_KEYDOWN: InjectKeyDown(KeyOf(e.key)); break;
      case SDL_KEYUP: InjectKeyUp(KeyOf(e.key)); break;
      case SDL_TEXTINPUT: InjectText(e.text.text); break;
      case SDL_TEXTEDITING: OnTextEditing(e.edit.text, e.edit.start); break;
      case SDL_MOUSEMOTION: InjectMouseMove(e.motion.x, e.motion.y); break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        int b = ButtonOf(e.button.button);
        if (b >= 0) InjectMouseButton(b, e.type == SDL_MOUSEBUTTONDOWN, e.button.x, e.button.y);
        break;
      }
      case SDL_MOUSEWHEEL: {
        int y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        if (y != 0) InjectMouseWheel(y);
        break;
      }
      case SDL_DROPBEGIN:
        gDropNames.clear();
        gDropOpen = true;
        break;
      case SDL_DROPFILE:
        if (e.drop.file != nullptr) {
          gDropNames.emplace_back(e.drop.file);
          SDL_free(e.drop.file);
        }
        if (!gDropOpen) {
          InjectDroppedFiles(gDropNames);
          gDropNames.clear();
        }
        break;
      case SDL_DROPCOMPLETE:
        if (!gDropNames.empty()) InjectDroppedFiles(gDropNames);
        gDropNames.clear();
        gDropOpen = false;
        break;
      default: break;
    }
  }
}

void ShowCursor(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool GetGlobalMouse(int* x, int* y) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  SDL_GetGlobalMouseState(x, y);
  return true;
}

void WarpMouse(int x, int y) {
  if (gWindow != nullptr) SDL_WarpMouseInWindow(gWindow, x, y);
}

void DesktopMode(int* width, int* height, int* bits) {
  if (!EnsureVideo()) return;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return;
  *width = mode.w;
  *height = mode.h;
  int b = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
  *bits = b <= 16 ? 16 : 32;
}

void SetScreenSaver(bool active) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  if (active) SDL_EnableScreenSaver();
  else SDL_DisableScreenSaver();
}

}  // namespace platform::sdlwindow
