#include "foundation/Streams.h"

#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"

namespace {

int FileStreamTell(void* stream) { return FileLayerTell(StreamToFileHandle(stream)); }
int FileStreamSeek(void* stream, int offset, int origin) {
  return FileLayerSeek(StreamToFileHandle(stream), offset, origin);
}
int FileStreamRead(void* buffer, int size, int count, void* stream) {
  return FileLayerRead(buffer, size, count, StreamToFileHandle(stream));
}
int FileStreamAtEnd(void* stream) { return FileLayerAtEnd(StreamToFileHandle(stream)); }
int FileStreamIsIdle(void* stream) { return FileLayerIsIdle(StreamToFileHandle(stream)); }
int FileStreamClose(void* stream) { return FileLayerClose(StreamToFileHandle(stream)); }

BufferStream* AsBuffer(void* stream) { return static_cast<BufferStream*>(stream); }
int BufferTell(void* stream) { return BufferStreamTell(AsBuffer(stream)); }
int BufferSeek(void* stream, int offset, int origin) { return BufferStreamSeek(AsBuffer(stream), offset, origin); }
int BufferRead(void* buffer, int size, int count, void* stream) {
  return BufferStreamRead(buffer, size, count, AsBuffer(stream));
}
int BufferAtEnd(void* stream) { return BufferStreamAtEnd(AsBuffer(stream)); }
int BufferIsIdle(void* stream) { return BufferStreamIsIdle(AsBuffer(stream)); }
int BufferClose(void* stream) { return BufferStreamClose(AsBuffer(stream)); }

}  // namespace

const StreamFunctionTable gFileStreamFunctions = {FileStreamTell,  FileStreamSeek,   FileStreamRead,
                                                  FileStreamAtEnd, FileStreamIsIdle, FileStreamClose};
const StreamFunctionTable gBufferStreamFunctions = {BufferTell,  BufferSeek,   BufferRead,
                                                    BufferAtEnd, BufferIsIdle, BufferClose};

const StreamFunctionTable* FileStreamFunctionsGet() { return &gFileStreamFunctions; }
const StreamFunctionTable* BufferStreamFunctionsGet() { return &gBufferStreamFunctions; }

BufferStream* BufferStreamOpen(const void* data, int size) {
  auto* stream = static_cast<BufferStream*>(TrackedAllocZeroed(sizeof(BufferStream), __FILE__, __LINE__));
  if (!stream) return nullptr;
  stream->data = data;
  stream->size = size < 0 ? 0 : size;
  return stream;
}

int BufferStreamClose(BufferStream* stream) {
  if (stream) TrackedFree(stream);
  return 0;
}

int BufferStreamTell(BufferStream* stream) { return stream->position; }

int BufferStreamSeek(BufferStream* stream, int offset, int origin) {
  int64_t base = origin == 0 ? 0 : origin == 1 ? stream->position : origin == 2 ? stream->size : -1;
  if (base < 0) return -1;
  int64_t target = base + offset;
  if (target < 0) target = 0;
  if (target > stream->size) target = stream->size;
  stream->position = static_cast<int>(target);
  stream->endOfFile = 0;
  return 0;
}

int BufferStreamRead(void* buffer, int size, int count, BufferStream* stream) {
  if (stream->position >= stream->size) {
    stream->endOfFile = 1;
    return 0;
  }
  if (!buffer || size <= 0 || count <= 0) return 0;
  int remaining = stream->size - stream->position;
  const auto* from = static_cast<const char*>(stream->data) + stream->position;
  if (static_cast<int64_t>(size) * count > remaining) count = remaining / size;
  if (count > 0) {
    int bytes = size * count;
    MemoryCopy(buffer, from, static_cast<size_t>(bytes));
    stream->position += bytes;
    stream->endOfFile = 0;
    return count;
  }
  // Fewer bytes than one element remain: they are copied and count as one.
  MemoryCopy(buffer, from, static_cast<size_t>(remaining));
  stream->position = stream->size;
  stream->endOfFile = 0;
  return 1;
}

int BufferStreamAtEnd(BufferStream* stream) { return stream->endOfFile; }

int BufferStreamIsIdle(BufferStream*) { return 1; }
