#include "platform/process/Process.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void ExitProcess(int code) {
  (void)std::fflush(nullptr);
  std::exit(code);  // NOLINT(concurrency-mt-unsafe): only the main thread ends the process
}

}  // namespace platform
