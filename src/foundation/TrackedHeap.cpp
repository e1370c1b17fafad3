#include "foundation/TrackedHeap.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "platform/text/Cp932Literal.h"

namespace {

constexpr size_t kCheckedBytes = offsetof(TrackedBlockHeader, check);
static_assert(kCheckedBytes == sizeof(TrackedBlockHeader::check));

struct TrackedBlocks {
  TrackedBlockHeader* head = nullptr;  // newest block; null until the first allocation
  TrackedBlockHeader end{};            // terminates the list, never freed
  uint16_t nextId = 0;
  int totalBytes = 0;
  int blockCount = 0;
};
TrackedBlocks gTrackedBlocks;

// Diagnostics switches; nothing turns them on, they exist for hunting heap
// damage by hand. As set, only zero-byte blocks are traced.
constexpr bool kTraceEveryBlock = false;
constexpr bool kTotalsAfterEachOperation = false;
constexpr bool kVerifyOnEachOperation = false;
constexpr int kTraceSize = 0;

bool IsTraced(const TrackedBlockHeader* header) {
  return kTraceSize < 0 || header->size == kTraceSize || kTraceEveryBlock;
}

void RefreshCheck(TrackedBlockHeader* header) {
  if (header != nullptr) std::memcpy(header->check, header, kCheckedBytes);
}

bool CheckIntact(const TrackedBlockHeader* header) { return std::memcmp(header->check, header, kCheckedBytes) == 0; }

void Stamp(TrackedBlockHeader* header, size_t size, const char* source, int line) {
  std::memset(header->source, 0, sizeof header->source);
  if (source != nullptr) {
    const size_t length = std::strlen(source);
    const size_t keep = sizeof header->source - 1;
    std::memcpy(header->source, source + (length > keep ? length - keep : 0), length > keep ? keep : length);
  }
  header->line = static_cast<uint16_t>(line);
  header->size = static_cast<int32_t>(size);
  header->id = gTrackedBlocks.nextId++;
}

unsigned char* DataOf(TrackedBlockHeader* header) {
  return reinterpret_cast<unsigned char*>(header) + kTrackedHeaderSize;
}

// Sizes the int totals cannot hold are refused like an exhausted heap.
bool SizeFits(size_t size) { return size <= static_cast<size_t>(INT_MAX) - kTrackedHeaderSize; }

void AfterOperation(TrackedBlockHeader* header, const char* traceText) {
  if (IsTraced(header)) {
    LogWrite(traceText);
    TrackedBlockDumpLine(header);
  }
  if (kTotalsAfterEachOperation) LogMemoryTotals();
  if (kVerifyOnEachOperation) TrackedAllocVerify();
}

}  // namespace

namespace {

// The file layer's worker threads and the movie decoder allocate beside the
// main thread, so the list is guarded. Recursive: a failed allocation dumps
// and verifies the list from inside the lock.
std::recursive_mutex& HeapLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace

TrackedBlockHeader* TrackedHeaderOf(void* data) {
  return reinterpret_cast<TrackedBlockHeader*>(static_cast<unsigned char*>(data) - kTrackedHeaderSize);
}

namespace {

// Zeroed blocks come from calloc: a large one is then fresh zero pages, not
// memory written over once more (and touched page by page) at allocation.
void* Allocate(size_t size, const char* source, int line, bool zeroed) {
  std::lock_guard guard(HeapLock());
  void* memory = nullptr;
  if (SizeFits(size))
    memory = zeroed ? std::calloc(1, size + kTrackedHeaderSize) : std::malloc(size + kTrackedHeaderSize);
  if (memory == nullptr) {
    TrackedAllocDump();
    TrackedAllocVerify();
    return nullptr;
  }
  auto* header = static_cast<TrackedBlockHeader*>(memory);
  Stamp(header, size, source, line);

  TrackedBlocks& blocks = gTrackedBlocks;
  if (blocks.head == nullptr) {
    RefreshCheck(&blocks.end);
    blocks.head = &blocks.end;
  }
  TrackedBlockHeader* oldHead = blocks.head;
  oldHead->prev = header;
  header->next = oldHead;
  header->prev = nullptr;
  blocks.head = header;
  RefreshCheck(header);
  RefreshCheck(oldHead);
  blocks.totalBytes += static_cast<int>(size);
  ++blocks.blockCount;

  AfterOperation(header, "mem alloc  ");
  return DataOf(header);
}

}  // namespace

void* TrackedAlloc(size_t size, const char* source, int line) { return Allocate(size, source, line, false); }

void* TrackedAllocZeroed(size_t size, const char* source, int line) { return Allocate(size, source, line, true); }

int TrackedFree(void* data) {
  if (data == nullptr) return 0;
  std::lock_guard guard(HeapLock());
  TrackedBlockHeader* header = TrackedHeaderOf(data);
  TrackedBlocks& blocks = gTrackedBlocks;
  blocks.totalBytes -= header->size;
  --blocks.blockCount;
  if (kVerifyOnEachOperation) TrackedAllocVerify();

  TrackedBlockHeader* next = header->next;
  TrackedBlockHeader* prev = header->prev;
  if (next != nullptr) next->prev = prev;
  if (prev != nullptr) prev->next = next;
  if (blocks.head == header) blocks.head = next;
  RefreshCheck(next);
  RefreshCheck(prev);

  if (IsTraced(header)) {
    LogWrite("mem free  ");
    TrackedBlockDumpLine(header);
  }
  if (kTotalsAfterEachOperation) LogMemoryTotals();
  std::free(header);
  return 1;
}

void* TrackedRealloc(void* data, size_t size, const char* source, int line) {
  if (data == nullptr) return TrackedAlloc(size, source, line);
  std::lock_guard guard(HeapLock());
  TrackedBlockHeader* old = TrackedHeaderOf(data);
  const int32_t oldSize = old->size;
  const bool wasHead = gTrackedBlocks.head == old;
  void* memory = SizeFits(size) ? std::realloc(old, size + kTrackedHeaderSize) : nullptr;
  if (memory == nullptr) {
    TrackedAllocDump();
    return nullptr;
  }
  auto* header = static_cast<TrackedBlockHeader*>(memory);
  if (size > static_cast<size_t>(oldSize)) {
    std::memset(DataOf(header) + oldSize, 0, size - static_cast<size_t>(oldSize));
  }
  Stamp(header, size, source, line);

  TrackedBlocks& blocks = gTrackedBlocks;
  // The neighbours still point at the old address: point them at the new one.
  if (header->next != nullptr) header->next->prev = header;
  if (header->prev != nullptr) header->prev->next = header;
  if (wasHead) blocks.head = header;
  blocks.totalBytes += static_cast<int>(size) - oldSize;
  RefreshCheck(header);
  RefreshCheck(header->next);
  RefreshCheck(header->prev);

  AfterOperation(header, "mem realloc  ");
  return DataOf(header);
}

namespace {

// shownLimit caps the data bytes shown, for headers whose size is in doubt.
void DumpLine(const TrackedBlockHeader* header, int32_t shownLimit) {
  // The whole 64-bit address, zero-padded: cutting it to 32 bits would make
  // different blocks look alike.
  char line[256];
  const unsigned size = static_cast<unsigned>(header->size);
  const auto address =
      reinterpret_cast<unsigned long long>(reinterpret_cast<const unsigned char*>(header) + kTrackedHeaderSize);
  FormatText(line, sizeof line, "\tsize:%d(%.3fkb)  file:%s  line:%d  ID:%d  addr:%016llx  data:<", header->size,
             size / 1024.0, header->source, header->line, header->id, address);
  std::string text = line;
  const int32_t limit = header->size < shownLimit ? header->size : shownLimit;
  const size_t shown = limit <= 0 ? 0 : (limit < 16 ? static_cast<size_t>(limit) : 16);
  const auto* data = reinterpret_cast<const unsigned char*>(header) + kTrackedHeaderSize;
  for (size_t i = 0; i < shown; ++i) text += (data[i] < 0x20 || data[i] >= 0x80) ? '.' : static_cast<char>(data[i]);
  text += "> [";
  for (size_t i = 0; i < shown; ++i) {
    char hex[4];
    FormatText(hex, sizeof hex, "%02x ", data[i]);
    text += hex;
  }
  text.back() = ']';
  text += '\n';
  LogWrite(text.c_str());
}

}  // namespace

void TrackedBlockDumpLine(const TrackedBlockHeader* header) { DumpLine(header, INT32_MAX); }

void TrackedAllocDump() {
  std::lock_guard guard(HeapLock());
  LogWrite("\n");
  LogWrite("Alloc memory dump\n");
  for (TrackedBlockHeader* h = gTrackedBlocks.head; h != nullptr && h != &gTrackedBlocks.end; h = h->next) {
    TrackedBlockDumpLine(h);
  }
  LogMemoryTotals();
  LogWrite("\n");
}

int TrackedAllocVerify() {
  std::lock_guard guard(HeapLock());
  for (TrackedBlockHeader* h = gTrackedBlocks.head; h != nullptr; h = h->next) {
    if (!CheckIntact(h)) {
      LogWrite(Cp932<"以下のメモリ確保情報が破損しました">);
      // A damaged size could send the data bytes of the report past the
      // block: show no more than the check copy's size allows either.
      int32_t copiedSize;
      std::memcpy(&copiedSize, h->check + offsetof(TrackedBlockHeader, size), sizeof copiedSize);
      DumpLine(h, copiedSize);
      return -1;
    }
    if (h == &gTrackedBlocks.end) break;
  }
  return 0;
}

int TrackedBlockCount() {
  std::lock_guard guard(HeapLock());
  return gTrackedBlocks.blockCount;
}

int TrackedTotalBytes() {
  std::lock_guard guard(HeapLock());
  return gTrackedBlocks.totalBytes;
}
