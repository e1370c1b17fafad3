#include <atomic>
#include <thread>
#include <vector>

#include "SystemFixture.h"
#include "media/system/KeyInput.h"
#include "media/system/MainWindow.h"
#include "platform/input/Input.h"
#include "platform/threads/Threads.h"

namespace {

class MessageLoopTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    SetRunWhileInactive(1);
    ChangeWindowMode(1);
    ASSERT_EQ(StartMediaLibrary(), 0);
    window_ = gLibrarySystem.mainWindow;
    platform::ClearMessageQueue();
    TakeMouseWheelCount();
  }
  void PostWheels(int count) {
    for (int i = 0; i < count; ++i) platform::PostMessage(window_, platform::kWmMouseWheel, 120u << 16, 0);
  }
  platform::WindowHandle window_ = 0;
};

TEST_F(MessageLoopTest, OnePassDispatchesEveryQueuedMessage) {
  // Batches of five: 12 messages go as 5, 5 and 2 within one pass.
  for (int count : {1, 4, 5, 6, 12, 23}) {
    PostWheels(count);
    EXPECT_EQ(RunMessageLoopRound(), 0);
    EXPECT_EQ(TakeMouseWheelCount(), count) << count;
    EXPECT_EQ(platform::QueuedMessageCount(), 0u) << count;
  }
}

TEST_F(MessageLoopTest, AfterTheQuitEveryPassReturnsMinusOneAndDispatchesNothing) {
  platform::PostMessage(window_, platform::kWmClose, 0, 0);
  EXPECT_EQ(RunMessageLoopRound(), -1);
  EXPECT_EQ(HasWindowQuit(), 1);
  EXPECT_FALSE(platform::IsWindow(window_));
  gLibrarySystem.mainWindow = window_;  // as if the window still stood
  platform::PostMessage(0, platform::kWmMouseWheel, 120u << 16, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(RunMessageLoopRound(), -1);
  EXPECT_EQ(TakeMouseWheelCount(), 0);
}

TEST_F(MessageLoopTest, WaitZeroRunsExactlyOnePass) {
  // Passes are one millisecond apart: a second pass would move the clock.
  PostWheels(3);
  const uint64_t before = platform::VirtualClock();
  EXPECT_EQ(WaitMillisecondsPumping(0), 0);
  EXPECT_EQ(platform::VirtualClock(), before);
  EXPECT_EQ(TakeMouseWheelCount(), 3);
  EXPECT_EQ(WaitMillisecondsPumping(5), 0);
  EXPECT_EQ(platform::VirtualClock(), before + 5);
}

TEST_F(MessageLoopTest, WaitEndsEarlyWhenTheWindowQuits) {
  platform::PostMessage(window_, platform::kWmClose, 0, 0);
  const uint64_t before = platform::VirtualClock();
  EXPECT_EQ(WaitMillisecondsPumping(1000), 0);
  EXPECT_EQ(platform::VirtualClock(), before);
  EXPECT_EQ(WaitForKeyPress(), 0);
}

TEST_F(MessageLoopTest, WaitSurvivesTheClockWrap) {
  platform::SetVirtualClock(0x7FFFFFFEu);
  const uint64_t before = platform::VirtualClock();
  WaitMillisecondsPumping(4);
  EXPECT_EQ(platform::VirtualClock(), before + 4);
}

TEST_F(MessageLoopTest, AnInactiveWindowHoldsThePassUntilActivated) {
  SetRunWhileInactive(0);
  platform::InjectActivation(false);
  const uint64_t before = platform::VirtualClock();
  // Held, the pass sleeps a millisecond per turn; another thread activates
  // the window once 50 of them have gone by.
  std::thread activator([before] {
    while (platform::VirtualClock() < before + 50) platform::ThreadYield();
    platform::InjectActivation(true);
  });
  EXPECT_EQ(RunMessageLoopRound(), 0);
  activator.join();
  EXPECT_GE(platform::VirtualClock(), before + 50);
  EXPECT_EQ(IsMainWindowActive(), 1);
}

TEST_F(MessageLoopTest, WaitWhileInactiveReturnsAtOnceWhenActiveOrInWindowMode) {
  EXPECT_NE(WaitWhileInactive(), 0);
  gLibrarySystem.active = 0;
  EXPECT_NE(WaitWhileInactive(), 0);  // run-while-inactive in window mode
}

TEST_F(SystemTest, ReadersBeforeTheStartDoNotWaitForAWindow) {
  // Full screen, not active, no window yet: there is nothing to wait for.
  EXPECT_NE(WaitWhileInactive(), 0);
}

TEST_F(MessageLoopTest, WaitForKeyPressWaitsForAHeldKeyToBeReleasedAndAKeyPressed) {
  platform::ClearScriptedInput();
  ASSERT_TRUE(platform::SetScriptedKey(platform::kDikZ, true));
  const uint64_t before = platform::VirtualClock();
  // Each turn of the wait sleeps a millisecond: the held key is let go once
  // 20 turns have gone by, another key is pressed 20 turns after that. The
  // release time is read after the release: read before it, a wait that ran
  // on while this thread was descheduled would already count as 20 turns
  // with the key up, and the new key would come down before any poll saw
  // the keyboard empty.
  std::atomic<uint64_t> releasedAt{0};
  std::thread player([before, &releasedAt] {
    while (platform::VirtualClock() < before + 20) platform::ThreadYield();
    platform::SetScriptedKey(platform::kDikZ, false);
    releasedAt = platform::VirtualClock();
    while (platform::VirtualClock() < releasedAt + 20) platform::ThreadYield();
    platform::SetScriptedKey(platform::kDikX, true);
  });
  EXPECT_EQ(WaitForKeyPress(), platform::kDikX);
  player.join();
  EXPECT_GE(platform::VirtualClock(), releasedAt + 20);
  platform::ClearScriptedInput();
}

TEST(LibraryLock, IsRecursiveForItsOwner) {
  AcquireLibraryLock();
  AcquireLibraryLock();
  AcquireLibraryLock();
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    AcquireLibraryLock();
    got = true;
    ReleaseLibraryLock();
  });
  while (true) {
    std::lock_guard guard(gLibraryLock.guard);
    if (gLibraryLock.waiterCount == 1) break;
  }
  ReleaseLibraryLock();
  ReleaseLibraryLock();
  EXPECT_FALSE(got.load());
  EXPECT_EQ(gLibraryLock.recursion, 1);
  ReleaseLibraryLock();
  waiter.join();
  EXPECT_TRUE(got.load());
  EXPECT_EQ(gLibraryLock.locked, 0);
  ReleaseLibraryLockObjects();
}

TEST(LibraryLock, ServesWaitersInArrivalOrder) {
  AcquireLibraryLock();
  std::mutex orderMutex;
  std::vector<int> order;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      AcquireLibraryLock();
      {
        std::lock_guard guard(orderMutex);
        order.push_back(i);
      }
      ReleaseLibraryLock();
    });
    while (true) {
      std::lock_guard guard(gLibraryLock.guard);
      if (gLibraryLock.waiterCount == i + 1) break;
    }
  }
  ReleaseLibraryLock();
  for (auto& t : threads) t.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(gLibraryLock.waiterCount, 0);
  ReleaseLibraryLockObjects();
  EXPECT_EQ(gLibraryLock.eventsCreated, 0);
}

TEST(LibraryLock, ObjectsStayWhileHeld) {
  AcquireLibraryLock();
  ReleaseLibraryLockObjects();
  EXPECT_EQ(gLibraryLock.eventsCreated, 1);
  ReleaseLibraryLock();
  ReleaseLibraryLockObjects();
  EXPECT_EQ(gLibraryLock.eventsCreated, 0);
}

}  // namespace
