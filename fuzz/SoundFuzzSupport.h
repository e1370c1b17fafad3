#pragma once

// The sound layer on the headless mixer, started once per fuzz program, and
// one load of an image as a memory sound and as a stream.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "media/sound/PublicSound.h"
#include "media/sound/SoundSystem.h"
#include "platform/Backend.h"
#include "platform/time/Time.h"

namespace fuzz {

inline void StartSoundOnce() {
  static const bool started = [] {
    platform::SetBackend(platform::Backend::Headless);
    return StartSoundSystem() == 0;
  }();
  if (!started) std::abort();
}

// Loads the image both ways and plays a little of each; a load either fails
// with -1 or gives a handle that plays and deletes cleanly.
inline void LoadAndPlay(const uint8_t* data, size_t size) {
  StartSoundOnce();
  for (int kind : {0, 2}) {
    SetSoundLoadKind(kind);
    const int handle = LoadSoundFromImage(data, static_cast<int>(size), 1, -1);
    if (handle == -1) continue;
    PlaySoundHandle(handle, 3, 1);
    for (int i = 0; i < 3; ++i) {
      platform::AdvanceVirtualClock(40);
      RefillAllStreams();
    }
    GetSoundHandlePlayTimeMs(handle);
    SetLoopPointMs(10, handle);
    PlaySoundHandle(handle, 1, 1);
    RefillAllStreams();
    if (DeleteSoundHandle(handle, 0) != 0) std::abort();
  }
  SetSoundLoadKind(0);
  if (gSoundSystem.soundCount != 0) std::abort();
}

}  // namespace fuzz
