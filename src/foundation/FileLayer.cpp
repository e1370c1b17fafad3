#include "foundation/FileLayer.h"

#include <array>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "foundation/Archive.h"
#include "foundation/Log.h"
#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"
#include "platform/files/Files.h"
#include "platform/text/Cp932Literal.h"
#include "platform/threads/Threads.h"

FileLayerTable gFileLayer = {PackedOpen,         PackedClose,     PackedTell,     PackedSeek,
                             PackedRead,         PackedAtEnd,     PackedIsIdle,   PackedSetDirectory,
                             PackedGetDirectory, PackedFindFirst, PackedFindNext, PackedFindClose};
int gArchiveUseFlag = 1;

const FileLayerTable gPlainFileLayer = {PlainFileOpen,     PlainFileClose, PlainFileTell,   PlainFileSeek,
                                        PlainFileRead,     PlainFileAtEnd, PlainFileIsIdle, PlainSetDirectory,
                                        PlainGetDirectory, PlainFindFirst, PlainFindNext,   PlainFindClose};

namespace {

const FileLayerTable& DefaultSet(int archives) { return archives ? gPackedFileLayer : gPlainFileLayer; }

bool SameTable(const FileLayerTable& a, const FileLayerTable& b) {
  // The IsIdle slot is not compared.
  return a.open == b.open && a.close == b.close && a.tell == b.tell && a.seek == b.seek && a.read == b.read &&
         a.atEnd == b.atEnd && a.setDirectory == b.setDirectory && a.getDirectory == b.getDirectory &&
         a.findFirst == b.findFirst && a.findNext == b.findNext && a.findClose == b.findClose;
}

}  // namespace

int FileLayerInstall(const FileLayerTable* table) {
  gFileLayer = table ? *table : DefaultSet(gArchiveUseFlag);
  return 0;
}

int FileLayerIsDefault() { return SameTable(gFileLayer, DefaultSet(gArchiveUseFlag)) ? 1 : 0; }

int ArchiveUseSet(int use) {
  int wanted = use ? 1 : 0;
  if (wanted == gArchiveUseFlag) return 0;
  bool wasDefault = FileLayerIsDefault() != 0;
  gArchiveUseFlag = wanted;
  if (wasDefault) FileLayerInstall(nullptr);
  return 0;
}

FileHandle FileLayerOpen(const char* path, int cacheFlag, int unusedFlag, int asyncFlag) {
  return gFileLayer.open(path, cacheFlag, unusedFlag, asyncFlag);
}
int FileLayerClose(FileHandle file) { return gFileLayer.close(file); }
int FileLayerTell(FileHandle file) { return gFileLayer.tell(file); }
int FileLayerSeek(FileHandle file, int offset, int origin) { return gFileLayer.seek(file, offset, origin); }
int FileLayerRead(void* buffer, int size, int count, FileHandle file) {
  return gFileLayer.read(buffer, size, count, file);
}
int FileLayerAtEnd(FileHandle file) { return gFileLayer.atEnd(file); }
int FileLayerIsIdle(FileHandle file) { return gFileLayer.isIdle(file); }
int FileLayerSetDirectory(const char* path) { return gFileLayer.setDirectory(path); }
int FileLayerGetDirectory(char* buffer) { return gFileLayer.getDirectory(buffer); }

// ---- plain set -----------------------------------------------------------------

namespace {

constexpr int kCacheSize = 0x20000;
constexpr uint32_t kReadAheadWaitMs = 100;

enum RequestCode { kRequestOpen = 0, kRequestRead = 2, kRequestSeek = 3, kRequestClose = 4 };

struct PlainFileStream {
  int file = 0;  // platform file id of a direct stream
  int worker = 0;
  int cache = 0;
  int async = 0;
  int endOfFile = 0;
  int position = 0;
  int fileSize = 0;
  // A read posted asynchronously whose real length is known only when done.
  int pendingRead = 0;
  int pendingStart = 0;

  // Worker part: the fields below are written by the caller only while `done`
  // is signalled, and by the worker only before it signals `done`.
  std::thread thread;
  int workerFile = 0;
  platform::ManualResetEvent request{false};
  platform::ManualResetEvent done{true};
  int requestCode = 0;
  int openFailed = 0;
  char path[kPathBufferSize] = {};
  char* readDestination = nullptr;
  int readFilePosition = 0;
  int readLength = 0;
  int lastReadBytes = 0;
  int seekPosition = 0;
  char* cacheBlock = nullptr;
  int cacheStart = 0;
  int cacheFill = 0;
};

constexpr size_t kMaxPlainStreams = 4096;
std::mutex gPlainStreamsMutex;
std::array<PlainFileStream*, kMaxPlainStreams> gPlainStreams{};

PlainFileStream* StreamOf(FileHandle file) {
  if (file <= 0 || static_cast<size_t>(file) > kMaxPlainStreams) return nullptr;
  std::lock_guard lock(gPlainStreamsMutex);
  return gPlainStreams[file - 1];
}

FileHandle StreamRegister(PlainFileStream* stream) {
  std::lock_guard lock(gPlainStreamsMutex);
  for (size_t i = 0; i < kMaxPlainStreams; ++i) {
    if (!gPlainStreams[i]) {
      gPlainStreams[i] = stream;
      return static_cast<FileHandle>(i + 1);
    }
  }
  return 0;
}

void StreamUnregister(FileHandle file) {
  std::lock_guard lock(gPlainStreamsMutex);
  gPlainStreams[file - 1] = nullptr;
}

PlainFileStream* StreamCreate() {
  void* memory = TrackedAllocZeroed(sizeof(PlainFileStream), __FILE__, __LINE__);
  if (!memory) return nullptr;
  return new (memory) PlainFileStream();
}

void StreamDestroy(PlainFileStream* stream) {
  if (stream->cacheBlock) TrackedFree(stream->cacheBlock);
  stream->~PlainFileStream();
  TrackedFree(stream);
}

void WorkerRead(PlainFileStream* s) {
  char* destination = s->readDestination;
  int filePosition = s->readFilePosition;
  int length = s->readLength;
  int delivered = 0;
  if (s->cacheBlock && filePosition == s->cacheStart && s->cacheFill > 0) {
    int take = length < s->cacheFill ? length : s->cacheFill;
    MemoryCopy(destination, s->cacheBlock, static_cast<size_t>(take));
    destination += take;
    filePosition += take;
    length -= take;
    delivered += take;
    s->cacheStart += take;
    s->cacheFill -= take;
    MemoryMove(s->cacheBlock, s->cacheBlock + take, static_cast<size_t>(s->cacheFill));
  }
  if (length > 0) {
    int64_t got = -1;
    if (platform::FileSeek(s->workerFile, filePosition, 0) >= 0) {
      got = platform::FileRead(s->workerFile, destination, length);
    }
    if (got > 0) delivered += static_cast<int>(got);
    if (s->cacheBlock) {
      s->cacheStart = filePosition + (got > 0 ? static_cast<int>(got) : 0);
      s->cacheFill = 0;
    }
  }
  s->lastReadBytes = delivered;
}

void WorkerReadAhead(PlainFileStream* s) {
  int from = s->cacheStart + s->cacheFill;
  // A cache that already reaches the end of the file has nothing to fetch.
  if (from >= s->fileSize) return;
  if (platform::FileSeek(s->workerFile, from, 0) < 0) return;
  int64_t got = platform::FileRead(s->workerFile, s->cacheBlock + s->cacheFill, kCacheSize - s->cacheFill);
  if (got > 0) s->cacheFill += static_cast<int>(got);
}

void FileWorkerThread(PlainFileStream* s) {
  for (;;) {
    if (s->cacheBlock) {
      if (!s->request.WaitFor(kReadAheadWaitMs)) {
        if (s->workerFile != 0 && s->cacheFill < kCacheSize) WorkerReadAhead(s);
        continue;
      }
    } else {
      s->request.Wait();
    }
    s->request.Reset();
    switch (s->requestCode) {
      case kRequestOpen:
        s->workerFile = platform::FileOpen(s->path, platform::FileAccess::Read);
        if (s->workerFile == 0) {
          s->openFailed = 1;
          s->done.Set();
          return;
        }
        break;
      case kRequestRead: WorkerRead(s); break;
      case kRequestSeek:
        platform::FileSeek(s->workerFile, s->seekPosition, 0);
        if (s->cacheBlock) {
          s->cacheStart = s->seekPosition;
          s->cacheFill = 0;
        }
        break;
      case kRequestClose:
        platform::FileClose(s->workerFile);
        s->workerFile = 0;
        s->done.Set();
        return;
      default: break;
    }
    s->done.Set();
  }
}

// Folds a finished asynchronous read into the position: a short read moves it
// by what actually arrived.
void SettlePendingRead(PlainFileStream* s) {
  if (!s->pendingRead) return;
  s->pendingRead = 0;
  s->position = s->pendingStart + s->lastReadBytes;
}

void PostRequest(PlainFileStream* s, int code) {
  s->done.Wait();
  SettlePendingRead(s);
  s->requestCode = code;
  s->done.Reset();
  s->request.Set();
}

// Closes an open stream's file (through its worker, which then ends) and
// frees the stream.
void StreamShutdown(PlainFileStream* s) {
  if (s->worker) {
    PostRequest(s, kRequestClose);
    s->done.Wait();
    s->thread.join();
  } else {
    platform::FileClose(s->file);
  }
  StreamDestroy(s);
}

bool CopyPath(const char* path, char* out, size_t capacity) {
  size_t length = std::strlen(path);
  if (length + 1 > capacity) return false;
  std::memcpy(out, path, length + 1);
  return true;
}

// Opens only to learn the size; a file of 2 GB or more is refused.
bool ProbeSize(const char* path, int* size, int* file) {
  int id = platform::FileOpen(path, platform::FileAccess::Read);
  if (id == 0) return false;
  int64_t bytes = platform::FileSize(id);
  if (bytes < 0 || bytes > INT_MAX) {
    platform::FileClose(id);
    return false;
  }
  *size = static_cast<int>(bytes);
  *file = id;
  return true;
}

}  // namespace

FileHandle PlainFileOpen(const char* path, int cacheFlag, int /*unusedFlag*/, int asyncFlag) {
  if (!path) return 0;
  PlainFileStream* s = StreamCreate();
  if (!s) return 0;
  s->cache = cacheFlag ? 1 : 0;
  s->async = asyncFlag ? 1 : 0;
  s->worker = (s->cache || s->async) ? 1 : 0;
  int probe = 0;
  if (!s->worker) {
    if (!ProbeSize(path, &s->fileSize, &probe)) {
      StreamDestroy(s);
      return 0;
    }
    s->file = probe;
  } else {
    if (!CopyPath(path, s->path, sizeof s->path) || !ProbeSize(path, &s->fileSize, &probe)) {
      StreamDestroy(s);
      return 0;
    }
    platform::FileClose(probe);
    if (s->cache) {
      s->cacheBlock = static_cast<char*>(TrackedAlloc(kCacheSize, __FILE__, __LINE__));
      if (!s->cacheBlock) {
        LogWrite(Cp932<"ファイル読み込みキャッシュ用メモリの確保に失敗しました\n">);
        StreamDestroy(s);
        return 0;
      }
    }
    try {
      s->thread = std::thread(FileWorkerThread, s);
    } catch (...) {
      LogWrite(Cp932<"ファイルアクセス専用スレッドの作成に失敗しました\n">);
      StreamDestroy(s);
      return 0;
    }
    PostRequest(s, kRequestOpen);
    s->done.Wait();
    if (s->openFailed) {
      s->thread.join();
      LogWrite(Cp932<"ファイルのオープンに失敗しました\n">);
      StreamDestroy(s);
      return 0;
    }
  }
  s->position = 0;
  s->endOfFile = 0;
  FileHandle handle = StreamRegister(s);
  if (handle == 0) StreamShutdown(s);  // table full: undo the open as a close would
  return handle;
}

int PlainFileClose(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  if (!s) return -1;
  StreamUnregister(file);
  StreamShutdown(s);
  return 0;
}

int PlainFileTell(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  if (!s) return -1;
  if (s->pendingRead && s->done.IsSet()) SettlePendingRead(s);
  return s->position;
}

int PlainFileSeek(FileHandle file, int offset, int origin) {
  PlainFileStream* s = StreamOf(file);
  if (!s) return -1;
  if (s->worker) {
    s->done.Wait();
    SettlePendingRead(s);
  }
  int64_t base = origin == 0 ? 0 : origin == 1 ? s->position : origin == 2 ? s->fileSize : -1;
  if (base < 0) return -1;
  int64_t target = base + offset;
  if (target < 0 || target > INT_MAX) return -1;
  if (s->worker) {
    s->seekPosition = static_cast<int>(target);
    PostRequest(s, kRequestSeek);
  } else if (platform::FileSeek(s->file, target, 0) < 0) {
    return -1;
  }
  s->position = static_cast<int>(target);
  s->endOfFile = 0;
  return 0;
}

int PlainFileRead(void* buffer, int size, int count, FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  if (!s || !buffer || size <= 0 || count <= 0) return 0;
  if (s->worker) {
    s->done.Wait();
    SettlePendingRead(s);
  }
  // Nothing read yet by this call (the worker is idle, so this is safe).
  s->lastReadBytes = 0;
  if (s->position >= s->fileSize) {
    s->endOfFile = 1;
    return 0;
  }
  int64_t n = count;
  if (s->position + static_cast<int64_t>(size) * count > s->fileSize) n = (s->fileSize - s->position) / size;
  if (n == 0) {
    s->endOfFile = 1;
    return 0;
  }
  int bytes = static_cast<int>(n * size);
  if (s->worker) {
    s->readDestination = static_cast<char*>(buffer);
    s->readFilePosition = s->position;
    s->readLength = bytes;
    PostRequest(s, kRequestRead);
    if (s->async) {
      s->pendingRead = 1;
      s->pendingStart = s->position;
      s->position += bytes;
      return static_cast<int>(n);
    }
    s->done.Wait();
    s->position += s->lastReadBytes;
    return s->lastReadBytes / size;
  }
  int64_t got = platform::FileRead(s->file, buffer, bytes);
  if (got <= 0) return 0;
  s->lastReadBytes = static_cast<int>(got);
  s->position += s->lastReadBytes;
  return s->lastReadBytes / size;
}

int PlainFileAtEnd(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  return (s && s->endOfFile) ? -1 : 0;
}

int PlainFileIsIdle(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  if (!s || !s->worker) return 1;
  if (!s->done.IsSet()) return 0;
  SettlePendingRead(s);
  return 1;
}

int PlainFileWaitIdle(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  if (!s) return -1;
  if (s->worker) {
    s->done.Wait();
    SettlePendingRead(s);
  }
  return 0;
}

int PlainFileLastReadBytes(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  return s ? s->lastReadBytes : 0;
}

int PlainFileSize(FileHandle file) {
  PlainFileStream* s = StreamOf(file);
  return s ? s->fileSize : -1;
}

int PlainSetDirectory(const char* path) { return (path && platform::CurrentDirectorySet(path)) ? 1 : 0; }

int PlainGetDirectory(char* buffer) {
  if (!buffer) return 0;
  return static_cast<int>(platform::CurrentDirectoryGet(buffer, kDirectoryBufferSize));
}

void FileTimeToDateRecord(uint64_t fileTime, DateRecord* record) {
  // 100 ns units since 1601 -> seconds since 1970.
  constexpr int64_t kEpochDifference = 11644473600LL;
  int64_t seconds = static_cast<int64_t>(fileTime / 10000000ULL) - kEpochDifference;
  platform::LocalTime local = platform::LocalTimeFromFileTime(seconds);
  *record = DateRecord{local.year, local.month, local.day, local.hour, local.minute, local.second};
}

namespace {

void UnixTimeToDateRecord(int64_t seconds, DateRecord* record) {
  platform::LocalTime local = platform::LocalTimeFromFileTime(seconds);
  *record = DateRecord{local.year, local.month, local.day, local.hour, local.minute, local.second};
}

void FindRecordFill(const platform::FindData& data, FindRecord* record) {
  MemoryFill(record, 0, sizeof *record);
  TextCopyMax(record->name, data.name, static_cast<int>(sizeof record->name) - 1);
  record->directory = data.directory ? 1 : 0;
  record->sizeLow = static_cast<uint32_t>(data.size & 0xFFFFFFFFu);
  record->sizeHigh = static_cast<uint32_t>(data.size >> 32);
  UnixTimeToDateRecord(data.creationTime, &record->creationTime);
  UnixTimeToDateRecord(data.lastWriteTime, &record->lastWriteTime);
}

}  // namespace

int PlainFindFirst(const char* pattern, FindRecord* record) {
  if (!pattern) return -1;
  platform::FindData data;
  int search = platform::FindFirst(pattern, &data);
  if (search < 0) return -1;
  if (record) FindRecordFill(data, record);
  return search;
}

int PlainFindNext(int search, FindRecord* record) {
  platform::FindData data;
  if (!platform::FindNext(search, &data)) return -1;
  if (record) FindRecordFill(data, record);
  return 0;
}

int PlainFindClose(int search) { return platform::FindClose(search) ? 0 : -1; }

// ---- paths and temporary files ---------------------------------------------------

bool PathAssembler::Append(const char* text, size_t length) {
  if (length_ + length + 1 > sizeof text_) return false;
  std::memcpy(text_ + length_, text, length);
  length_ += length;
  text_[length_] = '\0';
  return true;
}

void PathAssembler::DropLastComponent(size_t floor) {
  size_t cut = length_;
  while (cut > floor && text_[cut - 1] != '\\') --cut;
  if (cut > floor) {
    length_ = cut - 1;
    text_[length_] = '\0';
  }
}

bool PathAssembler::CopyTo(char* out, size_t capacity) const {
  if (length_ + 1 > capacity) return false;
  std::memcpy(out, text_, length_ + 1);
  return true;
}

int ResolveFullPath(const char* path, char* out, size_t capacity, const char* base) {
  char current[kDirectoryBufferSize];
  if (!base) {
    current[0] = '\0';
    FileLayerGetDirectory(current);
    base = current;
  }
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  size_t baseLength = std::strlen(base);
  if (!path) {
    if (baseLength + 1 > capacity) return -1;
    std::memcpy(out, base, baseLength + 1);
    return 0;
  }
  PathAssembler result;
  const char* p = path;
  // One separator after the start has done its work; a second one would
  // open an empty component.
  if (isSeparator(p[0])) {
    if (!result.Append(base, baseLength < 2 ? baseLength : 2)) return -1;
    ++p;
  } else if (p[0] != '\0' && p[1] == ':') {
    if (!result.Append(p, 2)) return -1;
    p += 2;
    if (isSeparator(*p)) ++p;
  } else {
    size_t n = baseLength;
    while (n > 0 && isSeparator(base[n - 1])) --n;
    if (!result.Append(base, n)) return -1;
  }
  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && !isSeparator(*p)) {
      if (IsDoubleByteLead(static_cast<unsigned char>(*p)) && p[1] != '\0') ++p;
      ++p;
    }
    size_t n = static_cast<size_t>(p - start);
    if (n == 0) return -1;  // empty component between separators
    if (n == 1 && start[0] == '.') {
      // dropped
    } else if (n == 2 && start[0] == '.' && start[1] == '.') {
      // A drive part ("C:") holds no backslash, so it is never removed.
      result.DropLastComponent(0);
    } else if (!result.AppendComponent(start, n)) {
      return -1;
    }
    if (*p == '\0') break;
    ++p;  // the separator; a trailing one ends the path
  }
  return result.CopyTo(out, capacity) ? 0 : -1;
}

int TempFileCreate(char* name) {
  char folder[kDirectoryBufferSize + 1];
  size_t length = platform::TempFolderGet(folder, kDirectoryBufferSize);
  if (length == 0 || length >= kDirectoryBufferSize) return 0;
  if (folder[length - 1] != '\\') {
    folder[length] = '\\';
    folder[length + 1] = '\0';
  }
  char unique[kPathBufferSize];
  if (platform::TempFileNameMake(folder, "tmp", unique, sizeof unique) == 0) return 0;
  char full[kPathBufferSize];
  if (ResolveFullPath(unique, full, sizeof full, nullptr) != 0) {
    platform::FileDelete(unique);
    return 0;
  }
  platform::FileDelete(full);
  int file = platform::FileOpen(full, platform::FileAccess::WriteNew);
  if (file == 0) return 0;
  if (name) std::memcpy(name, full, std::strlen(full) + 1);
  return file;
}
