#pragma once

namespace platform {

// Ends the process with the exit code after flushing the standard streams.
// Tests reach it through death tests.
[[noreturn]] void ExitProcess(int code);

}  // namespace platform
