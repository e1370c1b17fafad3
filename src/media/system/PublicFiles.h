#pragma once

// The file family of the public functions: how the game runtime opens, sizes,
// reads and closes files, inside packed archives or not, and sets up archives.

// An open file; 0 means the open failed. Opaque to callers.
using FileHandle = int;

// Opens for reading (no read cache); a nonzero `async` reads on a worker
// thread. 0 on failure.
FileHandle OpenFileForRead(const char* path, int async);
// The size of a file in bytes, -1 when it cannot be opened.
int GetFileSizeByName(const char* path);
int FileLayerClose(FileHandle file);
// Reads one element of `size` bytes: 1 when the whole block was read, 0 when
// fewer than `size` bytes remained (nothing is read then).
int ReadFileBlock(void* buffer, int size, FileHandle file);
// Reads one line ending in CR LF into `buffer` (at most capacity - 1 bytes,
// NUL-terminated, without the CR LF); a longer line comes in pieces. Returns
// its length, or -1 at the end of the file or for a capacity below 2.
int ReadFileLine(char* buffer, int capacity, FileHandle file);
// Archive setup: use on/off, the extension of archive files ("vorn"), and the
// key string they are read with (kept to 12 characters; null: built-in key).
int ArchiveUseSet(int use);
int ArchiveExtensionSet(const char* text);
int ArchiveKeyStringSet(const char* text);
