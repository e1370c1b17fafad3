#include "media/sound/SoundSystem.h"

#include "foundation/Log.h"

int StartSoundSystem() {
  LogWrite("StartSoundSystem\n");
  return 0;
}
void EndSoundSystem() { LogWrite("EndSoundSystem\n"); }
void ReleaseDirectPlayHandle() {}
void RefillAllStreams() {}
void PollMidiPlayback() {}
void OnMciNotify() {}
