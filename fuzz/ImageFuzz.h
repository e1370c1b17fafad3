#pragma once

// Runs one image decoder over fuzz input on a memory stream and touches the
// last byte of every row it reports, so a block smaller than its geometry is
// caught by the address checker.
#include <cstddef>
#include <cstdint>

#include "foundation/Streams.h"
#include "media/image/ImageLoader.h"

namespace fuzz {

inline void TouchRows(const GraphImage& image) {
  if (image.pixels == nullptr || image.format.compressionKind != 0) return;
  volatile uint8_t sink = 0;
  const size_t rowBytes = static_cast<size_t>(image.width) * image.format.bytesPerPixel;
  for (int y = 0; y < image.height; ++y)
    sink = sink + image.pixels[static_cast<size_t>(y) * image.pitch + (rowBytes ? rowBytes - 1 : 0)];
  (void)sink;
}

inline int DecodeImage(ImageLoaderFunc decoder, const uint8_t* data, size_t size) {
  BufferStream* buffer = BufferStreamOpen(data, static_cast<int>(size));
  if (buffer == nullptr) return -1;
  MediaStream stream{gBufferStreamFunctions, buffer};
  GraphImage image{};
  const int result = decoder(&stream, &image);
  if (result == 0) {
    TouchRows(image);
    MirrorGraphImage(&image);
  }
  FreeGraphImage(&image);
  BufferStreamClose(buffer);
  return 0;
}

}  // namespace fuzz
