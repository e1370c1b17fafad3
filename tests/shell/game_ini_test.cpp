#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "gamedata/GameText.h"
#include "shell/GameIni.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"
#include "support/ScratchFolder.h"
#include "support/Unprivileged.h"

namespace {

class GameIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gProxy.clear();
    gProxyPort.clear();
    gScreenShotFlag = 1;
    gWindowModeFlag = 1;
    gSoundSetting = 3;
  }
  void TearDown() override {
    gProxy.clear();
    gProxyPort.clear();
    gScreenShotFlag = 1;
    gSoundSetting = 3;
  }
  ScratchFolder folder{true};
};

struct ReadCase {
  const char* name;
  std::string text;
  GameIniValues expected;
  int screenShotFlag;
  std::string proxy;
  std::string proxyPort;
};

TEST_F(GameIniTest, ReadsToleratedForms) {
  const ReadCase cases[] = {
      {"blanks around = and a comment", "SEandBGM = 2  # comment\r\n", {0, 0, 1, 2, 0}, 1, "", ""},
      {"two digits give the first", "FrameSkip=12\r\n", {0, 0, 1, 3, 1}, 1, "", ""},
      {"a sign gives 0", "FrameSkip=-1\r\n", {0, 0, 1, 3, 0}, 1, "", ""},
      {"start on a later line, signed", "SoftModeFlag=1\r\nStart=-25x\r\n", {-25, 1, 1, 3, 0}, 1, "", ""},
      {"missing screenshot key enables it", "Start=1", {1, 0, 1, 3, 0}, 1, "", ""},
      {"screenshot off", "ScreenShotFlag=0", {0, 0, 1, 3, 0}, 0, "", ""},
      {"empty file", "", {0, 0, 1, 3, 0}, 1, "", ""},
      {"a zero byte ends the text", std::string("WindowModeFlag=0\0Start=1", 24), {0, 0, 0, 3, 0}, 1, "", ""},
      {"key anywhere on a line", "x=1 WindowModeFlag=0", {0, 0, 0, 3, 0}, 1, "", ""},
      {"value missing at the end", "SoftModeFlag=", {0, 0, 1, 3, 0}, 1, "", ""},
      // Only a CR before the line end is dropped; the last line keeps its bytes.
      {"proxy on the last line", "Proxy=abcd", {0, 0, 1, 3, 0}, 1, "abcd", ""},
      {"proxy lines with CR LF", "Proxy=host:1\r\nProxyPort=80\r\n", {0, 0, 1, 3, 0}, 1, "host:1", "80"},
      {"empty proxy with CR LF", "Proxy=\r\nProxyPort=\r\n", {0, 0, 1, 3, 0}, 1, "", ""},
      {"empty proxy without CR", "Proxy=\nProxyPort=", {0, 0, 1, 3, 0}, 1, "", ""},
      {"blanks leave the proxy", "Proxy= a b \r\n", {0, 0, 1, 3, 0}, 1, "ab", ""},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    gProxy = "old";
    gProxyPort = "old";
    gScreenShotFlag = 7;
    folder.Write("Game.ini", c.text);
    GameIniValues values;
    values.start = 99;
    EXPECT_EQ(ReadGameIni(values), 1);
    EXPECT_EQ(values.start, c.expected.start);
    EXPECT_EQ(values.softMode, c.expected.softMode);
    EXPECT_EQ(values.windowMode, c.expected.windowMode);
    EXPECT_EQ(values.sound, c.expected.sound);
    EXPECT_EQ(values.frameSkip, c.expected.frameSkip);
    EXPECT_EQ(gScreenShotFlag, c.screenShotFlag);
    EXPECT_EQ(gProxy, c.proxy);
    EXPECT_EQ(gProxyPort, c.proxyPort);
  }
}

TEST_F(GameIniTest, MissingFileGivesDefaultsAndKeepsTheGlobals) {
  gScreenShotFlag = 0;
  gProxy = "kept";
  GameIniValues values;
  values.softMode = 5;
  EXPECT_EQ(ReadGameIni(values), -1);
  EXPECT_EQ(values.start, -1);
  EXPECT_EQ(values.softMode, 0);
  EXPECT_EQ(values.windowMode, 1);
  EXPECT_EQ(values.sound, 3);
  EXPECT_EQ(values.frameSkip, 0);
  EXPECT_EQ(gScreenShotFlag, 0);
  EXPECT_EQ(gProxy, "kept");
}

// Only a regular file of a size a Game.ini could have is read: a link to a
// device (endless bytes), a FIFO (no writer: a read would wait for ever), a
// folder and a file past the bound are taken as no file at all.
TEST_F(GameIniTest, OnlyASmallRegularFileIsRead) {
  namespace fs = std::filesystem;
  const fs::path ini = folder.Path() / "Game.ini";
  const std::string settings = "SoftModeFlag=1\r\n";
  constexpr size_t kBound = 64 * 1024;
  struct Case {
    const char* name;
    std::function<void()> make;
    int result;
  };
  const Case cases[] = {
      {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", ini); }, -1},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(ini.c_str(), 0644), 0); }, -1},
      {"a folder", [&] { fs::create_directory(ini); }, -1},
      {"one byte past the bound",
       [&] { folder.Write("Game.ini", settings + std::string(kBound - settings.size() + 1, ' ')); }, -1},
      {"at the bound", [&] { folder.Write("Game.ini", settings + std::string(kBound - settings.size(), ' ')); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(ini);
    c.make();
    GameIniValues values;
    EXPECT_EQ(ReadGameIni(values), c.result);
    EXPECT_EQ(values.start, c.result == 1 ? 0 : -1);
    EXPECT_EQ(values.softMode, c.result == 1 ? 1 : 0);
    EXPECT_EQ(values.windowMode, 1);
  }
}

TEST_F(GameIniTest, WrittenFileHasTheTemplateWithCrLfAndReadsBack) {
  gWindowModeFlag = 0;
  gSoundSetting = 2;
  gProxy = "proxy.example";
  gProxyPort = "8080";
  gScreenShotFlag = 0;
  ASSERT_TRUE(WriteGameIni(0, 1, 2));
  const std::string expected = "Start=0\r\nSoftModeFlag=1\r\nWindowModeFlag=0\r\nSEandBGM=2" +
                               Cp932Text("  # 0:SE･BGMなし 1:SEのみ 2:BGMのみ 3:SE+BGMあり") +
                               "\r\nFrameSkip=2\r\nProxy=proxy.example\r\nProxyPort=8080\r\nScreenShotFlag=0";
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "Game.ini"), expected);

  gProxy.clear();
  gProxyPort.clear();
  gScreenShotFlag = 1;
  GameIniValues values;
  ASSERT_EQ(ReadGameIni(values), 1);
  EXPECT_EQ(values.start, 0);
  EXPECT_EQ(values.softMode, 1);
  EXPECT_EQ(values.windowMode, 0);
  EXPECT_EQ(values.sound, 2);
  EXPECT_EQ(values.frameSkip, 2);
  EXPECT_EQ(gProxy, "proxy.example");
  EXPECT_EQ(gProxyPort, "8080");
  EXPECT_EQ(gScreenShotFlag, 0);
}

TEST_F(GameIniTest, LongProxyTextsAreWrittenWhole) {
  gProxy = std::string(6000, 'p');
  gProxyPort = std::string(40, '9');
  ASSERT_TRUE(WriteGameIni(1, 0, 0));
  gProxy.clear();
  gProxyPort.clear();
  GameIniValues values;
  ASSERT_EQ(ReadGameIni(values), 1);
  EXPECT_EQ(values.start, 1);
  EXPECT_EQ(gProxy, std::string(6000, 'p'));
  EXPECT_EQ(gProxyPort, std::string(40, '9'));
}

TEST_F(GameIniTest, UnwritableFileReportsFalse) {
  std::filesystem::create_directory(folder.Path() / "Game.ini");
  EXPECT_FALSE(WriteGameIni(0, 0, 0));
}

// A write cut off part way (a full disk; a kill alike) leaves the settings
// written before, not an empty or half file.
TEST_F(GameIniTest, AWriteCutShortKeepsTheOldFile) {
  ASSERT_TRUE(WriteGameIni(0, 1, 2));
  const std::string old = ScratchFolder::Read(folder.Path() / "Game.ini");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{20, 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(WriteGameIni(1, 0, 0) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "Game.ini"), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

// A folder that takes no new file still has its writable Game.ini written
// (in place); a Game.ini that may not be written keeps what it says, even
// where the folder would let it be replaced.
TEST_F(GameIniTest, ReadOnlyFoldersAndFiles) {
  namespace fs = std::filesystem;
  struct Case {
    fs::perms folder, file;
    bool written;
  };
  const Case cases[] = {{fs::perms(0555), fs::perms(0666), true},
                        {fs::perms(0555), fs::perms(0444), false},
                        {fs::perms(0777), fs::perms(0444), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.folder));
    fs::permissions(folder.Path(), fs::perms(0755));
    folder.Write("Game.ini", "Start=7\r\n");
    fs::permissions(folder.Path() / "Game.ini", c.file);
    fs::permissions(folder.Path(), c.folder);
    EXPECT_EQ(RunWithoutPrivileges([] { return WriteGameIni(0, 1, 0) ? 1 : 0; }), c.written ? 1 : 0);
    fs::permissions(folder.Path(), fs::perms(0755));
    fs::permissions(folder.Path() / "Game.ini", fs::perms(0644));
    GameIniValues values;
    ASSERT_EQ(ReadGameIni(values), 1);
    EXPECT_EQ(values.start, c.written ? 0 : 7);
    EXPECT_EQ(values.softMode, c.written ? 1 : 0);
  }
}

}  // namespace
