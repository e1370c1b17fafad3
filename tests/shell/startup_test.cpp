#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/Database.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveManager.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/files/Files.h"
#include "platform/gpu/Gpu.h"
#include "platform/input/Input.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"
#include "platform/window/Window.h"
#include "shell/Frame.h"
#include "shell/FrameControls.h"
#include "shell/GameIni.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/Startup.h"
#include "shell/StartupGlobals.h"
#include "support/Commands.h"
#include "support/SampleGame.h"
#include "support/ScratchFolder.h"
#include "support/StartedGame.h"

namespace {

// The sample game in a fresh folder; the start-up makes it the current folder,
// the scratch folder's guard restores the old one.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetHeadlessWindowing();
    // A lock of our own: test programs running beside this one are no second copy.
    platform::SetInstanceLockFolder(folder.Path().string());
    platform::ClearRecordedMessageBoxes();
    ClearRecordedNotices();
    WriteSampleGame(folder.Path());
    options.gameFolder = folder.Path().string();
    options.headless = true;
  }
  void TearDown() override {
    platform::ClearScriptedInput();
    platform::ResetHeadlessWindowing();
  }

  std::string Ini() const { return ScratchFolder::Read(folder.Path() / "Game.ini"); }

  ScratchFolder folder{true};
  GameOptions options;
};

// Start-up, restart point and shutdown leave their marks in this order: the
// start flag is written 1 right after the media start and 0 after the sound
// libraries; the first frame enters the start map and places the hero; the
// shutdown writes the frame-skip mode; the media log runs from its system
// report to its last line.
TEST_F(StartupTest, StartsPlaysAndShutsDownTheSampleInOrder) {
  options.commandLine = "Play_As_Test";
  options.frames = 5;
  folder.Write("Game.ini", "FrameSkip=1\r\n");
  const int drawnBefore = DrawnFrameCount();
  EXPECT_EQ(GameMain(options), 0);
  EXPECT_EQ(gTestPlay, 1);
  EXPECT_EQ(gGameSystem.infoMode, 1);
  EXPECT_EQ(gTileSize, 32);
  EXPECT_EQ(gScreenScale, 1);
  EXPECT_EQ(gFrameStep, 1);
  EXPECT_EQ(gGameInfo.strings[0], "Sample Game");
  EXPECT_EQ(gExeFolderPath, platform::RuntimeAbsolutePath(folder.Path().string()) + "\\");
  EXPECT_EQ(gDataFolderPath, gExeFolderPath + "\\Data\\");
  EXPECT_EQ(gCurrentMap.mapId, 0);
  EXPECT_EQ(gCurrentMap.mapData.header.name, "Field");
  EXPECT_EQ(gHero.x, 2 * kSampleHeroX);
  EXPECT_EQ(gHero.y, 2 * kSampleHeroY);
  EXPECT_EQ(gEventSystem.frameCounter, 5);
  // Mode 1 draws every second pass, the first pass never.
  EXPECT_EQ(DrawnFrameCount() - drawnBefore, 2);
  EXPECT_EQ(Ini().substr(0, 31), "Start=0\r\nSoftModeFlag=0\r\nWindow");
  EXPECT_NE(Ini().find("FrameSkip=1\r\n"), std::string::npos);
  const std::string log = platform::Cp932ToUtf8(ScratchFolder::Read(folder.Path() / "Log.txt"));
  const size_t first = log.find("システムの情報を出力します");
  const size_t last = log.find("ソフトを終了する準備が整いました");
  EXPECT_NE(first, std::string::npos);
  EXPECT_NE(last, std::string::npos);
  EXPECT_LT(first, last);
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_F(StartupTest, OnlyTheExactCommandLineStartsTestPlay) {
  const char* lines[] = {"Play_As_Test", " Play_As_Test", "Play_As_Test x", "\"Play_As_Test\"", "play_as_test"};
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    options.commandLine = line;
    options.frames = 1;
    EXPECT_EQ(GameMain(options), 0);
    EXPECT_EQ(gTestPlay, std::string(line) == "Play_As_Test" ? 1 : 0);
  }
}

// A start flag left at 1 by a run that never finished starts in software
// rendering and keeps the soft-mode flag from then on; without Game.ini the
// start reads -1 and hardware is asked for.
TEST_F(StartupTest, UnfinishedStartSwitchesToSoftwareRendering) {
  struct Case {
    const char* ini;  // nullptr: no file
    int softMode;
  };
  const Case cases[] = {{nullptr, 0}, {"Start=0\r\n", 0}, {"Start=1\r\n", 1}, {"SoftModeFlag=1\r\n", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini ? c.ini : "(none)");
    std::filesystem::remove(folder.Path() / "Game.ini");
    if (c.ini) folder.Write("Game.ini", c.ini);
    gSoftModeFlag = 0;
    options.frames = 1;
    EXPECT_EQ(GameMain(options), 0);
    EXPECT_EQ(gSoftModeFlag, c.softMode);
    GameIniValues values;
    ASSERT_EQ(ReadGameIni(values), 1);
    EXPECT_EQ(values.start, 0);
    EXPECT_EQ(values.softMode, c.softMode);
  }
}

TEST_F(StartupTest, MissingGameDatEndsBeforeTheMediaStart) {
  std::filesystem::remove(folder.Path() / "Game.dat");
  options.frames = 3;
  EXPECT_EQ(GameMain(options), 1);
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Game.ini"));
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Log.txt"));
  EXPECT_FALSE(platform::RecordedMessageBoxes().empty());
}

// A headless run has no window of its own: the window mode it read goes
// back into Game.ini unchanged.
TEST_F(StartupTest, AHeadlessRunWritesBackTheWindowModeItRead) {
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    folder.Write("Game.ini", "WindowModeFlag=" + std::to_string(mode) + "\r\n");
    options.frames = 2;
    EXPECT_EQ(GameMain(options), 0);
    GameIniValues values;
    ASSERT_EQ(ReadGameIni(values), 1);
    EXPECT_EQ(values.windowMode, mode);
  }
}

// Temporary files of saves and Game.ini that a killed run left behind go at
// the start and at a write of their slot, unless written in the last minute
// (another run of the folder may be writing them). Files a player named like
// them ("backup" has six letters, as the random part has) stay, old or new.
TEST_F(StartupTest, OldLeftoversOfKilledWritesGoAtTheStartAndAtASlotWrite) {
  namespace fs = std::filesystem;
  enum class Age { Old, New, Young };  // an hour back, as written, ahead of the clock
  struct Entry {
    const char* name;
    Age age;
    bool removed;
  };
  // The temporary files are named as FileReplaceAtomic names them.
  const Entry atStart[] = {{"Save/.SaveData03.sav.vorn-tmp-Ab12Cd", Age::Old, true},
                           {".Game.ini.vorn-tmp-Zz99Yy", Age::Old, true},
                           {"Save/.SaveData04.sav.vorn-tmp-Cd34Ef", Age::Young, false},
                           {"Save/SaveData03.sav", Age::Old, false},
                           {"Save/.notes.txt.vorn-tmp-Ab12Cd", Age::Old, false},
                           {"Data/.SaveData01.sav.vorn-tmp-Ab12Cd", Age::Old, false},
                           {".Game.ini.backup", Age::Old, false},
                           {"Save/.SaveData01.sav.backup", Age::Old, false},
                           {"Save/.MyNotes.sav.backup", Age::Old, false}};
  // Made after the start, before slot 2 is written.
  const Entry atSlotWrite[] = {{"Save/.SaveData02.sav.vorn-tmp-Old111", Age::Old, true},
                               {"Save/.SaveData02.sav.vorn-tmp-Young1", Age::Young, false},
                               {"Save/.SaveData02.sav.backup", Age::New, false}};
  const auto make = [&](const Entry& e) {
    const fs::path file = folder.Write(e.name, "x");
    // Young: a write time ahead of the clock, whatever the test's pace.
    const auto now = fs::file_time_type::clock::now();
    if (e.age != Age::New)
      fs::last_write_time(file, e.age == Age::Old ? now - std::chrono::hours(1) : now + std::chrono::hours(1));
  };
  for (const Entry& e : atStart) make(e);
  options.frames = 1;
  EXPECT_EQ(GameMain(options), 0);
  for (const Entry& e : atStart) EXPECT_EQ(fs::exists(folder.Path() / e.name), !e.removed) << e.name;

  for (const Entry& e : atSlotWrite) make(e);
  ASSERT_TRUE(gSaveManager.WriteSaveFile(2, true, "Save\\SaveData"));
  EXPECT_TRUE(fs::exists(folder.Path() / "Save" / "SaveData02.sav"));
  for (const Entry& e : atSlotWrite) EXPECT_EQ(fs::exists(folder.Path() / e.name), !e.removed) << e.name;
  for (const Entry& e : atStart) EXPECT_EQ(fs::exists(folder.Path() / e.name), !e.removed) << e.name;
}

TEST_F(StartupTest, OurOptionsAreTakenOffTheCommandLine) {
  GameOptions parsed;
  std::string error;
  ASSERT_TRUE(ParseGameArguments(
      {"--headless", "12", folder.Path().string(), "--screenshot", "3:a.png", "Play_As_Test"}, parsed, error))
      << error;
  EXPECT_TRUE(parsed.headless);
  EXPECT_EQ(parsed.frames, 12);
  EXPECT_EQ(parsed.gameFolder, folder.Path().string());
  EXPECT_EQ(parsed.commandLine, "Play_As_Test");
  ASSERT_EQ(parsed.screenshots.size(), 1u);
  EXPECT_EQ(parsed.screenshots[0].first, 3);
  const std::vector<std::vector<std::string>> bad = {{"--headless"},
                                                     {"--headless", "x"},
                                                     {"--headless", "1", "--screenshot", "0:a.png"},
                                                     {"--headless", "1", "--screenshot", "3"},
                                                     {"--screenshot", "3:a.png"},
                                                     {"--screenshot", "3:a.png", "--headless", "2"}};
  for (const auto& arguments : bad) {
    GameOptions rejected;
    EXPECT_FALSE(ParseGameArguments(arguments, rejected, error)) << arguments[0];
  }
}

TEST_F(StartupTest, OptionsFromATable) {
  using Renderer = GameOptions::Renderer;
  struct Case {
    std::vector<std::string> arguments;
    bool accepted;
    Renderer renderer;
    bool help;
    std::string commandLine;
  };
  const Case cases[] = {
      {{}, true, Renderer::Settings, false, ""},
      {{"--opengl", "Play_As_Test"}, true, Renderer::OpenGl, false, "Play_As_Test"},
      {{"Play_As_Test", "--software"}, true, Renderer::Software, false, "Play_As_Test"},
      {{"--software", "--software"}, true, Renderer::Software, false, ""},
      {{"--opengl", "--software"}, false, Renderer::Settings, false, ""},
      {{"--help"}, true, Renderer::Settings, true, ""},
      {{"-h"}, true, Renderer::Settings, true, ""},
      {{"--help", "--headless", "1", "x"}, true, Renderer::Settings, true, "x"},
      {{"--bogus"}, false, Renderer::Settings, false, ""},
      {{"--help", "--opengl=1"}, false, Renderer::Settings, false, ""},
      {{"--"}, true, Renderer::Settings, false, "--"},
      {{"-x", "--"}, true, Renderer::Settings, false, "-x --"},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const std::string& argument : c.arguments) trace += argument + " ";
    SCOPED_TRACE(trace);
    GameOptions parsed;
    std::string error;
    ASSERT_EQ(ParseGameArguments(c.arguments, parsed, error), c.accepted) << error;
    if (!c.accepted) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(parsed.renderer, c.renderer);
    EXPECT_EQ(parsed.help, c.help);
    EXPECT_EQ(parsed.commandLine, c.commandLine);
  }
  GameOptions parsed;
  std::string error;
  ASSERT_FALSE(ParseGameArguments({"--headless", "1", "--bogus"}, parsed, error));
  EXPECT_EQ(error, "unknown option --bogus");
  // The usage names every option.
  const std::string usage = GameUsage();
  for (const char* option : {"--headless N", "--replay FILE", "--screenshot FRAME:FILE", "--opengl", "--software",
                             "--help", "GAME_FOLDER", "Play_As_Test"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
}

// The first argument after the options is the game folder when it is one,
// or when it is plainly a path (the start then says the folder is missing);
// any other word is the game's own command line.
TEST_F(StartupTest, APathInTheGameFoldersPlaceIsTheGameFolder) {
  const std::string existing = folder.Path().string();
  struct Case {
    std::vector<std::string> arguments;
    std::string gameFolder, commandLine;
  };
  const Case cases[] = {
      {{"/no/such/game"}, "/no/such/game", ""},
      {{"typo/", "Play_As_Test"}, "typo/", "Play_As_Test"},
      {{"typo"}, "", "typo"},
      {{"Play_As_Test", "/no/such/game"}, "", "Play_As_Test /no/such/game"},
      {{"x", existing}, existing, "x"},
      {{existing, "/no/such/game"}, existing, "/no/such/game"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    GameOptions parsed;
    std::string error;
    ASSERT_TRUE(ParseGameArguments(c.arguments, parsed, error)) << error;
    EXPECT_EQ(parsed.gameFolder, c.gameFolder);
    EXPECT_EQ(parsed.commandLine, c.commandLine);
  }
}

// A screenshot that cannot be written when its frame comes, or whose frame
// the game never reaches, fails the run with a line that says so.
TEST_F(StartupTest, AScreenshotNotWrittenFailsTheRun) {
  namespace fs = std::filesystem;
  const fs::path shots = folder.Path() / "shots";
  struct Case {
    const char* name;
    bool removeFolder, closeWindow;
    std::string line;
  };
  const Case cases[] = {
      {"the folder went", true, false,
       "Game: the screenshot file " + (shots / "a.png").string() + " could not be written\n"},
      {"the game ended first", false, true, "Game: the game ended before the screenshot of frame 2\n"},
      {"written", false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directories(shots);
    options.frames = 3;
    options.screenshots = {{2, platform::Utf8ToCp932((shots / "a.png").string())}};
    GameSession session;
    ASSERT_EQ(StartGame(options, session), 1);
    if (c.removeFolder) fs::remove_all(shots);
    if (c.closeWindow) platform::InjectCloseRequest();
    testing::internal::CaptureStderr();
    const bool played = PlayGame(options, session);
    const std::string errors = testing::internal::GetCapturedStderr();
    ShutDownGame(session);
    EXPECT_EQ(played, c.line.empty());
    EXPECT_EQ(errors, c.line);
    EXPECT_EQ(fs::exists(shots / "a.png"), c.line.empty());
    fs::remove_all(shots);
  }
}

// --software draws this run in software and leaves Game.ini's own setting;
// --opengl keeps the hardware path even after an unfinished start.
TEST_F(StartupTest, RendererOptionsHoldForTheRunOnly) {
  struct Case {
    GameOptions::Renderer renderer;
    const char* ini;
    int softMode;
  };
  const Case cases[] = {{GameOptions::Renderer::Software, "Start=0\r\nSoftModeFlag=0\r\n", 0},
                        {GameOptions::Renderer::OpenGl, "Start=1\r\nSoftModeFlag=0\r\n", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    folder.Write("Game.ini", c.ini);
    options.renderer = c.renderer;
    GameSession session;
    ASSERT_EQ(StartGame(options, session), 1);
    EXPECT_EQ(gSoftModeFlag, c.softMode);
    EXPECT_EQ(platform::gpu::GetGpuBackend() == platform::gpu::BackendKind::OpenGL,
              c.renderer == GameOptions::Renderer::OpenGl);
    ShutDownGame(session);
    GameIniValues values;
    ASSERT_EQ(ReadGameIni(values), 1);
    EXPECT_EQ(values.softMode, c.softMode);
  }
  ForceHardwareRendering(0);
}

// The built Game prints its usage on --help and ends with 0; an unknown
// option gives an error and the usage on stderr and a non-zero exit. These,
// and the lines of a failed start, name the command as it was started: the
// installed player's own name, and Game when it was started with none.
TEST(GameCommandLineTest, HelpAndUnknownOptionsEndTheBuiltGame) {
  if (!std::filesystem::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder scratch;
  const std::string game = GameExecutable().string();
  const auto installed = scratch.Path() / "vorn-player", empty = scratch.Path() / "empty";
  std::filesystem::create_symlink(GameExecutable(), installed);
  std::filesystem::create_directories(empty);
  const std::string unnamed = "bash -c 'exec -a \"\" \"$0\" \"$@\"' " + game;
  struct Case {
    std::string program, arguments;
    int exitCode;
    std::string out, err;
  };
  const Case cases[] = {
      {game, "--help", 0, GameUsage(), ""},
      {game, "-h", 0, GameUsage(), ""},
      {game, "--bogus", 2, "", "Game: unknown option --bogus\n" + GameUsage()},
      {game, "--headless", 2, "", "Game: --headless needs a frame count\n" + GameUsage()},
      {installed.string(), "--help", 0, GameUsage("vorn-player"), ""},
      {installed.string(), "--bogus", 2, "", "vorn-player: unknown option --bogus\n" + GameUsage("vorn-player")},
      {installed.string(), "--headless 1 " + empty.string(), 1, "",
       "[読み込みエラー] 基本情報データ Game.dat がありません\n"
       "vorn-player: no Game.dat in " +
           empty.string() + "\n"},
      {unnamed, "--bogus", 2, "", "Game: unknown option --bogus\n" + GameUsage()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program + " " + c.arguments);
    const auto out = scratch.Path() / "out", err = scratch.Path() / "err";
    const std::string command = c.program + " " + c.arguments + " >" + out.string() + " 2>" + err.string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
    EXPECT_EQ(ScratchFolder::Read(out), c.out);
    EXPECT_EQ(ScratchFolder::Read(err), c.err);
  }
}

// F12 goes back to the title: the restart point renews every game object
// and releases the old record's screen buffers, so a second return leaves as
// many graphs as the first.
TEST_F(StartupTest, F12ReturnsToTheTitleWithEveryObjectRenewed) {
  GameSession session;
  ASSERT_EQ(StartGame(options, session), 1);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(RunHeadlessPass(session));
  auto pressF12 = [&] {
    platform::SetScriptedKey(88, true);  // F12
    ASSERT_TRUE(RunHeadlessPass(session));
    EXPECT_EQ(gGameSystem.runState, 0);
    platform::SetScriptedKey(88, false);
    ASSERT_TRUE(RunHeadlessPass(session));
    EXPECT_EQ(gGameSystem.runState, 1);
  };
  pressF12();
  const int graphs = GetGraphCount();
  gEventSystem.keyRepeatDelay = 3;
  gHero.x = 30;
  gCurrentMap.scrollX = 123;
  gPictureList.count = 4;
  gGameSystem.transferX = 99;
  const int oldCapture = gGameSystem.screenBuffers[0];

  pressF12();
  EXPECT_EQ(gEventSystem.keyRepeatDelay, 16);
  EXPECT_EQ(gEventSystem.frameCounter, 1);
  EXPECT_EQ(gHero.x, 2 * kSampleHeroX);
  EXPECT_EQ(gCurrentMap.mapId, 0);
  EXPECT_EQ(gPictureList.count, 0);
  EXPECT_EQ(gGameSystem.transferX, 2 * kSampleHeroX);
  EXPECT_NE(gGameSystem.screenBuffers[0], oldCapture);
  EXPECT_EQ(GetGraphCount(), graphs);
  ShutDownGame(session);
}

// Closing the window ends the main loop and the run ends normally.
TEST_F(StartupTest, ClosingTheWindowEndsTheRunNormally) {
  options.headless = false;
  GameSession session;
  ASSERT_EQ(StartGame(options, session), 1);
  platform::InjectCloseRequest();
  PlayGame(options, session);
  EXPECT_EQ(gGameSystem.runState, -1);
  ShutDownGame(session);
  GameIniValues values;
  ASSERT_EQ(ReadGameIni(values), 1);
  EXPECT_EQ(values.start, 0);
}

TEST_F(StartupTest, FrameSkipModesDrawEveryFirstSecondOrFourthPass) {
  const int expected[3] = {12, 6, 3};
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    folder.Write("Game.ini", "FrameSkip=" + std::to_string(mode));
    options.frames = 13;
    const int before = DrawnFrameCount();
    EXPECT_EQ(GameMain(options), 0);
    EXPECT_EQ(DrawnFrameCount() - before, expected[mode]);
    EXPECT_EQ(gEventSystem.frameSkipMode, mode);
  }
}

}  // namespace

namespace {

// A started sample game whose first frame has run.
class RunningGameTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(game.Started()); }
  StartedGame game;
  GameSession& session = game.Session();
};

// After a load, music played by file name goes back into the next spare row
// (the spare slot taken modulo 10); a kind without spare rows registers
// nothing again and stays silent.
TEST_F(RunningGameTest, PostLoadResetRegistersFileMusicInTheNextSpareRow) {
  const int base = gGameSystem.soundListSizes[0];
  ASSERT_EQ(base, 1);
  struct Case {
    int slot;
    int row;
  };
  for (const Case& c : {Case{0, 1}, Case{13, 4}, Case{-1, 10}}) {
    SCOPED_TRACE(c.slot);
    gGameSystem.soundListSizes[3] = c.slot;
    gEventSystem.currentBgm = -3;
    gEventSystem.bgmFileText = "Music\\Theme.ogg";
    gEventSystem.bgmFileValues = {80, 100, 0};
    gGameSystem.restoreReset = 1;
    ClearRecordedNotices();
    ASSERT_TRUE(RunHeadlessPass(session));
    EXPECT_EQ(gGameSystem.restoreReset, 0);
    EXPECT_EQ(gSystemDatabase.ReadDatabaseString(1, c.row, 0), "Music\\Theme.ogg");
    EXPECT_EQ(gSystemDatabase.ReadDatabaseInt(1, c.row, 1), 80);
    EXPECT_EQ(gGameSystem.soundListSizes[3], (c.row - base + 1) % 10);
  }
  // BGS: the sample's type 2 has its spare rows; remove them.
  gSystemDatabase.ResizeDatabaseType(2, 1);
  gEventSystem.currentBgs = -3;
  gEventSystem.bgsFileText = "Music\\Rain.ogg";
  gGameSystem.restoreReset = 1;
  ASSERT_TRUE(RunHeadlessPass(session));
  EXPECT_NE(gEventSystem.currentBgs, -3);
  EXPECT_EQ(gGameSystem.soundListSizes[4], 0);
}

// On screen the notice waits: a newly pressed confirm key ends it at the
// first poll, a confirm key held from before after eleven polls, and a closed
// window at once with the run state -1.
TEST_F(RunningGameTest, NoticeOnScreenWaitsForTheConfirmKey) {
  SetNoticeOutput(NoticeOutput::Screen);
  ClearRecordedNotices();
  platform::SetScriptedKey(44, true);  // Z, confirm
  uint64_t before = platform::VirtualClock();
  ShowNoticeBox("one", "two", "three");
  const uint64_t pressed = platform::VirtualClock() - before;
  EXPECT_EQ(gGameSystem.runState, 1);

  before = platform::VirtualClock();
  ShowNoticeBox("held", "", "");
  // Ten 16 ms waits between the eleven polls (the virtual clock: presenting
  // takes a few milliseconds of it too).
  const uint64_t held = platform::VirtualClock() - before;
  EXPECT_GT(held, pressed + 9u * 16u);
  EXPECT_LT(held, pressed + 11u * 16u);
  platform::SetScriptedKey(44, false);

  platform::InjectCloseRequest();
  ShowNumberNotice(1, -2, 3);
  EXPECT_EQ(gGameSystem.runState, -1);
  EXPECT_TRUE(RecordedNotices().empty());
}

}  // namespace
