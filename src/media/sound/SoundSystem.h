#pragma once

// The sound services the media system's start, end, message pass and window
// procedure call. Least bodies until the sound subsystem is built: the start
// and end succeed and log, there is nothing to refill, poll or release.

int StartSoundSystem();
void EndSoundSystem();
void ReleaseDirectPlayHandle();
void RefillAllStreams();
void PollMidiPlayback();
void OnMciNotify();
