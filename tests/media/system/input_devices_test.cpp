#include "InputFixture.h"
#include "media/system/MainWindow.h"
#include "media/system/PublicInput.h"

namespace {

using namespace platform;

TEST_F(InputTest, PadKeyMapStartsEmptyWithPadOneDefaults) {
  Start();
  const auto& map = gInputDevices.padKeyMap;
  struct Case {
    int bit;
    int first, second;
  };
  const Case cases[] = {
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
      {14, -1, -1},
      {31, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bit);
    EXPECT_EQ(map[0][c.bit][0], c.first);
    EXPECT_EQ(map[0][c.bit][1], c.second);
    EXPECT_EQ(map[0][c.bit][2], 0);
    EXPECT_EQ(map[0][c.bit][3], 0);
  }
  for (int pad = 1; pad < kInputMaxPads; ++pad)
    for (int bit = 0; bit < kPadKeyBits; ++bit) {
      ASSERT_EQ(map[pad][bit][0], -1);
      ASSERT_EQ(map[pad][bit][1], -1);
      ASSERT_EQ(map[pad][bit][2], 0);
    }
}

// The input start's log lines, from its first line to the line after the
// last one of the table, for the device path with one pad and the fallback.
TEST_F(InputTest, InputStartLogsEachLineOnce) {
  struct Case {
    bool startFails;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {false,
       {"DirectInput関係初期化処理", "\tDirectInput7 の取得中... 成功", "\t\t引き続き初期化処理... 初期化成功",
        "\tジョイパッドの初期化... ", "\t入力装置を見つけました", "\t\tデバイスの登録名:", "\t\tデバイスの製品登録名:",
        "\tジョイパッドの追加は正常に終了しました", "\tジョイパッドの初期化は正常に終了しました",
        "\tマウスデバイスの初期化... 初期化成功", "\tキーボードデバイスの初期化... 初期化成功",
        "DirectInput 関連の初期化は正常に終了しました", "DirectSound の初期化を行います"}},
      {true,
       {"DirectInput関係初期化処理", "\tDirectInput7 の取得中... 取得に失敗。", "\tエラーコード 0x80040154",
        "\tDirectInput8 の取得を試みます...取得に失敗。DirectInput を使用しません。", "\tパッドの数は 1 個です",
        "入力関連の初期化をしました", "DirectSound の初期化を行います"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.startFails);
    TearDown();
    SetUp();
    SetScriptedInputStartFails(c.startFails);
    SetScriptedPadCount(1);
    Start();
    const std::vector<std::string> lines = LogLines();
    const auto first = std::find(lines.begin(), lines.end(), Sjis(c.lines.front()));
    ASSERT_NE(first, lines.end());
    std::vector<std::string> expected;
    for (const std::string& line : c.lines) expected.push_back(Sjis(line));
    const auto last = first + std::min<std::ptrdiff_t>(lines.end() - first, std::ssize(expected));
    EXPECT_EQ(std::vector<std::string>(first, last), expected);
  }
}

TEST_F(InputTest, PadButtonsMergeKeyboardAndPad) {
  Start();
  // No pad: the keyboard's mapping alone.
  Press(kDikNumpad8);
  EXPECT_EQ(GetPadButtons(0x1001), 8);
  EXPECT_EQ(GetPadButtons(1), 0);

  // A pad appears (the start enumerates pads, so restart input).
  EndInputDevices();
  SetScriptedPadCount(1);
  ScriptedPad pad{};
  pad.axes[1] = 20000;    // down
  pad.buttons = 1u << 2;  // button 3
  SetScriptedPad(0, pad);
  ASSERT_EQ(StartInputDevices(), 0);
  ASSERT_EQ(gInputDevices.padCount, 1);
  Press(kDikX);

  EXPECT_EQ(GetPadButtons(1), 1 | 0x40);
  EXPECT_EQ(GetPadButtons(0x1001), 1 | 0x40 | 8 | 0x20);
  EXPECT_EQ(GetPadButtons(0x1000), 8 | 0x20);  // pad 1's key map only

  // The dead zone hides a small tilt; the far left reads as left.
  pad.axes[1] = 8000;
  pad.axes[0] = -32768;
  SetScriptedPad(0, pad);
  EXPECT_EQ(GetPadButtons(1), 2 | 0x40);
}

TEST_F(InputTest, PadReadsStayInsideThePadListAndKeyMap) {
  Start();
  Press(kDikNumpad8);
  EXPECT_EQ(GetPadButtons(0x1000 + 17), 0);  // no 17th key map
  EXPECT_EQ(GetPadButtons(0x1000 + 3), 0);   // pad 3's map is empty
  EXPECT_EQ(GetPadButtons(0x1000 - 1), 0);
  EXPECT_EQ(PollPad(16), -1);

  EndInputDevices();
  SetScriptedPadCount(2);
  ScriptedPad pad{};
  pad.buttons = 1;
  SetScriptedPad(0, pad);
  SetScriptedPad(1, pad);
  ASSERT_EQ(StartInputDevices(), 0);
  EXPECT_EQ(GetPadButtons(2), 0x10);
  EXPECT_EQ(GetPadButtons(3), 0);  // beyond the pads
  EXPECT_EQ(GetPadButtons(17), 0);
  EXPECT_EQ(GetPadButtons(-1), 0);
}

TEST_F(InputTest, CheckAnyInputReportsKeysPadsAndMouse) {
  Start();
  EXPECT_EQ(CheckAnyInput(7), 0);

  // Lock and mode keys never count.
  Press(kDikCapital);
  Press(kDikKana);
  Press(kDikKanji);
  EXPECT_EQ(CheckAnyInput(1), 0);
  // The lowest code held wins.
  Press(kDikZ);
  Press(kDikA);
  EXPECT_EQ(CheckAnyInput(1), kDikA);
  ClearScriptedInput();

  gF10Flag = 1;
  EXPECT_EQ(CheckAnyInput(1), 68);
  gF10Flag = 0;

  EndInputDevices();
  SetScriptedPadCount(1);
  ScriptedPad pad{};
  pad.buttons = 1u << 5;
  SetScriptedPad(0, pad);
  ASSERT_EQ(StartInputDevices(), 0);
  EXPECT_EQ(CheckAnyInput(1), -1);
  EXPECT_EQ(CheckAnyInput(4), 0);
  SetScriptedPad(0, ScriptedPad{});
  EXPECT_EQ(CheckAnyInput(1), 0);

  // The mouse counts only inside the client area (edges included) of the
  // active window, and only under flag 4.
  gLibrarySystem.active = 1;
  platform::WindowRect client;
  GetClientScreenRect(&client);
  SetScriptedMouseButtons(2);
  SetCursorPos(client.left + client.Width(), client.top + client.Height());
  EXPECT_EQ(CheckAnyInput(1), 0);
  EXPECT_EQ(CheckAnyInput(4), -1);
  SetCursorPos(client.left + client.Width() + 1, client.top);
  EXPECT_EQ(CheckAnyInput(4), 0);
  SetCursorPos(client.left, client.top - 1);
  EXPECT_EQ(CheckAnyInput(4), 0);
  SetCursorPos(client.left, client.top);
  gLibrarySystem.active = 0;
  EXPECT_EQ(CheckAnyInput(4), 0);
}

TEST_F(InputTest, SnapshotAgreesWithTheScanCodeStateForEveryKey) {
  Start();
  for (KeyboardLayout layout : {KeyboardLayout::Us, KeyboardLayout::Japanese}) {
    SetScriptedKeyboardLayout(layout);
    for (int sc = 0; sc < 512; ++sc) {
      KeyCodes codes = KeyCodesForScancode(sc, layout);
      if (codes.scanCode == 0) continue;
      SCOPED_TRACE(testing::Message() << "scancode " << sc << " layout " << static_cast<int>(layout));
      ClearScriptedInput();
      SetScriptedKeyboardLayout(layout);
      SetScriptedScancode(sc, true);
      char snapshot[256];
      ASSERT_EQ(GetKeyboardSnapshot(snapshot), 0);
      for (int code = 0; code < 256; ++code) {
        // Windows makes numeric-keypad Enter a Return key too.
        bool expected = code == codes.scanCode || (codes.scanCode == kDikNumpadEnter && code == kDikReturn);
        ASSERT_EQ(snapshot[code], expected ? 1 : 0) << "code " << code;
      }
      EXPECT_EQ(CheckKey(codes.scanCode), 1);
    }
  }
}

TEST_F(InputTest, KeyboardRefreshesOncePerMillisecondUnlessKeysChanged) {
  Start();
  PollKeyboard();
  EXPECT_EQ(PollKeyboard(), 0);
  Press(kDikSpace);
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(PollKeyboard(), 0);
  AdvanceVirtualClock(1);
  EXPECT_EQ(PollKeyboard(), 1);
  EXPECT_EQ(CheckKey(kDikSpace), 1);
  EXPECT_EQ(CheckKey(-1), 0);
  EXPECT_EQ(CheckKey(256), 0);
}

TEST_F(InputTest, ReadersStartInputThatIsNotStarted) {
  Start();
  EndInputDevices();
  ASSERT_EQ(gInputDevices.directInput, 0);
  char snapshot[256];
  EXPECT_EQ(GetKeyboardSnapshot(snapshot), 0);
  EXPECT_EQ(gInputDevices.directInput, 1);
}

TEST_F(InputTest, MouseButtonsKeepTheirBits) {
  Start();
  SetScriptedMouseButtons(1 | 4 | 16);
  EXPECT_EQ(GetMouseButtons(), 1 | 4 | 16);
}

TEST(InputFallback, JoystickAxesScaleWithTheirDeadZone) {
  struct Case {
    uint32_t raw;
    int expected;
  };
  const Case cases[] = {
      {0, -1000},  {0x7FFF, 0}, {0xFFFF, 1000}, {0x5000, -166}, {0x9000, 0},
      {0x6000, 0}, {0xA000, 0}, {0xB000, 166},  {0x5FFF, 0},    {0x3000, -500},
  };
  for (const Case& c : cases) EXPECT_EQ(FallbackPadAxis(c.raw), c.expected) << std::hex << c.raw;
}

TEST_F(InputTest, FallbackReadsVirtualKeysAndRawJoysticks) {
  SetScriptedInputStartFails(true);
  SetScriptedPadCount(1);
  ScriptedPad pad{};
  pad.axes[0] = -32768;  // raw 0
  pad.axes[2] = 32767;   // raw 0xFFFF, read only with both Z and R
  pad.buttons = 1u << 1;
  SetScriptedPad(0, pad);
  Start();
  EXPECT_EQ(gInputDevices.directInput, -1);
  EXPECT_EQ(gInputDevices.noDirectInput, 1);
  EXPECT_EQ(gInputDevices.padCount, 16);
  std::vector<std::string> lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis("\tパッドの数は 1 個です")), lines.end());

  AdvanceVirtualClock(1);
  EXPECT_EQ(GetPadButtons(1), 2 | 0x20);
  EXPECT_EQ(gInputDevices.pads[0].state.x, -1000);
  EXPECT_EQ(gInputDevices.pads[0].state.z, 0);

  // The virtual-key table has Space but no arrow keys.
  Press(kDikSpace);
  Press(kDikUp);
  AdvanceVirtualClock(1);
  char snapshot[256];
  GetKeyboardSnapshot(snapshot);
  EXPECT_EQ(snapshot[kDikSpace], 1);
  EXPECT_EQ(snapshot[kDikUp], 0);

  // The flag survives a restart of input, which goes straight to the fallback.
  EndInputDevices();
  SetScriptedInputStartFails(false);
  StartInputDevices();
  EXPECT_EQ(gInputDevices.directInput, -1);
}

TEST_F(InputTest, VibrationTimersStopAVibrationAfterItsDuration) {
  SetScriptedPadCount(1);
  Start();
  gLibrarySystem.active = 1;
  PadDeviceRecord& pad = gInputDevices.pads[0];
  pad.vibrationOn = 1;
  pad.vibrationStrength = 8000;
  pad.vibrationDuration = 50;
  pad.vibrationLastTime = static_cast<int>(platform::Milliseconds());
  UpdateVibrationTimers();
  EXPECT_EQ(pad.constantPlaying, 1);
  EXPECT_EQ(pad.periodicPlaying, 1);
  AdvanceVirtualClock(49);
  UpdateVibrationTimers();
  EXPECT_EQ(pad.vibrationOn, 1);
  AdvanceVirtualClock(1);
  UpdateVibrationTimers();
  EXPECT_EQ(pad.vibrationOn, 0);
  EXPECT_EQ(pad.constantPlaying, 0);
  EXPECT_EQ(pad.periodicPlaying, 0);
  EXPECT_EQ(pad.vibrationStrength, 10000);
  EXPECT_EQ(StopPadVibration(0), 0);
  EXPECT_EQ(StopPadVibration(17), 0);
}

}  // namespace
