#pragma once

// Public entries of the sound family: sound handles made from sound file
// images (WAVE, MP3, Ogg Vorbis), played through the software mixer.

int SetSoundLoadKind(int kind);  // 0 memory sound, 1-3 streamed
int LoadSoundFromImage(const void* image, int size, int bufferCount, int partner);
int LoadSoundFromImageSingle(const void* image, int size, int partner);
int DeleteSoundHandle(int handle, int unused = 0);
int DeleteAllSoundHandles(int passedOn = 0);
int PlaySoundHandle(int handle, int playType, int fromStart);
int StopSoundHandle(int handle);
int IsSoundHandlePlaying(int handle);
int SetSoundHandleVolume(int volume, int handle);
int SetSoundHandleFrequency(int frequency, int handle);
int GetSoundHandleSampleRate(int handle);
int SetSoundHandlePlayTime(int ms, int handle);
int GetSoundHandlePlayTimeMs(int handle);
int GetSoundHandleLengthMs(int handle);
int SetLoopPointMs(int ms, int handle);
