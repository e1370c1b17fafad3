#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The main window and its message queue: the stand-in for the window manager
// calls (RegisterClass, CreateWindow, PeekMessage, SendMessage...). One
// process-wide queue: posted messages are FIFO, sent ones call the window
// procedure at once. On the sdl backend SDL's events are turned into the
// messages below each time the queue is peeked on the window's thread; on the
// headless backend tests inject the same events with the Inject* calls.

namespace platform {

using WindowHandle = int;  // index into the window table; 0 = none
using LResult = intptr_t;
using WindowProcedure = LResult (*)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct WindowMessage {
  WindowHandle window = 0;  // 0: a thread message (WM_QUIT)
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

struct WindowRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Message numbers (their Windows values).
enum : uint32_t {
  kWmNull = 0x0000,
  kWmDestroy = 0x0002,
  kWmMove = 0x0003,
  kWmSize = 0x0005,
  kWmActivate = 0x0006,
  kWmPaint = 0x000F,
  kWmClose = 0x0010,
  kWmQuit = 0x0012,
  kWmActivateApp = 0x001C,
  kWmSetCursor = 0x0020,
  kWmDisplayChange = 0x007E,
  kWmKeyDown = 0x0100,
  kWmKeyUp = 0x0101,
  kWmChar = 0x0102,
  kWmImeStartComposition = 0x010D,
  kWmImeEndComposition = 0x010E,
  kWmImeComposition = 0x010F,
  kWmSysCommand = 0x0112,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmRButtonDown = 0x0204,
  kWmRButtonUp = 0x0205,
  kWmMButtonDown = 0x0207,
  kWmMButtonUp = 0x0208,
  kWmMouseWheel = 0x020A,
  kWmSizing = 0x0214,
  kWmMoving = 0x0216,
  kWmDropFiles = 0x0233,
  kWmImeSetContext = 0x0281,
  kWmImeNotify = 0x0282,
  kMmMciNotify = 0x03B9,
  kWmUser = 0x0400,
};

// WM_SYSCOMMAND, WM_SIZE, WM_ACTIVATE and WM_SIZING codes.
enum : uint32_t {
  kScScreenSave = 0xF140,
  kScMonitorPower = 0xF170,
  kSizeRestored = 0,
  kSizeMinimized = 1,
  kSizeMaximized = 2,
  kWaInactive = 0,
  kWaActive = 1,
  kWmszLeft = 1,
  kWmszRight = 2,
  kWmszTop = 3,
  kWmszTopLeft = 4,
  kWmszTopRight = 5,
  kWmszBottom = 6,
  kWmszBottomLeft = 7,
  kWmszBottomRight = 8,
};

// Window styles.
enum : uint32_t {
  kWsPopup = 0x80000000u,
  kWsVisible = 0x10000000u,
  kWsCaption = 0x00C00000u,
  kWsSysMenu = 0x00080000u,
  kWsMinimizeBox = 0x00020000u,
  kWsExTopmost = 0x00000008u,
  kWsExWindowEdge = 0x00000100u,
  kWsExClientEdge = 0x00000200u,
};

// SetWindowPos flags and ShowWindow commands.
enum : uint32_t {
  kSwpNoSize = 0x0001,
  kSwpNoMove = 0x0002,
  kSwpNoRedraw = 0x0008,
  kSwShow = 5,
  kSwMinimize = 6,
};

// Virtual-key codes.
enum : int {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,
  kVkPause = 0x13,
  kVkCapital = 0x14,
  kVkKana = 0x15,
  kVkKanji = 0x19,
  kVkEscape = 0x1B,
  kVkConvert = 0x1C,
  kVkNonConvert = 0x1D,
  kVkSpace = 0x20,
  kVkPrior = 0x21,
  kVkNext = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkSnapshot = 0x2C,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVkNumpad0 = 0x60,
  kVkMultiply = 0x6A,
  kVkAdd = 0x6B,
  kVkSubtract = 0x6D,
  kVkDecimal = 0x6E,
  kVkDivide = 0x6F,
  kVkF1 = 0x70,
  kVkNumLock = 0x90,
  kVkScroll = 0x91,
  kVkLShift = 0xA0,
  kVkRShift = 0xA1,
  kVkLControl = 0xA2,
  kVkRControl = 0xA3,
  kVkLMenu = 0xA4,
  kVkRMenu = 0xA5,
  kVkOem1 = 0xBA,
  kVkOemPlus = 0xBB,
  kVkOemComma = 0xBC,
  kVkOemMinus = 0xBD,
  kVkOemPeriod = 0xBE,
  kVkOem2 = 0xBF,
  kVkOem3 = 0xC0,
  kVkOem4 = 0xDB,
  kVkOem5 = 0xDC,
  kVkOem6 = 0xDD,
  kVkOem7 = 0xDE,
  kVkOem102 = 0xE2,
};

// --- Classes, the second-copy test and windows --------------------------------

// True when another running copy of the program holds a window of this class.
// Otherwise this process takes the class's instance lock (an flock on a
// per-user lock file named after the class) and keeps it until
// UnregisterWindowClass, so a copy started later finds it.
bool FindWindowByClass(const std::string& className);
// Tests point the lock files at their own folder (default: the per-user
// runtime folder, else the temp folder).
void SetInstanceLockFolder(const std::string& folder);
// A run that opens no window to the player (the player's headless runs, which
// scripts start several at once) neither takes the lock nor finds another
// copy's: only this process's own windows are found then.
void UseInstanceLock(bool use);

int RegisterWindowClass(const std::string& className, WindowProcedure procedure, int iconId);
int UnregisterWindowClass(const std::string& className);

// Creates a top-level window of a registered class; the rectangle is the whole
// window, frame included. The title is CP932. 0 on failure.
WindowHandle CreateMainWindow(const std::string& className, const std::string& title, uint32_t style, uint32_t exStyle,
                              int x, int y, int width, int height);
// Why the sdl backend could open no window, for the player: no display could
// be reached, SDL fell back on its offscreen or dummy driver by itself (one
// asked for by name in SDL_VIDEODRIVER is taken as it is), or the window
// itself failed. Empty while nothing failed.
std::string WindowStartFailure();
// Sends WM_DESTROY, then removes the window; its queued messages are dropped.
int DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

int ShowWindow(WindowHandle window, uint32_t command);
int UpdateWindow(WindowHandle window);  // sends WM_PAINT when a paint is pending
int SetWindowTitle(WindowHandle window, const std::string& title);
std::string GetWindowTitle(WindowHandle window);
int SetWindowIconId(WindowHandle window, int iconId);
int SetWindowStyle(WindowHandle window, uint32_t style, uint32_t exStyle);
uint32_t GetWindowStyle(WindowHandle window);
uint32_t GetWindowExStyle(WindowHandle window);

// Grows a client rectangle to the window rectangle for that style.
void AdjustWindowRectForStyle(WindowRect* rect, uint32_t style, uint32_t exStyle);
// Moves and sizes the window (whole-window rectangle). WM_MOVE and WM_SIZE are
// sent synchronously, and only when the client origin or size really changed.
int MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint);
int SetWindowPos(WindowHandle window, bool topmost, int x, int y, int width, int height, uint32_t flags);
int GetWindowRect(WindowHandle window, WindowRect* rect);
int GetClientRect(WindowHandle window, WindowRect* rect);  // (0, 0, width, height)
int ClientToScreen(WindowHandle window, int* x, int* y);

int BringWindowToTop(WindowHandle window);
int SetForegroundWindow(WindowHandle window);
int SetActiveWindow(WindowHandle window);

// Paint: the rectangle that needs painting; EndPaint validates it.
bool BeginPaint(WindowHandle window, WindowRect* paintRect);
void EndPaint(WindowHandle window);
void InvalidateWindow(WindowHandle window);

// --- The message queue ----------------------------------------------------------

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);
// filter: 0 any message, -1 thread messages only, else that window's.
bool PeekMessage(WindowMessage* message, WindowHandle filter, bool remove);
LResult SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
LResult DispatchMessage(const WindowMessage& message);
// Characters are made when the key event arrives, so this only exists for the
// callers' shape.
bool TranslateMessage(const WindowMessage& message);
LResult DefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
size_t QueuedMessageCount();
void ClearMessageQueue();

// Posts WM_DISPLAYCHANGE (wParam bits per pixel, lParam width | height << 16)
// after a screen mode has been applied.
void NotifyDisplayModeApplied(int bits, int width, int height);

// --- Cursor, desktop, system -----------------------------------------------------

// The cursor's display counter: shown while >= 0. Returns the new count.
int ShowCursor(bool show);
void SetCursorHidden(bool hidden);  // SetCursor(null) / SetCursor(arrow)
// What the player sees: the count is >= 0 and the cursor is not set to none.
bool IsCursorVisible();
int GetCursorPos(int* x, int* y);  // screen coordinates
int SetCursorPos(int x, int y);

// Desktop size and colour depth (32 or 16, never 24).
void GetDesktopMode(int* width, int* height, int* bits);
void SetScreenSaverActive(bool active);

// --- Dropped files ----------------------------------------------------------------

// WM_DROPFILES carries a drop handle in wParam; the names are CP932.
int DragQueryFileCount(uintptr_t drop);
std::string DragQueryFileName(uintptr_t drop, int index);
void DragFinish(uintptr_t drop);

// --- Events from the outside world ------------------------------------------------
// The sdl backend turns SDL events into these; on the headless backend the tests
// call them. Each posts the messages the window procedure reads, to the main
// window.

struct KeyEvent {
  int virtualKey = 0;
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
};
// WM_KEYDOWN, plus WM_CHAR 8, 9, 13, 27 for Backspace, Tab, Enter and Escape and
// 1-26 for Ctrl+letter (text input produces no characters for those).
void InjectKeyDown(const KeyEvent& key);
void InjectKeyUp(const KeyEvent& key);
// Typed text (UTF-8): one WM_CHAR per CP932 byte, lead byte first.
void InjectText(const std::string& utf8);
// Mouse in client coordinates; button 0 left, 1 right, 2 middle.
void InjectMouseMove(int x, int y);
void InjectMouseButton(int button, bool down, int x, int y);
void InjectMouseWheel(int notches);  // positive: away from the user
void InjectDroppedFiles(const std::vector<std::string>& utf8Names);
void InjectActivation(bool active);
void InjectCloseRequest();
void InjectPaint();
// Posts a message to the main window (the input method reports this way).
void PostToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Headless backend: the desktop reported (default 1920 x 1080 x 32).
void SetHeadlessDesktop(int width, int height, int bits);
// Headless backend: reset the whole window table, queue and cursor.
void ResetHeadlessWindowing();

}  // namespace platform
