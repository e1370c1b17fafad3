#pragma once

#include <array>
#include <string>
#include <vector>

// The game runtime's notice: up to three lines shown over the screen until the
// player confirms. Every runtime error goes through it; callers go on with the
// failing operation skipped.
//
// Until the shell's screen exists this shows the lines in a system message box
// (the headless backend records them instead, for tests).
void ShowNoticeBox(std::string line1, std::string line2, std::string line3);

// Headless backend: the notices shown so far, lines as passed (CP932).
std::vector<std::array<std::string, 3>> RecordedNotices();
void ClearRecordedNotices();
