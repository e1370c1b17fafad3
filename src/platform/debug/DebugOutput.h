#pragma once

#include <functional>
#include <string>

namespace platform {

// Stand-in for the debugger output channel: every text goes to the installed
// sink; with no sink (no debugger attached) it is discarded.
void DebugOutputWrite(const char* text);

// Installs a sink that receives every text (tests capture with it); an empty
// function removes it.
void SetDebugOutputSink(std::function<void(const std::string&)> sink);

}  // namespace platform
