#include <sys/wait.h>
#include <unistd.h>

#include "SystemFixture.h"
#include "foundation/FileLayer.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/system/MainWindow.h"
#include "platform/process/Process.h"
#include "platform/text/Text.h"
#include "support/GraphicsStartLog.h"

std::string Sjis(const std::string& utf8) { return platform::Utf8ToCp932(utf8); }

namespace {

std::vector<std::string> SjisLines(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const auto& s : utf8) out.push_back(Sjis(s));
  return out;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b,
                                std::vector<std::string> c) {
  a.insert(a.end(), b.begin(), b.end());
  a.insert(a.end(), c.begin(), c.end());
  return a;
}

const std::vector<std::string> kStartLog =
    Joined({"システムの情報を出力します",
            "\tメディアライブラリ Ver1.00",
            "\tＯＳ  Linux ( Build 2600  )",
            "\tＣＰＵ動作速度：大体1.00GHz",
            "\tＭＭＸ命令を使用します",
            "\tＳＳＥ命令が使用可能です",
            "\tＳＳＥ２命令が使用可能です",
            "\tＣＰＵベンダ：HeadlessCPU0",
            "ＣＯＭの初期化... 成功しました",
            "メモリ総量:4096.00MB  空きメモリ領域:2048.00MB ",
            "タイマーの精度を検査します",
            "精度結果 更新回数 マルチメディアタイマー：60  パフォーマンスカウンター：60",
            "パフォーマンスカウンターを使用します タイマー分解能 : 1000.000000 KHz ",
            "ソフトの二重起動検査... 二重起動はされていませんでした",
            "ウインドウクラスを登録します... 登録に成功しました",
            "ウインドウモード起動用のウインドウを作成します",
            "ウインドウの作成に成功しました",
            "ＩＭＥを無効にしました",
            "ウインドウスタイルをウインドウモード用に変更します... 完了",
            "DirectInput関係初期化処理",
            "\tDirectInput7 の取得中... 成功",
            "\t\t引き続き初期化処理... 初期化成功",
            "\tジョイパッドの初期化... ",
            "\tジョイパッドの初期化は正常に終了しました",
            "\tマウスデバイスの初期化... 初期化成功",
            "\tキーボードデバイスの初期化... 初期化成功",
            "DirectInput 関連の初期化は正常に終了しました",
            "DirectSound の初期化を行います",
            "DirectSound インターフェースの取得を行います....  成功",
            "引き続きインターフェースの初期化処理...  成功",
            "\tDirectSound デバイスを列挙します",
            "\t\tモジュール名:       headless  ドライバ記述:Headless mixer ",
            "\t最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz ",
            "\t総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB ",
            "\t利用可能サンプリング精度",
            "\t プライマリ １６bit = OK  ８bit = OK ",
            "\t セカンダリ １６bit = OK  ８bit = OK ",
            "\t利用可能チャンネル",
            "\t プライマリ MONO = OK  STEREO = OK ",
            "\t セカンダリ MONO = OK  STEREO = OK ",
            "DirectSound の初期化は正常に終了しました"},
           GraphicsStartLogLines(16),
           {
               "文字コードバッファの初期化を行います... 完了しました",
               // The warm-up draws release their graphs with the log flag.
               "グラフィック  の削除",
               "グラフィック  の削除",
               "グラフィック  の削除",
           });

const std::vector<std::string> kEndLog = Joined({}, GraphicsEndLogLines(),
                                                {
                                                    "DirectInput 関連の終了処理... 完了",
                                                    "DirectSound の終了処理は正常に終了しました",
                                                    "ウインドウを閉じようとしています",
                                                    "ウインドウが破棄されようとしています",
                                                    "ソフトを終了する準備が整いました",
                                                });

TEST_F(SystemTest, StartAndEndWriteTheirStepsToTheLogInOrder) {
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetMainWindowTitle(Sjis("テスト").c_str());
  ASSERT_EQ(StartMediaLibrary(), 0);
  // ChangeWindowMode before the start logs into the old log, which the start recreates.
  EXPECT_EQ(LogLines(), SjisLines(kStartLog));
  EXPECT_EQ(gLibrarySystem.started, 1);
  EXPECT_EQ(gLibrarySystem.starting, 0);
  EXPECT_NE(gLibrarySystem.mainWindow, 0);
  EXPECT_EQ(platform::GetWindowTitle(gLibrarySystem.mainWindow), Sjis("テスト"));
  EXPECT_EQ(std::string(gLibrarySystem.windowClassName), Sjis("テスト"));
  // An answer below the version that needs the front work surface.
  EXPECT_EQ(gLibrarySystem.osVersionCode, 0x107);
  EXPECT_EQ(GetUseFrontWorkSurface(), 0);
  EXPECT_EQ(IsMmxAvailable(), 1);

  EXPECT_EQ(EndMediaLibrary(), 0);
  std::vector<std::string> all = kStartLog;
  all.insert(all.end(), kEndLog.begin(), kEndLog.end());
  EXPECT_EQ(LogLines(), SjisLines(all));
  EXPECT_EQ(gLibrarySystem.started, 0);
  EXPECT_EQ(gLibrarySystem.mainWindow, 0);
  EXPECT_EQ(HasWindowQuit(), 1);
  // The lock's objects go with the end.
  EXPECT_EQ(gLibraryLock.eventsCreated, 0);
}

TEST_F(SystemTest, LogLinesCarryTimeStampsAndCrLf) {
  SetRunWhileInactive(1);
  ASSERT_EQ(StartMediaLibrary(), 0);
  const std::string log = ReadLog();
  // The virtual clock stands still during the log's first lines.
  EXPECT_EQ(log.rfind("0:" + Sjis("システムの情報を出力します") + "\r\n0:\t", 0), 0u) << log;
}

TEST_F(SystemTest, KeptFieldsSurviveTheStartAndOthersAreCleared) {
  ChangeWindowMode(1);
  SetMainWindowTitle("Kept Title");
  SetMainWindowIcon(7);
  SetWindowScale(1.5);
  SetRunWhileInactive(1);
  gLibrarySystem.backgroundGreen = 3;
  // Run-time state set before the start does not survive it.
  gLibrarySystem.wheelCount = 5;
  gLibrarySystem.closeRequested = 1;
  gLibrarySystem.displayChangeSeen = 1;
  gLibrarySystem.styleApplied = 0;
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_EQ(gLibrarySystem.windowMode, 1);
  EXPECT_STREQ(gLibrarySystem.windowTitle, "Kept Title");
  EXPECT_STREQ(gLibrarySystem.windowClassName, "Kept Title");
  EXPECT_EQ(gLibrarySystem.iconId, 7);
  EXPECT_EQ(gLibrarySystem.windowScale, 1.5);
  EXPECT_EQ(gLibrarySystem.runWhileInactive, 1);
  EXPECT_EQ(gLibrarySystem.backgroundGreen, 3);
  EXPECT_EQ(gLibrarySystem.directXVersion, 0x70000);
  EXPECT_EQ(TakeMouseWheelCount(), 0);
  EXPECT_EQ(gLibrarySystem.closeRequested, 0);
  // The display reports the screen mode the start applied.
  EXPECT_EQ(gLibrarySystem.displayChangeSeen, 1);
  EXPECT_NE(gLibrarySystem.initialDirectory[0], '\0');
}

TEST_F(SystemTest, WithoutTitleTheClassAndTitleHaveTheirDefaults) {
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_STREQ(gLibrarySystem.windowClassName, "M123987X");
  EXPECT_STREQ(gLibrarySystem.windowTitle, "MediaLib");
  // Full screen (the flag was never set): the cursor is hidden.
  EXPECT_EQ(gLibrarySystem.windowMode, 0);
  EXPECT_EQ(IsMouseCursorShown(), 0);
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis("フルスクリーンモード用のウインドウを作成します")), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis("カーソルを不可視にしました")), lines.end());
}

TEST_F(SystemTest, SecondStartAndEarlyEndDoNothing) {
  EXPECT_EQ(EndMediaLibrary(), 0);
  EXPECT_EQ(gLibraryLock.eventsCreated, 0);
  SetRunWhileInactive(1);
  ASSERT_EQ(StartMediaLibrary(), 0);
  const std::string log = ReadLog();
  const platform::WindowHandle window = gLibrarySystem.mainWindow;
  EXPECT_EQ(StartMediaLibrary(), 0);
  EXPECT_EQ(ReadLog(), log);
  EXPECT_EQ(gLibrarySystem.mainWindow, window);
}

TEST_F(SystemTest, TheLibraryStartsAgainAfterAnEnd) {
  SetRunWhileInactive(1);
  ASSERT_EQ(StartMediaLibrary(), 0);
  EndMediaLibrary();
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_EQ(gLibrarySystem.quit, 0);
  EXPECT_EQ(RunMessageLoopRound(), 0);
}

TEST_F(SystemTest, TitleAndClassNameAreCutOnACharacterBoundary) {
  // 300 bytes of double-byte characters: the 256-byte field keeps 127 whole ones.
  std::string title;
  for (int i = 0; i < 150; ++i) title += Sjis("あ");
  SetMainWindowTitle(title.c_str());
  EXPECT_EQ(std::strlen(gLibrarySystem.windowTitle), 254u);
  // With two single bytes in front, byte 255 would be a lead byte: it is left out.
  std::string odd = "ab" + title;
  SetMainWindowTitle(odd.c_str());
  EXPECT_EQ(std::strlen(gLibrarySystem.windowTitle), 254u);
  SetRunWhileInactive(1);
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_STREQ(gLibrarySystem.windowClassName, gLibrarySystem.windowTitle);
  EXPECT_EQ(platform::GetWindowTitle(gLibrarySystem.mainWindow), std::string(gLibrarySystem.windowTitle));
}

TEST_F(SystemTest, ASecondRunningCopyIsDetectedAndDoesNotStart) {
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  SetMainWindowTitle("TwoCopies");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The first copy, in its own folder so the two logs stay apart.
    std::filesystem::create_directories(folder_ / "first");
    std::filesystem::current_path(folder_ / "first");
    SetRunWhileInactive(1);
    char byte = StartMediaLibrary() == 0 ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(done[0], &byte, 1);
    EndMediaLibrary();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  EXPECT_EQ(StartMediaLibrary(), -1);
  EXPECT_EQ(gLibrarySystem.started, 0);
  EXPECT_EQ(gLibrarySystem.starting, 0);
  EXPECT_EQ(HasWindowQuit(), 1);
  EXPECT_EQ(RunMessageLoopRound(), -1);
  EXPECT_EQ(LogLines().back(), Sjis("ソフトの二重起動検査... 二重起動されています、ソフトを終了します"));
  byte = 'x';
  (void)!write(done[1], &byte, 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  // Once the first copy has ended, a start succeeds.
  gLibrarySystem.quit = 0;
  SetRunWhileInactive(1);
  EXPECT_EQ(StartMediaLibrary(), 0);
}

TEST_F(SystemTest, ATwentyFourBitScreenIsRefused) {
  SetRequestedScreenColorDepth(24);
  EXPECT_EQ(StartMediaLibrary(), -1);
  SetRequestedScreenColorDepth(0);
  EXPECT_EQ(LogLines().back(), Sjis("メディアライブラリは２４ビットカラーモードに対応していません"));
  EXPECT_EQ(gLibrarySystem.starting, 1);
  EXPECT_EQ(gLibrarySystem.mainWindow, 0);
}

TEST_F(SystemTest, ClocksAndDesktopGetters) {
  SetRunWhileInactive(1);
  ASSERT_EQ(StartMediaLibrary(), 0);
  // The headless counter runs at 1 MHz on the virtual clock; the time-stamp
  // counter at 1,000,000 ticks per virtual millisecond.
  platform::SetVirtualClock(0x80000005u);
  EXPECT_EQ(MillisecondClock(), 5);
  EXPECT_EQ(MicrosecondClock(0), 0x80000005ull * 1000);
  EXPECT_EQ(MicrosecondClock(1), 0x80000005ull * 1000);
  // Without either counter: the millisecond clock, not masked to 31 bits.
  gLibrarySystem.performanceCounterUsed = 0;
  EXPECT_EQ(MicrosecondClock(0), 0x80000005ull * 1000);
  // The time-stamp counter is used only when asked for.
  gLibrarySystem.cpuTicksPerSecond = 2000000000ull;
  EXPECT_EQ(MicrosecondClock(1), 0x80000005ull * 500);
  EXPECT_EQ(MicrosecondClock(0), 0x80000005ull * 1000);
  int w = -1, h = -1, bits = -1;
  GetDesktopMode(nullptr, nullptr, &bits);
  EXPECT_EQ(bits, 32);
  GetDesktopMode(&w, &h, nullptr);
  EXPECT_EQ(w, 1920);
  EXPECT_EQ(h, 1080);
  platform::SetVirtualLocalTime({2024, 2, 29, 23, 59, 58, 0, 4});
  DateRecord date{};
  EXPECT_EQ(ReadLocalDateTime(&date), 0);
  EXPECT_EQ(date.year, 2024);
  EXPECT_EQ(date.day, 29);
  EXPECT_EQ(date.second, 58);
}

std::string FatalFolder(pid_t parent) {
  return (std::filesystem::temp_directory_path() / ("player-fatal-" + std::to_string(parent))).string();
}

void StartThenFail(bool duringEnd, const std::filesystem::path& fixtureFolder) {
  // The death test runs in a fresh copy of the program: its own fixture folder goes.
  std::filesystem::remove_all(fixtureFolder);
  std::filesystem::create_directories(FatalFolder(getppid()));
  std::filesystem::current_path(FatalFolder(getppid()));
  platform::SetInstanceLockFolder(FatalFolder(getppid()));
  SetRunWhileInactive(1);
  EnableLibraryLog(1);
  if (StartMediaLibrary() != 0) platform::ExitProcess(3);
  if (duringEnd) gLibrarySystem.ending = 1;
  FatalLibraryErrorFormat("fatal %d", 42);
}

TEST_F(SystemTest, AFatalErrorEndsTheLibraryAndExitsWithMinusOne) {
  std::filesystem::remove_all(FatalFolder(getpid()));
  EXPECT_EXIT(StartThenFail(false, folder_), testing::ExitedWithCode(255), "");
  std::ifstream in(std::filesystem::path(FatalFolder(getpid())) / "Log.txt", std::ios::binary);
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("fatal 42\r\n"), std::string::npos);
  EXPECT_NE(log.find(Sjis("ウインドウを閉じようとしています")), std::string::npos);
  std::filesystem::remove_all(FatalFolder(getpid()));
}

TEST_F(SystemTest, AFatalErrorDuringTheEndDoesNotRunTheEndAgain) {
  std::filesystem::remove_all(FatalFolder(getpid()));
  EXPECT_EXIT(StartThenFail(true, folder_), testing::ExitedWithCode(255), "");
  std::ifstream in(std::filesystem::path(FatalFolder(getpid())) / "Log.txt", std::ios::binary);
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("fatal 42\r\n"), std::string::npos);
  EXPECT_EQ(log.find(Sjis("ウインドウを閉じようとしています")), std::string::npos);
  std::filesystem::remove_all(FatalFolder(getpid()));
}

}  // namespace
