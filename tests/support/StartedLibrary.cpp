#include "support/StartedLibrary.h"

#include "media/PublicFunctions.h"
#include "platform/input/Input.h"
#include "platform/window/Window.h"

StartedLibrary::StartedLibrary() : folder_(true) {
  platform::ResetHeadlessWindowing();
  platform::ClearScriptedInput();
  platform::SetInstanceLockFolder(folder_.Path().string());
  EnableLibraryLog(0);
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetWindowScale(1.0);
  SetScreenResolution(640, 480, 32, 60);
  started_ = StartMediaLibrary() == 0;
  SelectDrawTarget(-2);
}

StartedLibrary::~StartedLibrary() {
  EndMediaLibrary();
  platform::ClearScriptedInput();
  platform::ResetHeadlessWindowing();
}

void StartedLibrary::Type(const std::string& utf8) {
  platform::InjectText(utf8);
  RunMessageLoopRound();
}

void StartedLibrary::PressVirtualKey(int virtualKey) {
  platform::KeyEvent key;
  key.virtualKey = virtualKey;
  platform::InjectKeyDown(key);
  platform::InjectKeyUp(key);
  RunMessageLoopRound();
}
