#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files/Files.h"
#include "support/ScratchFolder.h"

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

TEST(PlatformFilesReplace, FreeSpaceOfAVolume) {
  ScratchFolder folder(true);
  const int64_t free = platform::DiskFreeBytes(".");
  EXPECT_GE(free, 0);
  EXPECT_EQ(platform::DiskFreeBytes("no\\such\\folder"), -1);
}

}  // namespace
