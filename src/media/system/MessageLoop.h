#pragma once

#include <memory>
#include <mutex>

#include <thread>
#include "platform/threads/Threads.h"

// One pass of the message loop (the media layer's heartbeat), the waits built
// on it, and the library lock that serialises the public start, end and pass.

int RunMessageLoopRoundBody();  // 0, or -1 once the quit has been seen
int WaitWhileInactive();
int WaitMillisecondsPumping(int ms);
int WaitForKeyPress();

constexpr int kLibraryLockWaiterSlots = 4096;

struct LibraryLockWaiter {
  std::thread::id thread;
  platform::ManualResetEvent* event = nullptr;
};

// Recursive for its owner; waiters are served first come, first served, each
// sleeping on its own event.
struct LibraryLock {
  int recursion = 0;
  int locked = 0;
  std::thread::id owner;
  LibraryLockWaiter waiters[kLibraryLockWaiterSlots];
  int eventsCreated = 0;
  int waiterCount = 0;
  std::mutex guard;
  std::unique_ptr<platform::ManualResetEvent[]> events;
};
extern LibraryLock gLibraryLock;

void AcquireLibraryLock();
void ReleaseLibraryLock();
// Closes the lock's events once nobody waits on them (the public end entry and
// the fatal exit).
void ReleaseLibraryLockObjects();
