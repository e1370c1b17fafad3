#include "media/system/InputDevices.h"

#include <cstdarg>
#include <cstring>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MainWindow.h"
#include "media/system/MessageLoop.h"
#include "media/system/WindowProc.h"
#include "platform/text/Cp932Literal.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"

InputDeviceState gInputDevices;

using namespace platform;

const VirtualKeyToDik kVirtualKeyToDikSection1[] = {
    {'A', kDikA},
    {'B', kDikB},
    {'C', kDikC},
    {'D', kDikD},
    {'E', kDikE},
    {'F', kDikF},
    {'G', kDikG},
    {'H', kDikH},
    {'I', kDikI},
    {'J', kDikJ},
    {'K', kDikK},
    {'L', kDikL},
    {'M', kDikM},
    {'N', kDikN},
    {'O', kDikO},
    {'P', kDikP},
    {'Q', kDikQ},
    {'R', kDikR},
    {'S', kDikS},
    {'T', kDikT},
    {'U', kDikU},
    {'V', kDikV},
    {'W', kDikW},
    {'X', kDikX},
    {'Y', kDikY},
    {'Z', kDikZ},
    {'0', kDik0},
    {'1', kDik1},
    {'2', kDik2},
    {'3', kDik3},
    {'4', kDik4},
    {'5', kDik5},
    {'6', kDik6},
    {'7', kDik7},
    {'8', kDik8},
    {'9', kDik9},
    {kVkOemPlus, kDikSemicolon},
    {kVkOem1, kDikColon},
    {kVkOem4, kDikLBracket},
    {kVkOem6, kDikRBracket},
    {kVkOem3, kDikAt},
    {kVkOem102, kDikBackslash},
    {kVkOemComma, kDikComma},
    {kVkOemMinus, kDikMinus},
    {kVkOem5, kDikYen},
    {kVkOemPeriod, kDikPeriod},
    {kVkOem2, kDikSlash},
    {kVkDelete, kDikDelete},
    {kVkEscape, kDikEscape},
    {kVkSpace, kDikSpace},
    {kVkBack, kDikBack},
    {kVkTab, kDikTab},
    {kVkReturn, kDikReturn},
    {0, 0},
};

const VirtualKeyToDik kVirtualKeyToDikSection2[] = {
    {kVkReturn, kDikNumpadEnter}, {kVkLShift, kDikLShift},   {kVkRShift, kDikRShift}, {kVkLControl, kDikLControl},
    {kVkRControl, kDikRControl},  {kVkPrior, kDikPrior},     {kVkNext, kDikNext},     {kVkEnd, kDikEnd},
    {kVkHome, kDikHome},          {kVkInsert, kDikInsert},   {kVkLMenu, kDikLMenu},   {kVkRMenu, kDikRMenu},
    {kVkScroll, kDikScroll},      {kVkCapital, kDikCapital}, {kVkPause, kDikPause},   {kVkF1, kDikF1},
    {kVkF1 + 1, kDikF2},          {kVkF1 + 2, kDikF3},       {kVkF1 + 3, kDikF4},     {kVkF1 + 4, kDikF5},
    {kVkF1 + 5, kDikF6},          {kVkF1 + 6, kDikF7},       {kVkF1 + 7, kDikF8},     {kVkF1 + 8, kDikF9},
    {kVkF1 + 9, kDikF10},         {kVkF1 + 10, kDikF11},     {kVkF1 + 11, kDikF12},   {0, 0},
};

namespace {

constexpr int kPathDevices = 1;
constexpr int kPathFallback = -1;

int Now() { return static_cast<int>(platform::Milliseconds()); }

// Formats a text that carries its own line end (LogWriteFormat would add a
// second one).
__attribute__((format(printf, 1, 2))) void LogWriteLine(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  FormatTextV(buffer, sizeof buffer, format, args);
  va_end(args);
  LogWrite(buffer);
}

bool DevicesActive() { return gInputDevices.directInput == kPathDevices && gInputDevices.noDirectInput == 0; }

void FillPadKeyMapDefaults() {
  for (auto& pad : gInputDevices.padKeyMap)
    for (auto& bit : pad) {
      bit[0] = -1;
      bit[1] = -1;
      bit[2] = 0;
      bit[3] = 0;
    }
  struct Default {
    int bit, first, second;
  };
  constexpr Default kDefaults[] = {
      {0, kDikNumpad2, kDikDown},
      {1, kDikNumpad4, kDikLeft},
      {2, kDikNumpad6, kDikRight},
      {3, kDikNumpad8, kDikUp},
      {4, kDikZ, -1},
      {5, kDikX, -1},
      {6, kDikC, -1},
      {7, kDikA, -1},
      {8, kDikS, -1},
      {9, kDikD, -1},
      {10, kDikQ, -1},
      {11, kDikW, -1},
      {12, kDikEscape, -1},
      {13, kDikSpace, -1},
  };
  for (const Default& d : kDefaults) {
    gInputDevices.padKeyMap[0][d.bit][0] = d.first;
    if (d.second >= 0) gInputDevices.padKeyMap[0][d.bit][1] = d.second;
  }
}

void CopyName(char* dst, const char* utf8) {
  std::string cp932 = platform::Utf8ToCp932(utf8);
  CopyTextBounded(dst, 260, cp932.c_str());
}

// Opens every pad the platform reports, up to 16.
void EnumeratePads() {
  InputDeviceState& in = gInputDevices;
  for (PadDeviceRecord& pad : in.pads) pad = PadDeviceRecord{};
  LogWrite(Cp932<"ジョイパッドの初期化... \n">);
  in.padCount = 0;
  const int available = platform::PadCount();
  for (int i = 0; i < available && in.padCount < kInputMaxPads; ++i) {
    LogWrite(Cp932<"入力装置を見つけました\n">);
    PadDeviceRecord& pad = in.pads[in.padCount];
    CopyName(pad.instanceName, platform::PadName(i));
    CopyName(pad.productName, platform::PadName(i));
    LogIndentIn();
    LogWriteFormat(Cp932<"デバイスの登録名:%s">, pad.instanceName);
    LogWriteFormat(Cp932<"デバイスの製品登録名:%s">, pad.productName);
    LogIndentOut();
    pad.device = 1;
    pad.constantEffect = 1;
    pad.periodicEffect = 1;
    pad.vibrationStrength = 10000;
    pad.eventStamp = platform::PadChangeStamp(in.padCount) - 1;  // the first read always reads
    in.padCount++;
    LogWrite(Cp932<"ジョイパッドの追加は正常に終了しました\n">);
  }
  LogWrite(Cp932<"ジョイパッドの初期化は正常に終了しました\n">);
}

// The platform's devices stand where DirectInput 7 would be; when they cannot
// be opened the start logs both attempts as failed and takes the fallback.
bool OpenDevices() {
  LogWrite(Cp932<"DirectInput7 の取得中... ">);
  if (platform::StartInput()) {
    LogWrite(Cp932<"成功\n">);
    LogIndentIn();
    LogWrite(Cp932<"引き続き初期化処理... ">);
    LogWrite(Cp932<"初期化成功\n">);
    return true;
  }
  constexpr unsigned kClassNotRegistered = 0x80040154u;
  LogWrite(Cp932<"取得に失敗。\n">);
  LogWriteLine(Cp932<"エラーコード 0x%x\n">, kClassNotRegistered);
  LogWrite(Cp932<"DirectInput8 の取得を試みます...">);
  LogWrite(Cp932<"取得に失敗。">);
  LogWrite(Cp932<"DirectInput を使用しません。\n">);
  LogIndentOut();
  return false;
}

void StartFallback() {
  InputDeviceState& in = gInputDevices;
  LogIndentIn();
  int found = 0;
  const int available = platform::PadCount();
  for (; found < kInputMaxPads && found < available; ++found)
    in.pads[found].hasZAndR = platform::PadHasZAndR(found) ? 1 : 0;
  LogWriteLine(Cp932<"パッドの数は %d 個です\n">, found);
  LogIndentOut();
  in.directInput = kPathFallback;
  LogWrite(Cp932<"入力関連の初期化をしました\n">);
  // The joystick API numbers its devices 0..15 whether present or not.
  in.padCount = kInputMaxPads;
}

void StartDevices() {
  InputDeviceState& in = gInputDevices;
  LogIndentOut();
  platform::BringWindowToTop(gLibrarySystem.mainWindow);
  RunMessageLoopRoundBody();
  EnumeratePads();
  LogWrite(Cp932<"マウスデバイスの初期化... ">);
  in.mouseDevice = 1;
  LogWrite(Cp932<"初期化成功\n">);
  in.lastKeyboardPoll = Now();
  LogWrite(Cp932<"キーボードデバイスの初期化... ">);
  in.keyboardDevice = 1;
  in.keyboardEventStamp = platform::KeyboardChangeStamp() - 1;  // the first poll reads
  LogWrite(Cp932<"初期化成功\n">);
  in.lastKeyboardPoll = Now();
  LogIndentOut();
  in.directInput = kPathDevices;
  LogWrite(Cp932<"DirectInput 関連の初期化は正常に終了しました\n">);
}

// Every reader waits while the window is held inactive, and a reader that
// finds input not started starts it instead (unless the window is closing).
bool ReaderMustStart(int* result) {
  WaitWhileInactive();
  if (gInputDevices.directInput == 0 && IsCloseRequested() == 0) {
    *result = StartInputDevices();
    return true;
  }
  return false;
}

bool PadKeyBitDown(int mapIndex, int bit) {
  for (int slot = 0; slot < kPadKeySlots; ++slot) {
    int code = gInputDevices.padKeyMap[mapIndex][bit][slot];
    if (code >= 0 && code < 256 && (gInputDevices.keyState[code] & 0x80) != 0) return true;
  }
  return false;
}

}  // namespace

int FallbackPadAxis(uint32_t raw) {
  const int r = static_cast<int>(raw & 0xFFFF);
  if (r == 0xFFFF) return 1000;  // (0xFFFF - 0xA000) / 0x6000 falls one short
  if (r < 0x6000) return (r - 0x6000) * 1000 / 0x6000;
  if (r <= 0xA000) return 0;
  return (r - 0xA000) * 1000 / 0x6000;
}

int StartInputDevices() {
  InputDeviceState& in = gInputDevices;
  if (in.directInput != 0) return 0;
  const int noDirectInput = in.noDirectInput;
  in = InputDeviceState{};
  in.noDirectInput = noDirectInput;

  if (in.noDirectInput == 0) {
    LogWrite(Cp932<"DirectInput関係初期化処理\n">);
    LogIndentIn();
    if (OpenDevices()) {
      StartDevices();
    } else {
      in.noDirectInput = 1;
      StartFallback();
    }
  } else {
    StartFallback();
  }
  FillPadKeyMapDefaults();
  return 0;
}

int EndInputDevices() {
  InputDeviceState& in = gInputDevices;
  if (in.directInput == 0) return 0;
  if (in.directInput == kPathFallback) {
    LogWrite(Cp932<"入力関連の終了処理... 完了\n">);
  } else {
    LogWrite(Cp932<"DirectInput 関連の終了処理... 完了\n">);
    for (PadDeviceRecord& pad : in.pads) pad = PadDeviceRecord{};
    in.padCount = 0;
    in.keyboardDevice = 0;
    in.mouseDevice = 0;
    platform::EndInput();
  }
  in.directInput = 0;
  return 0;
}

int PollKeyboard() {
  InputDeviceState& in = gInputDevices;
  const int now = Now();
  if (DevicesActive() && in.keyboardDevice != 0) {
    const uint32_t stamp = platform::KeyboardChangeStamp();
    const bool signalled = stamp != in.keyboardEventStamp;
    if (now == in.lastKeyboardPoll && !signalled) return 0;
    if (RunMessageLoopRoundBody() != 0 || in.directInput != kPathDevices) return 0;
    platform::ReadKeyboardScanState(in.keyState);
    in.lastKeyboardPoll = now;
    // A key that changed during the pass above signals again next time.
    in.keyboardEventStamp = stamp;
    if (std::this_thread::get_id() == gLibrarySystem.windowThread) {
      uint8_t virtualKeys[256];
      platform::ReadVirtualKeyState(virtualKeys);
      for (const VirtualKeyToDik* e = kVirtualKeyToDikSection1; e->virtualKey != 0; ++e)
        in.keyState[e->scanCode] = virtualKeys[e->virtualKey];
    }
    return 1;
  }
  if (now == in.lastKeyboardPoll) return 0;
  in.lastKeyboardPoll = now;
  if (RunMessageLoopRoundBody() != 0) return 0;
  uint8_t virtualKeys[256];
  platform::ReadVirtualKeyState(virtualKeys);
  std::memset(in.keyState, 0, sizeof in.keyState);
  for (const VirtualKeyToDik* e = kVirtualKeyToDikSection1; e->virtualKey != 0; ++e)
    in.keyState[e->scanCode] = virtualKeys[e->virtualKey];
  for (const VirtualKeyToDik* e = kVirtualKeyToDikSection2; e->virtualKey != 0; ++e)
    in.keyState[e->scanCode] = virtualKeys[e->virtualKey];
  return 1;
}

int PollPad(int index) {
  InputDeviceState& in = gInputDevices;
  if (index < 0 || index >= kInputMaxPads) return -1;
  PadDeviceRecord& pad = in.pads[index];
  const int now = Now();
  if (DevicesActive()) {
    if (pad.device == 0) return 0;
    const uint32_t stamp = platform::PadChangeStamp(index);
    if (now == pad.lastPollTime && stamp == pad.eventStamp) return 0;
    pad.lastPollTime = now;
    platform::PadState state;
    if (!platform::ReadPad(index, &state)) {
      // Lost: pump once, then try again; a quit ends the read.
      if (RunMessageLoopRoundBody() != 0 || in.directInput == 0) return -1;
      if (RunMessageLoopRoundBody() != 0 || in.directInput == 0) return -1;
      if (!platform::ReadPad(index, &state)) return 0;
    }
    pad.state = state;
    pad.eventStamp = stamp;
    return 0;
  }
  if (now == pad.lastPollTime) return 0;
  pad.lastPollTime = now;
  platform::PadRawState raw;
  pad.state = platform::PadState{};
  if (!platform::ReadPadRaw(index, &raw)) return 0;
  pad.state.x = FallbackPadAxis(raw.x);
  pad.state.y = FallbackPadAxis(raw.y);
  if (pad.hasZAndR != 0) {
    pad.state.z = FallbackPadAxis(raw.z);
    pad.state.rz = FallbackPadAxis(raw.r);
  }
  for (int i = 0; i < 24; ++i) pad.state.buttons[i] = (raw.buttons >> i) & 1 ? 128 : 0;
  return 0;
}

int CheckKey(int scanCode) {
  int result = 0;
  if (ReaderMustStart(&result)) return result;
  PollKeyboard();
  if (scanCode < 0 || scanCode > 255) return 0;
  return (gInputDevices.keyState[scanCode] & 0x80) != 0 ? 1 : 0;
}

int GetKeyboardSnapshot(char buffer[256]) {
  int result = 0;
  if (ReaderMustStart(&result)) return result;
  PollKeyboard();
  for (int i = 0; i < 256; ++i) buffer[i] = (gInputDevices.keyState[i] & 0x80) != 0 ? 1 : 0;
  return 0;
}

int GetPadButtons(int input) {
  int result = 0;
  if (ReaderMustStart(&result)) return result;
  InputDeviceState& in = gInputDevices;
  const bool withKeys = (input & 0x1000) != 0;
  const int index = (input & ~0x1000) - 1;
  if (!withKeys && in.padCount != 0 && (index < -1 || index >= in.padCount)) return 0;
  // Neither the pad list nor the key map is read outside its bounds.
  if (withKeys && (index < -1 || index >= kInputMaxPads)) return 0;

  int bits = 0;
  if (index >= 0 && index < in.padCount) {
    PollPad(index);
    const platform::PadState& state = in.pads[index].state;
    if (state.x < 0) bits |= 2;
    if (state.x > 0) bits |= 4;
    if (state.y < 0) bits |= 8;
    if (state.y > 0) bits |= 1;
    for (int i = 0; i < 24; ++i)
      if ((state.buttons[i] & 0x80) != 0) bits |= 1 << (4 + i);
  }
  if (withKeys) {
    PollKeyboard();
    const int map = index < 0 ? 0 : index;
    for (int bit = 0; bit < kPadKeyBits; ++bit)
      if (PadKeyBitDown(map, bit)) bits |= static_cast<int>(1u << bit);
  }
  return bits;
}

int CheckAnyInput(int flags) {
  int result = 0;
  if (ReaderMustStart(&result)) return result;
  InputDeviceState& in = gInputDevices;
  if ((flags & 1) != 0) {
    PollKeyboard();
    for (int code = 1; code < 256; ++code) {
      if (code == kDikCapital || code == kDikKana || code == kDikKanji) continue;
      if ((in.keyState[code] & 0x80) != 0) return code;
    }
    if (gF10Flag != 0) return kDikF10;
    for (int n = 1; n <= in.padCount; ++n)
      if (GetPadButtons(n) != 0) return -1;
  }
  if ((flags & 4) != 0) {
    int x = 0, y = 0;
    GetMousePosition(&x, &y);
    platform::WindowRect client;
    GetClientScreenRect(&client);
    if (x >= 0 && x <= client.Width() && y >= 0 && y <= client.Height() && IsMainWindowActive() != 0 &&
        GetMouseButtons() != 0)
      return -1;
  }
  return 0;
}

int GetMouseButtons() {
  if (DevicesActive() && gInputDevices.mouseDevice != 0) return static_cast<int>(platform::ReadMouseButtons() & 0xFF);
  uint8_t virtualKeys[256];
  platform::ReadVirtualKeyState(virtualKeys);
  int buttons = 0;
  if ((virtualKeys[kVkLButton] & 0x80) != 0) buttons |= 1;
  if ((virtualKeys[kVkRButton] & 0x80) != 0) buttons |= 2;
  if ((virtualKeys[kVkMButton] & 0x80) != 0) buttons |= 4;
  return buttons;
}

// The platform's devices read in the background whatever the window's state,
// so there is no cooperation level to change.
int ResetInputCooperation() { return 0; }

int UpdatePadVibration() {
  if (!DevicesActive()) return 0;
  const bool active = IsMainWindowActive() != 0;
  for (int i = 0; i < gInputDevices.padCount; ++i) {
    PadDeviceRecord& pad = gInputDevices.pads[i];
    if (pad.device == 0) continue;
    if (active) {
      pad.constantPlaying = pad.vibrationOn;
      pad.periodicPlaying = pad.vibrationOn != 0 && pad.vibrationStrength > 5000 ? 1 : 0;
    } else {
      pad.constantPlaying = 0;
      pad.periodicPlaying = 0;
    }
  }
  return 0;
}

int UpdateVibrationTimers() {
  if (!DevicesActive()) return 0;
  const int now = Now();
  for (int i = 0; i < gInputDevices.padCount; ++i) {
    PadDeviceRecord& pad = gInputDevices.pads[i];
    if (pad.device == 0 || pad.vibrationOn == 0 || pad.vibrationDuration < 0) continue;
    if (now < pad.vibrationLastTime) pad.vibrationLastTime = now;  // the clock went back: measure anew
    pad.vibrationElapsed += now - pad.vibrationLastTime;
    pad.vibrationLastTime = now;
    if (pad.vibrationElapsed >= pad.vibrationDuration) StopPadVibration(i + 1);
  }
  UpdatePadVibration();
  return 0;
}

int StopPadVibration(int pad) {
  if (pad < 1 || pad > gInputDevices.padCount || pad > kInputMaxPads) return 0;
  PadDeviceRecord& record = gInputDevices.pads[pad - 1];
  if (record.device == 0 || record.constantEffect == 0 || record.vibrationOn == 0) return 0;
  record.vibrationOn = 0;
  record.vibrationStrength = 10000;
  UpdatePadVibration();
  return 0;
}
