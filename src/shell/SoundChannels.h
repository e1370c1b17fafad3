#pragma once

#include <string>

// What the variable query reads of the sound manager, by channel kind
// 0 BGM and 1 BGS. Until the sound manager is built nothing plays.

// Number of entries of the kind (System database types 1 and 2).
int SoundChannelEntryCount(int kind);
// Play position in ms of the sound now playing; 0 when none (or MIDI BGM).
int SoundChannelPlayTimeMs(int kind);
// The channel value of the entry now playing plus the sound's length in ms;
// 0 when none (or MIDI BGM).
int SoundChannelEndValue(int kind);

// The BGM and BGS entry numbers now playing; -1 none.
extern int gCurrentBgm;
extern int gCurrentBgs;

// Starts (or with entry -1, or 65,535, stops) the channel of kind 0 BGM,
// 1 BGS or 2 SE with the entry of that number.
void PlaySoundChannel(int kind, int entry, int fadeFrames, int startPosition);
// Registers a sound given by its file text as a run-time entry of the kind;
// the entry number, -1 for an empty name.
int RegisterSoundFile(const std::string& text, int kind, int fadeFrames, int loopStartMs, int volume,
                      int frequency);
