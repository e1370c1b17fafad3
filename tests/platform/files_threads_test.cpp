#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "platform/files/Files.h"
#include "platform/text/Text.h"
#include "platform/threads/Threads.h"
#include "support/ScratchFolder.h"

namespace {

std::string ReadAll(const std::string& path) {
  int file = platform::FileOpen(path, platform::FileAccess::Read);
  if (file == 0) return "<missing>";
  std::string bytes(static_cast<size_t>(platform::FileSize(file)), '\0');
  int64_t got = platform::FileRead(file, bytes.data(), static_cast<int64_t>(bytes.size()));
  platform::FileClose(file);
  bytes.resize(static_cast<size_t>(got < 0 ? 0 : got));
  return bytes;
}

std::string RuntimeCwd() {
  char buffer[1024];
  size_t n = platform::CurrentDirectoryGet(buffer, sizeof buffer);
  return std::string(buffer, n);
}

}  // namespace

TEST(PlatformFiles, ResolvesComponentsWithoutCaseAndWithEitherSeparator) {
  ScratchFolder folder(true);
  folder.Write("basicdata/CommonEvent.dat", "events");
  folder.Write("Data/Map/Map001.mps", "map");
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"BasicData\\CommonEvent.dat", "events"}, {"BASICDATA/commonevent.DAT", "events"},
      {"data\\MAP\\map001.MPS", "map"},         {".\\Data\\.\\Map\\..\\Map\\Map001.mps", "map"},
      {"Data\\\\Map\\Map001.mps", "map"},       {"Data\\Map\\Map002.mps", "<missing>"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAll(c.path), c.expected) << c.path;
}

TEST(PlatformFiles, Cp932NamesOpenTheirUtf8NameAndRawBytesComeSecond) {
  ScratchFolder folder(true);
  folder.Write("\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/\xE5\x9C\xB0\xE5\x9B\xB3.txt", "utf8 name");  // データ/地図.txt
  folder.Write("\x83\x5C\x83\x74\x83\x67", "raw cp932 name");  // "ソフト" stored as raw bytes
  // データ\地図.TXT in CP932; 0x5C trails 0x83 in "ソ" and must not split it.
  EXPECT_EQ(ReadAll("\x83\x66\x81\x5B\x83\x5E\\\x92\x6E\x90\x7D.TXT"), "utf8 name");
  EXPECT_EQ(ReadAll("\x83\x5C\x83\x74\x83\x67"), "raw cp932 name");
}

TEST(PlatformFiles, AbsolutePathsWithDriveOrHostPrefix) {
  ScratchFolder folder(true);
  folder.Write("Game.dat", "game");
  std::string cwd = RuntimeCwd();
  ASSERT_EQ(cwd.substr(0, 3), "C:\\");
  EXPECT_EQ(ReadAll(cwd + "\\GAME.DAT"), "game");
  EXPECT_EQ(ReadAll("d:" + cwd.substr(2) + "\\game.dat"), "game");                     // every drive is the root
  EXPECT_EQ(ReadAll(cwd.substr(2) + "\\Game.dat"), "game");                            // "\dir\..."
  EXPECT_EQ(ReadAll(std::string("\\").append(cwd.substr(2)) + "\\Game.dat"), "game");  // "\\host\..." form
}

TEST(PlatformFiles, ListingIsReadAgainOnAMissAndAfterOwnWrites) {
  ScratchFolder folder(true);
  folder.Write("a.txt", "a");
  EXPECT_EQ(ReadAll("A.TXT"), "a");  // listing cached now
  folder.Write("B.txt", "b");        // written behind the layer's back
  EXPECT_EQ(ReadAll("b.TXT"), "b");
  int file = platform::FileOpen("c.txt", platform::FileAccess::Write);
  ASSERT_NE(file, 0);
  platform::FileClose(file);
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "c.txt"));
  EXPECT_EQ(ReadAll("C.txt"), "");
  EXPECT_TRUE(platform::FileDelete("C.TXT"));
  EXPECT_EQ(ReadAll("c.txt"), "<missing>");
  EXPECT_TRUE(platform::DirectoryCreate("Save"));
  file = platform::FileOpen("SAVE\\SaveData01.sav", platform::FileAccess::Write);
  ASSERT_NE(file, 0);
  platform::FileClose(file);
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "Save" / "SaveData01.sav"));
}

TEST(PlatformFiles, WritesTextModeSeeksAndRefusals) {
  ScratchFolder folder(true);
  int file = platform::FileOpen("text.txt", platform::FileAccess::Write, true);
  ASSERT_NE(file, 0);
  EXPECT_EQ(platform::FileWrite(file, "a\nb\n", 4), 4);
  platform::FileClose(file);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "text.txt"), "a\r\nb\r\n");

  file = platform::FileOpen("bin.dat", platform::FileAccess::Write);
  EXPECT_EQ(platform::FileWrite(file, "a\nb", 3), 3);
  platform::FileClose(file);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "bin.dat"), "a\nb");

  file = platform::FileOpen("bin.dat", platform::FileAccess::Append);
  platform::FileWrite(file, "c", 1);
  platform::FileClose(file);
  EXPECT_EQ(ScratchFolder::Read(folder.Path() / "bin.dat"), "a\nbc");

  EXPECT_EQ(platform::FileOpen("BIN.DAT", platform::FileAccess::WriteNew), 0);
  file = platform::FileOpen("bin.dat", platform::FileAccess::Read);
  EXPECT_EQ(platform::FileSize(file), 4);
  EXPECT_EQ(platform::FileSeek(file, 2, 0), 2);
  EXPECT_EQ(platform::FileSeek(file, -5, 1), -1);
  char byte = 0;
  EXPECT_EQ(platform::FileRead(file, &byte, 1), 1);
  EXPECT_EQ(byte, 'b');
  EXPECT_EQ(platform::FileWrite(file, "x", 1), -1);
  platform::FileClose(file);
  EXPECT_EQ(platform::FileRead(file, &byte, 1), -1);
  EXPECT_EQ(platform::FileOpen(".", platform::FileAccess::Read), 0);  // a folder is no file
}

TEST(PlatformFiles, CurrentDirectoryRoundTripsAndRespectsCapacity) {
  ScratchFolder folder(true);
  std::filesystem::create_directories(folder.Path() / "Sub");
  std::string cwd = RuntimeCwd();
  char tiny[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(platform::CurrentDirectoryGet(tiny, sizeof tiny), cwd.size() + 1);
  EXPECT_EQ(tiny[0], '\0');
  EXPECT_TRUE(platform::CurrentDirectorySet("SUB"));
  EXPECT_EQ(RuntimeCwd(), cwd + "\\Sub");
  EXPECT_TRUE(platform::CurrentDirectorySet(cwd));
  EXPECT_EQ(RuntimeCwd(), cwd);
  EXPECT_FALSE(platform::CurrentDirectorySet("Missing"));
}

TEST(PlatformFiles, ListingsGiveCp932NamesWithDotEntries) {
  ScratchFolder folder(true);
  folder.Write("Pics/one.PNG", "1");
  folder.Write("Pics/two.png", "22");
  folder.Write("Pics/read.txt", "3");
  folder.Write("Pics/\xE7\x94\xBB.png", "4");  // 画.png
  std::filesystem::create_directories(folder.Path() / "Pics" / "Sub");
  platform::FindData data;
  int search = platform::FindFirst("pics\\*.*", &data);
  ASSERT_GT(search, 0);
  std::vector<std::string> names{data.name};
  std::set<std::string> folders;
  if (data.directory) folders.insert(data.name);
  while (platform::FindNext(search, &data)) {
    names.push_back(data.name);
    if (data.directory) folders.insert(data.name);
  }
  EXPECT_TRUE(platform::FindClose(search));
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Sub", "one.PNG", "read.txt", "two.png", "\x89\xE6.png"}));
  EXPECT_EQ(folders, (std::set<std::string>{".", "..", "Sub"}));

  search = platform::FindFirst("Pics/*.png", &data);
  ASSERT_GT(search, 0);
  names = {data.name};
  while (platform::FindNext(search, &data)) names.push_back(data.name);
  platform::FindClose(search);
  EXPECT_EQ(names, (std::vector<std::string>{"one.PNG", "two.png", "\x89\xE6.png"}));
  EXPECT_EQ(platform::FindFirst("Pics\\*.bmp", &data), -1);
  EXPECT_EQ(platform::FindFirst("Missing\\*", &data), -1);

  search = platform::FindFirst("Pics\\tw?.png", &data);
  ASSERT_GT(search, 0);
  EXPECT_STREQ(data.name, "two.png");
  EXPECT_EQ(data.size, 2u);
  EXPECT_FALSE(data.directory);
  EXPECT_GT(data.lastWriteTime, 0);
  EXPECT_FALSE(platform::FindNext(search, &data));
  platform::FindClose(search);
}

TEST(PlatformFiles, TemporaryFilesAreUniqueAndUnderTheTempFolder) {
  char folder[260];
  size_t n = platform::TempFolderGet(folder, sizeof folder);
  ASSERT_GT(n, 3u);
  EXPECT_EQ(folder[n - 1], '\\');
  char first[260], second[260];
  ASSERT_NE(platform::TempFileNameMake(folder, "tmpX", first, sizeof first), 0u);
  ASSERT_NE(platform::TempFileNameMake(folder, "tmpX", second, sizeof second), 0u);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::string(first).substr(0, n + 3), std::string(folder) + "tmp");
  EXPECT_EQ(std::string(first).substr(std::strlen(first) - 4), ".tmp");
  EXPECT_EQ(ReadAll(first), "");
  EXPECT_TRUE(platform::FileDelete(first));
  EXPECT_TRUE(platform::FileDelete(second));
  char small[8];
  EXPECT_EQ(platform::TempFileNameMake(folder, "tmp", small, sizeof small), 0u);
}

TEST(PlatformFiles, TwoThreadsReadDifferentFiles) {
  ScratchFolder folder(true);
  std::string a(200000, 'a'), b(200000, 'b');
  folder.Write("a.bin", a);
  folder.Write("b.bin", b);
  std::atomic<int> good{0};
  auto reader = [&](const char* name, const std::string& expected) {
    for (int round = 0; round < 20; ++round) {
      if (ReadAll(name) == expected) ++good;
    }
  };
  std::thread first(reader, "A.BIN", a);
  std::thread second(reader, "B.BIN", b);
  first.join();
  second.join();
  EXPECT_EQ(good.load(), 40);
}

TEST(PlatformThreads, ManualResetEventStaysSetUntilReset) {
  platform::ManualResetEvent event(false);
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.WaitFor(5));
  event.Set();
  EXPECT_TRUE(event.IsSet());
  EXPECT_TRUE(event.WaitFor(0));
  event.Wait();  // does not block: manual reset
  EXPECT_TRUE(event.IsSet());
  event.Reset();
  EXPECT_FALSE(event.IsSet());

  platform::ManualResetEvent started(true);
  EXPECT_TRUE(started.IsSet());
}

TEST(PlatformThreads, EventWakesWaitersOnOtherThreads) {
  platform::ManualResetEvent go, done;
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      go.Wait();
      if (++woken == 3) done.Set();
    });
  }
  platform::ThreadSleep(5);
  EXPECT_EQ(woken.load(), 0);
  go.Set();
  EXPECT_TRUE(done.WaitFor(5000));
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken.load(), 3);
}

TEST(PlatformThreads, RecursiveLockIsReentrantAndExcludesOthers) {
  platform::RecursiveLock lock;
  lock.Lock();
  lock.Lock();
  bool otherGot = true;
  std::thread other([&] { otherGot = lock.TryLock(); });
  other.join();
  EXPECT_FALSE(otherGot);
  lock.Unlock();
  lock.Unlock();
  std::thread again([&] {
    otherGot = lock.TryLock();
    if (otherGot) lock.Unlock();
  });
  again.join();
  EXPECT_TRUE(otherGot);
}
