#pragma once

#include <string>
#include <string_view>

// Game.ini beside the executable (the current folder during play): the
// player's settings between runs and the start flag that tells a start-up
// that never finished.

// 1 window, 0 full screen.
extern int gWindowModeFlag;
// 1: software rendering.
extern int gSoftModeFlag;
// The frame-skip mode the file gives (0-2), applied at every restart.
extern int gFrameSkipSetting;
// Nonzero: the screenshot key works.
extern int gScreenShotFlag;
// gSoundSetting (shell/SoundManager.h), gProxy and gProxyPort
// (shell/ShellServices.h) are read and written here too.

struct GameIniValues {
  int start = 0;
  int softMode = 0;
  int windowMode = 1;
  int sound = 3;
  int frameSkip = 0;
};

// Reads "Game.ini" from the current folder into `values` (defaults for missing
// keys) and sets gProxy, gProxyPort and gScreenShotFlag. 1 when read; -1 when
// the file is missing or no small regular file (a FIFO, a device, past the
// size any real one has): `values` keep the defaults with start -1 and the
// globals are left alone.
int ReadGameIni(GameIniValues& values);
// The same reading on a text already in memory (always sets the globals).
void ParseGameIniText(std::string_view bytes, GameIniValues& values);

// Writes "Game.ini" with the start flag, soft-mode flag and frame-skip mode
// given and the window mode, sound setting, proxy texts and screenshot flag
// from their globals, replacing the file whole (in place only where the
// folder takes no new file). False when it cannot be written; a read-only
// Game.ini is left alone.
bool WriteGameIni(int start, int softMode, int frameSkip);
// The text WriteGameIni writes, lines ending in LF (the file has CR LF).
std::string GameIniText(int start, int softMode, int frameSkip);
