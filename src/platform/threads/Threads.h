#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

// Threads themselves are std::thread. These are the synchronisation objects
// the runtime's threads share.

// An event that stays signalled until it is reset (a manual-reset event).
class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool signalled = false) : signalled_(signalled) {}
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  void Wait();
  // True when the event was signalled within `milliseconds` (real time).
  bool WaitFor(uint32_t milliseconds);
  // True when signalled; never blocks.
  bool IsSet();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_;
};

// A lock the owning thread may take again; each Lock needs its Unlock.
class RecursiveLock {
 public:
  void Lock() { mutex_.lock(); }
  bool TryLock() { return mutex_.try_lock(); }
  void Unlock() { mutex_.unlock(); }
  // For std::lock_guard / std::unique_lock.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

 private:
  std::recursive_mutex mutex_;
};

// Real-time yield and sleep for polling loops between threads. Unlike
// SleepMilliseconds of the time facility they never touch the headless virtual
// clock: waiting for a worker thread is not game time.
void ThreadYield();
void ThreadSleep(uint32_t milliseconds);

}  // namespace platform
