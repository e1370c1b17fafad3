#pragma once

#include "shell/Startup.h"
#include "support/ScratchFolder.h"

// The sample game started by the real start-up on the headless backend, in a
// fresh folder that is the current folder meanwhile, with its first frame
// run. Shut down on destruction.
class StartedGame {
 public:
  StartedGame();
  ~StartedGame();
  StartedGame(const StartedGame&) = delete;
  StartedGame& operator=(const StartedGame&) = delete;

  bool Started() const { return started_; }
  const ScratchFolder& Folder() const { return folder_; }
  GameSession& Session() { return session_; }
  // One headless frame (RunHeadlessPass).
  bool Pass() { return RunHeadlessPass(session_); }

 private:
  ScratchFolder folder_{true};
  GameSession session_;
  bool begun_ = false;
  bool started_ = false;
};
