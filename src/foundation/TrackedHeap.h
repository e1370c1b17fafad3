#pragma once

#include <cstddef>
#include <cstdint>

// Every allocation of the media layer sits behind a 64-byte header in one list
// with running totals, so the whole heap can be dumped and verified.
void* TrackedAlloc(size_t size, const char* source, int line);
void* TrackedAllocZeroed(size_t size, const char* source, int line);
int TrackedFree(void* data);
void* TrackedRealloc(void* data, size_t size, const char* source, int line);
void TrackedAllocDump();
int TrackedAllocVerify();     // 0 intact, -1 at the first damaged header
int TrackedBlockCount();
int TrackedTotalBytes();
