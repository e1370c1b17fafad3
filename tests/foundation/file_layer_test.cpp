#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "foundation/Streams.h"
#include "foundation/TrackedHeap.h"
#include "platform/files/Files.h"
#include "platform/threads/Threads.h"
#include "support/ScratchFolder.h"

namespace {

struct StreamMode {
  const char* name;
  int cache;
  int async;
};
constexpr StreamMode kModes[] = {{"direct", 0, 0}, {"cached", 1, 0}, {"async", 0, 1}, {"cached async", 1, 1}};

void WaitIdle(FileHandle file) {
  while (!PlainFileIsIdle(file)) platform::ThreadYield();
}

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 12345;
  for (auto& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

}  // namespace

TEST(FileLayer, WholeElementsAndEndOfFileInEveryMode) {
  ScratchFolder folder(true);
  folder.Write("ten.bin", "0123456789ABCDEF");  // 16 bytes
  for (const auto& mode : kModes) {
    SCOPED_TRACE(mode.name);
    FileHandle file = PlainFileOpen("TEN.BIN", mode.cache, 1, mode.async);
    ASSERT_NE(file, 0);
    ASSERT_EQ(PlainFileSeek(file, 6, 0), 0);  // 10 bytes left
    char buffer[16] = {};
    EXPECT_EQ(PlainFileRead(buffer, 4, 3, file), 2);
    WaitIdle(file);
    EXPECT_EQ(std::string(buffer, 8), "6789ABCD");
    EXPECT_EQ(PlainFileTell(file), 14);
    EXPECT_EQ(PlainFileAtEnd(file), 0);
    ASSERT_EQ(PlainFileSeek(file, -3, 2), 0);  // 3 bytes left
    EXPECT_EQ(PlainFileRead(buffer, 4, 3, file), 0);
    EXPECT_EQ(PlainFileAtEnd(file), -1);
    EXPECT_EQ(PlainFileTell(file), 13);
    // A count of 0 reads nothing and leaves the flags.
    ASSERT_EQ(PlainFileSeek(file, 0, 0), 0);
    EXPECT_EQ(PlainFileRead(buffer, 4, 0, file), 0);
    EXPECT_EQ(PlainFileAtEnd(file), 0);
    // A target past the end is kept; the next read meets the end.
    ASSERT_EQ(PlainFileSeek(file, 40, 0), 0);
    EXPECT_EQ(PlainFileTell(file), 40);
    EXPECT_EQ(PlainFileRead(buffer, 1, 1, file), 0);
    EXPECT_EQ(PlainFileAtEnd(file), -1);
    // A negative target is refused and the position stays.
    ASSERT_EQ(PlainFileSeek(file, 5, 0), 0);
    EXPECT_EQ(PlainFileSeek(file, -6, 1), -1);
    EXPECT_EQ(PlainFileTell(file), 5);
    EXPECT_EQ(PlainFileClose(file), 0);
  }
}

TEST(FileLayer, SameBytesThroughEveryModeWithSeeksAcrossTheCache) {
  ScratchFolder folder(true);
  std::string bytes = Pattern(0x20000 * 2 + 777);  // beyond two cache blocks
  folder.Write("big.bin", bytes);
  for (const auto& mode : kModes) {
    SCOPED_TRACE(mode.name);
    FileHandle file = PlainFileOpen("big.bin", mode.cache, 1, mode.async);
    ASSERT_NE(file, 0);
    std::string read;
    char chunk[5000];
    for (;;) {
      int n = PlainFileRead(chunk, 1, sizeof chunk, file);
      WaitIdle(file);
      if (n == 0) break;
      read.append(chunk, static_cast<size_t>(n));
      if (mode.cache && read.size() == 5000) platform::ThreadSleep(150);  // let the read-ahead run
    }
    EXPECT_TRUE(read == bytes);
    // Back and forth: the cache must never serve stale bytes.
    for (int offset : {100, 0x20000 - 3, 17, 0x30000, 5}) {
      ASSERT_EQ(PlainFileSeek(file, offset, 0), 0);
      ASSERT_EQ(PlainFileRead(chunk, 10, 1, file), 1);
      WaitIdle(file);
      EXPECT_EQ(std::string(chunk, 10), bytes.substr(static_cast<size_t>(offset), 10)) << offset;
    }
    PlainFileClose(file);
  }
}

TEST(FileLayer, AsynchronousReadReturnsAtOnceAndIsIdleWhenDone) {
  ScratchFolder folder(true);
  std::string bytes = Pattern(1 << 20);
  folder.Write("movie.ogv", bytes);
  FileHandle file = PlainFileOpen("movie.ogv", 0, 1, 1);
  ASSERT_NE(file, 0);
  std::string buffer(bytes.size(), '\0');
  EXPECT_EQ(PlainFileRead(buffer.data(), 1, static_cast<int>(buffer.size()), file), static_cast<int>(bytes.size()));
  int idle;
  while ((idle = PlainFileIsIdle(file)) == 0) platform::ThreadYield();
  EXPECT_EQ(idle, 1);
  EXPECT_TRUE(buffer == bytes);
  EXPECT_EQ(PlainFileTell(file), static_cast<int>(bytes.size()));
  PlainFileClose(file);
}

TEST(FileLayer, ShortReadMovesThePositionByWhatArrived) {
  ScratchFolder folder(true);
  for (const auto& mode : kModes) {
    SCOPED_TRACE(mode.name);
    auto path = folder.Write("shrinks.bin", "abcdefghij");
    FileHandle file = PlainFileOpen("shrinks.bin", mode.cache, 1, mode.async);
    ASSERT_NE(file, 0);
    std::filesystem::resize_file(path, 4);  // the file shrinks after the open
    char buffer[10];
    PlainFileRead(buffer, 1, 10, file);
    WaitIdle(file);
    EXPECT_EQ(PlainFileTell(file), 4);
    EXPECT_EQ(PlainFileLastReadBytes(file), 4);
    PlainFileClose(file);
  }
}

TEST(FileLayer, FailedOpensReturnZeroAndFreeEverything) {
  ScratchFolder folder(true);
  int blocks = TrackedBlockCount();
  for (const auto& mode : kModes) {
    EXPECT_EQ(PlainFileOpen("missing.bin", mode.cache, 1, mode.async), 0) << mode.name;
  }
  EXPECT_EQ(PlainFileOpen(nullptr, 0, 1, 0), 0);
  std::string longPath(300, 'a');
  EXPECT_EQ(PlainFileOpen(longPath.c_str(), 0, 1, 1), 0);
  EXPECT_EQ(TrackedBlockCount(), blocks);
  // Bad handles are refused, not followed.
  char byte;
  EXPECT_EQ(PlainFileRead(&byte, 1, 1, 0), 0);
  EXPECT_EQ(PlainFileRead(&byte, 1, 1, 99999), 0);
  EXPECT_EQ(PlainFileClose(12345), -1);
  EXPECT_EQ(PlainFileSeek(-7, 0, 0), -1);
}

TEST(FileLayer, InstallAndArchiveSettingFollowTheDefaultSet) {
  ArchiveUseSet(1);
  FileLayerInstall(nullptr);
  EXPECT_EQ(gFileLayer.open, &PackedOpen);
  EXPECT_EQ(FileLayerIsDefault(), 1);
  ArchiveUseSet(0);
  EXPECT_EQ(gFileLayer.open, &PlainFileOpen);
  EXPECT_EQ(FileLayerIsDefault(), 1);
  // A caller's own table stays through setting changes.
  FileLayerTable own = gPlainFileLayer;
  own.getDirectory = [](char* buffer) {
    std::strcpy(buffer, "OWN");
    return 0;
  };
  FileLayerInstall(&own);
  EXPECT_EQ(FileLayerIsDefault(), 0);
  ArchiveUseSet(1);
  EXPECT_EQ(gFileLayer.open, &PlainFileOpen);
  char buffer[kDirectoryBufferSize];
  FileLayerGetDirectory(buffer);
  EXPECT_STREQ(buffer, "OWN");
  // The IsIdle slot does not count.
  FileLayerInstall(nullptr);
  gFileLayer.isIdle = [](FileHandle) { return 1; };
  EXPECT_EQ(FileLayerIsDefault(), 1);
  FileLayerInstall(nullptr);
  EXPECT_EQ(gFileLayer.open, &PackedOpen);
}

TEST(FileLayer, ForwardersAndDirectories) {
  ScratchFolder folder(true);
  folder.Write("Data/a.txt", "hello");
  FileLayerInstall(nullptr);
  char cwd[kDirectoryBufferSize];
  FileLayerGetDirectory(cwd);
  EXPECT_EQ(std::string(cwd, 3), "C:\\");
  EXPECT_NE(PlainSetDirectory("DATA"), 0);
  FileHandle file = FileLayerOpen("A.TXT", 0, 1, 0);
  ASSERT_NE(file, 0);
  char bytes[8] = {};
  EXPECT_EQ(FileLayerRead(bytes, 1, 8, file), 5);
  EXPECT_EQ(FileLayerAtEnd(file), 0);
  EXPECT_EQ(FileLayerRead(bytes, 1, 8, file), 0);
  EXPECT_NE(FileLayerAtEnd(file), 0);
  EXPECT_EQ(FileLayerSeek(file, 1, 0), 0);
  EXPECT_EQ(FileLayerTell(file), 1);
  EXPECT_EQ(FileLayerIsIdle(file), 1);
  EXPECT_EQ(FileLayerClose(file), 0);
  EXPECT_EQ(FileLayerSetDirectory(cwd), 0);
  char back[kDirectoryBufferSize];
  PlainGetDirectory(back);
  EXPECT_STREQ(back, cwd);
}

TEST(FileLayer, PlainFindFillsRecords) {
  ScratchFolder folder(true);
  folder.Write("Pics/b.png", "12345");
  std::filesystem::create_directories(folder.Path() / "Pics" / "Sub");
  FindRecord record;
  int search = PlainFindFirst("Pics\\*", &record);
  ASSERT_GE(search, 0);
  EXPECT_STREQ(record.name, ".");
  EXPECT_EQ(record.directory, 1);
  ASSERT_EQ(PlainFindNext(search, &record), 0);
  EXPECT_STREQ(record.name, "..");
  ASSERT_EQ(PlainFindNext(search, &record), 0);
  EXPECT_STREQ(record.name, "Sub");
  ASSERT_EQ(PlainFindNext(search, nullptr), 0);
  EXPECT_EQ(PlainFindNext(search, &record), -1);
  EXPECT_EQ(PlainFindClose(search), 0);
  search = PlainFindFirst("PICS\\B.PNG", &record);
  ASSERT_GE(search, 0);
  EXPECT_STREQ(record.name, "b.png");
  EXPECT_EQ(record.sizeLow, 5u);
  EXPECT_EQ(record.directory, 0);
  EXPECT_GE(record.lastWriteTime.year, 2020);
  PlainFindClose(search);
  EXPECT_EQ(PlainFindFirst("Nothing\\*", &record), -1);
}

TEST(FileLayer, FileTimesBecomeLocalDates) {
  // 2001-01-01 00:00:00 UTC; local time differs by at most a day.
  DateRecord date;
  FileTimeToDateRecord(126227808000000000ULL, &date);
  EXPECT_TRUE((date.year == 2001 && date.month == 1 && date.day == 1) ||
              (date.year == 2000 && date.month == 12 && date.day == 31));
  EXPECT_EQ(date.second, 0);
}

TEST(FileLayer, ResolveFullPathCases) {
  struct Case {
    const char* path;
    const char* base;
    int result;
    const char* expected;
  } cases[] = {
      {"a\\..\\b", "C:\\x", 0, "C:\\x\\b"},
      {"a\\..", "C:\\x", 0, "C:\\x"},
      {"a/./b/", "C:\\x\\", 0, "C:\\x\\a\\b"},
      {"..\\..\\..", "C:\\x", 0, "C:"},
      {"\\top\\File.TXT", "D:\\x\\y", 0, "D:\\top\\File.TXT"},
      {"e:\\q\\r", "C:\\x", 0, "e:\\q\\r"},
      {"e:q", "C:\\x", 0, "e:\\q"},
      {"a\\\\b", "C:\\x", -1, ""},
      {"e:\\\\q", "C:\\x", -1, ""},
      {"\\\\host", "C:\\x", -1, ""},
      {"e:/q", "C:\\x", 0, "e:\\q"},
      {"\x83\x5C\\b", "C:\\x", 0, "C:\\x\\\x83\x5C\\b"},  // 0x5C trailing a lead byte
  };
  for (const auto& c : cases) {
    char out[kPathBufferSize] = {};
    EXPECT_EQ(ResolveFullPath(c.path, out, sizeof out, c.base), c.result) << c.path;
    if (c.result == 0) {
      EXPECT_STREQ(out, c.expected) << c.path;
    }
  }
  char out[kPathBufferSize];
  EXPECT_EQ(ResolveFullPath(nullptr, out, sizeof out, "C:\\base"), 0);
  EXPECT_STREQ(out, "C:\\base");
  char small[8];
  EXPECT_EQ(ResolveFullPath("longer\\than\\eight", small, sizeof small, "C:\\x"), -1);
}

TEST(FileLayer, TempFileCreateMakesAWritableEmptyFile) {
  char name[kPathBufferSize] = {};
  int file = TempFileCreate(name);
  ASSERT_NE(file, 0);
  EXPECT_EQ(std::string(name, 3), "C:\\");
  EXPECT_EQ(platform::FileWrite(file, "movie", 5), 5);
  platform::FileClose(file);
  int check = platform::FileOpen(name, platform::FileAccess::Read);
  ASSERT_NE(check, 0);
  EXPECT_EQ(platform::FileSize(check), 5);
  platform::FileClose(check);
  EXPECT_TRUE(platform::FileDelete(name));
  int second = TempFileCreate(nullptr);
  EXPECT_NE(second, 0);
  platform::FileClose(second);
}

TEST(Streams, MemoryStreamCountsAPartialLastElementAsOne) {
  const char data[] = "0123456789ABCDEF";  // 16 bytes used
  BufferStream* stream = BufferStreamOpen(data, 16);
  ASSERT_NE(stream, nullptr);
  const StreamFunctionTable& f = *BufferStreamFunctionsGet();
  char buffer[16] = {};
  ASSERT_EQ(f.seek(stream, 6, 0), 0);
  EXPECT_EQ(f.read(buffer, 4, 3, stream), 2);
  EXPECT_EQ(std::string(buffer, 8), "6789ABCD");
  EXPECT_EQ(f.read(buffer, 4, 3, stream), 1);  // the 2-byte remainder
  EXPECT_EQ(std::string(buffer, 2), "EF");
  EXPECT_EQ(f.tell(stream), 16);
  EXPECT_EQ(f.atEnd(stream), 0);
  EXPECT_EQ(f.read(buffer, 1, 1, stream), 0);
  EXPECT_EQ(f.atEnd(stream), 1);
  ASSERT_EQ(f.seek(stream, -5, 0), 0);
  EXPECT_EQ(f.tell(stream), 0);
  EXPECT_EQ(f.atEnd(stream), 0);
  ASSERT_EQ(f.seek(stream, 10, 2), 0);
  EXPECT_EQ(f.tell(stream), 16);
  ASSERT_EQ(f.seek(stream, -4, 1), 0);
  EXPECT_EQ(f.tell(stream), 12);
  std::memset(buffer, '-', sizeof buffer);
  EXPECT_EQ(f.read(buffer, 4, 0, stream), 0);  // a count of 0 copies nothing
  EXPECT_EQ(buffer[0], '-');
  EXPECT_EQ(f.tell(stream), 12);
  EXPECT_EQ(f.isIdle(stream), 1);
  EXPECT_EQ(f.close(stream), 0);
}

TEST(Streams, FileStreamFunctionsGoThroughTheFileLayer) {
  ScratchFolder folder(true);
  folder.Write("sound.wav", "RIFFdata");
  FileLayerInstall(nullptr);
  const StreamFunctionTable& f = *FileStreamFunctionsGet();
  FileHandle file = FileLayerOpen("SOUND.WAV", 0, 1, 0);
  ASSERT_NE(file, 0);
  void* stream = FileHandleToStream(file);
  EXPECT_EQ(StreamToFileHandle(stream), file);
  char buffer[16];
  EXPECT_EQ(f.read(buffer, 4, 1, stream), 1);
  EXPECT_EQ(std::string(buffer, 4), "RIFF");
  EXPECT_EQ(f.tell(stream), 4);
  EXPECT_EQ(f.seek(stream, 0, 0), 0);
  EXPECT_EQ(f.isIdle(stream), 1);
  EXPECT_EQ(f.read(buffer, 8, 2, stream), 1);
  EXPECT_EQ(f.read(buffer, 8, 1, stream), 0);
  EXPECT_NE(f.atEnd(stream), 0);
  EXPECT_EQ(f.close(stream), 0);
  ArchiveShutdown();
}
