#pragma once

#include <cstdint>

class RandomSeedLog;

// Replay playback: on while a recorded input log plays (no save file is
// written then); finished once the log has run out.
extern int gReplayPlaying;
extern int gReplayFinished;
