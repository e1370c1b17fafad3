#pragma once

// Settings the start-up takes from the game information before the first
// frame and every part of the runtime reads.

// Nonzero in test play (the whole command line is "Play_As_Test"): test-play
// notices are shown only then.
extern int gTestPlay;
// 32 or 16 pixels.
extern int gTileSize;
// 1 for 32-pixel tiles, 2 for 16-pixel tiles.
extern int gScreenScale;
// How many frames one game frame counts for; every per-frame countdown
// subtracts it. Always at least 1.
extern int gFrameStep;

// 60 divided by the frame divisor setting; a divisor of 0 or above 60 would
// give no step at all, so the step is at least 1.
int FrameStepFromDivisor(int divisor);
// The transparency flag of every picture draw; 1 from the start.
extern int gDrawTransparent;
