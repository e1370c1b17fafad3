#pragma once

#include <string>
#include <vector>

namespace platform {

// Button sets and icons of the message box; the values are the ones the
// runtime's callers pass.
enum : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
};

// Results.
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Shows a modal message box with CP932 text and caption and returns the button
// chosen. The text always goes to stderr too. On the headless backend the box
// is recorded and answered with the scripted result without blocking.
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

struct RecordedMessageBox {
  std::string text;     // CP932, as passed
  std::string caption;  // CP932, as passed
  unsigned flags;
};

// Headless backend: the boxes shown so far, and what the next ones answer
// (default: the first button, OK or Yes).
std::vector<RecordedMessageBox> RecordedMessageBoxes();
void ClearRecordedMessageBoxes();
void SetScriptedMessageBoxResult(int result);

}  // namespace platform
