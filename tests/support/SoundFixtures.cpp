#include "support/SoundFixtures.h"

#include <lame/lame.h>
#include <mpg123.h>
#include <sndfile.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace soundtest {

namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v);
  Put16(b, v >> 16);
}
void PutId(Bytes& b, const char* id) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(id[i]));
}

struct MemoryFile {
  Bytes data;
  sf_count_t position = 0;
};

sf_count_t VLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->data.size()); }
sf_count_t VSeek(sf_count_t offset, int whence, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->position : VLength(user);
  f->position = std::max<sf_count_t>(0, base + offset);
  return f->position;
}
sf_count_t VRead(void* out, sf_count_t count, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  const sf_count_t n = std::max<sf_count_t>(0, std::min<sf_count_t>(count, VLength(user) - f->position));
  if (n > 0) std::memcpy(out, f->data.data() + f->position, static_cast<size_t>(n));
  f->position += n;
  return n;
}
sf_count_t VWrite(const void* in, sf_count_t count, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  if (f->data.size() < static_cast<size_t>(f->position + count))
    f->data.resize(static_cast<size_t>(f->position + count));
  std::memcpy(f->data.data() + f->position, in, static_cast<size_t>(count));
  f->position += count;
  return count;
}
sf_count_t VTell(void* user) { return static_cast<MemoryFile*>(user)->position; }
SF_VIRTUAL_IO gVirtual{VLength, VSeek, VRead, VWrite, VTell};

struct OggMemory {
  const Bytes* data;
  size_t position = 0;
};
size_t ORead(void* out, size_t size, size_t count, void* user) {
  auto* m = static_cast<OggMemory*>(user);
  const size_t n = std::min(size * count, m->data->size() - m->position);
  std::memcpy(out, m->data->data() + m->position, n);
  m->position += n;
  return n / size;
}
int OSeek(void* user, ogg_int64_t offset, int whence) {
  auto* m = static_cast<OggMemory*>(user);
  const int64_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<int64_t>(m->position)
                                            : static_cast<int64_t>(m->data->size());
  m->position = static_cast<size_t>(std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(m->data->size())));
  return 0;
}
long OTell(void* user) { return static_cast<long>(static_cast<OggMemory*>(user)->position); }

}  // namespace

std::vector<int16_t> Tone(int frames, int channels, int rate, double hz, double amplitude) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      out[static_cast<size_t>(i) * channels + c] =
          static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * (1 + 0.5 * c) * i / rate)));
  return out;
}

Bytes ToBytes(const std::vector<int16_t>& samples) {
  Bytes out(samples.size() * 2);
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

Bytes WaveImage(const WaveSpec& spec, const Bytes& data) {
  const uint16_t align = static_cast<uint16_t>(spec.blockAlign >= 0 ? spec.blockAlign : spec.channels * spec.bits / 8);
  Bytes fmt;
  Put16(fmt, spec.tag);
  Put16(fmt, spec.channels);
  Put32(fmt, spec.rate);
  Put32(fmt, align * spec.rate);
  Put16(fmt, align);
  Put16(fmt, spec.bits);
  if (!spec.fmtExtra.empty()) fmt.insert(fmt.end(), spec.fmtExtra.begin(), spec.fmtExtra.end());
  fmt.resize(spec.fmtExtra.empty() ? spec.fmtSize : fmt.size(), 0);
  Bytes out;
  PutId(out, "RIFF");
  Put32(out, 0);
  PutId(out, "WAVE");
  PutId(out, "fmt ");
  Put32(out, static_cast<uint32_t>(fmt.size()));
  out.insert(out.end(), fmt.begin(), fmt.end());
  if (fmt.size() & 1) out.push_back(0);
  if (spec.withChunk) {
    PutId(out, "LIST");
    Put32(out, static_cast<uint32_t>(spec.chunkBeforeData.size()));
    out.insert(out.end(), spec.chunkBeforeData.begin(), spec.chunkBeforeData.end());
    if (spec.chunkBeforeData.size() & 1) out.push_back(0);
  }
  PutId(out, "data");
  Put32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  const uint32_t riff = static_cast<uint32_t>(out.size() - 8);
  std::memcpy(out.data() + 4, &riff, 4);
  return out;
}

Bytes EncodeOgg(const std::vector<int16_t>& samples, int channels, int rate) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, channels, rate, 0.4f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1234);
  Bytes out;
  ogg_page og;
  ogg_packet op, header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  auto emit = [&](int (*take)(ogg_stream_state*, ogg_page*)) {
    while (take(&os, &og)) {
      out.insert(out.end(), og.header, og.header + og.header_len);
      out.insert(out.end(), og.body, og.body + og.body_len);
    }
  };
  emit(ogg_stream_flush);
  const size_t frames = samples.size() / channels;
  size_t done = 0;
  for (;;) {
    const size_t n = std::min<size_t>(1024, frames - done);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(done + i) * channels + c] / 32768.0f;
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        emit(ogg_stream_pageout);
      }
    }
    if (n == 0) break;
  }
  emit(ogg_stream_flush);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

Bytes EncodeMp3(const std::vector<int16_t>& samples, int channels, int rate, int kbps) {
  lame_global_flags* gf = lame_init();
  lame_set_num_channels(gf, channels);
  lame_set_in_samplerate(gf, rate);
  lame_set_out_samplerate(gf, rate);
  lame_set_brate(gf, kbps);
  lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_bWriteVbrTag(gf, 1);
  lame_init_params(gf);
  const int frames = static_cast<int>(samples.size() / channels);
  Bytes out(static_cast<size_t>(1.25 * frames + 7200 + 4096));
  int n;
  if (channels == 2) {
    n = lame_encode_buffer_interleaved(gf, const_cast<short*>(samples.data()), frames, out.data(),
                                       static_cast<int>(out.size()));
  } else {
    n = lame_encode_buffer(gf, samples.data(), samples.data(), frames, out.data(), static_cast<int>(out.size()));
  }
  n += lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n);
  out.resize(static_cast<size_t>(n));
  unsigned char tag[4096];
  const size_t tagBytes = lame_get_lametag_frame(gf, tag, sizeof tag);
  if (tagBytes > 0 && tagBytes <= out.size()) std::memcpy(out.data(), tag, tagBytes);
  lame_close(gf);
  return out;
}

Bytes WithId3v2(const Bytes& mp3, int major, bool footer, int bodyBytes) {
  Bytes header = {'I', 'D', '3', static_cast<uint8_t>(major), 0, static_cast<uint8_t>(footer ? 0x10 : 0)};
  for (int shift : {21, 14, 7, 0}) header.push_back(static_cast<uint8_t>((bodyBytes >> shift) & 0x7F));
  Bytes out = header;
  // A body of padding that holds a false sync, which the scan must not see.
  out.resize(out.size() + bodyBytes, 0);
  if (bodyBytes > 4) {
    out[10] = 0xFF;
    out[11] = 0xFB;
  }
  if (footer) {
    Bytes foot = header;
    foot[0] = '3';
    foot[1] = 'D';
    foot[2] = 'I';
    out.insert(out.end(), foot.begin(), foot.end());
  }
  out.insert(out.end(), mp3.begin(), mp3.end());
  return out;
}

Bytes WithId3v1(const Bytes& mp3) {
  Bytes out = mp3;
  Bytes tag(128, ' ');
  tag[0] = 'T';
  tag[1] = 'A';
  tag[2] = 'G';
  tag[3] = 0xFF;  // a false sync inside the tag
  tag[4] = 0xFB;
  out.insert(out.end(), tag.begin(), tag.end());
  return out;
}

Bytes EncodeSndfileWave(const std::vector<int16_t>& samples, int channels, int rate, int subtype) {
  MemoryFile file;
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | subtype;
  SNDFILE* sf = sf_open_virtual(&gVirtual, SFM_WRITE, &info, &file);
  if (!sf) return {};
  sf_writef_short(sf, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
  sf_close(sf);
  return file.data;
}

std::vector<int16_t> DecodeWithSndfile(const Bytes& bytes) {
  MemoryFile file;
  file.data = bytes;
  SF_INFO info{};
  SNDFILE* sf = sf_open_virtual(&gVirtual, SFM_READ, &info, &file);
  if (!sf) return {};
  std::vector<int16_t> out(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t got = sf_readf_short(sf, out.data(), info.frames);
  out.resize(static_cast<size_t>(got) * info.channels);
  sf_close(sf);
  return out;
}

std::vector<int16_t> DecodeWithVorbisfile(const Bytes& file, int64_t start) {
  OggMemory memory{&file};
  OggVorbis_File vf;
  if (ov_open_callbacks(&memory, &vf, nullptr, 0, ov_callbacks{ORead, OSeek, nullptr, OTell}) != 0) return {};
  if (start > 0) ov_pcm_seek(&vf, start);
  std::vector<int16_t> out;
  char buffer[4096];
  int section = 0;
  long n;
  while ((n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) != 0) {
    if (n < 0) continue;
    const size_t old = out.size();
    out.resize(old + n / 2);
    std::memcpy(out.data() + old, buffer, n);
  }
  ov_clear(&vf);
  return out;
}

std::vector<int16_t> DecodeWithMpg123(const Bytes& file) {
  mpg123_init();
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET, 0);
  mpg123_open_feed(h);
  mpg123_feed(h, file.data(), file.size());
  std::vector<int16_t> out;
  unsigned char buffer[16384];
  for (;;) {
    size_t done = 0;
    const int r = mpg123_read(h, buffer, sizeof buffer, &done);
    if (done > 0) {
      const size_t old = out.size();
      out.resize(old + done / 2);
      std::memcpy(out.data() + old, buffer, done);
    }
    if (r == MPG123_NEW_FORMAT) continue;
    if (r != MPG123_OK) break;
  }
  mpg123_delete(h);
  return out;
}

Bytes MidiFile(const std::vector<MidiNote>& notes) {
  struct Event {
    int tick;
    uint8_t status, key, velocity;
  };
  std::vector<Event> events;
  for (const MidiNote& n : notes) {
    events.push_back({n.start, 0x90, static_cast<uint8_t>(n.key), 100});
    events.push_back({n.start + n.length, 0x80, static_cast<uint8_t>(n.key), 0});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
  Bytes track = {0x00, 0xC0, 0x00};  // piano on channel 0
  auto putVarLen = [&](uint32_t v) {
    uint8_t bytes[4];
    int n = 0;
    do {
      bytes[n++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v);
    for (int i = n - 1; i >= 0; --i) track.push_back(static_cast<uint8_t>(bytes[i] | (i ? 0x80 : 0)));
  };
  int last = 0;
  for (const Event& e : events) {
    putVarLen(static_cast<uint32_t>(e.tick - last));
    last = e.tick;
    track.insert(track.end(), {e.status, e.key, e.velocity});
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  const uint32_t size = static_cast<uint32_t>(track.size());
  for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<uint8_t>(size >> shift));
  out.insert(out.end(), track.begin(), track.end());
  return out;
}

}  // namespace soundtest
