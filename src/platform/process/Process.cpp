#include "platform/process/Process.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void ExitProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

}  // namespace platform
