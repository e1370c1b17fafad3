#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include "foundation/FileLayer.h"
#include "media/image/GraphImage.h"

// An Ogg Theora movie decoded ahead of the wanted frame by a thread of its
// own into a small stock of YUV pictures; the main thread takes the wanted
// frame as an XRGB image.

// Encoded frames larger than this on either side are refused as unreadable.
constexpr int kMaxTheoraSide = 4096;

struct TheoraPageEntry {
  int64_t offset;
  int firstFrame;
  int keyframe;
  int packets;
};

struct TheoraStockEntry {
  std::atomic<int> valid;
  std::atomic<int> frame;
  uint8_t* planes[3];
  int planeSize[3];  // allocated bytes of each plane
  int yWidth, yHeight, yStride;
  int uvWidth, uvHeight, uvStride;
};

struct TheoraInfo {
  double frameRate;
  int64_t frameCount;
  int width, height;
};

enum TheoraThreadState {
  kTheoraWaiting = 0,
  kTheoraDecoding = 1,
  kTheoraSeeking = 2,
  kTheoraEnded = 3,
  kTheoraPaused = 4
};

struct TheoraDecoder {
  std::atomic<int> state;
  std::atomic<int> pauseRequest, stopRequest, seekRequest;
  std::atomic<int> seekTarget;
  std::atomic<int> endFlag;
  // 1 once the player moved past the first frame: until then the thread keeps
  // only the current frame, since a paused movie shows nothing else.
  std::atomic<int> advanced;
  std::thread thread;
  int hasThread;
  // Guards the waits of both threads; the fields above are atomics so that
  // readers outside the lock see a consistent value.
  std::mutex lock;
  std::condition_variable changed;

  FileLayerTable files;
  FileHandle file;
  int64_t fileOffset;  // running offset of the next page taken from the sync state

  ogg_sync_state sync;
  ogg_page page;
  ogg_stream_state stream;
  int streamReady;
  ogg_packet packet;
  th_info info;
  th_comment comment;
  th_setup_info* setup;
  th_dec_ctx* context;
  int serial;
  int headerCount;

  TheoraPageEntry* pages;
  int pageCount, pageCapacity;
  uint8_t* keyframes;
  int keyframeCapacity;
  int64_t frameCount;

  std::atomic<int> currentFrame;
  std::atomic<int> decodedFrame;
  int nextPacketFrame;  // thread: frame number of the next frame packet read

  TheoraStockEntry* stock;
  int stockCount;

  GraphImage frameImage;
  void* yuvSurface;
  uint32_t fourCC;
  int imageDone, surfaceDone;
};

TheoraDecoder* OpenTheoraDecoder(const FileLayerTable* files, FileHandle file, int stockCount);
int CloseTheoraDecoder(TheoraDecoder* decoder);
int SeekTheoraFrame(TheoraDecoder* decoder, int frame);
int AdvanceTheoraFrames(TheoraDecoder* decoder, int n);
int FetchTheoraFrame(TheoraDecoder* decoder, int updateImage, int updateSurface);
int QueryTheoraInfo(TheoraDecoder* decoder, TheoraInfo* info);
GraphImage* GetTheoraFrameImage(TheoraDecoder* decoder);
void* GetTheoraYuvSurface(TheoraDecoder* decoder);
int GetTheoraCurrentFrame(TheoraDecoder* decoder);
int FeedTheoraSync(TheoraDecoder* decoder, int n);
int ReadTheoraHeaders(TheoraDecoder* decoder);
int CreateTheoraYuvSurface(TheoraDecoder* decoder);
int DecodeTheoraFrame(TheoraDecoder* decoder, int n);
void TheoraDecodeThread(TheoraDecoder* decoder);

// The conversion tables, read-only once built (1/16384 units).
struct YuvTables {
  uint8_t clamp[1280];  // index i + 512 for i in -512..767
  int yTerm[256], vToRed[256], uToGreen[256], vToGreen[256], uToBlue[256];
};
extern const YuvTables& gYuvTables;

// Converts one picture into an XRGB image of at least its luma size.
void ConvertYuvToXrgb(const uint8_t* const planes[3], int yWidth, int yHeight, int yStride, int uvWidth, int uvHeight,
                      int uvStride, GraphImage* image);

// Live decode threads of all movies (threads started and not yet joined).
int GetTheoraThreadCount();
