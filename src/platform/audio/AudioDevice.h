#pragma once

#include <vector>

#include "platform/audio/Audio.h"

// The sdl backend's output device, behind the mixer.
namespace platform::detail {

bool OpenSdlAudio();
void CloseSdlAudio();
std::vector<AudioDeviceInfo> ListSdlAudioDevices();

}  // namespace platform::detail
