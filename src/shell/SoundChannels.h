#pragma once

// What the variable query reads of the sound manager, by channel kind
// 0 BGM and 1 BGS. Until the sound manager is built nothing plays.

// Number of entries of the kind (System database types 1 and 2).
int SoundChannelEntryCount(int kind);
// Play position in ms of the sound now playing; 0 when none (or MIDI BGM).
int SoundChannelPlayTimeMs(int kind);
// The channel value of the entry now playing plus the sound's length in ms;
// 0 when none (or MIDI BGM).
int SoundChannelEndValue(int kind);
