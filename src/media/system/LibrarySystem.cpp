#include "media/system/LibrarySystem.h"

#include <cstdarg>
#include <cstring>

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"
#include "media/graphics/DrawState.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/FontSystem.h"
#include "media/image/GraphImage.h"
#include "media/image/MovieSystem.h"
#include "media/sound/SoundSystem.h"
#include "media/system/InputDevices.h"
#include "media/system/KeyInput.h"
#include "media/system/MainWindow.h"
#include "media/system/MessageLoop.h"
#include "media/system/Network.h"
#include "platform/files/Files.h"
#include "platform/process/Process.h"
#include "platform/text/Cp932Literal.h"
#include "platform/time/Time.h"
#include "platform/window/SystemInfo.h"

LibrarySystemState gLibrarySystem{};

void CopyTextBounded(char* dst, int capacity, const char* src) {
  if (capacity <= 0) return;
  if (src == nullptr) src = "";
  int i = 0;
  while (src[i] != '\0') {
    int size = (IsDoubleByteLead(static_cast<unsigned char>(src[i])) && src[i + 1] != '\0') ? 2 : 1;
    if (i + size > capacity - 1) break;
    i += size;
  }
  std::memmove(dst, src, static_cast<size_t>(i));
  dst[i] = '\0';
}

void ClearLibrarySystemExceptKept() {
  const LibrarySystemState old = gLibrarySystem;
  LibrarySystemState& s = gLibrarySystem;
  s = LibrarySystemState{};
  std::memcpy(s.osDescription, old.osDescription, sizeof s.osDescription);
  std::memcpy(s.cpuName, old.cpuName, sizeof s.cpuName);
  s.mainWindow = old.mainWindow;
  s.windowMode = old.windowMode;
  s.backgroundRed = old.backgroundRed;
  s.backgroundGreen = old.backgroundGreen;
  s.backgroundBlue = old.backgroundBlue;
  s.starting = old.starting;
  std::memcpy(s.initialDirectory, old.initialDirectory, sizeof s.initialDirectory);
  std::memcpy(s.windowTitle, old.windowTitle, sizeof s.windowTitle);
  std::memcpy(s.windowClassName, old.windowClassName, sizeof s.windowClassName);
  s.runWhileInactive = old.runWhileInactive;
  s.iconId = old.iconId;
  s.windowScale = old.windowScale;
  s.directXVersion = old.directXVersion;
  s.osVersionCode = old.osVersionCode;
  s.mmx = old.mmx;
  s.sse = old.sse;
  s.sse2 = old.sse2;
  s.timeStampCounter = old.timeStampCounter;
  s.cpuTicksPerSecond = old.cpuTicksPerSecond;
  // The log's indent and mid-line state belong to the record's run-time part.
  gLogState.indentLevel = 0;
  gLogState.midLine = 0;
}

namespace {

// The warm-up draws: every path the first frames take is run once while
// nothing is shown yet.
void WarmUpDraws() {
  SetNewGraphDrawValid(1);
  int graph = CreateBlankGraph(256, 256, 0);
  SetNewGraphDrawValid(0);
  SelectDrawTarget(graph);
  SelectDrawTarget(-4);
  ReleaseGraph(graph, 1);
  SelectDrawTarget(-2);

  GraphImage image{};
  if (AllocRGB24GraphImage(256, 256, &image) == 0) {
    FillGraphImage(&image, 0, 0, 0, 0);
    graph = CreateGraphFromImageDefault(&image);
    FreeGraphImage(&image);
    SetBlendState(3, 128);
    PutGraph(0, 0, graph, 1);
    SetBlendState(0, 0);
    SelectDrawTarget(-4);
    PutGraph(0, 0, graph, 1);
    ReleaseGraph(graph, 1);
  }
  if (AllocRGB24GraphImage(256, 256, &image) == 0) {
    FillGraphImage(&image, 0, 0, 0, 0);
    graph = CreateGraphFromImageDefault(&image);
    PutGraphStretched(0, 0, 640, 480, graph, 1);
    ReleaseGraph(graph, 1);
    FreeGraphImage(&image);
  }
}

int FailStart() {
  EndMediaLibraryBody();
  gLibrarySystem.starting = 0;
  return -1;
}

}  // namespace

int StartMediaLibraryBody() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.started == 1) return 0;
  s.starting = 1;
  if (GetNoDirect3DFlag() == 1) SetHardwareRendering(0);
  BuildYuvTables();
  ArchiveTableReset();
  FileLayerInstall(nullptr);
  FileLayerGetDirectory(s.initialDirectory);
  // The file layer reports the folder in the runtime's own form ("C:\..."); the
  // log opens its file with the system's path.
  CopyTextBounded(gLogState.baseFolder, sizeof gLogState.baseFolder, platform::NativePath(s.initialDirectory).c_str());
  LogStart();

  int desktopBits = 32;
  platform::GetDesktopMode(nullptr, nullptr, &desktopBits);
  if ((desktopBits == 24 && s.windowMode == 1) || GetScreenColorDepth() == 24) {
    LogWrite(Cp932<"メディアライブラリは２４ビットカラーモードに対応していません\n">);
    return -1;
  }

  s.performanceFrequency = platform::PerformanceFrequency();
  s.performanceCounterUsed = s.performanceFrequency != 0 ? 1 : 0;
  LogSystemInformation();
  if (s.osVersionCode == 0x108) SetUseFrontWorkSurface(1);
  // The two stream tables are constant: they hold the file-layer forwarders and
  // the memory-stream operations from program load on.
  SetGraphRestoreCallback(nullptr);

  if (StartCom() == -1) return FailStart();
  if (StartMainWindow() == -1) return FailStart();
  ClearHttpHandles();
  if (StartInputDevices() == -1) return FailStart();
  StartSoundSystem();
  if (StartGraphics(s.mainWindow) < 0) return FailStart();
  StartTextEntrySystem();
  s.started = 1;
  SetVSyncWait(1);
  if (s.windowMode == 0) ForceForegroundWindow(s.mainWindow, 1);
  DebugPrintStart();
  SelectDrawTarget(-2);
  SelectDrawTarget(-4);
  WarmUpDraws();
  s.starting = 0;
  return 0;
}

int EndMediaLibraryBody() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.started == 0) return 0;
  s.ending = 1;
  if (DeleteFontHandle(gDefaultFontHandle) == 0) gDefaultFontHandle = -1;
  CloseAllHttpHandles();
  EndNetwork();
  ReleaseDirectPlayHandle();
  StopGraphics();
  EndInputDevices();
  EndSoundSystem();
  EndMainWindow();
  if (s.comStarted != 0) {
    LogWrite(Cp932<"ＣＯＭを終了... 完了\n">);
    s.comStarted = 0;
  }
  FreeAllSoftImageHandles();
  s.started = 0;
  while (RunMessageLoopRoundBody() == 0 && s.quit == 0) {
  }
  FileLayerSetDirectory(s.initialDirectory);
  ArchiveShutdown();
  s.ending = 0;
  return 0;
}

void FatalLibraryError(const char* message) {
  LogWrite(message);
  LogWrite("\n");
  // An error raised by the end itself must not run the end a second time.
  if (gLibrarySystem.ending == 0) EndMediaLibraryBody();
  ReleaseLibraryLockObjects();
  platform::ExitProcess(-1);
}

void FatalLibraryErrorFormat(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  FormatTextV(buffer, sizeof buffer, format, args);
  va_end(args);
  FatalLibraryError(buffer);
}

int StartCom() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.comStarted != 0) return -1;
  // There is no COM here; its start always succeeds.
  LogWrite(Cp932<"ＣＯＭの初期化... ">);
  LogWrite(Cp932<"成功しました\n">);
  s.comStarted = 1;
  return 0;
}

int LogSystemInformation() {
  LibrarySystemState& s = gLibrarySystem;
  LogWrite(Cp932<"システムの情報を出力します\n">);
  LogIndentIn();
  char line[1024];
  FormatText(line, sizeof line, Cp932<"メディアライブラリ Ver%s\n">, "1.00");
  LogWrite(line);

  LogWrite(Cp932<"ＯＳ  ">);
  const platform::OsVersion os = platform::QueryOsVersion();
  struct Row {
    int platformId, major, minor;  // -1: any
    int code;
  };
  static const Row kRows[] = {
      {0, -1, -1, 0},    {1, -1, 0, 1},    {1, -1, 10, 2},   {1, -1, 90, 3},    {2, 3, -1, 0x104},
      {2, 4, -1, 0x105}, {2, 5, 0, 0x106}, {2, 5, 1, 0x107}, {2, 6, -1, 0x108},
  };
  for (const Row& r : kRows) {
    if (r.platformId == os.platformId && (r.major < 0 || r.major == os.major) && (r.minor < 0 || r.minor == os.minor)) {
      s.osVersionCode = r.code;
      break;
    }
  }
  // The description names the system actually running, not the Windows
  // version it answers as.
  FormatText(s.osDescription, sizeof s.osDescription, "%s ( Build %d %s )", os.systemName.c_str(), os.build,
             os.serviceText.c_str());
  LogWriteFormat("%s", s.osDescription);

  s.directXVersion = 0x70000;

  const platform::ProcessorInfo cpu = platform::QueryProcessor();
  int level = 0;
  if (cpu.hasCpuid) {
    level = 1;
    if (cpu.mmx) level = 3;
    if (cpu.mmx && cpu.sse) level = 4;
    if (cpu.mmx && cpu.sse && cpu.sse2) level = 5;
  }
  s.timeStampCounter = cpu.hasTimeStampCounter ? 1 : 0;
  if (s.timeStampCounter != 0) {
    const uint64_t before = platform::ReadTimeStampCounter();
    const uint32_t start = platform::Milliseconds() & 0x7FFFFFFF;
    while (((platform::Milliseconds() & 0x7FFFFFFF) - start) < 100) platform::SleepMilliseconds(1);
    const uint64_t difference = platform::ReadTimeStampCounter() - before;
    s.cpuTicksPerSecond = difference * 10;
    const int mhz = static_cast<int>(static_cast<double>(difference) * 0.00001);
    LogWriteFormat(Cp932<"ＣＰＵ動作速度：大体%.2fGHz">, mhz * 0.001);
  }
  switch (level) {
    case 0: LogWrite(Cp932<"ＣＰＵＩＤ命令は使えません\n">); break;
    case 1: LogWrite(Cp932<"ＭＭＸは使えません\n">); break;
    default:
      LogWrite(Cp932<"ＭＭＸ命令を使用します\n">);
      s.mmx = 1;
      if (level >= 4) {
        LogWrite(Cp932<"ＳＳＥ命令が使用可能です\n">);
        s.sse = 1;
      }
      if (level >= 5) {
        LogWrite(Cp932<"ＳＳＥ２命令が使用可能です\n">);
        s.sse2 = 1;
      }
      break;
  }
  if (level > 0) {
    LogWrite(Cp932<"ＣＰＵベンダ：">);
    char piece[5] = {};
    for (int i = 0; i < 3; ++i) {
      std::memcpy(piece, cpu.vendor + ptrdiff_t{i} * 4, 4);
      LogWrite(piece);
    }
    LogWrite("\n");
    if (cpu.hasBrand) {
      LogWriteFormat(Cp932<"ＣＰＵ名：%s">, cpu.brand);
      CopyTextBounded(s.cpuName, sizeof s.cpuName, cpu.brand);
    }
  }
  LogIndentOut();
  return 0;
}

int DroppedFileListClear() {
  LibrarySystemState& s = gLibrarySystem;
  for (int i = 0; i < s.droppedFileCount && i < kMaxDroppedFiles; ++i) {
    TrackedFree(s.droppedFiles[i]);
    s.droppedFiles[i] = nullptr;
  }
  s.droppedFileCount = 0;
  return 0;
}

// The on-screen debug text overlay is never shown; only its font is made.
int DebugPrintStart() {
  CreateFontToHandle(nullptr, 16, 4, 1, -1, -1, 0, -1, -1);
  return 0;
}

int SetRunWhileInactive(int on) {
  gLibrarySystem.runWhileInactive = on;
  return 0;
}

int HasWindowQuit() { return gLibrarySystem.quit; }
int IsMainWindowActive() { return gLibrarySystem.active; }
platform::WindowHandle GetLibraryWindowHandle() { return gLibrarySystem.mainWindow; }
int IsWindowModeOn() { return gLibrarySystem.windowMode; }
int IsCloseRequested() { return gLibrarySystem.closeRequested; }
int HasWindowRegion() { return 0; }
int IsMmxAvailable() { return gLibrarySystem.mmx; }

double GetWindowScale() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.windowScale <= 0.0) s.windowScale = 1.0;
  return s.windowMode != 0 ? s.windowScale : 1.0;
}

LibrarySystemState* GetSystemStateRecord() { return &gLibrarySystem; }

int GetDesktopMode(int* width, int* height, int* bits) {
  const LibrarySystemState& s = gLibrarySystem;
  if (s.started != 0) {
    if (width != nullptr) *width = s.desktopWidth;
    if (height != nullptr) *height = s.desktopHeight;
    if (bits != nullptr) *bits = s.desktopBits;
    return 0;
  }
  platform::GetDesktopMode(width, height, bits);
  return 0;
}

int MillisecondClock() { return static_cast<int>(platform::Milliseconds() & 0x7FFFFFFF); }

uint64_t MicrosecondClock(int useCpuCounter) {
  const LibrarySystemState& s = gLibrarySystem;
  uint64_t count, divisor;
  if (s.timeStampCounter == 1 && useCpuCounter == 1 && s.started != 0 && s.cpuTicksPerSecond != 0) {
    count = platform::ReadTimeStampCounter();
    divisor = s.cpuTicksPerSecond;
  } else if (s.performanceCounterUsed == 1 && s.performanceFrequency > 0) {
    count = static_cast<uint64_t>(platform::PerformanceCounter());
    divisor = static_cast<uint64_t>(s.performanceFrequency);
  } else {
    return static_cast<uint64_t>(platform::Milliseconds()) * 1000;
  }
  // count x 1,000,000 / divisor, formed in 128 bits.
  const uint32_t a[2] = {static_cast<uint32_t>(count), static_cast<uint32_t>(count >> 32)};
  const uint32_t b[2] = {1000000u, 0};
  uint32_t product[4];
  Multiply64To128(a, b, product);
  const uint32_t d[2] = {static_cast<uint32_t>(divisor), static_cast<uint32_t>(divisor >> 32)};
  uint32_t quotient[2];
  Divide128By64(product, d, quotient);
  return static_cast<uint64_t>(quotient[0]) | (static_cast<uint64_t>(quotient[1]) << 32);
}

int ReadLocalDateTime(DateRecord* date) {
  const platform::LocalTime now = platform::GetLocalTime();
  *date = DateRecord{now.year, now.month, now.day, now.hour, now.minute, now.second};
  return 0;
}
