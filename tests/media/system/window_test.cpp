#include "SystemFixture.h"
#include "foundation/TrackedHeap.h"
#include "media/system/KeyInput.h"
#include "media/system/MainWindow.h"
#include "media/system/Network.h"
#include "media/system/WindowProc.h"

namespace {

class WindowTest : public SystemTest {
 protected:
  void Start(int windowMode, double scale = 1.0) {
    SetRunWhileInactive(1);
    ChangeWindowMode(windowMode);
    SetWindowScale(scale);
    ASSERT_EQ(StartMediaLibrary(), 0);
    window_ = gLibrarySystem.mainWindow;
    RunMessageLoopRound();
  }
  platform::LResult Send(uint32_t message, uintptr_t wParam, intptr_t lParam = 0) {
    return platform::SendMessage(window_, message, wParam, lParam);
  }
  // The ring's raw bytes, taken out (popping would join double-byte pairs).
  std::string RingBytes() {
    std::string bytes;
    for (int at = gTextEntry.readPosition; at != gTextEntry.writePosition; at = (at + 1) % kInputRingSlots)
      bytes += static_cast<char>(gTextEntry.ring[at]);
    gTextEntry.readPosition = gTextEntry.writePosition;
    return bytes;
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(WindowTest, ScaleTwoGivesACentredClientAreaTwiceTheScreen) {
  Start(1, 2.0);
  platform::WindowRect client;
  platform::GetClientRect(window_, &client);
  EXPECT_EQ(client.Width(), 1280);
  EXPECT_EQ(client.Height(), 960);
  // Desktop 1920 x 1080: the centring offset of the whole window places the
  // client area (without a frame, as under SDL, exactly in the middle).
  platform::WindowRect window;
  platform::GetWindowRect(window_, &window);
  platform::WindowRect r;
  GetClientScreenRect(&r);
  EXPECT_EQ(r.left, (1920 - window.Width()) / 2);
  EXPECT_EQ(r.top, (1080 - window.Height()) / 2);
  EXPECT_EQ(r.Width(), 1280);
  EXPECT_EQ(r.Height(), 960);
  int x = 0, y = 0;
  platform::ClientToScreen(window_, &x, &y);
  EXPECT_EQ(r.left, x);
  EXPECT_EQ(r.top, y);
  EXPECT_EQ(GetWindowScale(), 2.0);
  EXPECT_NE(platform::GetWindowStyle(window_) & platform::kWsVisible, 0u);
  EXPECT_EQ(platform::GetWindowStyle(window_) & ~platform::kWsVisible, 0x80CA0000u);
}

TEST_F(WindowTest, ALargerWindowThanTheDesktopKeepsItsClientAreaOnIt) {
  platform::SetHeadlessDesktop(800, 600, 32);
  Start(1, 2.0);
  platform::WindowRect r;
  GetClientScreenRect(&r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 1280);
}

TEST_F(WindowTest, ScaleChangesResizeTheWindowAndBadScalesReadAsOne) {
  Start(1);
  SetWindowScale(1.5);
  platform::WindowRect client;
  platform::GetClientRect(window_, &client);
  EXPECT_EQ(client.Width(), 960);
  EXPECT_EQ(client.Height(), 720);
  SetWindowScale(-3);
  EXPECT_EQ(GetWindowScale(), 1.0);
  gLibrarySystem.windowScale = 0;
  EXPECT_EQ(GetWindowScale(), 1.0);
  EXPECT_EQ(gLibrarySystem.windowScale, 1.0);
  gLibrarySystem.windowMode = 0;
  gLibrarySystem.windowScale = 3;
  EXPECT_EQ(GetWindowScale(), 1.0);
}

TEST_F(WindowTest, MousePositionIsInScreenPixelsAtScaleTwo) {
  Start(1, 2.0);
  platform::InjectMouseMove(200, 101);
  int x = -1, y = -1;
  GetMousePosition(&x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);
  GetMousePosition(nullptr, &y);
  // Setting it clamps to the screen and is not scaled.
  SetMousePosition(700, -5);
  platform::GetCursorPos(&x, &y);
  platform::WindowRect r;
  GetClientScreenRect(&r);
  EXPECT_EQ(x, r.left + 640);
  EXPECT_EQ(y, r.top);
}

TEST_F(WindowTest, ChangingToTheSameModeOnlyLogs) {
  Start(1);
  const auto before = LogLines();
  EXPECT_EQ(ChangeWindowMode(1), 0);
  auto after = LogLines();
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.back(), Sjis("ChangeWindowMode実行 "));
}

TEST_F(WindowTest, AModeChangeWaitsForTheDisplayChangeAtMostAFewSeconds) {
  Start(1);
  uint64_t before = platform::VirtualClock();
  // The screen is rebuilt after the pause two close mode changes keep apart,
  // and the display's message ends the wait before its limit.
  EXPECT_EQ(ChangeWindowMode(0), 0);
  EXPECT_GE(platform::VirtualClock() - before, 2000u);
  EXPECT_LT(platform::VirtualClock() - before, static_cast<uint64_t>(kDisplayChangeWaitMs));
  EXPECT_EQ(gLibrarySystem.displayChangeSeen, 1);
  EXPECT_EQ(IsWindowModeOn(), 0);
  EXPECT_EQ(platform::GetWindowStyle(window_), platform::kWsPopup);
  EXPECT_EQ(IsMouseCursorShown(), 0);
  // A change long after the last one pauses only briefly.
  platform::AdvanceVirtualClock(5000);
  before = platform::VirtualClock();
  EXPECT_EQ(ChangeWindowMode(1), 0);
  EXPECT_LT(platform::VirtualClock() - before, 100u);
  EXPECT_EQ(gLibrarySystem.displayChangeSeen, 1);
  EXPECT_EQ(IsMouseCursorShown(), 1);
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis("ウインドウモードフラグが立てられました")), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis("ウインドウモードフラグが倒されました")), lines.end());
}

TEST_F(WindowTest, CharactersReachTheInputRingAsTheProcedureFiltersThem) {
  Start(1);
  struct Case {
    uintptr_t code;
    std::string pushed;
  };
  const Case cases[] = {
      {10, "\r"}, {2, ""},    {27, "\x1b"}, {'a', "a"},   {0x82, "\x82"}, {1, "\x01"}, {3, "\x03"}, {8, "\b"},
      {9, "\t"},  {13, "\r"}, {16, "\x10"}, {22, "\x16"}, {24, "\x18"},   {26, ""},    {31, ""},
  };
  for (const Case& c : cases) {
    Send(platform::kWmChar, c.code);
    EXPECT_EQ(RingBytes(), c.pushed) << c.code;
  }
}

TEST_F(WindowTest, EditingKeysPushTheirControlCodes) {
  Start(1);
  struct Case {
    int key;
    std::string pushed;
  };
  const Case cases[] = {
      {platform::kVkDelete, "\x10"}, {platform::kVkLeft, "\x1d"},
      {platform::kVkRight, "\x1c"},  {platform::kVkUp, "\x1e"},
      {platform::kVkDown, "\x1f"},   {platform::kVkHome, "\x1a"},
      {platform::kVkEnd, "\x19"},    {platform::kVkPrior, "\x17"},
      {platform::kVkNext, "\x15"},   {'A', ""},
      {platform::kVkReturn, ""},
  };
  for (const Case& c : cases) {
    Send(platform::kWmKeyDown, static_cast<uintptr_t>(c.key));
    EXPECT_EQ(RingBytes(), c.pushed) << c.key;
  }
}

TEST_F(WindowTest, TypedKeysAndTextArriveThroughTheQueue) {
  Start(1);
  platform::InjectKeyDown({platform::kVkReturn});
  platform::InjectKeyDown({'C', true});
  platform::InjectKeyDown({platform::kVkBack});
  platform::InjectKeyDown({platform::kVkLeft});
  platform::InjectText("aあ");
  RunMessageLoopRound();
  EXPECT_EQ(RingBytes(), "\r\x03\b\x1d"
                         "a\x82\xa0");
}

TEST_F(WindowTest, WheelNotchesCountUpAndDown) {
  Start(1);
  Send(platform::kWmMouseWheel, static_cast<uintptr_t>(120) << 16);
  Send(platform::kWmMouseWheel, static_cast<uintptr_t>(240) << 16);
  Send(platform::kWmMouseWheel, static_cast<uintptr_t>(0xFF88) << 16);  // -120
  Send(platform::kWmMouseWheel, 0);                                     // a zero delta counts down
  EXPECT_EQ(TakeMouseWheelCount(), 0);
  EXPECT_EQ(TakeMouseWheelCount(), 0);
  platform::InjectMouseWheel(1);
  RunMessageLoopRound();
  EXPECT_EQ(TakeMouseWheelCount(), 1);
}

TEST_F(WindowTest, DroppedFilesAreKeptUpToAThousandAndFreedAtTheEnd) {
  const int before = TrackedBlockCount();
  Start(1);
  const int blocks = TrackedBlockCount();
  platform::InjectDroppedFiles({"a.txt", "データ.png"});
  RunMessageLoopRound();
  ASSERT_EQ(gLibrarySystem.droppedFileCount, 2);
  EXPECT_STREQ(gLibrarySystem.droppedFiles[0], "a.txt");
  EXPECT_EQ(std::string(gLibrarySystem.droppedFiles[1]), Sjis("データ.png"));
  std::vector<std::string> many(1200, "x");
  platform::InjectDroppedFiles(many);
  RunMessageLoopRound();
  EXPECT_EQ(gLibrarySystem.droppedFileCount, kMaxDroppedFiles);
  platform::InjectDroppedFiles({"more"});
  RunMessageLoopRound();
  EXPECT_EQ(gLibrarySystem.droppedFileCount, kMaxDroppedFiles);
  EXPECT_EQ(TrackedBlockCount(), blocks + kMaxDroppedFiles);
  EndMediaLibrary();
  EXPECT_EQ(gLibrarySystem.droppedFileCount, 0);
  EXPECT_EQ(TrackedBlockCount(), before);
}

TEST_F(WindowTest, ActivationMessages) {
  Start(1);
  // WM_ACTIVATEAPP with a nonzero wParam changes nothing; with 0 it deactivates.
  gLibrarySystem.active = 0;
  Send(platform::kWmActivateApp, 1);
  EXPECT_EQ(IsMainWindowActive(), 0);
  gLibrarySystem.active = 1;
  Send(platform::kWmActivateApp, 0);
  EXPECT_EQ(IsMainWindowActive(), 0);
  Send(platform::kWmActivate, platform::kWaActive);
  EXPECT_EQ(IsMainWindowActive(), 1);
  Send(platform::kWmActivate, platform::kWaInactive);
  EXPECT_EQ(IsMainWindowActive(), 0);
}

TEST_F(WindowTest, ScreenSaverAndMonitorPowerAreRefused) {
  Start(1);
  EXPECT_EQ(Send(platform::kWmSysCommand, platform::kScScreenSave), 1);
  EXPECT_EQ(Send(platform::kWmSysCommand, platform::kScMonitorPower), 1);
  EXPECT_EQ(Send(platform::kWmSysCommand, 0xF020), 0);
}

TEST_F(WindowTest, PrivateMessagesSetAndClearTheirFlags) {
  Start(1);
  Send(kWmF10Flag, 1);
  EXPECT_EQ(gF10Flag, 1);
  Send(kWmF10Flag, 2);
  EXPECT_EQ(gF10Flag, 0);
  Send(kWmSecondInputFlag, 1);
  EXPECT_EQ(gSecondInputFlag, 1);
  Send(kWmSecondInputFlag, 0);
  EXPECT_EQ(gSecondInputFlag, 0);
}

TEST_F(WindowTest, ARefusedDisplayChangeClosesTheWindowOnce) {
  Start(1);
  // A screen turned to 24 bits is refused.
  Send(platform::kWmDisplayChange, 24, 1024 | (768 << 16));
  EXPECT_EQ(gLibrarySystem.closeRequested, 1);
  Send(platform::kWmDisplayChange, 24, 1024 | (768 << 16));
  EXPECT_EQ(RunMessageLoopRound(), -1);
  const auto lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), Sjis("ウインドウを閉じようとしています")), 1);
  // The same mode is no change at all.
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       Sjis("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します")),
            2);
}

TEST_F(WindowTest, TheUnchangedDisplayIsSeen) {
  Start(1);
  Send(platform::kWmDisplayChange, 32, 640 | (480 << 16));
  EXPECT_EQ(gLibrarySystem.displayChangeSeen, 1);
  EXPECT_EQ(gLibrarySystem.closeRequested, 0);
}

TEST_F(WindowTest, FullScreenWindowCoversTheScreenAndCannotMove) {
  Start(0);
  platform::WindowRect r;
  GetClientScreenRect(&r);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
  platform::WindowRect proposed{10, 10, 100, 100};
  Send(platform::kWmMoving, 0, reinterpret_cast<intptr_t>(&proposed));
  EXPECT_EQ(proposed.left, 0);
  EXPECT_EQ(proposed.right, 640);
  // A mouse message over the full-screen window keeps the cursor hidden.
  Send(platform::kWmMouseMove, 0);
  EXPECT_FALSE(platform::IsCursorVisible());
}

TEST_F(WindowTest, TheCursorComesBackWhenAFullScreenGameTurnsToAWindow) {
  Start(0);
  EXPECT_FALSE(platform::IsCursorVisible());
  ChangeWindowMode(1);
  RunMessageLoopRound();
  EXPECT_TRUE(platform::IsCursorVisible());
  ChangeWindowMode(0);
  RunMessageLoopRound();
  EXPECT_FALSE(platform::IsCursorVisible());
}

TEST_F(WindowTest, SizingKeepsTheScreenAspect) {
  Start(1);
  platform::WindowRect window, client;
  platform::GetWindowRect(window_, &window);
  platform::GetClientRect(window_, &client);
  const int frameW = window.Width() - client.Width();
  const int frameH = window.Height() - client.Height();
  platform::WindowRect proposed{0, 0, 1280 + frameW, 500 + frameH};
  Send(platform::kWmSizing, platform::kWmszRight, reinterpret_cast<intptr_t>(&proposed));
  EXPECT_EQ(proposed.Height() - frameH, 960);
  EXPECT_EQ(gLibrarySystem.windowScale, 2.0);
  proposed = {0, 0, 100 + frameW, 240 + frameH};
  Send(platform::kWmSizing, platform::kWmszBottom, reinterpret_cast<intptr_t>(&proposed));
  EXPECT_EQ(proposed.Width() - frameW, 320);
  EXPECT_EQ(gLibrarySystem.windowScale, 0.5);
  proposed = {0, 0, 640 + frameW, 960 + frameH};  // the height leads at this corner
  Send(platform::kWmSizing, platform::kWmszBottomRight, reinterpret_cast<intptr_t>(&proposed));
  EXPECT_EQ(proposed.Width() - frameW, 1280);
}

TEST(Network, EveryEntryFailsAndTheUpkeepDoesNothing) {
  char buffer[8] = {};
  EXPECT_EQ(AcceptNetWork(), -1);
  EXPECT_EQ(GetNetWorkAcceptState(0x48000000), -1);
  EXPECT_EQ(NetWorkRecv(0x48000000, buffer, 4), -1);
  EXPECT_EQ(NetWorkRecvToPeek(0x48000000, buffer, 4), -1);
  EXPECT_EQ(NetWorkSend(0x48000000, buffer, 4), -1);
  EXPECT_EQ(GetNetWorkDataLength(0x48000000), -1);
  EXPECT_EQ(CloseNetWorkHandle(0x48000000), -1);
  EXPECT_EQ(RecvSocket(0), -1);
  EXPECT_EQ(SendSocket(0), -1);
  EXPECT_EQ(StepHttpTransfer(0), -1);
  EXPECT_EQ(EndNetwork(), 0);
  EXPECT_EQ(PumpNetworkMessages(1), 0);
  EXPECT_EQ(ProcessHttpTransfers(), 0);
  EXPECT_EQ(CloseAllHttpHandles(), 0);
  EXPECT_EQ(gNetwork.initialised, 0);
}

}  // namespace
