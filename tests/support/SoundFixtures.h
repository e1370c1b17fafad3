#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Sound files for the tests: WAVE and MIDI written here, tones encoded with
// the reference encoders (Vorbis, LAME, libsndfile), and the reference
// decoders the sound layer's output is compared with.
namespace soundtest {

using Bytes = std::vector<uint8_t>;

// A sine tone of 16-bit samples, channels interleaved (the right channel at
// 1.5 x the frequency).
std::vector<int16_t> Tone(int frames, int channels, int rate, double hz, double amplitude = 12000);
Bytes ToBytes(const std::vector<int16_t>& samples);

struct WaveSpec {
  uint16_t tag = 1;
  uint16_t channels = 2;
  uint32_t rate = 44100;
  uint16_t bits = 16;
  uint32_t fmtSize = 16;          // 16, 18 or more (extra bytes zero)
  int blockAlign = -1;            // -1: channels x bits / 8
  std::vector<uint8_t> fmtExtra;  // replaces the bytes after the 16-byte head
  std::string chunkBeforeData;    // a chunk of this many 'x' bytes (odd sizes get a pad byte)
  bool withChunk = false;
};
Bytes WaveImage(const WaveSpec& spec, const Bytes& data);
inline Bytes PcmWave(int channels, int rate, int bits, const Bytes& data) {
  WaveSpec spec;
  spec.channels = static_cast<uint16_t>(channels);
  spec.rate = static_cast<uint32_t>(rate);
  spec.bits = static_cast<uint16_t>(bits);
  return WaveImage(spec, data);
}

Bytes EncodeOgg(const std::vector<int16_t>& samples, int channels, int rate);
Bytes EncodeMp3(const std::vector<int16_t>& samples, int channels, int rate, int kbps);
// An ID3v2 tag of `bodyBytes` in front (major version 3 or 4, with a footer).
Bytes WithId3v2(const Bytes& mp3, int major, bool footer, int bodyBytes);
Bytes WithId3v1(const Bytes& mp3);
// libsndfile WAVE in a coding: SF_FORMAT_IMA_ADPCM, MS_ADPCM, ALAW, ULAW.
Bytes EncodeSndfileWave(const std::vector<int16_t>& samples, int channels, int rate, int subtype);

std::vector<int16_t> DecodeWithSndfile(const Bytes& file);
// vorbisfile from sample `start` to the end.
std::vector<int16_t> DecodeWithVorbisfile(const Bytes& file, int64_t start = 0);
// libmpg123 alone, gapless off, the Info frame decoded as audio.
std::vector<int16_t> DecodeWithMpg123(const Bytes& file);

// A format-0 MIDI file: each note (key, start and length in ticks at 480 per
// quarter, 120 bpm) on channel 0 with a piano.
struct MidiNote {
  int key;
  int start;
  int length;
};
Bytes MidiFile(const std::vector<MidiNote>& notes);

}  // namespace soundtest
