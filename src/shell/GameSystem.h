#pragma once

#include <array>
#include <cstdint>
#include <string>

class EventRunner;

// The game-system record: run state and the values the frame hands between
// subsystems. Only the fields the game data needs so far; the shell brings the
// rest.
struct GameSystem {
  // Releases the two screen-sized graphs and makes them again, blank, at the
  // screen size (tile size x 20 by x 15, times the screen scale).
  void RecreateScreenBuffers();

  int runState = 1;  // 1 running, 0 back to the title, -1 quit
  // Two screen-sized graphs (captures of the screen); -1 none: the screen
  // captured for the transition, and the frozen picture shown in place of
  // the map.
  std::array<int, 2> screenBuffers{-1, -1};
  static constexpr size_t kCaptureBuffer = 0;
  static constexpr size_t kFrozenBuffer = 1;
  // Sizes of the BGM, BGS and sound-effect lists before their spare entries;
  // entries 3-5 the spare slot (0-9) each kind fills next.
  std::array<int, 6> soundListSizes{};

  std::string messageText;
  std::string choiceText;
  std::array<std::string, 10> choiceTexts;
  // The last message text shown.
  std::string systemText;
  // Common event the idle main runner starts next; -1 none.
  int pendingCommonStart = -1;
  // 1 while the message or choice window is open.
  uint8_t windowOpen = 0;
  uint8_t transferPending = 0;
  // Set by the tile commands for the next frame: the tile flags changed (the
  // map view rebuilds its priorities), the tile set changed.
  uint8_t tileFlagsChanged = 0;
  uint8_t tilesetChanged = 0;
  int transferMapId = 0;
  int transferX = 0;  // half cells
  int transferY = 0;
  uint8_t transitionRunning = 0;
  // While it and transitionRunning are set, the runners and the hero wait.
  uint8_t transitionWaits = 0;
  // Set by a restart and by a load: the next frame reloads and restarts.
  uint8_t restoreReset = 0;
  // The choice under the cursor while a choice is open, else -1.
  int lastChoiceResult = -1;
  // Set by the scroll command: runners wait until the scroll has ended.
  uint8_t scrollWait = 0;
  // 1 while a string entry of the string command runs.
  int textEntryBusy = 0;
  // No guard flag for the string command's file output: nothing would read it.
  // The panorama and fog images are named by file (system strings 30, 31)
  // and must be loaded again.
  uint8_t panoramaByFile = 0;
  uint8_t fogByFile = 0;

  // Information-line mode: 1 in test play, toggled by F8.
  int infoMode = 0;
  // Update-phase milliseconds of the last five frames, newest first; the
  // draw-phase milliseconds of the last drawn frame.
  std::array<int, 5> updateDurations{};
  int drawDuration = 0;

  // The message and choice windows and the commands that fill them.
  // 1 while a runner waits on the message (messageOwner), -1 none.
  int messageOwnerState = -1;
  EventRunner* messageOwner = nullptr;
  // Lines 1-10; the line index cancelling gives (-1: no cancel); bit 0 left
  // exit, bit 1 right exit, bit 2 exit on a close request.
  int choiceCount = 0;
  int cancelResult = -1;
  int choiceExits = 0;
  // Local slot of choiceTarget that receives the result, -1 none.
  int choiceResultSlot = -1;
  EventRunner* choiceTarget = nullptr;
  int choicePosition = 0;
  uint8_t choiceFollows = 0;
  uint8_t choiceClosed = 0;
  int messageOpen = 0;
  uint8_t messageFullyShown = 0;
  uint8_t closeMessageRequest = 0;
  uint8_t closeChoiceRequest = 0;

  void SetMessageOwner(int state, EventRunner* runner);
  void SetChoiceResultTarget(int slot, EventRunner* runner);
  // Stores the value in the bound runner's local slot and ends its window wait.
  void DeliverChoiceResult(int value);
  // A runner that is discarded or overwritten while bound is unbound first; a
  // runner moved to a new place takes its bindings along.
  void ForgetRunner(const EventRunner* runner);
  void MoveRunnerBindings(const EventRunner* from, EventRunner* to);

  // Screen transition: while screenFrozen is set nothing is drawn or
  // presented; once running, the captured old screen dissolves over the new
  // frames, by plain fading or through the mask graph.
  uint8_t screenFrozen = 0;
  uint8_t plainFade = 1;
  int transitionRemaining = 20;
  int transitionTotal = 20;
  int transitionMaskGraph = -1;
  std::string transitionImagePath;
};

extern GameSystem gGameSystem;

// A record with its start values and its two screen buffers made (the
// restart point renews gGameSystem with it).
GameSystem ConstructGameSystem();
// Releases the two screen buffers of a record that is being replaced.
void ReleaseGameSystemGraphs(GameSystem& system);
