#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "foundation/TrackedHeap.h"
#include "platform/threads/Threads.h"
#include "support/ArchiveSettings.h"
#include "support/ArchiveWriter.h"
#include "support/LogCapture.h"
#include "support/ScratchFolder.h"

namespace {

std::string Pattern(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed;
  for (auto& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

// Data that makes the packer use every kind of code: literals equal to the
// escape byte, short and long lengths, and one-, two- and three-byte distances.
std::string PackingWorkout() {
  std::string noise = Pattern(70000, 7);
  std::string data = "abcabcabcabcabc";
  data += std::string(9000, 'z');  // long lengths (8195 is the longest)
  data += noise.substr(0, 300);
  data += noise.substr(0, 300);     // distance 300: two bytes
  data += noise;                    // 70000 bytes
  data += noise.substr(100, 5000);  // distance ~70000: three bytes
  data += std::string(40, '\0') + "\xFF\xFF\x01";
  return data;
}

struct PackStats {
  int escapedLiterals = 0, longLengths = 0;
  std::array<int, 3> widths{};
};

// Walks the codes of a packed block (test-side, to see what the packer made).
PackStats Stats(const std::string& packed) {
  PackStats stats;
  auto e = static_cast<uint8_t>(packed[8]);
  for (size_t i = 9; i < packed.size();) {
    auto b = static_cast<uint8_t>(packed[i++]);
    if (b != e) continue;
    auto s = static_cast<uint8_t>(packed[i++]);
    if (s == e) {
      ++stats.escapedLiterals;
      continue;
    }
    uint32_t d = s > e ? s - 1u : s;
    if (d & 4) {
      ++stats.longLengths;
      ++i;
    }
    ++stats.widths[d & 3];
    i += (d & 3) + 1;
  }
  return stats;
}

std::string Unpacked(const std::string& packed, size_t size) {
  std::string out(size, '\0');
  int n = ArchiveUnpack(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(),
                        reinterpret_cast<uint8_t*>(out.data()), size);
  return n == static_cast<int>(size) ? out : "<refused>";
}

std::string Head(uint32_t unpacked, uint32_t packed, uint8_t escape) {
  std::string head(9, '\0');
  for (int i = 0; i < 4; ++i) {
    head[i] = static_cast<char>(unpacked >> (8 * i));
    head[4 + i] = static_cast<char>(packed >> (8 * i));
  }
  head[8] = static_cast<char>(escape);
  return head;
}

std::string PackedOf(const std::string& codes, uint32_t unpacked, uint8_t escape = 0xEE) {
  return Head(unpacked, static_cast<uint32_t>(9 + codes.size()), escape) + codes;
}

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}
void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// A game folder in a scratch directory with a clean archive table.
class Archives : public ::testing::Test {
 protected:
  void SetUp() override {
    ArchiveSettingsForGame("Key-String");
    blocks_ = TrackedBlockCount();
  }
  void TearDown() override {
    EXPECT_EQ(gPackedFiles.count, 0) << "a test left files open";
    ArchiveSettingsClear();
    EXPECT_EQ(gArchiveSlots.count, 0);
    EXPECT_EQ(TrackedBlockCount(), blocks_) << "tracked blocks leaked";
  }

  static std::string ReadWhole(const char* path, int cache = 0, int async = 0) {
    FileHandle file = FileLayerOpen(path, cache, 1, async);
    if (file == 0) return "<none>";
    std::string bytes;
    char chunk[3000];
    for (;;) {
      int n = FileLayerRead(chunk, 1, sizeof chunk, file);
      while (!FileLayerIsIdle(file)) platform::ThreadYield();
      if (n <= 0) break;
      bytes.append(chunk, static_cast<size_t>(n));
    }
    FileLayerClose(file);
    return bytes;
  }

  ScratchFolder folder_{true};
  int blocks_ = 0;
};

}  // namespace

TEST(ArchiveKey, KeyStringsRepeatOrAreCutToTwelve) {
  uint8_t five[12], repeated[12], twenty[12], first12[12], none[12], empty[12];
  ArchiveKeyBuild(five, "abcde");
  ArchiveKeyBuild(repeated, "abcdeabcdeab");
  ArchiveKeyBuild(twenty, "0123456789ABCDEFGHIJ");
  ArchiveKeyBuild(first12, "0123456789AB");
  ArchiveKeyBuild(none, nullptr);
  ArchiveKeyBuild(empty, "");
  EXPECT_EQ(0, std::memcmp(five, repeated, 12));
  EXPECT_EQ(0, std::memcmp(twenty, first12, 12));
  EXPECT_EQ(0, std::memcmp(none, empty, 12));
  EXPECT_NE(0, std::memcmp(five, first12, 12));
  // The writer derives the key on its own; both must agree.
  ArchiveWriter writer;
  writer.SetKeyString("abcde");
  EXPECT_EQ(0, std::memcmp(five, writer.Key().data(), 12));
  writer.UseDefaultKey();
  EXPECT_EQ(0, std::memcmp(none, writer.Key().data(), 12));
  // Byte 0 is the complement of the key string's first byte.
  EXPECT_EQ(five[0], static_cast<uint8_t>(~'a'));
}

TEST(ArchiveKey, XorFollowsTheFileOffset) {
  uint8_t key[12];
  ArchiveKeyBuild(key, "k");
  uint8_t whole[30] = {}, part[30] = {};
  ArchiveKeyXor(30, whole, 0, key);
  EXPECT_EQ(ArchiveKeyXor(17, part + 13, 13, key), (13 + 17) % 12);
  EXPECT_EQ(0, std::memcmp(whole + 13, part + 13, 17));
}

TEST(ArchiveUnpack, CodesAndTheirEdges) {
  const uint8_t e = 0xEE;
  EXPECT_EQ(Unpacked(PackedOf("\xEE\xEE", 1), 1), "\xEE");
  // 'x', then distance 1 length 6 (d = 2 << 3): seven x.
  EXPECT_EQ(Unpacked(PackedOf(std::string("x\xEE\x10\x00", 4), 7), 7), "xxxxxxx");
  // A code above the escape byte stands for one less.
  EXPECT_EQ(Unpacked(PackedOf(std::string("ab\x00\x01\x01", 5), 6, 0x00), 6), "ababab");
  // Long length: d bit 2 and a high byte; length = (1 | 2 << 5) + 4 = 69.
  EXPECT_EQ(Unpacked(PackedOf(std::string("q\xEE\x0C\x02\x00", 5), 70), 70), std::string(70, 'q'));
  // Two- and three-byte distances.
  std::string far = Pattern(300, 1);
  for (auto& c : far) {
    if (c == '\xEE') c = 0;  // no escape bytes among the literals
  }
  EXPECT_EQ(Unpacked(PackedOf(far + std::string("\xEE\x01\x2B\x01", 4), 304), 304), far + far.substr(0, 4));
  EXPECT_EQ(Unpacked(PackedOf(far + std::string("\xEE\x02\x2B\x01\x00", 5), 304), 304), far + far.substr(0, 4));
  // Without an output the head's size comes back.
  std::string head = PackedOf("abc", 3);
  EXPECT_EQ(ArchiveUnpack(reinterpret_cast<const uint8_t*>(head.data()), head.size(), nullptr, 0), 3);

  struct Bad {
    const char* name;
    std::string packed;
    size_t size;
  } bad[] = {
      {"distance before the output", PackedOf(std::string("x\xEE\x00\x01", 4), 5), 5},
      {"length past the output", PackedOf(std::string("x\xEE\x10\x00", 4), 5), 5},
      {"distance code 3", PackedOf(std::string("xxxx\xEE\x03\x00\x00\x00\x00", 10), 8), 8},
      {"escape at the end", PackedOf("x\xEE", 2), 2},
      {"missing distance", PackedOf("x\xEE\x10", 7), 7},
      {"literal past the output", PackedOf("abcd", 3), 3},
      {"output not filled", PackedOf("ab", 3), 3},
      {"head size above the block", Head(1, 100, e) + "a", 1},
      {"head size below the head", Head(0, 4, e), 0},
      {"block shorter than a head", std::string("\x01\x00", 2), 1},
  };
  for (const auto& b : bad) EXPECT_EQ(Unpacked(b.packed, b.size), "<refused>") << b.name;
  // The output must have exactly the head's size.
  std::string ok = PackedOf("abc", 3);
  uint8_t out[8];
  EXPECT_EQ(ArchiveUnpack(reinterpret_cast<const uint8_t*>(ok.data()), ok.size(), out, 4), -1);
}

TEST(ArchiveUnpack, WriterPackingRoundTripsWithEveryCodeKind) {
  std::string data = PackingWorkout();
  for (int escape : {-1, 0x00, 0xFF, int{'z'}}) {
    std::string packed = ArchiveWriter::Pack(data, escape);
    EXPECT_LT(packed.size(), data.size());
    EXPECT_TRUE(Unpacked(packed, data.size()) == data) << escape;
    PackStats stats = Stats(packed);
    EXPECT_GT(stats.longLengths, 0);
    EXPECT_GT(stats.widths[0], 0);
    EXPECT_GT(stats.widths[1], 0);
    EXPECT_GT(stats.widths[2], 0);
    if (escape >= 0) {
      EXPECT_GT(stats.escapedLiterals, 0) << escape;
    }
  }
  for (const std::string& small : {std::string(), std::string("a"), std::string("\xEE"), Pattern(5000, 3)}) {
    std::string packed = ArchiveWriter::Pack(small, 0xEE);
    EXPECT_EQ(Unpacked(packed, small.size()), small);
  }
}

TEST(ArchivePaths, WildcardMatch) {
  struct Case {
    const char* pattern;
    const char* name;
    int result;
  } cases[] = {
      {"*.TXT", "A.TXT", 0},
      {"*.TXT", "A.B.TXT", -1},
      {"*", "ANY.THING", 0},
      {"A?C", "ABC", 0},
      {"A?C", "AC", -1},
      {"**.PNG", "X.PNG", 0},
      {"MAP*", "MAP001.MPS", 0},
      {"MAP", "MAP001", -1},
      {"\x83\x5C*", "\x83\x5C.TXT", 0},
      {"\x83\x5C*", "\x83\x5D", -1},
      {".", ".", 0},
      {"", "", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.result) << c.pattern << " " << c.name;
}

TEST_F(Archives, PathToFullUpperMakesAbsoluteUpperCasePaths) {
  char cwd[kDirectoryBufferSize];
  PackedGetDirectory(cwd);
  std::string upper = cwd;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  struct Case {
    std::string path, expected;
  } cases[] = {
      {"Data\\Map.png", upper + "\\DATA\\MAP.PNG"},
      {"./data/../Data//x", upper + "\\DATA\\X"},
      {"c:\\game\\data\\..\\..\\..\\x.png", "C:\\X.PNG"},
      {"\\Top\\a", "C:\\TOP\\A"},
      {"\\\\host\\Share\\a", "\\\\HOST\\SHARE\\A"},
      {"\x83\x61\x83\x62\\a", upper + "\\\x83\x61\x83\x62\\A"},  // trail bytes 0x61, 0x62 stay
  };
  for (const auto& c : cases) {
    char out[260];
    ASSERT_EQ(PathToFullUpper(c.path.c_str(), out, sizeof out), 0) << c.path;
    EXPECT_EQ(std::string(out), c.expected) << c.path;
  }
  char small[4];
  EXPECT_EQ(PathToFullUpper("Data\\Map.png", small, sizeof small), -1);
}

TEST_F(Archives, SameBytesFromFolderAndEveryArchiveVersionInEveryMode) {
  const std::string big = PackingWorkout();
  const std::string small = "BasicData\r\n";
  folder_.Write("Plain/BasicData/Big.dat", big);
  folder_.Write("Plain/Small.txt", small);
  struct Variant {
    int version;
    bool pack;
  } variants[] = {{0, false}, {1, false}, {2, false}, {2, true}, {3, false}, {3, true}};
  struct Mode {
    int cache, async;
  } modes[] = {{0, 0}, {1, 0}, {0, 1}};
  for (const auto& mode : modes) {
    EXPECT_TRUE(ReadWhole("plain\\basicdata\\big.dat", mode.cache, mode.async) == big);
  }
  for (const auto& v : variants) {
    SCOPED_TRACE(testing::Message() << "version " << v.version << (v.pack ? " packed" : " stored"));
    ArchiveWriter writer;
    writer.SetVersion(v.version);
    writer.SetPacking(v.pack);
    writer.SetKeyString("Key-String");
    writer.AddFile("BasicData\\Big.dat", big);
    writer.AddFile("Small.txt", small);
    writer.Write(folder_.Path() / "DATA.vorn");
    for (const auto& mode : modes) {
      EXPECT_TRUE(ReadWhole("Data\\BasicData\\Big.dat", mode.cache, mode.async) == big);
      EXPECT_EQ(ReadWhole("data/small.TXT", mode.cache, mode.async), small);
    }
    ArchiveShutdown();
  }
}

TEST_F(Archives, SeeksAndTellInsideEntries) {
  std::string bytes = Pattern(5000, 9);
  for (bool pack : {false, true}) {
    ArchiveWriter writer;
    writer.SetKeyString("Key-String");
    writer.SetPacking(pack);
    writer.AddFile("a.bin", bytes);
    writer.Write(folder_.Path() / "Data.vorn");
    for (int async : {0, 1}) {
      FileHandle file = FileLayerOpen("Data\\a.bin", 0, 1, async);
      ASSERT_NE(file, 0);
      char buffer[10];
      ASSERT_EQ(FileLayerSeek(file, -10, 2), 0);
      EXPECT_EQ(FileLayerTell(file), 4990);
      EXPECT_EQ(FileLayerRead(buffer, 10, 1, file), 1);
      while (!FileLayerIsIdle(file)) platform::ThreadYield();
      EXPECT_EQ(std::string(buffer, 10), bytes.substr(4990));
      EXPECT_EQ(FileLayerRead(buffer, 1, 1, file), 0);
      EXPECT_EQ(FileLayerAtEnd(file), -1);
      ASSERT_EQ(FileLayerSeek(file, -100, 1), 0);  // clamped targets
      EXPECT_EQ(FileLayerAtEnd(file), 0);
      EXPECT_EQ(FileLayerTell(file), 4900);
      ASSERT_EQ(FileLayerSeek(file, -9999, 1), 0);
      EXPECT_EQ(FileLayerTell(file), 0);
      ASSERT_EQ(FileLayerSeek(file, 9999, 0), 0);
      EXPECT_EQ(FileLayerTell(file), 5000);
      ASSERT_EQ(FileLayerSeek(file, 1234, 0), 0);
      EXPECT_EQ(FileLayerRead(buffer, 5, 2, file), 2);
      while (!FileLayerIsIdle(file)) platform::ThreadYield();
      EXPECT_EQ(std::string(buffer, 10), bytes.substr(1234, 10));
      FileLayerClose(file);
    }
    ArchiveShutdown();
  }
}

TEST_F(Archives, NamesResolveWithoutCaseAndInCp932) {
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("Picture\\\x89\xE6\x91\x9C.png", "image");        // 画像.png
  writer.AddFile("\x83\x5C\x83\x74\x83\x67\\Readme.TXT", "soft");  // ソフト\ (0x5C trails 0x83)
  writer.AddFile("MixedCase\\FileName.Dat", "mixed");
  writer.AddDirectory("Empty\\Folder");
  writer.Write(folder_.Path() / "Data.vorn");
  EXPECT_EQ(ReadWhole("DATA\\picture\\\x89\xE6\x91\x9C.PNG"), "image");
  EXPECT_EQ(ReadWhole("Data/\x83\x5C\x83\x74\x83\x67/readme.txt"), "soft");
  EXPECT_EQ(ReadWhole("data\\MIXEDCASE\\filename.dat"), "mixed");
  EXPECT_EQ(ReadWhole("Data\\\\MixedCase\\FileName.Dat"), "mixed");
  EXPECT_EQ(ReadWhole("Data\\Picture\\..\\MixedCase\\.\\FileName.Dat"), "mixed");
  // A folder is no file; a file cannot be a folder on the way.
  EXPECT_EQ(ReadWhole("Data\\MixedCase"), "<none>");
  EXPECT_EQ(ReadWhole("Data\\Empty\\Folder"), "<none>");
  EXPECT_EQ(ReadWhole("Data\\MixedCase\\FileName.Dat\\x"), "<none>");
}

TEST_F(Archives, FileMissingFromAnArchiveIsNotReadFromTheFolder) {
  folder_.Write("Data/Only.txt", "folder");
  folder_.Write("Other/Only.txt", "other folder");
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("Else.txt", "x");
  writer.Write(folder_.Path() / "Data.vorn");
  EXPECT_EQ(ReadWhole("Data\\Only.txt"), "<none>");
  EXPECT_EQ(ReadWhole("Other\\Only.txt"), "other folder");
}

TEST_F(Archives, PathCacheAndSharedSlotsWithReferenceCounts) {
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("a.txt", "A");
  writer.AddFile("Sub\\b.txt", "B");
  writer.Write(folder_.Path() / "Data.vorn");
  char cwd[kDirectoryBufferSize];
  PackedGetDirectory(cwd);
  FileHandle first = FileLayerOpen("Data\\a.txt", 0, 1, 0);
  ASSERT_NE(first, 0);
  EXPECT_EQ(static_cast<uint32_t>(first) & 0xF0000000u, kPackedHandleBase);
  ASSERT_EQ(gArchiveSlots.count, 1);
  int slot = gArchivePathCache.slot;
  ASSERT_NE(gArchiveSlots.slots[slot], nullptr);
  char expected[260];
  ASSERT_EQ(PathToFullUpper("Data", expected, sizeof expected), 0);
  EXPECT_EQ(std::string(gArchivePathCache.archivePath), std::string(expected) + ".vorn");
  EXPECT_EQ(gArchivePathCache.prefixLength, static_cast<int>(std::strlen(expected)));
  EXPECT_EQ(gArchiveSlots.slots[slot]->referenceCount, 1);
  // Another spelling of a path in the same archive: the same slot.
  FileHandle second = FileLayerOpen((std::string(cwd) + "\\.\\DATA\\sub\\B.TXT").c_str(), 0, 1, 0);
  ASSERT_NE(second, 0);
  EXPECT_EQ(gArchiveSlots.count, 1);
  EXPECT_EQ(gArchiveSlots.slots[slot]->referenceCount, 2);
  char byte = 0;
  EXPECT_EQ(FileLayerRead(&byte, 1, 1, second), 1);
  EXPECT_EQ(byte, 'B');
  // A failed open in the archive keeps no reference.
  EXPECT_EQ(FileLayerOpen("Data\\nothing.txt", 0, 1, 0), 0);
  EXPECT_EQ(gArchiveSlots.slots[slot]->referenceCount, 2);
  FileLayerClose(first);
  FileLayerClose(second);
  EXPECT_EQ(gArchiveSlots.slots[slot]->referenceCount, 0);
  EXPECT_EQ(gArchiveSlots.count, 1);  // stays open until released
  EXPECT_EQ(FileLayerClose(second), -1);
  ArchiveReleaseUnused();
  EXPECT_EQ(gArchiveSlots.count, 0);
  EXPECT_EQ(gArchivePathCache.archivePath[0], '\0');
}

TEST_F(Archives, ShortestCoveringFolderWinsWithTheDefaultExtension) {
  ArchiveExtensionSet(nullptr);  // "PAK"
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("X.PNG", "from data");
  writer.Write(folder_.Path() / "Game" / "DATA.PAK");
  folder_.Write("Game/Data/X.PNG", "from folder");
  EXPECT_EQ(ReadWhole("game\\data\\x.png"), "from data");
  ArchiveShutdown();
  ArchiveWriter outer;
  outer.SetKeyString("Key-String");
  outer.AddFile("Data\\X.PNG", "from game");
  outer.Write(folder_.Path() / "GAME.pak");
  EXPECT_EQ(ReadWhole("game\\data\\x.png"), "from game");
  int blocks = TrackedBlockCount();
  ArchiveExtensionSet("");  // an empty extension is "PAK" too
  EXPECT_EQ(ReadWhole("Game\\Data\\X.PNG"), "from game");
  EXPECT_EQ(TrackedBlockCount(), blocks);
}

TEST_F(Archives, KeysTriedInTurn) {
  folder_.Write("Data/f.txt", "folder");
  struct Case {
    const char* name;
    void (*key)(ArchiveWriter&);
    const char* gameKey;
    const char* expected;
  } cases[] = {
      {"game key", [](ArchiveWriter& w) { w.SetKeyString("Key-String"); }, "Key-String", "archive"},
      {"long key cut to twelve", [](ArchiveWriter& w) { w.SetKeyString("0123456789ABxyz"); }, "0123456789ABqq",
       "archive"},
      {"fallback key", [](ArchiveWriter& w) { w.UseFallbackKey(); }, "Key-String", "archive"},
      {"built-in key", [](ArchiveWriter& w) { w.UseDefaultKey(); }, nullptr, "archive"},
      {"empty key string", [](ArchiveWriter& w) { w.UseDefaultKey(); }, "", "archive"},
      {"wrong key", [](ArchiveWriter& w) { w.SetKeyString("Other"); }, "Key-String", "folder"},
  };
  for (const auto& c : cases) {
    ArchiveWriter writer;
    c.key(writer);
    writer.AddFile("f.txt", "archive");
    writer.Write(folder_.Path() / "Data.vorn");
    ArchiveKeyStringSet(c.gameKey);
    EXPECT_EQ(ReadWhole("Data\\f.txt"), c.expected) << c.name;
    ArchiveShutdown();
  }
}

TEST_F(Archives, DamagedArchivesCountAsAbsent) {
  folder_.Write("Data/x.txt", "folder");
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.SetPacking(false);
  writer.AddFile("x.txt", "archive bytes");
  writer.AddFile("Sub\\y.txt", "more");
  const std::string image = writer.Build();
  const std::string plain = writer.Xor(image);
  const uint32_t blockSize = Get32(plain, 4), blockAt = Get32(plain, 12);
  const uint32_t fileTable = blockAt + Get32(plain, 16), dirTable = blockAt + Get32(plain, 20);
  const uint32_t xEntry = fileTable, subEntry = fileTable + 44;
  ASSERT_EQ(Get32(plain, xEntry + 36), 13u);
  struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
  } damages[] = {
      {"cut in the header", [](std::string& s) { s.resize(10); }},
      {"cut after the header", [](std::string& s) { s.resize(24); }},
      {"cut in the directory block", [](std::string& s) { s.resize(s.size() - 5); }},
      {"wrong magic", [](std::string& s) { s[0] = 'Q'; }},
      {"version 4", [](std::string& s) { s[2] = 4; }},
      {"directory block larger than the file", [&](std::string& s) { Put32(s, 4, blockSize + 100); }},
      {"directory block size huge", [](std::string& s) { Put32(s, 4, 0x7FFFFFF0u); }},
      {"directory block beyond the file", [&](std::string& s) { Put32(s, 12, blockAt + 1000); }},
      {"data area beyond the file", [](std::string& s) { Put32(s, 8, 0x10000000u); }},
      {"file table beyond the block", [&](std::string& s) { Put32(s, 16, blockSize + 4); }},
      {"folder table beyond the block", [&](std::string& s) { Put32(s, 20, blockSize - 8); }},
      {"entry count huge", [&](std::string& s) { Put32(s, dirTable + 8, 0x40000000u); }},
      {"entries beyond the block", [&](std::string& s) { Put32(s, dirTable + 12, blockSize); }},
      {"name beyond the block", [&](std::string& s) { Put32(s, xEntry, blockSize - 2); }},
      {"name words beyond the block",
       [&](std::string& s) {
         s[blockAt] = '\xFF';
         s[blockAt + 1] = '\x7F';
       }},
      {"data beyond the file", [&](std::string& s) { Put32(s, xEntry + 36, 100000); }},
      {"data offset beyond the file", [&](std::string& s) { Put32(s, xEntry + 32, 0xFFFFFFF0u); }},
      {"packed size below a head", [&](std::string& s) { Put32(s, xEntry + 40, 5); }},
      {"packed size beyond the file", [&](std::string& s) { Put32(s, xEntry + 40, 0x0FFFFFFFu); }},
      {"unpacked size beyond what the codes can make",
       [&](std::string& s) {
         Put32(s, xEntry + 40, 10);
         Put32(s, xEntry + 36, 2050);
       }},
      {"folder loops to the root", [&](std::string& s) { Put32(s, subEntry + 32, 0); }},
      {"folder outside the table", [&](std::string& s) { Put32(s, subEntry + 32, 0x1000000u); }},
  };
  folder_.Write("Data.vorn", image);
  ASSERT_EQ(ReadWhole("Data\\x.txt"), "archive bytes");
  ArchiveShutdown();
  for (const auto& d : damages) {
    std::string damaged = plain;
    d.apply(damaged);
    folder_.Write("Data.vorn", writer.Xor(damaged));
    EXPECT_EQ(ReadWhole("Data\\x.txt"), "folder") << d.name;
    EXPECT_EQ(gArchiveSlots.count, 0) << d.name;
  }
}

TEST_F(Archives, BadPackedCodesRefuseTheEntry) {
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.SetEscapeByte(0xFF);
  writer.AddFile("x.txt", "xxxxxxxxxx");  // 'x', then distance 1 length 9
  const std::string plain = writer.Xor(writer.Build());
  const uint32_t packedAt = 24;
  ASSERT_EQ(plain.substr(packedAt + 9, 4), std::string("x\xFF\x28\x00", 4));
  struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
  } damages[] = {
      {"unpacked size differs from the entry", [](std::string& s) { Put32(s, packedAt, 11); }},
      {"packed size above the entry's", [](std::string& s) { Put32(s, packedAt + 4, 14); }},
      {"distance before the output", [](std::string& s) { s[packedAt + 12] = 5; }},
      {"distance code 3", [](std::string& s) { s[packedAt + 11] = 0x2B; }},
      {"length past the output", [](std::string& s) { s[packedAt + 11] = 0x30; }},
      {"codes end in an escape", [](std::string& s) { Put32(s, packedAt + 4, 11); }},
  };
  for (const auto& d : damages) {
    std::string damaged = plain;
    d.apply(damaged);
    folder_.Write("Data.vorn", writer.Xor(damaged));
    EXPECT_EQ(ReadWhole("Data\\x.txt"), "<none>") << d.name;
    EXPECT_EQ(ReadWhole("Data\\x.txt", 0, 1), "") << d.name;  // asynchronous: nothing arrives
    ArchiveShutdown();
  }
}

TEST_F(Archives, FiveHundredTwelveFilesAtOnce) {
  LogCapture log;
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("a.txt", "A");
  writer.Write(folder_.Path() / "Data.vorn");
  std::vector<FileHandle> files;
  for (int i = 0; i < kMaxPackedFiles; ++i) {
    files.push_back(FileLayerOpen("Data\\a.txt", 0, 1, 0));
    ASSERT_NE(files.back(), 0) << i;
  }
  EXPECT_EQ(FileLayerOpen("Data\\a.txt", 0, 1, 0), 0);
  EXPECT_NE(log.Read().find("\x93\xAF\x8E\x9E\x82\xC9\x8A\x4A\x82\xAF\x82\xE9"), std::string::npos);  // 同時に開ける
  FileLayerClose(files[100]);
  files[100] = FileLayerOpen("Data\\a.txt", 0, 1, 0);
  EXPECT_NE(files[100], 0);
  for (FileHandle file : files) FileLayerClose(file);
}

TEST_F(Archives, FindListsArchiveFolders) {
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("Map\\Map001.mps", "123");
  writer.AddFile("Map\\Map002.mps", "4567");
  writer.AddFile("Map\\notes.txt", "n");
  writer.AddDirectory("Map\\Sub");
  writer.Write(folder_.Path() / "Data.vorn");
  FindRecord record;
  int search = PackedFindFirst("Data\\Map\\*", &record);
  ASSERT_GE(search, 0);
  std::vector<std::string> names{record.name};
  while (PackedFindNext(search, &record) == 0) names.push_back(record.name);
  EXPECT_EQ(PackedFindClose(search), 0);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Map001.mps", "Map002.mps", "notes.txt", "Sub"}));
  search = PackedFindFirst("data\\map\\map*.MPS", &record);
  ASSERT_GE(search, 0);
  EXPECT_STREQ(record.name, "Map001.mps");
  EXPECT_EQ(record.sizeLow, 3u);
  EXPECT_EQ(record.directory, 0);
  EXPECT_EQ(record.lastWriteTime.second, 0);
  ASSERT_EQ(PackedFindNext(search, &record), 0);
  EXPECT_STREQ(record.name, "Map002.mps");
  EXPECT_EQ(PackedFindNext(search, &record), -1);
  PackedFindClose(search);
  search = PackedFindFirst("Data\\*", &record);  // the root has "." only
  ASSERT_GE(search, 0);
  EXPECT_STREQ(record.name, ".");
  ASSERT_EQ(PackedFindNext(search, &record), 0);
  EXPECT_STREQ(record.name, "Map");
  EXPECT_EQ(record.directory, 1);
  PackedFindClose(search);
  EXPECT_EQ(PackedFindFirst("Data\\Nowhere\\*", &record), -1);
  EXPECT_EQ(PackedFindFirst("Data\\Map\\*.bmp", &record), -1);
  folder_.Write("Plain/one.txt", "1");
  search = PackedFindFirst("Plain\\*.txt", &record);
  ASSERT_GE(search, 0);
  EXPECT_STREQ(record.name, "one.txt");
  EXPECT_EQ(PackedFindNext(search, &record), -1);
  PackedFindClose(search);
}

TEST_F(Archives, TwoThreadsReadDifferentEntriesOfOneArchive) {
  std::string a = Pattern(300000, 1), b = Pattern(300000, 2);
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("a.bin", a, ArchiveWriter::Packing::Stored);
  writer.AddFile("b.bin", b, ArchiveWriter::Packing::Stored);
  writer.AddFile("c.bin", a, ArchiveWriter::Packing::Packed);
  writer.Write(folder_.Path() / "Data.vorn");
  folder_.Write("plain.bin", b);
  std::atomic<int> good{0};
  auto reader = [&](const char* path, const std::string& expected, int async) {
    for (int round = 0; round < 5; ++round) {
      if (ReadWhole(path, 0, async) == expected) ++good;
    }
  };
  ASSERT_EQ(ReadWhole("Data\\a.bin"), a);  // opens the archive first
  std::thread t1(reader, "Data\\a.bin", a, 0);
  std::thread t2(reader, "Data\\b.bin", b, 1);
  std::thread t3(reader, "Data\\c.bin", a, 1);
  std::thread t4(reader, "plain.bin", b, 1);
  t1.join();
  t2.join();
  t3.join();
  t4.join();
  EXPECT_EQ(good.load(), 20);
}

TEST_F(Archives, ArchiveShrinkingAfterOpenGivesTheBytesThatArrived) {
  ArchiveWriter writer;
  writer.SetKeyString("Key-String");
  writer.AddFile("a.txt", "0123456789", ArchiveWriter::Packing::Stored);
  auto path = folder_.Path() / "Data.vorn";
  for (int async : {0, 1}) {
    SCOPED_TRACE(async ? "asynchronous" : "direct");
    writer.Write(path);
    FileHandle file = FileLayerOpen("Data\\a.txt", 0, 1, async);
    ASSERT_NE(file, 0);
    std::filesystem::resize_file(path, 24 + 4);  // the data area starts at 24
    char buffer[10] = {};
    int n = FileLayerRead(buffer, 1, 10, file);
    while (!FileLayerIsIdle(file)) platform::ThreadYield();
    // An asynchronous read reports what it asked for; its position tells the truth.
    EXPECT_EQ(n, async ? 10 : 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(FileLayerTell(file), 4);
    EXPECT_EQ(FileLayerRead(buffer, 2, 3, file), async ? 3 : 0);
    while (!FileLayerIsIdle(file)) platform::ThreadYield();
    EXPECT_EQ(FileLayerTell(file), 4);  // nothing more arrives
    FileLayerClose(file);
    ArchiveShutdown();
  }
}
