#pragma once

#include <cstdint>
#include <string>

namespace platform {
// A move or resize the user made (sdl backend), in client coordinates; sends
// WM_MOVE / WM_SIZE for what really changed.
void NoteWindowMovedByUser(int clientX, int clientY, int width, int height);
}  // namespace platform

// The sdl backend of the window facility; only Window.cpp calls these.
namespace platform::sdlwindow {

// `openGl`: whether the gpu will present into the window.
bool Create(const std::string& utf8Title, bool fullScreen, bool visible, int x, int y, int width, int height,
            bool openGl);
// Why the video or the last window did not start; empty when they did.
std::string Failure();
void Destroy();
// The SDL_Window, for the display facility's presentation; null when none.
void* NativeWindow();
void SetTitle(const std::string& utf8Title);
void Show(bool minimize);
void SetFullScreen(bool fullScreen);
void SetGeometry(int x, int y, int width, int height);
void Raise();
// Turns pending SDL events into injected events.
void PumpEvents();
void ShowCursor(bool show);
bool GetGlobalMouse(int* x, int* y);
void WarpMouse(int x, int y);
void DesktopMode(int* width, int* height, int* bits);
void SetScreenSaver(bool active);

}  // namespace platform::sdlwindow
