#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// A software mixer in place of the sound card's secondary buffers. Buffers hold
// 8-bit unsigned or 16-bit signed PCM, mono or stereo, at any rate; the mixer
// writes 16-bit stereo at 44100 Hz.
//
// Mixing rule (what the tests reproduce): each playing buffer keeps its
// position as a 32.32 fixed-point frame index and steps by
// (rate << 32) / 44100 per output frame, where rate is the set frequency or
// the data's own. The sample is the linear interpolation of frame i and the
// next one (frame 0 after the last when looping, else frame i again) with the
// top 15 bits of the fraction f15: s = a + (b - a) * f15 / 32768, kept with 8
// fraction bits; samples are widened to 16 bits first (8-bit: (u - 128) << 8).
// Each channel's gain is 10^(volume / 2000) times 10^(-|pan| / 2000) on the
// side the pan turns away from, as a Q16 integer rounded to nearest (volume
// -10000 is silence); a mono buffer feeds both sides. Voices add s x gain
// with 8 fraction bits into a 32-bit sum, and the output is the sum rounded
// to whole samples and clamped to 16 bits. A one-shot buffer stops at its end
// with its position back at 0.

constexpr int kMixRate = 44100;
constexpr int kMixerVolumeMin = -10000;
constexpr int kFrequencyMin = 100;
constexpr int kFrequencyMax = 200000;

// Capability bits of the output device, with their DirectSound values.
enum : uint32_t {
  kAudioPrimaryMono = 0x1,
  kAudioPrimaryStereo = 0x2,
  kAudioPrimary8Bit = 0x4,
  kAudioPrimary16Bit = 0x8,
  kAudioSecondaryMono = 0x100,
  kAudioSecondaryStereo = 0x200,
  kAudioSecondary8Bit = 0x400,
  kAudioSecondary16Bit = 0x800,
};

struct AudioCaps {
  uint32_t flags = 0;
  uint32_t minSampleRate = 0;
  uint32_t maxSampleRate = 0;
  uint32_t totalMemoryBytes = 0;
  uint32_t freeMemoryBytes = 0;
};

struct AudioDeviceInfo {
  std::string moduleName;
  std::string description;
};

struct PcmFormat {
  int channels = 2;  // 1 or 2
  int sampleRate = kMixRate;
  int bitsPerSample = 16;  // 8 or 16
  int BlockAlign() const { return channels * bitsPerSample / 8; }
};

// The two parts of a locked byte range of a buffer's ring: the second is the
// wrapped remainder at the start, null and 0 when there is none.
struct AudioLock {
  uint8_t* first = nullptr;
  uint32_t firstBytes = 0;
  uint8_t* second = nullptr;
  uint32_t secondBytes = 0;
};

// Opens the output (sdl: SDL's audio device; headless: the virtual clock's
// mixer). False when there is no output.
bool StartAudio();
void EndAudio();
bool IsAudioStarted();
AudioCaps GetAudioCaps();
std::vector<AudioDeviceInfo> ListAudioDevices();
// The output's own format (the primary buffer); the mix stays 16-bit stereo.
bool SetAudioOutputFormat(const PcmFormat& format);
PcmFormat GetAudioOutputFormat();

// Buffers are indices into the mixer's table; -1 for none.
int CreateAudioBuffer(const PcmFormat& format, uint32_t bytes);
int DuplicateAudioBuffer(int buffer);  // shares the data; own cursor, volume, rate, state
void ReleaseAudioBuffer(int buffer);
bool PlayAudioBuffer(int buffer, bool looping);  // from the current position
void StopAudioBuffer(int buffer);                // keeps the position
bool IsAudioBufferPlaying(int buffer);
bool LockAudioBuffer(int buffer, uint32_t offset, uint32_t bytes, AudioLock* out);
bool UnlockAudioBuffer(int buffer, const AudioLock& lock);
void SetAudioBufferFrequency(int buffer, uint32_t hz);    // 0: the data's own rate
void SetAudioBufferVolume(int buffer, int hundredthsDb);  // 0 .. -10000
int GetAudioBufferVolume(int buffer);                     // hundredths dB; -10000 for no buffer
void SetAudioBufferPan(int buffer, int hundredthsDb);     // -10000 left .. 10000 right
void SetAudioBufferPosition(int buffer, uint32_t byteOffset);
uint32_t GetAudioBufferPlayCursor(int buffer);  // bytes, whole frames
int LiveAudioBufferCount();

// A source that writes 44100 Hz stereo 16-bit frames straight into the mix
// (the MIDI synthesiser). The renderer adds its 16-bit samples shifted left by
// 8 into `mix` (frames x 2 values).
using AudioRenderer = std::function<void(int32_t* mix, int frames)>;
int AddAudioRenderer(AudioRenderer renderer);
void RemoveAudioRenderer(int renderer);

// Mixes `frames` output frames of every playing buffer and renderer and moves
// their cursors (the audio thread's step; also what the benchmarks time).
void MixAudio(int16_t* out, int frames);

// Headless backend: mixing follows the virtual clock (44.1 output frames per
// virtual millisecond) and happens lazily at the next audio call or capture.
// Captured output is kept while capture is on; a capture's frames count from
// the virtual millisecond it was switched on.
void SetHeadlessAudioCapture(bool on);
std::vector<int16_t> TakeHeadlessAudio();  // mixes up to the clock first
// Scripted device: its capabilities, and failures of the next buffer
// creations or locks (a count each).
void SetHeadlessAudioCaps(const AudioCaps& caps);
void FailNextAudioBufferCreations(int count);
void FailNextAudioBufferLocks(int count);
void ResetHeadlessAudio();

}  // namespace platform
