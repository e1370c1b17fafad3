#include "platform/codecs/Codecs.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform {

namespace {

constexpr int kBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};
constexpr int kSampleRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};
// The largest Layer III frame: 320 kbit/s at 32 kHz, padded.
constexpr uint32_t kMaxMpegFrameBytes = 144000 * 448 / 32000 + 4;

constexpr int kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kImaStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
constexpr int16_t kMsStandardCoefs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                            {240, 0}, {460, -208}, {392, -232}};

int16_t Clamp16(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }
int16_t Read16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
void Write16(uint8_t* p, int16_t v) {
  p[0] = static_cast<uint8_t>(v & 0xFF);
  p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

int16_t MuLawToLinear(uint8_t u) {
  u = static_cast<uint8_t>(~u);
  int t = ((u & 0x0F) << 3) + 0x84;
  t <<= (u & 0x70) >> 4;
  return static_cast<int16_t>((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

int16_t ALawToLinear(uint8_t a) {
  a ^= 0x55;
  int t = (a & 0x0F) << 4;
  const int segment = (a & 0x70) >> 4;
  if (segment == 0) t += 8;
  else if (segment == 1) t += 0x108;
  else t = (t + 0x108) << (segment - 1);
  return static_cast<int16_t>((a & 0x80) ? t : -t);
}

struct CodecStream {
  WaveFormat source;
  int channels = 1;
  uint32_t samplesPerBlock = 0;  // ADPCM
  std::vector<int16_t> coefs;    // MS ADPCM pairs
  mpg123_handle* mpeg = nullptr;
  ~CodecStream() {
    if (mpeg) mpg123_delete(mpeg);
  }
};

std::mutex gTableLock;
std::vector<std::unique_ptr<CodecStream>> gStreams;

CodecStream* Find(int stream) {
  if (stream < 0 || stream >= static_cast<int>(gStreams.size())) return nullptr;
  return gStreams[stream].get();
}

uint32_t ImaSamplesPerBlock(const WaveFormat& f) {
  // Whole 4-byte groups per channel after the headers.
  const uint32_t header = 4u * f.channels;
  if (f.blockAlign <= header || (f.blockAlign - header) % header != 0) return 0;
  return (f.blockAlign - header) * 8 / (4 * f.channels) + 1;
}

uint32_t MsSamplesPerBlock(const WaveFormat& f) {
  const uint32_t header = 7u * f.channels;
  if (f.blockAlign <= header) return 0;
  return (f.blockAlign - header) * 2 / f.channels + 2;
}

// Offsets inside one block: a block is at most 64 KiB and has one or two
// channels, so these products stay far from overflow.
// NOLINTBEGIN(bugprone-implicit-widening-of-multiplication-result)
void DecodeImaBlock(const CodecStream& s, const uint8_t* in, uint8_t* out) {
  const int ch = s.channels;
  const uint32_t spb = s.samplesPerBlock;
  for (int c = 0; c < ch; ++c) {
    int predictor = Read16(in + 4 * c);
    int index = std::min<int>(in[4 * c + 2], 88);
    Write16(out + 2 * c, static_cast<int16_t>(predictor));
    // Groups of 4 bytes (8 samples) per channel, channels interleaved.
    const uint8_t* data = in + 4 * ch + 4 * c;
    for (uint32_t i = 1; i < spb; ++i) {
      const uint32_t k = i - 1;
      const uint8_t byte = data[(k / 8) * 4 * ch + (k % 8) / 2];
      const int nibble = (k & 1) ? (byte >> 4) : (byte & 0x0F);
      const int step = kImaStepTable[index];
      int diff = step >> 3;
      if (nibble & 1) diff += step >> 2;
      if (nibble & 2) diff += step >> 1;
      if (nibble & 4) diff += step;
      if (nibble & 8) diff = -diff;
      predictor = Clamp16(predictor + diff);
      index = std::clamp(index + kImaIndexTable[nibble], 0, 88);
      Write16(out + 2 * (i * ch + c), static_cast<int16_t>(predictor));
    }
  }
}

void DecodeMsBlock(const CodecStream& s, const uint8_t* in, uint8_t* out) {
  const int ch = s.channels;
  const int pairs = static_cast<int>(s.coefs.size() / 2);
  int coef1[2], coef2[2], delta[2], s1[2], s2[2];
  for (int c = 0; c < ch; ++c) {
    const int predictor = std::min<int>(in[c], pairs - 1);
    coef1[c] = s.coefs[2 * predictor];
    coef2[c] = s.coefs[2 * predictor + 1];
    delta[c] = Read16(in + ch + 2 * c);
    s1[c] = Read16(in + 3 * ch + 2 * c);
    s2[c] = Read16(in + 5 * ch + 2 * c);
    Write16(out + 2 * c, static_cast<int16_t>(s2[c]));
    Write16(out + 2 * (ch + c), static_cast<int16_t>(s1[c]));
  }
  const uint8_t* data = in + 7 * ch;
  const uint32_t nibbles = (s.samplesPerBlock - 2) * ch;
  for (uint32_t k = 0; k < nibbles; ++k) {
    const int c = ch > 1 ? static_cast<int>(k % 2) : 0;
    const int code = (k & 1) ? (data[k / 2] & 0x0F) : (data[k / 2] >> 4);
    const int signedCode = code & 8 ? code - 16 : code;
    const int predict = (s1[c] * coef1[c] + s2[c] * coef2[c]) >> 8;
    const int current = Clamp16(signedCode * delta[c] + predict);
    // Bounded above so that a damaged block cannot overflow the products.
    delta[c] = std::clamp((kMsAdaptation[code] * delta[c]) >> 8, 16, 1 << 20);
    s2[c] = s1[c];
    s1[c] = current;
    Write16(out + 2 * (2 * ch + k), static_cast<int16_t>(current));
  }
}

bool StepBlocks(CodecStream& s, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes, CodecStep* step) {
  const uint32_t block = s.source.blockAlign;
  const uint32_t blockOut = s.samplesPerBlock * s.channels * 2;
  const uint32_t count = std::min(inBytes / block, outBytes / blockOut);
  for (uint32_t i = 0; i < count; ++i) {
    if (s.source.tag == kWaveFormatImaAdpcm) DecodeImaBlock(s, in + i * block, out + i * blockOut);
    else DecodeMsBlock(s, in + i * block, out + i * blockOut);
  }
  step->consumed = count * block;
  step->produced = count * blockOut;
  // NOLINTEND(bugprone-implicit-widening-of-multiplication-result)
  // A cut-off last block has no output.
  if (count == 0 && inBytes < block) step->consumed = inBytes;
  return true;
}

bool StepMpeg(CodecStream& s, const uint8_t* in, uint32_t inBytes, uint8_t* out, uint32_t outBytes, CodecStep* step) {
  uint32_t used = 0;
  uint32_t made = 0;
  while (used < inBytes) {
    MpegFrameHeader header;
    if (inBytes - used < 4 || ParseMpegFrameHeader(in + used, &header) != 0) {
      // Not a frame here: skipped without reaching the decoder.
      ++used;
      continue;
    }
    const uint32_t frameOut = static_cast<uint32_t>(header.samples) * s.channels * 2;
    if (static_cast<uint32_t>(header.frameBytes) > inBytes - used) {
      if (used == 0 && made == 0) used = inBytes;  // a cut-off last frame
      break;
    }
    if (outBytes - made < frameOut) break;
    if (mpg123_feed(s.mpeg, in + used, header.frameBytes) != MPG123_OK) return false;
    used += header.frameBytes;
    for (;;) {
      off_t frameNumber;
      unsigned char* audio = nullptr;
      size_t bytes = 0;
      const int result = mpg123_decode_frame(s.mpeg, &frameNumber, &audio, &bytes);
      if (result == MPG123_NEW_FORMAT) continue;
      if (result != MPG123_OK || bytes == 0) break;
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(bytes, outBytes - made));
      std::memcpy(out + made, audio, n);
      made += n;
    }
  }
  step->consumed = used;
  step->produced = made;
  return true;
}

}  // namespace

int ParseMpegFrameHeader(const uint8_t h[4], MpegFrameHeader* out) {
  if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0) return -2;
  MpegFrameHeader r;
  r.version = (h[1] & 0x08) ? 1 : 2;
  const int layerBits = (h[1] >> 1) & 3;
  if (layerBits == 0) return -1;
  r.layer = 4 - layerBits;
  const int rateIndex = h[2] >> 4;
  if (rateIndex == 0 || rateIndex == 15) return -1;  // free format has no frame length to scan by
  r.bitRateKbps = kBitRates[r.version - 1][r.layer - 1][rateIndex];
  const int sampleIndex = (h[2] >> 2) & 3;
  if (sampleIndex == 3) return -1;
  r.sampleRate = kSampleRates[r.version - 1][sampleIndex];
  r.padding = (h[2] >> 1) & 1;
  r.channels = (h[3] >> 6) == 3 ? 1 : 2;
  const int f = r.sampleRate, p = r.padding, kbps = r.bitRateKbps;
  if (r.layer == 1) {
    r.frameBytes = (12000 * kbps / f + p) * 4;
    r.samples = 384;
  } else if (r.layer == 2 || r.version == 1) {
    r.frameBytes = 144000 * kbps / f + p;
    r.samples = 1152;
  } else {
    r.frameBytes = 72000 * kbps / f + p;
    r.samples = 576;
  }
  if (out) *out = r;
  return 0;
}

bool SuggestPcmFormat(const WaveFormat& source, WaveFormat* pcm) {
  if (source.channels < 1 || source.channels > 2 || source.sampleRate == 0) return false;
  switch (source.tag) {
    case kWaveFormatImaAdpcm:
      if (ImaSamplesPerBlock(source) < 2) return false;
      break;
    case kWaveFormatMsAdpcm:
      if (MsSamplesPerBlock(source) < 2) return false;
      break;
    case kWaveFormatALaw:
    case kWaveFormatMuLaw:
    case kWaveFormatMpegLayer3: break;
    default: return false;
  }
  WaveFormat r;
  r.tag = kWaveFormatPcm;
  r.channels = source.channels;
  r.sampleRate = source.sampleRate;
  r.bitsPerSample = 16;
  r.blockAlign = static_cast<uint16_t>(2 * source.channels);
  r.bytesPerSecond = r.blockAlign * r.sampleRate;
  *pcm = r;
  return true;
}

int OpenCodecStream(const WaveFormat& source, const WaveFormat& pcm) {
  WaveFormat suggested;
  if (!SuggestPcmFormat(source, &suggested) || pcm.tag != kWaveFormatPcm || pcm.bitsPerSample != 16 ||
      pcm.channels != source.channels || pcm.sampleRate != source.sampleRate)
    return -1;
  auto s = std::make_unique<CodecStream>();
  s->source = source;
  s->channels = source.channels;
  if (source.tag == kWaveFormatImaAdpcm) {
    s->samplesPerBlock = ImaSamplesPerBlock(source);
  } else if (source.tag == kWaveFormatMsAdpcm) {
    s->samplesPerBlock = MsSamplesPerBlock(source);
    // Extra: samples per block, coefficient count, the pairs.
    const auto& e = source.extra;
    if (e.size() >= 4) {
      const uint32_t pairs = static_cast<uint32_t>(e[2] | (e[3] << 8));
      for (uint32_t i = 0; i < pairs && 4 + 4 * i + 3 < e.size(); ++i) {
        s->coefs.push_back(Read16(e.data() + 4 + size_t{4} * i));
        s->coefs.push_back(Read16(e.data() + 6 + size_t{4} * i));
      }
    }
    if (s->coefs.empty())
      for (const auto& pair : kMsStandardCoefs) s->coefs.insert(s->coefs.end(), {pair[0], pair[1]});
  } else if (source.tag == kWaveFormatMpegLayer3) {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int error = 0;
    s->mpeg = mpg123_new(nullptr, &error);
    if (!s->mpeg) return -1;
    // Every frame gives its full samples; the Info frame decodes as silence.
    mpg123_param(s->mpeg, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(s->mpeg, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET, 0);
    mpg123_format_none(s->mpeg);
    if (mpg123_format(s->mpeg, source.sampleRate, source.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                      MPG123_ENC_SIGNED_16) != MPG123_OK ||
        mpg123_open_feed(s->mpeg) != MPG123_OK)
      return -1;
  }
  std::lock_guard lock(gTableLock);
  for (size_t i = 0; i < gStreams.size(); ++i)
    if (!gStreams[i]) {
      gStreams[i] = std::move(s);
      return static_cast<int>(i);
    }
  gStreams.push_back(std::move(s));
  return static_cast<int>(gStreams.size() - 1);
}

void CloseCodecStream(int stream) {
  std::lock_guard lock(gTableLock);
  if (Find(stream)) gStreams[stream].reset();
}

bool ConvertCodecStep(int stream, const uint8_t* source, uint32_t sourceBytes, uint8_t* out, uint32_t outBytes,
                      CodecStep* step) {
  CodecStream* s;
  {
    std::lock_guard lock(gTableLock);
    s = Find(stream);
  }
  if (!s || !step) return false;
  *step = CodecStep{};
  switch (s->source.tag) {
    case kWaveFormatALaw:
    case kWaveFormatMuLaw: {
      const uint32_t n = std::min(sourceBytes, outBytes / 2);
      const bool alaw = s->source.tag == kWaveFormatALaw;
      for (uint32_t i = 0; i < n; ++i)
        Write16(out + size_t{2} * i, alaw ? ALawToLinear(source[i]) : MuLawToLinear(source[i]));
      step->consumed = n;
      step->produced = 2 * n;
      return true;
    }
    case kWaveFormatMpegLayer3: return StepMpeg(*s, source, sourceBytes, out, outBytes, step);
    default: return StepBlocks(*s, source, sourceBytes, out, outBytes, step);
  }
}

uint32_t CodecStepSourceMinimum(int stream) {
  std::lock_guard lock(gTableLock);
  const CodecStream* s = Find(stream);
  if (!s) return 0;
  if (s->source.tag == kWaveFormatMpegLayer3) return kMaxMpegFrameBytes;
  return std::max<uint32_t>(s->source.blockAlign, 1);
}

uint64_t CodecOutputSizeBound(int stream, uint64_t sourceBytes) {
  std::lock_guard lock(gTableLock);
  const CodecStream* s = Find(stream);
  if (!s) return 0;
  switch (s->source.tag) {
    case kWaveFormatALaw:
    case kWaveFormatMuLaw: return sourceBytes * 2;
    case kWaveFormatMpegLayer3:
      // The smallest frame (8 kbit/s at 24 kHz, 24 bytes) gives 576 samples.
      return (sourceBytes / 24 + 1) * 1152 * s->channels * 2;
    default: return sourceBytes / s->source.blockAlign * s->samplesPerBlock * s->channels * 2;
  }
}

}  // namespace platform
