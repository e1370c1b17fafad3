#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/ArchiveFormat.h"
#include "foundation/FileLayer.h"

// The archive-aware file set: a path is made absolute and upper-case; when a
// folder on its way has an archive beside it ("DATA" -> "DATA.vorn"), the file
// is served from that archive, else from the folder through the plain set.
// A damaged archive counts as absent.

constexpr int kMaxArchives = 512;
constexpr int kMaxPackedFiles = 512;
constexpr uint32_t kPackedHandleBase = 0xF0000000u;
constexpr size_t kArchivePathSize = 256;

struct ArchiveHeader {
  uint16_t magic;
  uint16_t version;
  uint32_t directoryBlockSize;
  uint32_t dataAreaOffset;
  uint32_t directoryBlockOffset;
  uint32_t fileTableOffset;       // inside the directory block
  uint32_t directoryTableOffset;  // inside the directory block
};

// One entry of a folder, decoded from the file table.
struct ArchiveFileEntry {
  uint32_t nameOffset;
  uint32_t attributes;
  uint64_t creationTime;
  uint64_t accessTime;
  uint64_t writeTime;
  uint32_t dataOffset;  // folders: their ArchiveDirEntry in the directory table
  uint32_t dataSize;
  uint32_t packedSize;  // kArchiveStoredMarker when stored (always in versions 0, 1)
};

struct ArchiveDirEntry {
  uint32_t fileEntryOffset;
  uint32_t parentOffset;
  uint32_t entryCount;
  uint32_t firstEntryOffset;
};

struct ArchiveEntryReader;

// One open archive. The directory block is held whole and was checked at
// open, so every offset in it lies inside it.
struct ArchiveRecord {
  ArchiveHeader header;
  FileHandle stream;  // plain stream with a worker
  int fileSize;
  uint8_t* directoryBlock;
  uint32_t entrySize;
  uint32_t currentDirectory;  // offset in the directory table; the root is 0
  uint8_t key[kArchiveKeySize];
  ArchiveEntryReader* pendingReader;  // reader whose asynchronous read is in flight
};

struct ArchiveSlot {
  int referenceCount;
  ArchiveRecord record;
  char path[kArchivePathSize];
};

struct ArchiveSlotTable {
  ArchiveSlot* slots[kMaxArchives];
  int count;
};
extern ArchiveSlotTable gArchiveSlots;

struct ArchivePathCache {
  char archivePath[kArchivePathSize];  // empty: nothing cached
  int prefixLength;
  int slot;
};
extern ArchivePathCache gArchivePathCache;

// One open file inside an archive.
struct ArchiveEntryReader {
  ArchiveRecord* archive;
  ArchiveFileEntry entry;
  uint8_t* unpacked;  // packed entries: the whole data
  uint8_t* packed;    // while a packed read is pending
  int endOfFile;
  int position;
  int async;
  int pending;  // 0 none, 1 packed read, 2 raw read
  uint32_t pendingOffset;
  uint8_t* pendingDestination;
  int pendingLength;
  int failed;  // the data could not be read or unpacked
};

struct PackedFileSlot {
  int inArchive;
  FileHandle plain;
  int archiveSlot;
  ArchiveEntryReader reader;
};

struct PackedFileTable {
  PackedFileSlot* slots[kMaxPackedFiles];
  int count;
};
extern PackedFileTable gPackedFiles;

// Settings and lifetime.
int ArchiveTableReset();
int ArchiveExtensionSet(const char* text);
int ArchiveKeyStringSet(const char* text);
int ArchiveShutdown();

// The archive-aware set.
extern const FileLayerTable gPackedFileLayer;
FileHandle PackedOpen(const char* path, int cacheFlag, int unusedFlag, int asyncFlag);
int PackedClose(FileHandle file);
int PackedTell(FileHandle file);
int PackedSeek(FileHandle file, int offset, int origin);
int PackedRead(void* buffer, int size, int count, FileHandle file);
int PackedAtEnd(FileHandle file);
int PackedIsIdle(FileHandle file);
int PackedSetDirectory(const char* path);
int PackedGetDirectory(char* buffer);
int PackedFindFirst(const char* pattern, FindRecord* record);
int PackedFindNext(int search, FindRecord* record);
int PackedFindClose(int search);

// Archive functions.
void ArchiveKeyBuild(uint8_t key[kArchiveKeySize], const char* keyString);
int ArchiveKeyXor(size_t length, uint8_t* buffer, uint32_t fileOffset, const uint8_t key[kArchiveKeySize]);
int ArchiveAcquire(int hint, const char* archivePath);
int ArchiveReleaseUnused();
int ArchivePathResolve(const char* path, int* slot, char* archivePath, char* innerPath, size_t innerCapacity);
int PathToFullUpper(const char* path, char* out, size_t capacity);
int WildcardMatch(const char* pattern, const char* name);
// The unpacked size in the head of a packed block (-1 when the block is too
// short for a head). With an output of exactly that size, unpacks into it and
// returns the size, or -1 for codes that do not fit the block or the output.
int ArchiveUnpack(const uint8_t* block, size_t blockSize, uint8_t* output, size_t outputSize);
