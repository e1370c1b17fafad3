#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "gamedata/DataFileCursor.h"
#include "gamedata/GameFolder.h"
#include "media/PublicFunctions.h"
#include "support/ArchiveWriter.h"

namespace {

TEST(DataFileLoad, FilesBeyondTwoGibibytesAreRefusedUnread) {
  GameFolder folder;
  // Sparse files: only their size is written, so they cost no disk and,
  // refused before any read, no memory. The last one cut to 32 bits is 16.
  for (const uint64_t size : {uint64_t{1} << 31, (uint64_t{1} << 31) + 1, (uint64_t{1} << 32) + 16}) {
    const std::filesystem::path path = folder.Root() / "huge.dat";
    { std::ofstream create(path, std::ios::binary); }
    std::error_code error;
    std::filesystem::resize_file(path, size, error);
    if (error) GTEST_SKIP() << "no sparse file of " << size << " bytes here: " << error.message();
    DataFileCursor cursor(std::vector<uint8_t>(8, 1));
    EXPECT_FALSE(cursor.LoadFile("huge.dat")) << size;
    EXPECT_EQ(cursor.Size(), 0u) << size;
  }
}

// Data packed into Data.vorn beside where the folder would be.
class PackedDataFileLoad : public testing::Test {
 protected:
  void SetUp() override {
    ArchiveUseSet(1);
    ArchiveExtensionSet("vorn");
    ArchiveKeyStringSet("gamekey");
    writer.SetVersion(1);
    writer.SetKeyString("gamekey");
  }
  void TearDown() override { ArchiveUseSet(0); }
  GameFolder folder;
  ArchiveWriter writer;
};

TEST_F(PackedDataFileLoad, AFileThatCannotBeReadWholeIsNotLoaded) {
  writer.AddFile("first.bin", "abc", ArchiveWriter::Packing::Stored);
  writer.AddFile("large.bin", std::string(100000, 'q'), ArchiveWriter::Packing::Stored);
  ASSERT_TRUE(writer.Write(folder.Root() / "Data.vorn"));
  DataFileCursor cursor;
  ASSERT_TRUE(cursor.LoadFile("Data\\first.bin"));
  EXPECT_EQ(cursor.Buffer(), (std::vector<uint8_t>{'a', 'b', 'c'}));
  // The archive, open since the first read, is cut short under the game: the
  // entry still says 100,000 bytes, but only part of them can come.
  std::filesystem::resize_file(folder.Root() / "Data.vorn", 5000);
  EXPECT_FALSE(cursor.LoadFile("Data\\large.bin"));
  EXPECT_EQ(cursor.Size(), 0u);
}

}  // namespace
