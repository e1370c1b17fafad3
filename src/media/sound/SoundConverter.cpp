#include "media/sound/SoundConverter.h"

#include <algorithm>
#include <cstring>

#include "foundation/TrackedHeap.h"
#include "media/sound/SoundSystem.h"
#include "platform/codecs/Codecs.h"

namespace {

constexpr int kAcmStepSource = 2048;
constexpr int kOggBlockSize = 4096;
constexpr int kSpareLead = 10240;
constexpr uint32_t kMaxFmtChunk = 4096;
constexpr int kMpegFormatSize = 30;
constexpr int64_t kWholeSourceFirstBlock = 4 << 20;
// Holes in a row that a fill skips before it takes the data as ended.
constexpr int kOggHoleLimit = 64;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

int StreamTell(const SoundStreamRecord& s) { return s.functions.tell(s.data); }
int StreamSeek(const SoundStreamRecord& s, int offset, int origin) { return s.functions.seek(s.data, offset, origin); }
int StreamRead(const SoundStreamRecord& s, void* buffer, int bytes) {
  if (bytes <= 0) return 0;
  const int n = s.functions.read(buffer, 1, bytes, s.data);
  return std::clamp(n, 0, bytes);
}
int StreamSize(const SoundStreamRecord& s) {
  const int here = StreamTell(s);
  StreamSeek(s, 0, 2);
  const int size = StreamTell(s);
  StreamSeek(s, here, 0);
  return std::max(size, 0);
}

PcmWaveFormat FormatFromBytes(const uint8_t* bytes, uint32_t size) {
  uint8_t head[kWaveFormatBytes] = {};
  std::memcpy(head, bytes, std::min<uint32_t>(size, kWaveFormatBytes));
  PcmWaveFormat f;
  f.formatTag = Le16(head);
  f.channels = Le16(head + 2);
  f.samplesPerSecond = Le32(head + 4);
  f.bytesPerSecond = Le32(head + 8);
  f.blockAlign = Le16(head + 12);
  f.bitsPerSample = Le16(head + 14);
  f.extraSize = size >= kWaveFormatBytes ? Le16(head + 16) : 0;
  return f;
}

platform::WaveFormat PlatformPcm(const PcmWaveFormat& f) {
  platform::WaveFormat w;
  w.tag = f.formatTag;
  w.channels = f.channels;
  w.sampleRate = f.samplesPerSecond;
  w.bytesPerSecond = f.bytesPerSecond;
  w.blockAlign = f.blockAlign;
  w.bitsPerSample = f.bitsPerSample;
  return w;
}

platform::WaveFormat PlatformFormat(const uint8_t* bytes, uint32_t size) {
  const PcmWaveFormat f = FormatFromBytes(bytes, size);
  platform::WaveFormat w = PlatformPcm(f);
  if (size > kWaveFormatBytes) {
    const uint32_t extra = std::min<uint32_t>(f.extraSize, size - kWaveFormatBytes);
    w.extra.assign(bytes + kWaveFormatBytes, bytes + kWaveFormatBytes + extra);
  }
  return w;
}

bool SameId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// The formats the mixer plays.
bool PlayableRate(uint32_t rate) { return rate >= 100 && rate <= 200000; }

// RIFF WAVE up to the data chunk: the fmt chunk's bytes, the data's start and
// size (clamped to the stream).
bool ReadWaveHead(const SoundStreamRecord& s, uint8_t** fmt, uint32_t* fmtSize, int* dataStart, int* dataSize) {
  const int streamSize = StreamSize(s);
  uint8_t head[12];
  if (StreamRead(s, head, 12) != 12 || !SameId(head, "RIFF") || !SameId(head + 8, "WAVE")) return false;
  uint8_t chunk[8];
  if (StreamRead(s, chunk, 8) != 8 || !SameId(chunk, "fmt ")) return false;
  const uint32_t size = Le32(chunk + 4);
  if (size < 16 || size > kMaxFmtChunk) return false;
  auto* bytes =
      static_cast<uint8_t*>(TrackedAllocZeroed(std::max<uint32_t>(size, kWaveFormatBytes), __FILE__, __LINE__));
  if (!bytes) return false;
  if (StreamRead(s, bytes, static_cast<int>(size)) != static_cast<int>(size)) {
    TrackedFree(bytes);
    return false;
  }
  if (size & 1) StreamSeek(s, 1, 1);
  const PcmWaveFormat f = FormatFromBytes(bytes, size);
  if (f.channels == 0 || f.samplesPerSecond == 0 || f.blockAlign == 0) {
    TrackedFree(bytes);
    return false;
  }
  for (;;) {
    if (StreamRead(s, chunk, 8) != 8) {
      TrackedFree(bytes);
      return false;
    }
    if (SameId(chunk, "data")) break;
    const uint32_t skip = Le32(chunk + 4);
    const int64_t next = static_cast<int64_t>(StreamTell(s)) + skip + (skip & 1);
    if (next >= streamSize) {
      TrackedFree(bytes);
      return false;
    }
    StreamSeek(s, static_cast<int>(next), 0);
  }
  *dataStart = StreamTell(s);
  *dataSize = static_cast<int>(std::min<int64_t>(Le32(chunk + 4), std::max(streamSize - *dataStart, 0)));
  *fmt = bytes;
  *fmtSize = size;
  return true;
}

int InitWavePcmConverter(SoundConverter* c) {
  uint8_t* fmt = nullptr;
  uint32_t fmtSize = 0;
  int start = 0, size = 0;
  if (!ReadWaveHead(c->stream, &fmt, &fmtSize, &start, &size)) return -1;
  PcmWaveFormat f = FormatFromBytes(fmt, fmtSize);
  TrackedFree(fmt);
  if (f.formatTag != platform::kWaveFormatPcm) return -1;
  if (fmtSize == 16) {
    f.bitsPerSample = static_cast<uint16_t>(f.blockAlign / f.channels * 8);
    f.extraSize = 0;
  }
  // Only what the mixer can play; the rest would fail at the buffer.
  if (f.channels > 2 || (f.bitsPerSample != 8 && f.bitsPerSample != 16) ||
      f.blockAlign != f.channels * f.bitsPerSample / 8 || !PlayableRate(f.samplesPerSecond))
    return -1;
  f.bytesPerSecond = f.blockAlign * f.samplesPerSecond;
  c->outputFormat = f;
  c->dataStart = start;
  c->dataSize = size - size % f.blockAlign;
  c->outputBlockSize = static_cast<int>(f.bytesPerSecond);
  c->type = kConverterWavePcm;
  return 0;
}

void ReleaseAcm(AcmCodingState& a) {
  if (a.mainStream >= 0) platform::CloseCodecStream(a.mainStream);
  if (a.spareStream >= 0) platform::CloseCodecStream(a.spareStream);
  TrackedFree(a.spareBlock);
  TrackedFree(a.sourceFormat);
  TrackedFree(a.sourceBlock);
  a = AcmCodingState{};
}

int OpenAcmStream(const SoundConverter* c) {
  return platform::OpenCodecStream(PlatformFormat(c->acm.sourceFormat, c->acm.sourceFormatSize),
                                   PlatformPcm(c->outputFormat));
}

// Suggests the output format, reads the data into the source block and opens
// both ACM streams; the source format is set.
int FinishAcmOpen(SoundConverter* c, int blockSizeNumerator, int blockSizeDenominator) {
  AcmCodingState& a = c->acm;
  platform::WaveFormat pcm;
  if (!platform::SuggestPcmFormat(PlatformFormat(a.sourceFormat, a.sourceFormatSize), &pcm) ||
      !PlayableRate(pcm.sampleRate) || c->dataSize <= 0) {
    ReleaseAcm(a);
    return -1;
  }
  c->outputFormat =
      PcmWaveFormat{pcm.tag, pcm.channels, pcm.sampleRate, pcm.bytesPerSecond, pcm.blockAlign, pcm.bitsPerSample, 0};
  a.sourceSize = c->dataSize;
  a.sourceBlock = static_cast<uint8_t*>(TrackedAlloc(a.sourceSize, __FILE__, __LINE__));
  if (!a.sourceBlock) {
    ReleaseAcm(a);
    return -1;
  }
  StreamSeek(c->stream, c->dataStart, 0);
  a.sourceSize = StreamRead(c->stream, a.sourceBlock, a.sourceSize);
  c->dataSize = a.sourceSize;
  StreamSeek(c->stream, c->dataStart, 0);
  a.mainSourcePosition = 0;
  a.mainStream = OpenAcmStream(c);
  a.spareStream = OpenAcmStream(c);
  c->outputBlockSize =
      static_cast<int>(static_cast<int64_t>(pcm.bytesPerSecond) * blockSizeNumerator / blockSizeDenominator);
  // One step's output always fits: a frame or a block at the least.
  c->outputBlockSize = std::max(c->outputBlockSize, 1152 * 2 * pcm.channels);
  if (a.sourceFormat[0] != platform::kWaveFormatMpegLayer3) {
    const PcmWaveFormat src = FormatFromBytes(a.sourceFormat, a.sourceFormatSize);
    const int64_t blockOut = platform::CodecOutputSizeBound(a.mainStream, src.blockAlign);
    c->outputBlockSize = static_cast<int>(std::max<int64_t>(c->outputBlockSize, blockOut));
  }
  a.spareBlock = static_cast<uint8_t*>(TrackedAlloc(c->outputBlockSize, __FILE__, __LINE__));
  if (a.mainStream < 0 || a.spareStream < 0 || !a.spareBlock || a.sourceSize <= 0) {
    ReleaseAcm(a);
    return -1;
  }
  c->type = kConverterAcm;
  return 0;
}

int InitWaveAcmConverter(SoundConverter* c) {
  uint8_t* fmt = nullptr;
  uint32_t fmtSize = 0;
  int start = 0, size = 0;
  if (!ReadWaveHead(c->stream, &fmt, &fmtSize, &start, &size)) return -1;
  c->acm = AcmCodingState{};
  c->acm.sourceFormat = fmt;
  c->acm.sourceFormatSize = static_cast<int>(fmtSize);
  c->acm.totalSamples = -1;
  c->dataStart = start;
  c->dataSize = size;
  return FinishAcmOpen(c, 1, 1);
}

size_t OggReadCallback(void* buffer, size_t size, size_t count, void* record) {
  if (!record) return static_cast<size_t>(-1);
  const auto* s = static_cast<const SoundStreamRecord*>(record);
  const int64_t want = static_cast<int64_t>(size) * static_cast<int64_t>(count);
  if (size == 0 || want <= 0) return 0;
  const int n = StreamRead(*s, buffer, static_cast<int>(std::min<int64_t>(want, 1 << 30)));
  return static_cast<size_t>(n) / size;
}
int OggSeekCallback(void* record, ogg_int64_t offset, int origin) {
  if (!record) return -1;
  return StreamSeek(*static_cast<const SoundStreamRecord*>(record), static_cast<int>(offset), origin);
}
int OggCloseCallback(void*) { return 0; }  // the stream stays with its owner
long OggTellCallback(void* record) {
  if (!record) return -1;
  return StreamTell(*static_cast<const SoundStreamRecord*>(record));
}

int InitOggConverter(SoundConverter* c) {
  const ov_callbacks callbacks{OggReadCallback, OggSeekCallback, OggCloseCallback, OggTellCallback};
  c->ogg = OggCodingState{};
  if (ov_open_callbacks(&c->stream, &c->ogg.file, nullptr, 0, callbacks) != 0) return -1;
  c->ogg.open = 1;
  c->ogg.bytesPerSample = gSoundSystem.oggBytesPerSample > 0 ? gSoundSystem.oggBytesPerSample : 2;
  const vorbis_info* info = ov_info(&c->ogg.file, -1);
  const ogg_int64_t total = ov_pcm_total(&c->ogg.file, -1);
  const int b = c->ogg.bytesPerSample;
  if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0 || !PlayableRate(info->rate) || total < 0 ||
      (total + 44100) * info->channels * b > kConvertedSizeCap) {
    ov_clear(&c->ogg.file);
    c->ogg.open = 0;
    return -1;
  }
  PcmWaveFormat& f = c->outputFormat;
  f.formatTag = 1;
  f.channels = static_cast<uint16_t>(info->channels);
  f.samplesPerSecond = static_cast<uint32_t>(info->rate);
  f.bitsPerSample = static_cast<uint16_t>(8 * b);
  f.blockAlign = static_cast<uint16_t>(info->channels * b);
  f.bytesPerSecond = f.blockAlign * f.samplesPerSecond;
  f.extraSize = 0;
  c->outputBlockSize = kOggBlockSize;
  c->dataSize = static_cast<int>(total * info->channels * b);
  c->type = kConverterOgg;
  return 0;
}

int InitMp3AcmConverter(SoundConverter* c) {
  AcmCodingState& a = c->acm;
  a = AcmCodingState{};
  const SoundStreamRecord& s = c->stream;
  const int size = StreamSize(s);
  StreamSeek(s, 0, 0);
  int audioStart = 0;
  uint8_t id3[10];
  if (StreamRead(s, id3, 3) == 3 && std::memcmp(id3, "ID3", 3) == 0) {
    if (StreamRead(s, id3 + 3, 7) != 7) return -1;
    const int64_t tagSize = ((static_cast<int64_t>(id3[6]) * 128 + id3[7]) * 128 + id3[8]) * 128 + id3[9];
    int64_t start = 10 + tagSize;
    if (id3[3] == 4 && (id3[5] & 0x10)) start += 10;
    if (start >= size) return -1;
    audioStart = static_cast<int>(start);
  }
  int limit = 0;
  if (size > 128) {
    uint8_t tag[3] = {};
    StreamSeek(s, size - 128, 0);
    limit = (StreamRead(s, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0) ? size - 128 : size;
  }
  StreamSeek(s, audioStart, 0);
  int firstFrame = -1;
  int64_t total = 0;
  int64_t dataEnd = 0;
  platform::MpegFrameHeader first;
  for (;;) {
    uint8_t h[4];
    if (StreamRead(s, h, 1) != 1) break;
    if (h[0] != 0xFF) continue;
    if (StreamRead(s, h + 1, 1) != 1) break;
    if ((h[1] & 0xF0) != 0xF0) continue;
    if (StreamRead(s, h + 2, 2) != 2) break;
    platform::MpegFrameHeader header;
    if (platform::ParseMpegFrameHeader(h, &header) != 0) return -1;
    const int position = StreamTell(s) - 4;
    if (position >= limit) break;
    if (firstFrame < 0) {
      firstFrame = position;
      first = header;
    }
    total += header.samples;
    const int64_t frameEnd = static_cast<int64_t>(position) + header.frameBytes;
    dataEnd = frameEnd;
    if (frameEnd < limit) {
      StreamSeek(s, static_cast<int>(frameEnd), 0);
      continue;
    }
    dataEnd = std::min<int64_t>(frameEnd, limit);
    break;
  }
  if (firstFrame < 0) return -1;
  dataEnd = std::min<int64_t>(dataEnd, size);
  if (total * 2 * first.channels > kConvertedSizeCap) return -1;
  a.sourceFormat = static_cast<uint8_t*>(TrackedAllocZeroed(kMpegFormatSize, __FILE__, __LINE__));
  if (!a.sourceFormat) return -1;
  uint8_t* f = a.sourceFormat;
  Put16(f, platform::kWaveFormatMpegLayer3);
  Put16(f + 2, static_cast<uint32_t>(first.channels));
  Put32(f + 4, static_cast<uint32_t>(first.sampleRate));
  Put32(f + 8, static_cast<uint32_t>(first.bitRateKbps * 1000 / 8));
  Put16(f + 12, 1);
  Put16(f + 14, 0);
  Put16(f + 16, 12);
  Put16(f + 18, 1);  // MPEG
  Put32(f + 20, static_cast<uint32_t>(first.padding));
  Put16(f + 24, static_cast<uint32_t>(first.frameBytes));
  Put16(f + 26, 1);
  Put16(f + 28, 700);
  a.sourceFormatSize = kMpegFormatSize;
  a.totalSamples = static_cast<int>(total);
  c->dataStart = firstFrame;
  c->dataSize = static_cast<int>(dataEnd - firstFrame);
  return FinishAcmOpen(c, 4, 3);
}

// One ACM step into `out`; false when nothing could be converted.
bool AcmStep(SoundConverter* c, int stream, int* sourcePosition, uint8_t* out, int outBytes, int* produced) {
  AcmCodingState& a = c->acm;
  const int remaining = a.sourceSize - *sourcePosition;
  const int stepSource =
      std::min(remaining, std::max<int>(kAcmStepSource, static_cast<int>(platform::CodecStepSourceMinimum(stream))));
  platform::CodecStep step;
  if (outBytes <= 0 ||
      !platform::ConvertCodecStep(stream, a.sourceBlock + *sourcePosition, static_cast<uint32_t>(stepSource), out,
                                  static_cast<uint32_t>(outBytes), &step))
    return false;
  *sourcePosition += static_cast<int>(step.consumed);
  *produced = static_cast<int>(step.produced);
  return step.consumed > 0 || step.produced > 0;
}

void ReopenSpare(SoundConverter* c) {
  platform::CloseCodecStream(c->acm.spareStream);
  c->acm.spareStream = OpenAcmStream(c);
  c->acm.spareSourcePosition = 0;
  c->acm.spareOutputPosition = 0;
}

// Fills the output block; false at the end of the data.
bool FillAcm(SoundConverter* c) {
  AcmCodingState& a = c->acm;
  if (c->spareTarget != a.spareOutputPosition) {
    if (a.spareOutputPosition > c->spareTarget) ReopenSpare(c);
    if (a.spareOutputPosition < c->spareTarget - kSpareLead && a.spareSourcePosition < a.sourceSize) {
      int produced = 0;
      const int room = std::min(c->outputBlockSize, c->spareTarget - a.spareOutputPosition);
      if (a.spareStream < 0) return false;
      AcmStep(c, a.spareStream, &a.spareSourcePosition, a.spareBlock, room, &produced);
      a.spareOutputPosition += produced;
    }
  }
  if (a.mainSourcePosition >= a.sourceSize) return false;
  int produced = 0;
  const bool ok = AcmStep(c, a.mainStream, &a.mainSourcePosition, c->outputBlock, c->outputBlockSize, &produced);
  if (!ok || produced == 0) {
    c->available = 0;
    a.mainSourcePosition = a.sourceSize;
    return false;
  }
  c->available = produced;
  return true;
}

bool FillPcm(SoundConverter* c) {
  const int position = StreamTell(c->stream) - c->dataStart;
  if (position >= c->dataSize || position < 0) return false;
  const int want = std::min(c->dataSize - position, c->outputBlockSize);
  const int got = StreamRead(c->stream, c->outputBlock, want);
  c->available = got;
  return got > 0;
}

bool FillOgg(SoundConverter* c) {
  for (int holes = 0; holes < kOggHoleLimit; ++holes) {
    int section = 0;
    const long n = ov_read(&c->ogg.file, reinterpret_cast<char*>(c->outputBlock), kOggBlockSize, 0,
                           c->ogg.bytesPerSample, c->ogg.bytesPerSample != 1 ? 1 : 0, &section);
    if (n > 0) {
      c->available = static_cast<int>(n);
      return true;
    }
    if (n != OV_HOLE) return false;  // the end, or damage taken as the end
  }
  return false;
}

bool Fill(SoundConverter* c) {
  c->readOffset = 0;
  c->available = 0;
  switch (c->type) {
    case kConverterWavePcm: return FillPcm(c);
    case kConverterAcm: return FillAcm(c);
    default: return FillOgg(c);
  }
}

void RestartMain(SoundConverter* c) {
  AcmCodingState& a = c->acm;
  platform::CloseCodecStream(a.mainStream);
  a.mainStream = OpenAcmStream(c);
  a.mainSourcePosition = 0;
  c->available = 0;
  c->readOffset = 0;
  c->outputPosition = 0;
}

void SeekAcm(SoundConverter* c, int64_t target) {
  AcmCodingState& a = c->acm;
  if (target < c->outputPosition) {
    if (target < a.spareOutputPosition) {
      RestartMain(c);
    } else {
      // The spare has decoded up to near the target: it becomes the main.
      std::swap(a.mainStream, a.spareStream);
      a.mainSourcePosition = a.spareSourcePosition;
      c->outputPosition = a.spareOutputPosition;
      c->available = 0;
      c->readOffset = 0;
      ReopenSpare(c);
    }
  }
  while (target > c->outputPosition + c->available) {
    c->outputPosition += c->available;
    if (!Fill(c)) {
      c->available = 0;
      c->atEnd = 1;
      return;
    }
  }
  const int skip = static_cast<int>(target - c->outputPosition);
  c->readOffset += skip;
  c->available -= skip;
  c->outputPosition = static_cast<int>(target);
}

}  // namespace

void WriteWaveFormatBytes(const PcmWaveFormat& f, uint8_t out[kWaveFormatBytes]) {
  Put16(out, f.formatTag);
  Put16(out + 2, f.channels);
  Put32(out + 4, f.samplesPerSecond);
  Put32(out + 8, f.bytesPerSecond);
  Put16(out + 12, f.blockAlign);
  Put16(out + 14, f.bitsPerSample);
  Put16(out + 16, f.extraSize);
}

int OpenConverter(const SoundStreamRecord* stream, SoundConverter* c) {
  if (!stream || !c) return -1;
  *c = SoundConverter{};
  c->movieTrackFlag = gMovieTrackFlag;
  c->stream = *stream;
  c->spareTarget = 0;
  int (*const openers[])(SoundConverter*) = {InitWavePcmConverter, InitWaveAcmConverter, InitOggConverter,
                                             InitMp3AcmConverter};
  bool opened = false;
  for (auto opener : openers) {
    StreamSeek(c->stream, 0, 0);
    if (opener(c) == 0) {
      opened = true;
      break;
    }
  }
  if (!opened) return -1;
  c->valid = 1;  // so that the close below releases what the opener made
  c->atEnd = 0;
  c->outputBlock = static_cast<uint8_t*>(TrackedAlloc(c->outputBlockSize, __FILE__, __LINE__));
  if (!c->outputBlock) {
    CloseConverter(c);
    return -1;
  }
  c->available = c->readOffset = c->outputPosition = 0;
  if (c->type == kConverterWavePcm) StreamSeek(c->stream, c->dataStart, 0);
  return 0;
}

int ConvertChunk(SoundConverter* c, void* destination, int bytes) {
  if (!c || !c->valid) return -1;
  if (c->atEnd || bytes <= 0) return 0;
  auto* out = static_cast<uint8_t*>(destination);
  int delivered = 0;
  while (bytes > 0) {
    if (c->available == 0 && !Fill(c)) {
      c->available = 0;
      c->atEnd = 1;
      return delivered;
    }
    const int n = std::min(c->available, bytes);
    std::memcpy(out + delivered, c->outputBlock + c->readOffset, n);
    c->outputPosition += n;
    c->readOffset += n;
    c->available -= n;
    bytes -= n;
    delivered += n;
  }
  return delivered;
}

int SeekConverter(SoundConverter* c, int64_t sample) {
  if (!c || !c->valid) return -1;
  const int64_t target = sample * c->outputFormat.blockAlign;
  if (target < 0 || target > INT32_MAX) return -1;
  const int64_t distance = target - c->outputPosition;
  if (distance > -16 && distance < 16) return 0;
  switch (c->type) {
    case kConverterWavePcm:
      StreamSeek(c->stream, static_cast<int>(c->dataStart + std::min<int64_t>(target, c->dataSize)), 0);
      c->outputPosition = static_cast<int>(target);
      c->available = c->readOffset = 0;
      break;
    case kConverterAcm:
      c->atEnd = 0;
      SeekAcm(c, target);
      return 0;
    default:
      ov_pcm_seek(&c->ogg.file, sample);
      c->available = c->readOffset = 0;
      c->outputPosition = static_cast<int>(target);
      break;
  }
  c->atEnd = 0;
  return 0;
}

int GetConverterFormat(const SoundConverter* c, PcmWaveFormat* format) {
  *format = c->outputFormat;
  return 0;
}

int64_t EstimateConvertedSize(SoundConverter* c) {
  switch (c->type) {
    case kConverterWavePcm: return c->dataSize;
    case kConverterAcm:
      if (c->acm.totalSamples != -1) return static_cast<int64_t>(c->outputFormat.blockAlign) * c->acm.totalSamples;
      return static_cast<int64_t>(platform::CodecOutputSizeBound(c->acm.mainStream, c->dataSize));
    default: {
      const ogg_int64_t total = ov_pcm_total(&c->ogg.file, -1);
      return (total + 44100) * c->outputFormat.channels * c->ogg.bytesPerSample;
    }
  }
}

int ConvertWholeSource(SoundConverter* c, PcmWaveFormat* format, uint8_t** block, int* size) {
  const int64_t estimate = EstimateConvertedSize(c);
  if (estimate < 0 || estimate > kConvertedSizeCap) return -1;
  // Decoded data grows the block as it comes, so a damaged header's estimate
  // never allocates more than the data really gives.
  int64_t capacity = c->type == kConverterWavePcm ? estimate : std::min<int64_t>(estimate, kWholeSourceFirstBlock);
  auto* data = static_cast<uint8_t*>(TrackedAlloc(std::max<int64_t>(capacity, 1), __FILE__, __LINE__));
  if (!data) return -1;
  SeekConverter(c, 0);
  int delivered = 0;
  if (c->type == kConverterWavePcm) {
    StreamSeek(c->stream, c->dataStart, 0);
    delivered = StreamRead(c->stream, data, static_cast<int>(estimate));
  } else {
    for (;;) {
      const int got = ConvertChunk(c, data + delivered, static_cast<int>(capacity - delivered));
      if (got <= 0) break;
      delivered += got;
      if (delivered < capacity || capacity >= estimate) break;
      const int64_t grown = std::min<int64_t>(capacity * 2, estimate);
      auto* bigger = static_cast<uint8_t*>(TrackedRealloc(data, grown, __FILE__, __LINE__));
      if (!bigger) {
        TrackedFree(data);
        return -1;
      }
      data = bigger;
      capacity = grown;
    }
  }
  *format = c->outputFormat;
  *block = data;
  *size = delivered;
  return 0;
}

int CloseConverter(SoundConverter* c) {
  if (!c || !c->valid) return -1;
  TrackedFree(c->outputBlock);
  c->outputBlock = nullptr;
  if (c->type == kConverterAcm) ReleaseAcm(c->acm);
  if (c->type == kConverterOgg && c->ogg.open) {
    ov_clear(&c->ogg.file);
    c->ogg.open = 0;
  }
  c->valid = 0;
  return 0;
}
