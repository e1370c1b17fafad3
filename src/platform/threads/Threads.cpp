#include "platform/threads/Threads.h"

#include <chrono>
#include <thread>

namespace platform {

void ManualResetEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  changed_.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

void ManualResetEvent::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return signalled_; });
}

bool ManualResetEvent::WaitFor(uint32_t milliseconds) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled_; });
}

bool ManualResetEvent::IsSet() {
  std::lock_guard lock(mutex_);
  return signalled_;
}

void ThreadYield() { std::this_thread::yield(); }

void ThreadSleep(uint32_t milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
