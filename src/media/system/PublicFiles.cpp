#include "media/system/PublicFiles.h"

#include "foundation/Archive.h"
#include "foundation/FileLayer.h"
#include "foundation/TextFunctions.h"
#include "platform/threads/Threads.h"

namespace {

void WaitIdle(FileHandle file) {
  while (!FileLayerIsIdle(file)) platform::ThreadYield();
}

// Reads the byte after the block; false at the end of the file.
bool PeekNextByte(FileHandle file, unsigned char* byte) {
  int got = FileLayerRead(byte, 1, 1, file);
  WaitIdle(file);
  return got == 1;
}

}  // namespace

FileHandle OpenFileForRead(const char* path, int async) { return FileLayerOpen(path, 0, 1, async ? 1 : 0); }

int GetFileSizeByName(const char* path) {
  FileHandle file = FileLayerOpen(path, 0, 1, 0);
  if (file == 0) return -1;
  FileLayerSeek(file, 0, 2);
  int size = FileLayerTell(file);
  FileLayerClose(file);
  return size;
}

int ReadFileBlock(void* buffer, int size, FileHandle file) { return FileLayerRead(buffer, size, 1, file); }

int ReadFileLine(char* buffer, int capacity, FileHandle file) {
  if (!buffer || capacity < 2) return -1;
  if (FileLayerAtEnd(file)) return -1;
  int start = FileLayerTell(file);
  int got = FileLayerRead(buffer, 1, capacity - 1, file);
  WaitIdle(file);
  if (got <= 0) return -1;
  bool blockFull = got == capacity - 1;
  int length = got;  // the whole block unless a line end comes first
  for (int i = 0; i < got;) {
    auto byte = static_cast<unsigned char>(buffer[i]);
    if (byte == '\0') {
      length = i;  // the stream stays after the block
      break;
    }
    if (IsDoubleByteLead(byte)) {
      if (i + 1 < got) {
        i += 2;
        continue;
      }
      // The pair would reach past the bytes read. At the end of the file the
      // lone lead byte is a character of its own; so it is when nothing else
      // fits (capacity 2), or the reader would never move on.
      unsigned char next;
      if (!blockFull || i == 0 || !PeekNextByte(file, &next)) {
        length = got;
        break;
      }
      length = i;
      FileLayerSeek(file, start + length, 0);
      break;
    }
    if (byte == '\r') {
      unsigned char next = 0;
      bool haveNext = i + 1 < got;
      if (haveNext) {
        next = static_cast<unsigned char>(buffer[i + 1]);
      } else if (blockFull) {
        // A CR ending the block may pair with an LF at the start of the next.
        haveNext = PeekNextByte(file, &next);
        if (!haveNext || next != '\n') FileLayerSeek(file, start + got, 0);
      }
      if (haveNext && next == '\n') {
        length = i;
        FileLayerSeek(file, start + length + 2, 0);
        break;
      }
    }
    ++i;
  }
  buffer[length] = '\0';
  return length;
}
