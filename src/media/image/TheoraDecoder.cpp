#include "media/image/TheoraDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/image/MovieSystem.h"
#include "media/image/MovieText.h"

namespace {

YuvTables gTables;
std::atomic<int> gThreadCount{0};

// A wait that is not answered within this time gives up: a decode thread
// that stopped answering must not freeze the player.
constexpr auto kLongestWait = std::chrono::seconds(10);

constexpr int kFeedSize = 4096;

void ResetOgg(TheoraDecoder* d) {
  ogg_sync_reset(&d->sync);
  if (d->streamReady) ogg_stream_reset(&d->stream);
  d->fileOffset = 0;
}

// The next page of the file; 0 at its end.
int NextPage(TheoraDecoder* d) {
  while (ogg_sync_pageout(&d->sync, &d->page) != 1) {
    if (FeedTheoraSync(d, kFeedSize) <= 0) return 0;
  }
  return 1;
}

// The next packet of the video stream, feeding pages as needed; 0 at the end.
int NextPacket(TheoraDecoder* d) {
  for (;;) {
    const int r = ogg_stream_packetout(&d->stream, &d->packet);
    if (r == 1) return 1;
    if (r < 0) continue;  // a gap: take what follows
    if (!NextPage(d)) return 0;
    ogg_stream_pagein(&d->stream, &d->page);  // pages of other streams are refused by serial
  }
}

// The next frame packet (header packets skipped); its keyframe test, or -1 at the end.
int NextFramePacket(TheoraDecoder* d) {
  for (;;) {
    if (!NextPacket(d)) return -1;
    const int key = th_packet_iskeyframe(&d->packet);
    if (key >= 0) return key;
  }
}

void PrepareRewind(TheoraDecoder* d) {
  ResetOgg(d);
  d->files.seek(d->file, 0, 0);
  d->nextPacketFrame = 0;
}

// Reads frame packets up to and including `target`, decoding from the last
// keyframe at or before it, so that libtheora then holds that frame's picture.
int DecodeThrough(TheoraDecoder* d, int target) {
  if (target < d->nextPacketFrame) PrepareRewind(d);
  int key = target;
  while (key > 0 && d->keyframes[key] == 0) --key;
  // Frames between the packets already read and the keyframe can be skipped
  // only when the keyframe lies ahead; otherwise they must all be decoded.
  const int first = std::max(key, d->nextPacketFrame);
  int last = 0;
  while (d->nextPacketFrame <= target) {
    const int r = NextFramePacket(d);
    if (r < 0) return -1;
    if (d->nextPacketFrame >= first) {
      ogg_int64_t granule = 0;
      th_decode_packetin(d->context, &d->packet, &granule);
    }
    last = r;
    ++d->nextPacketFrame;
  }
  d->decodedFrame.store(target, std::memory_order_release);
  return last;
}

void StorePicture(TheoraDecoder* d, TheoraStockEntry* e, int frame) {
  th_ycbcr_buffer buffer;
  if (th_decode_ycbcr_out(d->context, buffer) != 0) return;
  for (int p = 0; p < 3; ++p) {
    const int need = buffer[p].width * buffer[p].height;
    if (need != e->planeSize[p] || e->planes[p] == nullptr) {
      TrackedFree(e->planes[p]);
      e->planes[p] = static_cast<uint8_t*>(TrackedAlloc(std::max(need, 1), __FILE__, __LINE__));
      e->planeSize[p] = e->planes[p] != nullptr ? need : 0;
      if (e->planes[p] == nullptr) return;
    }
    // Rows are copied one by one: libtheora's strides may run bottom-up.
    for (int row = 0; row < buffer[p].height; ++row)
      std::memcpy(e->planes[p] + static_cast<size_t>(row) * buffer[p].width,
                  buffer[p].data + static_cast<ptrdiff_t>(row) * buffer[p].stride, buffer[p].width);
  }
  e->yWidth = buffer[0].width;
  e->yHeight = buffer[0].height;
  e->yStride = buffer[0].width;
  e->uvWidth = buffer[1].width;
  e->uvHeight = buffer[1].height;
  e->uvStride = buffer[1].width;
  e->frame.store(frame, std::memory_order_relaxed);
  e->valid.store(1, std::memory_order_release);
}

TheoraStockEntry* EntryOf(TheoraDecoder* d, int frame) {
  for (int i = 0; i < d->stockCount; ++i) {
    TheoraStockEntry* e = &d->stock[i];
    if (e->valid.load(std::memory_order_acquire) && e->frame.load(std::memory_order_relaxed) == frame) return e;
  }
  return nullptr;
}

// Frames decoded ahead of the current one: none before the player first
// advances, then as many as the stock holds.
int WindowSize(const TheoraDecoder* d) { return d->advanced.load(std::memory_order_acquire) ? d->stockCount : 1; }

// Frames current .. current + window - 1 (wrapping at the frame count) are kept.
bool InWindow(const TheoraDecoder* d, int frame) {
  const int64_t t = d->currentFrame.load(std::memory_order_acquire);
  const int64_t offset = ((frame - t) % d->frameCount + d->frameCount) % d->frameCount;
  return offset < WindowSize(d);
}

void StopThread(TheoraDecoder* d) {
  if (!d->hasThread) return;
  {
    std::lock_guard<std::mutex> guard(d->lock);
    d->stopRequest.store(1, std::memory_order_release);
  }
  d->changed.notify_all();
  d->thread.join();
  d->hasThread = 0;
  gThreadCount.fetch_sub(1);
}

void SetState(TheoraDecoder* d, int state) {
  d->state.store(state, std::memory_order_release);
  d->changed.notify_all();
}

}  // namespace

const YuvTables& gYuvTables = gTables;

int GetTheoraThreadCount() { return gThreadCount.load(); }

int BuildYuvTables() {
  for (int i = -512; i < 768; ++i) gTables.clamp[i + 512] = static_cast<uint8_t>(std::clamp(i, 0, 255));
  for (int i = 0; i < 256; ++i) {
    gTables.yTerm[i] = 19070 * (i - 16);
    gTables.vToRed[i] = 26148 * (i - 128);
    gTables.uToGreen[i] = 6406 * (128 - i);
    gTables.vToGreen[i] = 13320 * (128 - i);
    gTables.uToBlue[i] = 33062 * (i - 128);
  }
  return 0;
}

// Every pixel of every frame passes here: coverage feedback per pixel tells a
// fuzzer nothing about the file and made one large frame cost seconds.
#if defined(__clang__)
__attribute__((no_sanitize("coverage")))
#endif
void ConvertYuvToXrgb(const uint8_t* const planes[3], int yWidth, int yHeight, int yStride, int uvWidth, int uvHeight,
                      int uvStride, GraphImage* image) {
  const int width = std::min(yWidth, image->width), height = std::min(yHeight, image->height);
  const YuvTables& t = gTables;
  const bool half = uvWidth == (yWidth + 1) / 2 && uvHeight == (yHeight + 1) / 2;
  for (int y = 0; y < height; ++y) {
    const uint8_t* ys = planes[0] + static_cast<ptrdiff_t>(y) * yStride;
    uint8_t* out = image->pixels + static_cast<size_t>(y) * image->pitch;
    if (half) {
      const uint8_t* us = planes[1] + static_cast<ptrdiff_t>(y / 2) * uvStride;
      const uint8_t* vs = planes[2] + static_cast<ptrdiff_t>(y / 2) * uvStride;
      // The table sums stay within -512..767, so the clamp table needs no
      // further limit; two pixels share their chroma terms, and each pixel
      // is one store (blue, green, red, 0xFF from the low byte up).
      const uint8_t* clamp = t.clamp + 512;
      auto* pixel = reinterpret_cast<uint32_t*>(out);
      for (int x = 0; x < width; x += 2) {
        const int u = us[x / 2], v = vs[x / 2];
        const int blue = t.uToBlue[u], green = t.uToGreen[u] + t.vToGreen[v], red = t.vToRed[v];
        for (int k = x; k < x + 2 && k < width; ++k) {
          const int yt = t.yTerm[ys[k]];
          pixel[k] = clamp[(yt + blue) / 16384] | clamp[(yt + green) / 16384] << 8 |
                     static_cast<uint32_t>(clamp[(yt + red) / 16384]) << 16 | 0xFF000000u;
        }
      }
    } else {
      // Other layouts take chroma at the chroma-to-luma size ratio.
      const int cy = static_cast<int>(static_cast<int64_t>(y) * uvHeight / yHeight);
      const uint8_t* us = planes[1] + static_cast<ptrdiff_t>(cy) * uvStride;
      const uint8_t* vs = planes[2] + static_cast<ptrdiff_t>(cy) * uvStride;
      for (int x = 0; x < width; ++x) {
        const int cx = static_cast<int>(static_cast<int64_t>(x) * uvWidth / yWidth);
        const double l = (ys[x] - 16) * 1.164, u = us[cx] - 128.0, v = vs[cx] - 128.0;
        auto limit = [](double c) { return static_cast<uint8_t>(std::clamp(static_cast<int>(c), 0, 255)); };
        out[x * 4 + 0] = limit(l + 2.018 * u);
        out[x * 4 + 1] = limit(l - 0.391 * u - 0.813 * v);
        out[x * 4 + 2] = limit(l + 1.596 * v);
        out[x * 4 + 3] = 0xFF;
      }
    }
  }
}

int FeedTheoraSync(TheoraDecoder* d, int n) {
  char* buffer = ogg_sync_buffer(&d->sync, n);
  if (buffer == nullptr) return 0;
  const int read = d->files.read(buffer, 1, n, d->file);
  if (read <= 0) return 0;
  ogg_sync_wrote(&d->sync, read);
  return read;
}

int ReadTheoraHeaders(TheoraDecoder* d) {
  bool found = false;
  while (!found) {
    if (!NextPage(d)) return -1;
    if (!ogg_page_bos(&d->page)) {
      if (!d->streamReady) return -1;
      ogg_stream_pagein(&d->stream, &d->page);
      break;
    }
    if (d->streamReady) continue;  // another stream's beginning
    ogg_stream_state trial;
    ogg_stream_init(&trial, ogg_page_serialno(&d->page));
    ogg_stream_pagein(&trial, &d->page);
    ogg_packet first;
    if (ogg_stream_packetout(&trial, &first) == 1 && th_decode_headerin(&d->info, &d->comment, &d->setup, &first) > 0) {
      d->serial = ogg_page_serialno(&d->page);
      d->headerCount = 1;
      d->stream = trial;
      d->streamReady = 1;
      // Headers may all sit on following beginning pages of other streams.
    } else {
      ogg_stream_clear(&trial);
    }
  }
  if (!d->streamReady) return -1;
  while (d->headerCount < 3) {
    const int r = ogg_stream_packetout(&d->stream, &d->packet);
    if (r < 0) return -1;
    if (r == 1) {
      if (th_decode_headerin(&d->info, &d->comment, &d->setup, &d->packet) <= 0) return -1;
      ++d->headerCount;
      continue;
    }
    if (!NextPage(d)) return -1;  // "End of file while searching for codec headers."
    ogg_stream_pagein(&d->stream, &d->page);
  }
  if (d->info.frame_width == 0 || d->info.frame_height == 0 || d->info.frame_width > kMaxTheoraSide ||
      d->info.frame_height > kMaxTheoraSide || d->info.fps_numerator == 0 || d->info.fps_denominator == 0)
    return -1;
  return 1;
}

int CreateTheoraYuvSurface(TheoraDecoder* d) {
  // The platform offers no FourCC surfaces: frames go to the frame image only.
  d->yuvSurface = nullptr;
  d->fourCC = 0;
  return 0;
}

int DecodeTheoraFrame(TheoraDecoder* d, int n) {
  if (n <= 0) return 0;
  return DecodeThrough(d, d->decodedFrame.load(std::memory_order_relaxed) + n);
}

void TheoraDecodeThread(TheoraDecoder* d) {
  std::unique_lock<std::mutex> guard(d->lock);
  while (d->stopRequest.load(std::memory_order_acquire) == 0) {
    if (d->pauseRequest.load(std::memory_order_acquire) == 1) {
      SetState(d, kTheoraPaused);
      d->changed.wait(guard, [&] { return d->stopRequest.load() || !d->pauseRequest.load(); });
      continue;
    }
    if (d->seekRequest.load(std::memory_order_acquire) == 1) {
      SetState(d, kTheoraSeeking);
      const int target = d->seekTarget.load(std::memory_order_acquire);
      for (int i = 0; i < d->stockCount; ++i) d->stock[i].valid.store(0, std::memory_order_release);
      guard.unlock();
      const int r = DecodeThrough(d, target);
      if (r >= 0) StorePicture(d, &d->stock[0], target);
      guard.lock();
      d->endFlag.store(r < 0 ? 1 : 0, std::memory_order_release);
      d->seekRequest.store(0, std::memory_order_release);
      SetState(d, kTheoraWaiting);
      continue;
    }
    // Entries outside the window of the current frame are free again.
    for (int i = 0; i < d->stockCount; ++i) {
      TheoraStockEntry* e = &d->stock[i];
      if (e->valid.load(std::memory_order_acquire) && !InWindow(d, e->frame.load(std::memory_order_relaxed)))
        e->valid.store(0, std::memory_order_release);
    }
    // The first frame of the window that the stock lacks.
    int want = -1;
    const int t = d->currentFrame.load(std::memory_order_acquire);
    for (int k = 0, window = WindowSize(d); k < window && k < d->frameCount; ++k) {
      const int f = static_cast<int>((t + k) % d->frameCount);
      if (EntryOf(d, f) == nullptr) {
        want = f;
        break;
      }
    }
    TheoraStockEntry* freeEntry = nullptr;
    for (int i = 0; i < d->stockCount && freeEntry == nullptr; ++i)
      if (!d->stock[i].valid.load(std::memory_order_acquire)) freeEntry = &d->stock[i];
    if (want < 0 || freeEntry == nullptr || d->endFlag.load(std::memory_order_acquire)) {
      SetState(d, kTheoraWaiting);
      const int seen = t, seenAdvanced = d->advanced.load();
      d->changed.wait(guard, [&] {
        return d->stopRequest.load() || d->pauseRequest.load() || d->seekRequest.load() ||
               d->currentFrame.load() != seen || d->advanced.load() != seenAdvanced;
      });
      continue;
    }
    SetState(d, kTheoraDecoding);
    guard.unlock();
    const int r = DecodeThrough(d, want);
    if (r >= 0) StorePicture(d, freeEntry, want);
    guard.lock();
    if (r < 0) d->endFlag.store(1, std::memory_order_release);
    d->changed.notify_all();
  }
  SetState(d, kTheoraEnded);
}

int SeekTheoraFrame(TheoraDecoder* d, int frame) {
  if (d == nullptr) return 0;
  if (frame == d->currentFrame.load(std::memory_order_acquire)) return 0;
  d->imageDone = 0;
  d->surfaceDone = 0;
  std::unique_lock<std::mutex> guard(d->lock);
  d->pauseRequest.store(1, std::memory_order_release);
  d->changed.notify_all();
  d->changed.wait_for(guard, kLongestWait, [&] {
    const int s = d->state.load();
    return s == kTheoraPaused || s == kTheoraEnded;
  });
  // Seeks stay inside the movie: a frame past the end becomes the last.
  const int last = static_cast<int>(std::max<int64_t>(d->frameCount - 1, 0));
  frame = std::clamp(frame, 0, last);
  d->currentFrame.store(frame, std::memory_order_release);
  d->seekTarget.store(frame, std::memory_order_release);
  d->seekRequest.store(1, std::memory_order_release);
  d->pauseRequest.store(0, std::memory_order_release);
  guard.unlock();
  d->changed.notify_all();
  return 0;
}

int AdvanceTheoraFrames(TheoraDecoder* d, int n) {
  if (d == nullptr || n <= 0 || d->frameCount <= 0) return 0;
  {
    std::lock_guard<std::mutex> guard(d->lock);
    const int64_t next = (d->currentFrame.load(std::memory_order_relaxed) + static_cast<int64_t>(n)) % d->frameCount;
    d->currentFrame.store(static_cast<int>(next), std::memory_order_release);
    d->advanced.store(1, std::memory_order_release);
  }
  d->imageDone = 0;
  d->surfaceDone = 0;
  d->changed.notify_all();
  return 0;
}

int FetchTheoraFrame(TheoraDecoder* d, int updateImage, int updateSurface) {
  if (d == nullptr) return 0;
  const bool surface = updateSurface && !d->surfaceDone && d->yuvSurface != nullptr;
  const bool image = updateImage && !d->imageDone;
  if (!surface && !image) return 0;
  const int current = d->currentFrame.load(std::memory_order_acquire);
  // A stocked frame is taken without the lock: only this thread moves the
  // current frame or asks for a seek, so the decode thread leaves the
  // current frame's entry alone, and a decode thread preempted while it
  // holds the lock cannot hold up a frame that is ready.
  TheoraStockEntry* e =
      d->seekRequest.load(std::memory_order_acquire) == 0 && d->state.load(std::memory_order_acquire) != kTheoraEnded
          ? EntryOf(d, current)
          : nullptr;
  if (e == nullptr) {
    std::unique_lock<std::mutex> guard(d->lock);
    d->changed.wait_for(guard, kLongestWait, [&] {
      if (d->state.load() == kTheoraEnded) return true;
      if (d->seekRequest.load()) return false;
      e = EntryOf(d, current);
      return e != nullptr || d->endFlag.load() != 0;
    });
  }
  if (e == nullptr) return 0;
  if (image) {
    const uint8_t* const planes[3] = {e->planes[0], e->planes[1], e->planes[2]};
    ConvertYuvToXrgb(planes, e->yWidth, e->yHeight, e->yStride, e->uvWidth, e->uvHeight, e->uvStride, &d->frameImage);
    d->imageDone = 1;
  }
  return 1;
}

int QueryTheoraInfo(TheoraDecoder* d, TheoraInfo* info) {
  info->frameRate = static_cast<double>(d->info.fps_numerator) / d->info.fps_denominator;
  info->frameCount = d->frameCount;
  info->width = static_cast<int>(d->info.frame_width);
  info->height = static_cast<int>(d->info.frame_height);
  return 0;
}

GraphImage* GetTheoraFrameImage(TheoraDecoder* d) { return &d->frameImage; }
void* GetTheoraYuvSurface(TheoraDecoder* d) { return d->yuvSurface; }
int GetTheoraCurrentFrame(TheoraDecoder* d) { return d->currentFrame.load(std::memory_order_acquire); }

int CloseTheoraDecoder(TheoraDecoder* d) {
  if (d == nullptr) return 0;
  StopThread(d);
  if (d->stock != nullptr) {
    for (int i = 0; i < d->stockCount; ++i)
      for (uint8_t* plane : d->stock[i].planes) TrackedFree(plane);
    std::destroy_n(d->stock, d->stockCount);
    TrackedFree(d->stock);
  }
  TrackedFree(d->pages);
  TrackedFree(d->keyframes);
  FreeGraphImage(&d->frameImage);
  if (d->streamReady) ogg_stream_clear(&d->stream);
  if (d->context != nullptr) th_decode_free(d->context);
  if (d->setup != nullptr) th_setup_free(d->setup);
  th_comment_clear(&d->comment);
  th_info_clear(&d->info);
  ogg_sync_clear(&d->sync);
  d->~TheoraDecoder();
  TrackedFree(d);
  return 0;
}

namespace {

// Scans the whole file into the page and keyframe tables.
int ScanPages(TheoraDecoder* d) {
  d->pageCapacity = 1000;
  d->pages = static_cast<TheoraPageEntry*>(TrackedAlloc(sizeof(TheoraPageEntry) * d->pageCapacity, __FILE__, __LINE__));
  if (d->pages == nullptr) return LogWrite(kTxtTheoraPageFailed);
  d->keyframeCapacity = 1000;
  d->keyframes = static_cast<uint8_t*>(TrackedAlloc(d->keyframeCapacity, __FILE__, __LINE__));
  if (d->keyframes == nullptr) return LogWrite(kTxtTheoraKeyframeFailed);
  int64_t pageOffset = 0;
  bool newPage = false;
  for (;;) {
    const int r = ogg_stream_packetout(&d->stream, &d->packet);
    if (r < 0) continue;
    if (r == 0) {
      if (!NextPage(d)) break;
      pageOffset = d->fileOffset;
      d->fileOffset += d->page.header_len + d->page.body_len;
      if (ogg_page_serialno(&d->page) == d->serial) newPage = true;
      ogg_stream_pagein(&d->stream, &d->page);
      continue;
    }
    const int key = th_packet_iskeyframe(&d->packet);
    if (key < 0) continue;
    if (d->frameCount >= INT32_MAX - 1) break;
    if (newPage || d->pageCount == 0) {
      if (d->pageCount == d->pageCapacity) {
        auto* grown = static_cast<TheoraPageEntry*>(
            TrackedRealloc(d->pages, sizeof(TheoraPageEntry) * (d->pageCapacity + 1000), __FILE__, __LINE__));
        if (grown == nullptr) return LogWrite(kTxtTheoraPageFailed);
        d->pages = grown;
        d->pageCapacity += 1000;
      }
      d->pages[d->pageCount++] = {pageOffset, static_cast<int>(d->frameCount), 0, 0};
      newPage = false;
    }
    if (d->frameCount >= d->keyframeCapacity) {
      auto* grown = static_cast<uint8_t*>(TrackedRealloc(d->keyframes, d->keyframeCapacity + 1000, __FILE__, __LINE__));
      if (grown == nullptr) return LogWrite(kTxtTheoraKeyframeFailed);
      d->keyframes = grown;
      d->keyframeCapacity += 1000;
    }
    d->keyframes[d->frameCount] = key == 1 ? 1 : 0;
    if (key == 1) d->pages[d->pageCount - 1].keyframe = 1;
    ++d->frameCount;
    ++d->pages[d->pageCount - 1].packets;
  }
  if (d->pageCount > 0) d->pages[0].offset = 0;
  return 0;
}

}  // namespace

TheoraDecoder* OpenTheoraDecoder(const FileLayerTable* files, FileHandle file, int stockCount) {
  if (file == 0 || files == nullptr || stockCount <= 0) return nullptr;
  char magic[4] = {};
  if (files->read(magic, 1, 4, file) != 4 || std::memcmp(magic, "OggS", 4) != 0) return nullptr;
  files->seek(file, 0, 0);
  void* block = TrackedAllocZeroed(sizeof(TheoraDecoder), __FILE__, __LINE__);
  if (block == nullptr) {
    LogWrite(kTxtTheoraRecordFailed);
    return nullptr;
  }
  auto* d = new (block) TheoraDecoder();
  d->currentFrame.store(-1);
  ogg_sync_init(&d->sync);
  th_info_init(&d->info);
  th_comment_init(&d->comment);
  d->files = *files;
  d->file = file;
  if (ReadTheoraHeaders(d) < 0) {
    CloseTheoraDecoder(d);
    return nullptr;
  }
  d->pauseRequest.store(1);
  d->state.store(kTheoraWaiting);
  d->context = th_decode_alloc(&d->info, d->setup);
  if (d->context == nullptr) {
    CloseTheoraDecoder(d);
    return nullptr;
  }
  PrepareRewind(d);
  if (ScanPages(d) < 0 || d->frameCount == 0) {
    CloseTheoraDecoder(d);
    return nullptr;
  }
  PrepareRewind(d);
  d->decodedFrame.store(-1);
  CreateTheoraYuvSurface(d);
  if (AllocXRGB8GraphImage(static_cast<int>(d->info.frame_width), static_cast<int>(d->info.frame_height),
                           &d->frameImage) < 0) {
    LogWrite(kTxtTheoraImageFailed);
    CloseTheoraDecoder(d);
    return nullptr;
  }
  void* stock = TrackedAllocZeroed(sizeof(TheoraStockEntry) * stockCount, __FILE__, __LINE__);
  if (stock == nullptr) {
    LogWrite(kTxtTheoraStockFailed);
    CloseTheoraDecoder(d);
    return nullptr;
  }
  d->stock = static_cast<TheoraStockEntry*>(stock);
  for (int i = 0; i < stockCount; ++i) new (&d->stock[i]) TheoraStockEntry();
  d->stockCount = stockCount;
  // The thread starts once the main thread is done with the file and the Ogg state.
  try {
    d->thread = std::thread(TheoraDecodeThread, d);
  } catch (const std::system_error&) {
    LogWrite(kTxtTheoraThreadFailed);
    CloseTheoraDecoder(d);
    return nullptr;
  }
  d->hasThread = 1;
  gThreadCount.fetch_add(1);
  SeekTheoraFrame(d, 0);
  FetchTheoraFrame(d, 1, 1);
  return d;
}
