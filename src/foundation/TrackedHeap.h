#pragma once

#include <cstddef>
#include <cstdint>

// Every allocation of the media layer sits behind a header in one list with
// running totals, so the whole heap can be dumped and verified.
//
// With 8-byte pointers the checked part (source, id, line, size, next, prev)
// is 40 bytes, not 32. The header grows to 80 bytes so that its check copy
// still covers every byte it guards, links included; 80 keeps the data 16-byte
// aligned behind the allocator's 16-byte aligned blocks.
struct TrackedBlockHeader {
  char source[16];  // last 15 characters of the caller's source name
  uint16_t id;      // running allocation number, wraps at 65536
  uint16_t line;
  int32_t size;              // data bytes
  TrackedBlockHeader* next;  // next older block; the end block after the oldest
  TrackedBlockHeader* prev;  // next newer block; null for the newest
  unsigned char check[40];   // copy of everything above
};
constexpr size_t kTrackedHeaderSize = sizeof(TrackedBlockHeader);
static_assert(kTrackedHeaderSize == 80 && kTrackedHeaderSize % 16 == 0);

void* TrackedAlloc(size_t size, const char* source, int line);
void* TrackedAllocZeroed(size_t size, const char* source, int line);
int TrackedFree(void* data);  // null gives 0, else nonzero
// Growth is zero-filled; a failed resize leaves the old block valid.
void* TrackedRealloc(void* data, size_t size, const char* source, int line);
void TrackedBlockDumpLine(const TrackedBlockHeader* header);
void TrackedAllocDump();
int TrackedAllocVerify();  // 0 intact, -1 at the first damaged header
int TrackedBlockCount();
int TrackedTotalBytes();
// The header in front of a tracked block's data.
TrackedBlockHeader* TrackedHeaderOf(void* data);
