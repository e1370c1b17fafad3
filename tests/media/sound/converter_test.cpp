#include <sndfile.h>

#include <cstring>

#include "SoundFixture.h"
#include "foundation/TrackedHeap.h"
#include "platform/codecs/Codecs.h"

namespace {

using soundtest::Bytes;

// Opens a converter over an image and converts it whole.
struct Converted {
  int open = -1;
  int type = -1;
  PcmWaveFormat format;
  int64_t estimate = 0;
  std::vector<int16_t> samples;
  Bytes bytes;
};

Converted ConvertImage(const Bytes& image) {
  Converted out;
  BufferStream* memory = BufferStreamOpen(image.data(), static_cast<int>(image.size()));
  SoundStreamRecord record{*BufferStreamFunctionsGet(), memory};
  SoundConverter converter;
  out.open = OpenConverter(&record, &converter);
  if (out.open == 0) {
    out.type = converter.type;
    out.estimate = EstimateConvertedSize(&converter);
    uint8_t* block = nullptr;
    int size = 0;
    if (ConvertWholeSource(&converter, &out.format, &block, &size) == 0) {
      out.bytes.assign(block, block + size);
      out.samples.resize(size / 2);
      if (!out.samples.empty()) std::memcpy(out.samples.data(), block, out.samples.size() * 2);
      TrackedFree(block);
    }
    CloseConverter(&converter);
  }
  BufferStreamClose(memory);
  return out;
}

TEST_F(SoundTest, WaveHeadersAreReadFieldByField) {
  const Bytes pcm = soundtest::ToBytes(soundtest::Tone(100, 2, 22050, 300));
  struct Case {
    const char* name;
    soundtest::WaveSpec spec;
    int open;
    int bits;
  };
  soundtest::WaveSpec wrongBits;
  wrongBits.bits = 12;  // a 16-byte fmt: bits come from the block size
  wrongBits.blockAlign = 4;
  soundtest::WaveSpec longFmt;
  longFmt.fmtSize = 18;
  soundtest::WaveSpec oddChunk;
  oddChunk.withChunk = true;
  oddChunk.chunkBeforeData = "abc";
  soundtest::WaveSpec zeroChannels;
  zeroChannels.channels = 0;
  soundtest::WaveSpec zeroAlign;
  zeroAlign.blockAlign = 0;
  soundtest::WaveSpec shortFmt;
  shortFmt.fmtExtra = {};
  shortFmt.fmtSize = 14;
  soundtest::WaveSpec sixChannels;
  sixChannels.channels = 6;
  const Case cases[] = {{"16-byte fmt with wrong bits", wrongBits, 0, 16},
                        {"18-byte fmt", longFmt, 0, 16},
                        {"odd chunk between fmt and data", oddChunk, 0, 16},
                        {"0 channels", zeroChannels, -1, 0},
                        {"0 block align", zeroAlign, -1, 0},
                        {"fmt under 16 bytes", shortFmt, -1, 0},
                        {"more channels than the mixer plays", sixChannels, -1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    soundtest::WaveSpec spec = c.spec;
    spec.rate = 22050;
    const Converted out = ConvertImage(soundtest::WaveImage(spec, pcm));
    EXPECT_EQ(out.open, c.open);
    if (c.open == 0) {
      EXPECT_EQ(out.type, kConverterWavePcm);
      EXPECT_EQ(out.format.bitsPerSample, c.bits);
      EXPECT_EQ(out.bytes, pcm);
    }
  }
  // A data chunk that claims more than the file holds is cut to the file;
  // a file that ends before its data chunk is not a WAVE.
  Bytes longer = soundtest::WaveImage(soundtest::WaveSpec{}, pcm);
  longer[longer.size() - pcm.size() - 2] = 0x7F;
  EXPECT_EQ(ConvertImage(longer).bytes, pcm);
  const Bytes whole = soundtest::WaveImage(soundtest::WaveSpec{}, pcm);
  EXPECT_EQ(ConvertImage(Bytes(whole.begin(), whole.begin() + 40)).open, -1);
}

TEST_F(SoundTest, CompressedWavesDecodeAsLibsndfileDoes) {
  const struct {
    const char* name;
    int subtype;
    uint16_t tag;
  } codings[] = {{"IMA ADPCM", SF_FORMAT_IMA_ADPCM, platform::kWaveFormatImaAdpcm},
                 {"MS ADPCM", SF_FORMAT_MS_ADPCM, platform::kWaveFormatMsAdpcm},
                 {"A-law", SF_FORMAT_ALAW, platform::kWaveFormatALaw},
                 {"mu-law", SF_FORMAT_ULAW, platform::kWaveFormatMuLaw}};
  for (const auto& coding : codings)
    for (int channels : {1, 2}) {
      SCOPED_TRACE(std::string(coding.name) + (channels == 1 ? " mono" : " stereo"));
      const Bytes file = soundtest::EncodeSndfileWave(soundtest::Tone(30000, channels, 22050, 500, 15000), channels,
                                                      22050, coding.subtype);
      ASSERT_FALSE(file.empty());
      EXPECT_EQ(file[20] | (file[21] << 8), coding.tag);
      const std::vector<int16_t> expected = soundtest::DecodeWithSndfile(file);
      const Converted out = ConvertImage(file);
      ASSERT_EQ(out.open, 0);
      EXPECT_EQ(out.type, kConverterAcm);
      EXPECT_EQ(out.format.bitsPerSample, 16);
      EXPECT_EQ(out.format.channels, channels);
      // libsndfile stops at the sample count of the fact chunk; the last
      // block's padding decodes beyond it.
      ASSERT_GE(out.samples.size(), expected.size());
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.samples.begin()));
      EXPECT_GE(out.estimate, static_cast<int64_t>(out.bytes.size()));
    }
}

TEST_F(SoundTest, Mp3sWithTagsDecodeToLibmpg123sOwnOutput) {
  const struct {
    const char* name;
    int channels, rate, kbps;
  } tones[] = {{"stereo 44.1 kHz", 2, 44100, 128}, {"mono 22.05 kHz (MPEG-2)", 1, 22050, 32}};
  for (const auto& tone : tones) {
    const Bytes plain = soundtest::EncodeMp3(soundtest::Tone(30000, tone.channels, tone.rate, 440), tone.channels,
                                             tone.rate, tone.kbps);
    const struct {
      const char* name;
      Bytes file;
    } files[] = {{"plain", plain},
                 {"ID3v2.3", soundtest::WithId3v2(plain, 3, false, 300)},
                 {"ID3v2.4 with footer", soundtest::WithId3v2(plain, 4, true, 301)},
                 {"TAG trailer", soundtest::WithId3v1(plain)}};
    for (const auto& f : files) {
      SCOPED_TRACE(std::string(tone.name) + " " + f.name);
      const std::vector<int16_t> expected = soundtest::DecodeWithMpg123(f.file);
      const Converted out = ConvertImage(f.file);
      ASSERT_EQ(out.open, 0);
      EXPECT_EQ(out.type, kConverterAcm);
      EXPECT_EQ(out.format.samplesPerSecond, static_cast<uint32_t>(tone.rate));
      EXPECT_EQ(out.samples, expected);
      // The estimate counts every frame's samples, the Info frame's too.
      EXPECT_EQ(out.estimate, static_cast<int64_t>(out.bytes.size()));
    }
  }
}

TEST_F(SoundTest, TheMp3ScannerReadsHeadersOnly) {
  auto stream = [](std::vector<uint8_t> head, size_t size) {
    head.resize(size, 0);
    return head;
  };
  const struct {
    const char* name;
    Bytes file;
    int open;
    int64_t estimate;
  } cases[] = {
      {"one MPEG-1 Layer III header", stream({0xFF, 0xFB, 0x90, 0x00}, 600), 0, 1152 * 4},
      {"mono MPEG-2 header", stream({0xFF, 0xF3, 0x40, 0xC0}, 600), 0, 576 * 2},
      {"reserved layer", stream({0xFF, 0xF9, 0x90, 0x00}, 600), -1, 0},
      {"bit-rate index 15", stream({0xFF, 0xFB, 0xF0, 0x00}, 600), -1, 0},
      {"free format", stream({0xFF, 0xFB, 0x00, 0x00}, 600), -1, 0},
      {"sampling index 3", stream({0xFF, 0xFB, 0x9C, 0x00}, 600), -1, 0},
      {"MPEG 2.5 never syncs", stream({0xFF, 0xE3, 0x40, 0xC0}, 600), -1, 0},
      {"128 bytes or less", stream({0xFF, 0xFB, 0x90, 0x00}, 128), -1, 0},
      {"a false sync then a bad header", stream({0x00, 0xFF, 0x12, 0xFF, 0xFB, 0xF0, 0x00}, 600), -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Converted out = ConvertImage(c.file);
    EXPECT_EQ(out.open, c.open);
    if (c.open == 0) {
      EXPECT_EQ(out.estimate, c.estimate);
    }
  }
  platform::MpegFrameHeader h;
  const uint8_t layer1[4] = {0xFF, 0xFF, 0x92, 0x00};
  ASSERT_EQ(platform::ParseMpegFrameHeader(layer1, &h), 0);
  EXPECT_EQ(h.layer, 1);
  EXPECT_EQ(h.frameBytes, (12000 * 288 / 44100 + 1) * 4);
  EXPECT_EQ(h.samples, 384);
  const uint8_t noSync[4] = {0xFE, 0xFB, 0x90, 0x00};
  EXPECT_EQ(platform::ParseMpegFrameHeader(noSync, &h), -2);
}

TEST_F(SoundTest, OggEstimatesASecondMoreThanItDelivers) {
  const std::vector<int16_t> tone = soundtest::Tone(50000, 2, 44100, 440);
  const Bytes ogg = soundtest::EncodeOgg(tone, 2, 44100);
  const Converted out = ConvertImage(ogg);
  ASSERT_EQ(out.open, 0);
  EXPECT_EQ(out.type, kConverterOgg);
  const std::vector<int16_t> expected = soundtest::DecodeWithVorbisfile(ogg);
  EXPECT_EQ(out.samples, expected);
  EXPECT_EQ(out.estimate, static_cast<int64_t>(expected.size() * 2 + 44100 * 4));
}

TEST_F(SoundTest, SeeksWithin15BytesChangeNothing) {
  const Bytes pcm = soundtest::ToBytes(soundtest::Tone(1000, 2, 44100, 300));
  const Bytes image = soundtest::PcmWave(2, 44100, 16, pcm);
  BufferStream* memory = BufferStreamOpen(image.data(), static_cast<int>(image.size()));
  SoundStreamRecord record{*BufferStreamFunctionsGet(), memory};
  SoundConverter c;
  ASSERT_EQ(OpenConverter(&record, &c), 0);
  uint8_t buffer[4000];
  ASSERT_EQ(ConvertChunk(&c, buffer, 4000), 4000);
  EXPECT_EQ(ConvertChunk(&c, buffer, 100), 0);
  EXPECT_EQ(c.atEnd, 1);
  SeekConverter(&c, 997);  // 12 bytes back: nothing happens, still at the end
  EXPECT_EQ(c.atEnd, 1);
  SeekConverter(&c, 10);
  EXPECT_EQ(c.atEnd, 0);
  ASSERT_EQ(ConvertChunk(&c, buffer, 8), 8);
  EXPECT_EQ(std::memcmp(buffer, pcm.data() + 40, 8), 0);
  EXPECT_EQ(SeekConverter(&c, -1), -1);
  CloseConverter(&c);
  BufferStreamClose(memory);
}

TEST_F(SoundTest, AnAcmBackwardSeekRestartsThroughTheSpare) {
  const Bytes file = soundtest::EncodeSndfileWave(soundtest::Tone(40000, 1, 22050, 500), 1, 22050, SF_FORMAT_IMA_ADPCM);
  const std::vector<int16_t> all = ConvertImage(file).samples;
  BufferStream* memory = BufferStreamOpen(file.data(), static_cast<int>(file.size()));
  SoundStreamRecord record{*BufferStreamFunctionsGet(), memory};
  SoundConverter c;
  ASSERT_EQ(OpenConverter(&record, &c), 0);
  std::vector<int16_t> part(30000);
  ASSERT_EQ(ConvertChunk(&c, part.data(), 60000), 60000);
  for (int64_t target : {0, 1234, 25000}) {
    SeekConverter(&c, target);
    ASSERT_EQ(ConvertChunk(&c, part.data(), 2000), 2000);
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + 1000, all.begin() + target)) << target;
  }
  CloseConverter(&c);
  BufferStreamClose(memory);
}

}  // namespace
