#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/window/Window.h"

namespace {

using namespace platform;

std::vector<WindowMessage> gSeen;

LResult RecordingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  gSeen.push_back({window, message, wParam, lParam});
  if (message == kWmDestroy) PostQuitMessage(7);
  return message == kWmUser ? 42 : DefWindowProc(window, message, wParam, lParam);
}

class HeadlessWindow : public testing::Test {
 protected:
  void SetUp() override {
    ResetHeadlessWindowing();
    folder_ = std::filesystem::temp_directory_path() / ("player-window-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    SetInstanceLockFolder(folder_.string());
    gSeen.clear();
    ASSERT_EQ(RegisterWindowClass("TestClass", RecordingProc, 0), 0);
    window_ = CreateMainWindow("TestClass", "Title", kWsPopup | kWsCaption, 0, 100, 100, 646, 509);
    ASSERT_NE(window_, 0);
    gSeen.clear();
  }
  void TearDown() override {
    UseInstanceLock(true);
    ResetHeadlessWindowing();
    std::filesystem::remove_all(folder_);
  }
  std::vector<WindowMessage> Drain() {
    std::vector<WindowMessage> out;
    WindowMessage m;
    while (PeekMessage(&m, 0, true)) out.push_back(m);
    return out;
  }
  WindowHandle window_ = 0;
  std::filesystem::path folder_;
};

TEST_F(HeadlessWindow, PostedMessagesAreFifoAndTheQuitComesAfterThem) {
  PostMessage(window_, kWmUser + 1, 1, 0);
  PostQuitMessage(3);
  PostMessage(window_, kWmUser + 2, 2, 0);
  WindowMessage m;
  // Peeking without removing leaves the message; a filter for thread messages finds the quit.
  ASSERT_TRUE(PeekMessage(&m, 0, false));
  EXPECT_EQ(m.message, kWmUser + 1u);
  ASSERT_TRUE(PeekMessage(&m, -1, false));
  EXPECT_EQ(m.message, static_cast<uint32_t>(kWmQuit));
  EXPECT_EQ(m.wParam, 3u);
  auto all = Drain();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].message, kWmUser + 1u);
  EXPECT_EQ(all[1].message, static_cast<uint32_t>(kWmQuit));
  EXPECT_EQ(all[2].message, kWmUser + 2u);
  EXPECT_FALSE(PostMessage(99, kWmUser, 0, 0));
}

TEST_F(HeadlessWindow, SentMessagesRunTheProcedureAtOnce) {
  EXPECT_EQ(SendMessage(window_, kWmUser, 0, 0), 42);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(QueuedMessageCount(), 0u);
  PostMessage(window_, kWmUser, 0, 0);
  WindowMessage m;
  ASSERT_TRUE(PeekMessage(&m, window_, true));
  EXPECT_EQ(DispatchMessage(m), 42);
}

TEST_F(HeadlessWindow, SizeAndMoveAreSentOnlyOnARealChange) {
  WindowRect rect;
  GetWindowRect(window_, &rect);
  MoveWindow(window_, rect.left, rect.top, rect.Width(), rect.Height(), false);
  EXPECT_TRUE(gSeen.empty());
  MoveWindow(window_, rect.left + 10, rect.top, rect.Width(), rect.Height(), false);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].message, static_cast<uint32_t>(kWmMove));
  gSeen.clear();
  SetWindowPos(window_, false, 0, 0, 1286, 989, kSwpNoMove | kSwpNoRedraw);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].message, static_cast<uint32_t>(kWmSize));
  WindowRect client;
  GetClientRect(window_, &client);
  EXPECT_EQ(gSeen[0].lParam, client.Width() | (client.Height() << 16));
  gSeen.clear();
  SetWindowPos(window_, false, 0, 0, 1286, 989, kSwpNoMove);
  EXPECT_TRUE(gSeen.empty());
}

TEST_F(HeadlessWindow, TheFrameSurroundsTheClientArea) {
  WindowRect r{0, 0, 640, 480};
  AdjustWindowRectForStyle(&r, kWsPopup | kWsCaption, kWsExClientEdge);
  EXPECT_LT(r.left, 0);
  EXPECT_LT(r.top, 0);
  WindowRect full{0, 0, 640, 480};
  AdjustWindowRectForStyle(&full, kWsPopup, kWsExTopmost);
  EXPECT_EQ(full.left, 0);
  EXPECT_EQ(full.right, 640);
}

TEST_F(HeadlessWindow, KeysMakeTheCharactersTextInputDoesNot) {
  struct Case {
    KeyEvent key;
    std::vector<uintptr_t> chars;
  };
  const Case cases[] = {
      {{kVkBack}, {8}},   {{kVkTab}, {9}},     {{kVkReturn}, {13}}, {{kVkEscape}, {27}},
      {{'A', true}, {1}}, {{'Z', true}, {26}}, {{'A'}, {}},         {{'A', true, false, true}, {}},
      {{kVkLeft}, {}},
  };
  for (const Case& c : cases) {
    InjectKeyDown(c.key);
    auto all = Drain();
    ASSERT_GE(all.size(), 1u);
    EXPECT_EQ(all[0].message, static_cast<uint32_t>(kWmKeyDown));
    EXPECT_EQ(all[0].wParam, static_cast<uintptr_t>(c.key.virtualKey));
    std::vector<uintptr_t> chars;
    for (size_t i = 1; i < all.size(); ++i) {
      EXPECT_EQ(all[i].message, static_cast<uint32_t>(kWmChar));
      chars.push_back(all[i].wParam);
    }
    EXPECT_EQ(chars, c.chars) << c.key.virtualKey;
  }
}

TEST_F(HeadlessWindow, TextArrivesAsCp932BytesLeadFirst) {
  InjectText("aア表ｱ");
  std::vector<uintptr_t> bytes;
  for (auto& m : Drain()) bytes.push_back(m.wParam);
  EXPECT_EQ(bytes, (std::vector<uintptr_t>{'a', 0x83, 0x41, 0x95, 0x5C, 0xB1}));
}

TEST_F(HeadlessWindow, MouseWheelAndDroppedFiles) {
  InjectMouseWheel(-2);
  InjectMouseButton(1, true, 5, 6);
  InjectDroppedFiles({"a.txt", "日本.dat"});
  auto all = Drain();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(static_cast<int16_t>(all[0].wParam >> 16), -240);
  EXPECT_EQ(all[1].message, static_cast<uint32_t>(kWmRButtonDown));
  EXPECT_EQ(all[1].lParam, 5 | (6 << 16));
  EXPECT_EQ(all[2].message, static_cast<uint32_t>(kWmDropFiles));
  EXPECT_EQ(DragQueryFileCount(all[2].wParam), 2);
  EXPECT_EQ(DragQueryFileName(all[2].wParam, 1), "\x93\xfa\x96\x7b.dat");
  DragFinish(all[2].wParam);
  EXPECT_EQ(DragQueryFileCount(all[2].wParam), 0);
}

TEST_F(HeadlessWindow, DestroyingSendsDestroyAndDropsTheWindowsMessages) {
  PostMessage(window_, kWmUser, 0, 0);
  EXPECT_EQ(DestroyWindow(window_), 0);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].message, static_cast<uint32_t>(kWmDestroy));
  auto all = Drain();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].message, static_cast<uint32_t>(kWmQuit));
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(HeadlessWindow, CloseGoesThroughTheDefaultProcedureToDestroy) {
  InjectCloseRequest();
  for (auto& m : Drain()) DispatchMessage(m);
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(HeadlessWindow, ADisplayChangeIsPostedAfterAModeIsApplied) {
  NotifyDisplayModeApplied(32, 800, 600);
  auto all = Drain();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].message, static_cast<uint32_t>(kWmDisplayChange));
  EXPECT_EQ(all[0].wParam, 32u);
  EXPECT_EQ(all[0].lParam, 800 | (600 << 16));
}

TEST_F(HeadlessWindow, TheCursorCountsLikeItsCallersExpect) {
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_EQ(ShowCursor(false), -2);
  EXPECT_EQ(ShowCursor(true), -1);
  EXPECT_EQ(ShowCursor(true), 0);
  SetCursorPos(12, 34);
  int x = 0, y = 0;
  GetCursorPos(&x, &y);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 34);
}

TEST_F(HeadlessWindow, TheDesktopNeverReportsTwentyFourBits) {
  SetHeadlessDesktop(1024, 768, 24);
  int w = 0, h = 0, bits = 0;
  GetDesktopMode(&w, &h, &bits);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_EQ(bits, 32);
}

TEST_F(HeadlessWindow, AnotherProcessHoldingTheClassIsFound) {
  // This process's own window is found by its class.
  EXPECT_TRUE(FindWindowByClass("TestClass"));
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = FindWindowByClass("Other \x83\x5c/Class") ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(done[0], &byte, 1);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'n');  // nobody held it: the child took it
  EXPECT_TRUE(FindWindowByClass("Other \x83\x5c/Class"));
  EXPECT_FALSE(FindWindowByClass("Third"));
  (void)!write(done[1], &byte, 1);
  waitpid(child, nullptr, 0);
  // The lock went with the process.
  EXPECT_FALSE(FindWindowByClass("Other \x83\x5c/Class"));
}

// A run without the instance lock finds only its own windows: it takes no
// lock that would refuse another copy, and another copy's lock refuses it
// not.
TEST_F(HeadlessWindow, WithoutTheInstanceLockOnlyOwnWindowsAreFound) {
  UseInstanceLock(false);
  EXPECT_TRUE(FindWindowByClass("TestClass"));
  EXPECT_FALSE(FindWindowByClass("Shared"));
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    UseInstanceLock(true);
    char byte = FindWindowByClass("Shared") ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(done[0], &byte, 1);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'n');  // this process held nothing: the child took it
  EXPECT_FALSE(FindWindowByClass("Shared"));
  UseInstanceLock(true);
  EXPECT_TRUE(FindWindowByClass("Shared"));
  (void)!write(done[1], &byte, 1);
  waitpid(child, nullptr, 0);
}

}  // namespace
