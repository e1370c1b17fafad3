#include "platform/ime/Ime.h"

#include <mutex>

#include "platform/text/Text.h"
#include "platform/window/Window.h"

namespace platform {

namespace {

std::mutex gMutex;
bool gEnabled = true;
bool gComposing = false;
std::string gComposition;  // CP932
int gCursorBytes = 0;
bool gCandidatesOpen = false;
ImeCandidateList gCandidates;

// Bytes of the first `chars` characters of a CP932 text.
int BytesOfChars(const std::string& cp932, int chars) {
  int at = 0;
  for (int i = 0; i < chars && at < static_cast<int>(cp932.size()); ++i)
    at += IsCp932Lead(static_cast<unsigned char>(cp932[at])) && at + 1 < static_cast<int>(cp932.size()) ? 2 : 1;
  return at;
}

void Update(const std::string& utf8, int cursorChars) {
  bool start = false;
  {
    std::lock_guard lock(gMutex);
    if (!gEnabled) return;
    start = !gComposing;
    gComposing = true;
    gComposition = Utf8ToCp932(utf8);
    gCursorBytes = BytesOfChars(gComposition, cursorChars < 0 ? 0 : cursorChars);
  }
  if (start) PostToMainWindow(kWmImeStartComposition, 0, 0);
  PostToMainWindow(kWmImeComposition, 0, kGcsCompStr | kGcsCursorPos);
}

void End() {
  bool closeCandidates = false;
  {
    std::lock_guard lock(gMutex);
    if (!gComposing) return;
    gComposing = false;
    gComposition.clear();
    gCursorBytes = 0;
    closeCandidates = gCandidatesOpen;
    gCandidatesOpen = false;
    gCandidates = ImeCandidateList{};
  }
  if (closeCandidates) PostToMainWindow(kWmImeNotify, kImnCloseCandidate, 0);
  PostToMainWindow(kWmImeComposition, 0, kGcsCompStr | kGcsCursorPos);
  PostToMainWindow(kWmImeEndComposition, 0, 0);
}

}  // namespace

std::string GetImeComposition() {
  std::lock_guard lock(gMutex);
  return gComposition;
}

int GetImeCursorBytes() {
  std::lock_guard lock(gMutex);
  return gCursorBytes;
}

bool GetImeCandidateList(ImeCandidateList* out) {
  std::lock_guard lock(gMutex);
  if (!gCandidatesOpen) return false;
  *out = gCandidates;
  return true;
}

bool GetImeOpenStatus() { return true; }

void SetImeEnabled(bool enabled) {
  {
    std::lock_guard lock(gMutex);
    if (gEnabled == enabled) return;
    gEnabled = enabled;
  }
  if (!enabled) End();
}

void CancelImeComposition() { End(); }

void SetImeCandidatePage(int pageSize, int pageStart) {
  std::lock_guard lock(gMutex);
  gCandidates.pageSize = pageSize;
  gCandidates.pageStart = pageStart;
}

void OnTextEditing(const std::string& utf8, int cursorChars) {
  if (utf8.empty()) End();
  else Update(utf8, cursorChars);
}

void ScriptImeComposition(const std::string& utf8, int cursorChars) { Update(utf8, cursorChars); }

void ScriptImeCandidates(const std::vector<std::string>& utf8Items, int selection) {
  bool wasOpen;
  {
    std::lock_guard lock(gMutex);
    if (!gEnabled || !gComposing) return;
    wasOpen = gCandidatesOpen;
    gCandidatesOpen = true;
    gCandidates.items.clear();
    for (const std::string& item : utf8Items) gCandidates.items.push_back(Utf8ToCp932(item));
    gCandidates.selection = selection;
  }
  PostToMainWindow(kWmImeNotify, wasOpen ? kImnChangeCandidate : kImnOpenCandidate, 1);
}

void ScriptImeCloseCandidates() {
  {
    std::lock_guard lock(gMutex);
    if (!gCandidatesOpen) return;
    gCandidatesOpen = false;
    gCandidates = ImeCandidateList{};
  }
  PostToMainWindow(kWmImeNotify, kImnCloseCandidate, 1);
}

void ScriptImeEndComposition(bool commit) {
  std::string text;
  {
    std::lock_guard lock(gMutex);
    text = gComposition;
  }
  End();
  if (commit && !text.empty()) InjectText(Cp932ToUtf8(text));
}

void ResetHeadlessIme() {
  std::lock_guard lock(gMutex);
  gEnabled = true;
  gComposing = false;
  gComposition.clear();
  gCursorBytes = 0;
  gCandidatesOpen = false;
  gCandidates = ImeCandidateList{};
}

}  // namespace platform
