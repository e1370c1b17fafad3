#include "shell/StartupGlobals.h"

int gTestPlay = 0;
int gTileSize = 32;
int gScreenScale = 1;
int gFrameStep = 1;
int gDrawTransparent = 1;

int FrameStepFromDivisor(int divisor) {
  if (divisor <= 0) return 1;
  const int step = 60 / divisor;
  return step < 1 ? 1 : step;
}
