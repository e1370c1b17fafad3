#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/time/Time.h"

namespace platform {

// Files as the runtime sees them: paths are CP932 bytes with '\' or '/' between
// components (0x5C only where it is a single-byte character), a drive prefix
// ("C:") or a "\\host" prefix makes a path absolute, and every component is
// looked up without regard to ASCII letter case, first as its UTF-8 conversion
// and then as its raw bytes. The Linux root stands for every drive: the current
// directory reads as "C:\home\...". Directory listings are cached and read
// again when a lookup misses or when the runtime itself writes.
//
// Files are named by ids (> 0) into one table; 0 is never a valid id. Two
// threads may use the layer at once on different ids.

// The path on disk for a runtime path (the components that exist take their
// on-disk spelling; the rest are converted to UTF-8 when that is lossless).
std::string NativePath(std::string_view path);

// A name on disk (UTF-8) as the runtime sees it: CP932 when it converts both
// ways, else the raw bytes.
std::string RuntimeName(std::string_view diskName);

// An absolute path on disk in runtime form ("C:\\dir\\name").
std::string RuntimeAbsolutePath(std::string_view nativePath);

enum class FileAccess {
  Read,      // existing files only
  Write,     // create or truncate
  WriteNew,  // create; fails when the file exists
  Append,    // create or open, writes go to the end
};

// Opens a file; `textMode` turns every LF written into CR LF. 0 on failure.
int FileOpen(std::string_view path, FileAccess access, bool textMode = false);
bool FileClose(int file);
// Bytes read (0 at the end), -1 on failure.
int64_t FileRead(int file, void* buffer, int64_t bytes);
// Bytes of the caller's buffer written (before any LF -> CR LF), -1 on failure.
int64_t FileWrite(int file, const void* buffer, int64_t bytes);
// origin 0 start, 1 current, 2 end; the new position, or -1 (a negative
// target is refused and leaves the position).
int64_t FileSeek(int file, int64_t offset, int origin);
int64_t FileSize(int file);  // -1 on failure

bool FileDelete(std::string_view path);

enum class ReplaceResult {
  Ok,
  NoSpace,      // the volume (or the file-size limit) ran out of room
  NoTemporary,  // the folder takes no new file (read-only); nothing was written
  Failed,       // any other failure
};

// Replaces the file's contents all at once: the bytes go to a temporary file
// in the same folder, are flushed to the disk and renamed over the file. On
// any failure the temporary file is removed and the file is left as it was.
// A symbolic link stays a link: the file it leads to is the one replaced. The
// file keeps its mode; a new one takes the umask's.
ReplaceResult FileReplaceAtomic(std::string_view path, const void* data, int64_t bytes);
// Removes the temporary files FileReplaceAtomic leaves behind when the
// process is killed mid-write, for every file the pattern names ('*' and '?'
// in its last component). They carry a mark of their own, so a player's
// ".name.backup" is never taken for one. With a positive `minimumAgeSeconds`
// only those last written at least that long ago go (another process may be
// writing a younger one). Returns how many went.
int RemoveReplaceLeftovers(std::string_view pattern, int64_t minimumAgeSeconds);

// True when the file exists and this process may not write it.
bool FileReadOnly(std::string_view path);

// Bytes the caller may still write on the volume holding `path`; -1 when it
// cannot be told.
int64_t DiskFreeBytes(std::string_view path);
bool DirectoryCreate(std::string_view path);

// The process's current directory in runtime form ("C:\dir\dir", "C:\" at the
// root). Like GetCurrentDirectoryA: the length written without the NUL; when
// `capacity` is too small nothing is written (an empty text when capacity > 0)
// and the size needed, NUL included, is returned; 0 on failure.
size_t CurrentDirectoryGet(char* buffer, size_t capacity);
bool CurrentDirectorySet(std::string_view path);

// One entry of a directory listing.
struct FindData {
  char name[260];  // CP932 (see RuntimeName), NUL-terminated
  bool directory;
  uint64_t size;
  int64_t creationTime;   // seconds since 1970 (UTC); Linux keeps no birth
  int64_t lastWriteTime;  // time here, so both are the last write
};

// Lists the folder of `pattern` ("dir\*.png"; '*' and '?' wildcards, ASCII
// letters in any case; "*.*" matches every name). "." and ".." come first,
// then the entries in byte order. Returns a search id (> 0) with the first
// match in `out`, or -1 when the folder cannot be read or nothing matches.
int FindFirst(std::string_view pattern, FindData* out);
bool FindNext(int search, FindData* out);  // false when no more entries
bool FindClose(int search);

// The system temporary folder in runtime form, ending in a backslash, like
// GetTempPathA: the length written without the NUL, or the size needed when
// `capacity` is too small (nothing written), 0 on failure.
size_t TempFolderGet(char* buffer, size_t capacity);
// Like GetTempFileNameA with a unique number of 0: makes and creates the
// empty file `folder` + up to three characters of `prefix` + hex + ".tmp" and
// writes its runtime path into `out`. Returns the number used, 0 on failure.
unsigned TempFileNameMake(std::string_view folder, std::string_view prefix, char* out, size_t capacity);

// A file time in seconds since 1970 as local time.
LocalTime LocalTimeFromFileTime(int64_t seconds);

// Forgets every cached directory listing (the runtime's own writes do this).
void ListingCacheClear();

enum class SmallFileRead {
  Ok,
  Missing,     // no such file
  Unreadable,  // it exists but cannot be opened or read
  NotRegular,  // a folder, a FIFO, a device: nothing a file of ours is
  TooLarge,    // more than the caller's bound
};

// Reads the whole regular file `path` into `out`, refusing anything else
// without blocking (a FIFO, /dev/zero) and any file past `maxBytes`: for the
// files a start reads, which never grow large, so that a wrong one cannot
// hang the start or fill the memory. `out` is left empty unless Ok.
SmallFileRead ReadSmallRegularFile(std::string_view path, int64_t maxBytes, std::string* out);

}  // namespace platform
