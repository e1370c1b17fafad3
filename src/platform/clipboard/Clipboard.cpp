#include "platform/clipboard/Clipboard.h"

#include <SDL.h>

#include <mutex>

#include "platform/Backend.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

std::mutex gMutex;
bool gHasText = false;
bool gUnavailable = false;
std::string gUtf8;

std::string LfToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string CrLfToLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// The UTF-8 text of the clipboard; false when there is none to read.
bool ReadUtf8(std::string* utf8) {
  if (IsHeadless()) {
    std::lock_guard lock(gMutex);
    if (gUnavailable || !gHasText) return false;
    *utf8 = gUtf8;
    return true;
  }
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || !SDL_HasClipboardText()) return false;
  char* text = SDL_GetClipboardText();
  if (text == nullptr) return false;
  *utf8 = text;
  SDL_free(text);
  return !utf8->empty();
}

}  // namespace

bool ReadClipboardCp932(std::string* text) {
  std::string utf8;
  if (!ReadUtf8(&utf8)) return false;
  *text = Utf8ToCp932(LfToCrLf(utf8));
  return true;
}

bool WriteClipboardCp932(std::string_view text) {
  std::string utf8 = CrLfToLf(Cp932ToUtf8(text));
  if (IsHeadless()) {
    std::lock_guard lock(gMutex);
    if (gUnavailable) return false;
    gUtf8 = utf8;
    gHasText = true;
    return true;
  }
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  return SDL_SetClipboardText(utf8.c_str()) == 0;
}

void SetScriptedClipboardUtf8(std::string_view utf8) {
  std::lock_guard lock(gMutex);
  gUtf8 = std::string(utf8);
  gHasText = true;
}

void ClearScriptedClipboard() {
  std::lock_guard lock(gMutex);
  gUtf8.clear();
  gHasText = false;
}

bool ScriptedClipboardHasText() {
  std::lock_guard lock(gMutex);
  return gHasText;
}

std::string ScriptedClipboardUtf8() {
  std::lock_guard lock(gMutex);
  return gUtf8;
}

void SetScriptedClipboardUnavailable(bool unavailable) {
  std::lock_guard lock(gMutex);
  gUnavailable = unavailable;
}

}  // namespace platform
