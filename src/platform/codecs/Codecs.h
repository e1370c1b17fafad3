#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// Stand-in for the audio compression manager: conversion streams from the
// compressed WAVE codings and MPEG audio to 16-bit PCM.

enum : uint16_t {
  kWaveFormatPcm = 0x0001,
  kWaveFormatMsAdpcm = 0x0002,
  kWaveFormatALaw = 0x0006,
  kWaveFormatMuLaw = 0x0007,
  kWaveFormatImaAdpcm = 0x0011,
  kWaveFormatMpegLayer3 = 0x0055,
};

// A wave format read field by field; `extra` holds the bytes after the 18-byte
// head (the cbSize bytes).
struct WaveFormat {
  uint16_t tag = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  std::vector<uint8_t> extra;
};

// The 16-bit PCM format a coding decodes to (same channels and rate). False
// for a coding this layer does not decode or a format it cannot use.
bool SuggestPcmFormat(const WaveFormat& source, WaveFormat* pcm);

// A conversion stream keeps the decoder's state between steps. -1 on failure.
int OpenCodecStream(const WaveFormat& source, const WaveFormat& pcm);
void CloseCodecStream(int stream);

// One step: decodes from `source` into `out`, taking only whole blocks or
// frames whose output fits in `outBytes`, and reports what it consumed and
// produced. A step that consumes a whole frame or block always produces its
// output. Bytes that cannot start a frame or block (junk, a cut-off tail) are
// consumed without output. False when the stream is not open.
struct CodecStep {
  uint32_t consumed = 0;
  uint32_t produced = 0;
};
bool ConvertCodecStep(int stream, const uint8_t* source, uint32_t sourceBytes, uint8_t* out, uint32_t outBytes,
                      CodecStep* step);
// The source bytes a step needs at least to make progress (one block or one
// largest frame).
uint32_t CodecStepSourceMinimum(int stream);
// An output size for `sourceBytes` of input that is never below the real one.
uint64_t CodecOutputSizeBound(int stream, uint64_t sourceBytes);

// An MPEG audio frame header. ParseMpegFrameHeader gives 0, -1 for an
// invalid header (reserved layer, bit-rate index 0 or 15, sampling index 3)
// and -2 without the sync pattern (MPEG 2.5 does not sync).
struct MpegFrameHeader {
  int version = 1;  // 1 MPEG-1, 2 MPEG-2
  int layer = 3;
  int bitRateKbps = 0;
  int sampleRate = 0;
  int padding = 0;
  int channels = 0;
  int frameBytes = 0;
  int samples = 0;
};
int ParseMpegFrameHeader(const uint8_t header[4], MpegFrameHeader* out);

}  // namespace platform
