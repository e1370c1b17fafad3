#include "media/system/MessageLoop.h"

#include "media/graphics/GraphicsSystem.h"
#include "media/image/MovieSystem.h"
#include "media/sound/SoundSystem.h"
#include "media/system/InputDevices.h"
#include "media/system/KeyInput.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MainWindow.h"
#include "media/system/Network.h"
#include "platform/time/Time.h"

LibraryLock gLibraryLock;

namespace {

int gTextEntryUpkeepGuard = 0;

bool OnWindowThread() { return std::this_thread::get_id() == gLibrarySystem.windowThread; }

// Takes one message the way the pass looks for it: anything for this thread
// first, then thread messages, then the main window's.
bool TakeMessage(platform::WindowMessage* message) {
  if (platform::PeekMessage(message, 0, false)) return platform::PeekMessage(message, 0, true);
  if (platform::PeekMessage(message, -1, true)) return true;
  return platform::PeekMessage(message, gLibrarySystem.mainWindow, true);
}

}  // namespace

int RunMessageLoopRoundBody() {
  LibrarySystemState& s = gLibrarySystem;
  if (gTextEntryUpkeepGuard != 0) return 0;
  if (s.mainWindow == 0) return s.quit != 0 ? -1 : 0;

  int batch = 0;
  int idle = 0;
  for (;;) {
    if ((s.closeRequested != 0 || s.active != 0 || s.runWhileInactive != 0) && (idle != 0 || s.quit != 0)) break;
    int idleCandidate = 1;
    if (s.active == 0 && s.runWhileInactive == 0) platform::SleepMilliseconds(1);
    bool stopped = false;
    platform::WindowMessage message;
    while (TakeMessage(&message)) {
      if (message.message == platform::kWmActivateApp && s.windowMode != 0)
        s.active = static_cast<int>(message.wParam & 0xFFFF);
      if (s.quit != 0) {
        stopped = true;
        break;
      }
      if (message.message == platform::kWmQuit) s.quit = 1;
      platform::TranslateMessage(message);
      platform::DispatchMessage(message);
      if (++batch == 5) {
        batch = 0;
        break;
      }
      idleCandidate = 0;
    }
    if (stopped) break;
    if (s.active == 0 && s.runWhileInactive == 0) {
      PumpNetworkMessages(1);
      ProcessHttpTransfers();
      RefillAllStreams();
      DrawWindowMovies();
      platform::SleepMilliseconds(1);
    }
    if (s.quit != 0 || !OnWindowThread()) break;
    idle = idleCandidate;
  }

  if (OnWindowThread()) UpdateWindowEachRound();
  RefillAllStreams();
  PollMidiPlayback();
  UpdateVibrationTimers();
  PumpNetworkMessages(1);
  for (int slot = 0; slot < kHttpHandleSlots; ++slot)
    if (gNetwork.httpSlots[slot] != nullptr) StepHttpTransfer(slot);
  gTextEntryUpkeepGuard = 1;
  UpdateTextEntries();
  gTextEntryUpkeepGuard = 0;
  return s.quit == 1 ? -1 : 0;
}

int WaitWhileInactive() {
  LibrarySystemState& s = gLibrarySystem;
  if (s.painting != 0) return s.painting;
  if (s.active != 0) return s.active;
  // Without a window nothing could ever activate it: the wait would not end.
  if (s.mainWindow == 0) return 1;
  if (s.runWhileInactive != 0) {
    if (GetShowGdiSurface() != 0) return 1;
    if (s.windowMode != 0) return 1;
  }
  while (RunMessageLoopRoundBody() == 0 && s.active == 0) {
  }
  RestoreMainSurfaces();
  RestoreLostGraphs();
  return 0;
}

namespace {

int LockedPass() {
  AcquireLibraryLock();
  int result = RunMessageLoopRoundBody();
  ReleaseLibraryLock();
  return result;
}

}  // namespace

int WaitMillisecondsPumping(int ms) {
  // Elapsed time, not an end time: the 31-bit clock may wrap during the wait.
  const int start = MillisecondClock();
  int result = LockedPass();
  while (result == 0 && ((MillisecondClock() - start) & 0x7FFFFFFF) < ms) {
    platform::SleepMilliseconds(1);
    result = LockedPass();
  }
  return 0;
}

int WaitForKeyPress() {
  if (LockedPass() != 0) return 0;
  while (CheckAnyInput(7) != 0) {
    platform::SleepMilliseconds(1);
    if (LockedPass() != 0) return 0;
  }
  for (;;) {
    if (LockedPass() != 0) return 0;
    int input = CheckAnyInput(7);
    if (input != 0) return input;
    platform::SleepMilliseconds(1);
  }
}

// --- The library lock ---------------------------------------------------------------

void AcquireLibraryLock() {
  LibraryLock& l = gLibraryLock;
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock guard(l.guard);
  if (l.eventsCreated == 0) {
    l.eventsCreated = 1;
    l.events = std::make_unique<platform::ManualResetEvent[]>(kLibraryLockWaiterSlots);
    for (int i = 0; i < kLibraryLockWaiterSlots; ++i) l.waiters[i] = {std::thread::id(), &l.events[i]};
  }
  for (;;) {
    if (l.locked == 0 && (l.waiterCount == 0 || l.owner == me)) break;
    if (l.locked == 0 && l.waiters[0].thread == me) {
      platform::ManualResetEvent* headEvent = l.waiters[0].event;
      for (int i = 1; i < l.waiterCount; ++i) l.waiters[i - 1] = l.waiters[i];
      l.waiters[l.waiterCount - 1] = {std::thread::id(), headEvent};
      --l.waiterCount;
      break;
    }
    if (l.locked != 0 && l.owner == me) break;
    if (l.waiterCount >= kLibraryLockWaiterSlots) {
      guard.unlock();
      platform::ThreadSleep(1);
      guard.lock();
      continue;
    }
    LibraryLockWaiter& slot = l.waiters[l.waiterCount];
    slot.thread = me;
    platform::ManualResetEvent* event = slot.event;
    ++l.waiterCount;
    guard.unlock();
    event->Wait();
    event->Reset();
    guard.lock();
  }
  ++l.recursion;
  l.locked = 1;
  l.owner = me;
}

void ReleaseLibraryLock() {
  LibraryLock& l = gLibraryLock;
  platform::ManualResetEvent* wake = nullptr;
  {
    std::lock_guard guard(l.guard);
    if (l.recursion == 1) {
      l.locked = 0;
      l.owner = std::thread::id();
      if (l.waiterCount > 0) wake = l.waiters[0].event;
    }
    if (l.recursion > 0) --l.recursion;
  }
  if (wake != nullptr) {
    wake->Set();
    platform::ThreadYield();
  }
}

void ReleaseLibraryLockObjects() {
  LibraryLock& l = gLibraryLock;
  std::lock_guard guard(l.guard);
  // Events a thread still sleeps on stay alive.
  if (l.eventsCreated == 0 || l.waiterCount != 0 || l.locked != 0) return;
  for (auto& w : l.waiters) w = LibraryLockWaiter{};
  l.events.reset();
  l.eventsCreated = 0;
}
