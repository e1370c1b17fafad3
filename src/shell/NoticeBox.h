#pragma once

#include <array>
#include <string>
#include <vector>

// The game runtime's notice: up to three lines in a band over the screen until
// the player confirms (confirm key or left button, newly pressed or held past
// ten polls; the cancel key does not end it). Every runtime error goes through
// it; callers go on with the failing operation skipped. Closing the window
// during the wait ends the game (run state -1).
//
// Where notices go (the start-up chooses):
//  - Report, before the screen exists (a damaged Game.dat): a message box; on
//    the headless backend stderr and the record tests read, never waiting.
//  - Screen: drawn over the screen, waiting for the player.
//  - Stderr: stderr and the record, never waiting (the headless game run).
enum class NoticeOutput { Report, Screen, Stderr };
void SetNoticeOutput(NoticeOutput output);

void ShowNoticeBox(const std::string& line1, const std::string& line2, const std::string& line3);
// The notice's wait: keeps the window alive until the player confirms (newly
// pressed, or held past holdLimit polls) or closes the window.
void WaitForNoticeConfirm(int holdLimit);
// The same wait around "a   b   c", centred.
void ShowNumberNotice(int a, int b, int c);

// Headless backend: the notices shown so far, lines as passed (CP932).
std::vector<std::array<std::string, 3>> RecordedNotices();
void ClearRecordedNotices();
