#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The sound manager: the game's sound entries (System database types 1 BGM,
// 2 BGS, 3 SE; sound kinds 0-2) on the media layer's sound handles, the BGM
// and BGS cross-fades and the queue of sound effects.

// One of the two faded channels (0 BGM, 1 BGS).
struct SoundFade {
  int32_t oldHandle = 0;  // the sound fading out, 0 none
  int32_t handle = 0;     // the sound playing, 0 none
  int32_t fadeLeft = -1;  // frames left of the cross-fade, -1 none
  int32_t fadeTotal = 0;
  int32_t volume = 100;       // target volume, after the master volume
  int32_t frequency = 100;    // percent
  int32_t fadeOutVolume = 0;  // what the outgoing sound fades from
  int32_t fadeInStart = 0;    // what the incoming sound fades from
};

struct SoundManager {
  std::array<std::map<int, int>, 3> handles;  // per kind: entry -> sound handle
  std::vector<int32_t> speechMarks;
  uint8_t speechSized = 0;
  std::array<SoundFade, 2> channels;  // 0 BGM, 1 BGS
  // Queued sound-effect plays: handle (-1 stops every sound effect), delay
  // in frames (-1 once played), release after play.
  std::vector<int32_t> seHandles;
  std::vector<int32_t> seDelays;
  std::vector<int32_t> seRelease;
  std::vector<int32_t> midiFlags;  // per BGM entry: 1 MIDI, -1 MIDI file missing, 0 other
  uint8_t bgmIsMidi = 0;
  uint8_t previousBgmWasMidi = 0;
  uint8_t preloadDone = 0;
  int32_t tempoCountdown = -1;
  std::array<std::vector<int32_t>, 2> oggFlags;  // BGM and BGS entries

  SoundManager();
};
extern SoundManager gSoundManager;

// Game.ini's SEandBGM: BGM and BGS on at 2 and 3, sound effects at 1 and 3.
extern int gSoundSetting;
// 0 when the MIDI device could not be set at start-up.
extern int gMidiAvailable;
// Sounds named by file at run time: path -> sound handle. The BGM and the BGS
// share a file's handle; sound effects keep theirs apart, so that no music
// fade or stop deletes an effect and no effect restarts the music's stream.
extern std::map<std::string, int> gSoundNameIndex;
extern std::map<std::string, int> gSoundEffectNameIndex;

void ConstructSoundManager();
// Deletes every sound handle and empties the name indexes.
void DestroySoundManager();
// The restart: a fresh manager, every sound deleted.
void ResetSoundManager();

void SizeSoundTables();
void PreloadSounds();
bool LoadSoundEntry(int kind, int entry);
// The spare entry now holding the sound, -1 for an empty name, -10 when the
// sound already plays (its parameters changed) or no spare entry exists.
int RegisterSoundFile(const std::string& text, int kind, int fade, int loopStart, int volume, int frequency);
void LoadSoundFileEntry(const std::string& path, int kind, int entry);
// Stops a sound handle that an entry let go of. Once no entry holds it, it is
// deleted and the file names that map to it are dropped, so that registering
// such a file again loads it afresh.
void DeleteLoadedSound(int handle);
void UnloadSoundHandle(int kind, int handle);
bool ReleaseSoundEntry(int kind, int entry);
bool ReleaseUnusedSounds(bool all);
int CountLoadedSounds();
// What the length query adds to the current BGM's (0) or BGS's (1) length in
// ms: an Ogg's estimate is 44100 frames too long (-1000 at 44.1 kHz).
int GetSoundChannelValue(int kind);
// The slot's handle (0 none).
int SoundEntryHandle(int kind, int entry);

// Entry fields of System database type kind + 1, read only inside the type:
// its data count, an entry's file name (string content 0) and int contents
// (0 outside).
int SoundTypeDataCount(int kind);
std::string SoundEntryName(int kind, int entry);
int SoundEntryInt(int kind, int entry, int content);
// list[index], 0 outside the list.
int32_t SoundListFlag(const std::vector<int32_t>& list, int index);
// The frames of a cross-fade of `fade`: a negative fade, or one that would
// overflow, counts as none.
int SoundFadeFrames(int fade);
// The handle plays at `percent` of its sample rate; 0 gives the file's own.
void SetSoundHandleRatePercent(int handle, int percent);

// Kind 0 BGM, 1 BGS, 2 SE; entry -1 (or 65535) stops. For BGM and BGS `fade`
// is the cross-fade in frames and `position` the start in ms; for SE `fade`
// is the delay in frames.
void PlaySoundChannel(int kind, int entry, int fade, int position);
// Once per game frame: the cross-fades and the sound-effect queue.
void UpdateSounds();
