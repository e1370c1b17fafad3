#pragma once

#include <array>
#include <cstdint>
#include <string>

class EventSystem;

// What the system values read and write of the game shell: the mouse of the
// input state, the key configuration, the sound manager's channels (shell/SoundManager.h), the
// internet-connection record and the proxy settings of Game.ini.

struct InputState {
  // Each kept in a current and a second copy.
  int mouseX = 0;
  int mouseY = 0;
  int mouseXCopy = 0;
  int mouseYCopy = 0;
};
extern InputState gInput;

#include "shell/SoundManager.h"

struct InternetConnection {
  int status = -1;  // -1 idle
  std::array<int, 5> counters{};
};
extern InternetConnection gInternetConnection;

// The Proxy and ProxyPort settings of Game.ini.
extern std::string gProxy;
extern std::string gProxyPort;

// Key configuration of the confirm (0), cancel (1) and sub (2) actions:
// keyboard codes, or pad buttons 301-315 kept as bit masks 0x10 << (n - 1).
int GetActionKey(int slot, bool keyboard, const EventSystem* eventSystem = nullptr);
void AssignActionKey(int value, int slot, bool keyboard, EventSystem* eventSystem = nullptr);
// "ボタン1" to "ボタン15" for pad buttons; key names come with the key table.
std::string GetActionKeyName(int slot, bool keyboard);

// Clamps the mode to 0-2, stores it in the event system and returns it.
int SetFrameSkipMode(int mode);
extern double gFrameSkipFactor;
