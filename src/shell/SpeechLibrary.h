#pragma once

#include <string>

// The speech library, loaded at start-up from the executable's folder when
// the game ships it, and speech as a sound effect in a spare SE entry.
bool SpeechLibraryPresent();
bool LoadSpeechLibrary();
bool FreeSpeechLibrary();
// True while the library's synthesiser entry point is there.
bool IsSpeechSynthAvailable();

// The SE entry of the synthesized text (CP932), -10 when nothing was made.
int PlaySpeech(const std::string& text, int speed, int volume, int pitch);
