#pragma once

#include <cstdint>
#include <thread>

#include "platform/window/Window.h"

// The media layer's one system record. Settings can be stored before the
// library starts; the window start clears everything but the fields marked
// "kept", so those settings survive while all run-time state starts at zero.
struct LibrarySystemState {
  char osDescription[512];            // kept
  char cpuName[256];                  // kept
  platform::WindowHandle mainWindow;  // kept (0 until the window exists and after it ends)
  std::thread::id windowThread;       // only this thread pumps the window's messages
  platform::WindowRect clientRect;    // client area in screen coordinates
  int windowMode;                     // kept: 1 window, 0 full screen
  int modeChangeInProgress;
  int quit;
  int closeRequested;
  int displayChangeSeen;
  int active;
  int ending;
  int painting;
  int cursorRequested;
  int cursorShown;
  int wheelCount;
  int performanceCounterUsed;
  int64_t performanceFrequency;
  int desktopWidth, desktopHeight, desktopBits;
  int comStarted;
  int windowCreating;
  int drawAreaLeft, drawAreaTop, drawAreaRight, drawAreaBottom;
  int backgroundRed, backgroundGreen, backgroundBlue;  // kept
  int started;
  int starting;                // kept
  char initialDirectory[260];  // kept; the log's base folder
  char windowTitle[256];       // kept
  char windowClassName[256];   // kept
  int runWhileInactive;        // kept
  int iconId;                  // kept
  double windowScale;          // kept
  int styleApplied;
  int directXVersion;          // kept
  int osVersionCode;           // kept
  int mmx, sse, sse2;          // kept
  int timeStampCounter;        // kept
  uint64_t cpuTicksPerSecond;  // kept
  char* droppedFiles[1000];
  int droppedFileCount;
  int charSetMode;
  int noGraphics;             // graphics is not started when set; nothing sets it
  char videoDriverName[512];  // written by the graphics start
  char videoDriverDescription[512];
  int videoMemoryFree, videoMemoryTotal;
};
extern LibrarySystemState gLibrarySystem;

constexpr int kMaxDroppedFiles = 1000;

// Start and end bodies; the public entries of the same purpose hold the
// library lock around them (PublicSystem.h).
int StartMediaLibraryBody();
int EndMediaLibraryBody();
[[noreturn]] void FatalLibraryError(const char* message);
[[noreturn]] void FatalLibraryErrorFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogSystemInformation();
int StartCom();
int DroppedFileListClear();
int DebugPrintStart();

// Keeps the kept fields, zeroes the rest (the window start's first step).
void ClearLibrarySystemExceptKept();

int SetRunWhileInactive(int on);
int HasWindowQuit();
int IsMainWindowActive();
platform::WindowHandle GetLibraryWindowHandle();
int IsWindowModeOn();
int IsCloseRequested();
int HasWindowRegion();
int IsMmxAvailable();
double GetWindowScale();
LibrarySystemState* GetSystemStateRecord();
int GetDesktopMode(int* width, int* height, int* bits);

int MillisecondClock();
uint64_t MicrosecondClock(int useCpuCounter);
struct DateRecord;
int ReadLocalDateTime(DateRecord* date);

// Copies text into a fixed field of `capacity` bytes, cut so that no
// double-byte character is split.
void CopyTextBounded(char* dst, int capacity, const char* src);
