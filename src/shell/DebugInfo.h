#pragma once

#include <string>

// The runtime's reports on itself: the window title (game title, or frame
// rates and the frame-skip mode; F8 chooses), the replay clock, and in test
// play the data overlay (F8 held) and the variable window (F9).

// Once per drawn frame, just before presentation. The argument is not used.
void DrawDebugInfo(double frameSkipFactor);

// Test play only: pages through every variable with its database name until
// the player has seen the last column; a fresh start with resetScroll.
void DrawVariableWindow(bool resetScroll);

// The update-time bar of the title in test play: the longest of the update
// durations, then one sign per step.
std::string UpdateDurationBar(int longest);

// At most the first 32 bytes of a text, a double-byte character kept whole.
std::string FirstBytesWhole(const std::string& text, size_t limit = 32);
