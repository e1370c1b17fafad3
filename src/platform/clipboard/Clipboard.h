#pragma once

#include <string>
#include <string_view>

namespace platform {

// The system clipboard's text, as CP932 with CR LF line ends (what the runtime
// knows as the plain-text clipboard format). The clipboard itself holds UTF-8
// with LF line ends.

// False when the clipboard cannot be reached or holds no text.
bool ReadClipboardCp932(std::string* text);
// False when the clipboard cannot be reached.
bool WriteClipboardCp932(std::string_view text);

// Headless backend: the clipboard is a UTF-8 string the test sets and reads.
void SetScriptedClipboardUtf8(std::string_view utf8);
void ClearScriptedClipboard();  // holds no text afterwards
bool ScriptedClipboardHasText();
std::string ScriptedClipboardUtf8();
// While set, the clipboard cannot be opened for reading or writing.
void SetScriptedClipboardUnavailable(bool unavailable);

}  // namespace platform
