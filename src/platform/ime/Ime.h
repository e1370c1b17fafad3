#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The input method in place of the IMM calls. A composition arrives as
// WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION (lParam: what changed) and
// WM_IME_ENDCOMPOSITION posted to the main window; committed text arrives only
// as character messages. There are no clauses. The IME is always open.

// WM_IME_COMPOSITION lParam bits.
constexpr intptr_t kGcsCompStr = 0x0008;
constexpr intptr_t kGcsCompClause = 0x0020;
constexpr intptr_t kGcsCursorPos = 0x0080;
constexpr intptr_t kGcsResultStr = 0x0800;
// WM_IME_NOTIFY wParam values.
constexpr uintptr_t kImnChangeCandidate = 0x0003;
constexpr uintptr_t kImnCloseCandidate = 0x0004;
constexpr uintptr_t kImnOpenCandidate = 0x0005;
constexpr uintptr_t kImnSetOpenStatus = 0x0008;
constexpr uintptr_t kImnSetCandidatePos = 0x0009;

struct ImeCandidateList {
  std::vector<std::string> items;  // CP932
  int selection = 0;
  int pageStart = 0;
  int pageSize = 0;
};

// The composition in progress (CP932) and its cursor in bytes.
std::string GetImeComposition();
int GetImeCursorBytes();
// False when no candidate list is open (always on the sdl backend).
bool GetImeCandidateList(ImeCandidateList* out);
bool GetImeOpenStatus();
// Whether compositions are reported; typing itself never stops.
void SetImeEnabled(bool enabled);
void CancelImeComposition();
void SetImeCandidatePage(int pageSize, int pageStart);

// The sdl backend's SDL_TEXTEDITING: text (UTF-8) and cursor in characters;
// empty text ends the composition.
void OnTextEditing(const std::string& utf8, int cursorChars);

// Headless backend: script a composition (UTF-8, cursor in characters), its
// candidate list, and its end (commit types the text as characters).
void ScriptImeComposition(const std::string& utf8, int cursorChars);
void ScriptImeCandidates(const std::vector<std::string>& utf8Items, int selection);
void ScriptImeCloseCandidates();
void ScriptImeEndComposition(bool commit);
void ResetHeadlessIme();

}  // namespace platform
