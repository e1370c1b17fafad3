#pragma once

#include "SystemFixture.h"
#include "media/system/InputDevices.h"
#include "media/system/KeyInput.h"
#include "media/system/WindowProc.h"
#include "platform/clipboard/Clipboard.h"
#include "platform/input/Input.h"

// A started library in window mode that runs while inactive, with scripted
// input devices released and an empty clipboard.
class InputTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    platform::ClearScriptedInput();
    platform::ClearScriptedClipboard();
    platform::SetScriptedClipboardUnavailable(false);
    gInputDevices = InputDeviceState{};
    gF10Flag = 0;
  }

  void TearDown() override {
    SystemTest::TearDown();
    platform::ClearScriptedInput();
    platform::ClearScriptedClipboard();
    gInputDevices = InputDeviceState{};
  }

  void Start() {
    SetRunWhileInactive(1);
    ChangeWindowMode(1);
    ASSERT_EQ(StartMediaLibrary(), 0);
  }

  static void Press(int scanCode) { ASSERT_TRUE(platform::SetScriptedKey(scanCode, true)) << scanCode; }
  static void Release(int scanCode) { ASSERT_TRUE(platform::SetScriptedKey(scanCode, false)) << scanCode; }
};
