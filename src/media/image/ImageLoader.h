#pragma once

#include <cstdint>
#include <string>

#include "foundation/Streams.h"
#include "media/image/GraphImage.h"

// The record every image decoder reads through: the stream operations and
// the stream value they take.
struct MediaStream {
  StreamFunctionTable functions;
  void* stream;
};

// A decoder: 0 when it recognised and decoded the stream, -1 otherwise (with
// nothing of its own left allocated).
using ImageLoaderFunc = int (*)(MediaStream* stream, GraphImage* image);

// One size limit for every decoder: each side at most kMaxImageSide pixels
// and at most kMaxImagePixels pixels in all.
constexpr int kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;
bool ImageSizeAllowed(int64_t width, int64_t height);

// 0 when both images were read, 1 when only the colour image was, -1 when
// the colour image was not.
int ReadImageWithAlphaFile(const char* fileName, const void* data, int size, int fromMemory, const void* alphaData,
                           int alphaSize, int alphaFromMemory, GraphImage* image, GraphImage* alphaImage, int mirror);
int ReadImageFile(const char* fileName, const void* data, int size, int fromMemory, int mirror, GraphImage* image);
int RunImageLoaders(MediaStream* stream, GraphImage* image);

int ReadBmpStream(MediaStream* stream, GraphImage* image);
int ReadJpegStream(MediaStream* stream, GraphImage* image);
int ReadPngStream(MediaStream* stream, GraphImage* image);
int ReadBgraStream(MediaStream* stream, GraphImage* image);
int ReadTgaStream(MediaStream* stream, GraphImage* image);
int ReadDdsStream(MediaStream* stream, GraphImage* image);

// The bytes of a DDS mip chain: the first level, then `count` - 1 more, each
// a quarter of the one before (compressed ones at least 8 bytes). The count
// is untrusted: the walk stops at the first empty level and once past `limit`.
struct DdsMipChain {
  int64_t bytes;
  uint32_t levels;  // levels walked, the first included
};
DdsMipChain DdsMipChainSize(int64_t firstLevel, bool compressed, uint32_t count, int64_t limit);

// The companion alpha file name: "_a" before the last dot, or appended.
std::string MakeAlphaFileName(const char* fileName);

// How many times the loader chain has run since the process started.
int ImageDecodeCount();

// Stream helpers the decoders share.
int MediaStreamRead(MediaStream* stream, void* buffer, int bytes);  // bytes read
int MediaStreamTell(MediaStream* stream);
int MediaStreamSeek(MediaStream* stream, int offset, int origin);
// Bytes from the current position to the end; the position is kept.
int MediaStreamRemaining(MediaStream* stream);
