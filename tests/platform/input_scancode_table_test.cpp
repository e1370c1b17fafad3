#include <gtest/gtest.h>

// The table under test is keyed by SDL scancodes; their names make the cases
// readable.
#include <SDL2/SDL_scancode.h>

#include <cstring>

#include "platform/input/Input.h"

namespace {

using platform::KeyboardLayout;

struct KeyCase {
  SDL_Scancode scancode;
  int us;        // scan code on a US keyboard
  int japanese;  // scan code on a Japanese keyboard
};

// Every key the runtime names, configures or tests, by its DirectInput code.
constexpr KeyCase kKeys[] = {
    {SDL_SCANCODE_ESCAPE, 1, 1},
    {SDL_SCANCODE_1, 2, 2},
    {SDL_SCANCODE_2, 3, 3},
    {SDL_SCANCODE_3, 4, 4},
    {SDL_SCANCODE_4, 5, 5},
    {SDL_SCANCODE_5, 6, 6},
    {SDL_SCANCODE_6, 7, 7},
    {SDL_SCANCODE_7, 8, 8},
    {SDL_SCANCODE_8, 9, 9},
    {SDL_SCANCODE_9, 10, 10},
    {SDL_SCANCODE_0, 11, 11},
    {SDL_SCANCODE_MINUS, 12, 12},
    {SDL_SCANCODE_EQUALS, 13, 144},
    {SDL_SCANCODE_BACKSPACE, 14, 14},
    {SDL_SCANCODE_TAB, 15, 15},
    {SDL_SCANCODE_Q, 16, 16},
    {SDL_SCANCODE_W, 17, 17},
    {SDL_SCANCODE_E, 18, 18},
    {SDL_SCANCODE_R, 19, 19},
    {SDL_SCANCODE_T, 20, 20},
    {SDL_SCANCODE_Y, 21, 21},
    {SDL_SCANCODE_U, 22, 22},
    {SDL_SCANCODE_I, 23, 23},
    {SDL_SCANCODE_O, 24, 24},
    {SDL_SCANCODE_P, 25, 25},
    {SDL_SCANCODE_LEFTBRACKET, 26, 145},
    {SDL_SCANCODE_RIGHTBRACKET, 27, 26},
    {SDL_SCANCODE_RETURN, 28, 28},
    {SDL_SCANCODE_LCTRL, 29, 29},
    {SDL_SCANCODE_A, 30, 30},
    {SDL_SCANCODE_S, 31, 31},
    {SDL_SCANCODE_D, 32, 32},
    {SDL_SCANCODE_F, 33, 33},
    {SDL_SCANCODE_G, 34, 34},
    {SDL_SCANCODE_H, 35, 35},
    {SDL_SCANCODE_J, 36, 36},
    {SDL_SCANCODE_K, 37, 37},
    {SDL_SCANCODE_L, 38, 38},
    {SDL_SCANCODE_SEMICOLON, 39, 39},
    {SDL_SCANCODE_APOSTROPHE, 40, 146},
    {SDL_SCANCODE_GRAVE, 41, 148},
    {SDL_SCANCODE_LSHIFT, 42, 42},
    {SDL_SCANCODE_BACKSLASH, 43, 27},
    {SDL_SCANCODE_Z, 44, 44},
    {SDL_SCANCODE_X, 45, 45},
    {SDL_SCANCODE_C, 46, 46},
    {SDL_SCANCODE_V, 47, 47},
    {SDL_SCANCODE_B, 48, 48},
    {SDL_SCANCODE_N, 49, 49},
    {SDL_SCANCODE_M, 50, 50},
    {SDL_SCANCODE_COMMA, 51, 51},
    {SDL_SCANCODE_PERIOD, 52, 52},
    {SDL_SCANCODE_SLASH, 53, 53},
    {SDL_SCANCODE_RSHIFT, 54, 54},
    {SDL_SCANCODE_KP_MULTIPLY, 55, 55},
    {SDL_SCANCODE_LALT, 56, 56},
    {SDL_SCANCODE_SPACE, 57, 57},
    {SDL_SCANCODE_CAPSLOCK, 58, 58},
    {SDL_SCANCODE_F1, 59, 59},
    {SDL_SCANCODE_F2, 60, 60},
    {SDL_SCANCODE_F3, 61, 61},
    {SDL_SCANCODE_F4, 62, 62},
    {SDL_SCANCODE_F5, 63, 63},
    {SDL_SCANCODE_F6, 64, 64},
    {SDL_SCANCODE_F7, 65, 65},
    {SDL_SCANCODE_F8, 66, 66},
    {SDL_SCANCODE_F9, 67, 67},
    {SDL_SCANCODE_F10, 68, 68},
    {SDL_SCANCODE_NUMLOCKCLEAR, 69, 69},
    {SDL_SCANCODE_SCROLLLOCK, 70, 70},
    {SDL_SCANCODE_KP_7, 71, 71},
    {SDL_SCANCODE_KP_8, 72, 72},
    {SDL_SCANCODE_KP_9, 73, 73},
    {SDL_SCANCODE_KP_MINUS, 74, 74},
    {SDL_SCANCODE_KP_4, 75, 75},
    {SDL_SCANCODE_KP_5, 76, 76},
    {SDL_SCANCODE_KP_6, 77, 77},
    {SDL_SCANCODE_KP_PLUS, 78, 78},
    {SDL_SCANCODE_KP_1, 79, 79},
    {SDL_SCANCODE_KP_2, 80, 80},
    {SDL_SCANCODE_KP_3, 81, 81},
    {SDL_SCANCODE_KP_0, 82, 82},
    {SDL_SCANCODE_KP_PERIOD, 83, 83},
    {SDL_SCANCODE_NONUSBACKSLASH, 86, 86},
    {SDL_SCANCODE_F11, 87, 87},
    {SDL_SCANCODE_F12, 88, 88},
    {SDL_SCANCODE_INTERNATIONAL2, 112, 112},
    {SDL_SCANCODE_INTERNATIONAL1, 115, 43},
    {SDL_SCANCODE_INTERNATIONAL4, 121, 121},
    {SDL_SCANCODE_INTERNATIONAL5, 123, 123},
    {SDL_SCANCODE_INTERNATIONAL3, 125, 125},
    {SDL_SCANCODE_LANG5, 148, 148},
    {SDL_SCANCODE_LANG3, 112, 112},
    {SDL_SCANCODE_LANG4, 112, 112},
    {SDL_SCANCODE_KP_ENTER, 156, 156},
    {SDL_SCANCODE_RCTRL, 157, 157},
    {SDL_SCANCODE_KP_DIVIDE, 181, 181},
    {SDL_SCANCODE_PRINTSCREEN, 183, 183},
    {SDL_SCANCODE_RALT, 184, 184},
    {SDL_SCANCODE_PAUSE, 197, 197},
    {SDL_SCANCODE_HOME, 199, 199},
    {SDL_SCANCODE_UP, 200, 200},
    {SDL_SCANCODE_PAGEUP, 201, 201},
    {SDL_SCANCODE_LEFT, 203, 203},
    {SDL_SCANCODE_RIGHT, 205, 205},
    {SDL_SCANCODE_END, 207, 207},
    {SDL_SCANCODE_DOWN, 208, 208},
    {SDL_SCANCODE_PAGEDOWN, 209, 209},
    {SDL_SCANCODE_INSERT, 210, 210},
    {SDL_SCANCODE_DELETE, 211, 211},
    {SDL_SCANCODE_LGUI, 219, 219},
    {SDL_SCANCODE_RGUI, 220, 220},
    {SDL_SCANCODE_APPLICATION, 221, 221},
};

TEST(PlatformInputTable, EveryRuntimeKeyReportsItsScanCodeOnBothLayouts) {
  for (const KeyCase& key : kKeys) {
    SCOPED_TRACE(testing::Message() << "SDL scancode " << key.scancode);
    EXPECT_EQ(platform::KeyCodesForScancode(key.scancode, KeyboardLayout::Us).scanCode, key.us);
    EXPECT_EQ(platform::KeyCodesForScancode(key.scancode, KeyboardLayout::Japanese).scanCode, key.japanese);
  }
}

TEST(PlatformInputTable, NoTwoKeysShareACodeExceptKnownAliases) {
  // Aliases: the three Katakana/Hiragana keys, Print Screen and SysRq, the
  // two mute keys, the hash key of ISO keyboards, and (Japanese) the
  // Hankaku/Zenkaku key that some keymaps report on its own code, and the
  // previous-track key that shares its code with '^'.
  for (KeyboardLayout layout : {KeyboardLayout::Us, KeyboardLayout::Japanese}) {
    int owners[256] = {};
    int duplicates = 0;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
      int code = platform::KeyCodesForScancode(sc, layout).scanCode;
      ASSERT_GE(code, 0);
      ASSERT_LT(code, 256);
      if (code == 0) continue;
      if (owners[code] != 0) ++duplicates;
      owners[code] = sc;
    }
    EXPECT_EQ(duplicates, layout == KeyboardLayout::Us ? 5 : 7);
  }
}

TEST(PlatformInputTable, OutOfRangeScancodesHaveNoCodes) {
  EXPECT_EQ(platform::KeyCodesForScancode(-1, KeyboardLayout::Us).scanCode, 0);
  EXPECT_EQ(platform::KeyCodesForScancode(SDL_NUM_SCANCODES, KeyboardLayout::Us).scanCode, 0);
  EXPECT_EQ(platform::KeyCodesForScancode(SDL_SCANCODE_UNKNOWN, KeyboardLayout::Us).scanCode, 0);
}

class PlatformInputHeadless : public testing::Test {
 protected:
  void SetUp() override { platform::ClearScriptedInput(); }
  void TearDown() override { platform::ClearScriptedInput(); }
};

TEST_F(PlatformInputHeadless, ScriptedKeysShowInBothStates) {
  platform::SetScriptedScancode(SDL_SCANCODE_LEFTBRACKET, true);  // '@' on the default layout
  platform::SetScriptedScancode(SDL_SCANCODE_RSHIFT, true);
  uint8_t scan[256];
  uint8_t virt[256];
  platform::ReadKeyboardScanState(scan);
  platform::ReadVirtualKeyState(virt);
  EXPECT_EQ(scan[platform::kDikAt], 0x80);
  EXPECT_EQ(scan[platform::kDikRShift], 0x80);
  EXPECT_EQ(scan[platform::kDikLBracket], 0);
  EXPECT_EQ(virt[platform::kVkOem3], 0x80);
  EXPECT_EQ(virt[platform::kVkRShift], 0x80);
  EXPECT_EQ(virt[platform::kVkShift], 0x80);
  EXPECT_EQ(virt[platform::kVkControl], 0);

  platform::SetScriptedKeyboardLayout(KeyboardLayout::Us);
  platform::ReadKeyboardScanState(scan);
  EXPECT_EQ(scan[platform::kDikLBracket], 0x80);
  EXPECT_EQ(scan[platform::kDikAt], 0);

  EXPECT_TRUE(platform::SetScriptedKey(platform::kDikNumpad8, true));
  EXPECT_FALSE(platform::SetScriptedKey(0xFF, true));
  platform::ReadKeyboardScanState(scan);
  EXPECT_EQ(scan[platform::kDikNumpad8], 0x80);
}

TEST_F(PlatformInputHeadless, MouseButtonsKeepTheirOrderAndShowAsVirtualKeys) {
  platform::SetScriptedMouseButtons(0x1F | 0x20);  // a sixth button is not reported
  EXPECT_EQ(platform::ReadMouseButtons(), 0x1Fu);
  uint8_t virt[256];
  platform::ReadVirtualKeyState(virt);
  for (int vk :
       {platform::kVkLButton, platform::kVkRButton, platform::kVkMButton, platform::kVkXButton1, platform::kVkXButton2})
    EXPECT_EQ(virt[vk], 0x80) << vk;
}

TEST(PlatformInputPads, AxisScalingHasADeadZoneAndFullTravel) {
  struct Case {
    int raw;
    int32_t expected;
  };
  const Case cases[] = {
      {-32768, -1000}, {32767, 1000},  {0, 0},       {8191, 0},       {-8192, 0},    {8192, 0},
      {16384, 333},    {-16384, -333}, {20479, 500}, {-40000, -1000}, {40000, 1000},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ScalePadAxis(c.raw), c.expected) << c.raw;
}

TEST_F(PlatformInputHeadless, PadsReportJoystickRecordsAndRawReadings) {
  platform::SetScriptedPadCount(2);
  platform::ScriptedPad pad{};
  pad.axes[0] = -32768;
  pad.axes[1] = 32767;
  pad.axes[3] = -16384;
  pad.hats[0] = 2 | 4;  // right + down
  pad.buttons = 0x80000001u;
  pad.hasZAndR = true;
  platform::SetScriptedPad(1, pad);

  EXPECT_EQ(platform::PadCount(), 2);
  platform::PadState state;
  ASSERT_TRUE(platform::ReadPad(1, &state));
  EXPECT_EQ(state.x, -1000);
  EXPECT_EQ(state.y, 1000);
  EXPECT_EQ(state.rx, -333);
  EXPECT_EQ(state.pov[0], 13500u);
  EXPECT_EQ(state.pov[1], 0xFFFFFFFFu);
  EXPECT_EQ(state.buttons[0], 0x80);
  EXPECT_EQ(state.buttons[31], 0x80);
  EXPECT_EQ(state.buttons[1], 0);

  platform::PadRawState raw;
  ASSERT_TRUE(platform::ReadPadRaw(1, &raw));
  EXPECT_EQ(raw.x, 0u);
  EXPECT_EQ(raw.y, 0xFFFFu);
  EXPECT_EQ(raw.z, 0x8000u);
  EXPECT_EQ(raw.buttons, 0x80000001u);
  EXPECT_TRUE(platform::PadHasZAndR(1));

  EXPECT_FALSE(platform::ReadPad(2, &state));
  EXPECT_FALSE(platform::ReadPad(-1, &state));
  EXPECT_FALSE(platform::ReadPadRaw(16, &raw));
}

TEST_F(PlatformInputHeadless, StartCanBeScriptedToFail) {
  EXPECT_TRUE(platform::StartInput());
  platform::SetScriptedInputStartFails(true);
  EXPECT_FALSE(platform::StartInput());
  platform::EndInput();
}

}  // namespace
