#include "platform/window/Window.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Backend.h"
#include "platform/display/WindowImage.h"
#include "platform/gpu/Gpu.h"
#include "platform/text/Text.h"
#include "platform/window/WindowSdl.h"

namespace platform {

namespace {

struct WindowClass {
  WindowProcedure procedure = nullptr;
  int iconId = 0;
};

struct WindowRecord {
  bool live = false;
  std::string className;
  std::string title;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int iconId = 0;
  WindowRect rect;  // whole window, screen coordinates
  bool visible = false;
  bool paintPending = false;
  WindowProcedure procedure = nullptr;
  std::thread::id thread;
};

constexpr int kMaxWindows = 8;

std::mutex gMutex;
std::map<std::string, WindowClass> gClasses;
std::map<std::string, int> gInstanceLocks;  // class name -> locked file descriptor
std::string gLockFolder;
bool gUseInstanceLock = true;
WindowRecord gWindows[kMaxWindows + 1];  // slot 0 unused: handle 0 is "none"
std::deque<WindowMessage> gQueue;
std::map<uintptr_t, std::vector<std::string>> gDrops;
uintptr_t gNextDrop = 1;
int gCursorCount = 0;
bool gCursorHidden = false;
int gCursorX = 0, gCursorY = 0;
int gDesktopWidth = 1920, gDesktopHeight = 1080, gDesktopBits = 32;
bool gScreenSaverActive = true;

bool Sdl() { return !IsHeadless(); }

WindowRecord* Find(WindowHandle window) {
  if (window <= 0 || window > kMaxWindows || !gWindows[window].live) return nullptr;
  return &gWindows[window];
}

// The window the outside world's events go to: the first live one.
WindowHandle MainWindowLocked() {
  for (int i = 1; i <= kMaxWindows; ++i)
    if (gWindows[i].live) return i;
  return 0;
}

// The frame the window manager adds around the client area. SDL places and
// sizes the client area itself, so it has none there.
void FrameFor(uint32_t style, uint32_t exStyle, int* left, int* top, int* right, int* bottom) {
  *left = *top = *right = *bottom = 0;
  if (Sdl()) return;
  if (style & kWsCaption) {
    *left = *right = *bottom = 3;
    *top = 26;
  }
  if (exStyle & kWsExClientEdge) {
    *left += 2;
    *top += 2;
    *right += 2;
    *bottom += 2;
  }
}

WindowRect ClientOnScreen(const WindowRecord& w) {
  int l, t, r, b;
  FrameFor(w.style, w.exStyle, &l, &t, &r, &b);
  WindowRect c{w.rect.left + l, w.rect.top + t, w.rect.right - r, w.rect.bottom - b};
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

intptr_t PackWords(int low, int high) {
  return static_cast<intptr_t>(static_cast<uint32_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}

bool PostLocked(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window != 0 && Find(window) == nullptr) return false;
  gQueue.push_back({window, message, wParam, lParam});
  return true;
}

void PostToMain(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main != 0) PostLocked(main, message, wParam, lParam);
}

// Applies a new whole-window rectangle and sends WM_MOVE / WM_SIZE for what
// really changed.
void ApplyRect(WindowHandle window, const WindowRect& rect, bool toBackend) {
  WindowRect oldClient, newClient;
  {
    std::lock_guard lock(gMutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return;
    oldClient = ClientOnScreen(*w);
    w->rect = rect;
    newClient = ClientOnScreen(*w);
  }
  if (toBackend && Sdl()) sdlwindow::SetGeometry(newClient.left, newClient.top, newClient.Width(), newClient.Height());
  if (newClient.left != oldClient.left || newClient.top != oldClient.top)
    SendMessage(window, kWmMove, 0, PackWords(newClient.left, newClient.top));
  if (newClient.Width() != oldClient.Width() || newClient.Height() != oldClient.Height())
    SendMessage(window, kWmSize, kSizeRestored, PackWords(newClient.Width(), newClient.Height()));
}

std::string LockFileName(const std::string& className) {
  std::string folder = gLockFolder;
  if (folder.empty()) {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing sets the environment
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    folder = (runtime != nullptr && runtime[0] != '\0') ? runtime : "/tmp";
  }
  // The class name is CP932 and may hold any byte: keep letters and digits,
  // write the rest as hex so every name maps to one safe file name.
  static const char* hex = "0123456789abcdef";
  std::string safe;
  for (unsigned char c : className) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      safe += static_cast<char>(c);
    } else {
      safe += '_';
      safe += hex[c >> 4];
      safe += hex[c & 15];
    }
  }
  return folder + "/player-window-" + std::to_string(getuid()) + "-" + safe + ".lock";
}

}  // namespace

// --- Classes and the second-copy test -------------------------------------------

bool FindWindowByClass(const std::string& className) {
  std::lock_guard lock(gMutex);
  for (int i = 1; i <= kMaxWindows; ++i)
    if (gWindows[i].live && gWindows[i].className == className) return true;
  if (!gUseInstanceLock || gInstanceLocks.count(className) != 0) return false;
  int fd = open(LockFileName(className).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;  // no lock file possible: nothing to find
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return true;
  }
  gInstanceLocks[className] = fd;
  return false;
}

void SetInstanceLockFolder(const std::string& folder) {
  std::lock_guard lock(gMutex);
  gLockFolder = folder;
}

void UseInstanceLock(bool use) {
  std::lock_guard lock(gMutex);
  gUseInstanceLock = use;
}

int RegisterWindowClass(const std::string& className, WindowProcedure procedure, int iconId) {
  std::lock_guard lock(gMutex);
  if (procedure == nullptr || gClasses.count(className) != 0) return -1;
  gClasses[className] = {procedure, iconId};
  return 0;
}

int UnregisterWindowClass(const std::string& className) {
  std::lock_guard lock(gMutex);
  auto it = gInstanceLocks.find(className);
  if (it != gInstanceLocks.end()) {
    flock(it->second, LOCK_UN);
    close(it->second);
    gInstanceLocks.erase(it);
  }
  return gClasses.erase(className) != 0 ? 0 : -1;
}

// --- Windows ------------------------------------------------------------------------

WindowHandle CreateMainWindow(const std::string& className, const std::string& title, uint32_t style, uint32_t exStyle,
                              int x, int y, int width, int height) {
  WindowHandle handle = 0;
  WindowRect client;
  {
    std::lock_guard lock(gMutex);
    auto cls = gClasses.find(className);
    if (cls == gClasses.end()) return 0;
    for (int i = 1; i <= kMaxWindows; ++i) {
      if (!gWindows[i].live) {
        handle = i;
        break;
      }
    }
    if (handle == 0) return 0;
    WindowRecord& w = gWindows[handle];
    w = WindowRecord{};
    w.live = true;
    w.className = className;
    w.title = title;
    w.style = style;
    w.exStyle = exStyle;
    w.iconId = cls->second.iconId;
    w.rect = {x, y, x + width, y + height};
    w.visible = (style & kWsVisible) != 0;
    w.paintPending = true;
    w.procedure = cls->second.procedure;
    w.thread = std::this_thread::get_id();
    client = ClientOnScreen(w);
  }
  if (Sdl()) {
    bool fullScreen = (style & kWsCaption) == 0;
    if (!sdlwindow::Create(Cp932ToUtf8(title), fullScreen, (style & kWsVisible) != 0, client.left, client.top,
                           client.Width(), client.Height(), gpu::WindowWantsOpenGL())) {
      std::lock_guard lock(gMutex);
      gWindows[handle].live = false;
      return 0;
    }
  }
  return handle;
}

std::string WindowStartFailure() { return Sdl() ? sdlwindow::Failure() : std::string(); }

int DestroyWindow(WindowHandle window) {
  {
    std::lock_guard lock(gMutex);
    if (Find(window) == nullptr) return -1;
  }
  SendMessage(window, kWmDestroy, 0, 0);
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return 0;
  w->live = false;
  for (auto it = gQueue.begin(); it != gQueue.end();) {
    if (it->window == window) it = gQueue.erase(it);
    else ++it;
  }
  ForgetWindowImage();
  if (Sdl()) sdlwindow::Destroy();
  return 0;
}

bool IsWindow(WindowHandle window) {
  std::lock_guard lock(gMutex);
  return Find(window) != nullptr;
}

int ShowWindow(WindowHandle window, uint32_t command) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  w->visible = true;
  w->paintPending = true;
  if (Sdl()) sdlwindow::Show(command == kSwMinimize);
  return 0;
}

int UpdateWindow(WindowHandle window) {
  bool paint = false;
  {
    std::lock_guard lock(gMutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return -1;
    paint = w->paintPending && w->visible;
  }
  if (paint) SendMessage(window, kWmPaint, 0, 0);
  return 0;
}

int SetWindowTitle(WindowHandle window, const std::string& title) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  w->title = title;
  if (Sdl()) sdlwindow::SetTitle(Cp932ToUtf8(title));
  return 0;
}

std::string GetWindowTitle(WindowHandle window) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  return w == nullptr ? std::string() : w->title;
}

int SetWindowIconId(WindowHandle window, int iconId) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  w->iconId = iconId;  // the program carries no icon resources: the system default shows
  return 0;
}

int SetWindowStyle(WindowHandle window, uint32_t style, uint32_t exStyle) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  bool wasFull = (w->style & kWsCaption) == 0;
  w->style = style;
  w->exStyle = exStyle;
  if (style & kWsVisible) w->visible = true;
  bool full = (style & kWsCaption) == 0;
  if (Sdl() && full != wasFull) sdlwindow::SetFullScreen(full);
  return 0;
}

uint32_t GetWindowStyle(WindowHandle window) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  return w == nullptr ? 0 : w->style;
}

uint32_t GetWindowExStyle(WindowHandle window) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  return w == nullptr ? 0 : w->exStyle;
}

void AdjustWindowRectForStyle(WindowRect* rect, uint32_t style, uint32_t exStyle) {
  int l, t, r, b;
  FrameFor(style, exStyle, &l, &t, &r, &b);
  rect->left -= l;
  rect->top -= t;
  rect->right += r;
  rect->bottom += b;
}

int MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint) {
  if (!IsWindow(window)) return -1;
  ApplyRect(window, {x, y, x + width, y + height}, true);
  if (repaint) InvalidateWindow(window);
  return 0;
}

int SetWindowPos(WindowHandle window, bool /*topmost*/, int x, int y, int width, int height, uint32_t flags) {
  WindowRect rect;
  {
    std::lock_guard lock(gMutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return -1;
    rect = w->rect;
  }
  if ((flags & kSwpNoMove) == 0) {
    int wdt = rect.Width(), hgt = rect.Height();
    rect = {x, y, x + wdt, y + hgt};
  }
  if ((flags & kSwpNoSize) == 0) {
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
  }
  ApplyRect(window, rect, true);
  if ((flags & kSwpNoRedraw) == 0) InvalidateWindow(window);
  return 0;
}

int GetWindowRect(WindowHandle window, WindowRect* rect) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  *rect = w->rect;
  return 0;
}

int GetClientRect(WindowHandle window, WindowRect* rect) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  WindowRect c = ClientOnScreen(*w);
  *rect = {0, 0, c.Width(), c.Height()};
  return 0;
}

int ClientToScreen(WindowHandle window, int* x, int* y) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return -1;
  WindowRect c = ClientOnScreen(*w);
  *x += c.left;
  *y += c.top;
  return 0;
}

int BringWindowToTop(WindowHandle window) {
  if (!IsWindow(window)) return -1;
  if (Sdl()) sdlwindow::Raise();
  return 0;
}

int SetForegroundWindow(WindowHandle window) { return BringWindowToTop(window); }
int SetActiveWindow(WindowHandle window) { return IsWindow(window) ? 0 : -1; }

bool BeginPaint(WindowHandle window, WindowRect* paintRect) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr) return false;
  WindowRect c = ClientOnScreen(*w);
  *paintRect = {0, 0, c.Width(), c.Height()};
  return true;
}

void EndPaint(WindowHandle window) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w != nullptr) w->paintPending = false;
}

void InvalidateWindow(WindowHandle window) {
  std::lock_guard lock(gMutex);
  WindowRecord* w = Find(window);
  if (w == nullptr || w->paintPending) return;
  w->paintPending = true;
  PostLocked(window, kWmPaint, 0, 0);
}

// --- The message queue ------------------------------------------------------------

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard lock(gMutex);
  return PostLocked(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  std::lock_guard lock(gMutex);
  gQueue.push_back({0, kWmQuit, static_cast<uintptr_t>(exitCode), 0});
}

bool PeekMessage(WindowMessage* message, WindowHandle filter, bool remove) {
  if (Sdl()) {
    bool windowThread = false;
    {
      std::lock_guard lock(gMutex);
      WindowHandle main = MainWindowLocked();
      windowThread = main != 0 && gWindows[main].thread == std::this_thread::get_id();
    }
    if (windowThread) sdlwindow::PumpEvents();
  }
  std::lock_guard lock(gMutex);
  for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
    bool match = filter == 0 || (filter == -1 && it->window == 0) || (filter > 0 && it->window == filter);
    if (!match) continue;
    *message = *it;
    if (remove) gQueue.erase(it);
    return true;
  }
  return false;
}

LResult SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  WindowProcedure procedure = nullptr;
  {
    std::lock_guard lock(gMutex);
    WindowRecord* w = Find(window);
    if (w == nullptr) return 0;
    procedure = w->procedure;
  }
  return procedure(window, message, wParam, lParam);
}

LResult DispatchMessage(const WindowMessage& message) {
  if (message.window == 0) return 0;
  return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

bool TranslateMessage(const WindowMessage& /*message*/) { return false; }

LResult DefWindowProc(WindowHandle window, uint32_t message, uintptr_t /*wParam*/, intptr_t /*lParam*/) {
  switch (message) {
    case kWmClose: DestroyWindow(window); return 0;
    case kWmPaint: EndPaint(window); return 0;
    case kWmSetCursor:
      // The class cursor, an arrow, comes back; the display count still decides.
      SetCursorHidden(false);
      return 0;
    default: return 0;
  }
}

size_t QueuedMessageCount() {
  std::lock_guard lock(gMutex);
  return gQueue.size();
}

void ClearMessageQueue() {
  std::lock_guard lock(gMutex);
  gQueue.clear();
}

void NotifyDisplayModeApplied(int bits, int width, int height) {
  PostToMain(kWmDisplayChange, static_cast<uintptr_t>(bits), PackWords(width, height));
}

// --- Cursor, desktop, system --------------------------------------------------------

int ShowCursor(bool show) {
  std::lock_guard lock(gMutex);
  gCursorCount += show ? 1 : -1;
  if (Sdl()) sdlwindow::ShowCursor(gCursorCount >= 0 && !gCursorHidden);
  return gCursorCount;
}

bool IsCursorVisible() {
  std::lock_guard lock(gMutex);
  return gCursorCount >= 0 && !gCursorHidden;
}

void SetCursorHidden(bool hidden) {
  std::lock_guard lock(gMutex);
  gCursorHidden = hidden;
  if (Sdl()) sdlwindow::ShowCursor(gCursorCount >= 0 && !gCursorHidden);
}

int GetCursorPos(int* x, int* y) {
  std::lock_guard lock(gMutex);
  if (Sdl() && sdlwindow::GetGlobalMouse(x, y)) return 0;
  *x = gCursorX;
  *y = gCursorY;
  return 0;
}

int SetCursorPos(int x, int y) {
  std::lock_guard lock(gMutex);
  gCursorX = x;
  gCursorY = y;
  if (Sdl()) {
    WindowHandle main = MainWindowLocked();
    if (main != 0) {
      WindowRect c = ClientOnScreen(gWindows[main]);
      sdlwindow::WarpMouse(x - c.left, y - c.top);
    }
  }
  return 0;
}

void GetDesktopMode(int* width, int* height, int* bits) {
  int w = gDesktopWidth, h = gDesktopHeight, b = gDesktopBits;
  if (Sdl()) sdlwindow::DesktopMode(&w, &h, &b);
  if (b == 24) b = 32;  // a 24-bit report is a 32-bit framebuffer without alpha
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
  if (bits != nullptr) *bits = b;
}

void SetScreenSaverActive(bool active) {
  std::lock_guard lock(gMutex);
  gScreenSaverActive = active;
  if (Sdl()) sdlwindow::SetScreenSaver(active);
}

// --- Dropped files ------------------------------------------------------------------

int DragQueryFileCount(uintptr_t drop) {
  std::lock_guard lock(gMutex);
  auto it = gDrops.find(drop);
  return it == gDrops.end() ? 0 : static_cast<int>(it->second.size());
}

std::string DragQueryFileName(uintptr_t drop, int index) {
  std::lock_guard lock(gMutex);
  auto it = gDrops.find(drop);
  if (it == gDrops.end() || index < 0 || index >= static_cast<int>(it->second.size())) return {};
  return it->second[static_cast<size_t>(index)];
}

void DragFinish(uintptr_t drop) {
  std::lock_guard lock(gMutex);
  gDrops.erase(drop);
}

// --- Events from the outside world --------------------------------------------------

void InjectKeyDown(const KeyEvent& key) {
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main == 0) return;
  PostLocked(main, kWmKeyDown, static_cast<uintptr_t>(key.virtualKey), 1);
  // SDL's text input gives nothing for these, Windows makes characters of them.
  int ch = 0;
  switch (key.virtualKey) {
    case kVkBack: ch = 8; break;
    case kVkTab: ch = 9; break;
    case kVkReturn: ch = 13; break;
    case kVkEscape: ch = 27; break;
    default:
      if (key.ctrl && !key.alt && key.virtualKey >= 'A' && key.virtualKey <= 'Z') ch = key.virtualKey - 'A' + 1;
      break;
  }
  if (ch != 0) PostLocked(main, kWmChar, static_cast<uintptr_t>(ch), 1);
}

void InjectKeyUp(const KeyEvent& key) {
  PostToMain(kWmKeyUp, static_cast<uintptr_t>(key.virtualKey), static_cast<intptr_t>(0xC0000001u));
}

void InjectText(const std::string& utf8) {
  std::string cp932 = Utf8ToCp932(utf8);
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main == 0) return;
  for (unsigned char c : cp932) PostLocked(main, kWmChar, c, 1);
}

void InjectMouseMove(int x, int y) {
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main == 0) return;
  WindowRect c = ClientOnScreen(gWindows[main]);
  gCursorX = c.left + x;
  gCursorY = c.top + y;
  PostLocked(main, kWmMouseMove, 0, PackWords(x, y));
}

void InjectMouseButton(int button, bool down, int x, int y) {
  static const uint32_t kDown[3] = {kWmLButtonDown, kWmRButtonDown, kWmMButtonDown};
  static const uint32_t kUp[3] = {kWmLButtonUp, kWmRButtonUp, kWmMButtonUp};
  if (button < 0 || button > 2) return;
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main == 0) return;
  PostLocked(main, down ? kDown[button] : kUp[button], 0, PackWords(x, y));
}

void InjectMouseWheel(int notches) {
  int delta = notches * 120;
  PostToMain(kWmMouseWheel, static_cast<uintptr_t>(static_cast<uint32_t>((delta & 0xFFFF) << 16)), 0);
}

void InjectDroppedFiles(const std::vector<std::string>& utf8Names) {
  std::vector<std::string> names;
  names.reserve(utf8Names.size());
  for (const auto& n : utf8Names) names.push_back(Utf8ToCp932(n));
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main == 0 || names.empty()) return;
  uintptr_t drop = gNextDrop++;
  gDrops[drop] = std::move(names);
  PostLocked(main, kWmDropFiles, drop, 0);
}

void InjectActivation(bool active) {
  std::lock_guard lock(gMutex);
  WindowHandle main = MainWindowLocked();
  if (main == 0) return;
  if (active) {
    PostLocked(main, kWmActivateApp, 1, 0);
    PostLocked(main, kWmActivate, kWaActive, 0);
  } else {
    PostLocked(main, kWmActivate, kWaInactive, 0);
    PostLocked(main, kWmActivateApp, 0, 0);
  }
}

void InjectCloseRequest() { PostToMain(kWmClose, 0, 0); }
void PostToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) { PostToMain(message, wParam, lParam); }

void InjectPaint() {
  WindowHandle main;
  {
    std::lock_guard lock(gMutex);
    main = MainWindowLocked();
  }
  if (main != 0) InvalidateWindow(main);
}

void SetHeadlessDesktop(int width, int height, int bits) {
  std::lock_guard lock(gMutex);
  gDesktopWidth = width;
  gDesktopHeight = height;
  gDesktopBits = bits;
}

void ResetHeadlessWindowing() {
  std::lock_guard lock(gMutex);
  for (auto& w : gWindows) w = WindowRecord{};
  gClasses.clear();
  for (auto& [name, fd] : gInstanceLocks) {
    flock(fd, LOCK_UN);
    close(fd);
  }
  gInstanceLocks.clear();
  gQueue.clear();
  gDrops.clear();
  gCursorCount = 0;
  gCursorHidden = false;
  gCursorX = gCursorY = 0;
  gDesktopWidth = 1920;
  gDesktopHeight = 1080;
  gDesktopBits = 32;
  gScreenSaverActive = true;
}

// Moves made by the user (sdl backend) arrive here, through the same checks.
void NoteWindowMovedByUser(int clientX, int clientY, int width, int height) {
  WindowHandle main;
  WindowRect rect;
  {
    std::lock_guard lock(gMutex);
    main = MainWindowLocked();
    if (main == 0) return;
    int l, t, r, b;
    FrameFor(gWindows[main].style, gWindows[main].exStyle, &l, &t, &r, &b);
    rect = {clientX - l, clientY - t, clientX + width + r, clientY + height + b};
  }
  ApplyRect(main, rect, false);
}

}  // namespace platform
