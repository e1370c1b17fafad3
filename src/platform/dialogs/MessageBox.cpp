#include "platform/dialogs/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/Backend.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

std::mutex gMutex;
std::vector<RecordedMessageBox> gRecorded;
int gScriptedResult = 0;  // 0: the box's first button

int FirstButton(unsigned flags) {
  switch (flags & 0xF) {
    case kMbYesNo:
    case kMbYesNoCancel: return kIdYes;
    default: return kIdOk;
  }
}

bool IsSet(const char* variable) {
  const char* value = SDL_getenv(variable);
  return value != nullptr && value[0] != '\0';
}

// Whether a box can reach the player. SDL shows one before its video starts
// (the start-up reports a missing game that way), opening the display itself.
// On the dummy or offscreen driver nobody could answer it, and with no
// display named SDL would only try helper programs that fail.
bool BoxCanShow() {
  const bool started = SDL_WasInit(SDL_INIT_VIDEO) != 0;
  const char* driver = started ? SDL_GetCurrentVideoDriver() : SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) return false;
  if (started) return driver != nullptr;
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

int ShowSdlBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (!BoxCanShow()) return FirstButton(flags);

  std::string utf8Text = Cp932ToUtf8(text);
  std::string utf8Caption = Cp932ToUtf8(caption);
  std::vector<SDL_MessageBoxButtonData> buttons;
  switch (flags & 0xF) {
    case kMbOkCancel:
      buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kIdOk, "OK"},
                 {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kIdCancel, "Cancel"}};
      break;
    case kMbYesNo:
      buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kIdYes, "Yes"},
                 {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kIdNo, "No"}};
      break;
    case kMbYesNoCancel:
      buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kIdYes, "Yes"},
                 {0, kIdNo, "No"},
                 {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kIdCancel, "Cancel"}};
      break;
    default:
      buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kIdOk, "OK"}};
      break;
  }
  Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
  if ((flags & 0xF0) == kMbIconError) kind = SDL_MESSAGEBOX_ERROR;
  else if ((flags & 0xF0) == kMbIconWarning) kind = SDL_MESSAGEBOX_WARNING;
  SDL_MessageBoxData data{};
  data.flags = kind;
  data.title = utf8Caption.c_str();
  data.message = utf8Text.c_str();
  data.numbuttons = static_cast<int>(buttons.size());
  data.buttons = buttons.data();
  int chosen = 0;
  if (SDL_ShowMessageBox(&data, &chosen) != 0 || chosen < 0) return FirstButton(flags);
  return chosen;
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  (void)std::fprintf(stderr, "[%s] %s\n", Cp932ToUtf8(caption).c_str(), Cp932ToUtf8(text).c_str());
  if (IsHeadless()) {
    std::lock_guard lock(gMutex);
    gRecorded.push_back({text, caption, flags});
    return gScriptedResult != 0 ? gScriptedResult : FirstButton(flags);
  }
  return ShowSdlBox(text, caption, flags);
}

std::vector<RecordedMessageBox> RecordedMessageBoxes() {
  std::lock_guard lock(gMutex);
  return gRecorded;
}

void ClearRecordedMessageBoxes() {
  std::lock_guard lock(gMutex);
  gRecorded.clear();
}

void SetScriptedMessageBoxResult(int result) {
  std::lock_guard lock(gMutex);
  gScriptedResult = result;
}

}  // namespace platform
