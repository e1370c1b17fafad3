#pragma once

#include <vorbis/vorbisfile.h>

#include <cstdint>

#include "foundation/Streams.h"

// A stream as the sound decoders read it: the six operations and the stream.
struct SoundStreamRecord {
  StreamFunctionTable functions{};
  void* data = nullptr;
};

// The PCM format delivered (tag 1), read and written field by field.
struct PcmWaveFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;
  bool operator==(const PcmWaveFormat&) const = default;
};
constexpr int kWaveFormatBytes = 18;
void WriteWaveFormatBytes(const PcmWaveFormat& format, uint8_t out[kWaveFormatBytes]);

enum SoundConverterType { kConverterWavePcm = 0, kConverterAcm = 1, kConverterOgg = 2 };

struct AcmCodingState {
  uint8_t* sourceFormat = nullptr;  // the fmt chunk, or the MPEG Layer-3 format
  int sourceFormatSize = 0;
  int mainStream = -1;
  int spareStream = -1;
  uint8_t* sourceBlock = nullptr;  // the whole encoded data
  int sourceSize = 0;
  int mainSourcePosition = 0;
  int totalSamples = 0;  // MP3: the frames' samples; -1 for compressed WAVE
  int spareSourcePosition = 0;
  int spareOutputPosition = 0;
  uint8_t* spareBlock = nullptr;
};

struct OggCodingState {
  int open = 0;
  OggVorbis_File file{};
  int bytesPerSample = 2;
};

struct SoundConverter {
  int valid = 0;
  int atEnd = 0;
  int type = 0;
  SoundStreamRecord stream;
  int dataStart = 0;
  int dataSize = 0;
  PcmWaveFormat outputFormat;
  AcmCodingState acm;
  OggCodingState ogg;
  uint8_t* outputBlock = nullptr;
  int outputBlockSize = 0;
  int available = 0;
  int readOffset = 0;
  int outputPosition = 0;
  int spareTarget = 0;
  int movieTrackFlag = 0;
};

// Largest PCM size a whole conversion allocates.
constexpr int64_t kConvertedSizeCap = 0x20000000;

int OpenConverter(const SoundStreamRecord* stream, SoundConverter* converter);
int ConvertChunk(SoundConverter* converter, void* destination, int bytes);
int SeekConverter(SoundConverter* converter, int64_t sample);
int GetConverterFormat(const SoundConverter* converter, PcmWaveFormat* format);
int64_t EstimateConvertedSize(SoundConverter* converter);
int ConvertWholeSource(SoundConverter* converter, PcmWaveFormat* format, uint8_t** block, int* size);
int CloseConverter(SoundConverter* converter);
