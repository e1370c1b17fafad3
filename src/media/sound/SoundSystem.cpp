#include "media/sound/SoundSystem.h"

#include <algorithm>
#include <cstdarg>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/sound/PublicSound.h"
#include "media/system/PublicSystem.h"
#include "platform/audio/Audio.h"
#include "platform/text/Cp932Literal.h"

SoundSystemState gSoundSystem;
int& gMovieTrackFlag = gSoundSystem.movieTrackFlag;

namespace {

constexpr int kSilentBytes = 400;

platform::PcmFormat MixerFormat(const PcmWaveFormat& f) {
  return platform::PcmFormat{f.channels, static_cast<int>(f.samplesPerSecond), f.bitsPerSample};
}

const char* OkNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "OK" : "NO"; }

void LogDeviceReport() {
  LogIndentIn();
  const platform::AudioCaps caps = platform::GetAudioCaps();
  LogWrite(Cp932<"DirectSound デバイスを列挙します\n">);
  LogIndentIn();
  for (const platform::AudioDeviceInfo& device : platform::ListAudioDevices())
    LogWriteFormat(Cp932<"モジュール名:%15s  ドライバ記述:%s ">, device.moduleName.c_str(), device.description.c_str());
  LogIndentOut();
  LogWriteFormat(Cp932<"最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ">,
                 static_cast<double>(caps.maxSampleRate) / 1000, static_cast<double>(caps.minSampleRate) / 1000);
  LogSoundText(Cp932<"総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n">,
               static_cast<double>(caps.totalMemoryBytes) / 1024, static_cast<double>(caps.freeMemoryBytes) / 1024);
  LogWrite(Cp932<"利用可能サンプリング精度\n">);
  LogWriteFormat(Cp932<" プライマリ １６bit = %s  ８bit = %s ">, OkNo(caps.flags, platform::kAudioPrimary16Bit),
                 OkNo(caps.flags, platform::kAudioPrimary8Bit));
  LogSoundText(Cp932<" セカンダリ １６bit = %s  ８bit = %s \n">, OkNo(caps.flags, platform::kAudioSecondary16Bit),
               OkNo(caps.flags, platform::kAudioSecondary8Bit));
  LogWrite(Cp932<"利用可能チャンネル\n">);
  LogWriteFormat(Cp932<" プライマリ MONO = %s  STEREO = %s ">, OkNo(caps.flags, platform::kAudioPrimaryMono),
                 OkNo(caps.flags, platform::kAudioPrimaryStereo));
  LogSoundText(Cp932<" セカンダリ MONO = %s  STEREO = %s \n">, OkNo(caps.flags, platform::kAudioSecondaryMono),
               OkNo(caps.flags, platform::kAudioSecondaryStereo));
  LogIndentOut();
}

void StartSilentBuffer() {
  const PcmWaveFormat silent{1, 2, 44100, 176400, 4, 16, 0};
  PcmBuffer& b = gSoundSystem.silentBuffer;
  if (PcmBufferCreate(&b, silent, kSilentBytes) == -1) {
    LogWriteFormat(Cp932<"無音バッファの作成に失敗しました">);
    return;
  }
  PcmLock lock;
  if (PcmBufferLock(&b, 0, kSilentBytes, &lock) == -1) {
    LogWriteFormat(Cp932<"無音バッファのロックに失敗しました">);
    PcmBufferRelease(&b);
    return;
  }
  std::fill_n(lock.first, lock.firstBytes, 0);
  if (lock.second) std::fill_n(lock.second, lock.secondBytes, 0);
  PcmBufferUnlock(&b, lock);
  PcmBufferPlay(&b, 1);
}

}  // namespace

void LogSoundText(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  FormatTextV(buffer, sizeof buffer, format, args);
  va_end(args);
  LogWrite(buffer);
}

int StartSoundSystem() {
  SoundSystemState& s = gSoundSystem;
  if (s.on) return -1;
  LogWrite(Cp932<"DirectSound の初期化を行います\n">);
  LogWrite(Cp932<"DirectSound インターフェースの取得を行います....  ">);
  if (!platform::StartAudio()) {
    LogWrite(Cp932<"DirectSoundインターフェースの作成に失敗しました\n">);
    return -1;
  }
  s.on = 1;
  LogWrite(Cp932<"成功\n">);
  LogWrite(Cp932<"引き続きインターフェースの初期化処理...  ">);
  LogWrite(Cp932<"成功\n">);
  // The output's format follows what the device reports, at most 44.1 kHz.
  const platform::AudioCaps caps = platform::GetAudioCaps();
  platform::PcmFormat primary;
  primary.channels = (caps.flags & platform::kAudioPrimaryStereo) ? 2 : 1;
  primary.bitsPerSample = (caps.flags & platform::kAudioPrimary16Bit) ? 16 : 8;
  primary.sampleRate = static_cast<int>(std::min<uint32_t>(caps.maxSampleRate, 44100));
  if (!platform::SetAudioOutputFormat(primary))
    LogWrite(Cp932<"DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n">);
  StartSilentBuffer();
  s.loadKind = 0;
  s.oggBytesPerSample = 2;
  HandleListReset(&s.streamHead, &s.streamTail);
  LogDeviceReport();
  LogWrite(Cp932<"DirectSound の初期化は正常に終了しました\n">);
  DeleteAllSoundHandles(0);
  return 0;
}

int EndSoundSystem() {
  SoundSystemState& s = gSoundSystem;
  if (!s.on) return -1;
  DeleteAllSoundHandles(0);
  DeleteAllMidiHandles();
  if (s.silentBuffer.created) {
    PcmBufferStop(&s.silentBuffer);
    PcmBufferRelease(&s.silentBuffer);
  }
  platform::EndAudio();
  s.on = 0;
  LogWrite(Cp932<"DirectSound の終了処理は正常に終了しました\n">);
  return 0;
}

int PcmBufferCreate(PcmBuffer* b, const PcmWaveFormat& format, uint32_t bytes) {
  if (b->created) return -1;
  const int id = platform::CreateAudioBuffer(MixerFormat(format), bytes);
  if (id < 0) return -1;
  b->buffer = id;
  b->created = 1;
  return 0;
}

int PcmBufferDuplicate(const PcmBuffer* source, PcmBuffer* target) {
  if (target->created || !source->created) return -1;
  const int id = platform::DuplicateAudioBuffer(source->buffer);
  if (id < 0) return -1;
  target->buffer = id;
  target->created = 1;
  return 0;
}

int PcmBufferRelease(PcmBuffer* b) {
  if (!b->created) return -1;
  platform::ReleaseAudioBuffer(b->buffer);
  b->buffer = -1;
  b->created = 0;
  return 0;
}

int PcmBufferPlay(PcmBuffer* b, int loop) {
  if (!b->created) return -1;
  platform::PlayAudioBuffer(b->buffer, loop != 0);
  return 0;
}

int PcmBufferStop(PcmBuffer* b) {
  if (!b->created) return -1;
  platform::StopAudioBuffer(b->buffer);
  return 0;
}

int PcmBufferStatus(PcmBuffer* b, uint32_t* status) {
  if (!b->created) return -1;
  *status = platform::IsAudioBufferPlaying(b->buffer) ? 1 : 0;
  return 0;
}

int PcmBufferLock(PcmBuffer* b, uint32_t offset, uint32_t bytes, PcmLock* lock) {
  if (!b->created) return -1;
  platform::AudioLock l;
  if (!platform::LockAudioBuffer(b->buffer, offset, bytes, &l)) return -1;
  *lock = PcmLock{l.first, l.firstBytes, l.second, l.secondBytes};
  return 0;
}

int PcmBufferUnlock(PcmBuffer* b, const PcmLock& lock) {
  if (!b->created) return -1;
  const platform::AudioLock l{lock.first, lock.firstBytes, lock.second, lock.secondBytes};
  return platform::UnlockAudioBuffer(b->buffer, l) ? 0 : -1;
}

int PcmBufferSetFrequency(PcmBuffer* b, uint32_t hz) {
  if (!b->created) return -1;
  platform::SetAudioBufferFrequency(b->buffer, hz);
  return 0;
}

int PcmBufferSetVolume(PcmBuffer* b, int hundredthsDb) {
  if (!b->created) return -1;
  platform::SetAudioBufferVolume(b->buffer, hundredthsDb);
  return 0;
}

int PcmBufferSetPosition(PcmBuffer* b, uint32_t offset) {
  if (!b->created) return -1;
  platform::SetAudioBufferPosition(b->buffer, offset);
  return 0;
}

uint32_t PcmBufferPlayCursor(const PcmBuffer* b) {
  return b->created ? platform::GetAudioBufferPlayCursor(b->buffer) : 0;
}

// --- MIDI handles: the table stays empty; its hooks exist -------------------

namespace {

MidiRecord* MidiRecordOf(int handle) {
  if (!gSoundSystem.on || handle < 0 || ((handle >> 27) & 0xF) != kMidiHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxMidiHandles) return nullptr;
  MidiRecord* r = gSoundSystem.midiHandles[slot];
  if (!r || (r->checkNumber << 16) != (handle & 0x07FF0000)) return nullptr;
  return r;
}

}  // namespace

int IsMidiHandlePlaying(int handle) {
  if (!MidiRecordOf(handle)) return -1;
  return gSoundSystem.mciPlaying;
}

int StopMidiHandle(int handle) {
  MidiRecord* r = MidiRecordOf(handle);
  if (!r) return -1;
  gSoundSystem.mciLoop = 0;
  OnMciNotify();
  for (int i = 0; i < 5; ++i) RunMessageLoopRound();
  r->playing = 0;
  r->startSeen = 0;
  return 0;
}

int DeleteMidiHandle(int handle) {
  MidiRecord* r = MidiRecordOf(handle);
  if (!r) return -1;
  if (IsMidiHandlePlaying(handle) == 1) StopMidiHandle(handle);
  if (r->data) {
    std::fill_n(r->data, r->dataSize, 0);
    TrackedFree(r->data);
  }
  SoundSystemState& s = gSoundSystem;
  const int slot = handle & 0xFFFF;
  TrackedFree(r);
  s.midiHandles[slot] = nullptr;
  --s.midiCount;
  if (slot + 1 == s.midiBound) {
    int bound = slot;
    while (bound > 0 && !s.midiHandles[bound - 1]) --bound;
    s.midiBound = bound;
  }
  return 0;
}

int DeleteAllMidiHandles() {
  if (!gSoundSystem.on) return -1;
  for (int slot = 0; slot < kMaxMidiHandles; ++slot)
    if (MidiRecord* r = gSoundSystem.midiHandles[slot])
      DeleteMidiHandle(slot | (r->checkNumber << 16) | (kMidiHandleType << 27));
  return 0;
}

int PollMidiPlayback() { return gSoundSystem.on ? 0 : -1; }

int OnMciNotify() {
  // No MCI device is ever opened: the flags stay 0 and nothing is sent.
  SoundSystemState& s = gSoundSystem;
  if (s.mciLoop == 1) s.mciPlaying = 1;
  else if (s.mciPlaying == 1) s.mciPlaying = 0;
  return 0;
}

int ReleaseDirectPlayHandle() {
  SoundSystemState& s = gSoundSystem;
  if (s.directPlayHandle == 0) return 0;
  if (s.directPlayKind == 1) {
    StopSoundHandle(s.directPlayHandle);
    DeleteSoundHandle(s.directPlayHandle, 0);
  } else {
    StopMidiHandle(s.directPlayHandle);
    DeleteMidiHandle(s.directPlayHandle);
  }
  s.directPlayHandle = 0;
  return 0;
}
