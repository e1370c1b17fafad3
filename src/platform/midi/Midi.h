#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// MIDI files rendered by a software synthesiser with the system's General
// MIDI SoundFont, straight into the audio mixer (platform/audio).
constexpr const char* kGeneralMidiSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// Joins the mixer once the SoundFont is found readable; false without one or
// when the mixer is not started. The synthesiser and the SoundFont load on
// the first play: a SoundFont that then fails to load leaves every song
// unable to play.
bool StartMidi();
void EndMidi();
// The SoundFont StartMidi looks for (tests point it elsewhere; kept by EndMidi).
void SetMidiSoundFont(const std::string& path);
bool IsMidiSoundFontLoaded();

// Songs are indices; -1 when the data is not a MIDI file.
int OpenMidiSong(const uint8_t* data, size_t size);
void CloseMidiSong(int song);
bool PlayMidiSong(int song, bool looping);  // from the start; false when the song cannot play
// From `startTick` (a position MidiTickAtMs found).
bool PlayMidiSongFrom(int song, bool looping, int startTick);
void StopMidiSong(int song);  // stops at once, every note silenced
bool IsMidiSongPlaying(int song);
// Gain of the synthesiser (1.0 the SoundFont's own level) and tempo of every
// song as a multiple of its own.
void SetMidiGain(double gain);
void SetMidiTempo(double multiplier);

// The tick a standard MIDI file reaches after `ms` milliseconds at its own
// tempo map; 0 for data that is not a MIDI file, the last event's tick past
// the end. Reads the untrusted file defensively.
int MidiTickAtMs(const uint8_t* data, size_t size, int64_t ms);

}  // namespace platform
