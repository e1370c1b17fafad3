#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "foundation/FileLayer.h"
#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/sound/PublicSound.h"
#include "media/sound/SoundSystem.h"
#include "media/system/LibrarySystem.h"
#include "media/system/PublicSystem.h"
#include "platform/text/Cp932Literal.h"
#include "platform/time/Time.h"

namespace {

int MakeHandle(int slot, int check) { return slot | (check << 16) | (kSoundHandleType << 27); }

int SlotOf(int handle) { return handle & 0xFFFF; }

// Frames from milliseconds at a rate, whole frames; -1 for negative times.
int64_t FramesFromMs(int64_t ms, uint32_t rate) { return ms < 0 ? -1 : ms * rate / 1000; }

int FailLoad(int handle, uint8_t* pcm) {
  TrackedFree(pcm);
  DeleteSoundHandle(handle, 0);
  return -1;
}

}  // namespace

SoundRecord* SoundRecordOf(int handle) {
  if (!gSoundSystem.on || handle < 0 || ((handle >> 27) & 0xF) != kSoundHandleType) return nullptr;
  const int slot = SlotOf(handle);
  if (slot >= kMaxSoundHandles) return nullptr;
  SoundRecord* r = gSoundSystem.soundHandles[slot];
  if (!r || (r->checkNumber << 16) != (handle & 0x07FF0000)) return nullptr;
  return r;
}

int AddSoundData(int handle) {
  SoundSystemState& s = gSoundSystem;
  int slot;
  int check;
  if (handle >= 0 && SlotOf(handle) < kMaxSoundHandles && !s.soundHandles[SlotOf(handle)]) {
    // Re-made under its old value (a memory sound turned into a stream).
    slot = SlotOf(handle);
    check = (handle >> 16) & 0x7FF;
  } else {
    if (s.soundCount >= kMaxSoundHandles) {
      LogWrite(Cp932<"サウンドの数が許容量を越えました\n">);
      return -1;
    }
    slot = s.soundBound;
    if (slot >= kMaxSoundHandles) {
      slot = 0;
      while (s.soundHandles[slot]) ++slot;
    }
    check = s.checkCounter;
    s.checkCounter = (s.checkCounter + 1) % 2048;
  }
  void* memory = TrackedAllocZeroed(sizeof(SoundRecord), __FILE__, __LINE__);
  if (!memory) {
    LogWriteFormat(Cp932<"メモリ領域の確保に失敗しました in AddSoundData">);
    return -1;
  }
  auto* r = new (memory) SoundRecord{};
  r->checkNumber = check;
  s.soundHandles[slot] = r;
  ++s.soundCount;
  s.soundBound = std::max({s.soundBound, slot + 1, s.soundCount});
  return MakeHandle(slot, check);
}

int CreateSoundHandleBuffers(const PcmWaveFormat& format, int bytes, int kind, int bufferCount, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r || bytes <= 0) return -1;
  if (kind == 0) {
    if (PcmBufferCreate(&r->buffers[0], format, static_cast<uint32_t>(bytes)) == -1 &&
        PcmBufferCreate(&r->buffers[0], format, static_cast<uint32_t>(bytes)) == -1)
      FatalLibraryError(Cp932<"DirectSoundBuffer の作成に失敗しました">);
    int count = 1;
    while (count < bufferCount && PcmBufferDuplicate(&r->buffers[0], &r->buffers[count]) == 0) ++count;
    r->bufferCount = count;
  } else {
    if (PcmBufferCreate(&r->buffers[0], format, static_cast<uint32_t>(bytes)) == -1)
      FatalLibraryError(Cp932<"ストリーム風サウンドバッファの作成に失敗しました">);
    r->bufferCount = 1;
  }
  r->kind = kind;
  if (kind == 1) HandleListInsert(&gSoundSystem.streamHead, &r->streamNode, handle, r);
  return 0;
}

int LoadSoundFromImage(const void* image, int size, int bufferCount, int partner) {
  SoundSystemState& s = gSoundSystem;
  if (!s.on || bufferCount > kMaxSoundBuffers || bufferCount < 1 || !image || size <= 0) return -1;
  const int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  if (s.loadKind >= 1 && s.loadKind <= 3) {
    if (AddWaveMemoryStream(image, size, 0, handle, s.loadKind, partner) == -1) {
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    PrimeStream(handle);
    return handle;
  }
  BufferStream* memory = BufferStreamOpen(image, size);
  if (!memory) return FailLoad(handle, nullptr);
  SoundStreamRecord stream{*BufferStreamFunctionsGet(), memory};
  SoundConverter converter;
  if (OpenConverter(&stream, &converter) == -1) {
    LogWriteFormat(Cp932<"音声ファイルのＰＣＭへの変換に失敗しました">);
    BufferStreamClose(memory);
    return FailLoad(handle, nullptr);
  }
  PcmWaveFormat format;
  uint8_t* pcm = nullptr;
  int pcmSize = 0;
  const int converted = ConvertWholeSource(&converter, &format, &pcm, &pcmSize);
  CloseConverter(&converter);
  BufferStreamClose(memory);
  if (converted == -1) {
    LogWriteFormat(Cp932<"音声ファイルを格納するメモリ領域の確保に失敗しました">);
    return FailLoad(handle, nullptr);
  }
  pcmSize -= pcmSize % std::max<int>(format.blockAlign, 1);
  if (pcmSize <= 0) {
    // Nothing to play: the load fails instead of making an empty buffer.
    LogWriteFormat(Cp932<"音声ファイルのＰＣＭへの変換に失敗しました">);
    return FailLoad(handle, pcm);
  }
  CreateSoundHandleBuffers(format, pcmSize, 0, bufferCount, handle);
  SoundRecord* r = SoundRecordOf(handle);
  r->format = format;
  r->pcmBlock = pcm;
  r->pcmSize = pcmSize;
  for (int i = 0; i < r->bufferCount; ++i) {
    PcmLock lock;
    if (PcmBufferLock(&r->buffers[i], 0, static_cast<uint32_t>(pcmSize), &lock) == -1) {
      LogWriteFormat(Cp932<"サウンドデータの転送に失敗しました_1">);
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    std::memcpy(lock.first, pcm, lock.firstBytes);
    if (lock.second) std::memcpy(lock.second, pcm + lock.firstBytes, lock.secondBytes);
    if (PcmBufferUnlock(&r->buffers[i], lock) == -1) {
      LogWriteFormat(Cp932<"サウンドデータの転送に失敗しました_2">);
      DeleteSoundHandle(handle, 0);
      return -1;
    }
  }
  return handle;
}

int LoadSoundFromImageSingle(const void* image, int size, int partner) {
  return LoadSoundFromImage(image, size, 1, partner);
}

int LoadFileToMemory(const char* name, uint8_t** block, int* size) {
  const FileHandle file = FileLayerOpen(name, 0, 1, 0);
  if (file == 0) {
    LogWriteFormat(Cp932<"右記のファイルのオープンに失敗しました：%s">, name);
    return -1;
  }
  FileLayerSeek(file, 0, 2);
  const int bytes = FileLayerTell(file);
  FileLayerSeek(file, 0, 0);
  auto* data = bytes > 0 && bytes <= kConvertedSizeCap ? static_cast<uint8_t*>(TrackedAlloc(bytes, __FILE__, __LINE__))
                                                       : nullptr;
  if (!data) {
    LogWriteFormat(Cp932<"右記のファイルのロードに必要なメモリの確保に失敗しました：%s">, name);
    FileLayerClose(file);
    return -1;
  }
  const int got = FileLayerRead(data, 1, bytes, file);
  FileLayerClose(file);
  *block = data;
  *size = std::clamp(got, 0, bytes);
  return 0;
}

int LoadStreamToMemory(const SoundStreamRecord* stream, uint8_t** block, int* size) {
  const StreamFunctionTable& f = stream->functions;
  f.seek(stream->data, 0, 2);
  const int bytes = f.tell(stream->data);
  f.seek(stream->data, 0, 0);
  auto* data = bytes > 0 && bytes <= kConvertedSizeCap ? static_cast<uint8_t*>(TrackedAlloc(bytes, __FILE__, __LINE__))
                                                       : nullptr;
  if (!data) {
    LogWriteFormat(Cp932<"ストリームの読み込みに必要なメモリの確保に失敗しました">);
    return -1;
  }
  const int got = f.read(data, 1, bytes, stream->data);
  *block = data;
  *size = std::clamp(got, 0, bytes);
  return 0;
}

int BuildWaveImage(uint8_t** image, int* size, const void* format, int formatSize, const void* pcm, int pcmSize) {
  const int64_t total = 28 + static_cast<int64_t>(formatSize) + pcmSize;
  if (formatSize < 0 || pcmSize < 0 || total > kConvertedSizeCap) return -1;
  auto* out = static_cast<uint8_t*>(TrackedAlloc(total, __FILE__, __LINE__));
  if (!out) return -1;
  auto put32 = [](uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(out, "RIFF", 4);  // NOLINT(bugprone-not-null-terminated-result): a four-byte tag
  put32(out + 4, static_cast<uint32_t>(total - 8));
  std::memcpy(out + 8, "WAVEfmt ", 8);  // NOLINT(bugprone-not-null-terminated-result): two four-byte tags
  put32(out + 16, static_cast<uint32_t>(formatSize));
  std::memcpy(out + 20, format, formatSize);
  std::memcpy(out + 20 + formatSize, "data", 4);  // NOLINT(bugprone-not-null-terminated-result): a four-byte tag
  put32(out + 24 + formatSize, static_cast<uint32_t>(pcmSize));
  std::memcpy(out + 28 + formatSize, pcm, pcmSize);
  *image = out;
  *size = static_cast<int>(total);
  return 0;
}

int LoadSoundFile(const char* name, int bufferCount, int partner) {
  SoundSystemState& s = gSoundSystem;
  if (!s.on || bufferCount < 1) return -1;
  bufferCount = std::min(bufferCount, kMaxSoundBuffers);
  if (s.loadKind >= 1 && s.loadKind <= 3) {
    const int handle = AddSoundData(-1);
    if (handle == -1) return -1;
    if (AddWaveFileStream(name, 0, handle, s.loadKind, partner) == -1) {
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    PrimeStream(handle);
    return handle;
  }
  uint8_t* block = nullptr;
  int size = 0;
  if (LoadFileToMemory(name, &block, &size) == -1) {
    LogWriteFormat(Cp932<"右記の音声ファイルのロードに失敗しました_1：%s">, name);
    return -1;
  }
  const int handle = LoadSoundFromImage(block, size, bufferCount, -1);
  if (handle == -1) LogWriteFormat(Cp932<"右記の音声ファイルのロードに失敗しました_2：%s">, name);
  TrackedFree(block);
  return handle;
}

int PlaySoundHandle(int handle, int playType, int fromStart) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (r->kind == 1) return PlayStreamHandle(handle, playType, fromStart);
  const uint32_t cursor = PcmBufferPlayCursor(&r->buffers[r->currentBuffer]);
  r->currentBuffer = (r->currentBuffer + 1) % std::max(r->bufferCount, 1);
  PcmBuffer* b = &r->buffers[r->currentBuffer];
  uint32_t status = 0;
  if (PcmBufferStatus(b, &status) == -1) return -1;
  if (status & 1) {
    if (fromStart == 0) return 0;
    PcmBufferStop(b);
  }
  PcmBufferSetPosition(b, fromStart == 1 ? 0 : cursor);
  if (PcmBufferPlay(b, playType == 3) == -1) return -1;
  if (playType == 0) {
    if (RunMessageLoopRound() != 0) return 0;
    while (IsSoundHandlePlaying(handle) == 1) {
      platform::SleepMilliseconds(1);
      if (RunMessageLoopRound() != 0) break;
    }
  }
  return 0;
}

int StopSoundHandle(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (r->kind == 1) return StopStreamHandle(handle);
  for (int i = 0; i < r->bufferCount; ++i) {
    uint32_t status = 0;
    if (PcmBufferStatus(&r->buffers[i], &status) == -1) return -1;
    if (status & 1) PcmBufferStop(&r->buffers[i]);
  }
  return 0;
}

int IsSoundHandlePlaying(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (r->kind == 1) return IsStreamPlaying(handle);
  for (int i = 0; i < r->bufferCount; ++i) {
    uint32_t status = 0;
    if (PcmBufferStatus(&r->buffers[i], &status) == 0 && (status & 1)) return 1;
  }
  return 0;
}

int SetSoundHandleVolume(int volume, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  int level = -10000;
  if (volume > 0) {
    volume = std::min(volume, 255);
    level = std::max(static_cast<int>(std::trunc(1000.0 * std::log10(volume / 255.0))), -10000);
  }
  for (PcmBuffer& b : r->buffers)
    if (b.created) PcmBufferSetVolume(&b, level);
  return 0;
}

int SetSoundHandleFrequency(int frequency, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  const uint32_t hz = frequency <= 0 ? 0 : static_cast<uint32_t>(frequency);
  for (PcmBuffer& b : r->buffers)
    if (b.created) PcmBufferSetFrequency(&b, hz);
  return 0;
}

int GetSoundHandleSampleRate(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  return r ? static_cast<int>(r->format.samplesPerSecond) : -1;
}

int SetSoundHandlePlayTime(int ms, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (r->kind == 1) return SetStreamPlayTime(ms, handle);
  const int64_t frames = FramesFromMs(ms, r->format.samplesPerSecond);
  if (frames < 0) return -1;
  for (int i = 0; i < r->bufferCount; ++i) {
    uint32_t status = 0;
    if (PcmBufferStatus(&r->buffers[i], &status) == -1) return -1;
    if (status & 1) continue;
    const int64_t position = std::min<int64_t>(frames * r->format.blockAlign, r->pcmSize);
    PcmBufferSetPosition(&r->buffers[i], static_cast<uint32_t>(position));
    return 0;
  }
  return -1;
}

int GetSoundHandlePlayTimeMs(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (r->kind == 1) return GetStreamPlayTimeMs(handle);
  const int64_t cursor = PcmBufferPlayCursor(&r->buffers[r->currentBuffer]);
  const int64_t perSecond = static_cast<int64_t>(r->format.blockAlign) * r->format.samplesPerSecond;
  return perSecond > 0 ? static_cast<int>(cursor * 1000 / perSecond) : 0;
}

int GetSoundHandleSampleCount(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (r->kind == 1) return r->totalSamples;
  return r->format.blockAlign ? r->pcmSize / r->format.blockAlign : 0;
}

int GetSoundHandleLengthMs(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r || r->format.samplesPerSecond == 0) return -1;
  return static_cast<int>(static_cast<int64_t>(GetSoundHandleSampleCount(handle)) * 1000 / r->format.samplesPerSecond);
}

int DeleteSoundHandle(int handle, int) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  SoundSystemState& s = gSoundSystem;
  if (r->kind == 1) {
    StopStreamHandle(handle);
  } else if (r->buffers[0].created) {
    StopSoundHandle(handle);
  }
  if (r->kind == 0) {
    for (PcmBuffer& b : r->buffers)
      if (b.created) PcmBufferRelease(&b);
    TrackedFree(r->pcmBlock);
    r->pcmBlock = nullptr;
  } else {
    if (r->bufferOwner != -1) {
      const int ownerHandle = r->bufferOwner;
      r->bufferOwner = -1;
      if (SoundRecord* owner = SoundRecordOf(ownerHandle)) {
        --owner->bufferUsers;
        if (owner->bufferHolder == handle) owner->bufferHolder = -1;
        if (owner != r && owner->deletePending && owner->bufferUsers <= 0) DeleteSoundHandle(ownerHandle, 0);
      }
    }
    if (r->bufferUsers != 0) {
      r->deletePending = 1;
      return 0;
    }
    HandleListUnlink(&r->streamNode);
    for (int i = 0; i < r->sourceCount; ++i) {
      StreamSource& src = r->sources[i];
      const SoundStreamRecord callerStream = src.converter.stream;
      CloseConverter(&src.converter);
      TrackedFree(src.dataBlock);
      src.dataBlock = nullptr;
      if (src.kind == 3 && r->sourceStreamOwned[i] == 1 && callerStream.functions.close)
        callerStream.functions.close(callerStream.data);
      if (src.stream.data) BufferStreamClose(static_cast<BufferStream*>(src.stream.data));
      src.stream.data = nullptr;
    }
    if (r->buffers[0].created) PcmBufferRelease(&r->buffers[0]);
  }
  const int slot = SlotOf(handle);
  r->~SoundRecord();
  TrackedFree(r);
  s.soundHandles[slot] = nullptr;
  --s.soundCount;
  if (slot + 1 == s.soundBound || s.soundCount == 0) {
    int bound = s.soundCount == 0 ? 0 : slot;
    while (bound > 0 && !s.soundHandles[bound - 1]) --bound;
    s.soundBound = bound;
  }
  return 0;
}

int DeleteAllSoundHandles(int passedOn) {
  SoundSystemState& s = gSoundSystem;
  if (!s.on) return -1;
  for (int slot = 0; slot < kMaxSoundHandles; ++slot)
    if (SoundRecord* r = s.soundHandles[slot]) DeleteSoundHandle(MakeHandle(slot, r->checkNumber), passedOn);
  // Handles whose delete waited on a buffer user that is gone now.
  for (int slot = 0; slot < kMaxSoundHandles; ++slot)
    if (SoundRecord* r = s.soundHandles[slot]) {
      r->bufferUsers = 0;
      DeleteSoundHandle(MakeHandle(slot, r->checkNumber), passedOn);
    }
  return 0;
}

int SetSoundLoadKind(int kind) {
  if (kind < 0 || kind > 3) return -1;
  gSoundSystem.loadKind = kind;
  return 0;
}

int GetSoundLoadKind() { return gSoundSystem.loadKind; }
