#pragma once

#include <cstdint>

#include "platform/window/Window.h"

namespace platform {

// DirectInput key codes: the runtime's scan codes. Scripts store 100 + code,
// so these values are data and never change.
enum : int {
  kDikEscape = 0x01,
  kDik1 = 0x02,
  kDik2 = 0x03,
  kDik3 = 0x04,
  kDik4 = 0x05,
  kDik5 = 0x06,
  kDik6 = 0x07,
  kDik7 = 0x08,
  kDik8 = 0x09,
  kDik9 = 0x0A,
  kDik0 = 0x0B,
  kDikMinus = 0x0C,
  kDikEquals = 0x0D,
  kDikBack = 0x0E,
  kDikTab = 0x0F,
  kDikQ = 0x10,
  kDikW = 0x11,
  kDikE = 0x12,
  kDikR = 0x13,
  kDikT = 0x14,
  kDikY = 0x15,
  kDikU = 0x16,
  kDikI = 0x17,
  kDikO = 0x18,
  kDikP = 0x19,
  kDikLBracket = 0x1A,
  kDikRBracket = 0x1B,
  kDikReturn = 0x1C,
  kDikLControl = 0x1D,
  kDikA = 0x1E,
  kDikS = 0x1F,
  kDikD = 0x20,
  kDikF = 0x21,
  kDikG = 0x22,
  kDikH = 0x23,
  kDikJ = 0x24,
  kDikK = 0x25,
  kDikL = 0x26,
  kDikSemicolon = 0x27,
  kDikApostrophe = 0x28,
  kDikGrave = 0x29,
  kDikLShift = 0x2A,
  kDikBackslash = 0x2B,
  kDikZ = 0x2C,
  kDikX = 0x2D,
  kDikC = 0x2E,
  kDikV = 0x2F,
  kDikB = 0x30,
  kDikN = 0x31,
  kDikM = 0x32,
  kDikComma = 0x33,
  kDikPeriod = 0x34,
  kDikSlash = 0x35,
  kDikRShift = 0x36,
  kDikMultiply = 0x37,
  kDikLMenu = 0x38,
  kDikSpace = 0x39,
  kDikCapital = 0x3A,
  kDikF1 = 0x3B,
  kDikF2 = 0x3C,
  kDikF3 = 0x3D,
  kDikF4 = 0x3E,
  kDikF5 = 0x3F,
  kDikF6 = 0x40,
  kDikF7 = 0x41,
  kDikF8 = 0x42,
  kDikF9 = 0x43,
  kDikF10 = 0x44,
  kDikNumLock = 0x45,
  kDikScroll = 0x46,
  kDikNumpad7 = 0x47,
  kDikNumpad8 = 0x48,
  kDikNumpad9 = 0x49,
  kDikSubtract = 0x4A,
  kDikNumpad4 = 0x4B,
  kDikNumpad5 = 0x4C,
  kDikNumpad6 = 0x4D,
  kDikAdd = 0x4E,
  kDikNumpad1 = 0x4F,
  kDikNumpad2 = 0x50,
  kDikNumpad3 = 0x51,
  kDikNumpad0 = 0x52,
  kDikDecimal = 0x53,
  kDikOem102 = 0x56,
  kDikF11 = 0x57,
  kDikF12 = 0x58,
  kDikF13 = 0x64,
  kDikF14 = 0x65,
  kDikF15 = 0x66,
  kDikKana = 0x70,
  kDikAbntC1 = 0x73,
  kDikConvert = 0x79,
  kDikNoConvert = 0x7B,
  kDikYen = 0x7D,
  kDikNumpadEquals = 0x8D,
  kDikCircumflex = 0x90,
  kDikPrevTrack = 0x90,
  kDikAt = 0x91,
  kDikColon = 0x92,
  kDikUnderline = 0x93,
  kDikKanji = 0x94,
  kDikNextTrack = 0x99,
  kDikNumpadEnter = 0x9C,
  kDikRControl = 0x9D,
  kDikMute = 0xA0,
  kDikCalculator = 0xA1,
  kDikPlayPause = 0xA2,
  kDikMediaStop = 0xA4,
  kDikVolumeDown = 0xAE,
  kDikVolumeUp = 0xB0,
  kDikWebHome = 0xB2,
  kDikNumpadComma = 0xB3,
  kDikDivide = 0xB5,
  kDikSysRq = 0xB7,
  kDikRMenu = 0xB8,
  kDikPause = 0xC5,
  kDikHome = 0xC7,
  kDikUp = 0xC8,
  kDikPrior = 0xC9,
  kDikLeft = 0xCB,
  kDikRight = 0xCD,
  kDikEnd = 0xCF,
  kDikDown = 0xD0,
  kDikNext = 0xD1,
  kDikInsert = 0xD2,
  kDikDelete = 0xD3,
  kDikLWin = 0xDB,
  kDikRWin = 0xDC,
  kDikApps = 0xDD,
  kDikPower = 0xDE,
  kDikSleep = 0xDF,
  kDikWebSearch = 0xE5,
  kDikWebFavorites = 0xE6,
  kDikWebRefresh = 0xE7,
  kDikWebStop = 0xE8,
  kDikWebForward = 0xE9,
  kDikWebBack = 0xEA,
  kDikMyComputer = 0xEB,
  kDikMail = 0xEC,
  kDikMediaSelect = 0xED,
};

// Virtual-key codes beyond the ones the window's messages carry
// (platform/window/Window.h).
enum : int {
  kVkLButton = 0x01,
  kVkRButton = 0x02,
  kVkMButton = 0x04,
  kVkXButton1 = 0x05,
  kVkXButton2 = 0x06,
  kVkLWin = 0x5B,
  kVkRWin = 0x5C,
  kVkApps = 0x5D,
  kVkSleep = 0x5F,
  kVkBrowserBack = 0xA6,
  kVkBrowserForward = 0xA7,
  kVkBrowserRefresh = 0xA8,
  kVkBrowserStop = 0xA9,
  kVkBrowserSearch = 0xAA,
  kVkBrowserFavorites = 0xAB,
  kVkBrowserHome = 0xAC,
  kVkVolumeMute = 0xAD,
  kVkVolumeDown = 0xAE,
  kVkVolumeUp = 0xAF,
  kVkMediaNext = 0xB0,
  kVkMediaPrev = 0xB1,
  kVkMediaStop = 0xB2,
  kVkMediaPlayPause = 0xB3,
  kVkLaunchMail = 0xB4,
  kVkLaunchMediaSelect = 0xB5,
  kVkLaunchApp1 = 0xB6,
  kVkLaunchApp2 = 0xB7,
};

// The OEM keys report different scan codes by keyboard: a Japanese keyboard's
// keys are named by their legend ('@' is kDikAt, not the code of the US '['
// in the same place), as the games made on one expect.
enum class KeyboardLayout { Us, Japanese };

struct KeyCodes {
  int scanCode;    // DirectInput code, 0 when the key has none
  int virtualKey;  // 0 when the key has none
};

// The codes of an SDL scancode under a layout. For every key the virtual key
// is chosen so that the keyboard state by scan code and the state by virtual
// key agree wherever the runtime compares them.
KeyCodes KeyCodesForScancode(int sdlScancode, KeyboardLayout layout);
// The layout now in use: from the keymap (sdl) or as scripted (headless,
// Japanese until a test says otherwise).
KeyboardLayout CurrentKeyboardLayout();
// The virtual key of an SDL scancode under the current layout (0: none).
int VirtualKeyForScancode(int sdlScancode);

// Opens the devices (sdl: the joystick subsystem and up to 16 pads). False
// when input cannot be read through scan codes at all.
bool StartInput();
void EndInput();

// 256 bytes by scan code, 0x80 = down.
void ReadKeyboardScanState(uint8_t state[256]);
// Changes whenever a key went down or up since the previous call could have
// seen it: the stand-in for the device's "new data" event.
uint32_t KeyboardChangeStamp();
// 256 bytes by virtual key, 0x80 = down; mouse buttons included, and
// kVkShift, kVkControl, kVkMenu down when either side is.
void ReadVirtualKeyState(uint8_t state[256]);
// Bit 0 left, 1 right, 2 middle, 3 X1, 4 X2.
uint32_t ReadMouseButtons();

constexpr int kMaxPads = 16;
constexpr int kPadAxisRange = 1000;
constexpr int kPadDeadZone = 2500;  // hundredths of a percent of the axis

// A pad as DirectInput's joystick record: six axes and two sliders in
// -1000..1000 (dead zone applied), four POV hats in hundredths of a degree
// clockwise from up (0xFFFFFFFF centred), 32 buttons with bit 7 = down.
struct PadState {
  int32_t x, y, z, rx, ry, rz;
  int32_t slider[2];
  uint32_t pov[4];
  uint8_t buttons[32];
};
static_assert(sizeof(PadState) == 80);

// The raw reading of the multimedia joystick API: axes 0..0xFFFF with the
// centre at 0x7FFF, and one bit per button.
struct PadRawState {
  uint32_t x, y, z, r;
  uint32_t buttons;
};

int PadCount();
// False for an index outside the pads or a pad that cannot be read.
bool ReadPad(int index, PadState* state);
bool ReadPadRaw(int index, PadRawState* state);
bool PadHasZAndR(int index);
// Changes when a scripted pad changes (headless); constant on sdl, where pads
// are polled devices that never signal.
uint32_t PadChangeStamp(int index);
// The device's name, UTF-8 ("" outside the pads).
const char* PadName(int index);

// Scales one raw axis value (-32768..32767) to -1000..1000 with the 25 % dead
// zone: the dead zone reports 0 and the rest of the travel is spread over the
// whole range, so both ends still reach -1000 and 1000.
int32_t ScalePadAxis(int raw);

// --- headless backend: scripted devices --------------------------------------
void SetScriptedKeyboardLayout(KeyboardLayout layout);
void SetScriptedScancode(int sdlScancode, bool down);
// Presses or releases the key that reports `scanCode` under the current
// layout; false when no key does.
bool SetScriptedKey(int scanCode, bool down);
void SetScriptedMouseButtons(uint32_t buttons);
struct ScriptedPad {
  int16_t axes[6];   // raw, -32768..32767
  uint8_t hats[4];   // SDL hat bits: 1 up, 2 right, 4 down, 8 left
  uint32_t buttons;  // bit i = button i
  bool hasZAndR;
};
void SetScriptedPadCount(int count);
void SetScriptedPad(int index, const ScriptedPad& pad);
// StartInput fails while set, as when no device can be opened.
void SetScriptedInputStartFails(bool fails);
// Releases every key, button and pad, drops the pads and restores the defaults.
void ClearScriptedInput();

}  // namespace platform
