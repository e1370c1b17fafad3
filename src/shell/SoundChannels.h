#pragma once

#include <cstdint>
#include <string>

#include "shell/SoundManager.h"

// What the variable query reads of the sound channels, by channel kind
// 0 BGM and 1 BGS.

// Number of entries of the kind (System database types 1 and 2).
int SoundChannelEntryCount(int kind);
// Play position in ms of the sound now playing; 0 when none (or MIDI BGM).
int SoundChannelPlayTimeMs(int kind);
// The channel value of the entry now playing plus the sound's length in ms;
// 0 when none (or MIDI BGM).
int SoundChannelEndValue(int kind);

// The BGM and BGS entry numbers now playing (the event system's); -1 none.
extern int32_t& gCurrentBgm;
extern int32_t& gCurrentBgs;
