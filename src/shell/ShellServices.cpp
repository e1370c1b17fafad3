#include "shell/ShellServices.h"

#include <cstdio>

#include "gamedata/GlobalObjects.h"

InputState gInput;
InternetConnection gInternetConnection;
std::string gProxy;
std::string gProxyPort;

namespace {

int PadButtonOfMask(int mask) {
  for (int n = 1; n <= 15; ++n) {
    if (mask == (0x10 << (n - 1))) return n;
  }
  return 0;
}

}  // namespace

int GetActionKey(int slot, bool keyboard, const EventSystem* eventSystem) {
  if (slot < 0 || slot > 2) return 0;
  const EventSystem& events = eventSystem ? *eventSystem : gEventSystem;
  if (keyboard) return events.keyCodes[static_cast<size_t>(slot)];
  const int button = PadButtonOfMask(events.keyCodes[static_cast<size_t>(slot + 3)]);
  return button ? 300 + button : 0;
}

void AssignActionKey(int value, int slot, bool keyboard, EventSystem* eventSystem) {
  if (slot < 0 || slot > 2) return;
  EventSystem& events = eventSystem ? *eventSystem : gEventSystem;
  if (keyboard) {
    events.keyCodes[static_cast<size_t>(slot)] = value;
  } else if (value >= 301 && value <= 315) {
    events.keyCodes[static_cast<size_t>(slot + 3)] = 0x10 << (value - 301);
  }
}

std::string GetActionKeyName(int slot, bool keyboard) {
  if (keyboard || slot < 0 || slot > 2) return std::string();
  const int button = PadButtonOfMask(gEventSystem.keyCodes[static_cast<size_t>(slot + 3)]);
  if (!button) return std::string();
  char text[16];
  std::snprintf(text, sizeof text, "\x83{\x83^\x83\x93%d", button);  // "ボタン%d"
  return text;
}

bool InternetConnection::BeginInternetConnection(const std::string& /*address*/, const std::string& /*secondText*/,
                                                 int /*flag*/, int /*number*/) {
  status = 0;
  return true;
}

// Until the screen transitions exist the next transition is the plain fade.
void SetTransitionImage(int /*number*/, int /*frames*/, int /*waitFlag*/) {}
