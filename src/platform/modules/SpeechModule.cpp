#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/modules/Modules.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

// espeak-ng keeps one global synthesiser; every call goes through this state.
struct Speech {
  std::mutex lock;
  bool tried = false;
  int sampleRate = 0;  // 0 when the synthesiser or its Japanese voice is missing
  std::vector<int16_t>* collecting = nullptr;
  // The synthesiser carries its voice's state from one text to the next and
  // cannot be reset, so a text would sound a little different each time it
  // is spoken. Each text and speed is synthesised once and kept, so that a
  // replayed game says it exactly as before.
  std::map<std::pair<std::string, int>, std::vector<int16_t>> spoken;
  size_t spokenSamples = 0;
  // Images handed out and not yet freed, by their first byte.
  std::map<const unsigned char*, std::unique_ptr<std::vector<unsigned char>>> images;
};

constexpr size_t kSpokenSamplesKept = size_t{8} << 20;  // 16 MB of speech

Speech& TheSpeech() {
  static Speech speech;
  return speech;
}

int Collect(short* samples, int count, espeak_EVENT*) {
  std::vector<int16_t>* out = TheSpeech().collecting;
  if (out && samples && count > 0) out->insert(out->end(), samples, samples + count);
  return 0;
}

bool Ready(Speech& s) {
  if (!s.tried) {
    s.tried = true;
    // Errors come back as results; the library must never end the program.
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate > 0 && espeak_SetVoiceByName("ja") == EE_OK) {
      espeak_SetSynthCallback(&Collect);
      s.sampleRate = rate;
    }
  }
  return s.sampleRate > 0;
}

void PutLe(std::vector<unsigned char>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A RIFF WAVE image of 16-bit mono PCM.
std::vector<unsigned char> WaveImage(const std::vector<int16_t>& samples, int rate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<unsigned char> image;
  image.reserve(44 + dataBytes);
  image.insert(image.end(), {'R', 'I', 'F', 'F'});
  PutLe(image, 36 + dataBytes, 4);
  image.insert(image.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(image, 16, 4);
  PutLe(image, 1, 2);  // PCM
  PutLe(image, 1, 2);  // mono
  PutLe(image, static_cast<uint32_t>(rate), 4);
  PutLe(image, static_cast<uint32_t>(rate) * 2, 4);
  PutLe(image, 2, 2);
  PutLe(image, 16, 2);
  image.insert(image.end(), {'d', 'a', 't', 'a'});
  PutLe(image, dataBytes, 4);
  for (int16_t s : samples) PutLe(image, static_cast<uint16_t>(s), 2);
  return image;
}

// Speed 100 is the synthesiser's normal rate; others scale it linearly inside
// the range it can speak.
int RateOfSpeed(int speed) {
  const int64_t rate = int64_t{espeakRATE_NORMAL} * speed / 100;
  return static_cast<int>(std::clamp<int64_t>(rate, espeakRATE_MINIMUM, espeakRATE_MAXIMUM));
}

// The Shift-JIS text spoken at `speed`: a WAVE image and its size, or null
// when nothing could be made (no synthesiser, empty text, no sound).
unsigned char* Synthe(const char* text, int speed, int* size) {
  if (size) *size = 0;
  if (!text || !size) return nullptr;
  Speech& s = TheSpeech();
  std::lock_guard guard(s.lock);
  if (!Ready(s)) return nullptr;
  const std::string utf8 = Cp932ToUtf8(text);
  if (utf8.empty()) return nullptr;
  const int rate = RateOfSpeed(speed);
  auto known = s.spoken.find({utf8, rate});
  if (known == s.spoken.end()) {
    std::vector<int16_t> samples;
    s.collecting = &samples;
    espeak_SetParameter(espeakRATE, rate, 0);
    const espeak_ERROR result =
        espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    s.collecting = nullptr;
    if (result != EE_OK || samples.empty()) return nullptr;
    // Bounded: a game speaking endless distinct texts starts the store afresh.
    if (s.spokenSamples + samples.size() > kSpokenSamplesKept) {
      s.spoken.clear();
      s.spokenSamples = 0;
    }
    s.spokenSamples += samples.size();
    known = s.spoken.emplace(std::make_pair(utf8, rate), std::move(samples)).first;
  }
  const std::vector<int16_t>& samples = known->second;
  auto image = std::make_unique<std::vector<unsigned char>>(WaveImage(samples, s.sampleRate));
  unsigned char* first = image->data();
  *size = static_cast<int>(image->size());
  s.images[first] = std::move(image);
  return first;
}

void FreeWave(unsigned char* image) {
  Speech& s = TheSpeech();
  std::lock_guard guard(s.lock);
  s.images.erase(image);
}

template <typename F>
ModuleProc Proc(F f) {
  return reinterpret_cast<ModuleProc>(f);
}

}  // namespace

std::vector<ModuleEntry> SpeechModuleEntries() {
  return {{"AquesTalk_Synthe", Proc(&Synthe)}, {"AquesTalk_FreeWave", Proc(&FreeWave)}};
}

}  // namespace platform
