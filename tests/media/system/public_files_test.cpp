#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "media/PublicFunctions.h"
#include "support/ArchiveSettings.h"
#include "support/ArchiveWriter.h"
#include "support/ScratchFolder.h"

namespace {

// A game folder in a scratch directory with the file layer's default set and
// a clean archive table; archives are closed afterwards.
class PublicFiles : public ::testing::Test {
 protected:
  void SetUp() override { ArchiveSettingsForGame("GameKey"); }
  void TearDown() override { ArchiveSettingsClear(); }

  // The lines ReadFileLine gives for `bytes` with `capacity`, read from a
  // plain file and, the same, from an archive entry.
  std::vector<std::string> Lines(const std::string& bytes, int capacity, bool inArchive = false, int async = 0) {
    std::string name = inArchive ? "Packed\\text.txt" : "text.txt";
    if (inArchive) {
      ArchiveWriter writer;
      writer.SetKeyString("GameKey");
      writer.AddFile("text.txt", bytes);
      writer.Write(folder_.Path() / "Packed.vorn");
    } else {
      folder_.Write("text.txt", bytes);
    }
    FileHandle file = OpenFileForRead(name.c_str(), async);
    EXPECT_NE(file, 0);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '#');
    for (int guard = 0; guard < 1000; ++guard) {
      int length = ReadFileLine(buffer.data(), capacity, file);
      if (length < 0) break;
      EXPECT_EQ(buffer[static_cast<size_t>(length)], '\0');
      lines.emplace_back(buffer.data(), static_cast<size_t>(length));
    }
    FileLayerClose(file);
    return lines;
  }

  ScratchFolder folder_{true};
};

using LineList = std::vector<std::string>;

}  // namespace

TEST_F(PublicFiles, SizesOfMissingEmptyAndPackedFiles) {
  folder_.Write("empty.dat", "");
  folder_.Write("Data/Game.dat", "0123456789");
  EXPECT_EQ(GetFileSizeByName("missing.dat"), -1);
  EXPECT_EQ(GetFileSizeByName("EMPTY.DAT"), 0);
  EXPECT_EQ(GetFileSizeByName("data\\game.dat"), 10);
  ArchiveWriter writer;
  writer.SetKeyString("GameKey");
  writer.AddFile("BasicData\\CommonEvent.dat", std::string(300, 'c'));
  writer.Write(folder_.Path() / "Pack.vorn");
  EXPECT_EQ(GetFileSizeByName("Pack\\BasicData\\CommonEvent.dat"), 300);
}

TEST_F(PublicFiles, ReadFileBlockReadsWholeBlocksFromFoldersAndArchives) {
  folder_.Write("Data/Map.mps", "ABCDEFGHIJ");
  ArchiveWriter writer;
  writer.SetKeyString("GameKey");
  writer.AddFile("Map.mps", "ABCDEFGHIJ");
  writer.Write(folder_.Path() / "Arc.vorn");
  for (const char* path : {"Data\\Map.mps", "Arc\\Map.mps"}) {
    SCOPED_TRACE(path);
    FileHandle file = OpenFileForRead(path, 0);
    ASSERT_NE(file, 0);
    char buffer[16] = {};
    EXPECT_EQ(ReadFileBlock(buffer, 4, file), 1);
    EXPECT_EQ(std::string(buffer, 4), "ABCD");
    // More than remains: nothing is read, in an archive too.
    std::string before(buffer, sizeof buffer);
    EXPECT_EQ(ReadFileBlock(buffer, 7, file), 0);
    EXPECT_EQ(std::string(buffer, sizeof buffer), before);
    EXPECT_EQ(ReadFileBlock(buffer, 6, file), 1);
    EXPECT_EQ(std::string(buffer, 6), "EFGHIJ");
    EXPECT_EQ(ReadFileBlock(buffer, 1, file), 0);
    EXPECT_EQ(FileLayerClose(file), 0);
  }
  EXPECT_EQ(OpenFileForRead("Data\\None.mps", 0), 0);
  EXPECT_EQ(OpenFileForRead("Arc\\None.mps", 0), 0);
}

TEST_F(PublicFiles, ReadFileLineOverLineEndsInFoldersAndArchives) {
  struct Case {
    const char* name;
    std::string bytes;
    int capacity;
    LineList expected;
  } cases[] = {
      {"crlf", "one\r\ntwo\r\n\r\nfour\r\n", 64, {"one", "two", "", "four"}},
      {"no final newline", "one\r\nlast", 64, {"one", "last"}},
      {"lf only stays in the line", "a\nb\nc", 64, {"a\nb\nc"}},
      {"lf only in pieces", "a\nb\nc", 3, {"a\n", "b\n", "c"}},
      {"capacity 5 on 10 characters", "0123456789\r\nx", 5, {"0123", "4567", "89", "x"}},
      {"cr at the block end pairs with the next lf", "abc\r\ndef\r\n", 5, {"abc", "def"}},
      {"lone cr at the block end", "abc\rdef", 5, {"abc\r", "def"}},
      {"cr at the end of the file", "abc\r", 64, {"abc\r"}},
      {"double-byte character kept whole", "ab\x82\xA0xy", 4, {"ab", "\x82\xA0x", "y"}},
      {"lone lead byte at the end", "ab\x82", 64, {"ab\x82"}},
      {"lone lead byte at the end of a full block", "abc\x82", 5, {"abc\x82"}},
      {"lead byte and capacity 2", "\x82\xA0", 2, {"\x82", "\xA0"}},
      {"nul ends the line", std::string("ab\0cd\r\nef", 9), 64, {"ab"}},
      {"empty file", "", 64, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Lines(c.bytes, c.capacity), c.expected);
    EXPECT_EQ(Lines(c.bytes, c.capacity, true), c.expected);
    EXPECT_EQ(Lines(c.bytes, c.capacity, false, 1), c.expected);
    EXPECT_EQ(Lines(c.bytes, c.capacity, true, 1), c.expected);
    ArchiveShutdown();
  }
}

TEST_F(PublicFiles, ReadFileLineRefusesTinyBuffers) {
  folder_.Write("t.txt", "abc\r\n");
  FileHandle file = OpenFileForRead("t.txt", 0);
  char buffer[2];
  EXPECT_EQ(ReadFileLine(buffer, 1, file), -1);
  EXPECT_EQ(ReadFileLine(buffer, 0, file), -1);
  EXPECT_EQ(ReadFileLine(nullptr, 10, file), -1);
  EXPECT_EQ(ReadFileLine(buffer, 2, file), 1);
  EXPECT_EQ(buffer[0], 'a');
  FileLayerClose(file);
}

TEST_F(PublicFiles, ArchiveSettingsSwitchBetweenArchiveAndFolder) {
  folder_.Write("Data/Game.dat", "from folder");
  ArchiveWriter writer;
  writer.SetKeyString("GameKey");
  writer.AddFile("Game.dat", "from archive");
  writer.Write(folder_.Path() / "Data.vorn");
  auto read = [] {
    FileHandle file = OpenFileForRead("Data\\Game.dat", 0);
    if (!file) return std::string("<none>");
    char buffer[32] = {};
    int n = FileLayerRead(buffer, 1, sizeof buffer, file);
    FileLayerClose(file);
    return std::string(buffer, static_cast<size_t>(n));
  };
  EXPECT_EQ(read(), "from archive");
  EXPECT_EQ(ArchiveUseSet(0), 0);
  EXPECT_EQ(read(), "from folder");
  ArchiveUseSet(1);
  EXPECT_EQ(ArchiveExtensionSet("pak"), 0);
  EXPECT_EQ(read(), "from folder");  // no Data.pak
  ArchiveExtensionSet("vorn");
  EXPECT_EQ(ArchiveKeyStringSet("OtherKey"), 0);
  ArchiveShutdown();
  EXPECT_EQ(read(), "from folder");  // a wrong key: the archive counts as absent
  ArchiveKeyStringSet("GameKey");
  EXPECT_EQ(read(), "from archive");
}
