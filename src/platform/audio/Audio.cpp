#include "platform/audio/Audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/Backend.h"
#include "platform/audio/AudioDevice.h"
#include "platform/time/Time.h"

namespace platform {

namespace {

struct Voice {
  std::mutex lock;  // the voice's state against the audio thread
  std::shared_ptr<std::vector<uint8_t>> data;
  PcmFormat format;
  uint32_t frames = 0;
  bool playing = false;
  bool looping = false;
  uint64_t position = 0;  // 32.32 frames
  uint32_t frequency = 0;
  int volume = 0;
  int pan = 0;
  int32_t gainLeft = 65536;
  int32_t gainRight = 65536;
};

struct Mixer {
  std::recursive_mutex table;  // slots and renderers; held for a whole mix
  std::vector<std::unique_ptr<Voice>> voices;
  std::vector<std::unique_ptr<AudioRenderer>> renderers;
  std::vector<int32_t> sum;
  bool started = false;
  PcmFormat output;
  // Headless.
  uint64_t originMs = 0;
  uint64_t mixedFrames = 0;
  bool capture = false;
  std::vector<int16_t> captured;
  AudioCaps headlessCaps{0xF0F, kFrequencyMin, kFrequencyMax, 0, 0};
  int failCreations = 0;
  int failLocks = 0;
};

Mixer& M() {
  static Mixer mixer;
  return mixer;
}

constexpr size_t kCaptureLimit = 64u << 20;  // samples kept at most

int32_t GainQ16(double gain) { return static_cast<int32_t>(std::lround(gain * 65536.0)); }

void UpdateGains(Voice& v) {
  if (v.volume <= kMixerVolumeMin) {
    v.gainLeft = v.gainRight = 0;
    return;
  }
  const double g = std::pow(10.0, v.volume / 2000.0);
  const double left = v.pan > 0 ? std::pow(10.0, -v.pan / 2000.0) : 1.0;
  const double right = v.pan < 0 ? std::pow(10.0, v.pan / 2000.0) : 1.0;
  v.gainLeft = v.pan >= 10000 ? 0 : GainQ16(g * left);
  v.gainRight = v.pan <= -10000 ? 0 : GainQ16(g * right);
}

inline int32_t SampleAt(const uint8_t* data, const PcmFormat& f, uint32_t frame, int channel) {
  if (f.bitsPerSample == 8) return (static_cast<int32_t>(data[frame * f.channels + channel]) - 128) << 8;
  int16_t s;
  std::memcpy(&s, data + (static_cast<size_t>(frame) * f.channels + channel) * 2, 2);
  return s;
}

// One voice into the Q8 sum; returns false when a one-shot voice ended.
// Frame offsets within one mix call of at most a few thousand frames.
// NOLINTBEGIN(bugprone-implicit-widening-of-multiplication-result)
void MixVoice(Voice& v, int32_t* sum, int frames) {
  if (!v.playing || v.frames == 0) return;
  const uint8_t* data = v.data->data();
  const PcmFormat& f = v.format;
  const uint32_t rate = v.frequency ? v.frequency : static_cast<uint32_t>(f.sampleRate);
  const uint64_t step = (static_cast<uint64_t>(rate) << 32) / kMixRate;
  const uint64_t end = static_cast<uint64_t>(v.frames) << 32;
  const int32_t gl = v.gainLeft, gr = v.gainRight;
  const bool stereo = f.channels == 2;
  uint64_t pos = v.position;
  int i = 0;
  while (i < frames) {
    if (pos >= end) {
      if (!v.looping) {
        v.playing = false;
        pos = 0;
        break;
      }
      pos %= end;
    }
    const uint32_t index = static_cast<uint32_t>(pos >> 32);
    if (step == (uint64_t{1} << 32) && (pos & 0xFFFFFFFFu) == 0) {
      // Own rate: whole frames, no interpolation.
      const int run = static_cast<int>(std::min<uint64_t>(frames - i, v.frames - index));
      int32_t* out = sum + 2 * i;
      if (f.bitsPerSample == 16) {
        const int16_t* src = reinterpret_cast<const int16_t*>(data) + static_cast<size_t>(index) * f.channels;
        if (stereo) {
          for (int k = 0; k < run; ++k) {
            out[2 * k] += (src[2 * k] * gl) >> 8;
            out[2 * k + 1] += (src[2 * k + 1] * gr) >> 8;
          }
        } else {
          for (int k = 0; k < run; ++k) {
            out[2 * k] += (src[k] * gl) >> 8;
            out[2 * k + 1] += (src[k] * gr) >> 8;
          }
        }
      } else {
        for (int k = 0; k < run; ++k) {
          const int32_t l = SampleAt(data, f, index + k, 0);
          const int32_t r = stereo ? SampleAt(data, f, index + k, 1) : l;
          out[2 * k] += (l * gl) >> 8;
          out[2 * k + 1] += (r * gr) >> 8;
        }
      }
      i += run;
      pos += static_cast<uint64_t>(run) << 32;
      continue;
    }
    uint32_t next = index + 1;
    if (next >= v.frames) next = v.looping ? 0 : index;
    const int64_t f15 = static_cast<int64_t>((pos >> 17) & 0x7FFF);
    for (int c = 0; c < 2; ++c) {
      const int ch = stereo ? c : 0;
      const int64_t a = SampleAt(data, f, index, ch);
      const int64_t b = SampleAt(data, f, next, ch);
      const int64_t s8 = (a << 8) + (((b - a) * f15) >> 7);
      sum[2 * i + c] += static_cast<int32_t>((s8 * (c == 0 ? gl : gr)) >> 16);
    }
    ++i;
    pos += step;
  }
  v.position = pos;
}
// NOLINTEND(bugprone-implicit-widening-of-multiplication-result)

Voice* Find(int buffer) {
  Mixer& m = M();
  if (buffer < 0 || buffer >= static_cast<int>(m.voices.size())) return nullptr;
  return m.voices[buffer].get();
}

int Store(std::unique_ptr<Voice> voice) {
  Mixer& m = M();
  for (size_t i = 0; i < m.voices.size(); ++i)
    if (!m.voices[i]) {
      m.voices[i] = std::move(voice);
      return static_cast<int>(i);
    }
  m.voices.push_back(std::move(voice));
  return static_cast<int>(m.voices.size() - 1);
}

// Moves every playing voice by `frames` output frames as mixing would.
void SkipVoices(uint64_t frames) {
  for (auto& voice : M().voices) {
    if (!voice) continue;
    Voice& v = *voice;
    std::lock_guard lock(v.lock);
    if (!v.playing || v.frames == 0) continue;
    const uint32_t rate = v.frequency ? v.frequency : static_cast<uint32_t>(v.format.sampleRate);
    const uint64_t step = (static_cast<uint64_t>(rate) << 32) / kMixRate;
    const uint64_t end = static_cast<uint64_t>(v.frames) << 32;
    const unsigned __int128 moved = static_cast<unsigned __int128>(step) * frames + v.position;
    if (moved < end) {
      v.position = static_cast<uint64_t>(moved);
    } else if (v.looping) {
      v.position = static_cast<uint64_t>(moved % end);
    } else {
      v.playing = false;
      v.position = 0;
    }
  }
}

// Headless: mix up to the virtual clock.
void CatchUp() {
  Mixer& m = M();
  if (!IsHeadless() || !m.started) return;
  const uint64_t now = VirtualClock();
  if (now < m.originMs) return;
  const uint64_t target = (now - m.originMs) * kMixRate / 1000;
  if (target <= m.mixedFrames) return;
  uint64_t left = target - m.mixedFrames;
  m.mixedFrames = target;
  if (!m.capture && left > kMixRate) {
    // Nobody listens: long stretches move the cursors without mixing, and
    // renderers hear the last second.
    SkipVoices(left - kMixRate);
    left = kMixRate;
  }
  int16_t chunk[2 * 4096];
  while (left > 0) {
    const int n = static_cast<int>(std::min<uint64_t>(left, 4096));
    MixAudio(chunk, n);
    if (m.capture && m.captured.size() < kCaptureLimit)
      m.captured.insert(m.captured.end(), chunk, chunk + ptrdiff_t{2} * n);
    left -= n;
  }
}

// Every entry holds the table and, on the headless backend, first brings the
// mix up to the clock so that state changes land at the time they are made.
struct Entry {
  std::lock_guard<std::recursive_mutex> guard{M().table};
  Entry() { CatchUp(); }
};

}  // namespace

void MixAudio(int16_t* out, int frames) {
  Mixer& m = M();
  std::lock_guard guard(m.table);
  if (static_cast<int>(m.sum.size()) < 2 * frames) m.sum.resize(2 * static_cast<size_t>(frames));
  int32_t* sum = m.sum.data();
  std::fill(sum, sum + ptrdiff_t{2} * frames, 0);
  for (auto& voice : m.voices) {
    if (!voice) continue;
    std::lock_guard lock(voice->lock);
    MixVoice(*voice, sum, frames);
  }
  for (auto& renderer : m.renderers)
    if (renderer) (*renderer)(sum, frames);
  for (int i = 0; i < 2 * frames; ++i) {
    const int32_t s = (sum[i] + 128) >> 8;
    out[i] = static_cast<int16_t>(std::clamp(s, -32768, 32767));
  }
}

bool StartAudio() {
  Entry entry;
  Mixer& m = M();
  if (m.started) return true;
  if (!IsHeadless() && !detail::OpenSdlAudio()) return false;
  m.started = true;
  m.originMs = VirtualClock();
  m.mixedFrames = 0;
  m.output = PcmFormat{};
  return true;
}

void EndAudio() {
  {
    Entry entry;
    if (!M().started) return;
  }
  if (!IsHeadless()) detail::CloseSdlAudio();
  Entry entry;
  Mixer& m = M();
  m.started = false;
  m.voices.clear();
  m.renderers.clear();
}

bool IsAudioStarted() { return M().started; }

AudioCaps GetAudioCaps() {
  Entry entry;
  if (IsHeadless()) return M().headlessCaps;
  // The mixer takes any of these formats at any rate in the range.
  return AudioCaps{0xF0F, kFrequencyMin, kFrequencyMax, 0, 0};
}

std::vector<AudioDeviceInfo> ListAudioDevices() {
  if (IsHeadless()) return {{"headless", "Headless mixer"}};
  return detail::ListSdlAudioDevices();
}

bool SetAudioOutputFormat(const PcmFormat& format) {
  Entry entry;
  if (!M().started) return false;
  M().output = format;
  return true;
}

PcmFormat GetAudioOutputFormat() {
  Entry entry;
  return M().output;
}

int CreateAudioBuffer(const PcmFormat& format, uint32_t bytes) {
  Entry entry;
  Mixer& m = M();
  if (!m.started) return -1;
  if (IsHeadless() && m.failCreations > 0) {
    --m.failCreations;
    return -1;
  }
  if ((format.channels != 1 && format.channels != 2) || (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
      format.sampleRate < kFrequencyMin || format.sampleRate > kFrequencyMax ||
      bytes < static_cast<uint32_t>(format.BlockAlign()))
    return -1;
  auto voice = std::make_unique<Voice>();
  voice->format = format;
  voice->frames = bytes / format.BlockAlign();
  voice->data = std::make_shared<std::vector<uint8_t>>(bytes, format.bitsPerSample == 8 ? 128 : 0);
  return Store(std::move(voice));
}

int DuplicateAudioBuffer(int buffer) {
  Entry entry;
  Voice* source = Find(buffer);
  if (!source) return -1;
  auto voice = std::make_unique<Voice>();
  {
    std::lock_guard lock(source->lock);
    voice->data = source->data;
    voice->format = source->format;
    voice->frames = source->frames;
    voice->frequency = source->frequency;
    voice->volume = source->volume;
    voice->pan = source->pan;
  }
  UpdateGains(*voice);
  return Store(std::move(voice));
}

void ReleaseAudioBuffer(int buffer) {
  Entry entry;
  if (Find(buffer)) M().voices[buffer].reset();
}

bool PlayAudioBuffer(int buffer, bool looping) {
  Entry entry;
  Voice* v = Find(buffer);
  if (!v) return false;
  std::lock_guard lock(v->lock);
  v->playing = true;
  v->looping = looping;
  return true;
}

void StopAudioBuffer(int buffer) {
  Entry entry;
  if (Voice* v = Find(buffer)) {
    std::lock_guard lock(v->lock);
    v->playing = false;
  }
}

bool IsAudioBufferPlaying(int buffer) {
  Entry entry;
  Voice* v = Find(buffer);
  if (!v) return false;
  std::lock_guard lock(v->lock);
  return v->playing;
}

bool LockAudioBuffer(int buffer, uint32_t offset, uint32_t bytes, AudioLock* out) {
  Entry entry;
  Mixer& m = M();
  Voice* v = Find(buffer);
  if (!v || !out) return false;
  if (IsHeadless() && m.failLocks > 0) {
    --m.failLocks;
    return false;
  }
  std::lock_guard lock(v->lock);
  const uint32_t size = static_cast<uint32_t>(v->data->size());
  if (offset >= size || bytes > size || bytes == 0) return false;
  uint8_t* base = v->data->data();
  *out = AudioLock{};
  out->first = base + offset;
  out->firstBytes = std::min(bytes, size - offset);
  if (out->firstBytes < bytes) {
    out->second = base;
    out->secondBytes = bytes - out->firstBytes;
  }
  return true;
}

bool UnlockAudioBuffer(int buffer, const AudioLock& lock) {
  Entry entry;
  Voice* v = Find(buffer);
  if (!v || (lock.first == nullptr && lock.firstBytes != 0)) return false;
  return true;
}

void SetAudioBufferFrequency(int buffer, uint32_t hz) {
  Entry entry;
  if (Voice* v = Find(buffer)) {
    std::lock_guard lock(v->lock);
    v->frequency = hz == 0 ? 0 : std::clamp<uint32_t>(hz, kFrequencyMin, kFrequencyMax);
  }
}

void SetAudioBufferVolume(int buffer, int hundredthsDb) {
  Entry entry;
  if (Voice* v = Find(buffer)) {
    std::lock_guard lock(v->lock);
    v->volume = std::clamp(hundredthsDb, kMixerVolumeMin, 0);
    UpdateGains(*v);
  }
}

int GetAudioBufferVolume(int buffer) {
  Entry entry;
  Voice* v = Find(buffer);
  if (!v) return kMixerVolumeMin;
  std::lock_guard lock(v->lock);
  return v->volume;
}

void SetAudioBufferPan(int buffer, int hundredthsDb) {
  Entry entry;
  if (Voice* v = Find(buffer)) {
    std::lock_guard lock(v->lock);
    v->pan = std::clamp(hundredthsDb, -10000, 10000);
    UpdateGains(*v);
  }
}

void SetAudioBufferPosition(int buffer, uint32_t byteOffset) {
  Entry entry;
  if (Voice* v = Find(buffer)) {
    std::lock_guard lock(v->lock);
    const uint32_t frame = byteOffset / v->format.BlockAlign();
    v->position = static_cast<uint64_t>(std::min(frame, v->frames ? v->frames - 1 : 0)) << 32;
  }
}

uint32_t GetAudioBufferPlayCursor(int buffer) {
  Entry entry;
  Voice* v = Find(buffer);
  if (!v) return 0;
  std::lock_guard lock(v->lock);
  return static_cast<uint32_t>(v->position >> 32) * v->format.BlockAlign();
}

int LiveAudioBufferCount() {
  Entry entry;
  return static_cast<int>(std::count_if(M().voices.begin(), M().voices.end(), [](auto& v) { return v != nullptr; }));
}

int AddAudioRenderer(AudioRenderer renderer) {
  Entry entry;
  Mixer& m = M();
  for (size_t i = 0; i < m.renderers.size(); ++i)
    if (!m.renderers[i]) {
      m.renderers[i] = std::make_unique<AudioRenderer>(std::move(renderer));
      return static_cast<int>(i);
    }
  m.renderers.push_back(std::make_unique<AudioRenderer>(std::move(renderer)));
  return static_cast<int>(m.renderers.size() - 1);
}

void RemoveAudioRenderer(int renderer) {
  Entry entry;
  Mixer& m = M();
  if (renderer >= 0 && renderer < static_cast<int>(m.renderers.size())) m.renderers[renderer].reset();
}

void SetHeadlessAudioCapture(bool on) {
  Entry entry;
  Mixer& m = M();
  if (on && !m.capture && m.started) {
    // A capture's frames count from the millisecond it begins, so what it
    // holds does not depend on how long the output ran before.
    m.originMs = VirtualClock();
    m.mixedFrames = 0;
  }
  m.capture = on;
  if (!on) m.captured.clear();
}

std::vector<int16_t> TakeHeadlessAudio() {
  Entry entry;
  return std::exchange(M().captured, {});
}

void SetHeadlessAudioCaps(const AudioCaps& caps) {
  Entry entry;
  M().headlessCaps = caps;
}

void FailNextAudioBufferCreations(int count) {
  Entry entry;
  M().failCreations = count;
}

void FailNextAudioBufferLocks(int count) {
  Entry entry;
  M().failLocks = count;
}

void ResetHeadlessAudio() {
  Entry entry;
  Mixer& m = M();
  m.voices.clear();
  m.renderers.clear();
  m.capture = false;
  m.captured.clear();
  m.headlessCaps = AudioCaps{0xF0F, kFrequencyMin, kFrequencyMax, 0, 0};
  m.failCreations = m.failLocks = 0;
  m.started = false;
}

}  // namespace platform
