#pragma once

#include <cstdint>

#include "foundation/FileLayer.h"

// The six stream operations through which the image, sound and movie
// decoders read, over the file layer or over a block of memory. The stream
// value is opaque: a FileHandle (see FileHandleToStream) for
// gFileStreamFunctions, a BufferStream* for gBufferStreamFunctions.
struct StreamFunctionTable {
  int (*tell)(void* stream);
  int (*seek)(void* stream, int offset, int origin);             // origin 0 start, 1 current, 2 end
  int (*read)(void* buffer, int size, int count, void* stream);  // whole elements read
  int (*atEnd)(void* stream);                                    // nonzero at the end
  int (*isIdle)(void* stream);
  int (*close)(void* stream);
};

extern const StreamFunctionTable gFileStreamFunctions;
extern const StreamFunctionTable gBufferStreamFunctions;

const StreamFunctionTable* FileStreamFunctionsGet();
const StreamFunctionTable* BufferStreamFunctionsGet();

inline void* FileHandleToStream(FileHandle file) { return reinterpret_cast<void*>(static_cast<intptr_t>(file)); }
inline FileHandle StreamToFileHandle(void* stream) {
  return static_cast<FileHandle>(reinterpret_cast<intptr_t>(stream));
}

// A stream over the caller's memory, which it does not own.
struct BufferStream {
  const void* data;
  int size;
  int position;
  int endOfFile;
};

BufferStream* BufferStreamOpen(const void* data, int size);  // null when no memory
int BufferStreamClose(BufferStream* stream);                 // frees the record only
int BufferStreamTell(BufferStream* stream);
int BufferStreamSeek(BufferStream* stream, int offset, int origin);  // clamped to 0..size
// Whole elements; when fewer bytes than one element remain, copies them and
// counts 1. A count of 0 copies nothing.
int BufferStreamRead(void* buffer, int size, int count, BufferStream* stream);
int BufferStreamAtEnd(BufferStream* stream);   // 1 at end
int BufferStreamIsIdle(BufferStream* stream);  // always 1
