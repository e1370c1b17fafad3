#include "foundation/Archive.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "foundation/Log.h"
#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"
#include "platform/files/Files.h"
#include "platform/text/Cp932Literal.h"
#include "platform/threads/Threads.h"

ArchiveSlotTable gArchiveSlots;
ArchivePathCache gArchivePathCache;
PackedFileTable gPackedFiles;

const FileLayerTable gPackedFileLayer = {PackedOpen,         PackedClose,     PackedTell,     PackedSeek,
                                         PackedRead,         PackedAtEnd,     PackedIsIdle,   PackedSetDirectory,
                                         PackedGetDirectory, PackedFindFirst, PackedFindNext, PackedFindClose};

namespace {

// The archive tables are shared by the main thread and the movie decoder's
// thread; every operation on them, and every use of an archive's stream,
// holds this lock. Plain files of the set are used outside it.
platform::RecursiveLock gArchiveLock;

char gArchiveExtension[64];
struct {
  int set;
  char text[kArchiveKeySize + 1];
} gArchiveKeyString;

constexpr size_t kFullPathSize = 260;

// ---- little helpers ----------------------------------------------------------

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t U64(const uint8_t* p) { return static_cast<uint64_t>(U32(p)) | (static_cast<uint64_t>(U32(p + 4)) << 32); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Upper-cases ASCII letters, keeping double-byte characters whole.
void UpperInPlace(char* text) {
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (IsDoubleByteLead(static_cast<unsigned char>(text[i]))) {
      if (text[i + 1] == '\0') break;
      ++i;
      continue;
    }
    text[i] = UpperAscii(text[i]);
  }
}

bool CopyText(char* out, size_t capacity, const char* text, size_t length) {
  if (length + 1 > capacity) return false;
  std::memcpy(out, text, length);
  out[length] = '\0';
  return true;
}

bool Fits(uint64_t offset, uint64_t length, uint64_t limit) { return offset <= limit && length <= limit - offset; }

// ---- the directory block ------------------------------------------------------

const uint8_t* BlockAt(const ArchiveRecord& r, uint64_t offset, uint64_t length) {
  if (!Fits(offset, length, r.header.directoryBlockSize)) return nullptr;
  return r.directoryBlock + offset;
}

bool DirEntryRead(const ArchiveRecord& r, uint32_t offset, ArchiveDirEntry* out) {
  const uint8_t* p = BlockAt(r, static_cast<uint64_t>(r.header.directoryTableOffset) + offset, kArchiveDirEntrySize);
  if (!p) return false;
  *out = ArchiveDirEntry{U32(p), U32(p + 4), U32(p + 8), U32(p + 12)};
  return true;
}

bool FileEntryRead(const ArchiveRecord& r, uint64_t offset, ArchiveFileEntry* out) {
  const uint8_t* p = BlockAt(r, r.header.fileTableOffset + offset, r.entrySize);
  if (!p) return false;
  out->nameOffset = U32(p);
  out->attributes = U32(p + 4);
  out->creationTime = U64(p + 8);
  out->accessTime = U64(p + 16);
  out->writeTime = U64(p + 24);
  out->dataOffset = U32(p + 32);
  out->dataSize = U32(p + 36);
  out->packedSize = r.entrySize >= kArchiveFileEntrySize ? U32(p + 40) : kArchiveStoredMarker;
  return true;
}

// A name of the name table: word count, byte sum, the upper-case words and the
// stored-case name.
struct NameView {
  uint16_t words;
  uint16_t sum;
  const uint8_t* upper;  // words * 4 bytes
  const char* stored;    // NUL-terminated inside the block
};

bool NameRead(const ArchiveRecord& r, uint32_t offset, NameView* out) {
  const uint8_t* p = BlockAt(r, offset, 4);
  if (!p) return false;
  out->words = U16(p);
  out->sum = U16(p + 2);
  uint64_t upperAt = static_cast<uint64_t>(offset) + 4;
  uint64_t storedAt = upperAt + static_cast<uint64_t>(out->words) * 4;
  if (out->words == 0 || !BlockAt(r, upperAt, static_cast<uint64_t>(out->words) * 4)) return false;
  // The upper-case words end in at least one zero byte, as the stored name does.
  if (r.directoryBlock[storedAt - 1] != 0) return false;
  if (storedAt >= r.header.directoryBlockSize) return false;
  const void* end = std::memchr(r.directoryBlock + storedAt, 0, r.header.directoryBlockSize - storedAt);
  if (!end) return false;
  out->upper = r.directoryBlock + upperAt;
  out->stored = reinterpret_cast<const char*>(r.directoryBlock + storedAt);
  return true;
}

// The search form of a name.
struct NameKey {
  uint16_t words;
  uint16_t sum;
  uint8_t bytes[kFullPathSize + 4];
};

bool NameKeyMake(const char* text, size_t length, NameKey* key) {
  if (length + 4 > sizeof key->bytes) return false;
  std::memset(key->bytes, 0, sizeof key->bytes);
  std::memcpy(key->bytes, text, length);
  key->bytes[length] = 0;
  UpperInPlace(reinterpret_cast<char*>(key->bytes));
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum += key->bytes[i];
  key->words = static_cast<uint16_t>(length / 4 + 1);
  key->sum = static_cast<uint16_t>(sum & 0xFFFF);
  return true;
}

bool NameMatches(const ArchiveRecord& r, uint32_t nameOffset, const NameKey& key) {
  NameView name;
  if (!NameRead(r, nameOffset, &name)) return false;
  return name.words == key.words && name.sum == key.sum &&
         std::memcmp(name.upper, key.bytes, static_cast<size_t>(key.words) * 4) == 0;
}

// Finds the entry of `key` in a folder, folders or files as asked.
bool DirFind(const ArchiveRecord& r, uint32_t dirOffset, const NameKey& key, bool folder, ArchiveFileEntry* out) {
  ArchiveDirEntry dir;
  if (!DirEntryRead(r, dirOffset, &dir)) return false;
  for (uint32_t i = 0; i < dir.entryCount; ++i) {
    ArchiveFileEntry entry;
    if (!FileEntryRead(r, dir.firstEntryOffset + static_cast<uint64_t>(i) * r.entrySize, &entry)) return false;
    bool isFolder = (entry.attributes & kArchiveFolderAttribute) != 0;
    if (isFolder == folder && NameMatches(r, entry.nameOffset, key)) {
      *out = entry;
      return true;
    }
  }
  return false;
}

// Checks the whole folder tree against the block and the file, so that a
// damaged archive is refused at open.
bool DirectoryTreeValid(const ArchiveRecord& r) {
  std::vector<uint32_t> pending{0};
  std::vector<bool> seen(r.header.directoryBlockSize, false);
  uint64_t entriesLeft = r.header.directoryBlockSize / r.entrySize;
  while (!pending.empty()) {
    uint32_t dirOffset = pending.back();
    pending.pop_back();
    ArchiveDirEntry dir;
    if (!DirEntryRead(r, dirOffset, &dir)) return false;
    // A folder reached twice is a cycle or a shared folder.
    if (seen[dirOffset]) return false;
    seen[dirOffset] = true;
    if (dir.entryCount > entriesLeft) return false;
    entriesLeft -= dir.entryCount;
    if (!BlockAt(r, static_cast<uint64_t>(r.header.fileTableOffset) + dir.firstEntryOffset,
                 static_cast<uint64_t>(dir.entryCount) * r.entrySize)) {
      return false;
    }
    for (uint32_t i = 0; i < dir.entryCount; ++i) {
      ArchiveFileEntry entry;
      if (!FileEntryRead(r, dir.firstEntryOffset + static_cast<uint64_t>(i) * r.entrySize, &entry)) return false;
      NameView name;
      if (!NameRead(r, entry.nameOffset, &name)) return false;
      if (entry.attributes & kArchiveFolderAttribute) {
        pending.push_back(entry.dataOffset);
        continue;
      }
      bool packed = entry.packedSize != kArchiveStoredMarker;
      if (entry.dataSize > 0x7FFFFFFFu) return false;
      if (packed && entry.packedSize < kArchivePackedHeadSize) return false;
      // No code yields more than 2049 bytes per byte it takes (a longest
      // back-reference in four bytes), so a larger size is a lie that would
      // only make the open take a huge block.
      if (packed && entry.dataSize > (static_cast<uint64_t>(entry.packedSize) - kArchivePackedHeadSize) * 2049) {
        return false;
      }
      uint64_t stored = packed ? entry.packedSize : entry.dataSize;
      if (!Fits(static_cast<uint64_t>(r.header.dataAreaOffset) + entry.dataOffset, stored,
                static_cast<uint64_t>(r.fileSize))) {
        return false;
      }
    }
  }
  return true;
}

// ---- key and reading ----------------------------------------------------------

uint8_t SwapNibbles(uint8_t b) { return static_cast<uint8_t>((b << 4) | (b >> 4)); }
uint8_t RotateRight(uint8_t b, int n) { return static_cast<uint8_t>((b >> n) | (b << (8 - n))); }
uint8_t RotateLeft(uint8_t b, int n) { return static_cast<uint8_t>((b << n) | (b >> (8 - n))); }

void FallbackKey(uint8_t key[kArchiveKeySize]) { std::memset(key, kArchiveFallbackKeyFill, kArchiveKeySize); }

// Reads `length` bytes from where the stream stands and deciphers them as data
// of `fileOffset` (-1: the stream's position). Returns the bytes read.
int ArchiveReadXor(int64_t fileOffset, FileHandle stream, uint8_t* buffer, int length, const uint8_t* key) {
  if (length <= 0) return 0;
  if (fileOffset < 0) fileOffset = PlainFileTell(stream);
  PlainFileRead(buffer, 1, length, stream);
  PlainFileWaitIdle(stream);
  int got = PlainFileLastReadBytes(stream);
  if (got > length) got = length;
  if (got < 0) got = 0;
  ArchiveKeyXor(static_cast<size_t>(got), buffer, static_cast<uint32_t>(fileOffset), key);
  return got;
}

void ArchiveCloseRecord(ArchiveRecord* record) {
  if (record->stream) PlainFileClose(record->stream);
  if (record->directoryBlock) TrackedFree(record->directoryBlock);
  MemoryFill(record, 0, sizeof *record);
}

bool HeaderRead(ArchiveRecord* r, const uint8_t* key) {
  uint8_t bytes[kArchiveHeaderSize];
  if (PlainFileSeek(r->stream, 0, 0) != 0) return false;
  if (ArchiveReadXor(0, r->stream, bytes, kArchiveHeaderSize, key) != static_cast<int>(kArchiveHeaderSize)) {
    return false;
  }
  r->header = ArchiveHeader{U16(bytes),      U16(bytes + 2),  U32(bytes + 4), U32(bytes + 8),
                            U32(bytes + 12), U32(bytes + 16), U32(bytes + 20)};
  return r->header.magic == kArchiveMagic;
}

int ArchiveOpenAsStream(ArchiveRecord* record, const char* path, const char* keyString) {
  MemoryFill(record, 0, sizeof *record);
  // The header and the directory are read and checked through a direct
  // stream first, so an absent or damaged archive (met again on every open
  // under its folder) never starts a worker thread.
  record->stream = PlainFileOpen(path, 0, 1, 0);
  if (!record->stream) return -1;
  record->fileSize = PlainFileSize(record->stream);
  ArchiveKeyBuild(record->key, keyString);
  if (!HeaderRead(record, record->key)) {
    FallbackKey(record->key);
    if (!HeaderRead(record, record->key)) {
      ArchiveCloseRecord(record);
      return -1;
    }
  }
  const ArchiveHeader& h = record->header;
  record->entrySize = h.version >= kArchiveFirstPackingVersion ? kArchiveFileEntrySize : kArchiveFileEntrySizeOld;
  uint64_t fileSize = static_cast<uint64_t>(record->fileSize);
  if (h.version > kArchiveMaxVersion || h.directoryBlockSize < kArchiveDirEntrySize ||
      !Fits(h.directoryBlockOffset, h.directoryBlockSize, fileSize) || h.dataAreaOffset > fileSize ||
      h.fileTableOffset > h.directoryBlockSize ||
      !Fits(h.directoryTableOffset, kArchiveDirEntrySize, h.directoryBlockSize)) {
    ArchiveCloseRecord(record);
    return -1;
  }
  record->directoryBlock = static_cast<uint8_t*>(TrackedAlloc(h.directoryBlockSize, __FILE__, __LINE__));
  if (!record->directoryBlock || PlainFileSeek(record->stream, static_cast<int>(h.directoryBlockOffset), 0) != 0 ||
      ArchiveReadXor(h.directoryBlockOffset, record->stream, record->directoryBlock,
                     static_cast<int>(h.directoryBlockSize), record->key) != static_cast<int>(h.directoryBlockSize) ||
      !DirectoryTreeValid(*record)) {
    ArchiveCloseRecord(record);
    return -1;
  }
  // Every archive is then read through its own worker thread.
  PlainFileClose(record->stream);
  record->stream = PlainFileOpen(path, 0, 1, 1);
  if (!record->stream || PlainFileSize(record->stream) != record->fileSize) {
    ArchiveCloseRecord(record);
    return -1;
  }
  record->currentDirectory = 0;
  return 0;
}

// ---- folders ------------------------------------------------------------------

// Enters the sub-folder named by `key` of the record's current folder.
int ArchiveDirEnter(ArchiveRecord* record, const NameKey& key) {
  ArchiveFileEntry entry;
  if (!DirFind(*record, record->currentDirectory, key, true, &entry)) return -1;
  record->currentDirectory = entry.dataOffset;
  return 0;
}

// Moves the record's current folder along `path` ("." stays, ".." goes up, a
// leading separator starts at the root). With `restore` the folder is put
// back afterwards; `reached` receives the folder reached either way.
int ArchiveDirChange(ArchiveRecord* record, const char* path, int restore, uint32_t* reached) {
  uint32_t saved = record->currentDirectory;
  int result = 0;
  const char* p = path;
  if (IsSeparator(*p)) {
    record->currentDirectory = 0;
    while (IsSeparator(*p)) ++p;
  }
  while (*p != '\0' && result == 0) {
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p)) {
      if (IsDoubleByteLead(static_cast<unsigned char>(*p)) && p[1] != '\0') ++p;
      ++p;
    }
    size_t length = static_cast<size_t>(p - start);
    while (IsSeparator(*p)) ++p;
    if (length == 1 && start[0] == '.') continue;
    if (length == 2 && start[0] == '.' && start[1] == '.') {
      ArchiveDirEntry dir, parent;
      if (!DirEntryRead(*record, record->currentDirectory, &dir) || dir.parentOffset == kArchiveNoParent ||
          !DirEntryRead(*record, dir.parentOffset, &parent)) {
        result = -1;
      } else {
        record->currentDirectory = dir.parentOffset;
      }
      continue;
    }
    NameKey key;
    if (!NameKeyMake(start, length, &key) || ArchiveDirEnter(record, key) != 0) result = -1;
  }
  if (reached) *reached = record->currentDirectory;
  if (restore || result != 0) record->currentDirectory = saved;
  return result;
}

// The file entry of `inner` (folders walked from the current folder).
bool ArchiveEntryFind(ArchiveRecord* record, const char* inner, ArchiveFileEntry* out) {
  uint32_t saved = record->currentDirectory;
  const char* p = inner;
  if (IsSeparator(*p)) {
    record->currentDirectory = 0;
    while (IsSeparator(*p)) ++p;
  }
  bool found = false;
  for (;;) {
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p)) {
      if (IsDoubleByteLead(static_cast<unsigned char>(*p)) && p[1] != '\0') ++p;
      ++p;
    }
    size_t length = static_cast<size_t>(p - start);
    NameKey key;
    if (length == 0 || !NameKeyMake(start, length, &key)) break;
    if (*p != '\0' && ArchiveDirEnter(record, key) == 0) {
      while (IsSeparator(*p)) ++p;
      continue;
    }
    // The first component that names no folder is the file; a file in the
    // middle of a path (more components follow) names nothing.
    if (*p == '\0') found = DirFind(*record, record->currentDirectory, key, false, out);
    break;
  }
  record->currentDirectory = saved;
  return found;
}

// ---- entry readers ------------------------------------------------------------

bool EntryIsPacked(const ArchiveRecord& r, const ArchiveFileEntry& e) {
  return r.header.version >= kArchiveFirstPackingVersion && e.packedSize != kArchiveStoredMarker;
}

uint32_t EntryFileOffset(const ArchiveRecord& r, const ArchiveFileEntry& e) {
  return r.header.dataAreaOffset + e.dataOffset;
}

bool UnpackInto(ArchiveEntryReader* reader, const uint8_t* packed, size_t packedSize) {
  int size = ArchiveUnpack(packed, packedSize, nullptr, 0);
  if (size < 0 || static_cast<uint32_t>(size) != reader->entry.dataSize) return false;
  return ArchiveUnpack(packed, packedSize, reader->unpacked, reader->entry.dataSize) == size;
}

int ArchiveEntryPoll(ArchiveEntryReader* reader) {
  if (reader->pending == 0) return 1;
  ArchiveRecord* r = reader->archive;
  if (!PlainFileIsIdle(r->stream)) return 0;
  int got = PlainFileLastReadBytes(r->stream);
  if (reader->pending == 1) {
    uint32_t packedSize = reader->entry.packedSize;
    if (got != static_cast<int>(packedSize)) {
      reader->failed = 1;
    } else {
      ArchiveKeyXor(packedSize, reader->packed, reader->pendingOffset, r->key);
      if (!UnpackInto(reader, reader->packed, packedSize)) reader->failed = 1;
    }
    TrackedFree(reader->packed);
    reader->packed = nullptr;
  } else {
    if (got < 0) got = 0;
    if (got > reader->pendingLength) got = reader->pendingLength;
    ArchiveKeyXor(static_cast<size_t>(got), reader->pendingDestination, reader->pendingOffset, r->key);
    // The position moved by the whole request when it was posted; a short
    // read moves it only by what arrived.
    reader->position -= reader->pendingLength - got;
  }
  reader->pending = 0;
  if (r->pendingReader == reader) r->pendingReader = nullptr;
  return 1;
}

// Blocks until the reader's read in flight has arrived and been deciphered
// (waiting on the stream's worker rather than polling with sleeps).
void FinishPending(ArchiveEntryReader* reader) {
  if (reader->pending == 0) return;
  PlainFileWaitIdle(reader->archive->stream);
  while (ArchiveEntryPoll(reader) == 0) platform::ThreadYield();
}

// Another reader's read in flight on the same archive stream completes before
// this one moves the stream.
void ClaimStream(ArchiveEntryReader* reader) {
  ArchiveEntryReader* other = reader->archive->pendingReader;
  if (other && other != reader) FinishPending(other);
  FinishPending(reader);
}

int ArchiveEntryOpen(ArchiveEntryReader* reader, ArchiveRecord* record, const char* inner, int async) {
  MemoryFill(reader, 0, sizeof *reader);
  ArchiveFileEntry entry;
  if (!ArchiveEntryFind(record, inner, &entry)) return -1;
  reader->archive = record;
  reader->entry = entry;
  reader->async = async ? 1 : 0;
  if (!EntryIsPacked(*record, entry)) return 0;
  // A packed entry is unpacked whole now (or when its read completes).
  reader->unpacked = static_cast<uint8_t*>(TrackedAlloc(entry.dataSize ? entry.dataSize : 1, __FILE__, __LINE__));
  reader->packed = static_cast<uint8_t*>(TrackedAlloc(entry.packedSize, __FILE__, __LINE__));
  uint32_t offset = EntryFileOffset(*record, entry);
  if (reader->unpacked && reader->packed) {
    ClaimStream(reader);
    if (PlainFileSeek(record->stream, static_cast<int>(offset), 0) == 0) {
      if (reader->async) {
        PlainFileRead(reader->packed, 1, static_cast<int>(entry.packedSize), record->stream);
        reader->pending = 1;
        reader->pendingOffset = offset;
        record->pendingReader = reader;
        return 0;
      }
      int got = ArchiveReadXor(offset, record->stream, reader->packed, static_cast<int>(entry.packedSize), record->key);
      if (got == static_cast<int>(entry.packedSize) && UnpackInto(reader, reader->packed, entry.packedSize)) {
        TrackedFree(reader->packed);
        reader->packed = nullptr;
        return 0;
      }
    }
  }
  if (reader->unpacked) TrackedFree(reader->unpacked);
  if (reader->packed) TrackedFree(reader->packed);
  MemoryFill(reader, 0, sizeof *reader);
  return -1;
}

void ArchiveEntryClose(ArchiveEntryReader* reader) {
  if (reader->archive) FinishPending(reader);
  if (reader->unpacked) TrackedFree(reader->unpacked);
  if (reader->packed) TrackedFree(reader->packed);
  MemoryFill(reader, 0, sizeof *reader);
}

// Reads up to `bytes`; returns the bytes read (those that arrived).
int ArchiveEntryRead(ArchiveEntryReader* reader, void* destination, int bytes) {
  FinishPending(reader);
  // The end-of-file flag alone does not stop a read: like a plain file, a
  // read too large for what remains sets it and a smaller one still succeeds.
  if (reader->failed || bytes <= 0) return 0;
  int size = static_cast<int>(reader->entry.dataSize);
  if (reader->position >= size) {
    reader->endOfFile = 1;
    return 0;
  }
  int n = bytes < size - reader->position ? bytes : size - reader->position;
  if (reader->unpacked) {
    MemoryCopy(destination, reader->unpacked + reader->position, static_cast<size_t>(n));
  } else {
    ArchiveRecord* r = reader->archive;
    ClaimStream(reader);
    uint32_t offset = EntryFileOffset(*r, reader->entry) + static_cast<uint32_t>(reader->position);
    if (PlainFileTell(r->stream) != static_cast<int>(offset) &&
        PlainFileSeek(r->stream, static_cast<int>(offset), 0) != 0) {
      return 0;
    }
    if (reader->async) {
      PlainFileRead(destination, 1, n, r->stream);
      reader->pending = 2;
      reader->pendingOffset = offset;
      reader->pendingDestination = static_cast<uint8_t*>(destination);
      reader->pendingLength = n;
      r->pendingReader = reader;
    } else {
      n = ArchiveReadXor(offset, r->stream, static_cast<uint8_t*>(destination), n, r->key);
    }
  }
  reader->position += n;
  reader->endOfFile = 0;
  return n;
}

int ArchiveEntrySeek(ArchiveEntryReader* reader, int offset, int origin) {
  FinishPending(reader);
  int64_t size = reader->entry.dataSize;
  int64_t base = origin == 0 ? 0 : origin == 1 ? reader->position : origin == 2 ? size : -1;
  if (base < 0) return -1;
  int64_t target = base + offset;
  if (target < 0) target = 0;
  if (target > size) target = size;
  reader->position = static_cast<int>(target);
  reader->endOfFile = 0;
  return 0;
}

// ---- archive slots ------------------------------------------------------------

void SlotFree(int index) {
  ArchiveSlot* slot = gArchiveSlots.slots[index];
  ArchiveCloseRecord(&slot->record);
  TrackedFree(slot);
  gArchiveSlots.slots[index] = nullptr;
  --gArchiveSlots.count;
  if (gArchivePathCache.archivePath[0] != '\0' && gArchivePathCache.slot == index) {
    MemoryFill(&gArchivePathCache, 0, sizeof gArchivePathCache);
  }
}

void ArchiveRelease(int index) {
  if (index < 0 || index >= kMaxArchives || !gArchiveSlots.slots[index]) return;
  ArchiveSlot* slot = gArchiveSlots.slots[index];
  if (slot->referenceCount > 0) --slot->referenceCount;
}

PackedFileSlot* PackedSlotOf(FileHandle file) {
  uint32_t index = static_cast<uint32_t>(file) - kPackedHandleBase;
  if (index >= static_cast<uint32_t>(kMaxPackedFiles)) return nullptr;
  return gPackedFiles.slots[index];
}

// ---- finds --------------------------------------------------------------------

struct ArchiveFindState {
  ArchiveRecord* archive;
  char pattern[kFullPathSize];
  uint32_t directory;
  int nextIndex;
};

struct ArchiveFindHandle {
  int inArchive;
  int archiveSlot;
  int plainSearch;
  ArchiveFindState* state;
};

constexpr int kMaxFinds = 64;
ArchiveFindHandle* gFinds[kMaxFinds];

int PathSplitName(char* name, size_t nameCapacity, char* folder, size_t folderCapacity, const char* path) {
  size_t split = 0;
  bool haveSplit = false;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    if (IsDoubleByteLead(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
      ++i;
      continue;
    }
    if (IsSeparator(path[i]) || path[i] == ':') {
      split = i;
      haveSplit = true;
    }
  }
  size_t length = std::strlen(path);
  if (!haveSplit) return CopyText(folder, folderCapacity, "", 0) && CopyText(name, nameCapacity, path, length) ? 0 : -1;
  return CopyText(folder, folderCapacity, path, split + 1) &&
                 CopyText(name, nameCapacity, path + split + 1, length - split - 1)
             ? 0
             : -1;
}

// Visits positions from the state's index: "." (and ".." below the root),
// then the folder's entries; the first whose upper-case name matches fills
// the record.
int ArchiveFindStep(ArchiveFindState* state, FindRecord* record) {
  ArchiveRecord& r = *state->archive;
  ArchiveDirEntry dir;
  if (!DirEntryRead(r, state->directory, &dir)) return -1;
  int dots = state->directory == 0 ? 1 : 2;
  int total = dots + static_cast<int>(dir.entryCount);
  for (int index = state->nextIndex; index < total; ++index) {
    if (index < dots) {
      const char* name = index == 0 ? "." : "..";
      if (WildcardMatch(state->pattern, name) != 0) continue;
      if (record) {
        MemoryFill(record, 0, sizeof *record);
        TextCopy(record->name, name);
        record->directory = 1;
      }
      state->nextIndex = index;
      return 0;
    }
    ArchiveFileEntry entry;
    NameView name;
    if (!FileEntryRead(r, dir.firstEntryOffset + static_cast<uint64_t>(index - dots) * r.entrySize, &entry) ||
        !NameRead(r, entry.nameOffset, &name)) {
      return -1;
    }
    char upper[kFullPathSize];
    size_t upperLength = strnlen(reinterpret_cast<const char*>(name.upper), static_cast<size_t>(name.words) * 4);
    if (!CopyText(upper, sizeof upper, reinterpret_cast<const char*>(name.upper), upperLength)) continue;
    if (WildcardMatch(state->pattern, upper) != 0) continue;
    if (record) {
      MemoryFill(record, 0, sizeof *record);
      CopyText(record->name, sizeof record->name, name.stored, strnlen(name.stored, sizeof record->name - 1));
      record->directory = (entry.attributes & kArchiveFolderAttribute) ? 1 : 0;
      record->sizeLow = entry.dataSize;
      FileTimeToDateRecord(entry.creationTime, &record->creationTime);
      FileTimeToDateRecord(entry.writeTime, &record->lastWriteTime);
    }
    state->nextIndex = index;
    return 0;
  }
  return -1;
}

int ArchiveFindStart(ArchiveRecord* record, const char* patternPath, FindRecord* findRecord, ArchiveFindState* state) {
  char name[kFullPathSize], folder[kFullPathSize];
  if (PathSplitName(name, sizeof name, folder, sizeof folder, patternPath) != 0) return -1;
  UpperInPlace(name);
  UpperInPlace(folder);
  uint32_t reached = 0;
  if (ArchiveDirChange(record, folder, 1, &reached) != 0) return -1;
  MemoryFill(state, 0, sizeof *state);
  state->archive = record;
  TextCopy(state->pattern, name);
  state->directory = reached;
  state->nextIndex = 0;
  return ArchiveFindStep(state, findRecord);
}

}  // namespace

// ---- settings -------------------------------------------------------------------

int ArchiveTableReset() {
  std::lock_guard lock(gArchiveLock);
  MemoryFill(&gArchiveSlots, 0, sizeof gArchiveSlots);
  MemoryFill(&gPackedFiles, 0, sizeof gPackedFiles);
  MemoryFill(&gArchivePathCache, 0, sizeof gArchivePathCache);
  MemoryFill(gArchiveExtension, 0, sizeof gArchiveExtension);
  MemoryFill(&gArchiveKeyString, 0, sizeof gArchiveKeyString);
  MemoryFill(gFinds, 0, sizeof gFinds);
  return 0;
}

int ArchiveExtensionSet(const char* text) {
  std::lock_guard lock(gArchiveLock);
  size_t length = text ? std::strlen(text) : 0;
  MemoryFill(gArchiveExtension, 0, sizeof gArchiveExtension);
  // The fill above leaves the terminating zero after the copied bytes.
  if (length >= 1 && length < sizeof gArchiveExtension)
    std::memcpy(gArchiveExtension, text, length);  // NOLINT(bugprone-not-null-terminated-result): zero-filled above
  // Archives found under the old extension no longer stand for their folders.
  MemoryFill(&gArchivePathCache, 0, sizeof gArchivePathCache);
  return 0;
}

int ArchiveKeyStringSet(const char* text) {
  std::lock_guard lock(gArchiveLock);
  MemoryFill(&gArchiveKeyString, 0, sizeof gArchiveKeyString);
  if (text) {
    gArchiveKeyString.set = 1;
    size_t length = strnlen(text, kArchiveKeySize);
    std::memcpy(gArchiveKeyString.text, text, length);
  }
  MemoryFill(&gArchivePathCache, 0, sizeof gArchivePathCache);
  return 0;
}

int ArchiveShutdown() { return ArchiveReleaseUnused(); }

// ---- archive functions ------------------------------------------------------------

void ArchiveKeyBuild(uint8_t key[kArchiveKeySize], const char* keyString) {
  size_t length = keyString ? std::strlen(keyString) : 0;
  if (length == 0) {
    // No key string (an empty one is taken as none): the built-in fill.
    std::memset(key, kArchiveDefaultKeyFill, kArchiveKeySize);
  } else {
    for (int i = 0; i < kArchiveKeySize; ++i) key[i] = static_cast<uint8_t>(keyString[static_cast<size_t>(i) % length]);
  }
  key[0] = static_cast<uint8_t>(~key[0]);
  key[1] = SwapNibbles(key[1]);
  key[2] ^= kArchiveKeyXor2;
  key[3] = static_cast<uint8_t>(~SwapNibbles(key[3]));
  key[4] = static_cast<uint8_t>(~key[4]);
  key[5] ^= kArchiveKeyXor5;
  key[6] = static_cast<uint8_t>(~key[6]);
  key[7] = static_cast<uint8_t>(~RotateRight(key[7], 3));
  key[8] = RotateLeft(key[8], 3);
  key[9] ^= kArchiveKeyXor9;
  key[10] = SwapNibbles(key[10]) ^ kArchiveKeyXor10;
  key[11] ^= kArchiveKeyXor11;
}

int ArchiveKeyXor(size_t length, uint8_t* buffer, uint32_t fileOffset, const uint8_t key[kArchiveKeySize]) {
  size_t index = fileOffset % kArchiveKeySize;
  for (size_t i = 0; i < length; ++i) {
    buffer[i] ^= key[index];
    if (++index == kArchiveKeySize) index = 0;
  }
  return static_cast<int>(index);
}

int ArchiveUnpack(const uint8_t* block, size_t blockSize, uint8_t* output, size_t outputSize) {
  if (!block || blockSize < kArchivePackedHeadSize) return -1;
  uint32_t unpackedSize = U32(block);
  uint32_t packedSize = U32(block + 4);
  uint8_t escape = block[8];
  if (unpackedSize > 0x7FFFFFFFu) return -1;
  if (!output) return static_cast<int>(unpackedSize);
  if (outputSize != unpackedSize || packedSize < kArchivePackedHeadSize || packedSize > blockSize) return -1;
  size_t in = kArchivePackedHeadSize;
  size_t out = 0;
  while (in < packedSize) {
    uint8_t byte = block[in++];
    if (byte != escape) {
      if (out >= unpackedSize) return -1;
      output[out++] = byte;
      continue;
    }
    if (in >= packedSize) return -1;
    uint8_t code = block[in++];
    if (code == escape) {
      if (out >= unpackedSize) return -1;
      output[out++] = escape;
      continue;
    }
    uint32_t d = code > escape ? code - 1u : code;
    uint32_t length = d >> 3;
    if (d & 4) {
      if (in >= packedSize) return -1;
      length |= static_cast<uint32_t>(block[in++]) << 5;
    }
    length += kArchiveMinMatch;
    uint32_t width = d & 3;
    if (width == 3 || in + width + 1 > packedSize) return -1;
    uint32_t distance = block[in];
    if (width >= 1) distance |= static_cast<uint32_t>(block[in + 1]) << 8;
    if (width == 2) distance |= static_cast<uint32_t>(block[in + 2]) << 16;
    in += width + 1;
    distance += 1;
    // Never from before the output's start nor past its end.
    if (distance > out || length > unpackedSize - out) return -1;
    for (uint32_t i = 0; i < length; ++i, ++out) output[out] = output[out - distance];
  }
  return out == unpackedSize ? static_cast<int>(unpackedSize) : -1;
}

int WildcardMatch(const char* pattern, const char* name) {
  const char* p = pattern;
  const char* n = name;
  while (*p != '\0') {
    if (IsDoubleByteLead(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      if (n[0] != p[0] || n[1] != p[1]) return -1;
      p += 2;
      n += 2;
      continue;
    }
    if (*p == '?') {
      if (*n == '\0') return -1;
      ++p;
      ++n;
      continue;
    }
    if (*p == '*') {
      while (*p == '*') ++p;
      if (*p == '\0') return 0;
      // Skip to the first occurrence of the next character, no later one.
      while (*n != '\0' && *n != *p) ++n;
      if (*n == '\0') return -1;
      continue;
    }
    if (*n != *p) return -1;
    ++p;
    ++n;
  }
  return *n == '\0' ? 0 : -1;
}

int PathToFullUpper(const char* path, char* out, size_t capacity) {
  if (!path || !out || capacity == 0) return -1;
  char base[kFullPathSize];
  size_t baseLength = platform::CurrentDirectoryGet(base, sizeof base);
  if (baseLength == 0 || baseLength >= sizeof base) return -1;
  UpperInPlace(base);
  PathAssembler result;
  const char* p = path;
  size_t floor = 0;  // the part ".." never removes
  if (IsSeparator(p[0]) && p[1] == p[0]) {
    result.Append("\\", 1);
    floor = 1;
    p += 2;
  } else if (IsSeparator(p[0])) {
    result.Append(base, baseLength < 2 ? baseLength : 2);
    floor = result.Length();
  } else if (p[0] != '\0' && p[1] == ':') {
    char drive[2] = {UpperAscii(p[0]), ':'};
    result.Append(drive, 2);
    floor = 2;
    p += 2;
    if (*p == '\\') ++p;
  } else {
    size_t n = baseLength;
    while (n > 0 && IsSeparator(base[n - 1])) --n;
    if (!result.Append(base, n)) return -1;
    floor = base[1] == ':' ? 2 : 0;
  }
  while (*p != '\0') {
    while (IsSeparator(*p)) ++p;
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p)) {
      if (IsDoubleByteLead(static_cast<unsigned char>(*p)) && p[1] != '\0') ++p;
      ++p;
    }
    size_t n = static_cast<size_t>(p - start);
    if (n == 1 && start[0] == '.') continue;
    if (n == 2 && start[0] == '.' && start[1] == '.') {
      result.DropLastComponent(floor);
      continue;
    }
    size_t at = result.Length();
    if (!result.AppendComponent(start, n)) return -1;
    UpperInPlace(result.Data() + at);
  }
  return result.CopyTo(out, capacity) ? 0 : -1;
}

int ArchiveReleaseUnused() {
  std::lock_guard lock(gArchiveLock);
  for (int i = 0; i < kMaxArchives; ++i) {
    if (gArchiveSlots.slots[i] && gArchiveSlots.slots[i]->referenceCount <= 0) SlotFree(i);
  }
  return 0;
}

int ArchiveAcquire(int hint, const char* archivePath) {
  std::lock_guard lock(gArchiveLock);
  size_t pathLength = std::strlen(archivePath);
  if (pathLength + 1 > kArchivePathSize) return -1;
  if (hint >= 0 && hint < kMaxArchives && gArchiveSlots.slots[hint] &&
      TextCompare(gArchiveSlots.slots[hint]->path, archivePath) == 0) {
    ++gArchiveSlots.slots[hint]->referenceCount;
    return hint;
  }
  int freeSlot = -1;
  int seen = 0;
  for (int i = 0; i < kMaxArchives && seen < gArchiveSlots.count; ++i) {
    ArchiveSlot* slot = gArchiveSlots.slots[i];
    if (!slot) {
      freeSlot = i;
      continue;
    }
    ++seen;
    if (TextCompare(slot->path, archivePath) == 0) {
      ++slot->referenceCount;
      return i;
    }
  }
  if (gArchiveSlots.count >= kMaxArchives) {
    ArchiveReleaseUnused();
    if (gArchiveSlots.count >= kMaxArchives) return -1;
    freeSlot = -1;
  }
  if (freeSlot < 0) {
    for (int i = 0; i < kMaxArchives; ++i) {
      if (!gArchiveSlots.slots[i]) {
        freeSlot = i;
        break;
      }
    }
  }
  if (freeSlot < 0) return -1;
  ArchiveRecord record;
  if (ArchiveOpenAsStream(&record, archivePath, gArchiveKeyString.set ? gArchiveKeyString.text : nullptr) != 0) {
    return -1;
  }
  auto* slot = static_cast<ArchiveSlot*>(TrackedAllocZeroed(sizeof(ArchiveSlot), __FILE__, __LINE__));
  if (!slot) {
    ArchiveCloseRecord(&record);
    return -1;
  }
  slot->record = record;
  std::memcpy(slot->path, archivePath, pathLength + 1);
  slot->referenceCount = 1;
  gArchiveSlots.slots[freeSlot] = slot;
  ++gArchiveSlots.count;
  return freeSlot;
}

int ArchivePathResolve(const char* path, int* slotOut, char* archivePath, char* innerPath, size_t innerCapacity) {
  std::lock_guard lock(gArchiveLock);
  char full[kFullPathSize];
  if (PathToFullUpper(path, full, sizeof full) != 0) return -1;
  size_t fullLength = std::strlen(full);
  auto finish = [&](int slot, const char* candidate, size_t prefixLength) {
    const char* inner = full + prefixLength + 1;
    if (innerPath && !CopyText(innerPath, innerCapacity, inner, std::strlen(inner))) {
      ArchiveRelease(slot);
      return -1;
    }
    if (archivePath) TextCopy(archivePath, candidate);
    *slotOut = slot;
    return 0;
  };
  // The archive found last, when the path lies under its folder.
  const ArchivePathCache& cache = gArchivePathCache;
  if (cache.archivePath[0] != '\0' && static_cast<size_t>(cache.prefixLength) < fullLength &&
      std::memcmp(full, cache.archivePath, static_cast<size_t>(cache.prefixLength)) == 0 &&
      full[cache.prefixLength] == '\\') {
    char candidate[kArchivePathSize];
    TextCopy(candidate, cache.archivePath);
    int slot = ArchiveAcquire(cache.slot, candidate);
    if (slot >= 0) return finish(slot, candidate, static_cast<size_t>(cache.prefixLength));
  }
  const char* extension = gArchiveExtension[0] != '\0' ? gArchiveExtension : "PAK";
  size_t extensionLength = std::strlen(extension);
  size_t at = (full[0] == '\\' && full[1] == '\\') ? 2 : 0;
  for (;;) {
    size_t end = at;
    while (full[end] != '\0' && full[end] != '\\') {
      if (IsDoubleByteLead(static_cast<unsigned char>(full[end])) && full[end + 1] != '\0') ++end;
      ++end;
    }
    // The file name itself, or an empty component: no archive holds the path.
    if (full[end] == '\0' || end == at) return -1;
    char candidate[kArchivePathSize];
    if (end + 1 + extensionLength + 1 <= sizeof candidate) {
      std::memcpy(candidate, full, end);
      candidate[end] = '.';
      std::memcpy(candidate + end + 1, extension, extensionLength + 1);
      int slot = ArchiveAcquire(-1, candidate);
      if (slot >= 0) {
        if (finish(slot, candidate, end) != 0) return -1;
        TextCopy(gArchivePathCache.archivePath, candidate);
        gArchivePathCache.prefixLength = static_cast<int>(end);
        gArchivePathCache.slot = slot;
        return 0;
      }
    }
    at = end + 1;
  }
}

// ---- the archive-aware set ----------------------------------------------------------

FileHandle PackedOpen(const char* path, int cacheFlag, int /*unusedFlag*/, int asyncFlag) {
  if (!path) return 0;
  std::lock_guard lock(gArchiveLock);
  if (gPackedFiles.count >= kMaxPackedFiles) {
    LogWrite(Cp932<"同時に開けるファイルの数が限界を超えました\n">);
    return 0;
  }
  int index = 0;
  while (index < kMaxPackedFiles && gPackedFiles.slots[index]) ++index;
  auto* slot = index < kMaxPackedFiles
                   ? static_cast<PackedFileSlot*>(TrackedAllocZeroed(sizeof(PackedFileSlot), __FILE__, __LINE__))
                   : nullptr;
  if (!slot) {
    LogWrite(Cp932<"ファイルの情報を格納するメモリの確保に失敗しました\n">);
    return 0;
  }
  int archive = -1;
  char inner[kFullPathSize];
  if (ArchivePathResolve(path, &archive, nullptr, inner, sizeof inner) != 0) {
    slot->plain = PlainFileOpen(path, cacheFlag, 1, asyncFlag);
    if (!slot->plain) {
      TrackedFree(slot);
      return 0;
    }
  } else {
    if (ArchiveEntryOpen(&slot->reader, &gArchiveSlots.slots[archive]->record, inner, asyncFlag) != 0) {
      // Not looked for in the folder: the archive stands for it.
      ArchiveRelease(archive);
      TrackedFree(slot);
      return 0;
    }
    slot->inArchive = 1;
    slot->archiveSlot = archive;
  }
  gPackedFiles.slots[index] = slot;
  ++gPackedFiles.count;
  return static_cast<FileHandle>(kPackedHandleBase + static_cast<uint32_t>(index));
}

int PackedClose(FileHandle file) {
  std::lock_guard lock(gArchiveLock);
  PackedFileSlot* slot = PackedSlotOf(file);
  if (!slot) return -1;
  if (slot->inArchive) {
    ArchiveRelease(slot->archiveSlot);
    ArchiveEntryClose(&slot->reader);
  } else {
    PlainFileClose(slot->plain);
  }
  TrackedFree(slot);
  gPackedFiles.slots[static_cast<uint32_t>(file) - kPackedHandleBase] = nullptr;
  --gPackedFiles.count;
  return 0;
}

namespace {

// Runs `inArchive` on the reader under the lock, or `plain` on the plain
// stream without it (its worker may block; other handles must not wait).
template <typename InArchive, typename Plain>
int WithSlot(FileHandle file, InArchive inArchive, Plain plain) {
  std::unique_lock lock(gArchiveLock);
  PackedFileSlot* slot = PackedSlotOf(file);
  if (!slot) return -1;
  if (slot->inArchive) return inArchive(&slot->reader);
  FileHandle stream = slot->plain;
  lock.unlock();
  return plain(stream);
}

}  // namespace

int PackedTell(FileHandle file) {
  return WithSlot(
      file,
      [](ArchiveEntryReader* reader) {
        FinishPending(reader);
        return reader->position;
      },
      [](FileHandle plain) { return PlainFileTell(plain); });
}

int PackedSeek(FileHandle file, int offset, int origin) {
  return WithSlot(
      file, [&](ArchiveEntryReader* reader) { return ArchiveEntrySeek(reader, offset, origin); },
      [&](FileHandle plain) { return PlainFileSeek(plain, offset, origin); });
}

int PackedRead(void* buffer, int size, int count, FileHandle file) {
  return WithSlot(
      file,
      [&](ArchiveEntryReader* reader) {
        if (!buffer || size <= 0 || count <= 0) return 0;
        FinishPending(reader);
        // Whole elements, as plain files count them.
        int64_t remaining = static_cast<int64_t>(reader->entry.dataSize) - reader->position;
        int64_t n = count;
        if (static_cast<int64_t>(size) * count > remaining) n = remaining / size;
        if (n <= 0) {
          reader->endOfFile = 1;
          return 0;
        }
        return ArchiveEntryRead(reader, buffer, static_cast<int>(n * size)) / size;
      },
      [&](FileHandle plain) { return PlainFileRead(buffer, size, count, plain); });
}

int PackedAtEnd(FileHandle file) {
  return WithSlot(
      file,
      [](ArchiveEntryReader* reader) {
        FinishPending(reader);
        return (reader->endOfFile || reader->failed) ? -1 : 0;
      },
      [](FileHandle plain) { return PlainFileAtEnd(plain); });
}

int PackedIsIdle(FileHandle file) {
  return WithSlot(
      file, [](ArchiveEntryReader* reader) { return ArchiveEntryPoll(reader); },
      [](FileHandle plain) { return PlainFileIsIdle(plain); });
}

int PackedSetDirectory(const char* path) {
  if (path) platform::CurrentDirectorySet(path);
  return 0;
}

int PackedGetDirectory(char* buffer) {
  if (buffer) platform::CurrentDirectoryGet(buffer, kDirectoryBufferSize);
  return 0;
}

int PackedFindFirst(const char* pattern, FindRecord* record) {
  if (!pattern) return -1;
  std::lock_guard lock(gArchiveLock);
  int index = 0;
  while (index < kMaxFinds && gFinds[index]) ++index;
  if (index >= kMaxFinds) return -1;
  auto* handle = static_cast<ArchiveFindHandle*>(TrackedAllocZeroed(sizeof(ArchiveFindHandle), __FILE__, __LINE__));
  if (!handle) return -1;
  int archive = -1;
  char inner[kFullPathSize];
  if (ArchivePathResolve(pattern, &archive, nullptr, inner, sizeof inner) == 0) {
    handle->state = static_cast<ArchiveFindState*>(TrackedAllocZeroed(sizeof(ArchiveFindState), __FILE__, __LINE__));
    if (!handle->state || ArchiveFindStart(&gArchiveSlots.slots[archive]->record, inner, record, handle->state) != 0) {
      ArchiveRelease(archive);
      if (handle->state) TrackedFree(handle->state);
      TrackedFree(handle);
      return -1;
    }
    handle->inArchive = 1;
    handle->archiveSlot = archive;
  } else {
    handle->plainSearch = PlainFindFirst(pattern, record);
    if (handle->plainSearch < 0) {
      TrackedFree(handle);
      return -1;
    }
  }
  gFinds[index] = handle;
  return index;
}

int PackedFindNext(int search, FindRecord* record) {
  std::lock_guard lock(gArchiveLock);
  if (search < 0 || search >= kMaxFinds || !gFinds[search]) return -1;
  ArchiveFindHandle* handle = gFinds[search];
  if (!handle->inArchive) return PlainFindNext(handle->plainSearch, record);
  ++handle->state->nextIndex;
  return ArchiveFindStep(handle->state, record);
}

int PackedFindClose(int search) {
  std::lock_guard lock(gArchiveLock);
  if (search < 0 || search >= kMaxFinds || !gFinds[search]) return -1;
  ArchiveFindHandle* handle = gFinds[search];
  if (handle->inArchive) {
    TrackedFree(handle->state);
    ArchiveRelease(handle->archiveSlot);
  } else {
    PlainFindClose(handle->plainSearch);
  }
  TrackedFree(handle);
  gFinds[search] = nullptr;
  return 0;
}
