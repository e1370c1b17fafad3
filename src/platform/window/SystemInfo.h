#pragma once

#include <cstdint>
#include <string>

// What the library's start-up report reads of the machine: memory, the
// operating system and the processor. The headless backend reports a fixed
// machine so that start-up logs are the same on every run.

namespace platform {

struct MemoryStatus {
  uint64_t totalPhysical = 0;
  uint64_t availablePhysical = 0;
};
MemoryStatus QueryMemoryStatus();

// The system's name and the Windows version it stands in for: NT 5.1, below
// the version whose start-up needs a front work surface and its refresh timer.
struct OsVersion {
  int platformId = 2;
  int major = 5;
  int minor = 1;
  int build = 0;
  std::string serviceText;
  std::string systemName;  // e.g. "Linux 6.1.0"
};
OsVersion QueryOsVersion();

struct ProcessorInfo {
  bool hasCpuid = false;
  char vendor[13] = {};
  char brand[49] = {};
  bool hasBrand = false;
  bool hasTimeStampCounter = false;
  bool mmx = false, sse = false, sse2 = false;
};
ProcessorInfo QueryProcessor();
// The time-stamp counter; headless: 1,000,000 ticks per virtual millisecond.
uint64_t ReadTimeStampCounter();

}  // namespace platform
