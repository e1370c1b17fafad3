#include "support/StartedGame.h"

#include "platform/dialogs/MessageBox.h"
#include "platform/input/Input.h"
#include "platform/window/Window.h"
#include "shell/NoticeBox.h"
#include "support/SampleGame.h"

StartedGame::StartedGame() {
  platform::ResetHeadlessWindowing();
  platform::ClearScriptedInput();
  // A lock of our own: test programs running beside this one are no second copy.
  platform::SetInstanceLockFolder(folder_.Path().string());
  platform::ClearRecordedMessageBoxes();
  ClearRecordedNotices();
  WriteSampleGame(folder_.Path());
  GameOptions options;
  options.gameFolder = folder_.Path().string();
  options.headless = true;
  begun_ = StartGame(options, session_) == 1;
  started_ = begun_ && Pass();
}

StartedGame::~StartedGame() {
  SetNoticeOutput(NoticeOutput::Report);
  if (begun_) ShutDownGame(session_);
  platform::ClearScriptedInput();
  platform::ResetHeadlessWindowing();
}
