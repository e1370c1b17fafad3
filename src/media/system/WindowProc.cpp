#include "media/system/WindowProc.h"

#include <cstring>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/MovieSystem.h"
#include "media/sound/SoundSystem.h"
#include "media/system/InputDevices.h"
#include "media/system/KeyInput.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MainWindow.h"
#include "media/system/Network.h"
#include "platform/text/Cp932Literal.h"

int gF10Flag = 0;
int gSecondInputFlag = 0;

namespace {

using platform::LResult;
using platform::WindowHandle;

struct ControlKey {
  int virtualKey;
  int code;
};
constexpr ControlKey kControlKeyTable[] = {
    {platform::kVkDelete, 0x10}, {platform::kVkLeft, 0x1D},  {platform::kVkRight, 0x1C},
    {platform::kVkUp, 0x1E},     {platform::kVkDown, 0x1F},  {platform::kVkHome, 0x1A},
    {platform::kVkEnd, 0x19},    {platform::kVkPrior, 0x17}, {platform::kVkNext, 0x15},
};

int LowWord(uintptr_t value) { return static_cast<int>(value & 0xFFFF); }
int HighWord(uintptr_t value) { return static_cast<int>((value >> 16) & 0xFFFF); }

void PostCloseOnce() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.closeRequested != 0) return;
  s.closeRequested = 1;
  platform::PostMessage(s.mainWindow, platform::kWmClose, 0, 0);
}

void OnActivation(uintptr_t wParam) {
  LibrarySystemState& s = gLibrarySystem;
  s.active = LowWord(wParam) != 0 ? 1 : 0;
  if (s.windowCreating != 0) return;
  if (s.active != 0) {
    if (IsTextEntryImeEnabled() != 0 && IsTextEntryImeOpen() != 0) RequestImeRefresh();
    RestoreLostSurfaces2D();
    RestoreLostTextureSets();
    if (s.windowMode == 0 && s.started != 0) {
      if (HighWord(wParam) == 0) RestoreScreenAfterDeviceLoss();
      ResumeAllMovies();
    } else if (s.runWhileInactive == 0) {
      ResumeAllMovies();
    }
    ResetInputCooperation();
  } else if (s.windowMode != 0) {
    if (s.runWhileInactive == 0) PauseAllMovies();
    ResetInputCooperation();
    DrawInactivePicture();
  } else {
    if (IsDisplayModeChanged() != 0) {
      if (IsDirectDrawUsed() != 0) {
        ReleaseDirect3DObject();
      } else {
        ReleaseDirectDrawObjects();
        platform::ShowWindow(s.mainWindow, platform::kSwMinimize);
      }
    }
    if (IsDisplayModeChanged() != 0 && GetDirectDrawObject() != nullptr) {
      if (HasGraphRestoreCallback() == 0) {
        LogWrite(Cp932<"復元関数が登録されていないため終了します\n">);
        PostCloseOnce();
        return;
      }
      PauseAllMovies();
    } else {
      if (s.runWhileInactive == 0) PauseAllMovies();
      ResetInputCooperation();
    }
    DrawInactivePicture();
  }
  UpdatePadVibration();
}

void OnDisplayChange(uintptr_t wParam, intptr_t lParam) {
  LibrarySystemState& s = gLibrarySystem;
  if (s.windowMode != 0 && s.modeChangeInProgress == 0) {
    int width = 0, height = 0, bits = 0;
    QueryScreenMode(&width, &height, &bits);
    const int newBits = static_cast<int>(wParam);
    const int newWidth = LowWord(static_cast<uintptr_t>(lParam));
    const int newHeight = HighWord(static_cast<uintptr_t>(lParam));
    if (newBits != bits || newWidth != width || newHeight != height) {
      const bool refused = HasGraphRestoreCallback() == 0 || newBits == 24 || (newBits == 8 && bits != 8) ||
                           newWidth < width || newHeight < height;
      if (refused) {
        LogWrite(Cp932<"復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n">);
        LogWrite(Cp932<"またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n">);
        PostCloseOnce();
        return;
      }
      ReleaseAllDirectShowMovies();
      ReadScreenPixelFormat();
      RestoreScreenAfterDeviceLoss();
      ResumeAllMovies();
    }
  }
  s.displayChangeSeen = 1;
}

void OnPaint(WindowHandle window) {
  LibrarySystemState& s = gLibrarySystem;
  platform::WindowRect paint;
  if (!platform::BeginPaint(window, &paint)) return;
  if (s.windowMode != 0) {
    s.painting = 1;
    if (s.started != 0) {
      if (GetDrawTarget() == -2) {
        const int vsync = GetVSyncWait();
        SetVSyncWait(0);
        const GraphicsRect target{paint.left, paint.top, paint.right, paint.bottom};
        PresentBackScreen(&target);
        SetVSyncWait(vsync);
      }
    }
    // Before the start the window shows no picture yet: it stays black.
    s.painting = 0;
  }
  platform::EndPaint(window);
}

void OnSizing(uintptr_t edge, intptr_t lParam) {
  LibrarySystemState& s = gLibrarySystem;
  auto* rect = reinterpret_cast<platform::WindowRect*>(lParam);
  if (rect == nullptr) return;
  int screenWidth = 640, screenHeight = 480;
  QueryScreenSize(&screenWidth, &screenHeight);
  platform::WindowRect window, client;
  platform::GetWindowRect(s.mainWindow, &window);
  platform::GetClientRect(s.mainWindow, &client);
  const int frameWidth = window.Width() - client.Width();
  const int frameHeight = window.Height() - client.Height();
  const int cw = rect->Width() - frameWidth;
  const int ch = rect->Height() - frameHeight;
  bool widthLeads;
  switch (edge) {
    case platform::kWmszLeft:
    case platform::kWmszRight: widthLeads = true; break;
    case platform::kWmszTop:
    case platform::kWmszBottom: widthLeads = false; break;
    case platform::kWmszTopLeft:
    case platform::kWmszTopRight:
    case platform::kWmszBottomLeft:
    case platform::kWmszBottomRight:
      widthLeads = static_cast<double>(cw) / screenWidth > static_cast<double>(ch) / screenHeight;
      break;
    default: return;
  }
  int clientWidth = cw;
  if (widthLeads) {
    rect->bottom = rect->top + cw * screenHeight / screenWidth + frameHeight;
  } else {
    clientWidth = ch * screenWidth / screenHeight;
    rect->right = rect->left + clientWidth + frameWidth;
  }
  s.windowScale = static_cast<double>(clientWidth) / screenWidth;
}

void OnDropFiles(uintptr_t drop) {
  LibrarySystemState& s = gLibrarySystem;
  const int count = platform::DragQueryFileCount(drop);
  for (int i = 0; i < count && s.droppedFileCount < kMaxDroppedFiles; ++i) {
    const std::string name = platform::DragQueryFileName(drop, i);
    auto* copy = static_cast<char*>(TrackedAlloc(name.size() + 1, "", 0));
    if (copy == nullptr) break;
    std::memcpy(copy, name.c_str(), name.size() + 1);
    s.droppedFiles[s.droppedFileCount++] = copy;
  }
  platform::DragFinish(drop);
}

void HideCursorWhileHidden() {
  if (gLibrarySystem.cursorShown != 0) return;
  platform::SetCursorHidden(true);
  while (platform::ShowCursor(false) >= 0) {
  }
}

}  // namespace

LResult MainWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  LibrarySystemState& s = gLibrarySystem;
  switch (message) {
    case platform::kWmDestroy:
      LogWrite(Cp932<"ウインドウが破棄されようとしています\n">);
      LogWrite(Cp932<"ソフトを終了する準備が整いました\n">);
      platform::PostQuitMessage(0);
      s.quit = 1;
      break;
    case platform::kWmMove:
      if (s.windowMode != 0 && s.modeChangeInProgress == 0) OnWindowMoved(lParam);
      break;
    case platform::kWmSize:
      if (wParam != platform::kSizeMaximized) FitWindowToScreen();
      break;
    case platform::kWmPaint: OnPaint(window); break;
    case platform::kWmClose:
      LogWrite(Cp932<"ウインドウを閉じようとしています\n">);
      platform::DestroyWindow(s.mainWindow);
      return 0;
    case platform::kWmActivate: OnActivation(wParam); break;
    case platform::kWmActivateApp:
      if (wParam == 0) OnActivation(0);
      break;
    case platform::kWmDisplayChange: OnDisplayChange(wParam, lParam); break;
    case platform::kWmKeyDown:
      if (IsInputCharRingFull() == 0) {
        for (const ControlKey& key : kControlKeyTable) {
          if (key.virtualKey == static_cast<int>(wParam)) {
            PushInputChar(key.code);
            break;
          }
        }
      }
      break;
    case platform::kWmChar:
      if (wParam == 10) {
        PushInputChar(13);
      } else if (wParam >= 32) {
        PushInputChar(static_cast<int>(wParam));
      } else {
        switch (wParam) {
          case 1:
          case 3:
          case 8:
          case 9:
          case 13:
          case 16:
          case 22:
          case 24:
          case 27: PushInputChar(static_cast<int>(wParam)); break;
          default: break;
        }
      }
      break;
    case platform::kWmImeStartComposition:
    case platform::kWmImeEndComposition:
    case platform::kWmImeComposition:
    case platform::kWmImeSetContext:
    case platform::kWmImeNotify: return HandleImeMessage(wParam, message, window, lParam);
    case platform::kWmSysCommand:
      if ((wParam & 0xFFF0) == platform::kScScreenSave || (wParam & 0xFFF0) == platform::kScMonitorPower) return 1;
      break;
    case platform::kWmSetCursor:
    case platform::kWmMouseMove:
    case platform::kWmLButtonDown:
    case platform::kWmLButtonUp:
    case platform::kWmRButtonDown:
    case platform::kWmRButtonUp:
    case platform::kWmMButtonDown:
    case platform::kWmMButtonUp: HideCursorWhileHidden(); break;
    case platform::kWmMouseWheel: s.wheelCount += static_cast<int16_t>(HighWord(wParam)) > 0 ? 1 : -1; break;
    case platform::kWmSizing:
      if (s.windowMode != 0) OnSizing(wParam, lParam);
      break;
    case platform::kWmMoving:
      if (s.windowMode == 0 && lParam != 0)
        platform::GetWindowRect(s.mainWindow, reinterpret_cast<platform::WindowRect*>(lParam));
      break;
    case platform::kWmDropFiles: OnDropFiles(wParam); break;
    case platform::kMmMciNotify: OnMciNotify(); break;
    case kWmF10Flag: gF10Flag = wParam == 1 ? 1 : 0; break;
    case kWmSecondInputFlag: gSecondInputFlag = wParam == 1 ? 1 : 0; break;
    case kWmSocketEvent: return HandleSocketEvent(lParam, wParam);
    default: break;
  }
  return platform::DefWindowProc(window, message, wParam, lParam);
}
