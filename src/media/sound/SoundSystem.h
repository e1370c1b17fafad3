#pragma once

#include <cstdint>

#include "foundation/HandleList.h"
#include "media/sound/SoundConverter.h"

// The sound layer: PCM buffers on the platform's mixer, sound handles (memory
// sounds and stream sounds) and the MIDI handle table. Everything runs on the
// message-loop thread.

constexpr int kMaxSoundHandles = 4096;
constexpr int kMaxMidiHandles = 256;
constexpr int kMaxSoundBuffers = 10;
constexpr int kMaxStreamSources = 3;
constexpr int kSoundHandleType = 2;
constexpr int kMidiHandleType = 11;
constexpr int kWritePositionUnfilled = -800;

// One mixer buffer.
struct PcmBuffer {
  int created = 0;
  int buffer = -1;  // the platform mixer's buffer
};

struct StreamSource {
  uint8_t loopCount = 0;  // 255: endless from the loop start
  int kind = 0;           // 0 PCM image in memory, 2 encoded data in memory, 3 the caller's stream
  uint8_t* dataBlock = nullptr;
  int dataSize = 0;
  SoundStreamRecord stream;  // kinds 0 and 2: the memory stream over the data block
  int loopStart = 0;
  SoundConverter converter;
};

struct SoundRecord {
  int checkNumber = 0;
  PcmBuffer buffers[kMaxSoundBuffers];
  PcmWaveFormat format;
  int kind = 0;  // 0 memory sound, 1 stream sound
  int playType = 0;
  int bufferOwner = -1;
  int bufferUsers = 0;
  int bufferHolder = -1;
  int deletePending = 0;
  int ringSize = 0;
  int writePosition = 0;
  int safePosition = 0;
  StreamSource sources[kMaxStreamSources];
  uint8_t sourceStreamOwned[kMaxStreamSources] = {};
  int sourceCount = 0;
  int currentSource = 0;
  int repeatCount = 0;
  int sourcePosition = 0;
  int totalSamples = 0;
  uint32_t playedBytes = 0;
  uint32_t lastCursor = 0;
  uint8_t primed = 0;
  uint8_t atEnd = 0;
  uint8_t loopJumpPending = 0;
  uint8_t allSourcesDone = 0;
  int restartPlayedBytes = 0;
  uint32_t endRingPosition = 0;
  uint32_t cursorAtEnd = 0;
  uint32_t jumpRingPosition = 0;
  HandleListNode streamNode;
  int pcmSize = 0;
  uint8_t* pcmBlock = nullptr;
  int bufferCount = 0;
  int currentBuffer = 0;
};

struct MidiRecord {
  int checkNumber = 0;
  int playing = 0;
  int startSeen = 0;
  uint8_t* data = nullptr;
  int dataSize = 0;
};

struct SoundSystemState {
  MidiRecord* midiHandles[kMaxMidiHandles] = {};
  int midiCount = 0;
  int midiBound = 0;
  int mciPlaying = 0;
  uint32_t mciDevice = 0;
  int mciLoop = 0;
  int directPlayHandle = 0;
  int directPlayKind = 0;
  int on = 0;  // the mixer is open: the sound layer works
  HandleListNode streamHead;
  HandleListNode streamTail;
  PcmBuffer silentBuffer;
  SoundRecord* soundHandles[kMaxSoundHandles] = {};
  int soundCount = 0;
  int soundBound = 0;
  int checkCounter = 0;
  int loadKind = 0;
  int oggBytesPerSample = 0;
  int movieTrackFlag = 0;
};

extern SoundSystemState gSoundSystem;
// Raised by the movie player while it loads a movie's sound track.
extern int& gMovieTrackFlag;

// Start, end and the upkeep the media system calls.
int StartSoundSystem();
int EndSoundSystem();
int ReleaseDirectPlayHandle();
int RefillAllStreams();
int PollMidiPlayback();
int OnMciNotify();

// Writes a formatted text that carries its own line end (LogWriteFormat ends
// every line itself).
void LogSoundText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Buffers.
int PcmBufferCreate(PcmBuffer* buffer, const PcmWaveFormat& format, uint32_t bytes);
int PcmBufferDuplicate(const PcmBuffer* source, PcmBuffer* target);
int PcmBufferRelease(PcmBuffer* buffer);
int PcmBufferPlay(PcmBuffer* buffer, int loop);
int PcmBufferStop(PcmBuffer* buffer);
int PcmBufferStatus(PcmBuffer* buffer, uint32_t* status);
struct PcmLock {
  uint8_t* first = nullptr;
  uint32_t firstBytes = 0;
  uint8_t* second = nullptr;
  uint32_t secondBytes = 0;
};
int PcmBufferLock(PcmBuffer* buffer, uint32_t offset, uint32_t bytes, PcmLock* lock);
int PcmBufferUnlock(PcmBuffer* buffer, const PcmLock& lock);
int PcmBufferSetFrequency(PcmBuffer* buffer, uint32_t hz);
int PcmBufferSetVolume(PcmBuffer* buffer, int hundredthsDb);
int PcmBufferSetPosition(PcmBuffer* buffer, uint32_t offset);
uint32_t PcmBufferPlayCursor(const PcmBuffer* buffer);

// Handles.
SoundRecord* SoundRecordOf(int handle);  // null for an invalid handle
int AddSoundData(int handle);
int CreateSoundHandleBuffers(const PcmWaveFormat& format, int bytes, int kind, int bufferCount, int handle);
int GetSoundHandleSampleCount(int handle);
int BuildWaveImage(uint8_t** image, int* size, const void* format, int formatSize, const void* pcm, int pcmSize);
int LoadFileToMemory(const char* name, uint8_t** block, int* size);
int LoadStreamToMemory(const SoundStreamRecord* stream, uint8_t** block, int* size);
int LoadSoundFile(const char* name, int bufferCount, int partner);
int GetSoundLoadKind();

// Stream sounds.
int AddSreamSound(const SoundStreamRecord* stream, int loopCount, int handle, int kind, int* copied, int partner);
int AddWaveFileStream(const char* name, int loopCount, int handle, int kind, int partner);
int AddWaveMemoryStream(const void* image, int size, int loopCount, int handle, int kind, int partner);
int ClaimStreamBuffer(int handle, SoundRecord* record, PcmBuffer** buffer, int takeOver);
int PrimeStream(int handle);
int PlayStreamHandle(int handle, int playType, int fromStart);
int StopStreamHandle(int handle);
int IsStreamPlaying(int handle);
int RefillStreamBuffer(int handle);
int TrackStreamPlayPosition(int handle, int64_t given);
int SetStreamPlayTime(int ms, int handle);
int GetStreamPlayTimeMs(int handle);
int SetLoopPointSamples(int64_t frame, int handle);

// MIDI handles (the table stays empty: the game plays MIDI elsewhere).
int IsMidiHandlePlaying(int handle);
int StopMidiHandle(int handle);
int DeleteMidiHandle(int handle);
int DeleteAllMidiHandles();
