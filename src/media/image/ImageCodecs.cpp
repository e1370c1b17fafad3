// PNG and JPEG decoding through libpng and libjpeg. Both libraries return to
// a recovery point by longjmp, so nothing with a destructor lives in these
// functions across it.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

#include "foundation/TrackedHeap.h"
#include "media/image/ImageLoader.h"

namespace {

// --- PNG -------------------------------------------------------------------------

struct PngSource {
  MediaStream* stream;
  int64_t remaining;
};

void PngStreamReadCallback(png_structp png, png_bytep data, png_size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (static_cast<int64_t>(length) > source->remaining ||
      MediaStreamRead(source->stream, data, static_cast<int>(length)) != static_cast<int>(length))
    png_error(png, "Read Error");
  source->remaining -= static_cast<int64_t>(length);
}

void SetupPngStreamRead(png_structp png, PngSource* source) {
  source->remaining = MediaStreamRemaining(source->stream);
  png_set_read_fn(png, source, PngStreamReadCallback);
}

void PngQuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngQuietWarning(png_structp, png_const_charp) {}

// --- JPEG ------------------------------------------------------------------------

// The library takes its fast Huffman path only while a few kilobytes of
// data are left in the buffer, so the file is handed over in large reads:
// the whole file when it is smaller than this, else pieces this size.
constexpr int kJpegReadBytes = 256 * 1024;
constexpr uint8_t kJpegStartMarker = 0xD8;  // follows 0xFF at the start of every file
// Progressive files with more scans than any encoder writes are refused
// rather than decoded for minutes.
constexpr int kJpegMaxScans = 1000;
// A file whose data runs out is decoded to its end, but not when it claims
// more pixels per byte than any Huffman-coded picture compresses to: past the data every
// row costs as much as a real one, so a few hundred bytes claiming a huge
// picture would hold the decoder for seconds. Huffman-coded data takes at
// least a bit per 8 x 8 block (512 pixels a byte), so such a file is known
// to run out as soon as its header is read.
constexpr int64_t kJpegMaxPixelsPerByte = 1024;

struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf recovery;
};

struct JpegSource {
  jpeg_source_mgr manager;
  MediaStream* stream;
  int64_t size;  // the bytes the file holds from where decoding started
  int64_t remaining;
  int64_t scanData;  // where the first scan's coded data starts; the size until its header is read
  bool startOfFile;
  JOCTET* buffer;
  int bufferBytes;  // at least 2, for the end marker put in at the end of the data
};

// The library's messages would only clutter the console: every file the
// chain offers before its own decoder is "not a JPEG file".
void JpegQuietOutput(j_common_ptr) {}

void JpegErrorExit(j_common_ptr info) {
  (*info->err->output_message)(info);
  longjmp(reinterpret_cast<JpegError*>(info->err)->recovery, 1);
}

void JpegStartSource(j_decompress_ptr info) { reinterpret_cast<JpegSource*>(info->src)->startOfFile = true; }

bool ClaimsTooMuch(j_decompress_ptr info) {
  const int64_t pixels = static_cast<int64_t>(info->image_width) * info->image_height;
  return pixels > reinterpret_cast<JpegSource*>(info->src)->size * kJpegMaxPixelsPerByte;
}

// Arithmetic coding may leave a whole picture in a handful of bytes after its
// scan header, so where such data runs out nothing tells a damaged file from
// one missing only its end marker: both decode on. A file that ends with its
// first scan header holds no picture at all and is judged by its claim.
bool HoldsNoPictureAndClaimsTooMuch(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegSource*>(info->src);
  return source->size <= source->scanData && ClaimsTooMuch(info);
}

boolean JpegFillStreamBuffer(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegSource*>(info->src);
  const int64_t want = source->remaining < source->bufferBytes ? source->remaining : source->bufferBytes;
  const int got = want > 0 ? MediaStreamRead(source->stream, source->buffer, static_cast<int>(want)) : 0;
  source->remaining -= got;
  if (got <= 0) {
    if (source->startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
    if (HoldsNoPictureAndClaimsTooMuch(info)) ERREXIT(info, JERR_INPUT_EOF);
    WARNMS(info, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = 2;
  } else {
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = static_cast<size_t>(got);
  }
  source->startOfFile = false;
  return TRUE;
}

void JpegSkipStreamData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = info->src;
  while (count > static_cast<long>(source->bytes_in_buffer)) {
    count -= static_cast<long>(source->bytes_in_buffer);
    JpegFillStreamBuffer(info);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<size_t>(count);
}

void JpegTermSource(j_decompress_ptr) {}

void SetupJpegStreamSource(j_decompress_ptr info, MediaStream* stream) {
  if (info->src == nullptr) {
    info->src = static_cast<jpeg_source_mgr*>(
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegSource)));
  }
  auto* source = reinterpret_cast<JpegSource*>(info->src);
  source->remaining = MediaStreamRemaining(stream);
  source->size = source->remaining;
  source->scanData = source->size;
  source->bufferBytes = source->remaining < kJpegReadBytes ? static_cast<int>(source->remaining) : kJpegReadBytes;
  if (source->bufferBytes < 2) source->bufferBytes = 2;
  source->buffer = static_cast<JOCTET*>((*info->mem->alloc_large)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT,
                                                                  static_cast<size_t>(source->bufferBytes)));
  source->manager.init_source = JpegStartSource;
  source->manager.fill_input_buffer = JpegFillStreamBuffer;
  source->manager.skip_input_data = JpegSkipStreamData;
  source->manager.resync_to_restart = jpeg_resync_to_restart;
  source->manager.term_source = JpegTermSource;
  source->stream = stream;
  source->manager.bytes_in_buffer = 0;
  source->manager.next_input_byte = nullptr;
}

void JpegScanLimit(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->input_scan_number > kJpegMaxScans) ERREXIT(info, JERR_NOTIMPL);
}

}  // namespace

int ReadPngStream(MediaStream* stream, GraphImage* image) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngQuietError, PngQuietWarning);
  if (png == nullptr) return -1;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return -1;
  }
  PngSource source{stream, 0};
  uint8_t* volatile pixels = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png)) != 0) {
    if (rows != nullptr) png_free(png, rows);
    if (pixels != nullptr) TrackedFree(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return -1;
  }
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  SetupPngStreamRead(png, &source);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colorType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  if (!ImageSizeAllowed(width, height)) png_error(png, "Image too large");
  png_set_strip_16(png);
  png_set_packing(png);
  const bool grey = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
  const bool expand = (grey && bitDepth <= 8) || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (expand) png_set_expand(png);
  png_set_bgr(png);
  png_read_update_info(png, info);
  const png_size_t rowBytes = png_get_rowbytes(png, info);
  const int channels = png_get_channels(png, info);
  pixels = static_cast<uint8_t*>(TrackedAlloc(rowBytes * height, __FILE__, __LINE__));
  if (pixels == nullptr) png_error(png, "Out of memory");
  rows = static_cast<png_bytep*>(png_malloc(png, sizeof(png_bytep) * height));
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + rowBytes * y;
  png_read_image(png, rows);
  png_read_end(png, nullptr);

  ColorFormat& f = image->format;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expand) {
    SetPaletteColorFormat(&f);
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0) count = 0;
    for (int i = 0; i < 256; ++i)
      f.palette[i] = i < count ? PaletteEntry{palette[i].blue, palette[i].green, palette[i].red, 0} : PaletteEntry{};
  } else if (grey) {
    if (rowBytes < static_cast<png_size_t>(width) * 2) {
      SetGray8ColorFormat(&f);
    } else {
      // Grey and alpha pairs: the grey byte in every channel, the alpha unused.
      SetColorFormatFromMasks(&f, 16, 0xFF, 0xFF, 0xFF, 0);
    }
  } else if (channels == 4) {
    SetARGB8ColorFormat(&f);
  } else {
    SetFullColorFormat(&f);
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pitch = static_cast<int>(rowBytes);
  image->pixels = pixels;
  png_free(png, rows);
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}

int ReadJpegStream(MediaStream* stream, GraphImage* image) {
  // Every file the chain offers before its own decoder passes here: one
  // that does not open with the start marker is turned away before any
  // large read.
  const int start = MediaStreamTell(stream);
  uint8_t marker[2] = {};
  const bool jpeg = MediaStreamRead(stream, marker, 2) == 2 && marker[0] == 0xFF && marker[1] == kJpegStartMarker;
  MediaStreamSeek(stream, start, 0);
  if (!jpeg) return -1;
  jpeg_decompress_struct info;
  JpegError error;
  jpeg_progress_mgr progress;
  std::memset(&progress, 0, sizeof progress);
  progress.progress_monitor = JpegScanLimit;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegErrorExit;
  error.manager.output_message = JpegQuietOutput;
  uint8_t* volatile pixels = nullptr;
  if (setjmp(error.recovery) != 0) {
    if (pixels != nullptr) TrackedFree(pixels);
    jpeg_destroy_decompress(&info);
    return -1;
  }
  jpeg_create_decompress(&info);
  info.progress = &progress;
  info.mem->max_memory_to_use = 512L * 1024 * 1024;
  SetupJpegStreamSource(&info, stream);
  jpeg_read_header(&info, TRUE);
  auto* source = reinterpret_cast<JpegSource*>(info.src);
  source->scanData = source->size - source->remaining - static_cast<int64_t>(info.src->bytes_in_buffer);
  if (!ImageSizeAllowed(info.image_width, info.image_height)) ERREXIT(&info, JERR_IMAGE_TOO_BIG);
  if (!info.arith_code && ClaimsTooMuch(&info)) ERREXIT(&info, JERR_INPUT_EOF);
  // Four-component (CMYK, YCCK) files are refused: no conversion to RGB is
  // given by the library.
  if (info.num_components == 1) {
    info.out_color_space = JCS_GRAYSCALE;
  } else if (info.num_components == 3) {
    info.out_color_space = JCS_EXT_BGR;
  } else {
    ERREXIT(&info, JERR_CONVERSION_NOTIMPL);
  }
  jpeg_start_decompress(&info);
  const int components = info.output_components;
  const size_t rowBytes = static_cast<size_t>(components) * info.output_width;
  pixels = static_cast<uint8_t*>(TrackedAlloc(rowBytes * info.output_height, __FILE__, __LINE__));
  if (pixels == nullptr) ERREXIT1(&info, JERR_OUT_OF_MEMORY, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels + rowBytes * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  if (components == 1) {
    SetGray8ColorFormat(&image->format);
  } else {
    SetFullColorFormat(&image->format);
  }
  image->width = static_cast<int>(info.output_width);
  image->height = static_cast<int>(info.output_height);
  image->pitch = static_cast<int>(rowBytes);
  image->pixels = pixels;
  jpeg_destroy_decompress(&info);
  return 0;
}
