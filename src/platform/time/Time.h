#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like timeGetTime.
// Callers mask it to 31 bits and must cope with the wrap.
uint32_t Milliseconds();

// A high-resolution counter and its ticks per second (never 0).
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

// Sleeps for at least `ms` milliseconds (0 yields). On the headless backend the
// virtual clock advances by `ms` instead and the call returns at once.
void SleepMilliseconds(uint32_t ms);

struct LocalTime {
  int year, month, day;  // month 1-12
  int hour, minute, second;
  int milliseconds;
  int dayOfWeek;  // 0 = Sunday
};
LocalTime GetLocalTime();

// Headless backend: the virtual clock that tests move by hand. The counter runs
// at 1 MHz on that clock.
void AdvanceVirtualClock(uint32_t ms);
void SetVirtualClock(uint64_t ms);
uint64_t VirtualClock();
// The local time reported on the headless backend.
void SetVirtualLocalTime(const LocalTime& time);

}  // namespace platform
