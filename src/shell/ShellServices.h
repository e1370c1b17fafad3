#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "shell/PlayerInput.h"

// What the system values read and write of the game shell: the mouse of the
// input state, the key configuration, the sound manager's channels (shell/SoundManager.h), the
// internet-connection record and the proxy settings of Game.ini.

#include "shell/SoundManager.h"

// The network is inert: a connection request makes no transfer and only
// reports itself finished.
struct InternetConnection {
  // Takes the request; the status becomes 0 (finished). Always true.
  bool BeginInternetConnection(const std::string& address, const std::string& secondText, int flag, int number);

  int status = -1;  // -1 idle
  std::array<int, 5> counters{};
};
extern InternetConnection gInternetConnection;

// The Proxy and ProxyPort settings of Game.ini.
extern std::string gProxy;
extern std::string gProxyPort;

// Clamps the mode to 0-2 and makes it the mode in effect: its draw factor
// (1, 0.5, 0.25) and the mode go to the event system (saved with it), and to
// gFrameSkipMode and Game.ini's setting. Returns the mode.
int SetFrameSkipMode(int mode);
