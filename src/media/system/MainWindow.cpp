#include "media/system/MainWindow.h"

#include <cstdio>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/system/KeyInput.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"
#include "media/system/WindowProc.h"
#include "platform/debug/DebugOutput.h"
#include "platform/text/Cp932Literal.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"
#include "platform/window/SystemInfo.h"

namespace {

constexpr uint32_t kWindowStyle =
    platform::kWsPopup | platform::kWsCaption | platform::kWsSysMenu | platform::kWsMinimizeBox;  // 0x80CA0000
constexpr uint32_t kWindowExStyle = platform::kWsExWindowEdge | platform::kWsExClientEdge;
constexpr uint32_t kFullScreenStyle = platform::kWsPopup;
constexpr uint32_t kFullScreenExStyle = platform::kWsExTopmost;

uint32_t WindowModeStyle() { return kWindowStyle | (gLibrarySystem.styleApplied != 0 ? platform::kWsVisible : 0u); }

uint32_t Clock31() { return platform::Milliseconds() & 0x7FFFFFFF; }

void RefreshClientRect() {
  LibrarySystemState& s = gLibrarySystem;
  platform::WindowRect client;
  platform::GetClientRect(s.mainWindow, &client);
  int x = 0, y = 0;
  platform::ClientToScreen(s.mainWindow, &x, &y);
  s.clientRect = {x, y, x + client.Width(), y + client.Height()};
}

// The window-mode rectangle: screen size x scale as the client area, grown by
// the frame, centred on the desktop.
platform::WindowRect CentredWindowRect(int screenWidth, int screenHeight) {
  const LibrarySystemState& s = gLibrarySystem;
  const double scale = GetWindowScale();
  platform::WindowRect rect{0, 0, static_cast<int>(screenWidth * scale), static_cast<int>(screenHeight * scale)};
  platform::AdjustWindowRectForStyle(&rect, WindowModeStyle(), kWindowExStyle);
  const int dx = (s.desktopWidth - rect.Width()) / 2;
  const int dy = (s.desktopHeight - rect.Height()) / 2;
  rect.left += dx;
  rect.right += dx;
  rect.top += dy;
  rect.bottom += dy;
  return rect;
}

}  // namespace

int StartMainWindow() {
  LibrarySystemState& s = gLibrarySystem;
  ClearLibrarySystemExceptKept();
  if (s.windowClassName[0] == '\0')
    CopyTextBounded(s.windowClassName, sizeof s.windowClassName, s.windowTitle[0] != '\0' ? s.windowTitle : "M123987X");
  s.windowThread = std::this_thread::get_id();

  const platform::MemoryStatus memory = platform::QueryMemoryStatus();
  LogWriteFormat(Cp932<"メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ">, memory.totalPhysical / 1048576.0,
                 memory.availablePhysical / 1048576.0);
  char text[256];
  FormatText(text, sizeof text, "%.2fMB\n", memory.availablePhysical / 1048576.0);
  platform::DebugOutputWrite(text);

  platform::GetDesktopMode(&s.desktopWidth, &s.desktopHeight, &s.desktopBits);
  int screenWidth = 640, screenHeight = 480;
  QueryScreenSize(&screenWidth, &screenHeight);

  s.performanceFrequency = platform::PerformanceFrequency();
  s.performanceCounterUsed = s.performanceFrequency != 0 ? 1 : 0;
  if (s.performanceCounterUsed != 0) {
    LogWrite(Cp932<"タイマーの精度を検査します\n">);
    // Each turn sleeps a millisecond so the measure also ends on a clock that
    // only moves when slept on.
    const uint32_t start = Clock31();
    uint32_t lastTime = platform::Milliseconds();
    int64_t lastCounter = platform::PerformanceCounter();
    int timerChanges = 0, counterChanges = 0;
    while (timerChanges < 60 && counterChanges < 60 && Clock31() - start < 1000) {
      if (RunMessageLoopRoundBody() != 0) break;
      platform::SleepMilliseconds(1);
      const uint32_t nowTime = platform::Milliseconds();
      const int64_t nowCounter = platform::PerformanceCounter();
      if (nowTime != lastTime) ++timerChanges;
      if (nowCounter != lastCounter) ++counterChanges;
      lastTime = nowTime;
      lastCounter = nowCounter;
    }
    LogWriteFormat(Cp932<"精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d">, timerChanges,
                   counterChanges);
    if (timerChanges > counterChanges) {
      LogWriteFormat(Cp932<"マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ">, 1);
      s.performanceCounterUsed = 0;
    } else {
      LogWriteFormat(Cp932<"パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ">,
                     static_cast<double>(s.performanceFrequency) / 1000.0);
    }
  }

  RandomSeed(platform::Milliseconds() & 0x7FFFFFFF);
  platform::SetScreenSaverActive(false);

  LogWrite(Cp932<"ソフトの二重起動検査... ">);
  if (platform::FindWindowByClass(s.windowClassName)) {
    const char* refusal = Cp932<"二重起動されています、ソフトを終了します\n">;
    LogWrite(refusal);
    // The log is off outside test play: the player learns why nothing opened.
    (void)std::fputs(platform::Cp932ToUtf8(refusal).c_str(), stderr);
    s.quit = 1;
    return -1;
  }
  LogWrite(Cp932<"二重起動はされていませんでした\n">);

  s.windowCreating = 1;
  LogWrite(Cp932<"ウインドウクラスを登録します... ">);
  if (platform::RegisterWindowClass(s.windowClassName, MainWindowProc, s.iconId) != 0) {
    LogWrite(Cp932<"ウインドウクラスの登録に失敗しました\n">);
    platform::UnregisterWindowClass(s.windowClassName);  // lets go of the instance lock
    s.quit = 1;
    return -1;
  }
  LogWrite(Cp932<"登録に成功しました\n">);

  if (s.windowTitle[0] == '\0') CopyTextBounded(s.windowTitle, sizeof s.windowTitle, "MediaLib");

  platform::WindowHandle window = 0;
  if (s.windowMode != 0) {
    LogWrite(Cp932<"ウインドウモード起動用のウインドウを作成します\n">);
    s.cursorRequested = 1;
    const platform::WindowRect rect = CentredWindowRect(screenWidth, screenHeight);
    window = platform::CreateMainWindow(s.windowClassName, s.windowTitle, WindowModeStyle(), kWindowExStyle, rect.left,
                                        rect.top, rect.Width(), rect.Height());
  } else {
    LogWrite(Cp932<"フルスクリーンモード用のウインドウを作成します\n">);
    s.cursorRequested = 0;
    window = platform::CreateMainWindow(s.windowClassName, s.windowTitle, kFullScreenStyle, kFullScreenExStyle, 0, 0,
                                        screenWidth, screenHeight);
  }
  if (window == 0) {
    LogWrite(Cp932<"ウインドウの作成に失敗しました\n">);
    platform::UnregisterWindowClass(s.windowClassName);
    s.quit = 1;
    return -1;
  }
  s.mainWindow = window;
  LogWrite(Cp932<"ウインドウの作成に成功しました\n">);
  platform::ShowWindow(window, platform::kSwShow);
  platform::UpdateWindow(window);

  s.closeRequested = 0;
  s.active = 1;
  if (s.windowMode == 0) {
    LogWrite(Cp932<"カーソルを不可視にしました\n">);
    platform::SetCursorHidden(true);
  }
  LogWrite(Cp932<"ＩＭＥを無効にしました\n">);
  if (s.windowMode != 0) {
    RefreshClientRect();
  } else {
    s.clientRect = {0, 0, screenWidth, screenHeight};
  }
  s.charSetMode = 1;  // the OEM code page is Japanese, never 949
  ShowMouseCursor(s.cursorRequested);
  s.ending = 0;

  platform::BringWindowToTop(window);
  const uint32_t settleStart = Clock31();
  while (Clock31() - settleStart < 200) {
    RunMessageLoopRoundBody();
    platform::SleepMilliseconds(1);
  }
  FitWindowToScreen();
  s.windowCreating = 0;
  return 0;
}

int EndMainWindow() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.mainWindow == 0) return 0;
  platform::SetScreenSaverActive(true);
  ShowMouseCursor(1);
  if (s.closeRequested == 0) {
    s.closeRequested = 1;
    platform::PostMessage(s.mainWindow, platform::kWmClose, 0, 0);
  }
  while (RunMessageLoopRoundBody() == 0) {
  }
  // A quit seen before the close was handled leaves the window standing.
  if (platform::IsWindow(s.mainWindow)) platform::DestroyWindow(s.mainWindow);
  platform::UnregisterWindowClass(s.windowClassName);
  EndTextEntrySystem();
  DroppedFileListClear();
  s.mainWindow = 0;
  return 0;
}

int ChangeWindowMode(int windowMode) {
  LibrarySystemState& s = gLibrarySystem;
  LogWrite(Cp932<"ChangeWindowMode実行 \n">);
  if (windowMode == s.windowMode) return 0;
  s.styleApplied = 1;
  s.displayChangeSeen = 0;
  StoreWindowModeFlag(windowMode);
  if (s.mainWindow == 0) return 0;
  s.modeChangeInProgress = 1;
  ApplyWindowModeStyle();
  const int result = ApplyScreenMode(-1, -1, -1, 1, -1);
  // A display that never reports the change must not hold the game forever.
  const uint32_t start = Clock31();
  while (RunMessageLoopRoundBody() == 0 && s.displayChangeSeen == 0 &&
         Clock31() - start < static_cast<uint32_t>(kDisplayChangeWaitMs)) {
    platform::SleepMilliseconds(1);
  }
  s.modeChangeInProgress = 0;
  return result;
}

int StoreWindowModeFlag(int windowMode) {
  gLibrarySystem.windowMode = windowMode;
  LogWrite(windowMode == 1 ? Cp932<"ウインドウモードフラグが立てられました\n">
                           : Cp932<"ウインドウモードフラグが倒されました\n">);
  return 0;
}

int ApplyWindowModeStyle() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.mainWindow == 0) return 0;
  int screenWidth = 640, screenHeight = 480;
  QueryScreenSize(&screenWidth, &screenHeight);
  if (s.windowMode != 0) {
    LogWrite(Cp932<"ウインドウスタイルをウインドウモード用に変更します... ">);
    platform::SetWindowStyle(s.mainWindow, WindowModeStyle(), kWindowExStyle);
    platform::WindowRect rect = CentredWindowRect(screenWidth, screenHeight);
    platform::SetWindowPos(s.mainWindow, false, rect.left, rect.top, rect.Width(), rect.Height(), 0);
    RefreshClientRect();
    // Keep the client area on the desktop when the window is larger than it.
    if (s.clientRect.left < 0 || s.clientRect.top < 0) {
      const int shiftX = s.clientRect.left < 0 ? -s.clientRect.left : 0;
      const int shiftY = s.clientRect.top < 0 ? -s.clientRect.top : 0;
      rect.left += shiftX;
      rect.right += shiftX;
      rect.top += shiftY;
      rect.bottom += shiftY;
      platform::SetWindowPos(s.mainWindow, false, rect.left, rect.top, rect.Width(), rect.Height(), 0);
      RefreshClientRect();
    }
    ShowMouseCursor(1);
  } else {
    LogWrite(Cp932<"ウインドウスタイルをフルスクリーンモード用に変更します... ">);
    platform::SetWindowStyle(s.mainWindow, kFullScreenStyle, kFullScreenExStyle);
    s.clientRect = {0, 0, screenWidth, screenHeight};
    platform::ShowWindow(s.mainWindow, platform::kSwShow);
    platform::UpdateWindow(s.mainWindow);
    platform::SetWindowPos(s.mainWindow, true, 0, 0, screenWidth, screenHeight, platform::kSwpNoRedraw);
    ShowMouseCursor(0);
  }
  LogWrite(Cp932<"完了\n">);
  platform::SetActiveWindow(s.mainWindow);
  platform::PostMessage(s.mainWindow, platform::kWmSetCursor, static_cast<uintptr_t>(s.mainWindow), 0);
  return 0;
}

int SetWindowScale(double scale) {
  LibrarySystemState& s = gLibrarySystem;
  if (scale == s.windowScale) return 0;
  s.windowScale = scale <= 0.0 ? 1.0 : scale;
  if (s.windowMode != 0) ApplyWindowModeStyle();
  return 0;
}

int UpdateWindowEachRound() {
  const LibrarySystemState& s = gLibrarySystem;
  if (s.windowMode != 0) return 0;
  SetShowGdiSurface(GetShowGdiSurface());
  ShowMouseCursor(s.cursorRequested);
  return 0;
}

int FitWindowToScreen() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.mainWindow == 0) return 0;
  int screenWidth = 640, screenHeight = 480;
  QueryScreenSize(&screenWidth, &screenHeight);
  const double scale = s.windowMode != 0 ? GetWindowScale() : 1.0;
  const int targetWidth = static_cast<int>(screenWidth * scale);
  const int targetHeight = static_cast<int>(screenHeight * scale);
  platform::WindowRect window, client;
  platform::GetWindowRect(s.mainWindow, &window);
  platform::GetClientRect(s.mainWindow, &client);
  const int right = window.right + (targetWidth - client.Width());
  const int bottom = window.bottom - client.Height() + targetHeight;
  platform::MoveWindow(s.mainWindow, window.left, window.top, right - window.left, bottom - window.top, true);
  if (s.windowMode != 0 && s.styleApplied == 0) {
    s.styleApplied = 1;
    ApplyWindowModeStyle();
  }
  return 0;
}

int OnWindowMoved(intptr_t packedClientOrigin) {
  LibrarySystemState& s = gLibrarySystem;
  const int x = static_cast<int16_t>(packedClientOrigin & 0xFFFF);
  const int y = static_cast<int16_t>((packedClientOrigin >> 16) & 0xFFFF);
  platform::WindowRect client;
  platform::GetClientRect(s.mainWindow, &client);
  s.clientRect = {x, y, x + client.Width(), y + client.Height()};
  if (GetDrawTarget() == -4) {
    const int mask = GetMaskLayerActive();
    SetMaskLayerActive(0);
    if (GetUseFrontWorkSurface() == 0) {
      const GraphicsRect rect{s.clientRect.left, s.clientRect.top, s.clientRect.right, s.clientRect.bottom};
      SetFrontScreenWindowRect(&rect);
    }
    SetMaskLayerActive(mask);
  }
  SetClipArea(s.drawAreaLeft, s.drawAreaTop, s.drawAreaRight, s.drawAreaBottom);
  return 0;
}

int ForceForegroundWindow(platform::WindowHandle window, int makeTopmost) {
  platform::SetForegroundWindow(window);
  if (makeTopmost == 1) {
    platform::SetWindowPos(gLibrarySystem.mainWindow, true, 0, 0, 0, 0,
                           platform::kSwpNoRedraw | platform::kSwpNoMove | platform::kSwpNoSize);
  }
  return 0;
}

int ShowMouseCursor(int show) {
  LibrarySystemState& s = gLibrarySystem;
  s.cursorRequested = show;
  const int wanted = show == 1 ? 1 : 0;
  if (wanted == s.cursorShown) return 0;
  if (wanted != 0) {
    while (platform::ShowCursor(true) < 0) {
    }
  } else {
    while (platform::ShowCursor(false) >= 0) {
    }
  }
  if (s.mainWindow != 0)
    platform::PostMessage(s.mainWindow, platform::kWmSetCursor, static_cast<uintptr_t>(s.mainWindow), 0);
  s.cursorShown = wanted;
  return 0;
}

int IsMouseCursorShown() { return gLibrarySystem.cursorRequested; }

int GetMousePosition(int* x, int* y) {
  const LibrarySystemState& s = gLibrarySystem;
  int px = 0, py = 0;
  platform::GetCursorPos(&px, &py);
  if (s.windowMode != 0) {
    const double scale = GetWindowScale();
    px = static_cast<int>((px - s.clientRect.left) / scale);
    py = static_cast<int>((py - s.clientRect.top) / scale);
  }
  if (x != nullptr) *x = px;
  if (y != nullptr) *y = py;
  return 0;
}

int SetMousePosition(int x, int y) {
  const LibrarySystemState& s = gLibrarySystem;
  int screenWidth = 640, screenHeight = 480;
  QueryScreenSize(&screenWidth, &screenHeight);
  x = x < 0 ? 0 : (x > screenWidth ? screenWidth : x);
  y = y < 0 ? 0 : (y > screenHeight ? screenHeight : y);
  if (s.windowMode != 0) {
    x += s.clientRect.left;
    y += s.clientRect.top;
  }
  platform::SetCursorPos(x, y);
  return 0;
}

int TakeMouseWheelCount() {
  const int count = gLibrarySystem.wheelCount;
  gLibrarySystem.wheelCount = 0;
  return count;
}

int GetClientScreenRect(platform::WindowRect* rect) {
  *rect = gLibrarySystem.clientRect;
  return 0;
}

int IsMenuInUse() { return 0; }

int SetMainWindowTitle(const char* text) {
  LibrarySystemState& s = gLibrarySystem;
  // The title field is bounded; a longer game title is cut on a character boundary.
  CopyTextBounded(s.windowTitle, sizeof s.windowTitle, text);
  if (s.mainWindow != 0) platform::SetWindowTitle(s.mainWindow, s.windowTitle);
  return 0;
}

int SetMainWindowIcon(int resourceId) {
  LibrarySystemState& s = gLibrarySystem;
  s.iconId = resourceId;
  if (s.mainWindow != 0) platform::SetWindowIconId(s.mainWindow, resourceId);
  return 0;
}

int DrawInactivePicture() { return gLibrarySystem.ending != 0 ? 0 : -1; }
