#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "shell/Frame.h"

// The program's spine: start-up, the restart point (renewal of every global
// game object, entered once after start-up and at every return to the
// title), the main loop on the run state and the shutdown.

struct GameOptions {
  // The command line left after our options; "Play_As_Test" enables test play.
  std::string commandLine;
  // A game folder on disk standing for the executable's folder; empty: the
  // executable's own folder.
  std::string gameFolder;
  // Headless run: the platform's headless backend, `frames` frames, notices
  // on stderr, screenshots (PNG) after the given frames (1 = the first).
  bool headless = false;
  int frames = 0;
  // A replay-log block (as a save file ends with) whose frames give the input.
  std::string replayFile;
  std::vector<std::pair<int, std::string>> screenshots;
  // The drawing path for this run: as Game.ini says, OpenGL even on a
  // software rasteriser, or software; Game.ini keeps its own setting.
  enum class Renderer { Settings, OpenGl, Software };
  Renderer renderer = Renderer::Settings;
  // --help or -h: the usage is printed and nothing runs.
  bool help = false;
  // The name the player was started by, which its messages on stderr give.
  std::string command = "Game";
};

// Reads our options from the arguments and leaves the rest as the command
// line (GameUsage lists them). Returns false with a message for a malformed
// or unknown option.
bool ParseGameArguments(const std::vector<std::string>& arguments, GameOptions& options, std::string& error);
// The command line's usage text for the player started as `command`, ending
// with a line end.
std::string GameUsage(const std::string& command = "Game");
// The name a player started with `argv0` goes by: its last path component,
// or "Game" when there is none.
std::string CommandName(const char* argv0);

// What lives from the start-up to the shutdown.
struct GameSession {
  GameScene scene;
  // The game's own fonts, by the names they are removed with.
  std::vector<std::string> fonts;
  bool firstPass = true;
};

// The whole run: 0 after a normal end; 1 when the game folder, the replay
// file or a screenshot's file named on the command line cannot be used, when
// Game.dat cannot be read or a screenshot was not written; -1 when the media
// layer fails to start (each failure says why on stderr).
int GameMain(const GameOptions& options);

// The three stages of GameMain. StartGame: 1 when the game is ready for the
// restart point; 0 when a file or folder of the command line cannot be used
// (before anything starts) or Game.dat cannot be read (fonts already
// removed); -1 when the media layer failed.
int StartGame(const GameOptions& options, GameSession& session);
// Restart point, main loop and returns to the title until the run state is -1
// (or, headless, the frames are done). False when a screenshot could not be
// written or the game ended before its frame (said on stderr).
bool PlayGame(const GameOptions& options, GameSession& session);
void ShutDownGame(GameSession& session);

// The restart point (after start-up and at each return to the title).
void RestartGame(bool firstPass);
// Takes the replay-log block in `bytes` as the log to play. False when the
// block is damaged (the log is then left as it was).
bool LoadReplayLog(const std::vector<uint8_t>& bytes);

// One headless pass: the restart point when the run state is 0, the loop
// pass and the pacing. False once the run state is -1 or the window closed.
bool RunHeadlessPass(GameSession& session);
