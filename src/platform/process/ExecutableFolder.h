#pragma once

#include <string>

namespace platform {

// The folder of the running executable, ending with "/". Empty when the
// system does not tell.
std::string ExecutableFolder();

// The running executable's full path in runtime form ("C:\\dir\\Game"),
// as the start-up splits it into its folder. Empty when the system does not
// tell.
std::string ExecutablePath();

}  // namespace platform
