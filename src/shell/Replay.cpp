#include "shell/Replay.h"

int gReplayPlaying = 0;
int gReplayFinished = 0;
