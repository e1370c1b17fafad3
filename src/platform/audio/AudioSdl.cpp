#include <SDL.h>
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>

#include "platform/audio/AudioDevice.h"

namespace platform::detail {

namespace {

SDL_AudioDeviceID gDevice = 0;

void Callback(void*, Uint8* stream, int bytes) { MixAudio(reinterpret_cast<int16_t*>(stream), bytes / 4); }

// alsa-lib's own error handler prints every step of a failed device open
// (eight lines on a machine without a sound card) and later troubles alike.
// alsa-lib is in the process when SDL uses it, linked or loaded as its driver
// starts; the handler is set through the loaded library, which adds no
// dependency.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error, const char* format, ...);

void IgnoreAlsaError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                     const char* /*format*/, ...) {}

void QuietAlsa() {
  static bool quiet = false;
  if (quiet) return;
  void* library = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) return;
  using SetHandler = int (*)(AlsaErrorHandler);
  const auto setHandler = reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler"));
  if (setHandler != nullptr) quiet = setHandler(IgnoreAlsaError) == 0;
  dlclose(library);  // only our reference: the library stays loaded
}

// Without a device the game goes on silent; the player is told once, under
// the name the player was started by, as its other start-up lines are.
void ReportSoundOff() {
  static bool reported = false;
  if (reported) return;
  reported = true;
  const char* name = program_invocation_short_name;
  if (name == nullptr || *name == '\0') name = "Game";
  (void)std::fprintf(stderr, "%s: no sound device could be opened, sound is off (%s)\n", name, SDL_GetError());
}

}  // namespace

bool OpenSdlAudio() {
  if (gDevice != 0) return true;
  QuietAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    ReportSoundOff();
    return false;
  }
  QuietAlsa();  // an alsa-lib that SDL's driver has just loaded
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
    ReportSoundOff();
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
