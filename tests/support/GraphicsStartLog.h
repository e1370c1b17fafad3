#pragma once

#include <string>
#include <vector>

// The log lines (UTF-8, tabs for indents, time stamps removed) of the graphics
// start in window mode on the headless backend at the requested depth: the
// hardware attempt failing at the Direct3D query, the switch to the software
// renderer and the software start.
std::vector<std::string> GraphicsStartLogLines(int bits);
// The lines of the graphics end after a software start.
std::vector<std::string> GraphicsEndLogLines();
