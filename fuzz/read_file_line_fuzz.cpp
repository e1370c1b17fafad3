// Reads a file line by line with ReadFileLine, from a folder or from inside an
// archive, and checks that every call returns a terminated line that fits the
// buffer and moves on.
//
// Input: byte 0 the capacity (0..69), byte 1 the way the file is read (low
// three bits: 1 asynchronous, 2 inside an archive, 3 both, else directly from
// a folder; the slow ways, which start worker threads, are the rarer ones),
// the rest the file's bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "foundation/TrackedHeap.h"
#include "media/PublicFunctions.h"
#include "platform/Backend.h"

namespace {

int gBaselineBlocks = 0;

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A version 0 archive holding the text as its one stored file "t.txt".
std::string ArchiveOf(const std::string& text) {
  std::string names;
  Put(names, 2, 2);  // "T.TXT" takes two words
  Put(names, 'T' + '.' + 'T' + 'X' + 'T', 2);
  names += std::string("T.TXT\0\0\0", 8);
  names += std::string("t.txt\0\0\0", 8);
  std::string files;
  Put(files, 0, 4);                                   // name
  Put(files, 0x20, 4);                                // attributes
  files += std::string(24, '\0');                     // times
  Put(files, 0, 4);                                   // data offset
  Put(files, static_cast<uint32_t>(text.size()), 4);  // size
  std::string folders;
  Put(folders, kArchiveNoParent, 4);
  Put(folders, kArchiveNoParent, 4);
  Put(folders, 1, 4);
  Put(folders, 0, 4);
  std::string block = names + files + folders;
  std::string image;
  Put(image, kArchiveMagic, 2);
  Put(image, 0, 2);
  Put(image, static_cast<uint32_t>(block.size()), 4);
  Put(image, kArchiveHeaderSize, 4);
  Put(image, static_cast<uint32_t>(kArchiveHeaderSize + text.size()), 4);
  Put(image, static_cast<uint32_t>(names.size()), 4);
  Put(image, static_cast<uint32_t>(names.size() + files.size()), 4);
  image += text + block;
  uint8_t key[kArchiveKeySize];
  ArchiveKeyBuild(key, "LineKey");
  ArchiveKeyXor(image.size(), reinterpret_cast<uint8_t*>(image.data()), 0, key);
  return image;
}

void WriteFile(const char* name, const std::string& bytes) {
  std::ofstream out(fuzz::ScratchFolder() / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolderWithArchives();
  gBaselineBlocks = TrackedBlockCount();
  ArchiveKeyStringSet("LineKey");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int capacity = data[0] % 70;
  int way = data[1] & 7;
  int async = (way == 1 || way == 3) ? 1 : 0;
  bool inArchive = way == 2 || way == 3;
  std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  if (inArchive) {
    WriteFile("Text.vorn", ArchiveOf(text));
  } else {
    WriteFile("t.txt", text);
  }
  FileHandle file = OpenFileForRead(inArchive ? "Text\\t.txt" : "t.txt", async);
  if (file == 0) std::abort();
  std::vector<char> buffer(static_cast<size_t>(capacity) + 8, '#');
  size_t calls = 0;
  for (;;) {
    int before = FileLayerTell(file);
    int length = ReadFileLine(buffer.data(), capacity, file);
    if (length < 0) break;
    if (length >= capacity || buffer[static_cast<size_t>(length)] != '\0') std::abort();
    if (FileLayerTell(file) <= before) std::abort();  // every line moves on
    if (++calls > text.size() + 1) std::abort();
  }
  FileLayerClose(file);
  ArchiveShutdown();
  // Every block the layer took for this run is back.
  if (TrackedBlockCount() != gBaselineBlocks) std::abort();
  return 0;
}
