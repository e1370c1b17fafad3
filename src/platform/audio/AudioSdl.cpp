#include <SDL.h>

#include "platform/audio/AudioDevice.h"

namespace platform::detail {

namespace {

SDL_AudioDeviceID gDevice = 0;

void Callback(void*, Uint8* stream, int bytes) { MixAudio(reinterpret_cast<int16_t*>(stream), bytes / 4); }

}  // namespace

bool OpenSdlAudio() {
  if (gDevice != 0) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = kMixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = Callback;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to the device when it must.
  gDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (gDevice == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(gDevice, 0);
  return true;
}

void CloseSdlAudio() {
  if (gDevice == 0) return;
  SDL_CloseAudioDevice(gDevice);
  gDevice = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::vector<AudioDeviceInfo> ListSdlAudioDevices() {
  std::vector<AudioDeviceInfo> out;
  const char* driver = SDL_GetCurrentAudioDriver();
  const std::string module = driver ? driver : "sdl";
  const int count = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < count; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 0);
    out.push_back({module, name ? name : ""});
  }
  if (out.empty()) out.push_back({module, "default"});
  return out;
}

}  // namespace platform::detail
