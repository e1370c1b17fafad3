#include "platform/window/SystemInfo.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

#include "platform/Backend.h"
#include "platform/time/Time.h"

namespace platform {

MemoryStatus QueryMemoryStatus() {
  MemoryStatus m;
  if (IsHeadless()) {
    m.totalPhysical = 4096ull << 20;
    m.availablePhysical = 2048ull << 20;
    return m;
  }
  struct sysinfo info {};
  if (sysinfo(&info) == 0) {
    m.totalPhysical = static_cast<uint64_t>(info.totalram) * info.mem_unit;
    m.availablePhysical = static_cast<uint64_t>(info.freeram + info.bufferram) * info.mem_unit;
  }
  return m;
}

OsVersion QueryOsVersion() {
  OsVersion v;
  v.build = 2600;
  if (IsHeadless()) {
    v.systemName = "Linux";
    return v;
  }
  struct utsname u {};
  if (uname(&u) == 0) {
    v.systemName = std::string(u.sysname) + " " + u.release;
    v.serviceText = u.machine;
  } else {
    v.systemName = "Linux";
  }
  return v;
}

ProcessorInfo QueryProcessor() {
  ProcessorInfo p;
  if (IsHeadless()) {
    p.hasCpuid = true;
    std::memcpy(p.vendor, "HeadlessCPU0", 12);
    p.hasTimeStampCounter = true;
    p.mmx = p.sse = p.sse2 = true;
    return p;
  }
#if defined(__x86_64__) || defined(__i386__)
  unsigned a, b, c, d;
  if (__get_cpuid(0, &a, &b, &c, &d) == 0) return p;
  p.hasCpuid = true;
  std::memcpy(p.vendor, &b, 4);
  std::memcpy(p.vendor + 4, &d, 4);
  std::memcpy(p.vendor + 8, &c, 4);
  if (__get_cpuid(1, &a, &b, &c, &d) != 0) {
    p.hasTimeStampCounter = (d & (1u << 4)) != 0;
    p.mmx = (d & (1u << 23)) != 0;
    p.sse = p.mmx && (d & (1u << 25)) != 0;
    p.sse2 = p.sse && (d & (1u << 26)) != 0;
  }
  if (__get_cpuid(0x80000000u, &a, &b, &c, &d) != 0 && a >= 0x80000004u) {
    unsigned regs[12];
    for (unsigned i = 0; i < 3; ++i) {
      unsigned* r = regs + size_t{4} * i;
      __get_cpuid(0x80000002u + i, &r[0], &r[1], &r[2], &r[3]);
    }
    std::memcpy(p.brand, regs, 48);
    p.hasBrand = true;
  }
#endif
  return p;
}

uint64_t ReadTimeStampCounter() {
  if (IsHeadless()) return static_cast<uint64_t>(Milliseconds()) * 1000000ull;
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return static_cast<uint64_t>(PerformanceCounter());
#endif
}

}  // namespace platform
