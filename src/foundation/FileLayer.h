#pragma once

#include <cstddef>
#include <cstdint>

// The file layer: every file the media layer reads goes through the installed
// table of twelve operations. The plain set reads from folders; the
// archive-aware set (Archive.h) serves files from packed archives when one
// covers their folder and is installed from program load on.

// An open file of the installed set; 0 means the open failed. Plain-set
// handles are table indices + 1; archive-aware handles are 0xF0000000 + slot.
using FileHandle = int;

// Local time, as file times are reported.
struct DateRecord {
  int year, month, day, hour, minute, second;
};

struct FindRecord {
  char name[260];
  int directory;  // 1 for a folder
  uint32_t sizeLow;
  uint32_t sizeHigh;
  DateRecord creationTime;
  DateRecord lastWriteTime;
};

struct FileLayerTable {
  FileHandle (*open)(const char* path, int cacheFlag, int unusedFlag, int asyncFlag);
  int (*close)(FileHandle file);
  int (*tell)(FileHandle file);
  int (*seek)(FileHandle file, int offset, int origin);  // origin 0 start, 1 current, 2 end
  int (*read)(void* buffer, int size, int count, FileHandle file);
  int (*atEnd)(FileHandle file);   // -1 once a read met the end, else 0
  int (*isIdle)(FileHandle file);  // 1 when no asynchronous read is pending
  int (*setDirectory)(const char* path);
  int (*getDirectory)(char* buffer);                          // buffer of kDirectoryBufferSize bytes
  int (*findFirst)(const char* pattern, FindRecord* record);  // search handle or -1
  int (*findNext)(int search, FindRecord* record);            // 0, or -1 at the end
  int (*findClose)(int search);
};

// The directory buffers callers hand to the GetDirectory operation.
constexpr size_t kDirectoryBufferSize = 256;
// Paths kept inside the layer (worker paths, temporary names).
constexpr size_t kPathBufferSize = 260;

extern FileLayerTable gFileLayer;
// Whether archives are used (initially they are).
extern int gArchiveUseFlag;

// With a table copies it in; with null installs the default set for the
// archive setting (plain when off, archive-aware when on). Returns 0.
int FileLayerInstall(const FileLayerTable* table);
// 1 when gFileLayer holds the default set for the archive setting.
int FileLayerIsDefault();
// Switches archive use; a default table follows the setting, a caller's
// table stays. Returns 0.
int ArchiveUseSet(int use);

FileHandle FileLayerOpen(const char* path, int cacheFlag, int unusedFlag, int asyncFlag);
int FileLayerClose(FileHandle file);
int FileLayerTell(FileHandle file);
int FileLayerSeek(FileHandle file, int offset, int origin);
int FileLayerRead(void* buffer, int size, int count, FileHandle file);
int FileLayerAtEnd(FileHandle file);
int FileLayerIsIdle(FileHandle file);
int FileLayerSetDirectory(const char* path);
int FileLayerGetDirectory(char* buffer);

// The plain set. A stream has a worker thread when opened with the cache or
// the asynchronous flag; the cache reads up to 128 KB ahead.
extern const FileLayerTable gPlainFileLayer;
FileHandle PlainFileOpen(const char* path, int cacheFlag, int unusedFlag, int asyncFlag);
int PlainFileClose(FileHandle file);
int PlainFileTell(FileHandle file);
int PlainFileSeek(FileHandle file, int offset, int origin);
int PlainFileRead(void* buffer, int size, int count, FileHandle file);
int PlainFileAtEnd(FileHandle file);
int PlainFileIsIdle(FileHandle file);
int PlainSetDirectory(const char* path);
int PlainGetDirectory(char* buffer);
int PlainFindFirst(const char* pattern, FindRecord* record);
int PlainFindNext(int search, FindRecord* record);
int PlainFindClose(int search);

// Blocks until the stream's worker has finished its request (at once without
// a worker), then gives the bytes the last read actually delivered.
int PlainFileWaitIdle(FileHandle file);
int PlainFileLastReadBytes(FileHandle file);
int PlainFileSize(FileHandle file);  // -1 for a bad handle

// A file time (100 ns units since 1601, UTC) as local time.
void FileTimeToDateRecord(uint64_t fileTime, DateRecord* record);

// A path assembled from components in a fixed buffer, as the path makers
// of the file layer and of the archive reader build them.
class PathAssembler {
 public:
  // false (and nothing added) when the text does not fit.
  bool Append(const char* text, size_t length);
  // Adds a backslash and the component.
  bool AppendComponent(const char* text, size_t length) { return Append("\\", 1) && Append(text, length); }
  // Removes the last backslash and what follows it, never cutting into the
  // first `floor` bytes.
  void DropLastComponent(size_t floor);
  size_t Length() const { return length_; }
  char* Data() { return text_; }
  // Copies the path and its NUL; false when `capacity` is too small.
  bool CopyTo(char* out, size_t capacity) const;

 private:
  char text_[kPathBufferSize * 2] = {};
  size_t length_ = 0;
};

// Makes a path absolute against `base` (null: the current directory): "." is
// dropped, ".." removes a component (never the drive), case is kept. 0, or -1
// for an empty component or a result that does not fit `capacity`.
int ResolveFullPath(const char* path, char* out, size_t capacity, const char* base);

// Creates an empty temporary file for writing under the system temporary
// folder and copies its full path into `name` (kPathBufferSize bytes) when
// given. Returns the platform file id (platform/files), or 0 on failure.
int TempFileCreate(char* name);
