#pragma once

#include <string>

namespace platform {

// The folder of the running executable, ending with "/". Empty when the
// system does not tell.
std::string ExecutableFolder();

}  // namespace platform
