// The mixer against SDL's own mixing of the same voices, and the sound
// converter against the decoders it wraps used alone.
//   Mix: 32 voices, 1 s of 44.1 kHz 16-bit stereo output; goal: at most the
//   time of 32 SDL_MixAudioFormat passes.
//   Ogg, MP3: 10 s of 44.1 kHz stereo through OpenConverter + ConvertChunk;
//   goal: at most 1.1 x vorbisfile or libmpg123 alone.
#include <benchmark/benchmark.h>

#if __has_include("support/SoundFixtures.h")
#include <SDL.h>
#include <mpg123.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "media/sound/SoundConverter.h"
#include "platform/Backend.h"
#include "platform/audio/Audio.h"
#include "support/SoundFixtures.h"

namespace {

constexpr int kVoices = 32;
constexpr int kFrames = 44100;

std::vector<std::vector<int16_t>> VoiceData() {
  std::vector<std::vector<int16_t>> voices;
  for (int v = 0; v < kVoices; ++v) voices.push_back(soundtest::Tone(kFrames, 2, 44100, 200 + 37 * v, 900));
  return voices;
}

void BM_MixerMix32Voices(benchmark::State& state) {
  platform::ResetHeadlessAudio();
  platform::SetBackend(platform::Backend::Headless);
  platform::StartAudio();
  const auto voices = VoiceData();
  std::vector<int> ids;
  for (int v = 0; v < kVoices; ++v) {
    const int id = platform::CreateAudioBuffer(platform::PcmFormat{2, 44100, 16}, kFrames * 4);
    platform::AudioLock lock;
    platform::LockAudioBuffer(id, 0, kFrames * 4, &lock);
    std::memcpy(lock.first, voices[v].data(), kFrames * 4);
    platform::SetAudioBufferVolume(id, -(v * 37) % 1200);
    platform::PlayAudioBuffer(id, true);
    ids.push_back(id);
  }
  std::vector<int16_t> out(2 * kFrames);
  for (auto _ : state) {
    platform::MixAudio(out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
  }
  platform::EndAudio();
  platform::ResetHeadlessAudio();
}
BENCHMARK(BM_MixerMix32Voices)->Unit(benchmark::kMicrosecond);

void BM_SdlMixAudioFormat32Voices(benchmark::State& state) {
  const auto voices = VoiceData();
  std::vector<int16_t> out(2 * kFrames);
  for (auto _ : state) {
    std::fill(out.begin(), out.end(), 0);
    for (int v = 0; v < kVoices; ++v)
      SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()), reinterpret_cast<const Uint8*>(voices[v].data()),
                         AUDIO_S16LSB, kFrames * 4, SDL_MIX_MAXVOLUME - v);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SdlMixAudioFormat32Voices)->Unit(benchmark::kMicrosecond);

const soundtest::Bytes& TenSeconds(bool mp3) {
  static const std::vector<int16_t> tone = soundtest::Tone(441000, 2, 44100, 440);
  static const soundtest::Bytes ogg = soundtest::EncodeOgg(tone, 2, 44100);
  static const soundtest::Bytes mpeg = soundtest::EncodeMp3(tone, 2, 44100, 192);
  return mp3 ? mpeg : ogg;
}

void ConvertAll(benchmark::State& state, bool mp3) {
  const soundtest::Bytes& file = TenSeconds(mp3);
  std::vector<uint8_t> out(1 << 16);
  int64_t total = 0;
  for (auto _ : state) {
    total = 0;
    BufferStream* memory = BufferStreamOpen(file.data(), static_cast<int>(file.size()));
    SoundStreamRecord record{*BufferStreamFunctionsGet(), memory};
    SoundConverter c;
    OpenConverter(&record, &c);
    int got;
    while ((got = ConvertChunk(&c, out.data(), static_cast<int>(out.size()))) > 0) total += got;
    CloseConverter(&c);
    BufferStreamClose(memory);
  }
  state.counters["pcm_bytes"] = static_cast<double>(total);
}

void BM_ConverterOgg10s(benchmark::State& state) { ConvertAll(state, false); }
BENCHMARK(BM_ConverterOgg10s)->Unit(benchmark::kMillisecond);

void BM_ConverterMp310s(benchmark::State& state) { ConvertAll(state, true); }
BENCHMARK(BM_ConverterMp310s)->Unit(benchmark::kMillisecond);

struct Memory {
  const soundtest::Bytes* data;
  size_t position = 0;
};
size_t MemoryRead(void* out, size_t size, size_t count, void* user) {
  auto* m = static_cast<Memory*>(user);
  const size_t n = std::min(size * count, m->data->size() - m->position);
  std::memcpy(out, m->data->data() + m->position, n);
  m->position += n;
  return n / size;
}
int MemorySeek(void* user, ogg_int64_t offset, int whence) {
  auto* m = static_cast<Memory*>(user);
  const int64_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<int64_t>(m->position)
                                            : static_cast<int64_t>(m->data->size());
  m->position = static_cast<size_t>(std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(m->data->size())));
  return 0;
}
long MemoryTell(void* user) { return static_cast<long>(static_cast<Memory*>(user)->position); }

// The decoders alone, output discarded as the converter's loop above does.
void BM_VorbisfileAlone10s(benchmark::State& state) {
  const soundtest::Bytes& file = TenSeconds(false);
  std::vector<char> out(4096);
  int64_t total = 0;
  for (auto _ : state) {
    total = 0;
    Memory memory{&file};
    OggVorbis_File vf;
    ov_open_callbacks(&memory, &vf, nullptr, 0, ov_callbacks{MemoryRead, MemorySeek, nullptr, MemoryTell});
    int section = 0;
    long n;
    while ((n = ov_read(&vf, out.data(), 4096, 0, 2, 1, &section)) != 0)
      if (n > 0) total += n;
    ov_clear(&vf);
  }
  state.counters["pcm_bytes"] = static_cast<double>(total);
}
BENCHMARK(BM_VorbisfileAlone10s)->Unit(benchmark::kMillisecond);

void BM_Mpg123Alone10s(benchmark::State& state) {
  const soundtest::Bytes& file = TenSeconds(true);
  std::vector<unsigned char> out(1 << 16);
  int64_t total = 0;
  mpg123_init();
  for (auto _ : state) {
    total = 0;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET, 0);
    mpg123_open_feed(h);
    mpg123_feed(h, file.data(), file.size());
    for (;;) {
      size_t done = 0;
      const int r = mpg123_read(h, out.data(), out.size(), &done);
      total += static_cast<int64_t>(done);
      if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
    }
    mpg123_delete(h);
  }
  state.counters["pcm_bytes"] = static_cast<double>(total);
}
BENCHMARK(BM_Mpg123Alone10s)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
