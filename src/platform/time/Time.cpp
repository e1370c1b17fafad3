#include "platform/time/Time.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/Backend.h"

namespace platform {

namespace {

std::atomic<uint64_t> gVirtualMs{0};
std::mutex gLocalTimeMutex;
LocalTime gVirtualLocalTime{2000, 1, 1, 0, 0, 0, 0, 6};

uint64_t SteadyMicroseconds() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now() - start).count());
}

}  // namespace

uint32_t Milliseconds() {
  if (IsHeadless()) return static_cast<uint32_t>(gVirtualMs.load());
  return static_cast<uint32_t>(SteadyMicroseconds() / 1000);
}

int64_t PerformanceCounter() {
  if (IsHeadless()) return static_cast<int64_t>(gVirtualMs.load() * 1000);
  return static_cast<int64_t>(SteadyMicroseconds());
}

int64_t PerformanceFrequency() { return 1000000; }

void SleepMilliseconds(uint32_t ms) {
  if (IsHeadless()) {
    gVirtualMs.fetch_add(ms);
    return;
  }
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

LocalTime GetLocalTime() {
  if (IsHeadless()) {
    std::lock_guard lock(gLocalTimeMutex);
    return gVirtualLocalTime;
  }
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  LocalTime lt{};
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  lt.milliseconds = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  lt.dayOfWeek = tm.tm_wday;
  return lt;
}

void AdvanceVirtualClock(uint32_t ms) { gVirtualMs.fetch_add(ms); }
void SetVirtualClock(uint64_t ms) { gVirtualMs.store(ms); }
uint64_t VirtualClock() { return gVirtualMs.load(); }

void SetVirtualLocalTime(const LocalTime& time) {
  std::lock_guard lock(gLocalTimeMutex);
  gVirtualLocalTime = time;
}

}  // namespace platform
