#include <cstdlib>
#include <filesystem>

#include "SystemFixture.h"
#include "media/system/InputDevices.h"
#include "media/system/KeyInput.h"
#include "platform/Backend.h"

namespace {

// The devices and the clipboard on the sdl backend, under SDL's dummy video
// driver: nothing is held, and the clipboard round-trips CP932 text.
class InputSdl : public SystemTest {
 protected:
  void TearDown() override {
    SystemTest::TearDown();
    platform::SetBackend(platform::Backend::Headless);
    platform::ResetHeadlessWindowing();
    gInputDevices = InputDeviceState{};
  }
};

TEST_F(InputSdl, DevicesReadNothingHeldAndTheClipboardRoundTrips) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  platform::SetBackend(platform::Backend::Sdl);
  gInputDevices = InputDeviceState{};
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_EQ(gInputDevices.directInput, 1);

  char snapshot[256];
  ASSERT_EQ(GetKeyboardSnapshot(snapshot), 0);
  for (int code = 0; code < 256; ++code) ASSERT_EQ(snapshot[code], 0) << code;
  EXPECT_EQ(GetPadButtons(0x1001), 0);
  EXPECT_EQ(GetMouseButtons(), 0);

  const std::string text = Sjis("漢字かな abc");
  ASSERT_EQ(WriteClipboardText(text.c_str()), 0);
  int size = ReadClipboardText(nullptr);
  ASSERT_EQ(size, static_cast<int>(text.size()) + 2);
  std::string back(static_cast<size_t>(size), '\0');
  ASSERT_EQ(ReadClipboardText(back.data()), 0);
  EXPECT_EQ(std::string(back.c_str()), text);

  EXPECT_EQ(EndMediaLibrary(), 0);
  EXPECT_EQ(gInputDevices.directInput, 0);
}

}  // namespace
