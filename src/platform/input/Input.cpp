#include "platform/input/Input.h"

#include <SDL.h>

#include <array>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/Backend.h"

namespace platform {

namespace {

struct KeyRow {
  SDL_Scancode scancode;
  int scanCode;
  int virtualKey;
};

// Every key position SDL reports that has a DirectInput code, by its US
// position. The virtual keys of the OEM keys are the ones whose states the
// runtime copies over these scan codes, so the two states always agree.
constexpr KeyRow kUsRows[] = {
    {SDL_SCANCODE_A, kDikA, 'A'},
    {SDL_SCANCODE_B, kDikB, 'B'},
    {SDL_SCANCODE_C, kDikC, 'C'},
    {SDL_SCANCODE_D, kDikD, 'D'},
    {SDL_SCANCODE_E, kDikE, 'E'},
    {SDL_SCANCODE_F, kDikF, 'F'},
    {SDL_SCANCODE_G, kDikG, 'G'},
    {SDL_SCANCODE_H, kDikH, 'H'},
    {SDL_SCANCODE_I, kDikI, 'I'},
    {SDL_SCANCODE_J, kDikJ, 'J'},
    {SDL_SCANCODE_K, kDikK, 'K'},
    {SDL_SCANCODE_L, kDikL, 'L'},
    {SDL_SCANCODE_M, kDikM, 'M'},
    {SDL_SCANCODE_N, kDikN, 'N'},
    {SDL_SCANCODE_O, kDikO, 'O'},
    {SDL_SCANCODE_P, kDikP, 'P'},
    {SDL_SCANCODE_Q, kDikQ, 'Q'},
    {SDL_SCANCODE_R, kDikR, 'R'},
    {SDL_SCANCODE_S, kDikS, 'S'},
    {SDL_SCANCODE_T, kDikT, 'T'},
    {SDL_SCANCODE_U, kDikU, 'U'},
    {SDL_SCANCODE_V, kDikV, 'V'},
    {SDL_SCANCODE_W, kDikW, 'W'},
    {SDL_SCANCODE_X, kDikX, 'X'},
    {SDL_SCANCODE_Y, kDikY, 'Y'},
    {SDL_SCANCODE_Z, kDikZ, 'Z'},
    {SDL_SCANCODE_1, kDik1, '1'},
    {SDL_SCANCODE_2, kDik2, '2'},
    {SDL_SCANCODE_3, kDik3, '3'},
    {SDL_SCANCODE_4, kDik4, '4'},
    {SDL_SCANCODE_5, kDik5, '5'},
    {SDL_SCANCODE_6, kDik6, '6'},
    {SDL_SCANCODE_7, kDik7, '7'},
    {SDL_SCANCODE_8, kDik8, '8'},
    {SDL_SCANCODE_9, kDik9, '9'},
    {SDL_SCANCODE_0, kDik0, '0'},
    {SDL_SCANCODE_RETURN, kDikReturn, kVkReturn},
    {SDL_SCANCODE_ESCAPE, kDikEscape, kVkEscape},
    {SDL_SCANCODE_BACKSPACE, kDikBack, kVkBack},
    {SDL_SCANCODE_TAB, kDikTab, kVkTab},
    {SDL_SCANCODE_SPACE, kDikSpace, kVkSpace},
    {SDL_SCANCODE_MINUS, kDikMinus, kVkOemMinus},
    // '=' and '`' have no virtual key of their own that the runtime would not
    // also copy onto another scan code.
    {SDL_SCANCODE_EQUALS, kDikEquals, 0},
    {SDL_SCANCODE_LEFTBRACKET, kDikLBracket, kVkOem4},
    {SDL_SCANCODE_RIGHTBRACKET, kDikRBracket, kVkOem6},
    {SDL_SCANCODE_BACKSLASH, kDikBackslash, kVkOem102},
    {SDL_SCANCODE_NONUSHASH, kDikBackslash, kVkOem102},
    {SDL_SCANCODE_SEMICOLON, kDikSemicolon, kVkOemPlus},
    {SDL_SCANCODE_APOSTROPHE, kDikApostrophe, kVkOem7},
    {SDL_SCANCODE_GRAVE, kDikGrave, 0},
    {SDL_SCANCODE_COMMA, kDikComma, kVkOemComma},
    {SDL_SCANCODE_PERIOD, kDikPeriod, kVkOemPeriod},
    {SDL_SCANCODE_SLASH, kDikSlash, kVkOem2},
    {SDL_SCANCODE_CAPSLOCK, kDikCapital, kVkCapital},
    {SDL_SCANCODE_F1, kDikF1, kVkF1},
    {SDL_SCANCODE_F2, kDikF2, kVkF1 + 1},
    {SDL_SCANCODE_F3, kDikF3, kVkF1 + 2},
    {SDL_SCANCODE_F4, kDikF4, kVkF1 + 3},
    {SDL_SCANCODE_F5, kDikF5, kVkF1 + 4},
    {SDL_SCANCODE_F6, kDikF6, kVkF1 + 5},
    {SDL_SCANCODE_F7, kDikF7, kVkF1 + 6},
    {SDL_SCANCODE_F8, kDikF8, kVkF1 + 7},
    {SDL_SCANCODE_F9, kDikF9, kVkF1 + 8},
    {SDL_SCANCODE_F10, kDikF10, kVkF1 + 9},
    {SDL_SCANCODE_F11, kDikF11, kVkF1 + 10},
    {SDL_SCANCODE_F12, kDikF12, kVkF1 + 11},
    {SDL_SCANCODE_F13, kDikF13, kVkF1 + 12},
    {SDL_SCANCODE_F14, kDikF14, kVkF1 + 13},
    {SDL_SCANCODE_F15, kDikF15, kVkF1 + 14},
    {SDL_SCANCODE_PRINTSCREEN, kDikSysRq, kVkSnapshot},
    {SDL_SCANCODE_SYSREQ, kDikSysRq, kVkSnapshot},
    {SDL_SCANCODE_SCROLLLOCK, kDikScroll, kVkScroll},
    {SDL_SCANCODE_PAUSE, kDikPause, kVkPause},
    {SDL_SCANCODE_INSERT, kDikInsert, kVkInsert},
    {SDL_SCANCODE_HOME, kDikHome, kVkHome},
    {SDL_SCANCODE_PAGEUP, kDikPrior, kVkPrior},
    {SDL_SCANCODE_DELETE, kDikDelete, kVkDelete},
    {SDL_SCANCODE_END, kDikEnd, kVkEnd},
    {SDL_SCANCODE_PAGEDOWN, kDikNext, kVkNext},
    {SDL_SCANCODE_RIGHT, kDikRight, kVkRight},
    {SDL_SCANCODE_LEFT, kDikLeft, kVkLeft},
    {SDL_SCANCODE_DOWN, kDikDown, kVkDown},
    {SDL_SCANCODE_UP, kDikUp, kVkUp},
    {SDL_SCANCODE_NUMLOCKCLEAR, kDikNumLock, kVkNumLock},
    {SDL_SCANCODE_KP_DIVIDE, kDikDivide, kVkDivide},
    {SDL_SCANCODE_KP_MULTIPLY, kDikMultiply, kVkMultiply},
    {SDL_SCANCODE_KP_MINUS, kDikSubtract, kVkSubtract},
    {SDL_SCANCODE_KP_PLUS, kDikAdd, kVkAdd},
    {SDL_SCANCODE_KP_ENTER, kDikNumpadEnter, kVkReturn},
    {SDL_SCANCODE_KP_1, kDikNumpad1, kVkNumpad0 + 1},
    {SDL_SCANCODE_KP_2, kDikNumpad2, kVkNumpad0 + 2},
    {SDL_SCANCODE_KP_3, kDikNumpad3, kVkNumpad0 + 3},
    {SDL_SCANCODE_KP_4, kDikNumpad4, kVkNumpad0 + 4},
    {SDL_SCANCODE_KP_5, kDikNumpad5, kVkNumpad0 + 5},
    {SDL_SCANCODE_KP_6, kDikNumpad6, kVkNumpad0 + 6},
    {SDL_SCANCODE_KP_7, kDikNumpad7, kVkNumpad0 + 7},
    {SDL_SCANCODE_KP_8, kDikNumpad8, kVkNumpad0 + 8},
    {SDL_SCANCODE_KP_9, kDikNumpad9, kVkNumpad0 + 9},
    {SDL_SCANCODE_KP_0, kDikNumpad0, kVkNumpad0},
    {SDL_SCANCODE_KP_PERIOD, kDikDecimal, kVkDecimal},
    {SDL_SCANCODE_KP_EQUALS, kDikNumpadEquals, 0},
    {SDL_SCANCODE_KP_COMMA, kDikNumpadComma, 0},
    {SDL_SCANCODE_NONUSBACKSLASH, kDikOem102, 0},
    {SDL_SCANCODE_APPLICATION, kDikApps, kVkApps},
    {SDL_SCANCODE_POWER, kDikPower, 0},
    {SDL_SCANCODE_SLEEP, kDikSleep, kVkSleep},
    // Keys of Japanese keyboards (also present on others that carry them).
    {SDL_SCANCODE_INTERNATIONAL1, kDikAbntC1, 0},
    {SDL_SCANCODE_INTERNATIONAL2, kDikKana, kVkKana},
    {SDL_SCANCODE_INTERNATIONAL3, kDikYen, kVkOem5},
    {SDL_SCANCODE_INTERNATIONAL4, kDikConvert, kVkConvert},
    {SDL_SCANCODE_INTERNATIONAL5, kDikNoConvert, kVkNonConvert},
    {SDL_SCANCODE_LANG3, kDikKana, kVkKana},
    {SDL_SCANCODE_LANG4, kDikKana, kVkKana},
    {SDL_SCANCODE_LANG5, kDikKanji, kVkKanji},
    {SDL_SCANCODE_LCTRL, kDikLControl, kVkLControl},
    {SDL_SCANCODE_LSHIFT, kDikLShift, kVkLShift},
    {SDL_SCANCODE_LALT, kDikLMenu, kVkLMenu},
    {SDL_SCANCODE_LGUI, kDikLWin, kVkLWin},
    {SDL_SCANCODE_RCTRL, kDikRControl, kVkRControl},
    {SDL_SCANCODE_RSHIFT, kDikRShift, kVkRShift},
    {SDL_SCANCODE_RALT, kDikRMenu, kVkRMenu},
    {SDL_SCANCODE_RGUI, kDikRWin, kVkRWin},
    {SDL_SCANCODE_AUDIONEXT, kDikNextTrack, kVkMediaNext},
    {SDL_SCANCODE_AUDIOPREV, kDikPrevTrack, kVkMediaPrev},
    {SDL_SCANCODE_AUDIOSTOP, kDikMediaStop, kVkMediaStop},
    {SDL_SCANCODE_AUDIOPLAY, kDikPlayPause, kVkMediaPlayPause},
    {SDL_SCANCODE_AUDIOMUTE, kDikMute, kVkVolumeMute},
    {SDL_SCANCODE_MUTE, kDikMute, kVkVolumeMute},
    {SDL_SCANCODE_VOLUMEUP, kDikVolumeUp, kVkVolumeUp},
    {SDL_SCANCODE_VOLUMEDOWN, kDikVolumeDown, kVkVolumeDown},
    {SDL_SCANCODE_MEDIASELECT, kDikMediaSelect, kVkLaunchMediaSelect},
    {SDL_SCANCODE_MAIL, kDikMail, kVkLaunchMail},
    {SDL_SCANCODE_CALCULATOR, kDikCalculator, kVkLaunchApp2},
    {SDL_SCANCODE_COMPUTER, kDikMyComputer, kVkLaunchApp1},
    {SDL_SCANCODE_AC_SEARCH, kDikWebSearch, kVkBrowserSearch},
    {SDL_SCANCODE_AC_HOME, kDikWebHome, kVkBrowserHome},
    {SDL_SCANCODE_AC_BACK, kDikWebBack, kVkBrowserBack},
    {SDL_SCANCODE_AC_FORWARD, kDikWebForward, kVkBrowserForward},
    {SDL_SCANCODE_AC_STOP, kDikWebStop, kVkBrowserStop},
    {SDL_SCANCODE_AC_REFRESH, kDikWebRefresh, kVkBrowserRefresh},
    {SDL_SCANCODE_AC_BOOKMARKS, kDikWebFavorites, kVkBrowserFavorites},
};

// A Japanese keyboard names its OEM keys by legend: the key in the US '['
// place is '@', the US ']' place is '[', and so on.
constexpr KeyRow kJapaneseRows[] = {
    {SDL_SCANCODE_EQUALS, kDikCircumflex, kVkOem7},           // ^
    {SDL_SCANCODE_LEFTBRACKET, kDikAt, kVkOem3},              // @
    {SDL_SCANCODE_RIGHTBRACKET, kDikLBracket, kVkOem4},       // [
    {SDL_SCANCODE_BACKSLASH, kDikRBracket, kVkOem6},          // ]
    {SDL_SCANCODE_NONUSHASH, kDikRBracket, kVkOem6},          // ] as some keymaps report it
    {SDL_SCANCODE_APOSTROPHE, kDikColon, kVkOem1},            // :
    {SDL_SCANCODE_GRAVE, kDikKanji, kVkKanji},                // Hankaku/Zenkaku
    {SDL_SCANCODE_INTERNATIONAL1, kDikBackslash, kVkOem102},  // \ (ro)
};

struct KeyTables {
  std::array<KeyCodes, SDL_NUM_SCANCODES> us{};
  std::array<KeyCodes, SDL_NUM_SCANCODES> japanese{};
  KeyTables() {
    for (const KeyRow& row : kUsRows) us[row.scancode] = {row.scanCode, row.virtualKey};
    japanese = us;
    for (const KeyRow& row : kJapaneseRows) japanese[row.scancode] = {row.scanCode, row.virtualKey};
  }
};

const KeyTables& Tables() {
  static const KeyTables tables;
  return tables;
}

// --- headless state --------------------------------------------------------
struct Scripted {
  KeyboardLayout layout = KeyboardLayout::Japanese;
  std::array<uint8_t, SDL_NUM_SCANCODES> keys{};
  uint32_t mouse = 0;
  int padCount = 0;
  std::array<ScriptedPad, kMaxPads> pads{};
  bool startFails = false;
  uint32_t keyStamp = 0;
  std::array<uint32_t, kMaxPads> padStamps{};
};
std::mutex gScriptMutex;
Scripted gScripted;

// --- sdl state -------------------------------------------------------------
struct SdlPads {
  bool joystickStarted = false;
  int count = 0;
  std::array<SDL_Joystick*, kMaxPads> devices{};
  std::array<std::string, kMaxPads> names;
};
SdlPads gSdl;
std::array<uint8_t, SDL_NUM_SCANCODES> gSdlLastKeys{};
uint32_t gSdlKeyStamp = 0;

uint32_t HatToPov(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 0xFFFFFFFFu;
  }
}

uint32_t RawToUnsigned(int raw) { return static_cast<uint32_t>(raw + 32768) & 0xFFFF; }

// One reading of a pad in both forms, from the scripted record or SDL.
bool ReadPadSource(int index, ScriptedPad* out) {
  if (index < 0 || index >= kMaxPads) return false;
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    if (index >= gScripted.padCount) return false;
    *out = gScripted.pads[index];
    return true;
  }
  if (index >= gSdl.count || gSdl.devices[index] == nullptr) return false;
  SDL_Joystick* joystick = gSdl.devices[index];
  if (!SDL_JoystickGetAttached(joystick)) return false;
  SDL_JoystickUpdate();
  *out = {};
  int axes = SDL_JoystickNumAxes(joystick);
  for (int i = 0; i < 6 && i < axes; ++i) out->axes[i] = SDL_JoystickGetAxis(joystick, i);
  int hats = SDL_JoystickNumHats(joystick);
  for (int i = 0; i < 4; ++i) out->hats[i] = i < hats ? SDL_JoystickGetHat(joystick, i) : SDL_HAT_CENTERED;
  int buttons = SDL_JoystickNumButtons(joystick);
  for (int i = 0; i < 32 && i < buttons; ++i)
    if (SDL_JoystickGetButton(joystick, i)) out->buttons |= 1u << i;
  out->hasZAndR = axes >= 4;
  return true;
}

}  // namespace

KeyCodes KeyCodesForScancode(int sdlScancode, KeyboardLayout layout) {
  if (sdlScancode < 0 || sdlScancode >= SDL_NUM_SCANCODES) return {0, 0};
  const KeyTables& tables = Tables();
  return layout == KeyboardLayout::Japanese ? tables.japanese[sdlScancode] : tables.us[sdlScancode];
}

KeyboardLayout CurrentKeyboardLayout() {
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    return gScripted.layout;
  }
  // A Japanese keymap puts '@' where the US layout has '['.
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetKeyFromScancode(SDL_SCANCODE_LEFTBRACKET) == SDLK_AT)
    return KeyboardLayout::Japanese;
  return KeyboardLayout::Us;
}

int VirtualKeyForScancode(int sdlScancode) {
  return KeyCodesForScancode(sdlScancode, CurrentKeyboardLayout()).virtualKey;
}

bool StartInput() {
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    return !gScripted.startFails;
  }
  if (!gSdl.joystickStarted) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    gSdl.joystickStarted = true;
  }
  gSdl.count = 0;
  int available = SDL_NumJoysticks();
  for (int i = 0; i < available && gSdl.count < kMaxPads; ++i) {
    SDL_Joystick* joystick = SDL_JoystickOpen(i);
    if (joystick == nullptr) continue;
    const char* name = SDL_JoystickName(joystick);
    gSdl.names[gSdl.count] = name != nullptr ? name : "";
    gSdl.devices[gSdl.count++] = joystick;
  }
  return true;
}

void EndInput() {
  if (IsHeadless()) return;
  for (int i = 0; i < gSdl.count; ++i) {
    if (gSdl.devices[i] != nullptr) SDL_JoystickClose(gSdl.devices[i]);
    gSdl.devices[i] = nullptr;
    gSdl.names[i].clear();
  }
  gSdl.count = 0;
  if (gSdl.joystickStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  gSdl.joystickStarted = false;
}

// Which SDL scancodes are held: the script's keys on the headless backend.
static std::array<uint8_t, SDL_NUM_SCANCODES> HeldScancodes() {
  std::array<uint8_t, SDL_NUM_SCANCODES> keys{};
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    keys = gScripted.keys;
  } else {
    int count = 0;
    const Uint8* sdlKeys = SDL_GetKeyboardState(&count);
    for (int i = 0; i < count && i < SDL_NUM_SCANCODES; ++i) keys[i] = sdlKeys[i];
  }
  return keys;
}

void ReadKeyboardScanState(uint8_t state[256]) {
  std::memset(state, 0, 256);
  KeyboardLayout layout = CurrentKeyboardLayout();
  const std::array<uint8_t, SDL_NUM_SCANCODES> keys = HeldScancodes();
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    if (keys[sc] == 0) continue;
    int code = KeyCodesForScancode(sc, layout).scanCode;
    if (code > 0) state[code] = 0x80;
  }
}

uint32_t KeyboardChangeStamp() {
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    return gScripted.keyStamp;
  }
  int count = 0;
  const Uint8* sdlKeys = SDL_GetKeyboardState(&count);
  bool changed = false;
  for (int i = 0; i < count && i < SDL_NUM_SCANCODES; ++i) {
    if (gSdlLastKeys[i] != sdlKeys[i]) {
      gSdlLastKeys[i] = sdlKeys[i];
      changed = true;
    }
  }
  if (changed) ++gSdlKeyStamp;
  return gSdlKeyStamp;
}

void ReadVirtualKeyState(uint8_t state[256]) {
  std::memset(state, 0, 256);
  KeyboardLayout layout = CurrentKeyboardLayout();
  const std::array<uint8_t, SDL_NUM_SCANCODES> keys = HeldScancodes();
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    if (keys[sc] == 0) continue;
    int vk = KeyCodesForScancode(sc, layout).virtualKey;
    if (vk > 0) state[vk] = 0x80;
  }
  auto either = [&](int both, int left, int right) {
    if ((state[left] | state[right]) & 0x80) state[both] = 0x80;
  };
  either(kVkShift, kVkLShift, kVkRShift);
  either(kVkControl, kVkLControl, kVkRControl);
  either(kVkMenu, kVkLMenu, kVkRMenu);
  uint32_t mouse = ReadMouseButtons();
  const int mouseKeys[5] = {kVkLButton, kVkRButton, kVkMButton, kVkXButton1, kVkXButton2};
  for (int i = 0; i < 5; ++i)
    if (mouse & (1u << i)) state[mouseKeys[i]] = 0x80;
}

uint32_t ReadMouseButtons() {
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    return gScripted.mouse & 0x1F;
  }
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return 0;
  Uint32 sdl = SDL_GetMouseState(nullptr, nullptr);
  uint32_t buttons = 0;
  if (sdl & SDL_BUTTON_LMASK) buttons |= 1;
  if (sdl & SDL_BUTTON_RMASK) buttons |= 2;
  if (sdl & SDL_BUTTON_MMASK) buttons |= 4;
  if (sdl & SDL_BUTTON_X1MASK) buttons |= 8;
  if (sdl & SDL_BUTTON_X2MASK) buttons |= 16;
  return buttons;
}

int PadCount() {
  if (IsHeadless()) {
    std::lock_guard lock(gScriptMutex);
    return gScripted.padCount;
  }
  return gSdl.count;
}

int32_t ScalePadAxis(int raw) {
  if (raw < -32768) raw = -32768;
  if (raw > 32767) raw = 32767;
  // Both halves reach full travel: -32768 and 32767 are the ends.
  const int64_t full = raw < 0 ? 32768 : 32767;
  const int64_t magnitude = raw < 0 ? -static_cast<int64_t>(raw) : raw;
  const int64_t dead = full * kPadDeadZone / 10000;
  if (magnitude <= dead) return 0;
  int64_t scaled = (magnitude - dead) * kPadAxisRange / (full - dead);
  if (scaled > kPadAxisRange) scaled = kPadAxisRange;
  return static_cast<int32_t>(raw < 0 ? -scaled : scaled);
}

bool ReadPad(int index, PadState* state) {
  ScriptedPad pad{};
  if (!ReadPadSource(index, &pad)) return false;
  *state = {};
  state->x = ScalePadAxis(pad.axes[0]);
  state->y = ScalePadAxis(pad.axes[1]);
  state->z = ScalePadAxis(pad.axes[2]);
  state->rx = ScalePadAxis(pad.axes[3]);
  state->ry = ScalePadAxis(pad.axes[4]);
  state->rz = ScalePadAxis(pad.axes[5]);
  for (int i = 0; i < 4; ++i) state->pov[i] = HatToPov(pad.hats[i]);
  for (int i = 0; i < 32; ++i) state->buttons[i] = (pad.buttons >> i) & 1 ? 0x80 : 0;
  return true;
}

bool ReadPadRaw(int index, PadRawState* state) {
  ScriptedPad pad{};
  if (!ReadPadSource(index, &pad)) return false;
  state->x = RawToUnsigned(pad.axes[0]);
  state->y = RawToUnsigned(pad.axes[1]);
  state->z = RawToUnsigned(pad.axes[2]);
  state->r = RawToUnsigned(pad.axes[3]);
  state->buttons = pad.buttons;
  return true;
}

bool PadHasZAndR(int index) {
  ScriptedPad pad{};
  return ReadPadSource(index, &pad) && pad.hasZAndR;
}

uint32_t PadChangeStamp(int index) {
  if (!IsHeadless() || index < 0 || index >= kMaxPads) return 0;
  std::lock_guard lock(gScriptMutex);
  return gScripted.padStamps[index];
}

const char* PadName(int index) {
  if (IsHeadless() || index < 0 || index >= gSdl.count) return "";
  return gSdl.names[index].c_str();
}

void SetScriptedKeyboardLayout(KeyboardLayout layout) {
  std::lock_guard lock(gScriptMutex);
  gScripted.layout = layout;
  ++gScripted.keyStamp;
}

void SetScriptedScancode(int sdlScancode, bool down) {
  if (sdlScancode < 0 || sdlScancode >= SDL_NUM_SCANCODES) return;
  std::lock_guard lock(gScriptMutex);
  gScripted.keys[sdlScancode] = down ? 1 : 0;
  ++gScripted.keyStamp;
}

bool SetScriptedKey(int scanCode, bool down) {
  KeyboardLayout layout = CurrentKeyboardLayout();
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    if (scanCode > 0 && KeyCodesForScancode(sc, layout).scanCode == scanCode) {
      SetScriptedScancode(sc, down);
      return true;
    }
  }
  return false;
}

void SetScriptedMouseButtons(uint32_t buttons) {
  std::lock_guard lock(gScriptMutex);
  gScripted.mouse = buttons;
  ++gScripted.keyStamp;  // the buttons are part of the virtual-key state
}

void SetScriptedPadCount(int count) {
  std::lock_guard lock(gScriptMutex);
  gScripted.padCount = count < 0 ? 0 : count > kMaxPads ? kMaxPads : count;
  for (uint32_t& stamp : gScripted.padStamps) ++stamp;
}

void SetScriptedPad(int index, const ScriptedPad& pad) {
  if (index < 0 || index >= kMaxPads) return;
  std::lock_guard lock(gScriptMutex);
  gScripted.pads[index] = pad;
  ++gScripted.padStamps[index];
}

void SetScriptedInputStartFails(bool fails) {
  std::lock_guard lock(gScriptMutex);
  gScripted.startFails = fails;
}

void ClearScriptedInput() {
  std::lock_guard lock(gScriptMutex);
  // The stamps move on, so a reader that saw the old state refreshes.
  uint32_t keyStamp = gScripted.keyStamp + 1;
  std::array<uint32_t, kMaxPads> padStamps = gScripted.padStamps;
  for (uint32_t& stamp : padStamps) ++stamp;
  gScripted = Scripted{};
  gScripted.keyStamp = keyStamp;
  gScripted.padStamps = padStamps;
}

}  // namespace platform
