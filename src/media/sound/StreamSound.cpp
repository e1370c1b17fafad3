#include <algorithm>
#include <cstring>

#include "foundation/FileLayer.h"
#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/sound/PublicSound.h"
#include "media/sound/SoundSystem.h"
#include "media/system/PublicSystem.h"
#include "platform/text/Cp932Literal.h"
#include "platform/time/Time.h"

namespace {

// The two parts of a locked range of the ring and what was written to each.
struct LockRegion {
  uint32_t start = 0;
  uint32_t ringSize = 0;
  PcmLock lock;
  uint32_t firstWritten = 0;
  uint32_t secondWritten = 0;
  uint32_t firstLeft = 0;
  uint32_t secondLeft = 0;
};

uint32_t RegionEndPosition(const LockRegion& r) {
  if (r.firstLeft > 0 || r.lock.secondBytes == 0) {
    // A lock without a second part ends inside the first, possibly at the ring's end.
    return (r.start + r.lock.firstBytes - r.firstLeft) % r.ringSize;
  }
  return r.lock.secondBytes - r.secondLeft;
}

int BytesPerSecond(const SoundRecord& r) { return static_cast<int>(r.format.bytesPerSecond); }

int WholeFrames(const SoundRecord& r, int64_t bytes) {
  const int align = std::max<int>(r.format.blockAlign, 1);
  return static_cast<int>(bytes - bytes % align);
}

int BlockBytes(const SoundRecord& r) { return WholeFrames(r, BytesPerSecond(r) / 8); }

bool IsStream(const SoundRecord* r) { return r && r->kind == 1; }

int ConvertIntoRegion(LockRegion* region, SoundConverter* converter, int n) {
  int written = 0;
  while (n > 0) {
    uint8_t* target;
    uint32_t* left;
    uint32_t* done;
    if (region->firstLeft > 0) {
      target = region->lock.first + region->firstWritten;
      left = &region->firstLeft;
      done = &region->firstWritten;
    } else if (region->secondLeft > 0) {
      target = region->lock.second + region->secondWritten;
      left = &region->secondLeft;
      done = &region->secondWritten;
    } else {
      break;
    }
    const int got = ConvertChunk(converter, target, std::min<int>(n, static_cast<int>(*left)));
    if (got <= 0) break;
    *left -= got;
    *done += got;
    n -= got;
    written += got;
  }
  return written;
}

void WriteSilence(const SoundRecord& r, LockRegion* region, int n) {
  const uint8_t fill = r.format.bitsPerSample == 8 ? 127 : 0;
  const uint32_t first = std::min<uint32_t>(region->firstLeft, static_cast<uint32_t>(std::max(n, 0)));
  std::memset(region->lock.first + region->firstWritten, fill, first);
  region->firstWritten += first;
  region->firstLeft -= first;
  n -= static_cast<int>(first);
  if (n > 0 && region->secondLeft > 0) {
    const uint32_t second = std::min<uint32_t>(region->secondLeft, static_cast<uint32_t>(n));
    std::memset(region->lock.second + region->secondWritten, fill, second);
    region->secondWritten += second;
    region->secondLeft -= second;
  }
}

int SeekSource(SoundRecord& r, int source, int64_t sample) {
  return SeekConverter(&r.sources[source].converter, sample);
}

// The data has ended: one block of silence follows it.
int EndStreamData(SoundRecord& r, LockRegion* region, uint32_t cursor) {
  r.allSourcesDone = 1;
  r.currentSource = std::max(r.sourceCount - 1, 0);
  r.atEnd = 1;
  r.endRingPosition = RegionEndPosition(*region);
  r.cursorAtEnd = cursor;
  WriteSilence(r, region, BlockBytes(r));
  return -1;
}

// The current source has delivered all its data: 0 when data goes on.
int AdvanceStreamSource(SoundRecord& r, LockRegion* region, uint32_t cursor) {
  ++r.repeatCount;
  StreamSource& current = r.sources[r.currentSource];
  if (current.loopCount == 255) {
    r.sourcePosition = current.loopStart * r.format.blockAlign;
    r.restartPlayedBytes = r.sourcePosition;
    r.loopJumpPending = 1;
    r.jumpRingPosition = RegionEndPosition(*region);
    SeekSource(r, r.currentSource, current.loopStart);
    return 0;
  }
  if (r.repeatCount <= current.loopCount) {
    r.sourcePosition = 0;
    SeekSource(r, r.currentSource, 0);
    return 0;
  }
  r.repeatCount = 0;
  ++r.currentSource;
  if (r.currentSource < r.sourceCount) {
    r.sourcePosition = 0;
    SeekSource(r, r.currentSource, 0);
    return 0;
  }
  r.allSourcesDone = 1;
  if (r.playType == 3) {
    r.loopJumpPending = 1;
    r.currentSource = 0;
    r.restartPlayedBytes = 0;
    r.jumpRingPosition = RegionEndPosition(*region);
    r.sourcePosition = 0;
    SeekSource(r, 0, 0);
    return 0;
  }
  return EndStreamData(r, region, cursor);
}

bool InWindow(int w, int s, uint32_t k) {
  const int64_t cursor = k;
  if (w > s) return cursor >= s && cursor <= w;
  if (w < s) return !(cursor > w && cursor < s);
  return true;
}

void ResetPlayFields(SoundRecord& r) {
  r.allSourcesDone = 0;
  r.sourcePosition = 0;
  r.playedBytes = 0;
  r.loopJumpPending = 0;
  r.repeatCount = 0;
  r.currentSource = 0;
  r.primed = 0;
}

void CloseSourceData(StreamSource& src) {
  if (src.converter.valid) CloseConverter(&src.converter);
  if (src.stream.data) BufferStreamClose(static_cast<BufferStream*>(src.stream.data));
  src.stream.data = nullptr;
  TrackedFree(src.dataBlock);
  src.dataBlock = nullptr;
}

}  // namespace

int ClaimStreamBuffer(int handle, SoundRecord* record, PcmBuffer** buffer, int takeOver) {
  if (record->kind == 0) {
    *buffer = &record->buffers[0];
    return 0;
  }
  SoundRecord* owner = record;
  if (record->bufferOwner != -1) {
    owner = SoundRecordOf(record->bufferOwner);
    if (!owner) return -1;
  }
  *buffer = &owner->buffers[0];
  if (owner->bufferHolder == -1 || owner->bufferHolder == handle) {
    owner->bufferHolder = handle;
    return 0;
  }
  if (!takeOver) return -1;
  StopStreamHandle(owner->bufferHolder);
  owner->bufferHolder = handle;
  return 0;
}

int AddSreamSound(const SoundStreamRecord* stream, int loopCount, int handle, int kind, int* copied, int partner) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r || !stream) return -1;
  if (r->sourceCount > 0) {
    if (r->kind != 1) {
      LogWrite(Cp932<"ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n">);
      return -1;
    }
    PcmBuffer* buffer;
    uint32_t status = 0;
    if (ClaimStreamBuffer(handle, r, &buffer, 0) == 0 && PcmBufferStatus(buffer, &status) == 0 && (status & 1)) {
      LogWrite(Cp932<"既に再生中のストリームサウンドデータにデータを追加しようとしました\n">);
      return -1;
    }
    if (r->sourceCount >= kMaxStreamSources) {
      LogWrite(Cp932<"ストリーム風サウンドの制御データ領域がいっぱいです\n">);
      return -1;
    }
  }
  // Kind 1 names no source of its own: it keeps the data in memory like kind 2.
  if (kind == 1) kind = 2;
  const int index = r->sourceCount;
  StreamSource& src = r->sources[index];
  src = StreamSource{};
  src.kind = kind;
  stream->functions.seek(stream->data, 0, 0);
  if (kind == 3) {
    if (OpenConverter(stream, &src.converter) == -1) {
      LogWriteFormat(Cp932<"音声データのオープンに失敗しました">);
      return -1;
    }
    *copied = 0;
  } else {
    uint8_t* block = nullptr;
    int size = 0;
    if (LoadStreamToMemory(stream, &block, &size) == -1) {
      LogWriteFormat(Cp932<"音声データの読み込みに失敗しました">);
      return -1;
    }
    if (kind == 0) {
      BufferStream* temporary = BufferStreamOpen(block, size);
      SoundStreamRecord temporaryRecord{*BufferStreamFunctionsGet(), temporary};
      SoundConverter converter;
      if (!temporary || OpenConverter(&temporaryRecord, &converter) == -1) {
        if (temporary) BufferStreamClose(temporary);
        TrackedFree(block);
        LogWriteFormat(Cp932<"音声データのオープンに失敗しました">);
        return -1;
      }
      PcmWaveFormat format;
      uint8_t* pcm = nullptr;
      int pcmSize = 0;
      const int converted = ConvertWholeSource(&converter, &format, &pcm, &pcmSize);
      CloseConverter(&converter);
      BufferStreamClose(temporary);
      TrackedFree(block);
      block = nullptr;
      uint8_t formatBytes[kWaveFormatBytes];
      WriteWaveFormatBytes(format, formatBytes);
      if (converted == -1 || BuildWaveImage(&block, &size, formatBytes, kWaveFormatBytes, pcm, pcmSize) == -1) {
        TrackedFree(pcm);
        LogWriteFormat(Cp932<"音声データの変換に失敗しました">);
        return -1;
      }
      TrackedFree(pcm);
    }
    src.dataBlock = block;
    src.dataSize = size;
    BufferStream* memory = BufferStreamOpen(block, size);
    src.stream = SoundStreamRecord{*BufferStreamFunctionsGet(), memory};
    if (!memory || OpenConverter(&src.stream, &src.converter) == -1) {
      CloseSourceData(src);
      LogWriteFormat(Cp932<"音声データのオープンに失敗しました">);
      return -1;
    }
    *copied = 1;
  }
  const PcmWaveFormat& format = src.converter.outputFormat;
  if (index == 0) {
    r->format = format;
    SoundRecord* p = partner == handle ? nullptr : SoundRecordOf(partner);
    if (p && p->kind == 1 && p->bufferOwner == -1 && p->format == format) {
      r->kind = 1;
      r->bufferCount = 1;
      HandleListInsert(&gSoundSystem.streamHead, &r->streamNode, handle, r);
      r->bufferOwner = partner;
      ++p->bufferUsers;
    } else {
      CreateSoundHandleBuffers(format, 6 * static_cast<int>(format.bytesPerSecond), 1, 1, handle);
      r->bufferOwner = -1;
    }
    r->ringSize = 6 * static_cast<int>(format.bytesPerSecond);
    r->bufferUsers = 0;
    r->bufferHolder = -1;
    r->deletePending = 0;
  } else if (!(format == r->format)) {
    CloseSourceData(src);
    LogWriteFormat(Cp932<"フォーマットの違う音声データは同時に使うことは出来ません">);
    return -1;
  }
  src.loopCount = static_cast<uint8_t>(loopCount);
  ++r->sourceCount;
  int64_t total = 0;
  for (int i = 0; i < r->sourceCount; ++i)
    total += EstimateConvertedSize(&r->sources[i].converter) / std::max<int>(r->format.blockAlign, 1);
  r->totalSamples = static_cast<int>(std::min<int64_t>(total, INT32_MAX));
  return 0;
}

int AddWaveFileStream(const char* name, int loopCount, int handle, int kind, int partner) {
  const FileHandle file = FileLayerOpen(name, 0, 1, 0);
  if (file == 0) {
    LogSoundText(Cp932<"右記のＷＡＶファイルのロードに失敗しました：%s \n">, name);
    return -1;
  }
  const SoundStreamRecord stream{*FileStreamFunctionsGet(), FileHandleToStream(file)};
  int copied = 0;
  if (AddSreamSound(&stream, loopCount, handle, kind, &copied, partner) == -1) {
    FileLayerClose(file);
    LogSoundText(Cp932<"右記のＷＡＶファイルのセットアップに失敗しました：%s \n">, name);
    return -1;
  }
  if (copied) FileLayerClose(file);
  SoundRecord* r = SoundRecordOf(handle);
  r->sourceStreamOwned[r->sourceCount - 1] = 1;
  return 0;
}

int AddWaveMemoryStream(const void* image, int size, int loopCount, int handle, int kind, int partner) {
  // The image is always copied: the caller may free it after the call.
  if (kind == 3 || kind == 1) kind = 2;
  BufferStream* memory = BufferStreamOpen(image, size);
  if (!memory) {
    LogWrite(Cp932<"ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n">);
    return -1;
  }
  const SoundStreamRecord stream{*BufferStreamFunctionsGet(), memory};
  int copied = 0;
  if (AddSreamSound(&stream, loopCount, handle, kind, &copied, partner) == -1) {
    BufferStreamClose(memory);
    LogWrite(Cp932<"ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n">);
    return -1;
  }
  if (copied) BufferStreamClose(memory);
  SoundRecord* r = SoundRecordOf(handle);
  r->sourceStreamOwned[r->sourceCount - 1] = 1;
  return 0;
}

int PrimeStream(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  PcmBuffer* buffer;
  if (!IsStream(r) || IsStreamPlaying(handle) == 1 || ClaimStreamBuffer(handle, r, &buffer, 0) != 0 || r->primed)
    return 0;
  PcmBufferSetPosition(buffer, 0);
  r->writePosition = kWritePositionUnfilled;
  r->safePosition = -1;
  r->lastCursor = 0;
  r->atEnd = 0;
  SeekSource(*r, r->currentSource, r->sourcePosition / std::max<int>(r->format.blockAlign, 1));
  r->primed = 1;
  RefillStreamBuffer(handle);
  return 0;
}

int PlayStreamHandle(int handle, int playType, int fromStart) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  PcmBuffer* buffer;
  if (ClaimStreamBuffer(handle, r, &buffer, 1) != 0) return -1;
  if (fromStart == 0 && IsStreamPlaying(handle) == 1) return 0;
  StopStreamHandle(handle);
  if (((playType ^ r->playType) & 2) && r->allSourcesDone) ResetPlayFields(*r);
  if (fromStart == 1) {
    r->allSourcesDone = 0;
    if (r->playedBytes != 0) ResetPlayFields(*r);
  }
  r->playType = playType;
  PrimeStream(handle);
  if (ClaimStreamBuffer(handle, r, &buffer, 0) != 0) return -1;
  PcmBufferPlay(buffer, 1);
  if (playType == 0) {
    // The message loop refills the ring while the wait lasts.
    while (RunMessageLoopRound() == 0 && IsSoundHandlePlaying(handle) == 1) platform::SleepMilliseconds(1);
  }
  return 0;
}

int StopStreamHandle(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  TrackStreamPlayPosition(handle, -1);
  PcmBuffer* buffer;
  if (ClaimStreamBuffer(handle, r, &buffer, 0) != 0) return 0;
  if (r->bufferOwner != -1) {
    if (SoundRecord* owner = SoundRecordOf(r->bufferOwner)) owner->bufferHolder = -1;
  }
  uint32_t status = 0;
  if (PcmBufferStatus(buffer, &status) == 0 && (status & 1)) PcmBufferStop(buffer);
  return 0;
}

int IsStreamPlaying(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  PcmBuffer* buffer;
  if (ClaimStreamBuffer(handle, r, &buffer, 0) != 0) return 0;
  uint32_t status = 0;
  if (PcmBufferStatus(buffer, &status) == -1) return 0;
  return status & 1;
}

int RefillAllStreams() {
  SoundSystemState& s = gSoundSystem;
  if (!s.on) return -1;
  for (HandleListNode* node = s.streamHead.next; node && node != &s.streamTail;) {
    HandleListNode* next = node->next;
    RefillStreamBuffer(node->id);
    node = next;
  }
  return 0;
}

int RefillStreamBuffer(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  PcmBuffer* buffer;
  if (!IsStream(r) || ClaimStreamBuffer(handle, r, &buffer, 0) != 0 || !r->primed) return 0;
  TrackStreamPlayPosition(handle, -1);
  const int bps = BytesPerSecond(*r);
  uint32_t status = 0;
  PcmBufferStatus(buffer, &status);
  const bool playing = status & 1;
  bool firstFill = false;
  int n;
  uint32_t cursor = 0;
  if (r->atEnd) {
    cursor = PcmBufferPlayCursor(buffer);
    const uint32_t e = r->endRingPosition, p = r->cursorAtEnd;
    if (e < cursor && (p < e || p > cursor)) {
      PcmBufferStop(buffer);
      r->atEnd = 0;
      return 0;
    }
    n = BlockBytes(*r);
    if (!InWindow(r->writePosition, r->safePosition, cursor)) return -1;
  } else if (!playing) {
    if (r->writePosition != kWritePositionUnfilled) return 0;
    firstFill = true;
    n = WholeFrames(*r, 4LL * bps);
    r->writePosition = 0;
    cursor = 0;
  } else {
    cursor = PcmBufferPlayCursor(buffer);
    n = BlockBytes(*r);
    const int w = r->writePosition, s = r->safePosition;
    if (!InWindow(w, s, cursor)) return -1;
    int64_t w2 = w, k = cursor;
    if (w < s) {
      w2 += r->ringSize;
      if (k < w) k += r->ringSize;
    }
    const int64_t lead = static_cast<int64_t>(static_cast<uint64_t>(w2 - k) * 128 / static_cast<uint64_t>(bps));
    if (lead < 384) n = WholeFrames(*r, (384 - lead) * bps / 128);
  }
  n = std::min(n, r->ringSize);
  LockRegion region;
  region.start = static_cast<uint32_t>(r->writePosition);
  region.ringSize = static_cast<uint32_t>(r->ringSize);
  if (n > 0 && PcmBufferLock(buffer, region.start, static_cast<uint32_t>(n), &region.lock) == 0) {
    region.firstLeft = region.lock.firstBytes;
    region.secondLeft = region.lock.secondBytes;
    if (r->atEnd) {
      WriteSilence(*r, &region, n);
    } else {
      int left = n;
      // A pass whose jumps or wraps yield nothing ends the data.
      int emptyAdvances = 0;
      while (left > 0 && !r->atEnd) {
        const int got = ConvertIntoRegion(&region, &r->sources[r->currentSource].converter, left);
        if (got > 0) {
          r->sourcePosition += got;
          left -= got;
          emptyAdvances = 0;
          continue;
        }
        if (++emptyAdvances > r->sourceCount + 1) EndStreamData(*r, &region, cursor);
        else AdvanceStreamSource(*r, &region, cursor);
      }
    }
    PcmBufferUnlock(buffer, region.lock);
  }
  if (firstFill) {
    r->writePosition = WholeFrames(*r, 4LL * bps) % r->ringSize;
    r->safePosition = 0;
  } else {
    r->writePosition = (r->writePosition + n) % r->ringSize;
    r->safePosition = r->writePosition - 4 * bps;
    if (r->safePosition < 0) r->safePosition += r->ringSize;
  }
  return 0;
}

int TrackStreamPlayPosition(int handle, int64_t given) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  PcmBuffer* buffer;
  if (!IsStream(r) || ClaimStreamBuffer(handle, r, &buffer, 0) != 0 || !r->primed) return 0;
  const uint32_t k = given == -1 ? PcmBufferPlayCursor(buffer) : static_cast<uint32_t>(given);
  const uint32_t l = r->lastCursor;
  if (k == l) return 0;
  const uint32_t ring = static_cast<uint32_t>(r->ringSize);
  const uint32_t j = r->jumpRingPosition;
  bool jumped = false;
  if (r->loopJumpPending) {
    if (l < k && l < j && j <= k) {  // NOLINT(bugprone-branch-clone): the jump without and after a wrap count alike
      r->playedBytes = r->restartPlayedBytes + (k - j);
      jumped = true;
    } else if (k < l && j > l) {
      r->playedBytes = r->restartPlayedBytes + (ring - j) + k;
      jumped = true;
    } else if (k < l && j < k) {
      r->playedBytes = r->restartPlayedBytes + (k - j);
      jumped = true;
    }
    if (jumped) r->loopJumpPending = 0;
  }
  if (!jumped) r->playedBytes += l < k ? k - l : ring - l + k;
  r->lastCursor = k;
  return 0;
}

int GetStreamPlayTimeMs(int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  TrackStreamPlayPosition(handle, -1);
  const int64_t bps = std::max<int64_t>(BytesPerSecond(*r), 1);
  const int64_t ms = static_cast<int64_t>(r->playedBytes) * 1000 / bps;
  return static_cast<int>(std::min<int64_t>(ms, GetSoundHandleLengthMs(handle)));
}

int SetStreamPlayTime(int ms, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r || ms < 0) return -1;
  const int64_t perSecond = static_cast<int64_t>(r->format.blockAlign) * r->format.samplesPerSecond;
  if (perSecond <= 0) return -1;
  int64_t left = ms;
  int source = 0;
  for (; source < r->sourceCount; ++source) {
    SoundConverter& c = r->sources[source].converter;
    const int64_t pcm = c.type == kConverterAcm ? EstimateConvertedSize(&c) : c.dataSize;
    const int64_t length = pcm * 1000 / perSecond;
    if (length > left) break;
    left -= length;
  }
  if (source >= r->sourceCount) return -1;
  r->repeatCount = 0;
  r->loopJumpPending = 0;
  r->currentSource = source;
  r->playedBytes = static_cast<uint32_t>(static_cast<int64_t>(r->format.bytesPerSecond) * ms / 1000);
  r->sourcePosition = static_cast<int>(left * r->format.samplesPerSecond / 1000 * r->format.blockAlign);
  r->primed = 0;
  return 0;
}

int SetLoopPointSamples(int64_t frame, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r || frame < 0 || frame >= GetSoundHandleSampleCount(handle)) return -1;
  if (r->kind == 0) {
    // A memory sound becomes a stream sound under the same handle value.
    uint8_t formatBytes[kWaveFormatBytes];
    WriteWaveFormatBytes(r->format, formatBytes);
    uint8_t* image = nullptr;
    int size = 0;
    if (BuildWaveImage(&image, &size, formatBytes, kWaveFormatBytes, r->pcmBlock, r->pcmSize) == -1) return -1;
    StopSoundHandle(handle);
    DeleteSoundHandle(handle, 0);
    BufferStream* memory = BufferStreamOpen(image, size);
    int copied = 0;
    const SoundStreamRecord stream{*BufferStreamFunctionsGet(), memory};
    const bool made =
        AddSoundData(handle) == handle && memory && AddSreamSound(&stream, 0, handle, 0, &copied, -1) == 0;
    if (memory) BufferStreamClose(memory);
    TrackedFree(image);
    if (!made) {
      LogWrite(Cp932<"ストリームサウンドハンドルの作成に失敗しました\n">);
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    r = SoundRecordOf(handle);
  }
  if (r->sourceCount >= 2) {
    LogWrite(Cp932<"二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを指定する事は出来ません\n">);
    return -1;
  }
  // A stream whose first fill already wrote its end primes again at its next
  // play, so that the loop holds from the first pass.
  if (r->primed && IsStreamPlaying(handle) != 1) ResetPlayFields(*r);
  StreamSource& src = r->sources[0];
  src.loopStart = static_cast<int>(frame);
  src.converter.spareTarget = static_cast<int>(frame * src.converter.outputFormat.blockAlign);
  src.loopCount = 255;
  return 0;
}

int SetLoopPointMs(int ms, int handle) {
  SoundRecord* r = SoundRecordOf(handle);
  if (!r) return -1;
  if (ms >= 0) SetLoopPointSamples(static_cast<int64_t>(r->format.samplesPerSecond) * ms / 1000, handle);
  return 0;
}
