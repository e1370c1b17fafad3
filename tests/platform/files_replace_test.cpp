#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/Files.h"
#include "support/ScratchFolder.h"
#include "support/Unprivileged.h"

namespace {

size_t EntryCount(const std::filesystem::path& folder) {
  size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++n;
  }
  return n;
}

// Replaces the file in a child that may write at most `limit` bytes to any
// file; the child's exit code is the result.
platform::ReplaceResult ReplaceUnderSizeLimit(const std::string& path, const std::string& bytes, rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    _exit(static_cast<int>(platform::FileReplaceAtomic(path, bytes.data(), static_cast<int64_t>(bytes.size()))));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return static_cast<platform::ReplaceResult>(WEXITSTATUS(status));
}

TEST(PlatformFilesReplace, ReplacesWholeOrNotAtAll) {
  ScratchFolder folder(true);
  // New file, then a replacement through a differently cased name.
  ASSERT_EQ(platform::FileReplaceAtomic("Missing\\game.sav", "abc", 3), platform::ReplaceResult::Failed);
  std::filesystem::create_directories("Sub");
  ASSERT_EQ(platform::FileReplaceAtomic("Sub\\game.sav", "abc", 3), platform::ReplaceResult::Ok);
  ASSERT_EQ(platform::FileReplaceAtomic("sub\\GAME.sav", "defg", 4), platform::ReplaceResult::Ok);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "Sub" / "game.sav"), "defg");
  EXPECT_EQ(EntryCount(folder.Path() / "Sub"), 1u);
  // The mode of an ordinary new file.
  struct stat info {};
  ASSERT_EQ(stat((folder.Path() / "Sub" / "game.sav").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

  // A write cut off by the file-size limit: the old bytes stay, no temporary
  // file is left, and the lack of room is told apart.
  const std::string big(4096, 'x');
  EXPECT_EQ(ReplaceUnderSizeLimit("Sub\\game.sav", big, 1000), platform::ReplaceResult::NoSpace);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "Sub" / "game.sav"), "defg");
  EXPECT_EQ(EntryCount(folder.Path() / "Sub"), 1u);
  EXPECT_EQ(ReplaceUnderSizeLimit("Sub\\game.sav", big, 8192), platform::ReplaceResult::Ok);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "Sub" / "game.sav"), big);
  // A folder in the way of the name.
  std::filesystem::create_directories("Sub/dir/inner");
  EXPECT_EQ(platform::FileReplaceAtomic("Sub\\dir", "a", 1), platform::ReplaceResult::Failed);
  EXPECT_EQ(EntryCount(folder.Path() / "Sub"), 2u);
}

std::set<std::string> Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// What a replace killed before its rename leaves: ".<name>.vorn-tmp-XXXXXX".
// Only those of the files named go, and with an age given only the older
// ones; names a person gives a copy ("backup" has six letters too) stay.
TEST(PlatformFilesReplace, LeftoversOfKilledWritesGoByNameAndAge) {
  ScratchFolder folder(true);
  namespace fs = std::filesystem;
  const auto now = fs::file_time_type::clock::now();
  struct Entry {
    const char* name;
    int ageSeconds;  // negative: written later than now
  };
  const Entry entries[] = {
      {".SaveData01.sav.vorn-tmp-Ab12Cd", 3600},
      {".savedata01.SAV.vorn-tmp-Qq11Ww", 3600},
      {".SaveData01.sav.vorn-tmp-Fresh1", -3600},
      {".SaveData02.sav.vorn-tmp-Ab12Cd", 3600},
      {".Game.ini.vorn-tmp-Zz99Yy", 3600},
      {"SaveData01.sav", 3600},
      {".SaveData01.sav.bak", 3600},
      {".SaveData01.sav.backup", 3600},
      {".MyNotes.sav.backup", 3600},
      {".SaveData01.sav.Ab12Cd", 3600},
      {".SaveData01.sav.vorn-tmp-ab-cd", 3600},
      {".SaveData01.sav.vorn-tmp-1234567", 3600},
      {".SaveData01.sav.vorn-tmp-Ab12C", 3600},
  };
  for (const Entry& e : entries) {
    const fs::path file = folder.Write(fs::path("Save") / e.name, "x");
    fs::last_write_time(file, now - std::chrono::seconds(e.ageSeconds));
  }
  fs::create_directory(folder.Path() / "Save" / ".SaveData01.sav.vorn-tmp-Dir123");
  fs::last_write_time(folder.Path() / "Save" / ".SaveData01.sav.vorn-tmp-Dir123", now - std::chrono::hours(1));

  EXPECT_EQ(platform::RemoveReplaceLeftovers("Save\\SaveData01.sav", 60), 2);
  EXPECT_EQ(Names(folder.Path() / "Save").count(".SaveData01.sav.vorn-tmp-Fresh1"), 1u);
  EXPECT_EQ(platform::RemoveReplaceLeftovers("save\\SAVEDATA01.SAV", 0), 1);
  EXPECT_EQ(platform::RemoveReplaceLeftovers("Save\\*.sav", 60), 1);
  EXPECT_EQ(platform::RemoveReplaceLeftovers("No\\such\\folder\\*.sav", 0), 0);
  const std::set<std::string> left = {".Game.ini.vorn-tmp-Zz99Yy",
                                      "SaveData01.sav",
                                      ".SaveData01.sav.bak",
                                      ".SaveData01.sav.backup",
                                      ".MyNotes.sav.backup",
                                      ".SaveData01.sav.Ab12Cd",
                                      ".SaveData01.sav.vorn-tmp-ab-cd",
                                      ".SaveData01.sav.vorn-tmp-1234567",
                                      ".SaveData01.sav.vorn-tmp-Ab12C",
                                      ".SaveData01.sav.vorn-tmp-Dir123"};
  EXPECT_EQ(Names(folder.Path() / "Save"), left);
}

// A replaced file reached through symbolic links: every link stays a link,
// the file at the end of the chain takes the new bytes and keeps its mode,
// and its temporary file was made beside it (the rename stays in one
// folder). A link to nothing yet makes the file it names.
TEST(PlatformFilesReplace, LinksStayLinksAndTheFileKeepsItsMode) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links;  // link -> what it says
    const char* file;                                        // where the bytes land
    int mode;                                                // -1: no file before
  };
  const Case cases[] = {
      {"absolute", {{"game/Game.ini", "@/elsewhere/real.ini"}}, "elsewhere/real.ini", 0600},
      {"relative", {{"game/Game.ini", "../elsewhere/real.ini"}}, "elsewhere/real.ini", 0640},
      {"chain",
       {{"game/Game.ini", "link.ini"}, {"game/link.ini", "../elsewhere/real.ini"}},
       "elsewhere/real.ini",
       0604},
      {"to nothing yet", {{"game/Game.ini", "../elsewhere/new.ini"}}, "elsewhere/new.ini", -1},
      {"plain file", {}, "game/Game.ini", 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder(true);
    fs::create_directories(folder.Path() / "game");
    fs::create_directories(folder.Path() / "elsewhere");
    if (c.mode >= 0) {
      folder.Write(c.file, "old");
      fs::permissions(folder.Path() / c.file, fs::perms(c.mode));
    }
    for (const auto& [link, target] : c.links) {
      const std::string to = target[0] == '@' ? (folder.Path() / (target + 2)).string() : target;
      fs::create_symlink(to, folder.Path() / link);
    }
    ASSERT_EQ(platform::FileReplaceAtomic("game\\Game.ini", "new", 3), platform::ReplaceResult::Ok);
    for (const auto& [link, target] : c.links) EXPECT_TRUE(fs::is_symlink(folder.Path() / link)) << link;
    EXPECT_EQ(ScratchFolder::Read(folder.Path() / c.file), "new");
    struct stat info {};
    ASSERT_EQ(lstat((folder.Path() / c.file).c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<int>(info.st_mode & 07777), c.mode >= 0 ? c.mode : static_cast<int>(0666 & ~mask));
    EXPECT_EQ(EntryCount(folder.Path() / "game"), c.links.empty() ? 1u : c.links.size());
    EXPECT_EQ(EntryCount(folder.Path() / "elsewhere"), c.links.empty() ? 0u : 1u);
  }
}

// A folder that takes no new file is told apart from other failures (a
// caller may still write the file in place); a file this process may not
// write reads as read-only.
TEST(PlatformFilesReplace, AReadOnlyFolderTakesNoTemporaryFile) {
  ScratchFolder folder(true);
  folder.Write("Locked/game.sav", "old");
  folder.Write("Locked/open.sav", "old");
  std::filesystem::permissions(folder.Path() / "Locked" / "open.sav", std::filesystem::perms(0666));
  std::filesystem::permissions(folder.Path() / "Locked", std::filesystem::perms(0555));
  EXPECT_EQ(RunWithoutPrivileges([] {
              const bool readOnly = platform::FileReadOnly("Locked\\game.sav") &&
                                    !platform::FileReadOnly("Locked\\open.sav") &&
                                    !platform::FileReadOnly("Locked\\missing.sav");
              return readOnly ? static_cast<int>(platform::FileReplaceAtomic("Locked\\game.sav", "new", 3)) : 100;
            }),
            static_cast<int>(platform::ReplaceResult::NoTemporary));
  std::filesystem::permissions(folder.Path() / "Locked", std::filesystem::perms(0755));
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "Locked" / "game.sav"), "old");
}

TEST(PlatformFilesReplace, FreeSpaceOfAVolume) {
  ScratchFolder folder(true);
  const int64_t free = platform::DiskFreeBytes(".");
  EXPECT_GE(free, 0);
  EXPECT_EQ(platform::DiskFreeBytes("no\\such\\folder"), -1);
}

}  // namespace
