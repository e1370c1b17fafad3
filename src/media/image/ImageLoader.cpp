#include "media/image/ImageLoader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "foundation/FileLayer.h"
#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/image/ImageText.h"
#include "platform/display/Dib.h"

namespace {

int gDecodeCount = 0;

// Loaders registered at run time; nothing registers any, so the count stays 0.
ImageLoaderFunc gUserImageLoaders[10] = {};
int gUserImageLoaderCount = 0;

const ImageLoaderFunc gImageLoaderTable[] = {ReadBmpStream, ReadJpegStream, ReadPngStream, ReadBgraStream,
                                             ReadTgaStream, ReadDdsStream,  nullptr};

uint8_t* AllocBlock(int64_t bytes, bool zeroed) {
  if (bytes < 0 || bytes > 0x7FFFFFFF) return nullptr;
  const auto size = static_cast<size_t>(bytes == 0 ? 1 : bytes);
  return static_cast<uint8_t*>(zeroed ? TrackedAllocZeroed(size, __FILE__, __LINE__)
                                      : TrackedAlloc(size, __FILE__, __LINE__));
}

// A tracked block freed unless handed over.
class Block {
 public:
  Block() = default;
  Block(int64_t bytes, bool zeroed) : data_(AllocBlock(bytes, zeroed)) {}
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() {
    if (data_ != nullptr) TrackedFree(data_);
  }
  uint8_t* get() const { return data_; }
  uint8_t* release() {
    uint8_t* d = data_;
    data_ = nullptr;
    return d;
  }

 private:
  uint8_t* data_ = nullptr;
};

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void PaletteFromQuads(ColorFormat* format, const uint8_t* quads, int entries) {
  for (int i = 0; i < entries; ++i) {
    format->palette[i] =
        PaletteEntry{quads[ptrdiff_t{i} * 4], quads[ptrdiff_t{i} * 4 + 1], quads[ptrdiff_t{i} * 4 + 2], 0};
  }
}

// --- BMP -------------------------------------------------------------------------

struct BmpHeader {
  int width = 0;
  int height = 0;  // rows, positive
  bool bottomUp = true;
  int bitCount = 0;
  uint32_t compression = 0;
  int64_t rowSize = 0;
};

// Run-length data into one byte per pixel; runs, literals and deltas that
// reach past the image are clipped.
void DecodeBmpRle(const uint8_t* data, int64_t size, bool fourBit, const BmpHeader& h, uint8_t* out, int64_t pitch) {
  int64_t at = 0;
  int64_t x = 0;
  int64_t row = 0;  // in file order
  auto put = [&](uint8_t v) {
    if (x < h.width && row < h.height) {
      const int64_t y = h.bottomUp ? h.height - 1 - row : row;
      out[y * pitch + x] = v;
    }
    ++x;
  };
  while (at + 2 <= size && row < h.height) {
    const int n = data[at];
    const uint8_t v = data[at + 1];
    at += 2;
    if (n > 0) {
      const int count = static_cast<int>(std::min<int64_t>(n, std::max<int64_t>(0, h.width - x)));
      for (int i = 0; i < count; ++i) put(fourBit ? static_cast<uint8_t>((i & 1) ? (v & 0xF) : (v >> 4)) : v);
      x += n - count;
      continue;
    }
    if (v == 0) {
      ++row;
      x = 0;
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      if (at + 2 > size) break;
      x += data[at];
      row += data[at + 1];
      at += 2;
    } else {
      const int64_t bytes = fourBit ? (v + 1) / 2 : v;
      const int64_t avail = std::min(bytes, size - at);
      for (int i = 0; i < v; ++i) {
        const int64_t b = fourBit ? i / 2 : i;
        if (b >= avail) break;
        const uint8_t byte = data[at + b];
        put(fourBit ? static_cast<uint8_t>((i & 1) ? (byte & 0xF) : (byte >> 4)) : byte);
      }
      at += bytes + (bytes & 1);
    }
  }
}

// 1-bit, 16-bit, 32-bit and bit-field data drawn into a 24-bit DIB.
int ReadBmpThroughDib(const platform::BitmapInfo& info, const uint8_t* pixels, const BmpHeader& h, GraphImage* image) {
  platform::BitmapInfo target{};
  target.header.size = 40;
  target.header.width = h.width;
  target.header.height = -h.height;
  target.header.planes = 1;
  target.header.bitCount = 24;
  const platform::DisplayContext context = platform::CreateMemoryContext();
  void* bits = nullptr;
  const platform::DibHandle dib = platform::CreateDibSection(&target, &bits);
  if (dib == 0 || bits == nullptr) {
    LogWrite(kTxtDibCreateFailed3);
    if (dib != 0) platform::DeleteDib(dib);
    platform::DeleteMemoryContext(context);
    return -1;
  }
  const platform::DibHandle previous = platform::SelectDib(context, dib);
  platform::SetDibBitsToDevice(context, 0, 0, h.width, h.height, 0, 0, 0, h.height, pixels, &info);
  platform::SelectDib(context, previous);
  const int64_t pitch = (static_cast<int64_t>(h.width) * 3 + 3) / 4 * 4;
  Block out(pitch * h.height, false);
  int result = -1;
  if (out.get() == nullptr) {
    LogWrite(kTxt24BitBlockFailed);
  } else {
    std::memcpy(out.get(), bits, static_cast<size_t>(pitch * h.height));
    SetFullColorFormat(&image->format);
    image->width = h.width;
    image->height = h.height;
    image->pitch = static_cast<int>(pitch);
    image->pixels = out.release();
    result = 0;
  }
  platform::DeleteDib(dib);
  platform::DeleteMemoryContext(context);
  return result;
}

}  // namespace

bool ImageSizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

int MediaStreamRead(MediaStream* stream, void* buffer, int bytes) {
  if (bytes <= 0) return 0;
  const int n = stream->functions.read(buffer, 1, bytes, stream->stream);
  return n < 0 ? 0 : n;
}
int MediaStreamTell(MediaStream* stream) { return stream->functions.tell(stream->stream); }
int MediaStreamSeek(MediaStream* stream, int offset, int origin) {
  return stream->functions.seek(stream->stream, offset, origin);
}
int MediaStreamRemaining(MediaStream* stream) {
  const int at = MediaStreamTell(stream);
  MediaStreamSeek(stream, 0, 2);
  const int end = MediaStreamTell(stream);
  MediaStreamSeek(stream, at, 0);
  return end > at && at >= 0 ? end - at : 0;
}

int ReadBmpStream(MediaStream* stream, GraphImage* image) {
  MediaStreamSeek(stream, 0, 0);
  const int total = MediaStreamRemaining(stream);
  uint8_t fileHeader[14];
  if (MediaStreamRead(stream, fileHeader, 14) != 14 || fileHeader[0] != 'B' || fileHeader[1] != 'M') return -1;
  // Header, 256 palette entries and spare bytes, as the DIB calls take them.
  platform::BitmapInfo info{};
  auto* raw = reinterpret_cast<uint8_t*>(&info);
  if (MediaStreamRead(stream, raw, 44) < 40) return -1;
  BmpHeader h;
  const int32_t width = static_cast<int32_t>(U32(raw + 4));
  const int32_t height = static_cast<int32_t>(U32(raw + 8));
  h.bitCount = U16(raw + 14);
  h.compression = U32(raw + 16);
  if (width <= 0 || height == 0 || height == INT32_MIN) return -1;
  h.width = width;
  h.bottomUp = height > 0;
  h.height = std::abs(height);
  if (!ImageSizeAllowed(h.width, h.height)) return -1;
  const int bc = h.bitCount;
  if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return -1;
  const uint32_t c = h.compression;
  if (!(c == 0 || (c == 1 && bc == 8) || (c == 2 && bc == 4) || (c == 3 && (bc == 16 || bc == 32)))) return -1;
  // Longer information headers hold their masks at byte 40, as the 40-byte
  // one is followed by them, but the palette comes after the whole header.
  const uint32_t headerSize = U32(raw);
  if (int64_t{14} + headerSize > total) return -1;
  if (bc <= 8 && headerSize > 40) {
    MediaStreamSeek(stream, static_cast<int>(14 + headerSize), 0);
    if (MediaStreamRead(stream, raw + 40, (1 << bc) * 4) == 0) return -1;
  } else if (bc <= 8) {
    const int more = ((1 << bc) - 1) * 4;
    if (MediaStreamRead(stream, raw + 44, more) == 0) return -1;
  } else if (bc == 16 || bc == 32 || c == 3) {
    if (MediaStreamRead(stream, raw + 44, 8) == 0) return -1;
  }
  const uint32_t offset = U32(fileHeader + 10);
  if (offset > static_cast<uint32_t>(total)) return -1;
  MediaStreamSeek(stream, static_cast<int>(offset), 0);
  const int64_t available = total - static_cast<int64_t>(offset);
  h.rowSize = (static_cast<int64_t>(bc) * h.width + 31) / 32 * 4;
  const int64_t rowsBytes = h.rowSize * h.height;
  const bool rle = c == 1 || c == 2;
  // Plain data shorter than its rows reads as zeros past its end; data that
  // holds less than half of them is refused, so that a few bytes claiming a
  // huge picture cannot make the decoder fill hundreds of megabytes.
  if (!rle && available * 2 < rowsBytes) return -1;
  const int64_t blockBytes = rle ? available : rowsBytes;
  Block data(blockBytes, true);
  if (data.get() == nullptr) return -1;
  MediaStreamRead(stream, data.get(), static_cast<int>(std::min(available, blockBytes)));

  if (rle || bc == 4) {
    const int64_t pitch = rle && bc == 8 ? h.rowSize : (static_cast<int64_t>(h.width) + 3) / 4 * 4;
    Block out(pitch * h.height, true);
    if (out.get() == nullptr) return -1;
    if (rle) {
      DecodeBmpRle(data.get(), blockBytes, c == 2, h, out.get(), pitch);
    } else {
      for (int64_t row = 0; row < h.height; ++row) {
        const uint8_t* in = data.get() + row * h.rowSize;
        uint8_t* o = out.get() + (h.bottomUp ? h.height - 1 - row : row) * pitch;
        for (int x = 0; x < h.width; ++x) o[x] = (x & 1) ? (in[x / 2] & 0xF) : (in[x / 2] >> 4);
      }
    }
    SetPaletteColorFormat(&image->format);
    PaletteFromQuads(&image->format, raw + 40, bc == 8 ? 256 : 16);
    image->width = h.width;
    image->height = h.height;
    image->pitch = static_cast<int>(pitch);
    image->pixels = out.release();
    return 0;
  }
  if (c == 0 && (bc == 8 || bc == 24)) {
    uint8_t* pixels = nullptr;
    Block out;
    if (h.bottomUp) {
      Block flipped(rowsBytes, false);
      if (flipped.get() == nullptr) return -1;
      for (int64_t row = 0; row < h.height; ++row)
        std::memcpy(flipped.get() + (h.height - 1 - row) * h.rowSize, data.get() + row * h.rowSize,
                    static_cast<size_t>(h.rowSize));
      pixels = flipped.release();
    } else {
      pixels = data.release();
    }
    if (bc == 8) {
      SetPaletteColorFormat(&image->format);
      PaletteFromQuads(&image->format, raw + 40, 256);
    } else {
      SetFullColorFormat(&image->format);
    }
    image->width = h.width;
    image->height = h.height;
    image->pitch = static_cast<int>(h.rowSize);
    image->pixels = pixels;
    return 0;
  }
  return ReadBmpThroughDib(info, data.get(), h, image);
}

// --- Raw BGRA --------------------------------------------------------------------

int ReadBgraStream(MediaStream* stream, GraphImage* image) {
  uint8_t header[16];
  if (MediaStreamRead(stream, header, 16) != 16 || std::memcmp(header, "BGRA", 4) != 0) return -1;
  const uint32_t depth = U32(header + 4);
  if (depth != 0x08080808u && depth != 0x10101010u) return -1;
  const auto width = static_cast<int32_t>(U32(header + 8));
  const auto height = static_cast<int32_t>(U32(header + 12));
  if (!ImageSizeAllowed(width, height)) return -1;
  const int channelBytes = depth == 0x08080808u ? 1 : 2;
  const int64_t rowIn = static_cast<int64_t>(width) * 4 * channelBytes;
  if (MediaStreamRemaining(stream) < rowIn * height) return -1;
  Block out(static_cast<int64_t>(width) * 4 * height, false);
  if (out.get() == nullptr) return -1;
  if (channelBytes == 1) {
    if (MediaStreamRead(stream, out.get(), static_cast<int>(rowIn * height)) != rowIn * height) return -1;
  } else {
    Block row(rowIn, false);
    if (row.get() == nullptr) return -1;
    for (int y = 0; y < height; ++y) {
      if (MediaStreamRead(stream, row.get(), static_cast<int>(rowIn)) != rowIn) return -1;
      uint8_t* o = out.get() + static_cast<int64_t>(y) * width * 4;
      for (int64_t i = 0; i < static_cast<int64_t>(width) * 4; ++i) o[i] = row.get()[i * 2 + 1];
    }
  }
  SetARGB8ColorFormat(&image->format);
  image->width = width;
  image->height = height;
  image->pitch = width * 4;
  image->pixels = out.release();
  return 0;
}

// --- TGA -------------------------------------------------------------------------

int ReadTgaStream(MediaStream* stream, GraphImage* image) {
  const int total = MediaStreamRemaining(stream);
  if (total < 18) return -1;
  // A file too short to hold a header and a footer has none.
  bool footer = false;
  if (total >= 18 + 26) {
    uint8_t tail[26];
    MediaStreamSeek(stream, total - 26, 0);
    if (MediaStreamRead(stream, tail, 26) == 26)
      footer = std::memcmp(tail + 8, "TRUEVISION-XFILE", 16) == 0 && U32(tail) == 0;
  }
  MediaStreamSeek(stream, 0, 0);
  uint8_t hd[18];
  if (MediaStreamRead(stream, hd, 18) != 18) return -1;
  const int idLength = hd[0];
  const int mapType = hd[1];
  const int type = hd[2];
  const int mapFirst = U16(hd + 3);
  const int mapLength = U16(hd + 5);
  const int mapEntryBits = hd[7];
  const int width = U16(hd + 12);
  const int height = U16(hd + 14);
  const int descriptor = hd[17];
  if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
  if (U16(hd + 8) != 0 || U16(hd + 10) != 0) return -1;
  if (width > 8192 || height > 8192 || !ImageSizeAllowed(width, height)) return -1;
  const bool mapped = type == 1 || type == 9;
  const int depth = mapped ? mapEntryBits : hd[16];
  if (depth != 16 && depth != 24 && depth != 32) return -1;
  const int bpp = depth / 8;
  const int64_t pixelCount = static_cast<int64_t>(width) * height;

  // The colour map, cut at entry 255.
  uint8_t palette[256 * 4] = {};
  int64_t dataStart = 18 + idLength;
  if (mapped) {
    MediaStreamSeek(stream, static_cast<int>(dataStart), 0);
    const int64_t mapBytes = static_cast<int64_t>(mapLength) * bpp;
    Block map(mapBytes, true);
    if (map.get() == nullptr) return -1;
    MediaStreamRead(stream, map.get(), static_cast<int>(mapBytes));
    for (int i = 0; i < mapLength && mapFirst + i < 256; ++i)
      std::memcpy(palette + static_cast<int64_t>(mapFirst + i) * bpp, map.get() + static_cast<int64_t>(i) * bpp,
                  static_cast<size_t>(bpp));
    dataStart += mapBytes;
  } else if (mapType == 1) {
    dataStart += static_cast<int64_t>(mapLength) * ((mapEntryBits + 7) / 8);
  }
  if (dataStart > total) return -1;
  MediaStreamSeek(stream, static_cast<int>(dataStart), 0);
  const int sampleBytes = mapped ? 1 : bpp;  // bytes of one stored pixel
  const int64_t end = footer ? total - 26 : total;

  // Sizes the data cannot hold are refused before allocating: plain data
  // holds every pixel, a run-length packet at most 128.
  const int64_t dataBytes = std::max<int64_t>(0, end - dataStart);
  if ((type == 1 || type == 2) && total - dataStart < pixelCount * sampleBytes) return -1;
  if ((type == 9 || type == 10) && pixelCount > dataBytes / (1 + sampleBytes) * 128 + 128) return -1;
  Block samples(pixelCount * sampleBytes, true);
  if (samples.get() == nullptr) return -1;
  if (type == 1 || type == 2) {
    if (MediaStreamRead(stream, samples.get(), static_cast<int>(pixelCount * sampleBytes)) != pixelCount * sampleBytes)
      return -1;
  } else {
    Block rle(dataBytes, false);
    if (rle.get() == nullptr) return -1;
    const int64_t got = MediaStreamRead(stream, rle.get(), static_cast<int>(dataBytes));
    int64_t at = 0;
    int64_t written = 0;
    uint8_t* out = samples.get();
    while (written < pixelCount && at < got) {
      const int packet = rle.get()[at++];
      const int64_t count = std::min<int64_t>((packet & 0x7F) + 1, pixelCount - written);
      if (packet & 0x80) {
        if (at + sampleBytes > got) break;
        for (int64_t i = 0; i < count; ++i)
          std::memcpy(out + (written + i) * sampleBytes, rle.get() + at, static_cast<size_t>(sampleBytes));
        at += sampleBytes;
      } else {
        const int64_t bytes = std::min(count * sampleBytes, (got - at) / sampleBytes * sampleBytes);
        std::memcpy(out + written * sampleBytes, rle.get() + at, static_cast<size_t>(bytes));
        at += bytes;
        if (bytes < count * sampleBytes) break;
      }
      written += count;
    }
  }

  Block pixels(pixelCount * bpp, false);
  if (pixels.get() == nullptr) return -1;
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  for (int64_t row = 0; row < height; ++row) {
    const int64_t y = topDown ? row : height - 1 - row;
    if (!mapped && !rightToLeft) {
      std::memcpy(pixels.get() + y * width * bpp, samples.get() + row * width * bpp,
                  static_cast<size_t>(width) * static_cast<size_t>(bpp));
      continue;
    }
    for (int64_t col = 0; col < width; ++col) {
      const int64_t x = rightToLeft ? width - 1 - col : col;
      const uint8_t* in = samples.get() + (row * width + col) * sampleBytes;
      const uint8_t* value = mapped ? palette + static_cast<int64_t>(in[0]) * bpp : in;
      std::memcpy(pixels.get() + (y * width + x) * bpp, value, static_cast<size_t>(bpp));
    }
  }
  ColorFormat& f = image->format;
  if (depth == 16) {
    SetColorFormatFromMasks(&f, 16, 0x7C00, 0x3E0, 0x1F, 0);
  } else if (depth == 24) {
    SetFullColorFormat(&f);
  } else {
    SetARGB8ColorFormat(&f);
  }
  image->width = width;
  image->height = height;
  image->pitch = width * bpp;
  image->pixels = pixels.release();
  return 0;
}

// --- The chain -------------------------------------------------------------------

int RunImageLoaders(MediaStream* stream, GraphImage* image) {
  ++gDecodeCount;
  std::memset(image, 0, sizeof(*image));
  for (int i = 0; i < gUserImageLoaderCount; ++i) {
    MediaStreamSeek(stream, 0, 0);
    std::memset(image, 0, sizeof(*image));
    if (gUserImageLoaders[i](stream, image) == 0) return 0;
  }
  for (int i = 0; gImageLoaderTable[i] != nullptr; ++i) {
    MediaStreamSeek(stream, 0, 0);
    std::memset(image, 0, sizeof(*image));
    if (gImageLoaderTable[i](stream, image) == 0) return 0;
  }
  std::memset(image, 0, sizeof(*image));
  return -1;
}

int ImageDecodeCount() { return gDecodeCount; }

int ReadImageFile(const char* fileName, const void* data, int size, int fromMemory, int mirror, GraphImage* image) {
  MediaStream stream{};
  FileHandle file = 0;
  if (fromMemory == 0) {
    if (fileName == nullptr) return -1;
    file = FileLayerOpen(fileName, 0, 0, 0);
    if (file == 0) return -1;
    stream.functions = gFileStreamFunctions;
    stream.stream = FileHandleToStream(file);
  } else {
    BufferStream* buffer = data != nullptr ? BufferStreamOpen(data, size) : nullptr;
    if (buffer == nullptr) return -1;
    stream.functions = gBufferStreamFunctions;
    stream.stream = buffer;
  }
  GraphImage local{};
  int result = RunImageLoaders(&stream, &local);
  if (result == 0 && mirror == 1) {
    // A mirrored image must be plain first.
    if (DecompressDxtGraphImage(&local) != 0 || MirrorGraphImage(&local) != 0) {
      FreeGraphImage(&local);
      result = -1;
    }
  }
  if (result == 0) *image = local;
  if (fromMemory == 0) {
    FileLayerClose(file);
  } else {
    stream.functions.close(stream.stream);
  }
  return result;
}

std::string MakeAlphaFileName(const char* fileName) {
  std::string name = fileName;
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name + "_a";
  name.insert(dot, "_a");
  return name;
}

int ReadImageWithAlphaFile(const char* fileName, const void* data, int size, int fromMemory, const void* alphaData,
                           int alphaSize, int alphaFromMemory, GraphImage* image, GraphImage* alphaImage, int mirror) {
  if (ReadImageFile(fileName, data, size, fromMemory, mirror, image) != 0) return -1;
  if ((alphaFromMemory == 1 && alphaData == nullptr) || (alphaFromMemory != 0 && alphaFromMemory != 1)) return 1;
  std::string alphaName;
  if (alphaFromMemory == 0) {
    if (fileName == nullptr) return 1;
    alphaName = MakeAlphaFileName(fileName);
  }
  return ReadImageFile(alphaFromMemory == 0 ? alphaName.c_str() : nullptr, alphaData, alphaSize, alphaFromMemory,
                       mirror, alphaImage) == 0
             ? 0
             : 1;
}
