#pragma once

#include <array>
#include <cstdint>
#include <string>

class EventSystem;

// What the system values read and write of the game shell: the mouse of the
// input state, the key configuration, the sound manager's channels, the
// internet-connection record and the proxy settings of Game.ini.

struct InputState {
  // Each kept in a current and a second copy.
  int mouseX = 0;
  int mouseY = 0;
  int mouseXCopy = 0;
  int mouseYCopy = 0;
};
extern InputState gInput;

// One of the BGM and BGS channels of the sound manager.
struct SoundChannel {
  int entry = -1;         // the entry now playing, -1 none
  int handle = -1;        // its sound handle
  int volume = 0;         // current volume
  int fadeState = 0;
  std::array<int, 2> fadeFrom{};  // the volume the fade starts from, two copies
  int frequencyPercent = 100;
  int volumePercent = 100;  // volume percent of the entry now playing
};

struct SoundManager {
  std::array<SoundChannel, 2> channels;  // 0 BGM, 1 BGS
  uint8_t bgmIsMidi = 0;
  int midiTempo = 0;
};
extern SoundManager gSoundManager;

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

// The MIDI library's tempo entry point; nothing while the library is not loaded.
void GGSTempoDepth(int value);
