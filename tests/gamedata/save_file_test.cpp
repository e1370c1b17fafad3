#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "gamedata/GameText.h"
#include "gamedata/SaveWorld.h"
#include "presentation/GraphicCache.h"
#include "presentation/TextResources.h"
#include "shell/GameIni.h"
#include "support/SaveFileWriter.h"

namespace {

class SaveFileTest : public SaveWorldTest {};
INSTANTIATE_TEST_SUITE_P(Plain, SaveFileTest, testing::Values(false));

TEST_P(SaveFileTest, WrittenPeekedAndRewrittenGivesTheSameBodyAndALoadRestoresTheLiveState) {
  FillLiveState();
  const std::vector<uint8_t> expected = LiveBlocks();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(3, true, "Save\\SaveData"));
  EXPECT_EQ(gEventSystem.lastSlotNumber, 3);
  const std::vector<uint8_t> body = PlainBody(SlotFile(3));
  ASSERT_FALSE(body.empty());
  EXPECT_EQ(body.front(), 0x19);
  EXPECT_EQ(body.back(), 0x19);
  // Start marker, title "Title" with its zero, format 111, the blocks.
  const std::vector<uint8_t> title{0x19, 6, 0, 'T', 'i', 't', 'l', 'e', 0, 111, 0};
  EXPECT_TRUE(std::equal(title.begin(), title.end(), body.begin()));
  EXPECT_EQ(std::vector<uint8_t>(body.begin() + 11, body.end() - 1), expected);

  gSaveManager.ClearSaveManager();
  ASSERT_TRUE(gSaveManager.ReadSaveFile(3, false, false, "Save\\SaveData"));
  ASSERT_TRUE(gSaveManager.WriteSaveFile(3, false, "Save\\SaveData"));
  EXPECT_EQ(PlainBody(SlotFile(3)), body);

  // Another state, then the load brings the saved one back.
  gCurrentMap.ChangeMap(1);
  gHero = Hero();
  gEventSystem = EventSystem();
  gPictureList.ClearPictureList(false);
  gVariableDatabase = Database();
  gVariableStore.variableSets[0][5] = 0;
  // Cached graphics and fonts of the abandoned state.
  gGraphicCache.nameIndex["Old.png"] = 0;
  gGraphicCache.cellHandles.emplace_back();
  gTextResources.fontHandles[9].assign(TextResources::kSizeEntries, 77);
  ASSERT_TRUE(gSaveManager.ReadSaveFile(3, true, false, "Save\\SaveData"));
  EXPECT_EQ(LiveBlocks(), expected);
  EXPECT_TRUE(gGraphicCache.nameIndex.empty());
  EXPECT_TRUE(gGraphicCache.cellHandles.empty());
  // The text picture's measure may create fonts again, never in this list.
  EXPECT_EQ(gTextResources.fontHandles[9][200], 0);
  EXPECT_EQ(gCurrentMap.mapId, 0);
  EXPECT_EQ(gCurrentMap.mapData.layers[1][3][4], 42);
  EXPECT_EQ(gCurrentMap.mapData.layers[0][2][1], 3);
  EXPECT_EQ(gCurrentMap.eventCharacters[0].routePosition, 2);
  EXPECT_EQ(gCurrentMap.pageRefresh, 1);
  EXPECT_EQ(gHero.trail, (std::vector<int32_t>{2, 4, 6, 8}));
  EXPECT_EQ(gHero.ContactRangeBytes[0], 128);
  ASSERT_EQ(gPictureList.pictures.size(), 2u);
  EXPECT_EQ(gPictureList.pictures.at(100001).textBlock.pendingText, "Hello \x82\xA0");
  EXPECT_EQ(gPictureList.pictures.at(100001).isHidden, 0);
  EXPECT_EQ(gPictureList.pictures.begin()->first, 3);
  EXPECT_EQ(gEventSystem.messageSuffix, ">");
  EXPECT_EQ(gEventSystem.keyCodes, (std::array<int32_t, 6>{1, 2, 3, 0x10, 0x20, 0x40}));
  EXPECT_EQ(gEventSystem.lastSlotNumber, 3);
  EXPECT_EQ(gVariableStore.context, &gEventSystem);
  EXPECT_EQ(gGameSystem.restoreReset, 1);
  // A load empties the manager: every slot is read from its file again.
  EXPECT_TRUE(gSaveManager.snapshots.empty());
}

TEST_P(SaveFileTest, OlderFormatsReadWithTheirOwnLayouts) {
  struct Case {
    int version;
  };
  for (int version : {104, 99, 96}) {
    SCOPED_TRACE(version);
    SaveFileSpec spec;
    spec.version = version;
    spec.map.mapId = 0;
    spec.map.tileFlags = {0x1FF, 3};
    spec.map.events.resize(1);
    spec.map.events[0].id = 7;
    spec.map.events[0].x = 30;
    spec.eventSystem.scrollLock = 77;
    spec.eventSystem.frameCounter = 5;
    spec.eventSystem.transitionNumber = 2;
    spec.variables = std::vector<int32_t>(100, 0);
    spec.variables[4] = 44;
    spec.strings = {"older text"};
    spec.party.resize(5);
    PictureRecord picture;
    picture.number = 9;
    picture.source = "Old.png";
    spec.pictures = {picture};
    WriteFileBytes(SlotFile(6), WriteSaveFileImage(spec));
    gSaveManager = SaveManager();
    ASSERT_TRUE(gSaveManager.ReadSaveFile(6, true, false, "Save\\SaveData"));
    // The tiles come from the map file (no tiles before format 105).
    EXPECT_EQ(gCurrentMap.GetMapWidth(), 21);
    EXPECT_EQ(gCurrentMap.mapData.layers[0][2][1], 3);
    EXPECT_EQ(gCurrentMap.tileFlags[0], version >= 100 ? 0x1FF : 0xFF);
    EXPECT_EQ(gCurrentMap.eventCharacters[0].x, 30);
    EXPECT_EQ(gEventSystem.scrollLock, 77);
    EXPECT_EQ(gEventSystem.frameCounter, version >= 104 ? 5 : 0);
    EXPECT_EQ(gEventSystem.transitionNumber, version >= 100 ? 2 : -1);
    EXPECT_EQ(gEventSystem.bgmMasterVolume, 100);
    EXPECT_EQ(gVariableStore.variableSets[0][4], 44);
    EXPECT_EQ(gVariableStore.stringVariables, std::vector<std::string>{"older text"});
    ASSERT_EQ(gPictureList.pictures.size(), 1u);
    EXPECT_EQ(gPictureList.pictures.at(9).fileName, "Old.png");
    EXPECT_EQ(gPictureList.pictures.at(9).toneTarget, 0x646464);
    EXPECT_EQ(gPictureList.pictures.at(9).effectZoomTarget, 100);
    EXPECT_EQ(gPictureList.pictures.at(9).isMapBound, 0);
  }
}

TEST_P(SaveFileTest, SlotFileNames) {
  const std::vector<std::pair<int, std::string>> cases{{0, "Save\\SaveData"},
                                                       {7, "Save\\SaveData07.sav"},
                                                       {100, "Save\\SaveData100.sav"},
                                                       {-1, "Save\\SaveData-01.sav"}};
  for (const auto& [slot, name] : cases) EXPECT_EQ(SaveManager::SaveFilePath(slot, "Save\\SaveData"), name);
  gExeFolderPath = "C:\\game\\";
  EXPECT_EQ(SaveManager::SaveFilePath(3, "Save\\SaveData"), "C:\\game\\Save\\SaveData03.sav");
  gExeFolderPath = "C:\\game";
  EXPECT_EQ(SaveManager::SaveFilePath(0, "x"), "C:\\game\\x");
  gExeFolderPath.clear();
  FillLiveState();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(0, true, "Save\\SaveData"));
  EXPECT_TRUE(std::filesystem::exists("Save/SaveData"));
}

TEST_P(SaveFileTest, TrailingBytesTitlesAndShortFiles) {
  struct Case {
    const char* what;
    size_t trailing;
    std::string title;
    bool loads;
    const char* notice;  // first line, UTF-8; null for none
  };
  const std::vector<Case> cases{
      {"199 bytes after the end marker", 199, "Title", true, nullptr},
      {"200 bytes after the end marker", 200, "Title", false, "セーブデータ04が破損しています 0秒"},
      {"bytes after the title's zero", 0, std::string("Title\0junk", 10), true, nullptr},
      {"another game", 0, "Other", false, "セーブエラー"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearRecordedNotices();
    gSaveManager = SaveManager();
    SaveFileSpec spec;
    spec.title = c.title;
    spec.trailingBytes = c.trailing;
    spec.variables.assign(100, 0);
    WriteFileBytes(SlotFile(4), WriteSaveFileImage(spec));
    EXPECT_EQ(gSaveManager.ReadSaveFile(4, false, false, "Save\\SaveData"), c.loads);
    const auto notices = RecordedNotices();
    if (c.notice) {
      ASSERT_EQ(notices.size(), 1u);
      EXPECT_EQ(notices[0][0], Cp932Text(c.notice));
    } else {
      EXPECT_TRUE(notices.empty());
    }
  }
  // Too short for a header and a marker: refused without a notice.
  ClearRecordedNotices();
  for (size_t size : {0, 19, 20}) {
    WriteFileBytes(SlotFile(5), std::vector<uint8_t>(size, 0));
    gSaveManager = SaveManager();
    EXPECT_FALSE(gSaveManager.ReadSaveFile(5, false, false, "Save\\SaveData"));
  }
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_P(SaveFileTest, PlainBodiesAreNotCheckedAndDamagedNoticesTakeTheirSecondsFromTheFolderFile) {
  SaveFileSpec spec;
  spec.variables.assign(100, 0);
  spec.scramble.zeroSeeds = true;
  spec.scramble.wrongCheck = true;
  WriteFileBytes(SlotFile(2), WriteSaveFileImage(spec));
  EXPECT_TRUE(gSaveManager.ReadSaveFile(2, false, false, "Save\\SaveData"));

  // "02.sav" in the game folder gives the seconds of the notice.
  SaveFileSpec seconds;
  seconds.variables.assign(100, 0);
  seconds.eventSystem.playTimeSeconds = 0;
  WriteFileBytes("02.sav", WriteSaveFileImage(seconds));
  std::vector<uint8_t> damaged = WriteSaveFileImage(spec);
  damaged[20] ^= 0xFF;  // the start marker
  WriteFileBytes(SlotFile(2), damaged);
  gSaveManager = SaveManager();
  ClearRecordedNotices();
  EXPECT_FALSE(gSaveManager.ReadSaveFile(2, false, false, "Save\\SaveData"));
  ASSERT_EQ(RecordedNotices().size(), 1u);
  // A damaged seconds file: still one notice, with 0.
  WriteFileBytes("02.sav", damaged);
  gSaveManager = SaveManager();
  ClearRecordedNotices();
  EXPECT_FALSE(gSaveManager.ReadSaveFile(2, false, false, "Save\\SaveData"));
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][0], Cp932Text("セーブデータ02が破損しています 0秒"));
}

TEST_P(SaveFileTest, DamagedAndForeignSavesLeaveTheLiveGameAsItWas) {
  FillLiveState();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(1, true, "Save\\SaveData"));
  const std::vector<uint8_t> good = FileBytes(SlotFile(1));
  gVariableStore.variableSets[0][5] = 99;
  const std::vector<uint8_t> live = LiveBlocks();

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> cut(good.begin(), good.end() - 40);
  cases.push_back({"cut short", cut});
  SaveFileSpec foreign;
  foreign.title = "Other";
  foreign.variables.assign(100, 0);
  cases.push_back({"another game", WriteSaveFileImage(foreign)});
  SaveFileSpec noDatabase;
  noDatabase.variables.assign(100, 0);
  noDatabase.variableDatabase.clear();
  cases.push_back({"no Variable database", WriteSaveFileImage(noDatabase)});
  SaveFileSpec negativePictures;
  negativePictures.variables.assign(100, 0);
  std::vector<uint8_t> body = SaveFileBody(negativePictures);
  cases.push_back(
      {"damaged end", WriteScrambledFile(DataFileKind::Save, std::vector<uint8_t>(body.begin(), body.end() - 1))});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(SlotFile(1), c.bytes);
    gSaveManager = SaveManager();
    EXPECT_FALSE(gSaveManager.ReadSaveFile(1, true, false, "Save\\SaveData"));
    EXPECT_EQ(LiveBlocks(), live);
    EXPECT_EQ(gCurrentMap.mapId, 0);
    EXPECT_EQ(gGameSystem.restoreReset, 0);
  }
}

TEST_P(SaveFileTest, ACheckByteMismatchEndsTheProgram) {
  SaveFileSpec spec;
  spec.variables.assign(100, 0);
  spec.scramble.wrongCheck = true;
  WriteFileBytes(SlotFile(8), WriteSaveFileImage(spec));
  EXPECT_EXIT(gSaveManager.ReadSaveFile(8, true, false, "Save\\SaveData"), testing::ExitedWithCode(1), "");
}

// Runs the save in a child whose file size limit lets only `limit` bytes be
// written; the child's exit code is the save's result.
bool SaveUnderSizeLimit(rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    gVariableStore.variableSets[0][5] = 1234;
    _exit(gSaveManager.WriteSaveFile(1, true, "Save\\SaveData") ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_P(SaveFileTest, AWriteThatFailsPartWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
  FillLiveState();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(1, true, "Save\\SaveData"));
  const std::vector<uint8_t> old = FileBytes(SlotFile(1));
  EXPECT_FALSE(SaveUnderSizeLimit(old.size() / 2));
  EXPECT_EQ(FileBytes(SlotFile(1)), old);
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator("Save")) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
  EXPECT_TRUE(SaveUnderSizeLimit(old.size() * 4));
  EXPECT_NE(FileBytes(SlotFile(1)), old);
}

// A write killed before its rename leaves a temporary file beside the slot;
// the slot's next write removes it once it is a minute old. A young one may
// be another run writing the slot at this moment, another slot's stays for
// that slot, and a player's own copy is no temporary file.
TEST_P(SaveFileTest, WritingASlotRemovesWhatKilledWritesOfItLeft) {
  namespace fs = std::filesystem;
  struct Entry {
    const char* name;
    int ageSeconds;  // negative: written later than now; 0: as written
    bool removed;
  };
  const Entry entries[] = {{".SaveData01.sav.vorn-tmp-Ab12Cd", 120, true},
                           {".SaveData01.sav.vorn-tmp-Young1", -3600, false},
                           {".SaveData02.sav.vorn-tmp-Ab12Cd", 120, false},
                           {".SaveData01.sav.backup", 0, false}};
  fs::create_directories("Save");
  for (const Entry& e : entries) {
    const fs::path file = fs::path("Save") / e.name;
    WriteFileBytes(file, {1, 2, 3});
    if (e.ageSeconds != 0)
      fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(e.ageSeconds));
  }
  FillLiveState();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(1, true, "Save\\SaveData"));
  for (const Entry& e : entries) EXPECT_EQ(fs::exists(fs::path("Save") / e.name), !e.removed) << e.name;
  EXPECT_TRUE(fs::exists(SlotFile(1)));
}

// A save or Game.ini that is a symbolic link to a file elsewhere: the write
// goes to that file, which keeps its private mode, and the link stays.
TEST_P(SaveFileTest, ALinkedSaveOrGameIniIsWrittenThroughTheLinkAndKeepsItsMode) {
  namespace fs = std::filesystem;
  struct Case {
    const char* link;
    bool (*write)();
  };
  const Case cases[] = {
      {"Save/SaveData01.sav",
       [] {
         FillLiveState();
         return gSaveManager.WriteSaveFile(1, true, "Save\\SaveData");
       }},
      {"Game.ini", [] { return WriteGameIni(0, 1, 2); }},
  };
  ScratchFolder elsewhere;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    const fs::path target = elsewhere.Write(fs::path(c.link).filename(), "old");
    fs::permissions(target, fs::perms(0600));
    fs::create_directories(fs::path(c.link).parent_path().empty() ? "." : fs::path(c.link).parent_path());
    fs::create_symlink(target, c.link);
    ASSERT_TRUE(c.write());
    EXPECT_TRUE(fs::is_symlink(c.link));
    EXPECT_EQ(fs::read_symlink(c.link), target);
    const std::string written = ScratchFolder::Read(target);
    EXPECT_NE(written, "old");
    EXPECT_GT(written.size(), 3u);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0600));
  }
}

TEST_P(SaveFileTest, SlotOperations) {
  FillLiveState();
  ASSERT_TRUE(gSaveManager.WriteSaveFile(2, true, "Save\\SaveData"));
  // Cached: the slot answers from memory, even with its file gone.
  std::filesystem::remove(SlotFile(2));
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(2, 2000005, "Save\\SaveData"), 55);
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(2, 9000024, "Save\\SaveData"), 1);
  EXPECT_EQ(gSaveManager.ReadSaveSlotString(2, 3000001, "Save\\SaveData"), "two");
  // Missing slot, negative slot, own self variables.
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(9, 9000024, "Save\\SaveData"), 0);
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(-1, 2000005, "Save\\SaveData"), 0);
  EXPECT_EQ(gSaveManager.ReadSaveSlotString(-1, 3000001, "Save\\SaveData"),
            Cp932Text("ERROR -1番目以下のデータを読みに行っています"));
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(2, 1100001, "Save\\SaveData"), 0);
  EXPECT_EQ(gSaveManager.snapshots.count(SaveManager::SaveFilePath(10, "Save\\SaveData")), 0u);
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(10, 1100001, "Save\\SaveData"), 0);
  EXPECT_EQ(gSaveManager.snapshots.count(SaveManager::SaveFilePath(10, "Save\\SaveData")), 0u);

  // Writing into a missing slot makes a file of a fresh game plus the value.
  gSaveManager.WriteSaveSlotVariables(11, 2000003, 31, "Save\\SaveData");
  ASSERT_TRUE(std::filesystem::exists(SlotFile(11)));
  gSaveManager = SaveManager();
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(11, 2000003, "Save\\SaveData"), 31);
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(11, 2000005, "Save\\SaveData"), 0);
  gSaveManager.WriteSaveSlotStrings(11, 3000000, "named", "Save\\SaveData");
  gSaveManager = SaveManager();
  EXPECT_EQ(gSaveManager.ReadSaveSlotString(11, 3000000, "Save\\SaveData"), "named");
  EXPECT_EQ(gSaveManager.ReadSaveSlotVariable(11, 2000003, "Save\\SaveData"), 31);

  // A file that does not read is never replaced by a write-back.
  WriteFileBytes(SlotFile(12), std::vector<uint8_t>(30, 7));
  gSaveManager.WriteSaveSlotVariables(12, 2000003, 1, "Save\\SaveData");
  EXPECT_EQ(FileBytes(SlotFile(12)), std::vector<uint8_t>(30, 7));

  // During a replay the snapshot changes and no file is written.
  gReplayPlaying = 1;
  gSaveManager.WriteSaveSlotVariables(13, 2000003, 8, "Save\\SaveData");
  EXPECT_FALSE(std::filesystem::exists(SlotFile(13)));
  EXPECT_EQ(gSaveManager.snapshots[SaveManager::SaveFilePath(13, "Save\\SaveData")].variableStore.variableSets[0][3],
            8);
  EXPECT_TRUE(gSaveManager.WriteSaveFile(13, true, "Save\\SaveData"));
  EXPECT_FALSE(std::filesystem::exists(SlotFile(13)));
}

TEST_P(SaveFileTest, ReplayModeTakesTheSavedLogAndRestarts) {
  SaveFileSpec spec;
  spec.variables.assign(100, 0);
  std::vector<uint8_t> body = SaveFileBody(spec);
  // The replay-log block just before the end marker: flag 1, two entries.
  const std::vector<uint8_t> log{1, 2, 0, 0, 0, 250, 0x78, 0x56, 0x34, 0x12, 5, 3};
  body.erase(body.end() - 2);
  body.insert(body.end() - 1, log.begin(), log.end());
  WriteFileBytes(SlotFile(1), WriteScrambledFile(DataFileKind::Save, body));
  gGameSystem.runState = 1;
  ASSERT_TRUE(gSaveManager.ReadSaveFile(1, false, true, "Save\\SaveData"));
  EXPECT_EQ(gGameSystem.runState, 0);
  EXPECT_EQ(gReplayPlaying, 1);
  EXPECT_EQ(gRandomSeedLog.codes, (std::vector<uint8_t>{250, 5}));
  EXPECT_EQ(gRandomSeedLog.values, (std::vector<int32_t>{0x12345678, 3}));
}

}  // namespace
